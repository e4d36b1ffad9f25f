#pragma once

#include "documents/DocumentText.h"
#include "platform/Result.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

// What parlanza-render reads: the text of a document file or of standard input, the
// files of a folder, and a text cut into numbered parts.
namespace render::documentinput {

// The text of a document file with its outline, its kind decided by its content as the
// window decides.
platform::Result<documents::DocumentText> readDocument(const QString& path);
// All of standard input as a document (any kind); empty when it holds none, or when
// stopped (asked between reads, every tenth of a second while the input waits).
documents::DocumentText readStandardInput(const std::function<bool()>& stopped);

// Whether the file is one that renders write (a sound or timing file), by its extension:
// such files are never read as documents, so a render never takes an earlier one's
// outputs for its inputs.
bool isOutputFile(const QString& path);

// The files of a folder and its subfolders, sorted, hidden ones left out: the documents,
// told by their content as the window tells them (empty files among them, so that they
// are told apart from texts of blanks no more than the window does), the outputs of
// renders, and what is left out.
struct FolderFiles
{
    struct Unreadable
    {
        QString folder;
        QString reason; // the system's
    };
    QStringList documents;
    QStringList outputs;     // sound and timing files, by extension
    QStringList skipped;     // files holding no document, and what is no file at all
    QStringList brokenLinks; // links that lead nowhere or round in a loop
    QList<Unreadable> unreadable;
};
FolderFiles filesIn(const QString& folder);

// One part per chapter or heading (text before the first one is a part of its own).
QStringList splitAtHeadings(const QString& text);

// A part of a document cut at its chapters: the chapter's text from its heading on.
struct ChapterPart
{
    QString text;
    documents::Chapter chapter; // placed at 0 in the part; untitled for the text before the
                                // first chapter
};
// One part per chapter of the document's outline, the text before the first one (when it
// holds anything) a part of its own.
QList<ChapterPart> splitAtChapters(const QString& text, const QList<documents::Chapter>& chapters);

// A chapter's title as part of a file name: no '/', control characters or leading dots, and
// short enough to leave room for the rest of the name.
QString fileNameTitle(const QString& title);
// One part every count paragraphs (blocks between blank lines; lines when there are
// none).
QStringList splitEveryParagraphs(const QString& text, int count);

} // namespace render::documentinput
