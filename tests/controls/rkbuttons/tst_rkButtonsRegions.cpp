// Outlines of the button: slanted sides, self-widening, ellipses, shapes cut from a
// picture, and the one-pixel shift of a pressed custom-shaped button. Corner trimming and
// the pixels of each outline are checked by the looks sheets.

#include "controls/rkbuttons/rkButtons_H.h"
#include "rkTestSupport.h"

#include <QTest>

namespace {

// A picture for custom shapes: a dark disc on white, its edge anti-aliased into near-white
// fringe pixels, and a few pixels exactly 3 and 4 away from the key.
QImage discPicture(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 60, 120));
    painter.drawEllipse(QRect(QPoint(0, 0), size).adjusted(4, 4, -4, -4));
    return image;
}

} // namespace

class tst_rkButtonsRegions : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_container;

    rkButtons_H* button(QRect geometry)
    {
        rkButtons_H* b = rktest::makeButton(m_container.get(), geometry);
        b->setCaption(QString());
        return b;
    }

private Q_SLOTS:
    void initTestCase() { platform::setTwipsPerPixelOverride(15.0); }
    void cleanupTestCase() { platform::setTwipsPerPixelOverride(0.0); }

    void init()
    {
        m_container = rktest::makeContainer();
        m_container->show();
    }

    void cleanup() { m_container.reset(); }

    void slantedShapes_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("leftInset");
        QTest::addColumn<int>("rightEdge");
        // 100 x 23: d = 6, s = 24.
        QTest::newRow("left slanted") << 1 << 24 << 100;
        QTest::newRow("right slanted") << 2 << 0 << 76;
        QTest::newRow("parallelogram") << 3 << 24 << 76;
    }

    void slantedShapes()
    {
        QFETCH(int, shape);
        QFETCH(int, leftInset);
        QFETCH(int, rightEdge);
        rkButtons_H* b = button(QRect(10, 10, 100, 23));
        b->setButtonShape(shape);
        QCOMPARE(b->width(), 100);
        QCOMPARE(b->LeftInset(), leftInset);
        QCOMPARE(b->RightEdge(), rightEdge);
        // The outline's pixels show in the looks sheets. What lies outside it is the
        // container's: the widget there is not the button.
        const QPoint cut = b->mapTo(m_container.get(), shape == 1 ? QPoint(2, 20) : QPoint(97, 2));
        QVERIFY(m_container->childAt(cut) != b);
    }

    void slantedButtonWidensItself_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expected");
        QTest::newRow("20 wide becomes 30") << 20 << 30;
        QTest::newRow("28 wide becomes 33") << 28 << 33;
        QTest::newRow("29 wide stays") << 29 << 29;
    }

    void slantedButtonWidensItself()
    {
        QFETCH(int, width);
        QFETCH(int, expected);
        rkButtons_H* b = button(QRect(10, 10, width, 23));
        b->setButtonShape(2);
        QCOMPARE(b->width(), expected);
        QCOMPARE(b->height(), 23);
        QCOMPARE(b->RightEdge(), expected - 24);
        QCOMPARE(b->presentedImage().size(), b->size());
        QVERIFY(!b->isDrawingDelayed());
    }

    void resizedWhileDrawingIsDelayed()
    {
        rkButtons_H* b = button(QRect(10, 10, 60, 20));
        b->setButtonShape(4);
        b->DelayDrawing(true);
        b->resize(120, 40);
        QCOMPARE(b->mask().boundingRect(), QRect(0, 0, 60, 20));
        b->DelayDrawing(false);
        QCOMPARE(b->mask().boundingRect(), QRect(0, 0, 120, 40));
        QCOMPARE(b->presentedImage().size(), QSize(120, 40));
    }

    void ellipses()
    {
        rkButtons_H* b = button(QRect(10, 10, 80, 40));
        b->setButtonShape(6);
        QVERIFY(!b->mask().contains(QPoint(0, 0)));
        QVERIFY(b->mask().contains(QPoint(40, 20)));
        QVERIFY(b->mask().contains(QPoint(0, 20)));
        QCOMPARE(b->InnerRegion1().boundingRect(), QRect(1, 1, 78, 38));
        QCOMPARE(b->InnerRegion2().boundingRect(), QRect(2, 2, 76, 36));
        // Back to a rectangle: square again.
        b->setButtonShape(0);
        QVERIFY(b->mask().contains(QPoint(0, 0)));
        QVERIFY(b->InnerRegion1().isEmpty());
    }

    void customShapeFitsThePicture()
    {
        rkButtons_H* b = button(QRect(10, 10, 100, 100));
        b->setPicture(
            platform::Picture(platform::Picture::Type::Bitmap, discPicture(QSize(64, 32))));
        b->setButtonShape(7);
        QCOMPARE(b->size(), QSize(100, 50));
        QCOMPARE(b->ScaledPicture().size(), QSize(100, 50));
        QCOMPARE(b->presentedImage().size(), QSize(100, 50));
    }

    void customShapeDropsTheKeyAndItsFringe()
    {
        QImage picture = discPicture(QSize(40, 40));
        // Pixels near the key by 3 count as background, by 4 as part of the shape.
        picture.setPixel(1, 20, qRgb(252, 253, 252));
        picture.setPixel(38, 20, qRgb(251, 255, 255));
        rkButtons_H* b = button(QRect(10, 10, 40, 40));
        b->setPicture(platform::Picture(platform::Picture::Type::Bitmap, picture));
        b->setButtonShape(7);
        QCOMPARE(b->size(), QSize(40, 40));
        const QRegion outline = b->WindowRegion();
        QCOMPARE(b->mask(), outline);
        QVERIFY(!outline.contains(QPoint(0, 0)));
        QVERIFY(!outline.contains(QPoint(1, 20)));
        QVERIFY(outline.contains(QPoint(38, 20)));
        QVERIFY(outline.contains(QPoint(20, 20)));

        // Every pixel kept is one that is not within 3 of white; every one dropped is.
        const QImage scaled = b->ScaledPicture();
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                const QRgb source = picture.pixel(x, y);
                const bool nearWhite =
                    qRed(source) >= 252 && qGreen(source) >= 252 && qBlue(source) >= 252;
                QCOMPARE(outline.contains(QPoint(x, y)), !nearWhite);
                if (nearWhite) {
                    QCOMPARE(scaled.pixel(x, y), qRgb(255, 255, 255));
                }
            }
        }
        // The inner regions are the outline shrunk by one and two pixels.
        QVERIFY(b->InnerRegion1().subtracted(outline).isEmpty());
        QVERIFY(b->InnerRegion2().subtracted(b->InnerRegion1()).isEmpty());
        QVERIFY(!b->InnerRegion1().contains(QPoint(38, 20)));
        QVERIFY(b->InnerRegion1().contains(QPoint(20, 20)));
    }

    void customClick_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("customClick");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QPoint>("shift");
        QTest::newRow("command button moves") << 8 << 4 << 0 << QPoint(1, 1);
        QTest::newRow("check button stays") << 7 << 6 << 1 << QPoint(0, 0);
    }

    void customClick()
    {
        QFETCH(int, shape);
        QFETCH(int, customClick);
        QFETCH(int, mode);
        QFETCH(QPoint, shift);
        rkButtons_H* b = button(QRect(50, 50, 40, 40));
        b->setPicture(
            platform::Picture(platform::Picture::Type::Bitmap, discPicture(QSize(40, 40))));
        b->setButtonShape(shape);
        b->setCustomClick(customClick);
        b->setMode(mode);
        const QPoint home = b->pos();
        rktest::hover(b);
        rktest::press(b);
        QCOMPARE(b->pos(), home + shift);
        QCOMPARE(bool(b->StateFlags() & rkButtons_H::kStateShifted), !shift.isNull());
        rktest::release(b);
        QCOMPARE(b->pos(), home);
        QVERIFY(!(b->StateFlags() & rkButtons_H::kStateShifted));

        // Leaving while pressed moves it back as well.
        rktest::hover(b);
        rktest::press(b);
        QCOMPARE(b->pos(), home + shift);
        rktest::moveAway(b);
        QTRY_COMPARE(b->pos(), home);
        rktest::release(b);
        QCOMPARE(b->pos(), home);
    }
};

QTEST_MAIN(tst_rkButtonsRegions)
#include "tst_rkButtonsRegions.moc"
