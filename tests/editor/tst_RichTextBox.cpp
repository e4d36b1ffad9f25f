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

using editor::RichTextBox;
using support::FakeCommonDialogService;

namespace {

// Height of the rows holding any dark pixel.
int inkHeight(const QImage& image)
{
    QList<int> inked;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                inked << y;
                break;
            }
        }
    }
    return inked.isEmpty() ? 0 : inked.last() - inked.first() + 1;
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
bool show(RichTextBox& box, const QString& text, QSize size, int numerator = 1, int denominator = 1)
{
    box.resize(size);
    box.setText(text);
    box.sendZoomMessage(numerator, denominator);
    box.show();
    return QTest::qWaitForWindowExposed(&box);
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

std::pair<int, int> selection(const RichTextBox& box)
{
    return {box.selStart(), box.selLength()};
}

} // namespace

class tst_RichTextBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QApplication::clipboard()->setText(QStringLiteral("on the clipboard")); }

    void selectionReadsWritesAndRefusesBadFontValues()
    {
        RichTextBox box;
        box.setText("Hello world\nsecond line");
        // A paragraph break is one character, and a selection across it reads as "\n".
        select(box, 10, 3);
        QCOMPARE(box.selText(), "d\ns");
        box.setSelText("D S");
        QCOMPARE(box.text(), "Hello worlD Second line");
        QCOMPARE(selection(box), std::pair(13, 0));
        // Positions out of range are clamped.
        box.setText("abc");
        select(box, -5, 1000);
        QCOMPARE(selection(box), std::pair(0, 3));
        select(box, 1000, -1);
        QCOMPARE(selection(box), std::pair(3, 0));
        // Font values the box refuses change nothing.
        box.selectAll();
        QVERIFY(box.setSelFontSize(20.0F));
        for (const float refused : {0.0F, 5000.0F, std::numeric_limits<float>::quiet_NaN()}) {
            QVERIFY(!box.setSelFontSize(refused));
        }
        QVERIFY(!box.setSelFontName("  "));
        QVERIFY(box.setSelFontName("Liberation Mono"));
        const QTextCharFormat format = box.textCursor().charFormat();
        QCOMPARE(format.fontPointSize(), 20.0);
        QCOMPARE(format.fontFamilies().toStringList(), QStringList{"Liberation Mono"});
    }

    void zoomScalesDrawingNotDocument()
    {
        RichTextBox box;
        QVERIFY(show(box, "Hxg", {600, 300}));
        box.selectAll();
        QVERIFY(box.setSelFontName("Liberation Sans") && box.setSelFontSize(24));
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
        QCOMPARE(box.text(), "Hxg");
    }

    // The zoom list opens on 100%; its first and last rows send their ratios, and with no row
    // chosen nothing is sent.
    void choosingARowSendsItsRatio()
    {
        const std::tuple<const char*, int, int> rows[] = {
            {"10%", 1, 10}, {"300%", 3, 1}, {"", 0, 0}};
        for (const auto& [text, numerator, denominator] : rows) {
            QComboBox cboZoom;
            editor::fillZoomList(cboZoom);
            QCOMPARE(cboZoom.count(), 11);
            QCOMPARE(cboZoom.currentText(), "100%");
            RichTextBox RichTextBox1;
            QSignalSpy sent(&RichTextBox1, &RichTextBox::zoomMessageReceived);
            cboZoom.setCurrentIndex(cboZoom.findText(text));
            QCOMPARE(editor::cboZoom_Click(cboZoom, RichTextBox1), std::nullopt);
            QCOMPARE(QList<QVariantList>(sent),
                     (numerator ? QList<QVariantList>{{numerator, denominator}}
                                : QList<QVariantList>()));
            QCOMPARE(RichTextBox1.zoomFactor(), numerator ? qreal(numerator) / denominator : 1.0);
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
                             ".mRichEdit30");
                QCOMPARE(error->description, "Numerator and Denominator must be between 1 and 64");
            }
        }
    }

    // At twice the size, on the first and last characters of both lines: where they are is
    // worked out from the font rather than asked of the editor.
    void clickPutsCaretOnCharacter()
    {
        const QString line = "The quick brown fox";
        QFont font("DejaVu Sans Mono");
        font.setPointSize(12);
        RichTextBox box;
        box.document()->setDefaultFont(font);
        QVERIFY(show(box, line + u'\n' + line, {800, 300}, 2, 1));
        const QFontMetricsF metrics(font);
        const qreal margin = box.document()->documentMargin();
        for (const int target : {0, 18}) {
            for (const int row : {0, 1}) {
                // A third into the character: the caret goes before it.
                const QPointF inDocument(margin + metrics.horizontalAdvance(line.left(target)) +
                                             metrics.horizontalAdvance(line.at(target)) / 3,
                                         margin + metrics.height() * (row + 0.5));
                const QPoint click = (inDocument * 2).toPoint();
                QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, click);
                const int expected = row * (int(line.size()) + 1) + target;
                QVERIFY2(selection(box) == std::pair(expected, 0) &&
                             box.positionAt(click) == expected,
                         qPrintable(QString("clicked char %1 of row %2, caret at %3")
                                        .arg(target)
                                        .arg(row)
                                        .arg(box.selStart())));
            }
        }
    }

    void largeDocumentStaysExactWhileLaidOut()
    {
        // Large enough that the layout is done a piece at a time in the background.
        const QString text =
            numberedLines("paragraph %1 with a few words that wrap in a narrow view", 4000);
        RichTextBox box;
        QVERIFY(show(box, text, {300, 200}));

        // The top margin belongs to the first line.
        box.setSelStart(50);
        QTest::mouseClick(box.viewport(), Qt::LeftButton, {}, QPoint(1, 1));
        QCOMPARE(box.selStart(), 0);
        QCOMPARE(box.positionAt(QPoint(0, 0)), 0);

        // A caret far down is scrolled into view.
        const int middle = int(text.indexOf("paragraph 2000 "));
        box.setSelStart(middle);
        QVERIFY(box.verticalScrollBar()->value() > 0);
        QVERIFY(box.viewport()->rect().contains(box.cursorRect(middle).center()));

        // Zooming keeps the paragraph at the top of the view there.
        const auto topParagraph = [&] {
            return box.document()->findBlock(box.positionAt(QPoint(0, 1))).blockNumber();
        };
        const int before = topParagraph();
        QVERIFY(before > 1900);
        for (const auto& [numerator, denominator] : {std::pair{2, 1}, {1, 1}}) {
            QVERIFY(box.sendZoomMessage(numerator, denominator));
            QCOMPARE(topParagraph(), before);
        }
    }

    void dragBelowTheViewScrolls()
    {
        RichTextBox box;
        QVERIFY(show(box, numberedLines("line %1", 200), {300, 200}, 3, 2));
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
        QVERIFY(show(box, "abc", {300, 200}, 2, 1));
        const QPoint at(20, 20);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, box.viewport()->mapToGlobal(at));
        QApplication::sendEvent(box.viewport(), &event);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        QStringList entries;
        for (const QAction* action : menu->actions()) {
            entries << action->text().remove(u'&');
        }
        menu->close();
        QVERIFY2(entries.filter("Paste").size() == 1 && entries.filter("Select All").size() == 1,
                 qPrintable(entries.join(", ")));
    }

    // Bold, then italic: a partly set selection is cleared by the first click, set by the second.
    void styleTogglesAMixedSelection()
    {
        using State = std::optional<bool> (RichTextBox::*)() const;
        const std::pair<void (*)(RichTextBox&), State> styles[] = {
            {&editor::cmdBold_Click, &RichTextBox::selBold},
            {&editor::cmdItalic_Click, &RichTextBox::selItalic}};
        for (const auto& [click, state] : styles) {
            RichTextBox box;
            box.setText("plain bold");
            select(box, 6, 4);
            click(box);
            QCOMPARE((box.*state)(), true);
            select(box, 0, 10);
            QCOMPARE((box.*state)(), std::nullopt);
            click(box);
            QCOMPARE((box.*state)(), false);
            click(box);
            QCOMPARE((box.*state)(), true);
            QCOMPARE(box.text(), "plain bold");
        }
    }

    // Select All selects everything and gives the box the focus, where the keyboard goes on:
    // Shift+Up from the end of "second" ends the selection at the end of "first", still anchored
    // at 0, and typing replaces a whole selection.
    void selectAllSelectsAndFocuses()
    {
        QWidget window;
        QLineEdit other(&window);
        auto* box = new RichTextBox(&window);
        box->resize(300, 200);
        box->move(0, 40);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QSignalSpy changed(box, &RichTextBox::SelChange);
        for (const QString text : {"", "first\nsecond"}) {
            box->setText(text);
            box->setSelStart(3);
            other.setFocus();
            QVERIFY(!box->hasFocus());
            changed.clear();
            editor::cmdAll_Click(*box);
            QCOMPARE(box->selStart(), 0);
            QCOMPARE(box->selText(), text);
            QVERIFY(box->hasFocus());
        }
        QVERIFY(!changed.isEmpty());
        QTest::keyClick(box, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(selection(*box), std::pair(0, 5));
        editor::cmdAll_Click(*box);
        QTest::keyClicks(box, "xy");
        QCOMPARE(box->text(), "xy");
    }

    void clipboardCommands()
    {
        QClipboard* clipboard = QApplication::clipboard();
        RichTextBox box;
        const auto texts = [&] { return QStringList{box.text(), clipboard->text()}; };
        box.setText("alpha beta gamma");
        // With nothing selected, Cut and Copy leave the clipboard alone.
        box.setSelStart(4);
        editor::cmdCopy_Click(box);
        editor::cmdCut_Click(box);
        QCOMPARE(texts(), QStringList({"alpha beta gamma", "on the clipboard"}));
        QCOMPARE(box.selStart(), 4);

        select(box, 6, 5);
        editor::cmdCopy_Click(box);
        QCOMPARE(texts(), QStringList({"alpha beta gamma", "beta "}));
        clipboard->clear();
        editor::cmdCut_Click(box);
        QCOMPARE(texts(), QStringList({"alpha gamma", "beta "}));
        box.setSelStart(0);
        editor::cmdPaste_Click(box);
        QCOMPARE(box.text(), "beta alpha gamma");

        // Formatted clipboard content arrives as its characters only.
        auto* rich = new QMimeData;
        rich->setHtml("<b>big</b>");
        rich->setText("big");
        clipboard->setMimeData(rich);
        select(box, 0, 4);
        editor::cmdPaste_Click(box);
        QCOMPARE(box.text(), "big alpha gamma");
        select(box, 0, 3);
        QCOMPARE(box.selBold(), false);

        select(box, 3, 6);
        editor::cmdDelete_Click(box);
        QCOMPARE(box.text(), "big gamma");
        editor::cmdClearText_Click(box);
        editor::cmdClear_Click();
        QCOMPARE(texts(), QStringList({"", ""}));

        // A clipboard without text (a picture) pastes nothing and keeps the selection.
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::green);
        auto* picture = new QMimeData;
        picture->setImageData(image);
        clipboard->setMimeData(picture);
        box.setText("unchanged");
        select(box, 2, 3);
        editor::cmdPaste_Click(box);
        QCOMPARE(box.text(), "unchanged");
        QCOMPARE(selection(box), std::pair(2, 3));
    }

    // Font: the chosen values apply to the selection, and a size the editor refuses is skipped
    // while the others still apply. Colours: the text colour applies to the selection, the
    // background to the whole box. Each dialog opens on what was chosen last; cancelled, none
    // applies anything (not even what was chosen before).
    void dialogsApplyWhatWasChosen()
    {
        RichTextBox box;
        box.setText("abc def");
        select(box, 0, 3);
        editor::CommonDialog dialog;
        FakeCommonDialogService dialogs;
        dialogs.queueFont(platform::FontChoice{"Liberation Mono", 18.0F, true, true, true, true});
        editor::cmdFont_Click(box, dialog);
        QCOMPARE(dialog.Flags, quint32(3));
        const QTextCharFormat format = formatAt(box, 1);
        QCOMPARE(format.fontFamilies().toStringList(), QStringList{"Liberation Mono"});
        QCOMPARE(format.fontPointSize(), 18.0);
        QCOMPARE(format.fontWeight(), int(QFont::Bold));
        QVERIFY(format.fontItalic() && format.fontStrikeOut() && format.fontUnderline());
        QCOMPARE(formatAt(box, 5).fontWeight(), int(QFont::Normal));
        select(box, 4, 3);
        dialogs.queueFont(platform::FontChoice{"DejaVu Sans", 0.0F});
        editor::cmdFont_Click(box, dialog);
        QCOMPARE(dialogs.requests().at(1).font.name, "Liberation Mono");
        QCOMPARE(dialogs.requests().at(1).font.size, 18.0F);
        QCOMPARE(formatAt(box, 5).fontFamilies().toStringList(), QStringList{"DejaVu Sans"});
        QVERIFY(!formatAt(box, 5).hasProperty(QTextFormat::FontPointSize));

        dialogs.queueColor(platform::rgb(0, 0, 255));
        editor::cmdForeColor_Click(box, dialog);
        QCOMPARE(formatAt(box, 5).foreground().color(), QColor(0, 0, 255));
        QVERIFY(!formatAt(box, 1).hasProperty(QTextFormat::ForegroundBrush));
        dialogs.queueColor(platform::rgb(255, 255, 224));
        editor::cmdBackColor_Click(box, dialog);
        QCOMPARE(box.backColor(), platform::rgb(255, 255, 224));
        QCOMPARE(dialogs.requests().at(3).color, platform::rgb(0, 0, 255));
        box.resize(200, 100);
        const QImage shot = box.viewport()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(shot.width() - 5, shot.height() - 5)), QColor(255, 255, 224));

        select(box, 0, 7);
        const QString chosen = box.document()->toHtml();
        editor::cmdFont_Click(box, dialog);
        editor::cmdForeColor_Click(box, dialog);
        editor::cmdBackColor_Click(box, dialog);
        QCOMPARE(dialogs.requests().size(), 7);
        QCOMPARE(box.document()->toHtml(), chosen);
        QCOMPARE(box.backColor(), platform::rgb(255, 255, 224));
        QCOMPARE(selection(box), std::pair(0, 7));
    }
};

QTEST_MAIN(tst_RichTextBox)
#include "tst_RichTextBox.moc"
