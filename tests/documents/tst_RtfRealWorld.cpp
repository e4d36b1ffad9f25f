#include "TestFiles.h"
#include "documents/RtfReader.h"

#include <QTest>
#include <QTextDocument>

// What word processors write besides plain paragraphs: shapes and their properties, text
// boxes, list numbers, footnotes and fields. Each row is a small file of that kind.
class tst_RtfRealWorld : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void text_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("shape properties are not text, its text box is")
            << QByteArray("{\\rtf1 Before {\\shp{\\*\\shpinst\\shpleft10\\shpfblwtxt0"
                          "{\\sp{\\sn fFilled}{\\sv 0}}{\\sp{\\sn shapeType}{\\sv 202}}"
                          "{\\shptxt\\pard In the box\\par}}{\\shprslt{\\*\\do\\dobxcolumn"
                          "{\\dptxbx{\\dptxbxtext\\pard In the box\\par}}}}}after}")
            << "Before \nIn the box\nafter";
        QTest::newRow("text effect's words are its text")
            << QByteArray("{\\rtf1 Anchor{\\shp{\\*\\shpinst{\\sp{\\sn wzName}{\\sv Shape1}}"
                          "{\\sp{\\sn gtextUNICODE}{\\sv Shape words}}{\\sp{\\sn gtextSize}"
                          "{\\sv 786432}}}}after}")
            << "Anchor\nShape words\nafter";
        QTest::newRow("symbol-font bullet")
            << QByteArray("{\\rtf1{\\listtext\\pard\\plain\\f5 \\u61623\\'3f\\tab}Dot}")
            << "\u2022\tDot";
        QTest::newRow("stray shape property")
            << QByteArray("{\\rtf1 a{\\sp{\\sn fLine}{\\sv 1}}b}") << "ab";
        QTest::newRow("group of shapes")
            << QByteArray("{\\rtf1 {\\shpgrp{\\*\\shpinst{\\sp{\\sn groupLeft}{\\sv 0}}"
                          "{\\shp{\\*\\shpinst{\\sp{\\sn fFilled}{\\sv 1}}{\\shptxt One}}}"
                          "{\\shp{\\*\\shpinst{\\shptxt Two}}}}}}")
            << "One\nTwo\n";
        QTest::newRow("old drawing object text box")
            << QByteArray("{\\rtf1 A {\\*\\do\\dobxpage\\dpx100\\dpy0{\\dptxbx\\dptxbxmar20"
                          "{\\dptxbxtext\\pard Old box\\par}}\\dpx0}B}")
            << "A \nOld box\nB";
        QTest::newRow("list numbers written as list text")
            << QByteArray("{\\rtf1{\\listtext\\pard\\plain 1.\\tab}\\pard\\ls1 Alpha\\par"
                          "{\\listtext\\pard\\plain 2.\\tab}\\pard\\ls1 Beta}")
            << "1.\tAlpha\n2.\tBeta";
        QTest::newRow("old-style bullet and its definition")
            << QByteArray("{\\rtf1{\\pntext\\'B7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}Item\\par"
                          "{\\pn\\pnlvlbody\\pndec{\\pntxta .}}Body}")
            << "\u00B7\tItem\nBody";
        const QByteArray listTable =
            "{\\*\\listtable{\\list\\listtemplateid7{\\listlevel\\levelnfc0\\levelstartat1"
            "{\\leveltext\\leveltemplateid1\\'02\\'00.;}{\\levelnumbers\\'01;}}"
            "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'04\\'00.\\'01);}"
            "{\\levelnumbers\\'01\\'03;}}{\\listname Steps;}\\listid55}"
            "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}\\listid66}}"
            "{\\*\\listoverridetable{\\listoverride\\listid55\\listoverridecount0\\ls1}"
            "{\\listoverride\\listid66\\ls2}}";
        QTest::newRow("numbers from the list table")
            << "{\\rtf1" + listTable +
                   "\\pard\\ls1 Alpha\\par Beta\\par\\pard\\ls1\\ilvl1 Sub\\par\\pard\\ls1 Gamma"
                   "\\par\\pard Plain\\par\\pard\\ls2 Dot}"
            << "1. Alpha\n2. Beta\n2.a) Sub\n3. Gamma\nPlain\n\u2022 Dot";
        QTest::newRow("list text wins over the list table")
            << "{\\rtf1" + listTable + "{\\listtext 7.\\tab}\\pard\\ls1 Seven}"
            << "7.\tSeven";
        QTest::newRow("footnote marks kept, notes not read")
            << QByteArray("{\\rtf1 Text{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} The "
                          "note.} more{\\super\\chftn}{\\footnote Second.}. {\\super *}"
                          "{\\footnote {\\super *} Own mark.}}")
            << "Text1 more2. *";
        QTest::newRow("fields show their result, nested ones too")
            << QByteArray("{\\rtf1 See {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt "
                          "the {\\field{\\*\\fldinst PAGE}{\\fldrslt 4}} page}} now}")
            << "See the 4 page now";
    }

    void text()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QTextDocument document;
        QVERIFY(platform::RtfReader::read(rtf, document).ok());
        QCOMPARE(document.toPlainText(), expected);
    }

    void writtenByLibreOffice_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("directly") << "boxes.rtf";
        QTest::newRow("by way of a Word document") << "boxes-word.rtf";
    }

    void writtenByLibreOffice()
    {
        QFETCH(QString, name);
        QTextDocument document;
        QVERIFY(platform::RtfReader::readFile(testfiles::fixture(name), document).ok());
        QCOMPARE(document.toPlainText().simplified(),
                 testfiles::expectedText(QStringLiteral("boxes")).simplified());
    }
};

QTEST_MAIN(tst_RtfRealWorld)
#include "tst_RtfRealWorld.moc"
