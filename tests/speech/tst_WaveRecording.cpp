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
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace speechtest;

namespace {

enum class Target { Folder, LinkToNewFile, LinkIntoMissingFolder, LinkToFolder };

// Makes the name a folder or a link; returns where a written file would land.
QString prepare(Target target, const QString& path, const QDir& dir)
{
    const QString aside = dir.filePath(QStringLiteral("elsewhere/") + QFileInfo(path).fileName());
    switch (target) {
    case Target::Folder:
        QDir().mkpath(path);
        QFile(path + QStringLiteral("/keep")).open(QIODevice::WriteOnly);
        return path;
    case Target::LinkToNewFile:
        QDir().mkpath(dir.filePath(QStringLiteral("elsewhere")));
        QFile::link(aside, path);
        return aside;
    case Target::LinkIntoMissingFolder:
        QFile::link(dir.filePath(QStringLiteral("missing/x")), path);
        return dir.filePath(QStringLiteral("missing/x"));
    case Target::LinkToFolder:
        QDir().mkpath(aside);
        QFile::link(aside, path);
        return aside;
    }
    return path;
}

struct Written
{
    bool ok;
    QString error;
};

Written writeSound(const QString& path)
{
    recording::SoundFileWriter writer(path, 22050);
    const QVector<qint16> samples(2205, 1000);
    const bool ok =
        writer.open() && writer.write(samples.constData(), samples.size()) && writer.commit();
    return {ok, writer.errorString()};
}

Written writeTimings(const QString& path)
{
    recording::SubtitleWriter timings(QStringLiteral("One word."), 22050);
    timings.addWord({0, 0, 3});
    const platform::Result<void> written =
        timings.write(path, recording::SubtitleWriter::Kind::Sentences, 22050);
    return {written.ok(), written.error()};
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
        QTest::newRow("wave, espeak-ng language")
            << QString("a.wav") << "English (America)" << int(SF_FORMAT_WAV);
        QTest::newRow("mp3, flite") << QString("a.MP3") << "Mary" << int(SF_FORMAT_MPEG);
        QTest::newRow("vorbis, with an effect")
            << QString("a.ogg") << "Mike in Stadium" << int(SF_FORMAT_OGG);
        QTest::newRow("opus, slowed by libsonic")
            << QString("a.opus") << "German" << int(SF_FORMAT_OGG);
        QTest::newRow("flac") << QString("a.flac") << "Mary" << int(SF_FORMAT_FLAC);
        QTest::newRow("no extension: wave") << QString("a") << "Mary" << int(SF_FORMAT_WAV);
    }

    void everyFormatReadsBack()
    {
        QFETCH(QString, name);
        QFETCH(QString, voice);
        QFETCH(int, container);
        const QString text = QStringLiteral("Rendering into a file. Seven words.");
        const QString wave = m_dir->filePath(QStringLiteral("reference.wav"));
        QSignalSpy failed(m_s->control.get(), &speech::SpeechControl::RecordingFailed);
        m_s->control->setSpeed(voice == "German" ? 50 : 150);
        QVERIFY(render(*m_s->control, voice, text, wave));
        // As fast as synthesis allows: the silent output's clock never moved.
        QCOMPARE(m_s->clock->nowMicroseconds(), 0);
        QCOMPARE(m_s->output->playedSamples(), 0);
        const WaveContents reference = readWave(wave);
        QVERIFY(reference.ok);
        QCOMPARE(reference.rate, audio::AudioOutput::SampleRate);
        QCOMPARE(reference.channels, 1);
        QCOMPARE(reference.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QVERIFY(reference.samples.size() > audio::AudioOutput::SampleRate);
        QVERIFY(testfiles::read(wave).startsWith("RIFF"));
        QCOMPARE(filesIn(m_dir->path()), QStringList{"reference.wav"});
        QCOMPARE(m_s->control->lastResult(), speech::SpeechControl::ResultOk);

        const QString path = m_dir->filePath(name);
        m_s->control->setRecordingTitle(QStringLiteral("Chapter One"));
        QSignalSpy progress(m_s->control.get(), &speech::SpeechControl::RecordingProgress);
        QVERIFY(render(*m_s->control, voice, text, path));
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last().at(0).toInt(), 100);
        QCOMPARE(failed.count(), 0);

        SF_INFO info{};
        SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY2(file != nullptr, sf_strerror(nullptr));
        const char* title = sf_get_string(file, SF_STR_TITLE);
        const QString readTitle = title != nullptr ? QString::fromUtf8(title) : QString();
        sf_close(file);
        QCOMPARE(info.format & SF_FORMAT_TYPEMASK, container);
        QCOMPARE(info.channels, 1);
        const double seconds = double(info.frames) / info.samplerate;
        const double expected = double(reference.samples.size()) / audio::AudioOutput::SampleRate;
        QVERIFY2(qAbs(seconds - expected) <= expected / 100,
                 qPrintable(QStringLiteral("%1 s vs %2 s").arg(seconds).arg(expected)));
        QCOMPARE(readTitle, QStringLiteral("Chapter One"));
        QCOMPARE(filesIn(m_dir->path()).size(), 2);
    }

    void namesOfNoFormatAreRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("known");
        QTest::newRow("wave") << QString("/x/speech.Wav") << true;
        QTest::newRow("unknown") << QString("/x/speech.aiff") << false;
        QTest::newRow("dotted folder") << QString("/x.mp3/speech") << true;
        QTest::newRow("text") << QString("speech.txt") << false;
    }

    void namesOfNoFormatAreRefused()
    {
        QFETCH(QString, path);
        QFETCH(bool, known);
        const platform::Result<recording::SoundFormat> format = recording::formatForPath(path);
        QCOMPARE(format.ok(), known);
        if (!known) {
            const QString message = format.error();
            QVERIFY(message.contains(QFileInfo(path).fileName()));
            QVERIFY(message.contains(QStringLiteral(".mp3")));
        }
        // The save dialog lists wave files first.
        const QStringList parts = recording::dialogFilter().split(QLatin1Char('|'));
        QCOMPARE(parts.mid(0, 2), (QStringList{"Wav Files (*.wav)", "*.wav"}));
        QCOMPARE(parts.size(), 10);
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
        QVERIFY(render(*m_s->control, "English (America)", text, ours));
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

    // A recording long enough to go out to the disk in several steps while it is written
    // reads back sample for sample.
    void longRecordingReadsBackExactly()
    {
        const QString path = m_dir->filePath(QStringLiteral("long.wav"));
        recording::SoundFileWriter writer(path, audio::AudioOutput::SampleRate);
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
        const WaveContents read = readWave(path);
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
        QTest::newRow("whole.wav") << QStringLiteral("whole.wav") << false;
        for (const char* name :
             {"stopped.wav", "stopped.mp3", "stopped.ogg", "stopped.opus", "stopped.flac"}) {
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        }
    }

    void recordingReplacesTheOlderFileWhenDone()
    {
        QFETCH(QString, name);
        QFETCH(bool, stop);
        const QString path = m_dir->filePath(name);
        QVERIFY(testfiles::write(path, "an older file"));
        QSignalSpy stopped(m_s->control.get(), &speech::SpeechControl::AudioStop);
        QSignalSpy failed(m_s->control.get(), &speech::SpeechControl::RecordingFailed);
        QSignalSpy progress(m_s->control.get(), &speech::SpeechControl::RecordingProgress);
        m_s->control->selectVoice(voiceNumber(*m_s->control, "Mike"));
        m_s->control->setOutputFile(path);
        // Even the whole text is rendered in two pieces, the first reported before the end.
        m_s->control->speak(
            QStringLiteral("This book is far too long to finish. ").repeated(stop ? 2000 : 60));
        QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty(), 30000);
        QVERIFY(progress.first().at(0).toInt() < 100);
        if (progress.last().at(0).toInt() < 100) {
            // While it renders, the old file is still all there is at the path.
            QCOMPARE(testfiles::read(path), QByteArray("an older file"));
            QCOMPARE(filesIn(m_dir->path()), QStringList{name});
        }
        if (stop) {
            m_s->control->stop();
        }
        QTRY_COMPARE_WITH_TIMEOUT(stopped.count(), 1, 60000);
        QCOMPARE(failed.count(), 0);
        QCOMPARE(filesIn(m_dir->path()), QStringList{name});
        SF_INFO info{};
        SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY2(file != nullptr, sf_strerror(nullptr));
        sf_close(file);
        QVERIFY2(info.frames > (stop ? 0 : qint64(info.samplerate) * 10) &&
                     info.frames < qint64(info.samplerate) * 3600,
                 qPrintable(QString::number(info.frames)));

        m_s->control->setOutputFile(QString());
        m_s->control->speak(QStringLiteral("Out loud."));
        QVERIFY(playUntil(*m_s->control, *m_s->clock, [&] { return stopped.count() == 2; }));
        QVERIFY(m_s->output->playedSamples() > 0);
        QCOMPARE(filesIn(m_dir->path()), QStringList{name});
    }

    void failuresKeepTheOldFileAndLeaveNoTemporary_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // what the message must name; none: any text
        QTest::newRow("missing folder") << "missing" << QString();
        QTest::newRow("read-only folder") << "readonly" << QString();
        QTest::newRow("file size limit") << "full" << QString();
        QTest::newRow("path is a folder") << "folder" << QString();
        QTest::newRow("name of no sound format") << "aiff" << QStringLiteral(".aiff");
        // Real file systems that refuse: a small tmpfs mounted for the test.
        QTest::newRow("full disk") << "tmpfs"
                                   << "No space left on device";
        QTest::newRow("read-only disk") << "tmpfs-ro"
                                        << "Read-only file system";
    }

    void failuresKeepTheOldFileAndLeaveNoTemporary()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString folder = m_dir->filePath(QStringLiteral("target"));
        QVERIFY(QDir().mkpath(folder));
        const QByteArray where = QFile::encodeName(folder);
        if (kind.startsWith("tmpfs") &&
            ::mount("tmpfs", where.constData(), "tmpfs", 0, "size=48k") != 0) {
            QSKIP(qPrintable(QStringLiteral("A tmpfs cannot be mounted here (%1); the test needs "
                                            "root or CAP_SYS_ADMIN.")
                                 .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        }
        const auto unmount = qScopeGuard([&] {
            if (kind.startsWith("tmpfs")) {
                ::umount2(where.constData(), MNT_DETACH);
            }
        });
        QString path = folder + QStringLiteral("/speech.wav");
        QVERIFY(testfiles::write(path, "precious older take"));
        rlimit oldLimit{};
        if (kind == "tmpfs-ro") {
            QCOMPARE(
                ::mount("tmpfs", where.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=48k"),
                0);
        } else if (kind == "missing") {
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
        } else if (kind == "aiff") {
            path = folder + QStringLiteral("/speech.aiff");
            QVERIFY(testfiles::write(path, "precious older take"));
        }
        const QStringList before = filesIn(folder);

        platform::EventLogCapture log;
        QSignalSpy stopped(m_s->control.get(), &speech::SpeechControl::AudioStop);
        QSignalSpy failed(m_s->control.get(), &speech::SpeechControl::RecordingFailed);
        m_s->control->selectVoice(voiceNumber(*m_s->control, "Mary"));
        m_s->control->setOutputFile(path);
        m_s->control->speak(
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
        const QString said = failed.at(0).at(1).toString();
        QVERIFY(!said.isEmpty());
        QVERIFY2(said.contains(reason), qPrintable(said));
        QCOMPARE(m_s->control->lastResult(), speech::SpeechControl::ResultWriteFailed);
        QCOMPARE(log.entries(platform::LogLevel::Warning).size(), 1);
        // The older take at the path, or beside it where the path is no file.
        QCOMPARE(testfiles::read(QFileInfo(path).isFile() ? path : folder + "/speech.wav"),
                 QByteArray("precious older take"));
        QCOMPARE(filesIn(folder), before);
        QVERIFY(!QFile::exists(QStringLiteral("/proc/parlanza-speech.wav")));
    }

    // Where a recording's files land when the name given is not a plain file: a folder is
    // refused in the same words for the sound and its timings and stays as it was; a link
    // is written through to where it points, or refused when that folder is missing.
    void awkwardNames_data()
    {
        QTest::addColumn<Target>("target");
        QTest::addColumn<bool>("writes");
        QTest::addColumn<QString>("words"); // of the refusal
        QTest::newRow("a folder") << Target::Folder << false << QStringLiteral("is a folder");
        QTest::newRow("a link to a folder")
            << Target::LinkToFolder << false << QStringLiteral("is a folder");
        QTest::newRow("a link to nothing yet") << Target::LinkToNewFile << true << QString();
        QTest::newRow("a link into a missing folder")
            << Target::LinkIntoMissingFolder << false << QStringLiteral("does not exist");
    }

    void awkwardNames()
    {
        QFETCH(Target, target);
        QFETCH(bool, writes);
        QFETCH(QString, words);
        const std::pair<QString, std::function<Written(const QString&)>> writers[] = {
            {QStringLiteral("speech.wav"), writeSound},
            {QStringLiteral("speech.srt"), writeTimings}};
        for (const auto& [name, write] : writers) {
            QTemporaryDir dir;
            const QString path = QDir(dir.path()).filePath(name);
            const QString lands = prepare(target, path, QDir(dir.path()));
            const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries);
            const Written written = write(path);
            QVERIFY2(written.ok == writes, qPrintable(name + u' ' + written.error));
            QVERIFY2(written.error.contains(words), qPrintable(written.error));
            if (!writes) {
                // Said with the name given, and nothing around it changed.
                QVERIFY2(written.error.contains(QFileInfo(lands).dir().dirName()) ||
                             written.error.contains(name),
                         qPrintable(written.error));
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
