#include "platform/ControlTag.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/OleColor.h"
#include "platform/Resources.h"
#include "platform/Units.h"
#include "platform/WindowMessages.h"
#include "skin/ClsSkin.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

using namespace platform;

namespace {

QImage solid(int width, int height, QRgb colour)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QImage skinBitmap(const char* name)
{
    return resources::bitmap(QString::fromLatin1(name)).value_or(QImage());
}

// A borderless form with the three title-bar buttons, a caption label and a control kept
// at the top-left corner, all found by their tags.
struct SkinnedForm
{
    SkinnedForm(Qt::WindowFlags flags = Qt::FramelessWindowHint) : form(nullptr, Qt::Window | flags)
    {
        form.setWindowTitle(QStringLiteral("Speech"));
        for (const char* tag : {"TOPCLOSE", "RESTORE", "MINIMISE"}) {
            auto* button = new QWidget(&form);
            button->resize(21, 21);
            setControlTag(button, QString::fromLatin1(tag));
            buttons.append(button);
        }
        caption = new QLabel(&form);
        setControlTag(caption, QStringLiteral("LblCaption"));
        corner = new QWidget(&form);
        corner->setGeometry(10, 10, 5, 5);
        setControlTag(corner, QStringLiteral("TOPLEFT"));
        form.resize(300, 200);
        skin.setTheForm(&form);
    }

    QWidget form;
    QList<QWidget*> buttons;
    QLabel* caption = nullptr;
    QWidget* corner = nullptr;
    ClsSkin skin;
};

// Records the form's messages and answers them, so no move or sizing loop starts.
struct MessageRecorder
{
    explicit MessageRecorder(QWidget* window) : window(window)
    {
        previous = setWindowProcedure(window, [this](QWidget*, const WindowMessage& message) {
            messages.append(message);
            return qintptr(0);
        });
    }
    ~MessageRecorder() { setWindowProcedure(window, previous); }

    QWidget* window;
    WindowProcedure previous;
    QList<WindowMessage> messages;
};

} // namespace

class tst_ClsSkin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void tileBltBoundsAreInclusive_data();
    void tileBltBoundsAreInclusive();
    void tileBltWithoutPictureDrawsNothing();
    void frameDrawingOrder();
    void paintingTheFormDrawsBackgroundAndFrame();
    void borderedFormGetsOnlyTheBackground();
    void hitTestTable_data();
    void hitTestTable();
    void mouseMoveSetsThePointer_data();
    void mouseMoveSetsThePointer();
    void mouseDownMovesOrSizes_data();
    void mouseDownMovesOrSizes();
    void formEventsReachTheSkin();
    void titleBarPlacement();
    void showAndHideTitleBarControls();
    void switchesEnableTheirButtons();
};

void tst_ClsSkin::initTestCase()
{
    setTwipsPerPixelOverride(15.0);
}

void tst_ClsSkin::tileBltBoundsAreInclusive_data()
{
    QTest::addColumn<int>("clientWidth");
    QTest::addColumn<int>("columnsDrawn");
    QTest::newRow("exact multiple still gets an extra column") << 8 << 3;
    QTest::newRow("one pixel more") << 9 << 3;
    QTest::newRow("one pixel less") << 7 << 2;
    QTest::newRow("narrower than a tile") << 3 << 1;
}

void tst_ClsSkin::tileBltBoundsAreInclusive()
{
    QFETCH(int, clientWidth);
    QFETCH(int, columnsDrawn);
    QImage tile(4, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            tile.setPixel(x, y, qRgb(10 + x, 20 + y, 30));
        }
    }
    ClsSkin skin;
    skin.setPieceBitmap(ClsSkin::Background, tile);
    // The painter is not clipped to the client, so the extra column shows.
    QImage target = solid(20, 12, qRgb(0, 0, 0));
    {
        QPainter dc(&target);
        skin.TileBlt(dc, QRect(0, 0, clientWidth, 6), &skin.picture(ClsSkin::Background));
    }
    for (int x = 0; x < 20; ++x) {
        const bool drawn = x < columnsDrawn * 4;
        QCOMPARE(target.pixel(x, 7), drawn ? tile.pixel(x % 4, 7 % 3) : qRgb(0, 0, 0));
    }
    // 6 / 3 = 2 rows, plus the inclusive one: rows up to y 8.
    QCOMPARE(target.pixel(0, 8), tile.pixel(0, 2));
    QCOMPARE(target.pixel(0, 9), qRgb(0, 0, 0));
}

void tst_ClsSkin::tileBltWithoutPictureDrawsNothing()
{
    ClsSkin skin;
    QImage target = solid(10, 10, qRgb(1, 2, 3));
    {
        QPainter dc(&target);
        skin.TileBlt(dc, target.rect(), &skin.picture(ClsSkin::Background));
        skin.TileBlt(dc, target.rect(), nullptr);
        skin.CopyToFormCorner(dc, target.rect());
    }
    QCOMPARE(target.pixel(5, 5), qRgb(1, 2, 3));
}

void tst_ClsSkin::frameDrawingOrder()
{
    const QRgb top = qRgb(255, 0, 0);
    const QRgb bottom = qRgb(0, 255, 0);
    const QRgb right = qRgb(0, 0, 255);
    const QRgb left = qRgb(255, 255, 0);
    const QRgb topLeft = qRgb(1, 1, 1);
    const QRgb topRight = qRgb(2, 2, 2);
    const QRgb bottomLeft = qRgb(3, 3, 3);
    const QRgb bottomRight = qRgb(4, 4, 4);
    const QRgb back = qRgb(128, 128, 128);
    ClsSkin skin;
    skin.setPieceBitmap(ClsSkin::TopForm, solid(1, 4, top));
    skin.setPieceBitmap(ClsSkin::BottomForm, solid(1, 3, bottom));
    skin.setPieceBitmap(ClsSkin::RightForm, solid(5, 1, right));
    skin.setPieceBitmap(ClsSkin::LeftForm, solid(4, 1, left));
    skin.setPieceBitmap(ClsSkin::TopLeft, solid(2, 2, topLeft));
    skin.setPieceBitmap(ClsSkin::TopRight, solid(2, 1, topRight));
    skin.setPieceBitmap(ClsSkin::BottomLeft, solid(1, 2, bottomLeft));
    skin.setPieceBitmap(ClsSkin::BottomRight, solid(3, 2, bottomRight));
    QImage target = solid(20, 16, back);
    {
        QPainter dc(&target);
        skin.CopyToFormCorner(dc, target.rect());
    }
    // Edges stretched to the client, each at its own thickness.
    QCOMPARE(target.pixel(10, 0), top);
    QCOMPARE(target.pixel(10, 3), top);
    QCOMPARE(target.pixel(10, 4), back);
    QCOMPARE(target.pixel(10, 13), bottom);
    QCOMPARE(target.pixel(10, 12), back);
    QCOMPARE(target.pixel(15, 8), right);
    QCOMPARE(target.pixel(14, 8), back);
    QCOMPARE(target.pixel(3, 8), left);
    QCOMPARE(target.pixel(4, 8), back);
    // The right edge lies over the top and bottom edges, the left edge over both too.
    QCOMPARE(target.pixel(16, 2), right);
    QCOMPARE(target.pixel(16, 14), right);
    QCOMPARE(target.pixel(3, 2), left);
    QCOMPARE(target.pixel(3, 14), left);
    // Corners lie over everything, copied 1:1.
    QCOMPARE(target.pixel(0, 0), topLeft);
    QCOMPARE(target.pixel(1, 1), topLeft);
    QCOMPARE(target.pixel(2, 1), left);
    QCOMPARE(target.pixel(18, 0), topRight);
    QCOMPARE(target.pixel(19, 0), topRight);
    QCOMPARE(target.pixel(18, 1), right);
    QCOMPARE(target.pixel(0, 14), bottomLeft);
    QCOMPARE(target.pixel(1, 14), left);
    QCOMPARE(target.pixel(17, 14), bottomRight);
    QCOMPARE(target.pixel(19, 15), bottomRight);
    QCOMPARE(target.pixel(16, 15), right);
}

void tst_ClsSkin::paintingTheFormDrawsBackgroundAndFrame()
{
    FakeMessageBoxService boxes;
    SkinnedForm skinned;
    skinned.skin.SetFrmPict();
    QCOMPARE(boxes.boxes().size(), 0);
    const QImage shot = skinned.form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.size(), QSize(300, 200));
    QCOMPARE(shot.pixel(5, 5), skinBitmap("TOPLEFT").pixel(5, 5));
    QCOMPARE(shot.pixel(299 - 20, 30), skinBitmap("TOPRIGHT").pixel(139 - 20, 30));
    QCOMPARE(shot.pixel(2, 199), skinBitmap("BOTTOMLEFT").pixel(2, 18));
    QCOMPARE(shot.pixel(299, 199), skinBitmap("BOTTOMRIGHT").pixel(13, 21));
    // Inside the frame the tile shows, anchored at the client's corner.
    QCOMPARE(shot.pixel(150, 100), skinBitmap("BACKGROUND").pixel(150 % 97, 100 % 92));
    QCOMPARE(shot.pixel(100, 10), skinBitmap("TOPFORM").pixel(100 * 60 / 300, 10));
}

void tst_ClsSkin::borderedFormGetsOnlyTheBackground()
{
    SkinnedForm skinned{Qt::WindowFlags()};
    skinned.skin.SetFrmPict();
    const QImage shot = skinned.form.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage background = skinBitmap("BACKGROUND");
    QCOMPARE(shot.pixel(0, 0), background.pixel(0, 0));
    QCOMPARE(shot.pixel(299, 199), background.pixel(299 % 97, 199 % 92));

    // No pointer changes, no moves, no sizing, no placement.
    MessageRecorder recorder(&skinned.form);
    skinned.skin.TheForm_MouseMove(Qt::NoButton, 0, 0);
    QCOMPARE(skinned.skin.resizeHitCode(), 0);
    skinned.skin.TheForm_MouseDown(Qt::LeftButton, 1000, 100);
    QVERIFY(recorder.messages.isEmpty());
    skinned.skin.ResizeControls(&skinned.form);
    QCOMPARE(skinned.corner->pos(), QPoint(10, 10));
}

void tst_ClsSkin::hitTestTable_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("hit");
    // Form of 3000 x 2000 twips; the band is 60 twips.
    QTest::newRow("top-left corner at 60/60") << 60.0 << 60.0 << HTTOPLEFT;
    QTest::newRow("top at 61/60") << 61.0 << 60.0 << HTTOP;
    QTest::newRow("top") << 1500.0 << 0.0 << HTTOP;
    QTest::newRow("top-right at W-60") << 2940.0 << 60.0 << HTTOPRIGHT;
    QTest::newRow("top at W-61") << 2939.0 << 60.0 << HTTOP;
    QTest::newRow("bottom-left") << 60.0 << 1940.0 << HTBOTTOMLEFT;
    QTest::newRow("bottom-right") << 2940.0 << 1940.0 << HTBOTTOMRIGHT;
    QTest::newRow("right") << 2950.0 << 1000.0 << HTRIGHT;
    QTest::newRow("left at 60") << 60.0 << 61.0 << HTLEFT;
    QTest::newRow("client at 61") << 61.0 << 61.0 << HTCLIENT;
    QTest::newRow("bottom") << 1500.0 << 1940.0 << HTBOTTOM;
    QTest::newRow("just above the bottom band") << 1500.0 << 1939.0 << HTCLIENT;
    QTest::newRow("client") << 1500.0 << 1000.0 << HTCLIENT;
}

void tst_ClsSkin::hitTestTable()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, hit);
    QCOMPARE(ClsSkin::hitTest(x, y, 3000, 2000), hit);
}

void tst_ClsSkin::mouseMoveSetsThePointer_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<int>("shape");
    // The form is 300 x 200 pixels, 4500 x 3000 twips.
    QTest::newRow("top") << 2000.0 << 30.0 << int(Qt::SizeVerCursor);
    QTest::newRow("top-left") << 30.0 << 30.0 << int(Qt::SizeFDiagCursor);
    QTest::newRow("top-right") << 4470.0 << 30.0 << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-left") << 30.0 << 2970.0 << int(Qt::SizeBDiagCursor);
    QTest::newRow("bottom-right") << 4470.0 << 2970.0 << int(Qt::SizeFDiagCursor);
    QTest::newRow("left") << 30.0 << 1500.0 << int(Qt::SizeHorCursor);
    QTest::newRow("right") << 4470.0 << 1500.0 << int(Qt::SizeHorCursor);
    QTest::newRow("bottom") << 2000.0 << 2970.0 << int(Qt::SizeVerCursor);
    QTest::newRow("client") << 2000.0 << 1500.0 << int(Qt::ArrowCursor);
}

void tst_ClsSkin::mouseMoveSetsThePointer()
{
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(int, shape);
    SkinnedForm skinned;
    skinned.skin.TheForm_MouseMove(Qt::NoButton, x, y);
    QCOMPARE(int(skinned.form.cursor().shape()), shape);

    // Without resizing the pointer never changes and no hit code is kept.
    SkinnedForm fixed;
    fixed.skin.setResizeFormAllow(false);
    fixed.skin.TheForm_MouseMove(Qt::NoButton, x, y);
    QCOMPARE(int(fixed.form.cursor().shape()), int(Qt::ArrowCursor));
    QCOMPARE(fixed.skin.resizeHitCode(), 0);
}

void tst_ClsSkin::mouseDownMovesOrSizes_data()
{
    QTest::addColumn<bool>("moveAllowed");
    QTest::addColumn<bool>("resizeAllowed");
    QTest::addColumn<double>("moveX");
    QTest::addColumn<double>("moveY");
    QTest::addColumn<double>("pressY");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("expectedHit"); // 0: nothing is sent

    const int left = Qt::LeftButton;
    QTest::newRow("title band at 250 moves")
        << true << true << 2000.0 << 1500.0 << 250.0 << left << HTCAPTION;
    QTest::newRow("title band at 60 moves")
        << true << true << 2000.0 << 1500.0 << 60.0 << left << HTCAPTION;
    QTest::newRow("the band wins over the left edge")
        << true << true << 30.0 << 200.0 << 200.0 << left << HTCAPTION;
    QTest::newRow("251 after a move over the client does nothing")
        << true << true << 2000.0 << 1500.0 << 251.0 << left << 0;
    QTest::newRow("251 after a move over the right edge sizes")
        << true << true << 4470.0 << 1500.0 << 251.0 << left << HTRIGHT;
    QTest::newRow("59 after a move over the top sizes")
        << true << true << 2000.0 << 30.0 << 59.0 << left << HTTOP;
    QTest::newRow("no sizing: edges do nothing")
        << true << false << 4470.0 << 1500.0 << 1000.0 << left << 0;
    QTest::newRow("no sizing: the band still moves")
        << true << false << 4470.0 << 1500.0 << 100.0 << left << HTCAPTION;
    QTest::newRow("no moving: the band does nothing")
        << false << true << 2000.0 << 1500.0 << 100.0 << left << 0;
    QTest::newRow("right button does nothing")
        << true << true << 2000.0 << 1500.0 << 100.0 << int(Qt::RightButton) << 0;
}

void tst_ClsSkin::mouseDownMovesOrSizes()
{
    QFETCH(bool, moveAllowed);
    QFETCH(bool, resizeAllowed);
    QFETCH(double, moveX);
    QFETCH(double, moveY);
    QFETCH(double, pressY);
    QFETCH(int, button);
    QFETCH(int, expectedHit);
    SkinnedForm skinned;
    MessageRecorder recorder(&skinned.form);
    skinned.skin.setMoveFormAllow(moveAllowed);
    skinned.skin.setResizeFormAllow(resizeAllowed);
    skinned.skin.TheForm_MouseMove(Qt::NoButton, moveX, moveY);
    skinned.skin.TheForm_MouseDown(static_cast<Qt::MouseButton>(button), moveX, pressY);
    if (expectedHit == 0) {
        QVERIFY(recorder.messages.isEmpty());
        return;
    }
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(recorder.messages[0].message, WM_NCLBUTTONDOWN);
    QCOMPARE(int(recorder.messages[0].wParam), expectedHit);
}

void tst_ClsSkin::formEventsReachTheSkin()
{
    SkinnedForm skinned;
    skinned.skin.SetFrmPict();
    skinned.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&skinned.form));
    MessageRecorder recorder(&skinned.form);
    // 16 pixels = 240 twips, inside the title band; 17 = 255 twips, below it.
    QTest::mouseMove(&skinned.form, QPoint(298, 100));
    QCOMPARE(skinned.skin.resizeHitCode(), HTRIGHT);
    QCOMPARE(skinned.form.cursor().shape(), Qt::SizeHorCursor);
    QTest::mousePress(&skinned.form, Qt::LeftButton, {}, QPoint(150, 16));
    QTest::mouseRelease(&skinned.form, Qt::LeftButton, {}, QPoint(150, 16));
    QCOMPARE(recorder.messages.size(), 1);
    QCOMPARE(int(recorder.messages[0].wParam), HTCAPTION);
    QTest::mousePress(&skinned.form, Qt::LeftButton, {}, QPoint(298, 17));
    QTest::mouseRelease(&skinned.form, Qt::LeftButton, {}, QPoint(298, 17));
    QCOMPARE(recorder.messages.size(), 2);
    QCOMPARE(int(recorder.messages[1].wParam), HTRIGHT);
}

void tst_ClsSkin::titleBarPlacement()
{
    SkinnedForm skinned;
    skinned.skin.SetFrmPict();
    skinned.form.resize(400, 250);
    skinned.form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&skinned.form));
    // 400 px = 6000 twips; 6000 - n * 315 - 90 twips; top 55 twips, rounded to 4 px.
    QCOMPARE(skinned.buttons[0]->pos(), QPoint(373, 4));
    QCOMPARE(skinned.buttons[1]->pos(), QPoint(352, 4));
    QCOMPARE(skinned.buttons[2]->pos(), QPoint(331, 4));
    QCOMPARE(skinned.corner->pos(), QPoint(0, 0));
    skinned.form.resize(300, 250);
    QTRY_COMPARE(skinned.buttons[0]->pos(), QPoint(273, 4));
    QCOMPARE(skinned.buttons[2]->pos(), QPoint(231, 4));
}

void tst_ClsSkin::showAndHideTitleBarControls()
{
    SkinnedForm skinned;
    skinned.form.show();
    skinned.skin.SetFrmPict();
    for (QWidget* button : skinned.buttons) {
        QVERIFY(button->isVisible());
    }
    QVERIFY(skinned.caption->isVisible());
    QCOMPARE(skinned.caption->text(), QStringLiteral("Speech"));
    QCOMPARE(skinned.caption->palette().color(QPalette::WindowText), QColor(74, 10, 167));

    skinned.skin.SetFrmBackPict();
    for (QWidget* button : skinned.buttons) {
        QVERIFY(!button->isVisible());
    }
    QVERIFY(!skinned.caption->isVisible());
    QVERIFY(skinned.corner->isVisible());
}

void tst_ClsSkin::switchesEnableTheirButtons()
{
    SkinnedForm skinned;
    for (QWidget* button : skinned.buttons) {
        button->setEnabled(false);
    }
    // The defaults touch no control.
    QVERIFY(skinned.skin.MoveFormAllow());
    QVERIFY(skinned.skin.ResizeFormAllow());
    QVERIFY(!skinned.skin.MinimiseAllow());
    QVERIFY(!skinned.skin.CloseButtonAllow());
    QVERIFY(!skinned.buttons[0]->isEnabled());

    skinned.skin.setCloseButtonAllow(true);
    QVERIFY(skinned.buttons[0]->isEnabled());
    skinned.skin.setResizeFormAllow(true);
    QVERIFY(skinned.buttons[1]->isEnabled());
    skinned.skin.setMinimiseAllow(true);
    QVERIFY(skinned.buttons[2]->isEnabled());
    skinned.skin.setResizeFormAllow(false);
    QVERIFY(!skinned.buttons[1]->isEnabled());
    QVERIFY(skinned.buttons[0]->isEnabled());
}

QTEST_MAIN(tst_ClsSkin)
#include "tst_ClsSkin.moc"
