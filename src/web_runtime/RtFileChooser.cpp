#include "RtFileChooser.h"

#include <memory>
#include <vector>

#include "RtGuard.h"
#include "RtPageRequests.h"
#include "RtText.h"

namespace {

constexpr size_t kMaxFilterNameLength = 120;

struct TChooserRun {
  WebKitFileChooserRequest* Request;
  GtkFileChooserNative* Chooser;
};

GtkWindow* WindowOf(WebKitWebView* view) {
  GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
  return GTK_IS_WINDOW(top) ? GTK_WINDOW(top) : nullptr;
}

void AddFilters(GtkFileChooser* chooser, WebKitFileChooserRequest* request) {
  if (GtkFileFilter* accepted = webkit_file_chooser_request_get_mime_types_filter(request)) {
    gtk_file_filter_set_name(
        accepted, AcceptedTypesName(webkit_file_chooser_request_get_mime_types(request)).c_str());
    gtk_file_chooser_add_filter(chooser, GTK_FILE_FILTER(g_object_ref(accepted)));
  }
  GtkFileFilter* all = gtk_file_filter_new();
  gtk_file_filter_set_name(all, "All files");
  gtk_file_filter_add_pattern(all, "*");
  gtk_file_chooser_add_filter(chooser, all);
}

void Answer(WebKitFileChooserRequest* request, GtkFileChooser* chooser) {
  GSList* names = gtk_file_chooser_get_filenames(chooser);
  std::vector<const gchar*> files;
  for (GSList* item = names; item; item = item->next)
    files.push_back(static_cast<const gchar*>(item->data));
  files.push_back(nullptr);
  if (files.size() > 1) {
    webkit_file_chooser_request_select_files(request, files.data());
    TPageRequests::Instance().UploadFolderUsed(TakeText(g_path_get_dirname(files.front())));
  } else {
    webkit_file_chooser_request_cancel(request);
  }
  g_slist_free_full(names, g_free);
}

void OnResponse(GtkNativeDialog*, gint response, gpointer data) {
  const std::unique_ptr<TChooserRun> run(static_cast<TChooserRun*>(data));
  g_autoptr(GtkFileChooserNative) chooser = run->Chooser;
  g_autoptr(WebKitFileChooserRequest) request = run->Request;
  Guarded("file chooser response", [&] {
    if (response == GTK_RESPONSE_ACCEPT)
      Answer(request, GTK_FILE_CHOOSER(chooser));
    else
      webkit_file_chooser_request_cancel(request);
  });
}

gboolean OnRunFileChooser(WebKitWebView* view, WebKitFileChooserRequest* request, gpointer) {
  return Guarded(
      "run-file-chooser",
      [&] {
        GtkFileChooserNative* chooser = gtk_file_chooser_native_new(
            "Upload", WindowOf(view), GTK_FILE_CHOOSER_ACTION_OPEN, "_Open", "_Cancel");
        auto* fileChooser = GTK_FILE_CHOOSER(chooser);
        gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
        gtk_file_chooser_set_select_multiple(
            fileChooser, webkit_file_chooser_request_get_select_multiple(request));
        AddFilters(fileChooser, request);
        const std::string& folder = TPageRequests::Instance().UploadFolder();
        if (!folder.empty() && g_file_test(folder.c_str(), G_FILE_TEST_IS_DIR))
          gtk_file_chooser_set_current_folder(fileChooser, folder.c_str());
        auto* run = new TChooserRun{WEBKIT_FILE_CHOOSER_REQUEST(g_object_ref(request)), chooser};
        g_signal_connect(chooser, "response", G_CALLBACK(OnResponse), run);
        gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
        return gboolean(TRUE);
      },
      gboolean(FALSE));
}

}  // namespace

std::string AcceptedTypesName(const char* const* mimeTypes) {
  std::string name;
  for (const char* const* type = mimeTypes; type && *type; ++type) {
    if (!name.empty()) name += ", ";
    for (const char* c = *type; *c; ++c) name += g_ascii_iscntrl(*c) ? ' ' : *c;
    if (name.size() > kMaxFilterNameLength) break;
  }
  if (name.size() > kMaxFilterNameLength) {
    name.resize(kMaxFilterNameLength);
    // Not cut inside a character.
    while (!name.empty() && !g_utf8_validate(name.data(), gssize(name.size()), nullptr))
      name.pop_back();
    name += "…";
  }
  return name.empty() ? "Accepted files" : name;
}

void ConnectFileChooser(WebKitWebView* view) {
  g_signal_connect(view, "run-file-chooser", G_CALLBACK(OnRunFileChooser), nullptr);
}
