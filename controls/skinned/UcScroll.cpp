#include "controls/skinned/UcScroll.h"

#include "controls/skinned/SkinnedTrack.h"
#include "platform/FocusMark.h"
#include "platform/Units.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <limits>

namespace skinned {

namespace {

const QString kModule = QStringLiteral("UcScroll");

constexpr qint32 kMinChange = 1;
constexpr qint32 kMaxChange = 32767;
// How far Min and Max are pushed apart when one is set past the other.
constexpr qint64 kBoundsGap = 100;
// The arrows and the thumb are narrower than the bar by its thickness / 50 (twips).
constexpr double kInsetDivisor = 50.0;

qint32 clampToInt(qint64 value)
{
    constexpr qint64 low = std::numeric_limits<qint32>::min();
    constexpr qint64 high = std::numeric_limits<qint32>::max();
    return static_cast<qint32>(value < low ? low : (value > high ? high : value));
}

int roundToInt(double value)
{
    return static_cast<int>(platform::roundHalfEven(value));
}

struct PieceNames
{
    QString middle, low, high, decreaseUp, decreaseDown, increaseUp, increaseDown, thumb;
};

const PieceNames& piecesFor(bool horizontal)
{
    static const PieceNames horizontalPieces{QStringLiteral("MHSCROLL"), QStringLiteral("HLEFT"),
                                             QStringLiteral("HRIGHT"),   QStringLiteral("HLEFTUP"),
                                             QStringLiteral("HLEFTDN"),  QStringLiteral("HRIGHTUP"),
                                             QStringLiteral("HRIGHTDN"), QStringLiteral("THUMB")};
    static const PieceNames verticalPieces{
        QStringLiteral("VMIDSCROLL"), QStringLiteral("VSCROLLTOP"), QStringLiteral("VSCROLLBOTTOM"),
        QStringLiteral("VUPUP"),      QStringLiteral("VUPDN"),      QStringLiteral("VDNUP"),
        QStringLiteral("VDNDN"),      QStringLiteral("VTHUMB")};
    return horizontal ? horizontalPieces : verticalPieces;
}

} // namespace

UcScroll::UcScroll(QWidget* parent) : QWidget(parent)
{
    // Tab and a click give it the focus; the keys then move it (keyPressEvent).
    setFocusPolicy(Qt::StrongFocus);
    m_clickTimer.setInterval(kFirstRepeatInterval);
    connect(&m_clickTimer, &QTimer::timeout, this, [this] { ClickTimer_Timer(); });
}

void UcScroll::UserControl_InitProperties()
{
    m_min = 0;
    m_max = 100;
    m_value = 0;
    m_smallChange = 1;
    m_largeChange = 10;
    m_orientation = 0;
    UserResize();
    Repaint();
}

void UcScroll::UserControl_ReadProperties(const platform::PropertyBag& bag)
{
    m_borderStyle = bag.readInteger(QStringLiteral("BorderStyle"), 0);
    m_orientation = bag.readInteger(QStringLiteral("Orientation"), 0);
    m_min = bag.readLong(QStringLiteral("Min"), 0);
    m_max = bag.readLong(QStringLiteral("Max"), 100);
    m_value = bag.readLong(QStringLiteral("Value"), 0);
    const qint32 smallChange = bag.readLong(QStringLiteral("SmallChange"), 1);
    const qint32 largeChange = bag.readLong(QStringLiteral("LargeChange"), 10);
    // The same range the setters accept; a step of 0 would leave the arrows dead.
    m_smallChange = smallChange >= kMinChange && smallChange <= kMaxChange ? smallChange : 1;
    m_largeChange = largeChange >= kMinChange && largeChange <= kMaxChange ? largeChange : 10;
    GetThePict();
    UserResize();
    Repaint();
}

void UcScroll::UserControl_WriteProperties(platform::PropertyBag& bag) const
{
    bag.writeInteger(QStringLiteral("BorderStyle"), m_borderStyle, qint16(0));
    bag.writeInteger(QStringLiteral("Orientation"), m_orientation, qint16(0));
    bag.writeLong(QStringLiteral("Min"), m_min, 0);
    bag.writeLong(QStringLiteral("Max"), m_max, 100);
    bag.writeLong(QStringLiteral("Value"), m_value, 0);
    bag.writeLong(QStringLiteral("SmallChange"), m_smallChange, 1);
    bag.writeLong(QStringLiteral("LargeChange"), m_largeChange, 10);
}

void UcScroll::setValue(qint32 value)
{
    if (value < m_min) {
        value = m_min;
    }
    if (value > m_max) {
        value = m_max;
    }
    const bool changed = value != m_value;
    m_value = value;
    Q_EMIT PropertyChanged(QStringLiteral("Value"));
    PositionThumb();
    if (changed && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
    // Also when nothing changed: hosts read the value on every Change.
    Q_EMIT Change();
}

void UcScroll::setMin(qint32 value)
{
    if (value > m_max) {
        m_max = clampToInt(qint64(value) + kBoundsGap);
    }
    m_min = value;
    Q_EMIT PropertyChanged(QStringLiteral("Min"));
}

void UcScroll::setMax(qint32 value)
{
    if (value < m_min) {
        m_min = clampToInt(qint64(value) - kBoundsGap);
    }
    m_max = value;
    Q_EMIT PropertyChanged(QStringLiteral("Max"));
}

void UcScroll::setSmallChange(qint32 value)
{
    if (value < kMinChange || value > kMaxChange) {
        return;
    }
    m_smallChange = value;
    Q_EMIT PropertyChanged(QStringLiteral("SmallChange"));
}

void UcScroll::setLargeChange(qint32 value)
{
    if (value < kMinChange || value > kMaxChange) {
        return;
    }
    m_largeChange = value;
    Q_EMIT PropertyChanged(QStringLiteral("LargeChange"));
}

void UcScroll::setOrientation(qint16 orientation)
{
    m_orientation = orientation;
    Q_EMIT PropertyChanged(QStringLiteral("Orientation"));
    GetThePict();
    UserResize();
    Repaint();
}

void UcScroll::setBorderStyle(qint16 style)
{
    m_borderStyle = style;
    Q_EMIT PropertyChanged(QStringLiteral("BorderStyle"));
    UserResize();
    Repaint();
}

void UcScroll::loadPicturesOnce()
{
    if (!m_trackMiddle.hDC() && !m_loadFailed) {
        GetThePict();
    }
}

void UcScroll::GetThePict()
{
    m_loadFailed = true;
    const PieceNames& names = piecesFor(isHorizontal());
    skin::ClsPictureDC decreaseUp, decreaseDown, increaseUp, increaseDown, thumb;
    if (!skinned::loadSkinPictures({{&m_trackMiddle, names.middle},
                                    {&m_trackLow, names.low},
                                    {&m_trackHigh, names.high},
                                    {&decreaseUp, names.decreaseUp},
                                    {&decreaseDown, names.decreaseDown},
                                    {&increaseUp, names.increaseUp},
                                    {&increaseDown, names.increaseDown},
                                    {&thumb, names.thumb}},
                                   QStringLiteral("GetThePict"), kModule)) {
        m_trackMiddle = skin::ClsPictureDC();
        return;
    }
    m_loadFailed = false;
    // The pressed pictures are loaded now too, so that a press never loads anything.
    m_leftUp = *decreaseUp.hDC();
    m_leftDown = *decreaseDown.hDC();
    m_rightUp = *increaseUp.hDC();
    m_rightDown = *increaseDown.hDC();
    m_thumbImage = *thumb.hDC();
    update();
}

int UcScroll::innerWidth() const
{
    return m_borderStyle != 0 ? width() - 2 : width();
}

int UcScroll::innerHeight() const
{
    return m_borderStyle != 0 ? height() - 2 : height();
}

QPoint UcScroll::innerPos(const QPointF& widgetPos) const
{
    const QPoint pos = widgetPos.toPoint();
    return m_borderStyle != 0 ? pos - QPoint(1, 1) : pos;
}

void UcScroll::UserResize()
{
    double outerWidth = platform::pixelsToTwipsX(width());
    double outerHeight = platform::pixelsToTwipsY(height());
    if (!isHorizontal() && outerWidth > kMaxThickness) {
        outerWidth = kMaxThickness;
        resize(platform::twipsToPixelsX(kMaxThickness), height());
    } else if (isHorizontal() && outerHeight > kMaxThickness) {
        outerHeight = kMaxThickness;
        resize(width(), platform::twipsToPixelsY(kMaxThickness));
    }
    const int sw = innerWidth();
    const int sh = innerHeight();
    if (!isHorizontal()) {
        const int k = roundToInt(outerWidth / kInsetDivisor);
        const int w = qMax(0, sw - k);
        const int h = qMax(0, roundToInt(w * 4 / 3.5));
        const int left = roundToInt((sw - w) / 2.0);
        m_leftArrow = QRect(left, 2, w, h);
        m_rightArrow = QRect(left, sh - h - 2, w, h);
        m_thumb = QRect(left, m_thumb.y(), w, h);
    } else {
        const int k = roundToInt(outerHeight / kInsetDivisor);
        const int h = qMax(0, sh - k);
        const int w = qMax(0, roundToInt(h * 4 / 3.2));
        const int top = roundToInt((sh - h) / 2.0);
        m_leftArrow = QRect(2, top, w, h);
        m_rightArrow = QRect(sw - (w + 2), top, w, h);
        m_thumb = QRect(m_thumb.x(), top, w, h);
    }
    PositionThumb();
}

int UcScroll::thumbStart() const
{
    return isHorizontal() ? m_leftArrow.x() + m_leftArrow.width()
                          : m_leftArrow.y() + m_leftArrow.height();
}

int UcScroll::thumbEnd() const
{
    // Vertical: the down arrow's height stands in for the thumb's, which is the same.
    return isHorizontal() ? m_rightArrow.x() - m_thumb.width()
                          : m_rightArrow.y() - m_rightArrow.height();
}

int UcScroll::thumbPosition() const
{
    return isHorizontal() ? m_thumb.x() : m_thumb.y();
}

void UcScroll::setThumbPosition(int position)
{
    if (isHorizontal()) {
        m_thumb.moveLeft(position);
    } else {
        m_thumb.moveTop(position);
    }
    update();
}

void UcScroll::PositionThumb()
{
    const int start = thumbStart();
    const int end = thumbEnd();
    // Min equal to Max leaves no range to show: the thumb rests at the start.
    double position = start;
    if (m_max != m_min) {
        const double fraction = (double(m_value) - m_min) / (double(m_max) - m_min);
        position = fraction * (end - start) + start;
    }
    // A stored value outside Min and Max must not put the thumb over the arrows.
    position = qBound<double>(start, position, qMax(start, end));
    setThumbPosition(roundToInt(position));
}

void UcScroll::Repaint()
{
    if (m_painting) {
        return;
    }
    m_painting = true;
    loadPicturesOnce();
    PositionThumb();
    update();
    m_painting = false;
}

void UcScroll::paintTrack(QPainter& dc) const
{
    skinned::paintTrack(dc, innerWidth(), innerHeight(), isHorizontal(), m_borderStyle != 0,
                        m_trackMiddle, m_trackLow, m_trackHigh);
}

void UcScroll::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    loadPicturesOnce();
    QPainter painter(this);
    if (m_borderStyle != 0) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.translate(1, 1);
        painter.setClipRect(0, 0, innerWidth(), innerHeight());
    }
    paintTrack(painter);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto draw = [&painter](const QRect& place, const QImage& image) {
        if (!place.isEmpty() && !image.isNull()) {
            painter.drawImage(place, image);
        }
    };
    draw(m_leftArrow, isLeftArrowPressed() ? m_leftDown : m_leftUp);
    draw(m_rightArrow, isRightArrowPressed() ? m_rightDown : m_rightUp);
    draw(m_thumb, m_thumbImage);
    if (hasFocus()) {
        platform::drawFocusMark(painter,
                                QRect(0, 0, innerWidth(), innerHeight()).adjusted(0, 0, -1, -1));
    }
}

void UcScroll::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UserResize();
    Repaint();
}

void UcScroll::step(qint64 delta)
{
    setValue(clampToInt(qint64(m_value) + delta));
}

void UcScroll::ClickTimer_Timer()
{
    step(m_repeatIncreasing ? qint64(m_smallChange) : -qint64(m_smallChange));
    ++m_repeatCount;
    if (m_repeatCount > 3) {
        m_clickTimer.setInterval(kFastRepeatInterval);
    }
}

void UcScroll::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = innerPos(event->position());
    if (m_thumb.contains(pos)) {
        m_grab = Grab::Thumb;
        const int along = isHorizontal() ? pos.x() - m_thumb.x() : pos.y() - m_thumb.y();
        m_grabOffset = along;
        m_lastThumbPosition = m_grabOffset + thumbPosition();
        return;
    }
    const bool onLeft = m_leftArrow.contains(pos);
    const bool onRight = !onLeft && m_rightArrow.contains(pos);
    if (onLeft || onRight) {
        m_grab = onLeft ? Grab::LeftArrow : Grab::RightArrow;
        m_repeatIncreasing = onRight;
        m_repeatCount = 0;
        m_clickTimer.setInterval(kFirstRepeatInterval);
        m_clickTimer.start();
        update();
        return;
    }
    // The track: one large step towards the press.
    const bool before = isHorizontal() ? pos.x() <= m_thumb.x() : pos.y() <= m_thumb.y();
    step(before ? -qint64(m_largeChange) : qint64(m_largeChange));
}

void UcScroll::mouseMoveEvent(QMouseEvent* event)
{
    if (m_grab != Grab::Thumb) {
        return;
    }
    const QPoint pos = innerPos(event->position());
    const int along = isHorizontal() ? pos.x() : pos.y();
    const int start = thumbStart();
    const int end = thumbEnd();
    int position = along - m_grabOffset;
    if (position >= end) {
        position = end;
    }
    if (position <= start) {
        position = start;
    }
    if (position == m_lastThumbPosition) {
        return;
    }
    setThumbPosition(position);
    m_lastThumbPosition = position;
    qint64 value = m_min;
    if (end != start) {
        value = platform::roundHalfEven(
            double(position - start) / (end - start) * (double(m_max) - m_min) + m_min);
    }
    setValue(clampToInt(value));
    Q_EMIT Scroll();
}

void UcScroll::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = innerPos(event->position());
    const Grab grab = m_grab;
    m_grab = Grab::None;
    if (grab == Grab::LeftArrow || grab == Grab::RightArrow) {
        releaseArrow();
        // Released on the arrow it was pressed on: that is a click, one more step.
        const QRect& arrow = grab == Grab::LeftArrow ? m_leftArrow : m_rightArrow;
        if (arrow.contains(pos)) {
            step(grab == Grab::RightArrow ? qint64(m_smallChange) : -qint64(m_smallChange));
        }
    }
}

void UcScroll::keyPressEvent(QKeyEvent* event)
{
    // A horizontal bar moves like a slider (Right and Up increase, Page Up a large step
    // up); a vertical one like a scroll bar, whose value grows downwards.
    const qint64 small = m_smallChange;
    const qint64 large = m_largeChange;
    const qint64 sign = isHorizontal() ? 1 : -1;
    switch (event->key()) {
    case Qt::Key_Left:
        step(-small);
        break;
    case Qt::Key_Right:
        step(small);
        break;
    case Qt::Key_Up:
        step(sign * small);
        break;
    case Qt::Key_Down:
        step(-sign * small);
        break;
    case Qt::Key_PageUp:
        step(sign * large);
        break;
    case Qt::Key_PageDown:
        step(-sign * large);
        break;
    case Qt::Key_Home:
        setValue(m_min);
        break;
    case Qt::Key_End:
        setValue(m_max);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void UcScroll::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void UcScroll::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

void UcScroll::releaseArrow()
{
    m_clickTimer.stop();
    update();
}

void UcScroll::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A hidden bar gets no release: an arrow held at that moment must stop repeating.
    m_grab = Grab::None;
    releaseArrow();
}

} // namespace skinned
