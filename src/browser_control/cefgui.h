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

// A getter and a field per row of CORVANE_RUNTIME_HANDLERS.
#define CORVANE_DECLARE_HANDLER_GETTER(Kind, getter, EVENTS) \
  void getter(TRef<ICef##Kind>& handler) override {          \
    handler = F##Kind;                                       \
  }
#define CORVANE_DECLARE_HANDLER_FIELD(Kind, getter, EVENTS) TRef<TCustom##Kind> F##Kind;

// The client of one control's browser: hands the runtime one handler object per kind of
// notification, each forwarding to the control.
class TCustomClientHandler : public TCefClientOwn, public ICefClientHandler {
 public:
  explicit TCustomClientHandler(IChromiumEvents* events);

  CORVANE_RUNTIME_HANDLERS(CORVANE_DECLARE_HANDLER_GETTER)
  // Not handled (false) once disconnected.
  bool on_process_message_received(const TRef<ICefBrowser>& browser, TCefProcessId sourceProcess,
                                   const TRef<ICefProcessMessage>& message) override;

  void Disconnect() override;

 private:
  IChromiumEvents* FEvents;
  CORVANE_RUNTIME_HANDLERS(CORVANE_DECLARE_HANDLER_FIELD)
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
