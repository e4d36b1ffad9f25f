#pragma once

#include <QColor>
#include <QtGlobal>

// Colours as the program stores them: 0x00BBGGRR (red in the low byte), or
// 0x80000000 + index naming a system colour, which is looked up in the current
// palette at the moment of drawing.
namespace platform {

using OleColor = quint32;

constexpr OleColor kSystemColorFlag = 0x80000000u;

// The classic system-colour indexes the program names.
enum SystemColorIndex : int {
    ColorScrollbar = 0,
    ColorBackground = 1,
    ColorActiveCaption = 2,
    ColorInactiveCaption = 3,
    ColorMenu = 4,
    ColorWindow = 5,
    ColorWindowFrame = 6,
    ColorMenuText = 7,
    ColorWindowText = 8,
    ColorCaptionText = 9,
    ColorActiveBorder = 10,
    ColorInactiveBorder = 11,
    ColorAppWorkspace = 12,
    ColorHighlight = 13,
    ColorHighlightText = 14,
    ColorButtonFace = 15,
    ColorButtonShadow = 16,
    ColorGrayText = 17,
    ColorButtonText = 18,
    ColorInactiveCaptionText = 19,
    ColorButtonHighlight = 20,
    Color3DDarkShadow = 21,
    Color3DLight = 22,
    ColorInfoText = 23,
    ColorInfoBackground = 24,
    ColorHotLight = 26,
    ColorGradientActiveCaption = 27,
    ColorGradientInactiveCaption = 28,
    ColorMenuHighlight = 29,
    ColorMenuBar = 30,
};

constexpr OleColor rgb(int red, int green, int blue)
{
    return (static_cast<OleColor>(red) & 0xFFu) | ((static_cast<OleColor>(green) & 0xFFu) << 8) |
           ((static_cast<OleColor>(blue) & 0xFFu) << 16);
}

constexpr bool isSystemColor(OleColor color)
{
    return (color & kSystemColorFlag) != 0;
}

constexpr OleColor systemColor(int index)
{
    return kSystemColorFlag + static_cast<OleColor>(index);
}

// The current value of a system colour, as 0x00BBGGRR; 0 (black) for an index the
// classic list does not have.
OleColor sysColor(int index);

// A system colour replaced by its current value (its index is the low byte); any other
// value is already RGB and comes back with its top byte cleared.
OleColor translateColor(OleColor color);

QColor toQColor(OleColor color);
OleColor fromQColor(const QColor& color);

} // namespace platform
