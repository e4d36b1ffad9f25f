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
    return xdotool({"mousemove", QString::number(global.x()), QString::number(global.y())});
}

// Presses at from, drags to to in a few steps and releases there.
bool drag(const QPoint& from, const QPoint& to)
{
    bool done = pointerTo(from) && xdotool({"mousedown", "1"});
    for (int step = 1; done && step <= 4; ++step) {
        done = pointerTo(from + (to - from) * step / 4);
    }
    return done && xdotool({"mouseup", "1"});
}

} // namespace

class tst_SkinWindowMove : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs an X server (run under xvfb-run)");
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty()) {
            QFAIL("xdotool is missing (scripts/packages.txt installs it)");
        }
    }

    void dragMovesOrSizes_data()
    {
        QTest::addColumn<QPoint>("grab");
        QTest::addColumn<int>("hover"); // the hit code the hover finds; 0: no hover
        QTest::addColumn<QPoint>("by");
        QTest::addColumn<bool>("refuseSizing"); // by the window's procedure
        QTest::addColumn<QRect>("moved");       // from 100, 100, 300 x 200
        const QPoint band(150, 10); // 10 pixels down is 150 twips: inside the title band
        const QPoint edge(298, 100);
        const int right = platform::HTRIGHT;
        // The hover finds an edge; the press below the title band starts the sizing.
        QTest::newRow("title band moves")
            << band << 0 << QPoint(60, 40) << false << QRect(160, 140, 300, 200);
        QTest::newRow("right edge sizes")
            << edge << right << QPoint(50, 0) << false << QRect(100, 100, 350, 200);
        QTest::newRow("bottom-left corner sizes")
            << QPoint(1, 198) << int(platform::HTBOTTOMLEFT) << QPoint(-30, 20) << false
            << QRect(70, 100, 330, 220);
        QTest::newRow("sizing refused")
            << edge << right << QPoint(50, 0) << true << QRect(100, 100, 300, 200);
        QTest::newRow("moving not refused")
            << band << 0 << QPoint(20, 30) << true << QRect(120, 130, 300, 200);
    }

    void dragMovesOrSizes()
    {
        QFETCH(QPoint, grab);
        QFETCH(int, hover);
        QFETCH(QPoint, by);
        QFETCH(bool, refuseSizing);
        QFETCH(QRect, moved);
        using namespace platform;
        int refused = 0;
        WindowProcedure previous; // both outlive the form and its procedure
        QWidget form(nullptr, Qt::Window | Qt::FramelessWindowHint);
        form.setMinimumSize(120, 80);
        form.setGeometry(100, 100, 300, 200);
        skin::ClsSkin skin;
        skin.setTheForm(&form);
        skin.SetFrmPict();
        form.show();
        if (refuseSizing) {
            previous =
                setWindowProcedure(&form, [&](QWidget* target, const WindowMessage& message) {
                    if (message.message == WM_SYSCOMMAND && (message.wParam & 0xFFF0) == SC_SIZE) {
                        ++refused;
                        return qintptr(0);
                    }
                    return callWindowProcedure(previous, target, message);
                });
        }
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::qWait(200); // for a window manager's placement
        const QPoint shift = form.pos() - QPoint(100, 100);
        const QPoint from = form.mapToGlobal(grab);
        if (hover != 0) {
            QVERIFY(pointerTo(from));
            QTRY_COMPARE(skin.resizeHitCode(), hover);
        }
        QVERIFY(drag(from, from + by));
        QCOMPARE(refused, refuseSizing && hover != 0 ? 1 : 0);
        QTRY_COMPARE(form.geometry(), moved.translated(shift));
    }
};

QTEST_MAIN(tst_SkinWindowMove)
#include "tst_SkinWindowMove.moc"
