#include "Dialogs.h"

#include <gtk/gtk.h>

#include <sstream>
#include <vector>

#include "FileUtils.h"
#include "Forms.h"

namespace {

std::vector<std::string> SplitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);) parts.push_back(part);
  return parts;
}

void AddFilters(GtkFileChooser* chooser, const std::string& filter) {
  const std::vector<std::string> parts = SplitAt(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    GtkFileFilter* fileFilter = gtk_file_filter_new();
    gtk_file_filter_set_name(fileFilter, parts[i].c_str());
    for (const std::string& pattern : SplitAt(parts[i + 1], ';'))
      gtk_file_filter_add_pattern(fileFilter, pattern.c_str());
    gtk_file_chooser_add_filter(chooser, fileFilter);
  }
}

GtkWindow* OwnerWindow(TComponent* owner) {
  auto* form = dynamic_cast<TForm*>(owner);
  return form && form->HandleAllocated() ? GTK_WINDOW(form->Handle()) : nullptr;
}

void StartAt(GtkFileChooser* chooser, const std::string& fileName) {
  if (fileName.empty()) return;
  const std::string folder = ExtractFileDir(fileName);
  if (!folder.empty()) gtk_file_chooser_set_current_folder(chooser, folder.c_str());
  gtk_file_chooser_set_current_name(chooser, ExtractFileName(fileName).c_str());
}

}  // namespace

bool TSaveDialog::Execute() {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      FTitle.c_str(), OwnerWindow(Owner()), GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
      GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  auto* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  AddFilters(chooser, FFilter);
  StartAt(chooser, FFileName);
  const bool chosen = gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT;
  if (chosen) {
    gchar* name = gtk_file_chooser_get_filename(chooser);
    FFileName = name ? name : "";
    g_free(name);
    if (!FDefaultExt.empty() && ExtractFileExt(FFileName).empty()) FFileName += "." + FDefaultExt;
  }
  gtk_widget_destroy(dialog);
  return chosen && !FFileName.empty();
}
