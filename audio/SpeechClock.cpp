#include "audio/SpeechClock.h"

namespace audio {

SpeechClock::SpeechClock(QObject* parent) : QObject(parent)
{
    m_timer.start();
}

SpeechClock::~SpeechClock() = default;

qint64 SpeechClock::nowMicroseconds() const
{
    return m_timer.nsecsElapsed() / 1000;
}

} // namespace audio
