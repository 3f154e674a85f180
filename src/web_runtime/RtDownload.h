#pragma once

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>

#include "RtObject.h"
#include "cef_capi.h"

class TBrowser;

// One download of a browser. It exposes the download item and the item's cancel callback
// (one count) and lives while WebKit runs the download or the client holds it.
class TDownload final : public TRtCounted {
 public:
  // Follows a download WebKit started for browser.
  static void Follow(TBrowser* browser, WebKitDownload* download);

  TCefDownloadItem* ShareItem() { return Share(FItemFace); }
  void SetDestination(const std::string& path);
  void Cancel();

 private:
  TDownload(TBrowser* browser, WebKitDownload* download);
  ~TDownload() override;
  void InitFaces();
  void ReportUpdate();
  void AskDestination(const std::string& suggestedName);
  void Finish(bool canceled);

  static gboolean OnDecideDestination(WebKitDownload*, gchar* suggested, gpointer self);
  static void OnReceivedData(WebKitDownload*, guint64, gpointer self);
  static void OnFinished(WebKitDownload*, gpointer self);
  static void OnFailed(WebKitDownload*, GError* error, gpointer self);

  TFace<TCefDownloadItem> FItemFace;
  TFace<TCefDownloadItemCallback> FCancelFace;
  TBrowser* FBrowser;  // counted
  WebKitDownload* FDownload;
  uint32_t FId;
  std::string FSuggestedName;
  gint64 FStartTime;  // Unix microseconds
  gint64 FEndTime = 0;
  bool FComplete = false;
  bool FCanceled = false;
  bool FRunning = true;

  friend struct TDownloadEntries;
};
