#include "JvAppStorageSync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "JvAppStorageText.h"
#include "SysUtils.h"
#include "SystemFolders.h"

namespace {

constexpr const char* SyncPrefix = "TJvCustomAppStorage.Synchronize:";
constexpr size_t MaxFileNameLength = 255;

std::string RuntimeFolder() {
  const char* folder = std::getenv("XDG_RUNTIME_DIR");
  return folder && *folder ? folder : TemporaryFolder();
}

// FNV-1a: stable across processes and builds, unlike std::hash.
uint64_t StableHash(std::string_view text) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

// "/" is a folder separator in file names, so the Base64 text uses "_" in its place ("+" stays);
// "_" is not in the Base64 alphabet, so different names stay different. Names too long for the
// file system are shortened to a prefix and a hash of the whole.
std::string LockBaseName(const std::string& syncName) {
  std::string name = Base64Encode(syncName);
  for (char& c : name)
    if (c == '/') c = '_';
  name += ".lock";
  if (name.size() <= MaxFileNameLength) return name;
  return name.substr(0, 200) +
         Format("-%016llx.lock", static_cast<unsigned long long>(StableHash(syncName)));
}

[[noreturn]] void RaiseMutexTimeout(const std::string& syncName) {
  throw Exception(Format("%s: Mutex Timeout", syncName.c_str()));
}

int LockExclusively(int handle) {
  int result;
  do result = flock(handle, LOCK_EX);
  while (result != 0 && errno == EINTR);
  return result;
}

}  // namespace

std::string TJvAppStorageSyncLock::LockFileName(const std::string& fileName) {
  return RuntimeFolder() + "/" + LockBaseName(SyncPrefix + fileName);
}

TJvAppStorageSyncLock::TJvAppStorageSyncLock(const std::string& fileName) {
  FHandle = open(LockFileName(fileName).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (FHandle < 0) RaiseMutexTimeout(SyncPrefix + fileName);
  if (LockExclusively(FHandle) != 0) {
    close(FHandle);
    RaiseMutexTimeout(SyncPrefix + fileName);
  }
}

TJvAppStorageSyncLock::~TJvAppStorageSyncLock() {
  // Closing the descriptor drops the lock; the lock file stays so that waiters keep one inode.
  close(FHandle);
}
