#include "SystemFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "FileUtils.h"

namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The account's home folder from the password database, for sessions that set no HOME;
// empty when the account has no entry.
std::string AccountHomeFolder() {
  constexpr size_t kLargestEntry = 1 << 20;
  const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
  for (;;) {
    passwd entry;
    passwd* found = nullptr;
    const int error = ::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found);
    if (error == ERANGE && buffer.size() < kLargestEntry) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    return found && found->pw_dir ? found->pw_dir : "";
  }
}

}  // namespace

std::string ProgramFileName() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.string();
}

std::string ProgramFolder() {
  return ExtractFileDir(ProgramFileName());
}

std::string TemporaryFolder() {
  const std::string folder = EnvironmentValue("TMPDIR");
  return folder.empty() ? "/tmp" : WithoutTrailingSlash(folder);
}

std::string UserDataFolder() {
  const std::string config = EnvironmentValue("XDG_CONFIG_HOME");
  if (!config.empty()) return WithoutTrailingSlash(config);
  std::string home = EnvironmentValue("HOME");
  if (home.empty()) home = AccountHomeFolder();
  if (home.empty()) return "";
  home = WithoutTrailingSlash(home);
  return (home == "/" ? "" : home) + "/.config";
}
