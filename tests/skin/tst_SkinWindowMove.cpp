// Moves and sizes a skinned window with real pointer input on an X server, with and
// without a window manager (run under xvfb-run; PARLANZA_TEST_WM names the manager).

#include "platform/Units.h"
#include "platform/WindowMessages.h"
#include "skin/ClsSkin.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QWidget>

namespace {

// Real pointer input through the X test extension, as a user's mouse would give it.
bool xdotool(const QStringList& arguments)
{
    const bool done = QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
    // Time for the press to reach the program and, under a window manager, for its
    // move or sizing loop to take the pointer before the next motion.
    QTest::qWait(250);
    return done;
}

bool pointerTo(const QPoint& global)
{
    return xdotool(
        {QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
}

// Presses at from, drags to to in a few steps and releases there.
bool drag(const QPoint& from, const QPoint& to)
{
    if (!pointerTo(from) || !xdotool({QStringLiteral("mousedown"), QStringLiteral("1")})) {
        return false;
    }
    for (int step = 1; step <= 4; ++step) {
        if (!pointerTo(from + (to - from) * step / 4)) {
            return false;
        }
    }
    return xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

struct SkinnedWindow
{
    SkinnedWindow() : form(nullptr, Qt::Window | Qt::FramelessWindowHint)
    {
        form.setMinimumSize(120, 80);
        form.setGeometry(100, 100, 300, 200);
        skin.setTheForm(&form);
        skin.SetFrmPict();
        form.show();
    }
    QWidget form;
    ClsSkin skin;
};

} // namespace

class tst_SkinWindowMove : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void titleBandMovesTheWindow();
    void rightEdgeSizesTheWindow();
    void bottomLeftCornerSizesTheWindow();
    void aFilterCanRefuseSizing();
};

void tst_SkinWindowMove::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        QSKIP("needs an X server (run under xvfb-run)");
    }
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
        QFAIL("xdotool is missing (scripts/packages.txt installs it)");
    }
    qInfo("window manager: %s", qEnvironmentVariableIsEmpty("PARLANZA_TEST_WM")
                                    ? "none"
                                    : qPrintable(qgetenv("PARLANZA_TEST_WM")));
}

void tst_SkinWindowMove::titleBandMovesTheWindow()
{
    SkinnedWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.form));
    QTest::qWait(200);
    const QPoint start = window.form.pos();
    // 10 pixels down is 150 twips: inside the title band.
    const QPoint grab = window.form.mapToGlobal(QPoint(150, 10));
    QVERIFY(drag(grab, grab + QPoint(60, 40)));
    QTRY_COMPARE(window.form.pos(), start + QPoint(60, 40));
    QCOMPARE(window.form.size(), QSize(300, 200));
}

void tst_SkinWindowMove::rightEdgeSizesTheWindow()
{
    SkinnedWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.form));
    QTest::qWait(200);
    const QPoint start = window.form.pos();
    const QPoint edge = window.form.mapToGlobal(QPoint(298, 100));
    // The hover finds the edge; the press below the title band starts the sizing.
    QVERIFY(pointerTo(edge));
    QTRY_COMPARE(window.skin.resizeHitCode(), platform::HTRIGHT);
    QVERIFY(drag(edge, edge + QPoint(50, 0)));
    QTRY_COMPARE(window.form.width(), 350);
    QCOMPARE(window.form.height(), 200);
    QCOMPARE(window.form.pos(), start);
}

void tst_SkinWindowMove::bottomLeftCornerSizesTheWindow()
{
    SkinnedWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.form));
    QTest::qWait(200);
    const QRect start = window.form.geometry();
    const QPoint corner = window.form.mapToGlobal(QPoint(1, 198));
    QVERIFY(pointerTo(corner));
    QTRY_COMPARE(window.skin.resizeHitCode(), platform::HTBOTTOMLEFT);
    QVERIFY(drag(corner, corner + QPoint(-30, 20)));
    QTRY_COMPARE(window.form.size(), QSize(330, 220));
    QCOMPARE(window.form.geometry().right(), start.right());
    QCOMPARE(window.form.geometry().top(), start.top());
}

void tst_SkinWindowMove::aFilterCanRefuseSizing()
{
    SkinnedWindow window;
    QVERIFY(QTest::qWaitForWindowExposed(&window.form));
    QTest::qWait(200);
    int refused = 0;
    const platform::WindowProcedure previous = platform::setWindowProcedure(
        &window.form, [&](QWidget* target, const platform::WindowMessage& message) {
            if (message.message == platform::WM_SYSCOMMAND &&
                (message.wParam & 0xFFF0) == platform::SC_SIZE) {
                ++refused;
                return qintptr(0);
            }
            return platform::callWindowProcedure(previous, target, message);
        });
    const QPoint edge = window.form.mapToGlobal(QPoint(298, 100));
    QVERIFY(pointerTo(edge));
    QTRY_COMPARE(window.skin.resizeHitCode(), platform::HTRIGHT);
    QVERIFY(drag(edge, edge + QPoint(50, 0)));
    QCOMPARE(refused, 1);
    QTest::qWait(200);
    QCOMPARE(window.form.size(), QSize(300, 200));

    // Moving still goes through.
    const QPoint start = window.form.pos();
    const QPoint grab = window.form.mapToGlobal(QPoint(150, 10));
    QVERIFY(drag(grab, grab + QPoint(20, 30)));
    QTRY_COMPARE(window.form.pos(), start + QPoint(20, 30));
    platform::setWindowProcedure(&window.form, previous);
}

QTEST_MAIN(tst_SkinWindowMove)
#include "tst_SkinWindowMove.moc"
