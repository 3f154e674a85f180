#include "PermissionBar.h"

#include <algorithm>

#include "ServiceNavigation.h"

namespace {

constexpr char kPermissionsName[] = "Permissions";
constexpr char kUploadFolderName[] = "UploadFolder";
// A page asking in a loop gets the rest refused rather than held without end.
constexpr size_t kMaxWaitingAnswers = 64;

std::string HostOf(const std::string& origin) {
  const size_t separator = origin.find("://");
  const std::string rest = separator == std::string::npos ? origin : origin.substr(separator + 3);
  if (rest.starts_with('[')) return rest.substr(0, rest.find(']') + 1);  // an IPv6 address
  return rest.substr(0, rest.find(':'));
}

std::string DevicesWanted(int32_t kinds) {
  const bool camera = kinds & CORVANE_PERMISSION_CAMERA;
  const bool microphone = kinds & CORVANE_PERMISSION_MICROPHONE;
  if (camera && microphone) return "use your camera and microphone";
  if (camera) return "use your camera";
  if (microphone) return "use your microphone";
  return {};
}

std::string WhatIsWanted(int32_t kinds) {
  std::vector<std::string> wants;
  if (kinds & CORVANE_PERMISSION_NOTIFICATIONS) wants.push_back("show notifications");
  if (std::string devices = DevicesWanted(kinds); !devices.empty()) wants.push_back(devices);
  if (kinds & CORVANE_PERMISSION_GEOLOCATION) wants.push_back("know your location");
  if (kinds & CORVANE_PERMISSION_CLIPBOARD_READ) wants.push_back("read your clipboard");
  std::string text;
  for (const std::string& want : wants) text += (text.empty() ? "" : " and ") + want;
  return text;
}

}  // namespace

std::string PermissionQuestionText(const std::string& origin, int32_t kinds) {
  return HostOf(origin) + " wants to " + WhatIsWanted(kinds);
}

bool MayAskForPermissions(const std::string& origin) {
  const ustring asking = Utf8ToUtf16(origin);
  return asking == WebAppOrigin || asking == MarketingOrigin;
}

// The runtime may hold the handler longer than the bar lives.
class TPermissionBar::THandler : public TCefPageRequestHandlerOwn {
 public:
  explicit THandler(TPermissionBar* bar) : FBar(bar) {}
  void Detach() { FBar = nullptr; }

  void on_permission_request(const TRef<ICefBrowser>&, const ustring& origin, int32_t kinds,
                             const TRef<ICefPermissionCallback>& callback) override {
    if (FBar) FBar->PermissionRequested(Utf16ToUtf8(origin), kinds, callback);
  }
  void on_upload_folder(const ustring& folder) override {
    if (FBar) FBar->UploadFolderUsed(Utf16ToUtf8(folder));
  }

 private:
  TPermissionBar* FBar;
};

TPermissionBar::TPermissionBar(TComponent* AOwner) : TInfoBar(AOwner) {
  OnClose = [this](TObject*) { Answer(false, false); };  // not now: asked again next time
}

TPermissionBar::~TPermissionBar() {
  if (!FHandler) return;
  FHandler->Detach();
  SetPageRequestHandler(nullptr);
}

void TPermissionBar::SetFormStorage(TJvFormStorage* storage) {
  FStorage = storage;
  FStorage->FreeNotification(this);
}

void TPermissionBar::Notification(TComponent* AComponent) {
  TInfoBar::Notification(AComponent);
  if (AComponent == FStorage) FStorage = nullptr;
}

void TPermissionBar::Start() {
  if (FHandler || !FStorage || !FStorage->AppStorage()) return;
  FStore = std::make_unique<TPermissionStore>(
      *FStorage->AppStorage(),
      TJvCustomAppStorage::ConcatPaths({FStorage->AppStoragePath(), kPermissionsName}));
  for (const auto& [origin, allow] : FStore->NotificationAnswers())
    KeepNotificationPermission(Utf8ToUtf16(origin), allow);
  if (const std::string folder = FStorage->ReadString(kUploadFolderName); !folder.empty())
    SetUploadFolder(Utf8ToUtf16(folder));
  FHandler = MakeRef<THandler>(this);
  SetPageRequestHandler(FHandler);
}

void TPermissionBar::PermissionRequested(const std::string& origin, int32_t kinds,
                                         const TRef<ICefPermissionCallback>& callback) {
  if (!MayAskForPermissions(origin) || !FStore || WhatIsWanted(kinds).empty())
    return callback->cont(false);
  if (const std::optional<bool> kept = FStore->Answer(origin, kinds)) return callback->cont(*kept);
  const auto same = std::find_if(FQuestions.begin(), FQuestions.end(), [&](const TQuestion& q) {
    return q.Origin == origin && q.Kinds == kinds;
  });
  if (same == FQuestions.end()) {
    FQuestions.push_back({origin, kinds, {callback}});
    if (FQuestions.size() == 1) ShowQuestion();
  } else if (same->Waiting.size() < kMaxWaitingAnswers) {
    same->Waiting.push_back(callback);
  } else {
    callback->cont(false);
  }
}

// Written only once an upload happened, like every other setting of the window.
void TPermissionBar::UploadFolderUsed(const std::string& folder) {
  if (FStorage && !folder.empty()) FStorage->WriteString(kUploadFolderName, folder);
}

// A question the user answered meanwhile for the same kinds is answered without the bar.
void TPermissionBar::ShowQuestion() {
  while (!FQuestions.empty()) {
    const TQuestion& front = FQuestions.front();
    const std::optional<bool> kept = FStore->Answer(front.Origin, front.Kinds);
    if (!kept) break;
    for (const TRef<ICefPermissionCallback>& callback : front.Waiting) callback->cont(*kept);
    FQuestions.pop_front();
  }
  if (FQuestions.empty()) {
    SetVisible(false);
    return;
  }
  SetMessage(PermissionQuestionText(FQuestions.front().Origin, FQuestions.front().Kinds));
  SetButtons(
      {{"Allow", [this] { Answer(true, true); }}, {"Block", [this] { Answer(false, true); }}});
  SetVisible(true);
}

void TPermissionBar::Answer(bool allow, bool keep) {
  if (FQuestions.empty()) return;
  const TQuestion question = std::move(FQuestions.front());
  FQuestions.pop_front();
  if (keep) {
    FStore->Keep(question.Origin, question.Kinds, allow);
    if (question.Kinds & CORVANE_PERMISSION_NOTIFICATIONS)
      KeepNotificationPermission(Utf8ToUtf16(question.Origin), allow);
  }
  for (const TRef<ICefPermissionCallback>& callback : question.Waiting) callback->cont(allow);
  ShowQuestion();
}
