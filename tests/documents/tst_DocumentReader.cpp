#include "TestFiles.h"
#include "documents/DocumentReader.h"
#include "documents/PdfText.h"
#include "documents/WordConverter.h"

#include <QElapsedTimer>
#include <QGuiApplication>
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
        QCOMPARE(documents::documentKind(data), kind);
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
        QCOMPARE(documents::pdftext::joinHyphenatedLines(text), expected);
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
        const platform::Result<QString> text = documents::readDocumentData(data);
        QVERIFY(!text.ok());
        QVERIFY2(text.error().contains(reason), qPrintable(text.error()));
    }

    // The converter the environment names, restored after each test.
    void init() { m_soffice = qgetenv("PARLANZA_SOFFICE"); }
    void cleanup()
    {
        if (m_soffice.isEmpty()) {
            qunsetenv("PARLANZA_SOFFICE");
        } else {
            qputenv("PARLANZA_SOFFICE", m_soffice);
        }
    }

    void refusedBeforeRunningAnything_data()
    {
        QTest::addColumn<QByteArray>("content");
        // Any other content is refused the same way: a renamed picture is the opening
        // test's case.
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("signature cut short") << QByteArray("\xD0\xCF\x11\xE0");
        QTest::newRow("zip (docx)") << QByteArray("PK\x03\x04");
    }

    void refusedBeforeRunningAnything()
    {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("document.doc"));
        QVERIFY(testfiles::write(path, content));
        QVERIFY(!WordConverter::hasOleSignature(testfiles::read(path)));
        // A converter that would fail the test if it ran.
        qputenv("PARLANZA_SOFFICE", "/bin/false-not-to-be-run");
        const platform::Result<QString> result = WordConverter::convertWord(testfiles::read(path));
        QVERIFY(!result.ok());
        QVERIFY(result.error().contains(QStringLiteral("not a Word document")));
    }

    void missingConverterIsReported()
    {
        qputenv("PARLANZA_SOFFICE", "/nonexistent/soffice");
        const platform::Result<QString> result =
            WordConverter::convertWord(testfiles::read(testfiles::fixture("plain.doc")));
        QVERIFY(!result.ok());
        QVERIFY(result.error().contains(QStringLiteral("LibreOffice")));
    }

    void hungConverterIsEndedWithItsChildren()
    {
        QTemporaryDir dir;
        const QString script = dir.filePath(QStringLiteral("soffice"));
        const QByteArray pids = dir.filePath(QStringLiteral("pids")).toUtf8();
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
        QVERIFY(!result.ok());
        QVERIFY(result.error().contains(QStringLiteral("did not finish")));
        const QList<QByteArray> started = testfiles::read(pids).trimmed().split('\n');
        QCOMPARE(started.size(), 2);
        for (const QByteArray& pid : started) {
            QTRY_VERIFY2(!testfiles::isRunning(pid.toLongLong()), pid.constData());
        }
    }

private:
    QByteArray m_soffice;
};

QTEST_MAIN(tst_DocumentReader)
#include "tst_DocumentReader.moc"
