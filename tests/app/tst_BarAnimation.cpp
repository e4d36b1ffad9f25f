#include "app/BarAnimation.h"

#include <QTest>
#include <functional>

namespace {

const QColor kBackground(0, 0, 0);

// Bars on a 150 x 60 pixel picture of 2250 x 900 twips: bar width 225 twips = 15 pixels.
struct Bars
{
    explicit Bars(std::function<int()> steps = {})
    {
        bars.setup(2250);
        if (steps) {
            bars.setStepSource(std::move(steps));
        }
    }
    void tick(int times = 1)
    {
        for (int n = 0; n < times; ++n) {
            bars.tick(image, QSizeF(2250, 900), kBackground);
        }
    }
    BarAnimation bars;
    QImage image{150, 60, QImage::Format_RGB32};
};

// The topmost row of a column that is not background, or the height when none is.
int barTop(const QImage& image, int x)
{
    for (int y = 0; y < image.height(); ++y) {
        const QColor pixel = image.pixelColor(x, y);
        if (pixel != kBackground) {
            return y;
        }
    }
    return image.height();
}

} // namespace

class tst_BarAnimation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colours()
    {
        QCOMPARE(BarAnimation::barColor(0, 10), QColor(235, 105, 35));
        QCOMPARE(BarAnimation::barColor(9, 10), QColor(255, 255, 188));
        QCOMPARE(BarAnimation::barColor(4, 10), QColor(255, 173, 103));
    }

    // Even steps raise a bar (its top goes up), odd steps lower it, within 0..height.
    void stepsMoveLevelsWithinBounds()
    {
        int step = 10;
        Bars b([&step] { return step; });
        b.tick(6);
        QCOMPARE(b.bars.level(0), 0.0f); // 50 - 10 five times, then held at 0
        step = 9;
        b.tick(200);
        QCOMPARE(b.bars.level(9), 900.0f); // held at the picture's height
    }

    // Each bar draws its own step: with the real generator the bars do not all move alike.
    void barsMoveIndependently()
    {
        Bars b;
        bool differ = false;
        for (int n = 0; n < 5 && !differ; ++n) {
            b.tick();
            for (int i = 1; i < 10; ++i) {
                differ = differ || b.bars.level(i) != b.bars.level(0);
            }
        }
        QVERIFY(differ);
    }

    void firstTickFillsTheLowerHalf()
    {
        Bars b;
        b.tick();
        for (int i = 0; i < 10; ++i) {
            QVERIFY(b.bars.level(i) >= 40.0f && b.bars.level(i) <= 59.0f);
            // Level 50 +- 10 of a 60 pixel picture: the top lies between rows 24 and 36.
            const int top = barTop(b.image, i * 15 + 7);
            QVERIFY2(top >= 23 && top <= 36, qPrintable(QString::number(top)));
            QCOMPARE(b.image.pixelColor(i * 15 + 7, 58), BarAnimation::barColor(i, 10));
        }
    }

    // Lines of background colour every 75 twips (5 pixels) cut the full-height bars into
    // segments; a level above a hundred draws nothing.
    void segmentLinesAndLevelsAboveAHundred()
    {
        Bars full([] { return 10; });
        full.tick(5);
        for (int row = 0; row < 60; ++row) {
            const bool isLine = row % 5 == 0; // 1/15, 76/15, ... rounded
            QCOMPARE(full.image.pixelColor(20, row) == kBackground, isLine);
        }
        Bars empty([] { return 9; });
        empty.tick(7);
        QVERIFY(empty.bars.level(0) > 100.0f);
        QCOMPARE(barTop(empty.image, 7), 60);
    }
};

QTEST_MAIN(tst_BarAnimation)
#include "tst_BarAnimation.moc"
