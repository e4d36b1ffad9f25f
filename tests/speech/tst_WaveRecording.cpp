#include "SpeechTestSupport.h"
#include "TestFiles.h"
#include "platform/EventLog.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace speechtest;

// Rendering into wave files: standard files, the overwrite rule, stop during a
// recording, and failures that must leave an existing file and no temporary file.
class tst_WaveRecording : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SilentControl> m_silentControl;
    ManualSpeechClock* m_clock = nullptr;
    SilentAudioOutput* m_silent = nullptr;
    DirectSS* m_control = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;

    static QStringList filesIn(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private Q_SLOTS:
    void init()
    {
        m_silentControl = std::make_unique<SilentControl>();
        m_clock = m_silentControl->clock;
        m_silent = m_silentControl->output;
        m_control = m_silentControl->control.get();
        m_dir = std::make_unique<QTemporaryDir>();
    }

    void cleanup()
    {
        m_silentControl.reset();
        m_dir.reset();
    }

    void rendersStandardWaveFiles_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::newRow("espeak-ng language") << "English (America)";
        QTest::newRow("flite") << "Mary";
        QTest::newRow("with an effect") << "Mike in Stadium";
        QTest::newRow("slowed by libsonic") << "German";
    }

    void rendersStandardWaveFiles()
    {
        QFETCH(QString, voice);
        const QString path = m_dir->filePath(QStringLiteral("speech.wav"));
        QSignalSpy failed(m_control, &SpeechControl::RecordingFailed);
        m_control->setSpeed(voice == "German" ? 50 : 150);
        QVERIFY(
            render(*m_control, voice, QStringLiteral("Rendering into a file. Seven words."), path));
        // As fast as synthesis allows: the silent output's clock never moved.
        QCOMPARE(m_clock->nowMicroseconds(), 0);
        QCOMPARE(m_silent->playedSamples(), 0);
        QCOMPARE(failed.count(), 0);
        const WaveContents wave = readWave(path);
        QVERIFY(wave.ok);
        QCOMPARE(wave.rate, AudioOutput::SampleRate);
        QCOMPARE(wave.channels, 1);
        QCOMPARE(wave.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QVERIFY(wave.samples.size() > AudioOutput::SampleRate);
        QVERIFY(testfiles::read(path).startsWith("RIFF"));
        QCOMPARE(filesIn(m_dir->path()), QStringList{"speech.wav"});
        QCOMPARE(m_control->lastResult(), SpeechControl::ResultOk);
    }

    // A long text is spoken in pieces; they join as espeak-ng speaks the whole text, with
    // each sentence's pause kept.
    void piecesJoinAsTheWholeText()
    {
        if (QStandardPaths::findExecutable("espeak-ng").isEmpty()) {
            QSKIP("espeak-ng (the command) is not installed.");
        }
        QString text;
        for (int i = 0; text.size() < 5000; ++i) {
            text += QStringLiteral("Sentence number %1 ends here. ").arg(i);
        }
        const QString ours = m_dir->filePath(QStringLiteral("ours.wav"));
        QVERIFY(render(*m_control, "English (America)", text, ours));
        const QString theirs = m_dir->filePath(QStringLiteral("theirs.wav"));
        QProcess espeak;
        espeak.start("espeak-ng", {"-v", "gmw/en-US", "-w", theirs, text});
        QVERIFY(espeak.waitForFinished(30000));
        const qsizetype ourLength = readWave(ours).samples.size();
        const qsizetype theirLength = readWave(theirs).samples.size();
        QVERIFY(theirLength > 0);
        QVERIFY2(qAbs(ourLength - theirLength) < theirLength / 500,
                 qPrintable(QStringLiteral("%1 vs %2 samples").arg(ourLength).arg(theirLength)));
    }

    void replacesAnExistingFileOnlyWhenComplete()
    {
        const QString path = m_dir->filePath(QStringLiteral("old.wav"));
        QVERIFY(testfiles::write(path, "an older file"));
        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        m_control->selectVoice(voiceNumber(*m_control, "Mary"));
        m_control->setOutputFile(path);
        m_control->speak(QStringLiteral("A long recording takes a while to render. ").repeated(15));
        // While it renders, the old file is still all there is at the path.
        QTest::qWait(100);
        if (stopped.count() == 0) {
            QCOMPARE(testfiles::read(path), QByteArray("an older file"));
            QCOMPARE(filesIn(m_dir->path()), QStringList{"old.wav"});
        }
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 60000);
        QVERIFY(readWave(path).samples.size() > qsizetype(AudioOutput::SampleRate) * 10);
        QCOMPARE(filesIn(m_dir->path()), QStringList{"old.wav"});
    }

    void stopLeavesTheOldFile()
    {
        const QString path = m_dir->filePath(QStringLiteral("stopped.wav"));
        QVERIFY(testfiles::write(path, "an older file"));
        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        QSignalSpy failed(m_control, &SpeechControl::RecordingFailed);
        m_control->selectVoice(voiceNumber(*m_control, "Mike"));
        m_control->setOutputFile(path);
        m_control->speak(QStringLiteral("This book is far too long to finish. ").repeated(2000));
        QTest::qWait(300);
        m_control->stop();
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 10000);
        QTest::qWait(50);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(failed.count(), 0);
        QCOMPARE(testfiles::read(path), QByteArray("an older file"));
        QCOMPARE(filesIn(m_dir->path()), QStringList{"stopped.wav"});
    }

    void afterRecordingSpeechIsHeardAgain()
    {
        const QString path = m_dir->filePath(QStringLiteral("once.wav"));
        QVERIFY(render(*m_control, "Sam", QStringLiteral("Into the file."), path));
        QFile::remove(path);
        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        m_control->speak(QStringLiteral("Out loud."));
        QVERIFY(playUntil(*m_control, *m_clock, [&] { return stopped.count() == 1; }));
        QVERIFY(m_silent->playedSamples() > 0);
        QVERIFY(filesIn(m_dir->path()).isEmpty());
    }

    void failuresKeepTheOldFileAndLeaveNoTemporary_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing folder") << "missing";
        QTest::newRow("read-only folder") << "readonly";
        QTest::newRow("file size limit") << "full";
        QTest::newRow("path is a folder") << "folder";
    }

    void failuresKeepTheOldFileAndLeaveNoTemporary()
    {
        QFETCH(QString, kind);
        const QString folder = m_dir->filePath(QStringLiteral("target"));
        QVERIFY(QDir().mkpath(folder));
        QString path = folder + QStringLiteral("/speech.wav");
        QVERIFY(testfiles::write(path, "precious older take"));
        QStringList before = filesIn(folder);
        rlimit oldLimit{};
        if (kind == "missing") {
            path = m_dir->filePath(QStringLiteral("no/such/folder/speech.wav"));
        } else if (kind == "readonly") {
            if (geteuid() == 0) {
                // root writes into any folder whatever its mode; a read-only file system
                // still refuses.
                path = QStringLiteral("/proc/parlanza-speech.wav");
            } else {
                QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            }
        } else if (kind == "full") {
            // A file system that fills up: the file size limit refuses the same way.
            std::signal(SIGXFSZ, SIG_IGN);
            getrlimit(RLIMIT_FSIZE, &oldLimit);
            rlimit small = oldLimit;
            small.rlim_cur = rlim_t(64) * 1024;
            setrlimit(RLIMIT_FSIZE, &small);
        } else if (kind == "folder") {
            path = folder;
        }

        platform::EventLogCapture log;
        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        QSignalSpy failed(m_control, &SpeechControl::RecordingFailed);
        m_control->selectVoice(voiceNumber(*m_control, "Mary"));
        m_control->setOutputFile(path);
        m_control->speak(
            QStringLiteral("Far more than sixty-four kilobytes of speech. ").repeated(10));
        const bool ended = stopped.wait(30000) || stopped.count() == 1;
        if (kind == "full") {
            setrlimit(RLIMIT_FSIZE, &oldLimit);
        } else if (kind == "readonly") {
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        QVERIFY(ended);
        QTest::qWait(20);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), path);
        QVERIFY(!failed.at(0).at(1).toString().isEmpty());
        QCOMPARE(m_control->lastResult(), SpeechControl::ResultWriteFailed);
        QCOMPARE(log.entries(platform::LogLevel::Warning).size(), 1);
        QCOMPARE(testfiles::read(folder + QStringLiteral("/speech.wav")),
                 QByteArray("precious older take"));
        QCOMPARE(filesIn(folder), before);
        QVERIFY(!QFile::exists(QStringLiteral("/proc/parlanza-speech.wav")));
    }
};

QTEST_GUILESS_MAIN(tst_WaveRecording)
#include "tst_WaveRecording.moc"
