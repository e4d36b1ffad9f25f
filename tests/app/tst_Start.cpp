#include "TestFiles.h"
#include "platform/DraftFile.h"
#include "platform/SingleInstance.h"
#include "tests/app/WindowTestSupport.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <span>
#include <thread>

namespace {

using windowtest::programEnvironment;

// Starts a first copy of the program and waits until it holds the lock.
void startFirstCopy(QProcess& process, const QString& tmpDir, const QStringList& arguments = {})
{
    process.setProcessEnvironment(programEnvironment(tmpDir, "offscreen"));
    process.start(QStringLiteral(PARLANZA_EXECUTABLE), arguments);
    QVERIFY2(process.waitForStarted(10000), qPrintable(process.errorString()));
    const QString lockPath = QDir(tmpDir).filePath(QString("parlanza-%1.lock").arg(::getuid()));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lockPath), 10000);
}

// The probe's output once it holds the line, or the probe ends, or the time runs out.
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

// The probe's output up to its verdict: a copy that runs is ended there; one that is refused
// ends by itself, and its exit code follows.
QString runProbe(const QString& tmpDir)
{
    QProcess probe;
    probe.setProcessEnvironment(programEnvironment(tmpDir, "offscreen"));
    probe.start(QStringLiteral(START_PROBE));
    probe.waitForStarted(10000);
    QString out;
    if (readUntil(probe, out, "RUNNING", 10000).endsWith(u"RUNNING\n")) {
        probe.kill();
        return out;
    }
    probe.waitForFinished(10000);
    return out + QString::fromUtf8(probe.readAllStandardOutput()) +
           QString("exit %1\n").arg(probe.exitCode());
}

// The editor's text as the running copy last saved it.
QString draftIn(const QString& tmpDir)
{
    return platform::DraftFile(tmpDir + "/state/parlanza/draft.txt").load().value_or(QString());
}

// The longest the program takes to save a changed text, with room for a slow machine.
constexpr int kDraftWaitMs = 15000;

} // namespace

class tst_Start : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A second copy is refused in a box of the program's own (title empty, no icon, the OK
    // button alone) and ends; the first goes on. (Handing a file over: tst_Workbench.)
    void secondCopyIsRefusedInABoxOfItsOwn()
    {
        QTemporaryDir tmp;
        QProcess first;
        startFirstCopy(first, tmp.path());
        QCOMPARE(runProbe(tmp.path()), "BOX||0|0|Parlanza is Already Running !\nREFUSED\nexit 0\n");
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    // The text of a file named on the command line survives a copy killed outright (the
    // periodic save has it on disk), and the killed copy's lock does not block the next.
    void killedCopyKeepsItsTextAndDoesNotBlockTheNext()
    {
        QTemporaryDir tmp;
        const QString file = tmp.filePath("letter.rtf");
        QVERIFY(testfiles::write(file, "{\\rtf1\\ansi Dear {\\b reader}\\par}"));
        QProcess first;
        startFirstCopy(first, tmp.path(), {file});
        QTRY_COMPARE_WITH_TIMEOUT(draftIn(tmp.path()), "Dear reader\n", kDraftWaitMs);
        ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
        QVERIFY(first.waitForFinished(10000));
        QCOMPARE(draftIn(tmp.path()), "Dear reader\n");
        QCOMPARE(runProbe(tmp.path()), "RUNNING\n");
    }

    // A sound service that starts a moment after the program (as a desktop may start it)
    // brings no notice, and SPEAK is heard through it; with no output at all, one notice.
    void soundServerThatComesLateBringsNoNotice()
    {
        if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
            QStandardPaths::findExecutable("parec").isEmpty()) {
            QSKIP("pulseaudio and parec (packages pulseaudio, pulseaudio-utils) are needed.");
        }
        for (const bool serverComes : {true, false}) { // a second late; no output at all
            QTemporaryDir tmp;
            // The probe as the program is installed: the start sound beside it.
            const QString program = tmp.filePath("program");
            QVERIFY(QDir().mkpath(program + "/audio"));
            QVERIFY(QFile::copy(QStringLiteral(START_PROBE), program + "/probe"));
            QVERIFY(QFile::setPermissions(program + "/probe", QFile::ReadOwner | QFile::ExeOwner));
            QVERIFY(QFile::copy(
                QFileInfo(QStringLiteral(PARLANZA_EXECUTABLE)).dir().filePath("audio/start.wav"),
                program + "/audio/start.wav"));
            // No server yet at the address the program asks, and no ALSA device at all.
            const QString runtime = tmp.filePath("runtime");
            QVERIFY(QDir().mkpath(runtime));
            QVERIFY(testfiles::write(tmp.filePath("asound.conf"),
                                     "pcm.!default {\ntype hw\ncard 7\n}\n"));
            QProcessEnvironment env = programEnvironment(tmp.path(), "offscreen");
            env.insert("XDG_RUNTIME_DIR", runtime);
            env.insert("PULSE_SERVER", QString("unix:%1/pulse/native").arg(runtime));
            env.insert("ALSA_CONFIG_PATH", tmp.filePath("asound.conf"));
            QProcess probe;
            probe.setProcessEnvironment(env);
            QElapsedTimer started;
            started.start();
            probe.start(program + "/probe");
            QVERIFY(probe.waitForStarted(10000));
            const auto stopServer = qScopeGuard([&] {
                windowtest::testService("parlanza_kill_pulseaudio_in", {runtime});
                probe.kill();
                probe.waitForFinished(10000);
            });
            QString out;
            if (serverComes) {
                QTRY_VERIFY(started.elapsed() >= 1000);
                QVERIFY(windowtest::testService("parlanza_pulseaudio_in", {runtime}));
            }
            QVERIFY2(readUntil(probe, out, "RUNNING", 20000).contains("RUNNING\n"),
                     qPrintable(out));
            QProcess recorder;
            if (serverComes) {
                recorder.setProcessEnvironment(env);
                recorder.start("parec", {"-d", "test_sink.monitor", "--raw", "--format=s16le",
                                         "--channels=1", "--rate=16000"});
                QVERIFY(recorder.waitForStarted(5000) && recorder.waitForReadyRead(5000));
            }
            // Long enough for the output to settle before the speech ends.
            probe.write("SPEAK Is anybody there? This sentence is spoken to find out who hears "
                        "it, and it goes on for a while.\n");
            QVERIFY2(readUntil(probe, out, "STOPPED", 30000).contains("STOPPED\n"),
                     qPrintable(out));
            QVERIFY2(out.count("No sound output") == (serverComes ? 0 : 1), qPrintable(out));
            if (!serverComes) {
                continue;
            }
            recorder.terminate();
            recorder.waitForFinished(5000);
            const QByteArray raw = recorder.readAllStandardOutput();
            const std::span heard(reinterpret_cast<const qint16*>(raw.constData()), raw.size() / 2);
            QVERIFY(!heard.empty());
            const auto [low, high] = std::ranges::minmax(heard);
            QVERIFY2(std::max(-int(low), int(high)) > 1000, qPrintable(QString::number(high)));
        }
    }

    // A handed-over file whose opening runs an event loop of its own (a box saying the file
    // cannot be opened) while the other copy goes away: the first copy goes on.
    void aFileThatOpensABoxLeavesTheChannelWhole()
    {
        QTemporaryDir tmp;
        platform::SingleInstance first(tmp.filePath("x.lock"));
        QVERIFY(first.tryAcquire());
        QStringList opened;
        QVERIFY(first.listen([&opened](const QString& file) {
            QEventLoop box; // as a modal box runs one until it is answered
            QTimer::singleShot(300, &box, &QEventLoop::quit);
            box.exec();
            opened << file;
        }));
        for (const QString file : {"/nonexistent/one.txt", "/nonexistent/two.txt"}) {
            std::thread second([&] {
                platform::SingleInstance other(tmp.filePath("x.lock"));
                QVERIFY(other.handOff(file));
            });
            QTRY_COMPARE(opened.size() > 0 && opened.constLast() == file, true);
            second.join();
        }
    }

    // One process may ask twice; with nowhere to put the lock the program still starts.
    void lockInThisProcess()
    {
        QTemporaryDir tmp;
        platform::SingleInstance mine(tmp.filePath("x.lock"));
        QVERIFY(mine.tryAcquire());
        QVERIFY(mine.tryAcquire());
        platform::SingleInstance nowhere(tmp.filePath("missing/dir/x.lock"));
        QVERIFY(nowhere.tryAcquire());
    }
};

QTEST_MAIN(tst_Start)
#include "tst_Start.moc"
