#include "DataFolder.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <optional>
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

// Reads the decimal number at the front of text and drops it; nullopt without one or when it
// does not fit a process id.
std::optional<pid_t> TakeNumber(std::string_view& text) {
  pid_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return std::nullopt;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return value;
}

// The writer's process id of a temporary file that replacing fileName makes
// ("<fileName>.<pid>.<attempt>.tmp"); nullopt for any other name.
std::optional<pid_t> TemporaryFileWriter(std::string_view name, std::string_view fileName) {
  if (!name.starts_with(fileName) || !name.substr(fileName.size()).starts_with('.'))
    return std::nullopt;
  name.remove_prefix(fileName.size() + 1);
  const std::optional<pid_t> pid = TakeNumber(name);
  if (!pid || *pid <= 0 || !name.starts_with('.')) return std::nullopt;
  name.remove_prefix(1);
  if (!TakeNumber(name) || name != ".tmp") return std::nullopt;
  return pid;
}

// A process we may not signal still lives.
bool ProcessLives(pid_t pid) {
  return ::kill(pid, 0) == 0 || errno == EPERM;
}

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

void RemoveStaleTemporaryFiles(const std::string& folder, std::string_view fileName) {
  std::error_code error;
  std::filesystem::directory_iterator entry(folder, error);
  for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
    const std::optional<pid_t> writer =
        TemporaryFileWriter(entry->path().filename().native(), fileName);
    std::error_code ignored;
    if (writer && !ProcessLives(*writer) && entry->is_regular_file(ignored))
      std::filesystem::remove(entry->path(), ignored);
  }
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
