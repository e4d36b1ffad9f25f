#include "recording/VorbisCodec.h"

#include <algorithm>
#include <vorbis/vorbisenc.h>

namespace recording {

namespace {

// libsndfile's default VBR quality, which Ogg recordings were made with before.
constexpr float Quality = 0.4f;
// Samples given to libvorbis at a time: it copies what it is first given onto the stack
// once, and a long piece there overflowed a thread's stack.
constexpr qsizetype FeedStep = 1024;

bool initInfo(vorbis_info* info, int rate)
{
    vorbis_info_init(info);
    if (vorbis_encode_init_vbr(info, 1, rate, Quality) != 0) {
        vorbis_info_clear(info);
        return false;
    }
    return true;
}

} // namespace

// One libvorbis encoder and where in the stream it stands.
class VorbisCodec::Encoder
{
public:
    Encoder(int rate, qint64 origin) : m_origin(origin), m_fed(origin)
    {
        if (!initInfo(&m_info, rate)) {
            return;
        }
        if (vorbis_analysis_init(&m_dsp, &m_info) != 0) {
            vorbis_info_clear(&m_info);
            return;
        }
        vorbis_block_init(&m_dsp, &m_block);
        m_ok = true;
    }

    ~Encoder()
    {
        if (m_ok) {
            vorbis_block_clear(&m_block);
            vorbis_dsp_clear(&m_dsp);
            vorbis_info_clear(&m_info);
        }
    }

    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    bool ok() const { return m_ok; }
    // The stream position after the last sample it was given.
    qint64 fed() const { return m_fed; }

    // Encodes the samples that follow those given before, appending the packets they
    // complete.
    bool feed(const qint16* samples, qsizetype count, QList<Packet>& packets)
    {
        for (qsizetype at = 0; at < count; at += FeedStep) {
            const qsizetype part = std::min(FeedStep, count - at);
            float* input = vorbis_analysis_buffer(&m_dsp, int(part))[0];
            // As libsndfile scaled them, so that the same samples give the same packets.
            for (qsizetype i = 0; i < part; ++i) {
                input[i] = float(samples[at + i]) / 32767.0f;
            }
            if (vorbis_analysis_wrote(&m_dsp, int(part)) != 0 || !drain(packets)) {
                return false;
            }
        }
        m_fed += count;
        return true;
    }

    // Ends the stream: its last packet's position ends it where the samples end.
    bool finish(QList<Packet>& packets)
    {
        return vorbis_analysis_wrote(&m_dsp, 0) == 0 && drain(packets);
    }

private:
    bool drain(QList<Packet>& packets)
    {
        while (vorbis_analysis_blockout(&m_dsp, &m_block) == 1) {
            if (vorbis_analysis(&m_block, nullptr) != 0 || vorbis_bitrate_addblock(&m_block) != 0) {
                return false;
            }
            ogg_packet made;
            while (vorbis_bitrate_flushpacket(&m_dsp, &made) == 1) {
                packets.append(packet(
                    &m_info,
                    QByteArray(reinterpret_cast<const char*>(made.packet), qsizetype(made.bytes)),
                    m_origin + made.granulepos));
            }
        }
        return true;
    }

    vorbis_info m_info{};
    vorbis_dsp_state m_dsp{};
    vorbis_block m_block{};
    qint64 m_origin; // the stream position of the first sample it was given
    qint64 m_fed;
    bool m_ok = false;
};

VorbisCodec::VorbisCodec(int sampleRate, const QString& title, int leadOutFrames)
    : m_sampleRate(sampleRate), m_title(title), m_leadOutFrames(leadOutFrames)
{
    ogg_stream_init(&m_stream, 0); // the writer stamps the serial once the content is known
    if (initInfo(&m_info, sampleRate)) {
        m_longWindow = vorbis_info_blocksize(&m_info, 1);
    }
}

VorbisCodec::~VorbisCodec()
{
    ogg_stream_clear(&m_stream);
    if (ok()) {
        vorbis_info_clear(&m_info);
    }
}

VorbisCodec::Packet VorbisCodec::packet(vorbis_info* info, const QByteArray& bytes, qint64 end)
{
    ogg_packet made{};
    made.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.constData()));
    made.bytes = long(bytes.size());
    const int window = int(vorbis_packet_blocksize(info, &made));
    // A packet's sound is complete up to its window's centre; a quarter of its length on lies
    // the middle of its overlap with the next packet's window, the boundary both share.
    return Packet{bytes, end, window, end + window / 4};
}

std::optional<BlockCodec::Packets> VorbisCodec::encode(const Block& block) const
{
    auto encoder = std::make_shared<Encoder>(m_sampleRate, block.start - block.leadIn);
    QList<Packet> made;
    if (!encoder->ok() || !encoder->feed(block.samples.constData(), block.samples.size(), made) ||
        (block.last && !encoder->finish(made))) {
        return std::nullopt;
    }
    // The previous block's packets may hand over at the block's start or after: from the
    // packet whose window meets the next one's there on.
    qsizetype first = 0;
    while (!block.first && first < made.size() && made[first].boundary < block.start) {
        ++first;
    }
    Packets packets;
    packets.length = block.length;
    packets.last = block.last;
    for (qsizetype i = first; i < made.size(); ++i) {
        packets.packets.append(made[i].bytes);
        packets.ends.append(made[i].end);
    }
    packets.samples = block.samples.mid(block.leadIn, block.length);
    if (!block.last) {
        packets.encoder = encoder;
    }
    return packets;
}

QByteArray VorbisCodec::begin()
{
    vorbis_info info{};
    if (!initInfo(&info, m_sampleRate)) {
        m_failed = true;
        return {};
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    if (!m_title.isEmpty()) {
        vorbis_comment_add_tag(&comment, "TITLE", m_title.toUtf8().constData());
    }
    vorbis_dsp_state dsp{};
    QByteArray bytes;
    if (vorbis_analysis_init(&dsp, &info) == 0) {
        ogg_packet headers[3];
        if (vorbis_analysis_headerout(&dsp, &comment, &headers[0], &headers[1], &headers[2]) == 0) {
            for (ogg_packet& header : headers) {
                ogg_stream_packetin(&m_stream, &header);
                ++m_packets;
            }
            // The sound starts on a page of its own.
            ogg_page page;
            while (ogg_stream_flush(&m_stream, &page) != 0) {
                bytes.append(reinterpret_cast<const char*>(page.header), page.header_len);
                bytes.append(reinterpret_cast<const char*>(page.body), page.body_len);
            }
        }
        vorbis_dsp_clear(&dsp);
    }
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    m_failed = m_packets != 3;
    return bytes;
}

QByteArray VorbisCodec::add(const Packets& packets)
{
    const qint64 start = m_samples;
    m_samples += packets.length;
    QList<Packet> next;
    for (qsizetype i = 0; i < packets.packets.size(); ++i) {
        next.append(packet(&m_info, packets.packets[i], packets.ends.value(i)));
    }
    auto encoder = std::static_pointer_cast<Encoder>(packets.encoder);
    if (m_first) {
        m_first = false;
        m_pending = next;
        m_encoder = encoder;
    } else {
        ++m_joins;
        std::optional<std::pair<qsizetype, qsizetype>> join = joinPoint(next, start);
        if (!join) {
            // The earlier encoder goes on into this block until its packets fall into step
            // with this block's, or to the block's end.
            ++m_carriedJoins;
            qsizetype at = m_encoder != nullptr ? m_encoder->fed() - start : -1;
            if (at < 0) {
                m_failed = true;
                return {};
            }
            while (!join && at < packets.samples.size()) {
                const qsizetype part = std::min(FeedStep, packets.samples.size() - at);
                if (!m_encoder->feed(packets.samples.constData() + at, part, m_pending)) {
                    m_failed = true;
                    return {};
                }
                at += part;
                join = joinPoint(next, start);
            }
            if (!join && packets.last && !m_encoder->finish(m_pending)) {
                m_failed = true;
                return {};
            }
        }
        if (join) {
            m_pending.resize(join->first + 1);
            m_pending.append(next.mid(join->second));
            m_encoder = encoder;
        }
    }
    if (packets.last) {
        m_encoder.reset();
        return write(m_pending.size(), true);
    }
    // Those whose windows end before the next block's start stay, whatever it brings.
    qsizetype settled = 0;
    while (settled < m_pending.size() && m_pending[settled].boundary < m_samples) {
        ++settled;
    }
    return write(settled, false);
}

std::optional<std::pair<qsizetype, qsizetype>> VorbisCodec::joinPoint(const QList<Packet>& next,
                                                                      qint64 from) const
{
    // Both lists are in stream order: walk them side by side, boundary by boundary.
    qsizetype j = 0;
    for (qsizetype i = 0; i + 1 < m_pending.size(); ++i) {
        const Packet& kept = m_pending[i];
        if (kept.boundary < from) {
            continue;
        }
        while (j + 1 < next.size() && next[j].boundary < kept.boundary) {
            ++j;
        }
        if (j + 1 >= next.size()) {
            return std::nullopt;
        }
        if (next[j].boundary == kept.boundary && next[j].window == kept.window &&
            next[j + 1].window == m_pending[i + 1].window) {
            return std::pair{i, j + 1};
        }
    }
    return std::nullopt;
}

QByteArray VorbisCodec::write(qsizetype count, bool last)
{
    QByteArray bytes;
    for (qsizetype i = 0; i < count; ++i) {
        const bool end = last && i + 1 == count;
        const Packet& made = m_pending[i];
        ogg_packet packet{};
        packet.packet = reinterpret_cast<unsigned char*>(const_cast<char*>(made.bytes.constData()));
        packet.bytes = long(made.bytes.size());
        packet.packetno = m_packets++;
        packet.e_o_s = end ? 1 : 0;
        // The last packet's position ends the stream where the samples end.
        packet.granulepos = end ? m_samples : made.end;
        ogg_stream_packetin(&m_stream, &packet);
        ogg_page page;
        while ((end ? ogg_stream_flush(&m_stream, &page) : ogg_stream_pageout(&m_stream, &page)) !=
               0) {
            bytes.append(reinterpret_cast<const char*>(page.header), page.header_len);
            bytes.append(reinterpret_cast<const char*>(page.body), page.body_len);
        }
    }
    m_pending.remove(0, count);
    return bytes;
}

} // namespace recording
