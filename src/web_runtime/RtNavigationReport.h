#pragma once

#include <webkit2/webkit2.h>

#include "RtObject.h"
#include "corvane_runtime_ext.h"

// The client's say over where pages go: it hears of each navigation and how it came about, and
// may keep the page where it is (it then takes the address elsewhere itself).

// The client's navigation handler; an empty one removes it.
void SetNavigationHandler(TClientRef<TCefNavigationHandler> handler);
// True when the client keeps the page of view where it is instead of action, which navigates in
// place or, with newWindow, opens a window. Without a handler every navigation goes ahead.
bool ClientKeepsPage(WebKitWebView* view, WebKitNavigationAction* action, bool newWindow);
