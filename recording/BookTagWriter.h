#pragma once

#include "platform/Result.h"
#include "recording/BookTags.h"
#include "recording/SoundFormat.h"

namespace recording {

// Writes a book's title, author, chapters and cover into a finished MP3, Ogg Vorbis, Opus or
// FLAC file in the tags each has: an ID3v2 chapter list and picture in MP3, comments (and a
// picture block in FLAC) in the others.
class BookTagWriter
{
public:
    // The tags made writable (writableTags); chapters counted in samples at sampleRate, the
    // sound totalSamples long.
    BookTagWriter(const BookTags& tags, int sampleRate, qint64 totalSamples);

    // Tags the file open for reading and writing at descriptor, where it is: the audio moves
    // on only as far as the tags outgrow the room before it, a piece at a time. Fails with
    // the system's reason when the disk refuses.
    platform::Result<void> write(int descriptor, SoundFormat format) const;

private:
    BookTags m_tags;
    int m_sampleRate;
    qint64 m_totalSamples;
};

} // namespace recording
