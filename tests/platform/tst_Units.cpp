// The host's numbers and pictures: twips and pixels, rounding, colours (plain ones and system
// colours), the codes of keys, mouse buttons and shift keys, and raster copies.

#include "platform/InputCodes.h"
#include "platform/OleColor.h"
#include "platform/RasterCopy.h"
#include "platform/Units.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QTest>

using platform::raster::RasterOp;

namespace {

// The pixels of a 32-bit image, row by row, and an image over such pixels.
QList<QRgb> pixels(const QImage& image)
{
    const auto* first = reinterpret_cast<const QRgb*>(image.constBits());
    return QList<QRgb>(first, first + qsizetype(image.width()) * image.height());
}

QImage image(const QList<QRgb>& pixels, int width)
{
    return QImage(reinterpret_cast<const uchar*>(pixels.constData()), width,
                  int(pixels.size()) / width, QImage::Format_RGB32)
        .copy();
}

} // namespace

class tst_Units : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        platform::setTwipsPerPixelOverride(0);
        QApplication::setPalette(QPalette());
    }

    // Halves go to the even neighbour, also below zero; large and nearly-half values as expected.
    void roundingHalfToEvenAlsoInConversions()
    {
        using namespace platform;
        QCOMPARE(QList<qint64>({roundHalfEven(0.5), roundHalfEven(1.5), roundHalfEven(-2.5),
                                roundHalfEven(2.4999999), roundHalfEven(2.5000001),
                                roundHalfEven(-2.5000001), roundHalfEven(4294967296.5)}),
                 QList<qint64>({0, 2, -2, 2, 3, -3, 4294967296}));
        // The offscreen screen reports 96 dots per inch: 15 twips to the pixel. Conversions
        // round that way too, also at other densities.
        QCOMPARE(QVariantList({twipsPerPixelY(), twipsToPixelsX(600), pixelsToTwipsY(21)}),
                 QVariantList({15.0, 40, 315.0}));
        setTwipsPerPixelOverride(10); // 2.5 pixels round to 2, 3.5 to 4
        QCOMPARE(QVariantList({twipsToPixelsX(25), twipsToPixelsY(35), twipsToPixelsX(-25),
                               pixelsToTwipsX(1.5)}),
                 QVariantList({2, 4, -2, 15.0}));
        setTwipsPerPixelOverride(0);
        QCOMPARE(twipsPerPixelX(), 15.0);
    }

    // Channels keep their places; stray bits above the blue byte of a plain colour are
    // dropped, not misread; unknown system colour indexes are black. Each known index reads
    // its own palette role: only that role gets the test colour, so an index that reads a
    // neighbouring role by a table typo sees the default palette. The colour is read at the
    // moment of use, so it follows a palette change.
    void coloursKeepTheirChannelsAndIndexesReadTheirPaletteRole()
    {
        using namespace platform;
        QCOMPARE(
            QList<OleColor>({rgb(0x39, 0x45, 0x57), fromQColor(QColor(74, 10, 167)),
                             translateColor(0x01123456), sysColor(25), sysColor(31), sysColor(-1)}),
            QList<OleColor>({0x574539, 0xA70A4A, 0x123456, 0, 0, 0}));
        QCOMPARE(toQColor(0x574539), QColor(0x39, 0x45, 0x57));
        // The inactive caption text is the disabled button text.
        const std::tuple<int, QPalette::ColorRole, QPalette::ColorGroup> rows[] = {
            {ColorButtonFace, QPalette::Button, QPalette::All},
            {ColorButtonText, QPalette::ButtonText, QPalette::All},
            {ColorInactiveCaptionText, QPalette::ButtonText, QPalette::Disabled}};
        for (const auto& [index, role, group] : rows) {
            QPalette palette;
            palette.setColor(group, role, QColor(128, 129, 130));
            QApplication::setPalette(palette);
            QCOMPARE(sysColor(index), rgb(128, 129, 130));
            palette.setColor(group, role, QColor(10, 20, 30));
            QApplication::setPalette(palette);
            QCOMPARE(toQColor(systemColor(index)), QColor(10, 20, 30));
        }
    }

    // Letters are their capitals, digits their characters; Backtab and keypad Enter share the
    // codes of Tab and Return; lower-case characters have none.
    void keysButtonsAndModifiersGiveTheirCodes()
    {
        using namespace Qt;
        using namespace platform::input;
        QCOMPARE(QList<int>({keyCode(Key_Q), keyCode(Key_7), keyCode(Key_F1), keyCode(Key_F24),
                             keyCode(Key_Enter), keyCode(Key_Backtab), keyCode('q')}),
                 QList<int>({0x51, 0x37, 0x70, 0x87, 0x0D, 0x09, 0}));
        // The button, the buttons held and the modifiers give their codes: meta, keypad and
        // extra buttons have none.
        const auto all =
            ShiftModifier | ControlModifier | AltModifier | MetaModifier | KeypadModifier;
        QCOMPARE(QList<int>({buttonCode(LeftButton), buttonCode(RightButton),
                             buttonCode(MiddleButton), buttonCode(BackButton),
                             buttonsCode(LeftButton | RightButton | MiddleButton | BackButton),
                             buttonsCode(BackButton)}),
                 QList<int>({1, 2, 4, 0, 7, 0}));
        QCOMPARE(QList<int>({shiftState(ShiftModifier), shiftState(ControlModifier),
                             shiftState(AltModifier), shiftState(all), shiftState(NoModifier)}),
                 QList<int>({1, 2, 4, 7, 0}));
    }

    // Copy, AND, OR, and NOT source OR destination, inside the target rectangle only.
    void copiesCombineInsideTheTargetAndStretchesMirror()
    {
        using enum RasterOp;
        const QRgb source = qRgb(0x0F, 0xF0, 0x33), destination = qRgb(0x55, 0x55, 0xA0);
        const std::pair<RasterOp, QRgb> rows[] = {{SrcCopy, source},
                                                  {SrcAnd, qRgb(0x05, 0x50, 0x20)},
                                                  {SrcPaint, qRgb(0x5F, 0xF5, 0xB3)},
                                                  {MergePaint, qRgb(0xF5, 0x5F, 0xEC)}};
        const QImage sourceImage = image(QList<QRgb>(9, source), 3);
        for (const auto& [op, expected] : rows) {
            QImage target = image(QList<QRgb>(25, destination), 5);
            {
                QPainter dc(&target);
                platform::raster::bitBlt(dc, 1, 1, 3, 3, &sourceImage, 0, 0, op);
            }
            QCOMPARE(QList<QRgb>({target.pixel(0, 0), target.pixel(1, 1), target.pixel(3, 3),
                                  target.pixel(4, 4)}),
                     QList<QRgb>({destination, expected, expected, destination}));
        }
        // Stretching copies nearest-neighbour; a negative height runs upwards from y, the
        // source's top lowest; an empty source, like none at all, draws nothing.
        const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0);
        const QRgb one = qRgb(1, 1, 1), two = qRgb(2, 2, 2), three = qRgb(3, 3, 3);
        const std::tuple<QImage, QSize, QRect, QList<QRgb>> stretches[] = {
            {image({red, blue}, 2),
             QSize(6, 2),
             QRect(0, 0, 6, 2),
             {red, red, red, blue, blue, blue, red, red, red, blue, blue, blue}},
            {image({one, two, three}, 1),
             QSize(1, 8),
             QRect(0, 6, 1, -3),
             {black, black, black, three, two, one, black, black}},
            {QImage(), QSize(2, 2), QRect(0, 0, 2, 2), {black, black, black, black}}};
        for (const auto& [source, size, to, expected] : stretches) {
            QImage target =
                image(QList<QRgb>(qsizetype(size.width()) * size.height(), black), size.width());
            {
                QPainter dc(&target);
                platform::raster::stretchBlt(dc, to.x(), to.y(), to.width(), to.height(), &source,
                                             0, 0, source.width(), source.height());
                platform::raster::bitBlt(dc, 0, 0, size.width(), size.height(), nullptr, 0, 0);
            }
            QCOMPARE(pixels(target), expected);
        }
    }
};

QTEST_MAIN(tst_Units)
#include "tst_Units.moc"
