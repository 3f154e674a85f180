#include "SystemFolders.h"

#include "FileUtils.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
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
  const std::string home = EnvironmentValue("HOME");
  return home.empty() ? std::string() : WithoutTrailingSlash(home) + "/.config";
}
