#include "editor/Zoom.h"
#include "platform/RichTextBox.h"

#include <QComboBox>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

using platform::RichTextBox;

class tst_Zoom : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listHoldsTheElevenRows();
    void choosingARowSendsItsRatio_data();
    void choosingARowSendsItsRatio();
    void noRowSendsNothing();
    void setZoomChecksTheRange_data();
    void setZoomChecksTheRange();
};

void tst_Zoom::listHoldsTheElevenRows()
{
    QComboBox cboZoom;
    editor::fillZoomList(cboZoom);
    const QStringList texts{"10%",  "25%",  "50%",  "75%",  "80%", "90%",
                            "100%", "150%", "200%", "250%", "300%"};
    const QList<int> values{65546, 65540,  65538,  196612, 262149, 589834,
                            65537, 196610, 131073, 327682, 196609};
    QCOMPARE(cboZoom.count(), texts.size());
    QCOMPARE(cboZoom.currentText(), QStringLiteral("100%"));
    for (int row = 0; row < cboZoom.count(); ++row) {
        QCOMPARE(cboZoom.itemText(row), texts.at(row));
        QCOMPARE(cboZoom.itemData(row).toInt(), values.at(row));
    }
}

void tst_Zoom::choosingARowSendsItsRatio_data()
{
    QTest::addColumn<QString>("row");
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::newRow("10%") << "10%" << 1 << 10;
    QTest::newRow("75%") << "75%" << 3 << 4;
    QTest::newRow("100%") << "100%" << 1 << 1;
    QTest::newRow("250%") << "250%" << 5 << 2;
    QTest::newRow("300%") << "300%" << 3 << 1;
}

void tst_Zoom::choosingARowSendsItsRatio()
{
    QFETCH(QString, row);
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QComboBox cboZoom;
    editor::fillZoomList(cboZoom);
    RichTextBox RichTextBox1;
    QSignalSpy sent(&RichTextBox1, &RichTextBox::zoomMessageReceived);
    cboZoom.setCurrentIndex(cboZoom.findText(row));
    QCOMPARE(editor::cboZoom_Click(cboZoom, RichTextBox1), std::nullopt);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(sent.at(0).at(0).toInt(), numerator);
    QCOMPARE(sent.at(0).at(1).toInt(), denominator);
    QCOMPARE(RichTextBox1.zoomFactor(), qreal(numerator) / denominator);
}

void tst_Zoom::noRowSendsNothing()
{
    QComboBox cboZoom;
    editor::fillZoomList(cboZoom);
    cboZoom.setCurrentIndex(-1);
    RichTextBox RichTextBox1;
    QSignalSpy sent(&RichTextBox1, &RichTextBox::zoomMessageReceived);
    QCOMPARE(editor::cboZoom_Click(cboZoom, RichTextBox1), std::nullopt);
    QCOMPARE(sent.count(), 0);
}

void tst_Zoom::setZoomChecksTheRange_data()
{
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<bool>("sends");
    QTest::newRow("64 and 1") << 64 << 1 << true;
    QTest::newRow("0 and 0") << 0 << 0 << true;
    QTest::newRow("65 as numerator") << 65 << 1 << false;
    QTest::newRow("-1 as denominator") << 1 << -1 << false;
    QTest::newRow("-1 as numerator") << -1 << 1 << false;
    QTest::newRow("65 as denominator") << 1 << 65 << false;
    QTest::newRow("largest 32-bit") << 0x7FFFFFFF << 1 << false;
}

void tst_Zoom::setZoomChecksTheRange()
{
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(bool, sends);
    RichTextBox RichTextBox1;
    QSignalSpy sent(&RichTextBox1, &RichTextBox::zoomMessageReceived);
    const std::optional<editor::ZoomError> error =
        editor::setZoom(RichTextBox1.hWnd(), numerator, denominator);
    QCOMPARE(sent.count(), sends ? 1 : 0);
    QCOMPARE(error.has_value(), !sends);
    if (error) {
        QCOMPARE(error->number, 27110);
        QCOMPARE(error->source,
                 QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                     QStringLiteral(".mRichEdit30"));
        QCOMPARE(error->description,
                 QStringLiteral("Numerator and Denominator must be between 1 and 64"));
        QCOMPARE(RichTextBox1.zoomFactor(), 1.0);
    }
}

QTEST_MAIN(tst_Zoom)
#include "tst_Zoom.moc"
