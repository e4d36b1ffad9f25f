#pragma once

#include "speech/DirectSS.h"

#include <thread>

namespace app {

// Loads what start-up would otherwise wait for one thing after another, while the window
// system connects and the main window builds its controls: the font configuration and
// the image reader (first needed by the first control) on a thread of its own, and the
// speech engines' data (needed once the controls stand) on the thread that becomes the
// speech control's worker. Whoever needs one first finds it ready or waits for the rest.
// Joins when it goes.
class StartUpWarmUp
{
public:
    StartUpWarmUp();
    ~StartUpWarmUp();
    StartUpWarmUp(const StartUpWarmUp&) = delete;
    StartUpWarmUp& operator=(const StartUpWarmUp&) = delete;

private:
    speech::DirectSS::WarmUp m_speech;
    std::thread m_fonts;
};

} // namespace app
