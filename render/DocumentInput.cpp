#include "render/DocumentInput.h"

#include "documents/DocumentReader.h"
#include "platform/FileError.h"
#include "recording/SoundFileWriter.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <dirent.h>
#include <poll.h>
#include <unistd.h>

namespace render::documentinput {

platform::Result<documents::DocumentText> readDocument(const QString& path)
{
    return documents::readDocumentAs(path, documents::ReadingChoice::ByContent);
}

documents::DocumentText readStandardInput(const std::function<bool()>& stopped)
{
    // Waits in short steps, so that a signal that came just before a read is not slept
    // through until the input ends.
    constexpr int StepMs = 100;
    QByteArray data;
    char buffer[65536];
    while (!stopped()) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, StepMs);
        if (ready < 0 && errno != EINTR) {
            break;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        data.append(buffer, got);
    }
    if (stopped()) {
        return {};
    }
    platform::Result<documents::DocumentText> read = documents::readDocumentData(data);
    return read ? std::move(read).value() : documents::DocumentText();
}

bool isOutputFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    static const QStringList others{QStringLiteral("srt"), QStringLiteral("vtt"),
                                    QStringLiteral("cue"), QStringLiteral("m4a"),
                                    QStringLiteral("m4b")};
    return !suffix.isEmpty() &&
           (recording::formatForName(suffix).has_value() || others.contains(suffix));
}

namespace {

// The system's reason a folder cannot be listed, or empty when it can.
QString listingError(const QString& folder)
{
    DIR* listing = ::opendir(QFile::encodeName(folder).constData());
    if (listing == nullptr) {
        return platform::fileErrorText(errno);
    }
    ::closedir(listing);
    return {};
}

} // namespace

FolderFiles filesIn(const QString& folder)
{
    FolderFiles found;
    if (const QString reason = listingError(folder); !reason.isEmpty()) {
        found.unreadable.append({folder, reason});
        return found;
    }
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink() && !info.exists()) {
            found.brokenLinks.append(path);
        } else if (info.isDir()) {
            // Links to folders are not followed, so a walk never goes round in circles.
            if (const QString reason = listingError(path); !reason.isEmpty() && !info.isSymLink()) {
                found.unreadable.append({path, reason});
            }
        } else if (!info.isFile()) {
            found.skipped.append(path); // a device, a FIFO or a socket is never opened
        } else {
            files.append(path);
        }
    }
    std::sort(files.begin(), files.end());
    std::sort(found.brokenLinks.begin(), found.brokenLinks.end());
    for (const QString& file : std::as_const(files)) {
        if (isOutputFile(file)) {
            found.outputs.append(file);
            continue;
        }
        // A file that cannot be looked into is tried, so that its reading says why it fails.
        const platform::Result<documents::DocumentKind> kind = documents::documentKindOfFile(file);
        const bool document = !kind || kind.value() == documents::DocumentKind::Empty ||
                              documents::isReadableKind(kind.value());
        (document ? found.documents : found.skipped).append(file);
    }
    std::sort(found.skipped.begin(), found.skipped.end());
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

QList<ChapterPart> splitAtChapters(const QString& text, const QList<documents::Chapter>& chapters)
{
    QList<ChapterPart> parts;
    const qsizetype first = chapters.isEmpty() ? text.size() : chapters.first().textStart;
    if (!text.left(first).trimmed().isEmpty()) {
        parts.append({text.left(first), {}});
    }
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const qsizetype start = chapters.at(i).textStart;
        const qsizetype end = i + 1 < chapters.size() ? chapters.at(i + 1).textStart : text.size();
        documents::Chapter chapter = chapters.at(i);
        chapter.textStart = 0;
        parts.append({text.mid(start, end - start), chapter});
    }
    return parts;
}

QString fileNameTitle(const QString& title)
{
    // Room for the book's name, the number and the extension within the 255 bytes most
    // file systems allow, even in a script of three bytes a character.
    constexpr qsizetype MaxLength = 60;
    QString name;
    for (const QChar c : title) {
        const bool unsafe = c == u'/' || c.category() == QChar::Other_Control ||
                            c.category() == QChar::Other_Format;
        name.append(unsafe ? u' ' : c);
    }
    name = name.simplified();
    while (name.startsWith(u'.')) {
        name = name.mid(1).trimmed();
    }
    if (name.size() > MaxLength) {
        name.truncate(name.at(MaxLength - 1).isHighSurrogate() ? MaxLength - 1 : MaxLength);
        name = name.trimmed();
    }
    return name;
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

} // namespace render::documentinput
