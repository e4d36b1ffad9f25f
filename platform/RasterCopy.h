#pragma once

#include <QRect>

class QImage;
class QPainter;

// Block copies between bitmaps with the classic raster operations. Every copy is
// nearest-neighbour, so a 1:1 or stretched copy stays pixel-exact; a source of nullptr
// (a context that never received a bitmap) draws nothing.
namespace platform::raster {

enum class RasterOp {
    SrcCopy,    // destination = source
    SrcAnd,     // destination = source AND destination
    SrcPaint,   // destination = source OR destination
    MergePaint, // destination = NOT source OR destination
};

// The classic operation codes, as callers that store them expect.
constexpr unsigned kSrcCopy = 0x00CC0020;
constexpr unsigned kSrcAnd = 0x008800C6;
constexpr unsigned kSrcPaint = 0x00EE0086;
constexpr unsigned kMergePaint = 0x00BB0226;

// Copies width x height pixels from (sourceX, sourceY) of the source to (x, y).
void bitBlt(QPainter& destination, int x, int y, int width, int height, const QImage* source,
            int sourceX, int sourceY, RasterOp op = RasterOp::SrcCopy);

// Stretches the source rectangle onto the destination rectangle. A negative width or
// height mirrors the copy: it runs left or upwards from x or y, as the classic call does.
void stretchBlt(QPainter& destination, int x, int y, int width, int height, const QImage* source,
                int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                RasterOp op = RasterOp::SrcCopy);

} // namespace platform::raster
