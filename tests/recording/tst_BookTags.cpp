#include "recording/SoundFileWriter.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <csignal>
#include <cstring>
#include <sndfile.h>
#include <sys/resource.h>

using recording::BookTags;

namespace {

constexpr int Rate = 22050;
constexpr qint64 Length = qint64(3) * Rate;

QByteArray pngCover()
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

BookTags book(int chapters)
{
    BookTags tags{"Ein Buch \u00fcber Sprache", "A. Writer", pngCover(), "image/png", {}};
    for (int i = 0; i < chapters; ++i) {
        tags.chapters.append(
            {QStringLiteral("Kapitel %1 \u00e9").arg(i + 1), i * Length / chapters});
    }
    if (chapters == 3) {
        tags.chapters[1].sample = 18000; // 0, 0.816 s, 2 s
    }
    return tags;
}

// Three seconds of a tone, "Old title" given the old way and the book's tags the new; the
// length the writer reports goes to `written`.
QString write(const QString& path, recording::SoundFormat format, const BookTags& tags,
              qint64* written = nullptr)
{
    recording::SoundFileWriter writer(path, Rate, format, QStringLiteral("Old title"));
    writer.setTags(tags);
    QVector<qint16> tone(Length);
    for (qsizetype i = 0; i < Length; ++i) {
        tone[i] = qint16(8000 * std::sin(2 * M_PI * 440 * double(i) / Rate));
    }
    const bool ok = writer.open() && writer.write(tone.constData(), tone.size()) && writer.commit();
    if (written != nullptr) {
        *written = writer.samplesWritten();
    }
    return ok ? QString() : writer.errorString();
}

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

// A tag ffprobe found in the file's or its audio stream's tags (Ogg keeps them on the stream),
// whatever case the format writes its names in.
QString tag(const QJsonObject& probe, const QString& name)
{
    QJsonArray places{probe["format"].toObject()};
    places.append(probe["streams"].toArray().at(0));
    for (const QJsonValue place : places) {
        const QJsonObject tags = place["tags"].toObject();
        for (auto it = tags.begin(); it != tags.end(); ++it) {
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) {
                return it.value().toString();
            }
        }
    }
    return {};
}

// The sound's length as a player finds it, in samples at the rate written with. libsndfile
// decodes every format it reads to the end the file marks (FFmpeg 5.1 decodes the last AAC
// frame whole, and misses the end of an Ogg stream of one page); an MP4 file states its
// length in its track.
double foundLength(const QString& path, const QJsonObject& probe)
{
    SF_INFO info{};
    if (SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info)) {
        sf_close(file);
        return double(info.frames) * Rate / info.samplerate;
    }
    for (const QJsonValue stream : probe["streams"].toArray()) {
        if (stream["codec_type"] == "audio") {
            const QStringList base = stream["time_base"].toString().split(u'/');
            return stream["duration_ts"].toDouble() * base.value(0).toDouble() /
                   base.value(1).toDouble() * Rate;
        }
    }
    return -1;
}

} // namespace

class tst_BookTags : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("ffprobe").isEmpty()) {
            QSKIP("ffprobe (package ffmpeg) is not installed.");
        }
    }

    void readBackByStandardTools_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<BookTags>("tags");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("cover");
        const BookTags three = book(3);
        for (const char* name : {"b.m4b", "b.m4a", "b.mp3", "b.ogg", "b.opus", "b.flac"}) {
            QTest::newRow(name) << name << three << three.title << true;
        }
        BookTags bad = three;
        bad.title = "Line\none\ttab\x01\x07" + QString(10000, u'x');
        bad.chapters[1].title = "Bell\x07 and\r\nbreak";
        bad.cover = pngCover().left(60); // a header, then nothing
        const QString cut = QString("Line one tab" + QString(10000, u'x')).left(500);
        for (const char* name : {"bad.mp3", "bad.m4b", "bad.flac"}) {
            QTest::newRow(name) << name << bad << cut << false;
        }
        QTest::newRow("1000 chapters mp3") << "many.mp3" << book(1000) << three.title << true;
        QTest::newRow("1000 chapters m4b") << "many.m4b" << book(1000) << three.title << true;
    }

    // Players read the chapters, title, author and cover that ffprobe reads: chapters at
    // their samples, the last one ending with the sound; names cut and cleaned; a cover no
    // image reader takes is left out and the rest still written.
    void readBackByStandardTools()
    {
        QFETCH(QString, name);
        QFETCH(BookTags, tags);
        QFETCH(QString, title);
        QFETCH(bool, cover);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const auto format = recording::formatForPath(path);
        qint64 written = 0;
        QCOMPARE(write(path, format.value(), tags, &written), QString());
        const QJsonObject probe =
            QJsonDocument::fromJson(run("ffprobe", {"-v", "error", "-show_chapters", "-show_format",
                                                    "-show_streams", "-of", "json", path}))
                .object();
        QCOMPARE(tag(probe, "title"), title);
        QCOMPARE(tag(probe, "artist"), tags.author);
        const QJsonArray chapters = probe["chapters"].toArray();
        QCOMPARE(chapters.size(), tags.chapters.size());
        for (qsizetype i = 0; i < chapters.size(); ++i) {
            const double start = chapters.at(i)["start_time"].toString().toDouble();
            QVERIFY2(std::abs(start - double(tags.chapters.at(i).sample) / Rate) < 0.05,
                     qPrintable(QString::number(start)));
        }
        QVERIFY(std::abs(chapters.last()["end_time"].toString().toDouble() - 3.0) < 0.05);
        QCOMPARE(chapters.at(1)["tags"]["title"].toString(),
                 tags.chapters.at(1).title.contains(u'\a') ? "Bell and break"
                                                           : tags.chapters.at(1).title);
        bool attached = false;
        for (const QJsonValue stream : probe["streams"].toArray()) {
            attached = attached || (stream["disposition"]["attached_pic"].toInt() == 1 &&
                                    stream["codec_name"] == "png");
        }
        QCOMPARE(attached, cover);
        // The length the writer reports, which ends the last chapter and the last subtitle,
        // is the sound's, whatever rate the file codes at (Opus at 24 kHz).
        QVERIFY2(std::abs(foundLength(path, probe) - double(written)) <= 1,
                 qPrintable(QStringLiteral("%1 reported, %2 found")
                                .arg(written)
                                .arg(foundLength(path, probe))));
    }

    // A wave file's chapters are tracks of a cue sheet beside it, at CD frames (75 a second)
    // rounded down; its title stays in the file.
    void waveChaptersGoToACueSheet()
    {
        QTemporaryDir dir;
        BookTags tags = book(3);
        tags.chapters[2].title = "Say \"hi\"";
        QCOMPARE(write(dir.filePath("b.wav"), recording::SoundFormat::Wave, tags), QString());
        QFile cue(dir.filePath("b.cue"));
        QVERIFY(cue.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(cue.readAll()),
                 "PERFORMER \"A. Writer\"\nTITLE \"Ein Buch \u00fcber Sprache\"\n"
                 "FILE \"b.wav\" WAVE\n"
                 "  TRACK 01 AUDIO\n    TITLE \"Kapitel 1 \u00e9\"\n    INDEX 01 00:00:00\n"
                 "  TRACK 02 AUDIO\n    TITLE \"Kapitel 2 \u00e9\"\n    INDEX 01 00:00:61\n"
                 "  TRACK 03 AUDIO\n    TITLE \"Say 'hi'\"\n    INDEX 01 00:02:00\n");
        const QJsonObject probe =
            QJsonDocument::fromJson(run("ffprobe", {"-v", "error", "-show_format", "-of", "json",
                                                    cue.fileName().replace(".cue", ".wav")}))
                .object();
        QCOMPARE(tag(probe, "title"), tags.title);
    }

    void refusedTagsKeepTheOldFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("mp3") << "b.mp3";
        QTest::newRow("m4b") << "b.m4b";
    }

    // Tags the disk refuses (here a file-size limit the sound alone stays under) fail the
    // recording in the system's words and keep the old file, not one cut short.
    void refusedTagsKeepTheOldFile()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        const recording::SoundFormat format = recording::formatForPath(path).value();
        QCOMPARE(write(path, format, BookTags{}), QString());
        const qint64 plain = QFileInfo(path).size();
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        old.close();
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limited{rlim_t(plain + 4096), saved.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
        const QString error = write(path, format, book(1000));
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(error, QString::fromLocal8Bit(std::strerror(EFBIG)));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), "old");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{name});
    }
};

QTEST_GUILESS_MAIN(tst_BookTags)
#include "tst_BookTags.moc"
