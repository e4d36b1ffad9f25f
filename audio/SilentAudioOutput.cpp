#include "audio/SilentAudioOutput.h"

#include "audio/AudioRing.h"
#include "audio/SpeechClock.h"

#include <QVector>
#include <algorithm>
#include <cmath>

namespace audio {

SilentAudioOutput::SilentAudioOutput(SpeechClock* clock, QObject* parent)
    : AudioOutput(parent), m_clock(clock)
{
    if (m_clock == nullptr) {
        m_ownClock = std::make_unique<SpeechClock>();
        m_clock = m_ownClock.get();
    }
    connect(m_clock, &SpeechClock::advanced, this, [this] { tick(); });
    m_lastMicroseconds = m_clock->nowMicroseconds();
}

SilentAudioOutput::~SilentAudioOutput() = default;

qint64 SilentAudioOutput::playedPosition() const
{
    return ring() != nullptr ? ring()->readPosition() : 0;
}

quint64 SilentAudioOutput::digestOf(const qint16* samples, qsizetype count, quint64 seed)
{
    quint64 hash = seed;
    for (qsizetype i = 0; i < count; ++i) {
        const auto value = quint16(samples[i]);
        hash = (hash ^ (value & 0xFF)) * 1099511628211ULL;
        hash = (hash ^ (value >> 8)) * 1099511628211ULL;
    }
    return hash;
}

void SilentAudioOutput::startOutput()
{
    dataArrived();
}

void SilentAudioOutput::suspendOutput()
{
    consume();
}

void SilentAudioOutput::resumeOutput()
{
    m_lastMicroseconds = m_clock->nowMicroseconds();
    m_budget = 0;
}

void SilentAudioOutput::discardOutput()
{
    m_budget = 0;
    m_starved = true;
    m_lastMicroseconds = m_clock->nowMicroseconds();
}

void SilentAudioOutput::dataArrived()
{
    if (m_starved) {
        m_starved = false;
        m_budget = 0;
        m_lastMicroseconds = m_clock->nowMicroseconds();
    }
}

void SilentAudioOutput::tick()
{
    consume();
    reportEnds();
}

// Plays as many samples as the clock says have passed; time spent suspended or with an
// empty ring is not owed afterwards, as a device would not catch up either.
void SilentAudioOutput::consume()
{
    const qint64 now = m_clock->nowMicroseconds();
    const qint64 elapsed = now - m_lastMicroseconds;
    m_lastMicroseconds = now;
    if (ring() == nullptr || isSuspended() || m_starved) {
        return;
    }
    m_budget += double(elapsed) * SampleRate / 1e6;
    auto wanted = qsizetype(std::floor(m_budget));
    QVector<qint16> samples(std::min<qsizetype>(wanted, SampleRate));
    while (wanted > 0) {
        const qsizetype n = ring()->read(samples.data(), std::min(wanted, samples.size()));
        if (n == 0) {
            m_starved = true;
            m_budget = 0;
            return;
        }
        m_digest = digestOf(samples.constData(), n, m_digest);
        m_played += n;
        m_budget -= double(n);
        wanted -= n;
    }
}

} // namespace audio
