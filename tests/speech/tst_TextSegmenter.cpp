#include "speech/TextSegmenter.h"

#include <QTest>

// The pieces a text is spoken in: they cover it exactly, stay within the limit, and cut
// at sentence ends where there are any.
class tst_TextSegmenter : public QObject
{
    Q_OBJECT

private:
    static QStringList pieces(const QString& text, qsizetype maximum)
    {
        TextSegmenter segmenter(text, maximum);
        QStringList result;
        while (const std::optional<QStringView> piece = segmenter.next()) {
            result.append(piece->toString());
        }
        return result;
    }

private Q_SLOTS:
    void cutsCoverTheTextWithinTheLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QString() << 100 << QStringList{};
        QTest::newRow("short") << "One sentence." << 100 << QStringList{"One sentence."};
        QTest::newRow("sentences") << "First one. Second one. Third one." << 24
                                   << QStringList{"First one. Second one. ", "Third one."};
        QTest::newRow("no sentence end")
            << "aaaa bbbb cccc dddd eeee" << 16 << QStringList{"aaaa bbbb cccc ", "dddd eeee"};
        QTest::newRow("one long word")
            << QString(40, 'x') << 16
            << QStringList{QString(16, 'x'), QString(16, 'x'), QString(8, 'x')};
        QTest::newRow("line breaks") << "A title line\nBody text goes here" << 20
                                     << QStringList{"A title line\n", "Body text goes here"};
        QTest::newRow("question and exclamation")
            << "Why? Because! Then more words" << 18
            << QStringList{"Why? Because! ", "Then more words"};
    }

    void cutsCoverTheTextWithinTheLimit()
    {
        QFETCH(QString, text);
        QFETCH(int, maximum);
        QFETCH(QStringList, expected);
        const QStringList result = pieces(text, maximum);
        QCOMPARE(result, expected);
        QCOMPARE(result.join(QString()), text);
    }

    void neverSplitsASurrogatePair()
    {
        const QString face = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two units
        const QString text = QString(15, 'x') + face + QString(10, 'y');
        const QStringList result = pieces(text, 16);
        QCOMPARE(result.join(QString()), text);
        for (const QString& piece : result) {
            QVERIFY(!piece.back().isHighSurrogate());
            QVERIFY(!piece.front().isLowSurrogate());
        }
    }

    void aBookComesInBoundedPieces()
    {
        const QString book = QStringLiteral("It was a dark and stormy night. ").repeated(100000);
        TextSegmenter segmenter(book);
        qsizetype total = 0;
        int count = 0;
        while (const std::optional<QStringView> piece = segmenter.next()) {
            QVERIFY(piece->size() <= TextSegmenter::DefaultMaximum);
            QVERIFY(piece->endsWith(QLatin1String(". ")) || total + piece->size() == book.size());
            total += piece->size();
            ++count;
        }
        QCOMPARE(total, book.size());
        QVERIFY(count > book.size() / TextSegmenter::DefaultMaximum);
    }
};

QTEST_GUILESS_MAIN(tst_TextSegmenter)
#include "tst_TextSegmenter.moc"
