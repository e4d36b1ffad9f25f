#include "TestFiles.h"
#include "documents/DocumentReader.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <zip.h>

namespace {

using Members = QList<std::pair<const char*, QByteArray>>;

// A zip container of the members in order, uncompressed (the first is a "mimetype").
QByteArray zipOf(const Members& members)
{
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("made.zip").toUtf8();
    zip_t* archive = zip_open(path.constData(), ZIP_CREATE | ZIP_TRUNCATE, nullptr);
    for (const auto& [name, data] : members) {
        zip_source_t* source = zip_source_buffer(archive, data.constData(), data.size(), 0);
        zip_set_file_compression(archive, zip_file_add(archive, name, source, 0), ZIP_CM_STORE, 0);
    }
    zip_close(archive);
    return testfiles::read(QString::fromUtf8(path));
}

const QByteArray kPage = "<html xmlns='http://www.w3.org/1999/xhtml'><body>%1</body></html>";
const QByteArray kDublinCore = "<dc:title>My Book</dc:title><dc:creator>Ann Writer</dc:creator>";

QByteArray page(const QByteArray& body)
{
    return QByteArray(kPage).replace("%1", body);
}

// A book of two pages, the first holding a part and its first chapter (reached by an anchor).
QByteArray book(const QByteArray& items, const QByteArray& meta, const QByteArray& spine,
                const Members& extra)
{
    Members members{
        {"mimetype", "application/epub+zip"},
        {"META-INF/container.xml",
         "<container><rootfiles><rootfile full-path='OEBPS/content.opf'/></rootfiles></container>"},
        {"OEBPS/content.opf",
         "<package xmlns='http://www.idpf.org/2007/opf'><metadata "
         "xmlns:dc='http://purl.org/dc/elements/1.1/'>" +
             kDublinCore + meta + "</metadata><manifest>" + items +
             "<item id='c1' href='text/c1.xhtml' media-type='application/xhtml+xml'/>"
             "<item id='c2' href='text/c2.xhtml' media-type='application/xhtml+xml'/>"
             "</manifest><spine" +
             spine + "><itemref idref='c1'/><itemref idref='c2'/></spine></package>"},
        {"OEBPS/text/c1.xhtml", page("<h1>Part One</h1><p>Intro.</p><h2 id='storm'>The "
                                     "Storm</h2><p>Rain.</p>")},
        {"OEBPS/text/c2.xhtml", page("<h2>After</h2><p>Sun.</p>")}};
    return zipOf(members + extra);
}

QByteArray picture(const char* format = "PNG")
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QImage(8, 8, QImage::Format_RGB32).save(&buffer, format);
    return bytes;
}

// The book's table of contents as a navigation document and as an NCX: all its chapters, or
// only the last.
QByteArray navigation(bool whole)
{
    return page("<nav xmlns:epub='http://www.idpf.org/2007/ops' epub:type='toc'><ol>" +
                QByteArray(whole ? "<li><a href='text/c1.xhtml'>Part One</a><ol><li><a "
                                   "href='text/c1.xhtml#storm'>The <b>Storm</b></a></li></ol></li>"
                                 : "") +
                "<li><a href='text/c2.xhtml'>After</a></li></ol></nav>");
}

QByteArray ncx(bool whole)
{
    return "<ncx><navMap>" +
           QByteArray(whole ? "<navPoint><navLabel><text>Part One</text></navLabel><content "
                              "src='text/c1.xhtml'/><navPoint><navLabel><text>The Storm</text>"
                              "</navLabel><content src='text/c1.xhtml#storm'/></navPoint>"
                              "</navPoint>"
                            : "") +
           "<navPoint><navLabel><text>After</text></navLabel><content src='text/c2.xhtml'/>"
           "</navPoint></navMap></ncx>";
}

QByteArray odt()
{
    const QByteArray office = "xmlns:office='urn:oasis:names:tc:opendocument:xmlns:office:1.0' "
                              "xmlns:text='urn:oasis:names:tc:opendocument:xmlns:text:1.0' "
                              "xmlns:dc='http://purl.org/dc/elements/1.1/' "
                              "xmlns:meta='urn:oasis:names:tc:opendocument:xmlns:meta:1.0'";
    return zipOf(
        {{"mimetype", "application/vnd.oasis.opendocument.text"},
         {"META-INF/manifest.xml",
          "<manifest:manifest xmlns:manifest='urn:oasis:names:tc:opendocument:xmlns:manifest:1.0'>"
          "<manifest:file-entry manifest:full-path='/' "
          "manifest:media-type='application/vnd.oasis.opendocument.text'/></manifest:manifest>"},
         {"content.xml", "<office:document-content " + office +
                             "><office:body><office:text><text:h text:outline-level='1'>Part "
                             "One</text:h><text:p>Intro.</text:p><text:h text:outline-level='2'>"
                             "The   Storm</text:h><text:p>Rain.</text:p><text:h "
                             "text:outline-level='2'>After</text:h><text:p>Sun.</text:p>"
                             "</office:text></office:body></office:document-content>"},
         {"meta.xml", "<office:document-meta " + office +
                          "><office:meta><dc:title>My Book</dc:title><meta:initial-creator>Ann "
                          "Writer</meta:initial-creator></office:meta></office:document-meta>"}});
}

QByteArray docx()
{
    const QByteArray w = "xmlns:w='http://schemas.openxmlformats.org/wordprocessingml/2006/main'";
    const auto paragraph = [](const QByteArray& properties, const QByteArray& text) -> QByteArray {
        return "<w:p><w:pPr>" + properties + "</w:pPr><w:r><w:t>" + text + "</w:t></w:r></w:p>";
    };
    const QByteArray rels = "http://schemas.openxmlformats.org/";
    return zipOf(
        {{"[Content_Types].xml",
          "<Types xmlns='" + rels +
              "package/2006/content-types'><Default Extension='rels' "
              "ContentType='application/vnd.openxmlformats-package.relationships+xml'/><Default "
              "Extension='xml' ContentType='application/xml'/><Override "
              "PartName='/word/document.xml' "
              "ContentType='application/"
              "vnd.openxmlformats-officedocument.wordprocessingml.document."
              "main+xml'/></Types>"},
         {"_rels/.rels", "<Relationships xmlns='" + rels +
                             "package/2006/relationships'>"
                             "<Relationship Id='r1' Type='" +
                             rels +
                             "officeDocument/2006/relationships/"
                             "officeDocument' Target='word/document.xml'/></Relationships>"},
         {"word/document.xml",
          "<w:document " + w + "><w:body>" + paragraph("<w:pStyle w:val='Heading1'/>", "Part One") +
              paragraph("", "Intro.") + paragraph("<w:outlineLvl w:val='1'/>", "The Storm") +
              paragraph("", "Rain.") + paragraph("<w:pStyle w:val='Ch'/>", "After") +
              paragraph("", "Sun.") + "</w:body></w:document>"},
         {"word/styles.xml", "<w:styles " + w +
                                 "><w:style w:type='paragraph' w:styleId='Ch'>"
                                 "<w:name w:val='heading 2'/></w:style></w:styles>"},
         {"docProps/core.xml", "<cp:coreProperties xmlns:cp='x' "
                               "xmlns:dc='http://purl.org/dc/elements/1.1/'>" +
                                   kDublinCore + "</cp:coreProperties>"}});
}

enum Office { NotNeeded, ToRead, ToMakePdf };

} // namespace

// Each kind of document gives its own chapters, placed at their headings in the text it reads
// into, and its title, author and cover; faults in the structure lose nothing of the text.
class tst_DocumentOutline : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void outlineRead_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("office");
        QTest::addColumn<QStringList>("chapters"); // "level title"
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("author");
        QTest::addColumn<QString>("cover");
        const QStringList three{"1 Part One", "2 The Storm", "2 After"};
        const QStringList epub{"1 Part One", "2 The Storm", "1 After"};
        const QString me = "Ann Writer";
        QTest::newRow("EPUB 3 navigation, cover picture")
            << book("<item id='nav' href='nav.xhtml' media-type='application/xhtml+xml' "
                    "properties='nav'/><item id='pic' href='cover.png' media-type='image/png' "
                    "properties='cover-image'/>",
                    "", "", {{"OEBPS/cover.png", picture()}, {"OEBPS/nav.xhtml", navigation(true)}})
            << int(NotNeeded) << epub << "My Book" << me << "image/png";
        QTest::newRow("EPUB 2 NCX, damaged cover")
            << book("<item id='ncx' href='toc.ncx' media-type='application/x-dtbncx+xml'/>"
                    "<item id='pic' href='cover.png' media-type='image/png'/>",
                    "<meta name='cover' content='pic'/>", " toc='ncx'",
                    {{"OEBPS/cover.png", picture().left(40)}, {"OEBPS/toc.ncx", ncx(true)}})
            << int(NotNeeded) << epub << "My Book" << me << "";
        // Two of each: the package's first is taken, every time.
        const Members two{{"OEBPS/a.png", picture()},          {"OEBPS/b.bmp", picture("BMP")},
                          {"OEBPS/a.xhtml", navigation(true)}, {"OEBPS/b.xhtml", navigation(false)},
                          {"OEBPS/a.ncx", ncx(true)},          {"OEBPS/b.ncx", ncx(false)}};
        QTest::newRow("EPUB 3, two navigation documents and two covers")
            << book("<item id='z' href='a.xhtml' media-type='application/xhtml+xml' "
                    "properties='nav'/><item id='y' href='b.xhtml' "
                    "media-type='application/xhtml+xml' properties='nav'/><item id='x' "
                    "href='a.png' media-type='image/png' properties='cover-image'/><item id='w' "
                    "href='b.bmp' media-type='image/bmp' properties='cover-image'/>",
                    "", "", two)
            << int(NotNeeded) << epub << "My Book" << me << "image/png";
        QTest::newRow("EPUB 2, two NCX and two cover entries")
            << book("<item id='z' href='a.ncx' media-type='application/x-dtbncx+xml'/><item "
                    "id='y' href='b.ncx' media-type='application/x-dtbncx+xml'/><item id='x' "
                    "href='a.png' media-type='image/png'/><item id='w' href='b.bmp' "
                    "media-type='image/bmp'/>",
                    "<meta name='cover' content='x'/><meta name='cover' content='w'/>", "", two)
            << int(NotNeeded) << epub << "My Book" << me << "image/png";
        QTest::newRow("DOCX") << docx() << int(ToRead) << three << "My Book" << me << "";
        QTest::newRow("ODT") << odt() << int(ToRead) << three << "My Book" << me << "";
        QTest::newRow("PDF bookmarks") << odt() << int(ToMakePdf) << three << "My Book" << me << "";
        QTest::newRow("HTML")
            << QByteArray("<html><head><title>My Book</title><meta content='Ann Writer' "
                          "name=author></head><body><h1>Part One</h1><p>Intro.</p><h2>The "
                          "Storm</h2><p>Rain.</p><h2>After</h2><h4>Too deep</h4></body></html>")
            << int(NotNeeded) << three << "My Book" << me << "";
        QTest::newRow("Markdown")
            << QByteArray("# Part One\n\nIntro.\n\nThe Storm\n---------\n\n* Rain.\n\n## After\n")
            << int(NotNeeded) << three << ""
            << ""
            << "";
        QTest::newRow("RTF")
            << QByteArray("{\\rtf1\\ansi{\\stylesheet{\\s0 Normal;}{\\s2\\outlinelevel1 Own;}"
                          "{\\s3 heading 2;}}{\\info{\\title My Book}{\\author Ann Writer}}"
                          "\\pard\\outlinelevel0 Part One\\par\\pard Intro.\\par\\pard\\s2 The "
                          "Storm\\par\\pard Rain.\\par\\pard\\s3 After\\par\\pard Sun.}")
            << int(NotNeeded) << three << "My Book" << me << "";
        QTest::newRow("plain text")
            << QByteArray("CHAPTER I\n\nDark. Chapter 4 was long.\n\nChapter Two: The Storm\n\n"
                          "Book\n\nChapter 3\nAf\x07ter \t now\n\nSun.\r\n\r\nEpilogue\r\n")
            << int(NotNeeded)
            << QStringList{"1 CHAPTER I", "1 Chapter Two: The Storm", "1 Chapter 3: After now",
                           "1 Epilogue"}
            << ""
            << ""
            << "";
        QByteArray many;
        QStringList manyChapters;
        for (int i = 0; i < 1000; ++i) {
            many += "## Heading " + QByteArray::number(i) + "\n\nText.\n\n";
            manyChapters << QStringLiteral("2 Heading %1").arg(i);
        }
        QTest::newRow("a thousand headings") << many << int(NotNeeded) << manyChapters << ""
                                             << ""
                                             << "";
        QTest::newRow("heading only") << QByteArray("<html><body><h1>Only</h1></body></html>")
                                      << int(NotNeeded) << QStringList{"1 Only"} << ""
                                      << ""
                                      << "";
        QTest::newRow("titles of 10,000 letters")
            << "<html><head><title>" + QByteArray(10000, 't') + "</title></head><body><h3>" +
                   QByteArray(10000, 'h') + "</h3></body></html>"
            << int(NotNeeded) << QStringList{"3 " + QString(500, 'h')} << QString(500, 't') << ""
            << "";
    }

    void outlineRead()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, office);
        QFETCH(QStringList, chapters);
        if (office != NotNeeded && documents::WordConverter::converterProgram().isEmpty()) {
            QSKIP("LibreOffice (soffice) is not installed");
        }
        QTemporaryDir dir;
        QString path = dir.filePath("document");
        QVERIFY(testfiles::write(path, data));
        if (office == ToMakePdf) {
            QVERIFY(testfiles::write(path += ".odt", data));
            QProcess::execute(
                documents::WordConverter::converterProgram(),
                {"-env:UserInstallation=" + QUrl::fromLocalFile(dir.filePath("p")).toString(),
                 "--headless", "--norestore", "--convert-to", "pdf", "--outdir", dir.path(), path});
            path = dir.filePath("document.pdf");
        }
        const platform::Result<documents::DocumentText> read =
            documents::readDocumentAs(path, documents::ReadingChoice::ByContent);
        QVERIFY2(read.ok(), qPrintable(read.error()));
        const documents::DocumentText& document = read.value();
        QStringList found;
        for (const documents::Chapter& chapter : document.outline.chapters) {
            found << QString::number(chapter.level) + u' ' + chapter.title;
            // The chapter begins where its heading's words do.
            QVERIFY2(
                document.text.mid(chapter.textStart).startsWith(chapter.title.section(':', 0, 0)),
                qPrintable(chapter.title));
        }
        QCOMPARE(found, chapters);
        QTEST(document.outline.title, "title");
        QTEST(document.outline.author, "author");
        QTEST(document.outline.cover ? document.outline.cover->mimeType : QString(), "cover");
    }
};

QTEST_MAIN(tst_DocumentOutline)
#include "tst_DocumentOutline.moc"
