#pragma once

#include "audio/SpeechClock.h"

namespace support {

// A clock that moves only when told to, for tests of timing behaviour.
class ManualSpeechClock : public audio::SpeechClock
{
    Q_OBJECT
public:
    using audio::SpeechClock::SpeechClock;

    qint64 nowMicroseconds() const override { return m_now; }
    void advance(qint64 microseconds);

private:
    qint64 m_now = 0;
};

} // namespace support
