#include "TestFiles.h"
#include "documents/DocumentReader.h"
#include "documents/PdfText.h"
#include "documents/WordConverter.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using documents::DocumentKind;
using documents::WordConverter;

Q_DECLARE_METATYPE(documents::DocumentKind)

// Deciding a document's kind by its content, whatever its name says, the text rules of the
// PDF reader, and the Word files refused before or without LibreOffice. Reading each kind
// end to end, with the real conversions, is the editor's opening test.
class tst_DocumentReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kindByContent_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<DocumentKind>("kind");
        using Kind = DocumentKind;
        const auto row = [](const char* name, const QByteArray& data, Kind kind) {
            QTest::newRow(name) << data << kind;
        };
        const auto sample = [](const char* name) {
            return testfiles::read(testfiles::fixture(name));
        };
        row("docx", sample("sample.docx"), Kind::OfficeOpenXml);
        row("odt", sample("sample.odt"), Kind::OpenDocument);
        row("epub", sample("sample.epub"), Kind::Epub);
        row("pdf", sample("sample.pdf"), Kind::Pdf);
        row("rtf", sample("sample.rtf"), Kind::RichText);
        row("html", sample("sample.html"), Kind::Html);
        row("markdown", sample("sample.md"), Kind::Markdown);
        row("text with a numbered list", sample("sample.expected.txt"), Kind::PlainText);
        row("doc", sample("plain.doc"), Kind::Word97);
        row("cut zip", sample("damaged.docx"), Kind::OtherZip);
        row("empty", QByteArray(), Kind::Empty);
        row("picture", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), Kind::Binary);
        row("UTF-16 text", QByteArray("\xFF\xFEH\0i\0", 6), Kind::PlainText);
        row("page after a comment and XML declaration",
            "<?xml version=\"1.0\"?>\n<!-- made by hand -->\n<HTML><p>x", Kind::Html);
        row("a tag in prose", "<b> is bold in pages.\n", Kind::PlainText);
        row("setext heading", "Title\n=====\n\nText.\n", Kind::Markdown);
        row("link and emphasis", "See [the site](http://x) **now**.\n", Kind::Markdown);
        row("hashtag is not a heading", "#topic of the day\n", Kind::PlainText);
    }

    void kindByContent()
    {
        QFETCH(QByteArray, data);
        QFETCH(DocumentKind, kind);
        QCOMPARE(documents::documentKind(data), kind);
    }

    // A word broken at a line end (also by a soft hyphen) is joined; a capital after the break,
    // a dash after a space and a hyphen inside a line stay.
    void hyphenatedLinesJoined()
    {
        const std::pair<QString, QString> rows[] = {{"an exam-\nple here", "an example here"},
                                                    {"exam\u00AD\nple", "example"},
                                                    {"Anglo-\nSaxon", "Anglo-\nSaxon"},
                                                    {"one -\ntwo", "one -\ntwo"},
                                                    {"well-known\nfact", "well-known\nfact"}};
        for (const auto& [text, expected] : rows) {
            QCOMPARE(documents::pdftext::joinHyphenatedLines(text), expected);
        }
    }

    // Whole documents refused by their content, each with its reason (an empty file is the
    // opening test's case).
    void refusedWithReason()
    {
        const QString stream = "EncryptedPackage";
        const std::pair<QByteArray, QString> rows[] = {
            // A whole archive that holds no document.
            {testfiles::read(testfiles::fixture("drm.epub"))
                 .replace("application/epub+zip", "application/zip+epub"),
             "The file is a zip archive that holds no document this program can read."},
            {QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") + QByteArray(504, '\0') +
                 QByteArray(reinterpret_cast<const char*>(stream.utf16()), stream.size() * 2),
             "The document is protected by a password."},
            {QByteArray("\x89PNG\r\n\x1a\n\0\0", 10),
             "The file is not a document this program can read."}};
        for (const auto& [data, reason] : rows) {
            QCOMPARE(documents::readDocumentData(data).error(), reason);
        }
    }

    // A file that is not a Word document is refused before any converter runs (the one named
    // first would fail the test if it ran); a Word document without the converter says so.
    void wordRefusalsSayWhy()
    {
        const QString notWord = "The file is not a Word document.";
        const std::tuple<QByteArray, QByteArray, QString> rows[] = {
            {"/bin/false-not-to-be-run", "", notWord},
            {"/bin/false-not-to-be-run", "\xD0\xCF\x11\xE0", notWord},
            {"/nonexistent/soffice", testfiles::read(testfiles::fixture("plain.doc")),
             "LibreOffice is needed to read Word documents and is not installed."}};
        for (const auto& [converter, content, message] : rows) {
            qputenv("PARLANZA_SOFFICE", converter);
            QCOMPARE(WordConverter::convertWord(content).error(), message);
        }
    }

    void hungConverterIsEndedWithItsChildren()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath("soffice");
        const QByteArray pids = dir.filePath("pids").toUtf8();
        // Like the real one: a script that starts the program as a child.
        QVERIFY(testfiles::write(script, "#!/bin/sh\necho $$ > '" + pids +
                                             "'\nsleep 300 &\necho $! >> '" + pids + "'\nwait\n"));
        QVERIFY(QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner));
        qputenv("PARLANZA_SOFFICE", script.toUtf8());
        QElapsedTimer clock;
        clock.start();
        const platform::Result<QString> result =
            WordConverter::convertWord(testfiles::read(testfiles::fixture("plain.doc")), 700);
        QVERIFY(clock.elapsed() < 10000);
        QCOMPARE(result.error(), "LibreOffice did not finish the conversion within 1 seconds.");
        const QList<QByteArray> started = testfiles::read(pids).trimmed().split('\n');
        QCOMPARE(started.size(), 2);
        for (const QByteArray& pid : started) {
            QTRY_VERIFY2(!testfiles::isRunning(pid.toLongLong()), pid.constData());
        }
    }
};

QTEST_MAIN(tst_DocumentReader)
#include "tst_DocumentReader.moc"
