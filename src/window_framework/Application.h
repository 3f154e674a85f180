#pragma once

#include <exception>
#include <vector>

#include "Forms.h"
#include "GuardedCall.h"

typedef struct _GMainLoop GMainLoop;
class TApplicationEvents;

// The application object: owns the forms, runs the message loop until the main form closes,
// and is where every exception that reaches the loop ends up.
class TApplication : public TComponent {
 public:
  explicit TApplication(TComponent* AOwner);

  // Opens the display; raises when there is none.
  void Initialize();

  // Creates a form owned by the application from its stored description; the first one created
  // becomes the main form. reference is set before the description is loaded, as handlers may
  // use it; if loading raises, the form is freed and reference cleared.
  template <class TFormClass>
  void CreateForm(TFormClass*& reference);

  // Shows the main form and runs the loop until Terminate; answers ExitCode.
  int Run();
  void Terminate();
  bool Terminated() const { return FTerminated; }
  int ExitCode() const { return FExitCode; }
  void SetExitCode(int code) { FExitCode = code; }

  TForm* MainForm() const { return FMainForm; }
  // When set, the main form alone owns a taskbar entry; other forms stay in front of it.
  bool MainFormOnTaskBar() const { return FMainFormOnTaskBar; }
  void SetMainFormOnTaskBar(bool value) { FMainFormOnTaskBar = value; }

  // An assigned OnException (here or on any TApplicationEvents) replaces ShowException.
  void HandleException(TObject* Sender, const std::exception& E);
  // The default error display: stderr and a modal error box.
  void ShowException(const std::exception& E);

  TExceptionEvent OnException;

 private:
  friend class TApplicationEvents;
  friend class TForm;
  void AddApplicationEvents(TApplicationEvents* events);
  void RemoveApplicationEvents(TApplicationEvents* events);
  void FormDestroying(TForm* form);
  bool CallExceptionHandlers(TObject* Sender, const std::exception& E);

  TForm* FMainForm = nullptr;
  bool FMainFormOnTaskBar = false;
  bool FTerminated = false;
  int FExitCode = 0;
  GMainLoop* FLoop = nullptr;
  std::vector<TApplicationEvents*> FApplicationEvents;
};

// Exists between StartWindowFramework and EndWindowFramework, the framework's module actions.
extern TApplication* Application;
void StartWindowFramework();
// Frees the application object and, with it, every form.
void EndWindowFramework();

template <class TFormClass>
void TApplication::CreateForm(TFormClass*& reference) {
  reference = new TFormClass(this);
  try {
    reference->LoadDescription();
  } catch (...) {
    reference->Free();
    reference = nullptr;
    throw;
  }
  if (!FMainForm) FMainForm = reference;
}
