#include "controls/rkbuttons/rkPaint.h"

#include "platform/Units.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace rkbuttons::paint {
namespace {

int clampComponent(double value)
{
    return static_cast<int>(std::clamp(value, 0.0, 255.0));
}

bool insideClip(const QRegion& clip, int x, int y)
{
    return clip.isEmpty() || clip.contains(QPoint(x, y));
}

void setPixel(QImage& image, int x, int y, QRgb pixel, const QRegion& clip)
{
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height() || !insideClip(clip, x, y)) {
        return;
    }
    reinterpret_cast<QRgb*>(image.scanLine(y))[x] = pixel;
}

void fillRect(QImage& image, const QRect& rect, QRgb pixel, const QRegion& clip)
{
    const QRect bounded = rect.intersected(image.rect());
    for (int y = bounded.top(); y <= bounded.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = bounded.left(); x <= bounded.right(); ++x) {
            if (insideClip(clip, x, y)) {
                line[x] = pixel;
            }
        }
    }
}

} // namespace

OleColor ConvertColor(OleColor color)
{
    return platform::translateColor(color);
}

OleColor ShiftColor(OleColor color, int shift, bool scaleBlue, bool avoidExtremes, bool invert)
{
    // Green and blue are scaled by 255 and 65280 rather than shifted by 8 and 16 bits, so
    // components of 128 and above come out one higher. Stored looks depend on that, so
    // the arithmetic is kept as it is.
    OleColor result = 0;
    // A colour can land on an extreme with both signs of the shift (white shifted by 300);
    // the retries are bounded so that such a call still returns.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const double red = static_cast<double>(color & 0xFFu) + shift;
        const double green = static_cast<double>(
            platform::roundHalfEven(static_cast<double>(color & 0xFF00u) / 255.0 + shift));
        double blue = 0.0;
        if (scaleBlue) {
            const auto base =
                platform::roundHalfEven(static_cast<double>(color & 0xFF0000u) / 65280.0);
            // Whole-number division: the scaled shift is truncated towards zero.
            const qint64 scaledShift = static_cast<qint64>(shift) * base / 192;
            blue = static_cast<double>(base + scaledShift);
        } else {
            blue = static_cast<double>(
                platform::roundHalfEven(static_cast<double>(color & 0xFF0000u) / 65280.0 + shift));
        }
        int r = clampComponent(red);
        int g = clampComponent(green);
        int b = clampComponent(blue);
        if (invert) {
            r = std::abs(255 - r);
            g = std::abs(255 - g);
            b = std::abs(255 - b);
        }
        result = static_cast<OleColor>(r + 256 * g + 65536 * b);
        if (!avoidExtremes || (result != kBlack && result != kWhite)) {
            break;
        }
        shift = shift == 0 ? 64 : -shift;
    }
    return result;
}

QRgb toRgb(OleColor color)
{
    return qRgb(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                static_cast<int>((color >> 16) & 0xFFu));
}

OleColor fromRgb(QRgb pixel)
{
    return platform::rgb(qRed(pixel), qGreen(pixel), qBlue(pixel));
}

bool gradientIsHorizontal(GradientDirection direction)
{
    return direction == GradientDirection::LeftToRight ||
           direction == GradientDirection::RightToLeft;
}

int gradientBandWidth(int screenLength, int buttonLength)
{
    if (buttonLength <= 0) {
        return 1;
    }
    return static_cast<double>(screenLength) / buttonLength < 4.0 ? 2 : 1;
}

QList<OleColor> gradientRamp(OleColor c1, OleColor c2, int n)
{
    QList<OleColor> ramp;
    if (n <= 0) {
        return ramp;
    }
    ramp.reserve(n);
    ramp.append(c1);
    if (n == 1) {
        return ramp;
    }
    double red = static_cast<double>(c1 & 0xFFu);
    double green = static_cast<double>(c1 & 0xFF00u) / 255.0;
    double blue = static_cast<double>(c1 & 0xFF0000u) / 65280.0;
    const auto red2 = static_cast<double>(c2 & 0xFFu);
    const auto green2 =
        static_cast<double>(platform::roundHalfEven(static_cast<double>(c2 & 0xFF00u) / 255.0));
    const auto blue2 =
        static_cast<double>(platform::roundHalfEven(static_cast<double>(c2 & 0xFF0000u) / 65280.0));
    const double steps = n - 1;
    const double stepRed = (red2 - red) / steps;
    const double stepGreen = (green2 - green) / steps;
    const double stepBlue = (blue2 - blue) / steps;
    for (int i = 1; i < n; ++i) {
        red = std::clamp(red + stepRed, 0.0, 255.0);
        green = std::clamp(green + stepGreen, 0.0, 255.0);
        blue = std::clamp(blue + stepBlue, 0.0, 255.0);
        ramp.append(static_cast<OleColor>(std::trunc(red)) +
                    256u * static_cast<OleColor>(std::trunc(green)) +
                    65536u * static_cast<OleColor>(std::trunc(blue)));
    }
    return ramp;
}

void drawGradient(QImage& image, OleColor c1, OleColor c2, GradientDirection direction,
                  int screenLength, const QRegion& clip)
{
    if (direction == GradientDirection::None || image.isNull()) {
        return;
    }
    const bool horizontal = gradientIsHorizontal(direction);
    const int length = horizontal ? image.width() : image.height();
    const int band = gradientBandWidth(screenLength, length);
    const int count = length / band;
    const QList<OleColor> ramp = gradientRamp(c1, c2, count);
    const bool reversed =
        direction == GradientDirection::RightToLeft || direction == GradientDirection::BottomToTop;
    for (int i = 0; i < count; ++i) {
        const OleColor color = ramp[reversed ? count - 1 - i : i];
        // The last band reaches the far edge when an odd length leaves one pixel over.
        const int start = i * band;
        const int size = i == count - 1 ? length - start : band;
        const QRect rect = horizontal ? QRect(start, 0, size, image.height())
                                      : QRect(0, start, image.width(), size);
        fillRect(image, rect, toRgb(color), clip);
    }
}

void drawLine(QImage& image, QPoint a, QPoint b, OleColor color, const QRegion& clip)
{
    const QRgb pixel = toRgb(color);
    int x = a.x();
    int y = a.y();
    const int dx = std::abs(b.x() - x);
    const int dy = -std::abs(b.y() - y);
    const int sx = x < b.x() ? 1 : -1;
    const int sy = y < b.y() ? 1 : -1;
    int error = dx + dy;
    while (x != b.x() || y != b.y()) {
        setPixel(image, x, y, pixel, clip);
        const int doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            x += sx;
        }
        if (doubled <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void drawEdges(QImage& image, const EdgeGeometry& g, const EdgeColors& colors, const QRegion& clip)
{
    const int a = g.slantLeft ? 1 : 0;
    const int b = g.slantRight ? 1 : 0;
    const int L = g.leftInset;
    const int R = g.rightEdge;
    const int W = g.width;
    const int H = g.height;
    // Each ring is a path left side (upwards), top, right side (downwards), bottom.
    const std::array<QPoint, 5> inner = {QPoint(L + 2 - 4 * a, H - 3), QPoint(2 + 2 * a, 2),
                                         QPoint(R - 3 + 3 * b, 2), QPoint(W - 3 - 3 * b, H - 3),
                                         QPoint(L + 1 - 4 * a, H - 3)};
    const std::array<int, 5> middleOffsets = {a - 1, -a - 1, 1 - b, b + 1, -1};
    std::array<QPoint, 5> middle{};
    for (std::size_t i = 0; i < middle.size(); ++i) {
        // The middle ring's horizontal sides sit one row outside the inner ring's.
        const int y = inner[i].y() == 2 ? 1 : H - 2;
        middle[i] = QPoint(inner[i].x() + middleOffsets[i], y);
    }
    const std::array<QPoint, 5> outer = {QPoint(L - a, H - 1 + a), QPoint(0, 0),
                                         QPoint(R - 1 + b, 0), QPoint(W - 1, H - 1 + b),
                                         QPoint(L - 1 - 2 * a, H - 1)};
    const std::array<const std::array<QPoint, 5>*, 3> rings = {&inner, &middle, &outer};
    for (std::size_t ring = 0; ring < rings.size(); ++ring) {
        for (std::size_t side = 0; side < 4; ++side) {
            const std::optional<OleColor>& color = colors[ring * 4 + side];
            if (color) {
                drawLine(image, (*rings[ring])[side], (*rings[ring])[side + 1], *color, clip);
            }
        }
    }
}

QRegion regionFrame(const QRegion& region)
{
    const QRegion interior = region.intersected(region.translated(1, 0))
                                 .intersected(region.translated(-1, 0))
                                 .intersected(region.translated(0, 1))
                                 .intersected(region.translated(0, -1));
    return region.subtracted(interior);
}

void fillRegion(QImage& image, const QRegion& region, OleColor color)
{
    const QRgb pixel = toRgb(color);
    for (const QRect& rect : region) {
        fillRect(image, rect, pixel, {});
    }
}

void frameRegion(QImage& image, const QRegion& region, OleColor color)
{
    fillRegion(image, regionFrame(region), color);
}

bool nearColorKey(QRgb pixel, QRgb key)
{
    return std::abs(qRed(pixel) - qRed(key)) <= kColorKeyTolerance &&
           std::abs(qGreen(pixel) - qGreen(key)) <= kColorKeyTolerance &&
           std::abs(qBlue(pixel) - qBlue(key)) <= kColorKeyTolerance;
}

QImage normaliseColorKey(const QImage& source)
{
    QImage image = source.convertToFormat(QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    const QRgb key = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (nearColorKey(line[x], key)) {
                line[x] = key;
            }
        }
    }
    return image;
}

} // namespace rkbuttons::paint
