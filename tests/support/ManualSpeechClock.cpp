#include "support/ManualSpeechClock.h"

namespace support {

void ManualSpeechClock::advance(qint64 microseconds)
{
    if (microseconds > 0) {
        m_now += microseconds;
        Q_EMIT advanced();
    }
}

} // namespace support
