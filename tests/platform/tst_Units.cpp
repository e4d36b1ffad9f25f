// The host's numbers: twips and pixels, rounding, colours (plain ones and system colours),
// and the codes of keys, mouse buttons and shift keys.

#include "platform/InputCodes.h"
#include "platform/OleColor.h"
#include "platform/Units.h"

#include <QApplication>
#include <QPalette>
#include <QTest>

using namespace platform;
using namespace platform::input;

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
        const auto row = [](const char* tag, int index, QPalette::ColorRole role,
                            QPalette::ColorGroup group = QPalette::All) {
            QTest::newRow(tag) << index << group << role;
        };
        row("button face", ColorButtonFace, QPalette::Button);
        row("button text", ColorButtonText, QPalette::ButtonText);
        row("highlight", ColorHighlight, QPalette::Highlight);
        row("active caption", ColorActiveCaption, QPalette::Highlight);
        row("menu highlight", ColorMenuHighlight, QPalette::Highlight);
        row("active border", ColorActiveBorder, QPalette::Button);
        row("inactive caption text is the disabled button text", ColorInactiveCaptionText,
            QPalette::ButtonText, QPalette::Disabled);
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

    void keyCode_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("code");
        QTest::newRow("letter is its capital") << int(Qt::Key_Q) << 0x51;
        QTest::newRow("digit is its character") << int(Qt::Key_7) << 0x37;
        QTest::newRow("F1") << int(Qt::Key_F1) << 0x70;
        QTest::newRow("F24") << int(Qt::Key_F24) << 0x87;
        QTest::newRow("backtab is tab") << int(Qt::Key_Backtab) << 0x09;
        QTest::newRow("keypad enter is return") << int(Qt::Key_Enter) << 0x0D;
        QTest::newRow("clear") << int(Qt::Key_Clear) << 0x0C;
        QTest::newRow("shift") << int(Qt::Key_Shift) << 0x10;
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0x1B;
        QTest::newRow("space") << int(Qt::Key_Space) << 0x20;
        QTest::newRow("home") << int(Qt::Key_Home) << 0x24;
        QTest::newRow("left") << int(Qt::Key_Left) << 0x25;
        QTest::newRow("down") << int(Qt::Key_Down) << 0x28;
        QTest::newRow("print") << int(Qt::Key_Print) << 0x2C;
        QTest::newRow("delete") << int(Qt::Key_Delete) << 0x2E;
        QTest::newRow("num lock") << int(Qt::Key_NumLock) << 0x90;
        QTest::newRow("scroll lock") << int(Qt::Key_ScrollLock) << 0x91;
        QTest::newRow("punctuation has none") << int(Qt::Key_Semicolon) << 0;
        QTest::newRow("lower-case character has none") << int('q') << 0;
        QTest::newRow("media key has none") << int(Qt::Key_VolumeUp) << 0;
    }

    void keyCode()
    {
        QFETCH(int, key);
        QFETCH(int, code);
        QCOMPARE(platform::input::keyCode(key), code);
    }

    void mouseAndShift_data()
    {
        // The button, the buttons held and the modifiers; their codes in the same order.
        QTest::addColumn<QList<int>>("input");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("nothing") << QList<int>{Qt::NoButton, Qt::NoButton, Qt::NoModifier}
                                 << QList<int>{0, 0, 0};
        QTest::newRow("left, shift")
            << QList<int>{Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier} << QList<int>{1, 1, 1};
        QTest::newRow("right, ctrl")
            << QList<int>{Qt::RightButton, Qt::RightButton, Qt::ControlModifier}
            << QList<int>{2, 2, 2};
        QTest::newRow("middle, alt")
            << QList<int>{Qt::MiddleButton, Qt::MiddleButton, Qt::AltModifier}
            << QList<int>{4, 4, 4};
        QTest::newRow("all held, all shifts, meta and keypad ignored")
            << QList<int>{Qt::LeftButton,
                          Qt::LeftButton | Qt::RightButton | Qt::MiddleButton | Qt::BackButton,
                          Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                              Qt::MetaModifier | Qt::KeypadModifier}
            << QList<int>{1, 7, 7};
        QTest::newRow("extra button has no number")
            << QList<int>{Qt::BackButton, Qt::BackButton, Qt::NoModifier} << QList<int>{0, 0, 0};
    }

    void mouseAndShift()
    {
        QFETCH(QList<int>, input);
        QFETCH(QList<int>, codes);
        QCOMPARE(QList<int>({platform::input::buttonCode(Qt::MouseButton(input[0])),
                             platform::input::buttonsCode(Qt::MouseButtons::fromInt(input[1])),
                             shiftState(Qt::KeyboardModifiers::fromInt(input[2]))}),
                 codes);
    }
};

QTEST_MAIN(tst_Units)
#include "tst_Units.moc"
