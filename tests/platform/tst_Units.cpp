// Twips and pixels, rounding, and colours: plain ones and system colours.

#include "platform/OleColor.h"
#include "platform/Units.h"

#include <QApplication>
#include <QPalette>
#include <QTest>

using namespace platform;

class tst_Units : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        setTwipsPerPixelOverride(0);
        QApplication::setPalette(QPalette());
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("0.5 goes down to even") << 0.5 << qint64(0);
        QTest::newRow("1.5 goes up to even") << 1.5 << qint64(2);
        QTest::newRow("-2.5 goes up to even") << -2.5 << qint64(-2);
        QTest::newRow("-0.5 is zero") << -0.5 << qint64(0);
        QTest::newRow("just below a half") << 2.4999999 << qint64(2);
        QTest::newRow("just above a half") << 2.5000001 << qint64(3);
        QTest::newRow("negative just above a half") << -2.5000001 << qint64(-3);
        QTest::newRow("whole") << 7.0 << qint64(7);
        QTest::newRow("large") << 4294967296.5 << qint64(4294967296);
    }

    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(qint64, expected);
        QCOMPARE(platform::roundHalfEven(value), expected);
    }

    // The offscreen screen reports 96 dots per inch: 15 twips to the pixel. Conversions
    // round the way the rest of the program does, also at other densities.
    void conversions()
    {
        QCOMPARE(twipsPerPixelY(), 15.0);
        QCOMPARE(twipsToPixelsX(600), 40);
        QCOMPARE(pixelsToTwipsY(21), 315.0);
        setTwipsPerPixelOverride(10);
        QCOMPARE(twipsToPixelsX(25), 2); // 2.5
        QCOMPARE(twipsToPixelsY(35), 4); // 3.5
        QCOMPARE(twipsToPixelsX(-25), -2);
        QCOMPARE(pixelsToTwipsX(1.5), 15.0);
        setTwipsPerPixelOverride(0);
        QCOMPARE(twipsPerPixelX(), 15.0);
    }

    void rgbValuesKeepTheirChannels()
    {
        constexpr OleColor slate = 0x574539;
        QCOMPARE(rgb(0x39, 0x45, 0x57), slate);
        QCOMPARE(toQColor(slate), QColor(0x39, 0x45, 0x57));
        QCOMPARE(fromQColor(QColor(74, 10, 167)), OleColor(0xA70A4A));
        QCOMPARE(translateColor(0x00123456), OleColor(0x123456));
        // Stray bits above the blue byte of a plain colour are dropped, not misread.
        QCOMPARE(translateColor(0x01123456), OleColor(0x123456));
    }

    // Each index reads its own palette role: only that role gets the test colour, so an
    // index that reads a neighbouring role by a table typo sees the default palette. The
    // colour is read at the moment of use, so it follows a palette change.
    void indexesReadTheirPaletteRole_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QPalette::ColorGroup>("group");
        QTest::addColumn<QPalette::ColorRole>("role");
        QTest::newRow("button face") << int(ColorButtonFace) << QPalette::All << QPalette::Button;
        QTest::newRow("button text")
            << int(ColorButtonText) << QPalette::All << QPalette::ButtonText;
        QTest::newRow("highlight") << int(ColorHighlight) << QPalette::All << QPalette::Highlight;
        QTest::newRow("active caption")
            << int(ColorActiveCaption) << QPalette::All << QPalette::Highlight;
        QTest::newRow("menu highlight")
            << int(ColorMenuHighlight) << QPalette::All << QPalette::Highlight;
        QTest::newRow("active border")
            << int(ColorActiveBorder) << QPalette::All << QPalette::Button;
        QTest::newRow("inactive caption text is the disabled button text")
            << int(ColorInactiveCaptionText) << QPalette::Disabled << QPalette::ButtonText;
    }

    void indexesReadTheirPaletteRole()
    {
        QFETCH(int, index);
        QFETCH(QPalette::ColorGroup, group);
        QFETCH(QPalette::ColorRole, role);
        QPalette palette;
        palette.setColor(group, role, QColor(128, 129, 130));
        QApplication::setPalette(palette);
        QCOMPARE(sysColor(index), rgb(128, 129, 130));
        palette.setColor(group, role, QColor(10, 20, 30));
        QApplication::setPalette(palette);
        QCOMPARE(translateColor(systemColor(index)), rgb(10, 20, 30));
        QCOMPARE(toQColor(kSystemColorFlag | OleColor(index)), QColor(10, 20, 30));
    }

    void unknownIndexesAreBlack()
    {
        QCOMPARE(sysColor(25), OleColor(0));
        QCOMPARE(sysColor(31), OleColor(0));
        QCOMPARE(sysColor(-1), OleColor(0));
        QCOMPARE(translateColor(0x800000FF), OleColor(0));
    }
};

QTEST_MAIN(tst_Units)
#include "tst_Units.moc"
