#include "render/DocumentInput.h"

#include "documents/CodePage.h"
#include "documents/DocumentFile.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int WindowsWestern = 1252;

// Plain text as the editor reads it: a byte order mark decides, then UTF-8, then the
// Western code page.
QString decodeText(const QByteArray& bytes)
{
    const QByteArrayView view(bytes);
    const auto decodeWith = [](QStringDecoder::Encoding encoding, QByteArrayView body) {
        QStringDecoder decoder(encoding);
        return QString(decoder(body));
    };
    if (view.startsWith("\xFF\xFE")) {
        return decodeWith(QStringDecoder::Utf16LE, view.sliced(2));
    }
    if (view.startsWith("\xFE\xFF")) {
        return decodeWith(QStringDecoder::Utf16BE, view.sliced(2));
    }
    const QByteArrayView body = view.startsWith("\xEF\xBB\xBF") ? view.sliced(3) : view;
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(body);
    if (!utf8.hasError()) {
        return text;
    }
    return platform::codepage::decode(body.toByteArray(), WindowsWestern);
}

QStringList documentSuffixes()
{
    return {QStringLiteral("txt"),  QStringLiteral("text"), QStringLiteral("md"),
            QStringLiteral("rtf"),  QStringLiteral("htm"),  QStringLiteral("html"),
            QStringLiteral("doc"),  QStringLiteral("docx"), QStringLiteral("odt"),
            QStringLiteral("epub"), QStringLiteral("pdf"),  QStringLiteral("markdown")};
}

} // namespace

namespace documentinput {

platform::Result<QString> readDocument(const QString& path)
{
    const platform::Result<QByteArray> bytes = platform::documentfile::read(path);
    if (!bytes) {
        return platform::Failure{bytes.error()};
    }
    return decodeText(bytes.value());
}

QString readStandardInput()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        return {};
    }
    return decodeText(input.readAll());
}

QStringList filesIn(const QString& folder)
{
    QStringList files;
    const QStringList suffixes = documentSuffixes();
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        if (suffixes.contains(info.suffix(), Qt::CaseInsensitive)) {
            files.append(info.filePath());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

QStringList splitAtHeadings(const QString& text)
{
    // "Chapter 3", "CHAPTER IV. The Storm", "Part Two", or a Markdown heading.
    static const QRegularExpression heading(
        QStringLiteral(R"(^[ \t]*(?:(?:chapter|part|book)\b[^\n]{0,80}|#{1,6}[ \t]+\S[^\n]*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::MultilineOption);
    QStringList parts;
    qsizetype start = 0;
    QRegularExpressionMatchIterator it = heading.globalMatch(text);
    while (it.hasNext()) {
        const qsizetype at = it.next().capturedStart();
        if (!text.mid(start, at - start).trimmed().isEmpty()) {
            parts.append(text.mid(start, at - start));
        }
        start = at;
    }
    if (!text.mid(start).trimmed().isEmpty()) {
        parts.append(text.mid(start));
    }
    return parts;
}

QStringList splitEveryParagraphs(const QString& text, int count)
{
    static const QRegularExpression blankLine(QStringLiteral(R"(\n[ \t]*\n)"));
    static const QRegularExpression lineEnd(QStringLiteral("\n"));
    const QRegularExpression& separator = text.contains(blankLine) ? blankLine : lineEnd;
    QStringList paragraphs;
    for (const QString& paragraph : text.split(separator)) {
        if (!paragraph.trimmed().isEmpty()) {
            paragraphs.append(paragraph.trimmed());
        }
    }
    QStringList parts;
    for (qsizetype i = 0; i < paragraphs.size(); i += count) {
        parts.append(paragraphs.mid(i, count).join(QStringLiteral("\n\n")));
    }
    return parts;
}

} // namespace documentinput
