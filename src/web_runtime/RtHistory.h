#pragma once

#include <webkit2/webkit2.h>

// WebKit keeps the empty document a browser is created with as the oldest history item. Going
// back to it would leave the user an empty window, so it is no place to go back to.
bool CanGoBack(WebKitWebView* view);
void GoBack(WebKitWebView* view);
// A history move onto that empty start document.
bool IsBackToBlankStart(WebKitWebView* view, WebKitNavigationAction* action);
