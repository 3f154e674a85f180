#include "SearchBar.h"

#include <gtk/gtk.h>

#include "Application.h"

struct TSearchBarSignals {
  static void Changed(GtkEditable* entry, gpointer data) {
    auto* bar = static_cast<TSearchBar*>(data);
    CallGuarded(bar, [&] { bar->TextEdited(gtk_entry_get_text(GTK_ENTRY(entry))); });
  }

  // Handled before the entry's own bindings, so Shift+Enter and Escape mean the same here on
  // every theme and input method.
  static gboolean KeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
    auto* bar = static_cast<TSearchBar*>(data);
    return CallGuarded(bar, gboolean(FALSE), [&] {
      switch (event->keyval) {
        case GDK_KEY_Return:
        case GDK_KEY_KP_Enter:
        case GDK_KEY_ISO_Enter:
          bar->Step((event->state & GDK_SHIFT_MASK) != 0);
          return gboolean(TRUE);
        case GDK_KEY_Escape:
          bar->Cancel();
          return gboolean(TRUE);
        default:
          return gboolean(FALSE);
      }
    });
  }
};

void TSearchBar::SetText(std::string text) {
  if (FEntry)
    gtk_entry_set_text(GTK_ENTRY(FEntry), text.c_str());  // reports back through TextEdited
  else
    TextEdited(std::move(text));
}

void TSearchBar::TextEdited(std::string text) {
  if (text == FText) return;
  FText = std::move(text);
  if (OnChange) OnChange(this);
}

void TSearchBar::SetFieldName(std::string name) {
  FFieldName = std::move(name);
  ShowFieldName();
}

void TSearchBar::ShowFieldName() {
  if (!FEntry) return;
  gtk_entry_set_placeholder_text(GTK_ENTRY(FEntry), FFieldName.c_str());
  atk_object_set_name(gtk_widget_get_accessible(FEntry), FFieldName.c_str());
}

void TSearchBar::SetStatus(std::string status) {
  FStatus = std::move(status);
  if (FStatusLabel) gtk_label_set_text(GTK_LABEL(FStatusLabel), FStatus.c_str());
}

void TSearchBar::FocusText() {
  if (!FEntry) HandleNeeded();
  gtk_widget_grab_focus(FEntry);  // selects the whole text
}

void TSearchBar::Step(bool backwards) {
  if (OnStep) OnStep(this, backwards);
}

void TSearchBar::Cancel() {
  if (OnCancel) OnCancel(this);
}

GtkWidget* TSearchBar::CreateContent() {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
  g_object_set(row, "margin-start", 8, "margin-end", 8, "margin-top", 2, "margin-bottom", 2,
               nullptr);
  FEntry = gtk_search_entry_new();
  gtk_entry_set_text(GTK_ENTRY(FEntry), FText.c_str());
  gtk_entry_set_width_chars(GTK_ENTRY(FEntry), 28);
  ShowFieldName();
  g_signal_connect(FEntry, "changed", G_CALLBACK(TSearchBarSignals::Changed), this);
  g_signal_connect(FEntry, "key-press-event", G_CALLBACK(TSearchBarSignals::KeyPress), this);
  gtk_box_pack_start(GTK_BOX(row), FEntry, FALSE, FALSE, 0);
  FStatusLabel = gtk_label_new(FStatus.c_str());
  gtk_label_set_xalign(GTK_LABEL(FStatusLabel), 0);
  gtk_box_pack_start(GTK_BOX(row), FStatusLabel, TRUE, TRUE, 0);

  GtkWidget* bar = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_box_pack_start(GTK_BOX(bar), row, TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(bar), gtk_separator_new(GTK_ORIENTATION_HORIZONTAL), FALSE, FALSE, 0);
  gtk_widget_show_all(bar);
  return bar;
}

// As tall as the search field needs.
void TSearchBar::CreateWnd() {
  TWidgetControl::CreateWnd();
  FitHeightToContent();
}
