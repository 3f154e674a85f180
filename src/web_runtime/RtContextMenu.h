#pragma once

#include <webkit2/webkit2.h>

class TBrowser;

// The runtime's default page menu: what the user of a web app needs (editing, spelling, the
// link and the image under the pointer), without what only a browser needs (new windows,
// link downloads, the inspector). WebKit's proposed menu is shaped in place, so whoever offers
// the menu to the client later starts from this one.
void ShapeDefaultContextMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit, GtkWidget* view);

// Offers the shaped menu to the client's context menu handler as a menu model and rebuilds
// WebKit's menu from what the client left in it. Answers true when nothing is left to show.
bool OfferContextMenu(TBrowser& browser, WebKitContextMenu* menu, WebKitHitTestResult* hit,
                      GdkEvent* event);
void ReportContextMenuDismissed(TBrowser& browser);
