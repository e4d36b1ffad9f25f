#pragma once

#include <QtGlobal>

class QObject;

// Per-window timers with a callback, as the button's hover tracking expects them: a
// timer is named by its window and an identifier, and each tick calls the callback with
// the window, the timer message, the identifier and the tick time. The timer is a child
// of its window, so it can never tick for a window that is gone.
namespace rkbuttons::modRkTimer {

constexpr int kTimerMessage = 0x0113;
constexpr int kHoverTimerId = 237;
constexpr int kHoverTimerInterval = 50; // milliseconds

using TimerProc = void (*)(QObject* window, int message, int timerId, quint32 time);

// Starts (or restarts with the new period and callback) the timer of that identifier on
// the window. Returns false without a window or callback.
bool SetTimer(QObject* window, int timerId, int intervalMs, TimerProc callback);
// Stops the timer; false when it was not running.
bool KillTimer(QObject* window, int timerId);
bool isTimerActive(const QObject* window, int timerId);
// The period of a running timer, 0 when there is none.
int timerInterval(const QObject* window, int timerId);

// The hover timer's callback: finds the button through the window properties
// "rk_ClassID" and "rk_TimerID" and lets it check whether the mouse is still over it.
void HoverTimerProc(QObject* window, int message, int timerId, quint32 time);

} // namespace rkbuttons::modRkTimer
