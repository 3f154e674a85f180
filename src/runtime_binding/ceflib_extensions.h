#pragma once

#include "ceflib_bridge.h"
#include "ceflib_calls.h"
#include "ceflib_types.h"
#include "corvane_runtime_ext.h"

// Entry points our own runtime exports beyond the runtime API. Each one is looked up on its
// own once the required ones have loaded, and is null when the runtime lacks it; all go with
// the library.
struct TRuntimeExtensionEntryPoints {
#define CEFLIB_EXTENSION_FIELD(result, name, params) T##name name;
  CORVANE_RUNTIME_EXT_FUNCTIONS(CEFLIB_EXTENSION_FIELD)
#undef CEFLIB_EXTENSION_FIELD
};

extern TRuntimeExtensionEntryPoints RuntimeExtensions;

// Called by the loader with the handle of a library that has every required entry point;
// null forgets them all.
void ResolveRuntimeExtensions(void* libraryHandle);

// Told how often the searched text occurs in the page.
class ICefFindHandler : public virtual ICefBase {
 public:
  virtual void on_find_result(int32_t matchCount) = 0;
};

class TCefFindHandlerOwn : public TCefBaseOwn, public ICefFindHandler {
 public:
  TCefFindHandlerOwn();
  void on_find_result(int32_t) override {}
};

using TCefFindResultProc = std::function<void(int32_t matchCount)>;

class TCefFastFindHandler : public TCefFindHandlerOwn {
 public:
  explicit TCefFastFindHandler(TCefFindResultProc proc) : FProc(std::move(proc)) {}
  void on_find_result(int32_t matchCount) override { FProc(matchCount); }

 private:
  TCefFindResultProc FProc;
};

// The answer to a page's permission request; only the first counts, and released unanswered
// the request is denied.
class ICefPermissionCallback : public virtual ICefBase {
 public:
  virtual void cont(bool allow) = 0;
};

class TCefPermissionCallbackRef
    : public TCefBaseRefOf<TCefPermissionCallbackRef, ICefPermissionCallback,
                           TCefPermissionCallback> {
 public:
  using TCefBaseRefOf::TCefBaseRefOf;
  void cont(bool allow) override { CallEntry<void>(Data(), &TCefPermissionCallback::cont, allow); }
};

CEF_WRAPS(TCefPermissionCallbackRef, ICefPermissionCallback, TCefPermissionCallback);

// What pages ask of the program beyond the client handlers (see corvane_runtime_ext.h).
class ICefPageRequestHandler : public virtual ICefBase {
 public:
  // kinds: CORVANE_PERMISSION_* bits; origin is scheme://host[:port].
  virtual void on_permission_request(const TRef<ICefBrowser>& browser, const ustring& origin,
                                     int32_t kinds,
                                     const TRef<ICefPermissionCallback>& callback) = 0;
  virtual void on_upload_folder(const ustring& folder) = 0;
};

class TCefPageRequestHandlerOwn : public TCefBaseOwn, public ICefPageRequestHandler {
 public:
  TCefPageRequestHandlerOwn();
  void on_permission_request(const TRef<ICefBrowser>&, const ustring&, int32_t,
                             const TRef<ICefPermissionCallback>&) override {}
  void on_upload_folder(const ustring&) override {}
};

// Asked before a page navigates (see corvane_runtime_ext.h).
class ICefNavigationHandler : public virtual ICefBase {
 public:
  // how: CORVANE_NAVIGATION_* bits. True keeps the page where it is and opens no window.
  virtual bool on_before_navigation(const TRef<ICefBrowser>& browser, const ustring& url,
                                    int32_t how) = 0;
};

class TCefNavigationHandlerOwn : public TCefBaseOwn, public ICefNavigationHandler {
 public:
  TCefNavigationHandlerOwn();
  bool on_before_navigation(const TRef<ICefBrowser>&, const ustring&, int32_t) override {
    return false;
  }
};

// Whether the loaded runtime can find text in a page (and end the search), and print a page.
bool CanFindInPage();
bool CanPrintPage();

// Searches the page of host for text (see corvane_runtime_ext.h); the handler, if any, hears
// the match count. False, with nothing called, when the runtime cannot find or host is null.
bool FindInPage(const TRef<ICefBrowserHost>& host, const ustring& text, bool forward,
                const TRef<ICefFindHandler>& handler);
bool FindInPage(const TRef<ICefBrowserHost>& host, const ustring& text, bool forward,
                const TCefFindResultProc& proc);
// Ends the search and its highlighting; false when the runtime cannot or host is null.
bool StopFindingInPage(const TRef<ICefBrowserHost>& host);
// Opens the print dialog for the page; false when the runtime cannot print or host is null.
bool PrintPage(const TRef<ICefBrowserHost>& host);

// The handler for every browser's page requests (null removes it); false when the runtime
// cannot take one, and then it denies every permission a page asks for.
bool SetPageRequestHandler(const TRef<ICefPageRequestHandler>& handler);
// The folder the next upload's file chooser opens in; false when the runtime cannot take it.
bool SetUploadFolder(const ustring& folder);
// An earlier answer about notifications from origin, which pages then see without asking;
// false when the runtime cannot take it.
bool KeepNotificationPermission(const ustring& origin, bool allowed);
// The handler asked about every browser's navigations (null removes it); false when the runtime
// cannot take one, and then every navigation goes ahead.
bool SetNavigationHandler(const TRef<ICefNavigationHandler>& handler);
