#include "cefgui_handlers.h"

// Every override hands its arguments on unchanged to the control's method of the same event.
using E = IChromiumEvents;

// ---- Load -----------------------------------------------------------------------------------

void TCustomLoadHandler::on_load_start(const TRef<ICefBrowser>& browser,
                                       const TRef<ICefFrame>& frame) {
  Forward(&E::DispatchLoadStart, browser, frame);
}

void TCustomLoadHandler::on_load_end(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                     int32_t httpStatusCode) {
  Forward(&E::DispatchLoadEnd, browser, frame, httpStatusCode);
}

void TCustomLoadHandler::on_load_error(const TRef<ICefBrowser>& browser,
                                       const TRef<ICefFrame>& frame, int32_t errorCode,
                                       const ustring& errorText, const ustring& failedUrl) {
  Forward(&E::DispatchLoadError, browser, frame, errorCode, errorText, failedUrl);
}

void TCustomLoadHandler::on_render_process_terminated(const TRef<ICefBrowser>& browser,
                                                      TCefTerminationStatus status) {
  Forward(&E::DispatchRenderProcessTerminated, browser, status);
}

void TCustomLoadHandler::on_plugin_crashed(const TRef<ICefBrowser>& browser,
                                           const ustring& pluginPath) {
  Forward(&E::DispatchPluginCrashed, browser, pluginPath);
}

// ---- Focus ----------------------------------------------------------------------------------

void TCustomFocusHandler::on_take_focus(const TRef<ICefBrowser>& browser, bool next) {
  Forward(&E::DispatchTakeFocus, browser, next);
}

bool TCustomFocusHandler::on_set_focus(const TRef<ICefBrowser>& browser, TCefFocusSource source) {
  return Forward(&E::DispatchSetFocus, browser, source);
}

void TCustomFocusHandler::on_got_focus(const TRef<ICefBrowser>& browser) {
  Forward(&E::DispatchGotFocus, browser);
}

// ---- Context menu ---------------------------------------------------------------------------

void TCustomContextMenuHandler::on_before_context_menu(const TRef<ICefBrowser>& browser,
                                                       const TRef<ICefFrame>& frame,
                                                       const TRef<ICefContextMenuParams>& params,
                                                       const TRef<ICefMenuModel>& model) {
  Forward(&E::DispatchBeforeContextMenu, browser, frame, params, model);
}

bool TCustomContextMenuHandler::on_context_menu_command(const TRef<ICefBrowser>& browser,
                                                        const TRef<ICefFrame>& frame,
                                                        const TRef<ICefContextMenuParams>& params,
                                                        int32_t commandId,
                                                        TCefEventFlagSet eventFlags) {
  return Forward(&E::DispatchContextMenuCommand, browser, frame, params, commandId, eventFlags);
}

void TCustomContextMenuHandler::on_context_menu_dismissed(const TRef<ICefBrowser>& browser,
                                                          const TRef<ICefFrame>& frame) {
  Forward(&E::DispatchContextMenuDismissed, browser, frame);
}

// ---- Keyboard -------------------------------------------------------------------------------

bool TCustomKeyboardHandler::on_pre_key_event(const TRef<ICefBrowser>& browser,
                                              const TCefKeyEvent* event, cef_event_handle_t osEvent,
                                              bool& isKeyboardShortcut) {
  return Forward(&E::DispatchPreKeyEvent, browser, event, osEvent, isKeyboardShortcut);
}

bool TCustomKeyboardHandler::on_key_event(const TRef<ICefBrowser>& browser,
                                          const TCefKeyEvent* event, cef_event_handle_t osEvent) {
  return Forward(&E::DispatchKeyEvent, browser, event, osEvent);
}

// ---- Display --------------------------------------------------------------------------------

void TCustomDisplayHandler::on_loading_state_change(const TRef<ICefBrowser>& browser,
                                                    bool isLoading, bool canGoBack,
                                                    bool canGoForward) {
  Forward(&E::DispatchLoadingStateChange, browser, isLoading, canGoBack, canGoForward);
}

void TCustomDisplayHandler::on_address_change(const TRef<ICefBrowser>& browser,
                                              const TRef<ICefFrame>& frame, const ustring& url) {
  Forward(&E::DispatchAddressChange, browser, frame, url);
}

void TCustomDisplayHandler::on_title_change(const TRef<ICefBrowser>& browser,
                                            const ustring& title) {
  Forward(&E::DispatchTitleChange, browser, title);
}

bool TCustomDisplayHandler::on_tooltip(const TRef<ICefBrowser>& browser, ustring& text) {
  return Forward(&E::DispatchTooltip, browser, text);
}

void TCustomDisplayHandler::on_status_message(const TRef<ICefBrowser>& browser,
                                              const ustring& value) {
  Forward(&E::DispatchStatusMessage, browser, value);
}

bool TCustomDisplayHandler::on_console_message(const TRef<ICefBrowser>& browser,
                                               const ustring& message, const ustring& source,
                                               int32_t line) {
  return Forward(&E::DispatchConsoleMessage, browser, message, source, line);
}

// ---- Download -------------------------------------------------------------------------------

void TCustomDownloadHandler::on_before_download(const TRef<ICefBrowser>& browser,
                                                const TRef<ICefDownloadItem>& downloadItem,
                                                const ustring& suggestedName,
                                                const TRef<ICefBeforeDownloadCallback>& callback) {
  Forward(&E::DispatchBeforeDownload, browser, downloadItem, suggestedName, callback);
}

void TCustomDownloadHandler::on_download_updated(const TRef<ICefBrowser>& browser,
                                                 const TRef<ICefDownloadItem>& downloadItem,
                                                 const TRef<ICefDownloadItemCallback>& callback) {
  Forward(&E::DispatchDownloadUpdated, browser, downloadItem, callback);
}

// ---- Geolocation ----------------------------------------------------------------------------

void TCustomGeolocationHandler::on_request_geolocation_permission(
    const TRef<ICefBrowser>& browser, const ustring& requestingUrl, int32_t requestId,
    const TRef<ICefGeolocationCallback>& callback) {
  Forward(&E::DispatchRequestGeolocationPermission, browser, requestingUrl, requestId, callback);
}

void TCustomGeolocationHandler::on_cancel_geolocation_permission(const TRef<ICefBrowser>& browser,
                                                                 const ustring& requestingUrl,
                                                                 int32_t requestId) {
  Forward(&E::DispatchCancelGeolocationPermission, browser, requestingUrl, requestId);
}

// ---- Script dialogs -------------------------------------------------------------------------

bool TCustomJsDialogHandler::on_jsdialog(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                                         const ustring& acceptLang, TCefJsDialogType dialogType,
                                         const ustring& messageText,
                                         const ustring& defaultPromptText,
                                         const TRef<ICefJsDialogCallback>& callback,
                                         bool& suppressMessage) {
  return Forward(&E::DispatchJsdialog, browser, originUrl, acceptLang, dialogType, messageText,
                 defaultPromptText, callback, suppressMessage);
}

bool TCustomJsDialogHandler::on_before_unload_dialog(const TRef<ICefBrowser>& browser,
                                                     const ustring& messageText, bool isReload,
                                                     const TRef<ICefJsDialogCallback>& callback) {
  return Forward(&E::DispatchBeforeUnloadDialog, browser, messageText, isReload, callback);
}

void TCustomJsDialogHandler::on_reset_dialog_state(const TRef<ICefBrowser>& browser) {
  Forward(&E::DispatchResetDialogState, browser);
}

// ---- Life span ------------------------------------------------------------------------------

bool TCustomLifeSpanHandler::on_before_popup(const TRef<ICefBrowser>& parentBrowser,
                                             const TCefPopupFeatures* popupFeatures,
                                             TCefWindowInfo* windowInfo, ustring& url,
                                             TRef<ICefClient>& client,
                                             TCefBrowserSettings* settings) {
  return Forward(&E::DispatchBeforePopup, parentBrowser, popupFeatures, windowInfo, url, client,
                 settings);
}

void TCustomLifeSpanHandler::on_after_created(const TRef<ICefBrowser>& browser) {
  Forward(&E::DispatchAfterCreated, browser);
}

void TCustomLifeSpanHandler::on_before_close(const TRef<ICefBrowser>& browser) {
  Forward(&E::DispatchBeforeClose, browser);
}

bool TCustomLifeSpanHandler::run_modal(const TRef<ICefBrowser>& browser) {
  return Forward(&E::DispatchRunModal, browser);
}

bool TCustomLifeSpanHandler::do_close(const TRef<ICefBrowser>& browser) {
  return Forward(&E::DispatchClose, browser);
}

// ---- Requests -------------------------------------------------------------------------------

bool TCustomRequestHandler::on_before_resource_load(const TRef<ICefBrowser>& browser,
                                                    const TRef<ICefFrame>& frame,
                                                    const TRef<ICefRequest>& request) {
  return Forward(&E::DispatchBeforeResourceLoad, browser, frame, request);
}

void TCustomRequestHandler::get_resource_handler(const TRef<ICefBrowser>& browser,
                                                 const TRef<ICefFrame>& frame,
                                                 const TRef<ICefRequest>& request,
                                                 TRef<ICefResourceHandler>& handler) {
  handler = Forward(&E::DispatchGetResourceHandler, browser, frame, request);
}

void TCustomRequestHandler::on_resource_redirect(const TRef<ICefBrowser>& browser,
                                                 const TRef<ICefFrame>& frame,
                                                 const ustring& oldUrl, ustring& newUrl) {
  Forward(&E::DispatchResourceRedirect, browser, frame, oldUrl, newUrl);
}

bool TCustomRequestHandler::get_auth_credentials(const TRef<ICefBrowser>& browser,
                                                 const TRef<ICefFrame>& frame, bool isProxy,
                                                 const ustring& host, int32_t port,
                                                 const ustring& realm, const ustring& scheme,
                                                 const TRef<ICefAuthCallback>& callback) {
  return Forward(&E::DispatchGetAuthCredentials, browser, frame, isProxy, host, port, realm, scheme,
                 callback);
}

bool TCustomRequestHandler::on_quota_request(const TRef<ICefBrowser>& browser,
                                             const ustring& originUrl, int64_t newSize,
                                             const TRef<ICefQuotaCallback>& callback) {
  return Forward(&E::DispatchQuotaRequest, browser, originUrl, newSize, callback);
}

void TCustomRequestHandler::get_cookie_manager(const TRef<ICefBrowser>& browser,
                                               const ustring& mainUrl,
                                               TRef<ICefCookieManager>& manager) {
  manager = Forward(&E::DispatchGetCookieManager, browser, mainUrl);
}

void TCustomRequestHandler::on_protocol_execution(const TRef<ICefBrowser>& browser,
                                                  const ustring& url, bool& allowOsExecution) {
  Forward(&E::DispatchProtocolExecution, browser, url, allowOsExecution);
}

bool TCustomRequestHandler::on_before_plugin_load(const TRef<ICefBrowser>& browser,
                                                  const ustring& url, const ustring& policyUrl,
                                                  const TRef<ICefWebPluginInfo>& info) {
  return Forward(&E::DispatchBeforePluginLoad, browser, url, policyUrl, info);
}
