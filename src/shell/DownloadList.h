#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

enum TDownloadState { dsRunning, dsComplete, dsFailed, dsNoFolder };

struct TDownloadEntry {
  uint32_t Id = 0;
  // Where the file is being saved; for dsNoFolder the folder that could not be used.
  std::string Path;
  std::string Name;
  int64_t Received = 0;
  int64_t Total = 0;  // 0 when the server did not say
  TDownloadState State = dsRunning;
};

// The downloads of this run as the download bar tells of them: a download that starts or ends
// is shown; the ends since the user last saw the bar are all told, and the downloads still
// running are counted, so no end goes unnoticed behind a later download.
class TDownloadList {
 public:
  // path: the file the download is saved to.
  void Start(uint32_t id, const std::string& path);
  // The download was not started because no download folder can be used.
  void Refuse(uint32_t id, const std::string& name, const std::string& folder);
  // False for a download this list does not know or that had already ended. fullPath, when not
  // empty, is where the file finally is.
  bool Update(uint32_t id, int64_t received, int64_t total, TDownloadState state,
              const std::string& fullPath);
  // The user has seen the ends (the bar was closed or shown long enough): the latest running
  // download is shown, if there is one.
  void EndsSeen();

  const TDownloadEntry* Shown() const;
  bool ShownHasEnded() const;
  // What the bar says: the shown download first, then the other ends not yet seen and the
  // number of other downloads running.
  std::string Message() const;
  // The progress of the shown download, when it runs and its size is known.
  std::optional<double> Progress() const;
  // Paths of running downloads, which no new download may take.
  std::set<std::string> ReservedPaths() const;

 private:
  int OthersRunning() const;

  std::vector<TDownloadEntry> FRunning;
  // Ends not yet seen, oldest first.
  std::vector<TDownloadEntry> FUnseenEnds;
  std::optional<uint32_t> FShownId;
};

// One sentence about entry, as the bar shows it.
std::string DownloadSentence(const TDownloadEntry& entry);
