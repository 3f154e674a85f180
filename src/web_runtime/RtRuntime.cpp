#include "RtRuntime.h"

#include <algorithm>

#include "RtAppearance.h"
#include "RtBrowser.h"
#include "RtDownload.h"
#include "RtGuard.h"
#include "RtMainLoop.h"
#include "RtNotifications.h"
#include "RtPageRequests.h"
#include "RtSchemeHandler.h"

namespace {

// Downloads not started by one of our browsers have nobody to ask and are left to WebKit.
void OnDownloadStarted(WebKitWebContext*, WebKitDownload* download, gpointer) {
  Guarded("download-started", [&] {
    TRuntime* runtime = TRuntime::Instance();
    TBrowser* browser =
        runtime ? runtime->BrowserOfView(webkit_download_get_web_view(download)) : nullptr;
    if (browser) TDownload::Follow(browser->HandOverDownload(), download);
  });
}

}  // namespace

bool TRuntime::Start(const std::string& cachePath) {
  if (Current) return false;
  Current = new TRuntime(cachePath);
  TAppearance::Start();
  return true;
}

void TRuntime::Stop() {
  if (!Current) return;
  TDownload::CancelAll();
  Current->CloseAllBrowsers();
  delete Current;
  Current = nullptr;
  TAppearance::Stop();
  EndNotifications();
  TPageRequests::Forget();
  ForgetSchemeHandlerFactories();
  // Let WebKit deliver what the teardown queued before the host unloads us.
  DrainMainContext();
}

TRuntime::TRuntime(const std::string& cachePath) {
  g_autoptr(WebKitWebsiteDataManager) data = TWebContext::NewUserDataManager(cachePath);
  FWeb = NewWebContext(data);
}

std::shared_ptr<TWebContext> TRuntime::NewWebContext(WebKitWebsiteDataManager* data) {
  auto context = std::make_shared<TWebContext>(data);
  g_signal_connect(context->Context(), "download-started", G_CALLBACK(OnDownloadStarted), nullptr);
  std::erase_if(FWebContexts, [](const auto& known) { return known.expired(); });
  FWebContexts.push_back(context);
  return context;
}

void TRuntime::ForEachWebContext(const std::function<void(WebKitWebContext*)>& visit) const {
  for (const auto& known : FWebContexts)
    if (auto context = known.lock()) visit(context->Context());
}

TRuntime::~TRuntime() = default;

void TRuntime::Register(TBrowser* browser) {
  FBrowsers.push_back(browser);
}

void TRuntime::Unregister(TBrowser* browser) {
  FBrowsers.erase(std::remove(FBrowsers.begin(), FBrowsers.end(), browser), FBrowsers.end());
}

TBrowser* TRuntime::BrowserOfView(WebKitWebView* view) const {
  for (TBrowser* browser : FBrowsers)
    if (browser->View() && browser->View()->View() == view) return browser;
  return nullptr;
}

void TRuntime::ForEachView(const std::function<void(WebKitWebView*)>& visit) const {
  for (TBrowser* browser : FBrowsers)
    if (browser->View()) visit(browser->View()->View());
}

// Browsers still open at shutdown are closed without asking their pages.
void TRuntime::CloseAllBrowsers() {
  while (!FBrowsers.empty()) {
    TBrowser* browser = FBrowsers.back();
    browser->ForceClose();
    Unregister(browser);  // in case its view was already on its way out
  }
}
