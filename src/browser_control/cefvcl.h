#pragma once

#include <memory>

#include "Controls.h"
#include "cefgui.h"
#include "cefvcl_events.h"
#include "cefvcl_options.h"

typedef struct _GdkEventScroll GdkEventScroll;

// A control that owns one browser of the runtime inside its own window: the browser is
// created with the window, kept at the size of the client area, given the keyboard focus the
// control receives, and every notification about it is raised as an event of the control.
class TCustomChromium : public TWinControl, public IChromiumEvents {
 public:
  explicit TCustomChromium(TComponent* AOwner);

  const TRef<ICefBrowser>& Browser() const { return FBrowser; }
  // The browser's host; null while there is no browser.
  TRef<ICefBrowserHost> BrowserHost() const;
  int32_t BrowserId() const { return FBrowserId; }

  const ustring& DefaultUrl() const { return FDefaultUrl; }
  void SetDefaultUrl(ustring url) { FDefaultUrl = std::move(url); }
  TChromiumOptions& Options() { return *FOptions; }
  TChromiumFontOptions& FontOptions() { return *FFontOptions; }
  const ustring& DefaultEncoding() const { return FDefaultEncoding; }
  void SetDefaultEncoding(ustring value) { FDefaultEncoding = std::move(value); }
  const ustring& UserStyleSheetLocation() const { return FUserStyleSheetLocation; }
  void SetUserStyleSheetLocation(ustring value) { FUserStyleSheetLocation = std::move(value); }

  // Creates the window (and with it the browser) if needed, then loads url into the main
  // frame. Nothing without a browser or main frame.
  void Load(const ustring& url);
  // Closes the browser and creates a new one showing url; nothing while there is no browser.
  void ReCreateBrowser(const ustring& url);

  void Loaded() override;

  // Fills a record whose size the caller has set; a record too small to hold every field is a
  // programming error.
  void FillBrowserSettings(TCefBrowserSettings* settings) override;

  bool DispatchProcessMessageReceived(const TRef<ICefBrowser>& browser, TCefProcessId sourceProcess,
                                      const TRef<ICefProcessMessage>& message) override;
  void DispatchLoadStart(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame) override;
  void DispatchLoadEnd(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                       int32_t httpStatusCode) override;
  void DispatchLoadError(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                         int32_t errorCode, const ustring& errorText,
                         const ustring& failedUrl) override;
  void DispatchRenderProcessTerminated(const TRef<ICefBrowser>& browser,
                                       TCefTerminationStatus status) override;
  void DispatchPluginCrashed(const TRef<ICefBrowser>& browser, const ustring& pluginPath) override;
  void DispatchTakeFocus(const TRef<ICefBrowser>& browser, bool next) override;
  bool DispatchSetFocus(const TRef<ICefBrowser>& browser, TCefFocusSource source) override;
  void DispatchGotFocus(const TRef<ICefBrowser>& browser) override;
  void DispatchBeforeContextMenu(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                 const TRef<ICefContextMenuParams>& params,
                                 const TRef<ICefMenuModel>& model) override;
  bool DispatchContextMenuCommand(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                  const TRef<ICefContextMenuParams>& params, int32_t commandId,
                                  TCefEventFlagSet eventFlags) override;
  void DispatchContextMenuDismissed(const TRef<ICefBrowser>& browser,
                                    const TRef<ICefFrame>& frame) override;
  bool DispatchPreKeyEvent(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                           cef_event_handle_t osEvent, bool& isKeyboardShortcut) override;
  bool DispatchKeyEvent(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                        cef_event_handle_t osEvent) override;
  void DispatchLoadingStateChange(const TRef<ICefBrowser>& browser, bool isLoading, bool canGoBack,
                                  bool canGoForward) override;
  void DispatchAddressChange(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                             const ustring& url) override;
  void DispatchTitleChange(const TRef<ICefBrowser>& browser, const ustring& title) override;
  bool DispatchTooltip(const TRef<ICefBrowser>& browser, ustring& text) override;
  void DispatchStatusMessage(const TRef<ICefBrowser>& browser, const ustring& value) override;
  bool DispatchConsoleMessage(const TRef<ICefBrowser>& browser, const ustring& message,
                              const ustring& source, int32_t line) override;
  void DispatchBeforeDownload(const TRef<ICefBrowser>& browser,
                              const TRef<ICefDownloadItem>& downloadItem,
                              const ustring& suggestedName,
                              const TRef<ICefBeforeDownloadCallback>& callback) override;
  void DispatchDownloadUpdated(const TRef<ICefBrowser>& browser,
                               const TRef<ICefDownloadItem>& downloadItem,
                               const TRef<ICefDownloadItemCallback>& callback) override;
  void DispatchRequestGeolocationPermission(const TRef<ICefBrowser>& browser,
                                            const ustring& requestingUrl, int32_t requestId,
                                            const TRef<ICefGeolocationCallback>& callback) override;
  void DispatchCancelGeolocationPermission(const TRef<ICefBrowser>& browser,
                                           const ustring& requestingUrl,
                                           int32_t requestId) override;
  bool DispatchJsdialog(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                        const ustring& acceptLang, TCefJsDialogType dialogType,
                        const ustring& messageText, const ustring& defaultPromptText,
                        const TRef<ICefJsDialogCallback>& callback, bool& suppressMessage) override;
  bool DispatchBeforeUnloadDialog(const TRef<ICefBrowser>& browser, const ustring& messageText,
                                  bool isReload,
                                  const TRef<ICefJsDialogCallback>& callback) override;
  void DispatchResetDialogState(const TRef<ICefBrowser>& browser) override;
  bool DispatchBeforePopup(const TRef<ICefBrowser>& parentBrowser,
                           const TCefPopupFeatures* popupFeatures, TCefWindowInfo* windowInfo,
                           ustring& url, TRef<ICefClient>& client,
                           TCefBrowserSettings* settings) override;
  void DispatchAfterCreated(const TRef<ICefBrowser>& browser) override;
  void DispatchBeforeClose(const TRef<ICefBrowser>& browser) override;
  bool DispatchRunModal(const TRef<ICefBrowser>& browser) override;
  bool DispatchClose(const TRef<ICefBrowser>& browser) override;
  bool DispatchBeforeResourceLoad(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                  const TRef<ICefRequest>& request) override;
  TRef<ICefResourceHandler> DispatchGetResourceHandler(const TRef<ICefBrowser>& browser,
                                                       const TRef<ICefFrame>& frame,
                                                       const TRef<ICefRequest>& request) override;
  void DispatchResourceRedirect(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                const ustring& oldUrl, ustring& newUrl) override;
  bool DispatchGetAuthCredentials(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                  bool isProxy, const ustring& host, int32_t port,
                                  const ustring& realm, const ustring& scheme,
                                  const TRef<ICefAuthCallback>& callback) override;
  bool DispatchQuotaRequest(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                            int64_t newSize, const TRef<ICefQuotaCallback>& callback) override;
  TRef<ICefCookieManager> DispatchGetCookieManager(const TRef<ICefBrowser>& browser,
                                                   const ustring& mainUrl) override;
  void DispatchProtocolExecution(const TRef<ICefBrowser>& browser, const ustring& url,
                                 bool& allowOsExecution) override;
  bool DispatchBeforePluginLoad(const TRef<ICefBrowser>& browser, const ustring& url,
                                const ustring& policyUrl,
                                const TRef<ICefWebPluginInfo>& info) override;

  TOnProcessMessageReceived OnProcessMessageReceived;
  TOnLoadStart OnLoadStart;
  TOnLoadEnd OnLoadEnd;
  TOnLoadError OnLoadError;
  TOnRenderProcessTerminated OnRenderProcessTerminated;
  TOnPluginCrashed OnPluginCrashed;
  TOnTakeFocus OnTakeFocus;
  TOnSetFocus OnSetFocus;
  TOnGotFocus OnGotFocus;
  TOnBeforeContextMenu OnBeforeContextMenu;
  TOnContextMenuCommand OnContextMenuCommand;
  TOnContextMenuDismissed OnContextMenuDismissed;
  TOnPreKeyEvent OnPreKeyEvent;
  TOnKeyEvent OnKeyEvent;
  TOnLoadingStateChange OnLoadingStateChange;
  TOnAddressChange OnAddressChange;
  TOnTitleChange OnTitleChange;
  TOnTooltip OnTooltip;
  TOnStatusMessage OnStatusMessage;
  TOnConsoleMessage OnConsoleMessage;
  TOnRequestGeolocationPermission OnRequestGeolocationPermission;
  TOnCancelGeolocationPermission OnCancelGeolocationPermission;
  TOnBeforeDownload OnBeforeDownload;
  TOnDownloadUpdated OnDownloadUpdated;
  TOnJsdialog OnJsdialog;
  TOnBeforeUnloadDialog OnBeforeUnloadDialog;
  TOnResetDialogState OnResetDialogState;
  TOnBeforePopup OnBeforePopup;
  TOnAfterCreated OnAfterCreated;
  TOnBeforeClose OnBeforeClose;
  TOnRunModal OnRunModal;
  TOnClose OnClose;
  TOnBeforeResourceLoad OnBeforeResourceLoad;
  TOnGetResourceHandler OnGetResourceHandler;
  TOnResourceRedirect OnResourceRedirect;
  TOnGetAuthCredentials OnGetAuthCredentials;
  TOnGetCookieManager OnGetCookieManager;
  TOnProtocolExecution OnProtocolExecution;
  TOnMouseWheel OnMouseWheel;

 protected:
  // Tells the host first, then disconnects the client handler, so no later notification
  // reaches the control.
  ~TCustomChromium() override;

  void CreateWnd() override;
  void Resize() override;
  void CreateBrowser();

  // Nothing assigns these two, so their queries always answer false.
  TOnQuotaRequest FOnQuotaRequest;
  TOnBeforePluginLoad FOnBeforePluginLoad;

 private:
  // The browser's own widget, if there is a browser that has one.
  GtkWidget* BrowserWindow() const;
  void PlaceBrowserWindow(GtkWidget* window);
  void CloseBrowserWindow();
  void ConnectWindowSignals();
  void DisconnectWindowSignals();
  void PassFocusToBrowser();
  // The keyboard focus is on a widget the engine put inside the browser's widget.
  bool FocusIsInEngineWidget(GtkWidget* widget) const;
  // Raises OnMouseWheel for whole notches; a touchpad's fractions add up until they make one.
  // True when the handler keeps the turn from the page.
  bool WheelTurned(const GdkEventScroll& event);
  void DestroyBrowserLink() noexcept;

  template <class TEvent, class... TArgs>
  void Raise(const TEvent& event, TArgs&&... args);
  template <class TResult, class TEvent, class... TArgs>
  TResult Query(const TEvent& event, TArgs&&... args);

  TRef<ICefClient> FHandler;
  TRef<ICefBrowser> FBrowser;
  int32_t FBrowserId = 0;
  ustring FDefaultUrl;
  std::unique_ptr<TChromiumOptions> FOptions;
  ustring FUserStyleSheetLocation;
  ustring FDefaultEncoding;
  std::unique_ptr<TChromiumFontOptions> FFontOptions;
  double FWheelFraction = 0;

  friend struct TChromiumWindowSignals;
};

// The control as placed on a window.
class TChromium : public TCustomChromium {
 public:
  using TCustomChromium::TCustomChromium;

 protected:
  ~TChromium() override = default;
};
