#include "recording/AacMp4Encoder.h"

#include "platform/FileError.h"

#include <QBuffer>
#include <QFileDevice>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace recording {

namespace {

// Plenty for one voice: speech at 64 kb/s is clear at a tenth of a wave file's size.
constexpr int BitRate = 64000;
constexpr int IoBufferSize = 64 * 1024;

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

} // namespace

int AacMp4Encoder::codedRate(int rate)
{
    for (const int allowed :
         {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 64000, 88200}) {
        if (rate <= allowed) {
            return allowed;
        }
    }
    return 96000;
}

AacMp4Encoder::AacMp4Encoder(QFileDevice& file, int sampleRate)
    : m_file(file), m_sampleRate(sampleRate)
{
}

AacMp4Encoder::~AacMp4Encoder()
{
    av_packet_free(&m_packet);
    av_frame_free(&m_frame);
    avcodec_free_context(&m_codec);
    if (m_format != nullptr) {
        if (m_format->pb != nullptr) {
            av_freep(&m_format->pb->buffer);
            avio_context_free(&m_format->pb);
        }
        avformat_free_context(m_format);
    }
}

int AacMp4Encoder::writePacket(void* opaque, quint8* buffer, int size)
{
    auto* encoder = static_cast<AacMp4Encoder*>(opaque);
    if (encoder->m_file.write(reinterpret_cast<const char*>(buffer), size) != size) {
        if (encoder->m_errorNumber == 0) {
            encoder->m_errorNumber = errno != 0 ? errno : EIO;
        }
        return AVERROR(EIO);
    }
    return size;
}

int64_t AacMp4Encoder::seek(void* opaque, int64_t offset, int whence)
{
    QFileDevice& file = static_cast<AacMp4Encoder*>(opaque)->m_file;
    if ((whence & AVSEEK_SIZE) != 0) {
        return file.size();
    }
    qint64 position = offset;
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_CUR:
        position += file.pos();
        break;
    case SEEK_END:
        position += file.size();
        break;
    default:
        break;
    }
    return file.seek(position) ? position : AVERROR(EIO);
}

platform::Result<void> AacMp4Encoder::failure(int averror) const
{
    if (m_errorNumber != 0) {
        return platform::Failure{platform::fileErrorText(m_errorNumber, &m_file)};
    }
    return platform::Failure{averrorText(averror)};
}

platform::Result<void> AacMp4Encoder::open(const QByteArray& cover, bool audiobook)
{
    // The libraries' notes on their own choices are no news to the user; what goes wrong
    // reaches them as the recording's message.
    av_log_set_level(AV_LOG_ERROR);
    // FFmpeg's own encoder: Debian's build has no other AAC encoder.
    const AVCodec* aac = avcodec_find_encoder_by_name("aac");
    if (aac == nullptr) {
        return platform::Failure{QStringLiteral("this system's FFmpeg has no AAC encoder")};
    }
    m_codec = avcodec_alloc_context3(aac);
    m_frame = av_frame_alloc();
    m_packet = av_packet_alloc();
    if (m_codec == nullptr || m_frame == nullptr || m_packet == nullptr) {
        return failure(AVERROR(ENOMEM));
    }
    m_codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_codec->sample_rate = m_sampleRate;
    av_channel_layout_default(&m_codec->ch_layout, 1);
    m_codec->bit_rate = BitRate;
    m_codec->time_base = {1, m_sampleRate};
    // Bit-exact: the same speech makes the same file, without the library's version in it.
    m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER | AV_CODEC_FLAG_BITEXACT;
    // The default scale-factor search ("twoloop") codes a book six times slower for no
    // difference one hears in a voice at this rate (64 kb/s for one channel is what music
    // gets for two); FFmpeg's own tests code with the fast one as well.
    av_opt_set(m_codec->priv_data, "aac_coder", "fast", 0);
    if (const int error = avcodec_open2(m_codec, aac, nullptr); error < 0) {
        return failure(error);
    }
    // The muxer FFmpeg picks for .m4a and .m4b files.
    if (const int error = avformat_alloc_output_context2(&m_format, nullptr, "ipod", nullptr);
        error < 0) {
        return failure(error);
    }
    m_format->flags |= AVFMT_FLAG_BITEXACT;
    if (audiobook) {
        av_opt_set(m_format->priv_data, "brand", "M4B ", 0);
    }
    AVStream* audio = avformat_new_stream(m_format, nullptr);
    if (audio == nullptr) {
        return failure(AVERROR(ENOMEM));
    }
    avcodec_parameters_from_context(audio->codecpar, m_codec);
    audio->time_base = m_codec->time_base;
    AVStream* picture = nullptr;
    if (!cover.isEmpty()) {
        picture = avformat_new_stream(m_format, nullptr);
        if (picture == nullptr) {
            return failure(AVERROR(ENOMEM));
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
    m_format->pb = ioBuffer == nullptr ? nullptr
                                       : avio_alloc_context(ioBuffer, IoBufferSize, 1, this,
                                                            nullptr, writePacket, seek);
    if (m_format->pb == nullptr) {
        av_free(ioBuffer);
        return failure(AVERROR(ENOMEM));
    }
    if (const int error = avformat_write_header(m_format, nullptr); error < 0) {
        return failure(error);
    }
    m_frame->format = m_codec->sample_fmt;
    m_frame->sample_rate = m_sampleRate;
    m_frame->nb_samples = m_codec->frame_size;
    av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout);
    if (const int error = av_frame_get_buffer(m_frame, 0); error < 0) {
        return failure(error);
    }
    if (picture != nullptr) {
        // The muxer keeps the picture's one packet and writes it with the index.
        if (const int error = av_new_packet(m_packet, int(cover.size())); error < 0) {
            return failure(error);
        }
        std::memcpy(m_packet->data, cover.constData(), size_t(cover.size()));
        m_packet->stream_index = picture->index;
        m_packet->flags |= AV_PKT_FLAG_KEY;
        m_packet->pts = m_packet->dts = 0;
        const int error = av_write_frame(m_format, m_packet);
        av_packet_unref(m_packet);
        if (error < 0) {
            return failure(error);
        }
    }
    return {};
}

platform::Result<void> AacMp4Encoder::write(const qint16* samples, qsizetype count)
{
    const int frameSize = m_codec->frame_size;
    for (qsizetype i = 0; i < count; ++i) {
        m_pending.append(float(samples[i]) / 32768.0f);
        if (m_pending.size() == frameSize) {
            if (platform::Result<void> sent = sendBuffered(); !sent) {
                return sent;
            }
        }
    }
    return {};
}

platform::Result<void> AacMp4Encoder::sendBuffered()
{
    if (const int error = av_frame_make_writable(m_frame); error < 0) {
        return failure(error);
    }
    m_frame->nb_samples = int(m_pending.size()); // the last frame may be short
    std::copy(m_pending.cbegin(), m_pending.cend(), reinterpret_cast<float*>(m_frame->data[0]));
    m_frame->pts = m_pts;
    m_pts += m_pending.size();
    m_pending.clear();
    return encode(m_frame);
}

platform::Result<void> AacMp4Encoder::encode(AVFrame* frame)
{
    if (const int error = avcodec_send_frame(m_codec, frame); error < 0) {
        return failure(error);
    }
    AVStream* audio = m_format->streams[0];
    for (;;) {
        const int received = avcodec_receive_packet(m_codec, m_packet);
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) {
            return {};
        }
        if (received < 0) {
            return failure(received);
        }
        av_packet_rescale_ts(m_packet, m_codec->time_base, audio->time_base);
        m_packet->stream_index = audio->index;
        const int error = av_write_frame(m_format, m_packet);
        av_packet_unref(m_packet);
        if (error < 0) {
            return failure(error);
        }
    }
}

platform::Result<void> AacMp4Encoder::finish(const BookTags& tags, int chapterRate,
                                             qint64 totalSamples)
{
    if (!m_pending.isEmpty()) {
        if (platform::Result<void> sent = sendBuffered(); !sent) {
            return sent;
        }
    }
    if (platform::Result<void> flushed = encode(nullptr); !flushed) {
        return flushed;
    }
    setTag(&m_format->metadata, "title", tags.title);
    setTag(&m_format->metadata, "artist", tags.author);
    // The muxer writes chapters it finds only at the end, as a chapter track (and a short
    // list older players read), so they can be gathered while the sound is made.
    const qsizetype count = tags.chapters.size();
    if (count > 0) {
        m_format->chapters = static_cast<AVChapter**>(av_calloc(size_t(count), sizeof(AVChapter*)));
        if (m_format->chapters == nullptr) {
            return failure(AVERROR(ENOMEM));
        }
    }
    for (qsizetype i = 0; i < count; ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (chapter == nullptr) {
            return failure(AVERROR(ENOMEM));
        }
        m_format->chapters[i] = chapter;
        m_format->nb_chapters = unsigned(i + 1);
        chapter->id = i;
        chapter->time_base = {1, chapterRate};
        chapter->start = tags.chapters.at(i).sample;
        chapter->end = i + 1 < count ? tags.chapters.at(i + 1).sample : totalSamples;
        setTag(&chapter->metadata, "title", tags.chapters.at(i).title);
    }
    if (const int error = av_write_trailer(m_format); error < 0) {
        return failure(error);
    }
    avio_flush(m_format->pb);
    if (m_errorNumber != 0 || m_format->pb->error < 0) {
        return failure(m_format->pb->error);
    }
    return {};
}

} // namespace recording
