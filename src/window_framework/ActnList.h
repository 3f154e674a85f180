#pragma once

#include <string>
#include <vector>

#include "Classes.h"

class TActionList;
class TForm;
class TImageList;

// A key with Ctrl held, such as Ctrl+S; Key is the lower-case letter. Key 0 is no shortcut.
struct TShortCut {
  unsigned Key = 0;
  bool Ctrl = false;
  friend bool operator==(const TShortCut&, const TShortCut&) = default;
};

// A command that tool buttons and menu items share: its caption, hint, image and shortcut.
class TAction : public TComponent {
 public:
  using TComponent::TComponent;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string caption) { FCaption = std::move(caption); }
  const std::string& Hint() const { return FHint; }
  void SetHint(std::string hint) { FHint = std::move(hint); }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index) { FImageIndex = index; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut shortCut) { FShortCut = shortCut; }
  TActionList* ActionList() const { return FActionList; }
  // Adds the action to list, whose owner form then reacts to its shortcut.
  void SetActionList(TActionList* list);

  // Runs OnExecute; an error goes to the application's exception handling, so the window
  // that ran the action stays as it was. Answers whether there was a handler.
  bool Execute();

  TNotifyEvent OnExecute;

 protected:
  ~TAction() override;

 private:
  friend class TActionList;
  std::string FCaption;
  std::string FHint;
  int FImageIndex = -1;
  TShortCut FShortCut;
  TActionList* FActionList = nullptr;
};

// The actions of a form. Once loaded, the shortcuts of its actions work anywhere in the owner
// form's window.
class TActionList : public TComponent {
 public:
  using TComponent::TComponent;

  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* images) { FImages = images; }
  int ActionCount() const { return static_cast<int>(FActions.size()); }
  TAction* Actions(int index) const { return FActions.at(static_cast<size_t>(index)); }
  // Executes the action whose shortcut this is; answers whether there was one.
  bool ExecuteShortCut(TShortCut shortCut);
  void Loaded() override;

 protected:
  ~TActionList() override;

 private:
  friend class TAction;
  TForm* OwnerForm() const;

  std::vector<TAction*> FActions;
  TImageList* FImages = nullptr;
};
