#include "editor/CommonDialog.h"
#include "editor/EditCommands.h"
#include "editor/RichTextBox.h"
#include "platform/FakeCommonDialogService.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTextDocument>

using platform::FakeCommonDialogService;
using platform::RichTextBox;

namespace {

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

class tst_EditCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { QApplication::clipboard()->setText(QStringLiteral("on the clipboard")); }
    void styleTogglesAMixedSelection_data()
    {
        QTest::addColumn<bool>("italic");
        QTest::newRow("bold") << false;
        QTest::newRow("italic") << true;
    }

    void styleTogglesAMixedSelection()
    {
        QFETCH(bool, italic);
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
        FakeCommonDialogService dialogs;
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
        FakeCommonDialogService dialogs;
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
        FakeCommonDialogService dialogs; // every dialog is cancelled
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

QTEST_MAIN(tst_EditCommands)
#include "tst_EditCommands.moc"
