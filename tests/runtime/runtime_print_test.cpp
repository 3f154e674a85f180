// The runtime's printing: the dialog answered as a user would, a print to a file through GTK's
// file printer without a dialog, and the choices one print leaves for the next.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "RtPrint.h"

namespace {

std::string Root;

std::string DocumentsFolder() {
  return Root + "/documents";
}

// A view in a window of its own, showing html; nothing is stored in the user's folders.
class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Context = webkit_web_context_new_ephemeral();
    Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    View = WEBKIT_WEB_VIEW(webkit_web_view_new_with_context(Context));
    gtk_container_add(GTK_CONTAINER(Window), GTK_WIDGET(View));
    gtk_widget_show_all(Window);
  }
  void TearDown() override {
    gtk_widget_destroy(Window);
    g_object_unref(Context);
  }

  void Show(const char* html, const char* title) {
    webkit_web_view_load_html(View, html, "about:blank");
    Wait([&] { return g_strcmp0(webkit_web_view_get_title(View), title) == 0; });
  }

  template <class TDone>
  static bool Wait(TDone done, int seconds = 20) {
    const gint64 deadline = g_get_monotonic_time() + seconds * G_USEC_PER_SEC;
    while (!done() && g_get_monotonic_time() < deadline) g_main_context_iteration(nullptr, FALSE);
    return done();
  }

  static const char* Setting(WebKitPrintOperation* operation, const char* key) {
    return gtk_print_settings_get(webkit_print_operation_get_print_settings(operation), key);
  }

  WebKitWebContext* Context = nullptr;
  GtkWidget* Window = nullptr;
  WebKitWebView* View = nullptr;
};

std::string PdfText(const std::string& path) {
  std::string text;
  if (FILE* pipe = popen(("pdftotext '" + path + "' -").c_str(), "r")) {
    char buffer[4096];
    size_t read = 0;
    while ((read = fread(buffer, 1, sizeof(buffer), pipe)) > 0) text.append(buffer, read);
    pclose(pipe);
  }
  return text;
}

void OnPrintFinished(WebKitPrintOperation*, gpointer done) {
  *static_cast<bool*>(done) = true;
}

// Presses the dialog's Print button once the dialog has found a printer to make it usable;
// gives up with Cancel after ten seconds rather than leave the test hanging in the dialog.
gboolean PressPrintWhenReady(gpointer dialogParent) {
  static int ticks = 0;
  const bool givingUp = ++ticks > 100;
  GList* windows = gtk_window_list_toplevels();
  bool answered = false;
  for (GList* item = windows; item && !answered; item = item->next) {
    if (!GTK_IS_DIALOG(item->data) || !gtk_widget_get_visible(GTK_WIDGET(item->data))) continue;
    GtkDialog* dialog = GTK_DIALOG(item->data);
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), dialogParent);
    GtkWidget* print = gtk_dialog_get_widget_for_response(dialog, GTK_RESPONSE_OK);
    answered = givingUp || (print && gtk_widget_is_sensitive(print));
    if (answered) gtk_dialog_response(dialog, givingUp ? GTK_RESPONSE_CANCEL : GTK_RESPONSE_OK);
  }
  g_list_free(windows);
  return answered ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

// The last print went to a file in the documents folder; the dialog offers the same printer
// and folder, under the new page's title.
TEST_F(PrintTest, DialogPrintsWithTheKeptChoicesUnderThePageTitle) {
  Show("<title>Invoice 6</title><p>earlier</p>", "Invoice 6");
  WebKitPrintOperation* earlier = webkit_print_operation_new(View);
  PreparePrint(View, earlier);
  GtkPrintSettings* chosen = webkit_print_operation_get_print_settings(earlier);
  gtk_print_settings_set_printer(chosen, "Print to File");
  gchar* earlierUri =
      g_filename_to_uri((DocumentsFolder() + "/Invoice 6.pdf").c_str(), nullptr, nullptr);
  gtk_print_settings_set(chosen, GTK_PRINT_SETTINGS_OUTPUT_URI, earlierUri);
  g_free(earlierUri);
  KeepPrintChoices(earlier);
  g_object_unref(earlier);

  Show("<title>Invoice 7</title><h1>Dialog heading</h1>", "Invoice 7");
  g_timeout_add(100, PressPrintWhenReady, Window);  // answers the dialog, so it ends by itself
  WebKitPrintOperation* operation = webkit_print_operation_new(View);
  bool done = false;
  g_signal_connect(operation, "finished", G_CALLBACK(OnPrintFinished), &done);
  PrintWithDialog(View, operation);
  EXPECT_TRUE(Wait([&] { return done; }));
  g_object_unref(operation);
  EXPECT_NE(PdfText(DocumentsFolder() + "/Invoice 7.pdf").find("Dialog heading"),
            std::string::npos);
}

TEST_F(PrintTest, PageTitleNamesTheOutputAndThePdfHoldsThePage) {
  Show("<title>Invoice 42/2026</title><h1>Invoice heading</h1>", "Invoice 42/2026");
  WebKitPrintOperation* operation = webkit_print_operation_new(View);
  PreparePrint(View, operation);
  EXPECT_STREQ(Setting(operation, GTK_PRINT_SETTINGS_OUTPUT_BASENAME), "Invoice 42_2026");

  const std::string pdf = Root + "/printed.pdf";
  gchar* uri = g_filename_to_uri(pdf.c_str(), nullptr, nullptr);
  GtkPrintSettings* settings = webkit_print_operation_get_print_settings(operation);
  gtk_print_settings_set_printer(settings, "Print to File");
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  g_free(uri);
  bool done = false;
  g_signal_connect(operation, "finished", G_CALLBACK(OnPrintFinished), &done);
  webkit_print_operation_print(operation);
  EXPECT_TRUE(Wait([&] { return done; }));
  g_object_unref(operation);
  EXPECT_NE(PdfText(pdf).find("Invoice heading"), std::string::npos);
}

// The next page's file goes into the folder the user chose, under that page's title.
TEST_F(PrintTest, ChoicesOfAPrintedJobCarryToTheNext) {
  Show("<title>First</title><p>first</p>", "First");
  WebKitPrintOperation* first = webkit_print_operation_new(View);
  PreparePrint(View, first);
  GtkPrintSettings* chosen = webkit_print_operation_get_print_settings(first);
  gtk_print_settings_set_n_copies(chosen, 2);
  gtk_print_settings_set(chosen, GTK_PRINT_SETTINGS_OUTPUT_URI, "file:///chosen/folder/first.pdf");
  KeepPrintChoices(first);
  g_object_unref(first);

  Show("<title>.Second</title><p>second</p>", ".Second");
  WebKitPrintOperation* second = webkit_print_operation_new(View);
  PreparePrint(View, second);
  EXPECT_EQ(gtk_print_settings_get_n_copies(webkit_print_operation_get_print_settings(second)), 2);
  EXPECT_EQ(Setting(second, GTK_PRINT_SETTINGS_OUTPUT_URI), nullptr);
  EXPECT_STREQ(Setting(second, GTK_PRINT_SETTINGS_OUTPUT_DIR), "/chosen/folder");
  EXPECT_STREQ(Setting(second, GTK_PRINT_SETTINGS_OUTPUT_BASENAME), "Second");
  g_object_unref(second);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  gchar* root = g_dir_make_tmp("runtime-print-XXXXXX", nullptr);
  Root = root;
  g_free(root);
  // GLib reads the user's folders once, so they point into the test's folder before GTK starts.
  const std::string config = Root + "/config";
  g_mkdir_with_parents(config.c_str(), 0700);
  g_mkdir_with_parents(DocumentsFolder().c_str(), 0700);
  const std::string dirs = "XDG_DOCUMENTS_DIR=\"" + DocumentsFolder() + "\"\n";
  g_file_set_contents((config + "/user-dirs.dirs").c_str(), dirs.c_str(), -1, nullptr);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  if (!gtk_init_check(&argc, &argv)) {
    std::printf("no display\n");
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(Root);
  return result;
}
