// Writes every bitmap of the skin catalogue into the folder given on the command line,
// each in its catalogue size and format, and checks that each reads back pixel-exact.

#include "BmpWriter.h"
#include "SkinPainter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QTextStream>
#include <cstdio>

namespace {

struct CatalogueEntry
{
    const char* name;
    int width;
    int height;
    bool rle8;
};

constexpr CatalogueEntry kCatalogue[] = {
    {"BACKGROUND", 97, 92, false},   {"TOPLEFT", 31, 46, false},      {"TOPRIGHT", 140, 32, false},
    {"BOTTOMLEFT", 13, 19, false},   {"BOTTOMRIGHT", 14, 22, false},  {"TOPFORM", 60, 32, false},
    {"BOTTOMFORM", 75, 9, false},    {"LEFTFORM", 6, 59, false},      {"RIGHTFORM", 5, 60, false},
    {"CLOSEUP", 21, 21, false},      {"CLOSEDN", 21, 21, false},      {"RESTOREUP", 21, 21, false},
    {"RESTOREDN", 21, 21, false},    {"MINIUP", 21, 20, false},       {"MINIDN", 21, 20, false},
    {"BUTTONUP", 95, 22, false},     {"BUTTONDN", 95, 22, false},     {"CHECKOFF", 12, 12, false},
    {"CHECKON", 12, 12, false},      {"RADIOOFF", 12, 12, false},     {"RADIOON", 12, 12, false},
    {"SBACKGROUND", 273, 74, false}, {"HLEFT", 12, 22, true},         {"HRIGHT", 12, 22, true},
    {"HLEFTUP", 10, 13, true},       {"HLEFTDN", 10, 13, true},       {"HRIGHTUP", 10, 13, true},
    {"HRIGHTDN", 10, 13, true},      {"MHSCROLL", 36, 22, true},      {"THUMB", 14, 13, true},
    {"VSCROLLTOP", 22, 12, true},    {"VSCROLLBOTTOM", 22, 12, true}, {"VMIDSCROLL", 22, 36, true},
    {"VUPUP", 13, 10, true},         {"VUPDN", 13, 10, true},         {"VDNUP", 13, 10, true},
    {"VDNDN", 13, 10, true},         {"VTHUMB", 13, 14, true},        {"HBPROGLEFT", 19, 19, true},
    {"HBPROGRIGHT", 19, 19, true},   {"HBPROGMID", 60, 19, true},     {"HPROGRESS", 109, 14, true},
    {"VPROGUP", 19, 19, true},       {"VPROGDN", 19, 19, true},       {"VBPROGMID", 19, 60, true},
    {"VPROGRESS", 14, 109, true},
};

// Brings an image down to at most 256 colours by dropping low bits until it fits.
QImage fitPalette(const QImage& image)
{
    for (int dropped = 0; dropped < 8; ++dropped) {
        const uint mask = (0xFFu << dropped) & 0xFFu;
        QImage reduced = image.convertToFormat(QImage::Format_RGB32);
        QHash<QRgb, bool> colours;
        for (int y = 0; y < reduced.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(reduced.scanLine(y));
            for (int x = 0; x < reduced.width(); ++x) {
                line[x] = qRgb(int(qRed(line[x]) & mask), int(qGreen(line[x]) & mask),
                               int(qBlue(line[x]) & mask));
                colours.insert(line[x], true);
            }
        }
        if (colours.size() <= 256) {
            return reduced;
        }
    }
    return {};
}

bool samePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if ((a.pixel(x, y) | 0xFF000000u) != (b.pixel(x, y) | 0xFF000000u)) {
                return false;
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin-artwork <output folder>\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (const CatalogueEntry& entry : kCatalogue) {
        const QString name = QString::fromLatin1(entry.name);
        QImage image = artwork::paintPiece(name);
        if (image.size() != QSize(entry.width, entry.height)) {
            std::fprintf(stderr, "%s: drawn %dx%d, catalogue says %dx%d\n", entry.name,
                         image.width(), image.height(), entry.width, entry.height);
            ++failures;
            continue;
        }
        if (entry.rle8) {
            image = fitPalette(image);
        }
        const QByteArray data =
            entry.rle8 ? artwork::encodeBmpRle8(image) : artwork::encodeBmp24(image);
        const QImage back = QImage::fromData(data, "BMP");
        if (data.isEmpty() || !samePixels(image, back)) {
            std::fprintf(stderr, "%s: does not read back pixel-exact\n", entry.name);
            ++failures;
            continue;
        }
        QFile file(folder.filePath(name + QStringLiteral(".bmp")));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            std::fprintf(stderr, "%s: cannot write %s\n", entry.name, qPrintable(file.fileName()));
            ++failures;
            continue;
        }
    }
    std::printf("%d bitmaps written to %s, %d failed\n",
                static_cast<int>(std::size(kCatalogue)) - failures, argv[1], failures);
    return failures == 0 ? 0 : 1;
}
