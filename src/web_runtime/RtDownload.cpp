#include "RtDownload.h"

#include <utility>

#include <glib/gstdio.h>

#include "RtBrowser.h"
#include "RtGuard.h"
#include "RtMainLoop.h"
#include "RtStrings.h"
#include "RtText.h"
#include "RtTime.h"

namespace {

uint32_t LastDownloadId = 0;

// Numbers tried for a name in the download folder before the download gives up.
constexpr int kMaxNumber = 1000;
// A progress bar needs a few updates a second, not one per network packet.
constexpr gint64 kProgressIntervalMicros = 100000;

std::string FolderOf(const std::string& path) {
  return TakeText(g_path_get_dirname(path.c_str()));
}

// The client's answer to where a download goes. Released unanswered, it cancels the
// download, so that nothing is written where nobody asked for it.
class TBeforeDownloadCallback final : public TRtCounted {
 public:
  static TCefBeforeDownloadCallback* New(TDownload* download) {
    return &(new TBeforeDownloadCallback(download))->FFace.Struct;
  }

 private:
  explicit TBeforeDownloadCallback(TDownload* download) : FDownload(download) {
    FDownload->AddRef();
    InitFace(FFace, this);
    FFace.Struct.cont = cont;
  }
  ~TBeforeDownloadCallback() override {
    if (!FAnswered) FDownload->Cancel();
    FDownload->Release();
  }

  static void CEF_CALLBACK cont(TCefBeforeDownloadCallback* self, TCefConstString* path, TCefBool) {
    Guarded("before download cont", [&] {
      auto& callback = OwnerOf<TBeforeDownloadCallback>(self);
      if (std::exchange(callback.FAnswered, true)) return;
      callback.FDownload->SetDestination(ToUtf8(path));
    });
  }

  TFace<TCefBeforeDownloadCallback> FFace;
  TDownload* FDownload;  // counted
  bool FAnswered = false;
};

}  // namespace

struct TDownloadEntries {
  static TDownload& Self(TCefDownloadItem* self) { return OwnerOf<TDownload>(self); }
  static WebKitURIResponse* Response(TCefDownloadItem* self) {
    return webkit_download_get_response(Self(self).FDownload);
  }

  static TCefBool CEF_CALLBACK is_valid(TCefDownloadItem*) { return 1; }
  static TCefBool CEF_CALLBACK is_in_progress(TCefDownloadItem* self) {
    return Self(self).FRunning;
  }
  static TCefBool CEF_CALLBACK is_complete(TCefDownloadItem* self) { return Self(self).FComplete; }
  static TCefBool CEF_CALLBACK is_canceled(TCefDownloadItem* self) { return Self(self).FCanceled; }
  static int64_t CEF_CALLBACK get_current_speed(TCefDownloadItem* self) {
    const double seconds = webkit_download_get_elapsed_time(Self(self).FDownload);
    return seconds > 0 ? int64_t(double(get_received_bytes(self)) / seconds) : 0;
  }
  static int32_t CEF_CALLBACK get_percent_complete(TCefDownloadItem* self) {
    return int32_t(webkit_download_get_estimated_progress(Self(self).FDownload) * 100.0);
  }
  static int64_t CEF_CALLBACK get_total_bytes(TCefDownloadItem* self) {
    WebKitURIResponse* response = Response(self);
    return response ? int64_t(webkit_uri_response_get_content_length(response)) : 0;
  }
  static int64_t CEF_CALLBACK get_received_bytes(TCefDownloadItem* self) {
    return int64_t(webkit_download_get_received_data_length(Self(self).FDownload));
  }
  static RuntimeTime CEF_CALLBACK get_start_time(TCefDownloadItem* self) {
    return RuntimeTimeOfMicros(Self(self).FStartTime);
  }
  static RuntimeTime CEF_CALLBACK get_end_time(TCefDownloadItem* self) {
    return Self(self).FEndTime ? RuntimeTimeOfMicros(Self(self).FEndTime) : RuntimeTime{};
  }
  // Where the file will be, never the part file it is written to.
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_full_path(TCefDownloadItem* self) {
    return Guarded(
        "get_full_path", [&] { return NewUserFree(Self(self).FTargetPath); },
        TCefStringUserFreeUtf16(nullptr));
  }
  static uint32_t CEF_CALLBACK get_id(TCefDownloadItem* self) { return Self(self).FId; }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_url(TCefDownloadItem* self) {
    return Guarded(
        "get_url",
        [&] {
          WebKitURIRequest* request = webkit_download_get_request(Self(self).FDownload);
          return NewUserFree(TextOrEmpty(request ? webkit_uri_request_get_uri(request) : nullptr));
        },
        TCefStringUserFreeUtf16(nullptr));
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_suggested_file_name(TCefDownloadItem* self) {
    return Guarded(
        "get_suggested_file_name", [&] { return NewUserFree(Self(self).FSuggestedName); },
        TCefStringUserFreeUtf16(nullptr));
  }
  // WebKit does not pass the header on: no content disposition.
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_content_disposition(TCefDownloadItem*) {
    return nullptr;
  }
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_mime_type(TCefDownloadItem* self) {
    return Guarded(
        "get_mime_type",
        [&] {
          WebKitURIResponse* response = Response(self);
          return NewUserFree(
              TextOrEmpty(response ? webkit_uri_response_get_mime_type(response) : nullptr));
        },
        TCefStringUserFreeUtf16(nullptr));
  }
  // WebKit does not pass the referrer's charset on: none.
  static TCefStringUserFreeUtf16 CEF_CALLBACK get_referrer_charset(TCefDownloadItem*) {
    return nullptr;
  }
  static void CEF_CALLBACK cancel(TCefDownloadItemCallback* self) {
    Guarded("download cancel", [&] { OwnerOf<TDownload>(self).Cancel(); });
  }
};

void TDownload::Follow(TBrowser* browser, WebKitDownload* download) {
  auto* followed = new TDownload(browser, download);  // its reference ends with the download
  g_signal_connect(download, "decide-destination", G_CALLBACK(OnDecideDestination), followed);
  g_signal_connect(download, "received-data", G_CALLBACK(OnReceivedData), followed);
  g_signal_connect(download, "finished", G_CALLBACK(OnFinished), followed);
  g_signal_connect(download, "failed", G_CALLBACK(OnFailed), followed);
  Running.push_back(followed);
}

void TDownload::CancelAll() {
  for (TDownload* download : std::vector<TDownload*>(Running)) download->Cancel();
  IterateMainContextUntil([] { return Running.empty(); });
}

TDownload::TDownload(TBrowser* browser, WebKitDownload* download)
    : FBrowser(browser),
      FDownload(WEBKIT_DOWNLOAD(g_object_ref(download))),
      FId(++LastDownloadId),
      FStartTime(g_get_real_time()) {
  FBrowser->AddRef();
  InitFaces();
}

TDownload::~TDownload() {
  g_signal_handlers_disconnect_by_data(FDownload, this);
  g_object_unref(FDownload);
  FBrowser->Release();
}

void TDownload::InitFaces() {
  InitFace(FItemFace, this);
  TCefDownloadItem& item = FItemFace.Struct;
  item.is_valid = TDownloadEntries::is_valid;
  item.is_in_progress = TDownloadEntries::is_in_progress;
  item.is_complete = TDownloadEntries::is_complete;
  item.is_canceled = TDownloadEntries::is_canceled;
  item.get_current_speed = TDownloadEntries::get_current_speed;
  item.get_percent_complete = TDownloadEntries::get_percent_complete;
  item.get_total_bytes = TDownloadEntries::get_total_bytes;
  item.get_received_bytes = TDownloadEntries::get_received_bytes;
  item.get_start_time = TDownloadEntries::get_start_time;
  item.get_end_time = TDownloadEntries::get_end_time;
  item.get_full_path = TDownloadEntries::get_full_path;
  item.get_id = TDownloadEntries::get_id;
  item.get_url = TDownloadEntries::get_url;
  item.get_suggested_file_name = TDownloadEntries::get_suggested_file_name;
  item.get_content_disposition = TDownloadEntries::get_content_disposition;
  item.get_mime_type = TDownloadEntries::get_mime_type;
  item.get_referrer_charset = TDownloadEntries::get_referrer_charset;
  InitFace(FCancelFace, this);
  FCancelFace.Struct.cancel = TDownloadEntries::cancel;
}

void TDownload::SetDestination(const std::string& path) {
  if (!FRunning) return;
  if (ChooseTarget(path)) FPartPath = CreatePartFile(FolderOf(FTargetPath)).value_or("");
  g_autofree gchar* uri =
      FPartPath.empty() ? nullptr : g_filename_to_uri(FPartPath.c_str(), nullptr, nullptr);
  if (uri) {
    // The part file is ours: WebKit writes over it and over nothing else.
    webkit_download_set_allow_overwrite(FDownload, TRUE);
    webkit_download_set_destination(FDownload, uri);
  } else {
    Cancel();
  }
}

// The client's own path must be free; in the download folder the first free number is taken.
bool TDownload::ChooseTarget(const std::string& path) {
  if (!path.empty()) {
    FTargetPath = path;
    return g_path_is_absolute(path.c_str()) && !PathIsTaken(path);
  }
  FNumberedFolder = UserDownloadFolder();
  FNumberedName = SafeFileName(FSuggestedName);
  if (FNumberedFolder.empty()) return false;
  while (FNumber < kMaxNumber && PathIsTaken(NumberedTarget())) ++FNumber;
  FTargetPath = NumberedTarget();
  return FNumber < kMaxNumber;
}

std::string TDownload::NumberedTarget() const {
  return JoinPath(FNumberedFolder, NumberedName(FNumberedName, FNumber));
}

// WebKit reports a download the server broke off as finished. A body the network library
// decoded (Content-Encoding) has another length than the header says, so it is not judged.
bool TDownload::IsShortOfContentLength() const {
  WebKitURIResponse* response = webkit_download_get_response(FDownload);
  if (!response) return false;
  const guint64 expected = webkit_uri_response_get_content_length(response);
  SoupMessageHeaders* headers = webkit_uri_response_get_http_headers(response);
  const char* encoding =
      headers ? soup_message_headers_get_one(headers, "Content-Encoding") : nullptr;
  if (expected == 0 || (encoding && g_ascii_strcasecmp(encoding, "identity") != 0)) return false;
  return webkit_download_get_received_data_length(FDownload) < expected;
}

// A name taken while the download ran fails the client's path; the download folder moves on
// to the next number.
bool TDownload::PlaceFile() {
  if (FNumberedFolder.empty()) return MovePartFileTo(FTargetPath) == TMoveResult::Moved;
  for (; FNumber < kMaxNumber; ++FNumber) {
    const TMoveResult result = MovePartFileTo(NumberedTarget());
    if (result != TMoveResult::Taken) return result == TMoveResult::Moved;
  }
  return false;
}

TMoveResult TDownload::MovePartFileTo(const std::string& target) {
  FTargetPath = target;
  const TMoveResult result = MoveWithoutReplacing(FPartPath, target);
  if (result == TMoveResult::Moved) FPartPath.clear();
  return result;
}

void TDownload::DiscardPartFile() {
  if (!FPartPath.empty()) g_unlink(FPartPath.c_str());
  FPartPath.clear();
}

// The file gets its name only once all of it is there.
void TDownload::Complete() {
  if (!FRunning) return;
  const bool placed = !FPartPath.empty() && !IsShortOfContentLength() && PlaceFile();
  if (!placed) DiscardPartFile();
  Finish(!placed);
}

void TDownload::Cancel() {
  if (FRunning) webkit_download_cancel(FDownload);  // ends in OnFailed
}

// At most one report per interval; data that arrives meanwhile is still told at its end, so a
// download whose data pauses does not show an old count until it goes on.
void TDownload::ReportProgress() {
  const gint64 wait = FLastProgressReport + kProgressIntervalMicros - g_get_monotonic_time();
  if (wait > 0) {
    if (!FProgressTimer) {
      AddRef();  // released when the timer goes
      FProgressTimer = g_timeout_add_full(G_PRIORITY_DEFAULT, guint(wait / 1000) + 1, OnProgressDue,
                                          this, ReleaseDownload);
    }
    return;
  }
  FLastProgressReport = g_get_monotonic_time();
  ReportUpdate();
}

void TDownload::ReportUpdate() {
  FBrowser->WithHandler(&TCefClient::get_download_handler, [&](TCefDownloadHandler* handler) {
    if (handler->on_download_updated)
      handler->on_download_updated(handler, FBrowser->ShareBrowser(), ShareItem(),
                                   Share(FCancelFace));
  });
}

// Without a download handler nobody chose a place for the file: it is not downloaded.
void TDownload::AskDestination(const std::string& suggestedName) {
  FSuggestedName = suggestedName;
  bool asked = false;
  FBrowser->WithHandler(&TCefClient::get_download_handler, [&](TCefDownloadHandler* handler) {
    if (!handler->on_before_download) return;
    const std::u16string name = Utf8ToU16(suggestedName);
    const TCefStringUtf16 nameRecord = Borrow(name);
    asked = true;
    handler->on_before_download(handler, FBrowser->ShareBrowser(), ShareItem(), &nameRecord,
                                TBeforeDownloadCallback::New(this));
  });
  if (!asked) Cancel();
}

void TDownload::Finish(bool canceled) {
  if (!FRunning) return;
  FRunning = false;
  if (FProgressTimer) g_source_remove(std::exchange(FProgressTimer, 0));  // the end is told now
  std::erase(Running, this);
  FCanceled = canceled;
  FComplete = !canceled;
  FEndTime = g_get_real_time();
  ReportUpdate();
  Release();  // WebKit is done with it
}

gboolean TDownload::OnDecideDestination(WebKitDownload*, gchar* suggested, gpointer self) {
  Guarded("decide-destination",
          [&] { static_cast<TDownload*>(self)->AskDestination(TextOrEmpty(suggested)); });
  return TRUE;
}

void TDownload::OnReceivedData(WebKitDownload*, guint64, gpointer self) {
  Guarded("received-data", [&] { static_cast<TDownload*>(self)->ReportProgress(); });
}

gboolean TDownload::OnProgressDue(gpointer self) {
  Guarded("progress due", [&] {
    auto& download = *static_cast<TDownload*>(self);
    download.FProgressTimer = 0;
    download.ReportProgress();
  });
  return G_SOURCE_REMOVE;
}

void TDownload::ReleaseDownload(gpointer self) {
  static_cast<TDownload*>(self)->Release();
}

void TDownload::OnFinished(WebKitDownload*, gpointer self) {
  Guarded("finished", [&] { static_cast<TDownload*>(self)->Complete(); });
}

void TDownload::OnFailed(WebKitDownload*, GError*, gpointer self) {
  Guarded("failed", [&] {
    auto& download = *static_cast<TDownload*>(self);
    download.DiscardPartFile();
    download.Finish(true);
  });
}
