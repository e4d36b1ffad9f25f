#pragma once

#include "controls/rkbuttons/ButtonOutline.h"
#include "controls/rkbuttons/ButtonProperties.h"
#include "controls/rkbuttons/rkPaint.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QString>

// How the image and colour button looks at one moment, as a plain value, and the painters
// that draw it into the button's off-screen image.
namespace rkbuttons {

// The tones a face style is drawn from, made from the back and hover colours.
struct FacePalette
{
    OleColor face = 0;
    OleColor shade = 0;
    OleColor hoverFace = 0;
    OleColor checkedFace = 0;
};

// back and hover are RGB (system colours already looked up).
FacePalette facePalette(FaceStyle style, OleColor back, OleColor hover);

// Everything one drawing of the button depends on, taken from its properties and state.
struct ButtonLook
{
    FaceStyle style = FaceStyle::Standard;
    Outline shape = Outline::Rectangle;
    Behaviour mode = Behaviour::Push;

    bool enabled = true;
    bool hovering = false;
    bool pressed = false;     // held down with the mouse over it, or by its key
    bool pressedLook = false; // held down, wherever the mouse is
    bool value = false;
    bool isDefault = false; // the form's default button

    // Colours, all RGB.
    FacePalette palette;
    OleColor backColor = 0; // a custom shape's hover frame in this colour is left out
    OleColor captionColor = 0;
    OleColor containerColor = 0; // shows in the cut corners of the rounded style
    paint::GradientDirection gradient = paint::GradientDirection::None;
    OleColor gradientColor = 0;
    // While hovering, a gradient stays only when the hover colour is the gradient colour.
    bool gradientWhileHovering = false;
    int screenLength = 0; // the screen's size along the gradient

    // The caption and the picture where they are drawn now (a pressed button shows them a
    // pixel further down). An empty text or picture is not drawn.
    QString caption;
    QFont font;
    QRect captionRect;
    CaptionPlace captionAlign = CaptionPlace::Centre;
    CaptionRelief captionRelief = CaptionRelief::Flat;
    QImage picture; // a bitmap already at its rectangle's size, or an icon at any size
    bool pictureIsIcon = false;
    QRect pictureRect;

    ButtonOutline outline;
    QRegion faceClip; // empty: the whole image
};

// What a drawing left for the presentation.
struct PaintResult
{
    OleColor frameColor = paint::kBlack; // for frameOutline
    bool focusMarkDrawn = false;         // the default button's dotted rectangle is in it
};

// Draws the face, picture, caption and edges of the look over the off-screen image.
// Pixels outside a non-empty face clip keep what paintRing or the outline's frame left.
PaintResult paintButton(QImage& image, const ButtonLook& look);

// Frames an oval or custom outline on the presented copy of the image.
void frameOutline(QImage& image, const ButtonLook& look, OleColor frameColor);

// The shaded ring under the face of ovals and inset custom shapes: white at the top to
// grey at the bottom.
void paintRing(QImage& image, int screenLength);

} // namespace rkbuttons
