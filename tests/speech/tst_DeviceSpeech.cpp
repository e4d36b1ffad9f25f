#include "SpeechTestSupport.h"
#include "audio/DeviceAudioOutput.h"
#include "platform/EventLog.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace speechtest;

// Speech through a real sound server: what the null sink's monitor records while the
// control speaks, is paused, resumes and is stopped.
class tst_DeviceSpeech : public QObject
{
    Q_OBJECT

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

    void speechPauseResumeAndStopAreHeard()
    {
        speech::DirectSS control;
        QVERIFY(control.output()->isDevice());
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);

        MonitorRecording heard;
        QVERIFY(heard.start());
        const qint64 quietBefore = heard.now();
        QVERIFY(heard.reach(quietBefore + 400));
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

        const double silence = heard.level(quietBefore, spoke);
        const double speaking = heard.level(spoke + 400, paused);
        const double whilePaused = heard.level(paused + 350, resumed);
        const double again = heard.level(resumed + 400, stoppedAt);
        const double afterStop = heard.level(stoppedAt + 300, end);
        const QString levels =
            QString::asprintf("before %.1f, speaking %.1f, paused %.1f, resumed %.1f, stopped %.1f",
                              silence, speaking, whilePaused, again, afterStop);
        qInfo().noquote() << levels;
        // How long sound went on after the stop call, for the record.
        qInfo() << "sound after stop:" << heard.lastSoundMs(stoppedAt) - stoppedAt << "ms";
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
        const QString text = QStringLiteral("Hello there.");
        QTemporaryDir dir;
        QVERIFY(render(control, "Mary", text, dir.filePath("hello.wav")));
        const qint64 lengthMs = readWave(dir.filePath("hello.wav")).samples.size() * 1000 /
                                audio::AudioOutput::SampleRate;
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
        QVERIFY(log.entries(platform::LogLevel::Warning).isEmpty());
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
