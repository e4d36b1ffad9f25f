// The bevel module: co-ordinate parsing, colour and band arithmetic, outlines; and the
// bevelled button: its states, events, stored properties, layout and looks.

#include "controls/ReferenceImage.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/bevel/bvlWorkSurface.h"
#include "controls/bevel/mdlSHPCLR.h"
#include "platform/Picture.h"
#include "platform/PropertyBag.h"
#include "support/FakeMessageBoxService.h"

#include <QApplication>
#include <QJsonObject>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <memory>

using bevel::bvlBUTTON;
using bevel::bvlWorkSurface;
using bevel::mdlSHPCLR;
using platform::OleColor;

namespace {

const QString kFormatMessage = "INVALID CARTESIAN CO-ORDINATES FORMAT.\r\n\r\nCo-ordinates must "
                               "be in the format\r\n\"(x,y)\" where x and y are Integers\r\nin "
                               "the range -32768 to +32767.";
const QString kNumericMessage = "NON-NUMERIC CARTESIAN CO-ORDINATES.\r\n\r\nCo-ordinates must "
                                "numeric Integers\r\nin the range -32768 to +32767.";
const QString kValueMessage = "INVALID CARTESIAN CO-ORDINATES VALUES.\r\n\r\nValues must be "
                              "Integers in the\r\nrange -32768 to +32767 only.";

constexpr double kPi = mdlSHPCLR::kPi;
constexpr double kP = 1.5757963267949;
constexpr double kQ = kPi + kP;

// Signals of one button, counted.
struct Spies
{
    explicit Spies(bvlBUTTON* button) : b(button) {}
    bvlBUTTON* b;
    QSignalSpy click{b, &bvlBUTTON::Click}, dblClick{b, &bvlBUTTON::DblClick},
        mouseDown{b, &bvlBUTTON::MouseDown}, mouseMove{b, &bvlBUTTON::MouseMove},
        mouseUp{b, &bvlBUTTON::MouseUp}, mouseExit{b, &bvlBUTTON::MouseExit},
        changed{b, &bvlBUTTON::PropertyChanged};
    // How many signals were raised, MouseExit left out.
    qsizetype raised() const
    {
        return click.size() + dblClick.size() + mouseDown.size() + mouseMove.size() +
               mouseUp.size() + changed.size();
    }
};

const QPoint kInside(50, 20);
const QPoint kOutside(150, 60); // beyond the 100 x 40 button, on the window

constexpr OleColor kFace = platform::rgb(160, 176, 200);
constexpr QRgb kKey = 0xFFC0C0C0u; // the default transparency colour
constexpr QRgb kRed = 0xFFC80000u;

platform::Picture plain(QRgb colour, QSize size = QSize(10, 10))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

// A 12 x 12 picture: a red square on the transparency colour, with a two-pixel frame of it.
platform::Picture redSquare()
{
    QImage image = plain(kKey, QSize(12, 12)).image();
    QPainter(&image).fillRect(2, 2, 8, 8, QColor::fromRgb(kRed));
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

QFont testFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setBold(true);
    return font;
}

// Pixels of `frame` inside `area` that differ from `face`.
QRect changedArea(const QImage& frame, const QImage& face, const QRect& area)
{
    QRect changed;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            changed |= frame.pixel(x, y) != face.pixel(x, y) ? QRect(x, y, 1, 1) : QRect();
        }
    }
    return changed;
}

// A sequence of mouse actions on a button and what it leaves.
struct StateRow
{
    const char* name;
    int behaviour;
    bool value;
    int mouseKeys;
    const char* actions;
    int state;
    bool finalValue;
    int downs, ups, clicks;
};

} // namespace

Q_DECLARE_METATYPE(StateRow)

class tst_bvlBUTTON : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A shown window for the buttons, with a pointer the test moves by hand: the buttons'
    // hover test asks for the pointer through the provider installed here.
    void init()
    {
        m_window = std::make_unique<QWidget>();
        m_window->setGeometry(100, 100, 400, 300);
        mdlSHPCLR::setCursorPositionProvider([this] { return m_pointer; });
        m_held = {};
        pointAway();
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        mdlSHPCLR::setCursorPositionProvider({});
        m_window.reset();
    }

    void coordinatesParseOrSayWhyNot()
    {
        // x and y start as 77, 88: a failure leaves alone what it could not read. Valid input
        // gives no message.
        const std::tuple<const char*, const char*, QPoint, QString> rows[] = {
            {"", "(0,0)", {0, 0}, {}},
            {",7", "(0,7)", {0, 7}, {}},
            {"(3,", "(3,0)", {3, 0}, {}},
            {"1  2", "(12,0)", {12, 0}, {}},
            {"(2.5,3.5)", "(2,4)", {2, 4}, {}}, // halves to even
            {"(-32768,+32767)", "(-32768,32767)", {-32768, 32767}, {}},
            {"(9)", "(9,0)", {9, 0}, {}},
            {"()", "(,0)", {77, 88}, kFormatMessage},
            {"(,5)", "(,5)", {77, 88}, kFormatMessage},
            {"(a,1)", "(a,1)", {77, 88}, kNumericMessage},
            {"(32767.5,0)", "(32767.5,0)", {77, 88}, kValueMessage}, // rounds past the limit
            {"(1e999,0)", "(1e999,0)", {77, 88}, kValueMessage},
            // Beyond a 64-bit number; what could be read before the failure is kept.
            {"(1,-1e30)", "(1,-1e30)", {1, 88}, kValueMessage},
        };
        for (const auto& [input, text, xy, message] : rows) {
            support::FakeMessageBoxService boxes;
            qint16 parsedX = 77;
            qint16 parsedY = 88;
            QString inOut = input;
            QCOMPARE(mdlSHPCLR::ParseCoordinate(inOut, parsedX, parsedY), message.isEmpty());
            QCOMPARE(inOut, text);
            QCOMPARE(QPoint(parsedX, parsedY), xy);
            QCOMPARE(boxes.boxes().size(), message.isEmpty() ? 0 : 1);
            for (const platform::MessageBoxRequest& box : boxes.boxes()) {
                QCOMPARE(box.text, message);
                QCOMPARE(box.title, "Cartesian Co-ordinates Validation");
                QCOMPARE(box.icon, platform::MessageIcon::Exclamation);
                QCOMPARE(box.buttons, platform::MessageButtons::Ok);
            }
        }
    }

    // Fully saturated and grey colours come back exactly; system colours are translated
    // first. A band pixel's lightness follows its angle, its place across the band and
    // whether the face is sunken.
    void hlsConvertsAndBandShadesByAngle()
    {
        // Hue, lightness, saturation.
        const std::pair<OleColor, QList<int>> rows[] = {
            {platform::rgb(255, 0, 0), {0, 120, 240}},
            {platform::rgb(0, 255, 0), {80, 120, 240}},
            {platform::rgb(0, 0, 255), {160, 120, 240}},
            {platform::rgb(255, 255, 255), {160, 240, 0}}};
        for (const auto& [colour, hls] : rows) {
            const mdlSHPCLR::HLS found = mdlSHPCLR::RGBToHLS(colour);
            QCOMPARE(QList<int>({found.hue, found.lightness, found.saturation}), hls);
            QCOMPARE(mdlSHPCLR::HLSToRGB(found), colour);
        }
        QCOMPARE(mdlSHPCLR::RGBToHLS(platform::systemColor(platform::ColorButtonFace)),
                 mdlSHPCLR::RGBToHLS(platform::sysColor(platform::ColorButtonFace)));

        const double s = kPi / 6.0;
        const double k = std::sin(kPi / 4.0); // strength halfway across the band
        // Lightness, angle, position across the band, sunken, expected.
        const std::tuple<double, double, double, bool, double> bands[] = {
            // Boundaries and insides of each sector, at the outer edge (full strength).
            {120, 0, 1, false, 40},
            {120, 6.28318520717959, 1, false, 40}, // the right strip
            {120, 6.2881, 1, false, 40},           // past the bound
            {120, kP / 2, 1, false, 130},
            {120, kP, 1, false, 220},
            {120, kP + s / 2, 1, false, 230},   // rising to the highlight
            {120, kP + 2.5 * s, 1, false, 230}, // falling from it
            {120, kPi, 1, false, 220},
            {120, kPi + kP / 2, 1, false, 130},
            {120, kQ, 1, false, 40},
            {120, kQ + s / 2, 1, false, 20}, // falling to black
            {120, kQ + 2.5 * s, 1, false, 20},
            // Strength across the band, and beyond its edges.
            {120, kP, 0, false, 120},
            {200, kP + 1.5 * s, 0.5, false, 200 + 40 * k}, // the highlight's 240
            {120, kP, 2, false, 220},
            {120, kP, -1, false, 120},
            // Sunken: turned by half a turn.
            {120, kP, 1, true, 40},
            {120, kQ, 1, true, 220},
        };
        for (const auto& [lightness, angle, position, sunken, expected] : bands) {
            QCOMPARE(mdlSHPCLR::BandLightness(lightness, angle, position, sunken), expected);
        }
    }

    // The rounded rectangle's corners are of a 20 x 20 ellipse, the capsule's of a 40 x 40
    // one, with half circles at the ends; the automatic bevel is the same for every shape.
    // Drawn with a given width, a band wider than the face or a one-pixel band, the pixels
    // outside the band keep the face.
    void shapesCutOutlinesAndBevelsStayInTheBand()
    {
        const QSize wide(100, 40);
        const QSize square(100, 100);
        const std::tuple<int, QSize, QPoint, bool> rows[] = {
            {0, wide, {0, 0}, true},  {1, square, {15, 15}, true}, {1, square, {14, 14}, false},
            {2, wide, {2, 2}, false}, {2, wide, {3, 3}, true},     {3, wide, {5, 5}, false},
            {3, wide, {6, 6}, true}};
        for (const auto& [shape, size, pixel, inside] : rows) {
            const std::optional<QRegion> region = mdlSHPCLR::ShapeRegion(shape, size);
            QVERIFY(region);
            QCOMPARE(region->contains(pixel), inside);
            QCOMPARE(region->boundingRect(), QRect(QPoint(0, 0), size));
        }
        QVERIFY(!mdlSHPCLR::ShapeRegion(4, wide));
        QVERIFY(!mdlSHPCLR::ShapeRegion(-1, wide));

        QCOMPARE(mdlSHPCLR::CornerDiameter(3, wide), 40);
        QCOMPARE(mdlSHPCLR::CornerDiameter(2, QSize(41, 100)), 20); // 20.5 goes to even
        QCOMPARE(mdlSHPCLR::CornerDiameter(2, QSize(43, 100)), 22); // 21.5 goes to even
        QCOMPARE(mdlSHPCLR::CornerDiameter(0, wide), 0);

        QCOMPARE(mdlSHPCLR::AutoBevelWidth(0, QSize(7, 30)), 1);
        QCOMPARE(mdlSHPCLR::AutoBevelWidth(0, QSize(0, 0)), 1);
        QCOMPARE(mdlSHPCLR::AutoBevelWidth(3, wide), 6); // the shape plays no part

        const std::tuple<int, QSize, int> bevels[] = {
            {2, QSize(100, 40), 3}, {0, QSize(20, 10), 30}, {3, QSize(6, 4), 0}};
        const QRgb face = qRgb(90, 140, 200);
        for (const auto& [shape, size, bevel] : bevels) {
            QImage image(size, QImage::Format_RGB32);
            auto width = static_cast<qint16>(bevel);
            const QRegion band =
                mdlSHPCLR::DrawBevel(image, shape, platform::rgb(90, 140, 200), width, true);
            QVERIFY(!band.isEmpty());
            const QRegion outline = *mdlSHPCLR::ShapeRegion(shape, size);
            int shaded = 0;
            for (int y = 0; y < size.height(); ++y) {
                for (int x = 0; x < size.width(); ++x) {
                    const QRgb pixel = image.pixel(x, y) | 0xFF000000u;
                    if (!band.contains(QPoint(x, y))) {
                        QVERIFY2(pixel == face, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                    } else {
                        QVERIFY(outline.contains(QPoint(x, y)));
                        shaded += pixel != face ? 1 : 0;
                    }
                }
            }
            QVERIFY(shaded > band.boundingRect().width());
        }
    }

    void mouseActionsSetStateValueAndEvents_data()
    {
        QTest::addColumn<StateRow>("row");
        // Actions: p = press, r = release, m = move, d = double click; L/R the button;
        // @in or @out; v1 sets Value in code.
        const StateRow rows[] = {
            {"push pressed", 0, false, 1, "pL@in", 3, false, 1, 0, 0},
            {"push Value in code does nothing", 0, false, 1, "v1", 0, false, 0, 0, 0},
            {"push clicked", 0, false, 1, "pL@in rL@in", 2, false, 1, 1, 1},
            {"push released outside", 0, false, 1, "pL@in m@out rL@out", 0, false, 1, 0, 0},
            {"push out and back in", 0, false, 1, "pL@in m@out m@in rL@in", 2, false, 1, 1, 1},
            // The system reports the second press of a double click as a double click.
            {"push double click", 0, false, 1, "dL@in", 2, false, 2, 2, 2},
            {"push hover left", 0, false, 1, "m@in m@out", 0, false, 0, 0, 0},
            {"toggle on", 1, false, 1, "pL@in rL@in", 3, true, 1, 1, 1},
            {"toggle off", 1, true, 1, "pL@in rL@in", 2, false, 1, 1, 1},
            {"toggle released outside, off", 1, false, 1, "pL@in m@out rL@out", 0, false, 1, 0, 0},
            {"toggle released outside, on", 1, true, 1, "pL@in m@out rL@out", 1, true, 1, 0, 0},
            {"option on", 2, false, 1, "pL@in rL@in", 3, true, 1, 1, 1},
            {"option stays on", 2, true, 1, "pL@in rL@in", 3, true, 1, 1, 1},
            {"right button left out", 0, false, 1, "pR@in", 0, false, 0, 0, 0},
            {"right button flips a toggle", 1, false, 1, "pR@in rR@in", 1, true, 0, 1, 1},
            {"right button allowed", 0, false, 3, "pR@in rR@in", 2, false, 1, 1, 1},
            {"left button left out", 0, false, 2, "pL@in rL@in", 2, false, 0, 1, 0},
        };
        for (const StateRow& row : rows) {
            QTest::newRow(row.name) << row;
        }
    }

    void mouseActionsSetStateValueAndEvents()
    {
        QFETCH(StateRow, row);
        const QString actions = QString::fromLatin1(row.actions);
        bvlBUTTON* button = addButton();
        button->setBehaviour(static_cast<quint8>(row.behaviour));
        button->setMouseKeys(row.mouseKeys);
        button->setValue(row.value);
        Spies spies(button);

        int valueChanges = 0;
        bool shown = row.value;
        for (const QString& action : actions.split(QLatin1Char(' '))) {
            const QPoint at = action.endsWith(QLatin1String("@in")) ? kInside : kOutside;
            const char which = action.at(1).toLatin1();
            const Qt::MouseButton mouseButton = which == 'R' ? Qt::RightButton : Qt::LeftButton;
            switch (action.at(0).toLatin1()) {
            case 'v':
                button->setValue(which == '1');
                break;
            case 'p':
                press(button, at, mouseButton);
                break;
            case 'r':
                release(button, at, mouseButton);
                break;
            case 'd':
                doubleClick(button, at);
                break;
            default:
                move(button, at);
                break;
            }
            valueChanges += button->Value() != shown ? 1 : 0;
            shown = button->Value();
        }
        QCOMPARE(button->stateWord(), row.state);
        QCOMPARE(button->Value(), row.finalValue);
        QCOMPARE(QList<qsizetype>({spies.mouseDown.size(), spies.mouseUp.size(), spies.click.size(),
                                   spies.dblClick.size()}),
                 QList<qsizetype>({row.downs, row.ups, row.clicks, actions.count("dL@")}));
        // Each change of Value is reported once, by its name.
        QCOMPARE(spies.changed.size(), valueChanges);
        for (const QList<QVariant>& change : spies.changed) {
            QCOMPARE(change.constFirst().toString(), "Value");
        }
        // The face shown follows the pressed bit.
        QCOMPARE(button->frame().pixel(0, 20) == button->sunkenFace().pixel(0, 20),
                 (row.state & bvlBUTTON::kStatePressed) != 0);
    }

    // Setting an option button releases the set one of its container; only the one set clicks.
    void optionButtonsReleaseEachOther()
    {
        bvlBUTTON* first = addButton("optA", QRect(10, 10, 80, 30));
        bvlBUTTON* second = addButton("optB", QRect(10, 50, 80, 30));
        bvlBUTTON* third = addButton("optC", QRect(10, 90, 80, 30));
        auto* frame = new QWidget(m_window.get());
        frame->setGeometry(200, 10, 150, 150);
        frame->show();
        bvlBUTTON* elsewhere = addButton("optD", QRect(10, 10, 80, 30), frame);
        bvlBUTTON* toggle = addButton("chkE", QRect(10, 130, 80, 30));
        for (bvlBUTTON* button : {first, second, third, elsewhere}) {
            button->setBehaviour(bvlBUTTON::kOptionButton);
        }
        toggle->setBehaviour(bvlBUTTON::kToggleButton);
        for (bvlBUTTON* button : {toggle, elsewhere, first}) {
            button->setValue(true);
        }
        Spies a(first), b(second), c(third), d(elsewhere);
        second->setValue(true);
        // The last two stay set: in another container, and not an option button.
        QCOMPARE(
            QList<bool>({first->Value(), second->Value(), elsewhere->Value(), toggle->Value()}),
            QList<bool>({false, true, true, true}));
        QCOMPARE(b.click.size(), 1);
        QCOMPARE(a.click.size() + c.click.size() + d.click.size(), 0);
        QCOMPARE(first->stateWord(), 0);
        QCOMPARE(second->stateWord(), bvlBUTTON::kStatePressed);
    }

    // A flash ends as the button was: with the pointer over the button, on a held toggle that
    // stays pressed, and (after an access key, which flashes and clicks) with the pointer away.
    void flashAndAccessKeys()
    {
        const std::tuple<bool, bool, int> rows[] = {{true, false, bvlBUTTON::kStateOver},
                                                    {false, true, bvlBUTTON::kStatePressed}};
        for (const auto& [pointerOver, heldToggle, endState] : rows) {
            bvlBUTTON* button = addButton();
            button->setBehaviour(heldToggle ? bvlBUTTON::kToggleButton : bvlBUTTON::kPushButton);
            button->setValue(heldToggle);
            Spies spies(button);
            if (pointerOver) {
                pointAt(button, kInside);
            }
            button->Flash();
            QCOMPARE(button->stateWord(), bvlBUTTON::kStateFlashing);
            QCOMPARE(button->frame().pixel(0, 20), button->sunkenFace().pixel(0, 20));
            QVERIFY(button->isTimerRunning());
            QTRY_VERIFY(!button->isTimerRunning());
            QCOMPARE(button->stateWord(), endState);
            const QImage& face = heldToggle ? button->sunkenFace() : button->raisedFace();
            QCOMPARE(button->frame().pixel(0, 20), face.pixel(0, 20));
            QCOMPARE(button->Value(), heldToggle);
            QCOMPARE(spies.mouseExit.size(), 0);
            QCOMPARE(spies.click.size(), 0);
            pointAway();
            delete button;
        }

        bvlBUTTON* button = addButton();
        button->setAccessKeys("s");
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        Spies spies(button);
        QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
        QCOMPARE(spies.click.size(), 1);
        QCOMPARE(button->stateWord(), bvlBUTTON::kStateFlashing);
        QVERIFY(!button->Value());
        QTRY_COMPARE(button->stateWord(), 0);
        // Not without the modifier, and not while disabled.
        QTest::keyClick(m_window.get(), Qt::Key_S);
        button->setEnabled(false);
        QTest::keyClick(m_window.get(), Qt::Key_S, Qt::AltModifier);
        QCOMPARE(spies.click.size(), 1);
        QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
    }

    void disabledIgnoresEverything()
    {
        bvlBUTTON* button = addButton();
        button->setBehaviour(bvlBUTTON::kToggleButton);
        QSignalSpy changed(button, &bvlBUTTON::PropertyChanged);
        button->setEnabled(false);
        QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
        QCOMPARE(changed.size(), 1);

        Spies spies(button);
        move(button, kInside);
        press(button, kInside);
        move(button, QPoint(20, 10));
        release(button, kInside);
        doubleClick(button, kInside);
        button->Flash();
        QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
        QVERIFY(!button->Value());
        QCOMPARE(spies.raised(), 0);
        QVERIFY(!button->isTimerRunning());

        button->setEnabled(true);
        QCOMPARE(button->stateWord(), 0);
        // A disabled window disables the button on screen, not its own Enabled.
        changed.clear();
        m_window->setEnabled(false);
        QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
        QVERIFY(button->Enabled());
        QCOMPARE(changed.size(), 0);
        m_window->setEnabled(true);
        QCOMPARE(button->stateWord(), 0);
    }

    // Each key event is raised (the codes themselves are the input-code table's test); the
    // pointer is reported two pixels up and left while the button is held.
    void eventsCarryKeysAndPointer()
    {
        bvlBUTTON* button = addButton();
        QSignalSpy down(button, &bvlBUTTON::KeyDown);
        QSignalSpy keyPresses(button, &bvlBUTTON::KeyPress);
        QSignalSpy up(button, &bvlBUTTON::KeyUp);
        QSignalSpy clicks(button, &bvlBUTTON::Click);
        QTest::keyClick(button, Qt::Key_A, Qt::ShiftModifier);
        QTest::keyClick(button, Qt::Key_Space);
        QCOMPARE(down.size(), 3); // Shift itself comes first
        QCOMPARE(down.at(1), (QVariantList{qint16(65), qint16(1)}));
        QCOMPARE(keyPresses.at(0).at(0).value<qint16>(), qint16('a')); // the text the key gave
        QCOMPARE(up.size(), 3);
        QCOMPARE(up.at(0), (QVariantList{qint16(65), qint16(1)}));
        // Space presses the button: it clicks once, after its KeyUp.
        QCOMPARE(clicks.size(), 1);
        QCOMPARE(button->stateWord(), 0);

        Spies spies(button);
        move(button, QPoint(12, 7));
        press(button, QPoint(5, 5));
        QCOMPARE(spies.mouseDown.constFirst(),
                 (QVariantList{qint16(1), qint16(0), float(5), float(5)}));
        move(button, QPoint(12, 7));
        QCOMPARE(spies.mouseMove.size(), 2);
        QCOMPARE(spies.mouseMove.at(0), (QVariantList{qint16(0), qint16(0), float(12), float(7)}));
        QCOMPARE(spies.mouseMove.at(1), (QVariantList{qint16(1), qint16(0), float(10), float(5)}));
        release(button, QPoint(12, 7));
        QCOMPARE(spies.mouseUp.constFirst(),
                 (QVariantList{qint16(1), qint16(0), float(12), float(7)}));
    }

    // A new control takes its name as its caption and stores only what differs from the
    // defaults; every key written is read back, and what was read shows at once. Offsets are
    // tidied when set; a rejected one (its words: the co-ordinate parsing table) keeps the
    // property as it was, and a stored one keeps what could be read of it.
    void storedPropertiesAndRejectedOffsets()
    {
        support::FakeMessageBoxService boxes;
        bvlBUTTON* offsets = addButton();
        QSignalSpy changed(offsets, &bvlBUTTON::PropertyChanged);
        offsets->setCaptionOffset(" ( 3 , -4 ) ");
        QCOMPARE(offsets->CaptionOffset(), "(3,-4)");
        const QRect rect = offsets->captionRect();
        offsets->setCaptionOffset("(a,1)");
        offsets->setPictureOffset("(,1)");
        QCOMPARE(boxes.boxes().size(), 2);
        QCOMPARE(offsets->CaptionOffset(), "(3,-4)");
        QCOMPARE(offsets->PictureOffset(), "(0,0)");
        QCOMPARE(offsets->captionRect(), rect);
        QCOMPARE(changed.size(), 1);

        bvlBUTTON* read = unread("cmdStored");
        read->UserControl_ReadProperties(platform::PropertyBag(QJsonObject{
            {"CaptionOffset", "(7,40000)"}, {"PictureOffset", "(x,2)"}, {"Appearance", 0}}));
        QCOMPARE(boxes.boxes().size(), 4);
        // x of the caption offset could be read, nothing of the picture offset.
        QCOMPARE(read->captionRect().topLeft(), QPoint(6 + 7, 6));
        QCOMPARE(read->pictureRect().topLeft(), QPoint(6, 6));
        QCOMPARE(read->CaptionOffset(), "(7,40000)");

        bvlBUTTON* fresh = addButton("cmdSpkText");
        QCOMPARE(fresh->Caption(), "cmdSpkText");
        // Only the bevel width the control chose for its size differs from the defaults.
        platform::PropertyBag written;
        fresh->UserControl_WriteProperties(written);
        QCOMPARE(written.toJson(), (QJsonObject{{"BevelHeight", 6}}));

        bvlBUTTON* empty = unread("cmdStopText", QRect(10, 60, 100, 30));
        empty->UserControl_ReadProperties(platform::PropertyBag());
        QCOMPARE(empty->Caption(), "cmdStopText");
        // Every other key took its default: written back, only the chosen bevel width shows.
        platform::PropertyBag defaults;
        empty->UserControl_WriteProperties(defaults);
        QCOMPARE(defaults.toJson(), (QJsonObject{{"BevelHeight", 4}}));
        QCOMPARE(empty->BackColour(), 0x8000000Fu);
        QCOMPARE(empty->Appearance(), 2);

        bvlBUTTON* button = addButton("cmdSource");
        const platform::Picture picture = plain(qRgb(10, 200, 30), QSize(8, 6));
        const platform::Picture hover = plain(qRgb(250, 0, 30), QSize(8, 6));
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPointSize(15);
        font.setItalic(true);
        // Every key away from its default.
        button->setAccessKeys("sp");
        button->setAppearance(3);
        button->setBackColour(platform::rgb(1, 2, 3));
        button->setBehaviour(bvlBUTTON::kToggleButton);
        button->setBevelAutoAdjust(false);
        button->setBevelHeight(5);
        button->setCaption("&SPEAK");
        button->setCaptionColour(platform::rgb(4, 5, 6));
        button->setCaptionHoverColour(0x80000002u);
        button->setCaptionJustify(8);
        button->setCaptionOffset("(2,-3)");
        button->setEnabled(false);
        button->setFont(font);
        button->setMouseIcon(hover);
        button->setMouseKeys(5);
        button->setMousePointer(2);
        button->setPicture(picture);
        button->setPictureHover(hover);
        button->setPictureJustify(0);
        button->setPictureOffset("(-7,9)");
        button->setTransparency(platform::rgb(255, 0, 255));
        button->setUseTransparency(false);
        button->setValue(true);
        platform::PropertyBag bag;
        button->UserControl_WriteProperties(bag);
        QCOMPARE(bag.toJson().size(), 23); // every key

        bvlBUTTON* copy = unread("cmdCopy");
        Spies spies(copy);
        copy->UserControl_ReadProperties(bag);
        // Reading is not a change the host has to store.
        QCOMPARE(spies.changed.size(), 0);
        // Each key was read: a key left at its default would be missing when written again.
        platform::PropertyBag again;
        copy->UserControl_WriteProperties(again);
        QCOMPARE(again.toJson(), bag.toJson());
        QCOMPARE(copy->Font().family(), "DejaVu Serif");
        QCOMPARE(copy->Picture().image(), picture.image());
        QCOMPARE(copy->PictureHover().image(), hover.image());
        QCOMPARE(copy->MouseIcon().image(), hover.image());
        // What was read shows at once: the pressed, disabled capsule with its offsets and pointer.
        QCOMPARE(copy->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(copy->stateWord(), bvlBUTTON::kStatePressed | bvlBUTTON::kStateDisabled);
        QCOMPARE(copy->pictureRect().topLeft(), QPoint(5 - 7, 5 + 9));
        QCOMPARE(copy->mask(), *mdlSHPCLR::ShapeRegion(3, QSize(100, 40)));
        // Enabled, the held toggle stays down without a click.
        copy->setEnabled(true);
        QCOMPARE(copy->stateWord(), bvlBUTTON::kStatePressed);
        QCOMPARE(copy->frame().pixel(50, 1), copy->sunkenFace().pixel(50, 1));
        QCOMPARE(spies.click.size(), 0);
    }

    // Each shape's outline and size show in the reference images; the pointer follows the outline.
    // The faces are built afresh for a new size, with the automatic bevel for it or a width of its
    // own.
    void outlineAndFacesFollowShapeAndSize()
    {
        bvlBUTTON* button = addButton("cmdShape");
        button->setAppearance(mdlSHPCLR::kCapsule);
        QCOMPARE(button->windowRegion(), button->mask());
        // A pointer over a cut-off corner is over whatever lies behind it.
        pointAt(button, QPoint(5, 5));
        QVERIFY(!mdlSHPCLR::IsMouseOver(button));
        pointAt(button, QPoint(50, 20));
        QVERIFY(mdlSHPCLR::IsMouseOver(button));

        bvlBUTTON* sized = addButton("cmdFace", QRect(0, 0, 90, 30));
        sized->setBackColour(kFace);
        sized->resize(120, 64);
        QCOMPARE(sized->raisedFace().size(), QSize(120, 64));
        QCOMPARE(sized->sunkenFace().size(), QSize(120, 64));
        QCOMPARE(sized->BevelHeight(), 9); // automatic, for the new size
        // A width of its own is kept while automatic bevel is off.
        sized->setBevelAutoAdjust(false);
        sized->setBevelHeight(3);
        sized->resize(100, 50);
        QCOMPARE(sized->BevelHeight(), 3);
        QCOMPARE(sized->raisedFace().pixel(50, 3), qRgb(160, 176, 200));
        QVERIFY(sized->raisedFace().pixel(50, 2) != qRgb(160, 176, 200));
    }

    // Justified top left, centred, bottom right, and bottom right with an offset; a caption
    // justified bottom right is drawn in that corner.
    void pictureAndCaptionFollowJustifyAndOffset()
    {
        // 120 x 48 control, bevel 7: left 7, top 7, right 120 - 7 - 1 = 112, bottom 40;
        // a 12 x 12 picture.
        const std::tuple<int, QString, QRect, QPoint> rows[] = {
            {0, "(0,0)", QRect(7, 7, 105, 33), QPoint(7, 7)},
            {4, "(0,0)", QRect(7, 7, 105, 33), QPoint(53, 17)},
            {8, "(-4,5)", QRect(3, 12, 105, 33), QPoint(96, 33)}};
        for (const auto& [justify, offset, pictureRect, place] : rows) {
            bvlBUTTON* button = addButton("cmdLayout", QRect(0, 0, 120, 48));
            button->setPicture(redSquare());
            button->setPictureJustify(justify);
            button->setPictureOffset(offset);
            QCOMPARE(button->BevelHeight(), 7);
            QCOMPARE(button->pictureRect(), pictureRect);
            QCOMPARE(button->picturePlace(bvlWorkSurface::BasicRow), QRect(place, QSize(12, 12)));
            // No hover picture: nothing to place.
            QCOMPARE(button->picturePlace(bvlWorkSurface::HoverRow), QRect(0, 0, 0, 0));
            // The caption rectangle follows its own offset only.
            button->setCaptionOffset(offset);
            QCOMPARE(button->captionRect(), pictureRect);
            delete button;
        }

        bvlBUTTON* button = addButton("cmdCorner", QRect(0, 0, 140, 60));
        button->setBackColour(kFace);
        button->setFont(testFont());
        button->setCaption("EE");
        button->setCaptionJustify(8);
        const QRect area = button->captionRect();
        const QRect drawn = changedArea(button->frame(), button->raisedFace(), area);
        QVERIFY(!drawn.isEmpty());
        QVERIFY2(area.right() - drawn.right() <= 2, qPrintable(QString::number(drawn.right())));
        QVERIFY2(area.bottom() - drawn.bottom() <= 5, qPrintable(QString::number(drawn.bottom())));
        QVERIFY(drawn.left() > area.center().x());
        QVERIFY(drawn.top() > area.center().y());
    }

    // The mask, sprite and disabled pictures of the work surface show in the reference images.
    // Without transparency a picture is copied as it is; the hover picture replaces the picture
    // while hovered, and only then; hovering ends with MouseExit.
    void picturesWithoutTransparencyAndOnHover()
    {
        QCOMPARE(bvlWorkSurface::disabledLightness(0), 20);
        QCOMPARE(bvlWorkSurface::disabledLightness(219), 239);
        QCOMPARE(bvlWorkSurface::disabledLightness(220), 240);
        // A see-through pixel of a picture counts as the transparency colour.
        bvlWorkSurface surface;
        QImage clear(3, 3, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        surface.rebuild(clear, QImage(), 0xC0C0C0u);
        QCOMPARE(surface.image().pixel(1, 1), qRgb(255, 255, 255));
        // Without transparency a picture is copied as it is, its transparency colour too.
        bvlBUTTON* key = addButton("cmdPicture", QRect(0, 0, 80, 40));
        key->setCaption(QString());
        key->setBackColour(kFace);
        key->setPicture(plain(kKey));
        const QRect place = key->picturePlace(bvlWorkSurface::BasicRow);
        QCOMPARE(place.size(), QSize(10, 10));
        key->setUseTransparency(false);
        QCOMPARE(changedArea(key->frame(), key->raisedFace(), key->rect()), place);
        QCOMPARE(key->frame().pixel(place.center()), kKey);

        bvlBUTTON* button = addButton("cmdHover", QRect(0, 0, 120, 48));
        button->setBackColour(kFace);
        button->setFont(testFont());
        button->setCaption("HOVER");
        button->setPicture(redSquare());
        button->setPictureJustify(3);
        button->setPictureHover(plain(qRgb(0, 0, 255), QSize(12, 12)));
        const QPoint at = button->picturePlace(bvlWorkSurface::BasicRow).topLeft() + QPoint(5, 5);
        QCOMPARE(button->frame().pixel(at), kRed);
        Spies spies(button);

        move(button, QPoint(60, 24));
        QCOMPARE(button->stateWord(), bvlBUTTON::kStateOver);
        QCOMPARE(button->frame().pixel(at), qRgb(0, 0, 255));
        QVERIFY(button->isTimerRunning());
        // Still over at the next tick: nothing changes. A witness flashing twice, started after
        // the hover, has seen a tick of the hover's timer go by.
        bvlBUTTON* witness = addButton("cmdWitness", QRect(200, 100, 60, 30));
        for (int flash = 0; flash < 2; ++flash) {
            witness->Flash();
            QTRY_COMPARE(witness->stateWord(), 0);
        }
        QCOMPARE(button->stateWord(), bvlBUTTON::kStateOver);
        QCOMPARE(spies.mouseExit.size(), 0);

        pointAway();
        QTRY_COMPARE(spies.mouseExit.size(), 1);
        QCOMPARE(button->stateWord(), 0);
        QVERIFY(!button->isTimerRunning());
        QCOMPARE(button->frame().pixel(at), kRed);
    }

    void eachShapeAndStateMatchesItsReference_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("state");
        const char* const shapes[] = {"rectangle", "circle", "rounded", "capsule"};
        for (int shape = 0; shape < 4; ++shape) {
            for (const QSize size : {QSize(96, 36), QSize(160, 64)}) {
                for (const char* state : {"raised", "sunken", "hovered", "disabled"}) {
                    QTest::addRow("%s-%dx%d-%s", shapes[shape], size.width(), size.height(), state)
                        << shape << size << QString::fromLatin1(state);
                }
            }
        }
    }

    // Each shape in each state at two sizes, against a reference image. Two renderings match
    // when no channel of any pixel differs by more than 24 in more than 0.5 % of the pixels:
    // text edges may shift with the font library, the faces and bevels may not.
    void eachShapeAndStateMatchesItsReference()
    {
        QFETCH(int, shape);
        QFETCH(QSize, size);
        QFETCH(QString, state);
        bvlBUTTON* button = addButton("cmdLook", QRect(QPoint(10, 10), size));
        button->setFont(testFont());
        button->setBackColour(kFace);
        button->setCaptionColour(platform::rgb(20, 20, 60));
        button->setCaptionHoverColour(platform::rgb(200, 40, 40));
        button->setCaption("SPEAK");
        button->setCaptionJustify(5);
        button->setPicture(redSquare());
        button->setPictureJustify(3);
        button->setPictureOffset(shape == mdlSHPCLR::kRectangle ? "(2,0)" : "(8,0)");
        button->setAppearance(shape);
        if (state == QLatin1String("sunken")) {
            button->setBehaviour(bvlBUTTON::kToggleButton);
            button->setValue(true);
        } else if (state == QLatin1String("hovered")) {
            move(button, QPoint(button->width() / 2, button->height() / 2));
        } else if (state == QLatin1String("disabled")) {
            button->setEnabled(false);
        }
        QImage shot = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
        // What the window's shape cuts off is not the button's.
        QPainter painter(&shot);
        painter.setClipRegion(QRegion(shot.rect()) - button->mask());
        painter.fillRect(shot.rect(), Qt::white);
        painter.end();
        const QString mismatch = referenceimage::mismatch(
            shot, QStringLiteral(BEVEL_REFERENCE_DIR "/%1.png").arg(QTest::currentDataTag()),
            "PARLANZA_UPDATE_REFERENCES", 24, shot.width() * shot.height() / 200);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }

private:
    bvlBUTTON* addButton(const QString& name = "cmdTest",
                         const QRect& geometry = QRect(10, 10, 100, 40), QWidget* parent = nullptr)
    {
        bvlBUTTON* button = unread(name, geometry, parent);
        button->UserControl_InitProperties();
        button->show();
        return button;
    }
    // A button as a form being loaded makes it: named and placed, its properties not yet read.
    bvlBUTTON* unread(const QString& name, const QRect& geometry = QRect(10, 60, 100, 40),
                      QWidget* parent = nullptr)
    {
        auto* button = new bvlBUTTON(parent ? parent : m_window.get());
        button->setObjectName(name);
        button->setGeometry(geometry);
        return button;
    }

    // Where the pointer is: at a point of a widget, or away over the window.
    void pointAt(const QWidget* widget, QPoint local) { m_pointer = widget->mapToGlobal(local); }
    void pointAway() { m_pointer = m_window->mapToGlobal(QPoint(395, 295)); }
    void press(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        pointAt(widget, at);
        m_held |= button;
        QTest::mousePress(widget, button, {}, at);
    }
    void release(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        pointAt(widget, at);
        m_held &= ~Qt::MouseButtons(button);
        QTest::mouseRelease(widget, button, {}, at);
    }
    // Press, release, the second press that the system reports as a double click, release.
    void doubleClick(QWidget* widget, QPoint at)
    {
        press(widget, at);
        release(widget, at);
        QTest::mouseDClick(widget, Qt::LeftButton, {}, at);
        release(widget, at);
    }
    // A move delivered to the widget, as while it holds the mouse or the pointer is on it.
    void move(QWidget* widget, QPoint at)
    {
        pointAt(widget, at);
        QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, m_held,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    std::unique_ptr<QWidget> m_window;
    QPoint m_pointer;
    Qt::MouseButtons m_held;
};

QTEST_MAIN(tst_bvlBUTTON)
#include "tst_bvlBUTTON.moc"
