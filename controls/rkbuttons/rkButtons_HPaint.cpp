#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/FocusMark.h"

#include <QGuiApplication>
#include <QScreen>

namespace rkbuttons {

using paint::ConvertColor;

void rkButtons_H::PrepareResource(Resource resource)
{
    switch (resource) {
    case Resource::Font:
        m_captionFont = captionFont(font());
        break;
    case Resource::Picture:
        m_pictureCache = QImage();
        if (m_props.picture.isNull()) {
            m_outline.picture = QImage();
        }
        break;
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

void rkButtons_H::LayoutCaption()
{
    const bool placesPicture = !m_props.picture.isNull() && !isCustom();
    m_layout = layoutCaption(
        size(), m_props.caption, m_captionFont, m_props.shape, m_props.captionAlign,
        placesPicture ? std::optional(m_props.pictureAlign) : std::nullopt, m_props.pictureSize);
}

bool rkButtons_H::pressedUnderMouse() const
{
    return (m_stateFlags & kStatePressed) && (m_stateFlags & kStateHover);
}

int rkButtons_H::screenLength(bool horizontal)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->size() : QSize(1024, 768);
    return horizontal ? screenSize.width() : screenSize.height();
}

QImage rkButtons_H::pictureBitmap(QSize size) const
{
    if (m_props.pictureIsIcon()) {
        return m_props.picture.image();
    }
    if (isCustom() && m_outline.picture.size() == size) {
        return m_outline.picture;
    }
    if (size.isEmpty()) {
        return {};
    }
    if (m_pictureCache.size() != size) {
        // Scaled without smoothing, as a plain stretch copies pixels: the colour key
        // survives.
        m_pictureCache = paint::normaliseColorKey(
            m_props.picture.image()
                .convertToFormat(QImage::Format_RGB32)
                .scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    return m_pictureCache;
}

ButtonLook rkButtons_H::currentLook() const
{
    ButtonLook look;
    look.style = m_props.style;
    look.shape = m_props.shape;
    look.mode = m_props.mode;
    look.enabled = isEnabled();
    look.hovering = Hovering();
    look.pressed = pressedUnderMouse();
    look.pressedLook = m_pressedLook;
    look.value = m_props.value;
    look.isDefault = (m_stateFlags & kStateDefault) != 0;

    // System colours are looked up at every drawing, so a new colour scheme shows at once.
    look.palette = facePalette(m_props.style, ConvertColor(m_props.backColor),
                               ConvertColor(m_props.hoverBackColor));
    look.backColor = ConvertColor(m_props.backColor);
    look.captionColor =
        ConvertColor(look.hovering && !look.pressed ? m_props.hoverForeColor : m_props.foreColor);
    look.containerColor = m_containerBackColor;
    look.gradient = m_props.gradient;
    look.gradientColor = ConvertColor(m_props.gradientColor);
    look.gradientWhileHovering = m_props.gradientColor == m_props.hoverBackColor;
    look.screenLength = screenLength(paint::gradientIsHorizontal(m_props.gradient));
    look.outline = m_outline;
    look.faceClip = m_faceClip;

    // A pressed button shows its caption and picture a pixel further down (and right, in
    // a box); the flat style stays still.
    const bool pushed = (m_pressedLook || look.pressed) && m_props.style != FaceStyle::Flat;
    const QPoint offset = pushed ? (isBoxed() ? QPoint(1, 1) : QPoint(0, 1)) : QPoint();
    if (isBoxed() || m_props.shape == Outline::Oval || m_props.value) {
        look.caption = m_layout.text;
    }
    look.font = m_captionFont;
    look.captionRect = m_layout.caption.translated(offset);
    look.captionAlign = m_props.captionAlign;
    look.captionRelief = m_props.captionRelief;
    // A custom shape shows its picture as its whole face, and nothing while it is set.
    if (!m_props.picture.isNull() && !(isCustom() && m_props.value)) {
        QRect rect = m_layout.picture.translated(offset);
        if (isCustom()) {
            rect = m_memory.rect();
            if (look.pressed) {
                rect.adjust(1, 1, -1, -1);
            }
        }
        look.pictureRect = rect;
        look.pictureIsIcon = m_props.pictureIsIcon();
        look.picture = pictureBitmap(rect.size());
    }
    return look;
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
    if (isCustom() && m_props.mode == Behaviour::Push) {
        ApplyCustomClick();
    }
    const ButtonLook look = currentLook();
    const PaintResult result = paintButton(m_memory, look);
    m_defaultMarkDrawn = result.focusMarkDrawn;
    m_screen = m_memory;
    frameOutline(m_screen, look, result.frameColor);
    update();
}

} // namespace rkbuttons
