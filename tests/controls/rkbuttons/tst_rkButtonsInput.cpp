// Mouse, keyboard, focus and hover tracking of the button, and the events it raises.

#include "controls/rkbuttons/modRkTimer.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/WindowProperties.h"
#include "rkTestSupport.h"

#include <QKeyEvent>
#include <QSignalSpy>
#include <QTest>

namespace {

// Records the virtual key and scan code of each key press that reaches a widget.
class KeyRecorder : public QObject
{
public:
    QList<std::pair<quint32, quint32>> keys;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            keys.append({key->nativeVirtualKey(), key->nativeScanCode()});
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

class tst_rkButtonsInput : public rktest::Fixture
{
    Q_OBJECT

private:
    // The events a button raises, in their order.
    QStringList m_log;
    void note(const char* event, int value)
    {
        m_log << QStringLiteral("%1 %2").arg(QLatin1String(event)).arg(value);
    }
    void recordEvents(rkButtons_H* b)
    {
        m_log.clear();
        connect(b, &rkButtons_H::Click, this, [this] { m_log << QStringLiteral("Click"); });
        connect(b, &rkButtons_H::KeyDown, this, [this](int key, int) { note("KeyDown", key); });
        connect(b, &rkButtons_H::KeyUp, this, [this](int key, int) { note("KeyUp", key); });
        connect(b, &rkButtons_H::MouseDown, this,
                [this](int button, int, double, double) { note("MouseDown", button); });
        connect(b, &rkButtons_H::MouseUp, this,
                [this](int button, int, double, double) { note("MouseUp", button); });
        connect(b, &rkButtons_H::DoubleClick, this,
                [this](int button) { note("DoubleClick", button); });
    }

    // Press, release, the second press the system reports as a double click, release.
    static void sendDoubleClick(rkButtons_H* b, QImage* afterFirstClick = nullptr)
    {
        const QPointF at(b->rect().center());
        const auto send = [b, at](QEvent::Type type, Qt::MouseButtons held) {
            QMouseEvent event(type, at, b->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
            QApplication::sendEvent(b, &event);
        };
        send(QEvent::MouseButtonPress, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
        if (afterFirstClick) {
            *afterFirstClick = b->presentedImage();
        }
        send(QEvent::MouseButtonDblClick, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, Qt::NoButton);
    }

private Q_SLOTS:
    void hoverEntersOnceAndLeaves()
    {
        rkButtons_H* b = button();
        b->setCaption(QString());
        b->setHoverBackColor(platform::rgb(255, 255, 0));
        QSignalSpy hover(b, &rkButtons_H::MouseOnButton);
        QSignalSpy moves(b, &rkButtons_H::MouseMove);
        const QImage normal = b->presentedImage();

        rktest::sendMove(b, QPoint(20, 10));
        rktest::sendMove(b, QPoint(30, 12));
        rktest::sendMove(b, QPoint(40, 14));
        QCOMPARE(moves.count(), 3);
        QCOMPARE(hover.count(), 1);
        QCOMPARE(hover.first().first().toBool(), true);
        QVERIFY(b->Hovering());
        QVERIFY(b->presentedImage() != normal);

        // The hover timer runs on the button's own window and finds it through its
        // window properties.
        QCOMPARE(modRkTimer::timerInterval(b, modRkTimer::kHoverTimerId), 50);
        QCOMPARE(platform::windowprops::object(b, QStringLiteral("rk_ClassID")), b);
        QCOMPARE(platform::windowprops::number(b, QStringLiteral("rk_TimerID")),
                 std::optional<qint64>(237));

        rktest::moveAway(b);
        QTRY_COMPARE(hover.count(), 2);
        QCOMPARE(hover.last().first().toBool(), false);
        QVERIFY(!b->Hovering());
        QVERIFY(!modRkTimer::isTimerActive(b, modRkTimer::kHoverTimerId));
        QCOMPARE(b->presentedImage(), normal);
    }

    void leavingWhileHeldShowsTheNormalFace()
    {
        rkButtons_H* b = button();
        b->setCaption(QString());
        const QImage normal = b->presentedImage();
        rktest::hover(b);
        rktest::press(b);
        QVERIFY(b->PressedLook());
        QVERIFY(b->presentedImage() != normal);
        rktest::moveAway(b);
        QTRY_VERIFY(!b->Hovering());
        QVERIFY(!b->PressedLook());
        QCOMPARE(b->presentedImage(), normal);
        QSignalSpy clicks(b, &rkButtons_H::Click);
        QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
        QCOMPARE(clicks.count(), 0);
    }

    void destroyedWhileTrackingStopsItsTimer()
    {
        rkButtons_H* b = button();
        rktest::hover(b);
        QVERIFY(modRkTimer::isTimerActive(b, modRkTimer::kHoverTimerId));
        delete b;
        QCursor::setPos(m_container->mapToGlobal(QPoint(390, 290)));
        QTest::qWait(120); // two ticks' time: nothing may reach the deleted button
    }

    void hoverTimerProcIgnoresWindowsWithoutAButton()
    {
        QWidget stranger;
        modRkTimer::HoverTimerProc(&stranger, modRkTimer::kTimerMessage, 237, 0);
        platform::windowprops::setObject(&stranger, QStringLiteral("rk_ClassID"), &stranger);
        modRkTimer::HoverTimerProc(&stranger, modRkTimer::kTimerMessage, 237, 0);
    }

    void clicks_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<Qt::MouseButton>("mouseButton");
        QTest::addColumn<int>("clicks");
        QTest::addColumn<bool>("value");
        QTest::newRow("command, left") << 0 << Qt::LeftButton << 1 << false;
        QTest::newRow("command, right") << 0 << Qt::RightButton << 0 << false;
        QTest::newRow("check, left") << 1 << Qt::LeftButton << 1 << true;
        QTest::newRow("option, left") << 2 << Qt::LeftButton << 1 << true;
    }

    void clicks()
    {
        QFETCH(int, mode);
        QFETCH(Qt::MouseButton, mouseButton);
        QFETCH(int, clicks);
        QFETCH(bool, value);
        rkButtons_H* b = button();
        b->setMode(mode);
        QSignalSpy spy(b, &rkButtons_H::Click);
        rktest::hover(b);
        rktest::press(b, mouseButton);
        rktest::release(b, mouseButton);
        QCOMPARE(spy.count(), clicks);
        QCOMPARE(b->Value(), value);
        QCOMPARE(b->LastMouseButton(), mouseButton == Qt::LeftButton ? 1 : 2);
    }

    void optionAlreadySetRaisesNoClick()
    {
        rkButtons_H* a = option(0, QStringLiteral("a"));
        rkButtons_H* b = option(1, QStringLiteral("b"));
        a->setValue(true);
        QSignalSpy clicksA(a, &rkButtons_H::Click);
        const QImage setLook = a->presentedImage();
        rktest::hover(a);
        rktest::moveAway(a);
        QTRY_VERIFY(!a->Hovering());
        QTest::mouseClick(a, Qt::LeftButton);
        QCOMPARE(clicksA.count(), 0);
        QVERIFY(a->Value());
        QCOMPARE(a->presentedImage(), setLook); // not left looking pressed
        QTest::mouseClick(b, Qt::LeftButton);
        QVERIFY(b->Value());
        QVERIFY(!a->Value());
    }

    void spaceBar_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("events");
        // Check and option buttons raise KeyUp before the click and not again after it;
        // command buttons click first and then raise KeyUp.
        QTest::newRow("command") << 0 << QStringList{"KeyDown 32", "Click", "KeyUp 32"};
        QTest::newRow("check") << 1 << QStringList{"KeyDown 32", "KeyUp 32", "Click"};
        QTest::newRow("option") << 2 << QStringList{"KeyDown 32", "KeyUp 32", "Click"};
    }

    void spaceBar()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, events);
        rkButtons_H* b = button();
        b->setMode(mode);
        recordEvents(b);
        QTest::keyPress(b, Qt::Key_Space);
        QVERIFY(b->PressedLook());
        QVERIFY(b->StateFlags() & rkButtons_H::kStatePressed);
        QVERIFY(!(b->StateFlags() & rkButtons_H::kStateHover));
        QTest::keyRelease(b, Qt::Key_Space);
        QCOMPARE(m_log, events);
        QVERIFY(!b->PressedLook());
        QCOMPARE(b->Value(), mode != 0);
    }

    void arrowKeysGoToTheContainer()
    {
        rkButtons_H* b = button();
        recordEvents(b);
        KeyRecorder recorder;
        m_container->installEventFilter(&recorder);
        for (Qt::Key key : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Right, Qt::Key_Down}) {
            QTest::keyClick(b, key);
        }
        QVERIFY(m_log.isEmpty());
        QTRY_COMPARE(recorder.keys.size(), 4);
        QCOMPARE(recorder.keys, (QList<std::pair<quint32, quint32>>{
                                    {37, 0x4B}, {38, 0x48}, {39, 0x4D}, {40, 0x50}}));
        m_container->removeEventFilter(&recorder);
    }

    void arrowOntoAnOptionSelectsIt()
    {
        rkButtons_H* a = option(0, QStringLiteral("a"));
        rkButtons_H* b = option(1, QStringLiteral("b"));
        a->setValue(true);
        QSignalSpy clicks(b, &rkButtons_H::Click);
        // The arrow's release arrives at the button the container moved the focus to.
        QTest::keyRelease(b, Qt::Key_Down);
        QVERIFY(b->Value());
        QVERIFY(!a->Value());
        QCOMPARE(clicks.count(), 1);
    }

    void otherKeysPassThrough()
    {
        rkButtons_H* b = button();
        recordEvents(b);
        QSignalSpy presses(b, &rkButtons_H::KeyPress);
        QTest::keyClick(b, Qt::Key_A);
        QTest::keyClick(b, Qt::Key_Shift);
        QCOMPARE(m_log, (QStringList{"KeyDown 65", "KeyUp 65", "KeyDown 16"}));
        QCOMPARE(presses.count(), 1);
        QCOMPARE(presses.first().first().toInt(), int('a'));
    }

    void doubleClick()
    {
        rkButtons_H* b = button();
        recordEvents(b);
        rktest::hover(b);
        sendDoubleClick(b);
        // The second press is replaced by the double click; its release clicks no more.
        QCOMPARE(m_log, (QStringList{"MouseDown 1", "MouseUp 1", "Click", "DoubleClick 1",
                                     "MouseDown 1", "MouseUp 1"}));
        QCOMPARE(b->LastMouseButton(), 1);

        // A check button toggles once and looks released.
        rkButtons_H* check = button(QRect(10, 50, 100, 30), QStringLiteral("check"));
        check->setMode(1);
        QImage checked;
        sendDoubleClick(check, &checked);
        QVERIFY(check->Value());
        QCOMPARE(check->presentedImage(), checked);
    }

    void buttonDeletedByItsClickHandler()
    {
        rkButtons_H* b = button();
        connect(b, &rkButtons_H::Click, b, [b] { delete b; });
        QPointer<rkButtons_H> watch(b);
        QTest::keyPress(b, Qt::Key_Space);
        QTest::keyRelease(b, Qt::Key_Space);
        QVERIFY(watch.isNull());
    }
};

QTEST_MAIN(tst_rkButtonsInput)
#include "tst_rkButtonsInput.moc"
