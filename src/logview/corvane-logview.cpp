// corvane-logview [FILE]: the log viewer over an error log, by default the data folder's.

#include <glib.h>

#include <cstdio>
#include <cstring>

#include "Application.h"
#include "ErrorDisplay.h"
#include "JvLogFile.h"
#include "LogView.h"
#include "SysUtils.h"

namespace {

constexpr const char* kUsage = "Usage: corvane-logview [FILE]\n";

int ShowLogFile(const std::string& fileName) {
  Application->Initialize();
  TOwnedComponent<TJvLogFile> log(new TJvLogFile(nullptr));
  log->ShowLog(LoadLogForViewing(*log, fileName), "dialog-information");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  g_set_prgname("corvane-logview");
  if (argc > 2 || (argc == 2 && argv[1][0] == '-')) {
    const bool help = argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"));
    std::fputs(kUsage, help ? stdout : stderr);
    return help ? 0 : 2;
  }
  int exitCode = 1;
  StartWindowFramework();
  try {
    exitCode = ShowLogFile(argc == 2 ? argv[1] : DefaultLogFileName());
  } catch (const std::exception& e) {
    ShowErrorBox(e, nullptr);
  } catch (...) {
    ShowErrorBox(Exception("Unknown exception"), nullptr);
  }
  EndWindowFramework();
  return exitCode;
}
