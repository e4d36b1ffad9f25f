// The image and colour button's drawing without a widget: colour arithmetic and gradients,
// caption layout and access keys, outlines cut from a picture, and the face painter's rules
// for gradients and caption colours. The face styles in every state and outline are checked
// against the reference sheets of tst_rkButtons_H.

#include "DiscPicture.h"
#include "controls/rkbuttons/ButtonLook.h"
#include "controls/rkbuttons/CaptionLayout.h"

#include <QPainter>
#include <QTest>

using platform::rgb;
using namespace rkbuttons;

namespace {

QImage blank(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
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
            if (at(image, x, y) == color) {
                box |= QRect(x, y, 1, 1);
            }
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

} // namespace

Q_DECLARE_METATYPE(ShiftRow)
Q_DECLARE_METATYPE(LayoutRow)

class tst_rkButtonsLook : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shiftColor_data()
    {
        QTest::addColumn<ShiftRow>("row");
        // Green and blue are scaled by 255 and 65280: components of 128 and above come out
        // one higher than a plain shift.
        const OleColor white = paint::kWhite;
        const ShiftRow rows[] = {
            {"white darker", white, -32, false, false, false, rgb(223, 224, 224)},
            {"low green exact", rgb(10, 100, 50), 5, false, false, false, rgb(15, 105, 55)},
            {"high green one up", rgb(0, 200, 0), 0, false, false, false, rgb(0, 201, 0)},
            {"clamped high", white, 48, false, false, false, white},
            {"clamped low", rgb(10, 10, 10), -40, false, false, false, 0},
            // Scaled blue: B0 = 225 (0xE0 * 65536 / 65280 rounded), shift * B0 / 192 = -37.5,
            // truncated to -37.
            {"scale blue", rgb(0, 0, 0xE0), -32, true, false, false, rgb(0, 0, 225 - 37)},
            {"scale blue no blue", rgb(100, 0, 0), 48, true, false, false, rgb(148, 48, 0)},
            {"invert", rgb(10, 20, 30), 0, false, false, true, rgb(245, 235, 225)},
            {"black retries lighter", rgb(10, 10, 10), -40, false, true, false, rgb(50, 50, 50)},
            {"white retries darker", white, 10, false, true, false, rgb(245, 246, 246)},
            {"zero shift on white becomes 64, then -64", white, 0, false, true, false,
             rgb(191, 192, 192)},
            // White by +300 and by -300 are both extremes: the retries end after the third try.
            {"both signs extreme still returns", white, 300, false, true, false, white},
        };
        for (const ShiftRow& row : rows) {
            QTest::newRow(row.name) << row;
        }
    }

    void shiftColor()
    {
        QFETCH(ShiftRow, row);
        QCOMPARE(
            paint::ShiftColor(row.color, row.shift, row.scaleBlue, row.avoidExtremes, row.invert),
            row.expected);
    }

    void gradientRampAndClip()
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
    void gradientBands()
    {
        const std::tuple<int, QSize, int, int> rows[] = {{2, QSize(100, 20), 1024, 1},
                                                         {1, QSize(300, 20), 1024, 2},
                                                         {3, QSize(20, 100), 768, 1},
                                                         {4, QSize(20, 201), 768, 2}};
        const OleColor c1 = rgb(0, 0, 255);
        for (const auto& [direction, size, screen, bandWidth] : rows) {
            QImage image = blank(size.width(), size.height());
            paint::drawGradient(image, c1, rgb(255, 0, 0),
                                static_cast<paint::GradientDirection>(direction), screen);
            const bool horizontal = direction <= 2;
            const int length = horizontal ? size.width() : size.height();
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
    void accessKey()
    {
        const std::pair<const char*, const char*> rows[] = {
            {"&Open", "O"},   {"Se&lect All", "l"}, {"Cut && Paste", ""}, {"&Save && Exit", "S"},
            {"A && &B", "B"}, {"Open&", ""},        {"Open", ""},         {"&a &b", "b"}};
        for (const auto& [caption, key] : rows) {
            QCOMPARE(rkbuttons::accessKey(QString::fromLatin1(caption)), QLatin1String(key));
        }
    }

    // On a 160 x 40 button the caption's room is 3 pixels in from each side; a picture of
    // up to 32 pixels takes its width from that room, a larger one lies under the caption.
    // Beside the caption, the picture keeps a four-pixel gap and the pair is centred.
    void captionLayout_data()
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

    void captionLayout()
    {
        QFETCH(LayoutRow, row);
        const CaptionLayout layout =
            layoutCaption(QSize(160, 40), row.caption ? QStringLiteral("Open||Now") : QString(),
                          QFont(QStringLiteral("DejaVu Sans")), row.shape, CaptionPlace::Centre,
                          row.place, row.size);
        QCOMPARE(layout.text, row.caption ? QStringLiteral("Open\nNow") : QString());
        QCOMPARE(layout.picture, row.picture);
        QCOMPARE(layout.caption.left(), row.captionLeft);
        QCOMPARE(layout.caption.right(), row.captionRight);
    }

    // A custom shape fits the picture into the button, and leaves out the picture's key
    // colour and the fringe within 3 of it.
    void customOutline()
    {
        QCOMPARE(customOutlineSize(QSize(64, 32), QSize(100, 100)), QSize(100, 50));
        QCOMPARE(customOutlineSize(QSize(20, 40), QSize(100, 100)), QSize(50, 100));

        QImage picture = discPicture(QSize(40, 40));
        picture.setPixel(1, 20, qRgb(252, 253, 252));
        picture.setPixel(38, 20, qRgb(251, 255, 255));
        const std::optional<ButtonOutline> outline = rkbuttons::customOutline(
            platform::Picture(platform::Picture::Type::Bitmap, picture), QSize(40, 40));
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
    void gradientFace()
    {
        const ButtonLook plain = plainLook();
        const QList<OleColor> ramp = paint::gradientRamp(plain.palette.face, rgb(0, 0, 200), 100);
        const std::pair<OleColor, OleColor> gradient{ramp[5], ramp[94]};
        const std::pair<OleColor, OleColor> hover{plain.palette.hoverFace, plain.palette.hoverFace};
        const std::pair<OleColor, OleColor> checked{plain.palette.checkedFace,
                                                    plain.palette.checkedFace};
        // Hovering, gradient while hovering, set; the face at either end.
        const std::tuple<bool, bool, bool, std::pair<OleColor, OleColor>> rows[] = {
            {false, false, false, gradient},
            {true, true, false, gradient},
            {true, false, false, hover},
            {false, false, true, checked},
            {true, true, true, checked}};
        for (const auto& [hovering, gradientWhileHovering, value, face] : rows) {
            ButtonLook look = plain;
            look.mode = value ? Behaviour::Check : Behaviour::Push;
            look.value = value;
            look.hovering = hovering;
            look.gradient = paint::GradientDirection::LeftToRight;
            look.gradientColor = rgb(0, 0, 200);
            look.gradientWhileHovering = gradientWhileHovering;
            QImage image = blank(100, 30);
            paintButton(image, look);
            QCOMPARE(std::pair(at(image, 5, 15), at(image, 94, 15)), face);
        }
    }

    // An engraved caption has its shadow up and to the left and its highlight down and to
    // the right, an embossed one the other way round; disabled text is grey on a white
    // highlight. The caption is a solid block drawn without anti-aliasing, so its colours are
    // exact.
    void captionColours()
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
            look.font = QFont(QStringLiteral("DejaVu Sans"));
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
};

QTEST_MAIN(tst_rkButtonsLook)
#include "tst_rkButtonsLook.moc"
