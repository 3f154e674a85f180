// The runtime's print set-up, driven without a dialog: a print to a file through GTK's file
// printer, and the choices one print leaves for the next.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "RtPrint.h"

namespace {

std::string Root;

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
  EXPECT_STREQ(Setting(second, GTK_PRINT_SETTINGS_OUTPUT_DIR), "file:///chosen/folder");
  EXPECT_STREQ(Setting(second, GTK_PRINT_SETTINGS_OUTPUT_BASENAME), "Second");
  g_object_unref(second);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) {
    std::printf("no display\n");
    return 1;
  }
  gchar* root = g_dir_make_tmp("runtime-print-XXXXXX", nullptr);
  Root = root;
  g_free(root);
  const int result = RUN_ALL_TESTS();
  std::filesystem::remove_all(Root);
  return result;
}
