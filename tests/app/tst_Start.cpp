#include "TestFiles.h"
#include "platform/DraftFile.h"
#include "platform/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace {

// Each test gets its own temporary folder, so its lock cannot meet a real running copy,
// and the user's settings and draft stay untouched.
QProcessEnvironment environmentFor(const QString& tmpDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmpDir);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), tmpDir + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), tmpDir + QStringLiteral("/state"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

// Starts a first copy of the program and waits until it holds the lock.
void startFirstCopy(QProcess& process, const QString& tmpDir, const QStringList& arguments = {})
{
    process.setProcessEnvironment(environmentFor(tmpDir));
    process.start(QStringLiteral(PARLANZA_EXECUTABLE), arguments);
    QVERIFY2(process.waitForStarted(10000), qPrintable(process.errorString()));
    const QString lockPath =
        QDir(tmpDir).filePath(QStringLiteral("parlanza-%1.lock").arg(::getuid()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockPath), 10000);
}

QString runProbe(const QString& tmpDir, int* exitCode = nullptr, const QStringList& arguments = {})
{
    QProcess probe;
    probe.setProcessEnvironment(environmentFor(tmpDir));
    probe.start(QStringLiteral(START_PROBE), arguments);
    if (!probe.waitForStarted(10000)) {
        return QStringLiteral("did not start");
    }
    // A refused copy ends by itself; an accepted one runs until it is stopped.
    QString out;
    QDeadlineTimer deadline(10000);
    while (!out.endsWith(QLatin1String("REFUSED\n")) && !out.endsWith(QLatin1String("RUNNING\n")) &&
           !deadline.hasExpired() && probe.state() == QProcess::Running) {
        probe.waitForReadyRead(100);
        out += QString::fromUtf8(probe.readAllStandardOutput());
    }
    if (out.endsWith(QLatin1String("RUNNING\n"))) {
        probe.kill();
        probe.waitForFinished();
        return out;
    }
    probe.waitForFinished(10000);
    out += QString::fromUtf8(probe.readAllStandardOutput());
    if (exitCode) {
        *exitCode = probe.exitCode();
    }
    return out;
}

// The editor's text as the running copy last saved it.
QString draftIn(const QString& tmpDir)
{
    return platform::DraftFile(tmpDir + QStringLiteral("/state/parlanza/draft.txt"))
        .load()
        .value_or(QString());
}

// The longest the program takes to save a changed text, with room for a slow machine.
constexpr int kDraftWaitMs = 15000;

} // namespace

class tst_Start : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondCopyIsRefusedAndFirstGoesOn()
    {
        QTemporaryDir tmp;
        QProcess first;
        startFirstCopy(first, tmp.path());

        int exitCode = -1;
        const QString out = runProbe(tmp.path(), &exitCode);
        // Title empty (the program's own), no icon, the OK button alone.
        QCOMPARE(out, QStringLiteral("BOX||0|0|Parlanza is Already Running !\nREFUSED\n"));
        QCOMPARE(exitCode, 0);

        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    void aKilledCopyDoesNotBlockTheNext()
    {
        QTemporaryDir tmp;
        QProcess first;
        startFirstCopy(first, tmp.path());
        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(10000));

        QCOMPARE(runProbe(tmp.path()), QStringLiteral("RUNNING\n"));
    }

    // The text survives a copy killed outright: the periodic save has it on disk.
    void fileArgumentOpensAndSurvivesAKill()
    {
        QTemporaryDir tmp;
        const QString file = tmp.filePath(QStringLiteral("letter.rtf"));
        QVERIFY(testfiles::write(file, "{\\rtf1\\ansi Dear {\\b reader}\\par}"));
        QProcess first;
        startFirstCopy(first, tmp.path(), {file});
        QTRY_COMPARE_WITH_TIMEOUT(draftIn(tmp.path()), QStringLiteral("Dear reader\n"),
                                  kDraftWaitMs);
        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(draftIn(tmp.path()), QStringLiteral("Dear reader\n"));
    }

    void secondCopyHandsItsFileToTheFirst()
    {
        QTemporaryDir tmp;
        QProcess first;
        startFirstCopy(first, tmp.path());
        const QString file = tmp.filePath(QStringLiteral("note.txt"));
        QVERIFY(testfiles::write(file, "Handed over\r\nto the first copy"));

        int exitCode = -1;
        // No refusal box: the file went to the running copy, and this copy ended.
        QCOMPARE(runProbe(tmp.path(), &exitCode, {file}), QStringLiteral("REFUSED\n"));
        QCOMPARE(exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(draftIn(tmp.path()),
                                  QStringLiteral("Handed over\nto the first copy"), kDraftWaitMs);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    // One process may ask twice; with nowhere to put the lock the program still starts
    // rather than refusing.
    void lockInThisProcess()
    {
        QTemporaryDir tmp;
        platform::SingleInstance mine(tmp.filePath(QStringLiteral("x.lock")));
        QVERIFY(mine.tryAcquire());
        QVERIFY(mine.tryAcquire());
        platform::SingleInstance nowhere(tmp.filePath(QStringLiteral("missing/dir/x.lock")));
        QVERIFY(nowhere.tryAcquire());
    }
};

QTEST_MAIN(tst_Start)
#include "tst_Start.moc"
