#include "editor/RichTextBox.h"
#include "editor/Zoom.h"

#include <QComboBox>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

using platform::RichTextBox;

class tst_Zoom : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void choosingARowSendsItsRatio_data()
    {
        QTest::addColumn<int>("numerator"); // 0: no row chosen, nothing sent
        QTest::addColumn<int>("denominator");
        const QList<std::pair<int, int>> rows{{1, 10}, {1, 4}, {1, 2}, {3, 4}, {4, 5}, {9, 10},
                                              {1, 1},  {3, 2}, {2, 1}, {5, 2}, {3, 1}};
        for (const auto& [numerator, denominator] : rows) {
            QTest::addRow("%d%%", 100 * numerator / denominator) << numerator << denominator;
        }
        QTest::newRow("none") << 0 << 0;
    }

    void choosingARowSendsItsRatio()
    {
        QFETCH(int, numerator);
        QFETCH(int, denominator);
        QComboBox cboZoom;
        editor::fillZoomList(cboZoom);
        QCOMPARE(cboZoom.count(), 11);
        QCOMPARE(cboZoom.currentText(), QStringLiteral("100%"));
        RichTextBox RichTextBox1;
        QSignalSpy sent(&RichTextBox1, &RichTextBox::zoomMessageReceived);
        cboZoom.setCurrentIndex(cboZoom.findText(QString::fromLatin1(QTest::currentDataTag())));
        QCOMPARE(editor::cboZoom_Click(cboZoom, RichTextBox1), std::nullopt);
        QCOMPARE(sent.count(), numerator ? 1 : 0);
        if (numerator) {
            QCOMPARE(sent.at(0).at(0).toInt(), numerator);
            QCOMPARE(sent.at(0).at(1).toInt(), denominator);
            QCOMPARE(RichTextBox1.zoomFactor(), qreal(numerator) / denominator);
        }
    }

    void setZoomChecksTheRange_data()
    {
        QTest::addColumn<int>("numerator");
        QTest::addColumn<int>("denominator");
        QTest::addColumn<bool>("sends");
        QTest::addColumn<qreal>("factor"); // the editor's zoom after 2/1
        QTest::newRow("64 and 1") << 64 << 1 << true << 64.0;
        QTest::newRow("1 and 64") << 1 << 64 << true << 1 / 64.0;
        QTest::newRow("0 and 0 switches zoom off") << 0 << 0 << true << 1.0;
        QTest::newRow("65 as numerator") << 65 << 1 << false << 2.0;
        QTest::newRow("-1 as denominator") << 1 << -1 << false << 2.0;
        QTest::newRow("65 as denominator") << 1 << 65 << false << 2.0;
        QTest::newRow("0 as denominator, refused by the editor") << 1 << 0 << true << 2.0;
        QTest::newRow("largest 32-bit") << 0x7FFFFFFF << 1 << false << 2.0;
    }

    void setZoomChecksTheRange()
    {
        QFETCH(int, numerator);
        QFETCH(int, denominator);
        QFETCH(bool, sends);
        QFETCH(qreal, factor);
        RichTextBox RichTextBox1;
        QVERIFY(RichTextBox1.sendZoomMessage(2, 1));
        QSignalSpy sent(&RichTextBox1, &RichTextBox::zoomMessageReceived);
        const std::optional<editor::ZoomError> error =
            editor::setZoom(RichTextBox1.hWnd(), numerator, denominator);
        QCOMPARE(sent.count(), sends ? 1 : 0);
        QCOMPARE(error.has_value(), !sends);
        QCOMPARE(RichTextBox1.zoomFactor(), factor);
        if (error) {
            QCOMPARE(error->number, 27110);
            QCOMPARE(error->source,
                     QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                         QStringLiteral(".mRichEdit30"));
            QCOMPARE(error->description,
                     QStringLiteral("Numerator and Denominator must be between 1 and 64"));
        }
    }
};

QTEST_MAIN(tst_Zoom)
#include "tst_Zoom.moc"
