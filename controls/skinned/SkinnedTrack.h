#pragma once

#include "skin/ClsPictureDC.h"

#include <QString>
#include <initializer_list>
#include <utility>

class QPainter;

// What the scroll bar's track and the progress bar's trough have in common: both are
// two end pieces around a tiled middle piece, loaded from the skin by name.
namespace skinned {

// Attaches each named skin bitmap to its picture. A missing bitmap is reported under
// the given procedure and module, and stops the loading (false).
bool loadSkinPictures(std::initializer_list<std::pair<skin::ClsPictureDC*, QString>> pictures,
                      const QString& procedure, const QString& module);

// Draws the track into a width x height pixel area. Horizontal: the middle piece tiled
// from the left at its own width, then the end pieces 1.2 times their width; with a
// border the pieces leave the bottom two rows alone. Vertical: the middle piece tiled
// from the top at its own height, the end pieces at theirs, all as wide as the area.
void paintTrack(QPainter& dc, int width, int height, bool horizontal, bool bordered,
                const skin::ClsPictureDC& middle, const skin::ClsPictureDC& lowEnd,
                const skin::ClsPictureDC& highEnd);

} // namespace skinned
