#include "ConfigurationFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <exception>

#include "FileUtils.h"
#include "JvAppXMLStorage.h"
#include "JvLogFile.h"
#include "StderrReport.h"
#include "SysUtils.h"

namespace {

// What makes fileName a link the program must not read or write through; empty when it is no
// link or one to a regular file of the running user.
std::string RefusedLinkTarget(const std::string& fileName) {
  struct stat link;
  if (::lstat(fileName.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return {};
  struct stat target;
  if (::stat(fileName.c_str(), &target) != 0) return "a link to nothing that exists";
  if (!S_ISREG(target.st_mode)) return "a link to something other than a regular file";
  if (target.st_uid != ::geteuid()) return "a link to a file of another user";
  return {};
}

void ReportRefusedLink(const std::string& fileName, const std::string& target) {
  ReportOnStderr(
      "the configuration file %s is %s; it is neither read nor written, so settings "
      "will not be kept",
      fileName.c_str(), target.c_str());
}

bool IsNonEmptyFile(const std::string& fileName) {
  struct stat info;
  return ::stat(fileName.c_str(), &info) == 0 && info.st_size > 0;
}

// A copy, so a hand edit with a typo does not take the user's settings with it when the file
// is rewritten at exit. A link in the copy's place is replaced, never written through.
void KeepUnreadableFile(const std::string& fileName, const std::string& reason,
                        TJvLogFile& logFile) {
  const std::string copyName = fileName + ".bad";
  std::string kept;
  try {
    struct stat info;
    if (::lstat(copyName.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) ::unlink(copyName.c_str());
    ReplaceFileContents(copyName, ReadFileContents(fileName));
    kept = "it is kept as " + copyName;
  } catch (const std::exception& e) {
    kept = std::string("it could not be kept as ") + copyName + ": " + e.what();
  }
  logFile.Add("Configuration file", lesError,
              Format("%s could not be read (%s); %s and will be rewritten at exit from what "
                     "could be read",
                     fileName.c_str(), reason.c_str(), kept.c_str()));
}

}  // namespace

void OpenConfigurationFile(const std::string& fileName, TJvAppXMLFileStorage& storage,
                           TJvLogFile& logFile) {
  if (const std::string target = RefusedLinkTarget(fileName); !target.empty())
    return ReportRefusedLink(fileName, target);
  try {
    storage.SetFileName(fileName);
  } catch (const std::exception& e) {
    KeepUnreadableFile(fileName, e.what(), logFile);
    throw;
  }
  if (!storage.Xml().HasRootElement() && IsNonEmptyFile(fileName))
    KeepUnreadableFile(fileName, "no root element", logFile);
}
