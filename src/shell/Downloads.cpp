#include "Downloads.h"

#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string_view>

#include "GLibText.h"

namespace {

constexpr const char* kFallbackName = "download";
// Below the file system's 255 bytes, with room for " (9999)".
constexpr size_t kMaxNameBytes = 200;
constexpr int kMaxNumber = 10000;

std::string ValidUtf8(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) return text;
  return TakeText(g_utf8_make_valid(text.data(), static_cast<gssize>(text.size())));
}

bool IsUnsafeByte(unsigned char byte) {
  return byte < 0x20 || byte == 0x7F || byte == '/' || byte == '\\';
}

std::string Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t.");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

// The extension starts at the last dot that is not the first character.
size_t ExtensionStart(const std::string& name) {
  const size_t dot = name.rfind('.');
  return dot == std::string::npos || dot == 0 ? name.size() : dot;
}

// Cut at a character boundary, at most maxBytes long.
std::string Utf8Prefix(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string Shortened(const std::string& name) {
  if (name.size() <= kMaxNameBytes) return name;
  const size_t dot = ExtensionStart(name);
  const std::string extension = name.substr(dot);
  if (extension.size() > kMaxNameBytes / 2) return Utf8Prefix(name, kMaxNameBytes);
  return Utf8Prefix(name.substr(0, dot), kMaxNameBytes - extension.size()) + extension;
}

bool PathIsTaken(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return TakeText(g_build_filename(folder.c_str(), name.c_str(), nullptr));
}

}  // namespace

std::string SafeDownloadName(const std::string& suggested) {
  std::string name = ValidUtf8(suggested);
  std::replace_if(
      name.begin(), name.end(), [](char c) { return IsUnsafeByte(c); }, '_');
  name = Shortened(Trimmed(name));
  return name.empty() ? kFallbackName : name;
}

std::string NumberedName(const std::string& name, int number) {
  if (number == 0) return name;
  const size_t dot = ExtensionStart(name);
  return name.substr(0, dot) + " (" + std::to_string(number) + ")" + name.substr(dot);
}

std::optional<std::string> FreeDownloadPath(const std::string& folder, const std::string& name,
                                            const std::set<std::string>& reserved) {
  for (int number = 0; number < kMaxNumber; ++number) {
    std::string path = JoinPath(folder, NumberedName(name, number));
    if (!reserved.contains(path) && !PathIsTaken(path)) return path;
  }
  return std::nullopt;
}

std::string DownloadFolderOf(const std::string& userSetting, const std::string& home) {
  return userSetting.empty() ? JoinPath(home, "Downloads") : userSetting;
}

std::string UserDownloadFolder() {
  const char* setting = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  return DownloadFolderOf(setting ? setting : "", g_get_home_dir());
}

bool PrepareDownloadFolder(const std::string& folder) {
  if (folder.empty() || g_mkdir_with_parents(folder.c_str(), 0755) != 0) return false;
  return g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR) &&
         access(folder.c_str(), W_OK | X_OK) == 0;
}
