#pragma once

#include <QList>
#include <QVector>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace audio {

// The bounded buffer between the worker (writer) and the audio output (reader): mono
// 16-bit samples plus end marks of utterances at absolute positions. The writer blocks
// while it is full; a reset to a new generation discards everything and makes writes of
// older generations fail, which is how a stop reaches a synthesis in progress.
class AudioRing
{
public:
    explicit AudioRing(qsizetype capacity);

    // Writer side. Blocks until everything is in; false when the generation is no longer
    // current or the ring was closed.
    bool write(const qint16* samples, qsizetype count, quint64 generation);
    // Writes what fits without blocking; the count written, or -1 for a stale generation.
    qsizetype tryWrite(const qint16* samples, qsizetype count, quint64 generation);
    // Samples written since the ring was created: where the next write lands.
    qint64 writePosition() const;
    // The utterance ends after everything written so far.
    bool markEnd(quint64 utterance, quint64 generation);

    // Reader side.
    qsizetype read(qint16* samples, qsizetype maximum);
    qsizetype available() const;
    qsizetype capacity() const { return m_buffer.size(); }
    qint64 readPosition() const;
    // Utterances whose end mark lies at or before the position, in order, removed.
    QList<quint64> takeEndsUpTo(qint64 position);
    bool hasEnds() const;

    // Discards all samples and marks; only writes of the new generation are accepted.
    void reset(quint64 generation);
    quint64 generation() const;
    // Wakes and fails every writer for good (shutting down).
    void close();

    // Called by the writer's thread when samples or a mark arrive into an empty ring, so
    // the output can be woken on its own thread.
    void setWakeHandler(std::function<void()> handler);

private:
    struct EndMark
    {
        qint64 position;
        quint64 utterance;
    };

    qsizetype copyIn(const qint16* samples, qsizetype count);

    mutable std::mutex m_mutex;
    std::condition_variable m_space;
    QVector<qint16> m_buffer;
    qint64 m_readPosition = 0;  // samples read since the start, never reset
    qint64 m_writePosition = 0; // samples written since the start, never reset
    quint64 m_generation = 0;
    bool m_closed = false;
    QList<EndMark> m_ends;
    std::function<void()> m_wake;
};

} // namespace audio
