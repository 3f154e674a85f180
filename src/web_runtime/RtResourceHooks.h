#pragma once

#include <webkit2/webkit2.h>

#include <memory>
#include <vector>

// The client's say on the requests of a view's pages: the UI end of the request channels the
// web-process extension opens, one per page (a view has one page in each web process it used).
// The web process waits on each question, so it is answered at once on the main loop.
class TResourceHooks {
 public:
  explicit TResourceHooks(WebKitWebView* view) : FView(view) {}
  ~TResourceHooks();
  TResourceHooks(const TResourceHooks&) = delete;
  TResourceHooks& operator=(const TResourceHooks&) = delete;

  // Takes the channel's socket from the extension's message and tells the page which requests
  // the client wants to see.
  void AdoptChannel(WebKitUserMessage* message);

 private:
  struct TChannel;
  static gboolean OnReadable(gint socket, GIOCondition condition, gpointer channel);

  WebKitWebView* FView;
  std::vector<std::shared_ptr<TChannel>> FChannels;
};
