#pragma once

#include "ceflib.h"

// What a browser control offers its client handler: the settings of a new browser, and one
// method per runtime notification, which raises the control's event of the same name and
// answers its result (false or no object when no handler is assigned). The control is a
// component owned by its window, so references to this interface are plain pointers that do
// not keep it alive.
//
// Each event passes eight places on its way from the runtime to the shell; for OnLoadEnd:
//   1. TCustomClientHandler::get_load_handler hands the runtime the load handler (cefgui.cpp);
//   2. the runtime calls that structure's entry on_load_end (cef_capi.h);
//   3. the entry routine that SetEntry made for it converts the arguments and keeps exceptions
//      on the program side (ceflib_entries.h, set up in ceflib_handlers_browser.cpp);
//   4. the handler object's operation TCefLoadHandlerOwn::on_load_end (ceflib_handlers_browser.h);
//   5. its override TCustomLoadHandler::on_load_end forwards here (cefgui_handlers.cpp);
//   6. IChromiumEvents::DispatchLoadEnd below;
//   7. TCustomChromium::DispatchLoadEnd raises the event (cefvcl_dispatch.cpp);
//   8. the control's event OnLoadEnd, of type TOnLoadEnd (cefvcl.h, cefvcl_events.h), which the
//      shell assigns.
// cefgui_events_test fires all forty from the runtime's side and checks each arrives at 8.
class IChromiumEvents {
 public:
  virtual void FillBrowserSettings(TCefBrowserSettings* settings) = 0;

  virtual bool DispatchProcessMessageReceived(const TRef<ICefBrowser>& browser,
                                              TCefProcessId sourceProcess,
                                              const TRef<ICefProcessMessage>& message) = 0;
  virtual void DispatchLoadStart(const TRef<ICefBrowser>& browser,
                                 const TRef<ICefFrame>& frame) = 0;
  virtual void DispatchLoadEnd(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                               int32_t httpStatusCode) = 0;
  virtual void DispatchLoadError(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                 int32_t errorCode, const ustring& errorText,
                                 const ustring& failedUrl) = 0;
  virtual void DispatchRenderProcessTerminated(const TRef<ICefBrowser>& browser,
                                               TCefTerminationStatus status) = 0;
  virtual void DispatchPluginCrashed(const TRef<ICefBrowser>& browser,
                                     const ustring& pluginPath) = 0;
  virtual void DispatchTakeFocus(const TRef<ICefBrowser>& browser, bool next) = 0;
  virtual bool DispatchSetFocus(const TRef<ICefBrowser>& browser, TCefFocusSource source) = 0;
  virtual void DispatchGotFocus(const TRef<ICefBrowser>& browser) = 0;
  virtual void DispatchBeforeContextMenu(const TRef<ICefBrowser>& browser,
                                         const TRef<ICefFrame>& frame,
                                         const TRef<ICefContextMenuParams>& params,
                                         const TRef<ICefMenuModel>& model) = 0;
  virtual bool DispatchContextMenuCommand(const TRef<ICefBrowser>& browser,
                                          const TRef<ICefFrame>& frame,
                                          const TRef<ICefContextMenuParams>& params,
                                          int32_t commandId, TCefEventFlagSet eventFlags) = 0;
  virtual void DispatchContextMenuDismissed(const TRef<ICefBrowser>& browser,
                                            const TRef<ICefFrame>& frame) = 0;
  virtual bool DispatchPreKeyEvent(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                                   cef_event_handle_t osEvent, bool& isKeyboardShortcut) = 0;
  virtual bool DispatchKeyEvent(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                                cef_event_handle_t osEvent) = 0;
  virtual void DispatchLoadingStateChange(const TRef<ICefBrowser>& browser, bool isLoading,
                                          bool canGoBack, bool canGoForward) = 0;
  virtual void DispatchAddressChange(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                     const ustring& url) = 0;
  virtual void DispatchTitleChange(const TRef<ICefBrowser>& browser, const ustring& title) = 0;
  virtual bool DispatchTooltip(const TRef<ICefBrowser>& browser, ustring& text) = 0;
  virtual void DispatchStatusMessage(const TRef<ICefBrowser>& browser, const ustring& value) = 0;
  virtual bool DispatchConsoleMessage(const TRef<ICefBrowser>& browser, const ustring& message,
                                      const ustring& source, int32_t line) = 0;
  virtual void DispatchRequestGeolocationPermission(
      const TRef<ICefBrowser>& browser, const ustring& requestingUrl, int32_t requestId,
      const TRef<ICefGeolocationCallback>& callback) = 0;
  virtual void DispatchCancelGeolocationPermission(const TRef<ICefBrowser>& browser,
                                                   const ustring& requestingUrl,
                                                   int32_t requestId) = 0;
  virtual void DispatchBeforeDownload(const TRef<ICefBrowser>& browser,
                                      const TRef<ICefDownloadItem>& downloadItem,
                                      const ustring& suggestedName,
                                      const TRef<ICefBeforeDownloadCallback>& callback) = 0;
  virtual void DispatchDownloadUpdated(const TRef<ICefBrowser>& browser,
                                       const TRef<ICefDownloadItem>& downloadItem,
                                       const TRef<ICefDownloadItemCallback>& callback) = 0;
  virtual bool DispatchJsdialog(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                                const ustring& acceptLang, TCefJsDialogType dialogType,
                                const ustring& messageText, const ustring& defaultPromptText,
                                const TRef<ICefJsDialogCallback>& callback,
                                bool& suppressMessage) = 0;
  virtual bool DispatchBeforeUnloadDialog(const TRef<ICefBrowser>& browser,
                                          const ustring& messageText, bool isReload,
                                          const TRef<ICefJsDialogCallback>& callback) = 0;
  virtual void DispatchResetDialogState(const TRef<ICefBrowser>& browser) = 0;
  virtual bool DispatchBeforePopup(const TRef<ICefBrowser>& parentBrowser,
                                   const TCefPopupFeatures* popupFeatures,
                                   TCefWindowInfo* windowInfo, ustring& url,
                                   TRef<ICefClient>& client, TCefBrowserSettings* settings) = 0;
  virtual void DispatchAfterCreated(const TRef<ICefBrowser>& browser) = 0;
  virtual void DispatchBeforeClose(const TRef<ICefBrowser>& browser) = 0;
  virtual bool DispatchRunModal(const TRef<ICefBrowser>& browser) = 0;
  virtual bool DispatchClose(const TRef<ICefBrowser>& browser) = 0;
  virtual bool DispatchBeforeResourceLoad(const TRef<ICefBrowser>& browser,
                                          const TRef<ICefFrame>& frame,
                                          const TRef<ICefRequest>& request) = 0;
  virtual TRef<ICefResourceHandler> DispatchGetResourceHandler(
      const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
      const TRef<ICefRequest>& request) = 0;
  virtual void DispatchResourceRedirect(const TRef<ICefBrowser>& browser,
                                        const TRef<ICefFrame>& frame, const ustring& oldUrl,
                                        ustring& newUrl) = 0;
  virtual bool DispatchGetAuthCredentials(const TRef<ICefBrowser>& browser,
                                          const TRef<ICefFrame>& frame, bool isProxy,
                                          const ustring& host, int32_t port, const ustring& realm,
                                          const ustring& scheme,
                                          const TRef<ICefAuthCallback>& callback) = 0;
  virtual bool DispatchQuotaRequest(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                                    int64_t newSize, const TRef<ICefQuotaCallback>& callback) = 0;
  virtual TRef<ICefCookieManager> DispatchGetCookieManager(const TRef<ICefBrowser>& browser,
                                                           const ustring& mainUrl) = 0;
  virtual void DispatchProtocolExecution(const TRef<ICefBrowser>& browser, const ustring& url,
                                         bool& allowOsExecution) = 0;
  virtual bool DispatchBeforePluginLoad(const TRef<ICefBrowser>& browser, const ustring& url,
                                        const ustring& policyUrl,
                                        const TRef<ICefWebPluginInfo>& info) = 0;

 protected:
  ~IChromiumEvents() = default;
};
