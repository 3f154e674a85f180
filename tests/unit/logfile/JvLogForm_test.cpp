#include "JvLogForm.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>

#include "../window_framework/GtkTestSupport.h"
#include "JvLogFile.h"
#include "Printers.h"
#include "ScopedEnvironment.h"
#include "TemporaryFolder.h"

namespace fs = std::filesystem;

namespace {

using TLines = std::vector<std::string>;

// Records as a log file holding these lines reads them: a ">" in a title is stored doubled.
void LoadLines(TJvLogRecordList& list, const std::string& text) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.ends_with('\r')) line.pop_back();
    if (std::optional<TJvLogRecord> record = ParseLogLine(line)) list.Add(std::move(*record));
  }
}

constexpr const char* kMixedLog =
    "[2024-05-01 10:00:00]Error>Disk full>No space left\r\n"
    "[2024-05-01 10:00:01]Warning>Slow>>reply>took > 5 s\r\n"
    "[2024-05-01 10:00:02]Information>Started>version 1\r\n"
    "[2024-05-01 10:00:03]Error>Crash>at 0x10\r\n";

// A GTK window of that type which is on screen, or nullptr.
GtkWidget* VisibleWindowOfType(GType type) {
  GtkWidget* found = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item && !found; item = item->next)
    if (G_TYPE_CHECK_INSTANCE_TYPE(item->data, type) &&
        gtk_widget_get_visible(GTK_WIDGET(item->data)))
      found = GTK_WIDGET(item->data);
  g_list_free(toplevels);
  return found;
}

// Runs step from the main loop, every 20 ms, until it answers true: the way to act on a modal
// window while the code under test waits in its loop.
void WhenIdle(std::function<bool()> step) {
  auto* owned = new std::function<bool()>(std::move(step));
  g_timeout_add_full(
      G_PRIORITY_DEFAULT, 20,
      [](gpointer data) -> gboolean {
        return (*static_cast<std::function<bool()>*>(data))() ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
      },
      owned, [](gpointer data) { delete static_cast<std::function<bool()>*>(data); });
}

constexpr char kAnsweredKey[] = "test-answered";

void NoteAnswer(GtkDialog* dialog, gint, gpointer) {
  g_object_set_data(G_OBJECT(dialog), kAnsweredKey, GINT_TO_POINTER(1));
}

// Chooses folder/name in the next save dialog, as a user typing the name would. The chooser
// takes the name only once it has loaded the folder, so that comes first; a click while it is
// still loading passes without an answer and is repeated until the dialog answers.
void ChooseInSaveDialog(const fs::path& folder, const std::string& name) {
  WhenIdle([folder, name, folderSet = false]() mutable {
    GtkWidget* dialog = VisibleWindowOfType(GTK_TYPE_FILE_CHOOSER_DIALOG);
    if (!dialog) return folderSet;  // gone once it answered
    if (g_object_get_data(G_OBJECT(dialog), kAnsweredKey)) return true;
    auto* chooser = GTK_FILE_CHOOSER(dialog);
    if (!folderSet) {
      folderSet = gtk_file_chooser_set_current_folder(chooser, folder.c_str());
      // Connected after the chooser's own handler, which stops an answer it does not accept.
      if (folderSet) g_signal_connect(dialog, "response", G_CALLBACK(NoteAnswer), nullptr);
      return false;
    }
    gtk_file_chooser_set_current_name(chooser, name.c_str());
    // Through the button: the chooser checks the name before it lets the dialog answer.
    gtk_widget_activate(
        gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT));
    return false;
  });
}

// Answers the question whether an existing file may be replaced.
void AnswerReplaceQuestion(GtkResponseType answer) {
  WhenIdle([answer] {
    GtkWidget* question = VisibleWindowOfType(GTK_TYPE_MESSAGE_DIALOG);
    if (question) gtk_dialog_response(GTK_DIALOG(question), answer);
    return question != nullptr;
  });
}

void FindTreeView(GtkWidget* widget, gpointer found) {
  auto* result = static_cast<GtkWidget**>(found);
  if (GTK_IS_TREE_VIEW(widget))
    *result = widget;
  else if (!*result && GTK_IS_CONTAINER(widget))
    gtk_container_forall(GTK_CONTAINER(widget), FindTreeView, found);
}

std::string PdfText(const fs::path& pdf) {
  const std::string command = "pdftotext -layout '" + pdf.string() + "' -";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::string text;
  char buffer[4096];
  for (size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
    text.append(buffer, n);
  return text;
}

class JvLogFormTest : public ApplicationTest {
 protected:
  void SetUp() override {
    ApplicationTest::SetUp();
    FForm = new TFoLog(Application);  // the application frees it
    FForm->LoadDescription();
  }
  // The viewer over a log's list, as ShowLog fills it.
  void View(const std::string& logText) {
    LoadLines(FList, logText);
    FForm->SetLogRecordList(&FList);
    FForm->FillList();
  }

  TLines Column(int column) const {
    TLines cells;
    for (int i = 0; i < FForm->ListView1->ItemCount(); ++i)
      cells.push_back(FForm->ListView1->Item(i).at(static_cast<size_t>(column)));
    return cells;
  }

  // The file chooser stores its state; the user's settings stay untouched.
  const TScopedEnvironment FSettings{"GSETTINGS_BACKEND", "memory"};
  const TTemporaryFolder FTemporary{"corvane-logform"};
  const fs::path FDir = FTemporary.Path();
  TJvLogRecordList FList;
  TFoLog* FForm = nullptr;
};

TEST_F(JvLogFormTest, StartsWithEveryRecordListedAndTheInformationFilter) {
  EXPECT_EQ(FForm->Severity(), lesInformation);
  EXPECT_TRUE(FForm->mnuInformation->Checked());
  EXPECT_EQ(FForm->ToolButton4->ImageIndex(), 2);
  View(kMixedLog);
  EXPECT_EQ(Column(0), (TLines{"2024-05-01 10:00:00", "2024-05-01 10:00:01", "2024-05-01 10:00:02",
                               "2024-05-01 10:00:03"}));
  EXPECT_EQ(Column(1), (TLines{"Error", "Warning", "Information", "Error"}));
  // The ">>" of the file is one ">" in the table; the description keeps its own ">".
  EXPECT_EQ(Column(2), (TLines{"Disk full", "Slow>reply", "Started", "Crash"}));
  EXPECT_EQ(Column(3), (TLines{"No space left", "took > 5 s", "version 1", "at 0x10"}));
}

TEST_F(JvLogFormTest, ToolBarSitsOnTopInItsOrderAndTheTableFillsTheRest) {
  TToolBar& bar = *FForm->ToolBar1;
  ASSERT_EQ(bar.ButtonCount(), 4);
  EXPECT_EQ(bar.Buttons(0), FForm->ToolButton2);
  EXPECT_EQ(bar.Buttons(0)->Action(), FForm->Save);
  EXPECT_EQ(bar.Buttons(1), FForm->ToolButton1);
  EXPECT_EQ(bar.Buttons(1)->Action(), FForm->Print);
  EXPECT_EQ(bar.Buttons(2)->Style(), tbsSeparator);
  EXPECT_EQ(bar.Buttons(3)->Style(), tbsDropDown);
  ASSERT_EQ(FForm->ActionList1->ActionCount(), 2);
  EXPECT_EQ(FForm->ActionList1->Actions(0), FForm->Save);
  EXPECT_EQ(FForm->ActionList1->Actions(1), FForm->Print);
  EXPECT_EQ(FForm->Save->ShortCut(), (TShortCut{'s', true}));
  EXPECT_EQ(FForm->Print->ShortCut(), (TShortCut{'p', true}));

  FForm->Show();
  ASSERT_TRUE(RunLoopUntil([&] { return gtk_widget_get_mapped(FForm->Handle()); }));
  RunLoopFor(100);
  // The size follows the font; the window is as large as the form says.
  const int width = FForm->ClientWidth(), height = FForm->ClientHeight();
  EXPECT_GE(width, 300);
  EXPECT_GE(height, 300);
  int windowWidth = 0, windowHeight = 0;
  gtk_window_get_size(GTK_WINDOW(FForm->Handle()), &windowWidth, &windowHeight);
  EXPECT_EQ(windowWidth, width);
  EXPECT_EQ(windowHeight, height);
  EXPECT_GT(bar.Height(), 16) << "sized to its buttons";
  EXPECT_EQ(bar.Top(), 0);
  EXPECT_EQ(bar.Width(), width);
  EXPECT_EQ(FForm->ListView1->BoundsRect(), (TRect{0, bar.Height(), width, height}));
}

// Whatever the desktop's font, a time, a severity and each heading fit their columns whole, and
// the last column reaches the table's right edge.
TEST_F(JvLogFormTest, ColumnsShowTheirTextWholeInTheTablesFont) {
  View(kMixedLog);
  FForm->Show();
  ASSERT_TRUE(RunLoopUntil([&] { return gtk_widget_get_mapped(FForm->Handle()); }));
  GtkWidget* tree = nullptr;
  FindTreeView(FForm->Handle(), &tree);
  ASSERT_NE(tree, nullptr);
  GtkTreeViewColumn* last = gtk_tree_view_get_column(GTK_TREE_VIEW(tree), 3);
  ASSERT_TRUE(RunLoopUntil([&] { return gtk_tree_view_column_get_width(last) > 0; }));

  const std::vector<std::pair<int, std::string>> wholeTexts = {
      {0, "2026-12-09 09:01:05"}, {0, "Time"}, {1, "Information"}, {1, "Severity"}, {2, "Title"},
      {3, "Description"}};
  for (const auto& [index, text] : wholeTexts) {
    GtkTreeViewColumn* column = gtk_tree_view_get_column(GTK_TREE_VIEW(tree), index);
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
    int xpad = 0;
    gtk_cell_renderer_get_padding(GTK_CELL_RENDERER(cells->data), &xpad, nullptr);
    g_list_free(cells);
    PangoLayout* layout = gtk_widget_create_pango_layout(tree, text.c_str());
    int textWidth = 0;
    pango_layout_get_pixel_size(layout, &textWidth, nullptr);
    g_object_unref(layout);
    EXPECT_GE(gtk_tree_view_column_get_width(column), textWidth + 2 * xpad) << text;
  }
  GtkAllocation table;
  gtk_widget_get_allocation(tree, &table);
  EXPECT_EQ(gtk_tree_view_column_get_x_offset(last) + gtk_tree_view_column_get_width(last),
            table.width);
}

TEST_F(JvLogFormTest, TableColumnsAndFilterMenu) {
  const TListView& list = *FForm->ListView1;
  ASSERT_EQ(list.ColumnCount(), 4);
  const std::vector<std::string> captions = {"Time", "Severity", "Title", "Description"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(list.Column(i).Caption, captions[static_cast<size_t>(i)]);
  // The widths follow the font (see below), in the designed order of size.
  EXPECT_GT(list.Column(0).Width, list.Column(1).Width);
  EXPECT_LT(list.Column(2).Width, list.Column(3).Width);
  EXPECT_EQ(FForm->ToolButton1->Hint(), "Print");
  EXPECT_EQ(FForm->ToolButton2->Hint(), "Save");
  EXPECT_EQ(FForm->ToolButton4->DropdownMenu(), FForm->PopupMenu1);
  const TPopupMenu& menu = *FForm->PopupMenu1;
  ASSERT_EQ(menu.Count(), 3);
  const std::vector<std::pair<std::string, int>> items = {
      {"Information", 2}, {"Warning", 3}, {"Error", 4}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(menu.Items(i)->Caption(), items[static_cast<size_t>(i)].first);
    EXPECT_EQ(menu.Items(i)->ImageIndex(), items[static_cast<size_t>(i)].second);
    EXPECT_TRUE(menu.Items(i)->RadioItem());
  }
  // The images come from the icon theme, in the order the indexes above use.
  ASSERT_EQ(FForm->ImageList1->Count(), 5);
  GtkWidget* image = FForm->ImageList1->NewImage(4);
  const gchar* iconName = nullptr;
  gtk_image_get_icon_name(GTK_IMAGE(image), &iconName, nullptr);
  EXPECT_STREQ(iconName, "dialog-error");
  g_object_ref_sink(image);
  g_object_unref(image);
  EXPECT_EQ(FForm->ImageList1->NewImage(5), nullptr);
}

TEST_F(JvLogFormTest, EachFilterListsAndExportsOnlyRecordsAtLeastThatSevere) {
  View(kMixedLog);

  FForm->mnuError->Click();
  EXPECT_EQ(FForm->Severity(), lesError);
  EXPECT_EQ(FForm->ToolButton4->Caption(), "E");
  EXPECT_EQ(FForm->ToolButton4->ImageIndex(), 4);
  EXPECT_TRUE(FForm->mnuError->Checked());
  EXPECT_FALSE(FForm->mnuInformation->Checked());
  EXPECT_EQ(FForm->ExportLines(), (TLines{"[2024-05-01 10:00:00] Error > Disk full > No space left",
                                          "[2024-05-01 10:00:03] Error > Crash > at 0x10"}));

  FForm->mnuWarning->Click();
  EXPECT_EQ(FForm->ToolButton4->Caption(), "W");
  EXPECT_EQ(FForm->ToolButton4->ImageIndex(), 3);
  EXPECT_FALSE(FForm->mnuError->Checked());
  EXPECT_EQ(FForm->ExportLines(), (TLines{"[2024-05-01 10:00:00] Error > Disk full > No space left",
                                          "[2024-05-01 10:00:01] Warning > Slow>reply > took > 5 s",
                                          "[2024-05-01 10:00:03] Error > Crash > at 0x10"}));

  FForm->mnuInformation->Click();
  EXPECT_EQ(FForm->ToolButton4->Caption(), "I");
  EXPECT_EQ(FForm->ExportLines().size(), 4u);
}

TEST_F(JvLogFormTest, EmptyLogGivesAnEmptyTableAndAnEmptyFile) {
  View("");
  EXPECT_EQ(FForm->ListView1->ItemCount(), 0);
  EXPECT_TRUE(FForm->ExportLines().empty());
  ChooseInSaveDialog(FDir, "empty.csv");
  FForm->SaveExecute(FForm->Save);
  ASSERT_TRUE(fs::exists(FDir / "empty.csv"));
  EXPECT_EQ(ReadFileBytes(FDir / "empty.csv"), "");
}

TEST_F(JvLogFormTest, SavingWritesTheListedRowsWithCrLfAndAddsTheDefaultExtension) {
  View(kMixedLog);
  FForm->mnuError->Click();
  // "errors" becomes "errors.csv", which exists: the user is asked, and the file is then
  // replaced whole, never appended to.
  std::ofstream(FDir / "errors.csv") << "old content that must go\n";
  ChooseInSaveDialog(FDir, "errors");
  AnswerReplaceQuestion(GTK_RESPONSE_YES);
  FForm->SaveExecute(FForm->Save);
  EXPECT_EQ(ReadFileBytes(FDir / "errors.csv"),
            "[2024-05-01 10:00:00] Error > Disk full > No space left\r\n"
            "[2024-05-01 10:00:03] Error > Crash > at 0x10\r\n");
  EXPECT_FALSE(fs::exists(FDir / "errors"));
}

TEST_F(JvLogFormTest, DecliningToReplaceAFileKeepsIt) {
  View(kMixedLog);
  std::ofstream(FDir / "kept.csv") << "keep me\n";
  ChooseInSaveDialog(FDir, "kept");
  // No to replacing takes the user back to the chooser, where they cancel.
  WhenIdle([step = 0]() mutable {
    if (step == 0) {
      GtkWidget* question = VisibleWindowOfType(GTK_TYPE_MESSAGE_DIALOG);
      if (question) gtk_dialog_response(GTK_DIALOG(question), GTK_RESPONSE_NO);
      step += question != nullptr;
      return false;
    }
    GtkWidget* chooser = VisibleWindowOfType(GTK_TYPE_FILE_CHOOSER_DIALOG);
    if (chooser) gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
    return chooser != nullptr;
  });
  FForm->SaveExecute(FForm->Save);
  EXPECT_EQ(ReadFileBytes(FDir / "kept.csv"), "keep me\n");
}

TEST_F(JvLogFormTest, CancellingTheSaveDialogWritesNothing) {
  View(kMixedLog);
  WhenIdle([] {
    GtkWidget* dialog = VisibleWindowOfType(GTK_TYPE_FILE_CHOOSER_DIALOG);
    if (dialog) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return dialog != nullptr;
  });
  // Through the shortcut, as the user presses it.
  EXPECT_TRUE(FForm->ActionList1->ExecuteShortCut({'s', true}));
  EXPECT_TRUE(fs::is_empty(FDir));
}

TEST_F(JvLogFormTest, AFailedSaveGoesToTheApplicationsErrorHandlingAndTheViewerStaysOpen) {
  View(kMixedLog);
  FForm->Show();
  std::vector<std::string> errors;
  Application->OnException = [&](TObject*, const std::exception& E) { errors.push_back(E.what()); };
  // Nothing can be created in /proc, not even by root.
  ChooseInSaveDialog("/proc", "log.csv");
  EXPECT_TRUE(FForm->ActionList1->ExecuteShortCut({'s', true}));
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("Cannot create file \"/proc/log.csv\""), std::string::npos) << errors[0];
  EXPECT_TRUE(FForm->Visible());
  EXPECT_EQ(FForm->ListView1->ItemCount(), 4);
}

TEST_F(JvLogFormTest, PrintedPagesHoldEveryExportLine) {
  std::string text;
  // Enough rows for several pages, and one line far wider than a page.
  for (int i = 0; i < 150; ++i)
    text += "[2024-05-01 10:00:00]Error>Entry " + std::to_string(i) + ">detail " +
            std::to_string(i) + "\r\n";
  text += "[2024-05-01 10:00:00]Warning>Long>" + std::string(300, 'x') + "END\r\n";
  View(text);
  const TLines lines = FForm->ExportLines();
  TTextPrintJob(FForm->Caption(), lines).ExportToPdf((FDir / "log.pdf").string());

  const std::string printed = PdfText(FDir / "log.pdf");
  for (size_t i = 0; i + 1 < lines.size(); ++i)
    EXPECT_NE(printed.find(lines[i]), std::string::npos) << lines[i];
  // The wide line wraps instead of being cut off at the page edge.
  EXPECT_NE(printed.find("END"), std::string::npos);
  EXPECT_GT(std::count(printed.begin(), printed.end(), '\f'), 1) << "expected page breaks";
}

TEST(JvLogFileShowLogTest, ShowsTheViewerModallyOverTheLogAndReportsShowAndClose) {
  StartWindowFramework();
  ASSERT_NO_THROW(Application->Initialize());
  {
    TOwnedComponent<TJvLogFile> log(new TJvLogFile(nullptr));
    std::istringstream in(kMixedLog);
    log->LoadFromStream(in);
    std::vector<std::string> events;
    int width = 0, height = 0, rows = -1;
    log->OnShow = [&](TObject* sender) {
      events.push_back(sender == log.get() ? "show" : "show from elsewhere");
    };
    log->OnClose = [&](TObject*) { events.push_back("close"); };
    WhenIdle([&] {
      GtkWidget* window = VisibleWindowOfType(GTK_TYPE_WINDOW);
      if (!window || !gtk_widget_get_mapped(window)) return false;
      EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "The log");
      EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(window)));
      gtk_window_get_size(GTK_WINDOW(window), &width, &height);
      GtkWidget* tree = nullptr;
      FindTreeView(window, &tree);
      if (tree)
        rows =
            gtk_tree_model_iter_n_children(gtk_tree_view_get_model(GTK_TREE_VIEW(tree)), nullptr);
      events.push_back("closing");
      gtk_window_close(GTK_WINDOW(window));
      return true;
    });
    log->ShowLog("The log");
    EXPECT_EQ(events, (TLines{"show", "closing", "close"}));
    // Scaled to the font, in the designed proportions.
    EXPECT_NEAR(width * 348.0 / (height * 527.0), 1.0, 0.02) << width << "x" << height;
    EXPECT_EQ(rows, 4);
  }
  EndWindowFramework();
}

}  // namespace
