#include "platform/Units.h"

#include <QGuiApplication>
#include <QTest>

using namespace platform;

class tst_Units : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { setTwipsPerPixelOverride(0); }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("0.5 goes down to even") << 0.5 << qint64(0);
        QTest::newRow("1.5 goes up to even") << 1.5 << qint64(2);
        QTest::newRow("2.5 goes down to even") << 2.5 << qint64(2);
        QTest::newRow("-2.5 goes up to even") << -2.5 << qint64(-2);
        QTest::newRow("-1.5 goes down to even") << -1.5 << qint64(-2);
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

    // The offscreen screen reports 96 dots per inch: 15 twips to the pixel.
    void screenGivesFifteenTwipsPerPixel()
    {
        QCOMPARE(twipsPerPixelX(), 15.0);
        QCOMPARE(twipsPerPixelY(), 15.0);
        QCOMPARE(twipsToPixelsX(600), 40);
        QCOMPARE(pixelsToTwipsY(21), 315.0);
    }

    // Conversions round the way the rest of the program does, also at other densities.
    void conversionsRoundHalfToEven()
    {
        setTwipsPerPixelOverride(10);
        QCOMPARE(twipsToPixelsX(25), 2); // 2.5
        QCOMPARE(twipsToPixelsY(35), 4); // 3.5
        QCOMPARE(twipsToPixelsX(-25), -2);
        QCOMPARE(pixelsToTwipsX(1.5), 15.0);
        setTwipsPerPixelOverride(0);
        QCOMPARE(twipsPerPixelX(), 15.0);
    }
};

QTEST_MAIN(tst_Units)
#include "tst_Units.moc"
