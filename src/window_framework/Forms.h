#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "Controls.h"

enum TFormBorderStyle { bsSingle, bsSizeable };
// Which of the designed position and size the window gets; the window manager chooses the rest.
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

class TForm;
typedef struct _GtkWindow GtkWindow;

// A form's stored description: the form's own property values, then each component, created in
// the listed order, with its values. Build one with TFormDescriptionOf.
class TFormDescription {
 public:
  void ApplyTo(TForm& form) const;

 protected:
  std::vector<std::function<void(TForm&)>> FSteps;
};

template <class TFormClass>
class TFormDescriptionOf : public TFormDescription {
 public:
  TFormDescriptionOf& Properties(std::function<void(TFormClass&)> apply) {
    FSteps.push_back([apply](TForm& form) { apply(static_cast<TFormClass&>(form)); });
    return *this;
  }

  // Creates a TComponentClass owned (and, for a control, parented) by the form, stores it in
  // field, names it and gives it its values.
  template <class TComponentClass>
  TFormDescriptionOf& Component(
      std::string name, TComponentClass* TFormClass::*field,
      std::type_identity_t<std::function<void(TFormClass&, TComponentClass&)>> apply = {}) {
    FSteps.push_back([name, field, apply](TForm& form) {
      auto& owner = static_cast<TFormClass&>(form);
      auto* component = new TComponentClass(&owner);
      owner.*field = component;
      component->BeginLoading();
      component->SetName(name);
      if constexpr (std::is_base_of_v<TWinControl, TComponentClass>) component->SetParent(&owner);
      if (apply) apply(owner, *component);
    });
    return *this;
  }
};

// A top-level window. Its widget is a GtkWindow whose content is the client area.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);

  // The control's published properties and Caption.
  const TPublishedClass* ClassInfo() const override;

  // Creates the components of Description(), runs every loaded step, then the create handler.
  // An error from a loaded step propagates; one from the create handler goes to the
  // application's exception handling and the form is created all the same.
  void LoadDescription();

  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string caption);
  void SetClientSize(int width, int height) { SetBounds(Left(), Top(), width, height); }
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle style);
  TPosition Position() const { return FPosition; }
  // Takes effect the next time the bounds are applied; changing it does not move the window.
  void SetPosition(TPosition position) { FPosition = position; }
  TWindowState WindowState() const { return FWindowState; }
  // Applied to the window at once, or when it is created.
  void SetWindowState(TWindowState state);
  // The bounds of the window in the normal state, kept while it is maximized or minimized: the
  // top-left corner is the window manager's reference point (where gtk_window_move puts the
  // frame), the size is the client area's.
  TRect NormalBounds() const { return FNormalBounds; }
  // Applied at once in the normal state; otherwise only remembered, since the window manager
  // restores its own bounds when the window leaves the maximized or minimized state.
  void SetNormalBounds(const TRect& bounds);
  const TFont& Font() const { return FFont; }
  void SetFont(TFont font);
  // The least client size the user can resize the window to; 0 leaves that side free.
  void SetMinimumSize(int width, int height);
  // An icon of the desktop's icon theme; empty for none.
  void SetIconName(std::string iconName);

  // The owned control that holds the keyboard focus, or contains the widget that holds it.
  TWinControl* ActiveControl();

  void Show() { SetVisible(true); }
  // Brings the created window over the others, out of the minimized state, with the focus.
  // startupId is the desktop's start-up notification id of the request that asks for it, so the
  // window manager allows it.
  void BringToFront(const std::string& startupId = {});
  void Hide() { SetVisible(false); }
  void SetVisible(bool visible) override;
  // Asks OnCloseQuery, then runs OnClose; closing the application's main form ends its loop.
  void Close();
  bool CloseQuery();
  // Shows the window over the other windows of the program, which take no input meanwhile,
  // and returns once it is hidden (closed).
  void ShowModal();

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;
  TNotifyEvent OnDestroy;

 protected:
  virtual TFormDescription Description() const { return {}; }
  GtkWidget* CreateWindowAround(GtkWidget* clientArea) override;
  void ApplyBounds() override;
  void BeforeDestruction() override;

 private:
  void RunLoadedSteps();
  void RunHandler(const TNotifyEvent& handler);
  void ApplyGeometry(GtkWindow* window, GtkWidget* clientArea);
  void ApplyWindowState(GtkWindow* window);
  void ConnectWindowSignals(GtkWidget* window);
  // The window manager moved, resized or changed the state of the window.
  void WindowConfigured(GtkWindow* window);
  void WindowStateChanged(unsigned newGdkState);
  struct TWindowSignals;
  void ApplyFont(GtkWidget* window);
  void ApplyTaskbarOwnership();

  std::string FCaption;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TRect FNormalBounds;
  TFont FFont;
  int FMinWidth = 0, FMinHeight = 0;
  std::string FIconName;
  bool FCreated = false;
};
