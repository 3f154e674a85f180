// The page's context menu as the user meets it: opened with a real right click through the X
// server on a link, an image, a misspelt word typed into a text area and plain text, read from
// the menu GTK shows, and its own items used. The client's context menu handler sees every menu
// as a model, may change it, and hears of its own items chosen; its display handler hears of the
// page's tooltips.

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

// The runtime API's command ids (MENU_ID_*), type flags (CM_TYPEFLAG_*), edit flags
// (CM_EDITFLAG_*) and media type (CM_MEDIATYPE_*) the tests look for.
constexpr int32_t kBack = 100, kReload = 102, kCut = 112, kCopy = 113, kSelectAll = 116,
                  kUserFirst = 26500;
constexpr int32_t kPage = 1 << 0, kLink = 1 << 2, kMedia = 1 << 3, kSelection = 1 << 4,
                  kEditable = 1 << 5;
constexpr int32_t kCanCut = 1 << 2, kCanCopy = 1 << 3;
constexpr int32_t kImage = 1;

// The runtime's text as UTF-8, freed.
std::string Taken(TCefStringUserFreeUtf16 text) {
  if (!text) return "";
  g_autofree char* utf8 = g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(text->str),
                                          glong(text->length), nullptr, nullptr, nullptr);
  Api.cef_string_userfree_utf16_free(text);
  return utf8 ? utf8 : "";
}

// What the client's handler saw of one menu.
struct TSeenMenu {
  int32_t X = 0, Y = 0, TypeFlags = 0, MediaType = 0, EditFlags = 0;
  bool Editable = false;
  std::string Link, Source, Page, Frame, Selection;
  std::vector<int32_t> Ids;
  std::vector<std::string> Labels;
};

// What the test's client does with the next menus.
enum class TMenuChange { None, Clear, Edit };

struct TMenuClient {
  TCounted<TCefContextMenuHandler> Handler;
  TMenuChange Change = TMenuChange::None;
  std::vector<TSeenMenu> Seen;
  std::vector<std::pair<int32_t, int32_t>> Commands;  // command id, event flags
  int Dismissed = 0;
  std::vector<std::string> WronglyAccepted;  // model operations that should have failed
  // Tooltips: what arrived, and how the client answers each text.
  std::vector<std::string> Tooltips;
  std::string TakenTooltip, ReplacedTooltip, Replacement;
};
TMenuClient MenuClient;

TSeenMenu Read(TCefContextMenuParams* params, TCefMenuModel* model) {
  TSeenMenu seen;
  seen.X = params->get_xcoord(params);
  seen.Y = params->get_ycoord(params);
  seen.TypeFlags = params->get_type_flags(params);
  seen.MediaType = params->get_media_type(params);
  seen.EditFlags = params->get_edit_state_flags(params);
  seen.Editable = params->is_editable(params) != 0;
  seen.Link = Taken(params->get_link_url(params));
  seen.Source = Taken(params->get_source_url(params));
  seen.Page = Taken(params->get_page_url(params));
  seen.Frame = Taken(params->get_frame_url(params));
  seen.Selection = Taken(params->get_selection_text(params));
  for (int32_t i = 0; i < model->get_count(model); ++i) {
    seen.Ids.push_back(model->get_command_id_at(model, i));
    std::string label = model->get_type_at(model, i) == MENUITEMTYPE_SEPARATOR
                            ? "-"
                            : Taken(model->get_label_at(model, i));
    label.erase(std::remove(label.begin(), label.end(), '_'), label.end());
    seen.Labels.push_back(label);
  }
  return seen;
}

// Takes Cut away, renames Copy and adds items of the client's: one it handles, one with the
// id of Select All that it leaves to the runtime, and a submenu with a checked item. Answers
// the operations that must fail: unknown ids and indexes out of range.
std::vector<std::string> Edit(TCefMenuModel* model) {
  const std::u16string copy = U16("Copy Text"), own = U16("Client action"),
                       selectAll = U16("Client select all"), more = U16("More"),
                       check = U16("Client check");
  const TCefStringUtf16 copyView = View(copy), ownView = View(own), selectAllView = View(selectAll),
                        moreView = View(more), checkView = View(check);
  model->remove(model, kCut);
  model->set_label(model, kCopy, &copyView);
  model->add_separator(model);
  model->add_item(model, kUserFirst, &ownView);
  model->add_item(model, kSelectAll, &selectAllView);
  TCefMenuModel* submenu = model->add_sub_menu(model, kUserFirst + 1, &moreView);
  submenu->add_check_item(submenu, kUserFirst + 2, &checkView);
  submenu->set_checked(submenu, kUserFirst + 2, 1);
  Drop(submenu);
  const int32_t count = model->get_count(model);
  const std::pair<const char*, bool> refused[] = {
      {"remove unknown id", model->remove(model, kUserFirst + 99) != 0},
      {"label past the end", Taken(model->get_label_at(model, count)) != ""},
      {"insert past the end", model->insert_item_at(model, count + 1, 1, &ownView) != 0},
      {"index of unknown id", model->get_index_of(model, kUserFirst + 99) != -1},
      {"check a plain item", model->set_checked(model, kUserFirst, 1) != 0},
  };
  std::vector<std::string> accepted;
  for (const auto& [operation, succeeded] : refused)
    if (succeeded) accepted.push_back(operation);
  return accepted;
}

void CEF_CALLBACK OnBeforeContextMenu(TCefContextMenuHandler*, TCefBrowser* browser,
                                      TCefFrame* frame, TCefContextMenuParams* params,
                                      TCefMenuModel* model) {
  MenuClient.Seen.push_back(Read(params, model));
  if (MenuClient.Change == TMenuChange::Clear) model->clear(model);
  if (MenuClient.Change == TMenuChange::Edit) MenuClient.WronglyAccepted = Edit(model);
  Drop(browser);
  Drop(frame);
  Drop(params);
  Drop(model);
}

// Handles its own items only.
TCefBool CEF_CALLBACK OnContextMenuCommand(TCefContextMenuHandler*, TCefBrowser* browser,
                                           TCefFrame* frame, TCefContextMenuParams* params,
                                           int32_t commandId, TCefEventFlags eventFlags) {
  MenuClient.Commands.emplace_back(commandId, eventFlags);
  Drop(browser);
  Drop(frame);
  Drop(params);
  return commandId >= kUserFirst;
}

void CEF_CALLBACK OnContextMenuDismissed(TCefContextMenuHandler*, TCefBrowser* browser,
                                         TCefFrame* frame) {
  ++MenuClient.Dismissed;
  Drop(browser);
  Drop(frame);
}

TCefContextMenuHandler* CEF_CALLBACK GetContextMenuHandler(TCefClient*) {
  return MenuClient.Handler.Give();
}

TCefBool CEF_CALLBACK OnTooltip(TCefDisplayHandler*, TCefBrowser* browser, TCefStringUtf16* text) {
  const std::string tooltip = Ascii(text);
  MenuClient.Tooltips.push_back(tooltip);
  if (tooltip == MenuClient.ReplacedTooltip) {
    const std::u16string replacement = U16(MenuClient.Replacement);
    Api.cef_string_utf16_set(replacement.data(), replacement.size(), text, 1);
  }
  Drop(browser);
  return tooltip == MenuClient.TakenTooltip;
}

void SetUpMenuClient() {
  Harness.Client.Struct.get_context_menu_handler = GetContextMenuHandler;
  MenuClient.Handler.Struct.on_before_context_menu = OnBeforeContextMenu;
  MenuClient.Handler.Struct.on_context_menu_command = OnContextMenuCommand;
  MenuClient.Handler.Struct.on_context_menu_dismissed = OnContextMenuDismissed;
  Harness.Display.Struct.on_tooltip = OnTooltip;
}

std::string BrowserLog() {
  return Root + "/browser.txt";
}

// The desktop's default browser and text viewer: a script that writes down the address it is
// given.
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
                       " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;text/plain;\n")
                          .c_str(),
                      -1, nullptr);
  g_file_set_contents((Root + "/config/mimeapps.list").c_str(),
                      "[Default Applications]\nx-scheme-handler/http=stand-in-browser.desktop\n"
                      "x-scheme-handler/https=stand-in-browser.desktop\n"
                      "text/plain=stand-in-browser.desktop\n",
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
    if (!ClickIntoTextArea() || !Pointer(60, 200, "type --delay 20 'Thsi '")) return "not focused";
    return TextAreaValue("Thsi_");
  }
  bool ClickIntoTextArea() const {
    gtk_window_present(GTK_WINDOW(Window));
    if (!PumpUntil([&] { return gtk_window_is_active(GTK_WINDOW(Window)); })) return false;
    bool focused = false;
    for (int click = 0; click < 5 && !focused; ++click)
      focused = Pointer(60, 200, "click 1") &&
                Answer("document.activeElement.tagName", "TEXTAREA", 4) == "TEXTAREA";
    return focused;
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
    MenuClient.Change = TMenuChange::None;
    MenuClient.Seen.clear();
    MenuClient.Commands.clear();
    MenuClient.Dismissed = 0;
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

// The page's source goes to the desktop's text viewer too.
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
  main->view_source(main);
  Drop(main);
  // GIO hands a local file over as its path.
  const auto sourceFile = [] {
    const std::string log = ReadFile(BrowserLog());
    const size_t start = log.find("\n/");
    return start == std::string::npos
               ? ""
               : log.substr(start + 1, log.find('\n', start + 1) - start - 1);
  };
  ASSERT_TRUE(PumpUntil([&] { return !sourceFile().empty(); })) << ReadFile(BrowserLog());
  EXPECT_NE(ReadFile(sourceFile()).find("<title>Menu test</title>"), std::string::npos);
  GStatBuf info;
  ASSERT_EQ(g_stat(sourceFile().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u) << "the source is the user's alone";
  g_unlink(sourceFile().c_str());

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

// Selects the text area's text, as a user would before opening its menu.
bool SelectTextAreaText(const TMenuPage& page) {
  if (!page.ClickIntoTextArea()) return false;
  RunInMainFrame(page.Browser,
                 "var t = document.querySelector('textarea'); t.value = 'some words';"
                 " t.focus(); t.select();");
  return page.Answer("document.activeElement.selectionEnd", "10") == "10";
}

TEST_F(ContextMenuTest, TheClientSeesThePlaceAndTheMenuGtkShows) {
  ASSERT_TRUE(SelectTextAreaText(Page));
  struct TCase {
    const char* Place;
    int X, Y;
    int32_t TypeFlags, MediaType;
    std::string Link, SourceStart, Selection, Frame;
    std::vector<int32_t> Ids;
  };
  const std::string base = Server.Base(), link = base + "/other.html";
  const int32_t selectedField = kPage | kSelection | kEditable;
  const TCase cases[] = {
      {"selected text", 40, 195, selectedField, 0, "", "", "some words", "", {kCut, kCopy}},
      {"link", 30, 30, kPage | kLink, 0, link, "", "", "", {}},
      {"image", 50, 110, kPage | kMedia, kImage, "", "data:image/svg+xml", "", "", {}},
      {"plain text", 40, 310, kPage, 0, "", "", "", "", {kBack, kReload}},
      {"sub-frame text", 40, 445, kPage, 0, "", "", "", base + "/sub.html", {kBack, kReload}},
  };
  for (const TCase& place : cases) {
    const size_t before = MenuClient.Seen.size();
    const std::vector<std::string> shown = Page.LabelsAt(place.X, place.Y);
    ASSERT_FALSE(shown.empty()) << place.Place;
    ASSERT_GT(MenuClient.Seen.size(), before) << place.Place;
    const TSeenMenu& seen = MenuClient.Seen.back();
    EXPECT_EQ(seen.Labels, shown) << place.Place << ": the client's model is the menu shown";
    EXPECT_EQ(seen.X, place.X) << place.Place;
    EXPECT_EQ(seen.Y, place.Y) << place.Place;
    EXPECT_EQ(seen.TypeFlags, place.TypeFlags) << place.Place;
    EXPECT_EQ(seen.MediaType, place.MediaType) << place.Place;
    EXPECT_EQ(seen.Link, place.Link) << place.Place;
    EXPECT_EQ(seen.Source.substr(0, place.SourceStart.size()), place.SourceStart) << place.Place;
    EXPECT_EQ(seen.Source.empty(), place.SourceStart.empty()) << place.Place;
    EXPECT_EQ(seen.Selection, place.Selection) << place.Place;
    EXPECT_EQ(seen.Editable, (place.TypeFlags & kEditable) != 0) << place.Place;
    EXPECT_EQ(seen.Page, MenuPage(base)) << place.Place;
    EXPECT_EQ(seen.Frame, place.Frame) << place.Place;
    for (int32_t id : place.Ids)
      EXPECT_NE(std::find(seen.Ids.begin(), seen.Ids.end(), id), seen.Ids.end())
          << place.Place << ": command " << id;
  }
  EXPECT_EQ(MenuClient.Seen[0].EditFlags & (kCanCut | kCanCopy), kCanCut | kCanCopy);
  EXPECT_EQ(MenuClient.Dismissed, int(std::size(cases))) << "every menu closed";
}

// Right-clicks until the client was asked once more; answers whether a menu showed by then.
bool OfferedAt(const TMenuPage& page, int x, int y) {
  const size_t before = MenuClient.Seen.size();
  bool shown = false;
  for (int click = 0; click < 3 && MenuClient.Seen.size() == before; ++click)
    if (page.Pointer(x, y, "click 3"))
      PumpUntil(
          [&] {
            shown = shown || ShownMenu() != nullptr;
            return MenuClient.Seen.size() > before;
          },
          7);
  return shown;
}

TEST_F(ContextMenuTest, AMenuTheClientEmptiedIsNotShown) {
  MenuClient.Change = TMenuChange::Clear;
  EXPECT_FALSE(OfferedAt(Page, 40, 310));
  ASSERT_EQ(MenuClient.Seen.size(), 1u);
  // The next menu, left alone, shows; the emptied one never did in between.
  MenuClient.Change = TMenuChange::None;
  bool emptiedShown = false;
  ASSERT_TRUE(Page.Pointer(40, 310, "click 3"));
  ASSERT_TRUE(PumpUntil([&] {
    emptiedShown = emptiedShown || (ShownMenu() && MenuClient.Seen.size() < 2);
    return ShownMenu() && MenuClient.Seen.size() == 2;
  }));
  EXPECT_FALSE(emptiedShown);
  EXPECT_EQ(MenuClient.Dismissed, 0) << "WebKit reports no dismissal of a menu it never showed";
}

TEST_F(ContextMenuTest, TheClientsChangesShowAndItsItemsComeBackAsCommands) {
  ASSERT_TRUE(SelectTextAreaText(Page));
  MenuClient.Change = TMenuChange::Edit;
  GtkMenu* menu = Page.MenuAt(TMenuPage::kWordX, TMenuPage::kWordY);
  ASSERT_NE(menu, nullptr);
  const std::vector<std::string> labels = LabelsOf(menu);
  for (const char* offered : {"Copy Text", "Paste", "Client action", "Client select all"})
    EXPECT_TRUE(Has(labels, offered)) << offered << ": " << Joined(labels);
  for (const char* gone : {"Cut", "Copy"}) EXPECT_FALSE(Has(labels, gone)) << Joined(labels);
  EXPECT_EQ(MenuClient.WronglyAccepted, std::vector<std::string>{});
  GtkWidget* more = ItemLabelled(menu, "More");
  ASSERT_NE(more, nullptr);
  GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(more));
  ASSERT_TRUE(submenu && GTK_IS_MENU(submenu));
  GtkWidget* check = ItemLabelled(GTK_MENU(submenu), "Client check");
  ASSERT_TRUE(check && GTK_IS_CHECK_MENU_ITEM(check));
  EXPECT_TRUE(gtk_check_menu_item_get_active(GTK_CHECK_MENU_ITEM(check)));

  gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), ItemLabelled(menu, "Client action"), TRUE);
  ASSERT_TRUE(PumpUntil([] { return MenuClient.Commands.size() == 1; }));
  EXPECT_EQ(MenuClient.Commands[0].first, kUserFirst);

  // A stock command the client leaves alone runs as the runtime's own.
  RunInMainFrame(Page.Browser, "document.querySelector('textarea').setSelectionRange(0, 0);");
  ASSERT_EQ(Page.Answer("document.activeElement.selectionEnd", "0"), "0");
  menu = Page.MenuAt(TMenuPage::kWordX, TMenuPage::kWordY);
  ASSERT_NE(menu, nullptr);
  gtk_menu_shell_activate_item(GTK_MENU_SHELL(menu), ItemLabelled(menu, "Client select all"), TRUE);
  ASSERT_TRUE(PumpUntil([] { return MenuClient.Commands.size() == 2; }));
  EXPECT_EQ(MenuClient.Commands[1].first, kSelectAll);
  const char* const range =
      "document.activeElement.selectionStart + '-' + document.activeElement.selectionEnd";
  EXPECT_EQ(Page.Answer(range, "0-10"), "0-10");
}

// The text of the tooltip GTK shows, or "".
std::string TextIn(GtkWidget* widget) {
  if (GTK_IS_LABEL(widget))
    return gtk_widget_get_visible(widget) ? gtk_label_get_text(GTK_LABEL(widget)) : "";
  std::string text;
  if (!GTK_IS_CONTAINER(widget)) return text;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* child = children; child; child = child->next) text += TextIn(GTK_WIDGET(child->data));
  g_list_free(children);
  return text;
}

std::string ShownTooltip() {
  std::string text;
  GList* windows = gtk_window_list_toplevels();
  for (GList* node = windows; node; node = node->next)
    if (gtk_window_get_type_hint(GTK_WINDOW(node->data)) == GDK_WINDOW_TYPE_HINT_TOOLTIP &&
        gtk_widget_get_mapped(GTK_WIDGET(node->data)))
      text += TextIn(GTK_WIDGET(node->data));
  g_list_free(windows);
  return text;
}

TEST_F(ContextMenuTest, TheClientHearsOfTooltipsAndMayTakeOrChangeThem) {
  MenuClient.Tooltips.clear();
  MenuClient.TakenTooltip = "Invoice total";
  MenuClient.ReplacedTooltip = "Due date";
  MenuClient.Replacement = "Due date (client)";
  bool takenShown = false;
  const auto heard = [&](size_t count) {
    return PumpUntil([&] {
      takenShown = takenShown || ShownTooltip() == "Invoice total";
      return MenuClient.Tooltips.size() == count;
    });
  };
  ASSERT_TRUE(Page.Pointer(30, 370, ""));
  ASSERT_TRUE(heard(1));
  ASSERT_TRUE(Page.Pointer(410, 370, ""));
  ASSERT_TRUE(heard(2));
  // GTK takes the new element's tooltip area from the pointer's next move, as a hand gives it.
  ASSERT_TRUE(Page.Pointer(412, 371, ""));
  EXPECT_TRUE(PumpUntil([&] {
    takenShown = takenShown || ShownTooltip() == "Invoice total";
    return ShownTooltip() == "Due date (client)";
  })) << "shown: "
      << ShownTooltip();
  EXPECT_FALSE(takenShown) << "the client shows that one itself";
  EXPECT_EQ(MenuClient.Tooltips, (std::vector<std::string>{"Invoice total", "Due date"}));
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
                          .Handlers = SetUpMenuClient,
                          .Child =
                              [](const char* root, const char* base) {
                                Root = root;
                                return CheckWithoutDictionary(base);
                              },
                          .Finish =
                              [] {
                                if (MenuClient.Handler.Refs == 1) return true;
                                std::printf("context menu handler references not given back: %d\n",
                                            int(MenuClient.Handler.Refs));
                                return false;
                              }});
}
