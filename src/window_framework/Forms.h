#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

#include "Controls.h"

enum TFormBorderStyle { bsSingle, bsSizeable };
// poDefaultPosOnly leaves the position to the window manager and keeps the designed size.
enum TPosition { poDesigned, poDefaultPosOnly };
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
  void SetPosition(TPosition position) { FPosition = position; }
  const TFont& Font() const { return FFont; }
  void SetFont(TFont font);

  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  void SetVisible(bool visible) override;
  // Asks OnCloseQuery, then runs OnClose; closing the application's main form ends its loop.
  void Close();
  bool CloseQuery();

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
  void ApplyFont(GtkWidget* window);
  void ApplyTaskbarOwnership();

  std::string FCaption;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TPosition FPosition = poDesigned;
  TFont FFont;
  bool FCreated = false;
};
