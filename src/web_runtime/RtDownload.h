#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>
#include <vector>

#include "RtDownloadFiles.h"
#include "RtObject.h"
#include "cef_capi.h"

class TBrowser;

// One download of a browser. It exposes the download item and the item's cancel callback
// (one count) and lives while WebKit runs the download or the client holds it.
class TDownload final : public TRtCounted {
 public:
  // Follows a download WebKit started for browser.
  static void Follow(TBrowser* browser, WebKitDownload* download);
  // Cancels the downloads still running and waits, bounded, until their part files are gone.
  static void CancelAll();

  TCefDownloadItem* ShareItem() { return Share(FItemFace); }
  // An empty path means the user's download folder under the suggested name, numbered.
  void SetDestination(const std::string& path);
  void Cancel();

 private:
  TDownload(TBrowser* browser, WebKitDownload* download);
  ~TDownload() override;
  void InitFaces();
  void ReportUpdate();
  void ReportProgress();
  void AskDestination(const std::string& suggestedName);
  bool ChooseTarget(const std::string& path);
  std::string NumberedTarget() const;
  bool IsShortOfContentLength() const;
  bool PlaceFile();
  TMoveResult MovePartFileTo(const std::string& target);
  void DiscardPartFile();
  void Complete();
  void Finish(bool canceled);

  static gboolean OnDecideDestination(WebKitDownload*, gchar* suggested, gpointer self);
  static void OnReceivedData(WebKitDownload*, guint64, gpointer self);
  static gboolean OnProgressDue(gpointer self);
  static void ReleaseDownload(gpointer self);
  static void OnFinished(WebKitDownload*, gpointer self);
  static void OnFailed(WebKitDownload*, GError* error, gpointer self);

  TFace<TCefDownloadItem> FItemFace;
  TFace<TCefDownloadItemCallback> FCancelFace;
  TBrowser* FBrowser;  // counted
  WebKitDownload* FDownload;
  uint32_t FId;
  std::string FSuggestedName;
  // WebKit writes to the part file; it becomes the target only when complete.
  std::string FPartPath;
  std::string FTargetPath;
  // Set for the user's download folder: a name taken meanwhile moves on to the next number.
  std::string FNumberedFolder;
  std::string FNumberedName;
  int FNumber = 0;
  gint64 FStartTime;  // Unix microseconds
  gint64 FEndTime = 0;
  gint64 FLastProgressReport = 0;  // monotonic microseconds
  guint FProgressTimer = 0;        // a report held back by the interval
  bool FComplete = false;
  bool FCanceled = false;
  bool FRunning = true;

  static inline std::vector<TDownload*> Running;

  friend struct TDownloadEntries;
};
