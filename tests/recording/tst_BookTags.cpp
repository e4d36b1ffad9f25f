#include "recording/Mp4Writer.h"
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

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

using recording::BookTags;

namespace {

constexpr int Rate = 22050;
constexpr qint64 Length = qint64(3) * Rate;

QByteArray coverPicture(const char* format = "PNG", QSize size = {32, 24},
                        Qt::GlobalColor color = Qt::red)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// An MP4 file's samples: pseudo-random AAC-sized packets (none opens like an ADTS header),
// timed as the encoder times them, the last ones ending where `samples` end.
struct Mp4Sound
{
    int rate = Rate;
    qint64 samples = 0;
    QList<QByteArray> packets;
    QList<qint64> times;
    QList<qint64> durations;
};

Mp4Sound mp4Sound(int rate, qint64 samples)
{
    Mp4Sound sound{rate, samples, {}, {}, {}};
    quint32 seed = quint32(samples);
    // A few packets far apart stand in for a sound too long for 32-bit durations.
    const qint64 step = samples > INT32_MAX ? samples / 4 : 1024;
    for (qint64 time = -1024; time < samples; time += step) {
        seed = seed * 1664525U + 1013904223U;
        QByteArray packet(qsizetype(6 + (seed >> 8) % 700), char(seed >> 24 & 0x7F));
        sound.packets.append(packet);
        sound.times.append(time);
        sound.durations.append(std::clamp<qint64>(samples - time, 1, 1024));
    }
    // The encoder's flush: a packet past the end.
    sound.packets.append(QByteArray(9, '\x21'));
    sound.times.append(sound.times.last() + 1024);
    sound.durations.append(1);
    return sound;
}

// AAC LC, one channel, at rate: what the encoder gives as its header.
QByteArray decoderConfig(int rate)
{
    const QList<int> rates{96000, 88200, 64000, 48000, 44100, 32000, 24000, 22050, 16000};
    const int index = int(rates.indexOf(rate));
    return QByteArray{char(0x10 | index >> 1), char((index & 1) << 7 | 0x08)};
}

// The file FFmpeg's MP4 muxer makes of the same packets, tags, chapters and cover.
QByteArray ffmpegMp4(const QString& path, const Mp4Sound& sound, const BookTags& tags,
                     bool audiobook)
{
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "ipod", nullptr) < 0) {
        return {};
    }
    format->flags |= AVFMT_FLAG_BITEXACT;
    format->url = av_strdup(QFile::encodeName(path).constData());
    if (audiobook) {
        av_opt_set(format->priv_data, "brand", "M4B ", 0);
    }
    AVStream* audio = avformat_new_stream(format, nullptr);
    AVCodecParameters* par = audio->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = AV_CODEC_ID_AAC;
    par->sample_rate = sound.rate;
    av_channel_layout_default(&par->ch_layout, 1);
    par->bit_rate = 0; // coded at a constant quality, as the encoder is
    par->frame_size = 1024;
    par->initial_padding = 1024;
    const QByteArray config = decoderConfig(sound.rate);
    par->extradata =
        static_cast<uint8_t*>(av_mallocz(config.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    par->extradata_size = int(config.size());
    std::memcpy(par->extradata, config.constData(), size_t(config.size()));
    audio->time_base = {1, sound.rate};
    AVStream* picture = nullptr;
    if (!tags.cover.isEmpty()) {
        picture = avformat_new_stream(format, nullptr);
        picture->disposition = AV_DISPOSITION_ATTACHED_PIC;
        picture->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        picture->codecpar->codec_id =
            tags.coverMimeType == "image/png" ? AV_CODEC_ID_PNG : AV_CODEC_ID_MJPEG;
        picture->codecpar->width = 32;
        picture->codecpar->height = 24;
        picture->time_base = {1, 90000};
    }
    AVPacket* packet = av_packet_alloc();
    const auto send = [&](const QByteArray& bytes, int stream, qint64 time, qint64 duration) {
        av_new_packet(packet, int(bytes.size()));
        std::memcpy(packet->data, bytes.constData(), size_t(bytes.size()));
        packet->stream_index = stream;
        packet->flags |= AV_PKT_FLAG_KEY;
        packet->pts = packet->dts = time;
        packet->duration = duration;
        const int error = av_write_frame(format, packet);
        av_packet_unref(packet);
        return error >= 0;
    };
    bool written =
        avio_open(&format->pb, QFile::encodeName(path).constData(), AVIO_FLAG_WRITE) >= 0 &&
        avformat_write_header(format, nullptr) >= 0 &&
        (picture == nullptr || send(tags.cover, 1, 0, 0));
    for (qsizetype i = 0; written && i < sound.packets.size(); ++i) {
        written = send(sound.packets[i], 0, sound.times[i], sound.durations[i]);
    }
    if (!tags.title.isEmpty()) {
        av_dict_set(&format->metadata, "title", tags.title.toUtf8().constData(), 0);
    }
    if (!tags.author.isEmpty()) {
        av_dict_set(&format->metadata, "artist", tags.author.toUtf8().constData(), 0);
    }
    const qsizetype count = tags.chapters.size();
    format->chapters = static_cast<AVChapter**>(av_calloc(size_t(count) + 1, sizeof(AVChapter*)));
    for (qsizetype i = 0; i < count; ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        format->chapters[i] = chapter;
        format->nb_chapters = unsigned(i + 1);
        chapter->id = i;
        chapter->time_base = {1, sound.rate};
        chapter->start = tags.chapters[i].sample;
        chapter->end = i + 1 < count ? tags.chapters[i + 1].sample : sound.samples;
        if (!tags.chapters[i].title.isEmpty()) {
            av_dict_set(&chapter->metadata, "title", tags.chapters[i].title.toUtf8().constData(),
                        0);
        }
    }
    written = written && av_write_trailer(format) >= 0;
    av_packet_free(&packet);
    avio_closep(&format->pb);
    avformat_free_context(format);
    QFile file(path);
    return written && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Ours, of the same.
QByteArray ourMp4(const Mp4Sound& sound, const BookTags& tags, bool audiobook)
{
    recording::Mp4Writer writer({sound.rate, 0, decoderConfig(sound.rate)}, audiobook);
    writer.begin();
    QByteArray samples;
    for (qsizetype i = 0; i < sound.packets.size(); ++i) {
        if (!writer.add(samples, sound.packets[i], sound.times[i], sound.durations[i])) {
            return {};
        }
    }
    recording::Mp4Writer::Tags written{tags.title.toUtf8(),
                                       tags.author.toUtf8(),
                                       tags.cover,
                                       tags.coverMimeType == "image/png",
                                       {},
                                       sound.rate};
    const qsizetype count = tags.chapters.size();
    for (qsizetype i = 0; i < count; ++i) {
        const qint64 end = i + 1 < count ? tags.chapters[i + 1].sample : sound.samples;
        written.chapters.append({tags.chapters[i].title.toUtf8(), tags.chapters[i].sample, end});
    }
    const QByteArray tail = writer.end(written);
    return writer.finalBegin() + samples + tail;
}

BookTags book(int chapters)
{
    BookTags tags{"Ein Buch \u00fcber Sprache", "A. Writer", coverPicture(), "image/png", {}};
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

    // The MP4 writer keeps only sizes and offsets while the book is spoken, and still writes
    // the very bytes FFmpeg's muxer writes for the same packets, tags, chapters and cover.
    void mp4AsFfmpegWritesIt_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<qint64>("samples");
        QTest::addColumn<BookTags>("tags");
        QTest::addColumn<bool>("audiobook");
        const QByteArray png = coverPicture();
        const QByteArray jpeg = coverPicture("JPEG", {40, 30}, Qt::blue);
        BookTags titled{"Ein Buch \u00fcber Sprache", "A. Writer", {}, {}, {}};
        BookTags several = book(3);
        several.cover.clear();
        several.chapters.append({QString(), 50000}); // no title: no text sample
        BookTags late{{}, {}, jpeg, "image/jpeg", {{"Late start", 11025}}};
        BookTags many = book(300); // past what the short list holds
        BookTags longTitle{{}, {}, {}, {}, {{QString(500, QChar(0x4e2d)), 0}, {"b", 100}}};
        QTest::newRow("no tags, m4a") << 22050 << Length << BookTags{} << false;
        QTest::newRow("title and author") << 22050 << Length << titled << true;
        QTest::newRow("one chapter, jpeg")
            << 22050 << Length << BookTags{{}, {}, jpeg, "image/jpeg", {{"One", 0}}} << true;
        QTest::newRow("chapters, one untitled") << 22050 << Length << several << true;
        QTest::newRow("first chapter late") << 24000 << Length << late << false;
        QTest::newRow("png cover, 300 chapters") << 22050 << Length << many << true;
        QTest::newRow("long title") << 16000 << Length << longTitle << true;
        QTest::newRow("one packet") << 22050 << qint64(0) << titled << true;
        QTest::newRow("short") << 48000 << qint64(700) << book(1) << false;
        // Several 1 MiB chunks, and sizes that all differ.
        QTest::newRow("long") << 44100 << qint64(44100) * 240 << book(7) << true;
        QTest::newRow("13 hours") << 48000 << qint64(48000) * 3600 * 13 << book(2) << true;
    }

    void mp4AsFfmpegWritesIt()
    {
        QFETCH(int, rate);
        QFETCH(qint64, samples);
        QFETCH(BookTags, tags);
        QFETCH(bool, audiobook);
        QTemporaryDir dir;
        const Mp4Sound sound = mp4Sound(rate, samples);
        const QByteArray theirs = ffmpegMp4(dir.filePath("ffmpeg.m4b"), sound, tags, audiobook);
        const QByteArray ours = ourMp4(sound, tags, audiobook);
        QVERIFY(!theirs.isEmpty());
        qsizetype at = 0;
        while (at < std::min(ours.size(), theirs.size()) && ours[at] == theirs[at]) {
            ++at;
        }
        QVERIFY2(ours == theirs, qPrintable(QStringLiteral("%1 bytes vs %2, first difference at %3")
                                                .arg(ours.size())
                                                .arg(theirs.size())
                                                .arg(at)));
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
        bad.cover = coverPicture().left(60); // a header, then nothing
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
