#include "audio/AudioRing.h"
#include "speech/TextSegmenter.h"

#include <QTest>
#include <atomic>
#include <thread>

// The pieces speech flows in. A text is cut into pieces that cover it exactly, stay within
// the limit and end at sentence ends where there are any. The buffer between synthesis and
// output takes what fits, refuses a stopped utterance's samples, holds the writer back while
// it is full, and a reset or closing releases it for good; that every sample comes out of it
// once and in order, and each end after its last sample, the speaking tests check.
class tst_SpeechPieces : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cutsCoverTheTextWithinTheLimit_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("maximum"); // 0: the default
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty") << QString() << 100 << QStringList{};
        QTest::newRow("sentences") << "First one. Second one. Third one." << 24
                                   << QStringList{"First one. Second one. ", "Third one."};
        QTest::newRow("no sentence end")
            << "aaaa bbbb cccc dddd eeee" << 16 << QStringList{"aaaa bbbb cccc ", "dddd eeee"};
        QTest::newRow("one long word")
            << QString(40, 'x') << 16
            << QStringList{QString(16, 'x'), QString(16, 'x'), QString(8, 'x')};
        QTest::newRow("line breaks") << "A title line\nBody text goes here" << 20
                                     << QStringList{"A title line\n", "Body text goes here"};
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
        speech::TextSegmenter segmenter =
            maximum > 0 ? speech::TextSegmenter(text, maximum) : speech::TextSegmenter(text);
        QStringList result;
        while (const std::optional<QStringView> piece = segmenter.next()) {
            result.append(piece->toString());
        }
        QCOMPARE(result, expected);
        QCOMPARE(result.join(QString()), text);
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
        if (release == "reset") {
            ring.reset(2);
        } else if (release == "close") {
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
        if (release == "close") {
            QCOMPARE(ring.tryWrite(block.constData(), 1, 1), -1);
        }
    }
};

QTEST_GUILESS_MAIN(tst_SpeechPieces)
#include "tst_SpeechPieces.moc"
