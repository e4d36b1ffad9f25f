#pragma once

#include <QImage>
#include <QString>

// Draws the skin: one coherent theme of brushed lavender metal around a pale client
// area, with the caption violet and plum of the string table as accents and the
// buttons' slate for glyphs and outlines.
namespace artwork {

// The bitmap of a catalogue name at its catalogue size; a null image for a name the
// catalogue does not have.
QImage paintPiece(const QString& name);

} // namespace artwork
