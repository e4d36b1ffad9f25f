#pragma once

#include "platform/OleColor.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

class QPainter;

namespace bevel {

// The bevelled button's transparency work surface: for each of its two pictures a row
// of four images of the picture's size, side by side: the mask (white where the picture
// has the transparency colour), the sprite (those pixels black), a plain copy and the
// sprite lightened for the disabled look. The hover picture's row lies below.
class bvlWorkSurface
{
public:
    enum Row { BasicRow = 0, HoverRow = 1 };
    enum Part { MaskImage = 0, SpriteImage = 1, CopyImage = 2, DisabledImage = 3 };

    // Builds both rows; a null picture leaves its row empty.
    void rebuild(const QImage& basic, const QImage& hover, platform::OleColor transparency);

    const QImage& image() const { return m_image; }
    bool hasPicture(Row row) const { return !pictureSize(row).isEmpty(); }
    QSize pictureSize(Row row) const { return row == BasicRow ? m_basicSize : m_hoverSize; }
    // Where one image of a row lies on the surface.
    QRect partRect(Row row, Part part) const;

    // Draws a row's picture with its top left at `at`: through the mask and the sprite
    // (or the disabled sprite) when transparency is used, as it is otherwise.
    void draw(QPainter& painter, QPoint at, Row row, bool useTransparency, bool disabled) const;

    // The lightness rule of the disabled sprite, on the 0..240 scale.
    static int disabledLightness(int lightness) { return lightness < 220 ? lightness + 20 : 240; }

private:
    void buildRow(const QImage& picture, int top, platform::OleColor transparency);

    QImage m_image;
    QSize m_basicSize;
    QSize m_hoverSize;
};

} // namespace bevel
