#pragma once

#include "platform/PropertyBag.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

// Shared set-up of the skin and skinned-control tests.
namespace skintest {

// A piece of the skin's artwork, 32 bits a pixel.
inline QImage bitmap(const char* name)
{
    return QImage(QStringLiteral(":/bitmaps/%1.bmp").arg(QLatin1String(name)))
        .convertToFormat(QImage::Format_RGB32);
}

inline QImage solid(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// What paint(QPainter&) leaves on an image of the given size filled with one colour.
template <typename Paint> QImage painted(QSize size, Paint paint, QRgb fill = qRgb(0, 0, 0))
{
    QImage image = solid(size, fill);
    QPainter dc(&image);
    paint(dc);
    dc.end();
    return image;
}

// A control given its defaults and laid out at a size on a shown host. The orientation
// comes first: a horizontal bar would shrink a tall size to its thickness.
template <typename Control> struct Hosted
{
    explicit Hosted(QSize size, qint16 orientation = 0)
    {
        host.resize(400, 400);
        control = new Control(&host);
        control->UserControl_InitProperties();
        if (orientation != 0) {
            control->setOrientation(orientation);
        }
        control->resize(size);
        host.show();
    }
    QWidget host;
    Control* control = nullptr;
};

// What source stores, and what copy stores again after loading that.
template <typename Control>
std::pair<QJsonObject, QJsonObject> roundTrip(const Control& source, Control& copy)
{
    platform::PropertyBag written;
    source.UserControl_WriteProperties(written);
    copy.UserControl_ReadProperties(written);
    platform::PropertyBag again;
    copy.UserControl_WriteProperties(again);
    return {written.toJson(), again.toJson()};
}

} // namespace skintest
