#include "SpeechTestSupport.h"
#include "TestFiles.h"
#include "platform/EventLog.h"

#include <QStandardPaths>
#include <QTemporaryDir>

using namespace speechtest;

// The device output without a sound server and with one of the test's own: with no device
// at all speech keeps time silently and the user is told once; ALSA's default device (here
// its file plugin writing all it is given to a raw file) plays every sample once; a server
// that comes late takes over, and one that goes away and comes back is heard whenever it is
// there. Every utterance ends with one AudioStop.
class tst_SoundOutputs : public QObject
{
    Q_OBJECT

    enum class Server { ComesAfterTheProgram, RestartsWhileIdle, DiesWhileSpeaking, ChangesDevice };

    QTemporaryDir m_dir;
    std::unique_ptr<speech::DirectSS> m_control; // made while there is no output at all
    std::unique_ptr<QSignalSpy> m_missing;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    static qint64 fileSize(const QString& file) { return QFileInfo(file).size(); }

    // The only ALSA configuration the library reads from here on. A new file each time:
    // the library keeps what it read while the file's name and time stay the same.
    bool useAlsaDefault(const QString& definition)
    {
        static int configs = 0;
        const QString config = path(QStringLiteral("asound%1.conf").arg(++configs));
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config));
        QFile file(config);
        return file.open(QIODevice::WriteOnly) &&
               file.write(QStringLiteral("pcm.!default {\n%1\n}\n").arg(definition).toUtf8()) > 0;
    }

    bool fileDevice(const QString& raw)
    {
        QFile::remove(raw);
        return useAlsaDefault(
            QStringLiteral("type file\nslave.pcm { type null }\nfile \"%1\"\nformat raw").arg(raw));
    }

    // Runs a function of the test services' script on the test's own server.
    bool script(const QString& function)
    {
        QProcess shell;
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"),
                     QStringLiteral("source \"%1/scripts/test-services.sh\" && %2 \"$@\"")
                         .arg(QStringLiteral(PARLANZA_SOURCE_DIR), function),
                     QStringLiteral("bash"), path(QStringLiteral("runtime"))});
        return shell.waitForFinished(15000) && shell.exitCode() == 0;
    }

    static bool pactl(const QStringList& arguments)
    {
        QProcess process;
        process.start(QStringLiteral("pactl"), arguments);
        return process.waitForFinished(5000) && process.exitCode() == 0;
    }

    // Speaks while recording the monitor: what was heard, or nothing when the utterance did
    // not end with exactly one AudioStop.
    static QVector<qint16> speakAndListen(speech::DirectSS& control, const QString& monitor)
    {
        MonitorRecording heard;
        if (!heard.start(monitor)) {
            return {};
        }
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.speak(QStringLiteral("Can you hear me?"));
        const bool ended = stopped.wait(6000) && heard.reach(heard.now() + 300);
        heard.stop();
        if (!ended || stopped.count() != 1) {
            return {};
        }
        const std::span<const qint16> samples = heard.samples();
        return {samples.begin(), samples.end()};
    }

    // Long enough that the pause comes while synthesis, which the file device keeps up
    // with, is still going.
    static QString text()
    {
        return QStringLiteral("The quick brown fox jumps over the lazy dog, and then it runs "
                              "far into the woods. ")
            .repeated(3);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // A runtime folder without a server in it, a server address nobody answers, and a
        // default ALSA device that cannot be opened.
        QDir(m_dir.path()).mkdir(QStringLiteral("runtime"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path(QStringLiteral("runtime"))));
        qputenv("PULSE_SERVER",
                QFile::encodeName("unix:" + path(QStringLiteral("runtime/pulse/native"))));
        QVERIFY(useAlsaDefault(QStringLiteral("type hw\ncard 7")));
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

    // The tests of a server of the test's own need one to start.
    void init()
    {
        if (QByteArray(QTest::currentTestFunction()).contains("Server") &&
            (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
             QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty())) {
            QSKIP("pulseaudio and parec (packages pulseaudio, pulseaudio-utils) are needed.");
        }
    }

    void withoutAnyOutputSpeechKeepsTime()
    {
        QSignalSpy stopped(m_control.get(), &speech::SpeechControl::AudioStop);
        for (int i = 0; i < 2; ++i) {
            QElapsedTimer timer;
            timer.start();
            m_control->speak(QStringLiteral("Nobody hears this."));
            QVERIFY(stopped.wait(5000));
            QVERIFY2(timer.elapsed() > 700, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(stopped.count(), 2);
        QCOMPARE(m_missing->count(), 1);
    }

    // The control made while there was no output at all hears the server that comes after
    // it, and goes on hearing it through what the server goes through.
    void speechIsHeardWheneverTheServerIsThere_data()
    {
        QTest::addColumn<Server>("server");
        QTest::newRow("comes after the program") << Server::ComesAfterTheProgram;
        QTest::newRow("restarts while idle") << Server::RestartsWhileIdle;
        QTest::newRow("dies while speaking") << Server::DiesWhileSpeaking;
        QTest::newRow("changes its default device") << Server::ChangesDevice;
    }

    void speechIsHeardWheneverTheServerIsThere()
    {
        QFETCH(Server, server);
        QString monitor = QStringLiteral("test_sink.monitor");
        QSignalSpy stopped(m_control.get(), &speech::SpeechControl::AudioStop);
        switch (server) {
        case Server::ComesAfterTheProgram:
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
        case Server::ChangesDevice:
            QVERIFY(pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                           QStringLiteral("sink_name=other_sink"), QStringLiteral("rate=48000"),
                           QStringLiteral("norewinds=1")}));
            QVERIFY(pactl({QStringLiteral("set-default-sink"), QStringLiteral("other_sink")}));
            monitor = QStringLiteral("other_sink.monitor");
            break;
        }
        const double heard = rms(speakAndListen(*m_control, monitor));
        QVERIFY2(heard > 300, qPrintable(QString::number(heard)));
        QCOMPARE(m_missing->count(), 1);
    }
    void soundGoesToAlsa_data()
    {
        QTest::addColumn<bool>("pause");
        QTest::newRow("straight through") << false;
        QTest::newRow("paused and resumed") << true;
    }

    // From here on no server again, and no control but the test's own: another one would
    // take the server that comes in the last test for itself.
    void soundGoesToAlsa()
    {
        QFETCH(bool, pause);
        m_missing.reset();
        m_control.reset();
        QVERIFY(script(QStringLiteral("parlanza_kill_pulseaudio_in")));
        const QString raw = path(QStringLiteral("out.raw"));
        QVERIFY(fileDevice(raw));
        platform::EventLogCapture log;
        auto control = std::make_unique<speech::DirectSS>();
        QSignalSpy missing(control.get(), &speech::SpeechControl::SoundOutputMissing);
        const QVector<qint16> rendered =
            renderedSamples(*control, QStringLiteral("Sam"), text(), path("reference.wav"));
        QVERIFY(rendered.size() > audio::AudioOutput::SampleRate);

        QSignalSpy stopped(control.get(), &speech::SpeechControl::AudioStop);
        control->speak(text());
        if (pause) {
            QDeadlineTimer sounding(5000);
            while (fileSize(raw) == 0 && !sounding.hasExpired()) {
                QTest::qWait(1);
            }
            control->pause();
            const qint64 before = fileSize(raw);
            QTest::qWait(300);
            // Nothing reaches the device while paused.
            QCOMPARE(fileSize(raw), before);
            QVERIFY2(before < rendered.size() * 2, "the pause came after the whole text");
            control->resume();
        }
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 10000);
        QTest::qWait(300);
        QCOMPARE(stopped.count(), 1);
        // Closing the device writes out what the file plugin still buffers.
        control.reset();

        const QByteArray bytes = testfiles::read(raw);
        const std::span<const qint16> played = samplesOf(bytes);
        const auto count = qsizetype(played.size());
        // Every sample once, in order: what was rendered to a file, sample for sample.
        QVERIFY2(
            std::abs(count - rendered.size()) <= 32,
            qPrintable(
                QStringLiteral("%1 samples played, %2 rendered").arg(count).arg(rendered.size())));
        QVERIFY(std::equal(played.begin(), played.begin() + std::min(count, rendered.size()),
                           rendered.cbegin()));
        QVERIFY(rms(played) > 300);
        QCOMPARE(missing.count(), 0);
        QVERIFY(log.entries(platform::LogLevel::Warning).isEmpty());
    }

    // The server comes while the program speaks to ALSA: sound moves there and no longer
    // reaches ALSA.
    void serverThatComesTakesOverFromAlsa()
    {
        const QString raw = path(QStringLiteral("late.raw"));
        QVERIFY(fileDevice(raw));
        platform::EventLogCapture log;
        speech::DirectSS control;
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.selectVoice(voiceNumber(control, QStringLiteral("Sam")));
        control.speak(QStringLiteral("This goes to the device."));
        QVERIFY(stopped.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(raw) > 0, 2000);

        QVERIFY(script(QStringLiteral("parlanza_pulseaudio_in")));
        const auto onServer = [&log] {
            const QList<platform::LogEntry> entries = log.entries();
            return std::any_of(entries.begin(), entries.end(), [](const auto& entry) {
                return entry.text.contains(QLatin1String("through the sound server"));
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(onServer(), 5000);
        // ALSA is closed by now, and the file plugin has written out its last period.
        QTest::qWait(200);
        const qint64 before = fileSize(raw);
        const QVector<qint16> heard = speakAndListen(control, QStringLiteral("test_sink.monitor"));
        const auto loud = std::count_if(heard.cbegin(), heard.cend(),
                                        [](qint16 sample) { return std::abs(sample) > 1000; });
        QVERIFY2(loud > 1000, qPrintable(QString::number(loud)));
        QCOMPARE(fileSize(raw), before);
        QCOMPARE(stopped.count(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_SoundOutputs)
#include "tst_SoundOutputs.moc"
