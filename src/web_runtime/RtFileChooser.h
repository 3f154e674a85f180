#pragma once

#include <webkit2/webkit2.h>

#include <string>

// Uploads (<input type=file>) go through the desktop's file chooser over the view's window.
void ConnectFileChooser(WebKitWebView* view);

// A filter name made from what the page accepts: text only, without control characters, and
// short enough for a menu.
std::string AcceptedTypesName(const char* const* mimeTypes);
