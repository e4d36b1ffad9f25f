#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/Units.h"

#include <QPainter>
#include <QPainterPath>
#include <array>

namespace rkbuttons {

using paint::ConvertColor;

namespace {

// Directions of the one-pixel shift of a pressed custom-shaped button, by CustomClick.
constexpr std::array<QPoint, 9> kCustomClickOffsets = {
    QPoint(0, 0),  QPoint(0, -1), QPoint(1, -1), QPoint(-1, -1), QPoint(1, 1),
    QPoint(-1, 1), QPoint(1, 0),  QPoint(0, 1),  QPoint(-1, 0)};

} // namespace

// --- regions -------------------------------------------------------------------------

QRegion rkButtons_H::cornerTrim(bool left, bool right) const
{
    const int W = width();
    const int H = height();
    QRegion trim;
    auto pixel = [&trim](int x, int y) { trim += QRect(x, y, 1, 1); };
    auto triangle = [&trim](QPoint a, QPoint b, QPoint c) {
        trim += QRegion(QPolygon({a, b, c}), Qt::WindingFill);
    };
    switch (m_props.style) {
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
        if (isEnabled()) {
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

void rkButtons_H::resizeSelf(int newWidth, int newHeight)
{
    // The nested resize only renews the bitmap: the rebuild in progress does the rest.
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    resize(newWidth, newHeight);
    m_delayDrawing = wasDelayed;
}

void rkButtons_H::buildSlantedRegion()
{
    int W = width();
    const int H = height();
    const auto slant = static_cast<int>(platform::roundHalfEven(4.0 * ((H + 1) / 4.0)));
    int wanted = W;
    while (wanted - slant < 5) {
        wanted += 5;
    }
    if (wanted > W) {
        resizeSelf(wanted, H);
        W = width();
        PrepareBuffer();
    }
    QPolygon polygon({QPoint(0, 0), QPoint(0, H + 1), QPoint(W + 1, H + 1), QPoint(W + 1, 0)});
    if (m_props.shape == Outline::SlantedLeft || m_props.shape == Outline::SlantedBoth) {
        polygon[1] = QPoint(slant, H + 1);
        m_leftInset = slant;
    }
    if (m_props.shape == Outline::SlantedRight || m_props.shape == Outline::SlantedBoth) {
        polygon[3] = QPoint(W - slant + 1, 0);
        m_rightEdge = W - slant;
    }
    m_windowRegion = QRegion(polygon, Qt::WindingFill);
    if (m_props.shape != Outline::SlantedBoth) {
        m_windowRegion -= cornerTrim(m_props.shape == Outline::SlantedRight,
                                     m_props.shape == Outline::SlantedLeft);
    }
}

bool rkButtons_H::buildCustomRegion()
{
    if (m_pictureWidth == 0 || m_pictureHeight == 0) {
        return false;
    }
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    const double ratio = std::min(static_cast<double>(width()) / m_pictureWidth,
                                  static_cast<double>(height()) / m_pictureHeight);
    const int fittedWidth =
        std::max(1, static_cast<int>(platform::roundHalfEven(m_pictureWidth * ratio)));
    const int fittedHeight =
        std::max(1, static_cast<int>(platform::roundHalfEven(m_pictureHeight * ratio)));
    if (fittedWidth != width() || fittedHeight != height()) {
        resizeSelf(fittedWidth, fittedHeight);
        PrepareBuffer();
    }
    const int W = width();
    const int H = height();

    QImage scaled;
    if (m_pictureIsIcon) {
        scaled = QImage(W, H, QImage::Format_RGB32);
        scaled.fill(Qt::white);
        QPainter painter(&scaled);
        painter.drawImage(scaled.rect(), m_props.picture.image());
    } else {
        scaled = m_props.picture.image()
                     .convertToFormat(QImage::Format_RGB32)
                     .scaled(W, H, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    if (scaled.isNull()) {
        return false; // drawing stays delayed until the next refresh or paint
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
    // Growing the runs by a pixel on every side is the union of their shifted copies.
    auto grown = [](const QRegion& region) {
        const QRegion wide =
            region.united(region.translated(1, 0)).united(region.translated(-1, 0));
        return wide.united(wide.translated(0, 1)).united(wide.translated(0, -1));
    };
    const QRegion transparent1 = grown(transparent);
    const QRegion transparent2 = grown(transparent1);
    const QRegion full(0, 0, W, H);
    m_windowRegion = full.subtracted(transparent);
    m_innerRegion1 = full.subtracted(transparent1);
    m_innerRegion2 = full.subtracted(transparent2);
    // The inner regions shrink evenly on every side, so they already sit centred inside
    // the outline; moving their corners to the outline's corner plus (1, 1) and (2, 2)
    // would pull them off centre on any outline with slanted or rounded edges.
    m_scaledPicture = scaled;

    if (m_props.shape == Outline::CustomInset) {
        drawRing();
    } else {
        paint::frameRegion(m_memory, m_windowRegion, ConvertColor(m_props.backColor));
    }
    m_memoryClip = m_innerRegion1;
    m_delayDrawing = wasDelayed;
    return true;
}

void rkButtons_H::drawRing()
{
    paint::drawGradient(m_memory, paint::kWhite, paint::kGrey,
                        paint::GradientDirection::TopToBottom, screenLength(false));
}

void rkButtons_H::BuildButtonRegion()
{
    const int W = width();
    const int H = height();
    m_leftInset = 0;
    m_rightEdge = W;
    m_memoryClip = QRegion();
    m_innerRegion1 = QRegion();
    m_innerRegion2 = QRegion();
    PrepareBuffer();

    switch (m_props.shape) {
    case Outline::Rectangle:
        m_windowRegion = QRegion(0, 0, W + 1, H + 1);
        m_windowRegion -= cornerTrim(true, true);
        break;
    case Outline::SlantedLeft:
    case Outline::SlantedRight:
    case Outline::SlantedBoth:
        buildSlantedRegion();
        break;
    case Outline::Oval:
    case Outline::OvalCaptionWhenSet:
    case Outline::OvalFramed:
        m_windowRegion = QRegion(0, 0, W, H, QRegion::Ellipse);
        m_innerRegion1 = QRegion(1, 1, W - 2, H - 2, QRegion::Ellipse);
        m_innerRegion2 = QRegion(2, 2, W - 4, H - 4, QRegion::Ellipse);
        if (m_props.style != FaceStyle::Rounded) {
            if (m_props.shape == Outline::OvalFramed) {
                paint::frameRegion(m_memory, m_windowRegion, 0x000000);
            } else {
                drawRing();
            }
            m_memoryClip = m_innerRegion1;
        }
        break;
    default:
        if (!buildCustomRegion()) {
            return; // the previous outline stays
        }
        break;
    }
    setMask(m_windowRegion);
    m_regionSize = size();
}

bool rkButtons_H::ApplyCustomClick()
{
    if (m_props.mode != Behaviour::Push || m_props.customClick == ClickShift::None) {
        return false;
    }
    const QPoint offset = kCustomClickOffsets[static_cast<std::size_t>(m_props.customClick)];
    const bool pressedOver = pressedUnderMouse();
    const bool shifted = (m_stateFlags & kStateShifted) != 0;
    if (pressedOver && !shifted) {
        move(pos() + offset);
        m_stateFlags |= kStateShifted;
    } else if (shifted && !pressedOver) {
        move(pos() - offset);
        m_stateFlags &= ~kStateShifted;
    } else {
        return false;
    }
    m_screen = m_memory;
    update();
    return true;
}

} // namespace rkbuttons
