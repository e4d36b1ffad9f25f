#pragma once

#include "platform/Result.h"

#include <QList>
#include <QString>
#include <QStringList>

// What parlanza-render reads: the text of a document file or of standard input, the
// files of a folder, and a text cut into numbered parts.
namespace documentinput {

// The text of a document file, its kind decided by its content as the window decides.
platform::Result<QString> readDocument(const QString& path);
// All of standard input as text (any document kind); empty when it holds none.
QString readStandardInput();

// The files of a folder and its subfolders, sorted, hidden ones left out: the documents,
// told by their content as the window tells them, and the others.
struct FolderFiles
{
    QStringList documents;
    QStringList skipped;
};
FolderFiles filesIn(const QString& folder);

// One part per chapter or heading (text before the first one is a part of its own).
QStringList splitAtHeadings(const QString& text);
// One part every count paragraphs (blocks between blank lines; lines when there are
// none).
QStringList splitEveryParagraphs(const QString& text, int count);

} // namespace documentinput
