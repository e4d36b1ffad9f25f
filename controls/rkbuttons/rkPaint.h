#pragma once

#include "platform/OleColor.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRegion>
#include <array>
#include <optional>

// The drawing rules of the image and colour button that need no widget: colour
// arithmetic, the gradient ramp, the three edge rings and region outlines. They draw
// into a QImage (Format_RGB32) so tests can check their pixels directly.
namespace rkbuttons::paint {

using platform::OleColor;

// A system colour replaced by its current value; any other colour is already RGB.
OleColor ConvertColor(OleColor color);

// Lightens (shift > 0) or darkens an RGB colour component by component, with the
// green and blue scaling of the original arithmetic (see the definition).
OleColor ShiftColor(OleColor color, int shift, bool scaleBlue = false, bool avoidExtremes = false,
                    bool invert = false);

QRgb toRgb(OleColor color);
OleColor fromRgb(QRgb pixel);

// Greys the looks are drawn with.
constexpr OleColor kWhite = 0xFFFFFF;
constexpr OleColor kGrey = 0x808080;
constexpr OleColor kBlack = 0x000000;

// Which way a gradient runs from its first colour to its second (the stored numbers 0..4).
enum class GradientDirection { None, LeftToRight, RightToLeft, TopToBottom, BottomToTop };

bool gradientIsHorizontal(GradientDirection direction);
// 1, or 2 for a button longer than a quarter of the screen along the bands' direction.
int gradientBandWidth(int screenLength, int buttonLength);
// The colours of n bands from c1 to c2 (entry 0 is c1 itself).
QList<OleColor> gradientRamp(OleColor c1, OleColor c2, int n);
// Fills the image with the gradient; screenLength is the screen's size along the bands'
// direction. Pixels outside a non-empty clip stay as they are.
void drawGradient(QImage& image, OleColor c1, OleColor c2, GradientDirection direction,
                  int screenLength, const QRegion& clip = {});

// A one-pixel line from a to b without its last point, as the classic polyline draws it.
void drawLine(QImage& image, QPoint a, QPoint b, OleColor color, const QRegion& clip = {});

// The outline of the button for its three rings: W and H the client size, leftInset and
// rightEdge the x positions a slanted side moves.
struct EdgeGeometry
{
    int width = 0;
    int height = 0;
    int leftInset = 0;
    int rightEdge = 0;
    bool slantLeft = false;
    bool slantRight = false;
};

// Side colours: 0..3 inner ring, 4..7 middle ring, 8..11 outer ring; within a ring left,
// top, right, bottom. A side without a colour is not drawn.
// Index of a side colour: ring + side.
enum EdgeIndex : std::size_t {
    Left = 0,
    Top = 1,
    Right = 2,
    Bottom = 3,
    Inner = 0,
    Middle = 4,
    Outer = 8
};
using EdgeColors = std::array<std::optional<OleColor>, 12>;

void drawEdges(QImage& image, const EdgeGeometry& geometry, const EdgeColors& colors,
               const QRegion& clip = {});

// The pixels of a region that touch its outside (a one-pixel frame).
QRegion regionFrame(const QRegion& region);
void frameRegion(QImage& image, const QRegion& region, OleColor color);
void fillRegion(QImage& image, const QRegion& region, OleColor color);

// Components of a colour lie within this distance of the colour key to count as the key.
constexpr int kColorKeyTolerance = 3;
bool nearColorKey(QRgb pixel, QRgb key);
// A copy of a bitmap with every pixel near its colour key (the pixel at 0, 0) set to the
// exact key, so that anti-aliased fringes drop out with the background.
QImage normaliseColorKey(const QImage& image);

} // namespace rkbuttons::paint
