#include "documents/MarkupText.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

namespace documents::markuptext {

namespace {

constexpr qsizetype kSniffBytes = 4096;
constexpr int kMarkdownKindsNeeded = 2;

// Skips blanks, a byte-order mark, the XML declaration and comments.
qsizetype firstTag(const QByteArray& head)
{
    qsizetype i = head.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < head.size()) {
        const char c = head[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
        } else if (head.mid(i, 4) == "<!--") {
            const qsizetype end = head.indexOf("-->", i + 4);
            if (end < 0) {
                return -1;
            }
            i = end + 3;
        } else if (head.mid(i, 2) == "<?") {
            const qsizetype end = head.indexOf("?>", i + 2);
            if (end < 0) {
                return -1;
            }
            i = end + 2;
        } else {
            return c == '<' ? i : -1;
        }
    }
    return -1;
}

} // namespace

bool looksLikeHtml(const QByteArray& head)
{
    const QByteArray start = head.left(kSniffBytes);
    const qsizetype tag = firstTag(start);
    if (tag < 0) {
        return false;
    }
    const QByteArray name = start.mid(tag, 14).toLower();
    return name.startsWith("<!doctype html") || name.startsWith("<html") ||
           name.startsWith("<head") || name.startsWith("<body");
}

bool looksLikeMarkdown(const QString& text)
{
    static const QRegularExpression heading(QStringLiteral("^#{1,6}[ \\t]+\\S"),
                                            QRegularExpression::MultilineOption);
    static const QRegularExpression underline(QStringLiteral("^\\S[^\\n]*\\n(=+|-{2,})[ \\t]*$"),
                                              QRegularExpression::MultilineOption);
    static const QRegularExpression marks[] = {
        QRegularExpression(QStringLiteral("^[ \\t]{0,3}([-*+]|\\d{1,9}[.)])[ \\t]+\\S"),
                           QRegularExpression::MultilineOption),
        QRegularExpression(QStringLiteral("!?\\[[^\\]\\n]+\\]\\([^)\\s]+\\)")),
        QRegularExpression(QStringLiteral("(\\*\\*|__)\\S[^\\n]*?\\S\\1")),
        QRegularExpression(QStringLiteral("^>[ \\t]"), QRegularExpression::MultilineOption),
        QRegularExpression(QStringLiteral("^(```|~~~)"), QRegularExpression::MultilineOption),
    };
    const QString sample = text.left(kSniffBytes * 4);
    if (heading.match(sample).hasMatch() || underline.match(sample).hasMatch()) {
        return true;
    }
    int kinds = 0;
    for (const QRegularExpression& mark : marks) {
        if (mark.match(sample).hasMatch() && ++kinds >= kMarkdownKindsNeeded) {
            return true;
        }
    }
    return false;
}

QString plainText(const QTextDocument& document)
{
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) {
            text.append(u'\n');
        }
        if (QTextList* list = block.textList()) {
            // A bullet's item text is only its full stop, which a voice would read as the
            // end of a sentence.
            const QTextListFormat::Style style = list->format().style();
            const bool bullet = style == QTextListFormat::ListDisc ||
                                style == QTextListFormat::ListCircle ||
                                style == QTextListFormat::ListSquare;
            const QString marker = bullet ? QString() : list->itemText(block);
            text.append(marker.isEmpty() ? QStringLiteral("\u2022") : marker);
            text.append(u' ');
        }
        text.append(block.text());
    }
    text.replace(QChar::Nbsp, u' ');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

QString fromHtml(const QByteArray& data)
{
    const std::optional<QStringConverter::Encoding> encoding =
        QStringConverter::encodingForHtml(data);
    QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
    QTextDocument document;
    document.setHtml(decoder(data));
    return plainText(document);
}

QString fromMarkdown(const QString& markdown)
{
    QTextDocument document;
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    return plainText(document);
}

} // namespace documents::markuptext
