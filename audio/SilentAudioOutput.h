#pragma once

#include "audio/AudioOutput.h"

#include <QPointer>

namespace audio {

class SpeechClock;

// The output used when the system has no audio device: it plays nothing but consumes
// samples at the real rate of its clock, so utterances end at their natural time. It
// keeps a running digest of what it played, which tests compare with rendered files.
class SilentAudioOutput : public AudioOutput
{
    Q_OBJECT
public:
    // Without a clock the steady clock is used.
    explicit SilentAudioOutput(SpeechClock* clock = nullptr, QObject* parent = nullptr);
    ~SilentAudioOutput() override;

    qint64 playedPosition() const override;
    bool isDevice() const override { return false; }

    qint64 playedSamples() const { return m_played; }
    quint64 digest() const { return m_digest; }

    // FNV-1a over the samples' little-endian bytes, continuing from seed.
    static quint64 digestOf(const qint16* samples, qsizetype count, quint64 seed = DigestSeed);
    static constexpr quint64 DigestSeed = 14695981039346656037ULL;

protected:
    void startOutput() override;
    void suspendOutput() override;
    void resumeOutput() override;
    void discardOutput() override;
    void dataArrived() override;
    void tick() override;

private:
    void consume();

    SpeechClock* m_clock = nullptr;
    std::unique_ptr<SpeechClock> m_ownClock;
    qint64 m_lastMicroseconds = 0;
    double m_budget = 0;
    bool m_starved = true;
    qint64 m_played = 0;
    quint64 m_digest = DigestSeed;
};

} // namespace audio
