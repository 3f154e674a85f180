#include "ceflib_extensions.h"

#include <dlfcn.h>

#include "ceflib_browser.h"
#include "ceflib_calls.h"
#include "ceflib_entries.h"

TRuntimeExtensionEntryPoints RuntimeExtensions;

void ResolveRuntimeExtensions(void* libraryHandle) {
  RuntimeExtensions = {};
  if (!libraryHandle) return;
#define CEFLIB_RESOLVE_EXTENSION(result, name, params) \
  RuntimeExtensions.name = reinterpret_cast<T##name>(dlsym(libraryHandle, #name));
  CORVANE_RUNTIME_EXT_FUNCTIONS(CEFLIB_RESOLVE_EXTENSION)
#undef CEFLIB_RESOLVE_EXTENSION
}

TCefFindHandlerOwn::TCefFindHandlerOwn() : TCefBaseOwn(sizeof(TCefFindHandler)) {
  SetEntry<&ICefFindHandler::on_find_result>(this, Data<TCefFindHandler>()->on_find_result);
}

TCefPageRequestHandlerOwn::TCefPageRequestHandlerOwn()
    : TCefBaseOwn(sizeof(TCefPageRequestHandler)) {
  TCefPageRequestHandler* handler = Data<TCefPageRequestHandler>();
  SetEntry<&ICefPageRequestHandler::on_permission_request>(this, handler->on_permission_request);
  SetEntry<&ICefPageRequestHandler::on_upload_folder>(this, handler->on_upload_folder);
}

TCefNavigationHandlerOwn::TCefNavigationHandlerOwn() : TCefBaseOwn(sizeof(TCefNavigationHandler)) {
  SetEntry<&ICefNavigationHandler::on_before_navigation>(
      this, Data<TCefNavigationHandler>()->on_before_navigation);
}

// A search the runtime could not end would leave its highlighting in the page.
bool CanFindInPage() {
  return RuntimeExtensions.corvane_find && RuntimeExtensions.corvane_stop_finding;
}

bool CanPrintPage() {
  return RuntimeExtensions.corvane_print != nullptr;
}

bool FindInPage(const TRef<ICefBrowserHost>& host, const ustring& text, bool forward,
                const TRef<ICefFindHandler>& handler) {
  if (!host || !CanFindInPage()) return false;
  RuntimeExtensions.corvane_find(ToRuntime(host), ToRuntime(text), ToRuntime(forward),
                                 ToRuntime(handler));
  return true;
}

bool FindInPage(const TRef<ICefBrowserHost>& host, const ustring& text, bool forward,
                const TCefFindResultProc& proc) {
  return FindInPage(host, text, forward, TRef<ICefFindHandler>(new TCefFastFindHandler(proc)));
}

bool StopFindingInPage(const TRef<ICefBrowserHost>& host) {
  if (!host || !CanFindInPage()) return false;
  RuntimeExtensions.corvane_stop_finding(ToRuntime(host));
  return true;
}

bool PrintPage(const TRef<ICefBrowserHost>& host) {
  if (!host || !CanPrintPage()) return false;
  RuntimeExtensions.corvane_print(ToRuntime(host));
  return true;
}

bool SetPageRequestHandler(const TRef<ICefPageRequestHandler>& handler) {
  if (!RuntimeExtensions.corvane_set_page_request_handler) return false;
  RuntimeExtensions.corvane_set_page_request_handler(ToRuntime(handler));
  return true;
}

bool SetUploadFolder(const ustring& folder) {
  if (!RuntimeExtensions.corvane_set_upload_folder) return false;
  RuntimeExtensions.corvane_set_upload_folder(ToRuntime(folder));
  return true;
}

bool KeepNotificationPermission(const ustring& origin, bool allowed) {
  if (!RuntimeExtensions.corvane_keep_notification_permission) return false;
  RuntimeExtensions.corvane_keep_notification_permission(ToRuntime(origin), ToRuntime(allowed));
  return true;
}

bool SetNavigationHandler(const TRef<ICefNavigationHandler>& handler) {
  if (!RuntimeExtensions.corvane_set_navigation_handler) return false;
  RuntimeExtensions.corvane_set_navigation_handler(ToRuntime(handler));
  return true;
}
