#include "TestFiles.h"
#include "documents/DocumentReader.h"
#include "documents/PdfText.h"

#include <QGuiApplication>
#include <QTest>

using platform::DocumentKind;

Q_DECLARE_METATYPE(platform::DocumentKind)

// Deciding a document's kind by its content, whatever its name says, and the text rules
// of the PDF reader. Reading each kind end to end is the editor's opening test.
class tst_DocumentReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kindByContent_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<DocumentKind>("kind");
        const auto sample = [](const char* name) {
            return testfiles::read(testfiles::fixture(QLatin1String(name)));
        };
        QTest::newRow("docx") << sample("sample.docx") << DocumentKind::OfficeOpenXml;
        QTest::newRow("odt") << sample("sample.odt") << DocumentKind::OpenDocument;
        QTest::newRow("epub") << sample("sample.epub") << DocumentKind::Epub;
        QTest::newRow("pdf") << sample("sample.pdf") << DocumentKind::Pdf;
        QTest::newRow("rtf") << sample("sample.rtf") << DocumentKind::RichText;
        QTest::newRow("html") << sample("sample.html") << DocumentKind::Html;
        QTest::newRow("markdown") << sample("sample.md") << DocumentKind::Markdown;
        QTest::newRow("text with a numbered list")
            << sample("sample.expected.txt") << DocumentKind::PlainText;
        QTest::newRow("doc") << sample("plain.doc") << DocumentKind::Word97;
        QTest::newRow("cut zip") << sample("damaged.docx") << DocumentKind::OtherZip;
        QTest::newRow("empty") << QByteArray() << DocumentKind::Empty;
        QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)
                                 << DocumentKind::Binary;
        QTest::newRow("UTF-16 text") << QByteArray("\xFF\xFEH\0i\0", 6) << DocumentKind::PlainText;
        QTest::newRow("page after a comment and XML declaration")
            << QByteArray("<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<HTML><p>x")
            << DocumentKind::Html;
        QTest::newRow("a tag in prose")
            << QByteArray("<b> is bold in pages.\n") << DocumentKind::PlainText;
        QTest::newRow("setext heading")
            << QByteArray("Title\n=====\n\nText.\n") << DocumentKind::Markdown;
        QTest::newRow("link and emphasis")
            << QByteArray("See [the site](http://x) **now**.\n") << DocumentKind::Markdown;
        QTest::newRow("hashtag is not a heading")
            << QByteArray("#topic of the day\n") << DocumentKind::PlainText;
        QTest::newRow("PDF after junk") << QByteArray("\r\n\r\n%PDF-1.4\n") << DocumentKind::Pdf;
    }

    void kindByContent()
    {
        QFETCH(QByteArray, data);
        QFETCH(DocumentKind, kind);
        QCOMPARE(platform::documentKind(data), kind);
    }

    void hyphenatedLinesJoined_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& text, const QString& expected) {
            QTest::newRow(name) << text << expected;
        };
        row("word broken at a line end", "an exam-\nple here", "an example here");
        row("soft hyphen", "exam\u00AD\nple", "example");
        row("capital after the break stays", "Anglo-\nSaxon", "Anglo-\nSaxon");
        row("dash after a space stays", "one -\ntwo", "one -\ntwo");
        row("hyphen inside a line stays", "well-known\nfact", "well-known\nfact");
    }

    void hyphenatedLinesJoined()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(platform::pdftext::joinHyphenatedLines(text), expected);
    }

    void refusedWithReason_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        // A whole archive that holds no document.
        QTest::newRow("other zip")
            << testfiles::read(testfiles::fixture(QStringLiteral("drm.epub")))
                   .replace("application/epub+zip", "application/zip+epub")
            << "zip archive";
        const QString stream = QStringLiteral("EncryptedPackage");
        QTest::newRow("encrypted Office Open XML")
            << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(504, '\0') +
                   QByteArray(reinterpret_cast<const char*>(stream.utf16()), stream.size() * 2)
            << "password";
        QTest::newRow("picture") << QByteArray("\x89PNG\r\n\x1a\n\0\0", 10) << "not a document";
        // An empty file is the opening test's case.
    }

    void refusedWithReason()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        const platform::Result<QString> text = platform::readDocumentData(data);
        QVERIFY(!text.ok());
        QVERIFY2(text.error().contains(reason), qPrintable(text.error()));
    }
};

QTEST_MAIN(tst_DocumentReader)
#include "tst_DocumentReader.moc"
