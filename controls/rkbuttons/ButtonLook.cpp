#include "controls/rkbuttons/ButtonLook.h"

#include "controls/rkbuttons/CaptionLayout.h"
#include "platform/FocusMark.h"
#include "platform/Units.h"

#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <optional>

namespace rkbuttons {
namespace {

using paint::EdgeColors;
using paint::Inner;
using paint::kBlack;
using paint::kGrey;
using paint::kWhite;
using paint::Middle;
using paint::Outer;
using paint::ShiftColor;
using Tone = std::optional<OleColor>;

constexpr OleColor kPaleGrey = platform::rgb(233, 233, 233);
constexpr OleColor kFramedDefaultRing = 0xFFDFBF;
constexpr OleColor kFlatDefaultFrame = 0xCC9999;
constexpr OleColor kLightStyleBase = 0xDFDFDF;
// The shadow and highlight of an engraved or embossed caption, from the face tone.
constexpr int kReliefShift = 40;
// The framed style's face darkens by up to this much towards the bottom.
constexpr double kFramedFaceShading = 25.0;
constexpr int kRoundedCornerRadius = 6;

struct CornerPixels
{
    QList<QPoint> points;
    OleColor color = 0;
};

struct RoundedEdges
{
    OleColor light = 0;
    OleColor dark = 0;
    OleColor outline = 0;
};

// What one face style draws over the face: every style wears a raised look, light on the
// left and top and dark on the right and bottom, and reverses it while pressed or set.
struct StyleTones
{
    OleColor face = 0; // fills the face; a caption's relief is made from it
    EdgeColors edges{};
    std::optional<RoundedEdges> rounded; // drawn instead of the rings
    QList<CornerPixels> corners;         // on rectangles only
    Tone defaultFrame;                   // the default button's frame, if the style has one
    OleColor outlineFrame = kBlack;      // frames ovals and custom shapes

    void ring(std::size_t which, Tone left, Tone top, Tone right, Tone bottom)
    {
        edges[which + paint::Left] = left;
        edges[which + paint::Top] = top;
        edges[which + paint::Right] = right;
        edges[which + paint::Bottom] = bottom;
    }
    void ring(std::size_t which, OleColor all) { ring(which, all, all, all, all); }
};

// What every style reads from the look.
struct StyleState
{
    const ButtonLook& look;
    QSize size;
    bool pressed = false;
    bool set = false;    // a check or option button held down or set
    bool sunken = false; // pressed or set
    OleColor face = 0;   // the palette's face, or its checked face while set
};

StyleTones standardTones(const StyleState& s)
{
    StyleTones tones;
    tones.face = s.face;
    OleColor light = s.pressed ? s.face : kPaleGrey;
    Tone fourth;
    if (isSlanted(s.look.shape)) {
        fourth = ShiftColor(s.face, -48);
    } else if (!s.look.enabled && s.look.mode != Behaviour::Push) {
        fourth = kGrey;
    }
    if (s.set) {
        light = kPaleGrey;
        fourth = kBlack;
        tones.ring(Outer, kGrey, kGrey, kWhite, kWhite);
        tones.ring(Middle, fourth, fourth, light, light);
    } else if (s.pressed) {
        tones.ring(Outer, kGrey, kGrey, kWhite, kWhite);
        tones.ring(Middle, light, light, Tone(), Tone());
    } else {
        tones.ring(Outer, kWhite, kWhite, kGrey, kGrey);
        tones.ring(Middle, light, light, fourth, fourth);
    }
    tones.defaultFrame = kBlack;
    return tones;
}

StyleTones softTones(const StyleState& s)
{
    StyleTones tones;
    tones.face = s.face;
    const OleColor dark = ShiftColor(s.face, -48);
    if (s.sunken) {
        tones.ring(Outer, kGrey, kGrey, kWhite, kWhite);
        tones.ring(Middle, dark, dark, Tone(), Tone());
    } else {
        tones.ring(Outer, kWhite, kWhite, kGrey, kGrey);
        tones.ring(Middle, Tone(), Tone(), dark, dark);
    }
    tones.defaultFrame = kGrey;
    tones.outlineFrame = kGrey;
    return tones;
}

// The framed style marks the default button with a ring of its own instead of a frame.
StyleTones framedTones(const StyleState& s)
{
    auto shade = [&s](int shift) { return ShiftColor(s.face, shift); };
    StyleTones tones;
    tones.face = s.face;
    const OleColor border = shade(-104);
    tones.ring(Outer, border);
    if (s.sunken) {
        tones.ring(Middle, shade(-48), shade(-48), shade(10), shade(10));
        tones.ring(Inner, shade(-32), shade(-32), Tone(), Tone());
    } else if (s.look.isDefault) {
        tones.ring(Middle, kFramedDefaultRing);
        tones.ring(Inner, shade(48), shade(48), shade(-22), shade(-24));
    } else {
        tones.ring(Middle, shade(16), shade(16), shade(-24), shade(-36));
        tones.ring(Inner, Tone(), Tone(), shade(-22), Tone());
    }
    const int W = s.size.width();
    const int H = s.size.height();
    tones.corners = {
        {{QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 2), QPoint(W - 2, H - 2)}, shade(-84)}};
    tones.outlineFrame = border;
    return tones;
}

StyleTones flatTones(const StyleState& s)
{
    const ButtonLook& look = s.look;
    StyleTones tones;
    tones.face = look.palette.face;
    if (s.pressed && look.mode == Behaviour::Push) {
        tones.face = look.palette.shade;
    }
    if (look.value && look.mode != Behaviour::Push) {
        tones.face = look.palette.checkedFace;
    }
    const OleColor dark = ShiftColor(kGrey, -26);
    const OleColor grey = look.enabled ? kGrey : ShiftColor(kGrey, -16);
    tones.ring(Outer, look.enabled ? dark : grey);
    if (!look.enabled && look.mode == Behaviour::Push) {
        tones.ring(Middle, tones.face);
        tones.ring(Inner, tones.face);
    } else {
        const OleColor state = s.sunken ? grey : kWhite;
        tones.ring(Middle, state, state, dark, dark);
    }
    tones.defaultFrame = kFlatDefaultFrame;
    tones.outlineFrame = dark;
    return tones;
}

StyleTones outlinedTones(const StyleState& s)
{
    StyleTones tones;
    tones.face = s.face;
    const OleColor dark = ShiftColor(s.face, -48);
    tones.ring(Outer, dark);
    if (s.sunken) {
        tones.ring(Middle, kGrey, kGrey, kWhite, kWhite);
    } else {
        tones.ring(Middle, kWhite, kWhite, kGrey, kGrey);
    }
    tones.defaultFrame = kBlack;
    tones.outlineFrame = dark;
    return tones;
}

// Rounded corners on a rectangle; other outlines wear the rings in the same tones.
StyleTones roundedTones(const StyleState& s)
{
    StyleTones tones;
    tones.face = s.face;
    const OleColor outline = s.look.enabled ? ShiftColor(s.face, -64) : kGrey;
    const OleColor light = s.sunken ? ShiftColor(s.face, -32) : kWhite;
    const OleColor dark = s.sunken ? kWhite : ShiftColor(s.face, -32);
    if (s.look.shape == Outline::Rectangle) {
        tones.rounded = RoundedEdges{light, dark, outline};
    } else {
        tones.ring(Outer, outline);
        tones.ring(Middle, light, light, dark, dark);
    }
    tones.defaultFrame = outline;
    tones.outlineFrame = outline;
    return tones;
}

StyleTones lightTones(const StyleState& s)
{
    StyleTones tones;
    tones.face = s.face;
    const OleColor light = ShiftColor(kLightStyleBase, 16);
    const OleColor dark = ShiftColor(s.face, -48);
    tones.ring(Outer, kGrey);
    if (s.sunken) {
        tones.ring(Middle, dark, dark, light, light);
    } else {
        tones.ring(Middle, light, light, dark, dark);
    }
    tones.defaultFrame = kBlack;
    return tones;
}

// Ten corner pixels soften the cut corners of the shaded style.
StyleTones shadedTones(const StyleState& s)
{
    StyleTones tones;
    tones.face = s.face;
    if (s.pressed && s.look.mode == Behaviour::Push) {
        tones.face = ShiftColor(s.face, -24);
    }
    auto soft = [&tones](int shift) { return ShiftColor(tones.face, shift); };
    const OleColor shadow = s.look.palette.shade;
    tones.ring(Outer, shadow);
    if (s.sunken) {
        tones.ring(Middle, soft(-32), soft(-32), kWhite, kWhite);
    } else {
        tones.ring(Middle, kWhite, kWhite, soft(-32), soft(-32));
        tones.ring(Inner, soft(16), soft(16), soft(-16), soft(-16));
    }
    const int W = s.size.width();
    const int H = s.size.height();
    tones.corners = {
        {{QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 3), QPoint(2, H - 2), QPoint(W - 2, H - 3),
          QPoint(W - 3, H - 2)},
         shadow},
        {{QPoint(2, 2), QPoint(W - 3, 2), QPoint(2, H - 3), QPoint(W - 3, H - 3)}, soft(-16)}};
    tones.defaultFrame = shadow;
    tones.outlineFrame = shadow;
    return tones;
}

// Indexed by FaceStyle.
constexpr std::array<StyleTones (*)(const StyleState&), 8> kStyleTones = {
    standardTones, softTones,    framedTones, flatTones,
    outlinedTones, roundedTones, lightTones,  shadedTones};

StyleTones styleTones(const ButtonLook& look, QSize size)
{
    StyleState state{look, size};
    state.pressed = look.pressed;
    state.set = look.mode != Behaviour::Push && (look.pressedLook || look.value);
    state.sunken = state.pressed || state.set;
    state.face =
        (look.value && look.mode != Behaviour::Push) ? look.palette.checkedFace : look.palette.face;
    return kStyleTones[static_cast<std::size_t>(look.style)](state);
}

paint::EdgeGeometry edgeGeometry(QSize size, const ButtonLook& look)
{
    paint::EdgeGeometry geometry;
    geometry.width = size.width();
    geometry.height = size.height();
    geometry.leftInset = look.outline.leftInset;
    geometry.rightEdge = look.outline.rightEdge;
    geometry.slantLeft = slantsLeft(look.shape);
    geometry.slantRight = slantsRight(look.shape);
    return geometry;
}

void fillFace(QImage& image, const ButtonLook& look, OleColor base)
{
    const QRegion& clip = look.faceClip;
    auto clipped = [&clip](const QRect& rect) {
        return clip.isEmpty() ? QRegion(rect) : clip.intersected(rect);
    };
    const bool hoverFace =
        look.hovering && !look.pressed && (look.mode == Behaviour::Push || !look.value);
    const OleColor color = hoverFace ? look.palette.hoverFace : base;
    const int W = image.width();
    const int H = image.height();
    if (look.gradient == paint::GradientDirection::None || isCustom(look.shape) || look.value) {
        if (look.style == FaceStyle::Framed && (look.enabled || look.mode != Behaviour::Push)) {
            for (int y = 0; y < H; ++y) {
                const auto shift =
                    static_cast<int>(platform::roundHalfEven(kFramedFaceShading / H * y));
                paint::fillRegion(image, clipped(QRect(0, y, W, 1)), ShiftColor(color, -shift));
            }
        } else {
            paint::fillRegion(image, clipped(image.rect()), color);
        }
        return;
    }
    if (look.hovering && !look.pressed && !look.gradientWhileHovering) {
        paint::fillRegion(image, clipped(image.rect()), color);
        return;
    }
    paint::drawGradient(image, base, look.gradientColor, look.gradient, look.screenLength, clip);
}

void drawPicture(QImage& image, const ButtonLook& look)
{
    if (look.pictureRect.isEmpty() || look.picture.isNull()) {
        return;
    }
    QPainter painter(&image);
    if (!look.faceClip.isEmpty()) {
        painter.setClipRegion(look.faceClip);
    }
    if (look.pictureIsIcon) {
        QImage icon = look.picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!look.enabled) {
            // Disabled icons are washed out to a light grey of their own shape.
            for (int y = 0; y < icon.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(icon.scanLine(y));
                for (int x = 0; x < icon.width(); ++x) {
                    const int alpha = qAlpha(line[x]);
                    const int grey = (128 + qGray(qUnpremultiply(line[x])) / 2) * alpha / 255;
                    line[x] = qRgba(grey, grey, grey, alpha);
                }
            }
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(look.pictureRect, icon);
        return;
    }
    // A bitmap leaves out its colour key; a disabled one is washed out to light grey.
    const QImage& bitmap = look.picture;
    const QRgb key = bitmap.pixel(0, 0);
    QImage layer(bitmap.size(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto* source = reinterpret_cast<const QRgb*>(bitmap.constScanLine(y));
        auto* target = reinterpret_cast<QRgb*>(layer.scanLine(y));
        for (int x = 0; x < bitmap.width(); ++x) {
            QRgb pixel = source[x];
            if (pixel == key) {
                target[x] = 0;
                continue;
            }
            if (!look.enabled) {
                const int grey = 128 + qGray(pixel) / 2;
                pixel = qRgb(grey, grey, grey);
            }
            target[x] = pixel | 0xFF000000u;
        }
    }
    painter.drawImage(look.pictureRect.topLeft(), layer);
}

void drawCaption(QImage& image, const ButtonLook& look, OleColor face)
{
    if (look.caption.isEmpty()) {
        return;
    }
    QPainter painter(&image);
    if (!look.faceClip.isEmpty()) {
        painter.setClipRegion(look.faceClip);
    }
    painter.setFont(look.font);
    const int flags = kCaptionTextFlags | captionAlignment(look.captionAlign) | Qt::AlignTop;
    auto drawAt = [&](QPoint shift, OleColor color) {
        painter.setPen(platform::toQColor(color));
        painter.drawText(look.captionRect.translated(shift), flags, look.caption);
    };
    if (!look.enabled) {
        // Disabled text is grey over a white highlight.
        drawAt(QPoint(1, 1), kWhite);
        drawAt(QPoint(), kGrey);
        return;
    }
    if (look.captionRelief != CaptionRelief::Flat) {
        const int shift =
            look.captionRelief == CaptionRelief::Engraved ? -kReliefShift : kReliefShift;
        drawAt(QPoint(-1, 0), ShiftColor(face, shift));
        drawAt(QPoint(1, 1), ShiftColor(face, -shift));
    }
    drawAt(QPoint(), look.captionColor);
}

// An ellipse has one ring, on the edge of its face: the light part of the middle ring on
// the upper left half, the dark part on the lower right.
void drawEllipseEdges(QImage& image, const QRegion& face, const EdgeColors& colors)
{
    auto side = [&colors](std::size_t which) {
        return colors[Middle + which] ? colors[Middle + which] : colors[Outer + which];
    };
    const Tone light = side(paint::Left);
    const Tone dark = side(paint::Right);
    const qint64 W = image.width();
    const qint64 H = image.height();
    for (const QRect& rect : paint::regionFrame(face)) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const bool upperLeft = x * H + y * W < W * H;
                const Tone& color = upperLeft ? light : dark;
                if (color && image.rect().contains(x, y)) {
                    image.setPixel(x, y, paint::toRgb(*color));
                }
            }
        }
    }
}

void drawEdges(QImage& image, const ButtonLook& look, const EdgeColors& colors)
{
    if (isOval(look.shape)) {
        drawEllipseEdges(image, look.outline.inner1, colors);
    } else if (!isCustom(look.shape)) { // custom outlines are framed on the presented copy
        paint::drawEdges(image, edgeGeometry(image.size(), look), colors);
    }
}

void drawRoundedEdges(QImage& image, const RoundedEdges& edges, OleColor container)
{
    const int W = image.width();
    const int H = image.height();
    const qreal radius = std::min(kRoundedCornerRadius, std::min(W, H) / 2);
    QPainter painter(&image);
    // The corners outside the rounded outline take the container's colour.
    QPainterPath outside;
    outside.addRect(QRectF(image.rect()));
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0, 0, W, H), radius, radius);
    painter.fillPath(outside.subtracted(rounded), platform::toQColor(container));
    painter.setBrush(Qt::NoBrush);
    // The arcs of each half are drawn under a clip of that half.
    const QPolygon upperLeft({QPoint(0, 0), QPoint(W, 0), QPoint(0, H)});
    const QPolygon lowerRight({QPoint(W, 0), QPoint(W, H), QPoint(0, H)});
    painter.setClipRegion(QRegion(upperLeft));
    painter.setPen(platform::toQColor(edges.light));
    painter.drawRoundedRect(QRect(1, 1, W - 3, H - 3), radius - 1, radius - 1);
    painter.setClipRegion(QRegion(lowerRight));
    painter.setPen(platform::toQColor(edges.dark));
    painter.drawRoundedRect(QRect(1, 1, W - 3, H - 3), radius - 1, radius - 1);
    painter.setClipping(false);
    painter.setPen(platform::toQColor(edges.outline));
    painter.drawRoundedRect(QRect(0, 0, W - 1, H - 1), radius, radius);
}

// The default button wears a frame of the style's darkest tone around its edges, and the
// dotted focus rectangle while it is not set. True when the rectangle was drawn.
bool drawDefaultFrame(QImage& image, const ButtonLook& look, OleColor color)
{
    if (!look.isDefault || isCustom(look.shape)) {
        return false;
    }
    if (!isBoxed(look.shape)) {
        paint::frameRegion(image, look.outline.inner1, color);
    } else {
        StyleTones frame;
        frame.ring(Outer, color);
        paint::drawEdges(image, edgeGeometry(image.size(), look), frame.edges);
    }
    if (look.value) {
        return false;
    }
    platform::drawFocusMark(image, focusRect(image.size(), look.shape, look.outline));
    return true;
}

} // namespace

FacePalette facePalette(FaceStyle style, OleColor back, OleColor hover)
{
    FacePalette palette;
    switch (style) {
    case FaceStyle::Framed:
        palette.face = ShiftColor(back, 48, true);
        palette.shade = ShiftColor(palette.face, -32, true);
        palette.hoverFace = ShiftColor(hover, 48, true);
        palette.checkedFace = ShiftColor(kWhite, -32, true);
        break;
    case FaceStyle::Flat:
        palette.face = back;
        palette.shade = ShiftColor(kGrey, 12);
        palette.hoverFace = hover;
        palette.checkedFace = ShiftColor(palette.shade, 31);
        break;
    case FaceStyle::Shaded:
        palette.face = ShiftColor(back, 31);
        palette.shade = ShiftColor(kGrey, -16);
        palette.hoverFace = ShiftColor(hover, 31);
        palette.checkedFace = ShiftColor(kGrey, 16, true);
        break;
    default:
        palette.face = back;
        palette.shade = back;
        palette.hoverFace = hover;
        palette.checkedFace = ShiftColor(kWhite, -32);
        break;
    }
    return palette;
}

PaintResult paintButton(QImage& image, const ButtonLook& look)
{
    const StyleTones tones = styleTones(look, image.size());
    fillFace(image, look, tones.face);
    drawPicture(image, look);
    drawCaption(image, look, tones.face);
    if (tones.rounded) {
        drawRoundedEdges(image, *tones.rounded, look.containerColor);
    } else {
        drawEdges(image, look, tones.edges);
    }
    if (look.shape == Outline::Rectangle) {
        for (const CornerPixels& corners : tones.corners) {
            for (const QPoint& point : corners.points) {
                if (image.rect().contains(point)) {
                    image.setPixel(point, paint::toRgb(corners.color));
                }
            }
        }
    }
    PaintResult result;
    result.frameColor = tones.outlineFrame;
    if (tones.defaultFrame) {
        result.focusMarkDrawn = drawDefaultFrame(image, look, *tones.defaultFrame);
    }
    return result;
}

void frameOutline(QImage& image, const ButtonLook& look, OleColor frameColor)
{
    const ButtonOutline& outline = look.outline;
    if (isOval(look.shape)) {
        if (look.style == FaceStyle::Framed && !look.pressed) {
            paint::frameRegion(image, outline.inner1, frameColor);
        } else if (look.shape == Outline::OvalFramed) {
            paint::frameRegion(image, outline.window, frameColor);
        }
        return;
    }
    if (!isCustom(look.shape)) {
        return;
    }
    if (!look.hovering || look.pressed) {
        if (look.isDefault) {
            const OleColor color = (look.value && look.mode == Behaviour::Check)
                                       ? ShiftColor(look.palette.shade, -32)
                                       : frameColor;
            paint::frameRegion(
                image, look.shape == Outline::CustomInset ? outline.inner2 : outline.inner1, color);
        }
        return;
    }
    const OleColor color = look.mode == Behaviour::Option ? frameColor : look.palette.hoverFace;
    if (color != look.backColor || look.mode == Behaviour::Option) {
        paint::frameRegion(image, outline.window, color);
    }
}

void paintRing(QImage& image, int screenLength)
{
    paint::drawGradient(image, kWhite, kGrey, paint::GradientDirection::TopToBottom, screenLength);
}

} // namespace rkbuttons
