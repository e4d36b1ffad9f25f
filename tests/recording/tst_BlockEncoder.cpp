#include "recording/BlockEncoder.h"
#include "recording/SoundFileWriter.h"
#include "recording/VorbisCodec.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>
#include <cmath>
#include <sndfile.h>

namespace {

// A rising tone that swells and fades: no sample step in it comes from a cut.
QVector<qint16> tone(qsizetype count, int rate)
{
    QVector<qint16> samples(count);
    double phase = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        phase += 2 * M_PI * (200 + 20 * t) / rate;
        samples[i] = qint16(12000 * (0.6 + 0.4 * std::sin(2 * M_PI * 0.7 * t)) * std::sin(phase));
    }
    return samples;
}

QByteArray run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return process.readAllStandardOutput();
}

// What a player plays: libsndfile decodes MP3, Ogg Vorbis, Opus and FLAC, FFmpeg an MP4
// file's AAC. With `from`, what a reader that seeks there finds.
QVector<qint16> decode(const QString& path, int* rate, qsizetype from = 0)
{
    QString wave = path;
    if (path.endsWith(".m4b")) {
        wave = path + ".wav";
        run("ffmpeg", {"-v", "error", "-y", "-i", path, wave});
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(wave).constData(), SFM_READ, &info);
    QVector<qint16> samples(file != nullptr ? qsizetype(info.frames) - from : 0);
    if (file != nullptr) {
        if (sf_seek(file, from, SEEK_SET) != from) {
            samples.clear();
        }
        samples.resize(sf_read_short(file, samples.data(), samples.size()));
        sf_close(file);
    }
    *rate = info.samplerate;
    return samples;
}

// The worst signal-to-noise ratio of the decoded sound against the written, in dB, over
// windows of a tenth of a second.
double worstWindowSnr(const QVector<qint16>& written, const QVector<qint16>& decoded, int rate)
{
    double worst = 1000;
    const qsizetype window = rate / 10;
    for (qsizetype at = 0; at + window <= std::min(written.size(), decoded.size()); at += window) {
        double signal = 0;
        double noise = 0;
        for (qsizetype i = at; i < at + window; ++i) {
            signal += double(written[i]) * written[i];
            noise += double(written[i] - decoded[i]) * (written[i] - decoded[i]);
        }
        worst = std::min(worst, 10 * std::log10(signal / std::max(noise, 1.0)));
    }
    return worst;
}

// Where an AAC stream's packet opens with a window other than the one its predecessor
// closes with (long or short halves): the two would not overlap into the signal. Empty
// when every packet follows its predecessor. A tone decodes across such a join with no
// larger step, so the windows are read themselves.
QString windowMismatch(const QString& path)
{
    const QByteArray adts =
        run("ffmpeg", {"-v", "error", "-i", path, "-c:a", "copy", "-f", "adts", "-"});
    // ONLY_LONG, LONG_START, EIGHT_SHORT, LONG_STOP: the halves each opens and closes with.
    constexpr bool opensShort[] = {false, false, true, true};
    constexpr bool closesShort[] = {false, true, true, false};
    int previous = -1;
    qsizetype frames = 0;
    for (qsizetype at = 0; at + 10 <= adts.size(); ++frames) {
        const auto* bytes = reinterpret_cast<const uchar*>(adts.constData()) + at;
        const qsizetype size = (bytes[3] & 0x03) << 11 | bytes[4] << 3 | bytes[5] >> 5;
        if (bytes[0] != 0xFF || (bytes[1] & 0xF7) != 0xF1 || size < 10) {
            return QStringLiteral("no ADTS frame at byte %1").arg(at);
        }
        // After the 7-byte header: element (3 bits), tag (4), global gain (8), reserved (1),
        // then the window sequence (2).
        const int window = bytes[9] >> 6;
        if ((bytes[7] >> 5) != 0) {
            return QStringLiteral("packet %1 is not one channel's").arg(frames);
        }
        if (previous >= 0 && opensShort[window] != closesShort[previous]) {
            return QStringLiteral("window %1 after %2 at packet %3")
                .arg(window)
                .arg(previous)
                .arg(frames);
        }
        previous = window;
        at += size;
    }
    return frames > 0 ? QString() : QStringLiteral("no packets");
}

// Ogg Vorbis straight from BlockEncoder, its blocks' encoders running on `leadOut` long
// windows: how many joins there were, and how many the earlier encoder made by going on.
std::optional<std::pair<int, int>> writeVorbis(const QString& path, const QVector<qint16>& samples,
                                               int rate, int leadOut)
{
    QFile file(path);
    auto codec = std::make_unique<recording::VorbisCodec>(rate, "Tone", leadOut);
    const recording::VorbisCodec* vorbis = codec.get();
    recording::BlockEncoder encoder(std::move(codec), [&file](const QByteArray& bytes) {
        return file.write(bytes) == bytes.size();
    });
    bool ok = file.open(QIODevice::WriteOnly) && encoder.start();
    for (qsizetype at = 0; ok && at < samples.size(); at += 4000) {
        ok =
            encoder.write(samples.constData() + at, std::min<qsizetype>(4000, samples.size() - at));
    }
    if (!ok || !encoder.finish()) {
        return std::nullopt;
    }
    return std::pair{vorbis->joins(), vorbis->carriedJoins()};
}

// Where an Ogg stream's pages are out of order (their numbers not one after another, a
// granule position going back) or it does not end; empty when all is in order.
QString oggDisorder(const QByteArray& bytes)
{
    qint64 granule = -1;
    quint32 page = 0;
    bool ended = false;
    for (qsizetype at = 0; at < bytes.size(); ++page) {
        const auto* header = reinterpret_cast<const uchar*>(bytes.constData()) + at;
        if (ended || at + 27 > bytes.size() || bytes.mid(at, 4) != "OggS" ||
            qFromLittleEndian<quint32>(header + 18) != page) {
            return QStringLiteral("page %1 at byte %2").arg(page).arg(at);
        }
        const auto position = qFromLittleEndian<qint64>(header + 6);
        if (position != -1 && position < granule) {
            return QStringLiteral("granule %1 after %2").arg(position).arg(granule);
        }
        granule = std::max(granule, position);
        ended = (header[5] & 4) != 0;
        at += 27 + header[26];
        for (int i = 0; i < header[26]; ++i) {
            at += header[27 + i];
        }
    }
    return ended ? QString() : QStringLiteral("no last page");
}

// The samples as libsndfile's Ogg Vorbis writer codes them in one piece, decoded.
QVector<qint16> oneVorbisEncoder(const QString& path, const QVector<qint16>& samples, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 1;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    for (qsizetype at = 0; file != nullptr && at < samples.size(); at += 4000) {
        sf_write_short(file, samples.constData() + at,
                       std::min<qsizetype>(4000, samples.size() - at));
    }
    sf_close(file);
    int rateRead = 0;
    return decode(path, &rateRead);
}

int largestDifference(const QVector<qint16>& a, const QVector<qint16>& b, qsizetype from)
{
    int largest = 0;
    for (qsizetype i = from; i < std::min(a.size(), b.size()); ++i) {
        largest = std::max(largest, std::abs(a[i] - b[i]));
    }
    return largest;
}

int largestStep(const QVector<qint16>& samples, qsizetype from, qsizetype to)
{
    int largest = 0;
    for (qsizetype i = std::max<qsizetype>(1, from); i < std::min(to, samples.size()); ++i) {
        largest = std::max(largest, std::abs(samples[i] - samples[i - 1]));
    }
    return largest;
}

} // namespace

// MP3, Opus, FLAC and AAC are encoded in blocks on several threads and joined into one
// stream.
class tst_BlockEncoder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A recording of many blocks plays as long as what was written, in step with it and
    // without a click where two blocks meet, and the same samples give the same bytes.
    void blocksJoinWithoutAGap_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("frame"); // samples a packet stands for
        // Ogg Vorbis only, long windows a block's encoder runs on past it; -1: the writer's.
        QTest::addColumn<int>("leadOut");
        QTest::newRow("mp3") << "joined.mp3" << 22050 << 576 << -1;
        QTest::newRow("opus") << "joined.opus" << 24000 << 480 << -1;
        QTest::newRow("flac") << "joined.flac" << 22050 << 4096 << -1;
        QTest::newRow("m4b") << "joined.m4b" << 22050 << 1024 << -1;
        QTest::newRow("ogg") << "joined.ogg" << 22050 << 1024 << -1;
        QTest::newRow("ogg, every join carried on") << "carried.ogg" << 22050 << 1024 << 0;
    }

    void blocksJoinWithoutAGap()
    {
        QFETCH(QString, name);
        QFETCH(int, rate);
        QFETCH(int, frame);
        QFETCH(int, leadOut);
        if (name.endsWith(".m4b") && QStandardPaths::findExecutable("ffmpeg").isEmpty()) {
            QSKIP("ffmpeg (package ffmpeg) is not installed.");
        }
        QTemporaryDir dir;
        const QVector<qint16> written = tone(qsizetype(rate) * 45 + 1234, rate);
        QByteArray bytes[2];
        for (QByteArray& copy : bytes) {
            if (leadOut >= 0) {
                const std::optional<std::pair<int, int>> joins =
                    writeVorbis(dir.filePath(name), written, rate, leadOut);
                QVERIFY(joins && joins->first > 0);
                QCOMPARE(joins->second, joins->first);
            } else {
                recording::SoundFileWriter writer(dir.filePath(name), rate,
                                                  recording::formatForPath(name).value(), "Tone");
                QVERIFY(writer.open());
                for (qsizetype at = 0; at < written.size(); at += 4000) {
                    QVERIFY(writer.write(written.constData() + at,
                                         std::min<qsizetype>(4000, written.size() - at)));
                }
                QVERIFY2(writer.commit(), qPrintable(writer.errorString()));
            }
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            copy = file.readAll();
        }
        QCOMPARE(bytes[0], bytes[1]);
        if (name.endsWith(".ogg") || name.endsWith(".opus")) {
            QCOMPARE(oggDisorder(bytes[0]), QString());
        }
        if (name.endsWith(".m4b")) {
            QCOMPARE(windowMismatch(dir.filePath(name)), QString());
        }

        int decodedRate = 0;
        const QVector<qint16> decoded = decode(dir.filePath(name), &decodedRate);
        QCOMPARE(decodedRate, rate);
        QVERIFY2(std::abs(decoded.size() - written.size()) <= frame,
                 qPrintable(QStringLiteral("%1 vs %2").arg(decoded.size()).arg(written.size())));
        if (name.endsWith(".flac")) {
            QCOMPARE(decoded, written); // lossless
        }
        if (name.endsWith(".flac") || name.endsWith(".ogg")) {
            // A reader that seeks finds each packet where it belongs.
            const qsizetype middle = written.size() / 2 + 17;
            QCOMPARE(decode(dir.filePath(name), &decodedRate, middle), decoded.mid(middle));
        }
        if (name.endsWith(".ogg")) {
            // As one encoder with the same settings codes it (libsndfile's), within what that
            // encoder gets wrong itself; the first windows differ, as a stream's start is
            // extrapolated from what the encoder is given first.
            const QVector<qint16> one = oneVorbisEncoder(dir.filePath("one.ogg"), written, rate);
            QCOMPARE(decoded.size(), one.size());
            const int error = largestDifference(one, written, 0);
            const int difference = largestDifference(one, decoded, qsizetype(2) * frame);
            QVERIFY2(difference < error,
                     qPrintable(QStringLiteral("%1 vs %2").arg(difference).arg(error)));
        }
        const double snr = worstWindowSnr(written, decoded, rate);
        QVERIFY2(snr > 12, qPrintable(QStringLiteral("%1 dB").arg(snr)));
        // Every place a block could start, whatever the block length.
        const int tone = largestStep(decoded, 0, decoded.size());
        for (qsizetype at = frame; at < decoded.size(); at += frame) {
            const int step = largestStep(decoded, at - 64, at + 65);
            QVERIFY2(
                step <= tone,
                qPrintable(
                    QStringLiteral("%1 at %2, %3 in the whole tone").arg(step).arg(at).arg(tone)));
        }
    }
};

QTEST_GUILESS_MAIN(tst_BlockEncoder)
#include "tst_BlockEncoder.moc"
