// Our entry points beyond the runtime API: finding text in a page, printing it, and what the
// client decides about pages' requests.

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtPageRequests.h"
#include "RtPrint.h"
#include "RtStrings.h"
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

}  // namespace

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
    WebKitPrintOperation* operation = webkit_print_operation_new(view.View());
    PrintWithDialog(view.View(), operation);
    g_object_unref(operation);
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

}  // extern "C"
