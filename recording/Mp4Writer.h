#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>
#include <deque>
#include <vector>

namespace recording {

// An MP4 file (.m4b, .m4a) of one AAC track, written as its samples come: the samples go
// straight on to the file, and of each the index keeps only its size (and of each chunk its
// offset), so a book of forty hours costs a few megabytes. At the end come the chapters (a
// text track and the short list older players read), the title, the author and the cover.
// The boxes are laid out as FFmpeg's "ipod" muxer lays them out in its bit-exact mode, so
// players that read those files read these.
class Mp4Writer
{
public:
    struct Audio
    {
        int sampleRate = 0;
        int bitRate = 0;          // what the encoder was asked for
        QByteArray decoderConfig; // the encoder's AudioSpecificConfig
    };

    struct Chapter
    {
        QByteArray title; // UTF-8; a chapter without one has no sample in the text track
        qint64 start = 0; // in 1/rate seconds
        qint64 end = 0;
    };

    struct Tags
    {
        QByteArray title; // UTF-8, empty for none
        QByteArray author;
        QByteArray cover; // JPEG or PNG bytes, empty for none
        bool coverIsPng = false;
        QList<Chapter> chapters;
        int chapterRate = 1;
    };

    // audiobook: brand "M4B " rather than "M4A ".
    Mp4Writer(const Audio& audio, bool audiobook);

    // The file's opening bytes: the brand, and the header of the box the samples go in.
    QByteArray begin();
    // Appends one AAC packet to bytes (the next bytes of the file); time and duration in
    // samples, time counted from the first sample played (the encoder's delay is negative).
    // False when the packet is larger than any one channel's can be.
    bool add(QByteArray& bytes, const QByteArray& packet, qint64 time, qint64 duration);
    // The bytes that end the file: the chapters' text samples and the index.
    QByteArray end(const Tags& tags);
    // begin()'s bytes with the size of the samples' box filled in (as many bytes).
    QByteArray finalBegin() const;

private:
    // What the index keeps of a track's samples.
    struct Track
    {
        int timescale = 0;
        bool presetStart = false; // a start time before any sample (the chapter track's 0)
        qint64 start = 0;         // time of the first sample
        qint64 duration = 0;      // from start to the end of the last sample
        qint64 endTime = 0;       // the latest end of a sample
        qint64 lastTime = 0;
        qint64 lastOffset = 0; // of the last sample in the file
        quint64 bytes = 0;
        std::deque<quint16> sizes; // grows in small blocks, never copied
        bool equalSizes = true;
        // Sample durations as (count, duration) runs, the last sample's not yet among them.
        std::vector<std::pair<quint32, quint32>> durations;
        std::vector<qint64> chunkOffsets;
        // Samples per chunk as (first chunk, samples) where the count changes.
        std::vector<std::pair<quint32, quint32>> chunkRuns;
        qint64 chunkSize = 0;
        quint32 chunkSamples = 0;

        qsizetype count() const { return qsizetype(sizes.size()); }
        bool add(qint64 offset, qsizetype size, qint64 time, qint64 sampleDuration);
        void closeChunk();
    };

    void writeTrack(QByteArray& bytes, const Track& track, int id, bool audio,
                    int chapterTrackId) const;
    void writeSampleTable(QByteArray& bytes, const Track& track, bool audio) const;

    Audio m_audio;
    bool m_audiobook = false;
    QByteArray m_begin;
    qint64 m_position = 0;  // bytes of the file so far
    qint64 m_dataStart = 0; // where the samples' box's size goes
    quint64 m_dataSize = 0; // bytes of samples
    Track m_track;
};

} // namespace recording
