// Program entry: module start, the main window and its message loop, module end.

#include <glib.h>

#include <memory>

#include "Application.h"
#include "CloseOnSignals.h"
#include "ErrorDisplay.h"
#include "JclDebug.h"
#include "JvAppStorageTranslate.h"
#include "Main.h"
#include "ModuleActions.h"
#include "Monitors.h"
#include "SysUtils.h"
#include "ceflib_loader.h"

namespace {

// Exception tracking starts first, so every later raise is seen with its frames. Its module
// ends last: the main window still raises into the notifier list while it is destroyed.
void StartExceptionTracking() {
  TrackingOptions |= toExceptFrames;
  StartJclDebug();
  EnableExceptionTracking();
}

// Modules in dependency order: each ends before the ones it uses. The window framework comes
// after the modules the main window uses, because ending it destroys the main window, whose
// browser control still calls into the runtime.
void RegisterModules(TModuleActions& modules) {
  modules.Add(StartExceptionTracking, EndJclDebug);
  modules.Add([] {}, FinalizeRuntimeBinding);  // the runtime starts with the first browser
  modules.Add(StartWindowFramework, EndWindowFramework);
}

// What the storage's "%SCREENSIZE%" and "%DESKTOPSIZE%" stand for: the storage itself knows
// no display.
TJvDisplaySizes MonitorSizes() {
  const TRect screen = PrimaryMonitorRect();
  const TRect desktop = VirtualDesktopRect();
  return {{screen.Width(), screen.Height()}, {desktop.Width(), desktop.Height()}};
}

int RunMainWindow() {
  Application->Initialize();
  Application->SetMainFormOnTaskBar(true);
  Application->CreateForm(MainForm);
  return Application->Run();
}

// The top-level handler: an error that ends the program is shown, then the exit code is 1.
int ReportFatalError() {
  try {
    throw;
  } catch (const std::exception& e) {
    ShowErrorBox(e, nullptr);
  } catch (...) {
    ShowErrorBox(Exception("Unknown exception"), nullptr);
  }
  return 1;
}

}  // namespace

int main() {
  g_set_prgname("corvane");
  SetDisplaySizesSource(MonitorSizes);
  TModuleActions modules;
  RegisterModules(modules);
  // Held through the exit steps too: a signal then waits for them instead of cutting them off.
  auto closeOnSignals = std::make_unique<TCloseOnSignals>();
  int exitCode = 0;
  try {
    modules.StartAll();
    exitCode = RunMainWindow();
    DisableExceptionTracking();
    modules.EndAll();
  } catch (...) {
    closeOnSignals.reset();  // so a signal can still end a program waiting in the error box
    exitCode = ReportFatalError();
    try {
      modules.EndAll();  // the modules that are still started
    } catch (...) {
      ReportFatalError();
    }
  }
  return exitCode;
}
