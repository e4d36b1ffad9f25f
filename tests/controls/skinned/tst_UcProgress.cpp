#include "controls/skinned/UcProgress.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/Units.h"

#include <QTest>

using namespace platform;

namespace {

QImage skinBitmap(const char* name)
{
    return QImage(QStringLiteral(":/bitmaps/%1.bmp").arg(QLatin1String(name)))
        .convertToFormat(QImage::Format_RGB32);
}

// What a keyed copy leaves at a pixel: the trough where the bar bitmap has its key
// colour (its pixel (1, 1)), the bar bitmap's own pixel elsewhere.
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

struct Progress
{
    Progress(QSize size, qint16 orientation = 0)
    {
        bar = new UcProgress(&host);
        bar->UserControl_InitProperties();
        if (orientation != 0) {
            bar->setOrientation(orientation);
        }
        bar->resize(size);
        host.show();
    }
    // The composition with the bar empty: the trough alone.
    QImage trough()
    {
        const qint32 value = bar->Value();
        bar->setValue(bar->Min());
        QImage image = bar->PictDC().copy();
        bar->setValue(value);
        return image;
    }
    QWidget host;
    UcProgress* bar = nullptr;
};

} // namespace

class tst_UcProgress : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void spriteAndMask();
    void shortBarStartsFourPixelsIn_data();
    void shortBarStartsFourPixelsIn();
    void fullBarSpansTheControl();
    void verticalBarGrowsUpwardsFromFourAboveTheBottom();
    void valuesOutsideTheBoundsAreIgnored();
    void equalBoundsDrawAnEmptyBar();
    void negativeMinIsStoredAsZero();
    void thicknessIsCapped_data();
    void thicknessIsCapped();
    void propertyBagRoundTrip();
};

void tst_UcProgress::initTestCase()
{
    setTwipsPerPixelOverride(15.0);
}

void tst_UcProgress::spriteAndMask()
{
    UcProgress bar;
    bar.GetThePict();
    const QImage original = skinBitmap("HPROGRESS");
    const QRgb key = original.pixel(1, 1);
    QCOMPARE(key, qRgb(255, 0, 255));
    const QImage& sprite = *bar.sprite().hDC();
    const QImage& mask = *bar.mask().hDC();
    QCOMPARE(sprite.size(), original.size());
    QCOMPARE(mask.size(), original.size());
    int keyedPixels = 0;
    for (int y = 0; y < original.height(); ++y) {
        for (int x = 0; x < original.width(); ++x) {
            if (original.pixel(x, y) == key) {
                ++keyedPixels;
                QCOMPARE(mask.pixel(x, y), qRgb(255, 255, 255));
                QCOMPARE(sprite.pixel(x, y), qRgb(255, 255, 255));
            } else {
                QCOMPARE(mask.pixel(x, y), qRgb(0, 0, 0));
                QCOMPARE(sprite.pixel(x, y), original.pixel(x, y));
            }
        }
    }
    // The rounded ends are keyed out, the body is not.
    QVERIFY(keyedPixels > 8);
    QVERIFY(original.pixel(54, 7) != key);
}

void tst_UcProgress::shortBarStartsFourPixelsIn_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("length");
    QTest::newRow("76 % starts at 4") << 76 << 4 << 76;
    QTest::newRow("77 % (>= 100 / 1.3) starts at 0") << 77 << 0 << 77;
    QTest::newRow("10 %") << 10 << 4 << 10;
}

void tst_UcProgress::shortBarStartsFourPixelsIn()
{
    QFETCH(int, value);
    QFETCH(int, left);
    QFETCH(int, length);
    Progress progress(QSize(100, 19));
    const QImage trough = progress.trough();
    progress.bar->setValue(value);
    QCOMPARE(progress.bar->GetHorizontalPos(), length);
    const QImage& shown = progress.bar->PictDC();
    const QImage bar = skinBitmap("HPROGRESS"); // 109 x 14, stretched to length x 19
    const int row = 9;
    const int sourceRow = nearest(row, 14, 19);
    for (int x = 0; x < 100; ++x) {
        if (x < left || x >= left + length) {
            QCOMPARE(shown.pixel(x, row), trough.pixel(x, row));
            continue;
        }
        const int sourceX = nearest(x - left, 109, length);
        QCOMPARE(shown.pixel(x, row), keyed(bar, sourceX, sourceRow, trough.pixel(x, row)));
    }
    // Down the bar's first column the keyed corners leave the trough showing.
    const int firstColumn = nearest(0, 109, length);
    for (int y = 0; y < 19; ++y) {
        QCOMPARE(shown.pixel(left, y),
                 keyed(bar, firstColumn, nearest(y, 14, 19), trough.pixel(left, y)));
    }
}

void tst_UcProgress::fullBarSpansTheControl()
{
    Progress progress(QSize(100, 19));
    const QImage trough = progress.trough();
    progress.bar->setValue(100);
    QCOMPARE(progress.bar->GetHorizontalPos(), 100);
    const QImage bar = skinBitmap("HPROGRESS");
    const QImage& shown = progress.bar->PictDC();
    const int row = nearest(10, 14, 19);
    QCOMPARE(shown.pixel(0, 10), keyed(bar, 0, row, trough.pixel(0, 10)));
    QCOMPARE(shown.pixel(50, 10), bar.pixel(nearest(50, 109, 100), row));
    QCOMPARE(shown.pixel(99, 10), keyed(bar, 108, row, trough.pixel(99, 10)));
}

void tst_UcProgress::verticalBarGrowsUpwardsFromFourAboveTheBottom()
{
    Progress progress(QSize(19, 104), 1);
    const QImage trough = progress.trough();
    progress.bar->setValue(50);
    // round(-0.5 x (104 - 4)).
    QCOMPARE(progress.bar->GetVerticalPos(), -50);
    const QImage& shown = progress.bar->PictDC();
    const QImage bar = skinBitmap("VPROGRESS"); // 14 x 109, mirrored top to bottom
    const int column = 9;
    const int sourceColumn = nearest(column, 14, 19);
    for (int y = 0; y < 104; ++y) {
        if (y < 50 || y >= 100) {
            QCOMPARE(shown.pixel(column, y), trough.pixel(column, y));
            continue;
        }
        // Row 99, just above the line y 100, shows the top of the bitmap.
        const int fromLine = 99 - y;
        const int sourceRow = nearest(fromLine, 109, 50);
        QCOMPARE(shown.pixel(column, y),
                 keyed(bar, sourceColumn, sourceRow, trough.pixel(column, y)));
    }
}

void tst_UcProgress::valuesOutsideTheBoundsAreIgnored()
{
    Progress progress(QSize(100, 19));
    progress.bar->setValue(40);
    const QImage before = progress.bar->PictDC().copy();
    progress.bar->setValue(101);
    progress.bar->setValue(-1);
    QCOMPARE(progress.bar->Value(), 40);
    progress.bar->Refresh();
    QCOMPARE(progress.bar->PictDC(), before);
}

void tst_UcProgress::equalBoundsDrawAnEmptyBar()
{
    Progress progress(QSize(100, 19));
    const QImage trough = progress.trough();
    progress.bar->setMax(0);
    progress.bar->setValue(0);
    QCOMPARE(progress.bar->GetHorizontalPos(), 0);
    progress.bar->Refresh();
    QCOMPARE(progress.bar->PictDC(), trough);
}

void tst_UcProgress::negativeMinIsStoredAsZero()
{
    UcProgress bar;
    bar.setMin(-5);
    QCOMPARE(bar.Min(), 0);
    bar.setMin(7);
    QCOMPARE(bar.Min(), 7);
}

void tst_UcProgress::thicknessIsCapped_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("laidOut");
    // 400 twips: 26.67 -> 27 pixels.
    QTest::newRow("horizontal too tall") << 0 << QSize(200, 40) << QSize(200, 27);
    QTest::newRow("horizontal thin enough") << 0 << QSize(200, 19) << QSize(200, 19);
    QTest::newRow("vertical too wide") << 1 << QSize(40, 200) << QSize(27, 200);
}

void tst_UcProgress::thicknessIsCapped()
{
    QFETCH(int, orientation);
    QFETCH(QSize, requested);
    QFETCH(QSize, laidOut);
    Progress progress(requested, static_cast<qint16>(orientation));
    QCOMPARE(progress.bar->size(), laidOut);
}

void tst_UcProgress::propertyBagRoundTrip()
{
    UcProgress source;
    PropertyBag empty;
    source.UserControl_WriteProperties(empty);
    QVERIFY(empty.isEmpty());
    source.setOrientation(1);
    source.setMax(500);
    source.setMin(20);
    source.setValue(300);
    PropertyBag bag;
    source.UserControl_WriteProperties(bag);
    UcProgress copy;
    copy.UserControl_ReadProperties(bag);
    QCOMPARE(copy.Orientation(), qint16(1));
    QCOMPARE(copy.Min(), 20);
    QCOMPARE(copy.Max(), 500);
    QCOMPARE(copy.Value(), 300);
    QCOMPARE(bag.toJson().value(QStringLiteral("Value")).toInt(), 300);
}

QTEST_MAIN(tst_UcProgress)
#include "tst_UcProgress.moc"
