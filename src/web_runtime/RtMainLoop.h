#pragma once

#include <functional>

// Runs the default main context until done turns true or a few seconds pass; answers done.
// Lets a runtime call that promises a synchronous answer wait for WebKit's asynchronous one.
bool IterateMainContextUntil(const std::function<bool()>& done);

// What the host's pump timer asks for: at most one non-blocking round of the default main
// context, none when the host's own loop is already running it.
void PumpMainContext();

// Dispatches what is ready, bounded, so that a teardown's queued work is delivered.
void DrainMainContext();
