#include "skin/ClsPictureDC.h"

namespace skin {

void ClsPictureDC::setStdBitmap(const QImage& bitmap)
{
    attach(bitmap);
}

void ClsPictureDC::setPictBitmap(const QImage& composedImage)
{
    // copy() detaches at once: the picture the caller keeps may be drawn on or replaced
    // later, and this object (or a second one attached to the same picture) keeps its
    // own bitmap for its whole life.
    attach(composedImage.copy());
    if (Width() > 1 && Height() > 1) {
        m_transColor = platform::fromQColor(QColor::fromRgb(m_context.pixel(1, 1)));
    } else {
        m_transColor = kInvalidColor;
    }
}

void ClsPictureDC::attach(QImage bitmap)
{
    // Converting here, once, keeps every later copy a bare block transfer.
    m_context = bitmap.isNull() ? QImage() : bitmap.convertToFormat(QImage::Format_RGB32);
}

} // namespace skin
