#include "render/DocumentInput.h"

#include "documents/DocumentReader.h"

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>

namespace documentinput {

platform::Result<QString> readDocument(const QString& path)
{
    return platform::readDocument(path);
}

QString readStandardInput()
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        return {};
    }
    const platform::Result<QString> text = platform::readDocumentData(input.readAll());
    return text ? text.value() : QString();
}

FolderFiles filesIn(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files.append(it.next());
    }
    std::sort(files.begin(), files.end());
    FolderFiles found;
    for (const QString& file : std::as_const(files)) {
        // A file that cannot be looked into is tried, so that its reading says why it fails.
        const platform::Result<platform::DocumentKind> kind = platform::documentKindOfFile(file);
        (!kind || platform::isReadableKind(kind.value()) ? found.documents : found.skipped)
            .append(file);
    }
    return found;
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
