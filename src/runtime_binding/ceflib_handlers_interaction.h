#pragma once

#include "ceflib_cookies.h"
#include "ceflib_events.h"

// Program-side event flags: the low 16 bits of the runtime's flags, bit i for the i-th
// TCefEventFlag.
using TCefEventFlagSet = uint16_t;

// A handler that would serve a request's content; the program provides none.
class ICefResourceHandler : public virtual ICefBase {};

// Handlers of requests, script dialogs, context menus, downloads and geolocation, as the
// runtime sees them: ICef…Handler and TCef…HandlerOwn for each row of
// CORVANE_INTERACTION_HANDLERS.
CORVANE_INTERACTION_HANDLERS(CORVANE_DECLARE_RUNTIME_HANDLER)
