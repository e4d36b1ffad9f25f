#include "TestFiles.h"
#include "documents/RtfReader.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

using platform::RtfReader;

namespace {

// The format of the first character of the given text.
QTextCharFormat formatOf(const QTextDocument& document, const QString& text)
{
    const int at = document.toPlainText().indexOf(text);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() <= at && at < f.position() + f.length()) {
                return f.charFormat();
            }
        }
    }
    return {};
}

} // namespace

class tst_RtfReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writtenByLibreOffice_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("accents") << "accents";
        QTest::newRow("Greek") << "greek";
        QTest::newRow("Cyrillic") << "cyrillic";
        QTest::newRow("CJK") << "cjk";
        QTest::newRow("emoji") << "emoji";
        QTest::newRow("paragraphs and tab") << "plain";
    }

    void writtenByLibreOffice()
    {
        QFETCH(QString, name);
        QTextDocument document;
        const platform::Result<void> result =
            RtfReader::readFile(testfiles::fixture(name + QLatin1String(".rtf")), document);
        QVERIFY2(result.ok(), qPrintable(result.error()));
        QCOMPARE(document.toPlainText(), testfiles::expectedText(name));
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");

        QTest::newRow("delimiter space is not text")
            << QByteArray("{\\rtf1\\b bold\\b0  plain}") << "bold plain";
        QTest::newRow("paragraphs, line, tab")
            << QByteArray("{\\rtf1 a\\par b\\line c\\tab d}") << "a\nb\nc\td";
        QTest::newRow("line breaks in the file are not text")
            << QByteArray("{\\rtf1 one\r\ntwo\ntwo}") << "onetwotwo";
        QTest::newRow("escaped braces and backslash")
            << QByteArray("{\\rtf1 \\{x\\} \\\\}") << "{x} \\";
        QTest::newRow("windows-1252 escapes")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9 \\'80 \\'93q\\'94}")
            << QString::fromUtf8("café € “q”");
        QTest::newRow("cyrillic code page")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}")
            << QString::fromUtf8("Привет");
        QTest::newRow("font charset overrides the document's")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset161 "
                          "Greek;}}\\f0 \\'e9 \\f1 \\'e1\\'e2}")
            << QString::fromUtf8("é αβ");
        QTest::newRow("double-byte code page, both bytes escaped")
            << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 "
                          "\\'93\\'fa\\'96\\'7b}")
            << QString::fromUtf8("日本");
        QTest::newRow("double-byte code page, trail byte literal")
            << QByteArray(
                   "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'83e\\'83X}")
            << QString::fromUtf8("テス");
        QTest::newRow("simplified Chinese by code page")
            << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}")
            << QString::fromUtf8("中文");
        QTest::newRow("unicode with fallback skipped")
            << QByteArray("{\\rtf1 \\u233?t\\u233?}") << QString::fromUtf8("été");
        QTest::newRow("negative unicode")
            << QByteArray("{\\rtf1 \\u-3913?}") << QString(QChar(0xF0B7));
        QTest::newRow("unicode above 32767 written unsigned")
            << QByteArray("{\\rtf1 \\u50504?}") << QString(QChar(50504));
        QTest::newRow("surrogate pair")
            << QByteArray("{\\rtf1 \\uc1\\u-10179?\\u-8704?!}") << QString::fromUtf8("😀!");
        QTest::newRow("lone high surrogate")
            << QByteArray("{\\rtf1 \\u55357?x}") << QString::fromUtf8("\xEF\xBF\xBDx");
        QTest::newRow("uc2 skips two fallback bytes")
            << QByteArray("{\\rtf1\\uc2 \\u26085\\'93\\'faX}") << QString::fromUtf8("日X");
        QTest::newRow("uc0 skips nothing")
            << QByteArray("{\\rtf1\\uc0 \\u26085 X}") << QString::fromUtf8("日X");
        QTest::newRow("uc is per group")
            << QByteArray("{\\rtf1 {\\uc0 \\u233}\\u233?}") << QString::fromUtf8("éé");
        QTest::newRow("fallback skip ends at a group")
            << QByteArray("{\\rtf1\\uc3 \\u233{x}y}") << QString::fromUtf8("éxy");
        QTest::newRow("ignorable destination")
            << QByteArray("{\\rtf1 a{\\*\\unknowndest secret {nested}}b}") << "ab";
        QTest::newRow("tables and info are skipped")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                          "{\\stylesheet{\\s0 Normal;}}{\\info{\\title T}{\\author A}}body}")
            << "body";
        QTest::newRow("field result kept, instruction skipped")
            << QByteArray("{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}")
            << "link";
        QTest::newRow("hidden text")
            << QByteArray("{\\rtf1 shown {\\v hidden \\u233?}\\v more\\v0 again}") << "shown again";
        QTest::newRow("picture skipped")
            << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b}") << "ab";
        QTest::newRow("binary data may hold braces")
            << QByteArray("{\\rtf1 a{\\*\\blob\\bin4 }}{{b}c}") << "ac";
        QTest::newRow("binary length beyond the end")
            << QByteArray("{\\rtf1 a\\bin99999 xyz}") << "a";
        QTest::newRow("special characters")
            << QByteArray("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote"
                          "\\~}")
            << QString::fromUtf8("—–•‘’“”") + QChar(0xA0);
        QTest::newRow("text after the document's group is ignored")
            << QByteArray("{\\rtf1 in}out") << "in";
        QTest::newRow("leading blank lines") << QByteArray("\r\n {\\rtf1 x}") << "x";
        // Broken input ends cleanly with what was read.
        QTest::newRow("unclosed group") << QByteArray("{\\rtf1 abc{\\b def") << "abcdef";
        QTest::newRow("cut in a hex escape") << QByteArray("{\\rtf1 abc\\'e") << "abc";
        QTest::newRow("cut after a backslash") << QByteArray("{\\rtf1 abc\\") << "abc";
        QTest::newRow("cut in a control word") << QByteArray("{\\rtf1 abc\\pa") << "abc";
        QTest::newRow("cut in a unicode fallback") << QByteArray("{\\rtf1\\uc4 a\\u233 x") << "aé";
        QTest::newRow("bad hex escape") << QByteArray("{\\rtf1 a\\'zzb}") << "azzb";
        QTest::newRow("too many closing braces") << QByteArray("{\\rtf1 a}}}}b") << "a";
        QTest::newRow("huge parameters")
            << QByteArray("{\\rtf1\\fs99999999999999999999\\u99999999999999999999?x\\uc-5 y}")
            << QString::fromUtf8("\xEF\xBF\xBDxy");
        QTest::newRow("huge font and colour indexes")
            << QByteArray("{\\rtf1\\f2147483647\\cf2147483647\\cb-5 z}") << "z";
        QTest::newRow("very deep nesting") << QByteArray("{\\rtf1 ") + QByteArray(100000, '{') +
                                                  "deep" + QByteArray(100000, '}') + "after}"
                                           << "deepafter";
        QTest::newRow("very long control word")
            << QByteArray("{\\rtf1 \\") + QByteArray(100000, 'a') + " text}"
            << "text";
        QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b}", 11) << "ab";
    }

    void text()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        // toPlainText turns no-break spaces into spaces; compare the document's own text.
        QTextDocument document;
        QVERIFY(RtfReader::read(rtf, document).ok());
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

        QCOMPARE(formatOf(document, "plain").fontWeight(), int(QFont::Normal));
        QCOMPARE(formatOf(document, "plain").fontFamilies().toStringList(),
                 QStringList{"Liberation Serif"});
        QCOMPARE(formatOf(document, "plain").fontPointSize(), 12.0);
        QCOMPARE(formatOf(document, "bold").fontWeight(), int(QFont::Bold));
        QVERIFY(!formatOf(document, "bold").fontItalic());
        QVERIFY(formatOf(document, "italic").fontItalic());
        QCOMPARE(formatOf(document, "italic").fontWeight(), int(QFont::Normal));
        QVERIFY(formatOf(document, "under").fontUnderline());
        QVERIFY(formatOf(document, "struck").fontStrikeOut());
        QCOMPARE(formatOf(document, "mono24").fontFamilies().toStringList(),
                 QStringList{"Liberation Mono"});
        QCOMPARE(formatOf(document, "mono24").fontPointSize(), 24.0);
        QCOMPARE(formatOf(document, "red").foreground().color(), QColor(255, 0, 0));
        QCOMPARE(formatOf(document, "onblue").background().color(), QColor(0, 0, 255));
        QCOMPARE(formatOf(document, "both").fontWeight(), int(QFont::Bold));
        QCOMPARE(formatOf(document, "reset").fontWeight(), int(QFont::Normal));
        QVERIFY(!formatOf(document, "reset").fontItalic());
    }

    void refusesWhatIsNotRichText_data()
    {
        QTest::addColumn<QByteArray>("data"); // null: nothing by that name
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QByteArray("") << "empty.rtf";
        QTest::newRow("plain text") << QByteArray("Hello {\\rtf1 x}") << "plain.rtf";
        QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1a\n", 8) << "png.rtf";
        QTest::newRow("brace only") << QByteArray("{") << "brace.rtf";
        QTest::newRow("missing") << QByteArray() << "missing.rtf";
        QTest::newRow("folder") << QByteArray() << "";
    }

    void refusesWhatIsNotRichText()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        if (!data.isNull()) {
            QVERIFY(testfiles::write(path, data));
        }
        QTextDocument document;
        document.setPlainText(QStringLiteral("previous"));
        const platform::Result<void> result = RtfReader::readFile(path, document);
        QVERIFY(!result.ok());
        QVERIFY(!result.error().isEmpty());
        QCOMPARE(document.toPlainText(), QStringLiteral("previous"));
    }
};

QTEST_MAIN(tst_RtfReader)
#include "tst_RtfReader.moc"
