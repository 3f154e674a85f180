#pragma once

#include <functional>

// Timers without a window on the main loop's context: the callback always runs on the main
// thread, whichever thread set the timer. An exception from it goes to the application's
// exception handling and the timer keeps running.
using TTimerProc = std::function<void()>;
using TTimerId = unsigned;

TTimerId SetTimer(unsigned intervalMs, TTimerProc proc);
// False when id names no live timer (never one already killed, nor another kind of source).
bool KillTimer(TTimerId id);
