// The skin: its artwork, error reports and picture contexts, how it paints a form, and how
// the form is moved, sized and given its title-bar controls.

#include "TestFiles.h"
#include "platform/ControlTag.h"
#include "platform/EventLog.h"
#include "platform/Resources.h"
#include "platform/Units.h"
#include "platform/WindowMessages.h"
#include "skin/ClsPictureDC.h"
#include "skin/ClsSkin.h"
#include "skin/ReportError.h"
#include "skin/SkinTestSupport.h"
#include "support/FakeMessageBoxService.h"

#include <QDir>
#include <QLabel>
#include <QTest>
#include <QtEndian>

using skintest::bitmap;
using skintest::painted;
using skintest::solid;

namespace {

// Every piece of the skin with its width and height, and whether it is 8-bit RLE (the scroll
// and progress pieces are).
constexpr std::tuple<const char*, int, int, bool> kPieces[] = {
    {"BACKGROUND", 97, 92, false},   {"TOPLEFT", 31, 46, false},      {"TOPRIGHT", 140, 32, false},
    {"BOTTOMLEFT", 13, 19, false},   {"BOTTOMRIGHT", 14, 22, false},  {"TOPFORM", 60, 32, false},
    {"BOTTOMFORM", 75, 9, false},    {"LEFTFORM", 6, 59, false},      {"RIGHTFORM", 5, 60, false},
    {"CLOSEUP", 21, 21, false},      {"CLOSEDN", 21, 21, false},      {"RESTOREUP", 21, 21, false},
    {"RESTOREDN", 21, 21, false},    {"MINIUP", 21, 20, false},       {"MINIDN", 21, 20, false},
    {"BUTTONUP", 95, 22, false},     {"BUTTONDN", 95, 22, false},     {"CHECKOFF", 12, 12, false},
    {"CHECKON", 12, 12, false},      {"RADIOOFF", 12, 12, false},     {"RADIOON", 12, 12, false},
    {"SBACKGROUND", 273, 74, false}, {"HLEFT", 12, 22, true},         {"HRIGHT", 12, 22, true},
    {"HLEFTUP", 10, 13, true},       {"HLEFTDN", 10, 13, true},       {"HRIGHTUP", 10, 13, true},
    {"HRIGHTDN", 10, 13, true},      {"MHSCROLL", 36, 22, true},      {"THUMB", 14, 13, true},
    {"VSCROLLTOP", 22, 12, true},    {"VSCROLLBOTTOM", 22, 12, true}, {"VMIDSCROLL", 22, 36, true},
    {"VUPUP", 13, 10, true},         {"VUPDN", 13, 10, true},         {"VDNUP", 13, 10, true},
    {"VDNDN", 13, 10, true},         {"VTHUMB", 13, 14, true},        {"HBPROGLEFT", 19, 19, true},
    {"HBPROGRIGHT", 19, 19, true},   {"HBPROGMID", 60, 19, true},     {"HPROGRESS", 109, 14, true},
    {"VPROGUP", 19, 19, true},       {"VPROGDN", 19, 19, true},       {"VBPROGMID", 19, 60, true},
    {"VPROGRESS", 14, 109, true},
};

// Gives the widget its tag and, when one is given, its place.
template <typename Widget> Widget* tagged(Widget* widget, const char* tag, QRect geometry = {})
{
    platform::setControlTag(widget, QString::fromLatin1(tag));
    if (geometry.isValid()) {
        widget->setGeometry(geometry);
    }
    return widget;
}

// A borderless form with the three title-bar buttons, a caption label and a control kept
// at the top-left corner, all found by their tags.
struct SkinnedForm
{
    SkinnedForm(Qt::WindowFlags flags = Qt::FramelessWindowHint) : form(nullptr, Qt::Window | flags)
    {
        form.setWindowTitle("Speech");
        form.resize(300, 200);
        skin.setTheForm(&form);
    }
    QImage shot() { return form.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Records the form's messages and answers them, so no move or sizing loop starts.
    void recordMessages()
    {
        platform::setWindowProcedure(&form, [this](QWidget*, const platform::WindowMessage& m) {
            messages.append(m);
            return qintptr(0);
        });
    }

    QList<platform::WindowMessage> messages; // outlives the form and its procedure
    QWidget form;
    QList<QWidget*> buttons{tagged(new QWidget(&form), "TOPCLOSE", QRect(0, 0, 21, 21)),
                            tagged(new QWidget(&form), "RESTORE", QRect(0, 0, 21, 21)),
                            tagged(new QWidget(&form), "MINIMISE", QRect(0, 0, 21, 21))};
    QLabel* caption = tagged(new QLabel(&form), "LblCaption");
    QWidget* corner = tagged(new QWidget(&form), "TOPLEFT", QRect(10, 10, 5, 5));
    skin::ClsSkin skin;
};

} // namespace

class tst_ClsSkin : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { platform::setTwipsPerPixelOverride(15.0); }

    void everyPieceIsStoredWithItsSizeAndFormat()
    {
        QStringList expected;
        for (const auto& [name, width, height, rle8] : kPieces) {
            expected.append(name + QStringLiteral(".bmp"));
            const QByteArray data = testfiles::read(":/bitmaps/" + expected.last());
            QVERIFY2(data.size() >= 54 && data.startsWith("BM"), name);
            // Stored bottom-up: a positive height. 8-bit RLE or 24-bit plain pixels.
            const auto* header = reinterpret_cast<const uchar*>(data.constData());
            QCOMPARE(qFromLittleEndian<qint32>(header + 22), height);
            QCOMPARE(qFromLittleEndian<quint16>(header + 28), quint16(rle8 ? 8 : 24));
            QCOMPARE(qFromLittleEndian<quint32>(header + 30), quint32(rle8 ? 1 : 0));
            QCOMPARE(platform::resources::bitmap(name).value_or(QImage()).size(),
                     QSize(width, height));
        }
        expected.sort();
        QCOMPARE(QDir(":/bitmaps").entryList(QDir::Files), expected);
    }

    // Extra text goes on its own line; the log entry takes the kind of report.
    void errorReportShowsABoxAndLogsItsKind()
    {
        using platform::LogLevel;
        using skin::LogType;
        const std::tuple<int, const char*, const char*, LogType, LogLevel, const char*> rows[] = {
            {11, "Division by zero", "", LogType::Error, LogLevel::Error,
             "ERROR  11 - Division by zero"},
            {326, "Resource with identifier 'THUMB' not found", "while loading the track",
             LogType::Warning, LogLevel::Warning,
             "ERROR  326 - Resource with identifier 'THUMB' not found\nwhile loading the track"},
            {5, "Invalid procedure call", "", LogType::Information, LogLevel::Information,
             "ERROR  5 - Invalid procedure call"}};
        for (const auto& [number, description, extra, logType, level, text] : rows) {
            const QString title = QStringLiteral("ERROR - %1 - TileBlt - ClsSkin").arg(number);
            support::FakeMessageBoxService boxes;
            platform::EventLogCapture log;
            skin::ReportError(number, description, "TileBlt", "ClsSkin", logType, extra);
            QCOMPARE(boxes.boxes().size(), 1);
            const platform::MessageBoxRequest& box = boxes.boxes().first();
            QCOMPARE(QVariantList({box.title, box.text, int(box.icon), int(box.buttons)}),
                     QVariantList({title, text, int(platform::MessageIcon::Exclamation),
                                   int(platform::MessageButtons::Ok)}));
            QCOMPARE(log.entries().size(), 1);
            QCOMPARE(log.entries().first().level, level);
            QCOMPARE(log.entries().first().text, title + ": " + text);
        }
    }

    void pictureContextHoldsTheLastBitmapAttached()
    {
        QImage marked = solid(QSize(4, 3), qRgb(9, 9, 9));
        marked.setPixel(1, 1, qRgb(0x12, 0x34, 0x56));
        const QImage thin = solid(QSize(1, 5), qRgb(1, 2, 3)), black = solid(QSize(7, 2), 0);
        // Bitmaps handed over, each through setPictBitmap (true) or setStdBitmap. Nothing
        // attached; a picture takes the colour of its pixel (1, 1), one without it none; a
        // second attach replaces the first, a bitmap keeping the colour set before; a null
        // bitmap releases it.
        const std::tuple<QList<std::pair<bool, QImage>>, QSize, platform::OleColor> rows[] = {
            {{}, QSize(0, 0), 0u},
            {{{true, thin}}, QSize(1, 5), skin::ClsPictureDC::kInvalidColor},
            {{{true, marked}, {false, black}}, QSize(7, 2), platform::rgb(0x12, 0x34, 0x56)},
            {{{false, marked}, {false, QImage()}}, QSize(0, 0), 0u}};
        for (const auto& [attaches, size, transColor] : rows) {
            skin::ClsPictureDC dc;
            QImage given;
            for (const auto& [pict, image] : attaches) {
                given = image.copy();
                pict ? dc.setPictBitmap(given) : dc.setStdBitmap(given);
            }
            const bool held = !size.isEmpty();
            QCOMPARE(QList<qint64>({dc.Width(), dc.Height(), dc.bmType(), dc.Bits(),
                                    dc.WidthBytes(), dc.Planes(), dc.BitsPerPixel(),
                                    dc.TransColor(), dc.hDC() != nullptr}),
                     QList<qint64>({size.width(), size.height(), 0, 0, 4 * qint64(size.width()),
                                    held ? 1 : 0, held ? 32 : 0, transColor, held}));
            if (!held) {
                continue;
            }
            // The context holds the last bitmap alone, ready for copies; the giver's is its own.
            QCOMPARE(dc.hDC()->format(), QImage::Format_RGB32);
            QCOMPARE(dc.hDC()->convertToFormat(given.format()), given);
            given.fill(Qt::white);
            QVERIFY(dc.hDC()->pixel(0, 0) != qRgb(255, 255, 255));
        }
    }

    // The background tile repeats with inclusive bounds; the frame's pieces go in their order.
    void tileRepeatsWithInclusiveBoundsAndFramePiecesLieInOrder()
    {
        QImage tile(4, 3, QImage::Format_RGB32);
        for (int i = 0; i < 12; ++i) {
            tile.setPixel(i % 4, i / 4, qRgb(10 + i % 4, 20 + i / 4, 30));
        }
        skin::ClsSkin skin;
        skin.setPieceBitmap(skin::ClsSkin::Background, tile);
        // An exact multiple of the tile still gets an extra column, one pixel less does not.
        for (const auto& [clientWidth, columnsDrawn] : {std::pair{8, 3}, {7, 2}}) {
            // The painter is not clipped to the client, so the extra column shows.
            const QImage target = painted(QSize(20, 12), [&, width = clientWidth](QPainter& dc) {
                skin.TileBlt(dc, QRect(0, 0, width, 6), &skin.picture(skin::ClsSkin::Background));
            });
            for (int x = 0; x < 20; ++x) {
                const bool drawn = x < columnsDrawn * 4;
                QCOMPARE(target.pixel(x, 7), drawn ? tile.pixel(x % 4, 7 % 3) : qRgb(0, 0, 0));
            }
            // 6 / 3 = 2 rows, plus the inclusive one: rows up to y 8.
            QCOMPARE(target.pixel(0, 8), tile.pixel(0, 2));
            QCOMPARE(target.pixel(0, 9), qRgb(0, 0, 0));
        }
        // Missing pieces draw nothing; then the frame.
        skin::ClsSkin framed;
        const QRect all(0, 0, 20, 12);
        const QImage untouched = painted(all.size(), [&](QPainter& dc) {
            framed.TileBlt(dc, all, &framed.picture(skin::ClsSkin::Background));
            framed.TileBlt(dc, all, nullptr);
            framed.CopyToFormCorner(dc, all);
        });
        QCOMPARE(untouched, solid(all.size(), qRgb(0, 0, 0)));
        // The frame: each edge is stretched to the client at its own thickness; the left and
        // right edges lie over the top and bottom ones; the corners lie over everything,
        // copied 1:1.
        const QRgb top = qRgb(255, 0, 0), bottom = qRgb(0, 255, 0), right = qRgb(0, 0, 255),
                   left = qRgb(255, 255, 0), topLeft = qRgb(1, 1, 1), topRight = qRgb(2, 2, 2),
                   bottomLeft = qRgb(3, 3, 3), bottomRight = qRgb(4, 4, 4), back = qRgb(9, 9, 9);
        framed.setPieceBitmap(skin::ClsSkin::TopForm, solid(QSize(1, 4), top));
        framed.setPieceBitmap(skin::ClsSkin::BottomForm, solid(QSize(1, 3), bottom));
        framed.setPieceBitmap(skin::ClsSkin::RightForm, solid(QSize(5, 1), right));
        framed.setPieceBitmap(skin::ClsSkin::LeftForm, solid(QSize(4, 1), left));
        framed.setPieceBitmap(skin::ClsSkin::TopLeft, solid(QSize(2, 2), topLeft));
        framed.setPieceBitmap(skin::ClsSkin::TopRight, solid(QSize(2, 1), topRight));
        framed.setPieceBitmap(skin::ClsSkin::BottomLeft, solid(QSize(1, 2), bottomLeft));
        framed.setPieceBitmap(skin::ClsSkin::BottomRight, solid(QSize(3, 2), bottomRight));
        const QImage frame = painted(
            QSize(20, 16), [&](QPainter& dc) { framed.CopyToFormCorner(dc, QRect(0, 0, 20, 16)); },
            back);
        const std::tuple<int, int, QRgb> expected[] = {
            {10, 0, top},      {10, 3, top},          {10, 4, back},         {10, 13, bottom},
            {10, 12, back},    {15, 8, right},        {14, 8, back},         {3, 8, left},
            {4, 8, back},      {16, 2, right},        {16, 14, right},       {3, 2, left},
            {3, 14, left},     {0, 0, topLeft},       {1, 1, topLeft},       {2, 1, left},
            {18, 0, topRight}, {19, 0, topRight},     {18, 1, right},        {0, 14, bottomLeft},
            {1, 14, left},     {17, 14, bottomRight}, {19, 15, bottomRight}, {16, 15, right},
        };
        for (const auto& [x, y, colour] : expected) {
            QVERIFY2(frame.pixel(x, y) == colour, qPrintable(QString::asprintf("at %d, %d", x, y)));
        }
    }

    // Hovering finds the edge and shows its pointer; a press then moves or sizes the form.
    void hoverAndPressMoveOrSize()
    {
        using namespace platform;
        // A form of 300 x 200 pixels, 4500 x 3000 twips; the band is 60 twips. The last row is
        // just above the bottom band.
        const std::tuple<double, double, int, Qt::CursorShape> rows[] = {
            {60, 60, HTTOPLEFT, Qt::SizeFDiagCursor},
            {61, 60, HTTOP, Qt::SizeVerCursor},
            {4440, 60, HTTOPRIGHT, Qt::SizeBDiagCursor},
            {4439, 60, HTTOP, Qt::SizeVerCursor},
            {60, 2940, HTBOTTOMLEFT, Qt::SizeBDiagCursor},
            {4440, 2940, HTBOTTOMRIGHT, Qt::SizeFDiagCursor},
            {4450, 1500, HTRIGHT, Qt::SizeHorCursor},
            {60, 61, HTLEFT, Qt::SizeHorCursor},
            {61, 61, HTCLIENT, Qt::ArrowCursor},
            {2250, 2940, HTBOTTOM, Qt::SizeVerCursor},
            {2250, 2939, HTCLIENT, Qt::ArrowCursor}};
        for (const auto& [x, y, hit, pointer] : rows) {
            // A mouse move keeps the hit code and shows its pointer; without resizing the
            // pointer never changes and no hit code is kept.
            SkinnedForm skinned, fixed;
            skinned.form.setCursor(Qt::WaitCursor);
            fixed.skin.setResizeFormAllow(false);
            skinned.skin.TheForm_MouseMove(Qt::NoButton, x, y);
            fixed.skin.TheForm_MouseMove(Qt::NoButton, x, y);
            QCOMPARE(QList<int>({skinned.skin.resizeHitCode(), skinned.form.cursor().shape(),
                                 fixed.skin.resizeHitCode(), fixed.form.cursor().shape()}),
                     QList<int>({hit, pointer, 0, Qt::ArrowCursor}));
        }
        // After a move to (moveX, moveY), a press at pressY: in the band, which runs to 250
        // twips, also over the left edge; at 251 over the client and over the right edge; at 59
        // over the top; at an edge without sizing; in the band without moving. Hit 0: nothing
        // is sent.
        const std::tuple<bool, bool, double, double, double, int> presses[] = {
            {true, true, 2000, 1500, 250, HTCAPTION}, {true, true, 30, 200, 200, HTCAPTION},
            {true, true, 2000, 1500, 251, 0},         {true, true, 4470, 1500, 251, HTRIGHT},
            {true, true, 2000, 30, 59, HTTOP},        {true, false, 4470, 1500, 1000, 0},
            {false, true, 2000, 1500, 100, 0}};
        for (const auto& [moveAllowed, resizeAllowed, moveX, moveY, pressY, hit] : presses) {
            SkinnedForm skinned;
            skinned.recordMessages();
            skinned.skin.setMoveFormAllow(moveAllowed);
            skinned.skin.setResizeFormAllow(resizeAllowed);
            skinned.skin.TheForm_MouseMove(Qt::NoButton, moveX, moveY);
            // The right button never moves or sizes.
            skinned.skin.TheForm_MouseDown(Qt::RightButton, moveX, pressY);
            QVERIFY(skinned.messages.isEmpty());
            skinned.skin.TheForm_MouseDown(Qt::LeftButton, moveX, pressY);
            QCOMPARE(skinned.messages.size(), hit == 0 ? 0 : 1);
            if (hit != 0) {
                QCOMPARE(skinned.messages[0].message, WM_NCLBUTTONDOWN);
                QCOMPARE(int(skinned.messages[0].wParam), hit);
            }
        }
    }

    // A bordered form gets the tile alone and is not moved, sized or laid out. A borderless
    // one gets the frame's pieces at their corners and edges, the tile inside; then the
    // title-bar controls placed, captioned and enabled, and hidden again with the frame.
    void onlyABorderlessFormGetsFrameAndTitleBarControls()
    {
        SkinnedForm bordered{Qt::WindowFlags()};
        bordered.skin.SetFrmPict();
        const QImage plain = bordered.shot(), background = bitmap("BACKGROUND");
        QCOMPARE(QList<QRgb>({plain.pixel(0, 0), plain.pixel(299, 199)}),
                 QList<QRgb>({background.pixel(0, 0), background.pixel(299 % 97, 199 % 92)}));
        bordered.recordMessages();
        bordered.skin.TheForm_MouseMove(Qt::NoButton, 0, 0);
        bordered.skin.TheForm_MouseDown(Qt::LeftButton, 1000, 100);
        bordered.skin.ResizeControls(&bordered.form);
        QCOMPARE(QVariantList({bordered.skin.resizeHitCode(), bordered.messages.size(),
                               bordered.corner->pos()}),
                 QVariantList({0, 0, QPoint(10, 10)}));

        support::FakeMessageBoxService boxes;
        SkinnedForm skinned;
        skinned.skin.SetFrmPict();
        QCOMPARE(boxes.boxes().size(), 0);
        const QImage shot = skinned.shot();
        QCOMPARE(shot.size(), QSize(300, 200));
        QCOMPARE(shot.pixel(5, 5), bitmap("TOPLEFT").pixel(5, 5));
        QCOMPARE(shot.pixel(299 - 20, 30), bitmap("TOPRIGHT").pixel(139 - 20, 30));
        QCOMPARE(shot.pixel(2, 199), bitmap("BOTTOMLEFT").pixel(2, 18));
        QCOMPARE(shot.pixel(299, 199), bitmap("BOTTOMRIGHT").pixel(13, 21));
        // Inside the frame the tile shows, anchored at the client's corner.
        QCOMPARE(shot.pixel(150, 100), background.pixel(150 % 97, 100 % 92));
        QCOMPARE(shot.pixel(100, 10), bitmap("TOPFORM").pixel(100 * 60 / 300, 10));

        skinned.form.resize(400, 250);
        skinned.form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&skinned.form));
        // 400 px = 6000 twips; 6000 - n * 315 - 90 twips; top 55 twips, rounded to 4 px.
        QCOMPARE(QList<QPoint>({skinned.buttons[0]->pos(), skinned.buttons[1]->pos(),
                                skinned.buttons[2]->pos(), skinned.corner->pos()}),
                 QList<QPoint>({{373, 4}, {352, 4}, {331, 4}, {0, 0}}));

        QVERIFY(skinned.caption->isVisible());
        QCOMPARE(skinned.caption->text(), "Speech");
        QCOMPARE(skinned.caption->palette().color(QPalette::WindowText), QColor(74, 10, 167));
        // Each switch enables its own button and no other.
        for (QWidget* button : skinned.buttons) {
            QVERIFY(button->isVisible());
            button->setEnabled(false);
        }
        skinned.skin.setCloseButtonAllow(true);
        skinned.skin.setMinimiseAllow(true);
        QCOMPARE(QList<bool>({skinned.buttons[0]->isEnabled(), skinned.buttons[1]->isEnabled(),
                              skinned.buttons[2]->isEnabled()}),
                 QList<bool>({true, false, true}));
        skinned.skin.setResizeFormAllow(true);
        QVERIFY(skinned.buttons[1]->isEnabled());

        skinned.skin.SetFrmBackPict();
        for (QWidget* button : skinned.buttons) {
            QVERIFY(!button->isVisible());
        }
        QVERIFY(!skinned.caption->isVisible());
        QVERIFY(skinned.corner->isVisible());
    }
};

QTEST_MAIN(tst_ClsSkin)
#include "tst_ClsSkin.moc"
