#include "editor/RichTextBoxAccessible.h"

#include "editor/RichTextBox.h"

#include <QFontMetricsF>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtMath>
#include <algorithm>

namespace editor {

RichTextBoxAccessible::RichTextBoxAccessible(editor::RichTextBox* editor)
    : QAccessibleWidget(editor, QAccessible::EditableText)
{
}

QAccessibleInterface* RichTextBoxAccessible::create(const QString& className, QObject* object)
{
    auto* editor = qobject_cast<editor::RichTextBox*>(object);
    if (className != QLatin1String(RichTextBox::staticMetaObject.className()) || !editor) {
        return nullptr;
    }
    return new RichTextBoxAccessible(editor);
}

editor::RichTextBox* RichTextBoxAccessible::editor() const
{
    return static_cast<editor::RichTextBox*>(widget());
}

void* RichTextBoxAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    if (type == QAccessible::EditableTextInterface) {
        return static_cast<QAccessibleEditableTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State RichTextBoxAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString RichTextBoxAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        return editor()->text();
    }
    return QAccessibleWidget::text(t);
}

QTextCursor RichTextBoxAccessible::range(int start, int end) const
{
    const int last = characterCount();
    QTextCursor cursor(editor()->document());
    cursor.setPosition(std::clamp(start, 0, last));
    cursor.setPosition(std::clamp(end, 0, last), QTextCursor::KeepAnchor);
    return cursor;
}

void RichTextBoxAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
    const QTextCursor cursor = editor()->textCursor();
    if (selectionIndex == 0 && cursor.hasSelection()) {
        *startOffset = cursor.selectionStart();
        *endOffset = cursor.selectionEnd();
    }
}

int RichTextBoxAccessible::selectionCount() const
{
    return editor()->textCursor().hasSelection() ? 1 : 0;
}

void RichTextBoxAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void RichTextBoxAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex != 0) {
        return;
    }
    QTextCursor cursor = editor()->textCursor();
    cursor.clearSelection();
    editor()->setTextCursor(cursor);
}

void RichTextBoxAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex == 0) {
        editor()->setTextCursor(range(startOffset, endOffset));
    }
}

int RichTextBoxAccessible::cursorPosition() const
{
    return editor()->textCursor().position();
}

void RichTextBoxAccessible::setCursorPosition(int position)
{
    editor()->setTextCursor(range(position, position));
}

QString RichTextBoxAccessible::text(int startOffset, int endOffset) const
{
    QString text = range(startOffset, endOffset).selectedText();
    // The document's paragraph and line separators are plain line breaks to a reader.
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

int RichTextBoxAccessible::characterCount() const
{
    return std::max(0, editor()->document()->characterCount() - 1);
}

QRect RichTextBoxAccessible::characterRect(int offset) const
{
    if (offset < 0 || offset >= characterCount()) {
        return {};
    }
    // From the caret before the character to the caret after it; the last character of a
    // line ends where its own width says.
    const QRect before = editor()->cursorRect(offset);
    const QRect after = editor()->cursorRect(offset + 1);
    int width = after.left() - before.left();
    if (after.top() != before.top() || width <= 0) {
        const QTextCursor character = range(offset, offset + 1);
        const QFontMetricsF metrics(character.charFormat().font());
        width = qCeil(metrics.horizontalAdvance(character.selectedText()) * editor()->zoomFactor());
    }
    const QRect local(before.left(), before.top(), std::max(width, 1), before.height());
    return local.translated(editor()->viewport()->mapToGlobal(QPoint(0, 0)));
}

int RichTextBoxAccessible::offsetAtPoint(const QPoint& point) const
{
    const QPoint local = editor()->viewport()->mapFromGlobal(point);
    if (!editor()->viewport()->rect().contains(local)) {
        return -1;
    }
    return editor()->positionAt(local);
}

void RichTextBoxAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    // Scrolls the view, the caret stays where it is.
    const QRect first = editor()->cursorRect(std::clamp(startIndex, 0, characterCount()));
    const QRect last = editor()->cursorRect(std::clamp(endIndex, 0, characterCount()));
    const QRect wanted = first.united(last);
    const QRect view = editor()->viewport()->rect();
    QScrollBar* vertical = editor()->verticalScrollBar();
    if (wanted.top() < view.top() || wanted.bottom() > view.bottom()) {
        vertical->setValue(vertical->value() + wanted.top() - view.height() / 3);
    }
    QScrollBar* horizontal = editor()->horizontalScrollBar();
    if (wanted.left() < view.left() || wanted.left() > view.right()) {
        horizontal->setValue(horizontal->value() + wanted.left() - view.width() / 3);
    }
}

QString RichTextBoxAccessible::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = offset;
    *endOffset = offset;
    if (offset < 0 || offset >= characterCount()) {
        return {};
    }
    // The run of text that shares the character's format.
    const QTextBlock block = editor()->document()->findBlock(offset);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (offset < fragment.position() || offset >= fragment.position() + fragment.length()) {
            continue;
        }
        *startOffset = fragment.position();
        *endOffset = fragment.position() + fragment.length();
        const QFont font = fragment.charFormat().font();
        QString attributes = QStringLiteral("font-family:\"%1\";font-size:%2pt;")
                                 .arg(font.family())
                                 .arg(font.pointSizeF());
        if (font.bold()) {
            attributes += QLatin1String("font-weight:bold;");
        }
        if (font.italic()) {
            attributes += QLatin1String("font-style:italic;");
        }
        return attributes;
    }
    // A paragraph break is a run of its own.
    *endOffset = offset + 1;
    return {};
}

void RichTextBoxAccessible::deleteText(int startOffset, int endOffset)
{
    range(startOffset, endOffset).removeSelectedText();
}

void RichTextBoxAccessible::insertText(int offset, const QString& text)
{
    range(offset, offset).insertText(text);
}

void RichTextBoxAccessible::replaceText(int startOffset, int endOffset, const QString& text)
{
    range(startOffset, endOffset).insertText(text);
}

} // namespace editor
