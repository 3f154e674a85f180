#pragma once

// Runs the default main context until done turns true or a few seconds pass; answers done.
// Lets a runtime call that promises a synchronous answer wait for WebKit's asynchronous one.
bool IterateMainContextUntil(const bool& done);

// One non-blocking round of the default main context: what the host's pump timer asks for.
void IterateMainContextOnce();
