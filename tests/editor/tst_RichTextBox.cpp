#include "editor/RichTextBox.h"
#include "editor/Zoom.h"

#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <functional>

using platform::RichTextBox;

namespace {

// Height of the rows holding any dark pixel.
int inkHeight(const QImage& image)
{
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                top = top < 0 ? y : top;
                bottom = y;
                break;
            }
        }
    }
    return top < 0 ? 0 : bottom - top + 1;
}

QString numberedLines(const QString& pattern, int count)
{
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        lines << pattern.arg(i);
    }
    return lines.join(u'\n');
}

// Sets the box up with the text and zoom, and shows it.
bool show(RichTextBox& box, const QString& text, QSize size, int numerator = 1, int denominator = 1,
          const std::optional<QFont>& font = std::nullopt)
{
    box.resize(size);
    if (font) {
        box.document()->setDefaultFont(*font);
    }
    box.setText(text);
    box.sendZoomMessage(numerator, denominator);
    box.show();
    return QTest::qWaitForWindowExposed(&box);
}

QFont monospace()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(12);
    return font;
}

} // namespace

class tst_RichTextBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void selectionReadsAndWrites()
    {
        RichTextBox box;
        box.setText(QStringLiteral("Hello world\nsecond line"));
        // A paragraph break is one character, and a selection across it reads as "\n".
        box.setSelStart(10);
        box.setSelLength(3);
        QCOMPARE(box.selText(), QStringLiteral("d\ns"));
        box.setSelText(QStringLiteral("D S"));
        QCOMPARE(box.text(), QStringLiteral("Hello worlD Second line"));
        QCOMPARE(box.selStart(), 13);
        QCOMPARE(box.selLength(), 0);
        // Positions out of range are clamped.
        box.setText(QStringLiteral("abc"));
        box.setSelStart(-5);
        QCOMPARE(box.selStart(), 0);
        box.setSelLength(1000);
        QCOMPARE(box.selLength(), 3);
        box.setSelLength(-1);
        QCOMPARE(box.selLength(), 0);
        box.setSelStart(1000);
        QCOMPARE(box.selStart(), 3);
    }

    void refusedFontValuesChangeNothing()
    {
        RichTextBox box;
        box.setText(QStringLiteral("abc"));
        box.selectAll();
        QVERIFY(box.setSelFontSize(20.0F));
        QVERIFY(!box.setSelFontSize(0.0F));
        QVERIFY(!box.setSelFontSize(5000.0F));
        QVERIFY(!box.setSelFontSize(std::numeric_limits<float>::quiet_NaN()));
        QVERIFY(!box.setSelFontName(QStringLiteral("  ")));
        QVERIFY(box.setSelFontName(QStringLiteral("Liberation Mono")));
        const QTextCharFormat format = box.textCursor().charFormat();
        QCOMPARE(format.fontPointSize(), 20.0);
        QCOMPARE(format.fontFamilies().toStringList(), QStringList{"Liberation Mono"});
    }

    void selectAllThenTypeReplaces()
    {
        RichTextBox box;
        QVERIFY(show(box, QStringLiteral("first\nsecond"), {300, 200}));
        box.setSelStart(3);
        QSignalSpy selection(&box, &RichTextBox::SelChange);
        box.selectAll();
        QVERIFY(selection.count() > 0);
        box.setFocus();
        QTest::keyClick(&box, Qt::Key_Up, Qt::ShiftModifier);
        // Up one line from the end of "second": the end of "first", still anchored at 0.
        QCOMPARE(box.selStart(), 0);
        QCOMPARE(box.selLength(), 5);
        box.selectAll();
        QTest::keyClicks(&box, QStringLiteral("xy"));
        QCOMPARE(box.text(), QStringLiteral("xy"));
    }

    void zoomScalesDrawingNotDocument()
    {
        RichTextBox box;
        QVERIFY(show(box, QStringLiteral("Hxg"), {600, 300}));
        QTextCharFormat format;
        format.setFontFamilies({QStringLiteral("Liberation Sans")});
        format.setFontPointSize(24);
        box.selectAll();
        box.textCursor().mergeCharFormat(format);
        box.setSelStart(0);

        const int normal = inkHeight(box.viewport()->grab().toImage());
        QVERIFY(box.sendZoomMessage(2, 1));
        const int doubled = inkHeight(box.viewport()->grab().toImage());
        QVERIFY2(normal > 20, qPrintable(QString::number(normal)));
        const double ratio = double(doubled) / normal;
        QVERIFY2(ratio > 1.85 && ratio < 2.15, qPrintable(QString::number(ratio)));
        // The document keeps its size: 24 points, the same characters.
        box.setSelStart(1);
        QCOMPARE(box.textCursor().charFormat().fontPointSize(), 24.0);
        QCOMPARE(box.text(), QStringLiteral("Hxg"));
    }

    // The zoom list and the zoom message with its range.
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

    void clickPutsCaretOnCharacter_data()
    {
        QTest::addColumn<int>("numerator");
        QTest::addColumn<int>("denominator");
        QTest::newRow("1/1") << 1 << 1;
        QTest::newRow("2/1") << 2 << 1;
        QTest::newRow("1/2") << 1 << 2;
    }

    void clickPutsCaretOnCharacter()
    {
        QFETCH(int, numerator);
        QFETCH(int, denominator);
        const QString line = QStringLiteral("The quick brown fox");
        RichTextBox box;
        QVERIFY(show(box, line + u'\n' + line, {800, 300}, numerator, denominator, monospace()));
        const qreal factor = qreal(numerator) / denominator;

        // Where the characters are, worked out from the font rather than asked of the editor.
        const QFontMetricsF metrics(monospace());
        const qreal margin = box.document()->documentMargin();
        for (const int target : {0, 4, 10, 18}) {
            for (const int row : {0, 1}) {
                const qreal left = margin + metrics.horizontalAdvance(line.left(target));
                const qreal width = metrics.horizontalAdvance(line.at(target));
                // A third into the character: the caret goes before it.
                const QPointF inDocument(left + width / 3, margin + metrics.height() * (row + 0.5));
                const QPoint click = (inDocument * factor).toPoint();
                QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, click);
                const int expected = row * (int(line.size()) + 1) + target;
                QVERIFY2(box.selStart() == expected,
                         qPrintable(QStringLiteral("clicked char %1 of row %2, caret at %3")
                                        .arg(target)
                                        .arg(row)
                                        .arg(box.selStart())));
                QCOMPARE(box.selLength(), 0);
                QCOMPARE(box.positionAt(click), expected);
            }
        }
    }

    void largeDocumentStaysExactWhileLaidOut()
    {
        // Large enough that the layout is done a piece at a time in the background.
        const QString text = numberedLines(
            QStringLiteral("paragraph %1 with a few words that wrap in a narrow view"), 4000);
        RichTextBox box;
        QVERIFY(show(box, text, {300, 200}));

        // The top margin belongs to the first line.
        box.setSelStart(50);
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(box.selStart(), 0);
        QCOMPARE(box.positionAt(QPoint(0, 0)), 0);

        // A caret far down is scrolled into view.
        const int middle = int(text.indexOf(QStringLiteral("paragraph 2000 ")));
        box.setSelStart(middle);
        QVERIFY(box.verticalScrollBar()->value() > 0);
        QVERIFY(box.viewport()->rect().contains(box.cursorRect(middle).center()));

        // Zooming keeps the paragraph at the top of the view there.
        const auto topParagraph = [&] {
            return box.document()->findBlock(box.positionAt(QPoint(0, 1))).blockNumber();
        };
        const int before = topParagraph();
        QVERIFY(before > 1900);
        for (const auto& [numerator, denominator] : {std::pair{2, 1}, {1, 2}, {3, 1}, {1, 1}}) {
            QVERIFY(box.sendZoomMessage(numerator, denominator));
            QCOMPARE(topParagraph(), before);
        }
    }

    void dragBelowTheViewScrolls()
    {
        RichTextBox box;
        QVERIFY(show(box, numberedLines(QStringLiteral("line %1"), 200), {300, 200}, 3, 2));
        QWidget* view = box.viewport();
        QTest::mousePress(view, Qt::LeftButton, {}, QPoint(10, 10));
        const QPointF below(10, view->height() + 30);
        QMouseEvent move(QEvent::MouseMove, below, view->mapToGlobal(below), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view, &move);
        QTRY_VERIFY(box.verticalScrollBar()->value() > 60);
        QVERIFY(box.selLength() > 0);
        QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(10, 10));
        const int stopped = box.verticalScrollBar()->value();
        QTest::qWait(200);
        QCOMPARE(box.verticalScrollBar()->value(), stopped);
    }

    void contextMenuOffersEditing()
    {
        RichTextBox box;
        QVERIFY(show(box, QStringLiteral("abc"), {300, 200}, 2, 1));
        QStringList entries;
        std::function<void()> closeMenu = [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu) {
                QTimer::singleShot(10, closeMenu);
                return;
            }
            for (const QAction* action : menu->actions()) {
                entries << action->text().remove(u'&');
            }
            menu->close();
        };
        QTimer::singleShot(0, closeMenu);
        const QPoint at(20, 20);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, box.viewport()->mapToGlobal(at));
        QApplication::sendEvent(box.viewport(), &event);
        QTRY_VERIFY(!entries.isEmpty());
        QVERIFY2(entries.filter(QStringLiteral("Paste")).size() == 1,
                 qPrintable(entries.join(", ")));
        QVERIFY(entries.filter(QStringLiteral("Select All")).size() == 1);
    }
};

QTEST_MAIN(tst_RichTextBox)
#include "tst_RichTextBox.moc"
