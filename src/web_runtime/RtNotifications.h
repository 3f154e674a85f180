#pragma once

#include <webkit2/webkit2.h>

// Pages' notifications go to the desktop's notification service (org.freedesktop.Notifications
// on the session bus), at most one a second per page; the rest are closed at once, so the page
// hears they are gone. Clicking one raises the page's window and tells the page.
void ConnectNotifications(WebKitWebView* view);
// Withdraws what is still shown and lets go of the bus; at shutdown.
void EndNotifications();
