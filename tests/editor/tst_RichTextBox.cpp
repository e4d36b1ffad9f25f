// The editor box (selection, zoom, caret, scrolling, menu) and the commands that edit it
// (styles, clipboard, font and colour dialogs).
#include "editor/CommonDialog.h"
#include "editor/EditCommands.h"
#include "editor/RichTextBox.h"
#include "editor/Zoom.h"
#include "support/FakeCommonDialogService.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <functional>

using editor::RichTextBox;
using support::FakeCommonDialogService;

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

QTextCharFormat formatAt(const RichTextBox& box, int position)
{
    QTextCursor cursor(box.document());
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

void select(RichTextBox& box, int start, int length)
{
    box.setSelStart(start);
    box.setSelLength(length);
}

} // namespace

class tst_RichTextBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QApplication::clipboard()->setText(QStringLiteral("on the clipboard")); }

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
    // Each row sends its ratio; with no row chosen nothing is sent.
    void choosingARowSendsItsRatio()
    {
        const std::pair<int, int> rows[] = {{1, 10}, {1, 4}, {1, 2}, {3, 4}, {4, 5}, {9, 10},
                                            {1, 1},  {3, 2}, {2, 1}, {5, 2}, {3, 1}, {0, 0}};
        for (const auto& [numerator, denominator] : rows) {
            QComboBox cboZoom;
            editor::fillZoomList(cboZoom);
            QCOMPARE(cboZoom.count(), 11);
            QCOMPARE(cboZoom.currentText(), QStringLiteral("100%"));
            RichTextBox RichTextBox1;
            QSignalSpy sent(&RichTextBox1, &RichTextBox::zoomMessageReceived);
            const QString row =
                QStringLiteral("%1%").arg(numerator ? 100 * numerator / denominator : -1);
            cboZoom.setCurrentIndex(cboZoom.findText(row));
            QCOMPARE(editor::cboZoom_Click(cboZoom, RichTextBox1), std::nullopt);
            QCOMPARE(sent.count(), numerator ? 1 : 0);
            if (numerator) {
                QCOMPARE(sent.at(0).at(0).toInt(), numerator);
                QCOMPARE(sent.at(0).at(1).toInt(), denominator);
                QCOMPARE(RichTextBox1.zoomFactor(), qreal(numerator) / denominator);
            }
        }
    }

    // Numerator, denominator, whether the message goes out, and the editor's zoom after 2/1:
    // 0 and 0 switch zoom off, a zero denominator is left for the editor to refuse.
    void setZoomChecksTheRange()
    {
        const std::tuple<int, int, bool, qreal> rows[] = {
            {64, 1, true, 64.0}, {1, 64, true, 1 / 64.0},    {0, 0, true, 1.0},
            {65, 1, false, 2.0}, {1, -1, false, 2.0},        {1, 65, false, 2.0},
            {1, 0, true, 2.0},   {0x7FFFFFFF, 1, false, 2.0}};
        for (const auto& [numerator, denominator, sends, factor] : rows) {
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
    }

    void clickPutsCaretOnCharacter()
    {
        for (const auto& [numerator, denominator] : {std::pair{1, 1}, {2, 1}, {1, 2}}) {
            const QString line = QStringLiteral("The quick brown fox");
            RichTextBox box;
            QVERIFY(
                show(box, line + u'\n' + line, {800, 300}, numerator, denominator, monospace()));
            const qreal factor = qreal(numerator) / denominator;

            // Where the characters are, worked out from the font rather than asked of the editor.
            const QFontMetricsF metrics(monospace());
            const qreal margin = box.document()->documentMargin();
            for (const int target : {0, 4, 10, 18}) {
                for (const int row : {0, 1}) {
                    const qreal left = margin + metrics.horizontalAdvance(line.left(target));
                    const qreal width = metrics.horizontalAdvance(line.at(target));
                    // A third into the character: the caret goes before it.
                    const QPointF inDocument(left + width / 3,
                                             margin + metrics.height() * (row + 0.5));
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

    // Bold, then italic.
    void styleTogglesAMixedSelection()
    {
        for (const bool italic : {false, true}) {
            const auto click = [italic](RichTextBox& box) {
                italic ? editor::cmdItalic_Click(box) : editor::cmdBold_Click(box);
            };
            const auto state = [italic](const RichTextBox& box) {
                return italic ? box.selItalic() : box.selBold();
            };
            const auto on = [italic](const QTextCharFormat& format) {
                return italic ? format.fontItalic() : format.fontWeight() == QFont::Bold;
            };
            RichTextBox box;
            box.setText(QStringLiteral("plain bold"));
            select(box, 6, 4);
            click(box);
            QCOMPARE(state(box), std::optional<bool>(true));
            // Partly set: the first click clears all of it, the second sets all of it.
            select(box, 0, 10);
            QCOMPARE(state(box), std::nullopt);
            click(box);
            QCOMPARE(state(box), std::optional<bool>(false));
            QVERIFY(!on(formatAt(box, 7)));
            click(box);
            QCOMPARE(state(box), std::optional<bool>(true));
            QVERIFY(on(formatAt(box, 0)));
            QCOMPARE(box.text(), QStringLiteral("plain bold"));
        }
    }

    void selectAllSelectsAndFocuses()
    {
        QWidget window;
        QLineEdit other(&window);
        auto* box = new RichTextBox(&window);
        box->move(0, 40);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        for (const QString& text : {QStringLiteral("two\nlines"), QString()}) {
            box->setText(text);
            box->setSelStart(2);
            other.setFocus();
            QVERIFY(!box->hasFocus());
            editor::cmdAll_Click(*box);
            QCOMPARE(box->selStart(), 0);
            QCOMPARE(box->selText(), text);
            QVERIFY(box->hasFocus());
        }
    }

    void clipboardCommands()
    {
        RichTextBox box;
        box.setText(QStringLiteral("alpha beta gamma"));
        // With nothing selected, Cut and Copy leave the clipboard alone.
        box.setSelStart(4);
        editor::cmdCopy_Click(box);
        editor::cmdCut_Click(box);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("on the clipboard"));
        QCOMPARE(box.text(), QStringLiteral("alpha beta gamma"));
        QCOMPARE(box.selStart(), 4);

        select(box, 6, 5);
        editor::cmdCopy_Click(box);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("beta "));
        QCOMPARE(box.text(), QStringLiteral("alpha beta gamma"));
        editor::cmdCut_Click(box);
        QCOMPARE(box.text(), QStringLiteral("alpha gamma"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("beta "));
        box.setSelStart(0);
        editor::cmdPaste_Click(box);
        QCOMPARE(box.text(), QStringLiteral("beta alpha gamma"));

        // Formatted clipboard content arrives as its characters only.
        auto* rich = new QMimeData;
        rich->setHtml(QStringLiteral("<b>big</b>"));
        rich->setText(QStringLiteral("big"));
        QApplication::clipboard()->setMimeData(rich);
        select(box, 0, 4);
        editor::cmdPaste_Click(box);
        QCOMPARE(box.text(), QStringLiteral("big alpha gamma"));
        select(box, 0, 3);
        QCOMPARE(box.selBold(), std::optional<bool>(false));

        select(box, 3, 6);
        editor::cmdDelete_Click(box);
        QCOMPARE(box.text(), QStringLiteral("big gamma"));
        editor::cmdClearText_Click(box);
        QCOMPARE(box.text(), QString());
        editor::cmdClear_Click();
        QCOMPARE(QApplication::clipboard()->text(), QString());

        // A clipboard without text (a picture) pastes nothing and keeps the selection.
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::green);
        auto* picture = new QMimeData;
        picture->setImageData(image);
        QApplication::clipboard()->setMimeData(picture);
        box.setText(QStringLiteral("unchanged"));
        select(box, 2, 3);
        editor::cmdPaste_Click(box);
        QCOMPARE(box.text(), QStringLiteral("unchanged"));
        QCOMPARE(std::pair(box.selStart(), box.selLength()), std::pair(2, 3));
    }

    void fontDialogAppliesItsValues()
    {
        RichTextBox box;
        box.setText(QStringLiteral("abc def"));
        select(box, 0, 3);
        editor::CommonDialog dialog;
        support::FakeCommonDialogService dialogs;
        dialogs.queueFont(
            platform::FontChoice{QStringLiteral("Liberation Mono"), 18.0F, true, true, true, true});
        editor::cmdFont_Click(box, dialog);
        QCOMPARE(dialog.Flags, quint32(3));
        const QTextCharFormat format = formatAt(box, 1);
        QCOMPARE(format.fontFamilies().toStringList(), QStringList{"Liberation Mono"});
        QCOMPARE(format.fontPointSize(), 18.0);
        QCOMPARE(format.fontWeight(), int(QFont::Bold));
        QVERIFY(format.fontItalic() && format.fontStrikeOut() && format.fontUnderline());
        QCOMPARE(formatAt(box, 5).fontWeight(), int(QFont::Normal));

        // The dialog starts from what was chosen last; a size the editor refuses is
        // skipped and the other values still apply.
        select(box, 4, 3);
        dialogs.queueFont(platform::FontChoice{QStringLiteral("DejaVu Sans"), 0.0F});
        editor::cmdFont_Click(box, dialog);
        QCOMPARE(dialogs.requests().at(1).font.name, QStringLiteral("Liberation Mono"));
        QCOMPARE(dialogs.requests().at(1).font.size, 18.0F);
        QCOMPARE(formatAt(box, 5).fontFamilies().toStringList(), QStringList{"DejaVu Sans"});
        QVERIFY(!formatAt(box, 5).hasProperty(QTextFormat::FontPointSize));
    }

    void colourDialogs()
    {
        RichTextBox box;
        box.setText(QStringLiteral("abc def"));
        select(box, 4, 3);
        editor::CommonDialog dialog;
        support::FakeCommonDialogService dialogs;
        dialogs.queueColor(platform::rgb(0, 0, 255));
        editor::cmdForeColor_Click(box, dialog);
        QCOMPARE(formatAt(box, 5).foreground().color(), QColor(0, 0, 255));
        QVERIFY(!formatAt(box, 1).hasProperty(QTextFormat::ForegroundBrush));

        dialogs.queueColor(platform::rgb(255, 255, 224));
        editor::cmdBackColor_Click(box, dialog);
        QCOMPARE(box.backColor(), platform::rgb(255, 255, 224));
        // The second dialog opened on the colour chosen in the first.
        QCOMPARE(dialogs.requests().at(1).color, platform::rgb(0, 0, 255));
        box.resize(200, 100);
        const QImage shot = box.viewport()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(shot.width() - 5, shot.height() - 5)), QColor(255, 255, 224));
    }

    void cancelledDialogsApplyNothing()
    {
        RichTextBox box;
        box.setText(QStringLiteral("abc def"));
        select(box, 0, 7);
        const QString before = box.document()->toHtml();
        const platform::OleColor background = box.backColor();
        editor::CommonDialog dialog;
        support::FakeCommonDialogService dialogs; // every dialog is cancelled
        editor::cmdFont_Click(box, dialog);
        editor::cmdForeColor_Click(box, dialog);
        editor::cmdBackColor_Click(box, dialog);
        QCOMPARE(dialogs.requests().size(), 3);
        QCOMPARE(box.document()->toHtml(), before);
        QCOMPARE(box.backColor(), background);
        QCOMPARE(box.selLength(), 7);

        // Also after a colour was chosen once: a cancel does not apply it again.
        dialogs.queueColor(platform::rgb(255, 0, 0));
        editor::cmdBackColor_Click(box, dialog);
        editor::cmdForeColor_Click(box, dialog);
        QCOMPARE(box.document()->toHtml(), before);
    }
};

QTEST_MAIN(tst_RichTextBox)
#include "tst_RichTextBox.moc"
