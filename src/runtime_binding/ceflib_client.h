#pragma once

#include "ceflib_bridge.h"
#include "ceflib_types.h"

class ICefContextMenuHandler;
class ICefDisplayHandler;
class ICefDownloadHandler;
class ICefFocusHandler;
class ICefGeolocationHandler;
class ICefJsDialogHandler;
class ICefKeyboardHandler;
class ICefLifeSpanHandler;
class ICefLoadHandler;
class ICefRequestHandler;

// The program's client of a browser: the runtime asks it for the handler of each kind of
// event. Each getter leaves its answer in handler, which it receives empty.
class ICefClient : public virtual ICefBase {
 public:
  virtual void get_context_menu_handler(TRef<ICefContextMenuHandler>& handler) = 0;
  virtual void get_display_handler(TRef<ICefDisplayHandler>& handler) = 0;
  virtual void get_download_handler(TRef<ICefDownloadHandler>& handler) = 0;
  virtual void get_focus_handler(TRef<ICefFocusHandler>& handler) = 0;
  virtual void get_geolocation_handler(TRef<ICefGeolocationHandler>& handler) = 0;
  virtual void get_jsdialog_handler(TRef<ICefJsDialogHandler>& handler) = 0;
  virtual void get_keyboard_handler(TRef<ICefKeyboardHandler>& handler) = 0;
  virtual void get_life_span_handler(TRef<ICefLifeSpanHandler>& handler) = 0;
  virtual void get_load_handler(TRef<ICefLoadHandler>& handler) = 0;
  virtual void get_request_handler(TRef<ICefRequestHandler>& handler) = 0;
  virtual bool on_process_message_received(const TRef<ICefBrowser>& browser,
                                           TCefProcessId sourceProcess,
                                           const TRef<ICefProcessMessage>& message) = 0;
};

// Exposes a client to the runtime; answers no handler and no interest in messages until a
// subclass says otherwise.
class TCefClientOwn : public TCefBaseOwn, public ICefClient {
 public:
  TCefClientOwn();

  void get_context_menu_handler(TRef<ICefContextMenuHandler>&) override {}
  void get_display_handler(TRef<ICefDisplayHandler>&) override {}
  void get_download_handler(TRef<ICefDownloadHandler>&) override {}
  void get_focus_handler(TRef<ICefFocusHandler>&) override {}
  void get_geolocation_handler(TRef<ICefGeolocationHandler>&) override {}
  void get_jsdialog_handler(TRef<ICefJsDialogHandler>&) override {}
  void get_keyboard_handler(TRef<ICefKeyboardHandler>&) override {}
  void get_life_span_handler(TRef<ICefLifeSpanHandler>&) override {}
  void get_load_handler(TRef<ICefLoadHandler>&) override {}
  void get_request_handler(TRef<ICefRequestHandler>&) override {}
  bool on_process_message_received(const TRef<ICefBrowser>&, TCefProcessId,
                                   const TRef<ICefProcessMessage>&) override {
    return false;
  }
};

// The program's client behind a client structure the runtime hands back; null for none and
// for a structure the program did not expose.
TRef<ICefClient> ProgramClientOf(TCefClient* data);
