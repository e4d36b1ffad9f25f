#pragma once

#include <thread>

// Loads what start-up would otherwise wait for one thing after another, on a thread of
// its own, while the window system connects and the main window builds its controls:
// the font configuration and the image reader (first needed by the first control) and
// the speech engines' data (needed once the controls stand). Whoever needs one first
// finds it ready or waits for the rest. Joins when it goes.
class StartUpWarmUp
{
public:
    StartUpWarmUp();
    ~StartUpWarmUp();
    StartUpWarmUp(const StartUpWarmUp&) = delete;
    StartUpWarmUp& operator=(const StartUpWarmUp&) = delete;

private:
    std::thread m_thread;
};
