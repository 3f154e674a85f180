#pragma once

// Client-side objects for the runtime test: every structure the test hands to the runtime
// counts its references, so the test can prove the runtime gave all of them back.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "cef_capi.h"

// The test's structure first, then the count. Starts with the test's own reference.
template <class TStruct>
struct TCounted {
  TStruct Struct{};
  std::atomic<int32_t> Refs{1};

  static TCounted* Of(void* structure) { return reinterpret_cast<TCounted*>(structure); }
  static int32_t CEF_CALLBACK AddRef(TCefBase* base) { return ++Of(base)->Refs; }
  static int32_t CEF_CALLBACK Release(TCefBase* base) { return --Of(base)->Refs; }
  static int32_t CEF_CALLBACK GetRefct(TCefBase* base) { return Of(base)->Refs; }

  TCounted() {
    Struct.base.size = sizeof(TStruct);
    Struct.base.add_ref = AddRef;
    Struct.base.release = Release;
    Struct.base.get_refct = GetRefct;
  }
  // The structure with one reference added for the receiver.
  TStruct* Give() {
    ++Refs;
    return &Struct;
  }
};

// Releases a runtime object the test received.
inline void Drop(void* object) {
  auto* base = static_cast<TCefBase*>(object);
  if (base && base->release) base->release(base);
}

struct TFrameEvent {
  std::string Url;
  bool IsMain = false;
  int32_t Status = 0;
};

// A download's item as the last update showed it.
struct TDownloadEnd {
  bool Complete = false;
  bool Canceled = false;
  std::string Path;
  int64_t Received = 0;
  int64_t Total = 0;
};

struct TSeenCookie {
  std::string Name;
  std::string Value;
  bool HasExpires = false;
};

// Everything the runtime reported to the test's client.
struct TEvents {
  int AfterCreated = 0;
  int BeforeClose = 0;
  std::vector<TFrameEvent> LoadEnds;
  std::vector<TFrameEvent> Addresses;
  std::vector<std::string> Titles;
  std::vector<std::string> Texts;
  std::vector<TSeenCookie> Cookies;
  int CookieVisitsDone = 0;
  std::string DialogMessage;
  TCefJsDialogCallback* PendingDialog = nullptr;  // answered later by the test
  int LoadErrors = 0;
  int32_t LastErrorCode = 0;
  std::string FailedUrl;
  int ProcessDeaths = 0;
  int Popups = 0;
  TCefPopupFeatures PopupFeatures{};
  std::vector<std::string> ExternalUrls;  // offered to the request handler
  std::string SuggestedName;
  int DownloadUpdates = 0;
  int64_t ReceivedWhileRunning = 0;  // as the latest report of a running download said
  std::vector<TDownloadEnd> DownloadEnds;
  std::vector<int32_t> FindResults;
  std::vector<int32_t> PreKeys;  // windows key codes of key presses, in order
};
