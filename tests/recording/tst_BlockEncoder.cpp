#include "recording/SoundFileWriter.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
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

// What a player plays: libsndfile decodes MP3, Opus and FLAC, FFmpeg an MP4 file's AAC.
// With `from`, what a reader that seeks there finds.
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
        QTest::newRow("mp3") << "joined.mp3" << 22050 << 576;
        QTest::newRow("opus") << "joined.opus" << 24000 << 480;
        QTest::newRow("flac") << "joined.flac" << 22050 << 4096;
        QTest::newRow("m4b") << "joined.m4b" << 22050 << 1024;
    }

    void blocksJoinWithoutAGap()
    {
        QFETCH(QString, name);
        QFETCH(int, rate);
        QFETCH(int, frame);
        if (name.endsWith(".m4b") && QStandardPaths::findExecutable("ffmpeg").isEmpty()) {
            QSKIP("ffmpeg (package ffmpeg) is not installed.");
        }
        QTemporaryDir dir;
        const QVector<qint16> written = tone(qsizetype(rate) * 45 + 1234, rate);
        QByteArray bytes[2];
        for (QByteArray& copy : bytes) {
            recording::SoundFileWriter writer(dir.filePath(name), rate,
                                              recording::formatForPath(name).value(), "Tone");
            QVERIFY(writer.open());
            for (qsizetype at = 0; at < written.size(); at += 4000) {
                QVERIFY(writer.write(written.constData() + at,
                                     std::min<qsizetype>(4000, written.size() - at)));
            }
            QVERIFY2(writer.commit(), qPrintable(writer.errorString()));
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::ReadOnly));
            copy = file.readAll();
        }
        QCOMPARE(bytes[0], bytes[1]);
        if (name.endsWith(".m4b")) {
            QCOMPARE(windowMismatch(dir.filePath(name)), QString());
        }

        int decodedRate = 0;
        const QVector<qint16> decoded = decode(dir.filePath(name), &decodedRate);
        QCOMPARE(decodedRate, rate);
        QVERIFY2(std::abs(decoded.size() - written.size()) <= frame,
                 qPrintable(QStringLiteral("%1 vs %2").arg(decoded.size()).arg(written.size())));
        if (name.endsWith(".flac")) {
            // Lossless, and a reader that seeks finds each frame where it belongs.
            QCOMPARE(decoded, written);
            const qsizetype middle = written.size() / 2 + 17;
            QCOMPARE(decode(dir.filePath(name), &decodedRate, middle), written.mid(middle));
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
