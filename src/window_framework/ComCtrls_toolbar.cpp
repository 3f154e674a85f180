#include <gtk/gtk.h>

#include <algorithm>

#include "ActnList.h"
#include "Application.h"
#include "ComCtrls.h"
#include "ImgList.h"
#include "Menus.h"

namespace {

void OnButtonClicked(GtkToolButton*, gpointer data) {
  auto* button = static_cast<TToolButton*>(data);
  CallGuarded(button, [button] { button->Click(); });
}

}  // namespace

GtkWidget* TToolBar::CreateContent() {
  FToolbar = gtk_toolbar_new();
  gtk_toolbar_set_style(GTK_TOOLBAR(FToolbar), GTK_TOOLBAR_ICONS);
  gtk_toolbar_set_icon_size(GTK_TOOLBAR(FToolbar), GTK_ICON_SIZE_MENU);
  gtk_toolbar_set_show_arrow(GTK_TOOLBAR(FToolbar), FALSE);
  for (TToolButton* button : FButtons)
    gtk_toolbar_insert(GTK_TOOLBAR(FToolbar), GTK_TOOL_ITEM(button->CreateItem()), -1);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(box), FToolbar, TRUE, TRUE, 0);
  if (FEdgeBottom)
    gtk_box_pack_end(GTK_BOX(box), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
  gtk_widget_show_all(box);
  return box;
}

void TToolBar::CreateWnd() {
  TWidgetControl::CreateWnd();
  if (FAutoSize) FitHeightToContent();
}

TToolBar::~TToolBar() {
  // The buttons may outlive the bar; their items go with the bar's widget.
  for (TToolButton* button : FButtons) {
    button->FToolBar = nullptr;
    button->FItem = nullptr;
  }
}

void TToolBar::InsertButton(TToolButton* button) {
  const auto place =
      std::upper_bound(FButtons.begin(), FButtons.end(), button->Left(),
                       [](int left, const TToolButton* other) { return left < other->Left(); });
  const auto position = static_cast<int>(place - FButtons.begin());
  FButtons.insert(place, button);
  if (FToolbar)
    gtk_toolbar_insert(GTK_TOOLBAR(FToolbar), GTK_TOOL_ITEM(button->CreateItem()), position);
}

void TToolBar::RemoveButton(TToolButton* button) {
  std::erase(FButtons, button);
  if (button->FItem) gtk_widget_destroy(button->FItem);
  button->FItem = nullptr;
}

void TToolButton::SetToolBar(TToolBar* toolBar) {
  if (FToolBar) FToolBar->RemoveButton(this);
  FToolBar = toolBar;
  if (toolBar) toolBar->InsertButton(this);
}

TToolButton::~TToolButton() {
  SetToolBar(nullptr);
}

void TToolButton::SetAction(TAction* action) {
  FAction = action;
  if (!action) return;
  SetCaption(action->Caption());
  FHint = action->Hint();
  SetImageIndex(action->ImageIndex());
}

void TToolButton::SetCaption(std::string caption) {
  FCaption = std::move(caption);
  if (FItem && GTK_IS_TOOL_BUTTON(FItem))
    gtk_tool_button_set_label(GTK_TOOL_BUTTON(FItem), FCaption.c_str());
}

void TToolButton::SetImageIndex(int index) {
  FImageIndex = index;
  ShowImage();
}

void TToolButton::ShowImage() {
  if (!FItem || !GTK_IS_TOOL_BUTTON(FItem)) return;
  const TImageList* images = FToolBar ? FToolBar->Images() : nullptr;
  GtkWidget* image = images ? images->NewImage(FImageIndex) : nullptr;
  if (image) gtk_widget_show(image);
  gtk_tool_button_set_icon_widget(GTK_TOOL_BUTTON(FItem), image);
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
  FDropdownMenu = menu;
  if (FItem && GTK_IS_MENU_TOOL_BUTTON(FItem))
    gtk_menu_tool_button_set_menu(GTK_MENU_TOOL_BUTTON(FItem), menu ? menu->Handle() : nullptr);
}

void TToolButton::Click() {
  if (FAction) FAction->Execute();
  if (OnClick) OnClick(this);
}

GtkWidget* TToolButton::CreateItem() {
  if (FStyle == tbsSeparator) {
    FItem = GTK_WIDGET(gtk_separator_tool_item_new());
    gtk_widget_set_size_request(FItem, FWidth, -1);
  } else {
    FItem = GTK_WIDGET(FStyle == tbsDropDown ? gtk_menu_tool_button_new(nullptr, FCaption.c_str())
                                             : gtk_tool_button_new(nullptr, FCaption.c_str()));
    if (FStyle == tbsButton) gtk_widget_set_size_request(FItem, FToolBar->ButtonWidth(), -1);
    if (FDropdownMenu) SetDropdownMenu(FDropdownMenu);
    if (FToolBar->ShowHint() && !FHint.empty()) gtk_widget_set_tooltip_text(FItem, FHint.c_str());
    g_signal_connect(FItem, "clicked", G_CALLBACK(OnButtonClicked), this);
    ShowImage();
  }
  gtk_widget_show(FItem);
  return FItem;
}
