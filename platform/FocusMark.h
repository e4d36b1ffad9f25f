#pragma once

#include <QRect>

class QImage;
class QPainter;

// The keyboard focus mark the custom controls share: a dotted rectangle whose dots invert
// what lies under them, so it shows on any face without changing the rest of the drawing.
namespace platform {

// Inverts every other pixel along the rectangle's edges (right and bottom inclusive).
void drawFocusMark(QPainter& painter, const QRect& rect);
void drawFocusMark(QImage& image, const QRect& rect);

} // namespace platform
