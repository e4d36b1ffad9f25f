#include "recording/AacCodec.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace recording {

namespace {

// The encoder's quality scale (FFmpeg's -q:a, 0.1 to 2): coded at a constant quality rather
// than a bit rate, the encoder codes each frame once instead of again until it fits (a
// quarter less time for the whole render of a book) and spends its bits where the voice
// needs them. 1.2 makes books the size a bit rate of 64 kb/s made (half an hour of speech:
// 0.6 % larger), which decode closer to what was written: SNR 32.9 dB against 30.7,
// log-spectral distance 3.4 dB against 3.7.
constexpr double Quality = 1.2;
// Frames a block's encoder codes before the block's own. After two its choice of windows is
// the one encoder's (an hour and a half of speech: not one packet differs); the rest let its
// psychoacoustic model settle near where the one before's was (with 2 or 4, one packet in 400
// differs from what 8 give). The lead-in costs 5 % more coding.
constexpr int LeadInFrames = 8;

// A tag's UTF-8 bytes, up to a NUL: players read the file's names as C strings.
QByteArray cString(const QString& value)
{
    QByteArray bytes = value.toUtf8();
    const qsizetype nul = bytes.indexOf('\0');
    if (nul >= 0) {
        bytes.truncate(nul);
    }
    return bytes;
}

struct EncoderDeleter
{
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FrameDeleter
{
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter
{
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

} // namespace

int AacCodec::codedRate(int rate)
{
    for (const int allowed :
         {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200}) {
        if (rate <= allowed) {
            return allowed;
        }
    }
    return 96000;
}

AacCodec::AacCodec(int sampleRate) : m_sampleRate(sampleRate)
{
    // The libraries' notes on their own choices are no news to the user; what goes wrong
    // reaches them as the recording's message.
    av_log_set_level(AV_LOG_ERROR);
}

AacCodec::~AacCodec()
{
    avcodec_free_context(&m_header);
}

int AacCodec::leadInFrames() const
{
    return LeadInFrames;
}

AVCodecContext* AacCodec::newEncoder() const
{
    // FFmpeg's own encoder: Debian's build has no other AAC encoder.
    const AVCodec* aac = avcodec_find_encoder_by_name("aac");
    AVCodecContext* codec = aac == nullptr ? nullptr : avcodec_alloc_context3(aac);
    if (codec == nullptr) {
        return nullptr;
    }
    codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    codec->sample_rate = m_sampleRate;
    av_channel_layout_default(&codec->ch_layout, 1);
    codec->global_quality = int(std::lround(Quality * FF_QP2LAMBDA));
    codec->time_base = {1, m_sampleRate};
    // Bit-exact: the same speech makes the same file, without the library's version in it.
    codec->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_BITEXACT;
    // The default scale-factor search ("twoloop") codes a book six times slower for no
    // difference one hears in a voice at this quality (files the size 64 kb/s made, what
    // music gets for two channels); FFmpeg's own tests code with the fast one as well.
    av_opt_set(codec->priv_data, "aac_coder", "fast", 0);
    // Temporal noise shaping and noise substitution cost 8 % of the coding time and buy a
    // voice nothing one can measure: without them a minute of speech decodes as close to
    // what was written (SNR, segmental SNR down to 1.5 ms segments, log-spectral distance
    // all the same or a little better). Intensity and mid/side stereo need two channels.
    av_opt_set_int(codec->priv_data, "aac_tns", 0, 0);
    av_opt_set_int(codec->priv_data, "aac_pns", 0, 0);
    if (avcodec_open2(codec, aac, nullptr) < 0) {
        avcodec_free_context(&codec);
    }
    return codec;
}

platform::Result<void> AacCodec::open(const QByteArray& cover, bool audiobook)
{
    if (avcodec_find_encoder_by_name("aac") == nullptr) {
        return platform::Failure{QStringLiteral("this system's FFmpeg has no AAC encoder")};
    }
    m_header = newEncoder();
    if (m_header == nullptr) {
        return platform::Failure{
            QStringLiteral("the AAC encoder takes no sound at %1 Hz").arg(m_sampleRate)};
    }
    m_cover = cover;
    if (!cover.isEmpty()) {
        QByteArray data = cover;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        m_coverIsPng = QImageReader(&buffer).format() == "png";
    }
    m_writer = std::make_unique<Mp4Writer>(
        Mp4Writer::Audio{m_sampleRate, int(m_header->bit_rate),
                         QByteArray(reinterpret_cast<const char*>(m_header->extradata),
                                    m_header->extradata_size)},
        audiobook);
    // The first packet stands for the encoder's delay, before the first sample.
    m_pts = -m_header->initial_padding;
    return {};
}

void AacCodec::setTags(const BookTags& tags, int chapterRate, qint64 totalSamples)
{
    m_tags = tags;
    m_chapterRate = std::max(chapterRate, 1);
    m_totalSamples = totalSamples;
}

std::optional<BlockCodec::Packets> AacCodec::encode(const Block& block) const
{
    const std::unique_ptr<AVCodecContext, EncoderDeleter> codec(newEncoder());
    const std::unique_ptr<AVFrame, FrameDeleter> frame(av_frame_alloc());
    const std::unique_ptr<AVPacket, PacketDeleter> packet(av_packet_alloc());
    if (codec == nullptr || frame == nullptr || packet == nullptr ||
        codec->frame_size != FrameLength) {
        return std::nullopt;
    }
    frame->format = codec->sample_fmt;
    frame->sample_rate = m_sampleRate;
    frame->nb_samples = FrameLength;
    if (av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) < 0 ||
        av_frame_get_buffer(frame.get(), 0) < 0) {
        return std::nullopt;
    }
    // This encoder's packet at pts p (counted from the lead-in's start) covers the samples
    // from p to p + 2 frames, as the one stream's packet there does; the first stands for
    // the encoder's delay. The block keeps the packets that start in it, the first block
    // that first packet too, the last block every packet to the end.
    const qint64 from = block.first ? std::numeric_limits<qint64>::min() : block.leadIn;
    const qint64 to = block.last ? std::numeric_limits<qint64>::max() : block.leadIn + block.length;
    Packets packets;
    packets.length = block.length;
    packets.last = block.last;
    const auto receive = [&]() {
        for (;;) {
            const int received = avcodec_receive_packet(codec.get(), packet.get());
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
                return true;
            }
            if (received < 0) {
                return false;
            }
            if (packet->pts >= from && packet->pts < to) {
                packets.packets.append(
                    QByteArray(reinterpret_cast<const char*>(packet->data), packet->size));
            }
            av_packet_unref(packet.get());
        }
    };
    const qsizetype count = block.samples.size();
    for (qsizetype at = 0; at < count; at += FrameLength) {
        const qsizetype length = std::min<qsizetype>(FrameLength, count - at);
        if (av_frame_make_writable(frame.get()) < 0) {
            return std::nullopt;
        }
        frame->nb_samples = int(length); // the last frame may be short
        auto* input = reinterpret_cast<float*>(frame->data[0]);
        for (qsizetype i = 0; i < length; ++i) {
            input[i] = float(block.samples[at + i]) / 32768.0f;
        }
        frame->pts = at;
        if (avcodec_send_frame(codec.get(), frame.get()) < 0 || !receive()) {
            return std::nullopt;
        }
    }
    if (block.last && (avcodec_send_frame(codec.get(), nullptr) < 0 || !receive())) {
        return std::nullopt;
    }
    // A middle block stands for whole frames, a packet each.
    if (!block.last &&
        packets.packets.size() != (block.length + (block.first ? FrameLength : 0)) / FrameLength) {
        return std::nullopt;
    }
    return packets;
}

QByteArray AacCodec::begin()
{
    return m_writer->begin();
}

QByteArray AacCodec::add(const Packets& packets)
{
    if (m_failed) {
        return {};
    }
    m_samples += packets.length;
    QByteArray bytes;
    for (const QByteArray& packet : packets.packets) {
        // The last packets end where the samples do, as the encoder's own would.
        const qint64 duration =
            packets.last ? std::clamp<qint64>(m_samples - m_pts, 1, FrameLength) : FrameLength;
        if (!m_writer->add(bytes, packet, m_pts, duration)) {
            m_failed = true;
            return {};
        }
        m_pts += FrameLength;
    }
    return bytes;
}

QByteArray AacCodec::end()
{
    if (m_failed) {
        return {};
    }
    Mp4Writer::Tags tags;
    tags.title = cString(m_tags.title);
    tags.author = cString(m_tags.author);
    tags.cover = m_cover;
    tags.coverIsPng = m_coverIsPng;
    tags.chapterRate = m_chapterRate;
    const qsizetype count = m_tags.chapters.size();
    for (qsizetype i = 0; i < count; ++i) {
        tags.chapters.append({cString(m_tags.chapters.at(i).title), m_tags.chapters.at(i).sample,
                              i + 1 < count ? m_tags.chapters.at(i + 1).sample : m_totalSamples});
    }
    return m_writer->end(tags);
}

QByteArray AacCodec::finalBegin()
{
    return m_writer->finalBegin();
}

} // namespace recording
