#include "audio/AudioRing.h"
#include "speech/TextSegmenter.h"

#include <QTest>
#include <atomic>
#include <thread>

// The pieces speech flows in. A text is cut into pieces that cover it exactly, stay within
// the limit and end at sentence ends where there are any. The buffer between synthesis and
// output gives samples back as they went in across the wrap, a full ring holds the writer
// back, and a reset releases it for good.
class tst_SpeechPieces : public QObject
{
    Q_OBJECT

private:
    static QStringList pieces(const QString& text, qsizetype maximum)
    {
        speech::TextSegmenter segmenter =
            maximum > 0 ? speech::TextSegmenter(text, maximum) : speech::TextSegmenter(text);
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
        QTest::addColumn<int>("maximum"); // 0: the default
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
        const QString face = QString::fromUtf8("\xF0\x9F\x98\x80"); // one character, two units
        QTest::newRow("surrogate pair kept whole")
            << QString(15, 'x') + face + QString(10, 'y') << 16
            << QStringList{QString(15, 'x'), face + QString(10, 'y')};
        const QString night = QStringLiteral("It was a dark and stormy night. ");
        QTest::newRow("a book, in pieces of 2000 at most")
            << night.repeated(100) << 0 << QStringList{night.repeated(62), night.repeated(38)};
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

    void samplesSurviveTheWrap()
    {
        audio::AudioRing ring(7);
        ring.reset(1);
        QVector<qint16> out(7);
        qint16 next = 0;
        qint16 expected = 0;
        for (int round = 0; round < 20; ++round) {
            QVector<qint16> in(1 + round % 7);
            for (qint16& sample : in) {
                sample = next++;
            }
            QCOMPARE(ring.tryWrite(in.constData(), in.size(), 1), in.size());
            const qsizetype n = ring.read(out.data(), out.size());
            QCOMPARE(n, in.size());
            for (qsizetype i = 0; i < n; ++i) {
                QCOMPARE(out[i], expected++);
            }
        }
        QCOMPARE(ring.readPosition(), qint64(next));
    }

    void tryWriteTakesWhatFitsAndRefusesStaleGenerations()
    {
        audio::AudioRing ring(4);
        ring.reset(3);
        const qint16 samples[6] = {1, 2, 3, 4, 5, 6};
        QCOMPARE(ring.tryWrite(samples, 6, 3), 4);
        QCOMPARE(ring.tryWrite(samples, 6, 3), 0);
        QCOMPARE(ring.tryWrite(samples, 1, 2), -1);
        QVERIFY(!ring.markEnd(9, 2));
        ring.reset(4);
        QCOMPARE(ring.available(), 0);
        QCOMPARE(ring.tryWrite(samples, 2, 4), 2);
    }

    void endsComeOutWhenTheirPositionIsReached()
    {
        audio::AudioRing ring(16);
        ring.reset(1);
        const qint16 samples[5] = {};
        QVERIFY(ring.markEnd(1, 1)); // an empty utterance ends where it starts
        ring.tryWrite(samples, 5, 1);
        QVERIFY(ring.markEnd(2, 1));
        ring.tryWrite(samples, 3, 1);
        QVERIFY(ring.markEnd(3, 1));
        QCOMPARE(ring.takeEndsUpTo(0), QList<quint64>{1});
        QCOMPARE(ring.takeEndsUpTo(4), QList<quint64>{});
        QCOMPARE(ring.takeEndsUpTo(8), (QList<quint64>{2, 3}));
        QVERIFY(!ring.hasEnds());
    }

    void fullRingHoldsTheWriterUntilReleased_data()
    {
        QTest::addColumn<QString>("release");
        QTest::addColumn<int>("written"); // what write() says in the end
        QTest::newRow("reader catches up") << "read" << 1;
        QTest::newRow("stop") << "reset" << 0;
        QTest::newRow("close") << "close" << 0;
    }

    void fullRingHoldsTheWriterUntilReleased()
    {
        QFETCH(QString, release);
        QFETCH(int, written);
        audio::AudioRing ring(100);
        ring.reset(1);
        std::atomic<int> result{-1};
        QVector<qint16> block(250, 7);
        std::thread writer(
            [&] { result = ring.write(block.constData(), block.size(), 1) ? 1 : 0; });
        QTRY_COMPARE(ring.available(), 100);
        QTest::qWait(20);
        QCOMPARE(result.load(), -1);
        if (release == QLatin1String("reset")) {
            ring.reset(2);
        } else if (release == QLatin1String("close")) {
            ring.close();
        } else {
            QVector<qint16> sink(100);
            for (int i = 0; i < 3 && result.load() < 0; ++i) {
                QTRY_VERIFY(ring.available() > 0);
                ring.read(sink.data(), sink.size());
            }
        }
        writer.join();
        QCOMPARE(result.load(), written);
        if (release == QLatin1String("close")) {
            QCOMPARE(ring.tryWrite(block.constData(), 1, 1), -1);
        }
    }
};

QTEST_GUILESS_MAIN(tst_SpeechPieces)
#include "tst_SpeechPieces.moc"
