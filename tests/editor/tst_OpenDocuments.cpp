#include "TestFiles.h"
#include "documents/DocumentFile.h"
#include "editor/DocumentLoading.h"
#include "editor/RichTextBox.h"
#include "platform/FakeCommonDialogService.h"
#include "platform/MessageBoxService.h"

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using platform::RichTextBox;

namespace {

class Boxes final : public platform::MessageBoxService
{
public:
    Boxes() { setCurrent(this); }
    ~Boxes() override { setCurrent(nullptr); }
    Boxes(const Boxes&) = delete;
    Boxes& operator=(const Boxes&) = delete;
    platform::MessageAnswer show(const platform::MessageBoxRequest& request) override
    {
        texts << request.text;
        return platform::MessageAnswer::Ok;
    }
    QStringList texts;
};

const QString kPrevious = QStringLiteral("previous text");

void dropOn(RichTextBox& box, QMimeData* data)
{
    const QPoint middle = box.viewport()->rect().center();
    QDragEnterEvent enter(middle, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box.viewport(), &enter);
    QDropEvent drop(QPointF(middle), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(box.viewport(), &drop);
}

} // namespace

class tst_OpenDocuments : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(testfiles::write(m_dir.filePath(QStringLiteral("empty.txt")), QByteArray()));
        // Large on paper only: refused before a byte is read.
        QFile huge(m_dir.filePath(QStringLiteral("huge.txt")));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(platform::documentfile::kMaxBytes + 1));
    }

    void opensByContent_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("drop");
        QTest::addColumn<QString>("message"); // empty: the sample's text is expected
        const QString expected = testfiles::fixture(QStringLiteral("sample.expected.txt"));
        const QList<std::pair<QString, QString>> files = {
            {expected, {}},
            {testfiles::fixture(QStringLiteral("sample.md")), {}},
            {testfiles::fixture(QStringLiteral("sample.html")), {}},
            {testfiles::fixture(QStringLiteral("sample.rtf")), {}},
            {testfiles::fixture(QStringLiteral("sample.pdf")), {}},
            {testfiles::fixture(QStringLiteral("sample.epub")), {}},
            {testfiles::fixture(QStringLiteral("sample.docx")), {}},
            {testfiles::fixture(QStringLiteral("sample.odt")), {}},
            {testfiles::fixture(QStringLiteral("damaged.docx")), QStringLiteral("damaged")},
            {testfiles::fixture(QStringLiteral("encrypted.pdf")), QStringLiteral("password")},
            {testfiles::fixture(QStringLiteral("encrypted.odt")), QStringLiteral("password")},
            {testfiles::fixture(QStringLiteral("scanned.pdf")),
             QStringLiteral("contains no text; it may be a scanned image")},
            {testfiles::fixture(QStringLiteral("drm.epub")), QStringLiteral("DRM")},
            {m_dir.filePath(QStringLiteral("empty.txt")), QStringLiteral("empty")},
            {m_dir.filePath(QStringLiteral("huge.txt")), QStringLiteral("too large")},
        };
        for (const auto& [path, message] : files) {
            const QByteArray name = QFileInfo(path).fileName().toUtf8();
            QTest::addRow("open %s", name.constData()) << path << false << message;
            QTest::addRow("drop %s", name.constData()) << path << true << message;
        }
    }

    void opensByContent()
    {
        QFETCH(QString, path);
        QFETCH(bool, drop);
        QFETCH(QString, message);
        RichTextBox RichTextBox1;
        RichTextBox RTFtemp;
        RichTextBox1.resize(200, 100);
        RichTextBox1.setText(kPrevious);
        connect(&RichTextBox1, &RichTextBox::filesDropped, this, [&](const QStringList& paths) {
            editor::openDroppedFile(RichTextBox1, RTFtemp, paths.first());
        });
        platform::FakeCommonDialogService dialogs;
        Boxes boxes;

        if (drop) {
            auto* data = new QMimeData;
            data->setUrls({QUrl::fromLocalFile(path)});
            dropOn(RichTextBox1, data);
            delete data;
        } else {
            dialogs.queueFile(platform::FileDialogResult{path, QFileInfo(path).fileName(),
                                                         editor::AllDocumentsEntry});
            editor::cmdOpen_Click(RichTextBox1, RTFtemp);
        }

        if (message.isEmpty()) {
            QCOMPARE(boxes.texts, QStringList());
            const QString expected = QString::fromUtf8(
                testfiles::read(testfiles::fixture(QStringLiteral("sample.expected.txt"))));
            QCOMPARE(RichTextBox1.text().simplified(), expected.simplified());
        } else {
            QCOMPARE(boxes.texts.size(), 1);
            QVERIFY2(boxes.texts.first().contains(message), qPrintable(boxes.texts.first()));
            QVERIFY2(boxes.texts.first().contains(QFileInfo(path).fileName()),
                     qPrintable(boxes.texts.first()));
            QCOMPARE(RichTextBox1.text(), kPrevious);
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_OpenDocuments)
#include "tst_OpenDocuments.moc"
