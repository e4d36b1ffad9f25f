#include "platform/RasterCopy.h"

#include <QPainter>
#include <QTest>

using platform::raster::RasterOp;

class tst_RasterCopy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rasterOperations_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QRgb>("source");
        QTest::addColumn<QRgb>("destination");
        QTest::addColumn<QRgb>("expected");
        const QRgb src = qRgb(0x0F, 0xF0, 0x33);
        const QRgb dst = qRgb(0x55, 0x55, 0xA0);
        QTest::newRow("SRCCOPY") << int(RasterOp::SrcCopy) << src << dst << src;
        QTest::newRow("SRCAND") << int(RasterOp::SrcAnd) << src << dst << qRgb(0x05, 0x50, 0x20);
        QTest::newRow("SRCPAINT") << int(RasterOp::SrcPaint) << src << dst
                                  << qRgb(0x5F, 0xF5, 0xB3);
        // NOT source OR destination
        QTest::newRow("MERGEPAINT")
            << int(RasterOp::MergePaint) << src << dst << qRgb(0xF5, 0x5F, 0xEC);
    }

    void rasterOperations()
    {
        QFETCH(int, op);
        QFETCH(QRgb, source);
        QFETCH(QRgb, destination);
        QFETCH(QRgb, expected);
        QImage sourceImage(3, 3, QImage::Format_RGB32);
        sourceImage.fill(source);
        QImage target(5, 5, QImage::Format_RGB32);
        target.fill(destination);
        {
            QPainter dc(&target);
            platform::raster::bitBlt(dc, 1, 1, 3, 3, &sourceImage, 0, 0, static_cast<RasterOp>(op));
        }
        QCOMPARE(QList<QRgb>({target.pixel(0, 0), target.pixel(1, 1), target.pixel(3, 3),
                              target.pixel(4, 4)}),
                 QList<QRgb>({destination, expected, expected, destination}));
    }

    void stretchIsNearestNeighbour()
    {
        QImage source(2, 1, QImage::Format_RGB32);
        source.setPixel(0, 0, qRgb(255, 0, 0));
        source.setPixel(1, 0, qRgb(0, 0, 255));
        QImage target(6, 2, QImage::Format_RGB32);
        target.fill(Qt::black);
        {
            QPainter dc(&target);
            platform::raster::stretchBlt(dc, 0, 0, 6, 2, &source, 0, 0, 2, 1);
        }
        for (int x = 0; x < 6; ++x) {
            for (int y = 0; y < 2; ++y) {
                QCOMPARE(target.pixel(x, y), x < 3 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
            }
        }
    }

    void negativeHeightRunsUpwardsMirrored()
    {
        QImage source(1, 3, QImage::Format_RGB32);
        source.setPixel(0, 0, qRgb(1, 1, 1));
        source.setPixel(0, 1, qRgb(2, 2, 2));
        source.setPixel(0, 2, qRgb(3, 3, 3));
        QImage target(1, 8, QImage::Format_RGB32);
        target.fill(Qt::black);
        {
            QPainter dc(&target);
            // From the line y 6 upwards, three rows: rows 3, 4, 5, the source's top lowest.
            platform::raster::stretchBlt(dc, 0, 6, 1, -3, &source, 0, 0, 1, 3);
        }
        QList<QRgb> column;
        for (int y = 2; y <= 6; ++y) {
            column << target.pixel(0, y);
        }
        QCOMPARE(column, QList<QRgb>({qRgb(0, 0, 0), qRgb(3, 3, 3), qRgb(2, 2, 2), qRgb(1, 1, 1),
                                      qRgb(0, 0, 0)}));
    }

    void nullSourceDrawsNothing()
    {
        QImage target(4, 4, QImage::Format_RGB32);
        target.fill(qRgb(9, 9, 9));
        {
            QPainter dc(&target);
            platform::raster::bitBlt(dc, 0, 0, 4, 4, nullptr, 0, 0);
            const QImage empty;
            platform::raster::stretchBlt(dc, 0, 0, 4, 4, &empty, 0, 0, 0, 0);
        }
        QCOMPARE(target.pixel(2, 2), qRgb(9, 9, 9));
    }
};

QTEST_MAIN(tst_RasterCopy)
#include "tst_RasterCopy.moc"
