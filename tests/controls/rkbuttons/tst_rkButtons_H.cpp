// The image and colour button: its drawing rules without a widget (colours, gradients, caption
// layout, access keys, outlines cut from a picture, the face painter); as a widget, its mouse,
// keyboard, focus and hover handling and events, its properties, their coupling, design-time
// advice, option groups, stored format and outlines; and every face style in every state and
// outline against the sheets in reference/ (see its README to regenerate them).

#include "controls/ReferenceImage.h"
#include "controls/rkbuttons/ButtonLook.h"
#include "controls/rkbuttons/CaptionLayout.h"
#include "controls/rkbuttons/modRkTimer.h"
#include "controls/rkbuttons/rkButtons_H.h"
#include "platform/AmbientProperties.h"
#include "platform/EventLog.h"
#include "platform/Units.h"
#include "platform/WindowProperties.h"
#include "support/FakeMessageBoxService.h"

#include <QApplication>
#include <QCursor>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <memory>

using namespace rkbuttons;
using platform::AmbientProperties;
using platform::rgb;
namespace props = platform::windowprops;

namespace {

constexpr QRgb kContainerColor = 0xFF336699;

QImage blank(int width, int height, QColor colour = Qt::black)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

platform::Picture bitmap(const QImage& image)
{
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

// A picture for custom shapes: a dark disc on white, its edge anti-aliased into
// near-white fringe pixels.
QImage discPicture(QSize size)
{
    QImage image = blank(size.width(), size.height(), Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 60, 120));
    painter.drawEllipse(QRect(QPoint(0, 0), size).adjusted(4, 4, -4, -4));
    return image;
}

OleColor at(const QImage& image, int x, int y)
{
    return paint::fromRgb(image.pixel(x, y));
}

// The bounding box of the pixels of exactly that colour.
QRect pixelsOf(const QImage& image, OleColor color)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            box |= at(image, x, y) == color ? QRect(x, y, 1, 1) : QRect();
        }
    }
    return box;
}

struct ShiftRow
{
    const char* name;
    OleColor color;
    int shift;
    bool scaleBlue, avoidExtremes, invert;
    OleColor expected;
};

struct LayoutRow
{
    const char* name;
    Outline shape;
    PicturePlace place;
    int size;
    bool caption;
    QRect picture;
    int captionLeft, captionRight;
};

// A standard rectangular push button face of 100 x 30.
ButtonLook plainLook()
{
    ButtonLook look;
    look.palette = {rgb(200, 0, 0), rgb(200, 0, 0), rgb(250, 250, 0), rgb(10, 200, 10)};
    look.outline.rightEdge = 100;
    look.screenLength = 1024;
    return look;
}

platform::Picture icon()
{
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::red);
    return platform::Picture(platform::Picture::Type::Icon, image);
}

// A 16 x 16 bitmap: green and yellow squares on the magenta colour key.
platform::Picture samplePicture()
{
    QImage image = blank(16, 16, QColor(255, 0, 255));
    QPainter(&image).fillRect(3, 3, 10, 10, QColor(0, 128, 0));
    QPainter(&image).fillRect(6, 6, 4, 4, QColor(255, 255, 0));
    return bitmap(image);
}

// A blue diamond with anti-aliased edges on white: the fringe is near the key.
platform::Picture shapePicture()
{
    QImage image = blank(64, 64, Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 90, 200));
    painter.drawPolygon(QPolygon({QPoint(32, 2), QPoint(62, 32), QPoint(32, 62), QPoint(2, 32)}));
    painter.setBrush(QColor(250, 210, 60));
    painter.drawEllipse(QPoint(32, 32), 10, 10);
    return bitmap(image);
}

// The properties named in "Name=... Name=..." as the button has them now, in the same form.
QString properties(const rkButtons_H* b, const QString& names)
{
    using B = const rkButtons_H*;
    const QHash<QString, std::function<qint64(B)>> get = {
        {"Value", [](B b) { return b->Value(); }},
        {"Mode", [](B b) { return qint64(b->Mode()); }},
        {"ImgSize", [](B b) { return b->ImgSize(); }},
        {"PictureSize", [](B b) { return b->PictureSize(); }},
        {"ButtonShape", [](B b) { return qint64(b->ButtonShape()); }},
        {"ButtonStyle", [](B b) { return qint64(b->ButtonStyle()); }},
        {"CaptionAlign", [](B b) { return qint64(b->CaptionAlign()); }},
        {"CustomClick", [](B b) { return qint64(b->CustomClick()); }},
        {"ShowFocusRect", [](B b) { return b->ShowFocusRect(); }},
        {"BackColor", [](B b) { return b->BackColor(); }},
        {"HoverBackColor", [](B b) { return b->HoverBackColor(); }},
        {"MousePointer", [](B b) { return b->MousePointer(); }},
        {"Default", [](B b) { return (b->StateFlags() & rkButtons_H::kStateDefault) != 0; }}};
    QStringList shown;
    for (const QString& property : names.split(QLatin1Char(' '))) {
        const QString name = property.section(QLatin1Char('='), 0, 0);
        shown << QStringLiteral("%1=%2").arg(name).arg(get.contains(name) ? get[name](b) : -999);
    }
    return shown.join(QLatin1Char(' '));
}

// Records the virtual key and scan code of each key press that reaches a widget.
struct KeyRecorder : QObject
{
    QList<std::pair<quint32, quint32>> keys;
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            keys.append({key->nativeVirtualKey(), key->nativeScanCode()});
        }
        return false;
    }
};

// The columns of the reference sheets.
enum class State { Normal, Hover, Pressed, Checked, Disabled, Default, Count };

} // namespace

Q_DECLARE_METATYPE(ShiftRow)
Q_DECLARE_METATYPE(LayoutRow)

class tst_rkButtons_H : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QWidget> m_container;
    std::unique_ptr<support::FakeMessageBoxService> m_boxes;
    QStringList m_log; // the events a button raises, in their order

    // A button as a form places it: created, given its defaults and a size.
    rkButtons_H* button(QRect geometry = QRect(10, 10, 100, 30), const QString& name = "cmdTest")
    {
        auto* b = new rkButtons_H(m_container.get());
        b->setObjectName(name);
        b->UserControl_InitProperties();
        b->setGeometry(geometry);
        b->show();
        return b;
    }
    // An option button in the given row of the container.
    rkButtons_H* option(int row, const QString& name)
    {
        rkButtons_H* b = button(QRect(10, 10 + 40 * row, 80, 24), name);
        b->setMode(Behaviour::Option);
        return b;
    }

    static void sendMove(QWidget* widget, QPoint at)
    {
        QCursor::setPos(widget->mapToGlobal(at));
        QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &move);
    }
    static void hover(rkButtons_H* b) { sendMove(b, b->rect().center()); }
    void pointAway() { QCursor::setPos(m_container->mapToGlobal(QPoint(390, 290))); }

    void recordEvents(rkButtons_H* b)
    {
        m_log.clear();
        connect(b, &rkButtons_H::Click, this, [this] { m_log << "Click"; });
        // Each event with its key or mouse button.
        const auto note = [this](const char* event) {
            return [this, event](int value) { m_log << event + QStringLiteral(" %1").arg(value); };
        };
        connect(b, &rkButtons_H::KeyDown, this, note("KeyDown"));
        connect(b, &rkButtons_H::KeyUp, this, note("KeyUp"));
        connect(b, &rkButtons_H::MouseDown, this, note("MouseDown"));
        connect(b, &rkButtons_H::MouseUp, this, note("MouseUp"));
        connect(b, &rkButtons_H::DoubleClick, this, note("DoubleClick"));
    }

    // One button of the reference sheets: the user's view of it, its presented image inside
    // its outline with the container's colour around it.
    QImage renderCell(int style, int shape, State state, QSize size)
    {
        rkButtons_H* b = button(QRect(QPoint(10, 10), size));
        b->DelayDrawing(true);
        b->setCaption("&Open");
        b->setButtonStyle(static_cast<FaceStyle>(style));
        b->setPicture(shape >= 7 ? shapePicture() : samplePicture());
        b->setButtonShape(static_cast<Outline>(shape));
        b->setHoverBackColor(rgb(255, 236, 160));
        b->setHoverForeColor(rgb(0, 0, 160));
        b->setMode(state == State::Checked ? Behaviour::Check : Behaviour::Push);
        b->setValue(state == State::Checked);
        b->DelayDrawing(false);
        if (state == State::Hover || state == State::Pressed) {
            hover(b);
        }
        if (state == State::Pressed) {
            QTest::mousePress(b, Qt::LeftButton);
        } else if (state == State::Disabled) {
            b->setEnabled(false);
        } else if (state == State::Default) {
            AmbientProperties::setDisplayAsDefault(b, true);
        }
        QImage image = blank(size.width(), size.height(), kContainerColor);
        QPainter painter(&image);
        painter.setClipRegion(b->mask().isEmpty() ? QRegion(b->rect()) : b->mask());
        painter.drawImage(0, 0, b->presentedImage());
        painter.end();
        if (state == State::Pressed) {
            QTest::mouseRelease(b, Qt::LeftButton);
        }
        pointAway();
        delete b;
        return image;
    }

private Q_SLOTS:
    void initTestCase() { platform::setTwipsPerPixelOverride(15.0); }
    void cleanupTestCase() { platform::setTwipsPerPixelOverride(0.0); }

    void init()
    {
        AmbientProperties::setDesignMode(false);
        m_boxes = std::make_unique<support::FakeMessageBoxService>();
        m_container = std::make_unique<QWidget>();
        m_container->setObjectName(QStringLiteral("frmTest"));
        QPalette palette = m_container->palette();
        palette.setColor(QPalette::Window, QColor::fromRgb(kContainerColor));
        m_container->setPalette(palette);
        m_container->setAutoFillBackground(true);
        m_container->setFont(QFont(QStringLiteral("DejaVu Sans"), 8));
        m_container->setGeometry(0, 0, 400, 300);
        m_container->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_container.get()));
        pointAway();
    }

    void cleanup()
    {
        AmbientProperties::setDesignMode(false);
        m_container.reset();
        m_boxes.reset();
    }

    void shiftColorScalesClampsAndRetries_data()
    {
        QTest::addColumn<ShiftRow>("row");
        // Green and blue are scaled by 255 and 65280: components of 128 and above come out
        // one higher than a plain shift.
        const OleColor white = paint::kWhite;
        const ShiftRow rows[] = {
            {"white darker", white, -32, false, false, false, rgb(223, 224, 224)},
            {"clamped high", white, 48, false, false, false, white},
            {"clamped low", rgb(10, 10, 10), -40, false, false, false, 0},
            // Scaled blue: B0 = 225 (0xE0 * 65536 / 65280 rounded), shift * B0 / 192 = -37.5,
            // truncated to -37.
            {"scale blue", rgb(0, 0, 0xE0), -32, true, false, false, rgb(0, 0, 225 - 37)},
            {"scale blue no blue", rgb(100, 0, 0), 48, true, false, false, rgb(148, 48, 0)},
            {"invert", rgb(10, 20, 30), 0, false, false, true, rgb(245, 235, 225)},
            {"black retries lighter", rgb(10, 10, 10), -40, false, true, false, rgb(50, 50, 50)},
            {"zero shift on white: 64, then -64", white, 0, false, true, false, rgb(191, 192, 192)},
            // White by +300 and by -300 are both extremes: the retries end after the third try.
            {"both signs extreme still returns", white, 300, false, true, false, white},
        };
        for (const ShiftRow& row : rows) {
            QTest::newRow(row.name) << row;
        }
    }

    void shiftColorScalesClampsAndRetries()
    {
        QFETCH(ShiftRow, row);
        QCOMPARE(
            paint::ShiftColor(row.color, row.shift, row.scaleBlue, row.avoidExtremes, row.invert),
            row.expected);
    }

    void gradientRampsAndKeepsToItsClip()
    {
        const QList<OleColor> ramp = paint::gradientRamp(rgb(0, 0, 0), rgb(100, 200, 50), 5);
        // The end's green and blue are scaled as ShiftColor does: 200 -> 201, 50 -> 50.
        QCOMPARE(ramp, (QList<OleColor>{0, rgb(25, 50, 12), rgb(50, 100, 25), rgb(75, 150, 37),
                                        rgb(100, 201, 50)}));
        QCOMPARE(paint::gradientRamp(rgb(1, 2, 3), rgb(9, 9, 9), 1), QList<OleColor>{rgb(1, 2, 3)});
        QVERIFY(paint::gradientRamp(rgb(1, 2, 3), rgb(9, 9, 9), 0).isEmpty());

        QImage image = blank(10, 10);
        paint::drawGradient(image, paint::kWhite, paint::kWhite,
                            paint::GradientDirection::LeftToRight, 1024, QRegion(2, 2, 3, 3));
        QCOMPARE(pixelsOf(image, paint::kWhite), QRect(2, 2, 3, 3));
    }

    // Right to left, left to right, top to bottom and bottom to top: a gradient longer than a
    // quarter of the screen has bands two pixels wide. The ramp accumulates its steps and
    // truncates, so its far end may fall one short.
    void gradientBandsWidenOnLongRuns()
    {
        const std::tuple<int, int, int, int, int> rows[] = {{2, 100, 20, 1024, 1},
                                                            {1, 300, 20, 1024, 2},
                                                            {3, 20, 100, 768, 1},
                                                            {4, 20, 201, 768, 2}};
        const OleColor c1 = rgb(0, 0, 255);
        for (const auto& [direction, width, height, screen, bandWidth] : rows) {
            QImage image = blank(width, height);
            paint::drawGradient(image, c1, rgb(255, 0, 0),
                                static_cast<paint::GradientDirection>(direction), screen);
            const bool horizontal = direction <= 2;
            const int length = horizontal ? width : height;
            auto sample = [&](int i) { return horizontal ? at(image, i, 3) : at(image, 3, i); };
            int bands = 1;
            for (int i = 1; i < length; ++i) {
                bands += sample(i) != sample(i - 1) ? 1 : 0;
            }
            QCOMPARE(bands, length / bandWidth);
            const bool reversed = direction == 2 || direction == 4;
            const QRgb far = paint::toRgb(sample(reversed ? 0 : length - 1));
            QCOMPARE(sample(reversed ? length - 1 : 0), c1);
            QVERIFY(qRed(far) >= 254 && qGreen(far) == 0 && qBlue(far) <= 1);
        }
    }

    // The last single ampersand marks the key; a pair is a literal one.
    void accessKeyFollowsTheLastSingleAmpersand()
    {
        const std::pair<const char*, const char*> rows[] = {
            {"&Open", "O"},         {"Se&lect All", "l"}, {"Cut && Paste", ""},
            {"&Save && Exit", "S"}, {"Open&", ""},        {"Open", ""}};
        for (const auto& [caption, key] : rows) {
            QCOMPARE(rkbuttons::accessKey(caption), key);
        }
    }

    // On a 160 x 40 button the caption's room is 3 pixels in from each side; a picture of
    // up to 32 pixels takes its width from that room, a larger one lies under the caption.
    // Beside the caption, the picture keeps a four-pixel gap and the pair is centred.
    void captionAndPictureShareTheFace_data()
    {
        QTest::addColumn<LayoutRow>("row");
        using P = PicturePlace;
        const Outline rectangle = Outline::Rectangle;
        const LayoutRow rows[] = {
            {"left", rectangle, P::Left, 16, true, {3, 12, 16, 16}, 19, 156},
            {"left, big", rectangle, P::Left, 40, true, {3, 0, 40, 40}, 3, 156},
            {"right", rectangle, P::Right, 32, true, {125, 4, 32, 32}, 3, 124},
            {"top", rectangle, P::TopCentre, 16, true, {72, 3, 16, 16}, 3, 156},
            {"bottom", rectangle, P::BottomCentre, 24, true, {68, 13, 24, 24}, 3, 156},
            // A picture at a slanted side sits where the slant has passed its whole height.
            {"slanted left", Outline::SlantedLeft, P::Left, 16, true, {29, 12, 16, 16}, 45, 156},
            {"slanted right", Outline::SlantedRight, P::Right, 16, true, {114, 12, 16, 16}, 3, 113},
            {"beside left", rectangle, P::BesideCaptionLeft, 16, false, {70, 12, 16, 16}, 90, 89},
            {"beside right", rectangle, P::BesideCaptionRight, 16, false, {74, 12, 16, 16}, 70, 69},
        };
        for (const LayoutRow& row : rows) {
            QTest::newRow(row.name) << row;
        }
    }

    void captionAndPictureShareTheFace()
    {
        QFETCH(LayoutRow, row);
        const CaptionLayout layout = layoutCaption(
            QSize(160, 40), row.caption ? "Open||Now" : QString(), QFont("DejaVu Sans"), row.shape,
            CaptionPlace::Centre, row.place, row.size);
        QCOMPARE(layout.text, row.caption ? QStringLiteral("Open\nNow") : QString());
        QCOMPARE(layout.picture, row.picture);
        QCOMPARE(layout.caption.left(), row.captionLeft);
        QCOMPARE(layout.caption.right(), row.captionRight);
    }

    // A custom shape fits the picture into the button, and leaves out the picture's key
    // colour and the fringe within 3 of it.
    void customOutlineLeavesOutKeyAndFringe()
    {
        QCOMPARE(customOutlineSize(QSize(64, 32), QSize(100, 100)), QSize(100, 50));
        QCOMPARE(customOutlineSize(QSize(20, 40), QSize(100, 100)), QSize(50, 100));

        QImage picture = discPicture(QSize(40, 40));
        picture.setPixel(1, 20, qRgb(252, 253, 252));
        picture.setPixel(38, 20, qRgb(251, 255, 255));
        const std::optional<ButtonOutline> outline = customOutline(bitmap(picture), QSize(40, 40));
        QVERIFY(outline);
        for (int y = 0; y < 40; ++y) {
            for (int x = 0; x < 40; ++x) {
                const QRgb source = picture.pixel(x, y);
                const bool nearWhite =
                    qRed(source) >= 252 && qGreen(source) >= 252 && qBlue(source) >= 252;
                QCOMPARE(outline->window.contains(QPoint(x, y)), !nearWhite);
                QCOMPARE(outline->picture.pixel(x, y), nearWhite ? qRgb(255, 255, 255) : source);
            }
        }
    }

    // While hovering, the hover colour replaces a gradient unless it is the gradient colour
    // itself; a set button shows its plain checked face.
    void hoverAndCheckedFacesReplaceTheGradient()
    {
        const ButtonLook plain = plainLook();
        const QList<OleColor> ramp = paint::gradientRamp(plain.palette.face, rgb(0, 0, 200), 100);
        const OleColor hover = plain.palette.hoverFace;
        const OleColor checked = plain.palette.checkedFace;
        // While hovering: gradient while hovering, set; the face at either end.
        const std::tuple<bool, bool, QList<OleColor>> rows[] = {{true, false, {ramp[5], ramp[94]}},
                                                                {false, false, {hover, hover}},
                                                                {true, true, {checked, checked}}};
        for (const auto& [gradientWhileHovering, value, face] : rows) {
            ButtonLook look = plain;
            look.mode = value ? Behaviour::Check : Behaviour::Push;
            look.value = value;
            look.hovering = true;
            look.gradient = paint::GradientDirection::LeftToRight;
            look.gradientColor = rgb(0, 0, 200);
            look.gradientWhileHovering = gradientWhileHovering;
            QImage image = blank(100, 30);
            paintButton(image, look);
            QCOMPARE(QList<OleColor>({at(image, 5, 15), at(image, 94, 15)}), face);
        }
    }

    // An engraved caption has its shadow up and to the left and its highlight down and to
    // the right, an embossed one the other way round; disabled text is grey on a white
    // highlight. The caption is a solid block drawn without anti-aliasing, so its colours are
    // exact.
    void captionReliefAndDisabledColours()
    {
        const OleColor face = plainLook().palette.face;
        const OleColor dark = paint::ShiftColor(face, -40);
        const OleColor light = paint::ShiftColor(face, 40);
        // Enabled, relief; the colours left of the text, of the text and below right of it.
        const std::tuple<bool, CaptionRelief, OleColor, OleColor, OleColor> rows[] = {
            {true, CaptionRelief::Flat, face, paint::kBlack, face},
            {true, CaptionRelief::Engraved, dark, paint::kBlack, light},
            {true, CaptionRelief::Embossed, light, paint::kBlack, dark},
            {false, CaptionRelief::Embossed, face, paint::kGrey, paint::kWhite}};
        for (const auto& [enabled, relief, upperLeft, text, lowerRight] : rows) {
            ButtonLook look = plainLook();
            look.enabled = enabled;
            look.captionRelief = relief;
            look.caption = QStringLiteral("\u2588\u2588");
            look.font = QFont("DejaVu Sans");
            look.font.setPixelSize(14);
            look.font.setStyleStrategy(QFont::NoAntialias);
            look.shape = Outline::Custom; // a face without edges
            look.captionRect = QRect(10, 5, 80, 20);
            QImage image = blank(100, 30);
            paintButton(image, look);
            const QRect block = pixelsOf(image, text);
            QVERIFY(block.width() > 4 && block.height() > 4);
            QCOMPARE(at(image, block.left() - 1, block.center().y()), upperLeft);
            QCOMPARE(at(image, block.right() + 1, block.bottom() + 1), lowerRight);
        }
    }

    // The access key and, for command buttons only, Enter and Escape click. Arrows go to the
    // container, other keys raise their events; Shift raises no KeyUp.
    void keysClickAndArrowsGoToTheContainer()
    {
        rkButtons_H* b = button();
        b->setCaption("&Open");
        QCOMPARE(b->AccessKeys(), "O");
        QSignalSpy clicks(b, &rkButtons_H::Click);
        QApplication::setActiveWindow(m_container.get());
        QVERIFY(QTest::qWaitForWindowActive(m_container.get()));
        QTest::keyClick(m_container.get(), Qt::Key_O, Qt::AltModifier);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(b->LastMouseButton(), 1);
        b->AccessKeyPress(13);
        QCOMPARE(clicks.count(), 2);
        b->setMode(Behaviour::Check);
        b->AccessKeyPress(27);
        QCOMPARE(clicks.count(), 2);
        QVERIFY(!b->Value());

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

        QSignalSpy presses(b, &rkButtons_H::KeyPress);
        QTest::keyClick(b, Qt::Key_A);
        QTest::keyClick(b, Qt::Key_Shift);
        QCOMPARE(m_log, (QStringList{"KeyDown 65", "KeyUp 65", "KeyDown 16"}));
        QCOMPARE(presses.count(), 1);
        QCOMPARE(presses.first().first().toInt(), int('a'));
    }

    void optionGroupIsListedOnTheContainer()
    {
        QWidget* c = m_container.get();
        // The members as the container lists them: "1rk_Obj", "2rk_Obj", ... under
        // "rk_OptCount", with nothing left behind past the count.
        const auto group = [c] {
            QList<QObject*> members;
            while (props::contains(c, QStringLiteral("%1rk_Obj").arg(members.size() + 1))) {
                members << props::object(c, QStringLiteral("%1rk_Obj").arg(members.size() + 1));
            }
            const auto count = props::number(c, "rk_OptCount");
            return count.value_or(0) == members.size() ? members : QList<QObject*>{nullptr};
        };
        rkButtons_H* a = option(0, "a");
        rkButtons_H* b = option(1, "b");
        rkButtons_H* d = option(2, "d");
        rkButtons_H* e = option(3, "e");
        QCOMPARE(group(), (QList<QObject*>{a, b, d, e}));

        a->setValue(true);
        b->setValue(true);
        QVERIFY(!a->Value());
        QVERIFY(b->Value());
        QVERIFY(a->OptionToggle(rkButtons_H::GroupAction::AnySet));
        // Leaving from the middle and from the front moves the ones after it down.
        d->setMode(Behaviour::Push);
        QCOMPARE(group(), (QList<QObject*>{a, b, e}));
        a->setMode(Behaviour::Push);
        QCOMPARE(group(), (QList<QObject*>{b, e}));
        // Leaving from the end.
        e->setMode(Behaviour::Check);
        QCOMPARE(group(), (QList<QObject*>{b}));
        // A set member leaving to command mode loses its Value; the last one removes the count.
        b->setMode(Behaviour::Push);
        QVERIFY(!b->Value());
        QVERIFY(group().isEmpty());
        QVERIFY(!props::contains(c, "rk_OptCount"));
        // A destroyed member leaves without clearing the others; a button that is no member
        // leaves nobody out.
        rkButtons_H* f = option(0, "f");
        rkButtons_H* g = option(1, "g");
        g->setValue(true);
        delete f;
        QCOMPARE(group(), (QList<QObject*>{g}));
        QVERIFY(g->Value());
        QVERIFY(!a->OptionToggle(rkButtons_H::GroupAction::Leave));
        QCOMPARE(group(), (QList<QObject*>{g}));
        // A loaded option joins its group.
        rkButtons_H* loaded = button(QRect(10, 90, 80, 24), "loaded");
        loaded->UserControl_ReadProperties(
            platform::PropertyBag(QJsonObject{{"Mode", 2}, {"Value", true}}));
        QCOMPARE(group(), (QList<QObject*>{g, loaded}));
        QVERIFY(loaded->Value() && !g->Value());
    }

    // How an option is selected: the focus selects an unset group, an arrow's release the
    // option it reached, a click the one clicked; the set one raises no click again.
    void optionSelection()
    {
        rkButtons_H* a = option(0, "a");
        rkButtons_H* b = option(1, "b");
        QSignalSpy clicksA(a, &rkButtons_H::Click);
        QSignalSpy clicksB(b, &rkButtons_H::Click);
        m_container->activateWindow();
        a->setFocus();
        QTRY_VERIFY(a->Value());
        QCOMPARE(clicksA.count(), 1);
        // With a member set, the focus moving on selects nothing.
        b->setFocus();
        QTRY_VERIFY(b->hasFocus());
        QVERIFY(!b->Value());
        // The arrow's release arrives at the button the container moved the focus to.
        QTest::keyRelease(b, Qt::Key_Down);
        QVERIFY(b->Value() && !a->Value());
        QCOMPARE(clicksB.count(), 1);
        // Clicked again, the set option raises no click and is not left looking pressed.
        const QImage setLook = b->presentedImage();
        hover(b);
        pointAway();
        QTRY_VERIFY(!b->Hovering());
        QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(clicksB.count(), 1);
        QCOMPARE(b->presentedImage(), setLook);
        QTest::mouseClick(a, Qt::LeftButton);
        QVERIFY(a->Value() && !b->Value());
    }

    void propertiesCoupleAndAdviseAtDesignTime_data()
    {
        QTest::addColumn<bool>("design");
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QStringList>("advice");
        const QString pictureFirst =
            "The Picture Property must be assigned first and must be a bitmap or JPEG.";
        // Picture and MouseIcon: 0 none, 1 a bitmap, 2 an icon. Design advice is never shown
        // at run time.
        const auto row = [](const char* tag, bool design, const char* changes, const char* result,
                            const QStringList& advice = {}) {
            QTest::newRow(tag) << design << QString(changes) << QString(result) << advice;
        };
        row("command Value, run time", false, "Value=1", "Value=0");
        row("command Value", true, "Value=1", "Value=0",
            {"This property is not applicable for command button modes."});
        row("check Value", true, "Mode=1 Value=1", "Value=1");
        row("check made command", true, "Mode=1 Value=1 Mode=0", "Value=0");
        row("picture size", false, "PictureSize=2", "ImgSize=32 PictureSize=2");
        row("picture size out of range", false, "PictureSize=2 PictureSize=5 PictureSize=-1",
            "PictureSize=2");
        row("picture size of a custom shape", true, "Picture=1 ButtonShape=7 PictureSize=1",
            "PictureSize=4", {"The picture size cannot be changed for Shaped buttons"});
        row("custom shape without a picture", true, "ButtonShape=2 ButtonShape=7", "ButtonShape=2",
            {pictureFirst});
        row("custom shape from an icon", true, "ButtonShape=2 Picture=2 ButtonShape=8",
            "ButtonShape=2", {pictureFirst});
        row("custom shape", true, "CaptionAlign=0 Picture=1 ButtonShape=7",
            "ButtonShape=7 PictureSize=4 CaptionAlign=2");
        // From one custom shape to the other without a picture-size complaint.
        row("custom shape to custom shape", true, "Picture=1 ButtonShape=7 ButtonShape=8",
            "ButtonShape=8");
        row("icon on a custom shape", true, "Picture=1 ButtonShape=7 Picture=2", "ButtonShape=0",
            {"Icons cannot be used for custom buttons. Only use bitmaps or JPEGs.\r\nButton was "
             "changed to Rectangular shaped."});
        row("custom shape loses its picture", true, "Picture=1 ButtonShape=7 Picture=0",
            "ButtonShape=0");
        row("caption under a centred picture", true, "Picture=1 PictureAlign=4 CaptionAlign=1",
            "CaptionAlign=2",
            {"When button images are aligned top/bottom center, \r\nbutton captions can only be "
             "center aligned"});
        row("caption beside a picture", true, "Picture=1 PictureAlign=1 CaptionAlign=0",
            "CaptionAlign=0");
        row("custom click of a plain shape", true, "CustomClick=1", "CustomClick=1",
            {"This property has no effect unless the Button Shape is a custom shape."});
        row("no focus rectangle on the default, run time", false, "Default=1 ShowFocusRect=0",
            "Default=0");
        row("no focus rectangle on the default", true, "Default=1 ShowFocusRect=0", "Default=1",
            {"The focus rectangle may appear on default buttons ONLY while in design mode, \r\nbut "
             "will not appear when the form is running."});
        // A mouse icon must be an icon or a cursor, at run time too; the one set stays.
        row("mouse icon from a bitmap, run time", false, "MouseIcon=2 MouseIcon=1",
            "MousePointer=99", {"Invalid property value"});
    }

    // Properties that refuse or couple values, and the advice given at design time.
    void propertiesCoupleAndAdviseAtDesignTime()
    {
        QFETCH(bool, design);
        QFETCH(QString, changes);
        QFETCH(QString, result);
        QFETCH(QStringList, advice);
        using B = rkButtons_H*;
        const auto picture = [](int v) {
            return v == 0 ? platform::Picture() : v == 1 ? samplePicture() : icon();
        };
        const QHash<QString, std::function<void(B, int)>> set = {
            {"Value", [](B b, int v) { b->setValue(v != 0); }},
            {"Mode", [](B b, int v) { b->setMode(static_cast<Behaviour>(v)); }},
            {"PictureSize", [](B b, int v) { b->setPictureSize(v); }},
            {"ButtonShape", [](B b, int v) { b->setButtonShape(static_cast<Outline>(v)); }},
            {"CaptionAlign", [](B b, int v) { b->setCaptionAlign(static_cast<CaptionPlace>(v)); }},
            {"PictureAlign", [](B b, int v) { b->setPictureAlign(static_cast<PicturePlace>(v)); }},
            {"CustomClick", [](B b, int v) { b->setCustomClick(static_cast<ClickShift>(v)); }},
            {"ShowFocusRect", [](B b, int v) { b->setShowFocusRect(v != 0); }},
            {"Default", [](B b, int v) { AmbientProperties::setDisplayAsDefault(b, v != 0); }},
            {"Picture", [picture](B b, int v) { b->setPicture(picture(v)); }},
            {"MouseIcon", [picture](B b, int v) { b->setMouseIcon(picture(v)); }}};

        rkButtons_H* b = button();
        AmbientProperties::setDesignMode(design);
        for (const QString& change : changes.split(QLatin1Char(' '))) {
            const QStringList nameValue = change.split(QLatin1Char('='));
            QVERIFY2(set.contains(nameValue[0]), qPrintable(change));
            set[nameValue[0]](b, nameValue[1].toInt());
        }
        QStringList texts;
        for (const platform::MessageBoxRequest& box : m_boxes->boxes()) {
            QCOMPARE(box.icon, platform::MessageIcon::Information);
            texts << box.text;
        }
        QCOMPARE(texts, advice);
        QCOMPARE(properties(b, result), result);
    }

    // The hover colours follow the colours until set themselves; with a gradient the hover back
    // colour follows the gradient colour, which locks it. Resetting the default colours is for
    // design time only.
    void hoverColoursFollowUntilLocked()
    {
        rkButtons_H* b = button();
        b->setForeColor(rgb(1, 2, 3));
        QCOMPARE(b->HoverForeColor(), rgb(1, 2, 3));
        b->setHoverForeColor(rgb(9, 9, 9));
        QCOMPARE(b->HoverColorLocks(), 2);
        b->setForeColor(rgb(4, 5, 6));
        QCOMPARE(b->HoverForeColor(), rgb(9, 9, 9));

        b->setBackColor(rgb(200, 0, 0));
        QCOMPARE(b->HoverBackColor(), rgb(200, 0, 0));
        b->setGradientColor(rgb(0, 0, 200));
        b->setGradientMode(paint::GradientDirection::LeftToRight);
        QCOMPARE(b->HoverBackColor(), rgb(0, 0, 200));
        b->setBackColor(rgb(100, 0, 0));
        QCOMPARE(b->HoverBackColor(), rgb(0, 0, 200));
        QCOMPARE(b->HoverColorLocks(), 3);
        b->setGradientColor(rgb(0, 200, 0));
        QCOMPARE(b->HoverBackColor(), rgb(0, 0, 200));
        // Unlocking resets the unlocked colours.
        b->setHoverColorLocks(0);
        QCOMPARE(QList<OleColor>({b->HoverBackColor(), b->HoverForeColor()}),
                 QList<OleColor>({rgb(0, 200, 0), rgb(4, 5, 6)}));
        b->setGradientMode(paint::GradientDirection::None);
        QCOMPARE(b->HoverBackColor(), rgb(100, 0, 0));

        b->setHoverForeColor(rgb(2, 2, 2));
        b->setResetDefaultColors(true); // run time: nothing
        QCOMPARE(b->BackColor(), rgb(100, 0, 0));
        AmbientProperties::setDesignMode(true);
        b->setGradientMode(paint::GradientDirection::TopToBottom);
        b->setResetDefaultColors(true);
        QCOMPARE(QList<qint64>({b->BackColor(), b->ForeColor(), b->HoverForeColor(),
                                qint64(b->GradientMode()), b->HoverColorLocks(),
                                b->ResetDefaultColors()}),
                 QList<qint64>({kButtonFace, kButtonText, kButtonText, 0, 0, false}));
        QVERIFY(!b->isDrawingDelayed());
    }

    // The face follows the system's colour scheme; rounded corners the container's colour.
    // Delayed drawing shows nothing new until it resumes (that is, the button is refreshed); an
    // outline resized meanwhile follows when it resumes.
    void faceFollowsColoursAndDelayedDrawing()
    {
        rkButtons_H* b = button();
        b->setCaption(QString());
        const QPalette original = QApplication::palette();
        QPalette scheme = original;
        scheme.setColor(QPalette::Active, QPalette::Button, QColor(12, 140, 34));
        QApplication::setPalette(scheme);
        b->Refresh();
        QCOMPARE(b->presentedImage().pixel(50, 15), qRgb(12, 140, 34));
        QApplication::setPalette(original);

        b->setButtonStyle(FaceStyle::Rounded);
        QCOMPARE(b->presentedImage().pixel(0, 0), kContainerColor);
        QPalette palette = m_container->palette();
        palette.setColor(QPalette::Window, QColor(200, 10, 10));
        m_container->setPalette(palette);
        QCOMPARE(b->presentedImage().pixel(0, 0), qRgb(200, 10, 10));

        b->DelayDrawing(true);
        const QImage before = b->presentedImage();
        b->setBackColor(rgb(0, 200, 0));
        b->setButtonStyle(FaceStyle::Flat);
        QCOMPARE(b->presentedImage(), before);
        b->DelayDrawing(false);
        QCOMPARE(b->presentedImage().pixel(50, 15), qRgb(0, 200, 0));

        b->setButtonShape(Outline::Oval);
        b->DelayDrawing(true);
        b->resize(120, 40);
        QCOMPARE(b->mask().boundingRect(), QRect(0, 0, 100, 30));
        b->DelayDrawing(false);
        QCOMPARE(b->mask().boundingRect(), QRect(0, 0, 120, 40));
        QCOMPARE(b->presentedImage().size(), QSize(120, 40));
    }

    // Every key written is read back; values at their defaults are not written. Damaged or
    // missing values load as their defaults, the hover colour as the back colour and the back
    // colour as the container's; a stored pointer wins over the icon's.
    void storedFormatRoundTripsAndSurvivesDamage()
    {
        rkButtons_H* b = button();
        b->setCaption("&Save");
        b->setButtonStyle(FaceStyle::Rounded);
        b->setForeColor(rgb(1, 2, 3));
        b->setHoverForeColor(rgb(4, 5, 6));
        b->setBackColor(rgb(7, 8, 9));
        b->setHoverBackColor(rgb(10, 11, 12));
        b->setShowFocusRect(false);
        b->setGradientColor(rgb(13, 14, 15));
        b->setGradientMode(paint::GradientDirection::BottomToTop);
        b->setCaptionStyle(CaptionRelief::Embossed);
        b->setMode(Behaviour::Check);
        b->setValue(true);
        b->setCustomClick(ClickShift::Right);
        b->setPictureAlign(PicturePlace::BesideCaptionRight);
        b->setPicture(samplePicture());
        b->setPictureSize(3);
        b->setEnabled(false);
        b->setMousePointer(11);
        b->setFontStyle(4);
        b->setButtonShape(Outline::SlantedBoth);
        b->setCaptionAlign(CaptionPlace::Left);
        b->setHoverColorLocks(3);

        platform::PropertyBag bag;
        b->UserControl_WriteProperties(bag);
        QVERIFY(bag.contains("cBhover"));

        rkButtons_H* copy = button(QRect(10, 50, 100, 30), "copy");
        copy->UserControl_ReadProperties(bag);
        // Every key was read: one left at its default would be missing when saved again.
        platform::PropertyBag again;
        copy->UserControl_WriteProperties(again);
        QCOMPARE(again.toJson(), bag.toJson());
        QCOMPARE(copy->AccessKeys(), "S");
        QCOMPARE(copy->Picture().image(), b->Picture().image());
        QVERIFY(copy->Value() && !copy->isEnabled() && copy->font().italic());
        // Values at their defaults are not written, except Mode, Value, cBack and Font; a new
        // button shows its name.
        rkButtons_H* fresh = button(QRect(10, 90, 100, 30), "fresh");
        QCOMPARE(fresh->Caption(), "fresh");
        fresh->setCaption(QString());
        platform::PropertyBag defaults;
        fresh->UserControl_WriteProperties(defaults);
        QStringList keys = defaults.toJson().keys();
        keys.sort();
        QCOMPARE(keys, (QStringList{"Font", "Mode", "Value", "cBack"}));

        const qint64 red = rgb(255, 0, 0);
        const qint64 container = platform::fromQColor(QColor::fromRgb(kContainerColor));
        const std::pair<const char*, QString> rows[] = {
            // Damaged: a custom shape needs its picture.
            {R"({"BackStyle": 42, "Shape": 7, "Mode": -3, "ImgSize": 20, "Value": true,
                 "CapAlign": "left"})",
             "ButtonStyle=0 ButtonShape=0 Mode=0 Value=0 ImgSize=16 CaptionAlign=2"},
            // "cBHover" is found under any case; a missing one is the loaded back colour.
            {R"({"Mode": 0, "Value": false, "cBack": "0x000000FF", "CBHOVER": "0x0000FF00"})",
             QStringLiteral("BackColor=%1 HoverBackColor=%2").arg(red).arg(rgb(0, 255, 0))},
            {R"({"cBack": "0x000000FF"})", QStringLiteral("HoverBackColor=%1").arg(red)},
            // Without "cBack" the button takes its container's colour.
            {"{}", QStringLiteral("BackColor=%1 CaptionAlign=2 ShowFocusRect=1 ImgSize=16")
                       .arg(container)},
        };
        for (const auto& [stored, result] : rows) {
            platform::EventLogCapture log;
            rkButtons_H* b = button();
            b->UserControl_ReadProperties(
                platform::PropertyBag(QJsonDocument::fromJson(stored).object()));
            QCOMPARE(properties(b, result), result);
            QVERIFY(!b->presentedImage().isNull());
            delete b;
        }
        // The icon is applied before the pointer, which wins even when it is not stored.
        platform::PropertyBag icons;
        icons.writePicture("mIcon", icon());
        icons.writeInteger("mPointer", 2, 0);
        rkButtons_H* pointer = button();
        pointer->UserControl_ReadProperties(icons);
        QCOMPARE(pointer->MousePointer(), 2);
        QVERIFY(!pointer->MouseIcon().isNull());
        icons.remove("mPointer");
        pointer->UserControl_ReadProperties(icons);
        QCOMPARE(pointer->MousePointer(), 0);
    }

    // A slanted button widens itself: 20 wide becomes 30, 28 becomes 33, 29 stays. A custom
    // shape takes its picture's size fitted into the button, masked by its outline. Pressed, a
    // command button of a custom shape moves by a pixel, a check button stays.
    void slantedButtonsWidenAndCustomShapesFollowPicture()
    {
        for (const auto& [width, expected] : {std::pair{20, 30}, {28, 33}, {29, 29}}) {
            rkButtons_H* b = button(QRect(10, 10, width, 23));
            b->setButtonShape(Outline::SlantedRight);
            QCOMPARE(b->size(), QSize(expected, 23));
            QCOMPARE(b->outline().rightEdge, expected - 24);
            QCOMPARE(b->presentedImage().size(), b->size());
            QVERIFY(!b->isDrawingDelayed());
            delete b;
        }

        rkButtons_H* wide = button(QRect(10, 10, 100, 100), "wide");
        wide->setPicture(bitmap(discPicture(QSize(64, 32))));
        wide->setButtonShape(Outline::Custom);
        QCOMPARE(wide->size(), QSize(100, 50));
        QCOMPARE(wide->mask(), wide->outline().window);
        QCOMPARE(wide->presentedImage().size(), QSize(100, 50));
        delete wide;

        const std::tuple<int, int, int, QPoint> rows[] = {{8, 4, 0, QPoint(1, 1)},
                                                          {7, 6, 1, QPoint(0, 0)}};
        for (const auto& [shape, click, mode, shift] : rows) {
            rkButtons_H* b = button(QRect(50, 50, 40, 40));
            b->setPicture(bitmap(discPicture(QSize(40, 40))));
            b->setButtonShape(static_cast<Outline>(shape));
            b->setCustomClick(static_cast<ClickShift>(click));
            b->setMode(static_cast<Behaviour>(mode));
            const QPoint home = b->pos();
            hover(b);
            QTest::mousePress(b, Qt::LeftButton);
            QCOMPARE(b->pos(), home + shift);
            QCOMPARE(bool(b->StateFlags() & rkButtons_H::kStateShifted), !shift.isNull());
            QTest::mouseRelease(b, Qt::LeftButton);
            QCOMPARE(b->pos(), home);
            QVERIFY(!(b->StateFlags() & rkButtons_H::kStateShifted));
            // Leaving while pressed moves it back as well.
            hover(b);
            QTest::mousePress(b, Qt::LeftButton);
            QCOMPARE(b->pos(), home + shift);
            pointAway();
            QTRY_COMPARE(b->pos(), home);
            QTest::mouseRelease(b, Qt::LeftButton);
            QCOMPARE(b->pos(), home);
            delete b;
        }
    }

    void hoverEntersOnceAndLeavesAlsoWhileHeld()
    {
        rkButtons_H* b = button();
        b->setCaption(QString());
        b->setHoverBackColor(rgb(255, 255, 0));
        QSignalSpy hovers(b, &rkButtons_H::MouseOnButton);
        QSignalSpy moves(b, &rkButtons_H::MouseMove);
        const QImage normal = b->presentedImage();

        sendMove(b, QPoint(20, 10));
        sendMove(b, QPoint(30, 12));
        sendMove(b, QPoint(40, 14));
        QCOMPARE(moves.count(), 3);
        QCOMPARE(hovers.count(), 1);
        QCOMPARE(hovers.first().first().toBool(), true);
        QVERIFY(b->Hovering());
        QVERIFY(b->presentedImage() != normal);
        QCOMPARE(modRkTimer::timerInterval(b, modRkTimer::kHoverTimerId), 50);
        pointAway();
        QTRY_COMPARE(hovers.count(), 2);
        QCOMPARE(hovers.last().first().toBool(), false);
        QVERIFY(!b->Hovering());
        QVERIFY(!modRkTimer::isTimerActive(b, modRkTimer::kHoverTimerId));
        QCOMPARE(b->presentedImage(), normal);
        // Leaving while held shows the normal face; the release outside clicks nothing.
        hover(b);
        QTest::mousePress(b, Qt::LeftButton);
        QVERIFY(b->PressedLook());
        QVERIFY(b->presentedImage() != normal);
        pointAway();
        QTRY_VERIFY(!b->Hovering());
        QVERIFY(!b->PressedLook());
        QCOMPARE(b->presentedImage(), normal);
        QSignalSpy clicks(b, &rkButtons_H::Click);
        QTest::mouseRelease(b, Qt::LeftButton, Qt::NoModifier, QPoint(150, 150));
        QCOMPARE(clicks.count(), 0);
    }

    void hoverTimerNeverReachesAMissingButton()
    {
        rkButtons_H* b = button();
        hover(b);
        QVERIFY(modRkTimer::isTimerActive(b, modRkTimer::kHoverTimerId));
        delete b;
        // A witness hovered now ticks after any tick of the deleted button's timer would have
        // come: nothing may reach the deleted button meanwhile.
        rkButtons_H* witness = button(QRect(10, 50, 100, 30), "witness");
        hover(witness);
        pointAway();
        QTRY_VERIFY(!witness->Hovering());

        QWidget stranger;
        modRkTimer::HoverTimerProc(&stranger, modRkTimer::kTimerMessage, 237, 0);
        props::setObject(&stranger, "rk_ClassID", &stranger);
        modRkTimer::HoverTimerProc(&stranger, modRkTimer::kTimerMessage, 237, 0);
        // A window that is not a button is left as it was: its reference borrowed, not
        // released, and no timer started on it.
        QCOMPARE(props::object(&stranger, "rk_ClassID"), &stranger);
        QVERIFY(!modRkTimer::isTimerActive(&stranger, modRkTimer::kHoverTimerId));
    }

    // The events of a click by mode and by mouse button, Space or a double click. Check and
    // option buttons raise KeyUp before the click and not again after it; command buttons
    // click first. The second press of a double click is replaced by the double click, whose
    // release clicks no more.
    void clickRaisesItsEventsInOrder_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("events");
        QTest::addColumn<bool>("value");
        const char* left = "MouseDown 1, MouseUp 1, Click";
        const char* keyUpFirst = "KeyDown 32, KeyUp 32, Click";
        const char* twice = "MouseDown 1, MouseUp 1, Click, DoubleClick 1, MouseDown 1, MouseUp 1";
        QTest::newRow("command, left") << 0 << "left" << left << false;
        QTest::newRow("command, right") << 0 << "right"
                                        << "MouseDown 2, MouseUp 2" << false;
        QTest::newRow("check, left") << 1 << "left" << left << true;
        // The press gives an unset option the focus, which selects it: the release clicks
        // no more.
        QTest::newRow("option, left") << 2 << "left"
                                      << "Click, MouseDown 1, MouseUp 1" << true;
        QTest::newRow("command, Space") << 0 << "Space"
                                        << "KeyDown 32, Click, KeyUp 32" << false;
        QTest::newRow("check, Space") << 1 << "Space" << keyUpFirst << true;
        QTest::newRow("option, Space") << 2 << "Space" << keyUpFirst << true;
        QTest::newRow("command, double click") << 0 << "double" << twice << false;
        // A check button toggles once and looks released.
        QTest::newRow("check, double click") << 1 << "double" << twice << true;
    }

    void clickRaisesItsEventsInOrder()
    {
        QFETCH(int, mode);
        QFETCH(QString, action);
        QFETCH(QString, events);
        QFETCH(bool, value);
        rkButtons_H* b = button();
        b->setMode(static_cast<Behaviour>(mode));
        recordEvents(b);
        const Qt::MouseButton mouse = action == "right" ? Qt::RightButton : Qt::LeftButton;
        if (action == "Space") {
            QTest::keyPress(b, Qt::Key_Space);
            // Drawn as pressed under the mouse, which is elsewhere.
            QVERIFY(b->PressedLook());
            QVERIFY(b->StateFlags() & rkButtons_H::kStatePressed);
            QVERIFY(!(b->StateFlags() & rkButtons_H::kStateHover));
            QTest::keyRelease(b, Qt::Key_Space);
        } else if (action == "double") {
            // Press, release, the second press the system reports as a double click, release.
            hover(b);
            const QPointF at(b->rect().center());
            const auto send = [b, at](QEvent::Type type, Qt::MouseButtons held) {
                QMouseEvent event(type, at, b->mapToGlobal(at), Qt::LeftButton, held, {});
                QApplication::sendEvent(b, &event);
            };
            send(QEvent::MouseButtonPress, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
            const QImage afterFirstClick = b->presentedImage();
            send(QEvent::MouseButtonDblClick, Qt::LeftButton);
            send(QEvent::MouseButtonRelease, Qt::NoButton);
            QCOMPARE(b->presentedImage(), afterFirstClick);
        } else {
            hover(b);
            QTest::mousePress(b, mouse);
            QTest::mouseRelease(b, mouse);
        }
        QCOMPARE(m_log.join(", "), events);
        QCOMPARE(b->Value(), value);
        QVERIFY(!b->PressedLook());
        QCOMPARE(b->LastMouseButton(), mouse == Qt::RightButton ? 2 : 1);
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

    void faceStylesMatchTheirReferenceSheets_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QList<int>>("shapes");
        QTest::addColumn<QSize>("cell");
        for (int style = 0; style <= 7; ++style) {
            QTest::addRow("style%d", style)
                << style << QList<int>{0, 1, 2, 3, 4, 5, 6} << QSize(100, 34);
        }
        QTest::addRow("custom") << 0 << QList<int>{7, 8} << QSize(48, 48);
        QTest::addRow("custom2") << 2 << QList<int>{7, 8} << QSize(48, 48);
    }

    // A sheet of one face style: a row per outline, a column per state. A channel difference
    // up to 40 counts as equal, and 1 % of the pixels may differ by more: text is
    // anti-aliased and may shift slightly between FreeType builds.
    void faceStylesMatchTheirReferenceSheets()
    {
        QFETCH(int, style);
        QFETCH(QList<int>, shapes);
        QFETCH(QSize, cell);
        constexpr int kGap = 4;
        const int columns = static_cast<int>(State::Count);
        QImage sheet = blank(columns * (cell.width() + kGap) + kGap,
                             int(shapes.size()) * (cell.height() + kGap) + kGap, kContainerColor);
        QPainter painter(&sheet);
        for (int row = 0; row < shapes.size(); ++row) {
            for (int column = 0; column < columns; ++column) {
                painter.drawImage(kGap + column * (cell.width() + kGap),
                                  kGap + row * (cell.height() + kGap),
                                  renderCell(style, shapes[row], State(column), cell));
            }
        }
        painter.end();
        const QString mismatch = referenceimage::mismatch(
            sheet, QStringLiteral(RKBUTTONS_REFERENCE_DIR "/%1.png").arg(QTest::currentDataTag()),
            "PARLANZA_REGENERATE_REFERENCES", 40, sheet.width() * sheet.height() / 100);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
    }
};

QTEST_MAIN(tst_rkButtons_H)
#include "tst_rkButtons_H.moc"
