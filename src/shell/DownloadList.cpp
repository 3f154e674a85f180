#include "DownloadList.h"

#include <algorithm>

#include "FileUtils.h"
#include "GLibText.h"

namespace {

std::string SizeText(int64_t bytes) {
  return TakeText(g_format_size(static_cast<guint64>(std::max<int64_t>(bytes, 0))));
}

std::string RunningSentence(const TDownloadEntry& entry) {
  std::string sentence = "Downloading " + entry.Name + ": " + SizeText(entry.Received);
  if (entry.Total > 0) sentence += " of " + SizeText(entry.Total);
  return sentence + ".";
}

bool IsEnd(TDownloadState state) {
  return state != dsRunning;
}

}  // namespace

std::string DownloadSentence(const TDownloadEntry& entry) {
  switch (entry.State) {
    case dsRunning:
      return RunningSentence(entry);
    case dsComplete:
      return entry.Name + " is downloaded.";
    case dsFailed:
      return "The download of " + entry.Name + " failed.";
    case dsNoFolder:
      return entry.Name + " was not downloaded: the download folder " + entry.Path +
             " cannot be used.";
  }
  return {};
}

void TDownloadList::Start(uint32_t id, const std::string& path) {
  FRunning.push_back({id, path, ExtractFileName(path), 0, 0, dsRunning});
  FShownId = id;
}

void TDownloadList::Refuse(uint32_t id, const std::string& name, const std::string& folder) {
  FUnseenEnds.push_back({id, folder, name, 0, 0, dsNoFolder});
  FShownId = id;
}

bool TDownloadList::Update(uint32_t id, int64_t received, int64_t total, TDownloadState state,
                           const std::string& fullPath) {
  const auto running = std::find_if(FRunning.begin(), FRunning.end(),
                                    [id](const TDownloadEntry& entry) { return entry.Id == id; });
  if (running == FRunning.end()) return false;
  running->Received = received;
  running->Total = total;
  if (!fullPath.empty()) {
    running->Path = fullPath;
    running->Name = ExtractFileName(fullPath);
  }
  if (!IsEnd(state)) return true;
  running->State = state;
  FUnseenEnds.push_back(*running);
  FRunning.erase(running);
  FShownId = id;
  return true;
}

void TDownloadList::EndsSeen() {
  FUnseenEnds.clear();
  FShownId.reset();
  if (!FRunning.empty()) FShownId = FRunning.back().Id;
}

const TDownloadEntry* TDownloadList::Shown() const {
  if (!FShownId) return nullptr;
  for (const auto* list : {&FRunning, &FUnseenEnds})
    for (const TDownloadEntry& entry : *list)
      if (entry.Id == *FShownId) return &entry;
  return nullptr;
}

bool TDownloadList::ShownHasEnded() const {
  const TDownloadEntry* shown = Shown();
  return shown && IsEnd(shown->State);
}

int TDownloadList::OthersRunning() const {
  const TDownloadEntry* shown = Shown();
  const bool shownRuns = shown && shown->State == dsRunning;
  return static_cast<int>(FRunning.size()) - (shownRuns ? 1 : 0);
}

std::string TDownloadList::Message() const {
  const TDownloadEntry* shown = Shown();
  if (!shown) return {};
  std::string message = DownloadSentence(*shown);
  for (const TDownloadEntry& end : FUnseenEnds)
    if (&end != shown) message += " " + DownloadSentence(end);
  const int others = OthersRunning();
  if (others == 1) message += " 1 more download is running.";
  if (others > 1) message += " " + std::to_string(others) + " more downloads are running.";
  return message;
}

std::optional<double> TDownloadList::Progress() const {
  const TDownloadEntry* shown = Shown();
  if (!shown || shown->State != dsRunning || shown->Total <= 0) return std::nullopt;
  return static_cast<double>(shown->Received) / static_cast<double>(shown->Total);
}

std::set<std::string> TDownloadList::ReservedPaths() const {
  std::set<std::string> paths;
  for (const TDownloadEntry& entry : FRunning) paths.insert(entry.Path);
  return paths;
}
