#include "ErrorDisplay.h"

#include <gtk/gtk.h>

#include <cstdio>

#include "SysUtils.h"

namespace {

// Set while a box is open: its modal loop still runs timers, and an error that repeats must
// not pile up boxes on top of each other.
bool BoxOpen = false;

}  // namespace

void WriteError(const std::exception& E) {
  const char* program = g_get_prgname();
  std::fprintf(stderr, "%s: %s: %s\n", program ? program : "error", ExceptionClassName(E),
               E.what());
  std::fflush(stderr);
}

void ShowErrorBox(const std::exception& E, GtkWindow* parent) {
  WriteError(E);
  if (BoxOpen || !gtk_init_check(nullptr, nullptr)) return;
  BoxOpen = true;
  GtkWidget* box = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                          GTK_BUTTONS_OK, "%s", E.what());
  if (const char* name = g_get_application_name()) gtk_window_set_title(GTK_WINDOW(box), name);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  BoxOpen = false;
}
