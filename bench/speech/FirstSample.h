#pragma once

#include "speech/DirectSS.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

namespace benchtext {

// One speak call timed, in milliseconds: the call itself, and until the first sample is in
// the control's buffer. The speech is stopped again before it returns.
struct SpeakTiming
{
    double callMs = 0;
    double firstSampleMs = 0;
};

inline SpeakTiming timeSpeaking(speech::DirectSS& control, const QString& text)
{
    SpeakTiming timing;
    QElapsedTimer timer;
    timer.start();
    control.speak(text);
    timing.callMs = double(timer.nsecsElapsed()) / 1e6;
    while (control.bufferedSamples() == 0 && timer.elapsed() < 5000) {
    }
    timing.firstSampleMs = double(timer.nsecsElapsed()) / 1e6;
    control.stop();
    QDeadlineTimer idle(5000);
    while (!control.isIdle() && !idle.hasExpired()) {
        QTest::qWait(1);
    }
    return timing;
}

} // namespace benchtext
