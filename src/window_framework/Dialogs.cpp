#include "Dialogs.h"

#include <gtk/gtk.h>

#include <optional>
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

// The chooser asks before replacing the name the user typed; an extension added afterwards
// names another file, which needs asking about too.
bool ConfirmReplace(GtkWindow* parent, const std::string& fileName) {
  GtkWidget* box =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO,
                             "A file named \"%s\" already exists. Do you want to replace it?",
                             ExtractFileName(fileName).c_str());
  const bool replace = gtk_dialog_run(GTK_DIALOG(box)) == GTK_RESPONSE_YES;
  gtk_widget_destroy(box);
  return replace;
}

}  // namespace

bool TSaveDialog::Execute() {
  GtkWindow* parent = OwnerWindow(Owner());
  GtkWidget* dialog =
      gtk_file_chooser_dialog_new(FTitle.c_str(), parent, GTK_FILE_CHOOSER_ACTION_SAVE, "_Cancel",
                                  GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
  auto* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  AddFilters(chooser, FFilter);
  StartAt(chooser, FFileName);
  std::optional<std::string> chosen;
  while (!chosen && gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
    g_autofree gchar* name = gtk_file_chooser_get_filename(chooser);
    std::string fileName = name ? name : "";
    if (fileName.empty()) continue;
    const bool extend = !FDefaultExt.empty() && ExtractFileExt(fileName).empty();
    if (extend) fileName += "." + FDefaultExt;
    if (!extend || !FileExists(fileName) || ConfirmReplace(GTK_WINDOW(dialog), fileName))
      chosen = fileName;
  }
  gtk_widget_destroy(dialog);
  if (chosen) FFileName = *chosen;
  return chosen.has_value();
}
