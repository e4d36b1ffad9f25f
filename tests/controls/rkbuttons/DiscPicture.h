#pragma once

#include <QImage>
#include <QPainter>

// A picture for custom shapes: a dark disc on white, its edge anti-aliased into
// near-white fringe pixels, some of them exactly 3 and 4 away from the colour key.
inline QImage discPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 60, 120));
    painter.drawEllipse(QRect(QPoint(0, 0), size).adjusted(4, 4, -4, -4));
    return image;
}
