// The button's properties, their coupling rules, design-time advice, option groups,
// stored format, palette and caption layout.

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

} // namespace

class tst_rkButtons_H : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_container;
    std::unique_ptr<platform::FakeMessageBoxService> m_boxes;

    rkButtons_H* button(QRect geometry = QRect(10, 10, 100, 30),
                        const QString& name = QStringLiteral("cmdTest"))
    {
        return rktest::makeButton(m_container.get(), geometry, name);
    }

    QStringList boxTexts() const
    {
        QStringList texts;
        for (const platform::MessageBoxRequest& box : m_boxes->boxes()) {
            texts << box.text;
        }
        return texts;
    }

private Q_SLOTS:
    void initTestCase() { platform::setTwipsPerPixelOverride(15.0); }
    void cleanupTestCase() { platform::setTwipsPerPixelOverride(0.0); }

    void init()
    {
        m_container = rktest::makeContainer();
        m_container->show();
        m_boxes = std::make_unique<platform::FakeMessageBoxService>();
        platform::AmbientProperties::setDesignMode(false);
    }

    void cleanup()
    {
        platform::AmbientProperties::setDesignMode(false);
        m_container.reset();
        m_boxes.reset();
    }

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
        QList<rkButtons_H*> buttons;
        for (int i = 0; i < 4; ++i) {
            buttons << button(QRect(0, 30 * i, 60, 20), QStringLiteral("opt%1").arg(i));
            buttons.last()->setMode(2);
        }
        rkButtons_H* a = buttons[0];
        rkButtons_H* b = buttons[1];
        rkButtons_H* d = buttons[2];
        rkButtons_H* e = buttons[3];
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
        rkButtons_H* a = button(QRect(0, 0, 60, 20), QStringLiteral("a"));
        rkButtons_H* b = button(QRect(0, 30, 60, 20), QStringLiteral("b"));
        a->setMode(2);
        b->setMode(2);
        b->setValue(true);
        delete a;
        namespace props = platform::windowprops;
        QCOMPARE(props::number(c, QStringLiteral("rk_OptCount")), std::optional<qint64>(1));
        QCOMPARE(props::object(c, QStringLiteral("1rk_Obj")), b);
        QVERIFY(b->Value());
        // A button that is no member leaves nobody out.
        auto* stranger = button(QRect(0, 60, 60, 20), QStringLiteral("s"));
        QVERIFY(!stranger->OptionToggle(-1));
        QCOMPARE(props::number(c, QStringLiteral("rk_OptCount")), std::optional<qint64>(1));
    }

    void focusSelectsAnUnsetGroup()
    {
        rkButtons_H* a = button(QRect(0, 0, 60, 20), QStringLiteral("a"));
        rkButtons_H* b = button(QRect(0, 30, 60, 20), QStringLiteral("b"));
        a->setMode(2);
        b->setMode(2);
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

    void valueRules()
    {
        rkButtons_H* b = button();
        b->setValue(true);
        QVERIFY(!b->Value());
        QVERIFY(m_boxes->boxes().isEmpty()); // run time: silent
        platform::AmbientProperties::setDesignMode(true);
        b->setValue(true);
        QCOMPARE(boxTexts(),
                 QStringList{"This property is not applicable for command button modes."});
        QCOMPARE(m_boxes->boxes().first().icon, platform::MessageIcon::Information);
        b->setMode(1);
        b->setValue(true);
        QVERIFY(b->Value());
        b->setMode(0);
        QVERIFY(!b->Value());
    }

    void pictureSize()
    {
        rkButtons_H* b = button();
        b->setPictureSize(2);
        QCOMPARE(b->ImgSize(), 32);
        QCOMPARE(b->PictureSize(), 2);
        b->setPictureSize(5);
        b->setPictureSize(-1);
        QCOMPARE(b->PictureSize(), 2);

        platform::AmbientProperties::setDesignMode(true);
        b->setPicture(bitmap());
        b->setButtonShape(7);
        QCOMPARE(b->PictureSize(), 4);
        b->setPictureSize(1);
        QCOMPARE(b->PictureSize(), 4);
        QCOMPARE(boxTexts(), QStringList{"The picture size cannot be changed for Shaped buttons"});
    }

    void buttonShapeRefusals()
    {
        rkButtons_H* b = button();
        platform::AmbientProperties::setDesignMode(true);
        b->setButtonShape(2);
        b->setButtonShape(7);
        QCOMPARE(b->ButtonShape(), 2);
        b->setPicture(icon());
        b->setButtonShape(8);
        QCOMPARE(b->ButtonShape(), 2);
        const QString m3 = QStringLiteral(
            "The Picture Property must be assigned first and must be a bitmap or JPEG.");
        QCOMPARE(boxTexts(), (QStringList{m3, m3}));
        b->setButtonShape(9);
        QCOMPARE(b->ButtonShape(), 2);

        m_boxes->clear();
        b->setCaptionAlign(0);
        b->setPicture(bitmap());
        b->setButtonShape(7);
        QCOMPARE(b->ButtonShape(), 7);
        QCOMPARE(b->PictureSize(), 4);
        QCOMPARE(b->CaptionAlign(), 2);
        // From one custom shape to the other without a picture-size complaint.
        b->setButtonShape(8);
        QCOMPARE(b->ButtonShape(), 8);
        QVERIFY(m_boxes->boxes().isEmpty());

        // An icon turns a custom button rectangular, with advice at design time.
        b->setPicture(icon());
        QCOMPARE(b->ButtonShape(), 0);
        QCOMPARE(boxTexts(), QStringList{"Icons cannot be used for custom buttons. Only use "
                                         "bitmaps or JPEGs.\r\nButton was changed to "
                                         "Rectangular shaped."});
        // Without a picture a custom button turns rectangular silently.
        b->setPicture(bitmap());
        b->setButtonShape(7);
        m_boxes->clear();
        b->setPicture(platform::Picture());
        QCOMPARE(b->ButtonShape(), 0);
        QVERIFY(m_boxes->boxes().isEmpty());
    }

    void designMessages()
    {
        rkButtons_H* b = button();
        b->setPicture(bitmap());
        b->setPictureAlign(4);
        b->setCaptionAlign(0); // refused silently at run time
        b->setCustomClick(3);
        QVERIFY(m_boxes->boxes().isEmpty());
        QCOMPARE(b->CaptionAlign(), 2);
        QCOMPARE(b->CustomClick(), 3);

        platform::AmbientProperties::setDesignMode(true);
        b->setCaptionAlign(1);
        b->setCustomClick(1);
        QCOMPARE(boxTexts(),
                 (QStringList{"When button images are aligned top/bottom center, \r\nbutton "
                              "captions can only be center aligned",
                              "This property has no effect unless the Button Shape is a "
                              "custom shape."}));
        QCOMPARE(b->CaptionAlign(), 2);
        QCOMPARE(b->CustomClick(), 1);
        b->setPictureAlign(1);
        b->setCaptionAlign(0);
        QCOMPARE(b->CaptionAlign(), 0);
    }

    void focusRectangleOnTheDefaultButton()
    {
        rkButtons_H* b = button();
        platform::AmbientProperties::setDisplayAsDefault(b, true);
        QVERIFY(b->StateFlags() & rkButtons_H::kStateDefault);
        b->setShowFocusRect(false);
        QVERIFY(!(b->StateFlags() & rkButtons_H::kStateDefault));
        QVERIFY(m_boxes->boxes().isEmpty());

        platform::AmbientProperties::setDesignMode(true);
        rkButtons_H* d = button(QRect(10, 50, 100, 30), QStringLiteral("d"));
        platform::AmbientProperties::setDisplayAsDefault(d, true);
        d->setShowFocusRect(false);
        QVERIFY(d->StateFlags() & rkButtons_H::kStateDefault);
        QCOMPARE(m_boxes->boxes().size(), 1);
        QVERIFY(m_boxes->boxes().first().text.startsWith(
            QStringLiteral("The focus rectangle may appear on default buttons ONLY")));
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
        QCOMPARE(b->HoverColorLocks(), 2);
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
        QCOMPARE(b->HoverBackColor(), rgb(0, 200, 0));
        QCOMPARE(b->HoverForeColor(), rgb(4, 5, 6));
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
        QCOMPARE(b->BackColor(), rkButtons_H::kButtonFace);
        QCOMPARE(b->ForeColor(), rkButtons_H::kButtonText);
        QCOMPARE(b->GradientMode(), 0);
        QCOMPARE(b->HoverColorLocks(), 0);
        QCOMPARE(b->HoverForeColor(), rkButtons_H::kButtonText);
        QVERIFY(!b->ResetDefaultColors());
        QVERIFY(!b->isDrawingDelayed());
    }

    void systemFaceFollowsTheColourScheme()
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
    }

    void roundedCornersFollowTheContainerColour()
    {
        rkButtons_H* b = button();
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

    void gradientFaceOnTheButton()
    {
        rkButtons_H* b = button(QRect(10, 10, 100, 30));
        b->setCaption(QString());
        b->setBackColor(rgb(0, 0, 255));
        b->setGradientColor(rgb(255, 0, 0));
        b->setGradientMode(2);
        const QImage image = b->presentedImage();
        // The face between the rings runs from the gradient colour at the left to the back
        // colour at the right, one band per pixel on this screen.
        QVERIFY(qRed(image.pixel(3, 15)) > 240);
        QVERIFY(qBlue(image.pixel(96, 15)) > 240);
        QVERIFY(image.pixel(40, 15) != image.pixel(41, 15));
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
        QCOMPARE(copy->HoverBackColor(), b->HoverBackColor());
        QCOMPARE(copy->Value(), true);
        QCOMPARE(copy->Picture().image(), b->Picture().image());
        QCOMPARE(copy->isEnabled(), false);
        QVERIFY(copy->font().italic());
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

    void loadDefaultsAndCase()
    {
        // "cBHover" is found under any case; a missing one is the loaded back colour.
        rkButtons_H* b = button();
        b->UserControl_ReadProperties(platform::PropertyBag(QJsonObject{
            {"Mode", 0}, {"Value", false}, {"cBack", "0x000000FF"}, {"CBHOVER", "0x0000FF00"}}));
        QCOMPARE(b->BackColor(), rgb(255, 0, 0));
        QCOMPARE(b->HoverBackColor(), rgb(0, 255, 0));
        b->UserControl_ReadProperties(platform::PropertyBag(QJsonObject{{"cBack", "0x000000FF"}}));
        QCOMPARE(b->HoverBackColor(), rgb(255, 0, 0));
        // Without "cBack" the button takes its container's colour.
        b->UserControl_ReadProperties(platform::PropertyBag(QJsonObject{}));
        QCOMPARE(b->BackColor(), platform::fromQColor(QColor::fromRgb(rktest::kContainerColor)));
        QCOMPARE(b->CaptionAlign(), 2);
        QVERIFY(b->ShowFocusRect());
        QCOMPARE(b->ImgSize(), 16);
    }

    void loadAppliesTheIconBeforeThePointer()
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
    }

    void damagedStoreLoadsSafely()
    {
        platform::EventLogCapture log;
        rkButtons_H* b = button();
        b->UserControl_ReadProperties(platform::PropertyBag(QJsonObject{{"BackStyle", 42},
                                                                        {"Shape", 7},
                                                                        {"Mode", -3},
                                                                        {"ImgSize", 20},
                                                                        {"Value", true},
                                                                        {"CapAlign", "left"}}));
        QCOMPARE(b->ButtonStyle(), 0);
        QCOMPARE(b->ButtonShape(), 0); // a custom shape needs its picture
        QCOMPARE(b->Mode(), 0);
        QVERIFY(!b->Value());
        QCOMPARE(b->ImgSize(), 16);
        QCOMPARE(b->CaptionAlign(), 2);
        QVERIFY(!b->presentedImage().isNull());
    }

    void loadJoinsTheOptionGroup()
    {
        rkButtons_H* a = button(QRect(0, 0, 60, 20), QStringLiteral("a"));
        a->setMode(2);
        a->setValue(true);
        rkButtons_H* b = button(QRect(0, 30, 60, 20), QStringLiteral("b"));
        b->UserControl_ReadProperties(
            platform::PropertyBag(QJsonObject{{"Mode", 2}, {"Value", true}}));
        QCOMPARE(platform::windowprops::number(m_container.get(), QStringLiteral("rk_OptCount")),
                 std::optional<qint64>(2));
        QVERIFY(b->Value());
        QVERIFY(!a->Value());
    }
};

QTEST_MAIN(tst_rkButtons_H)
#include "tst_rkButtons_H.moc"
