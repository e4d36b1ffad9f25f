#pragma once

#include "recording/WordTiming.h"

#include <QList>
#include <mutex>

namespace speech {

// The words on their way to the listener: placed by the worker at absolute positions of
// the ring as their utterances are synthesised, taken on the GUI thread once the output
// has played up to them. Like the ring, a reset to a new generation drops everything and
// refuses marks of older generations.
class WordMarks
{
public:
    struct Mark
    {
        qint64 position = 0; // in the ring's samples since its creation
        quint64 utterance = 0;
        qsizetype textStart = 0;
        qsizetype textLength = 0;
    };

    // False (and dropped) when the generation is no longer current.
    bool add(const Mark& mark, quint64 generation);
    // The marks at or before the position, in order, removed.
    QList<Mark> takeUpTo(qint64 position);
    bool isEmpty() const;
    void reset(quint64 generation);

private:
    mutable std::mutex m_mutex;
    QList<Mark> m_marks;
    quint64 m_generation = 0;
};

} // namespace speech
