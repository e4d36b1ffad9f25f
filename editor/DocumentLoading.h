#pragma once

#include "documents/DocumentReader.h"
#include "editor/RichTextBox.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Opening documents into the editor: plain text in any common encoding, rich text and
// word-processor documents, all arriving as plain characters.
namespace editor {

// The Open command's filter list; the entry chosen decides how the file is read. "All
// documents" decides by the file's content, as a dropped file and a file named on the
// command line are read.
inline const QString kOpenFilter =
    QStringLiteral("Text Files (*.txt)|*.txt|Rich Text (*.rtf)|*.rtf|Word Document (*.doc)|*.doc|"
                   "All files (*.*)|*.*|All documents (*.txt;*.rtf;*.doc;*.docx;*.odt;*.pdf;"
                   "*.epub;*.html;*.htm;*.xhtml;*.md;*.markdown)|*.txt;*.rtf;*.doc;*.docx;*.odt;"
                   "*.pdf;*.epub;*.html;*.htm;*.xhtml;*.md;*.markdown");
enum OpenFilterEntry : int {
    TextFilesEntry = 1,
    RichTextEntry = 2,
    WordEntry = 3,
    AllFilesEntry = 4,
    AllDocumentsEntry = 5
};

// A file chosen as text: UTF-16 with either byte-order mark, UTF-8 with or without its
// mark, and otherwise Windows-1252; an office document, PDF, EPUB or rich text is read by
// its content instead. Files that do not exist, cannot be read or are too large are
// refused with the reason.
platform::Result<documents::DocumentText> LoadTextFile(const QString& path);

// A document now in the editor: its file, and its outline with the chapters placed in the
// editor's text as it was right after opening.
struct OpenedDocument
{
    QString path;
    documents::DocumentOutline outline;
};

// The Open command: asks for a file and replaces the editor's text with the file's,
// read as the chosen filter entry says. The text is replaced only when the file was
// read; otherwise a message names the file and the reason. The caret ends at the start.
// Returns the document now in the editor, none when the dialog was cancelled or the file
// not read. beforeReplacing runs once the file was read, just before its text replaces the
// editor's.
std::optional<OpenedDocument> cmdOpen_Click(editor::RichTextBox& RichTextBox1,
                                            const std::function<void()>& beforeReplacing = {});

// The part of Open after its dialog: reads the file as the filter entry says and replaces
// the editor's text, or tells why not (and gives none). The file is read once, through the
// documents' one reader, the entry telling it how.
std::optional<OpenedDocument> openDocument(editor::RichTextBox& RichTextBox1, const QString& path,
                                           int entry,
                                           const std::function<void()>& beforeReplacing = {});

// Opens a file dropped on the editor or the window, or named on the command line: read
// as "All documents" (by its content), as openDocument does.
std::optional<OpenedDocument> openDroppedFile(editor::RichTextBox& RichTextBox1,
                                              const QString& path,
                                              const std::function<void()>& beforeReplacing = {});

} // namespace editor
