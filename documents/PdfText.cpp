#include "documents/PdfText.h"

#include "documents/PdfOutline.h"

#include <QCoreApplication>
#include <memory>
#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-page.h>

namespace documents::pdftext {

namespace {

constexpr qsizetype kSignatureWindow = 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("PdfText", text);
}

bool isHyphen(QChar c)
{
    return c == u'-' || c == QChar(0x00AD) || c == QChar(0x2010);
}

// The text without the runs of two characters (kept: one) that `drop` picks by their first, each
// offset into the text moved to where its character, or the next one kept, ends up.
template <class Drop>
QString without(const QString& text, QList<qsizetype>& offsets, Drop drop, qsizetype run = 2)
{
    QString kept;
    kept.reserve(text.size());
    qsizetype next = 0;
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        while (next < offsets.size() && offsets[next] <= i) {
            offsets[next++] = kept.size();
        }
        if (drop(i)) {
            i += run - 1;
            continue;
        }
        kept.append(text[i]);
    }
    while (next < offsets.size()) {
        offsets[next++] = kept.size();
    }
    return kept;
}

} // namespace

bool looksLikePdf(const QByteArray& head)
{
    return head.left(kSignatureWindow).contains("%PDF-");
}

QString joinHyphenatedLines(const QString& text)
{
    QList<qsizetype> none;
    return joinHyphenatedLines(text, none);
}

QString joinHyphenatedLines(const QString& text, QList<qsizetype>& offsets)
{
    // "letter, hyphen, line break, lower-case letter": the word goes on.
    return without(text, offsets, [&text](qsizetype i) {
        return isHyphen(text[i]) && i > 0 && text[i - 1].isLetter() && i + 2 < text.size() &&
               text[i + 1] == u'\n' && text[i + 2].isLower();
    });
}

platform::Result<DocumentText> read(const QByteArray& data)
{
    // Poppler writes its complaints about damaged files to the terminal: the reason the
    // user reads comes from here instead.
    poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr);
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(data.constData(), static_cast<int>(data.size())));
    if (!document) {
        return platform::Failure{tr("The PDF file is damaged and cannot be read.")};
    }
    if (document->is_locked()) {
        return platform::Failure{tr("The PDF file is protected by a password.")};
    }
    QString text;
    QList<qsizetype> pageStarts;
    const int pages = document->pages();
    for (int i = 0; i < pages; ++i) {
        const std::unique_ptr<poppler::page> page(document->create_page(i));
        if (!page) {
            continue;
        }
        // The layout pdftotext uses by default: text flows in reading order, columns
        // one after the other rather than side by side.
        const poppler::ustring pageText =
            page->text(poppler::rectf(), poppler::page::non_raw_non_physical_layout);
        if (!text.isEmpty() && !text.endsWith(u'\n')) {
            text.append(u'\n');
        }
        pageStarts.resize(i + 1, text.size());
        text.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(pageText.data()),
                                       static_cast<qsizetype>(pageText.size())));
    }
    pageStarts.resize(pages, text.size());
    // Carriage returns before line feeds, and form feeds, go.
    text = without(
        text, pageStarts,
        [&text](qsizetype i) {
            return text[i] == u'\f' ||
                   (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n');
        },
        1);
    if (text.trimmed().isEmpty()) {
        return platform::Failure{tr("The file contains no text; it may be a scanned image.")};
    }
    DocumentText read;
    read.text = joinHyphenatedLines(text, pageStarts);
    read.outline = pdfoutline::read(data, pageStarts, read.text);
    return read;
}

} // namespace documents::pdftext
