#include "SpeechTestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>

using namespace speechtest;

// Recording onto file systems that refuse it, for real: a full one and a read-only one,
// each a small tmpfs mounted for the test. The user is told why; the old file stays and
// no temporary file is left.
class tst_FullDisk : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusedRecordingSaysWhy_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QString>("reason");
        QTest::newRow("full") << "size=48k" << false << "No space left on device";
        QTest::newRow("read-only") << "size=48k" << true << "Read-only file system";
    }

    void refusedRecordingSaysWhy()
    {
        QFETCH(QString, options);
        QFETCH(bool, readOnly);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QByteArray where = QFile::encodeName(dir.path());
        if (::mount("tmpfs", where.constData(), "tmpfs", 0, options.toLatin1().constData()) != 0) {
            QSKIP(qPrintable(QStringLiteral("A tmpfs cannot be mounted here (%1); the test needs "
                                            "root or CAP_SYS_ADMIN.")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        }
        const auto unmount = qScopeGuard([&] { ::umount2(where.constData(), MNT_DETACH); });
        const QString target = dir.filePath(QStringLiteral("speech.wav"));
        const QByteArray old(20000, 'x');
        {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(old), old.size());
        }
        if (readOnly) {
            QCOMPARE(::mount("tmpfs", where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                             options.toLatin1().constData()),
                     0);
        }
        SilentControl silent;
        DirectSS& control = *silent.control;
        QSignalSpy failed(&control, &SpeechControl::RecordingFailed);
        QSignalSpy stopped(&control, &SpeechControl::AudioStop);
        control.selectVoice(voiceNumber(control, QStringLiteral("Mary")));
        control.setOutputFile(target);
        // Several seconds of speech: far more than the disk has room for.
        control.speak(
            QStringLiteral("The words go on and on until the disk is full. ").repeated(8));
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 30000);
        QCOMPARE(failed.count(), 1);
        const QString said = failed.first().at(1).toString();
        QVERIFY2(said.contains(reason), qPrintable(said));
        QFile kept(target);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 QStringList{QStringLiteral("speech.wav")});
    }
};

QTEST_GUILESS_MAIN(tst_FullDisk)
#include "tst_FullDisk.moc"
