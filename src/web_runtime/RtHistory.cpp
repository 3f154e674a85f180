#include "RtHistory.h"

#include <glib.h>

namespace {

constexpr char kBlankAddress[] = "about:blank";

bool OnlyBlankStartBehind(WebKitWebView* view) {
  WebKitBackForwardList* history = webkit_web_view_get_back_forward_list(view);
  WebKitBackForwardListItem* previous = webkit_back_forward_list_get_nth_item(history, -1);
  return previous && !webkit_back_forward_list_get_nth_item(history, -2) &&
         g_strcmp0(webkit_back_forward_list_item_get_uri(previous), kBlankAddress) == 0;
}

}  // namespace

bool CanGoBack(WebKitWebView* view) {
  return webkit_web_view_can_go_back(view) && !OnlyBlankStartBehind(view);
}

void GoBack(WebKitWebView* view) {
  if (CanGoBack(view)) webkit_web_view_go_back(view);
}

bool IsBackToBlankStart(WebKitWebView* view, WebKitNavigationAction* action) {
  if (webkit_navigation_action_get_navigation_type(action) != WEBKIT_NAVIGATION_TYPE_BACK_FORWARD)
    return false;
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  return request && g_strcmp0(webkit_uri_request_get_uri(request), kBlankAddress) == 0 &&
         OnlyBlankStartBehind(view);
}
