// Outlines of the button: self-widening, shapes cut from a picture, and the one-pixel shift of
// a pressed custom-shaped button. The pixels of each outline, its rings and what it cuts off
// are checked by the looks sheets.

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

class tst_rkButtonsRegions : public rktest::Fixture
{
    Q_OBJECT

private Q_SLOTS:
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

    void rectangleAfterAnEllipseIsSquare()
    {
        rkButtons_H* b = button(QRect(10, 10, 80, 40));
        b->setButtonShape(6);
        QVERIFY(!b->mask().contains(QPoint(0, 0)));
        b->setButtonShape(0);
        QVERIFY(b->mask().contains(QPoint(0, 0)));
        QVERIFY(b->InnerRegion1().isEmpty());
    }

    // A custom shape fits the picture into the button's width, and leaves out the picture's
    // key colour and the fringe near it.
    void customShapes()
    {
        rkButtons_H* wide = button(QRect(10, 10, 100, 100), QStringLiteral("wide"));
        wide->setPicture(
            platform::Picture(platform::Picture::Type::Bitmap, discPicture(QSize(64, 32))));
        wide->setButtonShape(7);
        QCOMPARE(wide->size(), QSize(100, 50));
        QCOMPARE(wide->ScaledPicture().size(), QSize(100, 50));
        QCOMPARE(wide->presentedImage().size(), QSize(100, 50));

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
