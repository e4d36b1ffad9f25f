// The button's properties, their coupling rules, design-time advice, option groups,
// stored format, palette and caption layout; its outlines: self-widening, shapes cut from a
// picture, and the one-pixel shift of a pressed custom-shaped button. The pixels of each
// outline, its rings and what it cuts off are checked by the looks sheets.

#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/AmbientProperties.h"
#include "platform/EventLog.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/WindowProperties.h"
#include "rkTestSupport.h"

#include <QSignalSpy>
#include <QTest>

using platform::OleColor;
using platform::rgb;

namespace {

platform::Picture bitmap(QSize size = QSize(16, 16), QColor key = Qt::magenta)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(key);
    QPainter painter(&image);
    painter.fillRect(QRect(QPoint(2, 2), size - QSize(4, 4)), Qt::darkGreen);
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

platform::Picture icon()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return platform::Picture(platform::Picture::Type::Icon, image);
}

// The bounding box of the strongly red pixels (caption ink), within a rectangle.
QRect redPixels(const QImage& image, QRect within)
{
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        for (int x = within.left(); x <= within.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qRed(pixel) > 180 && qGreen(pixel) < 90 && qBlue(pixel) < 90) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

// The properties named in "Name=... Name=..." as the button has them now, in the same form.
QString properties(const rkButtons_H* b, const QString& names)
{
    using B = const rkButtons_H*;
    const QHash<QString, std::function<qint64(B)>> get = {
        {"Value", [](B b) { return b->Value(); }},
        {"Mode", [](B b) { return b->Mode(); }},
        {"ImgSize", [](B b) { return b->ImgSize(); }},
        {"PictureSize", [](B b) { return b->PictureSize(); }},
        {"ButtonShape", [](B b) { return b->ButtonShape(); }},
        {"ButtonStyle", [](B b) { return b->ButtonStyle(); }},
        {"CaptionAlign", [](B b) { return b->CaptionAlign(); }},
        {"CustomClick", [](B b) { return b->CustomClick(); }},
        {"ShowFocusRect", [](B b) { return b->ShowFocusRect(); }},
        {"BackColor", [](B b) { return b->BackColor(); }},
        {"HoverBackColor", [](B b) { return b->HoverBackColor(); }},
        {"Default", [](B b) { return (b->StateFlags() & rkButtons_H::kStateDefault) != 0; }}};
    QStringList shown;
    for (const QString& property : names.split(QLatin1Char(' '))) {
        const QString name = property.section(QLatin1Char('='), 0, 0);
        shown << QStringLiteral("%1=%2").arg(name).arg(get.contains(name) ? get[name](b) : -999);
    }
    return shown.join(QLatin1Char(' '));
}

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

class tst_rkButtons_H : public rktest::Fixture
{
    Q_OBJECT

private Q_SLOTS:
    void accessKeys_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("key");
        const auto row = [](const char* tag, const char* caption, const char* key) {
            QTest::newRow(tag) << QString::fromUtf8(caption) << QString::fromUtf8(key);
        };
        row("letter", "&Open", "O");
        row("inside", "Se&lect All", "l");
        row("only a literal pair", "Cut && Paste", "");
        row("pair right of a single", "&Save && Exit", "S");
        row("pair left of a single", "A && &B", "B");
        row("trailing ampersand", "Open&", "");
        row("none", "Open", "");
        row("last single wins", "&a &b", "b");
    }

    void accessKeys()
    {
        QFETCH(QString, caption);
        QFETCH(QString, key);
        rkButtons_H* b = button();
        b->setCaption(caption);
        QCOMPARE(b->AccessKeys(), key);
    }

    void accessKeyClicks()
    {
        rkButtons_H* b = button();
        b->setCaption(QStringLiteral("&Open"));
        QSignalSpy clicks(b, &rkButtons_H::Click);
        QApplication::setActiveWindow(m_container.get());
        QVERIFY(QTest::qWaitForWindowActive(m_container.get()));
        QTest::keyClick(m_container.get(), Qt::Key_O, Qt::AltModifier);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(b->LastMouseButton(), 1);
        // Enter and Escape click only command buttons.
        b->AccessKeyPress(13);
        QCOMPARE(clicks.count(), 2);
        b->setMode(1);
        b->AccessKeyPress(27);
        QCOMPARE(clicks.count(), 2);
        QVERIFY(!b->Value());
    }

    void optionGroup()
    {
        namespace props = platform::windowprops;
        QWidget* c = m_container.get();
        // The members as the container lists them: "1rk_Obj", "2rk_Obj", ... under
        // "rk_OptCount", with nothing left behind past the count.
        const auto group = [c] {
            QList<QObject*> members;
            while (props::contains(c, QStringLiteral("%1rk_Obj").arg(members.size() + 1))) {
                members << props::object(c, QStringLiteral("%1rk_Obj").arg(members.size() + 1));
            }
            const auto count = props::number(c, QStringLiteral("rk_OptCount"));
            return count.value_or(0) == members.size() ? members : QList<QObject*>{nullptr};
        };
        rkButtons_H* a = option(0, QStringLiteral("a"));
        rkButtons_H* b = option(1, QStringLiteral("b"));
        rkButtons_H* d = option(2, QStringLiteral("d"));
        rkButtons_H* e = option(3, QStringLiteral("e"));
        QCOMPARE(group(), (QList<QObject*>{a, b, d, e}));

        a->setValue(true);
        b->setValue(true);
        QVERIFY(!a->Value());
        QVERIFY(b->Value());
        QVERIFY(a->OptionToggle(2));

        // Leaving from the middle and from the front moves the ones after it down.
        d->setMode(0);
        QCOMPARE(group(), (QList<QObject*>{a, b, e}));
        a->setMode(0);
        QCOMPARE(group(), (QList<QObject*>{b, e}));
        // Leaving from the end.
        e->setMode(1);
        QCOMPARE(group(), (QList<QObject*>{b}));
        // A set member leaving to command mode loses its Value; the last one removes the count.
        b->setMode(0);
        QVERIFY(!b->Value());
        QVERIFY(group().isEmpty());
        QVERIFY(!props::contains(c, QStringLiteral("rk_OptCount")));
    }

    void optionGroupNeverHoldsADestroyedButton()
    {
        QWidget* c = m_container.get();
        rkButtons_H* a = option(0, QStringLiteral("a"));
        rkButtons_H* b = option(1, QStringLiteral("b"));
        b->setValue(true);
        delete a;
        namespace props = platform::windowprops;
        QCOMPARE(props::number(c, QStringLiteral("rk_OptCount")), std::optional<qint64>(1));
        QCOMPARE(props::object(c, QStringLiteral("1rk_Obj")), b);
        QVERIFY(b->Value());
        // A button that is no member leaves nobody out.
        auto* stranger = button(QRect(10, 90, 80, 24), QStringLiteral("s"));
        QVERIFY(!stranger->OptionToggle(-1));
        QCOMPARE(props::number(c, QStringLiteral("rk_OptCount")), std::optional<qint64>(1));
    }

    void focusSelectsAnUnsetGroup()
    {
        rkButtons_H* a = option(0, QStringLiteral("a"));
        rkButtons_H* b = option(1, QStringLiteral("b"));
        QSignalSpy clicksA(a, &rkButtons_H::Click);
        QSignalSpy clicksB(b, &rkButtons_H::Click);
        m_container->activateWindow();
        a->setFocus();
        QTRY_VERIFY(a->Value());
        QCOMPARE(clicksA.count(), 1);
        // With a member set, the focus moving on selects nothing.
        b->setFocus();
        QTRY_VERIFY(b->hasFocus());
        QVERIFY(!b->Value());
        QCOMPARE(clicksB.count(), 0);
    }

    void propertyRules_data()
    {
        QTest::addColumn<bool>("design");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QStringList>("advice");
        QTest::addColumn<QString>("result");
        const QString notApplicable =
            QStringLiteral("This property is not applicable for command button modes.");
        const QString pictureFirst = QStringLiteral(
            "The Picture Property must be assigned first and must be a bitmap or JPEG.");
        const QString centred = QStringLiteral("When button images are aligned top/bottom "
                                               "center, \r\nbutton captions can only be center "
                                               "aligned");
        const QString noEffect = QStringLiteral(
            "This property has no effect unless the Button Shape is a custom shape.");
        const QString focus = QStringLiteral(
            "The focus rectangle may appear on default buttons ONLY while in design mode, "
            "\r\nbut will not appear when the form is running.");
        // Picture: 0 none, 1 a bitmap, 2 an icon. At run time the advice is never shown.
        const auto row = [](const char* tag, bool design, const char* changes,
                            const QStringList& advice, const char* result) {
            QTest::newRow(tag) << design << QString::fromLatin1(changes) << advice
                               << QString::fromLatin1(result);
        };
        row("command Value, run time", false, "Value=1", {}, "Value=0");
        row("command Value", true, "Value=1", {notApplicable}, "Value=0");
        row("check Value", true, "Mode=1 Value=1", {}, "Value=1");
        row("check made command", true, "Mode=1 Value=1 Mode=0", {}, "Value=0");
        row("picture size", false, "PictureSize=2", {}, "ImgSize=32 PictureSize=2");
        row("picture size out of range", false, "PictureSize=2 PictureSize=5 PictureSize=-1", {},
            "PictureSize=2");
        row("picture size of a custom shape", true, "Picture=1 ButtonShape=7 PictureSize=1",
            {QStringLiteral("The picture size cannot be changed for Shaped buttons")},
            "PictureSize=4");
        row("custom shape without a picture", true, "ButtonShape=2 ButtonShape=7", {pictureFirst},
            "ButtonShape=2");
        row("custom shape from an icon", true, "ButtonShape=2 Picture=2 ButtonShape=8",
            {pictureFirst}, "ButtonShape=2");
        row("shape out of range", true, "ButtonShape=2 ButtonShape=9", {}, "ButtonShape=2");
        row("custom shape", true, "CaptionAlign=0 Picture=1 ButtonShape=7", {},
            "ButtonShape=7 PictureSize=4 CaptionAlign=2");
        // From one custom shape to the other without a picture-size complaint.
        row("custom shape to custom shape", true, "Picture=1 ButtonShape=7 ButtonShape=8", {},
            "ButtonShape=8");
        row("icon on a custom shape", true, "Picture=1 ButtonShape=7 Picture=2",
            {QStringLiteral("Icons cannot be used for custom buttons. Only use bitmaps or "
                            "JPEGs.\r\nButton was changed to Rectangular shaped.")},
            "ButtonShape=0");
        row("custom shape loses its picture", true, "Picture=1 ButtonShape=7 Picture=0", {},
            "ButtonShape=0");
        row("caption under a centred picture, run time", false,
            "Picture=1 PictureAlign=4 CaptionAlign=0", {}, "CaptionAlign=2");
        row("caption under a centred picture", true, "Picture=1 PictureAlign=4 CaptionAlign=1",
            {centred}, "CaptionAlign=2");
        row("caption beside a picture", true, "Picture=1 PictureAlign=1 CaptionAlign=0", {},
            "CaptionAlign=0");
        row("custom click, run time", false, "CustomClick=3", {}, "CustomClick=3");
        row("custom click of a plain shape", true, "CustomClick=1", {noEffect}, "CustomClick=1");
        row("no focus rectangle on the default, run time", false, "Default=1 ShowFocusRect=0", {},
            "Default=0");
        row("no focus rectangle on the default", true, "Default=1 ShowFocusRect=0", {focus},
            "Default=1");
    }

    // Properties that refuse or couple values, and the advice given at design time.
    void propertyRules()
    {
        QFETCH(bool, design);
        QFETCH(QString, changes);
        QFETCH(QStringList, advice);
        QFETCH(QString, result);
        using B = rkButtons_H*;
        const QHash<QString, std::function<void(B, int)>> set = {
            {"Value", [](B b, int v) { b->setValue(v != 0); }},
            {"Mode", [](B b, int v) { b->setMode(v); }},
            {"PictureSize", [](B b, int v) { b->setPictureSize(v); }},
            {"ButtonShape", [](B b, int v) { b->setButtonShape(v); }},
            {"CaptionAlign", [](B b, int v) { b->setCaptionAlign(v); }},
            {"PictureAlign", [](B b, int v) { b->setPictureAlign(v); }},
            {"CustomClick", [](B b, int v) { b->setCustomClick(v); }},
            {"ShowFocusRect", [](B b, int v) { b->setShowFocusRect(v != 0); }},
            {"Default",
             [](B b, int v) { platform::AmbientProperties::setDisplayAsDefault(b, v != 0); }},
            {"Picture", [](B b, int v) {
                 b->setPicture(v == 0 ? platform::Picture() : v == 1 ? bitmap() : icon());
             }}};

        rkButtons_H* b = button();
        platform::AmbientProperties::setDesignMode(design);
        for (const QString& change : changes.split(QLatin1Char(' '))) {
            const QStringList nameValue = change.split(QLatin1Char('='));
            QVERIFY2(set.contains(nameValue[0]), qPrintable(change));
            set[nameValue[0]](b, nameValue[1].toInt());
        }
        QCOMPARE(boxTexts(), advice);
        for (const platform::MessageBoxRequest& box : m_boxes->boxes()) {
            QCOMPARE(box.icon, platform::MessageIcon::Information);
        }
        QCOMPARE(properties(b, result), result);
    }

    void mouseIcon()
    {
        rkButtons_H* b = button();
        b->setMouseIcon(icon());
        QCOMPARE(b->MousePointer(), rkButtons_H::kCustomPointer);
        const platform::Picture kept = b->MouseIcon();
        b->setMouseIcon(bitmap());
        QCOMPARE(b->MouseIcon(), kept);
        QCOMPARE(m_boxes->boxes().size(), 1);
        QCOMPARE(m_boxes->boxes().first().title, QStringLiteral("Select .ico Or .cur Files Only"));
        QCOMPARE(m_boxes->boxes().first().icon, platform::MessageIcon::Information);
    }

    void hoverColorLocks()
    {
        rkButtons_H* b = button();
        b->setForeColor(rgb(1, 2, 3));
        QCOMPARE(b->HoverForeColor(), rgb(1, 2, 3));
        b->setHoverForeColor(rgb(9, 9, 9));
        QCOMPARE(b->HoverColorLocks(), 2);
        b->setForeColor(rgb(4, 5, 6));
        QCOMPARE(b->HoverForeColor(), rgb(9, 9, 9));

        b->setBackColor(rgb(200, 0, 0));
        QCOMPARE(b->HoverBackColor(), rgb(200, 0, 0));
        // With a gradient the hover colour follows the gradient colour, which locks it.
        b->setGradientColor(rgb(0, 0, 200));
        b->setGradientMode(1);
        QCOMPARE(b->HoverBackColor(), rgb(0, 0, 200));
        b->setBackColor(rgb(100, 0, 0));
        QCOMPARE(b->HoverBackColor(), rgb(0, 0, 200));
        QCOMPARE(b->HoverColorLocks(), 3);
        b->setGradientColor(rgb(0, 200, 0));
        QCOMPARE(b->HoverBackColor(), rgb(0, 0, 200));

        // Unlocking resets the unlocked colours.
        b->setHoverColorLocks(0);
        QCOMPARE(QList<OleColor>({b->HoverBackColor(), b->HoverForeColor()}),
                 QList<OleColor>({rgb(0, 200, 0), rgb(4, 5, 6)}));
        b->setGradientMode(0);
        QCOMPARE(b->HoverBackColor(), rgb(100, 0, 0));
    }

    void resetDefaultColors()
    {
        rkButtons_H* b = button();
        b->setBackColor(rgb(1, 1, 1));
        b->setHoverForeColor(rgb(2, 2, 2));
        b->setResetDefaultColors(true); // run time: nothing
        QCOMPARE(b->BackColor(), rgb(1, 1, 1));
        platform::AmbientProperties::setDesignMode(true);
        b->setGradientMode(3);
        b->setResetDefaultColors(true);
        QCOMPARE(QList<qint64>({b->BackColor(), b->ForeColor(), b->HoverForeColor(),
                                b->GradientMode(), b->HoverColorLocks(), b->ResetDefaultColors()}),
                 QList<qint64>({rkButtons_H::kButtonFace, rkButtons_H::kButtonText,
                                rkButtons_H::kButtonText, 0, 0, false}));
        QVERIFY(!b->isDrawingDelayed());
    }

    // The face follows the system's colour scheme; rounded corners the container's colour.
    void coloursFollowTheirSources()
    {
        rkButtons_H* b = button();
        b->setCaption(QString());
        const QPalette original = QApplication::palette();
        QPalette scheme = original;
        scheme.setColor(QPalette::Active, QPalette::Button, QColor(12, 140, 34));
        QApplication::setPalette(scheme);
        b->Refresh();
        QCOMPARE(b->presentedImage().pixel(50, 15), qRgb(12, 140, 34));
        QApplication::setPalette(original);

        b->setButtonStyle(5);
        QCOMPARE(b->presentedImage().pixel(0, 0), rktest::kContainerColor);
        QPalette palette = m_container->palette();
        palette.setColor(QPalette::Window, QColor(200, 10, 10));
        m_container->setPalette(palette);
        QCOMPARE(b->presentedImage().pixel(0, 0), qRgb(200, 10, 10));
    }

    void captionLineBreaks()
    {
        rkButtons_H* b = button(QRect(10, 10, 120, 50));
        b->setCaption(QStringLiteral("One"));
        const int oneLine = b->captionRect().height();
        b->setCaption(QStringLiteral("One||Two"));
        b->setForeColor(rgb(255, 0, 0));
        QVERIFY(b->captionRect().height() >= 2 * oneLine - 1);
        // Drawn in two rows of text with a gap between them.
        const QImage image = b->presentedImage();
        int rowsWithText = 0;
        bool inText = false;
        for (int y = 4; y < image.height() - 4; ++y) {
            const bool hasText = !redPixels(image, QRect(4, y, 112, 1)).isEmpty();
            if (hasText && !inText) {
                ++rowsWithText;
            }
            inText = hasText;
        }
        QCOMPARE(rowsWithText, 2);
    }

    void delayDrawing()
    {
        rkButtons_H* b = button();
        b->setCaption(QString());
        b->DelayDrawing(true);
        const QImage before = b->presentedImage();
        b->setBackColor(rgb(0, 200, 0));
        b->setButtonStyle(3);
        QCOMPARE(b->presentedImage(), before);
        b->DelayDrawing(false);
        QCOMPARE(b->presentedImage().pixel(50, 15), qRgb(0, 200, 0));
        b->DelayDrawing(true);
        b->setBackColor(rgb(0, 0, 200));
        b->Refresh();
        QCOMPARE(b->presentedImage().pixel(50, 15), qRgb(0, 0, 200));
    }

    void storedFormatRoundTrip()
    {
        rkButtons_H* b = button();
        b->setCaption(QStringLiteral("&Save"));
        b->setButtonStyle(5);
        b->setForeColor(rgb(1, 2, 3));
        b->setHoverForeColor(rgb(4, 5, 6));
        b->setBackColor(rgb(7, 8, 9));
        b->setHoverBackColor(rgb(10, 11, 12));
        b->setShowFocusRect(false);
        b->setGradientColor(rgb(13, 14, 15));
        b->setGradientMode(4);
        b->setCaptionStyle(2);
        b->setMode(1);
        b->setValue(true);
        b->setCustomClick(6);
        b->setPictureAlign(3);
        b->setPicture(bitmap());
        b->setPictureSize(3);
        b->setEnabled(false);
        b->setMousePointer(11);
        b->setFontStyle(4);
        b->setButtonShape(3);
        b->setCaptionAlign(0);
        b->setHoverColorLocks(3);

        platform::PropertyBag bag;
        b->UserControl_WriteProperties(bag);
        QVERIFY(bag.contains(QStringLiteral("cBhover")));

        rkButtons_H* copy = button(QRect(10, 50, 100, 30), QStringLiteral("copy"));
        copy->UserControl_ReadProperties(bag);
        // Every key was read: one left at its default would be missing when saved again.
        platform::PropertyBag again;
        copy->UserControl_WriteProperties(again);
        QCOMPARE(again.toJson(), bag.toJson());
        QCOMPARE(copy->AccessKeys(), QStringLiteral("S"));
        QCOMPARE(copy->Picture().image(), b->Picture().image());
        QVERIFY(copy->Value() && !copy->isEnabled() && copy->font().italic());
    }

    void defaultsAreNotWritten()
    {
        rkButtons_H* b = button();
        QCOMPARE(b->Caption(), QStringLiteral("cmdTest")); // a new button shows its name
        b->setCaption(QString());
        platform::PropertyBag bag;
        b->UserControl_WriteProperties(bag);
        QStringList keys = bag.toJson().keys();
        keys.sort();
        // Mode, Value, cBack and Font have no default and are always written.
        QCOMPARE(keys, (QStringList{"Font", "Mode", "Value", "cBack"}));
        b->setCaptionAlign(0);
        b->UserControl_WriteProperties(bag);
        QCOMPARE(bag.readLong(QStringLiteral("CapAlign"), 2), 0);
    }

    void load_data()
    {
        QTest::addColumn<QJsonObject>("stored");
        QTest::addColumn<QString>("result");
        const qint64 red = rgb(255, 0, 0);
        const qint64 container = platform::fromQColor(QColor::fromRgb(rktest::kContainerColor));
        QTest::newRow("damaged")
            << QJsonObject{{"BackStyle", 42}, {"Shape", 7},    {"Mode", -3},
                           {"ImgSize", 20},   {"Value", true}, {"CapAlign", "left"}}
            // A custom shape needs its picture.
            << "ButtonStyle=0 ButtonShape=0 Mode=0 Value=0 ImgSize=16 CaptionAlign=2";
        // "cBHover" is found under any case; a missing one is the loaded back colour.
        QTest::newRow("hover back colour in capitals")
            << QJsonObject{{"Mode", 0},
                           {"Value", false},
                           {"cBack", "0x000000FF"},
                           {"CBHOVER", "0x0000FF00"}}
            << QStringLiteral("BackColor=%1 HoverBackColor=%2").arg(red).arg(rgb(0, 255, 0));
        QTest::newRow("no hover back colour")
            << QJsonObject{{"cBack", "0x000000FF"}} << QStringLiteral("HoverBackColor=%1").arg(red);
        // Without "cBack" the button takes its container's colour.
        QTest::newRow("nothing stored")
            << QJsonObject{}
            << QStringLiteral("BackColor=%1 CaptionAlign=2 ShowFocusRect=1 ImgSize=16")
                   .arg(container);
    }

    void load()
    {
        QFETCH(QJsonObject, stored);
        QFETCH(QString, result);
        platform::EventLogCapture log;
        rkButtons_H* b = button();
        b->UserControl_ReadProperties(platform::PropertyBag(stored));
        QCOMPARE(properties(b, result), result);
        QVERIFY(!b->presentedImage().isNull());
    }

    // The icon is applied before the pointer, and a loaded option joins its group.
    void loadOrder()
    {
        platform::PropertyBag bag;
        bag.writePicture(QStringLiteral("mIcon"), icon());
        bag.writeInteger(QStringLiteral("mPointer"), 2, 0);
        rkButtons_H* b = button();
        b->UserControl_ReadProperties(bag);
        QCOMPARE(b->MousePointer(), 2);
        QVERIFY(!b->MouseIcon().isNull());
        bag.remove(QStringLiteral("mPointer"));
        b->UserControl_ReadProperties(bag);
        QCOMPARE(b->MousePointer(), 0);

        rkButtons_H* a = option(1, QStringLiteral("a"));
        a->setValue(true);
        rkButtons_H* c = button(QRect(10, 90, 80, 24), QStringLiteral("c"));
        c->UserControl_ReadProperties(
            platform::PropertyBag(QJsonObject{{"Mode", 2}, {"Value", true}}));
        QCOMPARE(platform::windowprops::number(m_container.get(), QStringLiteral("rk_OptCount")),
                 std::optional<qint64>(2));
        QVERIFY(c->Value() && !a->Value());
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

QTEST_MAIN(tst_rkButtons_H)
#include "tst_rkButtons_H.moc"
