#include "RtPrint.h"

#include "RtDownloadFiles.h"
#include "RtText.h"

namespace {

GtkPrintSettings* KeptSettings = nullptr;
GtkPageSetup* KeptPageSetup = nullptr;

// The kept file is the last page's; the next page's file goes beside it under its own name.
// GTK's file printer takes the folder as a path, not a URI.
void ForgetOutputFile(GtkPrintSettings* settings) {
  const char* uri = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_URI);
  if (!uri) return;
  g_autoptr(GFile) file = g_file_new_for_uri(uri);
  g_autoptr(GFile) folder = g_file_get_parent(file);
  const std::string path = folder ? TakeText(g_file_get_path(folder)) : std::string();
  if (!path.empty()) gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_DIR, path.c_str());
  gtk_print_settings_unset(settings, GTK_PRINT_SETTINGS_OUTPUT_URI);
}

GtkWindow* WindowOf(WebKitWebView* view) {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  return gtk_widget_is_toplevel(top) && GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

}  // namespace

void PreparePrint(WebKitWebView* view, WebKitPrintOperation* operation) {
  g_autoptr(GtkPrintSettings) settings =
      KeptSettings ? gtk_print_settings_copy(KeptSettings) : gtk_print_settings_new();
  ForgetOutputFile(settings);
  const std::string title = TextOrEmpty(webkit_web_view_get_title(view));
  if (!title.empty())
    gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_BASENAME,
                           SafeFileName(title).c_str());
  webkit_print_operation_set_print_settings(operation, settings);
  if (KeptPageSetup) webkit_print_operation_set_page_setup(operation, KeptPageSetup);
}

void KeepPrintChoices(WebKitPrintOperation* operation) {
  g_clear_object(&KeptSettings);
  g_clear_object(&KeptPageSetup);
  if (GtkPrintSettings* settings = webkit_print_operation_get_print_settings(operation))
    KeptSettings = gtk_print_settings_copy(settings);
  if (GtkPageSetup* pageSetup = webkit_print_operation_get_page_setup(operation))
    KeptPageSetup = gtk_page_setup_copy(pageSetup);
}

void PrintWithDialog(WebKitWebView* view, WebKitPrintOperation* operation) {
  PreparePrint(view, operation);
  if (webkit_print_operation_run_dialog(operation, WindowOf(view)) ==
      WEBKIT_PRINT_OPERATION_RESPONSE_PRINT)
    KeepPrintChoices(operation);
}
