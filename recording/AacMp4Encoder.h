#pragma once

#include "platform/Result.h"
#include "recording/BookTags.h"

#include <QVector>
#include <cstdint>

class QFileDevice;
struct AVCodecContext;
struct AVFormatContext;
struct AVFrame;
struct AVPacket;

namespace recording {

// Encodes mono speech as AAC in an MP4 file (.m4b audiobooks, .m4a) with FFmpeg's libraries:
// the book's chapters as MP4 chapters, its title and author as tags, its cover as the
// picture players show. Writes into a file the caller opened and puts in place.
class AacMp4Encoder
{
public:
    // The rate a sound at rate is coded at: AAC takes only some rates, the next one up.
    static int codedRate(int rate);

    // Writes into file (open for writing, positioned at its start) sound at codedRate().
    AacMp4Encoder(QFileDevice& file, int sampleRate);
    ~AacMp4Encoder();
    AacMp4Encoder(const AacMp4Encoder&) = delete;
    AacMp4Encoder& operator=(const AacMp4Encoder&) = delete;

    // Starts the file. An MP4 file's tracks are fixed when it starts, so the cover (a JPEG
    // or PNG file's bytes, from writable tags; empty for none) is given here. audiobook marks
    // the file as a book (brand "M4B ") rather than as music.
    platform::Result<void> open(const QByteArray& cover, bool audiobook);
    platform::Result<void> write(const qint16* samples, qsizetype count);
    // Codes what is left and writes the file's index with the title, author and chapters
    // (writable tags, chapters counted in samples at chapterRate, the sound totalSamples
    // long there). The cover in tags is not read: open() took it.
    platform::Result<void> finish(const BookTags& tags, int chapterRate, qint64 totalSamples);

private:
    static int writePacket(void* opaque, quint8* buffer, int size);
    static int64_t seek(void* opaque, int64_t offset, int whence);
    platform::Result<void> encode(AVFrame* frame);
    platform::Result<void> sendBuffered();
    platform::Result<void> failure(int averror) const;

    QFileDevice& m_file;
    int m_sampleRate;
    AVFormatContext* m_format = nullptr;
    AVCodecContext* m_codec = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    QVector<float> m_pending; // samples short of a whole AAC frame
    qint64 m_pts = 0;
    int m_errorNumber = 0; // of the first write the file refused
};

} // namespace recording
