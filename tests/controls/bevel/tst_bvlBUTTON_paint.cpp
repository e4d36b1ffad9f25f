#include "BevelTestHost.h"
#include "controls/bevel/bvlBUTTON.h"
#include "controls/bevel/bvlWorkSurface.h"
#include "controls/bevel/mdlSHPCLR.h"
#include "platform/Picture.h"

#include <QDir>
#include <QPainter>
#include <QTest>
#include <memory>

using platform::OleColor;

namespace {

constexpr OleColor kFace = platform::rgb(160, 176, 200);
constexpr QRgb kKey = 0xFFC0C0C0u; // the default transparency colour
constexpr QRgb kRed = 0xFFC80000u;

// A 12 x 12 picture: a red square on the transparency colour, with a one-pixel frame of it.
platform::Picture redSquare(QRgb background = kKey)
{
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(background);
    for (int y = 2; y < 10; ++y) {
        for (int x = 2; x < 10; ++x) {
            image.setPixel(x, y, kRed);
        }
    }
    return platform::Picture(platform::Picture::Type::Bitmap, image);
}

platform::Picture plain(QRgb colour, QSize size = QSize(10, 10))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
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
            if (frame.pixel(x, y) != face.pixel(x, y)) {
                changed |= QRect(x, y, 1, 1);
            }
        }
    }
    return changed;
}

bool containsColour(const QImage& image, QRgb colour)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) | 0xFF000000u) == (colour | 0xFF000000u)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

class tst_bvlBUTTON_paint : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void circleBecomesSquare();
    void windowRegionFollowsTheShape_data();
    void windowRegionFollowsTheShape();
    void facesAreBuiltForTheSize();
    void layout_data();
    void layout();
    void workSurfaceImages();
    void transparentPictureDrawsNothing();
    void disabledSpriteIsLightened();
    void pressingMovesCaptionAndPicture();
    void hoverShowsHoverPictureAndColour();
    void disabledCaptionColour();
    void captionJustifyBottomRight();
    void looks_data();
    void looks();

private:
    std::unique_ptr<BevelTestHost> m_host;
};

void tst_bvlBUTTON_paint::init()
{
    m_host = std::make_unique<BevelTestHost>();
}

void tst_bvlBUTTON_paint::cleanup()
{
    m_host.reset();
}

void tst_bvlBUTTON_paint::circleBecomesSquare()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdRound"), QRect(10, 10, 100, 40));
    button->setAppearance(mdlSHPCLR::kCircle);
    QCOMPARE(button->size(), QSize(100, 100));
    QCOMPARE(button->raisedFace().size(), QSize(100, 100));
    QCOMPARE(button->mask(), *mdlSHPCLR::ShapeRegion(mdlSHPCLR::kCircle, QSize(100, 100)));
    QVERIFY(!button->mask().contains(QPoint(2, 2)));
    QVERIFY(button->mask().contains(QPoint(50, 1)));
}

void tst_bvlBUTTON_paint::windowRegionFollowsTheShape_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<QPoint>("outside");
    QTest::newRow("rounded") << 2 << QPoint(2, 2);
    QTest::newRow("capsule") << 3 << QPoint(5, 5);
}

void tst_bvlBUTTON_paint::windowRegionFollowsTheShape()
{
    QFETCH(int, shape);
    QFETCH(QPoint, outside);
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdShape"), QRect(10, 10, 100, 40));
    button->setAppearance(shape);
    QCOMPARE(button->mask(), *mdlSHPCLR::ShapeRegion(shape, QSize(100, 40)));
    QCOMPARE(button->windowRegion(), button->mask());
    QVERIFY(!button->mask().contains(outside));
    QVERIFY(button->mask().contains(QPoint(50, 20)));

    // A pointer over a cut-off corner is over whatever lies behind it.
    QVERIFY(m_host->show());
    m_host->pointAt(button, outside);
    QVERIFY(!mdlSHPCLR::IsMouseOver(button));
    m_host->pointAt(button, QPoint(50, 20));
    QVERIFY(mdlSHPCLR::IsMouseOver(button));

    // Back to a rectangle: the whole control.
    button->setAppearance(mdlSHPCLR::kRectangle);
    QCOMPARE(button->mask(), QRegion(0, 0, 100, 40));
}

void tst_bvlBUTTON_paint::facesAreBuiltForTheSize()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdFace"), QRect(0, 0, 90, 30));
    button->setBackColour(kFace);
    QCOMPARE(button->BevelHeight(), 4); // automatic: 30 / 2 / 4 + 1
    button->resize(120, 64);
    QCOMPARE(button->raisedFace().size(), QSize(120, 64));
    QCOMPARE(button->sunkenFace().size(), QSize(120, 64));
    QCOMPARE(button->BevelHeight(), 9);
    QCOMPARE(button->raisedFace().pixel(60, 32), qRgb(160, 176, 200));

    // A width of its own is kept while automatic bevel is off.
    button->setBevelAutoAdjust(false);
    button->setBevelHeight(3);
    button->resize(100, 50);
    QCOMPARE(button->BevelHeight(), 3);
    QCOMPARE(button->raisedFace().pixel(50, 3), qRgb(160, 176, 200));
    QVERIFY(button->raisedFace().pixel(50, 2) != qRgb(160, 176, 200));
}

void tst_bvlBUTTON_paint::layout_data()
{
    QTest::addColumn<int>("justify");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QRect>("pictureRect");
    QTest::addColumn<QPoint>("place");

    // 120 x 48 control, bevel 7: left 7, top 7, right 120 - 7 - 1 = 112, bottom 40;
    // a 12 x 12 picture.
    QTest::newRow("top left") << 0 << "(0,0)" << QRect(7, 7, 105, 33) << QPoint(7, 7);
    QTest::newRow("top centre") << 1 << "(0,0)" << QRect(7, 7, 105, 33) << QPoint(53, 7);
    QTest::newRow("top right") << 2 << "(0,0)" << QRect(7, 7, 105, 33) << QPoint(100, 7);
    QTest::newRow("centre") << 4 << "(0,0)" << QRect(7, 7, 105, 33) << QPoint(53, 17);
    QTest::newRow("bottom left") << 6 << "(0,0)" << QRect(7, 7, 105, 33) << QPoint(7, 28);
    QTest::newRow("bottom right") << 8 << "(0,0)" << QRect(7, 7, 105, 33) << QPoint(100, 28);
    QTest::newRow("offset") << 0 << "(3,-2)" << QRect(10, 5, 105, 33) << QPoint(10, 5);
    QTest::newRow("offset bottom right")
        << 8 << "(-4,5)" << QRect(3, 12, 105, 33) << QPoint(96, 33);
}

void tst_bvlBUTTON_paint::layout()
{
    QFETCH(int, justify);
    QFETCH(QString, offset);
    QFETCH(QRect, pictureRect);
    QFETCH(QPoint, place);

    bvlBUTTON* button = m_host->add(QStringLiteral("cmdLayout"), QRect(0, 0, 120, 48));
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
}

void tst_bvlBUTTON_paint::workSurfaceImages()
{
    bvlWorkSurface surface;
    QImage hover(5, 4, QImage::Format_RGB32);
    hover.fill(qRgb(0, 0, 255));
    hover.setPixel(0, 0, kKey);
    surface.rebuild(redSquare().image(), hover, 0xC0C0C0u);
    QCOMPARE(surface.image().size(), QSize(48, 16));
    QCOMPARE(surface.partRect(bvlWorkSurface::HoverRow, bvlWorkSurface::SpriteImage),
             QRect(5, 12, 5, 4));
    const QImage& image = surface.image();
    // A transparency pixel (0,0) and a red one (5,5) of the picture, in each image.
    QCOMPARE(image.pixel(0, 0), qRgb(255, 255, 255)); // mask
    QCOMPARE(image.pixel(5, 5), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(12, 0), qRgb(0, 0, 0)); // sprite
    QCOMPARE(image.pixel(17, 5), kRed);
    QCOMPARE(image.pixel(24, 0), kKey); // plain copy
    QCOMPARE(image.pixel(29, 5), kRed);
    QCOMPARE(image.pixel(36, 0), qRgb(0, 0, 0)); // disabled sprite
    // Red 200,0,0 has lightness 94: raised to 114 it is 242,0,0.
    QCOMPARE(image.pixel(41, 5), qRgb(242, 0, 0));
    // The hover row below.
    QCOMPARE(image.pixel(0, 12), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(6, 13), qRgb(0, 0, 255));

    QCOMPARE(bvlWorkSurface::disabledLightness(0), 20);
    QCOMPARE(bvlWorkSurface::disabledLightness(219), 239);
    QCOMPARE(bvlWorkSurface::disabledLightness(220), 240);

    // A see-through pixel of a picture counts as the transparency colour.
    QImage clear(3, 3, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    surface.rebuild(clear, QImage(), 0xC0C0C0u);
    QCOMPARE(surface.image().pixel(1, 1), qRgb(255, 255, 255));
}

void tst_bvlBUTTON_paint::transparentPictureDrawsNothing()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdKey"), QRect(0, 0, 80, 40));
    button->setCaption(QString());
    button->setBackColour(kFace);
    button->setPicture(plain(kKey));
    const QRect place = button->picturePlace(bvlWorkSurface::BasicRow);
    QCOMPARE(place.size(), QSize(10, 10));
    QCOMPARE(button->frame(), button->raisedFace());

    button->setUseTransparency(false);
    QCOMPARE(changedArea(button->frame(), button->raisedFace(), button->rect()), place);
    QCOMPARE(button->frame().pixel(place.center()), kKey);
}

void tst_bvlBUTTON_paint::disabledSpriteIsLightened()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdDim"), QRect(0, 0, 80, 40));
    button->setCaption(QString());
    button->setBackColour(kFace);
    button->setPicture(redSquare());
    const QPoint at = button->picturePlace(bvlWorkSurface::BasicRow).topLeft();
    QCOMPARE(button->frame().pixel(at + QPoint(5, 5)), kRed);
    QCOMPARE(button->frame().pixel(at), button->raisedFace().pixel(at));

    button->setEnabled(false);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateDisabled);
    QCOMPARE(button->frame().pixel(at + QPoint(5, 5)), qRgb(242, 0, 0));
    QCOMPARE(button->frame().pixel(at), button->raisedFace().pixel(at));

    // Without transparency the picture is copied as it is, disabled or not.
    button->setUseTransparency(false);
    QCOMPARE(button->frame().pixel(at + QPoint(5, 5)), kRed);
    QCOMPARE(button->frame().pixel(at), kKey);
}

void tst_bvlBUTTON_paint::pressingMovesCaptionAndPicture()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdPress"), QRect(0, 0, 120, 48));
    button->setBackColour(kFace);
    button->setFont(testFont());
    button->setCaption(QStringLiteral("SPEAK"));
    button->setCaptionJustify(5);
    button->setPicture(redSquare());
    button->setPictureJustify(3);
    const QRect upCaption = changedArea(button->frame(), button->raisedFace(), button->rect());

    button->setBehaviour(bvlBUTTON::kToggleButton);
    button->setValue(true);
    QCOMPARE(button->stateWord(), bvlBUTTON::kStatePressed);
    const QRect downCaption = changedArea(button->frame(), button->sunkenFace(), button->rect());
    QCOMPARE(downCaption, upCaption.translated(1, 1));
    const QPoint at = button->picturePlace(bvlWorkSurface::BasicRow).topLeft();
    QCOMPARE(button->frame().pixel(at + QPoint(2, 2)),
             button->sunkenFace().pixel(at + QPoint(2, 2)));
    QCOMPARE(button->frame().pixel(at + QPoint(3, 3)), kRed);
    QCOMPARE(button->frame().pixel(at + QPoint(10, 10)), kRed);
}

void tst_bvlBUTTON_paint::hoverShowsHoverPictureAndColour()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdHover"), QRect(0, 0, 120, 48));
    button->setBackColour(kFace);
    button->setFont(testFont());
    button->setCaption(QStringLiteral("HOVER"));
    button->setCaptionColour(platform::rgb(10, 20, 30));
    button->setCaptionHoverColour(platform::rgb(0, 128, 0));
    button->setPicture(redSquare());
    button->setPictureJustify(3);
    QVERIFY(m_host->show());

    m_host->move(button, QPoint(60, 24));
    QCOMPARE(button->stateWord(), bvlBUTTON::kStateOver);
    const QPoint at = button->picturePlace(bvlWorkSurface::BasicRow).topLeft();
    QCOMPARE(button->frame().pixel(at + QPoint(5, 5)), kRed); // no hover picture: Picture
    QVERIFY(containsColour(button->frame(), qRgb(0, 128, 0)));
    QVERIFY(!containsColour(button->frame(), qRgb(10, 20, 30)));

    // A hover picture replaces it while hovered, and only then.
    button->setPictureHover(plain(qRgb(0, 0, 255), QSize(12, 12)));
    m_host->move(button, QPoint(61, 24));
    QCOMPARE(button->frame().pixel(at + QPoint(5, 5)), kRed); // unchanged state: no repaint
    button->Refresh();
    QCOMPARE(button->frame().pixel(at + QPoint(5, 5)), qRgb(0, 0, 255));
    m_host->pointAway();
    QTRY_COMPARE(button->stateWord(), 0);
    QCOMPARE(button->frame().pixel(at + QPoint(5, 5)), kRed);
    QVERIFY(containsColour(button->frame(), qRgb(10, 20, 30)));
}

void tst_bvlBUTTON_paint::disabledCaptionColour()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdGrey"), QRect(0, 0, 120, 48));
    button->setBackColour(platform::rgb(0, 0, 128)); // lightness 60: 72 when disabled
    button->setFont(testFont());
    button->setCaption(QStringLiteral("OFF"));
    button->setEnabled(false);
    const QRgb expected = qRgb(0, 0, 153);
    QCOMPARE(mdlSHPCLR::HLSToRGB(160, 72, 240), platform::rgb(0, 0, 153));
    QVERIFY(containsColour(button->frame(), expected));
}

void tst_bvlBUTTON_paint::captionJustifyBottomRight()
{
    bvlBUTTON* button = m_host->add(QStringLiteral("cmdCorner"), QRect(0, 0, 140, 60));
    button->setBackColour(kFace);
    button->setFont(testFont());
    button->setCaption(QStringLiteral("EE"));
    button->setCaptionJustify(8);
    const QRect area = button->captionRect();
    const QRect drawn = changedArea(button->frame(), button->raisedFace(), area);
    QVERIFY(!drawn.isEmpty());
    QVERIFY2(area.right() - drawn.right() <= 2, qPrintable(QString::number(drawn.right())));
    QVERIFY2(area.bottom() - drawn.bottom() <= 5, qPrintable(QString::number(drawn.bottom())));
    QVERIFY(drawn.left() > area.center().x());
    QVERIFY(drawn.top() > area.center().y());
}

void tst_bvlBUTTON_paint::looks_data()
{
    QTest::addColumn<int>("shape");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("state");

    const QStringList shapes = {QStringLiteral("rectangle"), QStringLiteral("circle"),
                                QStringLiteral("rounded"), QStringLiteral("capsule")};
    const QStringList states = {QStringLiteral("raised"), QStringLiteral("sunken"),
                                QStringLiteral("hovered"), QStringLiteral("disabled")};
    for (int shape = 0; shape < 4; ++shape) {
        for (const QSize size : {QSize(96, 36), QSize(160, 64)}) {
            for (const QString& state : states) {
                const QString name = QStringLiteral("%1-%2x%3-%4")
                                         .arg(shapes[shape])
                                         .arg(size.width())
                                         .arg(size.height())
                                         .arg(state);
                QTest::newRow(qPrintable(name)) << shape << size << state;
            }
        }
    }
}

// Each shape in each state at two sizes, against a reference image. Two renderings match
// when no channel of any pixel differs by more than 24 in more than 0.5 % of the pixels:
// text edges may shift with the font library, the faces and bevels may not.
void tst_bvlBUTTON_paint::looks()
{
    QFETCH(int, shape);
    QFETCH(QSize, size);
    QFETCH(QString, state);

    bvlBUTTON* button = m_host->add(QStringLiteral("cmdLook"), QRect(QPoint(10, 10), size));
    button->setFont(testFont());
    button->setBackColour(kFace);
    button->setCaptionColour(platform::rgb(20, 20, 60));
    button->setCaptionHoverColour(platform::rgb(200, 40, 40));
    button->setCaption(QStringLiteral("SPEAK"));
    button->setCaptionJustify(5);
    button->setPicture(redSquare());
    button->setPictureJustify(3);
    button->setPictureOffset(shape == mdlSHPCLR::kRectangle ? QStringLiteral("(2,0)")
                                                            : QStringLiteral("(8,0)"));
    button->setAppearance(shape);
    QVERIFY(m_host->show());
    if (state == QLatin1String("sunken")) {
        button->setBehaviour(bvlBUTTON::kToggleButton);
        button->setValue(true);
    } else if (state == QLatin1String("hovered")) {
        m_host->move(button, QPoint(button->width() / 2, button->height() / 2));
    } else if (state == QLatin1String("disabled")) {
        button->setEnabled(false);
    }
    QImage shot = button->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // What the window's shape cuts off is not the button's.
    QPainter painter(&shot);
    painter.setClipRegion(QRegion(shot.rect()) - button->mask());
    painter.fillRect(shot.rect(), Qt::white);
    painter.end();

    const QString name = QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".png");
    const QString path = QStringLiteral(BEVEL_REFERENCE_DIR) + QLatin1Char('/') + name;
    if (qEnvironmentVariableIntValue("PARLANZA_UPDATE_REFERENCES") == 1) {
        QDir().mkpath(QStringLiteral(BEVEL_REFERENCE_DIR));
        QVERIFY(shot.save(path));
        QSKIP("reference written");
    }
    const QImage reference = QImage(path).convertToFormat(QImage::Format_RGB32);
    QVERIFY2(!reference.isNull(), qPrintable(QStringLiteral("missing reference ") + path));
    QCOMPARE(shot.size(), reference.size());
    int differing = 0;
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            const QRgb a = shot.pixel(x, y);
            const QRgb b = reference.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 24 || std::abs(qGreen(a) - qGreen(b)) > 24 ||
                std::abs(qBlue(a) - qBlue(b)) > 24) {
                ++differing;
            }
        }
    }
    const int allowed = shot.width() * shot.height() / 200;
    if (differing > allowed) {
        shot.save(QDir::temp().filePath(name));
    }
    QVERIFY2(differing <= allowed,
             qPrintable(QStringLiteral("%1 pixels differ (%2 allowed); this rendering is in %3")
                            .arg(differing)
                            .arg(allowed)
                            .arg(QDir::temp().filePath(name))));
}

QTEST_MAIN(tst_bvlBUTTON_paint)
#include "tst_bvlBUTTON_paint.moc"
