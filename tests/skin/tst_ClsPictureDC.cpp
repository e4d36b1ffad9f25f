#include "skin/ClsPictureDC.h"
#include "skin/SkinTestSupport.h"

#include <QTest>

using skintest::solid;

// One bitmap handed to the picture context: through setStdBitmap or setPictBitmap.
struct Attach
{
    bool pict;
    QImage image;
};
Q_DECLARE_METATYPE(QList<Attach>)

class tst_ClsPictureDC : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void attachments_data()
    {
        QImage marked = solid(QSize(4, 3), qRgb(9, 9, 9));
        marked.setPixel(1, 1, qRgb(0x12, 0x34, 0x56));
        QTest::addColumn<QList<Attach>>("attaches");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<platform::OleColor>("transColor");
        QTest::newRow("nothing attached") << QList<Attach>{} << QSize(0, 0) << 0u;
        QTest::newRow("bitmap keeps the colour set before")
            << QList<Attach>{{false, marked}} << QSize(4, 3) << 0u;
        QTest::newRow("picture: colour of pixel (1, 1)")
            << QList<Attach>{{true, marked}} << QSize(4, 3) << platform::rgb(0x12, 0x34, 0x56);
        QTest::newRow("picture without a pixel (1, 1)")
            << QList<Attach>{{true, solid(QSize(1, 5), qRgb(1, 2, 3))}} << QSize(1, 5)
            << ClsPictureDC::kInvalidColor;
        QTest::newRow("second attach replaces the first")
            << QList<Attach>{{true, marked}, {false, solid(QSize(7, 2), qRgb(0, 0, 0))}}
            << QSize(7, 2) << platform::rgb(0x12, 0x34, 0x56);
        QTest::newRow("null bitmap releases the first")
            << QList<Attach>{{false, marked}, {false, QImage()}} << QSize(0, 0) << 0u;
    }

    void attachments()
    {
        QFETCH(QList<Attach>, attaches);
        QFETCH(QSize, size);
        QFETCH(platform::OleColor, transColor);
        ClsPictureDC dc;
        QImage given;
        for (const Attach& attach : attaches) {
            given = attach.image.copy();
            if (attach.pict) {
                dc.setPictBitmap(given);
            } else {
                dc.setStdBitmap(given);
            }
        }
        QCOMPARE(QSize(dc.Width(), dc.Height()), size);
        QCOMPARE(dc.TransColor(), transColor);
        QCOMPARE(dc.bmType(), 0);
        QCOMPARE(dc.Bits(), 0);
        if (size.isEmpty()) {
            QVERIFY(!dc.hDC());
            QCOMPARE(dc.WidthBytes() + dc.Planes() + dc.BitsPerPixel(), 0);
            return;
        }
        // The context holds the last bitmap alone, ready for copies; the giver's is its own.
        QVERIFY(dc.hDC());
        QCOMPARE(dc.hDC()->format(), QImage::Format_RGB32);
        QCOMPARE(dc.hDC()->convertToFormat(given.format()), given);
        QCOMPARE(QList<int>({dc.WidthBytes(), dc.Planes(), dc.BitsPerPixel()}),
                 QList<int>({4 * size.width(), 1, 32}));
        given.fill(Qt::white);
        QVERIFY(dc.hDC()->pixel(0, 0) != qRgb(255, 255, 255));
    }
};

QTEST_GUILESS_MAIN(tst_ClsPictureDC)
#include "tst_ClsPictureDC.moc"
