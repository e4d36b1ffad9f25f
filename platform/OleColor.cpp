#include "platform/OleColor.h"

#include <QGuiApplication>
#include <QPalette>

#include <array>

namespace platform {
namespace {

struct PaletteSource
{
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// Each classic system colour read from the closest role of the current palette.
// Index 25 was never assigned; it reads as black.
constexpr std::array<PaletteSource, 31> kSystemColors = {{
    {QPalette::Active, QPalette::Midlight},        // 0 scroll-bar track
    {QPalette::Active, QPalette::Dark},            // 1 desktop
    {QPalette::Active, QPalette::Highlight},       // 2 active caption
    {QPalette::Inactive, QPalette::Mid},           // 3 inactive caption
    {QPalette::Active, QPalette::Window},          // 4 menu
    {QPalette::Active, QPalette::Base},            // 5 window background
    {QPalette::Active, QPalette::Shadow},          // 6 window frame
    {QPalette::Active, QPalette::WindowText},      // 7 menu text
    {QPalette::Active, QPalette::Text},            // 8 window text
    {QPalette::Active, QPalette::HighlightedText}, // 9 caption text
    {QPalette::Active, QPalette::Button},          // 10 active border
    {QPalette::Inactive, QPalette::Button},        // 11 inactive border
    {QPalette::Active, QPalette::Dark},            // 12 application workspace
    {QPalette::Active, QPalette::Highlight},       // 13 highlight
    {QPalette::Active, QPalette::HighlightedText}, // 14 highlighted text
    {QPalette::Active, QPalette::Button},          // 15 button face
    {QPalette::Active, QPalette::Dark},            // 16 button shadow
    {QPalette::Disabled, QPalette::Text},          // 17 grey (disabled) text
    {QPalette::Active, QPalette::ButtonText},      // 18 button text
    {QPalette::Disabled, QPalette::ButtonText},    // 19 inactive caption text
    {QPalette::Active, QPalette::Light},           // 20 button highlight
    {QPalette::Active, QPalette::Shadow},          // 21 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 22 3-D light
    {QPalette::Active, QPalette::ToolTipText},     // 23 tooltip text
    {QPalette::Active, QPalette::ToolTipBase},     // 24 tooltip background
    {QPalette::Active, QPalette::NoRole},          // 25 unassigned
    {QPalette::Active, QPalette::Link},            // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},       // 27 active caption gradient
    {QPalette::Inactive, QPalette::Mid},           // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},       // 29 highlighted menu item
    {QPalette::Active, QPalette::Window},          // 30 menu bar
}};

} // namespace

OleColor sysColor(int index)
{
    if (index < 0 || index >= static_cast<int>(kSystemColors.size())) {
        return 0;
    }
    const PaletteSource source = kSystemColors[static_cast<std::size_t>(index)];
    if (source.role == QPalette::NoRole) {
        return 0;
    }
    return fromQColor(QGuiApplication::palette().color(source.group, source.role));
}

OleColor translateColor(OleColor color)
{
    if (isSystemColor(color)) {
        return sysColor(static_cast<int>(color & 0xFFu));
    }
    return color & 0x00FFFFFFu;
}

QColor toQColor(OleColor color)
{
    const OleColor value = translateColor(color);
    return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                  static_cast<int>((value >> 16) & 0xFFu));
}

OleColor fromQColor(const QColor& color)
{
    const QColor rgbColor = color.toRgb();
    return rgb(rgbColor.red(), rgbColor.green(), rgbColor.blue());
}

} // namespace platform
