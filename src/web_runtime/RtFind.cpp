#include "RtFind.h"

#include <algorithm>

#include "RtGuard.h"

namespace {

constexpr guint32 kFindOptions =
    WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;

void Tell(TCefFindHandler* handler, guint matchCount) {
  if (handler && handler->on_find_result)
    handler->on_find_result(handler, int32_t(std::min<guint>(matchCount, G_MAXINT32)));
}

}  // namespace

TPageFinder::TPageFinder(WebKitWebView* view)
    : FController(WEBKIT_FIND_CONTROLLER(g_object_ref(webkit_web_view_get_find_controller(view)))) {
  g_signal_connect(FController, "counted-matches", G_CALLBACK(OnCountedMatches), this);
}

TPageFinder::~TPageFinder() {
  g_signal_handlers_disconnect_by_data(FController, this);
  g_object_unref(FController);
}

void TPageFinder::Find(const std::string& text, bool forward, TClientRef<TCefFindHandler> handler) {
  if (text.empty()) {
    Stop();
    Tell(handler.get(), 0);
    return;
  }
  if (text != FText) {
    FText = text;
    webkit_find_controller_search(FController, text.c_str(), kFindOptions, G_MAXUINT);
  } else if (forward) {
    webkit_find_controller_search_next(FController);
  } else {
    webkit_find_controller_search_previous(FController);
  }
  // Moving to the next match reports one match found, not how many there are.
  webkit_find_controller_count_matches(FController, text.c_str(), kFindOptions, G_MAXUINT);
  FWaiting.push_back(std::move(handler));
}

void TPageFinder::Stop() {
  FText.clear();
  webkit_find_controller_search_finish(FController);
}

void TPageFinder::PageGone() {
  FText.clear();
  FWaiting.clear();
}

void TPageFinder::Answer(guint matchCount) {
  if (FWaiting.empty()) return;
  TClientRef<TCefFindHandler> handler = std::move(FWaiting.front());
  FWaiting.pop_front();
  Tell(handler.get(), matchCount);
}

void TPageFinder::OnCountedMatches(WebKitFindController*, guint matchCount, gpointer self) {
  Guarded("counted-matches", [&] { static_cast<TPageFinder*>(self)->Answer(matchCount); });
}
