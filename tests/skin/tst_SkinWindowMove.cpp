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
    bool settled()
    {
        const bool exposed = QTest::qWaitForWindowExposed(&form);
        QTest::qWait(200);
        return exposed;
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
    void dragMovesOrSizes_data();
    void dragMovesOrSizes();
    void aProcedureCanRefuseSizing();
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

void tst_SkinWindowMove::dragMovesOrSizes_data()
{
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<int>("hover"); // the hit code the hover finds; 0: no hover
    QTest::addColumn<QPoint>("by");
    QTest::addColumn<QRect>("moved"); // from the window's geometry at 100, 100, 300 x 200
    // 10 pixels down is 150 twips: inside the title band.
    QTest::newRow("title band moves")
        << QPoint(150, 10) << 0 << QPoint(60, 40) << QRect(160, 140, 300, 200);
    // The hover finds the edge; the press below the title band starts the sizing.
    QTest::newRow("right edge sizes")
        << QPoint(298, 100) << int(platform::HTRIGHT) << QPoint(50, 0) << QRect(100, 100, 350, 200);
    QTest::newRow("bottom-left corner sizes") << QPoint(1, 198) << int(platform::HTBOTTOMLEFT)
                                              << QPoint(-30, 20) << QRect(70, 100, 330, 220);
}

void tst_SkinWindowMove::dragMovesOrSizes()
{
    QFETCH(QPoint, grab);
    QFETCH(int, hover);
    QFETCH(QPoint, by);
    QFETCH(QRect, moved);
    SkinnedWindow window;
    QVERIFY(window.settled());
    const QPoint shift = window.form.pos() - QPoint(100, 100);
    const QPoint from = window.form.mapToGlobal(grab);
    if (hover != 0) {
        QVERIFY(pointerTo(from));
        QTRY_COMPARE(window.skin.resizeHitCode(), hover);
    }
    QVERIFY(drag(from, from + by));
    QTRY_COMPARE(window.form.geometry(), moved.translated(shift));
}

void tst_SkinWindowMove::aProcedureCanRefuseSizing()
{
    SkinnedWindow window;
    QVERIFY(window.settled());
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
