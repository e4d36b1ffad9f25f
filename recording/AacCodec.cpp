#include "recording/AacCodec.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
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
constexpr int IoBufferSize = 64 * 1024;
// Frames a block's encoder codes before the block's own. After two its choice of windows is
// the one encoder's (an hour and a half of speech: not one packet differs); the rest let its
// psychoacoustic model settle near where the one before's was (with 2 or 4, one packet in 400
// differs from what 8 give). The lead-in costs 5 % more coding.
constexpr int LeadInFrames = 8;

QString averrorText(int error)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof(text));
    return QString::fromUtf8(text);
}

void setTag(AVDictionary** tags, const char* key, const QString& value)
{
    if (!value.isEmpty()) {
        av_dict_set(tags, key, value.toUtf8().constData(), 0);
    }
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

// The file as the muxer writes it, in memory: what it appends waits to be handed on; the
// opening bytes are kept, for the muxer goes back to them at the end.
struct AacCodec::Output
{
    QByteArray head; // the file's opening bytes, as the muxer last wrote them
    bool headChanged = false;
    QByteArray pending; // from handedOn on
    qint64 handedOn = 0;
    qint64 position = 0;
};

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

AacCodec::AacCodec(int sampleRate) : m_sampleRate(sampleRate), m_output(std::make_unique<Output>())
{
    // The libraries' notes on their own choices are no news to the user; what goes wrong
    // reaches them as the recording's message.
    av_log_set_level(AV_LOG_ERROR);
}

AacCodec::~AacCodec()
{
    av_packet_free(&m_packet);
    avcodec_free_context(&m_header);
    if (m_format != nullptr) {
        if (m_format->pb != nullptr) {
            av_freep(&m_format->pb->buffer);
            avio_context_free(&m_format->pb);
        }
        avformat_free_context(m_format);
    }
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
    codec->flags |= AV_CODEC_FLAG_QSCALE;
    codec->global_quality = int(std::lround(Quality * FF_QP2LAMBDA));
    codec->time_base = {1, m_sampleRate};
    // Bit-exact: the same speech makes the same file, without the library's version in it.
    codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_BITEXACT;
    // The default scale-factor search ("twoloop") codes a book six times slower for no
    // difference one hears in a voice at this rate (64 kb/s for one channel is what music
    // gets for two); FFmpeg's own tests code with the fast one as well.
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

int AacCodec::writeOutput(void* opaque, quint8* buffer, int size)
{
    Output& output = *static_cast<Output*>(opaque);
    const auto* bytes = reinterpret_cast<const char*>(buffer);
    if (output.position >= output.handedOn) {
        const qint64 at = output.position - output.handedOn;
        if (output.pending.size() < at + size) {
            output.pending.resize(at + size);
        }
        std::memcpy(output.pending.data() + at, bytes, size_t(size));
    } else if (output.position + size <= output.head.size()) {
        std::memcpy(output.head.data() + output.position, bytes, size_t(size));
        output.headChanged = true;
    } else {
        return AVERROR(EIO); // bytes handed on that are not the opening ones
    }
    output.position += size;
    return size;
}

int64_t AacCodec::seekOutput(void* opaque, int64_t offset, int whence)
{
    Output& output = *static_cast<Output*>(opaque);
    const qint64 size = output.handedOn + output.pending.size();
    if ((whence & AVSEEK_SIZE) != 0) {
        return size;
    }
    qint64 position = offset;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_CUR:
        position += output.position;
        break;
    case SEEK_END:
        position += size;
        break;
    default:
        break;
    }
    if (position < 0) {
        return AVERROR(EINVAL);
    }
    output.position = position;
    return position;
}

QByteArray AacCodec::written()
{
    avio_flush(m_format->pb);
    if (m_format->pb->error < 0) {
        m_failed = true;
    }
    QByteArray bytes;
    std::swap(bytes, m_output->pending);
    m_output->handedOn += bytes.size();
    return bytes;
}

platform::Result<void> AacCodec::open(const QByteArray& cover, bool audiobook)
{
    if (avcodec_find_encoder_by_name("aac") == nullptr) {
        return platform::Failure{QStringLiteral("this system's FFmpeg has no AAC encoder")};
    }
    m_header = newEncoder();
    m_packet = av_packet_alloc();
    if (m_header == nullptr || m_packet == nullptr) {
        return platform::Failure{
            QStringLiteral("the AAC encoder takes no sound at %1 Hz").arg(m_sampleRate)};
    }
    // The muxer FFmpeg picks for .m4a and .m4b files.
    if (const int error = avformat_alloc_output_context2(&m_format, nullptr, "ipod", nullptr);
        error < 0) {
        return platform::Failure{averrorText(error)};
    }
    m_format->flags |= AVFMT_FLAG_BITEXACT;
    if (audiobook) {
        av_opt_set(m_format->priv_data, "brand", "M4B ", 0);
    }
    AVStream* audio = avformat_new_stream(m_format, nullptr);
    if (audio == nullptr) {
        return platform::Failure{averrorText(AVERROR(ENOMEM))};
    }
    // The encoder's delay (initial padding) and its header go with the stream.
    avcodec_parameters_from_context(audio->codecpar, m_header);
    audio->time_base = m_header->time_base;
    AVStream* picture = nullptr;
    if (!cover.isEmpty()) {
        picture = avformat_new_stream(m_format, nullptr);
        if (picture == nullptr) {
            return platform::Failure{averrorText(AVERROR(ENOMEM))};
        }
        QByteArray data = cover;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        const QImageReader reader(&buffer);
        picture->disposition = AV_DISPOSITION_ATTACHED_PIC;
        picture->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        picture->codecpar->codec_id =
            reader.format() == "png" ? AV_CODEC_ID_PNG : AV_CODEC_ID_MJPEG;
        picture->codecpar->width = reader.size().width();
        picture->codecpar->height = reader.size().height();
        picture->time_base = {1, 90000};
    }
    auto* ioBuffer = static_cast<unsigned char*>(av_malloc(IoBufferSize));
    m_format->pb = ioBuffer == nullptr
                       ? nullptr
                       : avio_alloc_context(ioBuffer, IoBufferSize, 1, m_output.get(), nullptr,
                                            writeOutput, seekOutput);
    if (m_format->pb == nullptr) {
        av_free(ioBuffer);
        return platform::Failure{averrorText(AVERROR(ENOMEM))};
    }
    if (const int error = avformat_write_header(m_format, nullptr); error < 0) {
        return platform::Failure{averrorText(error)};
    }
    if (picture != nullptr) {
        // The muxer keeps the picture's one packet and writes it with the index.
        if (const int error = av_new_packet(m_packet, int(cover.size())); error < 0) {
            return platform::Failure{averrorText(error)};
        }
        std::memcpy(m_packet->data, cover.constData(), size_t(cover.size()));
        m_packet->stream_index = picture->index;
        m_packet->flags |= AV_PKT_FLAG_KEY;
        m_packet->pts = m_packet->dts = 0;
        const int error = av_write_frame(m_format, m_packet);
        av_packet_unref(m_packet);
        if (error < 0) {
            return platform::Failure{averrorText(error)};
        }
    }
    avio_flush(m_format->pb);
    m_output->head = m_output->pending;
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
    return written();
}

QByteArray AacCodec::add(const Packets& packets)
{
    if (m_failed) {
        return {};
    }
    m_samples += packets.length;
    AVStream* audio = m_format->streams[0];
    for (const QByteArray& bytes : packets.packets) {
        if (av_new_packet(m_packet, int(bytes.size())) < 0) {
            m_failed = true;
            return {};
        }
        std::memcpy(m_packet->data, bytes.constData(), size_t(bytes.size()));
        m_packet->stream_index = audio->index;
        m_packet->flags |= AV_PKT_FLAG_KEY;
        m_packet->pts = m_packet->dts = m_pts;
        // The last packets end where the samples do, as the encoder's own would.
        m_packet->duration =
            packets.last ? std::clamp<qint64>(m_samples - m_pts, 1, FrameLength) : FrameLength;
        m_pts += FrameLength;
        av_packet_rescale_ts(m_packet, m_header->time_base, audio->time_base);
        const int error = av_write_frame(m_format, m_packet);
        av_packet_unref(m_packet);
        if (error < 0) {
            m_failed = true;
            return {};
        }
    }
    return written();
}

QByteArray AacCodec::end()
{
    if (m_failed) {
        return {};
    }
    setTag(&m_format->metadata, "title", m_tags.title);
    setTag(&m_format->metadata, "artist", m_tags.author);
    // The muxer writes chapters it finds only at the end, as a chapter track (and a short
    // list older players read), so they can be gathered while the sound is made.
    const qsizetype count = m_tags.chapters.size();
    if (count > 0) {
        m_format->chapters = static_cast<AVChapter**>(av_calloc(size_t(count), sizeof(AVChapter*)));
        if (m_format->chapters == nullptr) {
            m_failed = true;
            return {};
        }
    }
    for (qsizetype i = 0; i < count; ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (chapter == nullptr) {
            m_failed = true;
            return {};
        }
        m_format->chapters[i] = chapter;
        m_format->nb_chapters = unsigned(i + 1);
        chapter->id = i;
        chapter->time_base = {1, m_chapterRate};
        chapter->start = m_tags.chapters.at(i).sample;
        chapter->end = i + 1 < count ? m_tags.chapters.at(i + 1).sample : m_totalSamples;
        setTag(&chapter->metadata, "title", m_tags.chapters.at(i).title);
    }
    if (av_write_trailer(m_format) < 0) {
        m_failed = true;
        return {};
    }
    return written();
}

QByteArray AacCodec::finalBegin()
{
    return m_output->headChanged ? m_output->head : QByteArray();
}

} // namespace recording
