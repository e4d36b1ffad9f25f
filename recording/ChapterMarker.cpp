#include "recording/ChapterMarker.h"

namespace recording {

ChapterMarker::ChapterMarker(const SpokenBook& book)
    : m_chapters(book.noChapters ? QList<TextChapter>() : book.chapters)
{
}

std::optional<BookTags> ChapterMarker::tagsFor(const SpokenBook& book, SoundFormat format,
                                               const QString& name)
{
    if (book.title.isEmpty() && book.author.isEmpty() && book.cover.isEmpty() &&
        (book.chapters.isEmpty() || book.noChapters)) {
        return std::nullopt;
    }
    BookTags tags;
    tags.title = book.title.isEmpty() ? name : book.title;
    tags.author = book.author;
    tags.cover = book.cover;
    if (book.chapters.isEmpty() && !book.noChapters && format != SoundFormat::Wave) {
        tags.chapters.append({tags.title, 0});
    }
    return tags;
}

std::optional<ChapterMark> ChapterMarker::addWord(const WordTiming& word)
{
    std::optional<ChapterMark> begun;
    while (m_next < m_chapters.size() && word.textStart >= m_chapters.at(m_next).textStart) {
        // Headings with no word of their own (a row of stars) share the next one's first
        // word: the first of them names the place, as the document's outline keeps the first
        // of two headings at one place.
        if (!begun) {
            begun = ChapterMark{m_chapters.at(m_next).title, word.sample};
        }
        ++m_next;
    }
    return begun;
}

} // namespace recording
