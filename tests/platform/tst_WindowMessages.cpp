// Window procedures and messages, and the properties attached to a window.

#include "platform/WindowMessages.h"
#include "platform/WindowProperties.h"

#include <QMouseEvent>
#include <QTest>
#include <QWidget>

using namespace platform;
namespace props = platform::windowprops;

namespace {

void sendMouse(QWidget* widget, QEvent::Type type, const QPoint& global, Qt::MouseButtons buttons)
{
    const QPoint local = widget->mapFromGlobal(global);
    QMouseEvent event(type, local, global,
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class tst_WindowMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // The offscreen platform has no window manager; the hand-made loops are what runs.
        setSystemMoveResizeEnabled(false);
    }

    // Negative coordinates (a screen left of or above the primary one) come back intact.
    void pointParamRoundTrips()
    {
        for (const QPoint point : {QPoint(640, 480), QPoint(-20, -1), QPoint(-1920, 1080)}) {
            QCOMPARE(pointFromParam(makePointParam(point)), point);
        }
    }

    // The default procedure turns a press on the caption or an edge into the move or size
    // command, which comes through the window's procedure again.
    void pressBecomesAMoveOrSizeCommand_data()
    {
        QTest::addColumn<int>("hit");
        QTest::addColumn<quintptr>("command");
        QTest::newRow("caption") << HTCAPTION << quintptr(SC_MOVE | HTCAPTION);
        QTest::newRow("left") << HTLEFT << quintptr(SC_SIZE + 1);
        QTest::newRow("right") << HTRIGHT << quintptr(SC_SIZE + 2);
        QTest::newRow("top") << HTTOP << quintptr(SC_SIZE + 3);
        QTest::newRow("top-left") << HTTOPLEFT << quintptr(SC_SIZE + 4);
        QTest::newRow("top-right") << HTTOPRIGHT << quintptr(SC_SIZE + 5);
        QTest::newRow("bottom") << HTBOTTOM << quintptr(SC_SIZE + 6);
        QTest::newRow("bottom-left") << HTBOTTOMLEFT << quintptr(SC_SIZE + 7);
        QTest::newRow("bottom-right") << HTBOTTOMRIGHT << quintptr(SC_SIZE + 8);
    }

    void pressBecomesAMoveOrSizeCommand()
    {
        QFETCH(int, hit);
        QFETCH(quintptr, command);
        QWidget window;
        QList<WindowMessage> seen;
        setWindowProcedure(&window, [&](QWidget*, const WindowMessage& message) {
            seen.append(message);
            // Answer everything: no move or size starts.
            return qintptr(0);
        });
        sendMessage(&window, WM_NCLBUTTONDOWN, static_cast<quintptr>(hit),
                    makePointParam(QPoint(5, 6)));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(defWindowProc(&window, seen[0]), qintptr(0));
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[1].message, WM_SYSCOMMAND);
        QCOMPARE(seen[1].wParam, command);
        QCOMPARE(pointFromParam(seen[1].lParam), QPoint(5, 6));
    }

    void restoringThePreviousProcedure()
    {
        QWidget window;
        int calls = 0;
        const WindowProcedure previous =
            setWindowProcedure(&window, [&](QWidget*, const WindowMessage&) {
                ++calls;
                return qintptr(7);
            });
        QVERIFY(previous); // the default procedure
        QCOMPARE(sendMessage(&window, 0x0400, 0, 0), qintptr(7));
        setWindowProcedure(&window, previous);
        QCOMPARE(sendMessage(&window, 0x0400, 0, 0), qintptr(0));
        QCOMPARE(calls, 1);
    }

    // Moving by hand is also the X-server move test's (without a window manager); here, sizing
    // past the minimum.
    void sizeFollowsTheMouseAndKeepsTheMinimum()
    {
        QWidget window;
        window.setMinimumSize(60, 50);
        window.setGeometry(50, 60, 120, 90);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint press(50, 60);
        sendMessage(&window, WM_NCLBUTTONDOWN, HTTOPLEFT, makePointParam(press));
        sendMouse(&window, QEvent::MouseMove, press + QPoint(-10, -20), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(40, 40, 130, 110));
        // Past the minimum: the bottom-right corner stays put.
        sendMouse(&window, QEvent::MouseMove, press + QPoint(100, 100), Qt::LeftButton);
        QCOMPARE(window.geometry(), QRect(110, 100, 60, 50));
        sendMouse(&window, QEvent::MouseButtonRelease, press + QPoint(100, 100), Qt::NoButton);
    }

    // Names match without case; a name holds one kind of value.
    void numbersAndObjects()
    {
        QObject window;
        auto* member = new QObject;
        props::setNumber(&window, QStringLiteral("rk_OptCount"), 2);
        props::setObject(&window, QStringLiteral("1rk_Obj"), member);
        QCOMPARE(props::number(&window, QStringLiteral("RK_OPTCOUNT")), std::optional<qint64>(2));
        QCOMPARE(props::object(&window, QStringLiteral("1rk_obj")), member);
        QCOMPARE(props::object(&window, QStringLiteral("rk_OptCount")), nullptr);
        QCOMPARE(props::number(&window, QStringLiteral("1rk_Obj")), std::nullopt);
        // A reference does not outlive its object.
        delete member;
        QCOMPARE(props::object(&window, QStringLiteral("1rk_Obj")), nullptr);
        QVERIFY(props::contains(&window, QStringLiteral("1rk_Obj")));
        props::setNumber(&window, QStringLiteral("1rk_Obj"), 7);
        QCOMPARE(props::number(&window, QStringLiteral("1rk_Obj")), std::optional<qint64>(7));
        props::remove(&window, QStringLiteral("1RK_OBJ"));
        QVERIFY(!props::contains(&window, QStringLiteral("1rk_Obj")));
        QVERIFY(props::contains(&window, QStringLiteral("rk_OptCount")));
    }

    // Without a window nothing is kept; reading creates nothing; the store goes with its window.
    void noWindowAndWindowGone()
    {
        props::setNumber(nullptr, QStringLiteral("x"), 1);
        QCOMPARE(props::number(nullptr, QStringLiteral("x")), std::nullopt);
        QCOMPARE(props::object(nullptr, QStringLiteral("x")), nullptr);
        props::remove(nullptr, QStringLiteral("x"));
        auto* window = new QObject;
        QCOMPARE(props::number(window, QStringLiteral("missing")), std::nullopt);
        QVERIFY(window->children().isEmpty());
        props::setNumber(window, QStringLiteral("rk_TimerID"), 237);
        QCOMPARE(window->children().size(), 1);
        QPointer<QObject> store = window->children().first();
        delete window;
        QVERIFY(store.isNull());
    }
};

QTEST_MAIN(tst_WindowMessages)
#include "tst_WindowMessages.moc"
