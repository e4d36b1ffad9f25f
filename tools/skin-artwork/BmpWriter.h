#pragma once

#include <QByteArray>
#include <QImage>

// Windows bitmap files in the two formats the skin uses: 24 bits per pixel without
// compression, and 8 bits per pixel with a 256-colour palette and run-length
// compression (BI_RLE8), which Qt reads but does not write.
namespace artwork {

QByteArray encodeBmp24(const QImage& image);

// The image must have at most 256 colours; returns an empty array otherwise.
QByteArray encodeBmpRle8(const QImage& image);

// The run-length coded pixels of one bitmap of palette indexes (rows bottom-up, each
// ending with an end-of-line code, the whole ended by an end-of-bitmap code).
QByteArray encodeRle8Rows(const QImage& indexed);

} // namespace artwork
