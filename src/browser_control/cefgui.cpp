#include "cefgui.h"

#include <atomic>

// ---- TCustomClientHandler -------------------------------------------------------------------

TCustomClientHandler::TCustomClientHandler(IChromiumEvents* events)
    : FEvents(events),
      FLoadHandler(new TCustomLoadHandler(events)),
      FFocusHandler(new TCustomFocusHandler(events)),
      FContextMenuHandler(new TCustomContextMenuHandler(events)),
      FKeyboardHandler(new TCustomKeyboardHandler(events)),
      FDisplayHandler(new TCustomDisplayHandler(events)),
      FDownloadHandler(new TCustomDownloadHandler(events)),
      FGeolocationHandler(new TCustomGeolocationHandler(events)),
      FJsDialogHandler(new TCustomJsDialogHandler(events)),
      FLifeSpanHandler(new TCustomLifeSpanHandler(events)),
      FRequestHandler(new TCustomRequestHandler(events)) {}

void TCustomClientHandler::get_context_menu_handler(TRef<ICefContextMenuHandler>& handler) {
  handler = FContextMenuHandler;
}

void TCustomClientHandler::get_display_handler(TRef<ICefDisplayHandler>& handler) {
  handler = FDisplayHandler;
}

void TCustomClientHandler::get_download_handler(TRef<ICefDownloadHandler>& handler) {
  handler = FDownloadHandler;
}

void TCustomClientHandler::get_focus_handler(TRef<ICefFocusHandler>& handler) {
  handler = FFocusHandler;
}

void TCustomClientHandler::get_geolocation_handler(TRef<ICefGeolocationHandler>& handler) {
  handler = FGeolocationHandler;
}

void TCustomClientHandler::get_jsdialog_handler(TRef<ICefJsDialogHandler>& handler) {
  handler = FJsDialogHandler;
}

void TCustomClientHandler::get_keyboard_handler(TRef<ICefKeyboardHandler>& handler) {
  handler = FKeyboardHandler;
}

void TCustomClientHandler::get_life_span_handler(TRef<ICefLifeSpanHandler>& handler) {
  handler = FLifeSpanHandler;
}

void TCustomClientHandler::get_load_handler(TRef<ICefLoadHandler>& handler) {
  handler = FLoadHandler;
}

void TCustomClientHandler::get_request_handler(TRef<ICefRequestHandler>& handler) {
  handler = FRequestHandler;
}

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

template <class... THandlers>
void DisconnectHandlers(TRef<THandlers>&... handlers) {
  (DisconnectHandler(handlers), ...);
}

}  // namespace

void TCustomClientHandler::Disconnect() {
  FEvents = nullptr;
  DisconnectHandlers(FLoadHandler, FFocusHandler, FContextMenuHandler, FKeyboardHandler,
                     FDisplayHandler, FDownloadHandler, FGeolocationHandler, FJsDialogHandler,
                     FLifeSpanHandler, FRequestHandler);
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
