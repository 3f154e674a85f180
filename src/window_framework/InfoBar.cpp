#include "InfoBar.h"

#include <gtk/gtk.h>

#include <algorithm>

#include "Application.h"

namespace {

constexpr const char* kButtonIndexKey = "corvane-button-index";

void OnActionClicked(GtkButton* button, gpointer data) {
  auto* bar = static_cast<TInfoBar*>(data);
  const int index = GPOINTER_TO_INT(g_object_get_data(G_OBJECT(button), kButtonIndexKey));
  CallGuarded(bar, [&] { bar->ClickButton(index); });
}

void OnCloseClicked(GtkButton*, gpointer data) {
  auto* bar = static_cast<TInfoBar*>(data);
  CallGuarded(bar, [bar] { bar->CloseBar(); });
}

GtkWidget* NewCloseButton() {
  GtkWidget* button = gtk_button_new_from_icon_name("window-close-symbolic", GTK_ICON_SIZE_MENU);
  gtk_button_set_relief(GTK_BUTTON(button), GTK_RELIEF_NONE);
  gtk_widget_set_tooltip_text(button, "Close");
  // Without an icon theme the button has no text: screen readers still get a name.
  atk_object_set_name(gtk_widget_get_accessible(button), "Close");
  return button;
}

}  // namespace

void TInfoBar::SetMessage(std::string message) {
  FMessage = std::move(message);
  ShowMessage();
}

void TInfoBar::SetProgress(std::optional<double> fraction) {
  if (fraction) fraction = std::clamp(*fraction, 0.0, 1.0);
  FProgress = fraction;
  ShowProgress();
}

void TInfoBar::SetButtons(std::vector<TInfoBarButton> buttons) {
  FButtons = std::move(buttons);
  ShowButtons();
}

// The handler may replace the buttons, and with them itself.
void TInfoBar::ClickButton(int index) {
  const std::function<void()> handler = FButtons.at(static_cast<size_t>(index)).OnClick;
  if (handler) handler();
}

void TInfoBar::CloseBar() {
  SetVisible(false);
  if (OnClose) OnClose(this);
}

GtkWidget* TInfoBar::CreateContent() {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  g_object_set(row, "margin-start", 8, "margin-end", 4, "margin-top", 2, "margin-bottom", 2,
               nullptr);
  FLabel = gtk_label_new(nullptr);
  gtk_label_set_ellipsize(GTK_LABEL(FLabel), PANGO_ELLIPSIZE_MIDDLE);
  gtk_label_set_xalign(GTK_LABEL(FLabel), 0);
  gtk_box_pack_start(GTK_BOX(row), FLabel, TRUE, TRUE, 0);
  FProgressBar = gtk_progress_bar_new();
  gtk_widget_set_size_request(FProgressBar, 160, -1);
  gtk_widget_set_valign(FProgressBar, GTK_ALIGN_CENTER);
  gtk_box_pack_start(GTK_BOX(row), FProgressBar, FALSE, FALSE, 0);
  FButtonBox = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 4);
  gtk_box_pack_start(GTK_BOX(row), FButtonBox, FALSE, FALSE, 0);
  GtkWidget* close = NewCloseButton();
  g_signal_connect(close, "clicked", G_CALLBACK(OnCloseClicked), this);
  gtk_box_pack_end(GTK_BOX(row), close, FALSE, FALSE, 0);

  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(bar), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(bar), row, TRUE, TRUE, 0);
  gtk_widget_show_all(bar);
  ShowMessage();
  ShowProgress();
  ShowButtons();
  return bar;
}

// The close button keeps the row as tall as a row with action buttons.
void TInfoBar::CreateWnd() {
  TWidgetControl::CreateWnd();
  FitHeightToContent();
}

void TInfoBar::ShowMessage() {
  if (FLabel) gtk_label_set_text(GTK_LABEL(FLabel), FMessage.c_str());
}

void TInfoBar::ShowProgress() {
  if (!FProgressBar) return;
  gtk_widget_set_visible(FProgressBar, FProgress.has_value());
  if (FProgress) gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(FProgressBar), *FProgress);
}

void TInfoBar::ShowButtons() {
  if (!FButtonBox) return;
  g_autoptr(GList) old = gtk_container_get_children(GTK_CONTAINER(FButtonBox));
  for (GList* item = old; item; item = item->next) gtk_widget_destroy(GTK_WIDGET(item->data));
  for (size_t index = 0; index < FButtons.size(); ++index) {
    GtkWidget* button = gtk_button_new_with_label(FButtons[index].Caption.c_str());
    g_object_set_data(G_OBJECT(button), kButtonIndexKey, GINT_TO_POINTER(int(index)));
    g_signal_connect(button, "clicked", G_CALLBACK(OnActionClicked), this);
    gtk_box_pack_start(GTK_BOX(FButtonBox), button, FALSE, FALSE, 0);
    gtk_widget_show(button);
  }
}
