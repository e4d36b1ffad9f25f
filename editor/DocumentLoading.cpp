#include "editor/DocumentLoading.h"

#include "documents/DocumentFile.h"
#include "documents/DocumentReader.h"
#include "documents/PlainText.h"
#include "editor/FileOpen.h"
#include "editor/RichTextBox.h"
#include "platform/EventLog.h"
#include "platform/MessageBoxService.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

namespace editor {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DocumentLoading", text);
}

// The hourglass for as long as a document is being read.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void reportOpenFailure(const QString& path, const QString& reason)
{
    platform::eventlog::warning(QLatin1String("Cannot open ") + path + QLatin1String(": ") +
                                reason);
    platform::showMessage(tr("The file \"%1\" could not be opened.\n\n%2")
                              .arg(QDir::toNativeSeparators(path), reason),
                          platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
}

void reportWordFailure(const QString& path, const QString& reason)
{
    platform::eventlog::warning(QLatin1String("Cannot convert ") + path + QLatin1String(": ") +
                                reason);
    platform::showMessage(QStringLiteral("Error converting Word Document") + QLatin1String("\n\n") +
                              QDir::toNativeSeparators(path) + QLatin1String("\n") + reason,
                          platform::MessageButtons::Ok, platform::MessageIcon::Critical);
}

// The file's text, read as the filter entry says, under the hourglass (which is gone
// again before any message is shown). Nothing for an entry the list does not have.
std::optional<platform::Result<documents::DocumentText>> readAs(int entry, const QString& path)
{
    using documents::ReadingChoice;
    std::optional<ReadingChoice> choice;
    switch (entry) {
    case TextFilesEntry:
    case AllFilesEntry: {
        const WaitCursor wait;
        return LoadTextFile(path);
    }
    case RichTextEntry:
        choice = ReadingChoice::RichText;
        break;
    case WordEntry:
        choice = ReadingChoice::Word;
        break;
    case AllDocumentsEntry:
        choice = ReadingChoice::ByContent;
        break;
    default:
        return std::nullopt;
    }
    const WaitCursor wait;
    return documents::readDocumentAs(path, *choice);
}

} // namespace

platform::Result<documents::DocumentText> LoadTextFile(const QString& path)
{
    // Let the window repaint where the dialog was before the file is read.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return documents::readDocumentAs(path, documents::ReadingChoice::PlainText);
}

std::optional<OpenedDocument> cmdOpen_Click(editor::RichTextBox& RichTextBox1,
                                            const std::function<void()>& beforeReplacing)
{
    FileOpen::OpenFilter = kOpenFilter;
    FileOpen::ShowOpenDialog();
    const QString chosen = FileOpen::OpenFileName;
    if (chosen.isEmpty()) {
        return std::nullopt;
    }
    return openDocument(RichTextBox1, chosen, FileOpen::OpenFilterIndex, beforeReplacing);
}

std::optional<OpenedDocument> openDocument(editor::RichTextBox& RichTextBox1, const QString& path,
                                           int entry, const std::function<void()>& beforeReplacing)
{
    // The file is read completely before the editor's text is replaced, so that a file
    // that cannot be read leaves the previous text in place.
    const std::optional<platform::Result<documents::DocumentText>> loaded = readAs(entry, path);
    if (!loaded) {
        return std::nullopt;
    }
    if (!loaded->ok()) {
        if (entry == WordEntry) {
            reportWordFailure(path, loaded->error());
        } else {
            reportOpenFailure(path, loaded->error());
        }
        return std::nullopt;
    }
    // A file that yields nothing to read (empty, or damaged before its text) would only
    // empty the editor.
    const documents::DocumentText& document = loaded->value();
    if (document.text.trimmed().isEmpty()) {
        reportOpenFailure(path, tr("The file contains no text."));
        return std::nullopt;
    }
    if (beforeReplacing) {
        beforeReplacing();
    }
    OpenedDocument opened{path, document.outline};
    {
        const WaitCursor wait;
        RichTextBox1.setText(document.text);
        RichTextBox1.setSelStart(0);
        // The editor keeps paragraphs its own way (a lone carriage return ends one too):
        // where its text differs from the document's, the headings are found again in it.
        if (const QString shown = RichTextBox1.text(); shown != document.text) {
            opened.outline.chapters = documents::locateHeadings(opened.outline.chapters, shown);
        }
    }
    if (document.cutShort) {
        platform::eventlog::warning(QLatin1String("Incomplete document ") + path);
        platform::showMessage(tr("The file \"%1\" may be incomplete.\n\nIt ends before its text "
                                 "does; the text that could be read is shown.")
                                  .arg(QDir::toNativeSeparators(path)),
                              platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
    }
    return opened;
}

std::optional<OpenedDocument> openDroppedFile(editor::RichTextBox& RichTextBox1,
                                              const QString& path,
                                              const std::function<void()>& beforeReplacing)
{
    return openDocument(RichTextBox1, path, AllDocumentsEntry, beforeReplacing);
}

} // namespace editor
