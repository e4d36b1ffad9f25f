#include "TestFiles.h"
#include "platform/DraftFile.h"
#include "platform/SingleInstance.h"
#include "tests/app/WindowTestSupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <thread>

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

// Reads the probe's output until it holds the line, or the probe ends or the time runs out;
// all of it.
QString readUntil(QProcess& probe, QString& out, const QString& line, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!out.contains(line + QLatin1Char('\n')) && !deadline.hasExpired() &&
           probe.state() == QProcess::Running) {
        probe.waitForReadyRead(50);
        out += QString::fromUtf8(probe.readAllStandardOutput());
    }
    return out;
}

// The probe's output up to its verdict: a refused copy ends by itself, an accepted one runs
// until it is stopped.
QString runProbe(const QString& tmpDir, int* exitCode = nullptr, const QStringList& arguments = {})
{
    QProcess probe;
    probe.setProcessEnvironment(environmentFor(tmpDir));
    probe.start(QStringLiteral(START_PROBE), arguments);
    if (!probe.waitForStarted(10000)) {
        return QStringLiteral("did not start");
    }
    QString out;
    if (readUntil(probe, out, QStringLiteral("RUNNING"), 10000).endsWith(u"RUNNING\n")) {
        probe.kill();
    }
    probe.waitForFinished(10000);
    if (exitCode) {
        *exitCode = probe.exitCode();
    }
    return out + QString::fromUtf8(probe.readAllStandardOutput());
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
    // A second copy is refused in a box of the program's own (title empty, no icon, the OK
    // button alone) and ends; one given a file hands it to the first copy instead and ends
    // without a box. The first copy goes on.
    void secondCopyIsRefusedOrHandsItsFileOver_data()
    {
        QTest::addColumn<QByteArray>("file"); // what the file holds; none: no file is given
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("draft");
        QTest::newRow("no file") << QByteArray()
                                 << "BOX||0|0|Parlanza is Already Running !\nREFUSED\n"
                                 << "";
        QTest::newRow("a file") << QByteArray("Handed over\r\nto the first copy") << "REFUSED\n"
                                << "Handed over\nto the first copy";
    }

    void secondCopyIsRefusedOrHandsItsFileOver()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, output);
        QFETCH(QString, draft);
        QTemporaryDir tmp;
        QProcess first;
        startFirstCopy(first, tmp.path());
        QStringList arguments;
        if (!file.isEmpty()) {
            arguments << tmp.filePath(QStringLiteral("note.txt"));
            QVERIFY(testfiles::write(arguments[0], file));
        }
        int exitCode = -1;
        QCOMPARE(runProbe(tmp.path(), &exitCode, arguments), output);
        QCOMPARE(exitCode, 0);
        QTRY_COMPARE_WITH_TIMEOUT(draftIn(tmp.path()), draft, kDraftWaitMs);
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    // The text of a file named on the command line survives a copy killed outright (the
    // periodic save has it on disk), and the killed copy's lock does not block the next.
    void killedCopyKeepsItsTextAndDoesNotBlockTheNext()
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
        QCOMPARE(runProbe(tmp.path()), QStringLiteral("RUNNING\n"));
    }

    // A sound service that starts a moment after the program (as a desktop may start it
    // after the programs it starts) brings no notice, and SPEAK is heard through it; with
    // no output at all the user is told exactly once.
    void soundServerThatComesLateBringsNoNotice_data()
    {
        QTest::addColumn<bool>("serverComes");
        QTest::newRow("server a second late") << true;
        QTest::newRow("no output at all") << false;
    }

    void soundServerThatComesLateBringsNoNotice()
    {
        QFETCH(bool, serverComes);
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
            QSKIP("pulseaudio and parec (packages pulseaudio, pulseaudio-utils) are needed.");
        }
        QTemporaryDir tmp;
        // The probe as the program is installed: the start sound beside it.
        const QString program = tmp.filePath(QStringLiteral("program"));
        QVERIFY(QDir().mkpath(program + QStringLiteral("/audio")));
        QVERIFY(QFile::copy(QStringLiteral(START_PROBE), program + QStringLiteral("/probe")));
        QVERIFY(QFile::setPermissions(program + QStringLiteral("/probe"),
                                      QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(QFile::copy(QFileInfo(QStringLiteral(PARLANZA_EXECUTABLE))
                                .dir()
                                .filePath(QStringLiteral("audio/start.wav")),
                            program + QStringLiteral("/audio/start.wav")));
        // No server yet at the address the program asks, and no ALSA device whatever the
        // machine has.
        const QString runtime = tmp.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(testfiles::write(tmp.filePath(QStringLiteral("asound.conf")),
                                 "pcm.!default {\ntype hw\ncard 7\n}\n"));
        QProcessEnvironment env = environmentFor(tmp.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("PULSE_SERVER"),
                   QStringLiteral("unix:%1/pulse/native").arg(runtime));
        env.insert(QStringLiteral("ALSA_CONFIG_PATH"), tmp.filePath(QStringLiteral("asound.conf")));
        QProcess probe;
        probe.setProcessEnvironment(env);
        QElapsedTimer started;
        started.start();
        probe.start(program + QStringLiteral("/probe"));
        QVERIFY(probe.waitForStarted(10000));
        const auto stopServer = qScopeGuard([&] {
            windowtest::testService(QStringLiteral("parlanza_kill_pulseaudio_in"), {runtime});
            probe.kill();
            probe.waitForFinished(10000);
        });

        QString out;
        if (serverComes) {
            QTRY_VERIFY(started.elapsed() >= 1000);
            QVERIFY(windowtest::testService(QStringLiteral("parlanza_pulseaudio_in"), {runtime}));
        }
        QVERIFY2(readUntil(probe, out, QStringLiteral("RUNNING"), 20000)
                     .contains(QLatin1String("RUNNING\n")),
                 qPrintable(out));

        QProcess recorder;
        if (serverComes) {
            recorder.setProcessEnvironment(env);
            recorder.start(QStringLiteral("parec"),
                           {QStringLiteral("-d"), QStringLiteral("test_sink.monitor"),
                            QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                            QStringLiteral("--channels=1"), QStringLiteral("--rate=16000")});
            QVERIFY(recorder.waitForStarted(5000) && recorder.waitForReadyRead(5000));
        }
        // Long enough that the output has settled whether it reached anything before the
        // speech ends.
        probe.write("SPEAK Is anybody there? This sentence is spoken to find out who hears "
                    "it, and it goes on for a while.\n");
        QVERIFY2(readUntil(probe, out, QStringLiteral("STOPPED"), 30000)
                     .contains(QLatin1String("STOPPED\n")),
                 qPrintable(out));
        QVERIFY2(out.count(QLatin1String("No sound output")) == (serverComes ? 0 : 1),
                 qPrintable(out));
        if (!serverComes) {
            return;
        }
        recorder.terminate();
        recorder.waitForFinished(5000);
        const QByteArray bytes = recorder.readAllStandardOutput();
        int loudest = 0;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
            const auto sample = qint16(quint8(bytes[i]) | (quint8(bytes[i + 1]) << 8));
            loudest = std::max(loudest, std::abs(int(sample)));
        }
        QVERIFY2(loudest > 1000, qPrintable(QString::number(loudest)));
    }

    // A handed-over file whose opening runs an event loop of its own (a box saying the file
    // cannot be opened) while the other copy goes away: the first copy goes on.
    void aFileThatOpensABoxLeavesTheChannelWhole()
    {
        QTemporaryDir tmp;
        platform::SingleInstance first(tmp.filePath(QStringLiteral("x.lock")));
        QVERIFY(first.tryAcquire());
        QStringList opened;
        QVERIFY(first.listen([&opened](const QString& file) {
            QEventLoop box; // as a modal box runs one until it is answered
            QTimer::singleShot(300, &box, &QEventLoop::quit);
            box.exec();
            opened << file;
        }));
        for (const QString& file :
             {QStringLiteral("/nonexistent/one.txt"), QStringLiteral("/nonexistent/two.txt")}) {
            std::thread second([&] {
                platform::SingleInstance other(tmp.filePath(QStringLiteral("x.lock")));
                QVERIFY(other.handOff(file));
            });
            QTRY_COMPARE(opened.size() > 0 && opened.constLast() == file, true);
            second.join();
        }
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
