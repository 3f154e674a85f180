#include "Application.h"

#include <gtk/gtk.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "ApplicationEvents.h"
#include "ErrorDisplay.h"
#include "SysUtils.h"

TApplication* Application = nullptr;

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

void TApplication::Initialize() {
  if (!gtk_init_check(nullptr, nullptr)) {
    const char* display = std::getenv("DISPLAY");
    throw Exception(Format("Cannot open display \"%s\"", display ? display : ""));
  }
}

int TApplication::Run() {
  if (!FMainForm || FTerminated) return FExitCode;
  FMainForm->Show();
  if (FTerminated) return FExitCode;  // the show handler may already have closed it
  FLoop = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(FLoop);
  g_main_loop_unref(std::exchange(FLoop, nullptr));
  return FExitCode;
}

void TApplication::Terminate() {
  FTerminated = true;
  if (FLoop) g_main_loop_quit(FLoop);
}

void TApplication::FormDestroying(TForm* form) {
  if (form == FMainForm) FMainForm = nullptr;
}

void TApplication::HandleException(TObject* Sender, const std::exception& E) {
  if (dynamic_cast<const EAbort*>(&E)) return;  // silent by definition
  if (!CallExceptionHandlers(Sender, E)) ShowException(E);
}

bool TApplication::CallExceptionHandlers(TObject* Sender, const std::exception& E) {
  bool handled = false;
  if (OnException) {
    OnException(Sender, E);
    handled = true;
  }
  for (TApplicationEvents* events : std::vector<TApplicationEvents*>(FApplicationEvents)) {
    if (events->OnException) {
      events->OnException(Sender, E);
      handled = true;
    }
  }
  return handled;
}

void TApplication::ShowException(const std::exception& E) {
  GtkWindow* parent =
      FMainForm && FMainForm->HandleAllocated() ? GTK_WINDOW(FMainForm->Handle()) : nullptr;
  ShowErrorBox(E, parent);
}

void TApplication::AddApplicationEvents(TApplicationEvents* events) {
  FApplicationEvents.push_back(events);
}

void TApplication::RemoveApplicationEvents(TApplicationEvents* events) {
  std::erase(FApplicationEvents, events);
}

namespace {

// The one place an exception stopped at a boundary with C code goes, besides the exception
// notifiers that saw it raised: the application's exception event.
void DeliverToApplication(TObject* Sender) noexcept {
  try {
    try {
      throw;
    } catch (const std::exception& e) {
      Application->HandleException(Sender, e);
    } catch (...) {
      Application->HandleException(Sender, Exception("Unknown exception"));
    }
  } catch (const std::exception& e) {
    WriteError(e);  // the exception handler itself failed
  } catch (...) {
    WriteError(Exception("Unknown exception in an exception handler"));
  }
}

}  // namespace

void StartWindowFramework() {
  Application = new TApplication(nullptr);
  SetGuardedCallHandler(DeliverToApplication);
}

void EndWindowFramework() {
  if (!Application) return;
  Application->Free();
  Application = nullptr;
  SetGuardedCallHandler(nullptr);
}
