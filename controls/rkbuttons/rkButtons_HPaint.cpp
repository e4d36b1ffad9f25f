#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/FocusMark.h"
#include "platform/Units.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <algorithm>

using platform::OleColor;

namespace rkbuttons {

using paint::ConvertColor;
using paint::ShiftColor;

// --- resources -----------------------------------------------------------------------

void rkButtons_H::PrepareResource(Resource resource)
{
    switch (resource) {
    case Resource::Font: {
        const QFont source = font();
        QFont caption(source.family().left(32));
        if (source.pointSizeF() > 0) {
            caption.setPixelSize(
                std::max<int>(1, static_cast<int>(platform::roundHalfEven(
                                     source.pointSizeF() * 20.0 / platform::twipsPerPixelY()))));
        } else {
            caption.setPixelSize(source.pixelSize());
        }
        caption.setWeight(source.weight());
        caption.setItalic(source.italic());
        caption.setUnderline(source.underline());
        caption.setStrikeOut(source.strikeOut());
        m_captionFont = caption;
        break;
    }
    case Resource::Picture:
        m_pictureCache = QImage();
        if (m_props.picture.isNull()) {
            m_scaledPicture = QImage();
            m_pictureWidth = 0;
            m_pictureHeight = 0;
            m_pictureIsIcon = false;
        } else {
            m_pictureWidth = m_props.picture.image().width();
            m_pictureHeight = m_props.picture.image().height();
            m_pictureIsIcon = m_props.picture.type() == platform::Picture::Type::Icon ||
                              m_props.picture.type() == platform::Picture::Type::Cursor;
        }
        break;
    case Resource::BackColor: {
        const OleColor face = ConvertColor(m_props.backColor);
        const OleColor hover = ConvertColor(m_props.hoverBackColor);
        switch (m_props.style) {
        case FaceStyle::Framed:
            m_palette.face = ShiftColor(face, 48, true);
            m_palette.shade = ShiftColor(m_palette.face, -32, true);
            m_palette.hoverFace = ShiftColor(hover, 48, true);
            m_palette.checkedFace = ShiftColor(0xFFFFFF, -32, true);
            break;
        case FaceStyle::Flat:
            m_palette.face = face;
            m_palette.shade = ShiftColor(0x808080, 12);
            m_palette.hoverFace = hover;
            m_palette.checkedFace = ShiftColor(m_palette.shade, 31);
            break;
        case FaceStyle::Shaded:
            m_palette.face = ShiftColor(face, 31);
            m_palette.shade = ShiftColor(0x808080, -16);
            m_palette.hoverFace = ShiftColor(hover, 31);
            m_palette.checkedFace = ShiftColor(0x808080, 16, true);
            break;
        default:
            m_palette.face = face;
            m_palette.shade = face;
            m_palette.hoverFace = hover;
            m_palette.checkedFace = ShiftColor(0xFFFFFF, -32);
            break;
        }
        break;
    }
    }
}

void rkButtons_H::PrepareBuffer()
{
    const QSize wanted = size().expandedTo(QSize(1, 1));
    if (m_memory.size() != wanted) {
        m_memory = QImage(wanted, QImage::Format_RGB32);
        m_memory.fill(paint::toRgb(ConvertColor(m_props.backColor)));
    }
}

// --- caption layout ------------------------------------------------------------------

namespace {
constexpr int kCaptionMargin = 3;
constexpr int kPictureGap = 4;
constexpr int kTextFlags = Qt::TextWordWrap | Qt::TextShowMnemonic;

int horizontalAlignment(CaptionPlace captionAlign)
{
    switch (captionAlign) {
    case CaptionPlace::Left:
        return Qt::AlignLeft;
    case CaptionPlace::Right:
        return Qt::AlignRight;
    default:
        return Qt::AlignHCenter;
    }
}
} // namespace

void rkButtons_H::LayoutCaption()
{
    const int W = width();
    const int H = height();
    QString text = m_props.caption;
    text.replace(QLatin1String("||"), QLatin1String("\n"));
    m_captionText = text;

    QRect room(kCaptionMargin, kCaptionMargin, W - 2 * kCaptionMargin, H - 2 * kCaptionMargin);
    const bool slantLeft =
        m_props.shape == Outline::SlantedLeft || m_props.shape == Outline::SlantedBoth;
    const bool slantRight =
        m_props.shape == Outline::SlantedRight || m_props.shape == Outline::SlantedBoth;
    // The slant is as wide as the button is high (see buildSlantedRegion).
    const int slant = H + 1;
    if (slantLeft) {
        room.setLeft(room.left() + slant / 3);
    }
    if (slantRight) {
        room.setRight(room.right() - slant / 3);
    }
    const QRect fullRoom = room;
    const bool hasPicture = !m_props.picture.isNull() && !isCustom();
    const int img = m_props.pictureSize;
    const int pictureTop = (H - img) / 2;
    // A picture at a slanted side sits where the slant has passed its whole height.
    int pictureLeft = fullRoom.left();
    int pictureRight = fullRoom.right();
    if (slantLeft) {
        pictureLeft = std::max(pictureLeft, pictureTop + img + 1);
    }
    if (slantRight) {
        pictureRight = std::min(pictureRight, W - slant + pictureTop - 2);
    }
    if (hasPicture && img < 33) {
        switch (m_props.pictureAlign) {
        case PicturePlace::Left:
        case PicturePlace::BesideCaptionLeft:
            room.setLeft(std::max(room.left() + img, pictureLeft + img));
            break;
        case PicturePlace::Right:
        case PicturePlace::BesideCaptionRight:
            room.setRight(std::min(room.right() - img, pictureRight - img));
            break;
        case PicturePlace::TopCentre:
            room.setTop(room.top() + img);
            break;
        case PicturePlace::BottomCentre:
            room.setBottom(room.bottom() - img);
            break;
        default:
            break;
        }
    }

    const QFontMetrics metrics(m_captionFont);
    const QRect measured =
        text.isEmpty()
            ? QRect()
            : metrics.boundingRect(QRect(0, 0, std::max(1, room.width()), 100000),
                                   kTextFlags | horizontalAlignment(m_props.captionAlign), text);
    const int textHeight = measured.height();
    const int textTop = room.top() + (room.height() - textHeight) / 2;
    m_captionRect = QRect(room.left(), textTop, room.width(), textHeight);

    if (!hasPicture) {
        m_pictureRect = QRect();
        return;
    }
    switch (m_props.pictureAlign) {
    case PicturePlace::Left:
        m_pictureRect = QRect(pictureLeft, pictureTop, img, img);
        break;
    case PicturePlace::Right:
        m_pictureRect = QRect(pictureRight + 1 - img, pictureTop, img, img);
        break;
    case PicturePlace::BesideCaptionLeft:
    case PicturePlace::BesideCaptionRight: {
        // The picture stays beside the text and the pair is centred together.
        const int textWidth = std::min(measured.width(), fullRoom.width());
        const int spare = std::max(0, fullRoom.width() - (textWidth + img + kPictureGap));
        const int start = fullRoom.left() + spare / 2;
        if (m_props.pictureAlign == PicturePlace::BesideCaptionLeft) {
            m_pictureRect = QRect(start, pictureTop, img, img);
            if (img < 33) {
                m_captionRect = QRect(start + img + kPictureGap, textTop, textWidth, textHeight);
            }
        } else {
            if (img < 33) {
                m_captionRect = QRect(start, textTop, textWidth, textHeight);
            }
            m_pictureRect = QRect(start + textWidth + kPictureGap, pictureTop, img, img);
        }
        break;
    }
    case PicturePlace::TopCentre:
        m_pictureRect = QRect((W - img) / 2, fullRoom.top(), img, img);
        break;
    case PicturePlace::BottomCentre:
        m_pictureRect = QRect((W - img) / 2, fullRoom.bottom() + 1 - img, img, img);
        break;
    default:
        m_pictureRect = QRect();
        break;
    }
}

// --- drawing -------------------------------------------------------------------------

bool rkButtons_H::pressedUnderMouse() const
{
    return (m_stateFlags & kStatePressed) && (m_stateFlags & kStateHover);
}

int rkButtons_H::drawingState() const
{
    return pressedUnderMouse() ? 2 : (m_stateFlags & kStateDefault);
}

QRegion rkButtons_H::faceClip() const
{
    return m_memoryClip;
}

paint::EdgeGeometry rkButtons_H::edgeGeometry() const
{
    paint::EdgeGeometry geometry;
    geometry.width = m_memory.width();
    geometry.height = m_memory.height();
    geometry.leftInset = m_leftInset;
    geometry.rightEdge = m_rightEdge;
    geometry.slantLeft =
        m_props.shape == Outline::SlantedLeft || m_props.shape == Outline::SlantedBoth;
    geometry.slantRight =
        m_props.shape == Outline::SlantedRight || m_props.shape == Outline::SlantedBoth;
    return geometry;
}

void rkButtons_H::RedrawButton()
{
    if (m_delayDrawing) {
        return;
    }
    if (m_regionSize != size()) {
        // Resized while drawing was delayed: the outline still has the old size.
        BuildButtonRegion();
        LayoutCaption();
    }
    PrepareBuffer();
    m_defaultMarkDrawn = false;
    // System colours are read at every redraw, so a new colour scheme shows at once.
    PrepareResource(Resource::BackColor);
    if (isCustom() && m_props.mode == Behaviour::Push) {
        ApplyCustomClick();
    }
    const StyleResult result = drawStyle();
    if (result.drawn > 0) {
        m_screen = m_memory;
    }
    if (result.drawn == 2) {
        frameOutline(result);
    }
    update();
}

void rkButtons_H::frameOutline(const StyleResult& result)
{
    if (isOval()) {
        if (m_props.style == FaceStyle::Framed && !pressedUnderMouse()) {
            paint::frameRegion(m_screen, m_innerRegion1, result.frameColor);
        } else if (m_props.shape == Outline::OvalFramed) {
            paint::frameRegion(m_screen, m_windowRegion, result.frameColor);
        }
        return;
    }
    if (!isCustom()) {
        return;
    }
    if (!Hovering() || pressedUnderMouse()) {
        if (m_stateFlags & kStateDefault) {
            const OleColor color = (m_props.value && m_props.mode == Behaviour::Check)
                                       ? ShiftColor(m_palette.shade, -32)
                                       : result.frameColor;
            paint::frameRegion(
                m_screen, m_props.shape == Outline::CustomInset ? m_innerRegion2 : m_innerRegion1,
                color);
        }
        return;
    }
    const OleColor color =
        m_props.mode == Behaviour::Option ? result.frameColor : m_palette.hoverFace;
    if (color != ConvertColor(m_props.backColor) || m_props.mode == Behaviour::Option) {
        paint::frameRegion(m_screen, m_windowRegion, color);
    }
}

void rkButtons_H::FillFace(OleColor base, OleColor gradient, std::optional<OleColor> hover)
{
    const QRegion clip = faceClip();
    auto clipped = [&clip](const QRect& rect) {
        return clip.isEmpty() ? QRegion(rect) : clip.intersected(rect);
    };
    const bool useHover =
        Hovering() && hover && (m_props.mode == Behaviour::Push || !m_props.value);
    const OleColor color = useHover ? *hover : base;
    const int W = m_memory.width();
    const int H = m_memory.height();
    if (!hasGradient() || isCustom() || m_props.value) {
        if (m_props.style == FaceStyle::Framed &&
            (isEnabled() || m_props.mode != Behaviour::Push)) {
            // The shaded face darkens by up to 25 towards the bottom.
            for (int y = 0; y < H; ++y) {
                const auto shift = static_cast<int>(platform::roundHalfEven(25.0 / H * y));
                paint::fillRegion(m_memory, clipped(QRect(0, y, W, 1)), ShiftColor(color, -shift));
            }
        } else {
            paint::fillRegion(m_memory, clipped(m_memory.rect()), color);
        }
        return;
    }
    if (Hovering() && !pressedUnderMouse() && m_props.gradientColor != m_props.hoverBackColor) {
        paint::fillRegion(m_memory, clipped(m_memory.rect()), color);
        return;
    }
    DrawGradient(base, gradient);
}

int rkButtons_H::screenLength(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    return horizontal ? screenSize.width() : screenSize.height();
}

void rkButtons_H::DrawGradient(OleColor c1, OleColor c2)
{
    paint::drawGradient(m_memory, c1, c2, m_props.gradient,
                        screenLength(paint::gradientIsHorizontal(m_props.gradient)), faceClip());
}

QImage rkButtons_H::scaledBitmap(const QSize& size) const
{
    const QImage& source = m_props.picture.image();
    // Scaled without smoothing, as a plain stretch copies pixels: the colour key survives.
    return paint::normaliseColorKey(
        source.convertToFormat(QImage::Format_RGB32)
            .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}

void rkButtons_H::drawPicture(const QRect& rect)
{
    if (rect.isEmpty() || m_props.picture.isNull()) {
        return;
    }
    QPainter painter(&m_memory);
    if (!faceClip().isEmpty()) {
        painter.setClipRegion(faceClip());
    }
    if (m_pictureIsIcon) {
        QImage icon = m_props.picture.image().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (!isEnabled()) {
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
        painter.drawImage(rect, icon);
        return;
    }
    QImage bitmap;
    if (isCustom() && !m_scaledPicture.isNull() && m_scaledPicture.size() == rect.size()) {
        bitmap = m_scaledPicture;
    } else {
        if (m_pictureCache.size() != rect.size()) {
            m_pictureCache = scaledBitmap(rect.size());
        }
        bitmap = m_pictureCache;
    }
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
            if (!isEnabled()) {
                const int grey = 128 + qGray(pixel) / 2;
                pixel = qRgb(grey, grey, grey);
            }
            target[x] = pixel | 0xFF000000u;
        }
    }
    painter.drawImage(rect.topLeft(), layer);
}

void rkButtons_H::DrawCaptionAndPicture(OleColor base, const CaptionColors& colors)
{
    const bool pushed = (m_pressedLook || pressedUnderMouse()) && m_props.style != FaceStyle::Flat;
    const QPoint offset = pushed ? (isBoxed() ? QPoint(1, 1) : QPoint(0, 1)) : QPoint();

    if (!m_props.picture.isNull() && !(isCustom() && m_props.value)) {
        QRect pictureRect = m_pictureRect.translated(offset);
        if (isCustom()) {
            pictureRect = m_memory.rect();
            if (pressedUnderMouse()) {
                pictureRect.adjust(1, 1, -1, -1);
            }
        }
        drawPicture(pictureRect);
    }

    if (m_captionText.isEmpty() ||
        ((!isBoxed() && m_props.shape != Outline::Oval) && !m_props.value)) {
        return;
    }
    QPainter painter(&m_memory);
    if (!faceClip().isEmpty()) {
        painter.setClipRegion(faceClip());
    }
    painter.setFont(m_captionFont);
    const QRect rect = m_captionRect.translated(offset);
    const int flags = kTextFlags | horizontalAlignment(m_props.captionAlign) | Qt::AlignTop;
    auto drawAt = [&](QPoint shift, OleColor color) {
        painter.setPen(platform::toQColor(color));
        painter.drawText(rect.translated(shift), flags, m_captionText);
    };
    if (isEnabled()) {
        OleColor text = ConvertColor(Hovering() && !pressedUnderMouse() ? m_props.hoverForeColor
                                                                        : m_props.foreColor);
        if (colors.text) {
            text = *colors.text;
        }
        if (m_props.captionRelief != CaptionRelief::Flat) {
            const int shift = m_props.captionRelief == CaptionRelief::Engraved ? -40 : 40;
            drawAt(QPoint(-1, 0), ShiftColor(base, shift));
            drawAt(QPoint(1, 1), ShiftColor(base, -shift));
        }
        drawAt(QPoint(), text);
        return;
    }
    QPoint first;
    OleColor firstColor = 0xFFFFFF;
    if (!colors.disabled || hasGradient()) {
        first = QPoint(1, 1);
    } else {
        firstColor = *colors.disabled;
    }
    drawAt(first, firstColor);
    if (!colors.skipSecondDisabledPass) {
        drawAt(first - QPoint(1, 1), 0x808080);
    }
}

void rkButtons_H::DrawEdges(const paint::EdgeColors& colors)
{
    if (isOval()) {
        drawEllipseEdges(colors);
        return;
    }
    if (isCustom()) {
        return; // custom outlines are framed after the copy
    }
    paint::drawEdges(m_memory, edgeGeometry(), colors);
}

void rkButtons_H::drawEllipseEdges(const paint::EdgeColors& colors)
{
    // An ellipse has one ring, on the edge of its face: the light part of the middle ring
    // on the upper left half, the dark part on the lower right.
    auto side = [&colors](std::size_t ring, std::size_t which) { return colors[ring + which]; };
    const std::optional<OleColor> light = side(paint::Middle, paint::Left)
                                              ? side(paint::Middle, paint::Left)
                                              : side(paint::Outer, paint::Left);
    const std::optional<OleColor> dark = side(paint::Middle, paint::Right)
                                             ? side(paint::Middle, paint::Right)
                                             : side(paint::Outer, paint::Right);
    const QRegion frame = paint::regionFrame(m_innerRegion1);
    const qint64 W = m_memory.width();
    const qint64 H = m_memory.height();
    for (const QRect& rect : frame) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const bool upperLeft = x * H + y * W < W * H;
                const std::optional<OleColor>& color = upperLeft ? light : dark;
                if (color && m_memory.rect().contains(x, y)) {
                    m_memory.setPixel(x, y, paint::toRgb(*color));
                }
            }
        }
    }
}

void rkButtons_H::drawSingleCorners(const QList<QPoint>& points, OleColor color)
{
    if (m_props.shape != Outline::Rectangle) {
        return;
    }
    for (const QPoint& point : points) {
        if (m_memory.rect().contains(point)) {
            m_memory.setPixel(point, paint::toRgb(color));
        }
    }
}

void rkButtons_H::DrawFocus(OleColor edgeColor)
{
    if (!(m_stateFlags & kStateDefault) || isCustom() ||
        (!isBoxed() && m_props.style == FaceStyle::Framed)) {
        return;
    }
    // The default button wears a frame of the style's darkest tone around its edges.
    if (!isBoxed()) {
        paint::frameRegion(m_memory, m_innerRegion1, edgeColor);
    } else {
        paint::EdgeColors frame{};
        for (std::size_t side = 0; side < 4; ++side) {
            frame[paint::Outer + side] = edgeColor;
        }
        paint::drawEdges(m_memory, edgeGeometry(), frame);
    }
    if (m_props.value) {
        return;
    }
    platform::drawFocusMark(m_memory, focusRect());
    m_defaultMarkDrawn = true;
}

QRect rkButtons_H::focusRect() const
{
    const int W = m_memory.width();
    const int H = m_memory.height();
    QRect focus(4, 4, W - 8, H - 8);
    if (!isBoxed()) {
        focus = QRect(W / 5, H / 5, W - 2 * (W / 5), H - 2 * (H / 5));
    } else {
        if (m_props.shape == Outline::SlantedLeft || m_props.shape == Outline::SlantedBoth) {
            focus.setLeft(focus.left() + m_leftInset / 2);
        }
        if (m_props.shape == Outline::SlantedRight || m_props.shape == Outline::SlantedBoth) {
            focus.setRight(focus.right() - (W - m_rightEdge) / 2);
        }
    }
    return focus;
}

// Edge colours. Every style wears a raised look, light on the left and top sides and dark
// on the right and bottom, and reverses it while it is pressed or set:
//   style 0  outer ring white/grey, middle ring light grey/(fourth tone); pressed: outer
//            grey/white; pushed check or option: outer grey/white, middle black/light grey
//   style 1  outer white/grey, middle -/face-48; reversed when pressed or set
//   style 2  outer face-104 all round; middle face+16/face-24,-36 and inner -/face-22;
//            default: middle 0xFFDFBF all round; pressed or set: middle face-48/face+10,
//            inner face-32; corner pixels face-84
//   style 3  outer 0x808080-26 all round; middle white (grey when pressed or set)/0x808080-26
//   style 4  outer face-48 all round; middle white/grey, reversed when pressed or set
//   style 5  rounded corners in the container's colour, outline face-64, inner arcs
//            white/face-32, reversed when pressed or set
//   style 6  outer grey all round; middle (0xDFDFDF+16)/face-48, reversed when pressed
//   style 7  outer ShadeColor all round; middle white/face-32, inner face+16/face-16;
//            pressed or set: middle face-32/white; ten corner pixels soften the cut corners
// The default button's outer ring is drawn over in the style's darkest tone.
rkButtons_H::StyleResult rkButtons_H::drawStyle()
{
    using paint::Inner;
    using paint::Middle;
    using paint::Outer;
    using Tone = std::optional<OleColor>;
    constexpr OleColor kWhite = 0xFFFFFF;
    constexpr OleColor kGrey = 0x808080;
    constexpr OleColor kBlack = 0x000000;

    const int W = m_memory.width();
    const int H = m_memory.height();
    const bool enabled = isEnabled();
    const bool pressed = pressedUnderMouse();
    const bool set = m_props.mode != Behaviour::Push && (m_pressedLook || m_props.value);
    const bool sunken = pressed || set;
    const OleColor gradient = ConvertColor(m_props.gradientColor);
    const Tone hover = pressed ? Tone() : Tone(m_palette.hoverFace);
    const OleColor face =
        (m_props.value && m_props.mode != Behaviour::Push) ? m_palette.checkedFace : m_palette.face;

    paint::EdgeColors edges{};
    auto ring = [&edges](std::size_t which, Tone left, Tone top, Tone right, Tone bottom) {
        const auto base = static_cast<std::size_t>(which);
        edges[base + 0] = left;
        edges[base + 1] = top;
        edges[base + 2] = right;
        edges[base + 3] = bottom;
    };
    StyleResult result{!isBoxed() ? 2 : 1, kBlack};

    switch (m_props.style) {
    case FaceStyle::Standard: {
        OleColor light = pressed ? face : platform::rgb(233, 233, 233);
        Tone fourth;
        if (isSlanted()) {
            fourth = ShiftColor(face, -48);
        } else if (!enabled && m_props.mode != Behaviour::Push) {
            fourth = kGrey;
        }
        if (set) {
            light = platform::rgb(233, 233, 233);
            fourth = kBlack;
        }
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        if (set) {
            ring(Outer, kGrey, kGrey, kWhite, kWhite);
            ring(Middle, fourth, fourth, light, light);
        } else if (pressed) {
            ring(Outer, kGrey, kGrey, kWhite, kWhite);
            ring(Middle, light, light, Tone(), Tone());
        } else {
            ring(Outer, kWhite, kWhite, kGrey, kGrey);
            ring(Middle, light, light, fourth, fourth);
        }
        DrawEdges(edges);
        DrawFocus(kBlack);
        break;
    }
    case FaceStyle::Soft: {
        const OleColor dark = ShiftColor(face, -48);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        if (sunken) {
            ring(Outer, kGrey, kGrey, kWhite, kWhite);
            ring(Middle, dark, dark, Tone(), Tone());
        } else {
            ring(Outer, kWhite, kWhite, kGrey, kGrey);
            ring(Middle, Tone(), Tone(), dark, dark);
        }
        DrawEdges(edges);
        DrawFocus(kGrey);
        result.frameColor = kGrey;
        break;
    }
    case FaceStyle::Framed: {
        auto shade = [face](int shift) { return ShiftColor(face, shift); };
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        const OleColor border = shade(-104);
        ring(Outer, border, border, border, border);
        if (sunken) {
            ring(Middle, shade(-48), shade(-48), shade(10), shade(10));
            ring(Inner, shade(-32), shade(-32), Tone(), Tone());
        } else if (drawingState() == 1) {
            constexpr OleColor kDefaultRing = 0xFFDFBF;
            ring(Middle, kDefaultRing, kDefaultRing, kDefaultRing, kDefaultRing);
            ring(Inner, shade(48), shade(48), shade(-22), shade(-24));
        } else {
            ring(Middle, shade(16), shade(16), shade(-24), shade(-36));
            ring(Inner, Tone(), Tone(), shade(-22), Tone());
        }
        DrawEdges(edges);
        drawSingleCorners({QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 2), QPoint(W - 2, H - 2)},
                          shade(-84));
        result.frameColor = border;
        break;
    }
    case FaceStyle::Flat: {
        OleColor flat = m_palette.face;
        if (pressed && m_props.mode == Behaviour::Push) {
            flat = m_palette.shade;
        }
        if (m_props.value && m_props.mode != Behaviour::Push) {
            flat = m_palette.checkedFace;
        }
        const OleColor dark = ShiftColor(kGrey, -26);
        const OleColor grey = enabled ? kGrey : ShiftColor(kGrey, -16);
        FillFace(flat, gradient, hover);
        DrawCaptionAndPicture(flat, {});
        const OleColor stateTone = sunken ? grey : kWhite;
        const OleColor outer = enabled ? dark : grey;
        ring(Outer, outer, outer, outer, outer);
        if (!enabled && m_props.mode == Behaviour::Push) {
            ring(Middle, flat, flat, flat, flat);
            ring(Inner, flat, flat, flat, flat);
        } else {
            ring(Middle, stateTone, stateTone, dark, dark);
        }
        DrawEdges(edges);
        DrawFocus(0xCC9999);
        result.frameColor = dark;
        break;
    }
    case FaceStyle::Outlined: {
        const OleColor dark = ShiftColor(face, -48);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        ring(Outer, dark, dark, dark, dark);
        if (sunken) {
            ring(Middle, kGrey, kGrey, kWhite, kWhite);
        } else {
            ring(Middle, kWhite, kWhite, kGrey, kGrey);
        }
        DrawEdges(edges);
        DrawFocus(kBlack);
        result.frameColor = dark;
        break;
    }
    case FaceStyle::Rounded: {
        const OleColor outline = enabled ? ShiftColor(face, -64) : kGrey;
        const OleColor light = sunken ? ShiftColor(face, -32) : kWhite;
        const OleColor dark = sunken ? kWhite : ShiftColor(face, -32);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        if (m_props.shape == Outline::Rectangle) {
            drawRoundedEdges(light, dark, outline);
        } else {
            ring(Outer, outline, outline, outline, outline);
            ring(Middle, light, light, dark, dark);
            DrawEdges(edges);
        }
        DrawFocus(outline);
        result.frameColor = outline;
        break;
    }
    case FaceStyle::Light: {
        const OleColor light = ShiftColor(0xDFDFDF, 16);
        const OleColor dark = ShiftColor(face, -48);
        FillFace(face, gradient, hover);
        DrawCaptionAndPicture(face, {});
        ring(Outer, kGrey, kGrey, kGrey, kGrey);
        if (sunken) {
            ring(Middle, dark, dark, light, light);
        } else {
            ring(Middle, light, light, dark, dark);
        }
        DrawEdges(edges);
        DrawFocus(kBlack);
        break;
    }
    default: {
        OleColor soft = face;
        if (pressed && m_props.mode == Behaviour::Push) {
            soft = ShiftColor(face, -24);
        }
        const OleColor shadow = m_palette.shade;
        CaptionColors colors;
        colors.text =
            ConvertColor(Hovering() && !pressed ? m_props.hoverForeColor : m_props.foreColor);
        FillFace(soft, gradient, hover);
        DrawCaptionAndPicture(soft, colors);
        ring(Outer, shadow, shadow, shadow, shadow);
        if (sunken) {
            ring(Middle, ShiftColor(soft, -32), ShiftColor(soft, -32), kWhite, kWhite);
        } else {
            ring(Middle, kWhite, kWhite, ShiftColor(soft, -32), ShiftColor(soft, -32));
            ring(Inner, ShiftColor(soft, 16), ShiftColor(soft, 16), ShiftColor(soft, -16),
                 ShiftColor(soft, -16));
        }
        DrawEdges(edges);
        drawSingleCorners({QPoint(1, 1), QPoint(W - 2, 1), QPoint(1, H - 3), QPoint(2, H - 2),
                           QPoint(W - 2, H - 3), QPoint(W - 3, H - 2)},
                          shadow);
        drawSingleCorners({QPoint(2, 2), QPoint(W - 3, 2), QPoint(2, H - 3), QPoint(W - 3, H - 3)},
                          ShiftColor(soft, -16));
        DrawFocus(shadow);
        result.frameColor = shadow;
        break;
    }
    }
    return result;
}

void rkButtons_H::drawRoundedEdges(OleColor light, OleColor dark, OleColor outline)
{
    const int W = m_memory.width();
    const int H = m_memory.height();
    const qreal radius = std::min(6, std::min(W, H) / 2);
    QPainter painter(&m_memory);
    // The corners outside the rounded outline take the container's colour.
    QPainterPath outside;
    outside.addRect(QRectF(m_memory.rect()));
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0, 0, W, H), radius, radius);
    painter.fillPath(outside.subtracted(rounded), platform::toQColor(m_containerBackColor));
    painter.setBrush(Qt::NoBrush);
    // The arcs of each half are drawn under a clip of that half.
    const QPolygon upperLeft({QPoint(0, 0), QPoint(W, 0), QPoint(0, H)});
    const QPolygon lowerRight({QPoint(W, 0), QPoint(W, H), QPoint(0, H)});
    painter.setClipRegion(QRegion(upperLeft));
    painter.setPen(platform::toQColor(light));
    painter.drawRoundedRect(QRect(1, 1, W - 3, H - 3), radius - 1, radius - 1);
    painter.setClipRegion(QRegion(lowerRight));
    painter.setPen(platform::toQColor(dark));
    painter.drawRoundedRect(QRect(1, 1, W - 3, H - 3), radius - 1, radius - 1);
    painter.setClipping(false);
    painter.setPen(platform::toQColor(outline));
    painter.drawRoundedRect(QRect(0, 0, W - 1, H - 1), radius, radius);
}

} // namespace rkbuttons
