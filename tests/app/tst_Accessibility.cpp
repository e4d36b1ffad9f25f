// What screen readers and keyboard users get, in process: each accessible interface (role,
// name, states, actions, value, text), the keys that press, move and leave the controls, the
// window's shortcuts and tab order. The same seen from outside is in tests/app/atspi/.
#include "app/Main.h"
#include "app/MainAccessible.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "controls/skinned/UcCmd.h"
#include "controls/skinned/UcProgress.h"
#include "controls/skinned/UcScroll.h"
#include "editor/RichTextBox.h"
#include "platform/AmbientProperties.h"
#include "platform/FakeMessageBoxService.h"
#include "speech/FakeSpeechControl.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

// A button of one kind ("bevel", "image", "skinned") and behaviour (0 push, 1 check,
// 2 option) on a shown form, with the focus; Click is counted.
struct Button
{
    QWidget form;
    QWidget* widget = nullptr;
    std::unique_ptr<QSignalSpy> clicks;

    Button(const QString& kind, int behaviour)
    {
        if (kind == QLatin1String("bevel")) {
            auto* button = new bvlBUTTON(&form);
            button->setCaption(QStringLiteral("&Speak"));
            button->setBehaviour(static_cast<quint8>(behaviour));
            clicks = std::make_unique<QSignalSpy>(button, &bvlBUTTON::Click);
            widget = button;
        } else if (kind == QLatin1String("image")) {
            auto* button = new rkButtons_H(&form);
            button->setMode(behaviour);
            clicks = std::make_unique<QSignalSpy>(button, &rkButtons_H::Click);
            widget = button;
        } else {
            auto* button = new UcCmd(&form);
            const int styles[] = {UcCmd::StyleClose, UcCmd::StyleCheck, UcCmd::StyleOption};
            button->setStyle(styles[behaviour]);
            button->setCaption(QStringLiteral("Loud"));
            clicks = std::make_unique<QSignalSpy>(button, &UcCmd::Click);
            widget = button;
        }
        widget->setToolTip(QStringLiteral("Close"));
        widget->setGeometry(10, 10, 80, 30);
        form.show();
        form.activateWindow();
        widget->setFocus();
        active = QTest::qWaitForWindowActive(&form);
    }
    bool active = false;
};

// A loaded main window over the speech fake.
struct Window
{
    platform::FakeMessageBoxService boxes;
    FakeSpeechControl speech;
    Main main{&speech};
    Window() { main.Form_Load(); }
    template <typename T = QWidget> T* get(const char* name)
    {
        return main.findChild<T*>(QLatin1String(name));
    }
};

} // namespace

class tst_Accessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MainAccessible::installFactories(); }

    void buttons_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("behaviour");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("clicks"); // after Press, Space, Return and Enter
        QTest::newRow("bevelled push") << "bevel" << 0 << "Speak" << 4;
        QTest::newRow("bevelled toggle") << "bevel" << 1 << "Speak" << 4;
        QTest::newRow("bevelled option") << "bevel" << 2 << "Speak" << 4;
        QTest::newRow("image push") << "image" << 0 << "Close" << 4;
        QTest::newRow("image check") << "image" << 1 << "Close" << 4;
        QTest::newRow("image option") << "image" << 2 << "Close" << 1; // once set, quiet
        QTest::newRow("title bar") << "skinned" << 0 << "Close" << 4;
        QTest::newRow("skinned check") << "skinned" << 1 << "Loud" << 0; // no Click at all
        QTest::newRow("skinned option") << "skinned" << 2 << "Loud" << 0;
    }

    // Role, name, states, actions; Press, Space, Return and keypad Enter all run the click,
    // and a disabled button answers none of them.
    void buttons()
    {
        QFETCH(QString, kind);
        QFETCH(int, behaviour);
        QFETCH(QString, name);
        QFETCH(int, clicks);
        Button button(kind, behaviour);
        QVERIFY(button.active);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button.widget);
        const QAccessible::Role roles[] = {QAccessible::PushButton, QAccessible::CheckBox,
                                           QAccessible::RadioButton};
        QCOMPARE(iface->role(), roles[behaviour]);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QVERIFY(iface->state().focusable && iface->state().focused);
        QCOMPARE(bool(iface->state().checkable), behaviour != 0);
        QAccessibleActionInterface* actions = iface->actionInterface();
        QCOMPARE(actions->actionNames(),
                 QStringList({QAccessibleActionInterface::pressAction(),
                              QAccessibleActionInterface::setFocusAction()}));

        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(button.clicks->count(), std::min(clicks, 1));
        QCOMPARE(bool(iface->state().checked), behaviour != 0);
        QTest::keyClick(button.widget, Qt::Key_Space);
        QTest::keyClick(button.widget, Qt::Key_Return);
        QTest::keyClick(button.widget, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(button.clicks->count(), clicks);
        // Four presses: a toggle is off again, an option button stays on.
        QCOMPARE(bool(iface->state().checked), behaviour == 2);

        button.widget->setEnabled(false);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QTest::keyClick(button.widget, Qt::Key_Space);
        QCOMPARE(button.clicks->count(), clicks);
        QVERIFY(iface->state().disabled);
    }

    // The form hears every key first, in order; the click follows the release.
    void bevelledButtonKeysReachTheFormFirst()
    {
        Button button(QStringLiteral("bevel"), 0);
        auto* bevel = static_cast<bvlBUTTON*>(button.widget);
        QStringList heard;
        connect(bevel, &bvlBUTTON::KeyDown, this,
                [&heard](qint16 key) { heard << QStringLiteral("down %1").arg(key); });
        connect(bevel, &bvlBUTTON::KeyPress, this,
                [&heard](qint16 key) { heard << QStringLiteral("press %1").arg(key); });
        connect(bevel, &bvlBUTTON::KeyUp, this,
                [&heard](qint16 key) { heard << QStringLiteral("up %1").arg(key); });
        connect(bevel, &bvlBUTTON::Click, this, [&heard] { heard << QStringLiteral("click"); });
        QTest::keyPress(bevel, Qt::Key_Return);
        QVERIFY(bevel->stateWord() & bvlBUTTON::kStatePressed);
        QTest::keyRelease(bevel, Qt::Key_Return);
        QCOMPARE(heard, QStringList({"down 13", "press 13", "up 13", "click"}));
        QCOMPARE(bevel->stateWord() & bvlBUTTON::kStatePressed, 0);
    }

    // Return and Escape that no control takes press the form's default and cancel buttons.
    void defaultAndCancelButtons()
    {
        Button button(QStringLiteral("image"), 0);
        auto* box = new QLineEdit(&button.form);
        box->show();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(button.clicks->count(), 0);
        platform::AmbientProperties::setDisplayAsDefault(button.widget, true);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(button.clicks->count(), 1);
        QVERIFY(QAccessible::queryAccessibleInterface(button.widget)->state().defaultButton);
        platform::AmbientProperties::setCancel(button.widget, true);
        QTest::keyClick(box, Qt::Key_Escape);
        QCOMPARE(button.clicks->count(), 2);
    }

    void scrollBarKeys_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("value");
        QTest::newRow("right") << 0 << int(Qt::Key_Right) << 151;
        QTest::newRow("up") << 0 << int(Qt::Key_Up) << 151;
        QTest::newRow("left") << 0 << int(Qt::Key_Left) << 149;
        QTest::newRow("down") << 0 << int(Qt::Key_Down) << 149;
        QTest::newRow("page up") << 0 << int(Qt::Key_PageUp) << 160;
        QTest::newRow("page down") << 0 << int(Qt::Key_PageDown) << 140;
        QTest::newRow("home") << 0 << int(Qt::Key_Home) << 50;
        QTest::newRow("end") << 0 << int(Qt::Key_End) << 270;
        QTest::newRow("vertical down") << 1 << int(Qt::Key_Down) << 151;
        QTest::newRow("vertical page up") << 1 << int(Qt::Key_PageUp) << 140;
    }

    void scrollBarKeys()
    {
        QFETCH(int, orientation);
        QFETCH(int, key);
        QFETCH(int, value);
        UcScroll bar;
        bar.setOrientation(static_cast<qint16>(orientation));
        bar.setMax(270);
        bar.setMin(50);
        bar.setValue(150);
        QSignalSpy scrolled(&bar, &UcScroll::Scroll);
        QVERIFY(bar.focusPolicy() & Qt::TabFocus);
        QTest::keyClick(&bar, Qt::Key(key));
        QCOMPARE(bar.Value(), value);
        QCOMPARE(scrolled.count(), 0); // Scroll stays the thumb drag's
    }

    void valueInterfaces()
    {
        UcScroll bar;
        bar.setMax(270);
        bar.setMin(50);
        bar.setSmallChange(10);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&bar);
        QCOMPARE(iface->role(), QAccessible::Slider);
        QAccessibleValueInterface* value = iface->valueInterface();
        QCOMPARE(value->minimumValue().toInt(), 50);
        QCOMPARE(value->maximumValue().toInt(), 270);
        QCOMPARE(value->minimumStepSize().toInt(), 10);
        QSignalSpy changed(&bar, &UcScroll::Change);
        value->setCurrentValue(199.6);
        QCOMPARE(bar.Value(), 200);
        QCOMPARE(changed.count(), 1);
        value->setCurrentValue(900);
        QCOMPARE(value->currentValue().toInt(), 270);
        iface->actionInterface()->doAction(QAccessibleActionInterface::decreaseAction());
        QCOMPARE(iface->text(QAccessible::Value), QStringLiteral("260"));

        UcProgress progress;
        progress.setValue(40);
        QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&progress);
        QCOMPARE(shown->role(), QAccessible::ProgressBar);
        shown->valueInterface()->setCurrentValue(90);
        QCOMPARE(shown->valueInterface()->currentValue().toInt(), 40);
        QCOMPARE(shown->valueInterface()->maximumValue().toInt(), 100);
    }

    void editor()
    {
        QWidget form;
        auto* editor = new platform::RichTextBox(&form);
        auto* after = new QLineEdit(&form);
        editor->setGeometry(0, 0, 300, 200);
        after->move(0, 210);
        form.show();
        editor->setFocus();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(editor);
        QCOMPARE(iface->role(), QAccessible::EditableText);
        QVERIFY(iface->state().editable && iface->state().multiLine);
        QAccessibleTextInterface* text = iface->textInterface();
        QVERIFY(text && iface->editableTextInterface());

        QTest::keyClicks(editor, QStringLiteral("Hello"));
        QTest::keyClick(editor, Qt::Key_Tab);
        QTest::keyClicks(editor, QStringLiteral("world"));
        QCOMPARE(text->text(0, text->characterCount()), QStringLiteral("Hello\tworld"));
        QCOMPARE(text->cursorPosition(), 11);

        text->setSelection(0, 1, 4);
        QCOMPARE(editor->selText(), QStringLiteral("ell"));
        int start = 0;
        int end = 0;
        text->selection(0, &start, &end);
        QCOMPARE(std::pair(start, end), std::pair(1, 4));
        iface->editableTextInterface()->replaceText(0, 5, QStringLiteral("Goodbye"));
        iface->editableTextInterface()->deleteText(7, 8);
        iface->editableTextInterface()->insertText(7, QStringLiteral(", "));
        QCOMPARE(editor->text(), QStringLiteral("Goodbye, world"));

        const QRect letter = text->characterRect(9);
        QVERIFY(letter.width() > 0 && letter.height() > 0);
        QCOMPARE(text->offsetAtPoint(letter.center()), 9);

        // Ctrl+Tab leaves the editor, which Tab does not.
        QTest::keyClick(editor, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(form.focusWidget(), after);
    }

    // The window: a frame named by its title, without the hidden editor; the numbers and
    // the status tied to what they label; Tab in reading order and round again.
    void mainWindow()
    {
        Window window;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window.main);
        QCOMPARE(iface->role(), QAccessible::Window);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Parlanza"));
        QList<QObject*> children;
        for (int i = 0; i < iface->childCount(); ++i) {
            children << iface->child(i)->object();
            QCOMPARE(iface->indexOfChild(iface->child(i)), i);
        }
        QVERIFY(children.contains(window.get("RichTextBox1")));
        QVERIFY(!children.contains(window.get("RTFtemp")));

        const auto labels = [&window](const char* name) {
            QStringList texts;
            for (const auto& [other, relation] :
                 QAccessible::queryAccessibleInterface(window.get(name))
                     ->relations(QAccessible::Label)) {
                texts << other->text(QAccessible::Name);
            }
            texts.sort();
            return texts;
        };
        window.get<UcScroll>("scrSpeed")->setValue(200);
        QCOMPARE(labels("scrSpeed"), QStringList({"200", "SPEED"}));
        QCOMPARE(labels("lblStatus"), QStringList({"STATUS"}));

        QStringList order;
        QWidget* start = window.get("cmdOpen");
        for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
            if (w->parentWidget() == &window.main && !w->isHidden() &&
                (w->focusPolicy() & Qt::TabFocus)) {
                order << w->objectName();
            }
        }
        QCOMPARE(order.join(QLatin1Char(' ')),
                 QStringLiteral("cmdFont cmdBold cmdItalic cmdForeColor cmdBackColor cmdCut "
                                "cmdCopy cmdPaste cmdDelete cmdClear cmdAll cboZoom "
                                "RichTextBox1 lstVoice scrSpeed scrPitch cmdSpkText cmdPauseText "
                                "cmdStopText cmdRec cmdSaveFile cmdClearText txtFile UcCmd3 "
                                "UcCmd2 UcCmd1"));
    }

    void shortcuts_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<QString>("status");
        QTest::newRow("F5") << QKeySequence(Qt::Key_F5) << "SPEAKING";
        QTest::newRow("Ctrl+Return") << QKeySequence(Qt::CTRL | Qt::Key_Return) << "SPEAKING";
        QTest::newRow("F6") << QKeySequence(Qt::Key_F6) << "PAUSED";
        QTest::newRow("Ctrl+Space") << QKeySequence(Qt::CTRL | Qt::Key_Space) << "PAUSED";
        QTest::newRow("Escape") << QKeySequence(Qt::Key_Escape) << "STOPPED";
        QTest::newRow("Ctrl+R") << QKeySequence(Qt::CTRL | Qt::Key_R) << "RECORDING";
    }

    // Each shortcut does what its button's click does (after SPEAK, for PAUSE and STOP),
    // and nothing while the button is disabled.
    void shortcuts()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, status);
        Window window;
        QVERIFY(QTest::qWaitForWindowActive(&window.main));
        window.get<platform::RichTextBox>("RichTextBox1")->setText(QStringLiteral("Hi"));
        QTemporaryDir folder;
        window.get<QLineEdit>("txtFile")->setText(folder.filePath(QStringLiteral("typed.wav")));
        if (status == QLatin1String("PAUSED") || status == QLatin1String("STOPPED")) {
            window.main.cmdSpkText_Click();
        }
        QWidget* focus = QApplication::focusWidget();
        QTest::keySequence(focus, keys);
        QLabel* label = window.get<QLabel>("lblStatus");
        QCOMPARE(label->text(), status);
        if (status == QLatin1String("PAUSED")) {
            QTest::keySequence(focus, keys); // resumes
            window.get("cmdPauseText")->setEnabled(false);
            QTest::keySequence(focus, keys);
            QCOMPARE(label->text(), QStringLiteral("SPEAKING"));
        }
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_Accessibility.moc"
