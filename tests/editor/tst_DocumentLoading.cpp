#include "TestFiles.h"
#include "documents/DocumentFile.h"
#include "documents/PlainText.h"
#include "documents/WordConverter.h"
#include "editor/DocumentLoading.h"
#include "editor/FileOpen.h"
#include "editor/RichTextBox.h"
#include "support/FakeCommonDialogService.h"
#include "support/FakeMessageBoxService.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

using editor::RichTextBox;
using support::FakeCommonDialogService;
using testfiles::expectedText;
using testfiles::fixture;

namespace {

const QString kGreeting = QString::fromUtf8("Καλημέρα, café, Привет, 日本, 😀");
const QString kClipboard = QStringLiteral("the user's clipboard");

const QString kPrevious = QStringLiteral("previous text");
constexpr int kDropped = -1; // not a dialog entry: the file is dropped on the editor

} // namespace

class tst_DocumentLoading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_temp.isValid());
        qputenv("TMPDIR", m_temp.path().toUtf8());
        QCOMPARE(QDir::tempPath(), m_temp.path());
        QVERIFY(testfiles::write(m_temp.filePath("empty.txt"), QByteArray()));
        // Large on paper only: refused before a byte is read.
        QFile huge(m_temp.filePath("huge.txt"));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(documents::documentfile::kMaxBytes + 1));
    }

    void init()
    {
        editor::FileOpen::OpenFilterIndex = 0;
        editor::FileOpen::OpenFileName.clear();
        QApplication::clipboard()->setText(kClipboard);
    }

    void cleanup()
    {
        // Nothing a conversion started outlives it, and nothing touches the clipboard.
        QCOMPARE(testfiles::processesMentioning(m_temp.path().toUtf8() + "/parlanza-doc-"),
                 QStringList());
        QCOMPARE(QApplication::clipboard()->text(), kClipboard);
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    }

    void decodeTextAndStripNulls()
    {
        const std::pair<QByteArray, QString> rows[] = {
            // UTF-16 both ways and UTF-8 with and without its mark, beyond ASCII.
            {QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(kGreeting),
             kGreeting},
            {QStringEncoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::WriteBom)(kGreeting),
             kGreeting},
            {QByteArray("\xEF\xBB\xBF") + kGreeting.toUtf8(), kGreeting},
            {kGreeting.toUtf8(), kGreeting},
            {"caf\xE9 \x80 \x93ok\x94 na\xEFve", "café € “ok” naïve"},
            {"\xEF\xBB\xBF", ""}};
        for (const auto& [bytes, expected] : rows) {
            QCOMPARE(documents::plaintext::decode(bytes), expected);
        }
        // A name ends at its first NUL.
        QCOMPARE(QStringList({editor::FileOpen::StripNulls("C:/docs/a.txt"),
                              editor::FileOpen::StripNulls(QString::fromUtf16(u"a.txt\0   ", 9)),
                              editor::FileOpen::StripNulls(QString::fromUtf16(u"\0abc", 4))}),
                 QStringList({"C:/docs/a.txt", "a.txt", ""}));
    }

    // Chosen in the dialog, or dropped on the editor (which reads as All documents does).
    void openReadsAsTheChosenEntrySays_data()
    {
        const QByteArray rtf = "{\\rtf1\\ansi {\\b Bold} words\\par next}";
        const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16); // its signature is enough
        const QByteArray doc = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1Hello";
        const int text = editor::TextFilesEntry;
        const int rich = editor::RichTextEntry;
        const int word = editor::WordEntry;
        const int all = editor::AllDocumentsEntry;

        QTest::addColumn<QString>("name");       // a full path: that file as it is
        QTest::addColumn<QByteArray>("content"); // null: the file is not written
        QTest::addColumn<int>("entry");          // kDropped: dropped on the editor
        QTest::addColumn<QString>("expected");   // null: the previous text stays
        QTest::addColumn<QString>("message");    // in the box, or empty for none

        const auto row = [](const char* name, const QString& file, const QByteArray& content,
                            int entry, const QString& expected, const QString& message) {
            QTest::newRow(name) << file << content << entry << expected << message;
        };
        const QString sample = expectedText("sample");
        // A document the entry cannot read is read by its content.
        row("rich text chosen as Text Files is read as rich text", "r.rtf", rtf, text,
            "Bold words\nnext", "");
        row("DOCX chosen as Text Files", fixture("sample.docx"), {}, text, sample, "");
        row("rich text chosen as Rich Text shows its text", "r.rtf", rtf, rich, "Bold words\nnext",
            "");
        row("Word document chosen as All files reads as text", "w.doc", doc, editor::AllFilesEntry,
            documents::plaintext::decode(doc), "");
        // Nothing read keeps the text, with a word why.
        row("empty file", "e.txt", "", text, QString(), "contains no text");
        row("rich text cut off in its tables", "cut.rtf",
            "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}{\\f1 Times", rich, QString(),
            "contains no text");
        // Cut short after some text: that text, and a word that more may be missing.
        row("rich text cut off in its text", "half.rtf",
            "{\\rtf1\\ansi {\\b Bold} words\\par next wo", rich, "Bold words\nnext wo",
            "may be incomplete");
        row("missing file", "gone.txt", QByteArray(), text, QString(), "could not be opened");
        row("plain text chosen as Rich Text", "p.rtf", "no markup here", rich, QString(),
            "could not be opened");
        row("an entry the list does not have", "a.txt", "new text", 7, QString(), "");
        row("renamed PNG chosen as Word Document", "picture.doc", png, word, QString(),
            "not a Word document");
        // Every kind the reader knows, chosen as All documents.
        for (const char* name : {"sample.expected.txt", "sample.md", "sample.html", "sample.rtf",
                                 "sample.pdf", "sample.epub", "sample.docx", "sample.odt"}) {
            row(name, fixture(name), {}, all, sample, "");
        }
        row("damaged.docx", fixture("damaged.docx"), {}, all, QString(), "damaged");
        row("encrypted.pdf", fixture("encrypted.pdf"), {}, all, QString(), "password");
        row("encrypted.odt", fixture("encrypted.odt"), {}, all, QString(), "password");
        row("drm.epub", fixture("drm.epub"), {}, all, QString(), "DRM");
        row("scanned.pdf", fixture("scanned.pdf"), {}, all, QString(),
            "contains no text; it may be a scanned image");
        row("empty.txt", m_temp.filePath("empty.txt"), {}, all, QString(), "empty");
        row("huge.txt", m_temp.filePath("huge.txt"), {}, all, QString(), "too large");
        row("dropped", fixture("sample.expected.txt"), {}, kDropped, sample, "");
        // These run LibreOffice.
        row("Word document written by LibreOffice", fixture("mixed.doc"), {}, word,
            expectedText("mixed"), "");
        row("damaged Word document", fixture("corrupt.doc"), {}, word, QString(),
            "could not convert");
        row("password-protected Word document", fixture("protected.doc"), {}, word, QString(),
            "could not convert");
    }

    void openReadsAsTheChosenEntrySays()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(int, entry);
        QFETCH(QString, expected);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = QFileInfo(name).isAbsolute() ? name : dir.filePath(name);
        if (!content.isNull()) {
            QVERIFY(testfiles::write(path, content));
        }
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) &&
            documents::WordConverter::hasOleSignature(file.read(8)) &&
            documents::WordConverter::converterProgram().isEmpty()) {
            QSKIP("LibreOffice (soffice) is not installed");
        }
        RichTextBox RichTextBox1;
        RichTextBox1.resize(200, 100);
        RichTextBox1.setText(kPrevious);
        RichTextBox1.setSelStart(8);
        connect(&RichTextBox1, &RichTextBox::filesDropped, this, [&](const QStringList& paths) {
            editor::openDroppedFile(RichTextBox1, paths.first());
        });
        support::FakeCommonDialogService dialogs;
        support::FakeMessageBoxService boxes;
        bool hourglass = false; // up while a box was shown
        boxes.onShow = [&](const platform::MessageBoxRequest&) {
            hourglass = hourglass || QApplication::overrideCursor() != nullptr;
        };

        if (entry == kDropped) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(path)});
            const QPoint middle = RichTextBox1.viewport()->rect().center();
            QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(RichTextBox1.viewport(), &enter);
            QDropEvent drop(QPointF(middle), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(RichTextBox1.viewport(), &drop);
            QVERIFY(dialogs.requests().isEmpty());
        } else {
            dialogs.queueFile(platform::FileDialogResult{path, QFileInfo(path).fileName(), entry});
            editor::cmdOpen_Click(RichTextBox1);
            QCOMPARE(dialogs.requests().size(), 1);
            QCOMPARE(dialogs.requests().at(0).file.filter, editor::kOpenFilter);
        }
        // Readers of documents lay out lists and chapters in their own ways: the words count.
        QCOMPARE(RichTextBox1.text().simplified(),
                 expected.isNull() ? kPrevious : expected.simplified());
        if (!expected.isNull()) {
            QCOMPARE(std::pair(RichTextBox1.selStart(), RichTextBox1.selLength()), std::pair(0, 0));
        }
        QCOMPARE(boxes.boxes().size(), message.isEmpty() ? 0 : 1);
        QVERIFY(!hourglass); // taken down before any message
        if (!message.isEmpty()) {
            const platform::MessageBoxRequest& box = boxes.boxes().at(0);
            QVERIFY2(box.text.contains(message), qPrintable(box.text));
            QVERIFY2(box.text.contains(QFileInfo(path).fileName()), qPrintable(box.text));
            QCOMPARE(box.buttons, platform::MessageButtons::Ok);
            QVERIFY(box.title.isEmpty()); // the program's title
            if (entry == editor::WordEntry) {
                QVERIFY(box.text.startsWith("Error converting Word Document"));
                QCOMPARE(box.icon, platform::MessageIcon::Critical);
            }
        }
    }

    // The dialog shows only the entries' names, which name every kind of file read; the entry
    // chosen is where the next dialog starts, and a cancelled dialog changes nothing.
    void realDialogCarriesTheEntryOverAndCancelChangesNothing()
    {
        const QStringList parts = editor::kOpenFilter.split(u'|');
        QString names;
        for (qsizetype i = 0; i < parts.size(); i += 2) {
            names += parts.at(i);
        }
        for (const QString& pattern : parts.last().split(u';')) {
            QVERIFY2(names.contains(pattern), qPrintable(pattern));
        }

        QTemporaryDir dir;
        const QString path = dir.filePath("notes.rtf");
        QVERIFY(testfiles::write(path, "{\\rtf1 Rich notes}"));
        QStringList startedOn;
        // Confirms the first dialog on "Rich Text (*.rtf)", cancels the second.
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&startedOn, path] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) {
                return;
            }
            // The user sees the description as the program wrote it.
            auto* combo = dialog->findChild<QComboBox*>("fileTypeCombo");
            startedOn << (combo ? combo->currentText() : QString());
            if (startedOn.size() == 1) {
                dialog->selectNameFilter(dialog->nameFilters().at(1));
                // Typed, as a user would (selectFile leaves a focused name field alone).
                if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
                    name->setText(path);
                }
                static_cast<QDialog*>(dialog)->accept();
            } else {
                dialog->reject();
            }
        });
        poll.start();

        RichTextBox RichTextBox1;
        RichTextBox1.setText("previous");
        support::FakeMessageBoxService boxes;
        editor::cmdOpen_Click(RichTextBox1);
        QCOMPARE(RichTextBox1.text(), "Rich notes");
        QCOMPARE(editor::FileOpen::OpenFileName, path);
        QCOMPARE(editor::FileOpen::OpenFileTitle, "notes.rtf");
        QCOMPARE(editor::FileOpen::OpenFilterIndex, int(editor::RichTextEntry));
        editor::cmdOpen_Click(RichTextBox1);
        QCOMPARE(RichTextBox1.text(), "Rich notes");
        QCOMPARE(editor::FileOpen::OpenFileName, QString());
        QCOMPARE(editor::FileOpen::OpenFilterIndex, int(editor::RichTextEntry));
        QCOMPARE(startedOn, (QStringList{"Text Files (*.txt)", "Rich Text (*.rtf)"}));
        QCOMPARE(boxes.boxes().size(), 0);
    }

private:
    // Word conversions work in the temporary folder: one of this test's own, so that
    // converters left running are told apart from those of tests running beside it.
    QTemporaryDir m_temp;
};

QTEST_MAIN(tst_DocumentLoading)
#include "tst_DocumentLoading.moc"
