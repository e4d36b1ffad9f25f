#include "skin/ClsPictureDC.h"

#include <QTest>

namespace {

QImage patterned(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb(x * 10, y * 10, 99));
        }
    }
    return image.convertToFormat(format);
}

} // namespace

class tst_ClsPictureDC : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void stdBitmapIsReadyForCopies_data();
    void stdBitmapIsReadyForCopies();
    void pictBitmapTakesTransColorFromPixelOneOne();
};

void tst_ClsPictureDC::stdBitmapIsReadyForCopies_data()
{
    QTest::addColumn<QImage>("bitmap");
    QTest::newRow("32-bit") << patterned(14, 13);
    QTest::newRow("24-bit") << patterned(21, 20, QImage::Format_RGB888);
    QTest::newRow("indexed") << patterned(3, 2, QImage::Format_Indexed8);
}

void tst_ClsPictureDC::stdBitmapIsReadyForCopies()
{
    QFETCH(QImage, bitmap);
    ClsPictureDC picture;
    QVERIFY(picture.hDC() == nullptr);
    // A second bitmap replaces the first; the first belongs to its giver and stays whole.
    const QImage first = patterned(10, 10);
    picture.setStdBitmap(first);
    picture.setStdBitmap(bitmap);
    QCOMPARE(first.pixel(9, 9), qRgb(90, 90, 99));
    QVERIFY(picture.hDC() != nullptr);
    QCOMPARE(picture.Width(), bitmap.width());
    QCOMPARE(picture.Height(), bitmap.height());
    // The context is ready for copies: no conversion while painting.
    QCOMPARE(picture.hDC()->format(), QImage::Format_RGB32);
    QCOMPARE(picture.hDC()->pixel(2, 1), bitmap.pixel(2, 1));
}

void tst_ClsPictureDC::pictBitmapTakesTransColorFromPixelOneOne()
{
    QImage bar = patterned(6, 6);
    bar.setPixel(1, 1, qRgb(255, 0, 255));
    ClsPictureDC sprite;
    ClsPictureDC mask;
    sprite.setPictBitmap(bar);
    mask.setPictBitmap(bar);
    // 0x00BBGGRR of magenta; pixel (0, 0) is another colour.
    QCOMPARE(sprite.TransColor(), platform::OleColor(0x00FF00FF));
    // Each keeps its own copy.
    sprite.hDC()->setPixel(3, 3, qRgb(255, 255, 255));
    bar.setPixel(4, 4, qRgb(0, 0, 0));
    QCOMPARE(mask.hDC()->pixel(3, 3), qRgb(30, 30, 99));
    QCOMPARE(sprite.hDC()->pixel(4, 4), qRgb(40, 40, 99));

    // A picture too small to have a pixel (1, 1) has no key colour.
    ClsPictureDC tiny;
    tiny.setPictBitmap(patterned(1, 1));
    QCOMPARE(tiny.TransColor(), ClsPictureDC::kInvalidColor);
}

QTEST_GUILESS_MAIN(tst_ClsPictureDC)
#include "tst_ClsPictureDC.moc"
