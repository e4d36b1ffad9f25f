#include "SpeechTestSupport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>

using namespace speechtest;

// The device output and a real sound server of the test's own that comes late, goes away
// and comes back: speech is heard whenever the server is there, every utterance ends with
// one AudioStop, and a run without any output says so once.
class tst_SoundServer : public QObject
{
    Q_OBJECT

    enum class Server { Starts, RestartsWhileIdle, DiesWhileSpeaking, ChangesDefaultDevice };

    QTemporaryDir m_runtime;
    std::unique_ptr<speech::DirectSS> m_control;
    std::unique_ptr<QSignalSpy> m_missing;

    bool script(const QString& function, const QStringList& arguments = {})
    {
        QProcess shell;
        shell.start(
            QStringLiteral("bash"),
            QStringList{QStringLiteral("-c"),
                        QStringLiteral("source \"%1/scripts/test-services.sh\" && %2 \"$@\"")
                            .arg(QStringLiteral(PARLANZA_SOURCE_DIR), function),
                        QStringLiteral("bash"), m_runtime.path()} +
                arguments);
        return shell.waitForFinished(15000) && shell.exitCode() == 0;
    }

    static bool pactl(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("pactl"), arguments);
        return process.waitForFinished(5000) && process.exitCode() == 0;
    }

    // Speaks and records the sink's monitor meanwhile: the loudness heard, or -1 when the
    // utterance did not end with exactly one AudioStop.
    double speakAndListen(const QString& monitor)
    {
        QProcess recorder;
        recorder.start(QStringLiteral("parec"),
                       {QStringLiteral("-d"), monitor, QStringLiteral("--raw"),
                        QStringLiteral("--format=s16le"), QStringLiteral("--channels=1"),
                        QStringLiteral("--rate=16000")});
        if (!recorder.waitForStarted() || !recorder.waitForReadyRead(3000)) {
            return -1;
        }
        QSignalSpy stopped(m_control.get(), &speech::SpeechControl::AudioStop);
        m_control->speak(QStringLiteral("Can you hear me?"));
        const bool ended = stopped.wait(6000);
        QTest::qWait(300);
        recorder.terminate();
        recorder.waitForFinished(3000);
        const QByteArray bytes = recorder.readAllStandardOutput();
        if (!ended || stopped.count() != 1) {
            return -1;
        }
        return rms(samplesOf(bytes));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
            QSKIP("pulseaudio and parec (packages pulseaudio, pulseaudio-utils) are needed.");
        }
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        qputenv("PULSE_SERVER", QFile::encodeName("unix:" + m_runtime.path() + "/pulse/native"));
        // Made while there is no server at all.
        m_control = std::make_unique<speech::DirectSS>();
        m_missing = std::make_unique<QSignalSpy>(m_control.get(),
                                                 &speech::SpeechControl::SoundOutputMissing);
        m_control->selectVoice(voiceNumber(*m_control, QStringLiteral("Sam")));
    }

    void cleanupTestCase()
    {
        m_control.reset();
        script(QStringLiteral("parlanza_kill_pulseaudio_in"));
    }

    void speechIsHeardWheneverTheServerIsThere_data()
    {
        QTest::addColumn<Server>("server");
        QTest::newRow("starts after the program") << Server::Starts;
        QTest::newRow("restarts while idle") << Server::RestartsWhileIdle;
        QTest::newRow("dies while speaking") << Server::DiesWhileSpeaking;
        QTest::newRow("changes its default device") << Server::ChangesDefaultDevice;
    }

    void speechIsHeardWheneverTheServerIsThere()
    {
        QFETCH(Server, server);
        QString monitor = QStringLiteral("test_sink.monitor");
        QSignalSpy stopped(m_control.get(), &speech::SpeechControl::AudioStop);
        switch (server) {
        case Server::Starts:
            // Without any output speaking still ends in time, and the user is told once.
            for (int i = 0; i < 2; ++i) {
                m_control->speak(QStringLiteral("Nobody hears this."));
                QVERIFY(stopped.wait(5000));
            }
            QCOMPARE(stopped.count(), 2);
            QCOMPARE(m_missing->count(), 1);
            QVERIFY(script(QStringLiteral("parlanza_pulseaudio_in")));
            break;
        case Server::RestartsWhileIdle:
            QVERIFY(script(QStringLiteral("parlanza_kill_pulseaudio_in")));
            QTest::qWait(200);
            QVERIFY(script(QStringLiteral("parlanza_pulseaudio_in")));
            break;
        case Server::DiesWhileSpeaking:
            m_control->speak(QStringLiteral("The server dies while this is said."));
            QTest::qWait(700);
            QVERIFY(script(QStringLiteral("parlanza_kill_pulseaudio_in")));
            QVERIFY(stopped.wait(8000));
            QTest::qWait(500);
            QCOMPARE(stopped.count(), 1);
            QVERIFY(script(QStringLiteral("parlanza_pulseaudio_in")));
            break;
        case Server::ChangesDefaultDevice:
            QVERIFY(pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                           QStringLiteral("sink_name=other_sink"), QStringLiteral("rate=48000"),
                           QStringLiteral("norewinds=1")}));
            QVERIFY(pactl({QStringLiteral("set-default-sink"), QStringLiteral("other_sink")}));
            monitor = QStringLiteral("other_sink.monitor");
            break;
        }
        const double heard = speakAndListen(monitor);
        QVERIFY2(heard > 300, qPrintable(QString::number(heard)));
        QCOMPARE(m_missing->count(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_SoundServer)
#include "tst_SoundServer.moc"
