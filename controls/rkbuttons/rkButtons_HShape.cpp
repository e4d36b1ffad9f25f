#include "controls/rkbuttons/rkButtons_H.h"

#include <array>

namespace rkbuttons {

using paint::ConvertColor;

namespace {

// The one-pixel shift of a pressed custom-shaped button, by ClickShift.
constexpr std::array<QPoint, 9> kClickShiftOffsets = {QPoint(0, 0),   QPoint(0, -1), QPoint(1, -1),
                                                      QPoint(-1, -1), QPoint(1, 1),  QPoint(-1, 1),
                                                      QPoint(1, 0),   QPoint(0, 1),  QPoint(-1, 0)};

} // namespace

void rkButtons_H::resizeSelf(QSize newSize)
{
    // The nested resize only renews the bitmap: the rebuild in progress does the rest.
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    resize(newSize);
    m_delayDrawing = wasDelayed;
}

bool rkButtons_H::buildCustomRegion()
{
    const QSize pictureSize = m_props.picture.isNull() ? QSize() : m_props.picture.image().size();
    if (pictureSize.isEmpty()) {
        return false;
    }
    const bool wasDelayed = m_delayDrawing;
    m_delayDrawing = true;
    const QSize fitted = customOutlineSize(pictureSize, size());
    if (fitted != size()) {
        resizeSelf(fitted);
        PrepareBuffer();
    }
    std::optional<ButtonOutline> outline = customOutline(m_props.picture, size());
    if (!outline) {
        return false; // drawing stays delayed until the next refresh or paint
    }
    m_outline = std::move(*outline);
    if (m_props.shape == Outline::CustomInset) {
        paintRing(m_memory, screenLength(false));
    } else {
        paint::frameRegion(m_memory, m_outline.window, ConvertColor(m_props.backColor));
    }
    m_faceClip = m_outline.inner1;
    m_delayDrawing = wasDelayed;
    return true;
}

void rkButtons_H::BuildButtonRegion()
{
    const int builtWidth = width();
    m_faceClip = QRegion();
    PrepareBuffer();
    if (isBoxed()) {
        const int wanted = isSlanted() ? slantedWidth(width(), height()) : width();
        if (wanted > width()) {
            resizeSelf(QSize(wanted, height()));
            PrepareBuffer();
        }
        m_outline = boxOutline(size(), m_props.shape, m_props.style, isEnabled());
        if (!slantsRight(m_props.shape)) {
            // Until the next rebuild, the edges of a button that has just widened itself
            // end where its right side was.
            m_outline.rightEdge = builtWidth;
        }
    } else if (isOval()) {
        m_outline = ovalOutline(size());
        if (m_props.style != FaceStyle::Rounded) {
            if (m_props.shape == Outline::OvalFramed) {
                paint::frameRegion(m_memory, m_outline.window, paint::kBlack);
            } else {
                paintRing(m_memory, screenLength(false));
            }
            m_faceClip = m_outline.inner1;
        }
    } else if (!buildCustomRegion()) {
        return; // the previous outline stays
    }
    setMask(m_outline.window);
    m_regionSize = size();
}

bool rkButtons_H::ApplyCustomClick()
{
    if (m_props.mode != Behaviour::Push || m_props.customClick == ClickShift::None) {
        return false;
    }
    const QPoint offset = kClickShiftOffsets[static_cast<std::size_t>(m_props.customClick)];
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
