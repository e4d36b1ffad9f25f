#include "editor/DocumentLoading.h"
#include "editor/FileOpen.h"
#include "platform/DocumentFile.h"
#include "platform/FakeCommonDialogService.h"
#include "platform/FakeMessageBoxService.h"
#include "platform/RichTextBox.h"
#include "platform/WordConverter.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QScopeGuard>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using platform::FakeCommonDialogService;
using platform::FakeMessageBoxService;
using platform::RichTextBox;

namespace {

QString dataFile(const QString& name)
{
    return QStringLiteral(PARLANZA_EDITOR_TEST_DATA "/") + name;
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray utf16(const QString& text, QStringEncoder::Encoding encoding)
{
    return QStringEncoder(encoding)(text);
}

const QString kGreeting = QString::fromUtf8("Καλημέρα, café, Привет, 日本, 😀");

} // namespace

class tst_DocumentLoading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void decodeText_data();
    void decodeText();
    void stripNulls_data();
    void stripNulls();
    void loadTextFileRefusesWhatItCannotRead();
    void openReadsAsTheChosenEntrySays_data();
    void openReadsAsTheChosenEntrySays();
    void cancelledDialogChangesNothing();
    void messagesAreShownWithoutTheHourglass();
    void filterEntryCarriesOverToTheNextDialog();
    void theRealDialogChoosesFileAndEntry();
    void openConvertsWordDocuments();

private:
    QTemporaryDir m_dir;
};

void tst_DocumentLoading::init()
{
    editor::FileOpen::OpenFilterIndex = 0;
    editor::FileOpen::OpenFileName.clear();
}

void tst_DocumentLoading::decodeText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("UTF-16 LE, ASCII") << QByteArray("\xFF\xFE"
                                                    "a\0b\0c\0",
                                                    8)
                                      << "abc";
    QTest::newRow("UTF-16 BE, ASCII") << QByteArray("\xFE\xFF\0a\0b\0c", 8) << "abc";
    QTest::newRow("UTF-16 LE, beyond ASCII")
        << QByteArray("\xFF\xFE") + utf16(kGreeting, QStringEncoder::Utf16LE) << kGreeting;
    QTest::newRow("UTF-16 BE, beyond ASCII")
        << QByteArray("\xFE\xFF") + utf16(kGreeting, QStringEncoder::Utf16BE) << kGreeting;
    QTest::newRow("UTF-8 with mark")
        << QByteArray("\xEF\xBB\xBF") + kGreeting.toUtf8() << kGreeting;
    QTest::newRow("UTF-8 without mark") << kGreeting.toUtf8() << kGreeting;
    QTest::newRow("Windows-1252") << QByteArray("caf\xE9 \x80 \x93ok\x94 na\xEFve")
                                  << QString::fromUtf8("café € “ok” naïve");
    QTest::newRow("Latin text that is not UTF-8")
        << QByteArray("d\xE9j\xE0 vu") << QString::fromUtf8("déjà vu");
    QTest::newRow("CRLF line ends") << QByteArray("one\r\ntwo") << "one\r\ntwo";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("UTF-8 mark only") << QByteArray("\xEF\xBB\xBF") << "";
}

void tst_DocumentLoading::decodeText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(editor::decodeText(bytes), expected);
}

void tst_DocumentLoading::stripNulls_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no NUL") << "C:/docs/a.txt"
                            << "C:/docs/a.txt";
    QTest::newRow("NUL then padding") << QString::fromUtf16(u"a.txt\0   ", 9) << "a.txt";
    QTest::newRow("NUL first") << QString::fromUtf16(u"\0abc", 4) << "";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_DocumentLoading::stripNulls()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(editor::FileOpen::StripNulls(text), expected);
}

void tst_DocumentLoading::loadTextFileRefusesWhatItCannotRead()
{
    QVERIFY(m_dir.isValid());
    editor::TextFileResult result = editor::LoadTextFile(m_dir.filePath("missing.txt"));
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains("does not exist"));

    result = editor::LoadTextFile(m_dir.path());
    QVERIFY(!result.ok);
    QVERIFY(!result.error.isEmpty());

    // A sparse file: large on paper, nothing on disk, refused before it is read.
    const QString huge = m_dir.filePath("huge.txt");
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(platform::documentfile::kMaxBytes + 1));
    }
    result = editor::LoadTextFile(huge);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains("too large"), qPrintable(result.error));
    QFile::remove(huge);
}

void tst_DocumentLoading::openReadsAsTheChosenEntrySays_data()
{
    const QByteArray rtf = "{\\rtf1\\ansi {\\b Bold} words\\par next}";
    QByteArray png;
    {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
    }
    const QByteArray doc = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1Hello");

    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // null: the file does not exist
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("expected"); // null: the previous text stays
    QTest::addColumn<QString>("message");  // the box's first line, or empty for none

    QTest::newRow("UTF-16 text file")
        << "a.txt" << QByteArray("\xFF\xFE") + utf16(kGreeting, QStringEncoder::Utf16LE)
        << int(editor::TextFilesEntry) << kGreeting << "";
    QTest::newRow("rich text chosen as Text Files shows the markup")
        << "r.rtf" << rtf << int(editor::TextFilesEntry) << QString::fromLatin1(rtf) << "";
    QTest::newRow("rich text chosen as All files shows the markup")
        << "r.rtf" << rtf << int(editor::AllFilesEntry) << QString::fromLatin1(rtf) << "";
    QTest::newRow("rich text chosen as Rich Text shows its text")
        << "r.rtf" << rtf << int(editor::RichTextEntry) << "Bold words\nnext"
        << "";
    QTest::newRow("Word document chosen as All files reads as text")
        << "w.doc" << doc << int(editor::AllFilesEntry) << editor::decodeText(doc) << "";
    QTest::newRow("empty file") << "e.txt" << QByteArray("") << int(editor::TextFilesEntry) << ""
                                << "";
    QTest::newRow("missing file") << "gone.txt" << QByteArray() << int(editor::TextFilesEntry)
                                  << QString() << "could not be opened";
    QTest::newRow("folder instead of a file")
        << "folder.txt/" << QByteArray() << int(editor::TextFilesEntry) << QString()
        << "could not be opened";
    QTest::newRow("plain text chosen as Rich Text")
        << "p.rtf" << QByteArray("no markup here") << int(editor::RichTextEntry) << QString()
        << "could not be opened";
    QTest::newRow("missing rich-text file")
        << "gone.rtf" << QByteArray() << int(editor::RichTextEntry) << QString()
        << "could not be opened";
    QTest::newRow("renamed PNG chosen as Word Document")
        << "picture.doc" << png << int(editor::WordEntry) << QString()
        << "Error converting Word Document";
    QTest::newRow("an entry the list does not have")
        << "a.txt" << QByteArray("new text") << 7 << QString() << "";
}

void tst_DocumentLoading::openReadsAsTheChosenEntrySays()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(int, entry);
    QFETCH(QString, expected);
    QFETCH(QString, message);

    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (name.endsWith(u'/')) {
        QVERIFY(QDir().mkpath(path));
        name.chop(1);
    } else if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    RichTextBox RichTextBox1;
    RichTextBox RTFtemp;
    RichTextBox1.setText(QStringLiteral("previous text"));
    RichTextBox1.setSelStart(8);
    FakeCommonDialogService dialogs;
    dialogs.queueFile(platform::FileDialogResult{path, name, entry});
    FakeMessageBoxService boxes;

    editor::cmdOpen_Click(RichTextBox1, RTFtemp);

    QCOMPARE(dialogs.requests().size(), 1);
    QCOMPARE(dialogs.requests().at(0).file.filter, editor::kOpenFilter);
    if (expected.isNull()) {
        QCOMPARE(RichTextBox1.text(), QStringLiteral("previous text"));
    } else {
        QCOMPARE(RichTextBox1.text(), expected);
        QCOMPARE(RichTextBox1.selStart(), 0);
        QCOMPARE(RichTextBox1.selLength(), 0);
    }
    if (message.isEmpty()) {
        QCOMPARE(boxes.boxes().size(), 0);
    } else {
        QCOMPARE(boxes.boxes().size(), 1);
        const platform::MessageBoxRequest& box = boxes.boxes().at(0);
        QVERIFY2(box.text.contains(message), qPrintable(box.text));
        QVERIFY2(box.text.contains(name), qPrintable(box.text));
        QCOMPARE(box.buttons, platform::MessageButtons::Ok);
        QVERIFY(box.title.isEmpty()); // the program's title
        if (entry == editor::WordEntry) {
            QVERIFY(box.text.startsWith(QStringLiteral("Error converting Word Document")));
            QCOMPARE(box.icon, platform::MessageIcon::Critical);
        }
    }
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void tst_DocumentLoading::messagesAreShownWithoutTheHourglass()
{
    // Notes whether the hourglass was up while each box was shown.
    class CursorWatchingBoxes final : public platform::MessageBoxService
    {
    public:
        platform::MessageAnswer show(const platform::MessageBoxRequest&) override
        {
            hourglass << (QApplication::overrideCursor() != nullptr);
            return platform::MessageAnswer::Ok;
        }
        QList<bool> hourglass;
    } boxes;
    platform::MessageBoxService::setCurrent(&boxes);
    const auto restore = qScopeGuard([] { platform::MessageBoxService::setCurrent(nullptr); });

    QTemporaryDir dir;
    const QString fakeDoc = dir.filePath("fake.doc");
    {
        QFile file(fakeDoc);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a Word document");
    }
    RichTextBox RichTextBox1;
    RichTextBox RTFtemp;
    FakeCommonDialogService dialogs;
    dialogs.queueFile(
        platform::FileDialogResult{dir.filePath("gone.txt"), "gone.txt", editor::TextFilesEntry});
    dialogs.queueFile(platform::FileDialogResult{fakeDoc, "fake.doc", editor::WordEntry});
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    QVERIFY(!editor::ImportWordDocument(RichTextBox1, fakeDoc));
    QCOMPARE(boxes.hourglass, (QList<bool>{false, false, false}));
}

void tst_DocumentLoading::cancelledDialogChangesNothing()
{
    RichTextBox RichTextBox1;
    RichTextBox RTFtemp;
    RichTextBox1.setText(QStringLiteral("keep me"));
    editor::FileOpen::OpenFilterIndex = 2;
    editor::FileOpen::OpenFileName = QStringLiteral("/earlier/choice.rtf");
    FakeCommonDialogService dialogs;
    dialogs.queueFile(std::nullopt);
    FakeMessageBoxService boxes;
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    QCOMPARE(RichTextBox1.text(), QStringLiteral("keep me"));
    QCOMPARE(editor::FileOpen::OpenFileName, QString());
    QCOMPARE(editor::FileOpen::OpenFilterIndex, 2);
    QCOMPARE(boxes.boxes().size(), 0);
}

void tst_DocumentLoading::filterEntryCarriesOverToTheNextDialog()
{
    const QString path = dataFile("plain.rtf");
    RichTextBox RichTextBox1;
    RichTextBox RTFtemp;
    FakeCommonDialogService dialogs;
    dialogs.queueFile(platform::FileDialogResult{path, "plain.rtf", editor::RichTextEntry});
    dialogs.queueFile(std::nullopt);
    FakeMessageBoxService boxes;

    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    QCOMPARE(editor::FileOpen::OpenFilterIndex, int(editor::RichTextEntry));
    QCOMPARE(editor::FileOpen::OpenFileTitle, QStringLiteral("plain.rtf"));
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);

    QCOMPARE(dialogs.requests().size(), 2);
    QCOMPARE(dialogs.requests().at(0).file.filterIndex, 0);
    QCOMPARE(dialogs.requests().at(1).file.filterIndex, int(editor::RichTextEntry));
    QCOMPARE(RichTextBox1.text(), QString::fromUtf8(readBytes(dataFile("plain.expected.txt"))));
}

void tst_DocumentLoading::theRealDialogChoosesFileAndEntry()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("notes.rtf");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\\rtf1 Rich notes}");
    }
    QStringList startedOn;
    // Confirms the first dialog on "Rich Text (*.rtf)", cancels the second.
    auto* poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [&startedOn, path] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            return;
        }
        startedOn << dialog->selectedNameFilter();
        if (startedOn.size() == 1) {
            dialog->selectNameFilter(dialog->nameFilters().at(1));
            // Typed, as a user would (selectFile leaves a focused name field alone).
            if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                name->setText(path);
            }
            static_cast<QDialog*>(dialog)->accept();
        } else {
            dialog->reject();
        }
    });
    poll->start();
    const auto stop = qScopeGuard([poll] { delete poll; });

    RichTextBox RichTextBox1;
    RichTextBox RTFtemp;
    RichTextBox1.setText("previous");
    FakeMessageBoxService boxes;
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    QCOMPARE(RichTextBox1.text(), QStringLiteral("Rich notes"));
    QCOMPARE(editor::FileOpen::OpenFileName, path);
    QCOMPARE(editor::FileOpen::OpenFileTitle, QStringLiteral("notes.rtf"));
    QCOMPARE(editor::FileOpen::OpenFilterIndex, int(editor::RichTextEntry));
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    QCOMPARE(RichTextBox1.text(), QStringLiteral("Rich notes"));
    QCOMPARE(editor::FileOpen::OpenFileName, QString());
    QCOMPARE(startedOn, (QStringList{QStringLiteral("Text Files (*.txt)"),
                                     QStringLiteral("Rich Text (*.rtf)")}));
    QCOMPARE(boxes.boxes().size(), 0);
}

void tst_DocumentLoading::openConvertsWordDocuments()
{
    if (platform::WordConverter::converterProgram().isEmpty()) {
        QSKIP("LibreOffice (soffice) is not installed");
    }
    QApplication::clipboard()->setText(QStringLiteral("the user's clipboard"));
    RichTextBox RichTextBox1;
    RichTextBox RTFtemp;
    RichTextBox1.setText(QStringLiteral("previous text"));
    FakeCommonDialogService dialogs;
    dialogs.queueFile(
        platform::FileDialogResult{dataFile("mixed.doc"), "mixed.doc", editor::WordEntry});
    FakeMessageBoxService boxes;
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    QCOMPARE(boxes.boxes().size(), 0);
    QCOMPARE(RichTextBox1.text(), QString::fromUtf8(readBytes(dataFile("mixed.expected.txt"))));
    QCOMPARE(RichTextBox1.selStart(), 0);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("the user's clipboard"));

    // Inserted at the caret, like the rest of a typed text.
    RichTextBox1.setText(QStringLiteral("[]"));
    RichTextBox1.setSelStart(1);
    QVERIFY(editor::ImportWordDocument(RichTextBox1, dataFile("plain.doc")));
    QCOMPARE(RichTextBox1.text(),
             u'[' + QString::fromUtf8(readBytes(dataFile("plain.expected.txt"))) + u']');
    QVERIFY(!editor::ImportWordDocument(RichTextBox1, dataFile("plain.rtf")));
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).icon, platform::MessageIcon::Critical);

    // A document the converter cannot open keeps the text and says so.
    const QString before = RichTextBox1.text();
    dialogs.queueFile(
        platform::FileDialogResult{dataFile("protected.doc"), "protected.doc", editor::WordEntry});
    editor::cmdOpen_Click(RichTextBox1, RTFtemp);
    QCOMPARE(RichTextBox1.text(), before);
    QCOMPARE(boxes.boxes().size(), 2);
    QVERIFY(boxes.boxes().at(1).text.startsWith(QStringLiteral("Error converting Word Document")));
    QVERIFY(boxes.boxes().at(1).text.contains(QStringLiteral("protected.doc")));
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("the user's clipboard"));
}

QTEST_MAIN(tst_DocumentLoading)
#include "tst_DocumentLoading.moc"
