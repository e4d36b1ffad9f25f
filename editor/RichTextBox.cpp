#include "editor/RichTextBox.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <algorithm>
#include <cmath>
#include <private/qtextdocumentlayout_p.h>
#include <private/qwidgettextcontrol_p.h>
#include <private/qwidgettextcontrol_p_p.h>

namespace editor {

namespace {

constexpr int kAutoScrollIntervalMs = 50;
// The view follows the spoken word again this long after the user last touched it.
constexpr int kUserQuietMs = 3000;
constexpr float kMaxFontPoints = 1638.0F;

bool isBold(const QTextCharFormat& format)
{
    return format.fontWeight() > QFont::Medium;
}

bool isItalic(const QTextCharFormat& format)
{
    return format.fontItalic();
}

} // namespace

RichTextBox::RichTextBox(QWidget* parent)
    : QAbstractScrollArea(parent), m_control(new QWidgetTextControl(this))
{
    m_control->setTextInteractionFlags(Qt::TextEditorInteraction);
    m_control->setAcceptRichText(false);
    m_control->document()->setUndoRedoEnabled(true);
    m_control->setPalette(palette());

    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAcceptDrops(true);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_InputMethodEnabled);
    viewport()->setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    connect(m_control, &QWidgetTextControl::updateRequest, this, [this](const QRectF& rect) {
        if (rect.isNull()) {
            viewport()->update();
        } else {
            // The control asks for "everything" with huge rectangles: clip before
            // converting to whole pixels.
            const QRectF area =
                documentToView(rect).adjusted(-1, -1, 1, 1) & QRectF(viewport()->rect());
            if (!area.isEmpty()) {
                viewport()->update(area.toAlignedRect());
            }
        }
    });
    connect(m_control, &QWidgetTextControl::documentSizeChanged, this,
            [this](const QSizeF&) { updateScrollBars(); });
    connect(m_control, &QWidgetTextControl::visibilityRequest, this,
            [this](const QRectF& rect) { ensureVisible(rect); });
    connect(m_control, &QWidgetTextControl::textChanged, this, &RichTextBox::Change);
    connect(m_control, &QWidgetTextControl::selectionChanged, this, &RichTextBox::SelChange);
    connect(m_control, &QWidgetTextControl::cursorPositionChanged, this, &RichTextBox::SelChange);
    connect(m_control, &QWidgetTextControl::microFocusChanged, this,
            [this] { updateMicroFocus(); });
    // The control tells screen readers of text and selection changes; caret moves are
    // the editor's to tell, as the view around the control.
    connect(m_control, &QWidgetTextControl::cursorPositionChanged, this, [this] {
        if (QAccessible::isActive()) {
            QAccessibleTextCursorEvent event(this, m_control->textCursor().position());
            QAccessible::updateAccessibility(&event);
        }
    });
    // Actions are what the user does to a scroll bar (wheel, arrows, dragging); the
    // program's own scrolling sets values.
    for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()}) {
        connect(bar, &QAbstractSlider::actionTriggered, this, [this] { m_userActivity.start(); });
    }
    relayout();
}

RichTextBox::~RichTextBox() = default;

QTextDocument* RichTextBox::document() const
{
    return m_control->document();
}

QTextCursor RichTextBox::textCursor() const
{
    return m_control->textCursor();
}

void RichTextBox::setTextCursor(const QTextCursor& cursor)
{
    m_control->setTextCursor(cursor);
    m_control->ensureCursorVisible();
}

QString RichTextBox::text() const
{
    return m_control->toPlainText();
}

void RichTextBox::setText(const QString& text)
{
    m_control->setPlainText(text);
    updateScrollBars();
}

QString RichTextBox::selText() const
{
    // The selection's paragraph and line breaks read as "\n", like the whole text.
    QString text = m_control->textCursor().selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

void RichTextBox::setSelText(const QString& text)
{
    QTextCursor cursor = m_control->textCursor();
    cursor.insertText(text);
    setTextCursor(cursor);
}

int RichTextBox::selStart() const
{
    return m_control->textCursor().selectionStart();
}

void RichTextBox::setSelStart(int start)
{
    QTextCursor cursor = m_control->textCursor();
    const int end = std::max(0, document()->characterCount() - 1);
    cursor.setPosition(std::clamp(start, 0, end));
    setTextCursor(cursor);
}

int RichTextBox::selLength() const
{
    const QTextCursor cursor = m_control->textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::setSelLength(int length)
{
    QTextCursor cursor = m_control->textCursor();
    const int start = cursor.selectionStart();
    const int end = std::max(0, document()->characterCount() - 1);
    cursor.setPosition(start);
    cursor.setPosition(std::clamp(start + std::max(length, 0), 0, end), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void RichTextBox::selectAll()
{
    // The control's own select-all (like every move to the end) measures where the end
    // is, which lays out all of a long document at once: seconds for a book. Inside an
    // edit block a cursor skips that measuring, so the selection is set on the
    // control's cursor directly and the rest is laid out in the background as usual.
    auto* d = static_cast<QWidgetTextControlPrivate*>(QObjectPrivate::get(m_control));
    const bool moved = d->cursor.position() != document()->characterCount() - 1;
    d->cursor.beginEditBlock();
    d->cursor.setPosition(0);
    d->cursor.setPosition(document()->characterCount() - 1, QTextCursor::KeepAnchor);
    d->cursor.endEditBlock();
    d->cursorIsFocusIndicator = false;
    Q_EMIT m_control->selectionChanged();
    Q_EMIT m_control->copyAvailable(d->cursor.hasSelection());
    if (moved) {
        Q_EMIT m_control->cursorPositionChanged();
    }
    viewport()->update();
}

std::optional<bool> RichTextBox::selectionHas(bool (*test)(const QTextCharFormat&)) const
{
    const QTextCursor cursor = m_control->textCursor();
    if (!cursor.hasSelection()) {
        return test(cursor.charFormat());
    }
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    std::optional<bool> seen;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end) {
                continue;
            }
            const bool value = test(fragment.charFormat());
            if (seen && *seen != value) {
                return std::nullopt;
            }
            seen = value;
        }
    }
    // A selection of paragraph breaks only: the format at its start.
    return seen ? seen : std::optional<bool>(test(cursor.charFormat()));
}

std::optional<bool> RichTextBox::selBold() const
{
    return selectionHas(&isBold);
}

std::optional<bool> RichTextBox::selItalic() const
{
    return selectionHas(&isItalic);
}

void RichTextBox::mergeSelectionFormat(const QTextCharFormat& format)
{
    m_control->mergeCurrentCharFormat(format);
}

void RichTextBox::setSelBold(bool bold)
{
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    mergeSelectionFormat(format);
}

void RichTextBox::setSelItalic(bool italic)
{
    QTextCharFormat format;
    format.setFontItalic(italic);
    mergeSelectionFormat(format);
}

void RichTextBox::setSelStrikeThru(bool strike)
{
    QTextCharFormat format;
    format.setFontStrikeOut(strike);
    mergeSelectionFormat(format);
}

void RichTextBox::setSelUnderline(bool underline)
{
    QTextCharFormat format;
    format.setFontUnderline(underline);
    mergeSelectionFormat(format);
}

bool RichTextBox::setSelFontName(const QString& name)
{
    if (name.trimmed().isEmpty()) {
        return false;
    }
    QTextCharFormat format;
    format.setFontFamilies({name.trimmed()});
    mergeSelectionFormat(format);
    return true;
}

bool RichTextBox::setSelFontSize(float points)
{
    if (!(points >= 1.0F && points <= kMaxFontPoints)) {
        return false;
    }
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeSelectionFormat(format);
    return true;
}

void RichTextBox::setSelColor(platform::OleColor color)
{
    QTextCharFormat format;
    format.setForeground(platform::toQColor(platform::translateColor(color)));
    mergeSelectionFormat(format);
}

void RichTextBox::setBackColor(platform::OleColor color)
{
    if (m_backColor == color) {
        return;
    }
    m_backColor = color;
    viewport()->update();
}

platform::Result<documents::RtfEnd> RichTextBox::loadFile(const QString& path)
{
    // The reader refuses an unreadable file or one that is not rich text before it
    // touches the document, so a failure leaves the content as it was.
    platform::Result<documents::RtfEnd> result = documents::RtfReader::readFile(path, *document());
    if (!result) {
        return result;
    }
    setTextCursor(QTextCursor(document()));
    updateScrollBars();
    return result;
}

bool RichTextBox::sendZoomMessage(int numerator, int denominator)
{
    Q_EMIT zoomMessageReceived(numerator, denominator);
    int newNumerator = numerator;
    int newDenominator = denominator;
    if (numerator == 0 && denominator == 0) {
        newNumerator = newDenominator = 1;
    } else if (numerator < 1 || numerator > kMaxZoomTerm || denominator < 1 ||
               denominator > kMaxZoomTerm) {
        return false;
    }
    if (newNumerator == m_zoomNumerator && newDenominator == m_zoomDenominator) {
        return true;
    }
    // Keep the character at the top of the view there across the change. The lines
    // wrap anew, so it is found again by its position, not by its old height.
    const bool scrolled = verticalScrollBar()->value() > 0;
    // (The top row of pixels is where one line ends and the next begins; one row down
    // is unambiguous.)
    const int topPosition = scrolled ? positionAt(QPoint(0, 1)) : 0;
    m_zoomNumerator = newNumerator;
    m_zoomDenominator = newDenominator;
    relayout();
    if (scrolled) {
        QTextCursor top(document());
        top.setPosition(topPosition);
        const qreal y = m_control->cursorRect(top).top();
        // The scroll range only covers what has been laid out: lay out one view further
        // so that the character can stand at the top.
        m_control->hitTest(QPointF(0, y + viewport()->height() / zoomFactor()), Qt::FuzzyHit);
        updateScrollBars();
        verticalScrollBar()->setValue(int(std::ceil(y * zoomFactor())));
    } else {
        verticalScrollBar()->setValue(0);
    }
    viewport()->update();
    updateMicroFocus();
    return true;
}

QPointF RichTextBox::scrollOffset() const
{
    return {qreal(horizontalScrollBar()->value()), qreal(verticalScrollBar()->value())};
}

QTransform RichTextBox::viewToDocument() const
{
    const QPointF offset = scrollOffset();
    const qreal inverse = 1.0 / zoomFactor();
    return QTransform::fromTranslate(offset.x(), offset.y()) *
           QTransform::fromScale(inverse, inverse);
}

QRectF RichTextBox::documentToView(const QRectF& rect) const
{
    const qreal factor = zoomFactor();
    return QRectF(rect.topLeft() * factor, rect.size() * factor).translated(-scrollOffset());
}

QRect RichTextBox::cursorRect(int position) const
{
    QTextCursor cursor(document());
    cursor.setPosition(std::clamp(position, 0, std::max(0, document()->characterCount() - 1)));
    return documentToView(m_control->cursorRect(cursor)).toAlignedRect();
}

QPointF RichTextBox::clampedToText(const QPointF& documentPoint) const
{
    // Qt's layout answers a point in the top margin of a document it has not laid out
    // to the end with a position far down the text; the margin belongs to the first line.
    return {documentPoint.x(), std::max(documentPoint.y(), document()->documentMargin())};
}

int RichTextBox::positionAt(const QPoint& viewportPoint) const
{
    return m_control->cursorForPosition(clampedToText(viewToDocument().map(QPointF(viewportPoint))))
        .position();
}

void RichTextBox::setSpokenRange(int start, int length)
{
    const int last = std::max(0, document()->characterCount() - 1);
    QTextEdit::ExtraSelection mark;
    mark.cursor = QTextCursor(document());
    mark.cursor.setPosition(std::clamp(start, 0, last));
    mark.cursor.setPosition(std::clamp(start + length, 0, last), QTextCursor::KeepAnchor);
    mark.format.setBackground(spokenColor());
    // Qt drops a block's shaped text once it is laid out, and shapes the whole block
    // again for every repaint; a long paragraph under the moving mark would be shaped
    // anew for each word. The spoken block keeps its shaping while it is spoken.
    const int block = document()->findBlock(mark.cursor.selectionStart()).blockNumber();
    if (block != m_spokenBlock) {
        keepShaping(m_spokenBlock, false);
        m_spokenBlock = block;
        keepShaping(m_spokenBlock, true);
    }
    m_control->setExtraSelections({mark});
    if (!userIsBusy()) {
        bringIntoView(mark.cursor);
    }
}

void RichTextBox::clearSpokenRange()
{
    m_control->setExtraSelections({});
    keepShaping(m_spokenBlock, false);
    m_spokenBlock = -1;
}

void RichTextBox::keepShaping(int blockNumber, bool keep)
{
    // By number rather than by handle: an edit may have removed the block since; the
    // number then names another block or none, and either is harmless.
    if (QTextLayout* layout = document()->findBlockByNumber(blockNumber).layout()) {
        layout->setCacheEnabled(keep);
    }
}

std::optional<std::pair<int, int>> RichTextBox::spokenRange() const
{
    const QList<QTextEdit::ExtraSelection> marks = m_control->extraSelections();
    if (marks.isEmpty() || !marks.constFirst().cursor.hasSelection()) {
        return std::nullopt;
    }
    const QTextCursor& cursor = marks.constFirst().cursor;
    return std::pair(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
}

QColor RichTextBox::spokenColor()
{
    return {0xFF, 0xE0, 0x66};
}

void RichTextBox::setContextActions(const QList<QAction*>& actions)
{
    m_contextActions.clear();
    for (QAction* action : actions) {
        m_contextActions.append(action);
    }
}

QList<QAction*> RichTextBox::contextActions() const
{
    QList<QAction*> actions;
    for (const QPointer<QAction>& action : m_contextActions) {
        if (action) {
            actions.append(action);
        }
    }
    return actions;
}

bool RichTextBox::userIsBusy() const
{
    return m_selecting || m_autoScrollTimer.isActive() || verticalScrollBar()->isSliderDown() ||
           horizontalScrollBar()->isSliderDown() ||
           (m_userActivity.isValid() && m_userActivity.elapsed() < kUserQuietMs);
}

void RichTextBox::bringIntoView(const QTextCursor& range)
{
    QTextCursor start = range;
    start.setPosition(range.selectionStart());
    QTextCursor end = range;
    end.setPosition(range.selectionEnd());
    QRectF word = m_control->cursorRect(start);
    const QRectF endRect = m_control->cursorRect(end);
    // A word broken over two lines is brought in by its first.
    if (qFuzzyCompare(endRect.top(), word.top())) {
        word = word.united(endRect);
    }
    updateScrollBars();
    const QRectF inView = documentToView(word);
    const QRectF view(viewport()->rect());
    if (view.contains(inView)) {
        return;
    }
    // Leave room for the lines that follow: the word's line goes a quarter down the view.
    if (inView.top() < view.top() || inView.bottom() > view.bottom()) {
        QScrollBar* v = verticalScrollBar();
        v->setValue(v->value() + int(std::floor(inView.top() - view.height() / 4)));
    }
    ensureVisible(word);
}

void RichTextBox::relayout()
{
    // The text wraps at the view's width measured in document units, so a zoomed view
    // shows the same lines as the rich-edit control does, only larger or smaller.
    const qreal width = std::max(1.0, viewport()->width() / zoomFactor());
    if (!qFuzzyCompare(m_control->textWidth(), width)) {
        m_control->setTextWidth(width);
    }
    updateScrollBars();
}

QSizeF RichTextBox::laidOutSize() const
{
    // A large document is laid out a piece at a time in the background; asking for its
    // full size would lay it all out at once (seconds for a book) and freeze the window.
    if (auto* layout = qobject_cast<QTextDocumentLayout*>(document()->documentLayout())) {
        return layout->dynamicDocumentSize();
    }
    return document()->size();
}

void RichTextBox::updateScrollBars()
{
    const qreal factor = zoomFactor();
    const QSizeF size = laidOutSize() * factor;
    const QSize view = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, int(std::ceil(size.height())) - view.height()));
    verticalScrollBar()->setPageStep(view.height());
    verticalScrollBar()->setSingleStep(std::max(1, int(20 * factor)));
    horizontalScrollBar()->setRange(0, std::max(0, int(std::ceil(size.width())) - view.width()));
    horizontalScrollBar()->setPageStep(view.width());
    horizontalScrollBar()->setSingleStep(std::max(1, int(20 * factor)));
}

void RichTextBox::ensureVisible(const QRectF& documentRect)
{
    // Finding the rectangle laid the document out at least that far; the scroll range
    // must know before it can reach it.
    updateScrollBars();
    const QRectF rect = documentToView(documentRect);
    const QRect view = viewport()->rect();
    QScrollBar* v = verticalScrollBar();
    if (rect.bottom() > view.bottom()) {
        v->setValue(v->value() + int(std::ceil(rect.bottom() - view.bottom())));
    }
    if (rect.top() < view.top()) {
        v->setValue(v->value() - int(std::ceil(view.top() - rect.top())));
    }
    QScrollBar* h = horizontalScrollBar();
    if (rect.right() > view.right()) {
        h->setValue(h->value() + int(std::ceil(rect.right() - view.right())));
    }
    if (rect.left() < view.left()) {
        h->setValue(h->value() - int(std::ceil(view.left() - rect.left())));
    }
}

void RichTextBox::paintEvent(QPaintEvent* e)
{
    QPainter painter(viewport());
    painter.fillRect(e->rect(), platform::toQColor(platform::translateColor(m_backColor)));
    const qreal factor = zoomFactor();
    const QPointF offset = scrollOffset();
    const QRectF clip = viewToDocument().mapRect(QRectF(e->rect()));
    painter.translate(-offset);
    painter.scale(factor, factor);
    m_control->drawContents(&painter, clip, this);
}

void RichTextBox::resizeEvent(QResizeEvent* e)
{
    QAbstractScrollArea::resizeEvent(e);
    relayout();
}

void RichTextBox::scrollContentsBy(int dx, int dy)
{
    viewport()->scroll(dx, dy);
    updateMicroFocus();
}

void RichTextBox::sendToControl(QEvent* e)
{
    m_control->processEvent(e, viewToDocument(), this);
}

void RichTextBox::sendMouseToControl(QMouseEvent* e)
{
    const QTransform transform = viewToDocument();
    const QPointF inDocument = transform.map(e->position());
    const QPointF clamped = clampedToText(inDocument);
    if (clamped == inDocument) {
        sendToControl(e);
        return;
    }
    const QPointF position = transform.inverted().map(clamped);
    QMouseEvent moved(e->type(), position, viewport()->mapToGlobal(position), e->button(),
                      e->buttons(), e->modifiers(), e->pointingDevice());
    sendToControl(&moved);
    e->setAccepted(moved.isAccepted());
}

bool RichTextBox::event(QEvent* e)
{
    if (e->type() == QEvent::ShortcutOverride) {
        sendToControl(e);
        if (e->isAccepted()) {
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void RichTextBox::pageUpDown(QTextCursor::MoveOperation direction, QTextCursor::MoveMode mode)
{
    // The control knows nothing of pages: move the caret by one view height, measured
    // in document units, and scroll the view along with it.
    QTextCursor cursor = m_control->textCursor();
    const qreal pageInDocument = viewport()->height() / zoomFactor();
    const QRectF caret = m_control->cursorRect(cursor);
    const qreal targetY = direction == QTextCursor::Down ? caret.center().y() + pageInDocument
                                                         : caret.center().y() - pageInDocument;
    const int position =
        m_control->cursorForPosition(QPointF(caret.center().x(), std::max(0.0, targetY)))
            .position();
    QScrollBar* v = verticalScrollBar();
    v->setValue(v->value() + (direction == QTextCursor::Down ? v->pageStep() : -v->pageStep()));
    if (direction == QTextCursor::Down && targetY > laidOutSize().height()) {
        cursor.movePosition(QTextCursor::End, mode);
    } else if (direction == QTextCursor::Up && targetY < 0) {
        cursor.movePosition(QTextCursor::Start, mode);
    } else {
        cursor.setPosition(position, mode);
    }
    m_control->setTextCursor(cursor);
    m_control->ensureCursorVisible();
}

void RichTextBox::keyPressEvent(QKeyEvent* e)
{
    m_userActivity.start();
    if ((e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) &&
        (e->modifiers() & Qt::ControlModifier)) {
        // Tab types a tab; Ctrl+Tab and Ctrl+Shift+Tab leave, as in Qt's own editors.
        const bool next = e->key() == Qt::Key_Tab && !(e->modifiers() & Qt::ShiftModifier);
        QAbstractScrollArea::focusNextPrevChild(next);
        e->accept();
        return;
    }
    if (e == QKeySequence::MoveToNextPage || e == QKeySequence::SelectNextPage) {
        pageUpDown(QTextCursor::Down, e == QKeySequence::SelectNextPage ? QTextCursor::KeepAnchor
                                                                        : QTextCursor::MoveAnchor);
        e->accept();
        return;
    }
    if (e == QKeySequence::MoveToPreviousPage || e == QKeySequence::SelectPreviousPage) {
        pageUpDown(QTextCursor::Up, e == QKeySequence::SelectPreviousPage
                                        ? QTextCursor::KeepAnchor
                                        : QTextCursor::MoveAnchor);
        e->accept();
        return;
    }
    sendToControl(e);
    if (!e->isAccepted()) {
        QAbstractScrollArea::keyPressEvent(e);
    }
}

void RichTextBox::keyReleaseEvent(QKeyEvent* e)
{
    sendToControl(e);
}

void RichTextBox::mousePressEvent(QMouseEvent* e)
{
    m_userActivity.start();
    m_selecting = e->button() == Qt::LeftButton;
    m_lastMousePos = e->position().toPoint();
    sendMouseToControl(e);
}

void RichTextBox::mouseMoveEvent(QMouseEvent* e)
{
    m_lastMousePos = e->position().toPoint();
    sendMouseToControl(e);
    // Dragging a selection past the edge scrolls the view until the mouse comes back.
    if ((e->buttons() & Qt::LeftButton) && !viewport()->rect().contains(m_lastMousePos)) {
        if (!m_autoScrollTimer.isActive()) {
            m_autoScrollTimer.start(kAutoScrollIntervalMs, this);
        }
    } else {
        m_autoScrollTimer.stop();
    }
}

void RichTextBox::mouseReleaseEvent(QMouseEvent* e)
{
    m_userActivity.start();
    m_selecting = false;
    m_autoScrollTimer.stop();
    m_lastMousePos = e->position().toPoint();
    sendMouseToControl(e);
}

void RichTextBox::mouseDoubleClickEvent(QMouseEvent* e)
{
    sendMouseToControl(e);
}

void RichTextBox::timerEvent(QTimerEvent* e)
{
    if (e->timerId() != m_autoScrollTimer.timerId()) {
        QAbstractScrollArea::timerEvent(e);
        return;
    }
    const QRect view = viewport()->rect();
    const QPoint pos = m_lastMousePos;
    if (pos.y() > view.bottom()) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (pos.y() < view.top()) {
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    if (pos.x() > view.right()) {
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    } else if (pos.x() < view.left()) {
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
    }
    QMouseEvent move(QEvent::MouseMove, QPointF(pos), viewport()->mapToGlobal(QPointF(pos)),
                     Qt::NoButton, Qt::LeftButton, QApplication::keyboardModifiers());
    sendMouseToControl(&move);
}

void RichTextBox::contextMenuEvent(QContextMenuEvent* e)
{
    QMenu* menu =
        m_control->createStandardContextMenu(viewToDocument().map(QPointF(e->pos())), this);
    if (menu == nullptr) {
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    bool separated = false;
    for (const QPointer<QAction>& action : std::as_const(m_contextActions)) {
        if (action) {
            if (!separated) {
                menu->addSeparator();
                separated = true;
            }
            menu->addAction(action);
        }
    }
    menu->popup(e->globalPos());
}

void RichTextBox::dragEnterEvent(QDragEnterEvent* e)
{
    if (!editor::droppedFiles(e->mimeData()).isEmpty()) {
        e->acceptProposedAction();
        return;
    }
    sendToControl(e);
}

void RichTextBox::dragMoveEvent(QDragMoveEvent* e)
{
    if (!editor::droppedFiles(e->mimeData()).isEmpty()) {
        e->acceptProposedAction();
        return;
    }
    sendToControl(e);
}

void RichTextBox::dragLeaveEvent(QDragLeaveEvent* e)
{
    sendToControl(e);
}

void RichTextBox::dropEvent(QDropEvent* e)
{
    // A file is opened, not pasted as its name.
    const QStringList files = editor::droppedFiles(e->mimeData());
    if (!files.isEmpty()) {
        e->acceptProposedAction();
        Q_EMIT filesDropped(files);
        return;
    }
    sendToControl(e);
}

void RichTextBox::focusInEvent(QFocusEvent* e)
{
    sendToControl(e);
    QAbstractScrollArea::focusInEvent(e);
}

void RichTextBox::focusOutEvent(QFocusEvent* e)
{
    sendToControl(e);
    QAbstractScrollArea::focusOutEvent(e);
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* e)
{
    sendToControl(e);
}

QVariant RichTextBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    QVariant value = m_control->inputMethodQuery(query, QVariant());
    // The control answers in document units; the platform wants viewport pixels.
    if (value.typeId() == QMetaType::QRectF) {
        value = documentToView(value.toRectF()).translated(viewport()->pos());
    } else if (value.typeId() == QMetaType::QRect) {
        value =
            documentToView(QRectF(value.toRect())).toAlignedRect().translated(viewport()->pos());
    }
    return value;
}

void RichTextBox::changeEvent(QEvent* e)
{
    QAbstractScrollArea::changeEvent(e);
    if (e->type() == QEvent::PaletteChange || e->type() == QEvent::ApplicationPaletteChange) {
        m_control->setPalette(palette());
    } else if (e->type() == QEvent::FontChange) {
        document()->setDefaultFont(font());
    }
}

bool RichTextBox::focusNextPrevChild(bool next)
{
    // Tab types a tab in the document rather than leaving the editor (Ctrl+Tab leaves).
    if (m_control->textInteractionFlags() & Qt::TextEditable) {
        return false;
    }
    return QAbstractScrollArea::focusNextPrevChild(next);
}

QStringList droppedFiles(const QMimeData* data)
{
    QStringList files;
    if (data == nullptr || !data->hasUrls()) {
        return files;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            files << url.toLocalFile();
        }
    }
    return files;
}

} // namespace editor
