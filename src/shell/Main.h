#pragma once

#include <exception>

#include "ApplicationEvents.h"
#include "Forms.h"

// The program's one window.
class TMainForm : public TForm {
 public:
  explicit TMainForm(TComponent* AOwner) : TForm(AOwner) {}

  TApplicationEvents* aAppEvents = nullptr;

  // Empty on purpose: being assigned keeps the framework's error box away; every exception is
  // logged where it is raised, so one that reaches the message loop is simply dropped.
  void aAppEventsException(TObject* Sender, const std::exception& E);

 protected:
  ~TMainForm() override;
  TFormDescription Description() const override;
};

extern TMainForm* MainForm;
