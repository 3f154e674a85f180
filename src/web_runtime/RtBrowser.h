#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RtObject.h"
#include "RtRequestHeaders.h"
#include "RtView.h"
#include "cef_capi.h"

class TGeolocationCallback;
class TWebContext;
// The runtime API's event flags (EVENTFLAG_*) for a GDK modifier state.
int32_t ModifiersOf(guint state);

// One browser: a WebKit view in the client's parent widget, its frames as far as the
// web-process extension reported them, and the client it reports to. It exposes the browser
// and the host structure, which share its reference count. While its view lives it holds one
// reference to itself.
class TBrowser final : public TRtCounted, private IViewEvents {
 public:
  // Answers the browser with one reference for the caller, or nullptr without a runtime. A
  // popup comes with the view WebKit had us make for it.
  static TBrowser* Create(const TCefWindowInfo* windowInfo, TClientRef<TCefClient> client,
                          const std::string& url, const TCefBrowserSettings* settings,
                          TBrowser* opener = nullptr, WebKitWebView* popupView = nullptr);

  TCefBrowser* ShareBrowser() { return Share(FBrowserFace); }
  // The browser structure carrying the reference Create gave the caller.
  TCefBrowser* HandOverBrowser() { return &FBrowserFace.Struct; }
  TCefBrowserHost* ShareHost() { return Share(FHostFace); }
  int32_t Id() const { return FId; }
  bool IsAlive() const { return FView != nullptr; }
  TWebView* View() const { return FView.get(); }
  TCefClient* Client() const { return FClient.get(); }
  bool IsPopup() const { return FOpener != nullptr; }
  TBrowser* Opener() const { return FOpener; }
  // Answers who hears of a download this browser's page started; a popup with no page of
  // its own closes and hands it to its opener.
  TBrowser* HandOverDownload();

  // Frames; id 0 stands for the main frame.
  uint64_t MainFrameId() const { return FMainFrameId; }
  bool HasFrame(uint64_t frameId) const;
  std::string FrameUrl(uint64_t frameId) const;
  std::string FrameName(uint64_t frameId) const;
  uint64_t ParentOf(uint64_t frameId) const;
  std::vector<uint64_t> FrameIds() const;
  // A new frame object with one reference for the receiver.
  TCefFrame* NewFrame(uint64_t frameId);

  void CloseRequested();  // close_browser: lets the page's beforeunload decide
  void ForceClose();      // the parent goes away: no questions
  void SetFocus(bool enable);
  void LoadUrl(const std::string& url);
  // Frame id 0 stands for the main frame.
  void ShowSource(uint64_t frameId);
  // An address with headers of the client's choosing.
  void LoadRequest(const std::string& url, const THeaderList& headers);

  // Calls a handler's entry when the client offers that handler.
  template <class THandler, class TCall>
  void WithHandler(THandler* (CEF_CALLBACK* TCefClient::*getter)(TCefClient*), TCall call) {
    if (!FClient || !(FClient.get()->*getter)) return;
    TClientRef<THandler> handler((FClient.get()->*getter)(FClient.get()));
    if (handler) call(handler.get());
  }

 private:
  TBrowser(TClientRef<TCefClient> client, TBrowser* opener);
  void Attach(WebKitWebView* view, std::shared_ptr<TWebContext> context);
  // The context of the cookie manager the client gives this browser; null when it gives
  // none, the global one, or one the runtime did not make.
  std::shared_ptr<TWebContext> AskWebContext(const std::string& url);
  ~TBrowser() override;
  void InitFaces();
  void Place(const TCefWindowInfo* windowInfo);
  void ApplySettings(const TCefBrowserSettings* settings);
  void Finish();
  void ReportLoadStart(uint64_t frameId);
  void ReportLoadEnd(uint64_t frameId, int status);
  void ReportAddress(uint64_t frameId, const std::string& url);
  // The popup's page asked to be shown: the client decides, then it gets its window.
  void ShowPopup(WebKitWebView* view, const std::string& url);
  void BecomeTransientFor(TBrowser* opener);
  static void OnPopupReady(WebKitWebView* view, gpointer opener);

  // IViewEvents
  void OnLoadCommitted() override;
  void OnLoadFinished(int httpStatus) override;
  void OnLoadFailed(const GError& error, const std::string& url) override;
  void OnLoadingStateChanged() override;
  void OnSameDocumentNavigation(const std::string& url) override;
  void OnTitleChanged(const std::string& title) override;
  void OnStatusText(const std::string& text) override;
  void OnFrameDocument(const TFrameFacts& frame) override;
  void OnFrameLoaded(const TFrameFacts& frame, int httpStatus) override;
  void OnFrameGone(uint64_t frameId) override;
  void OnConsoleMessage(const std::string& text, const std::string& source, int line) override;
  bool OnKey(GdkEventKey* event, bool pageLeftItAlone) override;
  void OnFocusIn() override;
  void OnFocusLeftByTab(bool forward) override;
  bool OnScriptDialog(WebKitScriptDialog* dialog) override;
  bool OnPermissionRequest(WebKitPermissionRequest* request) override;
  bool OnAuthentication(WebKitAuthenticationRequest* request) override;
  void OnDocumentReplaced() override;
  GtkWidget* OnCreatePopup(WebKitNavigationAction* action) override;
  void OnExternalUri(const std::string& uri) override;
  bool OnContextMenu(WebKitContextMenu* menu, WebKitHitTestResult* hit, GdkEvent* event) override;
  void OnContextMenuDismissed() override;
  bool OnTooltip(std::string& text) override;
  void OnCloseRequested() override;
  void OnProcessTerminated(WebKitWebProcessTerminationReason reason) override;
  void OnViewDestroyed() override;

  TFace<TCefBrowser> FBrowserFace;
  TFace<TCefBrowserHost> FHostFace;
  int32_t FId = 0;
  TClientRef<TCefClient> FClient;
  std::unique_ptr<TWebView> FView;
  std::shared_ptr<TWebContext> FWebContext;  // the view's, while it lives
  GtkWidget* FOwnWindow = nullptr;           // top-level window of a popup or a parentless browser
  TBrowser* FOpener = nullptr;               // counted
  uint64_t FMainFrameId = 0;
  std::string FMainUrl;  // committed address of the main frame
  std::map<uint64_t, TFrameFacts> FFrames;
  int32_t FNextPermissionId = 0;
  // Geolocation requests the client holds, by id, with the address that asked.
  struct TAskedGeolocation {
    TGeolocationCallback* Callback;  // not counted: it leaves the table when settled
    std::string Url;
  };
  std::map<int32_t, TAskedGeolocation> FGeolocationAsked;
};
