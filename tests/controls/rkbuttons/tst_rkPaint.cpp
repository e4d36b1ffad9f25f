// Colour arithmetic, gradients and region outlines of the image and colour button. The rings
// and their lines show in the looks sheets.

#include "controls/rkbuttons/rkPaint.h"

#include <QTest>

using platform::OleColor;
using platform::rgb;

namespace {

QImage blank(int width, int height, QRgb fill = 0xFF000000)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    return image;
}

OleColor at(const QImage& image, int x, int y)
{
    return rkpaint::fromRgb(image.pixel(x, y));
}

struct ShiftRow
{
    const char* name;
    OleColor color;
    int shift;
    bool scaleBlue, avoidExtremes, invert;
    OleColor expected;
};

} // namespace

Q_DECLARE_METATYPE(ShiftRow)

class tst_rkPaint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shiftColor_data()
    {
        QTest::addColumn<ShiftRow>("row");
        // Green and blue are scaled by 255 and 65280: components of 128 and above come out
        // one higher than a plain shift.
        const OleColor white = 0xFFFFFF;
        const ShiftRow rows[] = {
            {"white darker", white, -32, false, false, false, rgb(223, 224, 224)},
            {"low green exact", rgb(10, 100, 50), 5, false, false, false, rgb(15, 105, 55)},
            {"high green one up", rgb(0, 200, 0), 0, false, false, false, rgb(0, 201, 0)},
            {"clamped high", white, 48, false, false, false, white},
            {"clamped low", rgb(10, 10, 10), -40, false, false, false, 0},
            // Scaled blue: B0 = 225 (0xE0 * 65536 / 65280 rounded), shift * B0 / 192 = -37.5,
            // truncated to -37.
            {"scale blue", rgb(0, 0, 0xE0), -32, true, false, false, rgb(0, 0, 225 - 37)},
            {"scale blue no blue", rgb(100, 0, 0), 48, true, false, false, rgb(148, 48, 0)},
            {"invert", rgb(10, 20, 30), 0, false, false, true, rgb(245, 235, 225)},
            {"black retries lighter", rgb(10, 10, 10), -40, false, true, false, rgb(50, 50, 50)},
            {"white retries darker", white, 10, false, true, false, rgb(245, 246, 246)},
            {"zero shift on white becomes 64, then -64", white, 0, false, true, false,
             rgb(191, 192, 192)},
            // White by +300 and by -300 are both extremes: the retries end after the third try.
            {"both signs extreme still returns", white, 300, false, true, false, white},
        };
        for (const ShiftRow& row : rows) {
            QTest::newRow(row.name) << row;
        }
    }

    void shiftColor()
    {
        QFETCH(ShiftRow, row);
        QCOMPARE(
            rkpaint::ShiftColor(row.color, row.shift, row.scaleBlue, row.avoidExtremes, row.invert),
            row.expected);
    }

    void gradientRamp()
    {
        const QList<OleColor> ramp = rkpaint::gradientRamp(rgb(0, 0, 0), rgb(100, 200, 50), 5);
        QCOMPARE(ramp.size(), 5);
        QCOMPARE(ramp.first(), rgb(0, 0, 0));
        // The end's green and blue are scaled as ShiftColor does: 200 -> 201, 50 -> 50.
        QCOMPARE(ramp.last(), rgb(100, 201, 50));
        QCOMPARE(ramp[2], rgb(50, 100, 25));
        QCOMPARE(rkpaint::gradientRamp(rgb(1, 2, 3), rgb(9, 9, 9), 1),
                 QList<OleColor>{rgb(1, 2, 3)});
        QVERIFY(rkpaint::gradientRamp(rgb(1, 2, 3), rgb(9, 9, 9), 0).isEmpty());
    }

    void gradientBands_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("bandWidth");
        QTest::newRow("mode 2, 100 wide on 1024") << 2 << QSize(100, 20) << 1024 << 1;
        QTest::newRow("mode 1, wider than a quarter") << 1 << QSize(300, 20) << 1024 << 2;
        QTest::newRow("mode 3, 100 high on 768") << 3 << QSize(20, 100) << 768 << 1;
        QTest::newRow("mode 4, taller than a quarter") << 4 << QSize(20, 201) << 768 << 2;
    }

    void gradientBands()
    {
        QFETCH(int, mode);
        QFETCH(QSize, size);
        QFETCH(int, screen);
        QFETCH(int, bandWidth);
        const OleColor c1 = rgb(0, 0, 255);
        const OleColor c2 = rgb(255, 0, 0);
        QImage image = blank(size.width(), size.height());
        rkpaint::drawGradient(image, c1, c2, mode, screen);

        const bool horizontal = mode <= 2;
        const int length = horizontal ? size.width() : size.height();
        auto sample = [&](int i) { return horizontal ? at(image, i, 3) : at(image, 3, i); };
        // Count the bands: runs of one colour along the gradient.
        int bands = 1;
        for (int i = 1; i < length; ++i) {
            if (sample(i) != sample(i - 1)) {
                ++bands;
            }
        }
        QCOMPARE(bands, length / bandWidth);
        // The ramp accumulates its steps and truncates, so its far end may fall one short.
        auto near = [](OleColor a, OleColor b) {
            const QRgb x = rkpaint::toRgb(a);
            const QRgb y = rkpaint::toRgb(b);
            return std::abs(qRed(x) - qRed(y)) <= 1 && std::abs(qGreen(x) - qGreen(y)) <= 1 &&
                   std::abs(qBlue(x) - qBlue(y)) <= 1;
        };
        const bool reversed = mode == 2 || mode == 4;
        QCOMPARE(sample(reversed ? length - 1 : 0), c1);
        QVERIFY(near(sample(reversed ? 0 : length - 1), c2));
        QVERIFY(!near(sample(reversed ? 0 : length - 1), c1));
        QCOMPARE(rkpaint::gradientBandWidth(screen, length), bandWidth);
    }

    void gradientKeepsOutsideClip()
    {
        QImage image = blank(10, 10);
        rkpaint::drawGradient(image, rgb(255, 255, 255), rgb(255, 255, 255), 1, 1024,
                              QRegion(2, 2, 3, 3));
        QCOMPARE(at(image, 3, 3), rgb(255, 255, 255));
        QCOMPARE(at(image, 0, 0), OleColor(0));
        QCOMPARE(at(image, 5, 5), OleColor(0));
    }

    void regionFrameIsTheBorder()
    {
        const QRegion frame = rkpaint::regionFrame(QRegion(0, 0, 5, 4));
        QCOMPARE(frame, QRegion(0, 0, 5, 4).subtracted(QRegion(1, 1, 3, 2)));
    }
};

QTEST_MAIN(tst_rkPaint)
#include "tst_rkPaint.moc"
