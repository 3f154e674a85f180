#pragma once

#include <utility>

#include "cefgui_events.h"

// The link of a handler object to its control's events. The runtime may keep a handler object
// after the control is gone, so the client cuts every link when it is disconnected; a cut link
// answers every call with the default.
class TChromiumEventsLink {
 public:
  explicit TChromiumEventsLink(IChromiumEvents* events) : FEvent(events) {}
  void DisconnectEvents() { FEvent = nullptr; }

 protected:
  template <class TMethod, class... TArgs>
  auto Forward(TMethod method, TArgs&&... args) {
    using TResult = decltype((FEvent->*method)(std::forward<TArgs>(args)...));
    if (!FEvent) return TResult();
    return (FEvent->*method)(std::forward<TArgs>(args)...);
  }

 private:
  IChromiumEvents* FEvent;
};

class TCustomLoadHandler : public TCefLoadHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  void on_load_start(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame) override;
  void on_load_end(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                   int32_t httpStatusCode) override;
  void on_load_error(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                     int32_t errorCode, const ustring& errorText,
                     const ustring& failedUrl) override;
  void on_render_process_terminated(const TRef<ICefBrowser>& browser,
                                    TCefTerminationStatus status) override;
  void on_plugin_crashed(const TRef<ICefBrowser>& browser, const ustring& pluginPath) override;
};

class TCustomFocusHandler : public TCefFocusHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  void on_take_focus(const TRef<ICefBrowser>& browser, bool next) override;
  bool on_set_focus(const TRef<ICefBrowser>& browser, TCefFocusSource source) override;
  void on_got_focus(const TRef<ICefBrowser>& browser) override;
};

class TCustomContextMenuHandler : public TCefContextMenuHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  void on_before_context_menu(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                              const TRef<ICefContextMenuParams>& params,
                              const TRef<ICefMenuModel>& model) override;
  bool on_context_menu_command(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                               const TRef<ICefContextMenuParams>& params, int32_t commandId,
                               TCefEventFlagSet eventFlags) override;
  void on_context_menu_dismissed(const TRef<ICefBrowser>& browser,
                                 const TRef<ICefFrame>& frame) override;
};

class TCustomKeyboardHandler : public TCefKeyboardHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  bool on_pre_key_event(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                        cef_event_handle_t osEvent, bool& isKeyboardShortcut) override;
  bool on_key_event(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                    cef_event_handle_t osEvent) override;
};

class TCustomDisplayHandler : public TCefDisplayHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  void on_loading_state_change(const TRef<ICefBrowser>& browser, bool isLoading, bool canGoBack,
                               bool canGoForward) override;
  void on_address_change(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                         const ustring& url) override;
  void on_title_change(const TRef<ICefBrowser>& browser, const ustring& title) override;
  bool on_tooltip(const TRef<ICefBrowser>& browser, ustring& text) override;
  void on_status_message(const TRef<ICefBrowser>& browser, const ustring& value) override;
  bool on_console_message(const TRef<ICefBrowser>& browser, const ustring& message,
                          const ustring& source, int32_t line) override;
};

class TCustomDownloadHandler : public TCefDownloadHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  void on_before_download(const TRef<ICefBrowser>& browser,
                          const TRef<ICefDownloadItem>& downloadItem, const ustring& suggestedName,
                          const TRef<ICefBeforeDownloadCallback>& callback) override;
  void on_download_updated(const TRef<ICefBrowser>& browser,
                           const TRef<ICefDownloadItem>& downloadItem,
                           const TRef<ICefDownloadItemCallback>& callback) override;
};

class TCustomGeolocationHandler : public TCefGeolocationHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  void on_request_geolocation_permission(const TRef<ICefBrowser>& browser,
                                         const ustring& requestingUrl, int32_t requestId,
                                         const TRef<ICefGeolocationCallback>& callback) override;
  void on_cancel_geolocation_permission(const TRef<ICefBrowser>& browser,
                                        const ustring& requestingUrl, int32_t requestId) override;
};

class TCustomJsDialogHandler : public TCefJsDialogHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  bool on_jsdialog(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                   const ustring& acceptLang, TCefJsDialogType dialogType,
                   const ustring& messageText, const ustring& defaultPromptText,
                   const TRef<ICefJsDialogCallback>& callback, bool& suppressMessage) override;
  bool on_before_unload_dialog(const TRef<ICefBrowser>& browser, const ustring& messageText,
                               bool isReload, const TRef<ICefJsDialogCallback>& callback) override;
  void on_reset_dialog_state(const TRef<ICefBrowser>& browser) override;
};

class TCustomLifeSpanHandler : public TCefLifeSpanHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  bool on_before_popup(const TRef<ICefBrowser>& parentBrowser,
                       const TCefPopupFeatures* popupFeatures, TCefWindowInfo* windowInfo,
                       ustring& url, TRef<ICefClient>& client,
                       TCefBrowserSettings* settings) override;
  void on_after_created(const TRef<ICefBrowser>& browser) override;
  void on_before_close(const TRef<ICefBrowser>& browser) override;
  bool run_modal(const TRef<ICefBrowser>& browser) override;
  bool do_close(const TRef<ICefBrowser>& browser) override;
};

class TCustomRequestHandler : public TCefRequestHandlerOwn, public TChromiumEventsLink {
 public:
  using TChromiumEventsLink::TChromiumEventsLink;

  bool on_before_resource_load(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                               const TRef<ICefRequest>& request) override;
  void get_resource_handler(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                            const TRef<ICefRequest>& request,
                            TRef<ICefResourceHandler>& handler) override;
  void on_resource_redirect(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                            const ustring& oldUrl, ustring& newUrl) override;
  bool get_auth_credentials(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                            bool isProxy, const ustring& host, int32_t port, const ustring& realm,
                            const ustring& scheme, const TRef<ICefAuthCallback>& callback) override;
  bool on_quota_request(const TRef<ICefBrowser>& browser, const ustring& originUrl, int64_t newSize,
                        const TRef<ICefQuotaCallback>& callback) override;
  void get_cookie_manager(const TRef<ICefBrowser>& browser, const ustring& mainUrl,
                          TRef<ICefCookieManager>& manager) override;
  void on_protocol_execution(const TRef<ICefBrowser>& browser, const ustring& url,
                             bool& allowOsExecution) override;
  bool on_before_plugin_load(const TRef<ICefBrowser>& browser, const ustring& url,
                             const ustring& policyUrl,
                             const TRef<ICefWebPluginInfo>& info) override;
};
