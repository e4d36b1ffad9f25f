#include "recording/BookTags.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <algorithm>

namespace recording {

namespace {

// A line break or tab inside a name becomes a space, other control characters go: a
// player shows one line, and some tag readers stop at the first control character.
QString writableText(const QString& text)
{
    QString out;
    out.reserve(std::min(text.size(), MaxTagLength * 2));
    for (const QChar c : text) {
        if (c.category() != QChar::Other_Control) {
            out.append(c);
        } else if (c.isSpace()) {
            out.append(u' ');
        }
        if (out.size() > MaxTagLength * 2) {
            break; // enough to cut from, without copying a whole book pasted as a title
        }
    }
    out = out.simplified();
    if (out.size() > MaxTagLength) {
        out.truncate(out.at(MaxTagLength - 1).isHighSurrogate() ? MaxTagLength - 1 : MaxTagLength);
    }
    return out;
}

// The cover as a JPEG or PNG file's bytes with its type, or nothing when the bytes are no
// image. Decoded once in full: a picture cut short reads its header but not its pixels.
void makeCoverWritable(BookTags& tags)
{
    QBuffer buffer(&tags.cover);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QImage image = reader.read();
    if (image.isNull()) {
        tags.cover.clear();
        tags.coverMimeType.clear();
        return;
    }
    if (format == "jpeg" || format == "png") {
        tags.coverMimeType = QStringLiteral("image/") + QLatin1String(format);
        return;
    }
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    image.save(&out, "PNG");
    tags.cover = png;
    tags.coverMimeType = QStringLiteral("image/png");
}

} // namespace

BookTags writableTags(const BookTags& tags, qint64 totalSamples)
{
    BookTags out;
    out.title = writableText(tags.title);
    out.author = writableText(tags.author);
    out.cover = tags.cover;
    if (!out.cover.isEmpty()) {
        makeCoverWritable(out);
    }
    for (const ChapterMark& chapter : tags.chapters) {
        if (chapter.sample >= 0 && chapter.sample < totalSamples) {
            out.chapters.append({writableText(chapter.title), chapter.sample});
        }
    }
    std::stable_sort(
        out.chapters.begin(), out.chapters.end(),
        [](const ChapterMark& a, const ChapterMark& b) { return a.sample < b.sample; });
    return out;
}

} // namespace recording
