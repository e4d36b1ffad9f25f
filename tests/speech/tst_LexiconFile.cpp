#include "speech/LexiconFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using speech::LexiconEntry;
namespace lexicon_file = speech::lexicon_file;

Q_DECLARE_METATYPE(lexicon_file::Format)

// Lexicon files as other programs and spreadsheets write them, and as we write them back.
class tst_LexiconFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripsByteForByte_data()
    {
        QTest::addColumn<lexicon_file::Format>("format");
        QTest::newRow("PLS") << lexicon_file::Format::Pls;
        QTest::newRow("tab-separated") << lexicon_file::Format::TabSeparated;
    }

    void roundTripsByteForByte()
    {
        QFETCH(lexicon_file::Format, format);
        QList<LexiconEntry> entries(3);
        entries[0] = {QStringLiteral("Nguyen"),
                      QStringLiteral("win"),
                      QStringLiteral("ˈwɪn"),
                      QString(),
                      true,
                      false,
                      false};
        entries[1] = {QStringLiteral("Straße"),
                      QStringLiteral("Strasse <&>"),
                      QString(),
                      QStringLiteral("de"),
                      false,
                      true,
                      false};
        entries[2] = {QStringLiteral("\\d+\tkm"),
                      QStringLiteral("kilometres"),
                      QString(),
                      QStringLiteral("en-gb"),
                      true,
                      false,
                      true};
        const QByteArray written = lexicon_file::write(entries, format);
        QCOMPARE(lexicon_file::detect(written), format);
        const platform::Result<lexicon_file::ReadResult> read = lexicon_file::read(written, format);
        QVERIFY(read);
        QCOMPARE(read.value().entries, entries);
        QVERIFY(read.value().bad.isEmpty());
        QCOMPARE(lexicon_file::write(read.value().entries, format), written);
    }

    void badEntriesAreNamedByLine_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<int>>("lines");
        QTest::addColumn<int>("good");
        QTest::newRow("PLS")
            << QByteArray(
                   "<?xml version=\"1.0\"?>\n"
                   "<lexicon version=\"1.0\" "
                   "xmlns=\"http://www.w3.org/2005/01/pronunciation-lexicon\"\n"
                   "  xmlns:pz=\"urn:parlanza:lexicon\" alphabet=\"ipa\" xml:lang=\"en-US\">\n"
                   "<lexeme><alias>nothing written</alias></lexeme>\n"
                   "<lexeme><grapheme>said as nothing</grapheme></lexeme>\n"
                   "<lexeme pz:regex=\"true\"><grapheme>(bad</grapheme><alias>x</alias></lexeme>\n"
                   "<lexeme><grapheme>Zoë</grapheme><phoneme>z@!</phoneme></lexeme>\n"
                   "<lexeme><grapheme>SQL</grapheme><grapheme>sql</grapheme><alias>sequel</alias>\n"
                   "</lexeme></lexicon>\n")
            << QList<int>{4, 5, 6, 7} << 2;
        QTest::newRow("tab-separated")
            << QByteArray("written\trespelling\tphonemes\tlanguage\toptions\n"
                          "\tnothing written\n"
                          "said as nothing\n"
                          "\n"
                          "(bad\tx\t\t\tregex\n"
                          "SQL\tsequel\t\ten\tpart-of-word,loud\n"
                          "Zoë\t\tz@!\n"
                          "a\tb\tc\td\te\tf\n"
                          "SQL\tsequel\t\ten\tmatch-case\r\n")
            << QList<int>{2, 3, 5, 6, 7, 8} << 1;
    }

    void badEntriesAreNamedByLine()
    {
        QFETCH(QByteArray, data);
        QFETCH(QList<int>, lines);
        QFETCH(int, good);
        const platform::Result<lexicon_file::ReadResult> read =
            lexicon_file::read(data, lexicon_file::detect(data));
        QVERIFY2(read, qPrintable(read.error()));
        QList<int> badLines;
        for (const lexicon_file::BadEntry& bad : read.value().bad) {
            QVERIFY(!bad.reason.isEmpty());
            badLines.append(bad.line);
        }
        QCOMPARE(badLines, lines);
        QCOMPARE(read.value().entries.size(), good);
    }

    void aDamagedUserLexiconIsLeftAsItWas()
    {
        QTemporaryDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        const QString path = lexicon_file::userPath();
        QCOMPARE(path, home.filePath(QStringLiteral("parlanza/lexicon.pls")));
        QCOMPARE(lexicon_file::load(path).value().size(), 0); // none yet
        QList<LexiconEntry> entries(1);
        entries[0].written = QStringLiteral("SQL");
        entries[0].respelling = QStringLiteral("sequel");
        QVERIFY(lexicon_file::save(path, entries));
        QCOMPARE(lexicon_file::load(path).value(), entries);

        const QByteArray damaged = "<lexicon><lexeme><alias>x</alias></lexeme>\n</lexicon>\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(damaged);
        file.close();
        const platform::Result<QList<LexiconEntry>> loaded = lexicon_file::load(path);
        QVERIFY(!loaded);
        QVERIFY2(loaded.error().contains(path) && loaded.error().contains(QStringLiteral("line 1")),
                 qPrintable(loaded.error()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), damaged);
    }
};

QTEST_GUILESS_MAIN(tst_LexiconFile)
#include "tst_LexiconFile.moc"
