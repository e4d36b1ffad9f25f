#include "audio/AudioRing.h"

#include <algorithm>
#include <cstring>

namespace audio {

AudioRing::AudioRing(qsizetype capacity) : m_buffer(std::max<qsizetype>(capacity, 1)) {}

qsizetype AudioRing::copyIn(const qint16* samples, qsizetype count)
{
    const qsizetype size = m_buffer.size();
    const qsizetype space = size - qsizetype(m_writePosition - m_readPosition);
    const qsizetype n = std::min(space, count);
    qsizetype start = qsizetype(m_writePosition % size);
    const qsizetype first = std::min(n, size - start);
    std::memcpy(m_buffer.data() + start, samples, size_t(first) * sizeof(qint16));
    std::memcpy(m_buffer.data(), samples + first, size_t(n - first) * sizeof(qint16));
    m_writePosition += n;
    return n;
}

bool AudioRing::write(const qint16* samples, qsizetype count, quint64 generation)
{
    while (count > 0) {
        bool wasEmpty = false;
        qsizetype n = 0;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_space.wait(lock, [&] {
                return m_closed || m_generation != generation ||
                       m_writePosition - m_readPosition < m_buffer.size();
            });
            if (m_closed || m_generation != generation) {
                return false;
            }
            wasEmpty = m_writePosition == m_readPosition;
            n = copyIn(samples, count);
        }
        samples += n;
        count -= n;
        if (wasEmpty && m_wake) {
            m_wake();
        }
    }
    return true;
}

qsizetype AudioRing::tryWrite(const qint16* samples, qsizetype count, quint64 generation)
{
    bool wasEmpty = false;
    qsizetype n = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || m_generation != generation) {
            return -1;
        }
        wasEmpty = m_writePosition == m_readPosition;
        n = copyIn(samples, count);
    }
    if (wasEmpty && n > 0 && m_wake) {
        m_wake();
    }
    return n;
}

bool AudioRing::markEnd(quint64 utterance, quint64 generation)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_closed || m_generation != generation) {
            return false;
        }
        m_ends.append({m_writePosition, utterance});
    }
    if (m_wake) {
        m_wake();
    }
    return true;
}

qsizetype AudioRing::read(qint16* samples, qsizetype maximum)
{
    qsizetype n = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const qsizetype size = m_buffer.size();
        n = std::min(maximum, qsizetype(m_writePosition - m_readPosition));
        const qsizetype start = qsizetype(m_readPosition % size);
        const qsizetype first = std::min(n, size - start);
        if (samples != nullptr) {
            std::memcpy(samples, m_buffer.constData() + start, size_t(first) * sizeof(qint16));
            std::memcpy(samples + first, m_buffer.constData(), size_t(n - first) * sizeof(qint16));
        }
        m_readPosition += n;
    }
    if (n > 0) {
        m_space.notify_all();
    }
    return n;
}

qsizetype AudioRing::available() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return qsizetype(m_writePosition - m_readPosition);
}

qint64 AudioRing::writePosition() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writePosition;
}

qint64 AudioRing::readPosition() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_readPosition;
}

QList<quint64> AudioRing::takeEndsUpTo(qint64 position)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    QList<quint64> ended;
    while (!m_ends.isEmpty() && m_ends.constFirst().position <= position) {
        ended.append(m_ends.takeFirst().utterance);
    }
    return ended;
}

bool AudioRing::hasEnds() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_ends.isEmpty();
}

void AudioRing::reset(quint64 generation)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_readPosition = m_writePosition;
        m_ends.clear();
        m_generation = generation;
    }
    m_space.notify_all();
}

quint64 AudioRing::generation() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_generation;
}

void AudioRing::close()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
    }
    m_space.notify_all();
}

void AudioRing::setWakeHandler(std::function<void()> handler)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_wake = std::move(handler);
}

} // namespace audio
