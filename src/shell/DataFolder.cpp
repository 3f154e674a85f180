#include "DataFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "ConfigurationFile.h"
#include "JvAppXMLStorage.h"
#include "JvComputerInfoEx.h"
#include "JvLogFile.h"
#include "StderrReport.h"
#include "SysUtils.h"

namespace {

constexpr std::string_view LogFileName = "error.log";
constexpr std::string_view ConfigurationFileName = "config.xml";

// The error that keeps folder from holding our files, after creating it with its missing
// parents; 0 when it is a folder we can write in.
int UnusableFolderError(const std::string& folder) {
  std::error_code created;
  std::filesystem::create_directories(folder, created);
  struct stat info;
  if (::stat(folder.c_str(), &info) != 0) return created ? created.value() : errno;
  if (!S_ISDIR(info.st_mode)) return ENOTDIR;
  return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

// The program runs on without its files; one line tells the user why nothing will be kept.
void ReportUnusableFolder(const std::string& folder) {
  const int error = UnusableFolderError(folder);
  if (error == 0) return;
  ReportOnStderr(
      "the data folder %s cannot be used (%s); settings and the error log will not "
      "be kept",
      folder.c_str(), SystemErrorText(error).c_str());
}

}  // namespace

std::string DataFolderPath(const TJvComputerInfoEx& computerInfo) {
  return computerInfo.GetSpecialFolderPath(CSIDL_APPDATA) + "/Corvane";
}

void PrepareDataFolder(const std::string& folder, TJvLogFile& logFile,
                       TJvAppXMLFileStorage& storage) {
  ReportUnusableFolder(folder);
  RemoveStaleTemporaryFiles(folder, LogFileName);
  RemoveStaleTemporaryFiles(folder, ConfigurationFileName);
  logFile.SetFileName(folder + "/" + std::string(LogFileName));
  logFile.SetAutoSave(true);
  OpenConfigurationFile(folder + "/" + std::string(ConfigurationFileName), storage, logFile);
}
