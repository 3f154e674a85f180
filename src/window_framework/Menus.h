#pragma once

#include <string>
#include <vector>

#include "Classes.h"

typedef struct _GtkWidget GtkWidget;
class TImageList;
class TPopupMenu;

// One entry of a pop-up menu. Radio items of the same group index in one menu are checked
// one at a time.
class TMenuItem : public TComponent {
 public:
  using TComponent::TComponent;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string caption) { FCaption = std::move(caption); }
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index) { FImageIndex = index; }
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool value) { FRadioItem = value; }
  // Checks the item when it is clicked.
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool value) { FAutoCheck = value; }
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int index) { FGroupIndex = index; }
  bool Checked() const { return FChecked; }
  // Checking a radio item unchecks the others of its group.
  void SetChecked(bool checked);

  // What choosing the item does: AutoCheck, then OnClick.
  void Click();

  TNotifyEvent OnClick;

 protected:
  ~TMenuItem() override;

 private:
  friend class TPopupMenu;
  GtkWidget* CreateWidget(const TImageList* images);
  void ShowChecked();

  std::string FCaption;
  int FImageIndex = -1;
  bool FRadioItem = false;
  bool FAutoCheck = false;
  int FGroupIndex = 0;
  bool FChecked = false;
  TPopupMenu* FMenu = nullptr;
  GtkWidget* FWidget = nullptr;
};

class TPopupMenu : public TComponent {
 public:
  using TComponent::TComponent;

  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* images) { FImages = images; }
  void Add(TMenuItem* item);
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int index) const { return FItems.at(static_cast<size_t>(index)); }
  // The GTK menu of the items, made on first use.
  GtkWidget* Handle();

 protected:
  ~TPopupMenu() override;

 private:
  friend class TMenuItem;
  void Remove(TMenuItem* item);

  std::vector<TMenuItem*> FItems;
  TImageList* FImages = nullptr;
  GtkWidget* FHandle = nullptr;
};
