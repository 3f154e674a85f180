#include "FileUtils.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <utility>

#include "StandardErrors.h"

namespace {

// Closes the descriptor on every way out.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : FFd(fd) {}
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  ~TFileDescriptor() {
    if (FFd >= 0) ::close(FFd);
  }

  bool IsOpen() const { return FFd >= 0; }
  int Get() const { return FFd; }
  // Closing reports late write errors, so files we wrote are closed through here.
  bool Close() { return ::close(std::exchange(FFd, -1)) == 0; }

 private:
  int FFd;
};

TFileStamp StampOf(const struct stat& info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino), info.st_size,
          info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

std::optional<TFileStamp> StampOf(int fd) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return StampOf(info);
}

// Writes all of text, resuming after partial or interrupted writes; false with errno set.
bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = EIO;
      return false;
    }
    text.remove_prefix(static_cast<size_t>(written));
  }
  return true;
}

// The file a symbolic link points to, so that replacing it keeps the link.
std::string FollowLink(const std::string& fileName) {
  struct stat info;
  if (::lstat(fileName.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return fileName;
  char resolved[PATH_MAX];
  return ::realpath(fileName.c_str(), resolved) ? std::string(resolved) : fileName;
}

// A new, exclusively created file in target's folder; the creation mode lets the umask apply
// as it would to the file itself.
int CreateFileBeside(const std::string& target, std::string& tempName) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    tempName = target + "." + std::to_string(::getpid()) + "." + std::to_string(attempt) + ".tmp";
    const int fd = ::open(tempName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

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

// An existing target must be writable, as it would be for overwriting it in place, and its
// permissions carry over to the replacement. False with errno set.
bool TakeOverTarget(const std::string& target, int fd) {
  struct stat info;
  if (::stat(target.c_str(), &info) != 0) return errno == ENOENT;
  if (::access(target.c_str(), W_OK) != 0) return false;
  return ::fchmod(fd, info.st_mode & 07777) == 0;
}

// Fills the new file and moves it over target; nullopt with errno set on failure.
std::optional<TFileStamp> FillAndRename(TFileDescriptor& file, const std::string& tempName,
                                        const std::string& target, std::string_view contents,
                                        TFileFlush flush) {
  if (!TakeOverTarget(target, file.Get()) || !WriteAll(file.Get(), contents) ||
      (flush == ffToDisk && ::fsync(file.Get()) != 0))
    return std::nullopt;
  const std::optional<TFileStamp> stamp = StampOf(file.Get());
  if (!stamp || !file.Close() || ::rename(tempName.c_str(), target.c_str()) != 0)
    return std::nullopt;
  return stamp;
}

// Makes the rename itself durable; a failure here loses nothing, so it is not reported.
void SyncFolderOf(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  TFileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (directory.IsOpen()) std::ignore = ::fsync(directory.Get());
}

[[noreturn]] void RaiseCreateError(const std::string& fileName, int errorCode) {
  throw MakeFCreateError(fileName, SystemErrorText(errorCode));
}

}  // namespace

bool FileExists(const std::string& fileName) {
  struct stat info;
  return ::stat(fileName.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string ReadFileContents(const std::string& fileName) {
  // Non-blocking, so that a pipe in the file's place cannot stall the open.
  TFileDescriptor file(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen()) throw MakeFOpenError(fileName, SystemErrorText(errno));
  struct stat info;
  if (::fstat(file.Get(), &info) != 0) throw MakeFOpenError(fileName, SystemErrorText(errno));
  // Devices and pipes may never end.
  if (!S_ISREG(info.st_mode)) throw MakeFOpenError(fileName, "Not a regular file");

  std::string contents;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) throw MakeFOpenError(fileName, SystemErrorText(errno));
    if (got == 0) return contents;
    contents.append(buffer, static_cast<size_t>(got));
  }
}

TFileStamp ReplaceFileContents(const std::string& fileName, std::string_view contents,
                               TFileFlush flush) {
  const std::string target = FollowLink(fileName);
  std::string tempName;
  TFileDescriptor file(CreateFileBeside(target, tempName));
  if (!file.IsOpen()) RaiseCreateError(fileName, errno);
  const std::optional<TFileStamp> stamp = FillAndRename(file, tempName, target, contents, flush);
  if (!stamp) {
    const int error = errno;
    ::unlink(tempName.c_str());
    RaiseCreateError(fileName, error);
  }
  if (flush == ffToDisk) SyncFolderOf(target);
  return *stamp;
}

std::optional<TFileStamp> AppendIfUnchanged(const std::string& fileName, const TFileStamp& expected,
                                            std::string_view text) {
  TFileDescriptor file(::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NONBLOCK));
  if (!file.IsOpen() || StampOf(file.Get()) != expected) return std::nullopt;
  if (!WriteAll(file.Get(), text)) {
    const int error = errno;
    // Leave no half line behind; should this fail too, the next save rewrites the file whole.
    std::ignore = ::ftruncate(file.Get(), expected.Size);
    RaiseCreateError(fileName, error);
  }
  const std::optional<TFileStamp> stamp = StampOf(file.Get());
  if (!stamp || !file.Close()) RaiseCreateError(fileName, errno);
  return stamp;
}

std::string ExtractFileName(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

std::string ExtractFileDir(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string ExtractFileExt(const std::string& path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
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
