#include "DownloadBar.h"

#include "DesktopLaunch.h"
#include "Downloads.h"

namespace {

// The item's own verdict, checked against the announced size: a download the server broke off
// is no complete file, whatever the runtime says.
TDownloadState StateOf(ICefDownloadItem& item) {
  if (item.is_canceled()) return dsFailed;
  if (!item.is_complete()) return dsRunning;
  const int64_t total = item.get_total_bytes();
  return total > 0 && item.get_received_bytes() < total ? dsFailed : dsComplete;
}

}  // namespace

TDownloadBar::TDownloadBar(TComponent* AOwner) : TInfoBar(AOwner) {
  OnClose = [this](TObject*) { EndsSeen(); };
}

TDownloadBar::~TDownloadBar() {
  StopEndTimer();
  if (!FChromium) return;
  FChromium->OnBeforeDownload = nullptr;
  FChromium->OnDownloadUpdated = nullptr;
}

void TDownloadBar::SetBrowserControl(TChromium* chromium) {
  FChromium = chromium;
  FChromium->FreeNotification(this);
  FChromium->OnBeforeDownload = MethodEvent(this, &TDownloadBar::ChromiumBeforeDownload);
  FChromium->OnDownloadUpdated = MethodEvent(this, &TDownloadBar::ChromiumDownloadUpdated);
}

void TDownloadBar::Notification(TComponent* AComponent) {
  TInfoBar::Notification(AComponent);
  if (AComponent == FChromium) FChromium = nullptr;
}

// Not continuing the callback leaves the download unstarted.
void TDownloadBar::ChromiumBeforeDownload(TObject*, const TRef<ICefBrowser>&,
                                          const TRef<ICefDownloadItem>& downloadItem,
                                          const ustring& suggestedName,
                                          const TRef<ICefBeforeDownloadCallback>& callback) {
  const std::string name = SafeDownloadName(Utf16ToUtf8(suggestedName));
  const std::string folder = FFolder.empty() ? UserDownloadFolder() : FFolder;
  const std::optional<std::string> path =
      PrepareDownloadFolder(folder) ? FreeDownloadPath(folder, name, FList.ReservedPaths())
                                    : std::nullopt;
  if (path) {
    FList.Start(downloadItem->get_id(), *path);
    callback->cont(Utf8ToUtf16(*path), false);
  } else {
    FList.Refuse(downloadItem->get_id(), name, folder);
  }
  ShowDownloads(true);
}

void TDownloadBar::ChromiumDownloadUpdated(TObject*, const TRef<ICefBrowser>&,
                                           const TRef<ICefDownloadItem>& downloadItem,
                                           const TRef<ICefDownloadItemCallback>&) {
  ICefDownloadItem& item = *downloadItem;
  const TDownloadState state = StateOf(item);
  if (!FList.Update(item.get_id(), item.get_received_bytes(), item.get_total_bytes(), state,
                    Utf16ToUtf8(item.get_full_path())))
    return;
  if (state != dsRunning)
    ShowDownloads(true);
  else if (FList.Shown() && FList.Shown()->Id == item.get_id())
    ShowDownloads(false);
}

// reveal: shows the bar even if the user closed it.
void TDownloadBar::ShowDownloads(bool reveal) {
  const TDownloadEntry* shown = FList.Shown();
  if (!shown) {
    SetVisible(false);
    return;
  }
  SetMessage(FList.Message());
  SetProgress(FList.Progress());
  ShowEndButtons(*shown);
  StopEndTimer();
  if (FList.ShownHasEnded()) FEndTimer = SetTimer(FEndShownFor, [this] { EndsSeen(); });
  if (reveal) SetVisible(true);
}

void TDownloadBar::ShowEndButtons(const TDownloadEntry& shown) {
  if (shown.State != dsComplete) {
    SetButtons({});
    return;
  }
  const std::string path = shown.Path;
  SetButtons({{"Open", [path] { OpenWithDefaultProgram(path); }},
              {"Show in folder", [path] { ShowInFolder(path); }}});
}

void TDownloadBar::EndsSeen() {
  StopEndTimer();
  const bool open = Visible();
  FList.EndsSeen();
  if (open && FList.Shown())
    ShowDownloads(false);
  else
    SetVisible(false);
}

void TDownloadBar::StopEndTimer() {
  if (FEndTimer) KillTimer(FEndTimer);
  FEndTimer = 0;
}
