#include "SpeechTestSupport.h"
#include "TestFiles.h"
#include "platform/EventLog.h"
#include "recording/SoundFileWriter.h"
#include "recording/SubtitleWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <functional>
#include <sys/mount.h>

using namespace speechtest;

namespace {

enum class Target { Folder, LinkToNewFile, LinkIntoMissingFolder, LinkToFolder };

// Makes the name a folder or a link; returns where a written file would land.
QString prepare(Target target, const QString& path, const QDir& dir)
{
    const QString aside = dir.filePath("elsewhere/" + QFileInfo(path).fileName());
    switch (target) {
    case Target::Folder:
        QDir().mkpath(path);
        QFile(path + "/keep").open(QIODevice::WriteOnly);
        return path;
    case Target::LinkToNewFile:
        QDir().mkpath(dir.filePath("elsewhere"));
        QFile::link(aside, path);
        return aside;
    case Target::LinkIntoMissingFolder:
        QFile::link(dir.filePath("missing/x"), path);
        return dir.filePath("missing/x");
    case Target::LinkToFolder:
        QDir().mkpath(aside);
        QFile::link(aside, path);
        return aside;
    }
    return path;
}

// Each writes one file: what it says when it fails, nothing when it wrote the file.
QString writeSound(const QString& path)
{
    recording::SoundFileWriter writer(path, Rate);
    const QVector<qint16> samples(2205, 1000);
    const bool ok =
        writer.open() && writer.write(samples.constData(), samples.size()) && writer.commit();
    return ok ? QString() : "failed: " + writer.errorString();
}

QString writeTimings(const QString& path)
{
    recording::SubtitleWriter timings("One word.", Rate);
    timings.addWord({0, 0, 3});
    return timings.write(path, recording::SubtitleWriter::Kind::Sentences, Rate).error();
}

} // namespace

// Rendering into sound files: standard wave files and every other format the path names,
// the overwrite rule, stop during a recording, and failures that say why and must leave
// an existing file and no temporary file.
class tst_WaveRecording : public QObject
{
    Q_OBJECT

private:
    std::optional<SilentControl> m_s; // made afresh for each test
    std::unique_ptr<QTemporaryDir> m_dir;

    speech::DirectSS& control() { return *m_s->control; }

    static QStringList filesIn(const QString& folder)
    {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private Q_SLOTS:
    void init()
    {
        m_s.emplace();
        m_dir = std::make_unique<QTemporaryDir>();
    }

    void cleanup()
    {
        m_s.reset();
        m_dir.reset();
    }

    // Every format the path names reads back by libsndfile, as long as the standard wave
    // file of the same text and tagged with the title, with every kind of voice.
    void everyFormatReadsBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("container");
        const auto row = [](const char* tag, const char* name, const char* voice, int container) {
            QTest::newRow(tag) << QString(name) << QString(voice) << container;
        };
        row("wave, espeak-ng language", "a.wav", "English (America)", SF_FORMAT_WAV);
        row("mp3, flite", "a.MP3", "Mary", SF_FORMAT_MPEG);
        row("vorbis, with an effect", "a.ogg", "Mike in Stadium", SF_FORMAT_OGG);
        row("opus, slowed by libsonic", "a.opus", "German", SF_FORMAT_OGG);
        row("flac", "a.flac", "Mary", SF_FORMAT_FLAC);
    }

    void everyFormatReadsBack()
    {
        QFETCH(QString, name);
        QFETCH(QString, voice);
        QFETCH(int, container);
        const QString text = "Rendering into a file. Seven words.";
        const QString wave = m_dir->filePath("reference.wav");
        QSignalSpy failed(&control(), &speech::SpeechControl::RecordingFailed);
        control().setSpeed(voice == "German" ? 50 : 150);
        QVERIFY(render(control(), voice, text, wave));
        // As fast as synthesis allows: the silent output's clock never moved.
        QCOMPARE(m_s->clock->nowMicroseconds(), 0);
        QCOMPARE(m_s->output->playedSamples(), 0);
        const SoundContents reference = readSound(wave);
        QVERIFY2(reference.ok, qPrintable(reference.error));
        QCOMPARE(std::tuple(reference.rate, reference.channels, reference.format),
                 std::tuple(Rate, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16));
        QVERIFY(reference.samples.size() > Rate);
        QVERIFY(testfiles::read(wave).startsWith("RIFF"));
        QCOMPARE(filesIn(m_dir->path()), QStringList{"reference.wav"});
        QCOMPARE(control().lastResult(), speech::SpeechControl::ResultOk);

        const QString path = m_dir->filePath(name);
        control().setRecordingTitle("Chapter One");
        QSignalSpy progress(&control(), &speech::SpeechControl::RecordingProgress);
        QVERIFY(render(control(), voice, text, path));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toInt(), 100);
        QCOMPARE(failed.count(), 0);
        const SoundContents sound = readSound(path);
        QVERIFY2(sound.ok, qPrintable(sound.error));
        QCOMPARE(sound.format & SF_FORMAT_TYPEMASK, container);
        QCOMPARE(sound.channels, 1);
        const double seconds = double(sound.samples.size()) / sound.rate;
        const double expected = double(reference.samples.size()) / Rate;
        QVERIFY2(qAbs(seconds - expected) <= expected / 100,
                 qPrintable(QStringLiteral("%1 s vs %2 s").arg(seconds).arg(expected)));
        QCOMPARE(sound.title, "Chapter One");
        QCOMPARE(filesIn(m_dir->path()).size(), 2);
    }

    // A recording's format is the one its extension names, in any case, and a wave file
    // without one; any other extension is refused in words that name them all. The save
    // dialog lists wave files first.
    void namesOfNoFormatAreRefused()
    {
        QCOMPARE(recording::extension(recording::formatForPath("/x/speech.Wav").value()), "wav");
        QCOMPARE(recording::extension(recording::formatForPath("/x.mp3/speech").value()), "wav");
        QCOMPARE(recording::formatForPath("/x/speech.aiff").error(),
                 "The file name speech.aiff ends in .aiff, which names no sound format. Use one "
                 "of .wav, .mp3, .ogg, .opus, .flac, .m4b, .m4a.");
        QCOMPARE(recording::dialogFilter(),
                 "Wav Files (*.wav)|*.wav|MP3 Files (*.mp3)|*.mp3|Ogg Vorbis Files (*.ogg)|*.ogg|"
                 "Opus Files (*.opus)|*.opus|FLAC Files (*.flac)|*.flac|"
                 "M4B Audiobook Files (*.m4b)|*.m4b|M4A Files (*.m4a)|*.m4a");
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
        const QString ours = m_dir->filePath("ours.wav");
        QVERIFY(render(control(), "English (America)", text, ours));
        const QString theirs = m_dir->filePath("theirs.wav");
        QProcess espeak;
        espeak.start("espeak-ng", {"-v", "gmw/en-US", "-w", theirs, text});
        QVERIFY(espeak.waitForFinished(30000));
        const qsizetype ourLength = readSound(ours).samples.size();
        const qsizetype theirLength = readSound(theirs).samples.size();
        QVERIFY(theirLength > 0);
        QVERIFY2(qAbs(ourLength - theirLength) < theirLength / 500,
                 qPrintable(QStringLiteral("%1 vs %2 samples").arg(ourLength).arg(theirLength)));
    }

    // A long piece handed over in one call (the renderer joins pieces of minutes) is
    // written whole in every format.
    void longPieceInOneWrite_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"piece.ogg", "piece.flac", "piece.mp3", "piece.opus"}) {
            QTest::newRow(name) << QString(name);
        }
    }

    void longPieceInOneWrite()
    {
        QFETCH(QString, name);
        const QString path = m_dir->filePath(name);
        recording::SoundFileWriter writer(path, Rate, recording::formatForPath(path).value());
        QVector<qint16> piece(4'000'000);
        for (qsizetype i = 0; i < piece.size(); ++i) {
            piece[i] = qint16(8000 * std::sin(double(i) * 0.05));
        }
        QVERIFY(writer.open() && writer.write(piece.constData(), piece.size()) && writer.commit());
        const SoundContents read = readSound(path);
        QVERIFY2(read.ok, qPrintable(read.error));
        QVERIFY(qAbs(double(read.samples.size()) / read.rate - double(piece.size()) / Rate) < 0.05);
    }

    // A recording long enough to go out to the disk in several steps while it is written
    // reads back sample for sample.
    void longRecordingReadsBackExactly()
    {
        const QString path = m_dir->filePath("long.wav");
        recording::SoundFileWriter writer(path, Rate);
        QVERIFY(writer.open());
        QVector<qint16> written;
        QVector<qint16> block(4999);
        for (int step = 0; written.size() < 12'000'000; ++step) {
            for (qsizetype i = 0; i < block.size(); ++i) {
                block[i] = qint16((qsizetype(step) * 7919 + i * 31) % 65536 - 32768);
            }
            QVERIFY(writer.write(block.constData(), block.size()));
            written += block;
        }
        QVERIFY(writer.commit());
        const SoundContents read = readSound(path);
        QVERIFY(read.ok);
        QVERIFY(read.samples == written);
    }

    // A recording takes the place of an older file only when it is done: whole, or on STOP
    // with what was recorded, a whole file of the format that reads back, ending where the
    // speech stopped. Afterwards speech is heard again and no file written.
    void recordingReplacesTheOlderFileWhenDone_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("stop");
        for (const QString name : {"whole.wav", "stopped.wav", "stopped.mp3", "stopped.ogg",
                                   "stopped.opus", "stopped.flac"}) {
            QTest::newRow(qPrintable(name)) << name << name.startsWith("stopped");
        }
    }

    void recordingReplacesTheOlderFileWhenDone()
    {
        QFETCH(QString, name);
        QFETCH(bool, stop);
        const QString path = m_dir->filePath(name);
        QVERIFY(testfiles::write(path, "an older file"));
        QSignalSpy stopped(&control(), &speech::SpeechControl::AudioStop);
        QSignalSpy failed(&control(), &speech::SpeechControl::RecordingFailed);
        QSignalSpy progress(&control(), &speech::SpeechControl::RecordingProgress);
        control().selectVoice(voiceNumber(control(), "Mike"));
        control().setOutputFile(path);
        // Even the whole text is rendered in two pieces, the first reported before the end.
        control().speak(
            QStringLiteral("This book is far too long to finish. ").repeated(stop ? 2000 : 60));
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty(), 30000);
        QVERIFY(progress.first().at(0).toInt() < 100);
        if (progress.last().at(0).toInt() < 100) {
            // While it renders, the old file is still all there is at the path.
            QCOMPARE(testfiles::read(path), QByteArray("an older file"));
            QCOMPARE(filesIn(m_dir->path()), QStringList{name});
        }
        if (stop) {
            control().stop();
        }
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 60000);
        QCOMPARE(failed.count(), 0);
        QCOMPARE(filesIn(m_dir->path()), QStringList{name});
        const SoundContents sound = readSound(path);
        QVERIFY2(sound.ok, qPrintable(sound.error));
        const qsizetype frames = sound.samples.size();
        QVERIFY2(frames > (stop ? 0 : qint64(sound.rate) * 10) &&
                     frames < qint64(sound.rate) * 3600,
                 qPrintable(QString::number(frames)));

        control().setOutputFile(QString());
        control().speak("Out loud.");
        QVERIFY(m_s->playUntil([&] { return stopped.count() == 2; }));
        QVERIFY(m_s->output->playedSamples() > 0);
        QCOMPARE(filesIn(m_dir->path()), QStringList{name});
    }

    // A small tmpfs mounted for the test stands for a disk that is full (it takes a few
    // kilobytes of the recording) or read-only; the other failures need no disk of their own.
    void failuresKeepTheOldFileAndLeaveNoTemporary_data()
    {
        QTest::addColumn<QString>("name");   // of the recording; an older take is target/speech.wav
        QTest::addColumn<QString>("disk");   // the tmpfs on target: none, "full" or "read-only"
        QTest::addColumn<QString>("reason"); // what the message must name; none: any text
        const auto row = [](const char* tag, const char* name, const char* disk,
                            const char* reason) {
            QTest::newRow(tag) << QString(name) << QString(disk) << QString(reason);
        };
        row("missing folder", "no/such/folder/speech.wav", "", "");
        row("path is a folder", "target", "", "");
        row("name of no sound format", "target/speech.aiff", "", ".aiff");
        row("full disk", "target/speech.wav", "full", "No space left on device");
        row("read-only disk", "target/speech.wav", "read-only", "Read-only file system");
    }

    void failuresKeepTheOldFileAndLeaveNoTemporary()
    {
        QFETCH(QString, name);
        QFETCH(QString, disk);
        QFETCH(QString, reason);
        const QString folder = m_dir->filePath("target");
        QVERIFY(QDir().mkpath(folder));
        const QByteArray where = QFile::encodeName(folder);
        if (!disk.isEmpty() && ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=48k") != 0) {
            QSKIP(qPrintable(QStringLiteral("A tmpfs cannot be mounted here (%1); the test needs "
                                            "root or CAP_SYS_ADMIN.")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        }
        const auto unmount = qScopeGuard([&] { ::umount2(where.constData(), MNT_DETACH); });
        const QString path = m_dir->filePath(name);
        testfiles::write(path, "precious older take"); // where the path can be a file
        QVERIFY(testfiles::write(folder + "/speech.wav", "precious older take"));
        if (disk == "read-only") {
            QCOMPARE(
                ::mount("tmpfs", where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=48k"),
                0);
        }
        const QStringList before = filesIn(folder);

        platform::EventLogCapture log;
        QSignalSpy stopped(&control(), &speech::SpeechControl::AudioStop);
        QSignalSpy failed(&control(), &speech::SpeechControl::RecordingFailed);
        control().selectVoice(voiceNumber(control(), "Mary"));
        control().setOutputFile(path);
        control().speak(
            QStringLiteral("Far more than sixty-four kilobytes of speech. ").repeated(10));
        QVERIFY(stopped.wait(30000) || stopped.count() == 1);
        QTest::qWait(20);
        QCOMPARE(stopped.count(), 1);
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), path);
        const QString said = failed.at(0).at(1).toString();
        QVERIFY2(!said.isEmpty() && said.contains(reason), qPrintable(said));
        QCOMPARE(control().lastResult(), speech::SpeechControl::ResultWriteFailed);
        QCOMPARE(log.entries(platform::LogLevel::Warning).size(), 1);
        // The older take at the path, or beside it where the path is no file.
        QCOMPARE(testfiles::read(QFileInfo(path).isFile() ? path : folder + "/speech.wav"),
                 QByteArray("precious older take"));
        QCOMPARE(filesIn(folder), before);
    }

    // Where a recording's files land when the name given is not a plain file: a folder is
    // refused in the same words for the sound and its timings and stays as it was; a link
    // is written through to where it points, or refused when that folder is missing.
    void awkwardNames_data()
    {
        QTest::addColumn<Target>("target");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<QString>("words"); // of the refusal
        QTest::newRow("a folder") << Target::Folder << false << "is a folder";
        QTest::newRow("a link to a folder") << Target::LinkToFolder << false << "is a folder";
        QTest::newRow("a link to nothing yet") << Target::LinkToNewFile << true << "";
        QTest::newRow("a link into a missing folder")
            << Target::LinkIntoMissingFolder << false << "does not exist";
    }

    void awkwardNames()
    {
        QFETCH(Target, target);
        QFETCH(bool, writes);
        QFETCH(QString, words);
        const std::pair<QString, std::function<QString(const QString&)>> writers[] = {
            {"speech.wav", writeSound}, {"speech.srt", writeTimings}};
        for (const auto& [name, write] : writers) {
            QTemporaryDir dir;
            const QString path = QDir(dir.path()).filePath(name);
            const QString lands = prepare(target, path, QDir(dir.path()));
            const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries);
            const QString error = write(path);
            QVERIFY2(error.isEmpty() == writes, qPrintable(name + u' ' + error));
            QVERIFY2(error.contains(words), qPrintable(error));
            if (!writes) {
                // Said with the name given, and nothing around it changed.
                QVERIFY2(error.contains(QFileInfo(lands).dir().dirName()) || error.contains(name),
                         qPrintable(error));
                QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries), before);
                QCOMPARE(QFileInfo(lands).isDir(), target != Target::LinkIntoMissingFolder);
                continue;
            }
            QVERIFY(QFileInfo(path).isSymLink());
            QVERIFY2(QFileInfo(lands).isFile() && QFileInfo(lands).size() > 0, qPrintable(lands));
            QCOMPARE(QDir(QFileInfo(lands).path()).entryList(QDir::Files).size(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(tst_WaveRecording)
#include "tst_WaveRecording.moc"
