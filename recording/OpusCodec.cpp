#include "recording/OpusCodec.h"

#include <QtEndian>
#include <opus/opus.h>

namespace recording {

namespace {

// libsndfile's bit rate for the compression level 0.5 recordings used before.
constexpr int BitRate = 131000;
// Opus's complexity (libsndfile used 10). At this bit rate speech is coded in the
// transform mode alone, and 1 only drops refinements that 131 kbit/s leaves no room to
// hear: the decoded speech stays within 0.3 dB SNR of complexity 10's and its spectrum as
// close to the source, for about 40 % less encoding time.
constexpr int Complexity = 1;
// Granule positions count samples at 48 kHz whatever the stream's rate.
constexpr int GranuleRate = 48000;

OpusEncoder* newEncoder(int rate)
{
    int error = OPUS_OK;
    OpusEncoder* encoder = opus_encoder_create(rate, 1, OPUS_APPLICATION_AUDIO, &error);
    if (error != OPUS_OK) {
        return nullptr;
    }
    opus_encoder_ctl(encoder, OPUS_SET_BITRATE(BitRate));
    opus_encoder_ctl(encoder, OPUS_SET_COMPLEXITY(Complexity));
    return encoder;
}

void appendLittleEndian(QByteArray& bytes, quint32 value, int size)
{
    for (int i = 0; i < size; ++i) {
        bytes.append(char((value >> (8 * i)) & 0xFF));
    }
}

} // namespace

OpusCodec::OpusCodec(int sampleRate, const QString& title)
    : m_sampleRate(sampleRate), m_title(title)
{
    ogg_stream_init(&m_stream, 0); // the writer stamps the serial once the content is known
    if (OpusEncoder* encoder = newEncoder(sampleRate)) {
        opus_encoder_ctl(encoder, OPUS_GET_LOOKAHEAD(&m_lookahead));
        opus_encoder_destroy(encoder);
    }
}

OpusCodec::~OpusCodec()
{
    ogg_stream_clear(&m_stream);
}

std::optional<BlockCodec::Packets> OpusCodec::encode(const Block& block) const
{
    OpusEncoder* encoder = newEncoder(m_sampleRate);
    if (encoder == nullptr) {
        return std::nullopt;
    }
    const qsizetype frame = frameLength();
    const qsizetype first = block.leadIn / frame;
    // The last block goes on until its packets hold the encoder's delay too.
    const qsizetype end = block.last
                              ? (block.leadIn + block.length + m_lookahead + frame - 1) / frame
                              : (block.leadIn + block.length) / frame;
    QVector<qint16> input(frame, 0);
    unsigned char packet[4000];
    Packets packets;
    packets.length = block.length;
    packets.last = block.last;
    for (qsizetype j = 0; j < end; ++j) {
        const qsizetype from = std::min(j * frame, block.samples.size());
        const qsizetype available = std::min(frame, block.samples.size() - from);
        std::copy_n(block.samples.constData() + from, available, input.data());
        std::fill(input.begin() + available, input.end(), qint16(0));
        const bool joint = j == first && !block.first;
        if (joint) {
            opus_encoder_ctl(encoder, OPUS_SET_PREDICTION_DISABLED(1));
        }
        const int size =
            opus_encode(encoder, input.constData(), int(frame), packet, int(sizeof(packet)));
        if (joint) {
            opus_encoder_ctl(encoder, OPUS_SET_PREDICTION_DISABLED(0));
        }
        if (size < 0) {
            opus_encoder_destroy(encoder);
            return std::nullopt;
        }
        if (j >= first) {
            packets.packets.append(QByteArray(reinterpret_cast<const char*>(packet), size));
        }
    }
    opus_encoder_destroy(encoder);
    return packets;
}

QByteArray OpusCodec::begin()
{
    const int factor = GranuleRate / m_sampleRate;
    QByteArray head("OpusHead");
    head.append(char(1)); // version
    head.append(char(1)); // channels
    appendLittleEndian(head, quint32(m_lookahead * factor), 2);
    appendLittleEndian(head, quint32(m_sampleRate), 4);
    appendLittleEndian(head, 0, 2); // gain
    head.append(char(0));           // mono or stereo mapping

    QByteArray tags("OpusTags");
    const QByteArray vendor(opus_get_version_string());
    appendLittleEndian(tags, quint32(vendor.size()), 4);
    tags.append(vendor);
    const QByteArray title = "TITLE=" + m_title.toUtf8();
    appendLittleEndian(tags, m_title.isEmpty() ? 0 : 1, 4);
    if (!m_title.isEmpty()) {
        appendLittleEndian(tags, quint32(title.size()), 4);
        tags.append(title);
    }

    QByteArray bytes;
    for (QByteArray* packet : {&head, &tags}) {
        ogg_packet header{};
        header.packet = reinterpret_cast<unsigned char*>(packet->data());
        header.bytes = long(packet->size());
        header.b_o_s = packet == &head ? 1 : 0;
        header.packetno = m_packets++;
        ogg_stream_packetin(&m_stream, &header);
        bytes += pages(true); // each header on pages of its own
    }
    return bytes;
}

QByteArray OpusCodec::add(const Packets& packets)
{
    const int factor = GranuleRate / m_sampleRate;
    m_samples += packets.length;
    QByteArray bytes;
    const qint64 audioPackets = m_packets - 2;
    for (qsizetype i = 0; i < packets.packets.size(); ++i) {
        const bool last = packets.last && i + 1 == packets.packets.size();
        ogg_packet packet{};
        packet.packet =
            reinterpret_cast<unsigned char*>(const_cast<char*>(packets.packets[i].constData()));
        packet.bytes = long(packets.packets[i].size());
        packet.packetno = m_packets++;
        packet.e_o_s = last ? 1 : 0;
        // The last packet's position ends the stream where the samples end.
        packet.granulepos = last ? (m_lookahead + m_samples) * factor
                                 : (audioPackets + i + 1) * frameLength() * factor;
        ogg_stream_packetin(&m_stream, &packet);
        bytes += pages(last);
    }
    return bytes;
}

QByteArray OpusCodec::pages(bool flush)
{
    QByteArray bytes;
    ogg_page page;
    while ((flush ? ogg_stream_flush(&m_stream, &page) : ogg_stream_pageout(&m_stream, &page)) !=
           0) {
        bytes.append(reinterpret_cast<const char*>(page.header), page.header_len);
        bytes.append(reinterpret_cast<const char*>(page.body), page.body_len);
    }
    return bytes;
}

} // namespace recording
