#include "platform/RasterCopy.h"

#include <QImage>
#include <QPainter>

namespace platform::raster {
namespace {

QPainter::CompositionMode compositionFor(RasterOp op)
{
    switch (op) {
    case RasterOp::SrcCopy:
        return QPainter::CompositionMode_Source;
    case RasterOp::SrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case RasterOp::SrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case RasterOp::MergePaint:
        return QPainter::RasterOp_NotSourceOrDestination;
    }
    return QPainter::CompositionMode_Source;
}

} // namespace

void bitBlt(QPainter& destination, int x, int y, int width, int height, const QImage* source,
            int sourceX, int sourceY, RasterOp op)
{
    stretchBlt(destination, x, y, width, height, source, sourceX, sourceY, width, height, op);
}

void stretchBlt(QPainter& destination, int x, int y, int width, int height, const QImage* source,
                int sourceX, int sourceY, int sourceWidth, int sourceHeight, RasterOp op)
{
    if (!source || source->isNull() || width == 0 || height == 0 || sourceWidth <= 0 ||
        sourceHeight <= 0) {
        return;
    }
    destination.save();
    destination.setCompositionMode(compositionFor(op));
    destination.setRenderHint(QPainter::SmoothPixmapTransform, false);
    destination.setRenderHint(QPainter::Antialiasing, false);
    // QPainter draws nothing into a rectangle of negative size; a mirrored copy is a
    // flipped coordinate system with the rectangle made positive again.
    destination.translate(x, y);
    destination.scale(width < 0 ? -1.0 : 1.0, height < 0 ? -1.0 : 1.0);
    const QRect target(0, 0, qAbs(width), qAbs(height));
    const QRect sourceRect(sourceX, sourceY, sourceWidth, sourceHeight);
    destination.drawImage(target, *source, sourceRect);
    destination.restore();
}

} // namespace platform::raster
