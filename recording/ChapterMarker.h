#pragma once

#include "recording/BookTags.h"
#include "recording/SoundFormat.h"
#include "recording/WordTiming.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace recording {

// A chapter by the place of its heading in the recorded text (a UTF-16 offset).
struct TextChapter
{
    QString title;
    qsizetype textStart = 0;
};

// What a recording of a document tells of the book: its chapters are known by their places
// in the text, their places in the sound only once they are spoken.
struct SpokenBook
{
    QString title; // empty: the recording's own title stays
    QString author;
    QByteArray cover;            // image bytes, empty for none
    QList<TextChapter> chapters; // in text order
    bool noChapters = false;     // asked for none: not even the whole as one
};

// Places a book's chapters in its recording as the words are spoken: a chapter begins with
// the first word at or after its heading. The command line and the window both mark their
// recordings' chapters here.
class ChapterMarker
{
public:
    explicit ChapterMarker(const SpokenBook& book);

    // The tags a recording in the format is given before it opens (an M4B file takes its
    // cover only then), or none for a book that tells nothing, so that a plain text is
    // recorded as it always was. name titles a book without a title of its own. A book
    // without chapters is one chapter in the formats that keep chapters inside the file;
    // a wave file would need a cue sheet for it, which says nothing its name does not.
    static std::optional<BookTags> tagsFor(const SpokenBook& book, SoundFormat format,
                                           const QString& name);

    // Whether words are wanted at all: some chapter is still to be placed.
    bool placing() const { return m_next < m_chapters.size(); }
    // The next word spoken (words come in text order): the chapter it begins, if any.
    std::optional<ChapterMark> addWord(const WordTiming& word);

private:
    QList<TextChapter> m_chapters;
    qsizetype m_next = 0;
};

} // namespace recording
