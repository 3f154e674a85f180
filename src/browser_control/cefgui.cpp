#include "cefgui.h"

#include <atomic>

// ---- TCustomClientHandler -------------------------------------------------------------------

// One handler object per row of CORVANE_RUNTIME_HANDLERS, all linked to the control.
#define CORVANE_MAKE_HANDLER(Kind, getter, EVENTS) , F##Kind(new TCustom##Kind(events))

TCustomClientHandler::TCustomClientHandler(IChromiumEvents* events)
    : FEvents(events) CORVANE_RUNTIME_HANDLERS(CORVANE_MAKE_HANDLER) {}

bool TCustomClientHandler::on_process_message_received(const TRef<ICefBrowser>& browser,
                                                       TCefProcessId sourceProcess,
                                                       const TRef<ICefProcessMessage>& message) {
  return FEvents && FEvents->DispatchProcessMessageReceived(browser, sourceProcess, message);
}

namespace {

// Cuts the handler's link to the control before letting it go: the runtime may still hold it.
template <class THandler>
void DisconnectHandler(TRef<THandler>& handler) {
  if (handler) handler->DisconnectEvents();
  handler.reset();
}

}  // namespace

#define CORVANE_DISCONNECT_HANDLER(Kind, getter, EVENTS) DisconnectHandler(F##Kind);

void TCustomClientHandler::Disconnect() {
  FEvents = nullptr;
  CORVANE_RUNTIME_HANDLERS(CORVANE_DISCONNECT_HANDLER)
}

// ---- TVCLClientHandler and the pump ---------------------------------------------------------

namespace {

constexpr unsigned kPumpPeriodMs = 10;

// Shared by all client handlers; the count changes atomically, the timer and flag only on
// the main thread.
std::atomic<int> HandlerCount{0};
TTimerId PumpTimer = 0;
bool Pumping = false;

}  // namespace

TVCLClientHandler::TVCLClientHandler(IChromiumEvents* events) : TCustomClientHandler(events) {
  if (HandlerCount.load() == 0) PumpTimer = SetTimer(kPumpPeriodMs, PumpRuntimeMessageLoop);
  ++HandlerCount;
}

TVCLClientHandler::~TVCLClientHandler() {
  if (--HandlerCount == 0) {
    KillTimer(PumpTimer);
    PumpTimer = 0;
  }
}

void PumpRuntimeMessageLoop() {
  if (Pumping || HandlerCount.load() <= 0) return;
  Pumping = true;
  // Cleared on the way out also when the work raises; the error goes on to the message loop.
  struct TClearPumping {
    ~TClearPumping() { Pumping = false; }
  } clearPumping;
  DoRuntimeMessageLoopWork();
}

int ClientHandlerCount() {
  return HandlerCount.load();
}

TTimerId RuntimePumpTimer() {
  return PumpTimer;
}
