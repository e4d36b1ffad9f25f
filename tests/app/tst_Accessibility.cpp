// What screen readers and keyboard users get, in process: each accessible interface (role,
// name, states, actions, value, text), the keys that press, move and leave the controls, the
// window's shortcuts and tab order. The same seen from outside is tests/app/atspi/.
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

// One button of each kind and behaviour, on a form, with its Click counted.
struct Button
{
    QWidget form;
    QWidget* widget = nullptr;
    std::unique_ptr<QSignalSpy> clicks;

    explicit Button(const QString& kind)
    {
        const QString style = kind.section(QLatin1Char(' '), 1);
        if (kind.startsWith(QLatin1String("bevel"))) {
            auto* button = new bvlBUTTON(&form);
            button->setCaption(QStringLiteral("&Speak"));
            button->setBehaviour(style == QLatin1String("check")   ? 1
                                 : style == QLatin1String("radio") ? 2
                                                                   : 0);
            clicks = std::make_unique<QSignalSpy>(button, &bvlBUTTON::Click);
            widget = button;
        } else if (kind.startsWith(QLatin1String("image"))) {
            auto* button = new rkButtons_H(&form);
            button->setMode(style == QLatin1String("check")   ? 1
                            : style == QLatin1String("radio") ? 2
                                                              : 0);
            clicks = std::make_unique<QSignalSpy>(button, &rkButtons_H::Click);
            widget = button;
        } else {
            auto* button = new UcCmd(&form);
            button->setStyle(style == QLatin1String("check")   ? UcCmd::StyleCheck
                             : style == QLatin1String("radio") ? UcCmd::StyleOption
                                                               : UcCmd::StyleClose);
            button->setCaption(QStringLiteral("Loud"));
            clicks = std::make_unique<QSignalSpy>(button, &UcCmd::Click);
            widget = button;
        }
        widget->setToolTip(QStringLiteral("Close"));
        widget->setGeometry(10, 10, 80, 30);
        form.show();
        widget->setFocus();
    }
    bool isOn() const
    {
        if (auto* b = qobject_cast<bvlBUTTON*>(widget)) {
            return b->Value();
        }
        if (auto* b = qobject_cast<rkButtons_H*>(widget)) {
            return b->Value();
        }
        return static_cast<UcCmd*>(widget)->Value();
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
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("clicks"); // after Press, Space, Return and Enter
        QTest::newRow("bevelled push")
            << "bevel push" << int(QAccessible::PushButton) << "Speak" << 4;
        QTest::newRow("bevelled toggle")
            << "bevel check" << int(QAccessible::CheckBox) << "Speak" << 4;
        QTest::newRow("bevelled option")
            << "bevel radio" << int(QAccessible::RadioButton) << "Speak" << 4;
        QTest::newRow("image push") << "image push" << int(QAccessible::PushButton) << "Close" << 4;
        QTest::newRow("image check") << "image check" << int(QAccessible::CheckBox) << "Close" << 4;
        QTest::newRow("image option") << "image radio" << int(QAccessible::RadioButton) << "Close"
                                      << 1; // a set option button stays quiet
        QTest::newRow("title bar")
            << "skinned close" << int(QAccessible::PushButton) << "Close" << 4;
        QTest::newRow("skinned check") << "skinned check" << int(QAccessible::CheckBox) << "Loud"
                                       << 0; // check and option styles raise no Click
        QTest::newRow("skinned option")
            << "skinned radio" << int(QAccessible::RadioButton) << "Loud" << 0;
    }

    // Role, name, actions; Press, Space, Return and keypad Enter all run the click, and a
    // disabled button answers none of them.
    void buttons()
    {
        QFETCH(QString, kind);
        QFETCH(int, role);
        QFETCH(QString, name);
        QFETCH(int, clicks);
        Button button(kind);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(button.widget);
        QCOMPARE(int(iface->role()), role);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QVERIFY(iface->state().focusable);
        QCOMPARE(bool(iface->state().checkable), role != QAccessible::PushButton);
        QAccessibleActionInterface* actions = iface->actionInterface();
        QCOMPARE(actions->actionNames().mid(0, 2),
                 QStringList({QAccessibleActionInterface::pressAction(),
                              QAccessibleActionInterface::setFocusAction()}));

        actions->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(button.clicks->count(), std::min(clicks, 1));
        QVERIFY(button.isOn() || role == QAccessible::PushButton);
        QCOMPARE(bool(iface->state().checked), button.isOn());
        for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
            const Qt::KeyboardModifiers modifiers =
                key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
            QTest::keyClick(button.widget, key, modifiers);
        }
        QCOMPARE(button.clicks->count(), clicks);
        // Four presses: a toggle is off again, an option button stays on.
        QCOMPARE(button.isOn(), role == QAccessible::RadioButton);

        button.widget->setEnabled(false);
        actions->doAction(QAccessibleActionInterface::pressAction());
        QTest::keyClick(button.widget, Qt::Key_Space);
        QCOMPARE(button.clicks->count(), clicks);
        QVERIFY(iface->state().disabled);
    }

    // The form hears every key first, in order; the click follows the release.
    void bevelledButtonKeysReachTheFormFirst()
    {
        Button button(QStringLiteral("bevel push"));
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
        Button button(QStringLiteral("image push"));
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
        QCOMPARE(QPair(start, end), QPair(1, 4));
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

    // The window: a frame named by its title, the hidden editor left out, labels tied to
    // what they label, the numbers following every change, the status heard.
    void mainWindow()
    {
        platform::FakeMessageBoxService boxes;
        FakeSpeechControl speech;
        Main main(&speech);
        main.Form_Load();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&main);
        QCOMPARE(iface->role(), QAccessible::Window);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("Parlanza"));
        QList<QObject*> children;
        for (int i = 0; i < iface->childCount(); ++i) {
            children << iface->child(i)->object();
            QCOMPARE(iface->indexOfChild(iface->child(i)), i);
        }
        QVERIFY(children.contains(main.findChild<QWidget*>(QStringLiteral("RichTextBox1"))));
        QVERIFY(!children.contains(main.findChild<QWidget*>(QStringLiteral("RTFtemp"))));

        const auto labels = [&main](const char* name) {
            QStringList texts;
            auto* target = main.findChild<QWidget*>(QLatin1String(name));
            for (const auto& [other, relation] :
                 QAccessible::queryAccessibleInterface(target)->relations(QAccessible::Label)) {
                texts << other->text(QAccessible::Name);
            }
            texts.sort();
            return texts;
        };
        auto* speed = main.findChild<UcScroll*>(QStringLiteral("scrSpeed"));
        speed->setValue(200);
        QCOMPARE(labels("scrSpeed"), QStringList({"200", "SPEED"}));
        QCOMPARE(labels("lblStatus"), QStringList({"STATUS"}));
        QCOMPARE(QAccessible::queryAccessibleInterface(speed)->text(QAccessible::Name),
                 QStringLiteral("SPEED"));
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

    // Each shortcut does what its button's click does (speaking first, so that PAUSE and
    // STOP have something to act on), and nothing while the button is disabled.
    void shortcuts()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(QString, status);
        platform::FakeMessageBoxService boxes;
        FakeSpeechControl speech;
        Main main(&speech);
        main.Form_Load();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        main.findChild<platform::RichTextBox*>(QStringLiteral("RichTextBox1"))
            ->setText(QStringLiteral("Hi"));
        QTemporaryDir folder;
        main.findChild<QLineEdit*>(QStringLiteral("txtFile"))
            ->setText(folder.filePath(QStringLiteral("typed.wav")));
        auto* label = main.findChild<QLabel*>(QStringLiteral("lblStatus"));
        if (status == QLatin1String("PAUSED") || status == QLatin1String("STOPPED")) {
            main.cmdSpkText_Click();
        }
        auto* focus = QApplication::focusWidget();
        QTest::keySequence(focus, keys);
        QCOMPARE(label->text(), status);
        if (status == QLatin1String("PAUSED")) {
            QTest::keySequence(focus, keys); // resumes
            QCOMPARE(label->text(), QStringLiteral("SPEAKING"));
            main.findChild<bvlBUTTON*>(QStringLiteral("cmdPauseText"))->setEnabled(false);
            QTest::keySequence(focus, keys);
            QCOMPARE(label->text(), QStringLiteral("SPEAKING"));
        }
        const QString tip = main.findChild<bvlBUTTON*>(QStringLiteral("cmdSpkText"))->toolTip();
        QCOMPARE(tip, QStringLiteral("Speak Text (F5, Ctrl+Return)"));
    }

    // Tab reaches every control in reading order and comes back round.
    void tabOrder()
    {
        platform::FakeMessageBoxService boxes;
        FakeSpeechControl speech;
        Main main(&speech);
        main.Form_Load();
        QWidget* start = main.findChild<QWidget*>(QStringLiteral("cmdOpen"));
        QStringList order;
        for (QWidget* w = start->nextInFocusChain(); w != start; w = w->nextInFocusChain()) {
            if (w->isVisibleTo(&main) && (w->focusPolicy() & Qt::TabFocus) &&
                !w->objectName().isEmpty() && w->parentWidget() == &main) {
                order << w->objectName();
            }
        }
        QCOMPARE(order, QStringList({"cmdFont",      "cmdBold",      "cmdItalic",   "cmdForeColor",
                                     "cmdBackColor", "cmdCut",       "cmdCopy",     "cmdPaste",
                                     "cmdDelete",    "cmdClear",     "cmdAll",      "cboZoom",
                                     "RichTextBox1", "lstVoice",     "scrSpeed",    "scrPitch",
                                     "cmdSpkText",   "cmdPauseText", "cmdStopText", "cmdRec",
                                     "cmdSaveFile",  "cmdClearText", "txtFile",     "UcCmd3",
                                     "UcCmd2",       "UcCmd1"}));
    }
};

QTEST_MAIN(tst_Accessibility)
#include "tst_Accessibility.moc"
