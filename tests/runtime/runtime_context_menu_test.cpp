// The page's context menu as the user meets it: opened with a real right click through the X
// server on a link, an image, a misspelt word typed into a text area and plain text, read from
// the menu GTK shows, and its own items used.

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "runtime_test_support.h"

namespace {

std::string Root;
TServer Server;

std::string BrowserLog() {
  return Root + "/browser.txt";
}

// The desktop's default browser: a script that writes down the address it is given.
void RegisterStandInBrowser() {
  const std::string script = Root + "/stand-in-browser";
  g_file_set_contents(script.c_str(),
                      ("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + BrowserLog() + "'\n").c_str(), -1,
                      nullptr);
  g_chmod(script.c_str(), 0700);
  const std::string applications = Root + "/data/applications";
  g_mkdir_with_parents(applications.c_str(), 0700);
  g_mkdir_with_parents((Root + "/config").c_str(), 0700);
  g_file_set_contents((applications + "/stand-in-browser.desktop").c_str(),
                      ("[Desktop Entry]\nType=Application\nName=Stand-in browser\nExec=" + script +
                       " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n")
                          .c_str(),
                      -1, nullptr);
  g_file_set_contents((Root + "/config/mimeapps.list").c_str(),
                      "[Default Applications]\nx-scheme-handler/http=stand-in-browser.desktop\n"
                      "x-scheme-handler/https=stand-in-browser.desktop\n",
                      -1, nullptr);
  setenv("XDG_DATA_HOME", (Root + "/data").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (Root + "/config").c_str(), 1);
}

// The menu GTK shows for the page, or nullptr.
GtkMenu* ShownMenu() {
  GtkMenu* shown = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(item->data));
    if (child && GTK_IS_MENU(child) && gtk_widget_get_mapped(child)) shown = GTK_MENU(child);
  }
  g_list_free(windows);
  return shown;
}

// Labels as the user reads them, "-" for a separator.
std::string LabelOf(GtkWidget* item) {
  if (GTK_IS_SEPARATOR_MENU_ITEM(item)) return "-";
  std::string label = gtk_menu_item_get_label(GTK_MENU_ITEM(item)) ?: "";
  label.erase(std::remove(label.begin(), label.end(), '_'), label.end());
  return label;
}

std::vector<std::string> LabelsOf(GtkMenu* menu) {
  std::vector<std::string> labels;
  GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* item = items; item; item = item->next)
    if (gtk_widget_get_visible(GTK_WIDGET(item->data)))
      labels.push_back(LabelOf(GTK_WIDGET(item->data)));
  g_list_free(items);
  return labels;
}

GtkWidget* ItemLabelled(GtkMenu* menu, const std::string& label) {
  GtkWidget* found = nullptr;
  GList* items = gtk_container_get_children(GTK_CONTAINER(menu));
  for (GList* item = items; item; item = item->next)
    if (LabelOf(GTK_WIDGET(item->data)) == label) found = GTK_WIDGET(item->data);
  g_list_free(items);
  return found;
}

bool Has(const std::vector<std::string>& labels, const std::string& label) {
  return std::find(labels.begin(), labels.end(), label) != labels.end();
}

std::string Joined(const std::vector<std::string>& labels) {
  std::string text;
  for (const std::string& label : labels) text += label + "|";
  return text;
}

std::string MenuPage(const std::string& base) {
  return base + "/menu.html";
}

// The test page in a window of its own, and what a user does to it.
class TMenuPage {
 public:
  bool Open(const std::string& base) {
    Browser = OpenBrowser(Window, MenuPage(base));
    if (!Browser || !PumpUntil([&] { return HasLoadEnd(MenuPage(base), true); })) return false;
    TCefBrowserHost* host = Browser->get_host(Browser);
    View = host->get_window_handle(host);
    Drop(host);
    return true;
  }
  bool Close() {
    if (GtkMenu* menu = ShownMenu()) gtk_menu_shell_cancel(GTK_MENU_SHELL(menu));
    if (!Browser) return false;
    return CloseBrowser(Browser, Window);
  }

  // A real pointer action through the X server at a point of the page.
  bool Pointer(int x, int y, const std::string& action) const {
    int left = 0, top = 0;
    gdk_window_get_origin(gtk_widget_get_window(View), &left, &top);
    const std::string command = "xdotool mousemove " + std::to_string(left + x) + " " +
                                std::to_string(top + y) + " " + action;
    return g_spawn_command_line_sync(command.c_str(), nullptr, nullptr, nullptr, nullptr);
  }

  // Right-clicks there and answers the menu GTK shows, or nullptr. Like the first click into
  // the text area, a right click into a new window is sometimes not taken: the user clicks again.
  GtkMenu* MenuAt(int x, int y) const {
    GtkMenu* menu = nullptr;
    for (int click = 0; click < 3 && !menu; ++click)
      if (Pointer(x, y, "click 3")) PumpUntil([&] { return (menu = ShownMenu()) != nullptr; }, 7);
    return menu;
  }

  std::vector<std::string> LabelsAt(int x, int y) const {
    GtkMenu* menu = MenuAt(x, y);
    if (!menu) return {};
    const std::vector<std::string> labels = LabelsOf(menu);
    gtk_menu_shell_cancel(GTK_MENU_SHELL(menu));
    PumpUntil([] { return ShownMenu() == nullptr; });
    return labels;
  }

  // Types "Thsi " into the text area; answers what arrived. The keyboard may have been left
  // nowhere when an earlier window that had it went away; a click into a window just made
  // active is sometimes not taken, and a user clicks again.
  std::string TypeMisspeltWord() const {
    gtk_window_present(GTK_WINDOW(Window));
    if (!PumpUntil([&] { return gtk_window_is_active(GTK_WINDOW(Window)); })) return "inactive";
    bool focused = false;
    for (int click = 0; click < 5 && !focused; ++click)
      focused = Pointer(60, 200, "click 1") &&
                Answer("document.activeElement.tagName", "TEXTAREA", 4) == "TEXTAREA";
    if (!focused || !Pointer(60, 200, "type --delay 20 'Thsi '")) return "not focused";
    return TextAreaValue("Thsi_");
  }
  static constexpr int kWordX = 40, kWordY = 195;

  // Spaces are shown as "_" since titles lose them at the ends.
  std::string TextAreaValue(const std::string& expected) const {
    return Answer("document.querySelector('textarea').value.replace(/ /g, '_')", expected);
  }

  // The page's value of expression once it is the expected one, else the last one seen. Each
  // question gets a title of its own.
  std::string Answer(const std::string& expression, const std::string& expected,
                     int seconds = 20) const {
    std::string value;
    PumpUntil(
        [&] {
          const size_t before = Events.Titles.size();
          RunInMainFrame(
              Browser,
              "document.title = (++window.asked || (window.asked = 1)) + ':' + " + expression);
          PumpUntil([&] { return Events.Titles.size() > before; }, 5);
          if (Events.Titles.size() > before)
            value = Events.Titles.back().substr(Events.Titles.back().find(':') + 1);
          return value == expected;
        },
        seconds);
    return value;
  }

  GtkWidget* Window = nullptr;
  GtkWidget* View = nullptr;
  TCefBrowser* Browser = nullptr;
};

class ContextMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events = TEvents{};
    ASSERT_TRUE(Page.Open(Server.Base()));
  }
  void TearDown() override { EXPECT_TRUE(Page.Close()) << "browser closed"; }

  TMenuPage Page;
};

// What only a browser offers, in any menu.
const char* const kBrowserOnly[] = {"Open Link", "Open Link in New Window", "Download Linked File",
                                    "Open Image in New Window", "Inspect Element"};

void ExpectNoBrowserItems(const std::vector<std::string>& labels) {
  for (const char* label : kBrowserOnly) EXPECT_FALSE(Has(labels, label)) << label;
  EXPECT_NE(labels.front(), "-");
  EXPECT_NE(labels.back(), "-");
  EXPECT_EQ(std::adjacent_find(labels.begin(), labels.end(),
                               [](const auto& a, const auto& b) { return a == "-" && b == "-"; }),
            labels.end())
      << Joined(labels);
}

TEST_F(ContextMenuTest, EachPlaceOffersWhatAWebAppUserNeedsAndNoBrowserItems) {
  struct TCase {
    const char* Place;
    int X, Y;
    std::vector<std::string> Offered;
  };
  const TCase cases[] = {
      {"link", 30, 30, {"Open Link in Browser", "Copy Link Address"}},
      {"image", 50, 110, {"Save Image As…", "Copy Image"}},
      {"plain text", 40, 310, {"Back", "Reload"}},
  };
  for (const TCase& place : cases) {
    const std::vector<std::string> labels = Page.LabelsAt(place.X, place.Y);
    ASSERT_FALSE(labels.empty()) << "no menu on the " << place.Place;
    for (const std::string& offered : place.Offered)
      EXPECT_TRUE(Has(labels, offered)) << place.Place << ": " << Joined(labels);
    ExpectNoBrowserItems(labels);
  }
}

TEST_F(ContextMenuTest, AMisspeltWordTypedIntoATextAreaGetsSuggestions) {
  ASSERT_EQ(Page.TypeMisspeltWord(), "Thsi_");
  const std::vector<std::string> labels = Page.LabelsAt(TMenuPage::kWordX, TMenuPage::kWordY);
  ASSERT_FALSE(labels.empty()) << "no menu on the word";
  for (const char* offered : {"This", "Ignore Spelling", "Cut", "Copy", "Paste", "Select All"})
    EXPECT_TRUE(Has(labels, offered)) << offered << ": " << Joined(labels);
  ExpectNoBrowserItems(labels);

  // A suggestion chosen replaces the word in the page.
  GtkMenu* menu = Page.MenuAt(TMenuPage::kWordX, TMenuPage::kWordY);
  ASSERT_NE(menu, nullptr);
  GtkWidget* suggestion = ItemLabelled(menu, "This");
  ASSERT_NE(suggestion, nullptr);
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), suggestion, TRUE);
  EXPECT_EQ(Page.TextAreaValue("This_"), "This_");
}

TEST_F(ContextMenuTest, TheLinkOpensInTheDesktopBrowserAndTheImageIsSavedThroughTheClient) {
  GtkMenu* menu = Page.MenuAt(30, 30);
  ASSERT_NE(menu, nullptr);
  GtkWidget* open = ItemLabelled(menu, "Open Link in Browser");
  ASSERT_NE(open, nullptr);
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), open, TRUE);
  EXPECT_TRUE(PumpUntil([] { return !ReadFile(BrowserLog()).empty(); }));
  EXPECT_EQ(ReadFile(BrowserLog()), Server.Base() + "/other.html\n");
  TCefFrame* main = Page.Browser->get_main_frame(Page.Browser);
  EXPECT_EQ(FrameUrl(main), MenuPage(Server.Base())) << "the page stays";
  Drop(main);

  DownloadTarget = Root + "/saved.svg";
  menu = Page.MenuAt(50, 110);
  ASSERT_NE(menu, nullptr);
  GtkWidget* save = ItemLabelled(menu, "Save Image As…");
  ASSERT_NE(save, nullptr);
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), save, TRUE);
  ASSERT_TRUE(PumpUntil([] { return !Events.DownloadEnds.empty(); }));
  EXPECT_TRUE(Events.DownloadEnds.back().Complete);
  EXPECT_NE(ReadFile(DownloadTarget).find("fill='teal'"), std::string::npos);
}

// In a second process whose desktop language has no dictionary: nothing is checked, nothing
// fails, and the word's menu is the editing one.
int CheckWithoutDictionary(const std::string& base) {
  if (!StartRuntime()) return 2;
  TMenuPage page;
  if (!page.Open(base) || page.TypeMisspeltWord() != "Thsi_") return 3;
  const std::vector<std::string> labels = page.LabelsAt(TMenuPage::kWordX, TMenuPage::kWordY);
  const bool editingOnly = Has(labels, "Paste") && !Has(labels, "This") &&
                           !Has(labels, "Ignore Spelling") && !Has(labels, "No Guesses Found");
  if (!editingOnly) std::printf("menu on the word: %s\n", Joined(labels).c_str());
  page.Close();
  Api.cef_shutdown();
  return editingOnly ? 0 : 1;
}

TEST(ContextMenuLanguages, WithoutADictionaryForTheDesktopsLanguageNothingIsChecked) {
  EXPECT_TRUE(RunChild({"--child", Root, Server.Base()},
                       {"LANGUAGE=qaa", "XDG_CACHE_HOME=" + Root + "/child-cache"}));
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(argc, argv, Root, Server,
                         {.FolderPattern = "runtime-context-menu-XXXXXX",
                          .Prepare =
                              [] {
                                setenv("XDG_CACHE_HOME", (Root + "/cache-home").c_str(), 1);
                                RegisterStandInBrowser();
                                return true;
                              },
                          .Child =
                              [](const char* root, const char* base) {
                                Root = root;
                                return CheckWithoutDictionary(base);
                              }});
}
