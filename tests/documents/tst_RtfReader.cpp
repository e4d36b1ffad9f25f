#include "TestFiles.h"
#include "documents/CodePage.h"
#include "documents/RtfReader.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using documents::RtfEnd;
using documents::RtfReader;
namespace codepage = documents::codepage;

namespace {

// The format of the first character of the given text.
QTextCharFormat formatOf(QTextDocument& document, const QString& text)
{
    QTextCursor cursor(&document);
    cursor.setPosition(int(document.toPlainText().indexOf(text)) + 1);
    return cursor.charFormat();
}

} // namespace

class tst_RtfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Files as LibreOffice writes them; frames, shapes, lists, notes and fields (boxes, also by
    // way of a Word document) are compared with their spacing evened out.
    void writtenByLibreOffice_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"accents", "cjk", "emoji", "plain", "boxes", "boxes-word"}) {
            QTest::newRow(name) << name;
        }
    }

    void writtenByLibreOffice()
    {
        QFETCH(QString, name);
        QTextDocument document;
        const platform::Result<RtfEnd> result =
            RtfReader::readFile(testfiles::fixture(name + ".rtf"), document);
        QVERIFY2(result.ok(), qPrintable(result.error()));
        if (name.startsWith("boxes")) {
            QCOMPARE(document.toPlainText().simplified(),
                     testfiles::expectedText("boxes").simplified());
        } else {
            QCOMPARE(document.toPlainText(), testfiles::expectedText(name));
        }
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QByteArray& rtf, const QString& expected) {
            QTest::newRow(name) << rtf << expected;
        };
        row("delimiter space is not text", "{\\rtf1\\b bold\\b0  plain}", "bold plain");
        row("paragraphs, line, tab", "{\\rtf1 a\\par b\\line c\\tab d}", "a\nb\nc\td");
        row("line breaks in the file are not text", "{\\rtf1 one\r\ntwo\ntwo}", "onetwotwo");
        row("escaped braces and backslash", "{\\rtf1 \\{x\\} \\\\}", "{x} \\");
        row("windows-1252 escapes", "{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80 \\'93q\\'94}",
            "café € “q”");
        row("font charset overrides the document's",
            "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 Greek;}}\\f0 "
            "\\'e9 \\f1 \\'e1\\'e2}",
            "é αβ");
        const QByteArray mincho = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 ";
        row("double-byte code page, both bytes escaped", mincho + "\\'93\\'fa\\'96\\'7b}", "日本");
        row("simplified Chinese by code page", "{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}",
            "中文");
        row("unicode with fallback skipped", "{\\rtf1 \\u233?t\\u233?}", "été");
        row("surrogate pair", "{\\rtf1 \\uc1\\u-10179?\\u-8704?!}", "😀!");
        row("lone high surrogate", "{\\rtf1 \\u55357?x}", "\uFFFDx");
        row("uc2 skips two fallback bytes", "{\\rtf1\\uc2 \\u26085\\'93\\'faX}", "日X");
        row("uc0 skips nothing", "{\\rtf1\\uc0 \\u26085 X}", "日X");
        row("fallback skip ends at a group", "{\\rtf1\\uc3 \\u233{x}y}", "éxy");
        row("ignorable destination", "{\\rtf1 a{\\*\\unknowndest secret {nested}}b}", "ab");
        row("tables and info are skipped",
            "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
            "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}body}",
            "body");
        row("hidden text", "{\\rtf1 shown {\\v hidden \\u233?}\\v more\\v0 again}", "shown again");
        row("binary data may hold braces", "{\\rtf1 a{\\*\\blob\\bin4 }}{{b}c}", "ac");
        row("cut inside binary data, its length beyond the end", "{\\rtf1 a\\bin99999 xyz}", "a");
        row("special characters",
            "{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote\\~}",
            "—–•‘’“”\u00A0");
        row("leading blank lines", "\r\n {\\rtf1 x}", "x");
        // Broken input ends cleanly with what was read.
        row("unclosed group", "{\\rtf1 abc{\\b def", "abcdef");
        row("cut in a hex escape", "{\\rtf1 abc\\'e", "abc");
        row("cut after a backslash", "{\\rtf1 abc\\", "abc");
        row("cut in a control word", "{\\rtf1 abc\\pa", "abc");
        row("cut in a unicode fallback", "{\\rtf1\\uc4 a\\u233 x", "aé");
        row("bad hex escape", "{\\rtf1 a\\'zzb}", "azzb");
        row("too many closing braces", "{\\rtf1 a}}}}b", "a");
        row("huge parameters", "{\\rtf1\\fs99999999999999999999\\u99999999999999999999?x\\uc-5 y}",
            "\uFFFDxy");
        row("huge font and colour indexes", "{\\rtf1\\f2147483647\\cf2147483647\\cb-5 z}", "z");
        row("very deep nesting",
            "{\\rtf1 " + QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') + "after}",
            "deepafter");
        row("very long control word", "{\\rtf1 \\" + QByteArray(100000, 'a') + " text}", "text");
        row("nul bytes", QByteArray("{\\rtf1 a\0b}", 11), "ab");
        // What word processors write besides plain paragraphs: shapes and their properties,
        // text boxes, list numbers, footnotes and fields.
        row("shape properties are not text, its text box is",
            "{\\rtf1 Before {\\shp{\\*\\shpinst\\shpleft10\\shpfblwtxt0{\\sp{\\sn fFilled}{\\sv 0}"
            "}{\\sp{\\sn shapeType}{\\sv 202}}{\\shptxt\\pard In the box\\par}}{\\shprslt{\\*\\do"
            "\\dobxcolumn{\\dptxbx{\\dptxbxtext\\pard In the box\\par}}}}}after}",
            "Before \nIn the box\nafter");
        row("text effect's words are its text",
            "{\\rtf1 Anchor{\\shp{\\*\\shpinst{\\sp{\\sn wzName}{\\sv Shape1}}{\\sp{\\sn "
            "gtextUNICODE}{\\sv Shape words}}{\\sp{\\sn gtextSize}{\\sv 786432}}}}after}",
            "Anchor\nShape words\nafter");
        row("symbol-font bullet", "{\\rtf1{\\listtext\\pard\\plain\\f5 \\u61623\\'3f\\tab}Dot}",
            "\u2022\tDot");
        row("group of shapes",
            "{\\rtf1 {\\shpgrp{\\*\\shpinst{\\sp{\\sn groupLeft}{\\sv 0}}{\\shp{\\*\\shpinst{\\sp{"
            "\\sn fFilled}{\\sv 1}}{\\shptxt One}}}{\\shp{\\*\\shpinst{\\shptxt Two}}}}}}",
            "One\nTwo\n");
        row("list numbers written as list text",
            "{\\rtf1{\\listtext\\pard\\plain 1.\\tab}\\pard\\ls1 Alpha\\par{\\listtext\\pard"
            "\\plain 2.\\tab}\\pard\\ls1 Beta}",
            "1.\tAlpha\n2.\tBeta");
        // Numbered the older way, by a \\pn group: the writer's own text wins, as above.
        row("older numbering written out, not doubled",
            "{\\rtf1{\\pntext\\'B7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'B7}}Item\\par{\\pntext 1."
            "\\tab}\\pard{\\pn\\pnlvlbody\\pndec{\\pntxta .}}Body}",
            "\u00B7\tItem\n1.\tBody");
        row("older numbering: numbers, letters, roman, restarted",
            "{\\rtf1\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta .}}Alpha\\par Beta\\par"
            "\\pard Plain\\par\\pard{\\*\\pn\\pnlvlbody\\pnlcltr{\\pntxta )}}One\\par Two\\par"
            "\\pard{\\*\\pn\\pnlvlbody\\pnucrm\\pnstart4{\\pntxtb (}{\\pntxta )}}Four\\par Five"
            "\\par\\pard{\\*\\pn\\pnlvlbody\\pndec\\pnrestart{\\pntxta .}}Again}",
            "1. Alpha\n2. Beta\nPlain\na) One\nb) Two\n(IV) Four\n(V) Five\n1. Again");
        row("older bullets, outline levels and a paragraph kept in the list",
            "{\\rtf1{\\fonttbl{\\f1\\fnil\\fcharset2 Symbol;}}\\pard{\\*\\pn\\pnlvlblt\\pnf1{"
            "\\pntxtb\\'b7}}Dot\\par Dash\\par\\pard{\\*\\pn\\pnlvl1\\pnucrm{\\pntxta .}}Part\\par"
            "\\pard{\\*\\pn\\pnlvl2\\pndec{\\pntxta .}}Sub\\par\\pard{\\*\\pn\\pnlvlcont}more\\par"
            "\\pard{\\*\\pn\\pnlvl2\\pndec{\\pntxta .}}Sub\\par\\pard{\\*\\pn\\pnlvl1\\pnucrm{"
            "\\pntxta .}}Part\\par\\pard{\\*\\pn\\pnlvl2\\pndec{\\pntxta .}}Sub}",
            "\u2022 Dot\n\u2022 Dash\nI. Part\n1. Sub\nmore\n2. Sub\nII. Part\n1. Sub");
        const QByteArray listTable =
            "{\\rtf1{\\*\\listtable{\\list\\listtemplateid7{\\listlevel\\levelnfc0\\levelstartat1"
            "{\\leveltext\\leveltemplateid1\\'02\\'00.;}{\\levelnumbers\\'01;}}"
            "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'04\\'00.\\'01);}"
            "{\\levelnumbers\\'01\\'03;}}{\\listname Steps;}\\listid55}"
            "{\\list{\\listlevel\\levelnfc23{\\leveltext\\'01\\u8226 ?;}}\\listid66}}"
            "{\\*\\listoverridetable{\\listoverride\\listid55\\listoverridecount0\\ls1}"
            "{\\listoverride\\listid66\\ls2}}";
        row("numbers from the list table",
            listTable + "\\pard\\ls1 Alpha\\par Beta\\par\\pard\\ls1\\ilvl1 Sub\\par\\pard\\ls1 "
                        "Gamma\\par\\pard Plain\\par\\pard\\ls2 Dot}",
            "1. Alpha\n2. Beta\n2.a) Sub\n3. Gamma\nPlain\n\u2022 Dot");
        row("list text wins over the list table",
            listTable + "{\\listtext 7.\\tab}\\pard\\ls1 Seven}", "7.\tSeven");
        row("footnote marks kept, notes not read",
            "{\\rtf1 Text{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} The note.} more{\\super"
            "\\chftn}{\\footnote Second.}. {\\super *}{\\footnote {\\super *} Own mark.}}",
            "Text1 more2. *");
        row("fields show their result, nested ones too",
            "{\\rtf1 See {\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt the {\\field{\\*"
            "\\fldinst PAGE}{\\fldrslt 4}} page}} now}",
            "See the 4 page now");
    }

    void text()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        // toPlainText turns no-break spaces into spaces; compare the document's own text.
        QTextDocument document;
        const platform::Result<RtfEnd> read = RtfReader::read(rtf, document);
        QVERIFY(read.ok());
        // Text that ends before its group closes is told apart: more may be missing.
        const QByteArray name = QTest::currentDataTag();
        QCOMPARE(read.value() == RtfEnd::CutShort,
                 name.startsWith("cut") || name.startsWith("unclosed"));
        QString actual = document.toRawText();
        actual.replace(QChar::ParagraphSeparator, u'\n');
        actual.replace(QChar::LineSeparator, u'\n');
        QCOMPARE(actual, expected);
    }

    void formatting()
    {
        const QByteArray rtf =
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Serif;}{\\f1 Liberation Mono;}}"
            "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
            "plain {\\b bold} {\\i italic} {\\ul under} {\\strike struck} "
            "{\\f1\\fs48 mono24} {\\cf1 red} {\\cb2 onblue} {\\b\\i both\\plain reset}}";
        QTextDocument document;
        QVERIFY(RtfReader::read(rtf, document).ok());
        const auto at = [&](const char* text) { return formatOf(document, text); };
        QCOMPARE(
            (QList<int>{at("plain").fontWeight(), at("bold").fontWeight(),
                        at("italic").fontWeight(), at("both").fontWeight(),
                        at("reset").fontWeight()}),
            (QList<int>{QFont::Normal, QFont::Bold, QFont::Normal, QFont::Bold, QFont::Normal}));
        QCOMPARE((QList<bool>{at("bold").fontItalic(), at("italic").fontItalic(),
                              at("reset").fontItalic(), at("under").fontUnderline(),
                              at("struck").fontStrikeOut()}),
                 (QList<bool>{false, true, false, true, true}));
        QCOMPARE(at("plain").fontFamilies().toStringList() +
                     at("mono24").fontFamilies().toStringList(),
                 (QStringList{"Liberation Serif", "Liberation Mono"}));
        QCOMPARE((QList<double>{at("plain").fontPointSize(), at("mono24").fontPointSize()}),
                 (QList<double>{12, 24}));
        QCOMPARE((QList<QColor>{at("red").foreground().color(), at("onblue").background().color()}),
                 (QList<QColor>{Qt::red, Qt::blue}));
    }

    // The code pages of \\ansicpg and \\fcharset, decoded on their own, and whether they are known:
    // a byte 1252 does not define, a lead byte at the very end, an unknown code page (read as
    // 1252) and input longer than one pass of the converter.
    void codePages()
    {
        const std::tuple<QByteArray, int, bool, QString> rows[] = {
            {"\x80\x93\xE9\xFF", 1252, true, "€“éÿ"},
            {"a\x81z", 1252, true, "a\uFFFDz"},
            {"\x93\xFA\x96\x7B", 932, true, "日本"},
            {"\xC7\xD1", 949, true, "한"},
            {"\xA4\xA4", 950, true, "中"},
            {"a\x93", 932, true, "a\uFFFD"},
            {"\xE9", 12345, false, "é"},
            {QByteArray(20000, '\xE9'), 1252, true, QString(20000, QChar(0xE9))}};
        for (const auto& [bytes, codePage, supported, expected] : rows) {
            QCOMPARE(codepage::decode(bytes, codePage), expected);
            QCOMPARE(codepage::isSupported(codePage), supported);
        }
    }

    // Empty, plain text, a brace alone, nothing by that name, a folder: refused with the
    // reason, and the document keeps its text.
    void refusesWhatIsNotRichText()
    {
        const QString notRtf = "The file is not in Rich Text Format.";
        const std::tuple<QByteArray, QString, QString> rows[] = {
            {"", "empty.rtf", notRtf},
            {"Hello {\\rtf1 x}", "plain.rtf", notRtf},
            {"{", "brace.rtf", notRtf},
            {QByteArray(), "missing.rtf", "The file does not exist."},
            {QByteArray(), "", "This is a folder, not a file."}};
        QTemporaryDir dir;
        for (const auto& [data, name, reason] : rows) {
            const QString path = dir.filePath(name);
            QVERIFY(data.isNull() || testfiles::write(path, data));
            QTextDocument document;
            document.setPlainText("previous");
            QCOMPARE(RtfReader::readFile(path, document).error(), reason);
            QCOMPARE(document.toPlainText(), "previous");
        }
    }
};

QTEST_MAIN(tst_RtfReader)
#include "tst_RtfReader.moc"
