#include "documents/PdfOutline.h"

#include <memory>
#include <poppler-qt6.h>

namespace documents::pdfoutline {

namespace {

struct Placing
{
    const QList<qsizetype>& pageStarts;
    QStringView text;
    QList<Chapter>& chapters;
};

qsizetype placeOnPage(const Placing& placing, int page, const QString& title)
{
    const qsizetype start = placing.pageStarts[page];
    const qsizetype end =
        page + 1 < placing.pageStarts.size() ? placing.pageStarts[page + 1] : placing.text.size();
    // A second bookmark on one page is looked for after the first.
    qsizetype from = start;
    if (!placing.chapters.isEmpty() && placing.chapters.back().textStart >= start &&
        placing.chapters.back().textStart < end) {
        from = placing.chapters.back().textStart + 1;
    }
    const QString needle = title.simplified();
    if (needle.isEmpty() || from >= end) {
        return start;
    }
    // A heading begins its line; the same words inside a paragraph are only a fallback.
    const QStringView rest = placing.text.sliced(from, end - from);
    const qsizetype first = rest.indexOf(needle, 0, Qt::CaseInsensitive);
    for (qsizetype at = first; at >= 0; at = rest.indexOf(needle, at + 1, Qt::CaseInsensitive)) {
        if (from + at == start || placing.text[from + at - 1] == u'\n') {
            return from + at;
        }
    }
    return first < 0 ? start : from + first;
}

void place(const Placing& placing, const QList<Poppler::OutlineItem>& items, int level)
{
    if (level > kMaxChapterLevel) {
        return;
    }
    for (const Poppler::OutlineItem& item : items) {
        const QSharedPointer<const Poppler::LinkDestination> destination = item.destination();
        const int page = destination ? destination->pageNumber() - 1 : -1;
        if (page >= 0 && page < placing.pageStarts.size()) {
            placing.chapters.append(
                Chapter{item.name(), placeOnPage(placing, page, item.name()), level});
        }
        if (item.hasChildren()) {
            place(placing, item.children(), level + 1);
        }
    }
}

} // namespace

DocumentOutline read(const QByteArray& data, const QList<qsizetype>& pageStarts, QStringView text)
{
    DocumentOutline outline;
    Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(data);
    if (!document || document->isLocked()) {
        return outline;
    }
    outline.title = document->title();
    outline.author = document->author();
    place(Placing{pageStarts, text, outline.chapters}, document->outline(), 1);
    return outline;
}

} // namespace documents::pdfoutline
