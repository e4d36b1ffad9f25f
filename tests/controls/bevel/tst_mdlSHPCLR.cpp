#include "controls/bevel/mdlSHPCLR.h"
#include "platform/FakeMessageBoxService.h"

#include <QTest>
#include <cmath>

using platform::OleColor;

namespace {

const QString kFormatMessage = QStringLiteral(
    "INVALID CARTESIAN CO-ORDINATES FORMAT.\r\n\r\nCo-ordinates must be in the format\r\n"
    "\"(x,y)\" where x and y are Integers\r\nin the range -32768 to +32767.");
const QString kNumericMessage =
    QStringLiteral("NON-NUMERIC CARTESIAN CO-ORDINATES.\r\n\r\nCo-ordinates must numeric "
                   "Integers\r\nin the range -32768 to +32767.");
const QString kValueMessage =
    QStringLiteral("INVALID CARTESIAN CO-ORDINATES VALUES.\r\n\r\nValues must be Integers in "
                   "the\r\nrange -32768 to +32767 only.");

constexpr double kPi = mdlSHPCLR::kPi;
constexpr double kP = 1.5757963267949;
constexpr double kQ = kPi + kP;

} // namespace

class tst_mdlSHPCLR : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseCoordinate_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("xy");
        QTest::addColumn<QString>("message"); // none: valid
        const auto row = [](const char* tag, const char* input, const char* text, QPoint xy,
                            const QString& message = {}) {
            QTest::newRow(tag) << QString::fromLatin1(input) << QString::fromLatin1(text) << xy
                               << message;
        };
        // x and y start as 77, 88: a failure leaves alone what it could not read.
        row("empty", "", "(0,0)", {0, 0});
        row("only x", "5", "(5,0)", {5, 0});
        row("only y", ",7", "(0,7)", {0, 7});
        row("open with comma", "(3,", "(3,0)", {3, 0});
        row("spaces", " ( 1 , 2 ) ", "(1,2)", {1, 2});
        row("space inside a number", "1  2", "(12,0)", {12, 0});
        row("halves to even", "(2.5,3.5)", "(2,4)", {2, 4});
        row("negative limits", "(-32768,+32767)", "(-32768,32767)", {-32768, 32767});
        row("only x closed", "(9)", "(9,0)", {9, 0});
        row("empty pair", "()", "(,0)", {77, 88}, kFormatMessage);
        row("missing x", "(,5)", "(,5)", {77, 88}, kFormatMessage);
        row("letters", "(a,1)", "(a,1)", {77, 88}, kNumericMessage);
        row("three values", "(1,2,3)", "(1,2,3)", {77, 88}, kNumericMessage);
        row("too large", "(40000,1)", "(40000,1)", {77, 88}, kValueMessage);
        // What could be read before the failure is kept.
        row("y too large", "(12,99999)", "(12,99999)", {12, 88}, kValueMessage);
        row("rounds past the limit", "(32767.5,0)", "(32767.5,0)", {77, 88}, kValueMessage);
        row("huge exponent", "(1e999,0)", "(1e999,0)", {77, 88}, kValueMessage);
        row("beyond a 64-bit number", "(1,-1e30)", "(1,-1e30)", {1, 88}, kValueMessage);
    }

    void parseCoordinate()
    {
        QFETCH(QString, input);
        QFETCH(QString, text);
        QFETCH(QPoint, xy);
        QFETCH(QString, message);
        const bool valid = message.isEmpty();
        platform::FakeMessageBoxService boxes;
        qint16 parsedX = 77;
        qint16 parsedY = 88;
        QString inOut = input;
        QCOMPARE(mdlSHPCLR::ParseCoordinate(inOut, parsedX, parsedY), valid);
        QCOMPARE(inOut, text);
        QCOMPARE(QPoint(parsedX, parsedY), xy);
        if (valid) {
            QVERIFY(boxes.boxes().isEmpty());
            return;
        }
        QCOMPARE(boxes.boxes().size(), 1);
        const platform::MessageBoxRequest& box = boxes.boxes().constFirst();
        QCOMPARE(box.text, message);
        QCOMPARE(box.title, QStringLiteral("Cartesian Co-ordinates Validation"));
        QCOMPARE(box.icon, platform::MessageIcon::Exclamation);
        QCOMPARE(box.buttons, platform::MessageButtons::Ok);
    }

    void hlsOfKnownColours_data()
    {
        QTest::addColumn<uint>("colour");
        QTest::addColumn<QList<int>>("hls"); // hue, lightness, saturation
        QTest::newRow("red") << uint(platform::rgb(255, 0, 0)) << QList<int>{0, 120, 240};
        QTest::newRow("green") << uint(platform::rgb(0, 255, 0)) << QList<int>{80, 120, 240};
        QTest::newRow("blue") << uint(platform::rgb(0, 0, 255)) << QList<int>{160, 120, 240};
        QTest::newRow("white") << uint(platform::rgb(255, 255, 255)) << QList<int>{160, 240, 0};
    }

    // Fully saturated and grey colours come back exactly.
    void hlsOfKnownColours()
    {
        QFETCH(uint, colour);
        QFETCH(QList<int>, hls);
        const mdlSHPCLR::HLS found = mdlSHPCLR::RGBToHLS(colour);
        QCOMPARE(QList<int>({found.hue, found.lightness, found.saturation}), hls);
        QCOMPARE(mdlSHPCLR::HLSToRGB(found), OleColor(colour));
    }

    void systemColoursAreTranslated()
    {
        QCOMPARE(mdlSHPCLR::RGBToHLS(platform::systemColor(platform::ColorButtonFace)),
                 mdlSHPCLR::RGBToHLS(platform::sysColor(platform::ColorButtonFace)));
    }

    void bandLightness_data()
    {
        QTest::addColumn<double>("lightness");
        QTest::addColumn<double>("angle");
        QTest::addColumn<double>("position");
        QTest::addColumn<bool>("sunken");
        QTest::addColumn<double>("expected");

        const double s = kPi / 6.0;
        const double k = std::sin(kPi / 4.0); // strength halfway across the band
        // Boundaries and insides of each sector, at the outer edge (full strength).
        QTest::newRow("0: lo") << 120.0 << 0.0 << 1.0 << false << 40.0;
        QTest::newRow("right strip: lo") << 120.0 << 6.28318520717959 << 1.0 << false << 40.0;
        QTest::newRow("past the bound: lo") << 120.0 << 6.2881 << 1.0 << false << 40.0;
        QTest::newRow("0..P middle") << 120.0 << kP / 2 << 1.0 << false << 130.0;
        QTest::newRow("P: hi") << 120.0 << kP << 1.0 << false << 220.0;
        QTest::newRow("rising to highlight") << 120.0 << kP + s / 2 << 1.0 << false << 230.0;
        QTest::newRow("highlight") << 120.0 << kP + 1.5 * s << 1.0 << false << 240.0;
        QTest::newRow("falling from highlight") << 120.0 << kP + 2.5 * s << 1.0 << false << 230.0;
        QTest::newRow("pi: hi") << 120.0 << kPi << 1.0 << false << 220.0;
        QTest::newRow("pi..Q middle") << 120.0 << kPi + kP / 2 << 1.0 << false << 130.0;
        QTest::newRow("Q: lo") << 120.0 << kQ << 1.0 << false << 40.0;
        QTest::newRow("falling to black") << 120.0 << kQ + s / 2 << 1.0 << false << 20.0;
        QTest::newRow("rising from black") << 120.0 << kQ + 2.5 * s << 1.0 << false << 20.0;
        // Strength across the band.
        QTest::newRow("inner edge") << 120.0 << kP << 0.0 << false << 120.0;
        QTest::newRow("half way, hi") << 120.0 << kP << 0.5 << false << 120.0 + 100.0 * k;
        QTest::newRow("half way, highlight")
            << 200.0 << kP + 1.5 * s << 0.5 << false << 200.0 + 40.0 * k;
        QTest::newRow("beyond the outer edge") << 120.0 << kP << 2.0 << false << 220.0;
        QTest::newRow("inside the inner edge") << 120.0 << kP << -1.0 << false << 120.0;
        // Sunken: turned by half a turn.
        QTest::newRow("sunken top") << 120.0 << kP << 1.0 << true << 40.0;
        QTest::newRow("sunken bottom") << 120.0 << kQ << 1.0 << true << 220.0;
    }

    void bandLightness()
    {
        QFETCH(double, lightness);
        QFETCH(double, angle);
        QFETCH(double, position);
        QFETCH(bool, sunken);
        QFETCH(double, expected);
        const double actual = mdlSHPCLR::BandLightness(lightness, angle, position, sunken);
        QVERIFY2(std::abs(actual - expected) < 1e-6,
                 qPrintable(QStringLiteral("%1 instead of %2").arg(actual).arg(expected)));
    }

    void shapeRegion_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QPoint>("pixel");
        QTest::addColumn<bool>("inside");

        const QSize wide(100, 40);
        QTest::newRow("rectangle corner") << 0 << wide << QPoint(0, 0) << true;
        QTest::newRow("circle corner") << 1 << QSize(100, 100) << QPoint(0, 0) << false;
        QTest::newRow("circle diagonal in") << 1 << QSize(100, 100) << QPoint(15, 15) << true;
        QTest::newRow("circle diagonal out") << 1 << QSize(100, 100) << QPoint(14, 14) << false;
        // Rounded rectangle: corners of a 20 x 20 ellipse.
        QTest::newRow("rounded corner out") << 2 << wide << QPoint(2, 2) << false;
        QTest::newRow("rounded corner in") << 2 << wide << QPoint(3, 3) << true;
        // Capsule: corners of a 40 x 40 ellipse, half circles at the ends.
        QTest::newRow("capsule 5,5 out") << 3 << wide << QPoint(5, 5) << false;
        QTest::newRow("capsule 6,6 in") << 3 << wide << QPoint(6, 6) << true;
        QTest::newRow("capsule end above middle") << 3 << wide << QPoint(0, 12) << false;
    }

    void shapeRegion()
    {
        QFETCH(int, shape);
        QFETCH(QSize, size);
        QFETCH(QPoint, pixel);
        QFETCH(bool, inside);
        const std::optional<QRegion> region = mdlSHPCLR::ShapeRegion(shape, size);
        QVERIFY(region);
        QCOMPARE(region->contains(pixel), inside);
        QCOMPARE(region->boundingRect(), QRect(QPoint(0, 0), size));
        QVERIFY(!mdlSHPCLR::ShapeRegion(4, size));
        QVERIFY(!mdlSHPCLR::ShapeRegion(-1, size));
    }

    void cornerDiameterAndAutomaticBevel()
    {
        QCOMPARE(mdlSHPCLR::CornerDiameter(2, QSize(100, 40)), 20);
        QCOMPARE(mdlSHPCLR::CornerDiameter(3, QSize(100, 40)), 40);
        QCOMPARE(mdlSHPCLR::CornerDiameter(2, QSize(41, 100)), 20); // 20.5 goes to even
        QCOMPARE(mdlSHPCLR::CornerDiameter(2, QSize(43, 100)), 22); // 21.5 goes to even
        QCOMPARE(mdlSHPCLR::CornerDiameter(0, QSize(100, 40)), 0);

        QCOMPARE(mdlSHPCLR::AutoBevelWidth(0, QSize(100, 40)), 6);
        QCOMPARE(mdlSHPCLR::AutoBevelWidth(0, QSize(7, 30)), 1);
        QCOMPARE(mdlSHPCLR::AutoBevelWidth(0, QSize(0, 0)), 1);
        for (int shape = 1; shape <= 3; ++shape) {
            QCOMPARE(mdlSHPCLR::AutoBevelWidth(shape, QSize(100, 40)),
                     mdlSHPCLR::AutoBevelWidth(0, QSize(100, 40)));
        }
    }

    void pixelsOutsideTheBandKeepTheFace_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("bevel");
        QTest::newRow("given width") << 2 << QSize(100, 40) << 3;
        QTest::newRow("band wider than the face") << 0 << QSize(20, 10) << 30;
        QTest::newRow("one pixel band") << 3 << QSize(6, 4) << 0;
    }

    void pixelsOutsideTheBandKeepTheFace()
    {
        QFETCH(int, shape);
        QFETCH(QSize, size);
        QFETCH(int, bevel);

        const OleColor face = platform::rgb(90, 140, 200);
        const QRgb faceRgb = qRgb(90, 140, 200);
        QImage image(size, QImage::Format_RGB32);
        auto width = static_cast<qint16>(bevel);
        const QRegion band = mdlSHPCLR::DrawBevel(image, shape, face, width, true);
        QVERIFY(!band.isEmpty());
        const QRegion outline = *mdlSHPCLR::ShapeRegion(shape, size);
        int shaded = 0;
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) {
                const QRgb pixel = image.pixel(x, y) | 0xFF000000u;
                if (!band.contains(QPoint(x, y))) {
                    QVERIFY2(pixel == faceRgb, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                } else {
                    QVERIFY(outline.contains(QPoint(x, y)));
                    shaded += pixel != faceRgb ? 1 : 0;
                }
            }
        }
        QVERIFY(shaded > band.boundingRect().width());
    }
};

QTEST_MAIN(tst_mdlSHPCLR)
#include "tst_mdlSHPCLR.moc"
