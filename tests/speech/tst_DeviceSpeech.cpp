#include "SpeechTestSupport.h"
#include "audio/DeviceAudioOutput.h"
#include "platform/EventLog.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>

using namespace speechtest;

// Speech through a real sound server: what the null sink's monitor records while the
// control speaks, is paused, resumes and is stopped.
class tst_DeviceSpeech : public QObject
{
    Q_OBJECT

private:
    static constexpr int RecordRate = 16000;
    QProcess m_recorder;
    QByteArray m_recorded;
    QElapsedTimer m_clock;
    qint64 m_firstByteMs = -1;

    void startRecording()
    {
        m_recorded.clear();
        m_firstByteMs = -1;
        m_clock.start();
        connect(&m_recorder, &QProcess::readyReadStandardOutput, this, [this] {
            if (m_firstByteMs < 0) {
                m_firstByteMs = m_clock.elapsed();
            }
            m_recorded += m_recorder.readAllStandardOutput();
        });
        m_recorder.start("parec",
                         {"-d", "@DEFAULT_MONITOR@", "--raw", "--format=s16le", "--channels=1",
                          QStringLiteral("--rate=%1").arg(RecordRate), "--latency-msec=10"});
        QVERIFY(m_recorder.waitForStarted());
        QTRY_VERIFY(m_recorded.size() > RecordRate / 5);
        // Recording time and wall time agree from here, give or take the latency.
        m_recorded.clear();
        m_firstByteMs = -1;
        QTRY_VERIFY(m_firstByteMs >= 0);
    }

    void stopRecording()
    {
        m_recorder.terminate();
        m_recorder.waitForFinished(3000);
        m_recorded += m_recorder.readAllStandardOutput();
        m_recorder.disconnect(this);
    }

    // The moment on m_clock of the last sample louder than the threshold.
    qint64 lastSoundMs(qint64 fromMs) const
    {
        const auto* samples = reinterpret_cast<const qint16*>(m_recorded.constData());
        qsizetype last = sampleAt(fromMs);
        for (qsizetype i = std::max<qsizetype>(0, sampleAt(fromMs)); i < m_recorded.size() / 2;
             ++i) {
            if (std::abs(samples[i]) > 200) {
                last = i;
            }
        }
        return m_firstByteMs + last * 1000 / RecordRate;
    }

    qsizetype sampleAt(qint64 ms) const
    {
        return qsizetype((ms - m_firstByteMs) * RecordRate / 1000);
    }

    double level(qint64 fromMs, qint64 toMs) const
    {
        return rms(samplesOf(m_recorded), sampleAt(fromMs), sampleAt(toMs));
    }

private Q_SLOTS:
    // The tests that listen at the monitor skip where there is no sound server, and fail
    // where the test run promised one.
    void init()
    {
        if (!QByteArray(QTest::currentTestFunction()).endsWith("Heard")) {
            return;
        }
        QString missing;
        if (!audio::DeviceAudioOutput::deviceAvailable()) {
            missing = "No audio device opens (./test.sh starts a PulseAudio test server).";
        } else if (QStandardPaths::findExecutable("parec").isEmpty()) {
            missing = "parec (package pulseaudio-utils) is not installed.";
        }
        if (!missing.isEmpty() && !qEnvironmentVariableIsEmpty("PARLANZA_REQUIRE_AUDIO_DEVICE")) {
            QFAIL(qPrintable(missing));
        } else if (!missing.isEmpty()) {
            QSKIP(qPrintable(missing));
        }
    }

    void failingDeviceStillEndsSpeech()
    {
        // Run with and without a sound server: without one the device output fails to
        // open and must keep time by itself.
        platform::EventLogCapture log;
        speech::DirectSS control(std::make_unique<audio::DeviceAudioOutput>());
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.selectVoice(voiceNumber(control, "Sam"));
        QElapsedTimer timer;
        timer.start();
        control.speak(QStringLiteral("Hello there."));
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 5000);
        QVERIFY2(timer.elapsed() > 500, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(log.entries(platform::LogLevel::Warning).size(),
                 audio::DeviceAudioOutput::deviceAvailable() ? 0 : 1);
    }

    void speechPauseResumeAndStopAreHeard()
    {
        speech::DirectSS control;
        QVERIFY(control.output()->isDevice());
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);

        startRecording();

        const qint64 quietBefore = m_clock.elapsed();
        QTest::qWait(400);
        control.selectVoice(voiceNumber(control, "English (America)"));
        control.setSpeed(150);
        control.setPitch(150);
        const qint64 spoke = m_clock.elapsed();
        control.speak(
            QStringLiteral("Speech keeps on going without a break in it, on and on and on. ")
                .repeated(20));
        QTest::qWait(1500);
        const qint64 paused = m_clock.elapsed();
        control.pause();
        QTest::qWait(1200);
        const qint64 resumed = m_clock.elapsed();
        control.resume();
        QTest::qWait(1500);
        const qint64 stoppedAt = m_clock.elapsed();
        control.stop();
        QTRY_COMPARE(stopped.count(), 1);
        QTest::qWait(1000);
        const qint64 end = m_clock.elapsed();
        stopRecording();

        const double silence = level(quietBefore, spoke);
        const double speaking = level(spoke + 400, paused);
        const double whilePaused = level(paused + 350, resumed);
        const double again = level(resumed + 400, stoppedAt);
        const double afterStop = level(stoppedAt + 300, end);
        const QString levels =
            QString::asprintf("before %.1f, speaking %.1f, paused %.1f, resumed %.1f, stopped %.1f",
                              silence, speaking, whilePaused, again, afterStop);
        qInfo().noquote() << levels;
        // How long sound went on after the stop call, for the record.
        qInfo() << "sound after stop:" << lastSoundMs(stoppedAt) - stoppedAt << "ms";
        QVERIFY2(speaking > 500, qPrintable(levels));
        QVERIFY2(again > 500, qPrintable(levels));
        QVERIFY2(whilePaused >= 0 && whilePaused < 20, qPrintable(levels));
        QVERIFY2(afterStop >= 0 && afterStop < 20, qPrintable(levels));
        QCOMPARE(stopped.count(), 1);
    }

    // The end is reported when the last sample is heard, not when it was handed over.
    void shortUtteranceEndsWhenHeard()
    {
        speech::DirectSS control;
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        qint64 stoppedAt = -1;
        connect(&control, &speech::SpeechControl::AudioStop, this,
                [&] { stoppedAt = m_clock.elapsed(); });
        const QString text = QStringLiteral("Hello there.");
        QTemporaryDir dir;
        QVERIFY(render(control, "Mary", text, dir.filePath("hello.wav")));
        const qint64 lengthMs = readWave(dir.filePath("hello.wav")).samples.size() * 1000 /
                                audio::AudioOutput::SampleRate;
        stopped.clear();
        startRecording();
        const qint64 spoke = m_clock.elapsed();
        control.speak(text);
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 5000);
        QTest::qWait(500);
        stopRecording();
        const qint64 heardUntil = lastSoundMs(spoke);
        qInfo() << "utterance of" << lengthMs << "ms: last sound after" << heardUntil - spoke
                << "ms, AudioStop after" << stoppedAt - spoke << "ms";
        QVERIFY2(heardUntil - spoke > 600, qPrintable(QString::number(heardUntil - spoke)));
        QVERIFY2(stoppedAt >= heardUntil, qPrintable(QString::number(stoppedAt - heardUntil)));
        // Its last sample, silence included, has been handed to the server, which may
        // still hold a few of its milliseconds.
        QVERIFY2(stoppedAt - spoke >= lengthMs - 150 && stoppedAt - spoke < lengthMs + 300,
                 qPrintable(QString::number(stoppedAt - spoke)));
        QCOMPARE(stopped.count(), 1);
        QVERIFY(control.isIdle());
    }

    void startSoundPlaysToTheEnd()
    {
        // Without a device the start sound still takes its time, on the silent output.
        speech::DirectSS control;
        // A one-second tone written the way any wave file is.
        const QString path = QDir::temp().filePath(QStringLiteral("parlanza-tone.wav"));
        {
            SF_INFO info{};
            info.samplerate = 44100;
            info.channels = 2;
            info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
            SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
            QVERIFY(file != nullptr);
            QVector<qint16> tone(qsizetype(44100) * 2);
            for (qsizetype i = 0; i < 44100; ++i) {
                tone[2 * i] = tone[2 * i + 1] =
                    qint16(8000 * std::sin(2 * M_PI * 440 * i / 44100.0));
            }
            sf_write_short(file, tone.constData(), tone.size());
            sf_close(file);
        }
        QElapsedTimer timer;
        timer.start();
        QVERIFY(control.playWaveFile(path));
        const qint64 took = timer.elapsed();
        QFile::remove(path);
        QVERIFY2(took >= 900 && took < 2500, qPrintable(QString::number(took)));
        QVERIFY(!control.playWaveFile(QStringLiteral("/no/such/start.wav")));
    }
};

QTEST_GUILESS_MAIN(tst_DeviceSpeech)
#include "tst_DeviceSpeech.moc"
