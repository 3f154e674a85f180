#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "FileUtils.h"
#include "JvAppXMLStorage.h"
#include "StandardErrors.h"
#include "SystemFolders.h"

namespace {

constexpr double UnixEpochDays = 25569.0;  // 1970-01-01 as TDateTime
constexpr double SecondsPerDay = 86400.0;
constexpr int HistoryIndexDigits = 3;

std::optional<struct stat> FileStatus(const std::string& fileName) {
  struct stat status;
  if (fileName.empty() || ::stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
    return std::nullopt;
  return status;
}

// Local time of the file's last write; -1.0 when there is no such file.
TDateTime FileAge(const std::string& fileName) {
  const auto status = FileStatus(fileName);
  if (!status) return -1.0;
  struct tm local;
  const time_t seconds = status->st_mtim.tv_sec;
  localtime_r(&seconds, &local);
  const double localSeconds = static_cast<double>(seconds + local.tm_gmtoff) +
                              static_cast<double>(status->st_mtim.tv_nsec) / 1e9;
  return UnixEpochDays + localSeconds / SecondsPerDay;
}

// An existing file without write permission bits, or one we may not write.
bool IsReadOnlyFile(const std::string& fileName) {
  const auto status = FileStatus(fileName);
  if (!status) return false;
  const bool noWriteBits = (status->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
  return noWriteBits || ::access(fileName.c_str(), W_OK) != 0;
}

std::string WithFolder(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

// fileName with its extension replaced by newExtension (which carries its dot).
std::string ChangeFileExt(const std::string& fileName, const std::string& newExtension) {
  return fileName.substr(0, fileName.size() - ExtractFileExt(fileName).size()) + newExtension;
}

// "config.xml" gives "config.~xml", a name without extension gets ".~".
std::string BackupFileName(const std::string& fileName) {
  const std::string extension = ExtractFileExt(fileName);
  return ChangeFileExt(fileName, ".~" + (extension.empty() ? "" : extension.substr(1)));
}

std::string HistoryFileName(const std::string& fileName, int index) {
  std::string number = std::to_string(index);
  number.insert(0, HistoryIndexDigits - std::min<size_t>(number.size(), HistoryIndexDigits), '0');
  return ChangeFileExt(fileName, ".~" + number + "~");
}

// Copies whole, through a temporary file, so the target is never left half written.
void CopyFileContents(const std::string& source, const std::string& target) {
  ReplaceFileContents(target, ReadFileContents(source));
}

void MakeFolders(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error)
    throw EFCreateError(
        Format("Cannot create folder \"%s\". %s", folder.c_str(), error.message().c_str()));
}

double HistoryInterval(TJvAppFileStorageBackupHistoryType type) {
  switch (type) {
    case afsbht1Minute:
      return 1.0 / 1440;
    case afsbht15Minute:
      return 1.0 / 96;
    case afsbht1Hour:
      return 1.0 / 24;
    case afsbht4Hour:
      return 0.125;
    case afsbht12Hour:
      return 0.5;
    case afsbht1Day:
      return 1;
    case afsbht3Day:
      return 3;
    case afsbht1Week:
      return 7;
    case afsbht1Month:
      return 30;
    default:
      return 0;
  }
}

}  // namespace

TJvCustomAppMemoryFileStorage::TJvCustomAppMemoryFileStorage(
    TComponent* AOwner, std::unique_ptr<TJvAppFileStorageOptions> options)
    : TJvCustomAppStorage(AOwner, std::move(options)) {}

// --- The file name

std::string TJvCustomAppMemoryFileStorage::CustomFullFileName() {
  std::string name = ActiveTranslateStringEngine().TranslateString(FFileName);
  if (FOnGetFileName) FOnGetFileName(*this, name);
  return name;
}

std::string TJvCustomAppMemoryFileStorage::ComputeFullFileName() {
  if (FLocation == flCustom) return CustomFullFileName();
  if (FFileName.empty()) return "";
  const std::string translated = ActiveTranslateStringEngine().TranslateString(FFileName);
  const std::string name = ExtractFileName(translated);
  switch (FLocation) {
    case flWindows:
      return WithFolder("/etc", name);
    case flTemp:
      return WithFolder(TemporaryFolder(), name);
    case flUserFolder:
      return WithFolder(UserDataFolder(), translated.starts_with('/') ? name : translated);
    default:
      return WithFolder(ProgramFolder(), name);
  }
}

void TJvCustomAppMemoryFileStorage::UpdateFullFileName() {
  FFullFileName = ComputeFullFileName();
  FPhysicalReadOnly = IsReadOnlyFile(FFullFileName);
}

void TJvCustomAppMemoryFileStorage::StoreFileName(const std::string& value) {
  // An empty name stays empty: it means "no file", not a file called ".xml".
  std::string name = value;
  if (!name.empty() && ExtractFileExt(name).size() <= 1) {
    if (name.back() == '.') name.pop_back();
    name += "." + DefaultFileExtension();
  }
  FFileName = name;
  UpdateFullFileName();
}

void TJvCustomAppMemoryFileStorage::ChangeFileName(const std::function<void()>& change) {
  if (SettingsApplyAtOnce()) Flush();
  change();
  if (SettingsApplyAtOnce()) Reload();
}

void TJvCustomAppMemoryFileStorage::SetFileName(const std::string& value) {
  if (value == FFileName) return;
  ChangeFileName([&] { StoreFileName(value); });
}

void TJvCustomAppMemoryFileStorage::SetLocation(TFileLocation value) {
  if (value == FLocation) return;
  ChangeFileName([&] {
    FLocation = value;
    UpdateFullFileName();
  });
}

void TJvCustomAppMemoryFileStorage::SetOnGetFileName(TJvAppStorageGetFileNameEvent handler) {
  if (SettingsApplyAtOnce()) Flush();
  FOnGetFileName = std::move(handler);
  UpdateFullFileName();
  if (SettingsApplyAtOnce()) Reload();
}

// --- Reading

void TJvCustomAppMemoryFileStorage::Reload() {
  if (IsUpdating()) return;
  FFileLoaded = true;
  FPhysicalReadOnly = IsReadOnlyFile(FFullFileName);
  FFileAge = FileAge(FFullFileName);
  if (!FileStatus(FFullFileName)) return ClearContent();
  Synchronize(FFullFileName, [&] { LoadContentFile(FFullFileName); });
}

// A file that is gone is not re-read: that would only clear what is in memory.
bool TJvCustomAppMemoryFileStorage::ReloadNeeded() {
  if (IsUpdating() || (FFileLoaded && !AutoReload())) return false;
  const TDateTime age = FileAge(FFullFileName);
  return age >= 0 && age != FFileAge;
}

// --- Writing

void TJvCustomAppMemoryFileStorage::Flush() {
  if (FFullFileName.empty() || ReadOnly()) return;
  Synchronize(FFullFileName, [&] {
    try {
      FlushContent();
    } catch (const std::exception& e) {
      if (OnError()) OnError()(*this, e.what());
    }
  });
}

void TJvCustomAppMemoryFileStorage::FlushContent() {
  const TJvAppFileStorageOptions& options = StorageOptions();
  MakeFolders(ExtractFileDir(FFullFileName));
  const std::string backupName = BackupFileName(FFullFileName);
  WriteWithBackup(backupName);
  if (options.BackupHistoryCount() > 0 && options.BackupHistoryType() != afsbhtNone)
    MakeHistoryCopy();
  if (options.BackupType() != afsbtNone && !options.BackupKeepFileAfterFlush())
    std::remove(backupName.c_str());
}

// The file itself is always replaced in one step, so a failure or crash while writing leaves
// the old file whole. The backup is a copy of the old file: before the write, or only once
// the new content is complete.
void TJvCustomAppMemoryFileStorage::WriteWithBackup(const std::string& backupName) {
  const bool fileExists = FileStatus(FFullFileName).has_value();
  switch (StorageOptions().BackupType()) {
    case afsbtCreateBefore:
      if (fileExists) CopyFileContents(FFullFileName, backupName);
      SaveContentFile(FFullFileName);
      break;
    case afsbtRenameAfter: {
      const std::string temporaryName = FFullFileName + ".tmp";
      SaveContentFile(temporaryName);
      if (fileExists) CopyFileContents(FFullFileName, backupName);
      if (::rename(temporaryName.c_str(), FFullFileName.c_str()) != 0)
        throw MakeFCreateError(FFullFileName, SystemErrorText(errno));
      break;
    }
    default:
      SaveContentFile(FFullFileName);
  }
}

// Copies are numbered from ".~001~", the newest; the oldest beyond the count is dropped.
void TJvCustomAppMemoryFileStorage::MakeHistoryCopy() {
  if (!FileStatus(FFullFileName)) return;
  const TJvAppFileStorageOptions& options = StorageOptions();
  const TJvAppFileStorageBackupHistoryType type = options.BackupHistoryType();
  const bool newestIsRecent =
      FileAge(HistoryFileName(FFullFileName, 1)) > Now() - HistoryInterval(type);
  if (type != afsbhtAllways && newestIsRecent) return;
  const int top = std::max(options.BackupHistoryCount(), 2);
  int firstFree = 1;
  while (firstFree < top && FileStatus(HistoryFileName(FFullFileName, firstFree))) ++firstFree;
  if (firstFree == top) std::remove(HistoryFileName(FFullFileName, top).c_str());
  for (int index = firstFree - 1; index >= 1; --index)
    std::ignore = ::rename(HistoryFileName(FFullFileName, index).c_str(),
                           HistoryFileName(FFullFileName, index + 1).c_str());
  CopyFileContents(FFullFileName, HistoryFileName(FFullFileName, 1));
}
