// The control's events raised for its client handler: each sets its result to the default,
// lets the assigned handler, if any, change it and answers it.
#include "cefvcl.h"

template <class TEvent, class... TArgs>
void TCustomChromium::Raise(const TEvent& event, TArgs&&... args) {
  if (event) event(this, std::forward<TArgs>(args)...);
}

template <class TResult, class TEvent, class... TArgs>
TResult TCustomChromium::Query(const TEvent& event, TArgs&&... args) {
  TResult result{};
  if (event) event(this, std::forward<TArgs>(args)..., result);
  return result;
}

bool TCustomChromium::DispatchProcessMessageReceived(const TRef<ICefBrowser>& browser,
                                                     TCefProcessId sourceProcess,
                                                     const TRef<ICefProcessMessage>& message) {
  return Query<bool>(OnProcessMessageReceived, browser, sourceProcess, message);
}

void TCustomChromium::DispatchLoadStart(const TRef<ICefBrowser>& browser,
                                        const TRef<ICefFrame>& frame) {
  Raise(OnLoadStart, browser, frame);
}

void TCustomChromium::DispatchLoadEnd(const TRef<ICefBrowser>& browser,
                                      const TRef<ICefFrame>& frame, int32_t httpStatusCode) {
  Raise(OnLoadEnd, browser, frame, httpStatusCode);
}

void TCustomChromium::DispatchLoadError(const TRef<ICefBrowser>& browser,
                                        const TRef<ICefFrame>& frame, int32_t errorCode,
                                        const ustring& errorText, const ustring& failedUrl) {
  Raise(OnLoadError, browser, frame, errorCode, errorText, failedUrl);
}

void TCustomChromium::DispatchRenderProcessTerminated(const TRef<ICefBrowser>& browser,
                                                      TCefTerminationStatus status) {
  Raise(OnRenderProcessTerminated, browser, status);
}

void TCustomChromium::DispatchPluginCrashed(const TRef<ICefBrowser>& browser,
                                            const ustring& pluginPath) {
  Raise(OnPluginCrashed, browser, pluginPath);
}

void TCustomChromium::DispatchTakeFocus(const TRef<ICefBrowser>& browser, bool next) {
  Raise(OnTakeFocus, browser, next);
}

bool TCustomChromium::DispatchSetFocus(const TRef<ICefBrowser>& browser, TCefFocusSource source) {
  return Query<bool>(OnSetFocus, browser, source);
}

void TCustomChromium::DispatchGotFocus(const TRef<ICefBrowser>& browser) {
  Raise(OnGotFocus, browser);
}

void TCustomChromium::DispatchBeforeContextMenu(const TRef<ICefBrowser>& browser,
                                                const TRef<ICefFrame>& frame,
                                                const TRef<ICefContextMenuParams>& params,
                                                const TRef<ICefMenuModel>& model) {
  Raise(OnBeforeContextMenu, browser, frame, params, model);
}

bool TCustomChromium::DispatchContextMenuCommand(const TRef<ICefBrowser>& browser,
                                                 const TRef<ICefFrame>& frame,
                                                 const TRef<ICefContextMenuParams>& params,
                                                 int32_t commandId, TCefEventFlagSet eventFlags) {
  return Query<bool>(OnContextMenuCommand, browser, frame, params, commandId, eventFlags);
}

void TCustomChromium::DispatchContextMenuDismissed(const TRef<ICefBrowser>& browser,
                                                   const TRef<ICefFrame>& frame) {
  Raise(OnContextMenuDismissed, browser, frame);
}

bool TCustomChromium::DispatchPreKeyEvent(const TRef<ICefBrowser>& browser,
                                          const TCefKeyEvent* event, cef_event_handle_t osEvent,
                                          bool& isKeyboardShortcut) {
  return Query<bool>(OnPreKeyEvent, browser, event, osEvent, isKeyboardShortcut);
}

bool TCustomChromium::DispatchKeyEvent(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                                       cef_event_handle_t osEvent) {
  return Query<bool>(OnKeyEvent, browser, event, osEvent);
}

void TCustomChromium::DispatchLoadingStateChange(const TRef<ICefBrowser>& browser, bool isLoading,
                                                 bool canGoBack, bool canGoForward) {
  Raise(OnLoadingStateChange, browser, isLoading, canGoBack, canGoForward);
}

void TCustomChromium::DispatchAddressChange(const TRef<ICefBrowser>& browser,
                                            const TRef<ICefFrame>& frame, const ustring& url) {
  Raise(OnAddressChange, browser, frame, url);
}

void TCustomChromium::DispatchTitleChange(const TRef<ICefBrowser>& browser, const ustring& title) {
  Raise(OnTitleChange, browser, title);
}

bool TCustomChromium::DispatchTooltip(const TRef<ICefBrowser>& browser, ustring& text) {
  return Query<bool>(OnTooltip, browser, text);
}

void TCustomChromium::DispatchStatusMessage(const TRef<ICefBrowser>& browser,
                                            const ustring& value) {
  Raise(OnStatusMessage, browser, value);
}

bool TCustomChromium::DispatchConsoleMessage(const TRef<ICefBrowser>& browser,
                                             const ustring& message, const ustring& source,
                                             int32_t line) {
  return Query<bool>(OnConsoleMessage, browser, message, source, line);
}

void TCustomChromium::DispatchBeforeDownload(const TRef<ICefBrowser>& browser,
                                             const TRef<ICefDownloadItem>& downloadItem,
                                             const ustring& suggestedName,
                                             const TRef<ICefBeforeDownloadCallback>& callback) {
  Raise(OnBeforeDownload, browser, downloadItem, suggestedName, callback);
}

void TCustomChromium::DispatchDownloadUpdated(const TRef<ICefBrowser>& browser,
                                              const TRef<ICefDownloadItem>& downloadItem,
                                              const TRef<ICefDownloadItemCallback>& callback) {
  Raise(OnDownloadUpdated, browser, downloadItem, callback);
}

void TCustomChromium::DispatchRequestGeolocationPermission(
    const TRef<ICefBrowser>& browser, const ustring& requestingUrl, int32_t requestId,
    const TRef<ICefGeolocationCallback>& callback) {
  Raise(OnRequestGeolocationPermission, browser, requestingUrl, requestId, callback);
}

void TCustomChromium::DispatchCancelGeolocationPermission(const TRef<ICefBrowser>& browser,
                                                          const ustring& requestingUrl,
                                                          int32_t requestId) {
  Raise(OnCancelGeolocationPermission, browser, requestingUrl, requestId);
}

bool TCustomChromium::DispatchJsdialog(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                                       const ustring& acceptLang, TCefJsDialogType dialogType,
                                       const ustring& messageText, const ustring& defaultPromptText,
                                       const TRef<ICefJsDialogCallback>& callback,
                                       bool& suppressMessage) {
  return Query<bool>(OnJsdialog, browser, originUrl, acceptLang, dialogType, messageText,
                     defaultPromptText, callback, suppressMessage);
}

bool TCustomChromium::DispatchBeforeUnloadDialog(const TRef<ICefBrowser>& browser,
                                                 const ustring& messageText, bool isReload,
                                                 const TRef<ICefJsDialogCallback>& callback) {
  return Query<bool>(OnBeforeUnloadDialog, browser, messageText, isReload, callback);
}

void TCustomChromium::DispatchResetDialogState(const TRef<ICefBrowser>& browser) {
  Raise(OnResetDialogState, browser);
}

bool TCustomChromium::DispatchBeforePopup(const TRef<ICefBrowser>& parentBrowser,
                                          const TCefPopupFeatures* popupFeatures,
                                          TCefWindowInfo* windowInfo, ustring& url,
                                          TRef<ICefClient>& client, TCefBrowserSettings* settings) {
  return Query<bool>(OnBeforePopup, parentBrowser, popupFeatures, windowInfo, url, client,
                     settings);
}

void TCustomChromium::DispatchAfterCreated(const TRef<ICefBrowser>& browser) {
  Raise(OnAfterCreated, browser);
}

void TCustomChromium::DispatchBeforeClose(const TRef<ICefBrowser>& browser) {
  Raise(OnBeforeClose, browser);
}

bool TCustomChromium::DispatchRunModal(const TRef<ICefBrowser>& browser) {
  return Query<bool>(OnRunModal, browser);
}

bool TCustomChromium::DispatchClose(const TRef<ICefBrowser>& browser) {
  return Query<bool>(OnClose, browser);
}

bool TCustomChromium::DispatchBeforeResourceLoad(const TRef<ICefBrowser>& browser,
                                                 const TRef<ICefFrame>& frame,
                                                 const TRef<ICefRequest>& request) {
  return Query<bool>(OnBeforeResourceLoad, browser, frame, request);
}

TRef<ICefResourceHandler> TCustomChromium::DispatchGetResourceHandler(
    const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
    const TRef<ICefRequest>& request) {
  return Query<TRef<ICefResourceHandler>>(OnGetResourceHandler, browser, frame, request);
}

void TCustomChromium::DispatchResourceRedirect(const TRef<ICefBrowser>& browser,
                                               const TRef<ICefFrame>& frame, const ustring& oldUrl,
                                               ustring& newUrl) {
  Raise(OnResourceRedirect, browser, frame, oldUrl, newUrl);
}

bool TCustomChromium::DispatchGetAuthCredentials(const TRef<ICefBrowser>& browser,
                                                 const TRef<ICefFrame>& frame, bool isProxy,
                                                 const ustring& host, int32_t port,
                                                 const ustring& realm, const ustring& scheme,
                                                 const TRef<ICefAuthCallback>& callback) {
  return Query<bool>(OnGetAuthCredentials, browser, frame, isProxy, host, port, realm, scheme,
                     callback);
}

bool TCustomChromium::DispatchQuotaRequest(const TRef<ICefBrowser>& browser,
                                           const ustring& originUrl, int64_t newSize,
                                           const TRef<ICefQuotaCallback>& callback) {
  return Query<bool>(FOnQuotaRequest, browser, originUrl, newSize, callback);
}

TRef<ICefCookieManager> TCustomChromium::DispatchGetCookieManager(const TRef<ICefBrowser>& browser,
                                                                  const ustring& mainUrl) {
  return Query<TRef<ICefCookieManager>>(OnGetCookieManager, browser, mainUrl);
}

void TCustomChromium::DispatchProtocolExecution(const TRef<ICefBrowser>& browser,
                                                const ustring& url, bool& allowOsExecution) {
  Raise(OnProtocolExecution, browser, url, allowOsExecution);
}

bool TCustomChromium::DispatchBeforePluginLoad(const TRef<ICefBrowser>& browser, const ustring& url,
                                               const ustring& policyUrl,
                                               const TRef<ICefWebPluginInfo>& info) {
  return Query<bool>(FOnBeforePluginLoad, browser, url, policyUrl, info);
}
