#pragma once

#include <string>

// Serialises the flush and reload of one storage file among processes: an exclusive lock on a
// lock file in the user's runtime folder ($XDG_RUNTIME_DIR, else the temporary folder), named
// after the standard Base64 text of "TJvCustomAppStorage.Synchronize:" + the file name.
// The constructor waits without a time limit; the destructor releases the lock.
class TJvAppStorageSyncLock {
 public:
  explicit TJvAppStorageSyncLock(const std::string& fileName);
  ~TJvAppStorageSyncLock();
  TJvAppStorageSyncLock(const TJvAppStorageSyncLock&) = delete;
  TJvAppStorageSyncLock& operator=(const TJvAppStorageSyncLock&) = delete;

  // The lock file used for fileName.
  static std::string LockFileName(const std::string& fileName);

 private:
  int FHandle = -1;
};
