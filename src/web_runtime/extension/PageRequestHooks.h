#pragma once

#include <webkit2/webkit-web-extension.h>

// Gives the program its say on every request a page sends: opens the page's request channel to
// the UI process and, while the program wants to be asked, waits on it in send-request.
void HookPageRequests(WebKitWebPage* page);
