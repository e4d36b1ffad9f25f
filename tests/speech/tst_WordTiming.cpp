#include "SpeechTestSupport.h"
#include "speech/SubtitleWriter.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>

using namespace speechtest;

// When each word is marked while speaking, against where the word starts in the sound,
// through pause and resume, and in the timing files written beside a recording.
class tst_WordTiming : public QObject
{
    Q_OBJECT

    struct Heard
    {
        QString word;
        qint64 sample; // played from the utterance's start when the word was marked
    };

    struct Cue
    {
        qint64 startMs;
        qint64 endMs;
        QString text;
    };

    std::unique_ptr<SilentControl> m_silent;
    QTemporaryDir m_dir;

    static qint64 ms(qint64 samples)
    {
        return std::llround(samples * 1000.0 / AudioOutput::SampleRate);
    }

    // Speaks the text, moving the clock a step at a time and asking for the words heard
    // after each step, until the utterance ends; afterStep runs after each step.
    QList<Heard> follow(const QString& text, qint64 stepUs,
                        const std::function<void(const QList<Heard>&)>& afterStep = {})
    {
        DirectSS& control = *m_silent->control;
        QList<Heard> heard;
        const qint64 start = m_silent->output->playedPosition();
        QObject receiver;
        connect(
            &control, &SpeechControl::WordHeard, &receiver, [&](quint64, qint32 at, qint32 length) {
                heard.append({text.mid(at, length), m_silent->output->playedPosition() - start});
            });
        QSignalSpy stopped(&control, &SpeechControl::AudioStop);
        control.speak(text);
        const bool ended = playUntil(
            control, *m_silent->clock,
            [&] {
                control.reportHeardWords();
                if (afterStep) {
                    afterStep(heard);
                }
                return stopped.count() > 0;
            },
            stepUs, 100000);
        return ended ? heard : QList<Heard>();
    }

    // Where sound starts after at least 40 ms of near silence: the true starts of words
    // spoken with pauses between them, found in the sound alone.
    static QList<qint64> onsets(const QVector<qint16>& samples)
    {
        const qsizetype window = AudioOutput::SampleRate / 200;
        QVector<double> rms;
        for (qsizetype i = 0; i + window <= samples.size(); i += window) {
            double sum = 0;
            for (qsizetype j = i; j < i + window; ++j) {
                sum += double(samples[j]) * samples[j];
            }
            rms.append(std::sqrt(sum / window));
        }
        const double loudest = rms.isEmpty() ? 0 : *std::max_element(rms.cbegin(), rms.cend());
        QList<qint64> starts;
        int quiet = 8;
        for (qsizetype i = 0; i < rms.size(); ++i) {
            const bool loud = rms[i] > 0.05 * loudest;
            if (loud && quiet >= 8) {
                starts.append(i * window);
            }
            quiet = loud ? 0 : quiet + 1;
        }
        return starts;
    }

    static QStringList words(const QString& text)
    {
        QStringList found;
        for (const auto& match : QRegularExpression(QStringLiteral("[\\w']+")).globalMatch(text)) {
            found << match.captured();
        }
        return found;
    }

    static QList<Cue> readCues(const QString& path)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        static const QRegularExpression time(QStringLiteral(
            "^(\\d\\d):(\\d\\d):(\\d\\d)[,.](\\d{3}) --> (\\d\\d):(\\d\\d):(\\d\\d)[,.](\\d{3})$"));
        QList<Cue> cues;
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QRegularExpressionMatch match = time.match(lines[i]);
            if (match.hasMatch()) {
                const auto at = [&match](int first) {
                    return ((match.captured(first).toLongLong() * 60 +
                             match.captured(first + 1).toLongLong()) *
                                60 +
                            match.captured(first + 2).toLongLong()) *
                               1000 +
                           match.captured(first + 3).toLongLong();
                };
                cues.append({at(1), at(5), lines[i + 1]});
            }
        }
        return cues;
    }

private Q_SLOTS:
    void init() { m_silent = std::make_unique<SilentControl>(); }
    void cleanup() { m_silent.reset(); }

    void markedWhenTheWordStarts_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("speed"); // 0: the voice's own
        QTest::newRow("espeak-ng") << "English (America)" << 0;
        QTest::newRow("flite") << "Mary" << 0;
        QTest::newRow("flite diphones") << "Sam" << 0;
        QTest::newRow("telephone effect") << "Mary (for Telephone)" << 0;
        QTest::newRow("time-stretched, speed 50") << "English (America)" << 50;
        QTest::newRow("speed 270") << "English (America)" << 270;
    }

    // The sound is rendered to a file and each word found where sound begins after a
    // pause; the same text spoken must mark each word within 30 ms of that.
    void markedWhenTheWordStarts()
    {
        QFETCH(QString, voice);
        QFETCH(int, speed);
        DirectSS& control = *m_silent->control;
        if (speed > 0) {
            control.setSpeed(speed);
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
            const qint64 off = heard[i].sample - truth[i];
            worst = std::max(worst, qAbs(off));
            QVERIFY2(qAbs(off) <= AudioOutput::SampleRate * 30 / 1000,
                     qPrintable(QStringLiteral("%1 marked %2 ms from its start")
                                    .arg(heard[i].word)
                                    .arg(ms(off))));
        }
        qInfo("largest difference: %lld ms", ms(worst));
    }

    void pauseAndResumeMarkEachWordOnce_data()
    {
        QTest::addColumn<QString>("voice");
        QTest::newRow("espeak-ng") << "English (America)";
        QTest::newRow("flite") << "Mike";
    }

    void pauseAndResumeMarkEachWordOnce()
    {
        QFETCH(QString, voice);
        DirectSS& control = *m_silent->control;
        control.selectVoice(voiceNumber(control, voice));
        const QString text =
            QStringLiteral("The quick brown fox jumps over the lazy dog, twice. It sleeps.");
        int pauses = 0;
        const QList<Heard> heard = follow(text, 10000, [&](const QList<Heard>& sofar) {
            // Paused after the third and after the seventh word, each time for two seconds.
            if (sofar.size() != 3 + 4 * pauses || pauses == 2) {
                return;
            }
            ++pauses;
            control.pause();
            for (int step = 0; step < 100; ++step) {
                m_silent->clock->advance(20000);
                control.reportHeardWords();
            }
            QCOMPARE(sofar.size(), 3 + 4 * (pauses - 1));
            control.resume();
        });
        QCOMPARE(pauses, 2);
        QStringList spoken;
        for (const Heard& word : heard) {
            spoken << word.word;
        }
        QCOMPARE(spoken, words(text));
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
        DirectSS& control = *m_silent->control;
        const QString text = QStringLiteral(
            "Hello there, how are you today?\nI am fine & well. Thanks for <asking>!");
        const QStringList sentences = {QStringLiteral("Hello there, how are you today?"),
                                       QStringLiteral("I am fine & well."),
                                       QStringLiteral("Thanks for <asking>!")};
        const QString sound = m_dir.filePath(QStringLiteral("timed.wav"));
        control.setSubtitles(true, true);
        const QVector<qint16> samples = renderedSamples(control, voice, text, sound);
        QVERIFY(!samples.isEmpty());
        control.setSubtitles(false, false);
        const QList<Cue> wordCues =
            readCues(SubtitleWriter::pathFor(sound, SubtitleWriter::Kind::Words));
        const QList<Cue> sentenceCues =
            readCues(SubtitleWriter::pathFor(sound, SubtitleWriter::Kind::Sentences));

        control.selectVoice(voiceNumber(control, voice));
        const QList<Heard> heard = follow(text, 1000);
        QVERIFY(heard.size() >= words(text).size());
        QCOMPARE(wordCues.size(), heard.size());
        qsizetype sentence = 0;
        for (qsizetype i = 0; i < heard.size(); ++i) {
            QString escaped = heard[i].word;
            escaped.replace(QLatin1Char('&'), QStringLiteral("&amp;"))
                .replace(QLatin1Char('<'), QStringLiteral("&lt;"))
                .replace(QLatin1Char('>'), QStringLiteral("&gt;"));
            QCOMPARE(wordCues[i].text, escaped);
            // Marked on the first step (1 ms) at or after the cue's time.
            const qint64 late = ms(heard[i].sample) - wordCues[i].startMs;
            QVERIFY2(late >= 0 && late <= 1,
                     qPrintable(QStringLiteral("%1: cue %2 ms, marked %3 ms")
                                    .arg(heard[i].word)
                                    .arg(wordCues[i].startMs)
                                    .arg(ms(heard[i].sample))));
            const qint64 end =
                i + 1 < wordCues.size() ? wordCues[i + 1].startMs : ms(samples.size());
            QCOMPARE(wordCues[i].endMs, end);
            if (sentence < sentences.size() && sentences[sentence].startsWith(heard[i].word)) {
                QCOMPARE(sentenceCues.value(sentence).startMs, wordCues[i].startMs);
                QCOMPARE(sentenceCues.value(sentence).text, sentences[sentence]);
                ++sentence;
            }
        }
        QCOMPARE(sentenceCues.size(), sentences.size());
        QCOMPARE(sentence, sentences.size());
        QCOMPARE(sentenceCues.constLast().endMs, ms(samples.size()));
    }
};

QTEST_MAIN(tst_WordTiming)
#include "tst_WordTiming.moc"
