#pragma once

#include "controls/rkbuttons/rkPaint.h"
#include "platform/OleColor.h"
#include "platform/Picture.h"
#include "platform/PropertyBag.h"

#include <QString>

// The stored properties of the image and colour button: their values and defaults, the
// closed sets behind its numeric properties, and the form-file format they are kept in.
namespace rkbuttons {

using platform::OleColor;

constexpr OleColor kButtonFace = platform::kSystemColorFlag + platform::ColorButtonFace;
constexpr OleColor kButtonText = platform::kSystemColorFlag + platform::ColorButtonText;

// Each enumerator's number is what a form stores for it.
enum class FaceStyle { Standard, Soft, Framed, Flat, Outlined, Rounded, Light, Shaded };
enum class Outline {
    Rectangle,
    SlantedLeft,
    SlantedRight,
    SlantedBoth,
    Oval,
    OvalCaptionWhenSet, // the caption shows only while the button is set
    OvalFramed,
    Custom,      // cut from the picture
    CustomInset, // cut from the picture, framed one pixel further in
};
enum class Behaviour { Push, Check, Option };
enum class CaptionPlace { Left, Right, Centre };
// A caption cut into the face or standing out of it, drawn with a shadow and a highlight.
enum class CaptionRelief { Flat, Engraved, Embossed };
enum class PicturePlace {
    Left,
    BesideCaptionLeft,
    Right,
    BesideCaptionRight,
    TopCentre,
    BottomCentre,
};
// Where a pressed custom-shaped command button moves by a pixel.
enum class ClickShift { None, Up, UpRight, UpLeft, DownRight, DownLeft, Right, Down, Left };

// Outline groups: a box (rectangle or slanted), an oval, or cut from the picture.
constexpr bool slantsLeft(Outline shape)
{
    return shape == Outline::SlantedLeft || shape == Outline::SlantedBoth;
}
constexpr bool slantsRight(Outline shape)
{
    return shape == Outline::SlantedRight || shape == Outline::SlantedBoth;
}
constexpr bool isSlanted(Outline shape)
{
    return slantsLeft(shape) || slantsRight(shape);
}
constexpr bool isBoxed(Outline shape)
{
    return shape <= Outline::SlantedBoth;
}
constexpr bool isOval(Outline shape)
{
    return shape >= Outline::Oval && shape <= Outline::OvalFramed;
}
constexpr bool isCustom(Outline shape)
{
    return shape >= Outline::Custom;
}

// Picture sizes in pixels: 16 to 48 in steps of 8 (PictureSize 0 to 4). A custom shape
// keeps the largest.
constexpr int kSmallestPicture = 16;
constexpr int kLargestPicture = 48;
constexpr int kPictureSizeStep = 8;

// HoverColorLocks bits: a locked hover colour no longer follows its base colour.
constexpr int kHoverBackLocked = 1;
constexpr int kHoverForeLocked = 2;

// The pointer value that uses MouseIcon.
constexpr int kCustomPointer = 99;

// Icons and cursors draw smoothly scaled with their own transparency; bitmaps use the
// colour of their first pixel as the transparent one.
inline bool isIcon(const platform::Picture& picture)
{
    return picture.type() == platform::Picture::Type::Icon ||
           picture.type() == platform::Picture::Type::Cursor;
}

struct ButtonProperties
{
    QString caption;
    CaptionPlace captionAlign = CaptionPlace::Centre;
    CaptionRelief captionRelief = CaptionRelief::Flat;
    FaceStyle style = FaceStyle::Standard;
    Outline shape = Outline::Rectangle;
    bool showFocusRect = true;
    OleColor backColor = kButtonFace;
    OleColor foreColor = kButtonText;
    OleColor hoverBackColor = kButtonFace;
    OleColor hoverForeColor = kButtonText;
    int hoverColorLocks = 0;
    paint::GradientDirection gradient = paint::GradientDirection::None;
    OleColor gradientColor = kButtonFace;
    Behaviour mode = Behaviour::Push;
    bool value = false;
    ClickShift customClick = ClickShift::None;
    platform::Picture picture;
    PicturePlace pictureAlign = PicturePlace::Left;
    int pictureSize = kSmallestPicture; // in pixels
    int mousePointer = 0;

    // The values a form stores; any value out of range falls back to its default, so a
    // damaged form still loads. backDefault is the colour of a form that stores none.
    // The font, Enabled and the mouse icon belong to the widget and are not read here.
    static ButtonProperties read(const platform::PropertyBag& bag, OleColor backDefault);
    void write(platform::PropertyBag& bag) const;
};

} // namespace rkbuttons
