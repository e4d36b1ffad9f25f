#include "recording/ReadAlongBook.h"

#include "platform/WriteBack.h"
#include "recording/SideFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>
#include <algorithm>
#include <cerrno>
#include <zip.h>

namespace recording {

namespace {

const QString kActiveClass = QStringLiteral("-epub-media-overlay-active");

// Characters XML cannot hold at all (most control characters, lone surrogates) are left
// out; the rest is escaped.
QString xmlText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (c.isSurrogate() || (c.unicode() < 0x20 && c != u'\t' && c != u'\n') ||
            c.unicode() >= 0xFFFE) {
            continue;
        }
        switch (c.unicode()) {
        case u'&':
            out += QStringLiteral("&amp;");
            break;
        case u'<':
            out += QStringLiteral("&lt;");
            break;
        case u'>':
            out += QStringLiteral("&gt;");
            break;
        case u'"':
            out += QStringLiteral("&quot;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString xmlHead()
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
}

QString pageHead(const QString& language, const QString& title, const QString& styleHref)
{
    return xmlHead() +
           QStringLiteral("<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" "
                          "xmlns:epub=\"http://www.idpf.org/2007/ops\" xml:lang=\"%1\" "
                          "lang=\"%1\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>%2</title>\n"
                          "<link rel=\"stylesheet\" type=\"text/css\" href=\"%3\"/>\n</head>\n")
               .arg(xmlText(language), xmlText(title), styleHref);
}

// A page of the book: the text of one section, its paragraphs at the text's line breaks,
// each spoken sentence a span of its own.
struct Page
{
    QString title;
    qsizetype start = 0;
    qsizetype end = 0;
    QList<SubtitleWriter::SentenceClip> clips;
    qint64 durationMs = 0;
    int firstSentence = 1; // the number of its first sentence's id

    QString name(int number) const { return QStringLiteral("p%1").arg(number); }
};

// The text between sentences: a line break ends a paragraph.
void appendPlain(QString& body, bool& open, QStringView text)
{
    const QList<QStringView> lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0 && open) {
            body += QStringLiteral("</p>\n");
            open = false;
        }
        const QStringView line = lines.at(i);
        if (line.trimmed().isEmpty()) {
            if (open) {
                body += xmlText(line);
            }
            continue;
        }
        if (!open) {
            body += QStringLiteral("<p>");
            open = true;
        }
        body += xmlText(line);
    }
}

QString pageText(const QString& text, const Page& page, const QString& language)
{
    QString body =
        pageHead(language, page.title, QStringLiteral("../style.css")) + QStringLiteral("<body>\n");
    bool open = false;
    qsizetype at = page.start;
    int id = page.firstSentence;
    for (const SubtitleWriter::SentenceClip& clip : page.clips) {
        // The span holds the sentence without the spaces and line breaks around it, and a
        // line wrapped by hand inside it reads as a space.
        qsizetype first = std::max(clip.textStart, at);
        qsizetype last = std::min(clip.textEnd, page.end);
        while (first < last && text.at(first).isSpace()) {
            ++first;
        }
        while (last > first && text.at(last - 1).isSpace()) {
            --last;
        }
        appendPlain(body, open, QStringView(text).mid(at, first - at));
        if (!open) {
            body += QStringLiteral("<p>");
            open = true;
        }
        QString sentence = text.mid(first, last - first);
        sentence.replace(u'\n', u' ');
        body += QStringLiteral("<span id=\"s%1\">%2</span>").arg(id++).arg(xmlText(sentence));
        at = last;
    }
    appendPlain(body, open, QStringView(text).mid(at, page.end - at));
    if (open) {
        body += QStringLiteral("</p>\n");
    }
    return body + QStringLiteral("</body>\n</html>\n");
}

QString overlayText(const Page& page, int number)
{
    const QString textHref = QStringLiteral("../text/%1.xhtml").arg(page.name(number));
    QString smil =
        xmlHead() + QStringLiteral("<smil xmlns=\"http://www.w3.org/ns/SMIL\" "
                                   "xmlns:epub=\"http://www.idpf.org/2007/ops\" version=\"3.0\">\n"
                                   "<body>\n");
    int id = page.firstSentence;
    for (const SubtitleWriter::SentenceClip& clip : page.clips) {
        smil +=
            QStringLiteral("<par id=\"par%1\"><text src=\"%2#s%1\"/><audio "
                           "src=\"../audio/book.mp3\" clipBegin=\"%3\" clipEnd=\"%4\"/></par>\n")
                .arg(id++)
                .arg(textHref, ReadAlongBook::clock(clip.startMs),
                     ReadAlongBook::clock(clip.endMs));
    }
    return smil + QStringLiteral("</body>\n</smil>\n");
}

// The book's pages: one for each section that holds text, the text before the first
// section on a page of its own.
QList<Page> pagesOf(const ReadAlongBook::Content& content, const QString& bookTitle)
{
    QList<Page> pages;
    QList<ReadAlongBook::Section> sections = content.sections;
    if (sections.isEmpty() || sections.constFirst().textStart > 0) {
        sections.prepend({bookTitle, 0});
    }
    for (qsizetype i = 0; i < sections.size(); ++i) {
        Page page;
        page.title = sections.at(i).title.simplified();
        if (page.title.isEmpty()) {
            page.title = bookTitle;
        }
        page.start = std::clamp<qsizetype>(sections.at(i).textStart, 0, content.text.size());
        page.end = i + 1 < sections.size() ? std::clamp<qsizetype>(sections.at(i + 1).textStart,
                                                                   page.start, content.text.size())
                                           : content.text.size();
        if (QStringView(content.text).mid(page.start, page.end - page.start).trimmed().isEmpty()) {
            continue;
        }
        pages.append(page);
    }
    // Each sentence goes to the page its first character is on.
    int sentence = 1;
    auto clip = content.sentences.cbegin();
    for (Page& page : pages) {
        page.firstSentence = sentence;
        while (clip != content.sentences.cend() && clip->textStart < page.end) {
            if (clip->textStart >= page.start && clip->endMs > clip->startMs) {
                page.clips.append(*clip);
                page.durationMs += clip->endMs - clip->startMs;
                ++sentence;
            }
            ++clip;
        }
    }
    return pages;
}

QString bookTitleOf(const ReadAlongBook::Content& content)
{
    QString title = content.title.simplified();
    if (title.isEmpty()) {
        // The first words of a text that has no title of its own.
        const QStringList words = content.text.simplified().split(u' ', Qt::SkipEmptyParts);
        title = words.mid(0, 8).join(u' ');
    }
    return title.isEmpty() ? QStringLiteral("Untitled") : title;
}

QString packageText(const ReadAlongBook::Content& content, const QString& title,
                    const QList<Page>& pages)
{
    // The same text always gets the same identifier.
    const QUuid id = QUuid::createUuidV5(
        QUuid(QStringLiteral("{8c5f0f4e-9b51-4d1e-9a39-2f3c1c6c1d55}")), content.text);
    QString metadata =
        QStringLiteral("<dc:identifier id=\"id\">urn:uuid:%1</dc:identifier>\n"
                       "<dc:title>%2</dc:title>\n<dc:language>%3</dc:language>\n")
            .arg(id.toString(QUuid::WithoutBraces), xmlText(title), xmlText(content.language));
    if (!content.author.simplified().isEmpty()) {
        metadata += QStringLiteral("<dc:creator>%1</dc:creator>\n")
                        .arg(xmlText(content.author.simplified()));
    }
    metadata += QStringLiteral("<meta property=\"dcterms:modified\">%1</meta>\n")
                    .arg(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    QString manifest = QStringLiteral(
        "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
        "properties=\"nav\"/>\n<item id=\"css\" href=\"style.css\" media-type=\"text/css\"/>\n"
        "<item id=\"audio\" href=\"audio/book.mp3\" media-type=\"audio/mpeg\"/>\n");
    QString spine;
    qint64 totalMs = 0;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const Page& page = pages.at(i);
        const QString name = page.name(int(i + 1));
        QString overlay;
        if (!page.clips.isEmpty()) {
            overlay = QStringLiteral(" media-overlay=\"o%1\"").arg(i + 1);
            manifest += QStringLiteral("<item id=\"o%1\" href=\"smil/%2.smil\" "
                                       "media-type=\"application/smil+xml\"/>\n")
                            .arg(i + 1)
                            .arg(name);
            metadata += QStringLiteral("<meta property=\"media:duration\" refines=\"#o%1\">%2"
                                       "</meta>\n")
                            .arg(i + 1)
                            .arg(ReadAlongBook::clock(page.durationMs));
            totalMs += page.durationMs;
        }
        manifest += QStringLiteral("<item id=\"%1\" href=\"text/%1.xhtml\" "
                                   "media-type=\"application/xhtml+xml\"%2/>\n")
                        .arg(name, overlay);
        spine += QStringLiteral("<itemref idref=\"%1\"/>\n").arg(name);
    }
    if (totalMs > 0) {
        metadata += QStringLiteral("<meta property=\"media:duration\">%1</meta>\n"
                                   "<meta property=\"media:active-class\">%2</meta>\n")
                        .arg(ReadAlongBook::clock(totalMs), kActiveClass);
    }
    return xmlHead() +
           QStringLiteral("<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\" "
                          "unique-identifier=\"id\" xml:lang=\"%1\">\n<metadata "
                          "xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n%2</metadata>\n"
                          "<manifest>\n%3</manifest>\n<spine>\n%4</spine>\n</package>\n")
               .arg(xmlText(content.language), metadata, manifest, spine);
}

QString navigationText(const ReadAlongBook::Content& content, const QList<Page>& pages)
{
    QString items;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        items += QStringLiteral("<li><a href=\"text/%1.xhtml\">%2</a></li>\n")
                     .arg(pages.at(i).name(int(i + 1)), xmlText(pages.at(i).title));
    }
    return pageHead(content.language, QStringLiteral("Contents"), QStringLiteral("style.css")) +
           QStringLiteral("<body>\n<nav epub:type=\"toc\" id=\"toc\">\n<h1>Contents</h1>\n<ol>\n%1"
                          "</ol>\n</nav>\n</body>\n</html>\n")
               .arg(items);
}

QString zipError(zip_t* archive)
{
    return QString::fromUtf8(zip_strerror(archive));
}

// libzip writes the book through this into a save file, which puts it in place once whole
// as it does every other file a recording makes. A new book is only written, never read.
struct SaveFileSource
{
    QSaveFile& file;
    zip_error_t error{};

    static zip_int64_t call(void* state, void* data, zip_uint64_t length, zip_source_cmd_t command)
    {
        auto* source = static_cast<SaveFileSource*>(state);
        QSaveFile& file = source->file;
        switch (command) {
        case ZIP_SOURCE_SUPPORTS:
            return ZIP_SOURCE_SUPPORTS_WRITABLE;
        case ZIP_SOURCE_STAT:
            // No archive there yet: libzip makes a new one.
            zip_error_set(&source->error, ZIP_ER_READ, ENOENT);
            return -1;
        case ZIP_SOURCE_ERROR:
            return zip_error_to_data(&source->error, data, length);
        case ZIP_SOURCE_BEGIN_WRITE:
        case ZIP_SOURCE_COMMIT_WRITE:   // put in place by the caller
        case ZIP_SOURCE_ROLLBACK_WRITE: // discarded by the caller
        case ZIP_SOURCE_FREE:
            return 0;
        case ZIP_SOURCE_WRITE:
            if (file.write(static_cast<const char*>(data), qint64(length)) != qint64(length)) {
                zip_error_set(&source->error, ZIP_ER_WRITE, errno);
                return -1;
            }
            return zip_int64_t(length);
        case ZIP_SOURCE_SEEK_WRITE: {
            const zip_int64_t at = zip_source_seek_compute_offset(
                zip_uint64_t(file.pos()), zip_uint64_t(file.size()), data, length, &source->error);
            if (at < 0) {
                return -1;
            }
            if (!file.seek(at)) {
                zip_error_set(&source->error, ZIP_ER_SEEK, errno);
                return -1;
            }
            return 0;
        }
        case ZIP_SOURCE_TELL_WRITE:
            return file.pos();
        default:
            zip_error_set(&source->error, ZIP_ER_OPNOTSUPP, 0);
            return -1;
        }
    }
};

} // namespace

QString ReadAlongBook::clock(qint64 ms)
{
    ms = std::max<qint64>(ms, 0);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

bool ReadAlongBook::isBookPath(const QString& path)
{
    return QFileInfo(path).suffix().compare(suffix(), Qt::CaseInsensitive) == 0;
}

ReadAlongBook::Content ReadAlongBook::contentFor(const QString& text, const SpokenBook& book,
                                                 const QString& title)
{
    Content content;
    content.text = text;
    content.title = title;
    content.author = book.author;
    if (!book.noChapters) {
        for (const TextChapter& chapter : book.chapters) {
            content.sections.append({chapter.title, chapter.textStart});
        }
    }
    return content;
}

QList<std::pair<QString, QByteArray>> ReadAlongBook::files(const Content& content)
{
    const QString title = bookTitleOf(content);
    const QList<Page> pages = pagesOf(content, title);
    QList<std::pair<QString, QByteArray>> files{
        {QStringLiteral("mimetype"), QByteArrayLiteral("application/epub+zip")},
        {QStringLiteral("META-INF/container.xml"),
         (xmlHead() + QStringLiteral("<container version=\"1.0\" "
                                     "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">\n"
                                     "<rootfiles><rootfile full-path=\"EPUB/package.opf\" "
                                     "media-type=\"application/oebps-package+xml\"/></rootfiles>\n"
                                     "</container>\n"))
             .toUtf8()},
        {QStringLiteral("EPUB/package.opf"), packageText(content, title, pages).toUtf8()},
        {QStringLiteral("EPUB/nav.xhtml"), navigationText(content, pages).toUtf8()},
        {QStringLiteral("EPUB/style.css"),
         QStringLiteral(".%1 { background-color: #ffeb7a; color: black; }\n")
             .arg(kActiveClass)
             .toUtf8()},
    };
    for (qsizetype i = 0; i < pages.size(); ++i) {
        const Page& page = pages.at(i);
        const QString name = page.name(int(i + 1));
        files.append({QStringLiteral("EPUB/text/%1.xhtml").arg(name),
                      pageText(content.text, page, content.language).toUtf8()});
        if (!page.clips.isEmpty()) {
            files.append({QStringLiteral("EPUB/smil/%1.smil").arg(name),
                          overlayText(page, int(i + 1)).toUtf8()});
        }
    }
    return files;
}

platform::Result<void> ReadAlongBook::write(const QString& target, const Content& content)
{
    // The book replaces the file that was there only once it is whole.
    QSaveFile file(target);
    if (platform::Result<void> opened = openSaveFile(file); !opened) {
        return opened;
    }
    SaveFileSource state{file};
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* book = zip_source_function_create(SaveFileSource::call, &state, &error);
    zip_t* archive =
        book == nullptr ? nullptr : zip_open_from_source(book, ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (archive == nullptr) {
        zip_source_free(book);
        const QString text = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        platform::discard(file);
        return platform::Failure{text};
    }
    zip_error_fini(&error);
    // libzip reads the entries when the archive is closed: their bytes must live till then.
    const QList<std::pair<QString, QByteArray>> entries = files(content);
    QString failure;
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source =
            zip_source_buffer(archive, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const zip_int64_t index = source == nullptr
                                      ? -1
                                      : zip_file_add(archive, name.toUtf8().constData(), source,
                                                     ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(source);
            failure = zipError(archive);
            break;
        }
        // Reading systems find the kind of file in its first, uncompressed entry.
        if (name == QLatin1String("mimetype")) {
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
        }
    }
    if (failure.isEmpty()) {
        // Compressed sound gains nothing from compressing again.
        zip_source_t* audio =
            zip_source_file(archive, QFile::encodeName(content.audioPath).constData(), 0, -1);
        const zip_int64_t index = audio == nullptr
                                      ? -1
                                      : zip_file_add(archive, audioName().toUtf8().constData(),
                                                     audio, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE);
        if (index < 0) {
            zip_source_free(audio);
            failure = zipError(archive);
        } else {
            zip_set_file_compression(archive, zip_uint64_t(index), ZIP_CM_STORE, 0);
        }
    }
    if (failure.isEmpty() && zip_close(archive) != 0) {
        failure = zipError(archive);
    }
    if (!failure.isEmpty()) {
        zip_discard(archive);
        platform::discard(file);
        return platform::Failure{failure};
    }
    return platform::commitWhole(file);
}

} // namespace recording
