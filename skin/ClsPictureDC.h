#pragma once

#include "platform/OleColor.h"

#include <QImage>

namespace skin {

// One bitmap held ready for raster copies, with its header fields and the colour that
// sprite drawing treats as transparent. The skin engine and the skinned controls copy
// every piece of their artwork from objects of this class.
class ClsPictureDC
{
public:
    // What GetPixel answers for a pixel outside the bitmap.
    static constexpr platform::OleColor kInvalidColor = 0xFFFFFFFFu;

    ClsPictureDC() = default;

    platform::OleColor TransColor() const { return m_transColor; }
    void setTransColor(platform::OleColor color) { m_transColor = color; }

    // Attaches a bitmap. The memory context holds it converted once for painting, so the
    // giver's image stays its own.
    void setStdBitmap(const QImage& bitmap);
    // Attaches a copy of a picture's composed image that belongs to this object alone,
    // and takes TransColor from its pixel (1, 1).
    void setPictBitmap(const QImage& composedImage);

    // The memory context: nullptr until a bitmap was attached. Copies from it never
    // convert anything.
    const QImage* hDC() const { return m_context.isNull() ? nullptr : &m_context; }
    QImage* hDC() { return m_context.isNull() ? nullptr : &m_context; }

    // The header fields, read from the attached bitmap; all 0 before one is attached.
    qint32 bmType() const { return 0; }
    qint32 Width() const { return m_context.width(); }
    qint32 Height() const { return m_context.height(); }
    qint32 WidthBytes() const { return static_cast<qint32>(m_context.bytesPerLine()); }
    qint16 Planes() const { return m_context.isNull() ? 0 : 1; }
    qint16 BitsPerPixel() const { return static_cast<qint16>(m_context.depth()); }
    // Always 0: the bitmap is device-dependent, its bits are not handed out.
    qint32 Bits() const { return 0; }

private:
    void attach(QImage bitmap);

    QImage m_context;
    platform::OleColor m_transColor = 0;
};

} // namespace skin
