#include "controls/bevel/mdlSHPCLR.h"

#include "platform/MessageBoxService.h"
#include "platform/Units.h"

#include <QApplication>
#include <QCursor>
#include <QList>
#include <QRect>
#include <QRegularExpression>
#include <QStringList>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace bevel {

namespace {

constexpr int kRgbMax = 255;
// The hue a grey gets; any value would do since its saturation is 0.
constexpr int kUndefinedHue = mdlSHPCLR::kHlsMax * 2 / 3;
constexpr double kSixthTurn = mdlSHPCLR::kPi / 6.0;

constexpr unsigned kExclamationStyle = 48;

mdlSHPCLR::CursorPositionProvider& cursorProvider()
{
    static mdlSHPCLR::CursorPositionProvider provider;
    return provider;
}

int red(platform::OleColor colour)
{
    return static_cast<int>(colour & 0xFFu);
}

int green(platform::OleColor colour)
{
    return static_cast<int>((colour >> 8) & 0xFFu);
}

int blue(platform::OleColor colour)
{
    return static_cast<int>((colour >> 16) & 0xFFu);
}

// One of the three primaries of a colour from its hue and the two magic levels.
int hueToRgb(int level1, int level2, int hue)
{
    constexpr int max = mdlSHPCLR::kHlsMax;
    if (hue < 0) {
        hue += max;
    }
    if (hue > max) {
        hue -= max;
    }
    if (hue < max / 6) {
        return level1 + (((level2 - level1) * hue + max / 12) / (max / 6));
    }
    if (hue < max / 2) {
        return level2;
    }
    if (hue < max * 2 / 3) {
        return level1 + (((level2 - level1) * (max * 2 / 3 - hue) + max / 12) / (max / 6));
    }
    return level1;
}

// Whether a point lies inside a rectangle of w x h with rounded corners of radius rx, ry
// (0 for square corners).
bool insideRounded(double px, double py, double w, double h, double rx, double ry)
{
    if (px < 0.0 || py < 0.0 || px > w || py > h) {
        return false;
    }
    if (rx <= 0.0 || ry <= 0.0) {
        return true;
    }
    const double qx = std::clamp(px, rx, std::max(rx, w - rx));
    const double qy = std::clamp(py, ry, std::max(ry, h - ry));
    const double ex = (px - qx) / rx;
    const double ey = (py - qy) / ry;
    return ex * ex + ey * ey <= 1.0;
}

// The radius of the corners the bevel follows: half the corner ellipse.
double bevelCornerRadius(qint32 shape, QSize size)
{
    if (shape == mdlSHPCLR::kCircle) {
        return std::min(size.width(), size.height()) / 2.0;
    }
    return mdlSHPCLR::CornerDiameter(shape, size) / 2.0;
}

// Pixels are inside a shape when their centres are: the shape then fills the control's
// w x h pixels exactly and is symmetric within them.
bool insideShape(qint32 shape, QSize size, int x, int y)
{
    const double w = size.width();
    const double h = size.height();
    double rx = bevelCornerRadius(shape, size);
    double ry = rx;
    if (shape == mdlSHPCLR::kCircle) {
        rx = w / 2.0;
        ry = h / 2.0;
    }
    return insideRounded(x + 0.5, y + 0.5, w, h, rx, ry);
}

QRegion regionOfRuns(const QList<QRect>& runs)
{
    QRegion region;
    region.setRects(runs.constData(), static_cast<int>(runs.size()));
    return region;
}

enum class CoordinateError { Format, NonNumeric, Overflow };

QString coordinateMessage(CoordinateError error)
{
    QStringList lines;
    switch (error) {
    case CoordinateError::Format:
        lines = {QStringLiteral("INVALID CARTESIAN CO-ORDINATES FORMAT."), QString(),
                 QStringLiteral("Co-ordinates must be in the format"),
                 QStringLiteral("\"(x,y)\" where x and y are Integers"),
                 QStringLiteral("in the range -32768 to +32767.")};
        break;
    case CoordinateError::NonNumeric:
        lines = {QStringLiteral("NON-NUMERIC CARTESIAN CO-ORDINATES."), QString(),
                 QStringLiteral("Co-ordinates must numeric Integers"),
                 QStringLiteral("in the range -32768 to +32767.")};
        break;
    case CoordinateError::Overflow:
        lines = {QStringLiteral("INVALID CARTESIAN CO-ORDINATES VALUES."), QString(),
                 QStringLiteral("Values must be Integers in the"),
                 QStringLiteral("range -32768 to +32767 only.")};
        break;
    }
    return lines.join(QStringLiteral("\r\n"));
}

bool isNumeric(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    return number.match(text).hasMatch();
}

// A numeric text as a 16-bit integer, rounded half to even; nothing when out of range.
std::optional<qint16> toInteger(const QString& text)
{
    const double value = text.toDouble();
    // Far outside the range before rounding, too: "1e30" has no 64-bit whole value to
    // round to.
    if (!std::isfinite(value) || std::abs(value) > 65536.0) {
        return std::nullopt;
    }
    const qint64 whole = platform::roundHalfEven(value);
    if (whole < std::numeric_limits<qint16>::min() || whole > std::numeric_limits<qint16>::max()) {
        return std::nullopt;
    }
    return static_cast<qint16>(whole);
}

std::optional<CoordinateError> parseCoordinate(QString& text, qint16& x, qint16& y)
{
    const QChar space(QLatin1Char(' '));
    text.remove(space);
    if (text.isEmpty()) {
        text = QStringLiteral("(0,0)");
    }
    if (text.startsWith(QLatin1Char(','))) {
        text = QStringLiteral("(0,") + text.mid(1);
    }
    if (!text.startsWith(QLatin1Char('('))) {
        text.prepend(QLatin1Char('('));
    }
    if (!text.contains(QLatin1Char(','))) {
        if (text.endsWith(QLatin1Char(')'))) {
            text.insert(text.size() - 1, QStringLiteral(",0"));
        } else {
            text.append(QStringLiteral(",0)"));
        }
    }
    if (text.endsWith(QLatin1Char(','))) {
        text.append(QStringLiteral("0)"));
    }
    if (!text.endsWith(QLatin1Char(')'))) {
        text.append(QLatin1Char(')'));
    }
    // The comma's position counted from 1, as the format rule states it.
    const qsizetype comma = text.indexOf(QLatin1Char(',')) + 1;
    if (comma <= 2) {
        return CoordinateError::Format;
    }
    const QString xText = text.mid(1, comma - 2);
    const QString yText = text.mid(comma, text.size() - 1 - comma);
    if (!isNumeric(xText) || !isNumeric(yText)) {
        return CoordinateError::NonNumeric;
    }
    // x is kept even when y then fails: a stored offset keeps what could be read.
    const std::optional<qint16> xValue = toInteger(xText);
    if (!xValue) {
        return CoordinateError::Overflow;
    }
    x = *xValue;
    const std::optional<qint16> yValue = toInteger(yText);
    if (!yValue) {
        return CoordinateError::Overflow;
    }
    y = *yValue;
    text = QStringLiteral("(%1,%2)").arg(x).arg(y);
    return std::nullopt;
}

enum class PixelKind { Outside, Band, Face };

// Where a pixel lies: outside the shape, in its bevel band (then with its angle and
// relative position) or on the plain face inside the band.
//
// The band splits into four straight strips and four corner parts. A pixel belongs to a
// corner part when it lies beyond the centre of that corner's arc in both directions;
// square corners use the inner corner instead, and a rounded corner smaller than the band
// as well. Strips measure from their inner edge pixel, so the bottom and right strips
// mirror the top and left ones exactly.
PixelKind classifyPixel(qint32 shape, QSize size, int bevelWidth, QPoint pixel,
                        mdlSHPCLR::BandPoint& point)
{
    using S = mdlSHPCLR;
    const int w = size.width();
    const int h = size.height();
    const int b = bevelWidth;
    const int x = pixel.x();
    const int y = pixel.y();
    if (x < 0 || y < 0 || x >= w || y >= h) {
        return PixelKind::Outside;
    }
    // An unknown shape is painted as a rectangle.
    const qint32 drawn = (shape >= S::kRectangle && shape <= S::kCapsule) ? shape : S::kRectangle;
    const double radius = bevelCornerRadius(drawn, size);
    const double px = x + 0.5;
    const double py = y + 0.5;
    if (!insideShape(drawn, size, x, y)) {
        return PixelKind::Outside;
    }
    if (b <= 0) {
        return PixelKind::Face;
    }
    const double innerRadius = std::max(radius - b, 0.0);
    if (w > 2 * b && h > 2 * b &&
        insideRounded(px - b, py - b, w - 2.0 * b, h - 2.0 * b, innerRadius, innerRadius)) {
        return PixelKind::Face;
    }

    // A band one pixel wide is all edge: shade it fully.
    const double span = b > 1 ? b - 1.0 : 0.0;
    const auto relative = [span](double distance) { return span > 0.0 ? distance / span : 1.0; };

    const double corner = std::max(radius, static_cast<double>(b));
    const bool left = px < corner;
    const bool right = !left && px > w - corner;
    const bool top = py < corner;
    const bool bottom = !top && py > h - corner;

    if ((left || right) && (top || bottom)) {
        double dx = 0.0;
        double dy = 0.0;
        double distance = 0.0;
        if (radius <= 0.0) {
            // Square corners measure from the inner corner pixel, as the strips do.
            dx = left ? (b - 1 - x) : (x - (w - b));
            dy = top ? (b - 1 - y) : (y - (h - b));
            distance = std::hypot(dx, dy);
        } else {
            dx = std::abs(px - (left ? corner : w - corner));
            dy = std::abs(py - (top ? corner : h - corner));
            distance = std::max(0.0, std::hypot(dx, dy) - innerRadius - 0.5);
        }
        point.position = relative(distance);
        if (top && left) {
            point.angle = S::kQuarterTurn + std::atan2(dx, dy);
        } else if (bottom && left) {
            point.angle = S::kPi + std::atan2(dy, dx);
        } else if (bottom && right) {
            point.angle = S::kLowerTurn + std::atan2(dx, dy);
        } else {
            point.angle = std::atan2(dy, dx);
        }
        return PixelKind::Band;
    }
    if (top) {
        point = {S::kQuarterTurn, relative(b - 1 - y)};
    } else if (bottom) {
        point = {S::kLowerTurn, relative(y - (h - b))};
    } else if (left) {
        point = {S::kPi, relative(b - 1 - x)};
    } else if (right) {
        point = {S::kFullTurnBound, relative(x - (w - b))};
    } else {
        point = {S::kQuarterTurn, 1.0};
    }
    return PixelKind::Band;
}

} // namespace

mdlSHPCLR::HLS mdlSHPCLR::RGBToHLS(platform::OleColor colour)
{
    colour = TranslateColour(colour);
    const int r = red(colour);
    const int g = green(colour);
    const int b = blue(colour);
    const int cMax = std::max({r, g, b});
    const int cMin = std::min({r, g, b});
    HLS hls;
    hls.lightness = ((cMax + cMin) * kHlsMax + kRgbMax) / (2 * kRgbMax);
    if (cMax == cMin) {
        hls.hue = kUndefinedHue;
        return hls;
    }
    const int spread = cMax - cMin;
    if (hls.lightness <= kHlsMax / 2) {
        hls.saturation = (spread * kHlsMax + (cMax + cMin) / 2) / (cMax + cMin);
    } else {
        const int rest = 2 * kRgbMax - cMax - cMin;
        hls.saturation = (spread * kHlsMax + rest / 2) / rest;
    }
    const int rDelta = ((cMax - r) * (kHlsMax / 6) + spread / 2) / spread;
    const int gDelta = ((cMax - g) * (kHlsMax / 6) + spread / 2) / spread;
    const int bDelta = ((cMax - b) * (kHlsMax / 6) + spread / 2) / spread;
    if (r == cMax) {
        hls.hue = bDelta - gDelta;
    } else if (g == cMax) {
        hls.hue = kHlsMax / 3 + rDelta - bDelta;
    } else {
        hls.hue = 2 * kHlsMax / 3 + gDelta - rDelta;
    }
    if (hls.hue < 0) {
        hls.hue += kHlsMax;
    }
    if (hls.hue >= kHlsMax) {
        hls.hue -= kHlsMax;
    }
    return hls;
}

platform::OleColor mdlSHPCLR::HLSToRGB(const HLS& hls)
{
    const int hue = std::clamp(hls.hue, 0, kHlsMax);
    const int lightness = std::clamp(hls.lightness, 0, kHlsMax);
    const int saturation = std::clamp(hls.saturation, 0, kHlsMax);
    if (saturation == 0) {
        const int grey = (lightness * kRgbMax + kHlsMax / 2) / kHlsMax;
        return platform::rgb(grey, grey, grey);
    }
    const int level2 =
        lightness <= kHlsMax / 2
            ? (lightness * (kHlsMax + saturation) + kHlsMax / 2) / kHlsMax
            : lightness + saturation - (lightness * saturation + kHlsMax / 2) / kHlsMax;
    const int level1 = 2 * lightness - level2;
    const auto primary = [&](int offset) {
        const int value =
            (hueToRgb(level1, level2, hue + offset) * kRgbMax + kHlsMax / 2) / kHlsMax;
        return std::clamp(value, 0, kRgbMax);
    };
    return platform::rgb(primary(kHlsMax / 3), primary(0), primary(-kHlsMax / 3));
}

platform::OleColor mdlSHPCLR::TranslateColour(platform::OleColor colour)
{
    return platform::translateColor(colour);
}

double mdlSHPCLR::BandLightness(double lightness, double angle, double position, bool sunken)
{
    const double r = position >= 0.0 ? std::min(position, 1.0) : 0.0; // NaN reads as 0
    const double k = std::sin(r * kPi / 2.0);
    const double l = lightness;
    double a = angle;
    if (sunken) {
        a = a >= kPi ? a - kPi : a + kPi;
    }
    const double lo = l + (40.0 - l) * k;
    const double hi = l + (220.0 - l) * k;
    const double p = kQuarterTurn;
    const double q = kLowerTurn;
    const auto towards = [&](double target) { return l + (target - l) * k; };

    // The right strip's angle sits just below 2 pi and the bottom-right corner reaches a
    // little past it: both belong to the dark end where the turn closes.
    if (a <= 0.0 || a >= kFullTurnBound) {
        return lo;
    }
    if (a < p) {
        return lo + (hi - lo) * a / p;
    }
    if (a == p) {
        return hi;
    }
    if (a <= p + kSixthTurn) {
        return towards(220.0 + 20.0 * (a - p) / kSixthTurn);
    }
    if (a <= p + 2.0 * kSixthTurn) {
        return towards(240.0);
    }
    if (a < kPi) {
        return towards(240.0 - 20.0 * (a - p - 2.0 * kSixthTurn) / kSixthTurn);
    }
    if (a == kPi) {
        return hi;
    }
    if (a < q) {
        return hi + (lo - hi) * (a - kPi) / p;
    }
    if (a == q) {
        return lo;
    }
    if (a <= q + kSixthTurn) {
        return towards(40.0 - 40.0 * (a - q) / kSixthTurn);
    }
    if (a <= q + 2.0 * kSixthTurn) {
        return l - l * k;
    }
    return towards(40.0 * (a - q - 2.0 * kSixthTurn) / kSixthTurn);
}

int mdlSHPCLR::CornerDiameter(qint32 shape, QSize size)
{
    const int shorter = std::min(size.width(), size.height());
    switch (shape) {
    case kCircle:
        return shorter;
    case kRoundedRectangle:
        return static_cast<int>(platform::roundHalfEven(shorter / 2.0));
    case kCapsule:
        return shorter;
    default:
        return 0;
    }
}

int mdlSHPCLR::AutoBevelWidth(qint32 /*shape*/, QSize size)
{
    // The band is measured across its own width in every shape, so one width reads the
    // same on a rectangle, a circle or a capsule of the same size: a quarter of half the
    // shorter side, plus one.
    const int shorter = std::max(0, std::min(size.width(), size.height()));
    return shorter / 2 / 4 + 1;
}

std::optional<QRegion> mdlSHPCLR::ShapeRegion(qint32 shape, QSize size)
{
    if (shape < kRectangle || shape > kCapsule) {
        return std::nullopt;
    }
    const int w = std::max(0, size.width());
    const int h = std::max(0, size.height());
    if (shape == kRectangle) {
        return QRegion(0, 0, w, h);
    }
    QList<QRect> runs;
    for (int y = 0; y < h; ++y) {
        int left = 0;
        while (left < (w + 1) / 2 && !insideShape(shape, size, left, y)) {
            ++left;
        }
        const int right = w - 1 - left; // the shapes are symmetric
        if (right >= left) {
            runs.append(QRect(left, y, right - left + 1, 1));
        }
    }
    return regionOfRuns(runs);
}

std::optional<mdlSHPCLR::BandPoint> mdlSHPCLR::BandGeometry(qint32 shape, QSize size,
                                                            int bevelWidth, QPoint pixel)
{
    BandPoint point;
    if (classifyPixel(shape, size, bevelWidth, pixel, point) != PixelKind::Band) {
        return std::nullopt;
    }
    return point;
}

QRegion mdlSHPCLR::DrawBevel(QImage& image, qint32 shape, platform::OleColor faceColour,
                             qint16& bevelWidth, bool raised)
{
    const platform::OleColor face = TranslateColour(faceColour);
    image.fill(platform::toQColor(face));
    const QSize size = image.size();
    if (bevelWidth == 0) {
        bevelWidth = static_cast<qint16>(AutoBevelWidth(shape, size));
    }
    const HLS faceHls = RGBToHLS(face);
    // Every band pixel takes one of the 241 lightnesses of the face's hue.
    std::array<QRgb, kHlsMax + 1> shades{};
    for (int lightness = 0; lightness <= kHlsMax; ++lightness) {
        const platform::OleColor colour = HLSToRGB(faceHls.hue, lightness, faceHls.saturation);
        shades[static_cast<std::size_t>(lightness)] =
            qRgb(red(colour), green(colour), blue(colour));
    }
    QList<QRect> runs;
    const int w = size.width();
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        int runStart = -1;
        for (int x = 0; x <= w; ++x) {
            BandPoint point;
            const PixelKind kind = x < w
                                       ? classifyPixel(shape, size, bevelWidth, QPoint(x, y), point)
                                       : PixelKind::Outside;
            if (kind != PixelKind::Band) {
                if (runStart >= 0) {
                    runs.append(QRect(runStart, y, x - runStart, 1));
                    runStart = -1;
                }
                // The face inside the band is symmetric: jump to its far side.
                if (kind == PixelKind::Face && x < w - 1 - x) {
                    x = w - 1 - x;
                }
                continue;
            }
            if (runStart < 0) {
                runStart = x;
            }
            const double lightness =
                BandLightness(faceHls.lightness, point.angle, point.position, !raised);
            const qint64 shade = std::clamp<qint64>(platform::roundHalfEven(lightness), 0, kHlsMax);
            line[x] = shades[static_cast<std::size_t>(shade)];
        }
    }
    return regionOfRuns(runs);
}

bool mdlSHPCLR::ParseCoordinate(QString& text, qint16& x, qint16& y)
{
    const std::optional<CoordinateError> error = parseCoordinate(text, x, y);
    if (!error) {
        return true;
    }
    platform::MessageBoxService::current().show(
        platform::requestFromStyle(coordinateMessage(*error), kExclamationStyle,
                                   QStringLiteral("Cartesian Co-ordinates Validation")));
    return false;
}

void mdlSHPCLR::setCursorPositionProvider(CursorPositionProvider provider)
{
    cursorProvider() = std::move(provider);
}

QPoint mdlSHPCLR::CursorPosition()
{
    const CursorPositionProvider& provider = cursorProvider();
    return provider ? provider() : QCursor::pos();
}

bool mdlSHPCLR::IsMouseOver(const QWidget* window)
{
    // Asking which widget lies under the pointer, rather than testing the rectangle,
    // honours the window's shape: a cut-off corner belongs to whatever is behind it.
    return window && QApplication::widgetAt(CursorPosition()) == window;
}

} // namespace bevel
