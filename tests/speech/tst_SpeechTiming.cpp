#include "SpeechTestSupport.h"

#include <QTemporaryDir>

using namespace speechtest;

// Speaking against the silent output with a hand-moved clock: when utterances end, what
// pause and stop do to the samples, and how speak calls queue.
class tst_SpeechTiming : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<SilentControl> m_silentControl;
    ManualSpeechClock* m_clock = nullptr;
    SilentAudioOutput* m_silent = nullptr;
    DirectSS* m_control = nullptr;
    QTemporaryDir m_dir;

    QVector<qint16> rendered(const QString& voice, const QString& text)
    {
        return renderedSamples(*m_control, voice, text, m_dir.filePath("reference.wav"));
    }

private Q_SLOTS:
    void init()
    {
        m_silentControl = std::make_unique<SilentControl>();
        m_clock = m_silentControl->clock;
        m_silent = m_silentControl->output;
        m_control = m_silentControl->control.get();
    }

    void cleanup() { m_silentControl.reset(); }

    void endsAtItsNaturalTimeOnce()
    {
        const QString text = QStringLiteral("The end comes when the last sample is heard.");
        const QVector<qint16> reference = rendered("Mike", text);
        QVERIFY(reference.size() > AudioOutput::SampleRate / 2);

        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        m_control->speak(text);
        // Synthesis alone does not end it: the clock has not moved.
        QTRY_VERIFY(!m_control->isSynthesizing() || m_control->bufferedSamples() > 20000);
        QTest::qWait(50);
        QCOMPARE(stopped.count(), 0);

        const qint64 step = 10000;
        QVERIFY(playUntil(
            *m_control, *m_clock, [&] { return stopped.count() > 0; }, step));
        QCOMPARE(m_silent->playedSamples(), qint64(reference.size()));
        // It ended within one step of the time the samples take.
        const qint64 expectedUs = qint64(reference.size()) * 1000000 / AudioOutput::SampleRate;
        QVERIFY2(
            qAbs(m_clock->nowMicroseconds() - expectedUs) <= 3 * step,
            qPrintable(QStringLiteral("%1 vs %2").arg(m_clock->nowMicroseconds()).arg(expectedUs)));
        QTest::qWait(50);
        m_clock->advance(1000000);
        QTest::qWait(20);
        QCOMPARE(stopped.count(), 1);
        QVERIFY(m_control->isIdle());
    }

    // No sample lost or repeated: what was played with pauses is exactly the rendering.
    void pauseAndResumeKeepEverySample()
    {
        const QString text =
            QStringLiteral("Pause and resume lose nothing. Every sample comes back exactly once, "
                           "however long the pause lasts.");
        const QVector<qint16> reference = rendered("Mary", text);
        QVERIFY(reference.size() > AudioOutput::SampleRate * 2);

        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        const quint64 digestBefore = m_silent->digest();
        QCOMPARE(digestBefore, SilentAudioOutput::DigestSeed);
        m_control->speak(text);
        QVERIFY(playUntil(*m_control, *m_clock,
                          [&] { return m_silent->playedSamples() > AudioOutput::SampleRate; }));
        for (int pause = 0; pause < 3; ++pause) {
            m_control->pause();
            const qint64 played = m_silent->playedSamples();
            m_clock->advance(2000000);
            QTest::qWait(20);
            QCOMPARE(m_silent->playedSamples(), played);
            QCOMPARE(stopped.count(), 0);
            m_control->resume();
            playUntil(
                *m_control, *m_clock, [&] { return m_silent->playedSamples() > played + 7000; },
                33333);
        }
        QVERIFY(playUntil(*m_control, *m_clock, [&] { return stopped.count() > 0; }));
        QCOMPARE(m_silent->playedSamples(), qint64(reference.size()));
        QCOMPARE(m_silent->digest(),
                 SilentAudioOutput::digestOf(reference.constData(), reference.size()));
        QCOMPARE(stopped.count(), 1);
    }

    void stopIsImmediateAndEndsOnce_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::newRow("while speaking") << false;
        QTest::newRow("while paused") << true;
    }

    void stopIsImmediateAndEndsOnce()
    {
        QFETCH(bool, paused);
        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        m_control->selectVoice(voiceNumber(*m_control, "Mike"));
        m_control->speak(
            QStringLiteral("A long text that will not be heard to its end. ").repeated(200));
        QVERIFY(playUntil(*m_control, *m_clock,
                          [&] { return m_silent->playedSamples() > AudioOutput::SampleRate / 2; }));
        if (paused) {
            m_control->pause();
        }
        m_control->stop();
        const qint64 played = m_silent->playedSamples();
        QCOMPARE(m_control->bufferedSamples(), 0);
        // Arrives on the next turn of the event loop, without the clock moving.
        QTRY_COMPARE(stopped.count(), 1);
        QTRY_VERIFY(m_control->isIdle());
        m_clock->advance(3000000);
        QTest::qWait(50);
        QCOMPARE(m_silent->playedSamples(), played);
        QCOMPARE(stopped.count(), 1);
        QVERIFY(!m_control->isPaused());

        // The next utterance is heard again.
        m_control->speak(QStringLiteral("Again."));
        QVERIFY(playUntil(*m_control, *m_clock, [&] { return stopped.count() == 2; }));
        QVERIFY(m_silent->playedSamples() > played);
    }

    // A speak while speaking queues behind; each utterance raises its own AudioStop.
    void queuedSpeaksFollowInOrder()
    {
        const QString first = QStringLiteral("First.");
        const QString second = QStringLiteral("And then the second one.");
        const qsizetype firstLength = rendered("Sam", first).size();
        const qsizetype secondLength = rendered("Sam", second).size();
        QVERIFY(firstLength > 0 && secondLength > firstLength);

        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        QList<qint64> endedAt;
        connect(m_control, &SpeechControl::AudioStop, this,
                [&] { endedAt.append(m_silent->playedSamples()); });
        m_control->speak(first);
        m_control->speak(second);
        QCOMPARE(m_control->pendingUtterances(), 2);
        QVERIFY(playUntil(
            *m_control, *m_clock, [&] { return stopped.count() == 2; }, 10000));
        QCOMPARE(m_silent->playedSamples(), qint64(firstLength + secondLength));
        QVERIFY(endedAt.at(0) >= firstLength);
        QVERIFY2(endedAt.at(0) < firstLength + 2205, qPrintable(QString::number(endedAt.at(0))));

        // Stop with three queued ends each of them once.
        stopped.clear();
        for (int i = 0; i < 3; ++i) {
            m_control->speak(second);
        }
        m_control->stop();
        QTRY_COMPARE(stopped.count(), 3);
        QTest::qWait(50);
        QCOMPARE(stopped.count(), 3);
    }

    void emptyTextEndsToo()
    {
        QSignalSpy stopped(m_control, &SpeechControl::AudioStop);
        m_control->speak(QString());
        QVERIFY(playUntil(*m_control, *m_clock, [&] { return stopped.count() == 1; }));
        QCOMPARE(m_silent->playedSamples(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_SpeechTiming)
#include "tst_SpeechTiming.moc"
