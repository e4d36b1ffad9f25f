#include "platform/InputCodes.h"

#include <QTest>

using namespace platform::input;

class tst_InputCodes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

QTEST_APPLESS_MAIN(tst_InputCodes)
#include "tst_InputCodes.moc"
