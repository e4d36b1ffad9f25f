#include "recording/FlacCodec.h"

#include <FLAC/stream_encoder.h>
#include <QtEndian>
#include <array>
#include <memory>

namespace recording {

namespace {

constexpr int CompressionLevel = 5; // libFLAC's default, which recordings had before
constexpr int StreamInfoSize = 34;
constexpr int BlockHeaderSize = 4;

// The checksums of a frame: CRC-8 (x^8+x^2+x+1) over its header and CRC-16 (x^16+x^15+x^2+1)
// over the whole frame, both most significant bit first.
template <typename Value, int Bits, unsigned Polynomial> struct Crc
{
    static Value of(const char* bytes, qsizetype size)
    {
        static const std::array<Value, 256> table = [] {
            std::array<Value, 256> entries{};
            for (unsigned i = 0; i < 256; ++i) {
                unsigned value = i << (Bits - 8);
                for (int bit = 0; bit < 8; ++bit) {
                    const bool top = (value & (1U << (Bits - 1))) != 0;
                    value = (value << 1) ^ (top ? Polynomial : 0U);
                }
                entries[i] = Value(value);
            }
            return entries;
        }();
        unsigned crc = 0;
        for (qsizetype i = 0; i < size; ++i) {
            crc = (crc << 8) ^ table[((crc >> (Bits - 8)) ^ quint8(bytes[i])) & 0xFF];
        }
        return Value(crc);
    }
};
using Crc8 = Crc<quint8, 8, 0x07>;
using Crc16 = Crc<quint16, 16, 0x8005>;

// A frame number in the header's UTF-8-like coding.
QByteArray codedNumber(quint32 number)
{
    if (number < 0x80) {
        return QByteArray(1, char(number));
    }
    int size = 2;
    while (size < 6 && number >= (quint32(1) << (5 * size + 1))) {
        ++size;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = size - 1; i > 0; --i) {
        bytes[i] = char(0x80 | (number & 0x3F));
        number >>= 6;
    }
    bytes[0] = char(((0xFF00 >> size) & 0xFF) | number);
    return bytes;
}

QByteArray blockHeader(int type, qsizetype size, bool last)
{
    QByteArray header(BlockHeaderSize, Qt::Uninitialized);
    qToBigEndian<quint32>(quint32(size), header.data());
    header[0] = char(type | (last ? 0x80 : 0));
    return header;
}

struct EncoderDeleter
{
    void operator()(FLAC__StreamEncoder* encoder) const { FLAC__stream_encoder_delete(encoder); }
};

FLAC__StreamEncoderWriteStatus keepFrame(const FLAC__StreamEncoder*, const FLAC__byte buffer[],
                                         size_t bytes, uint32_t samples, uint32_t, void* frames)
{
    // The encoder's own stream header and summary carry no samples; ours replace them.
    if (samples > 0) {
        static_cast<QList<QByteArray>*>(frames)->append(
            QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(bytes)));
    }
    return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
}

} // namespace

FlacCodec::FlacCodec(int sampleRate, const QString& title)
    : m_sampleRate(sampleRate), m_title(title)
{
}

QByteArray FlacCodec::renumbered(const QByteArray& frame, quint32 number)
{
    const auto byte = [&frame](qsizetype at) { return quint8(frame.at(at)); };
    if (frame.size() < 8 || byte(0) != 0xFF || (byte(1) & 0xFE) != 0xF8) {
        return {};
    }
    qsizetype at = 4;
    int numberSize = 1;
    while (numberSize < 7 && (byte(at) & (0x80 >> (numberSize - 1))) != 0) {
        ++numberSize;
    }
    numberSize = numberSize == 1 ? 1 : numberSize - 1;
    const int sizeCode = byte(2) >> 4;
    const int rateCode = byte(2) & 0x0F;
    const qsizetype extra = (sizeCode == 6   ? 1
                             : sizeCode == 7 ? 2
                                             : 0) +
                            (rateCode == 12                     ? 1
                             : rateCode >= 13 && rateCode <= 14 ? 2
                                                                : 0);
    const qsizetype headerEnd = at + numberSize + extra; // the header's checksum
    if (headerEnd + 3 > frame.size()) {
        return {};
    }
    QByteArray result = frame.left(at) + codedNumber(number) + frame.mid(at + numberSize, extra);
    result.append(char(Crc8::of(result.constData(), result.size())));
    result.append(frame.constData() + headerEnd + 1, frame.size() - headerEnd - 3);
    const quint16 crc = Crc16::of(result.constData(), result.size());
    result.append(char(crc >> 8));
    result.append(char(crc & 0xFF));
    return result;
}

std::optional<BlockCodec::Packets> FlacCodec::encode(const Block& block) const
{
    const std::unique_ptr<FLAC__StreamEncoder, EncoderDeleter> encoder(FLAC__stream_encoder_new());
    if (encoder == nullptr) {
        return std::nullopt;
    }
    FLAC__StreamEncoder* flac = encoder.get();
    QList<QByteArray> frames;
    FLAC__stream_encoder_set_channels(flac, 1);
    FLAC__stream_encoder_set_bits_per_sample(flac, 16);
    FLAC__stream_encoder_set_sample_rate(flac, unsigned(m_sampleRate));
    FLAC__stream_encoder_set_compression_level(flac, CompressionLevel);
    FLAC__stream_encoder_set_blocksize(flac, FrameSamples);
    if (FLAC__stream_encoder_init_stream(flac, keepFrame, nullptr, nullptr, nullptr, &frames) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        return std::nullopt;
    }
    Packets packets;
    packets.length = block.length;
    packets.last = block.last;
    packets.samples = block.samples.mid(block.leadIn, block.length);
    QVector<FLAC__int32> wide(packets.samples.cbegin(), packets.samples.cend());
    if (!FLAC__stream_encoder_process_interleaved(flac, wide.constData(), unsigned(wide.size())) ||
        !FLAC__stream_encoder_finish(flac)) {
        return std::nullopt;
    }
    const qint64 firstFrame = block.start / FrameSamples;
    for (qsizetype i = 0; i < frames.size(); ++i) {
        QByteArray frame = renumbered(frames.at(i), quint32(firstFrame + i));
        if (frame.isEmpty()) {
            return std::nullopt;
        }
        packets.packets.append(frame);
    }
    return packets;
}

QByteArray FlacCodec::streamInfo(const QByteArray& digest) const
{
    QByteArray info(StreamInfoSize, '\0');
    char* bytes = info.data();
    qToBigEndian<quint16>(FrameSamples, bytes);
    qToBigEndian<quint16>(FrameSamples, bytes + 2);
    const auto put24 = [](char* to, qsizetype value) {
        to[0] = char((value >> 16) & 0xFF);
        to[1] = char((value >> 8) & 0xFF);
        to[2] = char(value & 0xFF);
    };
    put24(bytes + 4, m_smallestFrame);
    put24(bytes + 7, m_largestFrame);
    // Rate (20 bits), channels - 1 (3), bits per sample - 1 (5), samples (36).
    const quint64 packed = (quint64(m_sampleRate) << 44) | (quint64(0) << 41) |
                           (quint64(15) << 36) | (quint64(m_samples) & 0xFFFFFFFFFULL);
    qToBigEndian<quint64>(packed, bytes + 10);
    std::copy(digest.cbegin(), digest.cend(), bytes + 18);
    return blockHeader(0, StreamInfoSize, false) + info;
}

QByteArray FlacCodec::begin()
{
    QByteArray comments;
    const QByteArray vendor(FLAC__VENDOR_STRING);
    const auto appendLength = [&comments](qsizetype size) {
        char length[4];
        qToLittleEndian<quint32>(quint32(size), length);
        comments.append(length, 4);
    };
    appendLength(vendor.size());
    comments.append(vendor);
    const QByteArray title = "title=" + m_title.toUtf8();
    appendLength(m_title.isEmpty() ? 0 : 1);
    if (!m_title.isEmpty()) {
        appendLength(title.size());
        comments.append(title);
    }
    // The digest is known only at the end: until then it reads "not known".
    return "fLaC" + streamInfo(QByteArray(16, '\0')) + blockHeader(4, comments.size(), true) +
           comments;
}

// The digest is of the samples as little-endian bytes, as they lie in memory here.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

QByteArray FlacCodec::add(const Packets& packets)
{
    m_samples += packets.length;
    m_digest.addData(QByteArrayView(reinterpret_cast<const char*>(packets.samples.constData()),
                                    packets.samples.size() * qsizetype(sizeof(qint16))));
    QByteArray bytes;
    for (const QByteArray& frame : packets.packets) {
        m_smallestFrame =
            m_smallestFrame == 0 ? frame.size() : std::min(m_smallestFrame, frame.size());
        m_largestFrame = std::max(m_largestFrame, frame.size());
        bytes += frame;
    }
    return bytes;
}

QByteArray FlacCodec::finalBegin()
{
    return "fLaC" + streamInfo(m_digest.result());
}

} // namespace recording
