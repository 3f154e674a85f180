#pragma once

#include "ceflib_bridge.h"
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
