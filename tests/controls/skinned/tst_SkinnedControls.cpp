// The skinned command button, scroll bar and progress bar.

#include "controls/skinned/UcCmd.h"
#include "controls/skinned/UcProgress.h"
#include "controls/skinned/UcScroll.h"
#include "platform/ControlTag.h"
#include "platform/OleColor.h"
#include "platform/Units.h"
#include "skin/SkinTestSupport.h"
#include "support/FakeMessageBoxService.h"

#include <QJsonDocument>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using skinned::UcCmd;
using skinned::UcProgress;
using skinned::UcScroll;
using skintest::bitmap;
using Bar = skintest::Hosted<UcScroll>;
using Progress = skintest::Hosted<UcProgress>;

namespace {

struct StyleRow
{
    const char *tag, *up, *down;
    bool captionShown;
    const char* group;
    QPoint pos;
};

QJsonObject json(const char* text)
{
    return QJsonDocument::fromJson(text).object();
}

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

class tst_SkinnedControls : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { platform::setTwipsPerPixelOverride(15.0); }

    // The released picture times the scale factor sets the size; a check button's width takes
    // in its caption. Check and option buttons are capped at 3; zero and negative factors are
    // ignored. A picture that is missing is reported, and the one that was there stays.
    void sizeFollowsPictureScaleAndCaption()
    {
        UcCmd button;
        QCOMPARE(QSize(button.imageWidthTwips(), button.imageHeightTwips()), QSize(600, 300));
        QCOMPARE(button.size(), QSize(40, 20));
        button.setPictureUP("RESTOREUP"); // 21 x 21 pixels, 315 twips
        button.setScaleFactor(1.5);
        // 472.5 twips rounds to the even 472.
        QCOMPARE(QSize(button.imageWidthTwips(), button.imageHeightTwips()), QSize(472, 472));
        QCOMPARE(button.size(), QSize(31, 31));
        // 12 pixels of picture (180 twips) + 20 twips + the caption.
        UcCmd check;
        check.setStyle(UcCmd::StyleCheck);
        const QString caption = "Read every punctuation mark aloud";
        check.setCaption(caption);
        const double captionTwips =
            platform::pixelsToTwipsX(QFontMetrics(check.font()).horizontalAdvance(caption));
        QCOMPARE(check.width(), platform::twipsToPixelsX(180 + 20 + captionTwips));
        QCOMPARE(check.captionRect().left(), platform::twipsToPixelsX(200));
        QCOMPARE(check.height(), 12);

        const std::tuple<int, double, double> rows[] = {
            {UcCmd::StyleCheck, 5.0, 3.0},
            {UcCmd::StyleButton, 5.0, 5.0},
            {UcCmd::StylePlain, 0.0, 1.0},
            {UcCmd::StyleButton, -2.0, 1.0},
        };
        for (const auto& [style, written, stored] : rows) {
            UcCmd scaled;
            scaled.setStyle(style);
            scaled.setScaleFactor(written);
            QCOMPARE(scaled.ScaleFactor(), stored);
        }

        support::FakeMessageBoxService boxes;
        UcCmd missing;
        missing.setPictureUP("RESTOREUP");
        const QSize before = missing.size();
        missing.setPictureUP("NOSUCHPICTURE");
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().title, "ERROR - 326 - PictureUP - UcCmd");
        QCOMPARE(boxes.boxes().first().text,
                 "ERROR  326 - Resource with identifier 'NOSUCHPICTURE' not found");
        QCOMPARE(missing.size(), before);
    }

    void styleSetsPicturesTagAndPlace()
    {
        // By style: plain, close, restore, minimise, button, check, option. Title-bar buttons
        // place themselves 6000 twips - n x 315 - 90 across the 400-pixel host, 55 twips down.
        const StyleRow rows[] = {
            {"", "", "", true, "", {0, 0}},
            {"TOPCLOSE", "CLOSEUP", "CLOSEDN", false, "", {373, 4}},
            {"RESTORE", "RESTOREUP", "RESTOREDN", false, "", {352, 4}},
            {"MINIMISE", "MINIUP", "MINIDN", false, "", {331, 4}},
            {"BOUTON", "BUTTONUP", "BUTTONDN", true, "", {0, 0}},
            {"CHECKBUTTON", "CHECKOFF", "CHECKON", true, "", {0, 0}},
            {"OPTBUTTON", "RADIOOFF", "RADIOON", true, "OPT1", {0, 0}},
        };
        for (int style = 0; style < 7; ++style) {
            const StyleRow& row = rows[style];
            const QString tag = QLatin1String(row.tag);
            const QString up = QLatin1String(row.up);
            QWidget host;
            host.resize(400, 300);
            auto* button = new UcCmd(&host);
            platform::setControlTag(button, "old tag");
            button->setCaption("Caption");
            button->setValue(true);
            button->setStyle(style);
            QCOMPARE(platform::controlTag(button), tag);
            QCOMPARE(button->PictureUP(), up);
            QCOMPARE(button->PictureDN(), QLatin1String(row.down));
            QCOMPARE(button->isCaptionShown(), row.captionShown);
            QCOMPARE(button->OptionGroup(), QLatin1String(row.group));
            QCOMPARE(button->pos(), row.pos);
            if (style >= 5) {
                QVERIFY(!button->Value() && !button->isDownShown());
            }
            if (style == 4) {
                QCOMPARE(button->captionColor(), platform::OleColor(0xA70A4A));
            }
            if (!up.isEmpty()) {
                // The released picture is the size reference.
                QCOMPARE(button->imageRect().size(), bitmap(row.up).size());
            }
            // A style out of range is stored but keeps the pictures and the tag.
            const QRect image = button->imageRect();
            button->setStyle(7);
            QCOMPARE(button->Style(), 7);
            QCOMPARE(platform::controlTag(button), tag);
            QCOMPARE(button->PictureUP(), up);
            QCOMPARE(button->imageRect(), image);
        }
    }

    // A push button clicks on its release wherever that is; a check button toggles without a
    // click. A move is passed on in twips, and the skin's sizing arrow leaves the form.
    void buttonsAnswerTheMouse()
    {
        QWidget host;
        host.resize(300, 100);
        auto* button = new UcCmd(&host);
        button->setStyle(UcCmd::StyleButton);
        button->setCaption("SPEAK");
        host.show();
        QSignalSpy clicks(button, &UcCmd::Click);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(button->isDownShown());
        QCOMPARE(button->captionColor(), platform::OleColor(0));
        QCOMPARE(clicks.size(), 0);
        // Released far outside: still the released picture and a click.
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(250, 80));
        QVERIFY(!button->isDownShown());
        QCOMPARE(button->captionColor(), platform::OleColor(0x990C5D));
        QCOMPARE(clicks.size(), 1);
        // Disabled, the caption takes the system's inactive colour.
        button->setEnabled(false);
        QCOMPARE(button->captionColor(), platform::systemColor(platform::ColorInactiveCaptionText));
        button->setEnabledProperty(true);
        QCOMPARE(button->captionColor(), platform::OleColor(0xA70A4A));
        // A check button toggles; its caption does nothing, and it raises no Click.
        auto* check = new UcCmd(&host);
        check->setStyle(UcCmd::StyleCheck);
        check->setCaption("Loop");
        check->move(0, 50);
        check->show();
        QSignalSpy checkClicks(check, &UcCmd::Click);
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(check->Value() && check->isDownShown());
        QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!check->Value() && !check->isDownShown());
        QTest::mouseClick(check, Qt::LeftButton, {}, check->captionRect().center());
        QVERIFY(!check->Value());
        QCOMPARE(checkClicks.size(), 0);

        QWidget form;
        form.setCursor(Qt::SizeHorCursor);
        auto* close = new UcCmd(&form);
        close->setStyle(UcCmd::StyleClose);
        form.show();
        QSignalSpy moves(close, &UcCmd::MouseMove);
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 4), close->mapToGlobal(QPointF(3, 4)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(close, &move);
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves.first().at(2).toFloat(), 45.0f);
        QCOMPARE(moves.first().at(3).toFloat(), 60.0f);
        // The sizing arrow the skin left on the form is gone.
        QCOMPARE(form.cursor().shape(), Qt::ArrowCursor);
    }

    void optionGroupClearing()
    {
        QWidget host;
        host.resize(300, 200);
        QList<UcCmd*> options;
        for (int i = 0; i < 4; ++i) {
            options.append(new UcCmd(&host));
            options[i]->setStyle(UcCmd::StyleOption);
            options[i]->move(0, i * 20);
        }
        UcCmd* other = options.takeLast();
        other->setOptionGroup("OPT2");
        other->setValue(true);
        host.show();

        QTest::mouseClick(options[0], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(options[0]->Value());
        QTest::mouseClick(options[1], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!options[0]->Value() && !options[0]->isDownShown());
        QVERIFY(options[1]->Value() && !options[2]->Value());
        // Another group is left alone.
        QVERIFY(other->Value());
        // Clicking the option that is on changes nothing.
        QTest::mouseClick(options[1], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(options[1]->Value() && options[1]->isDownShown());
        // Laying out an option that is off clears its whole group.
        options[2]->setCaption("Robot");
        QVERIFY(!options[1]->Value() && !options[2]->Value());
        QVERIFY(other->Value());
    }

    // Defaults store nothing; what differs is stored, and a copy stores the same again. A
    // stored scroll value outside the bounds is taken as it is.
    void storedProperties()
    {
        QWidget host;
        UcCmd source(&host);
        UcCmd fresh(&host);
        // Defaults store nothing, and an empty bag gives the defaults.
        QCOMPARE(skintest::roundTrip(source, fresh).first, QJsonObject());
        QCOMPARE(
            std::tuple(fresh.Style(), fresh.ScaleFactor(), fresh.Enabled(), fresh.captionColor()),
            std::tuple(0, 1.0, true, platform::OleColor(0x990C5D)));
        QCOMPARE(fresh.size(), QSize(40, 20));

        source.setStyle(UcCmd::StyleOption);
        source.setBorderStyle(1);
        source.setScaleFactor(2.5);
        source.setCaption("Female voice");
        source.setOptionGroup("VOICES");
        source.setValue(true);
        QFont font = source.font();
        font.setPointSize(font.pointSize() + 3);
        source.setFont(font);
        source.setEnabled(false);
        UcCmd copy(&host);
        auto [written, again] = skintest::roundTrip(source, copy);
        QCOMPARE(again, written);
        QVERIFY(written.contains("Font"));
        written.remove("Font");
        QCOMPARE(written, json(R"({"BorderStyle": 1, "Enabled": false, "ScaleFactor": 2.5,
            "PictureUP": "RADIOOFF", "PictureDN": "RADIOON", "Style": 6,
            "Caption": "Female voice", "Value": true, "OptionGroup": "VOICES"})"));
        QCOMPARE(copy.Font().pointSize(), font.pointSize());
        QCOMPARE(copy.captionColor(), platform::systemColor(platform::ColorInactiveCaptionText));
        QVERIFY(copy.isDownShown());
        QCOMPARE(copy.size(), source.size());
        // Loading does not apply the style again, but an untagged control gets its tag.
        QCOMPARE(platform::controlTag(&copy), "OPTBUTTON");
        UcCmd tagged(&host);
        platform::setControlTag(&tagged, "HOST TAG");
        tagged.UserControl_ReadProperties(platform::PropertyBag(again));
        QCOMPARE(platform::controlTag(&tagged), "HOST TAG");
        // The released picture sets the size, also when the pressed one differs.
        UcCmd mixed(&host);
        mixed.UserControl_ReadProperties(
            platform::PropertyBag(json(R"({"PictureUP": "RESTOREUP", "PictureDN": "BUTTONDN"})")));
        QCOMPARE(mixed.imageRect().size(), QSize(21, 21));
        QCOMPARE(mixed.size(), QSize(21, 21));

        UcScroll scroll;
        UcScroll scrollCopy;
        QCOMPARE(skintest::roundTrip(scroll, scrollCopy).first, QJsonObject());
        scroll.setBorderStyle(1);
        scroll.setOrientation(1);
        scroll.setMin(-50);
        scroll.setMax(50);
        scroll.setValue(20);
        scroll.setSmallChange(2);
        scroll.setLargeChange(25);
        const auto [scrollStored, scrollStoredAgain] = skintest::roundTrip(scroll, scrollCopy);
        QCOMPARE(scrollStored, json(R"({"BorderStyle": 1, "Orientation": 1, "Min": -50, "Max": 50,
            "Value": 20, "SmallChange": 2, "LargeChange": 25})"));
        QCOMPARE(scrollStoredAgain, scrollStored);
        UcScroll loaded;
        loaded.UserControl_ReadProperties(platform::PropertyBag(json(R"({"Value": 500})")));
        QCOMPARE(loaded.Value(), 500);

        UcProgress progress;
        UcProgress progressCopy;
        QCOMPARE(skintest::roundTrip(progress, progressCopy).first, QJsonObject());
        progress.setOrientation(1);
        progress.setMax(500);
        progress.setMin(20);
        progress.setValue(300);
        const auto [stored, storedAgain] = skintest::roundTrip(progress, progressCopy);
        QCOMPARE(stored, json(R"({"Orientation": 1, "Min": 20, "Max": 500, "Value": 300})"));
        QCOMPARE(storedAgain, stored);
    }

    void scrollValueAndBoundsPushEachOther()
    {
        // Each row starts from the defaults with the value at 30. Value raises Change, even
        // when nothing changed; the bounds push each other but leave the value as it is.
        // stored: Min, Max, Value, SmallChange, LargeChange.
        const int top = 2147483647;
        using Setter = void (UcScroll::*)(qint32);
        const Setter value = &UcScroll::setValue, min = &UcScroll::setMin, max = &UcScroll::setMax,
                     small = &UcScroll::setSmallChange, large = &UcScroll::setLargeChange;
        const std::tuple<Setter, int, QList<int>, int> rows[] = {
            {value, 105, {0, 100, 100, 1, 10}, 1},
            {value, -3, {0, 100, 0, 1, 10}, 1},
            {value, 30, {0, 100, 30, 1, 10}, 1},
            {max, -20, {-120, -20, 30, 1, 10}, 0},
            {max, 0, {0, 0, 30, 1, 10}, 0},
            {min, top - 47, {top - 47, top, 30, 1, 10}, 0},
            {small, 0, {0, 100, 30, 1, 10}, 0},
            {small, 40000, {0, 100, 30, 1, 10}, 0},
            {small, 32767, {0, 100, 30, 32767, 10}, 0},
            {large, -1, {0, 100, 30, 1, 10}, 0},
            {large, 1, {0, 100, 30, 1, 1}, 0}};
        for (const auto& [setter, written, stored, changes] : rows) {
            UcScroll bar;
            bar.setValue(30);
            QSignalSpy changed(&bar, &UcScroll::Change);
            (bar.*setter)(written);
            QCOMPARE(QList<int>(
                         {bar.Min(), bar.Max(), bar.Value(), bar.SmallChange(), bar.LargeChange()}),
                     stored);
            QCOMPARE(changed.size(), changes);
        }
    }

    void arrowAndThumbGeometry()
    {
        // 300 x 22 pixels: k = 330 / 50 = 6.6 -> 7; arrows and thumb 15 high and 18.75 -> 19
        // wide; the thumb runs from 2 + 19 = 21 to 279 - 19 = 260, half way 140.5 to even.
        Bar across(QSize(300, 22));
        QCOMPARE(across.control->ImgLeft(), QRect(2, 4, 19, 15));
        QCOMPARE(across.control->ImgRight(), QRect(279, 4, 19, 15));
        for (const auto& [value, thumbLeft] : {std::pair{0, 21}, {100, 260}, {50, 140}}) {
            across.control->setValue(value);
            QCOMPARE(across.control->ImgThumb(), QRect(thumbLeft, 4, 19, 15));
        }
        // Upright, the bar shrinks to 350 twips at 15 twips a pixel. k = 350 / 50 = 7: 16 wide,
        // 16 x 4 / 3.5 = 18.29 -> 18 high, centred across.
        Bar down(QSize(40, 200), 1);
        QCOMPARE(down.control->width(), 23);
        QCOMPARE(down.control->ImgLeft(), QRect(4, 2, 16, 18));
        QCOMPARE(down.control->ImgRight(), QRect(4, 200 - 18 - 2, 16, 18));
        QCOMPARE(down.control->ImgThumb().topLeft(), QPoint(4, 20));
        down.control->setValue(100);
        QCOMPARE(down.control->ImgThumb().top(), 180 - 18);
    }

    // A click on an arrow or the track steps once; a held arrow repeats, slowly at first. Each
    // step raises Change, none Scroll.
    void arrowsAndTrackStep()
    {
        Bar bar(QSize(300, 22));
        UcScroll* scroll = bar.control;
        QSignalSpy scrolls(scroll, &UcScroll::Scroll);
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
        QCOMPARE(scrolls.size(), 0);

        Bar held(QSize(300, 22));
        scroll = held.control;
        QSignalSpy changes(scroll, &UcScroll::Change), heldScrolls(scroll, &UcScroll::Scroll);
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
        held.host.hide();
        QVERIFY(!timer.isActive());
        QVERIFY(!scroll->isRightArrowPressed());
        QCOMPARE(QList<qsizetype>({changes.size(), heldScrolls.size()}), QList<qsizetype>({8, 0}));
    }

    void scrollOnlyFromThumbDragsPastTheEnd()
    {
        Bar bar(QSize(300, 22));
        UcScroll* scroll = bar.control;
        QStringList events;
        connect(scroll, &UcScroll::Change, this, [&] { events.append("Change"); });
        connect(scroll, &UcScroll::Scroll, this, [&] { events.append("Scroll"); });
        const QPoint grab = scroll->ImgThumb().topLeft() + QPoint(5, 5);
        QTest::mousePress(scroll, Qt::LeftButton, {}, grab);
        QTest::mouseMove(scroll, grab + QPoint(119, 0));
        // 21 + 119 = 140 of 21..260: (119 / 239) x 100 = 49.8 -> 50.
        QCOMPARE(scroll->Value(), 50);
        QCOMPARE(events, QStringList({"Change", "Scroll"}));
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

    void trackTilesItsMiddleAndStretchesItsEnds()
    {
        const auto paint = [](UcScroll* bar) {
            return skintest::painted(bar->size(), [&](QPainter& dc) { bar->paintTrack(dc); });
        };
        Bar across(QSize(100, 22));
        Bar down(QSize(22, 100), 1);
        const QImage across100 = paint(across.control);
        const QImage down100 = paint(down.control);
        // The middle piece is tiled at its own length (36) from 0; the end pieces, 12 long, are
        // stretched to 14 pixels, nearest-neighbour. Each spot: upright, the place along the
        // track, the piece shown there and the place along that piece.
        const std::tuple<bool, int, const char*, int> spots[] = {
            {false, 0, "HLEFT", 0},         {false, 13, "HLEFT", 11},
            {false, 14, "MHSCROLL", 14},    {false, 85, "MHSCROLL", 85 - 72},
            {false, 86, "HRIGHT", 0},       {false, 99, "HRIGHT", 11},
            {true, 0, "VSCROLLTOP", 0},     {true, 11, "VSCROLLTOP", 11},
            {true, 12, "VMIDSCROLL", 12},   {true, 87, "VMIDSCROLL", 87 - 72},
            {true, 88, "VSCROLLBOTTOM", 0}, {true, 99, "VSCROLLBOTTOM", 11}};
        for (const auto& [upright, along, name, pieceAlong] : spots) {
            const QImage piece = bitmap(name);
            for (int at : {0, 5, 7, 11, 21}) {
                QCOMPARE(upright ? down100.pixel(at, along) : across100.pixel(along, at),
                         upright ? piece.pixel(at, pieceAlong) : piece.pixel(pieceAlong, at));
            }
        }
        // With a border the pieces leave the bottom two rows of the inner area alone: 22 rows
        // shrunk to 18, so row 17 shows source row (17.5 x 22 / 18) = 21.
        across.control->setBorderStyle(1);
        const QImage bordered = paint(across.control);
        const QImage middle = bitmap("MHSCROLL");
        QCOMPARE(bordered.pixel(50, 17), middle.pixel(14, 21));
        QCOMPARE(bordered.pixel(50, 9), middle.pixel(14, 11));
        QCOMPARE(bordered.pixel(50, 18), qRgb(0, 0, 0));
    }

    // At 76 % the bar starts at 4, from 77 % (>= 100 / 1.3) at 0. An upright bar grows upwards
    // from four above the bottom.
    void barsAreKeyedAndStretched()
    {
        Progress progress(QSize(100, 19));
        const QImage empty = trough(progress.control);
        const QImage bar = bitmap("HPROGRESS"); // 109 x 14, stretched to length x 19
        const int row = 9;
        const int sourceRow = nearest(row, 14, 19);
        for (const auto& [value, left] : {std::pair{76, 4}, {77, 0}, {100, 0}}) {
            progress.control->setValue(value);
            // On a control of 100 pixels the bar is as long as the value.
            const int length = value;
            QCOMPARE(progress.control->GetHorizontalPos(), length);
            const QImage& shown = progress.control->PictDC();
            for (int x = 0; x < 100; ++x) {
                const bool onBar = x >= left && x < left + length;
                QCOMPARE(shown.pixel(x, row), onBar ? keyed(bar, nearest(x - left, 109, length),
                                                            sourceRow, empty.pixel(x, row))
                                                    : empty.pixel(x, row));
            }
            // Down the bar's first column the keyed corners leave the trough showing.
            const int firstColumn = nearest(0, 109, length);
            for (int y = 0; y < 19; ++y) {
                QCOMPARE(shown.pixel(left, y),
                         keyed(bar, firstColumn, nearest(y, 14, 19), empty.pixel(left, y)));
            }
        }

        Progress upright(QSize(19, 104), 1);
        const QImage uprightTrough = trough(upright.control);
        upright.control->setValue(50);
        // round(-0.5 x (104 - 4)).
        QCOMPARE(upright.control->GetVerticalPos(), -50);
        const QImage& shown = upright.control->PictDC();
        const QImage risingBar = bitmap("VPROGRESS"); // 14 x 109, mirrored top to bottom
        const int column = 9;
        const int sourceColumn = nearest(column, 14, 19);
        for (int y = 0; y < 104; ++y) {
            // Row 99, just above the line y 100, shows the top of the bitmap.
            const QRgb trough = uprightTrough.pixel(column, y);
            QCOMPARE(shown.pixel(column, y),
                     y < 50 || y >= 100
                         ? trough
                         : keyed(risingBar, sourceColumn, nearest(99 - y, 109, 50), trough));
        }
    }

    void valueBoundAndThicknessRules()
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
        // The thickness is capped at 400 twips: 26.67 -> 27 pixels.
        const std::tuple<qint16, QSize, QSize> rows[] = {{0, QSize(200, 40), QSize(200, 27)},
                                                         {0, QSize(200, 19), QSize(200, 19)},
                                                         {1, QSize(40, 200), QSize(27, 200)}};
        for (const auto& [orientation, requested, laidOut] : rows) {
            QCOMPARE(Progress(requested, orientation).control->size(), laidOut);
        }
    }
};

QTEST_MAIN(tst_SkinnedControls)
#include "tst_SkinnedControls.moc"
