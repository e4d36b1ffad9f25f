#include "controls/skinned/UcProgress.h"
#include "platform/Units.h"
#include "skin/SkinTestSupport.h"

#include <QTest>

using namespace platform;
using skintest::bitmap;
using Progress = skintest::Hosted<UcProgress>;

namespace {

// What a keyed copy leaves at a pixel: the trough where the bar bitmap has its key
// colour (its pixel (1, 1)), the bar bitmap's own pixel elsewhere. This checks the sprite and
// mask the bar is drawn with.
QRgb keyed(const QImage& bar, int x, int y, QRgb trough)
{
    const QRgb source = bar.pixel(x, y);
    return source == bar.pixel(1, 1) ? trough : source;
}

// The source pixel a nearest-neighbour stretch of source length s onto length d shows
// at destination pixel i: the one under the pixel's centre; a centre that falls exactly
// on a boundary takes the pixel before it.
int nearest(int i, int s, int d)
{
    return ((2 * i + 1) * s - 1) / (2 * d);
}

// The composition with the bar empty: the trough alone.
QImage trough(UcProgress* bar)
{
    const qint32 value = bar->Value();
    bar->setValue(bar->Min());
    QImage image = bar->PictDC().copy();
    bar->setValue(value);
    return image;
}

} // namespace

class tst_UcProgress : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { setTwipsPerPixelOverride(15.0); }

    void horizontalBar_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("left");
        QTest::newRow("76 % starts at 4") << 76 << 4;
        QTest::newRow("77 % (>= 100 / 1.3) starts at 0") << 77 << 0;
        QTest::newRow("full") << 100 << 0;
    }

    void horizontalBar()
    {
        QFETCH(int, value);
        QFETCH(int, left);
        Progress progress(QSize(100, 19));
        const QImage empty = trough(progress.control);
        progress.control->setValue(value);
        // On a control of 100 pixels the bar is as long as the value.
        const int length = value;
        QCOMPARE(progress.control->GetHorizontalPos(), length);
        const QImage& shown = progress.control->PictDC();
        const QImage bar = bitmap("HPROGRESS"); // 109 x 14, stretched to length x 19
        const int row = 9;
        const int sourceRow = nearest(row, 14, 19);
        for (int x = 0; x < 100; ++x) {
            if (x < left || x >= left + length) {
                QCOMPARE(shown.pixel(x, row), empty.pixel(x, row));
                continue;
            }
            const int sourceX = nearest(x - left, 109, length);
            QCOMPARE(shown.pixel(x, row), keyed(bar, sourceX, sourceRow, empty.pixel(x, row)));
        }
        // Down the bar's first column the keyed corners leave the trough showing.
        const int firstColumn = nearest(0, 109, length);
        for (int y = 0; y < 19; ++y) {
            QCOMPARE(shown.pixel(left, y),
                     keyed(bar, firstColumn, nearest(y, 14, 19), empty.pixel(left, y)));
        }
    }

    void verticalBarGrowsUpwardsFromFourAboveTheBottom()
    {
        Progress progress(QSize(19, 104), 1);
        const QImage empty = trough(progress.control);
        progress.control->setValue(50);
        // round(-0.5 x (104 - 4)).
        QCOMPARE(progress.control->GetVerticalPos(), -50);
        const QImage& shown = progress.control->PictDC();
        const QImage bar = bitmap("VPROGRESS"); // 14 x 109, mirrored top to bottom
        const int column = 9;
        const int sourceColumn = nearest(column, 14, 19);
        for (int y = 0; y < 104; ++y) {
            if (y < 50 || y >= 100) {
                QCOMPARE(shown.pixel(column, y), empty.pixel(column, y));
                continue;
            }
            // Row 99, just above the line y 100, shows the top of the bitmap.
            const int sourceRow = nearest(99 - y, 109, 50);
            QCOMPARE(shown.pixel(column, y),
                     keyed(bar, sourceColumn, sourceRow, empty.pixel(column, y)));
        }
    }

    void valueAndBoundRules()
    {
        Progress progress(QSize(100, 19));
        UcProgress* bar = progress.control;
        const QImage empty = trough(bar);
        // Values outside the bounds are ignored.
        bar->setValue(40);
        const QImage before = bar->PictDC().copy();
        bar->setValue(101);
        bar->setValue(-1);
        QCOMPARE(bar->Value(), 40);
        bar->Refresh();
        QCOMPARE(bar->PictDC(), before);
        // Equal bounds draw an empty bar.
        bar->setMax(0);
        bar->setValue(0);
        QCOMPARE(bar->GetHorizontalPos(), 0);
        bar->Refresh();
        QCOMPARE(bar->PictDC(), empty);
        // A negative Min is stored as 0.
        bar->setMin(7);
        bar->setMin(-5);
        QCOMPARE(bar->Min(), 0);
    }

    void thicknessIsCapped_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<QSize>("laidOut");
        // 400 twips: 26.67 -> 27 pixels.
        QTest::newRow("horizontal too tall") << 0 << QSize(200, 40) << QSize(200, 27);
        QTest::newRow("horizontal thin enough") << 0 << QSize(200, 19) << QSize(200, 19);
        QTest::newRow("vertical too wide") << 1 << QSize(40, 200) << QSize(27, 200);
    }

    void thicknessIsCapped()
    {
        QFETCH(int, orientation);
        QFETCH(QSize, requested);
        QFETCH(QSize, laidOut);
        Progress progress(requested, static_cast<qint16>(orientation));
        QCOMPARE(progress.control->size(), laidOut);
    }

    void propertyBagRoundTrip()
    {
        UcProgress source;
        UcProgress copy;
        QCOMPARE(skintest::roundTrip(source, copy).first, QJsonObject()); // defaults: nothing
        source.setOrientation(1);
        source.setMax(500);
        source.setMin(20);
        source.setValue(300);
        const auto [written, again] = skintest::roundTrip(source, copy);
        QCOMPARE(written,
                 QJsonObject({{"Orientation", 1}, {"Min", 20}, {"Max", 500}, {"Value", 300}}));
        QCOMPARE(again, written);
    }
};

QTEST_MAIN(tst_UcProgress)
#include "tst_UcProgress.moc"
