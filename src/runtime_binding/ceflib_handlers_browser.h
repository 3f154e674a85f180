#pragma once

#include "ceflib_events.h"

// Handlers of a browser's life span, loading, display, focus and keyboard, as the runtime sees
// them: ICef…Handler and TCef…HandlerOwn for each row of CORVANE_BROWSER_HANDLERS.
CORVANE_BROWSER_HANDLERS(CORVANE_DECLARE_RUNTIME_HANDLER)
