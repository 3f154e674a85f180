// Our entry points beyond the runtime API: finding text in a page, printing it, and what the
// client decides about pages' requests and navigations.

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtNavigationReport.h"
#include "RtPageRequests.h"
#include "RtPrint.h"
#include "RtRuntime.h"
#include "RtStrings.h"
#include "RtText.h"
#include "corvane_runtime_ext.h"

namespace {

// Runs action on the host's view when the browser still has one; the host's reference that
// came with the call is given back either way.
template <class TAction>
void WithHostView(TCefBrowserHost* host, const char* where, TAction action) {
  Guarded(where, [&] {
    TWebView* view = host ? OwnerOf<TBrowser>(host).View() : nullptr;
    if (view) action(*view);
  });
  ReleaseObject(host);
}

// A plain pointer holding one reference: no global with a destructor.
TCefNavigationHandler* NavigationHandler = nullptr;

// One more reference to the handler, for the length of a call that may replace it.
TClientRef<TCefNavigationHandler> ShareNavigationHandler() {
  if (NavigationHandler) NavigationHandler->base.add_ref(&NavigationHandler->base);
  return TClientRef<TCefNavigationHandler>(NavigationHandler);
}

int32_t HowNavigationCame(WebKitNavigationAction* action, bool newWindow) {
  int32_t how = newWindow ? CORVANE_NAVIGATION_NEW_WINDOW : 0;
  if (webkit_navigation_action_get_navigation_type(action) == WEBKIT_NAVIGATION_TYPE_LINK_CLICKED)
    how |= CORVANE_NAVIGATION_LINK;
  if (webkit_navigation_action_is_user_gesture(action)) how |= CORVANE_NAVIGATION_USER_GESTURE;
  if (webkit_navigation_action_is_redirect(action)) how |= CORVANE_NAVIGATION_REDIRECT;
  return how;
}

}  // namespace

void SetNavigationHandler(TClientRef<TCefNavigationHandler> handler) {
  TClientRef<TCefNavigationHandler> previous(NavigationHandler);  // its reference goes now
  NavigationHandler = handler.Share();
}

bool ClientKeepsPage(WebKitWebView* view, WebKitNavigationAction* action, bool newWindow) {
  const TClientRef<TCefNavigationHandler> handler = ShareNavigationHandler();
  TRuntime* runtime = TRuntime::Instance();
  TBrowser* browser = runtime ? runtime->BrowserOfView(view) : nullptr;
  if (!handler || !handler->on_before_navigation || !browser) return false;
  WebKitURIRequest* request = webkit_navigation_action_get_request(action);
  const std::u16string url =
      Utf8ToU16(TextOrEmpty(request ? webkit_uri_request_get_uri(request) : nullptr));
  const TCefStringUtf16 urlRecord = Borrow(url);
  return handler->on_before_navigation(handler.get(), browser->ShareBrowser(), &urlRecord,
                                       HowNavigationCame(action, newWindow)) != 0;
}

extern "C" {

void corvane_find(TCefBrowserHost* host, TCefConstString* text, TCefBool forward,
                  TCefFindHandler* handler) {
  TClientRef<TCefFindHandler> answer(handler);  // released here when nobody can answer
  WithHostView(host, "corvane_find", [&](TWebView& view) {
    view.Finder().Find(ToUtf8(text), forward != 0, std::move(answer));
  });
}

void corvane_stop_finding(TCefBrowserHost* host) {
  WithHostView(host, "corvane_stop_finding", [](TWebView& view) { view.Finder().Stop(); });
}

void corvane_print(TCefBrowserHost* host) {
  WithHostView(host, "corvane_print", [](TWebView& view) {
    g_autoptr(WebKitPrintOperation) operation = webkit_print_operation_new(view.View());
    PrintWithDialog(view.View(), operation);
  });
}

void corvane_set_page_request_handler(TCefPageRequestHandler* handler) {
  TClientRef<TCefPageRequestHandler> kept(handler);
  Guarded("corvane_set_page_request_handler",
          [&] { TPageRequests::Instance().SetHandler(std::move(kept)); });
}

void corvane_set_upload_folder(TCefConstString* folder) {
  Guarded("corvane_set_upload_folder",
          [&] { TPageRequests::Instance().SetUploadFolder(ToUtf8(folder)); });
}

void corvane_keep_notification_permission(TCefConstString* origin, TCefBool allowed) {
  Guarded("corvane_keep_notification_permission", [&] {
    TPageRequests::Instance().KeepNotificationPermission(ToUtf8(origin), allowed != 0);
  });
}

void corvane_set_navigation_handler(TCefNavigationHandler* handler) {
  TClientRef<TCefNavigationHandler> kept(handler);
  Guarded("corvane_set_navigation_handler", [&] { SetNavigationHandler(std::move(kept)); });
}

}  // extern "C"
