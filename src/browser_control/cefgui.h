#pragma once

#include "Timers.h"
#include "cefgui_events.h"
#include "cefgui_handlers.h"

// A client handler's connection to its control, cut when the control goes.
class ICefClientHandler {
 public:
  // Drops the control's events and the handler objects; the runtime gets no handler afterwards.
  virtual void Disconnect() = 0;

 protected:
  ~ICefClientHandler() = default;
};

// The client of one control's browser: hands the runtime one handler object per kind of
// notification, each forwarding to the control.
class TCustomClientHandler : public TCefClientOwn, public ICefClientHandler {
 public:
  explicit TCustomClientHandler(IChromiumEvents* events);

  void get_context_menu_handler(TRef<ICefContextMenuHandler>& handler) override;
  void get_display_handler(TRef<ICefDisplayHandler>& handler) override;
  void get_download_handler(TRef<ICefDownloadHandler>& handler) override;
  void get_focus_handler(TRef<ICefFocusHandler>& handler) override;
  void get_geolocation_handler(TRef<ICefGeolocationHandler>& handler) override;
  void get_jsdialog_handler(TRef<ICefJsDialogHandler>& handler) override;
  void get_keyboard_handler(TRef<ICefKeyboardHandler>& handler) override;
  void get_life_span_handler(TRef<ICefLifeSpanHandler>& handler) override;
  void get_load_handler(TRef<ICefLoadHandler>& handler) override;
  void get_request_handler(TRef<ICefRequestHandler>& handler) override;
  // Not handled (false) once disconnected.
  bool on_process_message_received(const TRef<ICefBrowser>& browser, TCefProcessId sourceProcess,
                                   const TRef<ICefProcessMessage>& message) override;

  void Disconnect() override;

 private:
  IChromiumEvents* FEvents;
  TRef<TCustomLoadHandler> FLoadHandler;
  TRef<TCustomFocusHandler> FFocusHandler;
  TRef<TCustomContextMenuHandler> FContextMenuHandler;
  TRef<TCustomKeyboardHandler> FKeyboardHandler;
  TRef<TCustomDisplayHandler> FDisplayHandler;
  TRef<TCustomDownloadHandler> FDownloadHandler;
  TRef<TCustomGeolocationHandler> FGeolocationHandler;
  TRef<TCustomJsDialogHandler> FJsDialogHandler;
  TRef<TCustomLifeSpanHandler> FLifeSpanHandler;
  TRef<TCustomRequestHandler> FRequestHandler;
};

// The client handler of the browser control. The runtime has no message-loop thread of its
// own, so while any of these exists one shared 10 ms timer on the main loop asks it to do its
// pending work.
class TVCLClientHandler : public TCustomClientHandler {
 public:
  explicit TVCLClientHandler(IChromiumEvents* events);

 protected:
  ~TVCLClientHandler() override;
};

// The pump timer's routine: one unit of runtime work, unless a work call is already running
// further up the stack (the work ran a nested loop) or no client handler exists.
void PumpRuntimeMessageLoop();

// The number of live TVCLClientHandler objects, and the pump timer (0 while none runs).
int ClientHandlerCount();
TTimerId RuntimePumpTimer();
