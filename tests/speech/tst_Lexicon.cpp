#include "speech/Lexicon.h"

#include <QTest>

using speech::LexiconEntry;

namespace {

// "p" part of a word, "c" match case, "r" a pattern.
LexiconEntry entry(const QString& written, const QString& respelling, const QString& options = {},
                   const QString& language = {}, const QString& phonemes = {})
{
    LexiconEntry e;
    e.written = written;
    e.respelling = respelling;
    e.phonemes = phonemes;
    e.language = language;
    e.wholeWord = !options.contains(QLatin1Char('p'));
    e.matchCase = options.contains(QLatin1Char('c'));
    e.regex = options.contains(QLatin1Char('r'));
    return e;
}

} // namespace

// What a voice is given to read, and which written characters each of its characters
// stands for.
class tst_Lexicon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saysWhatTheRulesSay_data()
    {
        QTest::addColumn<QList<LexiconEntry>>("entries");
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("phonemes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("spoken");
        const QList<LexiconEntry> sql{entry("SQL", "sequel")};
        QTest::newRow("whole word, any case") << sql << "en" << false << "SQL, sql and SQLite"
                                              << "sequel, sequel and SQLite";
        QTest::newRow("match case")
            << QList{entry("US", "United States", "c")} << "en" << false << "us and US"
            << "us and United States";
        QTest::newRow("part of a word")
            << QList{entry("ph", "f", "p")} << "en" << false << "Phone graph"
            << "fone graf";
        QTest::newRow("signs at the edges")
            << QList{entry("C++", "C plus plus")} << "en" << false << "C++. xC++"
            << "C plus plus. xC++";
        QTest::newRow("longest wins") << QList{entry("New", "Noo"), entry("New York", "Big Apple")}
                                      << "en" << false << "New York, New"
                                      << "Big Apple, Noo";
        QTest::newRow("overlapping: the leftmost")
            << QList{entry("b c", "Y"), entry("a b", "X")} << "en" << false << "a b c"
            << "X c";
        QTest::newRow("equal: the earlier entry")
            << QList{entry("Nguyen", "win"), entry("nguyen", "new yen")} << "en" << false
            << "Mr Nguyen"
            << "Mr win";
        QTest::newRow("pattern, longer than a word")
            << QList{entry("km", "K M"), entry("[0-9]+ ?km", "some kilometres", "r")} << "en"
            << false << "5 km or km, 5km"
            << "some kilometres or K M, some kilometres";
        QTest::newRow("pattern, whole word")
            << QList{entry("colou?r", "hue", "r")} << "en" << false << "Color colours"
            << "hue colours";
        const QList<LexiconEntry> german{entry("Bier", "beer", "", "de"),
                                         entry("Bier", "bir", "", "en")};
        QTest::newRow("language of the voice") << german << "de" << false << "Bier"
                                               << "beer";
        QTest::newRow("a language covers its regions") << german << "en-us" << false << "Bier"
                                                       << "bir";
        QTest::newRow("another language") << german << "fr" << false << "Bier"
                                          << "Bier";
        const QList<LexiconEntry> sounds{entry("Nguyen", "win", "", "", "ˈwɪn"),
                                         entry("Siobhan", "", "", "", "ʃɪˈvɔːn")};
        QTest::newRow("phonemes where the voice takes them")
            << sounds << "en" << true << "Nguyen, Siobhan"
            << "[['wIn]], [[SI'vO:n]]";
        QTest::newRow("else the respelling, or nothing")
            << sounds << "en" << false << "Nguyen, Siobhan"
            << "win, Siobhan";
    }

    void saysWhatTheRulesSay()
    {
        QFETCH(QList<LexiconEntry>, entries);
        QFETCH(QString, language);
        QFETCH(bool, phonemes);
        QFETCH(QString, text);
        QFETCH(QString, spoken);
        QCOMPARE(speech::Lexicon(entries).apply(text, language, phonemes).text, spoken);
    }

    void aReplacementStandsForItsWrittenSpan()
    {
        const speech::Lexicon lexicon({entry("Nguyen", "win wen")});
        const speech::SpokenText spoken = lexicon.apply(u"Hi Nguyen.", QStringLiteral("en"), false);
        QCOMPARE(spoken.text, QStringLiteral("Hi win wen."));
        using Spans = QList<QPair<qsizetype, qsizetype>>;
        Spans spans;
        for (const speech::SpokenText::Source& s : spoken.source) {
            spans.append({s.start, s.end});
        }
        const Spans expected =
            Spans{{0, 1}, {1, 2}, {2, 3}} + Spans(7, {3, 9}) + Spans{{9, 10}, {10, 10}};
        QCOMPARE(spans, expected);
    }
};

QTEST_GUILESS_MAIN(tst_Lexicon)
#include "tst_Lexicon.moc"
