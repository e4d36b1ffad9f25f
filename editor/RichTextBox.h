#pragma once

#include "documents/RtfReader.h"
#include "platform/OleColor.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QTextCursor>
#include <optional>
#include <utility>

class QMimeData;
class QTextDocument;
class QWidgetTextControl;

// The document editor: a rich-text edit control whose view can be zoomed by a ratio
// (the zoom message) while the document itself (characters, font sizes) stays as it is.
// Positions count characters from 0, a paragraph break counting as one.
namespace editor {

class RichTextBox : public QAbstractScrollArea
{
    Q_OBJECT

public:
    // The largest numerator or denominator the zoom message accepts.
    static constexpr int kMaxZoomTerm = 64;

    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    // The whole text, without formatting; writing it replaces everything.
    QString text() const;
    void setText(const QString& text);

    // The selection's text; writing it replaces the selection, or inserts at the caret.
    QString selText() const;
    void setSelText(const QString& text);

    // Writing the start puts the caret there (nothing selected); writing the length
    // selects that many characters from the start. Both are clamped to the document.
    int selStart() const;
    void setSelStart(int start);
    int selLength() const;
    void setSelLength(int length);
    // Selects the whole document without scrolling: bringing the end into view would
    // lay out all of a long document at once.
    void selectAll();

    // True or false, or no value when the selection mixes both.
    std::optional<bool> selBold() const;
    void setSelBold(bool bold);
    std::optional<bool> selItalic() const;
    void setSelItalic(bool italic);
    void setSelStrikeThru(bool strike);
    void setSelUnderline(bool underline);
    // The editor refuses an empty name and a size outside 1 to 1638 points.
    bool setSelFontName(const QString& name);
    bool setSelFontSize(float points);
    void setSelColor(platform::OleColor color);

    // The background of the whole editor.
    platform::OleColor backColor() const { return m_backColor; }
    void setBackColor(platform::OleColor color);

    // The handle other parts send the zoom message to.
    RichTextBox* hWnd() { return this; }

    // Replaces the content with a rich-text file; on failure the content stays. A file cut
    // short shows what it holds and says so.
    platform::Result<documents::RtfEnd> loadFile(const QString& path);

    // The zoom message: numerator and denominator from 1 to 64, giving a ratio between
    // 1/64 and 64, scale the view; 0 and 0 switch zooming off. Anything else is refused
    // and changes nothing. Returns whether the message was accepted.
    bool sendZoomMessage(int numerator, int denominator);
    int zoomNumerator() const { return m_zoomNumerator; }
    int zoomDenominator() const { return m_zoomDenominator; }
    qreal zoomFactor() const { return qreal(m_zoomNumerator) / m_zoomDenominator; }

    QTextDocument* document() const;
    QTextCursor textCursor() const;
    void setTextCursor(const QTextCursor& cursor);

    // Where a document position is drawn, in viewport pixels, and the document position
    // under a viewport point.
    QRect cursorRect(int position) const;
    int positionAt(const QPoint& viewportPoint) const;

    // The word being spoken, drawn over the text: the document, its modified state and its
    // undo history stay as they are, and the mark moves with edits around it. When the word
    // is out of sight the view brings it in, unless the user is scrolling, selecting or
    // typing (or did so in the last few seconds).
    void setSpokenRange(int start, int length);
    void clearSpokenRange();
    // Start and length of the marked word; nothing when none is marked.
    std::optional<std::pair<int, int>> spokenRange() const;
    // What the marked word is drawn on.
    static QColor spokenColor();

    // Actions the context menu offers below its own.
    void setContextActions(const QList<QAction*>& actions);
    QList<QAction*> contextActions() const;

Q_SIGNALS:
    void Change();
    void SelChange();
    // Every zoom message that reaches the editor, accepted or not.
    void zoomMessageReceived(int numerator, int denominator);
    // Files were dropped on the editor (a dropped text selection is inserted instead).
    void filesDropped(const QStringList& paths);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void timerEvent(QTimerEvent* e) override;
    void changeEvent(QEvent* e) override;
    bool focusNextPrevChild(bool next) override;

private:
    // Viewport pixels to document co-ordinates.
    QTransform viewToDocument() const;
    QRectF documentToView(const QRectF& rect) const;
    QPointF scrollOffset() const;
    void relayout();
    QSizeF laidOutSize() const;
    void updateScrollBars();
    void ensureVisible(const QRectF& documentRect);
    void pageUpDown(QTextCursor::MoveOperation direction, QTextCursor::MoveMode mode);
    void sendToControl(QEvent* e);
    void sendMouseToControl(QMouseEvent* e);
    QPointF clampedToText(const QPointF& documentPoint) const;
    void mergeSelectionFormat(const QTextCharFormat& format);
    std::optional<bool> selectionHas(bool (*test)(const QTextCharFormat&)) const;
    bool userIsBusy() const;
    void keepShaping(int blockNumber, bool keep);
    void bringIntoView(const QTextCursor& range);

    QWidgetTextControl* m_control = nullptr;
    int m_spokenBlock = -1; // the block under the spoken mark
    platform::OleColor m_backColor = platform::systemColor(platform::ColorWindow);
    int m_zoomNumerator = 1;
    int m_zoomDenominator = 1;
    QBasicTimer m_autoScrollTimer;
    QPoint m_lastMousePos;
    QElapsedTimer m_userActivity; // since the user last scrolled, selected or typed
    bool m_selecting = false;
    QList<QPointer<QAction>> m_contextActions;
};

// The local files a drag carries, in its order; none for a dragged text selection.
QStringList droppedFiles(const QMimeData* data);

} // namespace editor
