#pragma once

#include "editor/RichTextBox.h"

// The editing and formatting commands of the main window's buttons, applied to the
// document editor, its selection and the clipboard.
namespace editor {

class CommonDialog;

// Selects the whole document and gives the editor the focus.
void cmdAll_Click(editor::RichTextBox& editor);
// Bold or italic on when the selection has none of it, off when it has some or all.
void cmdBold_Click(editor::RichTextBox& editor);
void cmdItalic_Click(editor::RichTextBox& editor);
// The font, text-colour and background dialogs; cancelling applies nothing.
void cmdFont_Click(editor::RichTextBox& editor, CommonDialog& dialog);
void cmdForeColor_Click(editor::RichTextBox& editor, CommonDialog& dialog);
void cmdBackColor_Click(editor::RichTextBox& editor, CommonDialog& dialog);
// Cut and copy put the selection on the clipboard as plain text; with nothing selected
// they leave the clipboard as it was.
void cmdCut_Click(editor::RichTextBox& editor);
void cmdCopy_Click(editor::RichTextBox& editor);
// Inserts the clipboard's plain text over the selection; no text, no change.
void cmdPaste_Click(editor::RichTextBox& editor);
void cmdDelete_Click(editor::RichTextBox& editor);
// Empties the clipboard.
void cmdClear_Click();
// Erases the whole document.
void cmdClearText_Click(editor::RichTextBox& editor);

} // namespace editor
