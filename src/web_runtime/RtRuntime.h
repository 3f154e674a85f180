#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "RtWebContext.h"

class TBrowser;

// What exists between cef_initialize and cef_shutdown. Everything runs on the main thread.
class TRuntime {
 public:
  static TRuntime* Instance() { return Current; }
  static bool Start(const std::string& cachePath);
  static void Stop();

  TWebContext& Web() { return FWeb; }
  int32_t NextBrowserId() { return ++FLastBrowserId; }
  void Register(TBrowser* browser);
  void Unregister(TBrowser* browser);
  TBrowser* BrowserOfView(WebKitWebView* view) const;
  void ForEachView(const std::function<void(WebKitWebView*)>& visit) const;

 private:
  explicit TRuntime(const std::string& cachePath);
  ~TRuntime();
  void CloseAllBrowsers();

  static inline TRuntime* Current = nullptr;

  TWebContext FWeb;
  std::vector<TBrowser*> FBrowsers;
  int32_t FLastBrowserId = 0;
};
