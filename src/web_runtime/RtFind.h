#pragma once

#include <webkit2/webkit2.h>

#include <deque>
#include <string>

#include "RtObject.h"
#include "corvane_runtime_ext.h"

// Text search in one view's page. Each request is answered with the number of matches, in
// the order of the requests; handlers still waiting when the view goes are released unanswered.
class TPageFinder {
 public:
  explicit TPageFinder(WebKitWebView* view);
  ~TPageFinder();
  TPageFinder(const TPageFinder&) = delete;
  TPageFinder& operator=(const TPageFinder&) = delete;

  // A new text starts a search, the same text moves to the next or previous match, an empty
  // text stops searching.
  void Find(const std::string& text, bool forward, TClientRef<TCefFindHandler> handler);
  void Stop();
  // A dead page answers nothing: the waiting handlers are released unanswered.
  void PageGone();

 private:
  void Answer(guint matchCount);

  static void OnCountedMatches(WebKitFindController*, guint matchCount, gpointer self);

  WebKitFindController* FController;
  std::string FText;
  std::deque<TClientRef<TCefFindHandler>> FWaiting;
};
