#include "RtDownloadFiles.h"

#include <errno.h>
#include <fcntl.h>
#include <glib/gstdio.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "RtText.h"

namespace {

// Room below the usual 255-byte name limit for " (1000)" and a temporary prefix.
constexpr size_t kMaxNameBytes = 200;
// Longer "extensions" are part of the name ("v1.2 release notes").
constexpr size_t kMaxExtensionBytes = 16;
constexpr char kFallbackName[] = "download";

bool IsUnsafeByte(unsigned char c) {
  return c < 0x20 || c == 0x7f || c == '/' || c == '\\';
}

// Where the extension starts, or npos when the name has none.
size_t ExtensionStart(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return std::string::npos;
  const std::string extension = name.substr(dot);
  if (extension.size() > kMaxExtensionBytes || extension.find(' ') != std::string::npos)
    return std::string::npos;
  return dot;
}

// Cuts text to at most bytes without splitting a UTF-8 sequence.
std::string CutUtf8(const std::string& text, size_t bytes) {
  if (text.size() <= bytes) return text;
  while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
  return text.substr(0, bytes);
}

std::string Shortened(const std::string& name) {
  if (name.size() <= kMaxNameBytes) return name;
  const size_t dot = ExtensionStart(name);
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  return CutUtf8(name.substr(0, name.size() - extension.size()), kMaxNameBytes - extension.size()) +
         extension;
}

}  // namespace

std::string SafeFileName(const std::string& suggested) {
  std::string name = TakeText(g_utf8_make_valid(suggested.c_str(), gssize(suggested.size())));
  for (char& c : name)
    if (IsUnsafeByte(static_cast<unsigned char>(c))) c = '_';
  // A leading dot would hide the file; trailing blanks are invisible.
  name.erase(0, name.find_first_not_of(". "));
  name.erase(name.find_last_not_of(' ') + 1);
  return name.empty() ? kFallbackName : Shortened(name);
}

std::string NumberedName(const std::string& name, int number) {
  if (number == 0) return name;
  const size_t dot = ExtensionStart(name);
  const std::string suffix = " (" + std::to_string(number) + ")";
  if (dot == std::string::npos) return name + suffix;
  return name.substr(0, dot) + suffix + name.substr(dot);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return TakeText(g_build_filename(folder.c_str(), name.c_str(), nullptr));
}

std::string UserDownloadFolder() {
  const char* configured = g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD);
  const std::string folder = configured ? configured : JoinPath(g_get_home_dir(), "Downloads");
  if (g_mkdir_with_parents(folder.c_str(), 0755) != 0) return std::string();
  return folder;
}

bool PathIsTaken(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

std::optional<std::string> CreatePartFile(const std::string& folder) {
  std::string path = JoinPath(folder, ".download-XXXXXX.part");
  const int fd = g_mkstemp_full(path.data(), O_RDWR | O_CLOEXEC, 0644);
  if (fd < 0) return std::nullopt;
  close(fd);
  return path;
}

// Some file systems know no exclusive rename; a hard link is exclusive too.
TMoveResult MoveWithoutReplacing(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
    return TMoveResult::Moved;
  if (errno == EINVAL || errno == ENOSYS) {
    if (link(from.c_str(), to.c_str()) == 0) {
      unlink(from.c_str());
      return TMoveResult::Moved;
    }
  }
  return errno == EEXIST ? TMoveResult::Taken : TMoveResult::Failed;
}
