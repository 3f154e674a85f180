#pragma once

#include <span>
#include <string>
#include <vector>

#include "WidgetControl.h"

typedef struct _GtkListStore GtkListStore;
class TAction;
class TImageList;
class TPopupMenu;
class TToolButton;

// A row of tool buttons, ordered by their Left. With AutoSize it takes the height its buttons
// need; its width follows its alignment.
class TToolBar : public TWidgetControl {
 public:
  using TWidgetControl::TWidgetControl;

  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* images) { FImages = images; }
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int width) { FButtonWidth = width; }
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value) { FAutoSize = value; }
  // A line along the bottom edge.
  void SetEdgeBottom(bool value) { FEdgeBottom = value; }
  // Whether the buttons show their hints as tooltips.
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value) { FShowHint = value; }
  int ButtonCount() const { return static_cast<int>(FButtons.size()); }
  TToolButton* Buttons(int index) const { return FButtons.at(static_cast<size_t>(index)); }

 protected:
  ~TToolBar() override;
  GtkWidget* CreateContent() override;
  void CreateWnd() override;

 private:
  friend class TToolButton;
  void InsertButton(TToolButton* button);
  void RemoveButton(TToolButton* button);

  std::vector<TToolButton*> FButtons;
  TImageList* FImages = nullptr;
  GtkWidget* FToolbar = nullptr;
  int FButtonWidth = 23;
  bool FAutoSize = false;
  bool FEdgeBottom = false;
  bool FShowHint = false;
};

enum TToolButtonStyle { tbsButton, tbsSeparator, tbsDropDown };

// A button of a tool bar. With an action it takes the action's caption, hint and image and
// runs the action when clicked; a drop-down button opens its menu from its arrow.
class TToolButton : public TComponent {
 public:
  using TComponent::TComponent;

  // Joins toolBar at the place its Left gives; set the other properties first.
  void SetToolBar(TToolBar* toolBar);
  int Left() const { return FLeft; }
  void SetLeft(int left) { FLeft = left; }
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle style) { FStyle = style; }
  // The width of a separator; buttons take the tool bar's button width.
  void SetWidth(int width) { FWidth = width; }
  TAction* Action() const { return FAction; }
  void SetAction(TAction* action);
  const std::string& Caption() const { return FCaption; }
  void SetCaption(std::string caption);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int index);
  const std::string& Hint() const { return FHint; }
  TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
  void SetDropdownMenu(TPopupMenu* menu);

  // Runs the action, then OnClick.
  void Click();

  TNotifyEvent OnClick;

 protected:
  ~TToolButton() override;

 private:
  friend class TToolBar;
  GtkWidget* CreateItem();
  void ShowImage();

  TToolBar* FToolBar = nullptr;
  GtkWidget* FItem = nullptr;
  int FLeft = 0;
  int FWidth = 8;
  TToolButtonStyle FStyle = tbsButton;
  TAction* FAction = nullptr;
  std::string FCaption;
  std::string FHint;
  int FImageIndex = -1;
  TPopupMenu* FDropdownMenu = nullptr;
};

struct TListColumn {
  std::string Caption;
  int Width = 50;
};

// A read-only table of text rows in report style: one row per item, the item's caption in the
// first column and its sub-items in the others; rows are selected whole.
class TListView : public TWidgetControl {
 public:
  using TWidgetControl::TWidgetControl;
  using TRow = std::vector<std::string>;

  // Columns are set up before the control's window is created; their widths may change later.
  void AddColumn(std::string caption, int width = 50);
  int ColumnCount() const { return static_cast<int>(FColumns.size()); }
  const TListColumn& Column(int index) const { return FColumns.at(static_cast<size_t>(index)); }
  void SetColumnWidth(int index, int width);
  // The least width at which the column shows its heading and each of texts whole in the
  // table's font; creates the control's window.
  int ColumnWidthToFit(int index, std::span<const std::string> texts);
  // The last column takes the width the others leave.
  void SetLastColumnFills(bool value);
  void SetGridLines(bool value);
  // Selects the row under the mouse pointer.
  void SetHotTrack(bool value);

  int ItemCount() const { return static_cast<int>(FItems.size()); }
  // Missing cells read as "".
  const TRow& Item(int index) const { return FItems.at(static_cast<size_t>(index)); }
  void AddItem(TRow cells);
  void Clear();
  // Between the two, rows are only collected; the table shows them all at once at the end.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();

 protected:
  ~TListView() override;
  GtkWidget* CreateContent() override;

 private:
  void AppendToStore(const TRow& cells);
  void FillStore();
  void ApplyOptions();

  std::vector<TListColumn> FColumns;
  std::vector<TRow> FItems;
  GtkWidget* FTreeView = nullptr;
  GtkListStore* FStore = nullptr;
  int FUpdateCount = 0;
  bool FGridLines = false;
  bool FHotTrack = false;
  bool FLastColumnFills = false;
};
