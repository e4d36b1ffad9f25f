#pragma once

#include "speech/SpeechClock.h"

namespace doubles {

// A clock that moves only when told to, for tests of timing behaviour.
class ManualSpeechClock : public SpeechClock
{
    Q_OBJECT
public:
    using SpeechClock::SpeechClock;

    qint64 nowMicroseconds() const override { return m_now; }
    void advance(qint64 microseconds);

private:
    qint64 m_now = 0;
};

} // namespace doubles
