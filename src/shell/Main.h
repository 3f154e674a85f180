#pragma once

#include <exception>

#include "ApplicationEvents.h"
#include "Forms.h"
#include "cefvcl.h"

// The program's one window.
class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* AOwner) : TForm(AOwner) {}

  TChromium* Chromium = nullptr;
  TApplicationEvents* aAppEvents = nullptr;

  // Loads the first page.
  void FormShow(TObject* Sender);
  // Turns the marketing site's sign-up page into the web application's.
  void ChromiumAddressChange(TObject* Sender, const TRef<ICefBrowser>& browser,
                             const TRef<ICefFrame>& frame, const ustring& url);
  // Restyles the login page after every finished load of it, in whichever frame.
  void ChromiumLoadEnd(TObject* Sender, const TRef<ICefBrowser>& browser,
                       const TRef<ICefFrame>& frame, int32_t httpStatusCode);

  // Empty on purpose: being assigned keeps the framework's error box away; every exception is
  // logged where it is raised, so one that reaches the message loop is simply dropped.
  void aAppEventsException(TObject* Sender, const std::exception& E);

 protected:
  ~TMainForm() override;
  TFormDescription Description() const override;
};

extern TMainForm* MainForm;
