#pragma once

#include "documents/DocumentText.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

// The text of PDF files through Poppler (its C++ interface, which gives the reading order pdftotext
// gives): each page's text in reading order, words broken by a hyphen at a line's end joined again.
namespace documents::pdftext {

// Whether the data begins like a PDF file ("%PDF-" within its first kilobyte, as readers
// accept it).
bool looksLikePdf(const QByteArray& head);

// The document's text, or why there is none: damaged, protected by a password, or
// without a text layer at all (a scanned image). The outline comes from the bookmarks.
platform::Result<DocumentText> read(const QByteArray& data);

// Joins a word hyphenated across a line break ("exam-\nple" becomes "example") and
// keeps every other line break.
QString joinHyphenatedLines(const QString& text);
// The same, moving the offsets (ascending) into the text along.
QString joinHyphenatedLines(const QString& text, QList<qsizetype>& offsets);

} // namespace documents::pdftext
