#pragma once

#include "ceflib_bridge.h"
#include "ceflib_types.h"

// Handlers of a browser's life span, loading, display, focus and keyboard, as the runtime sees
// them. Each Own class answers the defaults: nothing done, false, no object, out and in-out
// arguments left as received.

class ICefLifeSpanHandler : public virtual ICefBase {
 public:
  // url and client are in-out: what the operation leaves is what the runtime gets.
  virtual bool on_before_popup(const TRef<ICefBrowser>& parentBrowser,
                               const TCefPopupFeatures* popupFeatures, TCefWindowInfo* windowInfo,
                               ustring& url, TRef<ICefClient>& client,
                               TCefBrowserSettings* settings) = 0;
  virtual void on_after_created(const TRef<ICefBrowser>& browser) = 0;
  virtual void on_before_close(const TRef<ICefBrowser>& browser) = 0;
  virtual bool run_modal(const TRef<ICefBrowser>& browser) = 0;
  virtual bool do_close(const TRef<ICefBrowser>& browser) = 0;
};

class TCefLifeSpanHandlerOwn : public TCefBaseOwn, public ICefLifeSpanHandler {
 public:
  TCefLifeSpanHandlerOwn();

  bool on_before_popup(const TRef<ICefBrowser>&, const TCefPopupFeatures*, TCefWindowInfo*,
                       ustring&, TRef<ICefClient>&, TCefBrowserSettings*) override {
    return false;
  }
  void on_after_created(const TRef<ICefBrowser>&) override {}
  void on_before_close(const TRef<ICefBrowser>&) override {}
  bool run_modal(const TRef<ICefBrowser>&) override { return false; }
  bool do_close(const TRef<ICefBrowser>&) override { return false; }
};

class ICefLoadHandler : public virtual ICefBase {
 public:
  virtual void on_load_start(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame) = 0;
  virtual void on_load_end(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                           int32_t httpStatusCode) = 0;
  virtual void on_load_error(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                             int32_t errorCode, const ustring& errorText,
                             const ustring& failedUrl) = 0;
  virtual void on_render_process_terminated(const TRef<ICefBrowser>& browser,
                                            TCefTerminationStatus status) = 0;
  virtual void on_plugin_crashed(const TRef<ICefBrowser>& browser, const ustring& pluginPath) = 0;
};

class TCefLoadHandlerOwn : public TCefBaseOwn, public ICefLoadHandler {
 public:
  TCefLoadHandlerOwn();

  void on_load_start(const TRef<ICefBrowser>&, const TRef<ICefFrame>&) override {}
  void on_load_end(const TRef<ICefBrowser>&, const TRef<ICefFrame>&, int32_t) override {}
  void on_load_error(const TRef<ICefBrowser>&, const TRef<ICefFrame>&, int32_t, const ustring&,
                     const ustring&) override {}
  void on_render_process_terminated(const TRef<ICefBrowser>&, TCefTerminationStatus) override {}
  void on_plugin_crashed(const TRef<ICefBrowser>&, const ustring&) override {}
};

class ICefDisplayHandler : public virtual ICefBase {
 public:
  virtual void on_loading_state_change(const TRef<ICefBrowser>& browser, bool isLoading,
                                       bool canGoBack, bool canGoForward) = 0;
  virtual void on_address_change(const TRef<ICefBrowser>& browser, const TRef<ICefFrame>& frame,
                                 const ustring& url) = 0;
  virtual void on_title_change(const TRef<ICefBrowser>& browser, const ustring& title) = 0;
  // text is in-out.
  virtual bool on_tooltip(const TRef<ICefBrowser>& browser, ustring& text) = 0;
  virtual void on_status_message(const TRef<ICefBrowser>& browser, const ustring& value) = 0;
  virtual bool on_console_message(const TRef<ICefBrowser>& browser, const ustring& message,
                                  const ustring& source, int32_t line) = 0;
};

class TCefDisplayHandlerOwn : public TCefBaseOwn, public ICefDisplayHandler {
 public:
  TCefDisplayHandlerOwn();

  void on_loading_state_change(const TRef<ICefBrowser>&, bool, bool, bool) override {}
  void on_address_change(const TRef<ICefBrowser>&, const TRef<ICefFrame>&,
                         const ustring&) override {}
  void on_title_change(const TRef<ICefBrowser>&, const ustring&) override {}
  bool on_tooltip(const TRef<ICefBrowser>&, ustring&) override { return false; }
  void on_status_message(const TRef<ICefBrowser>&, const ustring&) override {}
  bool on_console_message(const TRef<ICefBrowser>&, const ustring&, const ustring&,
                          int32_t) override {
    return false;
  }
};

class ICefFocusHandler : public virtual ICefBase {
 public:
  virtual void on_take_focus(const TRef<ICefBrowser>& browser, bool next) = 0;
  virtual bool on_set_focus(const TRef<ICefBrowser>& browser, TCefFocusSource source) = 0;
  virtual void on_got_focus(const TRef<ICefBrowser>& browser) = 0;
};

class TCefFocusHandlerOwn : public TCefBaseOwn, public ICefFocusHandler {
 public:
  TCefFocusHandlerOwn();

  void on_take_focus(const TRef<ICefBrowser>&, bool) override {}
  bool on_set_focus(const TRef<ICefBrowser>&, TCefFocusSource) override { return false; }
  void on_got_focus(const TRef<ICefBrowser>&) override {}
};

class ICefKeyboardHandler : public virtual ICefBase {
 public:
  virtual bool on_pre_key_event(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                                cef_event_handle_t osEvent, bool& isKeyboardShortcut) = 0;
  virtual bool on_key_event(const TRef<ICefBrowser>& browser, const TCefKeyEvent* event,
                            cef_event_handle_t osEvent) = 0;
};

class TCefKeyboardHandlerOwn : public TCefBaseOwn, public ICefKeyboardHandler {
 public:
  TCefKeyboardHandlerOwn();

  bool on_pre_key_event(const TRef<ICefBrowser>&, const TCefKeyEvent*, cef_event_handle_t,
                        bool&) override {
    return false;
  }
  bool on_key_event(const TRef<ICefBrowser>&, const TCefKeyEvent*, cef_event_handle_t) override {
    return false;
  }
};
