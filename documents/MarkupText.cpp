#include "documents/MarkupText.h"

#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
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

QString decodeHtml(const QByteArray& data)
{
    const std::optional<QStringConverter::Encoding> encoding =
        QStringConverter::encodingForHtml(data);
    return QStringDecoder(encoding.value_or(QStringConverter::Utf8))(data);
}

// Qt's reader keeps a page's title but not its other <meta> lines.
QString metaAuthor(const QString& html)
{
    static const QRegularExpression meta(QStringLiteral("<meta\\b[^>]*>"),
                                         QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression name(
        QStringLiteral("\\bname\\s*=\\s*([\"']?)author\\1(?:[\\s/>])"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression content(
        QStringLiteral("\\bcontent\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const qsizetype bodyAt = html.indexOf(QLatin1String("<body"), 0, Qt::CaseInsensitive);
    const QStringView head = QStringView(html).left(bodyAt < 0 ? kSniffBytes * 16 : bodyAt);
    for (QRegularExpressionMatchIterator tags = meta.globalMatch(head); tags.hasNext();) {
        const QStringView tag = tags.next().capturedView();
        const QRegularExpressionMatch value = content.match(tag);
        if (name.match(tag).hasMatch() && value.hasMatch()) {
            const QString raw = value.captured(1) + value.captured(2) + value.captured(3);
            return QTextDocumentFragment::fromHtml(raw).toPlainText();
        }
    }
    return {};
}

// The document's text, and its headings placed in it.
DocumentText withHeadings(const QTextDocument& document)
{
    DocumentText read;
    QList<qsizetype> lineStarts;
    read.text = plainText(document, &lineStarts);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level >= 1 && level <= kMaxChapterLevel) {
            read.outline.chapters.append(
                Chapter{block.text(), lineStarts[block.blockNumber()], level});
        }
    }
    return read;
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

QString plainText(const QTextDocument& document, QList<qsizetype>* lineStarts)
{
    QString text;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin()) {
            text.append(u'\n');
        }
        if (lineStarts != nullptr) {
            lineStarts->append(text.size());
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

void setHtml(QTextDocument& document, const QByteArray& data)
{
    document.setHtml(decodeHtml(data));
}

QHash<QString, qsizetype> anchorStarts(const QTextDocument& document,
                                       const QList<qsizetype>& lineStarts,
                                       const QSet<QString>& wanted)
{
    QHash<QString, qsizetype> found;
    for (QTextBlock block = document.begin(); block.isValid() && found.size() < wanted.size();
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            for (const QString& name : it.fragment().charFormat().anchorNames()) {
                if (wanted.contains(name) && !found.contains(name) &&
                    block.blockNumber() < lineStarts.size()) {
                    found.insert(name, lineStarts[block.blockNumber()]);
                }
            }
        }
    }
    return found;
}

DocumentText htmlDocument(const QByteArray& data)
{
    const QString html = decodeHtml(data);
    QTextDocument document;
    document.setHtml(html);
    DocumentText read = withHeadings(document);
    read.outline.title = document.metaInformation(QTextDocument::DocumentTitle);
    read.outline.author = metaAuthor(html);
    return read;
}

DocumentText markdownDocument(const QString& markdown)
{
    QTextDocument document;
    document.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    return withHeadings(document);
}

} // namespace documents::markuptext
