#pragma once

#include <exception>

#include "ApplicationEvents.h"
#include "DownloadBar.h"
#include "FindBar.h"
#include "Forms.h"
#include "JvAppXMLStorage.h"
#include "JvComputerInfoEx.h"
#include "JvFormPlacement.h"
#include "JvLogFile.h"
#include "PageShortcuts.h"
#include "PermissionBar.h"
#include "ServiceNavigation.h"
#include "cefvcl.h"

// The program's one window.
class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* AOwner) : TForm(AOwner) {}

  TChromium* Chromium = nullptr;
  TApplicationEvents* aAppEvents = nullptr;
  TJvLogFile* aLogFile = nullptr;
  TJvComputerInfoEx* aPCInfo = nullptr;
  TJvAppXMLFileStorage* aXMLStorage = nullptr;
  TJvFormStorage* aFormStorage = nullptr;
  TDownloadBar* DownloadBar = nullptr;
  TFindBar* FindBar = nullptr;
  TPermissionBar* PermissionBar = nullptr;
  TPageShortcuts* aPageShortcuts = nullptr;
  TLeavingLinks* LeavingLinks = nullptr;

  // Starts logging every raised exception, then puts the error log, the configuration and the
  // browser's cookies into the data folder.
  void FormCreate(TObject* Sender);
  // Stops logging exceptions: the log file goes with the window.
  void FormDestroy(TObject* Sender);
  // Loads the sign-up page on the first run, the web application's start page afterwards.
  void FormShow(TObject* Sender);
  // Marks the first run as over, whether or not the user signed up.
  void FormClose(TObject* Sender, TCloseAction& Action);
  // Lets the page answer its leave-page question before the user's close goes through.
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void ChromiumClose(TObject* Sender, const TRef<ICefBrowser>& browser, bool& Result);
  // Turns the marketing site's sign-up page into the web application's.
  void ChromiumAddressChange(TObject* Sender, const TRef<ICefBrowser>& browser,
                             const TRef<ICefFrame>& frame, const ustring& url);
  // Restyles the login page after every finished load of it, in whichever frame.
  void ChromiumLoadEnd(TObject* Sender, const TRef<ICefBrowser>& browser,
                       const TRef<ICefFrame>& frame, int32_t httpStatusCode);

  // A page of the web application that a start of the program asked for: opened at once in a
  // shown window, else in place of the start page, but not on the first run.
  void OpenRequestedPage(const ustring& url);

  // Empty on purpose: being assigned keeps the framework's error box away; every exception is
  // logged where it is raised, so one that reaches the message loop is simply dropped.
  void aAppEventsException(TObject* Sender, const std::exception& E);

 protected:
  ~TMainForm() override;
  TFormDescription Description() const override;

 private:
  bool FPageAgreedToClose = false;
  ustring FRequestedPage;
};

extern TMainForm* MainForm;
