#include "controls/skinned/UcProgress.h"

#include "controls/skinned/SkinnedTrack.h"
#include "platform/RasterCopy.h"
#include "platform/Resources.h"
#include "platform/Units.h"
#include "skin/ReportError.h"

#include <QAccessible>
#include <QPainter>

namespace skinned {

namespace {

const QString kModule = QStringLiteral("UcProgress");

// A horizontal bar shorter than this share of the trough starts 4 pixels in, clear of
// the trough's rounded end; a longer one starts at the edge.
constexpr double kShortBarDivisor = 1.3;
constexpr int kBarInset = 4;

int roundToInt(double value)
{
    return static_cast<int>(platform::roundHalfEven(value));
}

} // namespace

UcProgress::UcProgress(QWidget* parent) : QWidget(parent) {}

void UcProgress::UserControl_InitProperties()
{
    m_orientation = 0;
    m_min = 0;
    m_max = 100;
    m_value = 0;
    update();
}

void UcProgress::UserControl_ReadProperties(const platform::PropertyBag& bag)
{
    m_orientation = bag.readInteger(QStringLiteral("Orientation"), 0);
    m_min = qMax(0, bag.readLong(QStringLiteral("Min"), 0));
    m_max = bag.readLong(QStringLiteral("Max"), 100);
    m_value = bag.readLong(QStringLiteral("Value"), 0);
    // The pictures of the stored orientation are loaded by the next paint.
    m_troughMiddle = skin::ClsPictureDC();
    m_loadFailed = false;
    update();
}

void UcProgress::UserControl_WriteProperties(platform::PropertyBag& bag) const
{
    bag.writeInteger(QStringLiteral("Orientation"), m_orientation, qint16(0));
    bag.writeLong(QStringLiteral("Min"), m_min, 0);
    bag.writeLong(QStringLiteral("Max"), m_max, 100);
    bag.writeLong(QStringLiteral("Value"), m_value, 0);
}

void UcProgress::setOrientation(qint16 orientation)
{
    m_orientation = orientation;
    Q_EMIT PropertyChanged(QStringLiteral("Orientation"));
    GetThePict();
    UserResize();
    Repaint();
}

void UcProgress::setMin(qint32 value)
{
    m_min = qMax(0, value);
    Q_EMIT PropertyChanged(QStringLiteral("Min"));
}

void UcProgress::setMax(qint32 value)
{
    m_max = value;
    Q_EMIT PropertyChanged(QStringLiteral("Max"));
}

void UcProgress::setValue(qint32 value)
{
    if (value < m_min || value > m_max) {
        return;
    }
    const bool changed = value != m_value;
    m_value = value;
    Q_EMIT PropertyChanged(QStringLiteral("Value"));
    if (changed && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, m_value);
        QAccessible::updateAccessibility(&event);
    }
    // Every paint redraws the whole trough, so a smaller value needs no extra erase.
    Repaint();
}

void UcProgress::setBorderStyle(qint16 style)
{
    m_borderStyle = style;
    UserResize();
    Repaint();
}

int UcProgress::innerWidth() const
{
    return m_borderStyle != 0 ? width() - 2 : width();
}

int UcProgress::innerHeight() const
{
    return m_borderStyle != 0 ? height() - 2 : height();
}

void UcProgress::GetThePict()
{
    m_loadFailed = true;
    const bool horizontal = isHorizontal();
    if (!skinned::loadSkinPictures(
            {{&m_troughMiddle,
              horizontal ? QStringLiteral("HBPROGMID") : QStringLiteral("VBPROGMID")},
             {&m_troughLow, horizontal ? QStringLiteral("HBPROGLEFT") : QStringLiteral("VPROGUP")},
             {&m_troughHigh,
              horizontal ? QStringLiteral("HBPROGRIGHT") : QStringLiteral("VPROGDN")}},
            QStringLiteral("GetThePict"), kModule)) {
        m_troughMiddle = skin::ClsPictureDC();
        return;
    }
    const QString barName = horizontal ? QStringLiteral("HPROGRESS") : QStringLiteral("VPROGRESS");
    const std::optional<QImage> bar = platform::resources::bitmap(barName);
    if (!bar) {
        m_troughMiddle = skin::ClsPictureDC();
        skin::ReportError(skin::kErrResourceNotFound, skin::resourceNotFoundText(barName),
                          QStringLiteral("GetThePict"), kModule);
        return;
    }
    m_pictBar = *bar;
    // Two attaches, two bitmaps of their own: the sprite and the mask are changed apart.
    m_sprite.setPictBitmap(m_pictBar);
    m_mask.setPictBitmap(m_pictBar);
    MaskSprite();
    m_loadFailed = false;
}

void UcProgress::MaskSprite()
{
    QImage* sprite = m_sprite.hDC();
    QImage* mask = m_mask.hDC();
    if (!sprite || !mask || sprite->size() != mask->size()) {
        return;
    }
    const platform::OleColor key = m_sprite.TransColor();
    const bool keyValid = key != skin::ClsPictureDC::kInvalidColor;
    const QRgb keyRgb = platform::toQColor(key).rgb();
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y < sprite->height(); ++y) {
        auto* spriteLine = reinterpret_cast<QRgb*>(sprite->scanLine(y));
        auto* maskLine = reinterpret_cast<QRgb*>(mask->scanLine(y));
        for (int x = 0; x < sprite->width(); ++x) {
            if (keyValid && (spriteLine[x] | 0xFF000000u) == keyRgb) {
                maskLine[x] = white;
                spriteLine[x] = white;
            } else {
                maskLine[x] = black;
            }
        }
    }
}

void UcProgress::UserResize()
{
    if (!isHorizontal() && platform::pixelsToTwipsX(width()) > kMaxThickness) {
        resize(platform::twipsToPixelsX(kMaxThickness), height());
    } else if (isHorizontal() && platform::pixelsToTwipsY(height()) > kMaxThickness) {
        resize(width(), platform::twipsToPixelsY(kMaxThickness));
    }
}

double UcProgress::fraction() const
{
    // Min equal to Max has no range to fill: the bar stays empty.
    if (m_max == m_min) {
        return 0.0;
    }
    return (double(m_value) - m_min) / (double(m_max) - m_min);
}

int UcProgress::GetHorizontalPos() const
{
    return roundToInt(innerWidth() * fraction());
}

int UcProgress::GetVerticalPos() const
{
    return roundToInt(-fraction() * (innerHeight() - 4));
}

void UcProgress::CopyTransPict(QPainter& dc)
{
    using platform::raster::RasterOp;
    using platform::raster::stretchBlt;
    const int sw = innerWidth();
    const int sh = innerHeight();
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    if (isHorizontal()) {
        w = GetHorizontalPos();
        h = sh;
        x = w < sw / kShortBarDivisor ? kBarInset : 0;
    } else {
        // A negative height runs upwards from the line and mirrors the bar bitmap.
        w = sw;
        h = GetVerticalPos();
        y = roundToInt(sh - 4.0);
    }
    // The mask whitens the bar's shape, then the sprite (white where keyed) is ANDed in.
    stretchBlt(dc, x, y, w, h, m_mask.hDC(), 0, 0, m_mask.Width(), m_mask.Height(),
               RasterOp::MergePaint);
    stretchBlt(dc, x, y, w, h, m_sprite.hDC(), 0, 0, m_sprite.Width(), m_sprite.Height(),
               RasterOp::SrcAnd);
}

void UcProgress::compose()
{
    if (!m_troughMiddle.hDC() && !m_loadFailed) {
        GetThePict();
    }
    const int sw = qMax(0, innerWidth());
    const int sh = qMax(0, innerHeight());
    if (m_pictDC.size() != QSize(sw, sh)) {
        m_pictDC = QImage(sw, sh, QImage::Format_RGB32);
    }
    if (m_pictDC.isNull()) {
        return;
    }
    m_pictDC.fill(palette().color(QPalette::Window));
    QPainter dc(&m_pictDC);
    skinned::paintTrack(dc, sw, sh, isHorizontal(), m_borderStyle != 0, m_troughMiddle, m_troughLow,
                        m_troughHigh);
    CopyTransPict(dc);
}

void UcProgress::Repaint()
{
    if (m_painting) {
        return;
    }
    m_painting = true;
    compose();
    m_painting = false;
    update();
}

void UcProgress::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    if (!m_painting) {
        m_painting = true;
        compose();
        m_painting = false;
    }
    QPainter painter(this);
    int offset = 0;
    if (m_borderStyle != 0) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        offset = 1;
    }
    platform::raster::bitBlt(painter, offset, offset, m_pictDC.width(), m_pictDC.height(),
                             &m_pictDC, 0, 0);
}

void UcProgress::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    UserResize();
}

} // namespace skinned
