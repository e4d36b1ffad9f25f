#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace recording {

// A place in a recorded book a player can jump to.
struct ChapterMark
{
    QString title;
    qint64 sample = 0; // output sample where the chapter's first word is spoken
};

// What a recording says about the book it holds: each format writes it into tags of its own.
struct BookTags
{
    QString title;
    QString author;
    QByteArray cover;            // image bytes, empty for none
    QString coverMimeType;       // "image/jpeg" / "image/png"
    QList<ChapterMark> chapters; // in order, first usually at 0
};

// The longest title, author or chapter name a recording carries; longer ones are cut there.
// Players show a line, and the ID3 and MP4 chapter lists keep a few hundred bytes at most.
constexpr qsizetype MaxTagLength = 500;

// The tags as every format writes them: names without control characters and cut to
// MaxTagLength; a cover no image reader takes is left out, one neither JPEG nor PNG is turned
// into PNG (the formats that take pictures all take those two), its type named from its bytes;
// chapters in the order of their samples, those that start at or after the sound's end
// (totalSamples: a stopped recording) left out.
BookTags writableTags(const BookTags& tags, qint64 totalSamples);

} // namespace recording
