#include "documents/PdfText.h"

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

} // namespace

bool looksLikePdf(const QByteArray& head)
{
    return head.left(kSignatureWindow).contains("%PDF-");
}

QString joinHyphenatedLines(const QString& text)
{
    QString joined;
    joined.reserve(text.size());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text[i];
        // "letter, hyphen, line break, lower-case letter": the word goes on.
        if (isHyphen(c) && i > 0 && text[i - 1].isLetter() && i + 2 < size &&
            text[i + 1] == u'\n' && text[i + 2].isLower()) {
            ++i;
            continue;
        }
        joined.append(c);
    }
    return joined;
}

platform::Result<QString> read(const QByteArray& data)
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
        text.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(pageText.data()),
                                       static_cast<qsizetype>(pageText.size())));
    }
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.remove(u'\f');
    if (text.trimmed().isEmpty()) {
        return platform::Failure{tr("The file contains no text; it may be a scanned image.")};
    }
    return joinHyphenatedLines(text);
}

} // namespace documents::pdftext
