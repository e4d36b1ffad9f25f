#include "TestFiles.h"
#include "app/Main.h"
#include "editor/RichTextBox.h"
#include "platform/FakeMessageBoxService.h"
#include "speech/FakeSpeechControl.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QUrl>

// A file dropped on the window, or on its editor, replaces the editor's text with the
// file's; a dropped selection is typed in instead.
class tst_MainDrop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dropOpensTheFile_data()
    {
        QTest::addColumn<bool>("onEditor");
        QTest::addColumn<bool>("file");
        QTest::newRow("file on the window") << false << true;
        QTest::newRow("file on the editor") << true << true;
        QTest::newRow("selection on the editor") << true << false;
    }

    void dropOpensTheFile()
    {
        QFETCH(bool, onEditor);
        QFETCH(bool, file);
        platform::FakeMessageBoxService boxes;
        FakeSpeechControl speech;
        Main main{&speech};
        main.Form_Load();
        auto* editor = main.findChild<platform::RichTextBox*>(QStringLiteral("RichTextBox1"));
        QVERIFY(editor);
        editor->setText(QStringLiteral("typed"));
        QMimeData data;
        if (file) {
            data.setUrls({QUrl::fromLocalFile(testfiles::fixture(QStringLiteral("sample.html")))});
        } else {
            data.setText(QStringLiteral("dropped words "));
        }
        QWidget* target = onEditor ? editor->viewport() : static_cast<QWidget*>(&main);
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);

        if (file) {
            QCOMPARE(editor->text().simplified(),
                     testfiles::expectedText(QStringLiteral("sample")).simplified());
        } else {
            QVERIFY2(editor->text().contains(QLatin1String("dropped words")),
                     qPrintable(editor->text()));
            QVERIFY(editor->text().contains(QLatin1String("typed")));
        }
    }
};

QTEST_MAIN(tst_MainDrop)
#include "tst_MainDrop.moc"
