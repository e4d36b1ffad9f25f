#include "skin/ClsPictureDC.h"

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
    if (m_width > 1 && m_height > 1) {
        m_transColor = platform::fromQColor(QColor::fromRgb(m_context.pixel(1, 1)));
    } else {
        m_transColor = kInvalidColor;
    }
}

void ClsPictureDC::attach(QImage bitmap)
{
    // Converting here, once, keeps every later copy a bare block transfer.
    m_context = bitmap.isNull() ? QImage() : bitmap.convertToFormat(QImage::Format_RGB32);
    if (m_context.isNull()) {
        m_bmType = m_width = m_height = m_widthBytes = 0;
        m_planes = m_bitsPerPixel = 0;
        return;
    }
    m_bmType = 0;
    m_width = m_context.width();
    m_height = m_context.height();
    m_widthBytes = static_cast<qint32>(m_context.bytesPerLine());
    m_planes = 1;
    m_bitsPerPixel = static_cast<qint16>(m_context.depth());
}
