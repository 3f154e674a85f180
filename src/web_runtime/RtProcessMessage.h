#pragma once

#include <webkit2/webkit2.h>

#include "cef_capi.h"

// Process messages between the program and the web-process extension, as user-message
// parameters (webmsg::kProcessMessageType).

// The message's name and arguments; null for a message this runtime did not make.
GVariant* ProcessMessageParameters(TCefProcessMessage* message);
// Hands a message the extension sent to the client of the view's browser, read-only.
void DeliverProcessMessage(WebKitWebView* view, GVariant* parameters);
