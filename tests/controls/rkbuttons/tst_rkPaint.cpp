// Colour arithmetic, gradients, rings and region outlines of the image and colour button.

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

} // namespace

class tst_rkPaint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shiftColor_data()
    {
        QTest::addColumn<OleColor>("color");
        QTest::addColumn<int>("shift");
        QTest::addColumn<bool>("scaleBlue");
        QTest::addColumn<bool>("avoidExtremes");
        QTest::addColumn<bool>("invert");
        QTest::addColumn<OleColor>("expected");
        // Green and blue are scaled by 255 and 65280: components of 128 and above come out
        // one higher than a plain shift.
        QTest::newRow("white darker")
            << OleColor(0xFFFFFF) << -32 << false << false << false << rgb(223, 224, 224);
        QTest::newRow("low green exact")
            << rgb(10, 100, 50) << 5 << false << false << false << rgb(15, 105, 55);
        QTest::newRow("high green one up")
            << rgb(0, 200, 0) << 0 << false << false << false << rgb(0, 201, 0);
        QTest::newRow("clamped high")
            << OleColor(0xFFFFFF) << 48 << false << false << false << OleColor(0xFFFFFF);
        QTest::newRow("clamped low")
            << rgb(10, 10, 10) << -40 << false << false << false << OleColor(0);
        // Scaled blue: B0 = 225 (0xE0 * 65536 / 65280 rounded), shift * B0 / 192 = -37.5,
        // truncated to -37.
        QTest::newRow("scale blue")
            << rgb(0, 0, 0xE0) << -32 << true << false << false << rgb(0, 0, 225 - 37);
        QTest::newRow("scale blue no blue")
            << rgb(100, 0, 0) << 48 << true << false << false << rgb(148, 48, 0);
        QTest::newRow("invert") << rgb(10, 20, 30) << 0 << false << false << true
                                << rgb(245, 235, 225);
        QTest::newRow("black retries lighter")
            << rgb(10, 10, 10) << -40 << false << true << false << rgb(50, 50, 50);
        QTest::newRow("white retries darker")
            << OleColor(0xFFFFFF) << 10 << false << true << false << rgb(245, 246, 246);
        QTest::newRow("zero shift on white becomes 64, then -64")
            << OleColor(0xFFFFFF) << 0 << false << true << false << rgb(191, 192, 192);
        // White by +300 and by -300 are both extremes: the retries end after the third try.
        QTest::newRow("both signs extreme still returns")
            << OleColor(0xFFFFFF) << 300 << false << true << false << OleColor(0xFFFFFF);
    }

    void shiftColor()
    {
        QFETCH(OleColor, color);
        QFETCH(int, shift);
        QFETCH(bool, scaleBlue);
        QFETCH(bool, avoidExtremes);
        QFETCH(bool, invert);
        QFETCH(OleColor, expected);
        QCOMPARE(rkpaint::ShiftColor(color, shift, scaleBlue, avoidExtremes, invert), expected);
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

    void linesLeaveOutTheirLastPoint()
    {
        QImage image = blank(10, 10);
        rkpaint::drawLine(image, QPoint(1, 1), QPoint(5, 1), 0xFFFFFF);
        QCOMPARE(at(image, 1, 1), OleColor(0xFFFFFF));
        QCOMPARE(at(image, 4, 1), OleColor(0xFFFFFF));
        QCOMPARE(at(image, 5, 1), OleColor(0));
    }

    void rectangleRings()
    {
        // Outer ring on the border, middle one pixel inside, inner two pixels inside; each
        // side in its own colour, and a side without a colour is left alone.
        const int W = 20;
        const int H = 12;
        QImage image = blank(W, H);
        rkpaint::EdgeColors colors{};
        colors[rkpaint::Outer + rkpaint::Left] = rgb(1, 0, 0);
        colors[rkpaint::Outer + rkpaint::Top] = rgb(2, 0, 0);
        colors[rkpaint::Outer + rkpaint::Right] = rgb(3, 0, 0);
        colors[rkpaint::Outer + rkpaint::Bottom] = rgb(4, 0, 0);
        colors[rkpaint::Middle + rkpaint::Top] = rgb(5, 0, 0);
        colors[rkpaint::Inner + rkpaint::Right] = rgb(6, 0, 0);
        rkpaint::EdgeGeometry geometry{W, H, 0, W, false, false};
        rkpaint::drawEdges(image, geometry, colors);

        QCOMPARE(at(image, 0, 5), rgb(1, 0, 0));
        QCOMPARE(at(image, 10, 0), rgb(2, 0, 0));
        QCOMPARE(at(image, W - 1, 5), rgb(3, 0, 0));
        QCOMPARE(at(image, 10, H - 1), rgb(4, 0, 0));
        // Corners: the side drawn later owns them.
        QCOMPARE(at(image, 0, 0), rgb(2, 0, 0));
        QCOMPARE(at(image, 0, H - 1), rgb(4, 0, 0));
        QCOMPARE(at(image, W - 1, H - 1), rgb(4, 0, 0));
        QCOMPARE(at(image, 10, 1), rgb(5, 0, 0));
        QCOMPARE(at(image, W - 3, 5), rgb(6, 0, 0));
        // Sides without a colour stay as they were.
        QCOMPARE(at(image, 1, 5), OleColor(0));
        QCOMPARE(at(image, 10, H - 2), OleColor(0));
        QCOMPARE(at(image, 2, 5), OleColor(0));
    }

    void regionFrameIsTheBorder()
    {
        const QRegion frame = rkpaint::regionFrame(QRegion(0, 0, 5, 4));
        QVERIFY(frame.contains(QPoint(0, 0)));
        QVERIFY(frame.contains(QPoint(4, 3)));
        QVERIFY(frame.contains(QPoint(2, 0)));
        QVERIFY(!frame.contains(QPoint(2, 2)));
        QCOMPARE(QRegion(0, 0, 5, 4).subtracted(frame), QRegion(1, 1, 3, 2));
    }
};

QTEST_MAIN(tst_rkPaint)
#include "tst_rkPaint.moc"
