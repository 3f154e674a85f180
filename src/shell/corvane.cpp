// Program entry: module start, the main window and its message loop, module end.

#include <glib.h>

#include <chrono>
#include <memory>
#include <string>

#include "Application.h"
#include "CloseOnSignals.h"
#include "DataFolder.h"
#include "ErrorDisplay.h"
#include "JclDebug.h"
#include "JvAppStorageTranslate.h"
#include "JvComputerInfoEx.h"
#include "LaunchAddress.h"
#include "Main.h"
#include "ModuleActions.h"
#include "Monitors.h"
#include "ServiceNavigation.h"
#include "SingleInstance.h"
#include "SysUtils.h"
#include "ceflib_loader.h"
#include "ustring.h"

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

// A start while the program already runs over the same data folder only brings the running
// window to the front, showing the page this start was given; it waits for the running program
// briefly, so it ends at once either way.
std::unique_ptr<TSingleInstance> ClaimDataFolder(const std::string& page) {
  const TJvComputerInfoEx computerInfo(nullptr);
  const char* startupId = g_getenv("DESKTOP_STARTUP_ID");
  return std::make_unique<TSingleInstance>(
      DataFolderPath(computerInfo), g_get_user_runtime_dir(),
      TSingleInstance::TRequest{startupId ? startupId : "", page}, std::chrono::milliseconds(1500));
}

// The page comes from another process: it must pass the same test as this start's own argument.
void ServeLaterStart(const TSingleInstance::TRequest& request) {
  if (!MainForm) return;
  MainForm->BringToFront(request.StartupId);
  if (request.Page.empty()) return;
  const TLaunchAddress address = ParseLaunchAddress(request.Page, Utf16ToUtf8(WebAppOrigin));
  if (!address.Page.empty()) MainForm->OpenRequestedPage(Utf8ToUtf16(address.Page));
}

int RunMainWindow(TSingleInstance& instance, const std::string& page) {
  Application->Initialize();
  Application->SetMainFormOnTaskBar(true);
  Application->CreateForm(MainForm);
  if (!page.empty()) MainForm->OpenRequestedPage(Utf8ToUtf16(page));
  instance.ListenForRequests(ServeLaterStart);
  const int exitCode = Application->Run();
  instance.StopListening();
  return exitCode;
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

int main(int argc, char** argv) {
  // Also the window class, "Corvane" as GDK capitalises it, that the desktop entry names.
  g_set_prgname("corvane");
  const std::string page = LaunchPageOf(argc, argv);
  // Held until the configuration has been written at exit.
  const std::unique_ptr<TSingleInstance> instance = ClaimDataFolder(page);
  if (instance->Role() != TSingleInstance::irFirst)
    return instance->Role() == TSingleInstance::irRaisedFirst ? 0 : 1;
  SetDisplaySizesSource(MonitorSizes);
  TModuleActions modules;
  RegisterModules(modules);
  // Held through the exit steps too: a signal then waits for them instead of cutting them off.
  auto closeOnSignals = std::make_unique<TCloseOnSignals>();
  int exitCode = 0;
  try {
    modules.StartAll();
    exitCode = RunMainWindow(*instance, page);
    DisableExceptionTracking();
    modules.EndAll();
  } catch (...) {
    instance->StopListening();
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
