#include "controls/skinned/SkinnedTrack.h"

#include "platform/RasterCopy.h"
#include "platform/Resources.h"
#include "platform/Units.h"
#include "skin/ClsPictureDC.h"
#include "skin/ReportError.h"

namespace skinned {

bool loadSkinPictures(std::initializer_list<std::pair<skin::ClsPictureDC*, QString>> pictures,
                      const QString& procedure, const QString& module)
{
    for (const auto& [picture, name] : pictures) {
        const std::optional<QImage> bitmap = platform::resources::bitmap(name);
        if (!bitmap) {
            skin::ReportError(skin::kErrResourceNotFound, skin::resourceNotFoundText(name),
                              procedure, module);
            return false;
        }
        picture->setStdBitmap(*bitmap);
    }
    return true;
}

void paintTrack(QPainter& dc, int width, int height, bool horizontal, bool bordered,
                const skin::ClsPictureDC& middle, const skin::ClsPictureDC& lowEnd,
                const skin::ClsPictureDC& highEnd)
{
    using platform::raster::stretchBlt;
    const auto stretch = [&dc](const skin::ClsPictureDC& picture, int x, int y, int w, int h) {
        stretchBlt(dc, x, y, w, h, picture.hDC(), 0, 0, picture.Width(), picture.Height());
    };
    if (horizontal) {
        if (middle.Width() <= 0) {
            return;
        }
        const int h = bordered ? height - 2 : height;
        // Rounded, not truncated, and inclusive: the last piece may hang over the end.
        const auto count = platform::roundHalfEven(double(width) / middle.Width());
        for (qint64 i = 0; i <= count; ++i) {
            stretch(middle, static_cast<int>(i * middle.Width()), 0, middle.Width(), h);
        }
        const int highWidth = static_cast<int>(platform::roundHalfEven(highEnd.Width() * 1.2));
        const int lowWidth = static_cast<int>(platform::roundHalfEven(lowEnd.Width() * 1.2));
        stretch(highEnd, width - highWidth, 0, highWidth, h);
        stretch(lowEnd, 0, 0, lowWidth, h);
        return;
    }
    if (middle.Height() <= 0) {
        return;
    }
    const auto count = platform::roundHalfEven(double(height) / middle.Height());
    for (qint64 i = 0; i <= count; ++i) {
        stretch(middle, 0, static_cast<int>(i * middle.Height()), width, middle.Height());
    }
    stretch(lowEnd, 0, 0, width, lowEnd.Height());
    stretch(highEnd, 0, height - highEnd.Height(), width, highEnd.Height());
}

} // namespace skinned
