#include "controls/skinned/UcScroll.h"
#include "platform/Units.h"
#include "skin/SkinTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using namespace platform;
using skintest::bitmap;
using Bar = skintest::Hosted<UcScroll>;

namespace {
enum Property { Value, Min, Max, SmallChange, LargeChange };
using Setter = void (UcScroll::*)(qint32);
const Setter kSetters[] = {&UcScroll::setValue, &UcScroll::setMin, &UcScroll::setMax,
                           &UcScroll::setSmallChange, &UcScroll::setLargeChange};
} // namespace

class tst_UcScroll : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { setTwipsPerPixelOverride(15.0); }

    void valueRules_data()
    {
        QTest::addColumn<int>("property");
        QTest::addColumn<int>("written");
        QTest::addColumn<QList<int>>("stored"); // Min, Max, Value, SmallChange, LargeChange
        QTest::addColumn<int>("changes");
        // Each row starts from the defaults with the value at 30. Value raises Change, even
        // when nothing changed; the bounds push each other but leave the value as it is.
        const int top = 2147483647;
        QTest::newRow("Value Max + 5") << int(Value) << 105 << QList{0, 100, 100, 1, 10} << 1;
        QTest::newRow("Value -3") << int(Value) << -3 << QList{0, 100, 0, 1, 10} << 1;
        QTest::newRow("Value unchanged") << int(Value) << 30 << QList{0, 100, 30, 1, 10} << 1;
        QTest::newRow("Min 150, Max 100") << int(Min) << 150 << QList{150, 250, 30, 1, 10} << 0;
        QTest::newRow("Max -20, Min 0") << int(Max) << -20 << QList{-120, -20, 30, 1, 10} << 0;
        QTest::newRow("Max 0 equal to Min") << int(Max) << 0 << QList{0, 0, 30, 1, 10} << 0;
        QTest::newRow("Min near the top")
            << int(Min) << top - 47 << QList{top - 47, top, 30, 1, 10} << 0;
        QTest::newRow("SmallChange 0") << int(SmallChange) << 0 << QList{0, 100, 30, 1, 10} << 0;
        QTest::newRow("SmallChange 40000")
            << int(SmallChange) << 40000 << QList{0, 100, 30, 1, 10} << 0;
        QTest::newRow("SmallChange 32767")
            << int(SmallChange) << 32767 << QList{0, 100, 30, 32767, 10} << 0;
        QTest::newRow("LargeChange -1") << int(LargeChange) << -1 << QList{0, 100, 30, 1, 10} << 0;
        QTest::newRow("LargeChange 1") << int(LargeChange) << 1 << QList{0, 100, 30, 1, 1} << 0;
    }

    void valueRules()
    {
        // Read without QFETCH: GCC's -O0 sanitizer build takes its declaration for an
        // uninitialised index.
        const int property = *static_cast<const int*>(QTest::qData("property", QMetaType::Int));
        QFETCH(int, written);
        QFETCH(QList<int>, stored);
        QFETCH(int, changes);
        UcScroll bar;
        bar.setValue(30);
        QSignalSpy changed(&bar, &UcScroll::Change);
        (bar.*kSetters[property])(written);
        QCOMPARE(
            QList<int>({bar.Min(), bar.Max(), bar.Value(), bar.SmallChange(), bar.LargeChange()}),
            stored);
        QCOMPARE(changed.size(), changes);
    }

    void horizontalGeometryAndThumb_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("thumbLeft");
        // 300 x 22 pixels: k = 330 / 50 = 6.6 -> 7; arrows and thumb 15 high and 18.75 -> 19
        // wide; the thumb runs from 2 + 19 = 21 to 279 - 19 = 260.
        QTest::newRow("Min") << 0 << 21;
        QTest::newRow("Max") << 100 << 260;
        QTest::newRow("half: 140.5 to even") << 50 << 140;
    }

    void horizontalGeometryAndThumb()
    {
        QFETCH(int, value);
        QFETCH(int, thumbLeft);
        Bar bar(QSize(300, 22));
        QCOMPARE(bar.control->ImgLeft(), QRect(2, 4, 19, 15));
        QCOMPARE(bar.control->ImgRight(), QRect(279, 4, 19, 15));
        bar.control->setValue(value);
        QCOMPARE(bar.control->ImgThumb(), QRect(thumbLeft, 4, 19, 15));
    }

    void verticalGeometryShrinksToMaximumWidth()
    {
        Bar bar(QSize(40, 200), 1);
        // 350 twips at 15 twips a pixel.
        QCOMPARE(bar.control->width(), 23);
        // k = 350 / 50 = 7: 16 wide, 16 x 4 / 3.5 = 18.29 -> 18 high, centred across.
        QCOMPARE(bar.control->ImgLeft(), QRect(4, 2, 16, 18));
        QCOMPARE(bar.control->ImgRight(), QRect(4, 200 - 18 - 2, 16, 18));
        QCOMPARE(bar.control->ImgThumb().topLeft(), QPoint(4, 20));
        bar.control->setValue(100);
        QCOMPARE(bar.control->ImgThumb().top(), 180 - 18);
    }

    void heldArrowRepeatTiming()
    {
        Bar bar(QSize(300, 22));
        UcScroll* scroll = bar.control;
        QTest::mousePress(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        QVERIFY(scroll->isRightArrowPressed());
        QTimer& timer = scroll->ClickTimer();
        QVERIFY(timer.isActive());
        QCOMPARE(timer.interval(), 333);
        QCOMPARE(scroll->Value(), 0);
        // Ticks at 333, 666 and 999 ms keep the slow pace; the fourth, at 1332 ms, speeds up.
        const QList<int> intervalAfterTick = {333, 333, 333, 3, 3, 3};
        for (int tick = 0; tick < intervalAfterTick.size(); ++tick) {
            scroll->ClickTimer_Timer();
            QCOMPARE(scroll->Value(), tick + 1);
            QCOMPARE(timer.interval(), intervalAfterTick[tick]);
        }
        // Releasing on the arrow stops at once; the click adds one more step.
        QTest::mouseRelease(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        QVERIFY(!timer.isActive());
        QVERIFY(!scroll->isRightArrowPressed());
        QCOMPARE(scroll->Value(), 7);

        // The decreasing arrow runs the other way, and the next press starts slow again.
        QTest::mousePress(scroll, Qt::LeftButton, {}, scroll->ImgLeft().center());
        QCOMPARE(timer.interval(), 333);
        scroll->ClickTimer_Timer();
        QCOMPARE(scroll->Value(), 6);
        // Released off the arrow: it stops but is no click.
        QTest::mouseRelease(scroll, Qt::LeftButton, {}, QPoint(150, 10));
        QVERIFY(!timer.isActive());
        QCOMPARE(scroll->Value(), 6);

        // Hidden while held: no release will come, so the repeat stops now.
        QTest::mousePress(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        QVERIFY(timer.isActive());
        bar.host.hide();
        QVERIFY(!timer.isActive());
        QVERIFY(!scroll->isRightArrowPressed());
    }

    void clicksStepOnce()
    {
        Bar bar(QSize(300, 22));
        UcScroll* scroll = bar.control;
        scroll->setSmallChange(4);
        scroll->setValue(50);
        QTest::mouseClick(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        QCOMPARE(scroll->Value(), 54);
        QTest::mouseClick(scroll, Qt::LeftButton, {}, scroll->ImgLeft().center());
        QCOMPARE(scroll->Value(), 50);
        // On the track: exactly at the thumb's left counts as before it. The thumb would take
        // that press, so the track is pressed just above the thumb, at the same x.
        const int left = scroll->ImgThumb().left();
        QTest::mouseClick(scroll, Qt::LeftButton, {}, QPoint(left, 1));
        QCOMPARE(scroll->Value(), 40);
        scroll->setValue(50);
        QTest::mouseClick(scroll, Qt::LeftButton, {}, QPoint(left + 1, 1));
        QCOMPARE(scroll->Value(), 60);
        // One step per press, however long it is held.
        QTest::mousePress(scroll, Qt::LeftButton, {}, QPoint(270, 1));
        QVERIFY(!scroll->ClickTimer().isActive());
        QTest::mouseRelease(scroll, Qt::LeftButton, {}, QPoint(270, 1));
        QCOMPARE(scroll->Value(), 70);
    }

    void scrollOnlyFromThumbDragsPastTheEnd()
    {
        Bar bar(QSize(300, 22));
        UcScroll* scroll = bar.control;
        QList<QString> events;
        connect(scroll, &UcScroll::Change, this, [&] { events.append(QStringLiteral("Change")); });
        connect(scroll, &UcScroll::Scroll, this, [&] { events.append(QStringLiteral("Scroll")); });
        // Arrows, the track and a held arrow's repeat change the value but never scroll.
        QTest::mouseClick(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        QTest::mouseClick(scroll, Qt::LeftButton, {}, QPoint(270, 1));
        QTest::mousePress(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        scroll->ClickTimer_Timer();
        QTest::mouseRelease(scroll, Qt::LeftButton, {}, scroll->ImgRight().center());
        QCOMPARE(events, QList<QString>(4, QStringLiteral("Change")));
        scroll->setValue(0);
        events.clear();
        const QPoint grab = scroll->ImgThumb().topLeft() + QPoint(5, 5);
        QTest::mousePress(scroll, Qt::LeftButton, {}, grab);
        QTest::mouseMove(scroll, grab + QPoint(119, 0));
        // 21 + 119 = 140 of 21..260: (119 / 239) x 100 = 49.8 -> 50.
        QCOMPARE(scroll->Value(), 50);
        QCOMPARE(events, QList<QString>({QStringLiteral("Change"), QStringLiteral("Scroll")}));
        QTest::mouseMove(scroll, grab + QPoint(500, 0));
        QCOMPARE(scroll->ImgThumb().left(), 260);
        QCOMPARE(scroll->Value(), 100);
        // The same place again moves nothing and raises nothing.
        events.clear();
        QTest::mouseMove(scroll, grab + QPoint(600, 0));
        QVERIFY(events.isEmpty());
        QTest::mouseMove(scroll, grab + QPoint(-500, 0));
        QCOMPARE(scroll->ImgThumb().left(), 21);
        QCOMPARE(scroll->Value(), 0);
        QTest::mouseRelease(scroll, Qt::LeftButton, {}, grab + QPoint(-500, 0));
        // After the release moves do not drag.
        events.clear();
        QTest::mouseMove(scroll, grab + QPoint(50, 0));
        QVERIFY(events.isEmpty());

        // With equal bounds a drag neither divides by zero nor moves the thumb.
        scroll->setMax(0);
        QTest::mousePress(scroll, Qt::LeftButton, {}, grab);
        QTest::mouseMove(scroll, grab + QPoint(100, 0));
        QTest::mouseRelease(scroll, Qt::LeftButton, {}, grab + QPoint(100, 0));
        QCOMPARE(scroll->Value(), 0);
        QCOMPARE(scroll->ImgThumb().left(), 21);
    }

    void trackPainting()
    {
        // The middle piece is tiled at its own width (36) from 0; the end pieces, 12 long, are
        // stretched to 14 pixels, nearest-neighbour.
        Bar across(QSize(100, 22));
        const auto paint = [](UcScroll* bar) {
            return skintest::painted(bar->size(), [&](QPainter& dc) { bar->paintTrack(dc); });
        };
        QImage track = paint(across.control);
        const QImage middle = bitmap("MHSCROLL");
        const QImage low = bitmap("HLEFT");
        const QImage high = bitmap("HRIGHT");
        for (int y : {0, 5, 11, 21}) {
            QCOMPARE(track.pixel(14, y), middle.pixel(14, y));
            QCOMPARE(track.pixel(50, y), middle.pixel(50 - 36, y));
            QCOMPARE(track.pixel(85, y), middle.pixel(85 - 72, y));
            QCOMPARE(track.pixel(0, y), low.pixel(0, y));
            QCOMPARE(track.pixel(13, y), low.pixel(11, y));
            QCOMPARE(track.pixel(86, y), high.pixel(0, y));
            QCOMPARE(track.pixel(99, y), high.pixel(11, y));
        }
        // With a border the pieces leave the bottom two rows of the inner area alone: 22 rows
        // shrunk to 18, so row 17 shows source row (17.5 x 22 / 18) = 21.
        across.control->setBorderStyle(1);
        track = paint(across.control);
        QCOMPARE(track.pixel(50, 17), middle.pixel(14, 21));
        QCOMPARE(track.pixel(50, 9), middle.pixel(14, 11));
        QCOMPARE(track.pixel(50, 18), qRgb(0, 0, 0));

        Bar down(QSize(22, 100), 1);
        track = paint(down.control);
        const QImage column = bitmap("VMIDSCROLL");
        const QImage top = bitmap("VSCROLLTOP");
        const QImage bottom = bitmap("VSCROLLBOTTOM");
        for (int x : {0, 7, 21}) {
            QCOMPARE(track.pixel(x, 0), top.pixel(x, 0));
            QCOMPARE(track.pixel(x, 11), top.pixel(x, 11));
            QCOMPARE(track.pixel(x, 12), column.pixel(x, 12));
            QCOMPARE(track.pixel(x, 50), column.pixel(x, 50 - 36));
            QCOMPARE(track.pixel(x, 87), column.pixel(x, 87 - 72));
            QCOMPARE(track.pixel(x, 88), bottom.pixel(x, 0));
            QCOMPARE(track.pixel(x, 99), bottom.pixel(x, 11));
        }
    }

    void propertyBagRoundTrip()
    {
        UcScroll source;
        UcScroll copy;
        QCOMPARE(skintest::roundTrip(source, copy).first, QJsonObject()); // defaults: nothing
        source.setBorderStyle(1);
        source.setOrientation(1);
        source.setMin(-50);
        source.setMax(50);
        source.setValue(20);
        source.setSmallChange(2);
        source.setLargeChange(25);
        const auto [written, again] = skintest::roundTrip(source, copy);
        QCOMPARE(written, QJsonObject({{"BorderStyle", 1},
                                       {"Orientation", 1},
                                       {"Min", -50},
                                       {"Max", 50},
                                       {"Value", 20},
                                       {"SmallChange", 2},
                                       {"LargeChange", 25}}));
        QCOMPARE(again, written);

        // A stored value outside the bounds is taken as it is.
        UcScroll loaded;
        loaded.UserControl_ReadProperties(PropertyBag(QJsonObject{{QStringLiteral("Value"), 500}}));
        QCOMPARE(loaded.Value(), 500);
    }
};

QTEST_MAIN(tst_UcScroll)
#include "tst_UcScroll.moc"
