#pragma once

#include "DownloadList.h"
#include "InfoBar.h"
#include "Timers.h"
#include "cefvcl.h"

// The main window's bar at the bottom that saves downloads into the user's download folder
// under a free name and tells of them: progress while they run, "Open" and "Show in folder" when
// one is done, one sentence when one failed. It hides a while after the last end, or when closed.
class TDownloadBar : public TInfoBar {
 public:
  explicit TDownloadBar(TComponent* AOwner);

  // Takes the control's download events, until either of the two goes.
  void SetBrowserControl(TChromium* chromium);

  // The browser control's download events.
  void ChromiumBeforeDownload(TObject* Sender, const TRef<ICefBrowser>& browser,
                              const TRef<ICefDownloadItem>& downloadItem,
                              const ustring& suggestedName,
                              const TRef<ICefBeforeDownloadCallback>& callback);
  void ChromiumDownloadUpdated(TObject* Sender, const TRef<ICefBrowser>& browser,
                               const TRef<ICefDownloadItem>& downloadItem,
                               const TRef<ICefDownloadItemCallback>& callback);

  // Where downloads are saved; the user's download folder while empty.
  void SetFolder(std::string folder) { FFolder = std::move(folder); }
  // How long an end stays on the bar, in milliseconds.
  void SetEndShownFor(unsigned milliseconds) { FEndShownFor = milliseconds; }

 protected:
  ~TDownloadBar() override;
  void Notification(TComponent* AComponent) override;

 private:
  void ShowDownloads(bool reveal);
  void ShowEndButtons(const TDownloadEntry& shown);
  void EndsSeen();
  void StopEndTimer();

  TChromium* FChromium = nullptr;
  std::string FFolder;
  TDownloadList FList;
  unsigned FEndShownFor = 10000;
  TTimerId FEndTimer = 0;
};
