#include "editor/EditCommands.h"

#include "editor/CommonDialog.h"
#include "editor/RichTextBox.h"
#include "platform/ClipboardService.h"

#include <QTextCursor>
#include <QTextDocument>

namespace editor {

namespace {
// Screen and printer fonts both listed.
constexpr quint32 kFontFlagsBoth = 3;
} // namespace

void cmdAll_Click(editor::RichTextBox& editor)
{
    editor.selectAll();
    editor.setFocus();
}

void cmdBold_Click(editor::RichTextBox& editor)
{
    // A mixed selection counts as bold: the click makes all of it plain.
    editor.setSelBold(editor.selBold() == false);
}

void cmdItalic_Click(editor::RichTextBox& editor)
{
    editor.setSelItalic(editor.selItalic() == false);
}

void cmdFont_Click(editor::RichTextBox& editor, CommonDialog& dialog)
{
    dialog.Flags = kFontFlagsBoth;
    if (!dialog.ShowFont()) {
        return;
    }
    // A value the editor refuses is skipped; the others still apply.
    editor.setSelFontName(dialog.FontName);
    editor.setSelFontSize(dialog.FontSize);
    editor.setSelStrikeThru(dialog.FontStrikethru);
    editor.setSelUnderline(dialog.FontUnderline);
    editor.setSelBold(dialog.FontBold);
    editor.setSelItalic(dialog.FontItalic);
}

void cmdForeColor_Click(editor::RichTextBox& editor, CommonDialog& dialog)
{
    if (dialog.ShowColor()) {
        editor.setSelColor(dialog.Color);
    }
}

void cmdBackColor_Click(editor::RichTextBox& editor, CommonDialog& dialog)
{
    if (dialog.ShowColor()) {
        editor.setBackColor(dialog.Color);
    }
}

void cmdCut_Click(editor::RichTextBox& editor)
{
    const QString selected = editor.selText();
    if (selected.isEmpty()) {
        return;
    }
    platform::clipboard::setText(selected);
    editor.setSelText(QString());
}

void cmdCopy_Click(editor::RichTextBox& editor)
{
    const QString selected = editor.selText();
    if (!selected.isEmpty()) {
        platform::clipboard::setText(selected);
    }
}

void cmdPaste_Click(editor::RichTextBox& editor)
{
    const QString text = platform::clipboard::text();
    if (!text.isEmpty()) {
        editor.setSelText(text);
    }
}

void cmdDelete_Click(editor::RichTextBox& editor)
{
    editor.setSelText(QString());
}

void cmdClear_Click()
{
    platform::clipboard::clear();
}

void cmdClearText_Click(editor::RichTextBox& editor)
{
    // Removed as an edit, so that Ctrl+Z brings the text back.
    QTextCursor all(editor.document());
    all.select(QTextCursor::Document);
    all.removeSelectedText();
    editor.setTextCursor(all);
}

} // namespace editor
