#include "controls/skinned/UcCmd.h"
#include "platform/ControlTag.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/OleColor.h"
#include "platform/Units.h"
#include "skin/SkinTestSupport.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

using namespace platform;

namespace {
struct StyleRow
{
    const char *name, *tag, *up, *down;
    bool captionShown;
    const char* group;
    QPoint pos;
};
} // namespace
Q_DECLARE_METATYPE(StyleRow)

class tst_UcCmd : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { setTwipsPerPixelOverride(15.0); }

    void layoutSizes()
    {
        UcCmd button;
        QCOMPARE(button.imageWidthTwips(), 600);
        QCOMPARE(button.imageHeightTwips(), 300);
        QCOMPARE(button.size(), QSize(40, 20));
        button.setPictureUP(QStringLiteral("RESTOREUP")); // 21 x 21 pixels, 315 twips
        button.setScaleFactor(1.5);
        // 472.5 twips rounds to the even 472.
        QCOMPARE(button.imageWidthTwips(), 472);
        QCOMPARE(button.imageHeightTwips(), 472);
        QCOMPARE(button.size(), QSize(31, 31));

        // A check button's width takes in its caption: 12 pixels of picture (180 twips) +
        // 20 twips + the caption.
        UcCmd check;
        check.setStyle(UcCmd::StyleCheck);
        const QString caption = QStringLiteral("Read every punctuation mark aloud");
        check.setCaption(caption);
        const double captionTwips =
            pixelsToTwipsX(QFontMetrics(check.font()).horizontalAdvance(caption));
        QCOMPARE(check.width(), twipsToPixelsX(180 + 20 + captionTwips));
        QCOMPARE(check.captionRect().left(), twipsToPixelsX(200));
        QCOMPARE(check.height(), 12);
    }

    void scaleFactorCap_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<double>("written");
        QTest::addColumn<double>("stored");
        QTest::newRow("check capped") << int(UcCmd::StyleCheck) << 5.0 << 3.0;
        QTest::newRow("option capped") << int(UcCmd::StyleOption) << 3.5 << 3.0;
        QTest::newRow("push not capped") << int(UcCmd::StyleButton) << 5.0 << 5.0;
        QTest::newRow("zero ignored") << int(UcCmd::StylePlain) << 0.0 << 1.0;
        QTest::newRow("negative ignored") << int(UcCmd::StyleButton) << -2.0 << 1.0;
    }

    void scaleFactorCap()
    {
        QFETCH(int, style);
        QFETCH(double, written);
        QFETCH(double, stored);
        UcCmd button;
        button.setStyle(style);
        button.setScaleFactor(written);
        QCOMPARE(button.ScaleFactor(), stored);
    }

    void styleTable_data()
    {
        QTest::addColumn<StyleRow>("row");
        // Title-bar buttons place themselves 6000 twips - n x 315 - 90 across the 400-pixel
        // host, 55 twips down.
        const StyleRow rows[] = {
            {"0 plain", "", "", "", true, "", {0, 0}},
            {"1 close", "TOPCLOSE", "CLOSEUP", "CLOSEDN", false, "", {373, 4}},
            {"2 restore", "RESTORE", "RESTOREUP", "RESTOREDN", false, "", {352, 4}},
            {"3 minimise", "MINIMISE", "MINIUP", "MINIDN", false, "", {331, 4}},
            {"4 button", "BOUTON", "BUTTONUP", "BUTTONDN", true, "", {0, 0}},
            {"5 check", "CHECKBUTTON", "CHECKOFF", "CHECKON", true, "", {0, 0}},
            {"6 option", "OPTBUTTON", "RADIOOFF", "RADIOON", true, "OPT1", {0, 0}},
        };
        for (const StyleRow& row : rows) {
            QTest::newRow(row.name) << row;
        }
    }

    void styleTable()
    {
        QFETCH(StyleRow, row);
        const int style = QTest::currentDataTag()[0] - '0';
        const QString tag = QLatin1String(row.tag);
        const QString up = QLatin1String(row.up);
        QWidget host;
        host.resize(400, 300);
        auto* button = new UcCmd(&host);
        setControlTag(button, QStringLiteral("old tag"));
        button->setCaption(QStringLiteral("Caption"));
        button->setValue(true);
        button->setStyle(style);
        QCOMPARE(controlTag(button), tag);
        QCOMPARE(button->PictureUP(), up);
        QCOMPARE(button->PictureDN(), QLatin1String(row.down));
        QCOMPARE(button->isCaptionShown(), row.captionShown);
        QCOMPARE(button->OptionGroup(), QLatin1String(row.group));
        QCOMPARE(button->pos(), row.pos);
        if (style >= 5) {
            QVERIFY(!button->Value() && !button->isDownShown());
        }
        if (style == 4) {
            QCOMPARE(button->captionColor(), OleColor(0xA70A4A));
        }
        if (!up.isEmpty()) {
            // The released picture is the size reference.
            QCOMPARE(button->imageRect().size(), skintest::bitmap(row.up).size());
        }
        // A style out of range is stored but keeps the pictures and the tag.
        const QRect image = button->imageRect();
        button->setStyle(7);
        QCOMPARE(button->Style(), 7);
        QCOMPARE(controlTag(button), tag);
        QCOMPARE(button->PictureUP(), up);
        QCOMPARE(button->imageRect(), image);
    }

    void pushAndCheckButtons()
    {
        QWidget host;
        host.resize(300, 100);
        auto* button = new UcCmd(&host);
        button->setStyle(UcCmd::StyleButton);
        button->setCaption(QStringLiteral("SPEAK"));
        host.show();
        QSignalSpy clicks(button, &UcCmd::Click);
        QTest::mousePress(button, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(button->isDownShown());
        QCOMPARE(button->captionColor(), OleColor(0));
        QCOMPARE(clicks.size(), 0);
        // Released far outside: still the released picture and a click.
        QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(250, 80));
        QVERIFY(!button->isDownShown());
        QCOMPARE(button->captionColor(), OleColor(0x990C5D));
        QCOMPARE(clicks.size(), 1);
        // A press on the caption works like one on the picture.
        QTest::mouseClick(button, Qt::LeftButton, {}, button->captionRect().center());
        QCOMPARE(clicks.size(), 2);

        // Disabled, the caption takes the system's inactive colour.
        button->setEnabled(false);
        QCOMPARE(button->captionColor(), systemColor(ColorInactiveCaptionText));
        button->setEnabledProperty(true);
        QCOMPARE(button->captionColor(), OleColor(0xA70A4A));

        // A check button toggles; its caption does nothing, and it raises no Click.
        auto* check = new UcCmd(&host);
        check->setStyle(UcCmd::StyleCheck);
        check->setCaption(QStringLiteral("Loop"));
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
    }

    void optionGroupClearing()
    {
        QWidget host;
        host.resize(300, 200);
        QList<UcCmd*> options;
        for (int i = 0; i < 3; ++i) {
            auto* option = new UcCmd(&host);
            option->setStyle(UcCmd::StyleOption);
            option->move(0, i * 20);
            options.append(option);
        }
        auto* other = new UcCmd(&host);
        other->setStyle(UcCmd::StyleOption);
        other->setOptionGroup(QStringLiteral("OPT2"));
        other->setValue(true);
        host.show();

        QTest::mouseClick(options[0], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(options[0]->Value());
        QTest::mouseClick(options[1], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!options[0]->Value());
        QVERIFY(!options[0]->isDownShown());
        QVERIFY(options[1]->Value());
        QVERIFY(!options[2]->Value());
        // Another group is left alone.
        QVERIFY(other->Value());
        // Clicking the option that is on changes nothing.
        QTest::mouseClick(options[1], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(options[1]->Value());
        QVERIFY(options[1]->isDownShown());
        // Laying out an option that is off clears its whole group.
        options[2]->setCaption(QStringLiteral("Robot"));
        QVERIFY(!options[1]->Value());
        QVERIFY(!options[2]->Value());
        QVERIFY(other->Value());
    }

    void missingPictureIsReported()
    {
        FakeMessageBoxService boxes;
        UcCmd button;
        button.setPictureUP(QStringLiteral("RESTOREUP"));
        const QSize before = button.size();
        button.setPictureUP(QStringLiteral("NOSUCHPICTURE"));
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes().first().title, QStringLiteral("ERROR - 326 - PictureUP - UcCmd"));
        QCOMPARE(boxes.boxes().first().text,
                 QStringLiteral("ERROR  326 - Resource with identifier 'NOSUCHPICTURE' not found"));
        // The picture that was there stays.
        QCOMPARE(button.size(), before);
    }

    void mouseMoveIsPassedOn()
    {
        QWidget host;
        host.setCursor(Qt::SizeHorCursor);
        auto* button = new UcCmd(&host);
        button->setStyle(UcCmd::StyleClose);
        host.show();
        QSignalSpy moves(button, &UcCmd::MouseMove);
        QMouseEvent move(QEvent::MouseMove, QPointF(3, 4), button->mapToGlobal(QPointF(3, 4)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button, &move);
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves.first().at(2).toFloat(), 45.0f);
        QCOMPARE(moves.first().at(3).toFloat(), 60.0f);
        // The sizing arrow the skin left on the form is gone.
        QCOMPARE(host.cursor().shape(), Qt::ArrowCursor);
    }

    void propertyBagRoundTrip()
    {
        QWidget host;
        UcCmd source(&host);
        UcCmd fresh(&host);
        // Defaults store nothing, and an empty bag gives the defaults.
        QCOMPARE(skintest::roundTrip(source, fresh).first, QJsonObject());
        QCOMPARE(fresh.Style(), 0);
        QCOMPARE(fresh.ScaleFactor(), 1.0);
        QVERIFY(fresh.Enabled());
        QCOMPARE(fresh.captionColor(), OleColor(0x990C5D));
        QCOMPARE(fresh.size(), QSize(40, 20));

        source.setStyle(UcCmd::StyleOption);
        source.setBorderStyle(1);
        source.setScaleFactor(2.5);
        source.setCaption(QStringLiteral("Female voice"));
        source.setOptionGroup(QStringLiteral("VOICES"));
        source.setValue(true);
        QFont font = source.font();
        font.setPointSize(font.pointSize() + 3);
        source.setFont(font);
        source.setEnabled(false);
        UcCmd copy(&host);
        auto [written, again] = skintest::roundTrip(source, copy);
        QCOMPARE(again, written);
        QVERIFY(written.contains(QStringLiteral("Font")));
        written.remove(QStringLiteral("Font"));
        QCOMPARE(written, QJsonObject({{"BorderStyle", 1},
                                       {"Enabled", false},
                                       {"ScaleFactor", 2.5},
                                       {"PictureUP", "RADIOOFF"},
                                       {"PictureDN", "RADIOON"},
                                       {"Style", 6},
                                       {"Caption", "Female voice"},
                                       {"Value", true},
                                       {"OptionGroup", "VOICES"}}));
        QCOMPARE(copy.Font().pointSize(), font.pointSize());
        QCOMPARE(copy.captionColor(), systemColor(ColorInactiveCaptionText));
        QVERIFY(copy.isDownShown());
        QCOMPARE(copy.size(), source.size());
        // Loading does not apply the style again, but an untagged control gets its tag.
        QCOMPARE(controlTag(&copy), QStringLiteral("OPTBUTTON"));
        UcCmd tagged(&host);
        setControlTag(&tagged, QStringLiteral("HOST TAG"));
        tagged.UserControl_ReadProperties(PropertyBag(again));
        QCOMPARE(controlTag(&tagged), QStringLiteral("HOST TAG"));
        // The released picture sets the size, also when the pressed one differs.
        UcCmd mixed(&host);
        mixed.UserControl_ReadProperties(
            PropertyBag(QJsonObject{{"PictureUP", "RESTOREUP"}, {"PictureDN", "BUTTONDN"}}));
        QCOMPARE(mixed.imageRect().size(), QSize(21, 21));
        QCOMPARE(mixed.size(), QSize(21, 21));
    }
};

QTEST_MAIN(tst_UcCmd)
#include "tst_UcCmd.moc"
