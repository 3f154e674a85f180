#include "Menus.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "Application.h"
#include "ImgList.h"

namespace {

void OnItemActivate(GtkMenuItem*, gpointer data) {
  auto* item = static_cast<TMenuItem*>(data);
  CallGuarded(item, [item] { item->Click(); });
}

// An image, when there is one, then the caption.
GtkWidget* NewItemContent(const std::string& caption, GtkWidget* image) {
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  if (image) gtk_box_pack_start(GTK_BOX(box), image, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gtk_label_new_with_mnemonic(caption.c_str()), FALSE, FALSE, 0);
  gtk_widget_show_all(box);
  return box;
}

}  // namespace

void TMenuItem::SetChecked(bool checked) {
  FChecked = checked;
  if (checked && FRadioItem && FMenu) {
    for (TMenuItem* other : FMenu->FItems) {
      if (other == this || !other->FRadioItem || other->FGroupIndex != FGroupIndex) continue;
      other->FChecked = false;
      other->ShowChecked();
    }
  }
  ShowChecked();
}

void TMenuItem::Click() {
  if (FAutoCheck) SetChecked(FRadioItem || !FChecked);
  // GTK toggles a check item on its own; the item shows what we hold.
  ShowChecked();
  if (OnClick) OnClick(this);
}

void TMenuItem::ShowChecked() {
  if (!FWidget || !GTK_IS_CHECK_MENU_ITEM(FWidget)) return;
  g_signal_handlers_block_by_func(FWidget, reinterpret_cast<gpointer>(OnItemActivate), this);
  gtk_check_menu_item_set_active(GTK_CHECK_MENU_ITEM(FWidget), FChecked);
  g_signal_handlers_unblock_by_func(FWidget, reinterpret_cast<gpointer>(OnItemActivate), this);
}

GtkWidget* TMenuItem::CreateWidget(const TImageList* images) {
  const bool checkable = FRadioItem || FAutoCheck || FChecked;
  FWidget = checkable ? gtk_check_menu_item_new() : gtk_menu_item_new();
  if (FRadioItem) gtk_check_menu_item_set_draw_as_radio(GTK_CHECK_MENU_ITEM(FWidget), TRUE);
  GtkWidget* image = images ? images->NewImage(FImageIndex) : nullptr;
  gtk_container_add(GTK_CONTAINER(FWidget), NewItemContent(FCaption, image));
  ShowChecked();
  g_signal_connect(FWidget, "activate", G_CALLBACK(OnItemActivate), this);
  gtk_widget_show(FWidget);
  return FWidget;
}

TMenuItem::~TMenuItem() {
  if (FMenu) FMenu->Remove(this);
}

void TPopupMenu::Add(TMenuItem* item) {
  FItems.push_back(item);
  item->FMenu = this;
  if (FHandle) gtk_menu_shell_append(GTK_MENU_SHELL(FHandle), item->CreateWidget(FImages));
}

void TPopupMenu::Remove(TMenuItem* item) {
  std::erase(FItems, item);
  if (item->FWidget) {
    g_signal_handlers_disconnect_by_data(item->FWidget, item);
    gtk_widget_destroy(item->FWidget);
  }
  item->FWidget = nullptr;
  item->FMenu = nullptr;
}

GtkWidget* TPopupMenu::Handle() {
  if (FHandle) return FHandle;
  FHandle = GTK_WIDGET(g_object_ref_sink(gtk_menu_new()));
  for (TMenuItem* item : FItems)
    gtk_menu_shell_append(GTK_MENU_SHELL(FHandle), item->CreateWidget(FImages));
  return FHandle;
}

TPopupMenu::~TPopupMenu() {
  while (!FItems.empty()) Remove(FItems.back());
  if (!FHandle) return;
  // A menu attached to a button is destroyed with the button, which may already be gone.
  gtk_widget_destroy(FHandle);
  g_object_unref(FHandle);
}
