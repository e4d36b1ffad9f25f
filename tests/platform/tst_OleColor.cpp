#include "platform/OleColor.h"

#include <QApplication>
#include <QPalette>
#include <QTest>

using namespace platform;

class tst_OleColor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QApplication::setPalette(QPalette()); }

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

    // A system colour is read at the moment of use, so it follows a palette change.
    void systemColorsFollowThePalette()
    {
        QPalette palette;
        palette.setColor(QPalette::All, QPalette::Button, QColor(10, 20, 30));
        palette.setColor(QPalette::All, QPalette::ButtonText, QColor(1, 2, 3));
        palette.setColor(QPalette::All, QPalette::Highlight, QColor(200, 0, 100));
        QApplication::setPalette(palette);
        QCOMPARE(translateColor(systemColor(ColorButtonFace)), rgb(10, 20, 30));
        QCOMPARE(toQColor(0x80000012), QColor(1, 2, 3));
        QCOMPARE(sysColor(ColorHighlight), rgb(200, 0, 100));

        palette.setColor(QPalette::All, QPalette::Button, QColor(240, 230, 220));
        QApplication::setPalette(palette);
        QCOMPARE(translateColor(0x8000000F), rgb(240, 230, 220));
    }

    void disabledTextIsTheInactiveCaptionText()
    {
        QPalette palette;
        palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(128, 129, 130));
        palette.setColor(QPalette::Active, QPalette::ButtonText, QColor(0, 0, 0));
        QApplication::setPalette(palette);
        QCOMPARE(sysColor(ColorInactiveCaptionText), rgb(128, 129, 130));
    }

    void unknownIndexesAreBlack()
    {
        QCOMPARE(sysColor(25), OleColor(0));
        QCOMPARE(sysColor(31), OleColor(0));
        QCOMPARE(sysColor(-1), OleColor(0));
        QCOMPARE(translateColor(0x800000FF), OleColor(0));
    }

    // Every assigned index reads a real colour from the palette: no two neighbouring
    // roles collapse into one by a table typo (highlight and button face differ here).
    void everyAssignedIndexReadsThePalette()
    {
        QPalette palette;
        palette.setColor(QPalette::All, QPalette::Highlight, QColor(1, 1, 1));
        palette.setColor(QPalette::All, QPalette::Button, QColor(2, 2, 2));
        QApplication::setPalette(palette);
        QCOMPARE(sysColor(ColorActiveCaption), rgb(1, 1, 1));
        QCOMPARE(sysColor(ColorMenuHighlight), rgb(1, 1, 1));
        QCOMPARE(sysColor(ColorActiveBorder), rgb(2, 2, 2));
    }
};

QTEST_MAIN(tst_OleColor)
#include "tst_OleColor.moc"
