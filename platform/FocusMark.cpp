#include "platform/FocusMark.h"

#include <QImage>
#include <QPainter>
#include <QPolygon>

namespace platform {

namespace {

QPolygon focusDots(const QRect& rect)
{
    QPolygon dots;
    if (rect.width() < 2 || rect.height() < 2) {
        return dots;
    }
    for (int x = rect.left(); x <= rect.right(); x += 2) {
        dots << QPoint(x, rect.top()) << QPoint(x, rect.bottom());
    }
    for (int y = rect.top() + 2; y < rect.bottom(); y += 2) {
        dots << QPoint(rect.left(), y) << QPoint(rect.right(), y);
    }
    return dots;
}

} // namespace

void drawFocusMark(QPainter& painter, const QRect& rect)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.setPen(QPen(Qt::white, 1));
    painter.drawPoints(focusDots(rect));
    painter.restore();
}

void drawFocusMark(QImage& image, const QRect& rect)
{
    for (const QPoint& dot : focusDots(rect)) {
        if (image.rect().contains(dot)) {
            image.setPixel(dot, image.pixel(dot) ^ 0x00FFFFFFu);
        }
    }
}

} // namespace platform
