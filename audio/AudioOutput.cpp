#include "audio/AudioOutput.h"

#include "audio/AudioRing.h"

namespace audio {

namespace {
constexpr int PollIntervalMs = 5;
}

AudioOutput::AudioOutput(QObject* parent) : QObject(parent)
{
    m_poll.setInterval(PollIntervalMs);
    m_poll.setTimerType(Qt::PreciseTimer);
    connect(&m_poll, &QTimer::timeout, this, [this] { tick(); });
}

AudioOutput::~AudioOutput() = default;

void AudioOutput::start()
{
    startOutput();
    if (m_suspended) {
        suspendOutput();
    }
    m_poll.start();
}

void AudioOutput::suspend()
{
    if (!m_suspended) {
        m_suspended = true;
        suspendOutput();
    }
}

void AudioOutput::resume()
{
    if (m_suspended) {
        m_suspended = false;
        resumeOutput();
        m_poll.start();
    }
}

void AudioOutput::discard()
{
    m_suspended = false;
    discardOutput();
}

void AudioOutput::wake()
{
    dataArrived();
    if (!m_poll.isActive()) {
        m_poll.start();
    }
}

void AudioOutput::tick()
{
    reportEnds();
}

void AudioOutput::reportEnds()
{
    if (m_ring == nullptr) {
        return;
    }
    const QList<quint64> ended = m_ring->takeEndsUpTo(playedPosition());
    for (quint64 utterance : ended) {
        Q_EMIT utteranceEnded(utterance);
    }
    if (!m_ring->hasEnds() && m_ring->available() == 0) {
        m_poll.stop();
    }
}

} // namespace audio
