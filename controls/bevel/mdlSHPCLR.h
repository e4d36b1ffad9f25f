#pragma once

#include "platform/OleColor.h"

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QSize>
#include <QString>
#include <functional>
#include <numbers>
#include <optional>

class QWidget;

namespace bevel {

// Shape and colour helpers of the bevelled button: hue-lightness-saturation on the
// 0..240 scale, the shapes and their bevels, the "(x,y)" offset text and the hover test.
class mdlSHPCLR
{
public:
    mdlSHPCLR() = delete;

    // Hue, lightness and saturation, each on the colour chooser's 0..240 scale.
    struct HLS
    {
        int hue = 0;
        int lightness = 0;
        int saturation = 0;
        bool operator==(const HLS&) const = default;
    };

    static constexpr int kHlsMax = 240;

    // The shapes of the button (its Appearance).
    static constexpr qint32 kRectangle = 0;
    static constexpr qint32 kCircle = 1;
    static constexpr qint32 kRoundedRectangle = 2;
    static constexpr qint32 kCapsule = 3;

    // The band shading's angles. The quarter turn is deliberately a little more than
    // pi/2 and the last sector ends a little short of 2 pi: the looks depend on both.
    static constexpr double kPi = std::numbers::pi;
    static constexpr double kQuarterTurn = 1.5757963267949;
    static constexpr double kLowerTurn = kPi + kQuarterTurn;
    static constexpr double kFullTurnBound = 6.28318520717959;

    // Colour conversions. The colour given to RGBToHLS is translated first.
    static HLS RGBToHLS(platform::OleColor colour);
    static platform::OleColor HLSToRGB(const HLS& hls);
    static platform::OleColor HLSToRGB(int hue, int lightness, int saturation)
    {
        return HLSToRGB(HLS{hue, lightness, saturation});
    }
    // A system colour (0x80000000 + index) replaced by its current value.
    static platform::OleColor TranslateColour(platform::OleColor colour);

    // The lightness of one bevel pixel: face lightness 0..240, angle around the face in
    // radians, relative position across the band (1 outer edge, 0 inner edge; clamped).
    static double BandLightness(double lightness, double angle, double position, bool sunken);

    // Where a pixel sits in the bevel band of a shape: its angle and relative position,
    // or nothing for a pixel outside the band.
    struct BandPoint
    {
        double angle = 0.0;
        double position = 0.0;
    };
    static std::optional<BandPoint> BandGeometry(qint32 shape, QSize size, int bevelWidth,
                                                 QPoint pixel);

    // The automatic bevel width for a shape of that size.
    static int AutoBevelWidth(qint32 shape, QSize size);

    // The pixels a shape covers in a control of that size; nothing for an unknown shape.
    static std::optional<QRegion> ShapeRegion(qint32 shape, QSize size);
    // The corner ellipse's diameter of the rounded shapes (0 for the rectangle).
    static int CornerDiameter(qint32 shape, QSize size);

    // Fills the image with the face colour and shades its bevel band, raised or sunken.
    // A bevel width of 0 is replaced by the automatic one. Returns the band.
    static QRegion DrawBevel(QImage& image, qint32 shape, platform::OleColor faceColour,
                             qint16& bevelWidth, bool raised);

    // Normalises an "(x,y)" offset text in place. True when it was valid: x and y then hold
    // its values. Otherwise a message box says what is wrong and false comes back.
    static bool ParseCoordinate(QString& text, qint16& x, qint16& y);

    // True when the window under the pointer is exactly this one.
    static bool IsMouseOver(const QWidget* window);

    // Where the pointer is, in global co-ordinates. Tests replace the real pointer with a
    // position of their own; an empty provider puts the real one back.
    using CursorPositionProvider = std::function<QPoint()>;
    static void setCursorPositionProvider(CursorPositionProvider provider);
    static QPoint CursorPosition();
};

} // namespace bevel
