#include "SpeechTestSupport.h"
#include "TestFiles.h"
#include "platform/EventLog.h"

#include <QStandardPaths>
#include <QTemporaryDir>

using namespace speechtest;

// The device output without a sound server and with one of the test's own: with no device
// at all speech and the start sound keep time silently and the user is told once; a server
// that comes late takes over, and one that goes away and comes back is heard whenever it is
// there; pause, resume and stop are heard at its monitor, and an utterance ends when its
// last sample is heard; ALSA's default device (here its file plugin writing all it is given
// to a raw file) plays every sample once. Every utterance ends with one AudioStop.
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
        return testfiles::write(config,
                                QStringLiteral("pcm.!default {\n%1\n}\n").arg(definition).toUtf8());
    }

    bool fileDevice(const QString& raw)
    {
        QFile::remove(raw);
        return useAlsaDefault(
            QStringLiteral("type file\nslave.pcm { type null }\nfile \"%1\"\nformat raw").arg(raw));
    }

    static bool run(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.start(program, arguments);
        return process.waitForFinished(15000) && process.exitCode() == 0;
    }

    // Runs a function of the test services' script on the test's own server.
    bool script(const QString& function)
    {
        return run("bash", {"-c",
                            QStringLiteral("source \"%1/scripts/test-services.sh\" && %2 \"$@\"")
                                .arg(QStringLiteral(PARLANZA_SOURCE_DIR), function),
                            "bash", path("runtime")});
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
        control.speak("Can you hear me?");
        const bool ended = stopped.wait(6000) && heard.reach(heard.now() + 300);
        heard.stop();
        if (!ended || stopped.count() != 1) {
            return {};
        }
        return {heard.samples().begin(), heard.samples().end()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // A runtime folder without a server in it, a server address nobody answers, and a
        // default ALSA device that cannot be opened.
        QDir(m_dir.path()).mkdir("runtime");
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path("runtime")));
        qputenv("PULSE_SERVER", QFile::encodeName("unix:" + path("runtime/pulse/native")));
        QVERIFY(useAlsaDefault("type hw\ncard 7"));
        m_control = std::make_unique<speech::DirectSS>();
        m_missing = std::make_unique<QSignalSpy>(m_control.get(),
                                                 &speech::SpeechControl::SoundOutputMissing);
        m_control->selectVoice(voiceNumber(*m_control, "Sam"));
    }

    void cleanupTestCase()
    {
        m_control.reset();
        script("parlanza_kill_pulseaudio_in");
    }

    // The tests of a server of the test's own, and those that listen to it, need one.
    void init()
    {
        const QByteArray name = QTest::currentTestFunction();
        if ((name.contains("Server") || name.endsWith("Heard")) &&
            (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
             QStandardPaths::findExecutable("parec").isEmpty())) {
            QSKIP("pulseaudio and parec (packages pulseaudio, pulseaudio-utils) are needed.");
        }
    }

    void withoutAnyOutputSpeechKeepsTime()
    {
        QSignalSpy stopped(m_control.get(), &speech::SpeechControl::AudioStop);
        for (int i = 0; i < 2; ++i) {
            QElapsedTimer timer;
            timer.start();
            m_control->speak("Nobody hears this.");
            QVERIFY(stopped.wait(5000));
            QVERIFY2(timer.elapsed() > 700, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(stopped.count(), 2);
        QCOMPARE(m_missing->count(), 1);
    }

    // Without a device the start sound still takes its time, on the silent output.
    void startSoundPlaysToTheEnd()
    {
        speech::DirectSS control;
        // A one-second tone of another rate and in stereo, written the way any wave file is.
        const QString tone = path("tone.wav");
        SF_INFO info{0, 44100, 2, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0, 0};
        SNDFILE* file = sf_open(QFile::encodeName(tone).constData(), SFM_WRITE, &info);
        QVERIFY(file != nullptr);
        QVector<qint16> samples(qsizetype(44100) * 2);
        for (qsizetype i = 0; i < samples.size(); ++i) {
            const qsizetype frame = i / 2; // both channels of a frame alike
            samples[i] = qint16(8000 * std::sin(2 * M_PI * 440 * double(frame) / 44100.0));
        }
        sf_write_short(file, samples.constData(), samples.size());
        sf_close(file);
        QElapsedTimer timer;
        timer.start();
        QVERIFY(control.playWaveFile(tone));
        const qint64 took = timer.elapsed();
        QVERIFY2(took >= 900 && took < 2500, qPrintable(QString::number(took)));
        QVERIFY(!control.playWaveFile("/no/such/start.wav"));
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
        QString monitor = "test_sink.monitor";
        QSignalSpy stopped(m_control.get(), &speech::SpeechControl::AudioStop);
        switch (server) {
        case Server::ComesAfterTheProgram:
            QVERIFY(script("parlanza_pulseaudio_in"));
            break;
        case Server::RestartsWhileIdle:
            QVERIFY(script("parlanza_kill_pulseaudio_in"));
            // Gone for the program too before it comes back.
            QTRY_VERIFY(!m_control->soundOutputReached());
            QVERIFY(script("parlanza_pulseaudio_in"));
            break;
        case Server::DiesWhileSpeaking: {
            const qint64 from = m_control->output()->playedPosition();
            m_control->speak("The server dies while this is said.");
            QTRY_VERIFY(m_control->output()->playedPosition() > from + Rate / 4);
            QVERIFY(script("parlanza_kill_pulseaudio_in"));
            QVERIFY(stopped.wait(8000));
            QTest::qWait(500);
            QCOMPARE(stopped.count(), 1);
            QVERIFY(script("parlanza_pulseaudio_in"));
            break;
        }
        case Server::ChangesDevice:
            QVERIFY(run("pactl", {"load-module", "module-null-sink", "sink_name=other_sink",
                                  "rate=48000", "norewinds=1"}));
            QVERIFY(run("pactl", {"set-default-sink", "other_sink"}));
            monitor = "other_sink.monitor";
            break;
        }
        const double heard = rms(speakAndListen(*m_control, monitor));
        QVERIFY2(heard > 300, qPrintable(QString::number(heard)));
        QCOMPARE(m_missing->count(), 1);
    }

    // What the monitor records while a control made with the server there speaks, is
    // paused, resumes and is stopped.
    void speechPauseResumeAndStopAreHeard()
    {
        speech::DirectSS control;
        QVERIFY(control.output()->isDevice());
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);

        MonitorRecording heard;
        QVERIFY(heard.start());
        control.selectVoice(voiceNumber(control, "English (America)"));
        control.setSpeed(150);
        control.setPitch(150);
        const qint64 spoke = heard.now();
        control.speak(
            QStringLiteral("Speech keeps on going without a break in it, on and on and on. ")
                .repeated(20));
        QVERIFY(heard.reach(spoke + 1500));
        const qint64 paused = heard.now();
        control.pause();
        QVERIFY(heard.reach(paused + 1200));
        const qint64 resumed = heard.now();
        control.resume();
        QVERIFY(heard.reach(resumed + 1500));
        const qint64 stoppedAt = heard.now();
        control.stop();
        QTRY_COMPARE(stopped.count(), 1);
        const qint64 end = stoppedAt + 1000;
        QVERIFY(heard.reach(end));
        heard.stop();

        const double speaking = heard.level(spoke + 400, paused);
        const double whilePaused = heard.level(paused + 350, resumed);
        const double again = heard.level(resumed + 400, stoppedAt);
        const double afterStop = heard.level(stoppedAt + 300, end);
        const QString levels =
            QString::asprintf("speaking %.1f, paused %.1f, resumed %.1f, stopped %.1f", speaking,
                              whilePaused, again, afterStop);
        QVERIFY2(speaking > 500, qPrintable(levels));
        QVERIFY2(again > 500, qPrintable(levels));
        QVERIFY2(whilePaused >= 0 && whilePaused < 20, qPrintable(levels));
        QVERIFY2(afterStop >= 0 && afterStop < 20, qPrintable(levels));
        QCOMPARE(stopped.count(), 1);
    }

    // The end is reported when the last sample is heard, not when it was handed over, and
    // the device says nothing is amiss.
    void shortUtteranceEndsWhenHeard()
    {
        platform::EventLogCapture log;
        speech::DirectSS control;
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        const QString text = "Hello there.";
        QVERIFY(render(control, "Mary", text, path("hello.wav")));
        const qint64 lengthMs = readSound(path("hello.wav")).samples.size() * 1000 / Rate;
        stopped.clear();
        MonitorRecording heard;
        QVERIFY(heard.start());
        qint64 stoppedAt = -1;
        connect(&control, &speech::SpeechControl::AudioStop, this,
                [&] { stoppedAt = heard.now(); });
        const qint64 spoke = heard.now();
        control.speak(text);
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 5000);
        QVERIFY(heard.reach(heard.now() + 500));
        heard.stop();
        const qint64 heardUntil = heard.lastSoundMs(spoke);
        QVERIFY2(heardUntil - spoke > 600, qPrintable(QString::number(heardUntil - spoke)));
        QVERIFY2(stoppedAt >= heardUntil, qPrintable(QString::number(stoppedAt - heardUntil)));
        // Its last sample, silence included, has been handed to the server, which may
        // still hold a few of its milliseconds.
        QVERIFY2(stoppedAt - spoke >= lengthMs - 150 && stoppedAt - spoke < lengthMs + 300,
                 qPrintable(QString::number(stoppedAt - spoke)));
        QCOMPARE(stopped.count(), 1);
        QVERIFY(control.isIdle());
        QVERIFY(log.entries(platform::LogLevel::Warning).isEmpty());
    }

    // Every sample once, in order, through a pause. From here on no server again, and no
    // control but the test's own: another one would take the server that comes in the last
    // test for itself.
    void soundGoesToAlsa()
    {
        m_missing.reset();
        m_control.reset();
        QVERIFY(script("parlanza_kill_pulseaudio_in"));
        const QString raw = path("out.raw");
        QVERIFY(fileDevice(raw));
        platform::EventLogCapture log;
        auto control = std::make_unique<speech::DirectSS>();
        QSignalSpy missing(control.get(), &speech::SpeechControl::SoundOutputMissing);
        // Long enough that the pause comes while synthesis, which the file device keeps up
        // with, is still going.
        const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog, and "
                                            "then it runs far into the woods. ")
                                 .repeated(3);
        const QVector<qint16> rendered =
            renderedSamples(*control, "Sam", text, path("reference.wav"));
        QVERIFY(rendered.size() > Rate);

        QSignalSpy stopped(control.get(), &speech::SpeechControl::AudioStop);
        control->speak(text);
        QVERIFY(QTest::qWaitFor([&] { return fileSize(raw) > 0; }, 5000));
        control->pause();
        const qint64 before = fileSize(raw);
        QTest::qWait(300);
        // Nothing reaches the device while paused.
        QCOMPARE(fileSize(raw), before);
        QVERIFY2(before < rendered.size() * 2, "the pause came after the whole text");
        control->resume();
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
            qPrintable(QStringLiteral("%1 played, %2 rendered").arg(count).arg(rendered.size())));
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
        const QString raw = path("late.raw");
        QVERIFY(fileDevice(raw));
        platform::EventLogCapture log;
        speech::DirectSS control;
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.selectVoice(voiceNumber(control, "Sam"));
        control.speak("This goes to the device.");
        QVERIFY(stopped.wait(5000));
        QTRY_VERIFY_WITH_TIMEOUT(fileSize(raw) > 0, 2000);

        QVERIFY(script("parlanza_pulseaudio_in"));
        const auto onServer = [&log] {
            const QList<platform::LogEntry> entries = log.entries();
            return std::any_of(entries.begin(), entries.end(), [](const auto& entry) {
                return entry.text.contains("through the sound server");
            });
        };
        QTRY_VERIFY_WITH_TIMEOUT(onServer(), 5000);
        // ALSA is closed by now, and the file plugin has written out its last period.
        QTest::qWait(200);
        const qint64 before = fileSize(raw);
        const QVector<qint16> heard = speakAndListen(control, "test_sink.monitor");
        const auto loud = std::count_if(heard.cbegin(), heard.cend(),
                                        [](qint16 sample) { return std::abs(sample) > 1000; });
        QVERIFY2(loud > 1000, qPrintable(QString::number(loud)));
        QCOMPARE(fileSize(raw), before);
        QCOMPARE(stopped.count(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_SoundOutputs)
#include "tst_SoundOutputs.moc"
