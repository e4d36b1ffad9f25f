#include "controls/rkbuttons/ButtonOutline.h"

#include "platform/Units.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace rkbuttons {
namespace {

constexpr int kNarrowestSlantedFace = 5;

// The corners a face style cuts off a box, on its left and right sides.
QRegion cornerTrim(QSize size, FaceStyle style, bool enabled, bool left, bool right)
{
    const int W = size.width();
    const int H = size.height();
    QRegion trim;
    auto pixel = [&trim](int x, int y) { trim += QRect(x, y, 1, 1); };
    auto triangle = [&trim](QPoint a, QPoint b, QPoint c) {
        trim += QRegion(QPolygon({a, b, c}), Qt::WindingFill);
    };
    switch (style) {
    case FaceStyle::Soft:
        if (left) {
            pixel(0, 0);
            pixel(0, H - 1);
        }
        if (right) {
            pixel(W - 1, 0);
            pixel(W - 1, H - 1);
        }
        break;
    case FaceStyle::Flat:
        if (enabled) {
            if (left) {
                pixel(0, H - 1);
            }
            if (right) {
                pixel(W - 1, 0);
            }
        }
        break;
    case FaceStyle::Framed:
    case FaceStyle::Shaded:
        if (left) {
            triangle(QPoint(0, 0), QPoint(2, 0), QPoint(0, 2));
            triangle(QPoint(0, H), QPoint(3, H), QPoint(0, H - 3));
        }
        if (right) {
            triangle(QPoint(W, 0), QPoint(W - 2, 0), QPoint(W, 2));
            triangle(QPoint(W, H), QPoint(W - 3, H), QPoint(W, H - 3));
        }
        break;
    default:
        break;
    }
    return trim;
}

// Growing a region by a pixel on every side is the union of its shifted copies.
QRegion grown(const QRegion& region)
{
    const QRegion wide = region.united(region.translated(1, 0)).united(region.translated(-1, 0));
    return wide.united(wide.translated(0, 1)).united(wide.translated(0, -1));
}

} // namespace

int slantWidth(int height)
{
    return height + 1;
}

int slantedWidth(int width, int height)
{
    int wanted = width;
    while (wanted - slantWidth(height) < kNarrowestSlantedFace) {
        wanted += kNarrowestSlantedFace;
    }
    return wanted;
}

ButtonOutline boxOutline(QSize size, Outline shape, FaceStyle style, bool enabled)
{
    const int W = size.width();
    const int H = size.height();
    ButtonOutline outline;
    outline.rightEdge = W;
    if (!isSlanted(shape)) {
        outline.window = QRegion(0, 0, W + 1, H + 1) - cornerTrim(size, style, enabled, true, true);
        return outline;
    }
    const int slant = slantWidth(H);
    QPolygon polygon({QPoint(0, 0), QPoint(0, H + 1), QPoint(W + 1, H + 1), QPoint(W + 1, 0)});
    if (slantsLeft(shape)) {
        polygon[1] = QPoint(slant, H + 1);
        outline.leftInset = slant;
    }
    if (slantsRight(shape)) {
        polygon[3] = QPoint(W - slant + 1, 0);
        outline.rightEdge = W - slant;
    }
    outline.window = QRegion(polygon, Qt::WindingFill);
    if (shape != Outline::SlantedBoth) {
        // The side that does not slant keeps the style's corners.
        outline.window -= cornerTrim(size, style, enabled, shape == Outline::SlantedRight,
                                     shape == Outline::SlantedLeft);
    }
    return outline;
}

ButtonOutline ovalOutline(QSize size)
{
    const int W = size.width();
    const int H = size.height();
    ButtonOutline outline;
    outline.rightEdge = W;
    outline.window = QRegion(0, 0, W, H, QRegion::Ellipse);
    outline.inner1 = QRegion(1, 1, W - 2, H - 2, QRegion::Ellipse);
    outline.inner2 = QRegion(2, 2, W - 4, H - 4, QRegion::Ellipse);
    return outline;
}

QSize customOutlineSize(QSize pictureSize, QSize buttonSize)
{
    const double ratio = std::min(static_cast<double>(buttonSize.width()) / pictureSize.width(),
                                  static_cast<double>(buttonSize.height()) / pictureSize.height());
    return {std::max(1, static_cast<int>(platform::roundHalfEven(pictureSize.width() * ratio))),
            std::max(1, static_cast<int>(platform::roundHalfEven(pictureSize.height() * ratio)))};
}

std::optional<ButtonOutline> customOutline(const platform::Picture& picture, QSize size)
{
    const int W = size.width();
    const int H = size.height();
    QImage scaled;
    if (isIcon(picture)) {
        scaled = QImage(W, H, QImage::Format_RGB32);
        scaled.fill(Qt::white);
        QPainter painter(&scaled);
        painter.drawImage(scaled.rect(), picture.image());
    } else {
        scaled = picture.image()
                     .convertToFormat(QImage::Format_RGB32)
                     .scaled(W, H, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    if (scaled.isNull()) {
        return std::nullopt;
    }

    const QRgb key = scaled.pixel(0, 0);
    QRegion transparent;
    for (int y = 0; y < H; ++y) {
        auto* line = reinterpret_cast<QRgb*>(scaled.scanLine(y));
        int runStart = -1;
        for (int x = 0; x <= W; ++x) {
            const bool clear = x < W && paint::nearColorKey(line[x], key);
            if (clear) {
                line[x] = key;
                if (runStart < 0) {
                    runStart = x;
                }
            } else if (runStart >= 0) {
                transparent += QRect(runStart, y, x - runStart, 1);
                runStart = -1;
            }
        }
    }
    // The inner regions shrink evenly on every side, so they already sit centred inside
    // the outline; moving their corners to the outline's corner plus (1, 1) and (2, 2)
    // would pull them off centre on any outline with slanted or rounded edges.
    const QRegion transparent1 = grown(transparent);
    const QRegion full(0, 0, W, H);
    ButtonOutline outline;
    outline.rightEdge = W;
    outline.window = full.subtracted(transparent);
    outline.inner1 = full.subtracted(transparent1);
    outline.inner2 = full.subtracted(grown(transparent1));
    outline.picture = scaled;
    return outline;
}

QRect focusRect(QSize size, Outline shape, const ButtonOutline& outline)
{
    const int W = size.width();
    const int H = size.height();
    if (!isBoxed(shape)) {
        return {W / 5, H / 5, W - 2 * (W / 5), H - 2 * (H / 5)};
    }
    QRect focus(4, 4, W - 8, H - 8);
    if (slantsLeft(shape)) {
        focus.setLeft(focus.left() + outline.leftInset / 2);
    }
    if (slantsRight(shape)) {
        focus.setRight(focus.right() - (W - outline.rightEdge) / 2);
    }
    return focus;
}

} // namespace rkbuttons
