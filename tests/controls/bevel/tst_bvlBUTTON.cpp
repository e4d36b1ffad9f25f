#include "BevelTestHost.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/bevel/mdlSHPCLR.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/PropertyBag.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

// Signals of one button, counted.
struct Spies
{
    explicit Spies(bvlBUTTON* button)
        : click(button, &bvlBUTTON::Click), dblClick(button, &bvlBUTTON::DblClick),
          mouseDown(button, &bvlBUTTON::MouseDown), mouseMove(button, &bvlBUTTON::MouseMove),
          mouseUp(button, &bvlBUTTON::MouseUp), mouseExit(button, &bvlBUTTON::MouseExit),
          changed(button, &bvlBUTTON::PropertyChanged)
    {
    }
    void clear()
    {
        for (QSignalSpy* spy :
             {&click, &dblClick, &mouseDown, &mouseMove, &mouseUp, &mouseExit, &changed}) {
            spy->clear();
        }
    }
    QSignalSpy click;
    QSignalSpy dblClick;
    QSignalSpy mouseDown;
    QSignalSpy mouseMove;
    QSignalSpy mouseUp;
    QSignalSpy mouseExit;
    QSignalSpy changed;
};

const QPoint kInside(50, 20);
const QPoint kOutside(150, 60); // beyond the 100 x 40 button, on the window

} // namespace

class tst_bvlBUTTON : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void stateWord_data();
    void stateWord();
    void toggleClicksTwice();
    void mouseMoveReportsPressedPointerReduced();
    void optionButtonsReleaseEachOther();
    void valueOfPushButtonDoesNothing();
    void hoverEndsWithMouseExit();
    void flash_data();
    void flash();
    void flashOfHeldToggleKeepsItPressed();
    void accessKeyFlashesAndClicks();
    void disabledIgnoresEverything();
    void doubleClick();
    void keysAreReported();
    void changesThatDoNotRepaint();
    void rejectedOffsetKeepsTheProperty();
    void newControlTakesItsName();
    void propertyRoundTrip();
    void defaultsAreNotWritten();
    void invalidStoredOffset();
    void storedHeldToggleShowsPressed();

private:
    bvlBUTTON* addButton(const QString& name = QStringLiteral("cmdTest"))
    {
        return m_host->add(name, QRect(10, 10, 100, 40));
    }
    std::unique_ptr<BevelTestHost> m_host;
};

void tst_bvlBUTTON::init()
{
    m_host = std::make_unique<BevelTestHost>();
    QVERIFY(m_host->show());
}

void tst_bvlBUTTON::cleanup()
{
    m_host.reset();
}

void tst_bvlBUTTON::stateWord_data()
{
    QTest::addColumn<int>("behaviour");
    QTest::addColumn<bool>("value");
    QTest::addColumn<int>("mouseKeys");
    QTest::addColumn<QString>("actions");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("finalValue");
    QTest::addColumn<int>("downs");
    QTest::addColumn<int>("ups");
    QTest::addColumn<int>("clicks");

    // Actions: p = press, r = release, m = move; L/R/M the button; @in or @out.
    QTest::newRow("push pressed") << 0 << false << 1 << "pL@in" << 3 << false << 1 << 0 << 0;
    QTest::newRow("push clicked") << 0 << false << 1 << "pL@in rL@in" << 2 << false << 1 << 1 << 1;
    QTest::newRow("push released outside")
        << 0 << false << 1 << "pL@in m@out rL@out" << 0 << false << 1 << 0 << 0;
    QTest::newRow("push out and back in")
        << 0 << false << 1 << "pL@in m@out m@in rL@in" << 2 << false << 1 << 1 << 1;
    QTest::newRow("push hovered") << 0 << false << 1 << "m@in" << 2 << false << 0 << 0 << 0;
    QTest::newRow("push hover left")
        << 0 << false << 1 << "m@in m@out" << 0 << false << 0 << 0 << 0;
    QTest::newRow("toggle on") << 1 << false << 1 << "pL@in rL@in" << 3 << true << 1 << 1 << 1;
    QTest::newRow("toggle off") << 1 << true << 1 << "pL@in rL@in" << 2 << false << 1 << 1 << 1;
    QTest::newRow("toggle released outside, off")
        << 1 << false << 1 << "pL@in m@out rL@out" << 0 << false << 1 << 0 << 0;
    QTest::newRow("toggle released outside, on")
        << 1 << true << 1 << "pL@in m@out rL@out" << 1 << true << 1 << 0 << 0;
    QTest::newRow("option on") << 2 << false << 1 << "pL@in rL@in" << 3 << true << 1 << 1 << 1;
    QTest::newRow("option stays on") << 2 << true << 1 << "pL@in rL@in" << 3 << true << 1 << 1 << 1;
    QTest::newRow("option released outside")
        << 2 << false << 1 << "pL@in m@out rL@out" << 0 << false << 1 << 0 << 0;
    QTest::newRow("right button left out")
        << 0 << false << 1 << "pR@in" << 0 << false << 0 << 0 << 0;
    QTest::newRow("right button flips a toggle")
        << 1 << false << 1 << "pR@in rR@in" << 1 << true << 0 << 1 << 1;
    QTest::newRow("right button allowed")
        << 0 << false << 3 << "pR@in rR@in" << 2 << false << 1 << 1 << 1;
    QTest::newRow("middle button allowed")
        << 0 << false << 4 << "pM@in" << 3 << false << 1 << 0 << 0;
    QTest::newRow("left button left out")
        << 0 << false << 2 << "pL@in rL@in" << 2 << false << 0 << 1 << 0;
}

void tst_bvlBUTTON::stateWord()
{
    QFETCH(int, behaviour);
    QFETCH(bool, value);
    QFETCH(int, mouseKeys);
    QFETCH(QString, actions);
    QFETCH(int, state);
    QFETCH(bool, finalValue);
    QFETCH(int, downs);
    QFETCH(int, ups);
    QFETCH(int, clicks);

    bvlBUTTON* button = addButton();
    button->setBehaviour(static_cast<quint8>(behaviour));
    button->setMouseKeys(mouseKeys);
    button->setValue(value);
    Spies spies(button);

    for (const QString& action : actions.split(QLatin1Char(' '))) {
        const QPoint at = action.endsWith(QLatin1String("@in")) ? kInside : kOutside;
        Qt::MouseButton mouseButton = Qt::LeftButton;
        if (action.at(1) == QLatin1Char('R')) {
            mouseButton = Qt::RightButton;
        } else if (action.at(1) == QLatin1Char('M')) {
            mouseButton = Qt::MiddleButton;
        }
        switch (action.at(0).toLatin1()) {
        case 'p':
            m_host->press(button, at, mouseButton);
            break;
        case 'r':
            m_host->release(button, at, mouseButton);
            break;
        default:
            m_host->move(button, at);
            break;
        }
    }
    QCOMPARE(button->stateWord(), state);
    QCOMPARE(button->Value(), finalValue);
    QCOMPARE(spies.mouseDown.size(), downs);
    QCOMPARE(spies.mouseUp.size(), ups);
    QCOMPARE(spies.click.size(), clicks);
    // The face shown follows the pressed bit.
    QCOMPARE(button->frame().pixel(0, 20) == button->sunkenFace().pixel(0, 20),
             (state & bvlBUTTON::kStatePressed) != 0);
}

void tst_bvlBUTTON::toggleClicksTwice()
{
    bvlBUTTON* button = addButton();
    button->setBehaviour(bvlBUTTON::kToggleButton);
    Spies spies(button);
    m_host->press(button, kInside);
    m_host->release(button, kInside);
    QVERIFY(button->Value());
    QCOMPARE(spies.click.size(), 1);
    QCOMPARE(spies.changed.size(), 1);
    QCOMPARE(spies.changed.constFirst().constFirst().toString(), QStringLiteral("Value"));
    m_host->press(button, kInside);
    m_host->release(button, kInside);
    QVERIFY(!button->Value());
    QCOMPARE(spies.click.size(), 2);
}

void tst_bvlBUTTON::mouseMoveReportsPressedPointerReduced()
{
    bvlBUTTON* button = addButton();
    Spies spies(button);
    m_host->move(button, QPoint(12, 7));
    m_host->press(button, QPoint(5, 5));
    QCOMPARE(spies.mouseDown.constFirst(),
             (QVariantList{qint16(1), qint16(0), float(5), float(5)}));
    m_host->move(button, QPoint(12, 7));
    QCOMPARE(spies.mouseMove.size(), 2);
    QCOMPARE(spies.mouseMove.at(0), (QVariantList{qint16(0), qint16(0), float(12), float(7)}));
    QCOMPARE(spies.mouseMove.at(1), (QVariantList{qint16(1), qint16(0), float(10), float(5)}));
    m_host->release(button, QPoint(12, 7));
    QCOMPARE(spies.mouseUp.constFirst(), (QVariantList{qint16(1), qint16(0), float(12), float(7)}));
}

void tst_bvlBUTTON::optionButtonsReleaseEachOther()
{
    bvlBUTTON* first = m_host->add(QStringLiteral("optA"), QRect(10, 10, 80, 30));
    bvlBUTTON* second = m_host->add(QStringLiteral("optB"), QRect(10, 50, 80, 30));
    bvlBUTTON* third = m_host->add(QStringLiteral("optC"), QRect(10, 90, 80, 30));
    auto* frame = new QWidget(&m_host->window);
    frame->setGeometry(200, 10, 150, 150);
    frame->show();
    bvlBUTTON* elsewhere = m_host->add(QStringLiteral("optD"), QRect(10, 10, 80, 30), frame);
    bvlBUTTON* toggle = m_host->add(QStringLiteral("chkE"), QRect(10, 130, 80, 30));
    for (bvlBUTTON* button : {first, second, third, elsewhere}) {
        button->setBehaviour(bvlBUTTON::kOptionButton);
    }
    toggle->setBehaviour(bvlBUTTON::kToggleButton);
    toggle->setValue(true);
    elsewhere->setValue(true);
    first->setValue(true);

    Spies a(first);
    Spies b(second);
    Spies c(third);
    Spies d(elsewhere);
    second->setValue(true);
    QVERIFY(!first->Value());
    QVERIFY(second->Value());
    QVERIFY(elsewhere->Value()); // another container
    QVERIFY(toggle->Value());    // not an option button
    QCOMPARE(a.click.size(), 0);
    QCOMPARE(b.click.size(), 1);
    QCOMPARE(c.click.size(), 0);
    QCOMPARE(d.click.size(), 0);
    QCOMPARE(first->stateWord(), 0);
    QCOMPARE(second->stateWord(), bvlBUTTON::kStatePressed);

    // Released in code: no event.
    second->setValue(false);
    QCOMPARE(b.click.size(), 1);
    QCOMPARE(second->stateWord(), 0);

    // By the mouse: the other one is released, one Click on the pressed one.
    first->setValue(true);
    a.clear();
    m_host->press(third, QPoint(40, 15));
    m_host->release(third, QPoint(40, 15));
    QVERIFY(third->Value());
    QVERIFY(!first->Value());
    QCOMPARE(c.click.size(), 1);
    QCOMPARE(a.click.size(), 0);
}

void tst_bvlBUTTON::valueOfPushButtonDoesNothing()
{
    bvlBUTTON* button = addButton();
    Spies spies(button);
    button->setValue(true);
    QVERIFY(!button->Value());
    QCOMPARE(button->stateWord(), 0);
    QCOMPARE(spies.click.size(), 0);
    QCOMPARE(spies.changed.size(), 0);

    // Nor does setting a toggle button to the value it has.
    button->setBehaviour(bvlBUTTON::kToggleButton);
    spies.clear();
    button->setValue(false);
    QCOMPARE(spies.changed.size(), 0);
}

void tst_bvlBUTTON::hoverEndsWithMouseExit()
{
    bvlBUTTON* button = addButton();
    Spies spies(button);
    m_host->move(button, kInside);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateOver);
    QVERIFY(button->isTimerRunning());
    // Still over at the next tick: nothing changes.
    QTest::qWait(2 * bvlBUTTON::kTimerInterval);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateOver);
    QCOMPARE(spies.mouseExit.size(), 0);

    m_host->pointAway();
    QTRY_COMPARE(spies.mouseExit.size(), 1);
    QCOMPARE(button->stateWord(), 0);
    QVERIFY(!button->isTimerRunning());
}

void tst_bvlBUTTON::flash_data()
{
    QTest::addColumn<bool>("pointerOver");
    QTest::addColumn<int>("endState");
    QTest::newRow("pointer away") << false << 0;
    QTest::newRow("pointer over") << true << int(bvlBUTTON::kStateOver);
}

void tst_bvlBUTTON::flash()
{
    QFETCH(bool, pointerOver);
    QFETCH(int, endState);
    bvlBUTTON* button = addButton();
    Spies spies(button);
    if (pointerOver) {
        m_host->pointAt(button, kInside);
    }
    button->Flash();
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateFlashing);
    QCOMPARE(button->frame().pixel(0, 20), button->sunkenFace().pixel(0, 20));
    QVERIFY(button->isTimerRunning());
    QTRY_VERIFY(!button->isTimerRunning());
    QCOMPARE(button->stateWord(), endState);
    QCOMPARE(button->frame().pixel(0, 20), button->raisedFace().pixel(0, 20));
    QCOMPARE(spies.mouseExit.size(), 0);
    QCOMPARE(spies.click.size(), 0);
}

void tst_bvlBUTTON::flashOfHeldToggleKeepsItPressed()
{
    bvlBUTTON* button = addButton();
    button->setBehaviour(bvlBUTTON::kToggleButton);
    button->setValue(true);
    button->Flash();
    QTRY_VERIFY(!button->isTimerRunning());
    QCOMPARE(button->stateWord(), bvlBUTTON::kStatePressed);
    QVERIFY(button->Value());
}

void tst_bvlBUTTON::accessKeyFlashesAndClicks()
{
    bvlBUTTON* button = addButton();
    button->setAccessKeys(QStringLiteral("s"));
    m_host->window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_host->window));
    Spies spies(button);
    QTest::keyClick(&m_host->window, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(spies.click.size(), 1);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateFlashing);
    QVERIFY(!button->Value());
    QTRY_COMPARE(button->stateWord(), 0);

    // Not without the modifier, and not while disabled.
    QTest::keyClick(&m_host->window, Qt::Key_S);
    button->setEnabled(false);
    QTest::keyClick(&m_host->window, Qt::Key_S, Qt::AltModifier);
    QCOMPARE(spies.click.size(), 1);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
}

void tst_bvlBUTTON::disabledIgnoresEverything()
{
    bvlBUTTON* button = addButton();
    button->setBehaviour(bvlBUTTON::kToggleButton);
    Spies spies(button);
    button->setEnabled(false);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
    QCOMPARE(spies.changed.size(), 1);
    spies.clear();

    m_host->move(button, kInside);
    m_host->press(button, kInside);
    m_host->move(button, QPoint(20, 10));
    m_host->release(button, kInside);
    m_host->doubleClick(button, kInside);
    button->Flash();
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
    QVERIFY(!button->Value());
    for (const QSignalSpy* spy : {&spies.click, &spies.dblClick, &spies.mouseDown, &spies.mouseMove,
                                  &spies.mouseUp, &spies.changed}) {
        QCOMPARE(spy->size(), 0);
    }
    QVERIFY(!button->isTimerRunning());

    button->setEnabled(true);
    QCOMPARE(button->stateWord(), 0);

    // A disabled window disables the button on screen, not its own Enabled.
    spies.clear();
    m_host->window.setEnabled(false);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
    QVERIFY(button->Enabled());
    QCOMPARE(spies.changed.size(), 0);
    m_host->window.setEnabled(true);
    QCOMPARE(button->stateWord(), 0);
}

void tst_bvlBUTTON::doubleClick()
{
    bvlBUTTON* button = addButton();
    Spies spies(button);
    m_host->doubleClick(button, kInside);
    QCOMPARE(spies.dblClick.size(), 1);
    QCOMPARE(spies.mouseDown.size(), 2);
    QCOMPARE(spies.click.size(), 2);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateOver);
}

void tst_bvlBUTTON::keysAreReported()
{
    bvlBUTTON* button = addButton();
    QSignalSpy down(button, &bvlBUTTON::KeyDown);
    QSignalSpy press(button, &bvlBUTTON::KeyPress);
    QSignalSpy up(button, &bvlBUTTON::KeyUp);
    Spies spies(button);
    QTest::keyClick(button, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(button, Qt::Key_Space);
    QTest::keyClick(button, Qt::Key_F5);
    // Shift itself comes first: virtual key 16.
    QCOMPARE(down.size(), 4);
    QCOMPARE(down.at(0).at(0).value<qint16>(), qint16(16));
    QCOMPARE(down.at(1), (QVariantList{qint16(65), qint16(1)}));
    QCOMPARE(down.at(2), (QVariantList{qint16(32), qint16(0)}));
    QCOMPARE(down.at(3), (QVariantList{qint16(0x74), qint16(0)}));
    QCOMPARE(press.size(), 2);
    QCOMPARE(press.at(0).at(0).value<qint16>(), qint16('a')); // the text the key gave
    QCOMPARE(press.at(1).at(0).value<qint16>(), qint16(' '));
    QCOMPARE(up.size(), 4);
    QCOMPARE(up.at(0), (QVariantList{qint16(65), qint16(1)}));
    // Keys do nothing else: Space does not click.
    QCOMPARE(spies.click.size(), 0);
    QCOMPARE(button->stateWord(), 0);
}

void tst_bvlBUTTON::changesThatDoNotRepaint()
{
    bvlBUTTON* button = addButton();
    Spies spies(button);
    const qint64 painted = button->frame().cacheKey();
    button->setCaptionHoverColour(platform::rgb(1, 2, 3));
    button->setMouseKeys(3);
    button->setBehaviour(bvlBUTTON::kOptionButton);
    QCOMPARE(button->frame().cacheKey(), painted);
    QCOMPARE(spies.changed.size(), 3);
    button->setCaption(QStringLiteral("New"));
    QVERIFY(button->frame().cacheKey() != painted);
}

void tst_bvlBUTTON::rejectedOffsetKeepsTheProperty()
{
    platform::FakeMessageBoxService boxes;
    bvlBUTTON* button = addButton();
    Spies spies(button);
    button->setCaptionOffset(QStringLiteral(" ( 3 , -4 ) "));
    QCOMPARE(button->CaptionOffset(), QStringLiteral("(3,-4)"));
    const QRect rect = button->captionRect();
    QCOMPARE(spies.changed.size(), 1);

    button->setCaptionOffset(QStringLiteral("(a,1)"));
    button->setPictureOffset(QStringLiteral("(,1)"));
    QCOMPARE(boxes.boxes().size(), 2);
    QCOMPARE(button->CaptionOffset(), QStringLiteral("(3,-4)"));
    QCOMPARE(button->PictureOffset(), QStringLiteral("(0,0)"));
    QCOMPARE(button->captionRect(), rect);
    QCOMPARE(spies.changed.size(), 1);
}

void tst_bvlBUTTON::newControlTakesItsName()
{
    bvlBUTTON* button = addButton(QStringLiteral("cmdSpkText"));
    QCOMPARE(button->Caption(), QStringLiteral("cmdSpkText"));

    auto* read = new bvlBUTTON(&m_host->window);
    read->setObjectName(QStringLiteral("cmdStopText"));
    read->UserControl_ReadProperties(platform::PropertyBag());
    QCOMPARE(read->Caption(), QStringLiteral("cmdStopText"));
    // Every other key took its default: written back, only the chosen bevel width shows.
    platform::PropertyBag bag;
    read->UserControl_WriteProperties(bag);
    QCOMPARE(bag.toJson(), (QJsonObject{{QStringLiteral("BevelHeight"), 4}}));
    QCOMPARE(read->BackColour(), 0x8000000Fu);
    QCOMPARE(read->Appearance(), 2);
}

void tst_bvlBUTTON::propertyRoundTrip()
{
    bvlBUTTON* button = addButton(QStringLiteral("cmdSource"));
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    const platform::Picture picture(platform::Picture::Type::Bitmap, image);
    image.fill(qRgb(250, 0, 30));
    const platform::Picture hover(platform::Picture::Type::Bitmap, image);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSize(15);
    font.setItalic(true);

    button->setAccessKeys(QStringLiteral("sp"));
    button->setAppearance(3);
    button->setBackColour(platform::rgb(1, 2, 3));
    button->setBehaviour(bvlBUTTON::kToggleButton);
    button->setBevelAutoAdjust(false);
    button->setBevelHeight(5);
    button->setCaption(QStringLiteral("&SPEAK"));
    button->setCaptionColour(platform::rgb(4, 5, 6));
    button->setCaptionHoverColour(0x80000002u);
    button->setCaptionJustify(8);
    button->setCaptionOffset(QStringLiteral("(2,-3)"));
    button->setEnabled(false);
    button->setFont(font);
    button->setMouseIcon(hover);
    button->setMouseKeys(5);
    button->setMousePointer(2);
    button->setPicture(picture);
    button->setPictureHover(hover);
    button->setPictureJustify(0);
    button->setPictureOffset(QStringLiteral("(-7,9)"));
    button->setTransparency(platform::rgb(255, 0, 255));
    button->setUseTransparency(false);
    button->setValue(true);

    platform::PropertyBag bag;
    button->UserControl_WriteProperties(bag);
    QCOMPARE(bag.toJson().size(), 23); // every key

    auto* copy = new bvlBUTTON(&m_host->window);
    copy->setObjectName(QStringLiteral("cmdCopy"));
    copy->setGeometry(10, 60, 100, 40);
    copy->UserControl_ReadProperties(bag);
    QCOMPARE(copy->AccessKeys(), QStringLiteral("sp"));
    QCOMPARE(copy->Appearance(), 3);
    QCOMPARE(copy->BackColour(), platform::rgb(1, 2, 3));
    QCOMPARE(copy->Behaviour(), bvlBUTTON::kToggleButton);
    QVERIFY(!copy->BevelAutoAdjust());
    QCOMPARE(copy->BevelHeight(), 5);
    QCOMPARE(copy->Caption(), QStringLiteral("&SPEAK"));
    QCOMPARE(copy->CaptionColour(), platform::rgb(4, 5, 6));
    QCOMPARE(copy->CaptionHoverColour(), 0x80000002u);
    QCOMPARE(copy->CaptionJustify(), 8);
    QCOMPARE(copy->CaptionOffset(), QStringLiteral("(2,-3)"));
    QVERIFY(!copy->Enabled());
    QCOMPARE(copy->Font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(copy->Font().pointSize(), 15);
    QVERIFY(copy->Font().italic());
    QCOMPARE(copy->MouseIcon().image(), hover.image());
    QCOMPARE(copy->MouseKeys(), 5);
    QCOMPARE(copy->MousePointer(), 2);
    QCOMPARE(copy->cursor().shape(), Qt::CrossCursor);
    QCOMPARE(copy->Picture().image(), picture.image());
    QCOMPARE(copy->PictureHover().image(), hover.image());
    QCOMPARE(copy->PictureJustify(), 0);
    QCOMPARE(copy->PictureOffset(), QStringLiteral("(-7,9)"));
    QCOMPARE(copy->Transparency(), platform::rgb(255, 0, 255));
    QVERIFY(!copy->UseTransparency());
    QVERIFY(copy->Value());
    // What was read shows at once: the pressed, disabled capsule with its offsets.
    QCOMPARE(copy->stateWord(), bvlBUTTON::kStatePressed | bvlBUTTON::kStateDisabled);
    QCOMPARE(copy->pictureRect().topLeft(), QPoint(5 - 7, 5 + 9));
    QCOMPARE(copy->mask(), *mdlSHPCLR::ShapeRegion(3, QSize(100, 40)));

    platform::PropertyBag again;
    copy->UserControl_WriteProperties(again);
    QJsonObject expected = bag.toJson();
    QCOMPARE(again.toJson(), expected);
}

void tst_bvlBUTTON::defaultsAreNotWritten()
{
    // Only the bevel width the control chose for its size differs from the defaults.
    bvlBUTTON* button = addButton(QStringLiteral("cmdPlain"));
    platform::PropertyBag bag;
    button->UserControl_WriteProperties(bag);
    QCOMPARE(bag.toJson(), (QJsonObject{{QStringLiteral("BevelHeight"), 6}}));
}

void tst_bvlBUTTON::invalidStoredOffset()
{
    platform::FakeMessageBoxService boxes;
    auto* button = new bvlBUTTON(&m_host->window);
    button->setObjectName(QStringLiteral("cmdStored"));
    button->setGeometry(10, 10, 100, 40);
    button->show();
    platform::PropertyBag bag(
        QJsonObject{{QStringLiteral("CaptionOffset"), QStringLiteral("(7,40000)")},
                    {QStringLiteral("PictureOffset"), QStringLiteral("(x,2)")},
                    {QStringLiteral("Appearance"), 0}});
    button->UserControl_ReadProperties(bag);
    QCOMPARE(boxes.boxes().size(), 2);
    QCOMPARE(boxes.boxes().at(0).title, QStringLiteral("Cartesian Co-ordinates Validation"));
    QVERIFY(boxes.boxes().at(0).text.startsWith(
        QLatin1String("INVALID CARTESIAN CO-ORDINATES VALUES.")));
    QVERIFY(boxes.boxes().at(1).text.startsWith(QLatin1String("NON-NUMERIC CARTESIAN")));
    // x of the caption offset could be read, nothing of the picture offset.
    QCOMPARE(button->captionRect().topLeft(), QPoint(6 + 7, 6));
    QCOMPARE(button->pictureRect().topLeft(), QPoint(6, 6));
    QCOMPARE(button->CaptionOffset(), QStringLiteral("(7,40000)"));
    QCOMPARE(button->Caption(), QStringLiteral("cmdStored"));
}

void tst_bvlBUTTON::storedHeldToggleShowsPressed()
{
    auto* button = new bvlBUTTON(&m_host->window);
    button->setGeometry(10, 10, 100, 40);
    button->show();
    QSignalSpy click(button, &bvlBUTTON::Click);
    QSignalSpy changed(button, &bvlBUTTON::PropertyChanged);
    const QJsonObject font{{QStringLiteral("name"), QStringLiteral("DejaVu Serif")},
                           {QStringLiteral("size"), 20}};
    button->UserControl_ReadProperties(
        platform::PropertyBag(QJsonObject{{QStringLiteral("Behaviour"), 2},
                                          {QStringLiteral("Value"), true},
                                          {QStringLiteral("Enabled"), false},
                                          {QStringLiteral("Font"), font}}));
    // Reading is not a change the host has to store.
    QCOMPARE(changed.size(), 0);
    QCOMPARE(button->Font().family(), QStringLiteral("DejaVu Serif"));
    QCOMPARE(button->stateWord(), bvlBUTTON::kStatePressed | bvlBUTTON::kStateDisabled);
    button->setEnabled(true);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStatePressed);
    QCOMPARE(button->frame().pixel(0, 20), button->sunkenFace().pixel(0, 20));
    QCOMPARE(click.size(), 0);
}

QTEST_MAIN(tst_bvlBUTTON)
#include "tst_bvlBUTTON.moc"
