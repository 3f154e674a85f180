#pragma once

#include "ceflib_bridge.h"
#include "ceflib_types.h"

// Handlers of requests, script dialogs, context menus, downloads and geolocation, as the
// runtime sees them. Each Own class answers the defaults: nothing done, false, no object, out
// and in-out arguments left as received.

// Program-side event flags: the low 16 bits of the runtime's flags, bit i for the i-th
// TCefEventFlag.
using TCefEventFlagSet = uint16_t;

// A handler that would serve a request's content; the program provides none.
class ICefResourceHandler : public virtual ICefBase {};

class ICefRequestHandler : public virtual ICefBase {
 public:
  virtual bool on_before_resource_load(const TRef<ICefBrowser>& browser,
                                       const TRef<ICefFrame>& frame,
                                       const TRef<ICefRequest>& request) = 0;
  virtual void get_resource_handler(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                    const TRef<ICefRequest>& request,
                                    TRef<ICefResourceHandler>& handler) = 0;
  // newUrl is in-out; left empty, the runtime keeps its own.
  virtual void on_resource_redirect(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                    const ustring& oldUrl, ustring& newUrl) = 0;
  virtual bool get_auth_credentials(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                    bool isProxy, const ustring& host, int32_t port,
                                    const ustring& realm, const ustring& scheme,
                                    const TRef<ICefAuthCallback>& callback) = 0;
  virtual bool on_quota_request(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                                int64_t newSize, const TRef<ICefQuotaCallback>& callback) = 0;
  virtual void get_cookie_manager(const TRef<ICefBrowser>& browser, const ustring& mainUrl,
                                  TRef<ICefCookieManager>& manager) = 0;
  virtual void on_protocol_execution(const TRef<ICefBrowser>& browser, const ustring& url,
                                     bool& allowOsExecution) = 0;
  virtual bool on_before_plugin_load(const TRef<ICefBrowser>& browser, const ustring& url,
                                     const ustring& policyUrl,
                                     const TRef<ICefWebPluginInfo>& info) = 0;
};

class TCefRequestHandlerOwn : public TCefBaseOwn, public ICefRequestHandler {
 public:
  TCefRequestHandlerOwn();

  bool on_before_resource_load(const TRef<ICefBrowser>&, const TRef<ICefFrame>&,
                               const TRef<ICefRequest>&) override {
    return false;
  }
  void get_resource_handler(const TRef<ICefBrowser>&, const TRef<ICefFrame>&,
                            const TRef<ICefRequest>&, TRef<ICefResourceHandler>&) override {}
  void on_resource_redirect(const TRef<ICefBrowser>&, const TRef<ICefFrame>&, const ustring&,
                            ustring&) override {}
  bool get_auth_credentials(const TRef<ICefBrowser>&, const TRef<ICefFrame>&, bool, const ustring&,
                            int32_t, const ustring&, const ustring&,
                            const TRef<ICefAuthCallback>&) override {
    return false;
  }
  bool on_quota_request(const TRef<ICefBrowser>&, const ustring&, int64_t,
                        const TRef<ICefQuotaCallback>&) override {
    return false;
  }
  void get_cookie_manager(const TRef<ICefBrowser>&, const ustring&,
                          TRef<ICefCookieManager>&) override {}
  void on_protocol_execution(const TRef<ICefBrowser>&, const ustring&, bool&) override {}
  bool on_before_plugin_load(const TRef<ICefBrowser>&, const ustring&, const ustring&,
                             const TRef<ICefWebPluginInfo>&) override {
    return false;
  }
};

class ICefJsDialogHandler : public virtual ICefBase {
 public:
  virtual bool on_jsdialog(const TRef<ICefBrowser>& browser, const ustring& originUrl,
                           const ustring& acceptLang, TCefJsDialogType dialogType,
                           const ustring& messageText, const ustring& defaultPromptText,
                           const TRef<ICefJsDialogCallback>& callback, bool& suppressMessage) = 0;
  virtual bool on_before_unload_dialog(const TRef<ICefBrowser>& browser, const ustring& messageText,
                                       bool isReload,
                                       const TRef<ICefJsDialogCallback>& callback) = 0;
  virtual void on_reset_dialog_state(const TRef<ICefBrowser>& browser) = 0;
};

class TCefJsDialogHandlerOwn : public TCefBaseOwn, public ICefJsDialogHandler {
 public:
  TCefJsDialogHandlerOwn();

  bool on_jsdialog(const TRef<ICefBrowser>&, const ustring&, const ustring&, TCefJsDialogType,
                   const ustring&, const ustring&, const TRef<ICefJsDialogCallback>&,
                   bool&) override {
    return false;
  }
  bool on_before_unload_dialog(const TRef<ICefBrowser>&, const ustring&, bool,
                               const TRef<ICefJsDialogCallback>&) override {
    return false;
  }
  void on_reset_dialog_state(const TRef<ICefBrowser>&) override {}
};

class ICefContextMenuHandler : public virtual ICefBase {
 public:
  virtual void on_before_context_menu(const TRef<ICefBrowser>& browser,
                                      const TRef<ICefFrame>& frame,
                                      const TRef<ICefContextMenuParams>& params,
                                      const TRef<ICefMenuModel>& model) = 0;
  virtual bool on_context_menu_command(const TRef<ICefBrowser>& browser,
                                       const TRef<ICefFrame>& frame,
                                       const TRef<ICefContextMenuParams>& params, int32_t commandId,
                                       TCefEventFlagSet eventFlags) = 0;
  virtual void on_context_menu_dismissed(const TRef<ICefBrowser>& browser,
                                         const TRef<ICefFrame>& frame) = 0;
};

class TCefContextMenuHandlerOwn : public TCefBaseOwn, public ICefContextMenuHandler {
 public:
  TCefContextMenuHandlerOwn();

  void on_before_context_menu(const TRef<ICefBrowser>&, const TRef<ICefFrame>&,
                              const TRef<ICefContextMenuParams>&,
                              const TRef<ICefMenuModel>&) override {}
  bool on_context_menu_command(const TRef<ICefBrowser>&, const TRef<ICefFrame>&,
                               const TRef<ICefContextMenuParams>&, int32_t,
                               TCefEventFlagSet) override {
    return false;
  }
  void on_context_menu_dismissed(const TRef<ICefBrowser>&, const TRef<ICefFrame>&) override {}
};

class ICefDownloadHandler : public virtual ICefBase {
 public:
  virtual void on_before_download(const TRef<ICefBrowser>& browser,
                                  const TRef<ICefDownloadItem>& downloadItem,
                                  const ustring& suggestedName,
                                  const TRef<ICefBeforeDownloadCallback>& callback) = 0;
  virtual void on_download_updated(const TRef<ICefBrowser>& browser,
                                   const TRef<ICefDownloadItem>& downloadItem,
                                   const TRef<ICefDownloadItemCallback>& callback) = 0;
};

class TCefDownloadHandlerOwn : public TCefBaseOwn, public ICefDownloadHandler {
 public:
  TCefDownloadHandlerOwn();

  void on_before_download(const TRef<ICefBrowser>&, const TRef<ICefDownloadItem>&, const ustring&,
                          const TRef<ICefBeforeDownloadCallback>&) override {}
  void on_download_updated(const TRef<ICefBrowser>&, const TRef<ICefDownloadItem>&,
                           const TRef<ICefDownloadItemCallback>&) override {}
};

class ICefGeolocationHandler : public virtual ICefBase {
 public:
  virtual void on_request_geolocation_permission(const TRef<ICefBrowser>& browser,
                                                 const ustring& requestingUrl, int32_t requestId,
                                                 const TRef<ICefGeolocationCallback>& callback) = 0;
  virtual void on_cancel_geolocation_permission(const TRef<ICefBrowser>& browser,
                                                const ustring& requestingUrl,
                                                int32_t requestId) = 0;
};

class TCefGeolocationHandlerOwn : public TCefBaseOwn, public ICefGeolocationHandler {
 public:
  TCefGeolocationHandlerOwn();

  void on_request_geolocation_permission(const TRef<ICefBrowser>&, const ustring&, int32_t,
                                         const TRef<ICefGeolocationCallback>&) override {}
  void on_cancel_geolocation_permission(const TRef<ICefBrowser>&, const ustring&,
                                        int32_t) override {}
};
