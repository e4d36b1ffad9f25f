#pragma once

#include "platform/Result.h"
#include "recording/BlockCodec.h"
#include "recording/BookTags.h"
#include "recording/Mp4Writer.h"

#include <QByteArray>
#include <memory>

struct AVCodecContext;

namespace recording {

// Mono speech as AAC in an MP4 file (.m4b audiobooks, .m4a), in blocks, with FFmpeg's
// AAC encoder: the book's chapters as MP4 chapters, its title and author as tags, its cover
// as the picture players show.
//
// Each block's encoder starts on the block's lead-in, so by the block's first packet it
// chooses the windows one encoder would (two neighbouring packets' windows must overlap
// with the same shape, or the join is heard) and spends bits much as it would. Whichever
// encoder made it, the packet at a time covers the same two frames of the stream, so the
// blocks' packets take their places with the times one encoder gives them, its delay (one
// frame) cut off by the file's edit list: a player plays the samples written.
//
// Mp4Writer makes the file: each block's packets go straight on to the file, the index, the
// chapters and the tags come at the end, and the size of the samples' box comes back as
// finalBegin().
class AacCodec : public BlockCodec
{
public:
    // The rate a sound at rate is coded at: AAC takes only some rates, the next one up.
    static int codedRate(int rate);

    // Sound at a rate codedRate() gives.
    explicit AacCodec(int sampleRate);
    ~AacCodec() override;
    AacCodec(const AacCodec&) = delete;
    AacCodec& operator=(const AacCodec&) = delete;

    // Starts the file: before begin(). The cover (a JPEG or PNG file's bytes, from writable
    // tags; empty for none) is given here and written with the index at the end. audiobook
    // marks the file as a book (brand "M4B ") rather than as music.
    platform::Result<void> open(const QByteArray& cover, bool audiobook);
    // The title, author and chapters written at end() (writable tags, chapters counted in
    // samples at chapterRate, the sound totalSamples long there). The cover is not read:
    // open() took it.
    void setTags(const BookTags& tags, int chapterRate, qint64 totalSamples);

    int frameLength() const override { return FrameLength; }
    int leadInFrames() const override;
    // A packet covers the frame it stands for and the next; the encoder's choice of
    // window looks half a frame further, into the frame after.
    int leadOut() const override { return 2 * FrameLength; }
    std::optional<Packets> encode(const Block& block) const override;
    QByteArray begin() override;
    QByteArray add(const Packets& packets) override;
    QByteArray end() override;
    QByteArray finalBegin() override;
    bool failed() const override { return m_failed; }

private:
    static constexpr int FrameLength = 1024;

    AVCodecContext* newEncoder() const;

    int m_sampleRate;
    AVCodecContext* m_header = nullptr; // the stream's parameters, never fed samples
    std::unique_ptr<Mp4Writer> m_writer;
    QByteArray m_cover;
    bool m_coverIsPng = false;
    BookTags m_tags;
    int m_chapterRate = 1;
    qint64 m_totalSamples = 0;
    qint64 m_samples = 0; // of the blocks added
    qint64 m_pts = 0;     // of the next packet
    bool m_failed = false;
};

} // namespace recording
