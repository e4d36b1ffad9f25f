#include "SpeechTestSupport.h"
#include "platform/EventLog.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>

using namespace speechtest;

// No sound server anywhere: speech goes to ALSA's default device, here ALSA's file plugin
// writing everything it is given to a raw file, or keeps time silently when the device
// cannot be opened. A server that comes later takes over.
class tst_AlsaOutput : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // The only ALSA configuration the library reads from here on. A new file each time:
    // the library keeps what it read while the file's name and time stay the same.
    bool useAlsaDefault(const QString& definition)
    {
        static int configs = 0;
        QFile config(path(QStringLiteral("asound%1.conf").arg(++configs)));
        if (!config.open(QIODevice::WriteOnly)) {
            return false;
        }
        config.write(QStringLiteral("pcm.!default {\n%1\n}\n").arg(definition).toUtf8());
        config.close();
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(config.fileName()));
        return true;
    }

    static qint64 fileSize(const QString& file) { return QFileInfo(file).size(); }

    bool fileDevice(const QString& raw)
    {
        QFile::remove(raw);
        return useAlsaDefault(
            QStringLiteral("type file\nslave.pcm { type null }\nfile \"%1\"\nformat raw").arg(raw));
    }

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
        // A runtime folder without a server in it, and a server address nobody answers.
        QDir(m_dir.path()).mkdir(QStringLiteral("runtime"));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(path(QStringLiteral("runtime"))));
        qputenv("PULSE_SERVER",
                QFile::encodeName("unix:" + path(QStringLiteral("runtime/pulse/native"))));
    }

    void cleanupTestCase() { script(QStringLiteral("parlanza_kill_pulseaudio_in")); }

    void soundGoesToAlsa_data()
    {
        QTest::addColumn<bool>("pause");
        QTest::newRow("straight through") << false;
        QTest::newRow("paused and resumed") << true;
    }

    void soundGoesToAlsa()
    {
        QFETCH(bool, pause);
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

        QFile file(raw);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
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

    // A default device that cannot be opened: as without any output, speech keeps time on
    // the silent clock and the user is told once.
    void deviceThatCannotOpenKeepsTime()
    {
        QVERIFY(useAlsaDefault(QStringLiteral("type hw\ncard 7")));
        speech::DirectSS control;
        QSignalSpy missing(&control, &speech::SpeechControl::SoundOutputMissing);
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.selectVoice(voiceNumber(control, QStringLiteral("Sam")));
        for (int i = 0; i < 2; ++i) {
            QElapsedTimer timer;
            timer.start();
            control.speak(QStringLiteral("Nobody hears this."));
            QVERIFY(stopped.wait(5000));
            QVERIFY2(timer.elapsed() > 700, qPrintable(QString::number(timer.elapsed())));
        }
        QCOMPARE(stopped.count(), 2);
        QCOMPARE(missing.count(), 1);
    }

    // Runs last: it starts the server. Sound moves there and no longer reaches ALSA.
    void serverThatComesTakesOver()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pulseaudio")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("parec")).isEmpty()) {
            QSKIP("pulseaudio and parec (packages pulseaudio, pulseaudio-utils) are needed.");
        }
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
        QProcess recorder;
        recorder.start(QStringLiteral("parec"),
                       {QStringLiteral("-d"), QStringLiteral("test_sink.monitor"),
                        QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                        QStringLiteral("--channels=1")});
        QVERIFY(recorder.waitForStarted() && recorder.waitForReadyRead(3000));
        control.speak(QStringLiteral("This goes to the server."));
        QVERIFY(stopped.wait(6000));
        QTest::qWait(300);
        recorder.terminate();
        recorder.waitForFinished(3000);
        const QByteArray heard = recorder.readAllStandardOutput();
        const auto* samples = reinterpret_cast<const qint16*>(heard.constData());
        const auto loud = std::count_if(samples, samples + heard.size() / 2,
                                        [](qint16 sample) { return std::abs(sample) > 1000; });
        QVERIFY2(loud > 1000, qPrintable(QString::number(loud)));
        QCOMPARE(fileSize(raw), before);
        QCOMPARE(stopped.count(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_AlsaOutput)
#include "tst_AlsaOutput.moc"
