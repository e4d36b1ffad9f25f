#include "platform/WindowMessages.h"

#include <QMouseEvent>
#include <QTest>
#include <QWidget>

using namespace platform;

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
    void initTestCase();
    void pointParamRoundTrips_data();
    void pointParamRoundTrips();
    void procedureSeesMessagesAndHandsThemOn();
    void pressOnAnEdgeBecomesASizeCommand_data();
    void pressOnAnEdgeBecomesASizeCommand();
    void refusedSizingLeavesTheWindowAlone();
    void restoringThePreviousProcedure();
    void moveFollowsTheMouseWithoutAWindowManager();
    void sizeFollowsTheMouseAndKeepsTheMinimum();
};

void tst_WindowMessages::initTestCase()
{
    // The offscreen platform has no window manager; the hand-made loops are what runs.
    setSystemMoveResizeEnabled(false);
}

void tst_WindowMessages::pointParamRoundTrips_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::newRow("positive") << QPoint(640, 480);
    QTest::newRow("negative") << QPoint(-20, -1);
    QTest::newRow("mixed") << QPoint(-1920, 1080);
}

void tst_WindowMessages::pointParamRoundTrips()
{
    QFETCH(QPoint, point);
    QCOMPARE(pointFromParam(makePointParam(point)), point);
}

void tst_WindowMessages::procedureSeesMessagesAndHandsThemOn()
{
    QWidget window;
    QList<WindowMessage> seen;
    const WindowProcedure previous =
        setWindowProcedure(&window, [&](QWidget* target, const WindowMessage& message) {
            seen.append(message);
            return callWindowProcedure(previous, target, message);
        });
    QVERIFY(previous);
    sendMessage(&window, WM_NCLBUTTONDOWN, HTCAPTION, makePointParam(QPoint(5, 6)));
    // The default procedure turns the caption press into the move command, which comes
    // through the chain again.
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[0].message, WM_NCLBUTTONDOWN);
    QCOMPARE(seen[1].message, WM_SYSCOMMAND);
    QCOMPARE(seen[1].wParam, SC_MOVE | HTCAPTION);
    QCOMPARE(pointFromParam(seen[1].lParam), QPoint(5, 6));
    // Finish the hand-made move the command started.
    sendMouse(&window, QEvent::MouseButtonRelease, QPoint(5, 6), Qt::NoButton);
}

void tst_WindowMessages::pressOnAnEdgeBecomesASizeCommand_data()
{
    QTest::addColumn<int>("hit");
    QTest::addColumn<int>("sizeCode");
    QTest::newRow("left") << HTLEFT << 1;
    QTest::newRow("right") << HTRIGHT << 2;
    QTest::newRow("top") << HTTOP << 3;
    QTest::newRow("top-left") << HTTOPLEFT << 4;
    QTest::newRow("top-right") << HTTOPRIGHT << 5;
    QTest::newRow("bottom") << HTBOTTOM << 6;
    QTest::newRow("bottom-left") << HTBOTTOMLEFT << 7;
    QTest::newRow("bottom-right") << HTBOTTOMRIGHT << 8;
}

void tst_WindowMessages::pressOnAnEdgeBecomesASizeCommand()
{
    QFETCH(int, hit);
    QFETCH(int, sizeCode);
    QWidget window;
    QList<WindowMessage> seen;
    setWindowProcedure(&window, [&](QWidget*, const WindowMessage& message) {
        seen.append(message);
        // Answer everything: nothing starts.
        return qintptr(0);
    });
    sendMessage(&window, WM_NCLBUTTONDOWN, static_cast<quintptr>(hit), 0);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(defWindowProc(&window, seen[0]), qintptr(0));
    // defWindowProc sent the size command through the chain.
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[1].message, WM_SYSCOMMAND);
    QCOMPARE(seen[1].wParam, SC_SIZE + static_cast<quintptr>(sizeCode));
}

void tst_WindowMessages::refusedSizingLeavesTheWindowAlone()
{
    QWidget window;
    window.setGeometry(100, 100, 200, 150);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const WindowProcedure previous =
        setWindowProcedure(&window, [&](QWidget* target, const WindowMessage& message) {
            if (message.message == WM_SYSCOMMAND && (message.wParam & 0xFFF0) == SC_SIZE) {
                return qintptr(0);
            }
            return callWindowProcedure(previous, target, message);
        });
    const QPoint start(299, 249);
    sendMessage(&window, WM_NCLBUTTONDOWN, HTBOTTOMRIGHT, makePointParam(start));
    sendMouse(&window, QEvent::MouseMove, start + QPoint(40, 30), Qt::LeftButton);
    sendMouse(&window, QEvent::MouseButtonRelease, start + QPoint(40, 30), Qt::NoButton);
    QCOMPARE(window.size(), QSize(200, 150));

    // Moving is still allowed.
    sendMessage(&window, WM_NCLBUTTONDOWN, HTCAPTION, makePointParam(QPoint(150, 110)));
    sendMouse(&window, QEvent::MouseMove, QPoint(160, 130), Qt::LeftButton);
    sendMouse(&window, QEvent::MouseButtonRelease, QPoint(160, 130), Qt::NoButton);
    QCOMPARE(window.pos(), QPoint(110, 120));
}

void tst_WindowMessages::restoringThePreviousProcedure()
{
    QWidget window;
    int calls = 0;
    const WindowProcedure previous =
        setWindowProcedure(&window, [&](QWidget*, const WindowMessage&) {
            ++calls;
            return qintptr(7);
        });
    QCOMPARE(sendMessage(&window, 0x0400, 0, 0), qintptr(7));
    setWindowProcedure(&window, previous);
    QCOMPARE(sendMessage(&window, 0x0400, 0, 0), qintptr(0));
    QCOMPARE(calls, 1);
}

void tst_WindowMessages::moveFollowsTheMouseWithoutAWindowManager()
{
    QWidget window;
    window.setGeometry(50, 60, 120, 90);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint press(100, 70);
    sendMessage(&window, WM_NCLBUTTONDOWN, HTCAPTION, makePointParam(press));
    sendMouse(&window, QEvent::MouseMove, press + QPoint(30, 10), Qt::LeftButton);
    QCOMPARE(window.pos(), QPoint(80, 70));
    sendMouse(&window, QEvent::MouseMove, press + QPoint(-10, 25), Qt::LeftButton);
    QCOMPARE(window.pos(), QPoint(40, 85));
    sendMouse(&window, QEvent::MouseButtonRelease, press + QPoint(-10, 25), Qt::NoButton);
    // After the release the window stays where it is.
    sendMouse(&window, QEvent::MouseMove, press + QPoint(90, 90), Qt::NoButton);
    QCOMPARE(window.pos(), QPoint(40, 85));
    QCOMPARE(window.size(), QSize(120, 90));
}

void tst_WindowMessages::sizeFollowsTheMouseAndKeepsTheMinimum()
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

QTEST_MAIN(tst_WindowMessages)
#include "tst_WindowMessages.moc"
