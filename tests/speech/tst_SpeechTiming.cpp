#include "SpeechTestSupport.h"
#include "recording/SubtitleWriter.h"

#include <QTemporaryDir>
#include <cmath>

using namespace speechtest;

// Speaking against the silent output with a hand-moved clock: when utterances end, what
// pause and stop do to the samples, how speak calls queue, and when each word is marked:
// against where it starts in the sound, through pause and resume, and in the timing files
// written beside a recording.
class tst_SpeechTiming : public QObject
{
    Q_OBJECT

private:
    std::optional<SilentControl> m_s; // made afresh for each test
    QTemporaryDir m_dir;

    QVector<qint16> rendered(const QString& voice, const QString& text)
    {
        return renderedSamples(*m_s->control, voice, text, m_dir.filePath("reference.wav"));
    }

    struct Heard
    {
        QString word;
        qint64 sample; // played from the utterance's start when the word was marked
    };
    static qint64 ms(qint64 samples) { return std::llround(samples * 1e3 / Rate); }

    // Speaks the text, moving the clock a step at a time and asking for the words heard
    // after each step (then calling afterStep) until the utterance ends.
    QList<Heard> follow(const QString& text, qint64 stepUs,
                        const std::function<void(const QList<Heard>&)>& afterStep = {})
    {
        speech::DirectSS& control = *m_s->control;
        QList<Heard> heard;
        const qint64 start = m_s->output->playedPosition();
        QObject receiver;
        connect(&control, &speech::SpeechControl::WordHeard, &receiver,
                [&](quint64, qint32 at, qint32 n) {
                    heard.append({text.mid(at, n), m_s->output->playedPosition() - start});
                });
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.speak(text);
        const auto step = [&] {
            control.reportHeardWords();
            if (afterStep) {
                afterStep(heard);
            }
            return stopped.count() > 0;
        };
        return m_s->playUntil(step, stepUs, 100000) ? heard : QList<Heard>();
    }

    // Where sound starts after at least 40 ms (eight 5 ms windows) of near silence: the
    // true starts of words spoken with pauses between them, found in the sound alone.
    static QList<qint64> onsets(const QVector<qint16>& samples)
    {
        const qsizetype window = Rate / 200;
        QVector<double> levels;
        for (qsizetype i = 0; i + window <= samples.size(); i += window) {
            levels.append(rms(samples, i, i + window));
        }
        const double loudest =
            levels.isEmpty() ? 0 : *std::max_element(levels.cbegin(), levels.cend());
        QList<qint64> starts;
        for (qsizetype i = 0, quiet = 8; i < levels.size(); ++i) {
            const bool loud = levels[i] > 0.05 * loudest;
            if (loud && quiet >= 8) {
                starts.append(i * window);
            }
            quiet = loud ? 0 : quiet + 1;
        }
        return starts;
    }

private Q_SLOTS:
    void init() { m_s.emplace(); }

    void cleanup() { m_s.reset(); }

    // Every sample is played once, however often and long it is paused, and the utterance
    // ends once, when its last sample has been heard.
    void playsEverySampleOnceAndEndsInTime()
    {
        const QString text =
            QStringLiteral("Pause and resume lose nothing. Every sample comes back exactly once, "
                           "however long the pause lasts.");
        const QVector<qint16> reference = rendered("Mary", text);
        QVERIFY(reference.size() > qsizetype(Rate) * 2);

        speech::DirectSS& control = *m_s->control;
        const audio::SilentAudioOutput& output = *m_s->output;
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        QCOMPARE(output.digest(), audio::SilentAudioOutput::DigestSeed);
        control.speak(text);
        // Synthesis alone does not end it: the clock has not moved.
        QTRY_VERIFY(!control.isSynthesizing() || control.bufferedSamples() > 20000);
        QTest::qWait(50);
        QCOMPARE(stopped.count(), 0);
        QVERIFY(m_s->playUntil([&] { return output.playedSamples() > Rate; }));
        const int pauses = 3;
        const qint64 pausedUs = 2000000;
        for (int pause = 0; pause < pauses; ++pause) {
            control.pause();
            const qint64 played = output.playedSamples();
            m_s->clock->advance(pausedUs);
            QTest::qWait(20);
            QCOMPARE(output.playedSamples(), played);
            QCOMPARE(stopped.count(), 0);
            control.resume();
            m_s->playUntil([&] { return output.playedSamples() > played + 7000; }, 33333);
        }
        const qint64 step = 10000;
        QVERIFY(m_s->playUntil([&] { return stopped.count() > 0; }, step));
        QCOMPARE(output.playedSamples(), qint64(reference.size()));
        QCOMPARE(output.digest(),
                 audio::SilentAudioOutput::digestOf(reference.constData(), reference.size()));
        // It ended within a step or so of the time the samples and the pauses take.
        const qint64 took = m_s->clock->nowMicroseconds();
        const qint64 expectedUs = qint64(reference.size()) * 1000000 / Rate + pauses * pausedUs;
        QVERIFY2(qAbs(took - expectedUs) <= 3 * step,
                 qPrintable(QStringLiteral("%1 vs %2").arg(took).arg(expectedUs)));
        QTest::qWait(50);
        m_s->clock->advance(1000000);
        QTest::qWait(20);
        QCOMPARE(stopped.count(), 1);
        QVERIFY(control.isIdle());
    }

    // Stop, here while paused, drops what is buffered at once and ends the utterance once on
    // the next turn of the event loop, without the clock moving; the pause is over and the
    // next utterance is heard.
    void stopIsImmediateAndEndsOnce()
    {
        speech::DirectSS& control = *m_s->control;
        const audio::SilentAudioOutput& output = *m_s->output;
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        control.selectVoice(voiceNumber(control, "Mike"));
        control.speak(
            QStringLiteral("A long text that will not be heard to its end. ").repeated(200));
        QVERIFY(m_s->playUntil([&] { return output.playedSamples() > Rate / 2; }));
        control.pause();
        control.stop();
        const qint64 played = output.playedSamples();
        QCOMPARE(control.bufferedSamples(), 0);
        QTRY_COMPARE(stopped.count(), 1);
        QTRY_VERIFY(control.isIdle());
        m_s->clock->advance(3000000);
        QTest::qWait(50);
        QCOMPARE(output.playedSamples(), played);
        QCOMPARE(stopped.count(), 1);
        QVERIFY(!control.isPaused());

        control.speak("Again.");
        QVERIFY(m_s->playUntil([&] { return stopped.count() == 2; }));
        QVERIFY(output.playedSamples() > played);
    }

    // A speak while speaking queues behind; each utterance raises its own AudioStop.
    void queuedSpeaksFollowInOrder()
    {
        const QString first = "First.";
        const QString second = "And then the second one.";
        const qsizetype firstLength = rendered("Sam", first).size();
        const qsizetype secondLength = rendered("Sam", second).size();
        QVERIFY(firstLength > 0 && secondLength > firstLength);

        speech::DirectSS& control = *m_s->control;
        const audio::SilentAudioOutput& output = *m_s->output;
        QSignalSpy stopped(&control, &speech::SpeechControl::AudioStop);
        // An empty text ends too, having played nothing.
        control.speak(QString());
        QVERIFY(m_s->playUntil([&] { return stopped.count() == 1; }));
        QCOMPARE(output.playedSamples(), 0);
        stopped.clear();
        QList<qint64> endedAt;
        connect(&control, &speech::SpeechControl::AudioStop, this,
                [&] { endedAt.append(output.playedSamples()); });
        control.speak(first);
        control.speak(second);
        QCOMPARE(control.pendingUtterances(), 2);
        QVERIFY(m_s->playUntil([&] { return stopped.count() == 2; }, 10000));
        QCOMPARE(output.playedSamples(), qint64(firstLength + secondLength));
        QVERIFY(endedAt.at(0) >= firstLength);
        QVERIFY2(endedAt.at(0) < firstLength + 2205, qPrintable(QString::number(endedAt.at(0))));

        // Stop with three queued ends each of them once.
        stopped.clear();
        for (int i = 0; i < 3; ++i) {
            control.speak(second);
        }
        control.stop();
        QTRY_COMPARE(stopped.count(), 3);
        QTest::qWait(50);
        QCOMPARE(stopped.count(), 3);
    }

    void markedWhenTheWordStarts_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("speed");      // 0: the voice's own
        QTest::addColumn<bool>("respelled"); // two names said as longer ones
        QTest::newRow("espeak-ng") << "English (America)" << 0 << false;
        QTest::newRow("flite") << "Mary" << 0 << false;
        QTest::newRow("flite diphones") << "Sam" << 0 << false;
        QTest::newRow("telephone effect") << "Mary (for Telephone)" << 0 << false;
        QTest::newRow("time-stretched, speed 50") << "English (America)" << 50 << false;
        QTest::newRow("espeak-ng, lexicon") << "English (America)" << 0 << true;
    }

    // The text rendered to a file gives each word's start where sound begins after a
    // pause; the same text spoken must mark each word within 30 ms of that.
    void markedWhenTheWordStarts()
    {
        QFETCH(QString, voice);
        QFETCH(int, speed);
        QFETCH(bool, respelled);
        speech::DirectSS& control = *m_s->control;
        if (speed > 0) {
            control.setSpeed(speed);
        }
        if (respelled) {
            QList<speech::LexiconEntry> entries(2);
            entries[0] = {"Ollie", "Oliver", {}, {}, true, false, false};
            entries[1] = {"Lily", "Lillian", {}, {}, true, false, false};
            control.setLexicon(speech::Lexicon(entries));
        }
        const QString text = QStringLiteral("Ella. Ollie. Lola. Yellow. Ally. Lily. Ellie. Leo.");
        const QList<qint64> truth =
            onsets(renderedSamples(control, voice, text, m_dir.filePath("truth.wav")));
        QCOMPARE(truth.size(), 8);
        control.selectVoice(voiceNumber(control, voice));
        const QList<Heard> heard = follow(text, 2000);
        QCOMPARE(heard.size(), truth.size());
        qint64 worst = 0;
        for (qsizetype i = 0; i < heard.size(); ++i) {
            worst = std::max(worst, qAbs(heard[i].sample - truth[i]));
            QVERIFY2(ms(worst) <= 30, qPrintable(heard[i].word));
        }
    }

    // Each word is marked once and whole, as it is written: accented, with an apostrophe or
    // a hyphen inside, and through pauses (after the third and the seventh word, 2 s each).
    void wordsMarkedAsWritten_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("words");
        QTest::addColumn<bool>("paused");
        const auto row = [](const char* tag, const char* voice, const char* text, const char* words,
                            bool paused = false) {
            QTest::newRow(tag) << QString(voice) << QString(text) << QString(words) << paused;
        };
        const char* french = "Il va à Paris, là-bas. L'eau est à côté.";
        row("espeak-ng, French", "French (France)", french,
            "Il va à Paris là-bas L'eau est à côté");
        row("espeak-ng, English", "English (America)",
            "Don't stop the well-known rock'n'roll band's tour.",
            "Don't stop the well-known rock'n'roll band's tour");
        // espeak-ng places a small word after a sentence's end at the space before it.
        row("espeak-ng, after a full stop", "English (America)", "It rained. win the wine. so.",
            "It rained win the wine so");
        // flite's English voices say nothing at all for "à".
        row("flite, French", "Mary", french, "Il va Paris là-bas L'eau est côté");
        row("paused", "English (America)",
            "The quick brown fox jumps over the lazy dog, twice. It sleeps.",
            "The quick brown fox jumps over the lazy dog twice It sleeps", true);
    }

    void wordsMarkedAsWritten()
    {
        QFETCH(QString, voice);
        QFETCH(QString, text);
        QFETCH(QString, words);
        QFETCH(bool, paused);
        speech::DirectSS& control = *m_s->control;
        control.selectVoice(voiceNumber(control, voice));
        int pauses = 0;
        QStringList heard;
        for (const Heard& word : follow(text, 2000, [&](const QList<Heard>& sofar) {
                 if (paused && sofar.size() == 3 + 4 * pauses && pauses < 2) {
                     control.pause();
                     for (int step = 0; step < 100; ++step) {
                         m_s->clock->advance(20000);
                         control.reportHeardWords();
                     }
                     QCOMPARE(sofar.size(), 3 + 4 * pauses++);
                     control.resume();
                 }
             })) {
            heard << word.word;
        }
        QCOMPARE(pauses, paused ? 2 : 0);
        QCOMPARE(heard.join(QLatin1Char(' ')), words);
    }

    // The recording and the speaking of a text are two renderings of it, which must sound
    // the same for their times to be compared. espeak-ng's do not quite: it keeps its pitch
    // flutter running from one text to the next, which moves words by up to a few pitch
    // periods, so its voices are left to the test against the sound above.
    void timingFilesMatchTheMarks_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::newRow("flite") << "Mary";
        QTest::newRow("flite diphones") << "Sam";
    }

    void timingFilesMatchTheMarks()
    {
        QFETCH(QString, voice);
        speech::DirectSS& control = *m_s->control;
        const QStringList sentences = {"Hello there, how are you today?", "I am fine & well.",
                                       "Thanks for <asking>!"};
        const QString text = sentences.join(u'\n');
        const QString sound = m_dir.filePath("timed.wav");
        control.setSubtitles(true, true);
        const qint64 endMs = ms(renderedSamples(control, voice, text, sound).size());
        control.setSubtitles(false, false);
        const QList<Cue> words = readCues(
            recording::SubtitleWriter::pathFor(sound, recording::SubtitleWriter::Kind::Words));
        const QList<Cue> lines = readCues(
            recording::SubtitleWriter::pathFor(sound, recording::SubtitleWriter::Kind::Sentences));
        control.selectVoice(voiceNumber(control, voice));
        const QList<Heard> heard = follow(text, 1000);
        QVERIFY(heard.size() >= 12);
        QCOMPARE(words.size(), heard.size());
        QCOMPARE(lines.size(), sentences.size());
        for (qsizetype i = 0, line = 0; i < heard.size(); ++i) {
            QString escaped = heard[i].word;
            escaped.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;");
            QCOMPARE(words[i].text, escaped);
            // Marked on the first step (1 ms) at or after the cue's time.
            QVERIFY2(qBound(0LL, ms(heard[i].sample) - words[i].startMs, 1LL) ==
                         ms(heard[i].sample) - words[i].startMs,
                     qPrintable(heard[i].word));
            QCOMPARE(words[i].endMs, i + 1 < words.size() ? words[i + 1].startMs : endMs);
            if (line < lines.size() && sentences[line].startsWith(heard[i].word)) {
                QCOMPARE(lines[line].startMs, words[i].startMs);
                QCOMPARE(lines[line].text, sentences[line]);
                QCOMPARE(lines[line].endMs,
                         line + 1 < lines.size() ? lines[line + 1].startMs : endMs);
                ++line;
            }
        }
    }
};

QTEST_MAIN(tst_SpeechTiming)
#include "tst_SpeechTiming.moc"
