#include "controls/bevel/bvlWorkSurface.h"

#include "controls/bevel/mdlSHPCLR.h"

#include <QHash>
#include <QPainter>
#include <algorithm>

namespace bevel {

namespace {

constexpr int kPartsPerRow = 4;
constexpr QRgb kWhite = 0xFFFFFFFFu;
constexpr QRgb kBlack = 0xFF000000u;

QRgb toRgb(platform::OleColor colour)
{
    return qRgb(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                static_cast<int>((colour >> 16) & 0xFFu));
}

// A picture as opaque pixels. Pixels a picture leaves see-through (an icon's, a PNG's)
// take the transparency colour, so that the mask leaves them out as well.
QImage opaquePicture(const QImage& picture, QRgb transparency)
{
    if (!picture.hasAlphaChannel()) {
        return picture.convertToFormat(QImage::Format_RGB32);
    }
    QImage opaque(picture.size(), QImage::Format_RGB32);
    opaque.fill(transparency);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, picture);
    return opaque;
}

} // namespace

QRect bvlWorkSurface::partRect(Row row, Part part) const
{
    const QSize size = pictureSize(row);
    const int top = row == BasicRow ? 0 : m_basicSize.height();
    return QRect(QPoint(size.width() * part, top), size);
}

void bvlWorkSurface::rebuild(const QImage& basic, const QImage& hover,
                             platform::OleColor transparency)
{
    m_basicSize = basic.isNull() ? QSize(0, 0) : basic.size();
    m_hoverSize = hover.isNull() ? QSize(0, 0) : hover.size();
    const int width = kPartsPerRow * std::max(m_basicSize.width(), m_hoverSize.width());
    const int height = m_basicSize.height() + m_hoverSize.height();
    if (width == 0 || height == 0) {
        m_image = QImage();
        return;
    }
    m_image = QImage(width, height, QImage::Format_RGB32);
    m_image.fill(kBlack);
    const platform::OleColor key = mdlSHPCLR::TranslateColour(transparency);
    if (!basic.isNull()) {
        buildRow(basic, 0, key);
    }
    if (!hover.isNull()) {
        buildRow(hover, m_basicSize.height(), key);
    }
}

void bvlWorkSurface::buildRow(const QImage& picture, int top, platform::OleColor transparency)
{
    const QRgb key = toRgb(transparency);
    const QImage source = opaquePicture(picture, key);
    const int w = source.width();
    QHash<QRgb, QRgb> lightened;
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(m_image.scanLine(top + y));
        for (int x = 0; x < w; ++x) {
            const QRgb pixel = in[x] | kBlack;
            out[CopyImage * w + x] = pixel;
            if (pixel == key) {
                out[MaskImage * w + x] = kWhite;
                out[SpriteImage * w + x] = kBlack;
                out[DisabledImage * w + x] = kBlack;
                continue;
            }
            out[MaskImage * w + x] = kBlack;
            out[SpriteImage * w + x] = pixel;
            auto cached = lightened.constFind(pixel);
            if (cached == lightened.constEnd()) {
                mdlSHPCLR::HLS hls =
                    mdlSHPCLR::RGBToHLS(platform::rgb(qRed(pixel), qGreen(pixel), qBlue(pixel)));
                hls.lightness = disabledLightness(hls.lightness);
                cached = lightened.insert(pixel, toRgb(mdlSHPCLR::HLSToRGB(hls)));
            }
            out[DisabledImage * w + x] = *cached;
        }
    }
}

void bvlWorkSurface::draw(QPainter& painter, QPoint at, Row row, bool useTransparency,
                          bool disabled) const
{
    if (!hasPicture(row)) {
        return;
    }
    const QPainter::CompositionMode previous = painter.compositionMode();
    if (useTransparency) {
        painter.setCompositionMode(QPainter::RasterOp_SourceAndDestination);
        painter.drawImage(at, m_image, partRect(row, MaskImage));
        painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
        painter.drawImage(at, m_image, partRect(row, disabled ? DisabledImage : SpriteImage));
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(at, m_image, partRect(row, CopyImage));
    }
    painter.setCompositionMode(previous);
}

} // namespace bevel
