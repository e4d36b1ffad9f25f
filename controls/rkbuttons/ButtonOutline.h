#pragma once

#include "controls/rkbuttons/ButtonProperties.h"

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QSize>
#include <optional>

// The outlines of the image and colour button: its window region for each shape, the
// regions one and two pixels inside it, and where slanted sides meet the top and bottom.
namespace rkbuttons {

struct ButtonOutline
{
    QRegion window;    // the button's mask
    QRegion inner1;    // one pixel in, for ovals and custom shapes
    QRegion inner2;    // two pixels in
    int leftInset = 0; // where a slanted left side meets the bottom
    int rightEdge = 0; // where a slanted right side meets the top
    QImage picture;    // a custom shape's picture at its size, its colour key made exact
};

// A slanted side is as wide as the button is high.
int slantWidth(int height);
// The width a slanted button needs for a face at least five pixels wide.
int slantedWidth(int width, int height);

// The rectangle and the slanted outlines, with the corners the face style cuts.
ButtonOutline boxOutline(QSize size, Outline shape, FaceStyle style, bool enabled);
ButtonOutline ovalOutline(QSize size);
// The size a custom shape takes: its picture scaled to fit the button, aspect kept.
QSize customOutlineSize(QSize pictureSize, QSize buttonSize);
// The outline cut from the picture scaled to size: the pixels near the colour of its first
// pixel are left out. Nothing when the picture cannot be scaled.
std::optional<ButtonOutline> customOutline(const platform::Picture& picture, QSize size);

// Where the dotted focus rectangle goes, inside the edges.
QRect focusRect(QSize size, Outline shape, const ButtonOutline& outline);

} // namespace rkbuttons
