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

  // The context over the runtime's own website data.
  const std::shared_ptr<TWebContext>& Web() const { return FWeb; }
  // A context over data, with the runtime's downloads and served schemes; it lives while
  // someone holds it.
  std::shared_ptr<TWebContext> NewWebContext(WebKitWebsiteDataManager* data);
  void ForEachWebContext(const std::function<void(WebKitWebContext*)>& visit) const;
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

  std::vector<std::weak_ptr<TWebContext>> FWebContexts;
  std::shared_ptr<TWebContext> FWeb;
  std::vector<TBrowser*> FBrowsers;
  int32_t FLastBrowserId = 0;
};
