#include "BmpWriter.h"

#include <QHash>
#include <QList>

namespace artwork {
namespace {

void put16(QByteArray& out, quint16 value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

void put32(QByteArray& out, quint32 value)
{
    put16(out, static_cast<quint16>(value & 0xFFFF));
    put16(out, static_cast<quint16>(value >> 16));
}

QByteArray headers(int width, int height, int bitCount, quint32 compression, int paletteSize,
                   quint32 pixelBytes)
{
    const quint32 offset = 14 + 40 + static_cast<quint32>(paletteSize) * 4;
    QByteArray out;
    out.append("BM", 2);
    put32(out, offset + pixelBytes);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, static_cast<quint32>(width));
    put32(out, static_cast<quint32>(height));
    put16(out, 1);
    put16(out, static_cast<quint16>(bitCount));
    put32(out, compression);
    put32(out, pixelBytes);
    put32(out, 2835); // 72 dots per inch
    put32(out, 2835);
    put32(out, static_cast<quint32>(paletteSize));
    put32(out, 0);
    return out;
}

} // namespace

QByteArray encodeBmp24(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int stride = (image.width() * 3 + 3) & ~3;
    QByteArray pixels;
    pixels.reserve(stride * image.height());
    for (int y = image.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            pixels.append(static_cast<char>(qBlue(line[x])));
            pixels.append(static_cast<char>(qGreen(line[x])));
            pixels.append(static_cast<char>(qRed(line[x])));
        }
        while (pixels.size() % stride != 0) {
            pixels.append('\0');
        }
    }
    return headers(image.width(), image.height(), 24, 0, 0, static_cast<quint32>(pixels.size())) +
           pixels;
}

QByteArray encodeRle8Rows(const QImage& indexed)
{
    QByteArray out;
    const int width = indexed.width();
    for (int y = indexed.height() - 1; y >= 0; --y) {
        const uchar* line = indexed.constScanLine(y);
        int x = 0;
        while (x < width) {
            int run = 1;
            while (x + run < width && run < 255 && line[x + run] == line[x]) {
                ++run;
            }
            if (run >= 2) {
                out.append(static_cast<char>(run));
                out.append(static_cast<char>(line[x]));
                x += run;
                continue;
            }
            // A literal stretch up to the next pair of equal pixels. Absolute mode needs
            // at least three pixels; shorter stretches go out as runs of one.
            int literal = 1;
            while (x + literal < width && literal < 255 &&
                   !(x + literal + 1 < width && line[x + literal] == line[x + literal + 1])) {
                ++literal;
            }
            if (literal < 3) {
                for (int i = 0; i < literal; ++i) {
                    out.append('\x01');
                    out.append(static_cast<char>(line[x + i]));
                }
            } else {
                out.append('\0');
                out.append(static_cast<char>(literal));
                out.append(reinterpret_cast<const char*>(line + x), literal);
                if (literal % 2 != 0) {
                    out.append('\0'); // absolute runs end on a 16-bit boundary
                }
            }
            x += literal;
        }
        out.append('\0');
        out.append(y == 0 ? '\x01' : '\0'); // end of bitmap after the top row
    }
    return out;
}

QByteArray encodeBmpRle8(const QImage& source)
{
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> palette;
    QHash<QRgb, int> indexOf;
    QImage indexed(image.size(), QImage::Format_Indexed8);
    indexed.setColorCount(256);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb colour = image.pixel(x, y) | 0xFF000000u;
            auto it = indexOf.find(colour);
            if (it == indexOf.end()) {
                if (palette.size() == 256) {
                    return {};
                }
                it = indexOf.insert(colour, static_cast<int>(palette.size()));
                palette.append(colour);
            }
            indexed.setPixel(x, y, static_cast<uint>(*it));
        }
    }
    while (palette.size() < 256) {
        palette.append(qRgb(0, 0, 0));
    }
    indexed.setColorTable(palette);
    const QByteArray rle = encodeRle8Rows(indexed);
    QByteArray out =
        headers(image.width(), image.height(), 8, 1, 256, static_cast<quint32>(rle.size()));
    for (QRgb colour : palette) {
        out.append(static_cast<char>(qBlue(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qRed(colour)));
        out.append('\0');
    }
    return out + rle;
}

} // namespace artwork
