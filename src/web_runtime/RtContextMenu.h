#pragma once

#include <webkit2/webkit2.h>

// The runtime's default page menu: what the user of a web app needs (editing, spelling, the
// link and the image under the pointer), without what only a browser needs (new windows,
// link downloads, the inspector). WebKit's proposed menu is shaped in place, so whoever offers
// the menu to the client later starts from this one.
void ShapeDefaultContextMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit, GtkWidget* view);

// Every context menu of view becomes the default one.
void ConnectContextMenu(WebKitWebView* view);
