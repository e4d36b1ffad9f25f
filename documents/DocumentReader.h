#pragma once

#include "documents/DocumentFile.h"
#include "documents/DocumentText.h"
#include "documents/WordConverter.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>

// Any document the program reads, as plain text, its kind decided by its content rather
// than its name: word-processor files (through LibreOffice), rich text, PDF, electronic
// books, web pages, Markdown notes and plain text. Needs a QGuiApplication (web pages,
// Markdown and rich text are read through QTextDocument).
namespace documents {

enum class DocumentKind {
    Empty,
    PlainText,
    Markdown,
    Html,
    RichText,
    Pdf,
    Word97,
    OfficeOpenXml,
    OpenDocument,
    Epub,
    OtherZip,
    Binary
};

struct DocumentReadOptions
{
    qint64 maxBytes = documentfile::kMaxBytes;
    int converterTimeoutMs = WordConverter::kDefaultTimeoutMs;
};

// The kind of document the data holds (a zip archive is looked into).
DocumentKind documentKind(const QByteArray& data);

// The kind of document in a file, told from its first bytes without reading the rest (a
// zip archive is read whole to be looked into), or why the file cannot be read.
platform::Result<DocumentKind> documentKindOfFile(const QString& path);
// Whether readDocument takes documents of this kind (one may still turn out damaged).
bool isReadableKind(DocumentKind kind);

// How a file is read: by its content, or as the kind the open dialog's entry names.
enum class ReadingChoice { ByContent, PlainText, RichText, Word };

// The one way a document file is read: read once, then as the choice says. A file whose
// content is an office document, PDF, EPUB or rich text is read by its content whichever
// kind was chosen (rather than shown as its raw bytes), except that the rich-text choice
// refuses a file that is not rich text. The text comes with the document's outline:
// its chapters, title, author and cover; an outline that cannot be read is left out,
// never the text.
platform::Result<DocumentText> readDocumentAs(const QString& path, ReadingChoice choice,
                                              const DocumentReadOptions& options = {});

// The document's text, or why there is none, in words that name the reason (damaged,
// encrypted, empty, too large, no text layer, locked by DRM).
platform::Result<QString> readDocument(const QString& path);
platform::Result<QString> readDocument(const QString& path, const DocumentReadOptions& options);

// A document already in memory, read by its content, with its outline.
platform::Result<DocumentText>
readDocumentData(const QByteArray& data,
                 const DocumentReadOptions& options = DocumentReadOptions());

} // namespace documents
