// Drives the runtime library through its C entry points only, under Xvfb against a loopback
// server. The runtime starts once per process; each test opens its own browser in its own
// window. What must survive a restart is checked by running this program again as a child
// (--child <check> ...). Every reference the tests hand to the runtime must come back.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "runtime_test_support.h"

namespace {

std::string Root;  // the process's temporary folder; removed at the end
TServer Server;

// One browser in one window, at the given page; closed again at the end.
class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events = TEvents{};
    Browser = OpenBrowser(Window, StartUrl());
    ASSERT_NE(Browser, nullptr);
    ASSERT_EQ(Events.AfterCreated, 1);
    if (WaitsForStartPage()) {
      ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(StartUrl(), true); })) << "start page";
    }
  }

  void TearDown() override {
    if (Browser)
      EXPECT_TRUE(CloseBrowser(Browser, Window)) << "browser closed";
    else
      gtk_widget_destroy(Window);
  }

  virtual std::string StartUrl() const { return Server.Base() + "/index.html"; }
  virtual bool WaitsForStartPage() const { return true; }

  GtkWidget* Window = nullptr;
  TCefBrowser* Browser = nullptr;
};

TEST_F(BrowserTest, FramesReportTheirLoadEndsAndAddresses) {
  const std::string base = Server.Base();
  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(base + "/sub.html", false); }));
  EXPECT_TRUE(HasAddress(base + "/index.html", true));
  EXPECT_TRUE(HasAddress(base + "/sub.html", false));
  EXPECT_EQ(Browser->get_frame_count(Browser), 2u);

  const std::u16string childName = U16("child");
  const TCefStringUtf16 childView = View(childName);
  TCefFrame* child = Browser->get_frame(Browser, &childView);
  ASSERT_NE(child, nullptr) << "sub-frame found by name";
  EXPECT_EQ(FrameUrl(child), base + "/sub.html");
  TCefFrame* parent = child->get_parent(child);
  EXPECT_TRUE(parent && parent->is_main(parent));
  Drop(parent);
  child->get_text(child, Harness.TextVisitor.Give());
  EXPECT_TRUE(PumpUntil([] { return !Events.Texts.empty(); }, 10));
  EXPECT_NE(Events.Texts.empty() ? std::string() : Events.Texts[0], "");
  EXPECT_NE(Events.Texts.back().find("sub document"), std::string::npos);
  Drop(child);
}

TEST_F(BrowserTest, ScriptRunsWithItsUrlAndStartLine) {
  TCefFrame* main = Browser->get_main_frame(Browser);
  const std::u16string code =
      U16("var where = new Error().stack;\n"
          "new Image().src = '/report?' + encodeURIComponent(document.title + '|' + where);");
  const std::u16string url = U16(Server.Base() + "/injected.js");
  const TCefStringUtf16 codeView = View(code), urlView = View(url);
  main->execute_java_script(main, &codeView, &urlView, 7);
  Drop(main);
  const std::string reports = WaitForReport(Server, "Runtime%20test");
  EXPECT_NE(reports.find("Runtime%20test%7C"), std::string::npos);
  EXPECT_NE(reports.find("injected.js%3A7%3A"), std::string::npos);
}

TEST_F(BrowserTest, HistoryApiChangesTheAddress) {
  RunInMainFrame(Browser, "history.pushState({}, '', '/pushed.html');");
  EXPECT_TRUE(PumpUntil([&] { return HasAddress(Server.Base() + "/pushed.html", true); }, 10));
}

// The page waits in confirm() until the test answers through the kept callback.
TEST_F(BrowserTest, ConfirmDialogGetsTheClientsAnswer) {
  RunInMainFrame(Browser, "new Image().src = '/report?confirmed=' + confirm('Proceed?');");
  ASSERT_TRUE(PumpUntil([] { return Events.PendingDialog != nullptr; }, 10));
  EXPECT_EQ(Events.DialogMessage, "Proceed?");
  TCefJsDialogCallback* callback = std::exchange(Events.PendingDialog, nullptr);
  callback->cont(callback, 1, nullptr);
  Drop(callback);
  EXPECT_NE(WaitForReport(Server, "confirmed=").find("confirmed=true"), std::string::npos);
}

// X is kept from the page by the client; Y reaches it.
TEST_F(BrowserTest, KeysPassThroughTheClientFirst) {
  RunInMainFrame(Browser,
                 "document.addEventListener('keydown', function (e) {"
                 "  new Image().src = '/report?key=' + e.key; });"
                 "new Image().src = '/report?listening';");
  TCefBrowserHost* host = Browser->get_host(Browser);
  host->set_focus(host, 1);
  Drop(host);
  WaitForReport(Server, "listening");
  PressKey(Window, GDK_KEY_x);
  PressKey(Window, GDK_KEY_y);
  const std::string reports = WaitForReport(Server, "key=y");
  ASSERT_GE(Events.PreKeys.size(), 2u);
  EXPECT_EQ(Events.PreKeys[0], 'X');
  EXPECT_EQ(Events.PreKeys[1], 'Y');
  EXPECT_NE(reports.find("key=y"), std::string::npos);
  EXPECT_EQ(reports.find("key=x"), std::string::npos);
}

std::string DownloadFolder() {
  return Root + "/downloads";
}

// What the server sends for every download.
std::string ServedBytes() {
  std::string bytes;
  for (int i = 0; i < 64; ++i) bytes += "downloaded bytes\n";
  return bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string MakeFolder(const std::string& path) {
  g_mkdir_with_parents(path.c_str(), 0700);
  return path;
}

// Navigates to url and waits until the download it turned into has ended.
TDownloadEnd Download(TCefBrowser* browser, const std::string& url) {
  const size_t before = Events.DownloadEnds.size();
  LoadInMainFrame(browser, url);
  PumpUntil([&] { return Events.DownloadEnds.size() > before; }, 15);
  return Events.DownloadEnds.size() > before ? Events.DownloadEnds.back() : TDownloadEnd{};
}

// The navigation that became a download is neither a load error nor a load end of nothing.
TEST_F(BrowserTest, DownloadIsWrittenWhereTheClientSaid) {
  const std::string folder = MakeFolder(Root + "/chosen");
  DownloadTarget = folder + "/saved.bin";
  const TDownloadEnd end = Download(Browser, Server.Base() + "/file.bin");
  EXPECT_TRUE(end.Complete);
  EXPECT_FALSE(end.Canceled);
  EXPECT_EQ(end.Path, DownloadTarget);
  EXPECT_EQ(end.Received, int64_t(ServedBytes().size()));
  EXPECT_EQ(end.Total, int64_t(ServedBytes().size()));
  EXPECT_EQ(Events.SuggestedName, "file.bin");
  EXPECT_EQ(ReadFile(DownloadTarget), ServedBytes());
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"saved.bin"}) << "part file left";
  PumpFor(500);
  EXPECT_EQ(Events.LoadErrors, 0);
  for (const TFrameEvent& loadEnd : Events.LoadEnds) EXPECT_NE(loadEnd.Url, "");
}

TEST_F(BrowserTest, DownloadNeverReplacesAFile) {
  const std::string folder = MakeFolder(Root + "/occupied");
  DownloadTarget = folder + "/saved.bin";
  ASSERT_TRUE(g_file_set_contents(DownloadTarget.c_str(), "the user's own", -1, nullptr));
  const TDownloadEnd end = Download(Browser, Server.Base() + "/file.bin");
  EXPECT_TRUE(end.Canceled);
  EXPECT_FALSE(end.Complete);
  EXPECT_EQ(ReadFile(DownloadTarget), "the user's own");
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"saved.bin"});
}

// An empty path is the user's download folder, under a name no other file has.
TEST_F(BrowserTest, DownloadFolderGetsNumberedNames) {
  DownloadTarget.clear();
  const std::string url = Server.Base() + "/attachment?name=invoice-42.pdf";
  const std::string folder = DownloadFolder();
  for (const char* name : {"invoice-42.pdf", "invoice-42 (1).pdf", "invoice-42 (2).pdf"}) {
    const TDownloadEnd end = Download(Browser, url);
    EXPECT_TRUE(end.Complete) << name;
    EXPECT_EQ(end.Path, folder + "/" + name);
  }
  for (const char* name : {"invoice-42.pdf", "invoice-42 (1).pdf", "invoice-42 (2).pdf"})
    EXPECT_EQ(ReadFile(folder + "/" + name), ServedBytes()) << name;
  EXPECT_GE(Events.DownloadUpdates, 3 * 2) << "progress and end of each";
}

// Both chose the same free name; the one that completes second takes the next number.
TEST_F(BrowserTest, DownloadsRunningTogetherGetTheirOwnNames) {
  DownloadTarget.clear();
  RunInMainFrame(Browser,
                 "for (var i = 0; i < 2; ++i) {"
                 "  var frame = document.createElement('iframe');"
                 "  frame.src = '/attachment?name=twin.bin&pause=1&n=' + i;"
                 "  document.body.appendChild(frame); }");
  ASSERT_TRUE(PumpUntil([] { return Events.DownloadEnds.size() == 2; }, 15));
  std::vector<std::string> paths{Events.DownloadEnds[0].Path, Events.DownloadEnds[1].Path};
  std::sort(paths.begin(), paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{DownloadFolder() + "/twin (1).bin",
                                             DownloadFolder() + "/twin.bin"}));
  for (const std::string& path : paths) EXPECT_EQ(ReadFile(path), ServedBytes()) << path;
}

// Reports are spaced out, but what arrived before the server paused is told during the pause.
TEST_F(BrowserTest, DownloadProgressIsToldWhenDataPauses) {
  DownloadTarget.clear();
  LoadInMainFrame(Browser, Server.Base() + "/attachment?name=paused.bin&pause=1");
  const int64_t half = int64_t(ServedBytes().size() / 2);
  ASSERT_TRUE(PumpUntil([] { return Events.ReceivedWhileRunning > 0; }, 10));
  PumpFor(1000);  // the pieces are all there well within this; the pause lasts three seconds
  EXPECT_EQ(Events.ReceivedWhileRunning, half);
  EXPECT_TRUE(Events.DownloadEnds.empty()) << "the pause was over before the check";
  ASSERT_TRUE(PumpUntil([] { return !Events.DownloadEnds.empty(); }, 15));
  EXPECT_TRUE(Events.DownloadEnds.back().Complete);
}

// WebKit calls it finished; the item and the folder say otherwise.
TEST_F(BrowserTest, DownloadTheServerBrokeOffLeavesNoFile) {
  DownloadTarget.clear();
  MakeFolder(DownloadFolder());
  const std::vector<std::string> before = FolderEntries(DownloadFolder());
  const TDownloadEnd end = Download(Browser, Server.Base() + "/attachment?name=broken.pdf&cut=1");
  EXPECT_TRUE(end.Canceled);
  EXPECT_FALSE(end.Complete);
  EXPECT_LT(end.Received, end.Total);
  EXPECT_EQ(FolderEntries(DownloadFolder()), before);
}

TEST_F(BrowserTest, HostileDownloadNamesStayInTheFolder) {
  DownloadTarget.clear();
  for (const char* name : {"..%2F..%2Fescaped", "%2Fetc%2Fpasswd", ".hidden", "..", "."}) {
    const TDownloadEnd end = Download(Browser, Server.Base() + "/attachment?name=" + name);
    EXPECT_TRUE(end.Complete) << name;
    const std::filesystem::path path(end.Path);
    EXPECT_EQ(path.parent_path().string(), DownloadFolder()) << name;
    EXPECT_NE(path.filename().string().front(), '.') << name << " hidden";
    EXPECT_EQ(ReadFile(end.Path), ServedBytes()) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(Root + "/escaped"));
}

// Links WebKit cannot show go to the desktop (here: to the client, which declines); the
// page stays as it was.
TEST_F(BrowserTest, MailtoLinkKeepsThePage) {
  const size_t loadEnds = Events.LoadEnds.size();
  RunInMainFrame(Browser, "location.href = 'mailto:someone@example.com';");
  EXPECT_TRUE(PumpUntil([] { return !Events.ExternalUrls.empty(); }, 10));
  PumpFor(1000);
  EXPECT_EQ(Events.LoadErrors, 0);
  EXPECT_EQ(Events.LoadEnds.size(), loadEnds);
  EXPECT_NE(MainFrameText(Browser).find("main document"), std::string::npos);
  ASSERT_FALSE(Events.ExternalUrls.empty());
  EXPECT_EQ(Events.ExternalUrls[0], "mailto:someone@example.com");
}

// A visible top-level window transient for the opener's window.
GtkWindow* PopupWindowOf(GtkWidget* opener) {
  GList* windows = gtk_window_list_toplevels();
  GtkWindow* popup = nullptr;
  for (GList* item = windows; item; item = item->next)
    if (gtk_window_get_transient_for(GTK_WINDOW(item->data)) == GTK_WINDOW(opener) &&
        gtk_widget_get_visible(GTK_WIDGET(item->data)))
      popup = GTK_WINDOW(item->data);
  g_list_free(windows);
  return popup;
}

TEST_F(BrowserTest, PopupGetsItsFeaturesWindowAndSubstitutedAddress) {
  const std::string base = Server.Base();
  PopupUrlOverride = base + "/other.html";
  RunInMainFrame(Browser,
                 "window.popup = window.open('/popup.html', '', "
                 "'width=500,height=400,left=50,top=60');");
  EXPECT_TRUE(PumpUntil([] { return Events.Popups == 1; }, 10));
  PopupUrlOverride.clear();
  EXPECT_TRUE(Events.PopupFeatures.widthSet && Events.PopupFeatures.heightSet);
  EXPECT_EQ(Events.PopupFeatures.width, 500);
  EXPECT_EQ(Events.PopupFeatures.height, 400);
  EXPECT_EQ(Events.PopupFeatures.x, 50);
  EXPECT_EQ(Events.PopupFeatures.y, 60);

  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(base + "/other.html", true); }, 10));
  const std::string reports = ReadFile(Server.Reports);
  EXPECT_NE(reports.find("requested /other.html"), std::string::npos);
  EXPECT_EQ(reports.find("requested /popup.html"), std::string::npos);
  GtkWindow* popup = PopupWindowOf(Window);
  ASSERT_NE(popup, nullptr) << "popup window transient for the opener";
  PumpUntil([&] { return g_strcmp0(gtk_window_get_title(popup), "Other page") == 0; }, 5);
  EXPECT_STREQ(gtk_window_get_title(popup), "Other page");
  int width = 0, height = 0;
  PumpUntil(
      [&] {
        gtk_window_get_size(popup, &width, &height);
        return width >= 500 && height >= 400;
      },
      5);
  EXPECT_GE(width, 500);
  EXPECT_GE(height, 400);

  RunInMainFrame(Browser, "window.popup.close();");
  EXPECT_TRUE(PumpUntil([] { return Events.BeforeClose == 1; }, 10)) << "popup closed";
  EXPECT_EQ(PopupWindowOf(Window), nullptr);
  Events.BeforeClose = 0;
}

// Answers every dialog with Cancel, so that no test hangs in one, and counts those shown over
// the expected window.
struct TDialogWatch {
  GtkWidget* Parent = nullptr;
  int Seen = 0;
  int OverParent = 0;
};

gboolean CancelDialogs(gpointer data) {
  auto& watch = *static_cast<TDialogWatch*>(data);
  GList* windows = gtk_window_list_toplevels();
  for (GList* item = windows; item; item = item->next) {
    if (!GTK_IS_DIALOG(item->data) || !gtk_widget_get_visible(GTK_WIDGET(item->data))) continue;
    ++watch.Seen;
    watch.OverParent +=
        gtk_window_get_transient_for(GTK_WINDOW(item->data)) == GTK_WINDOW(watch.Parent);
    gtk_dialog_response(GTK_DIALOG(item->data), GTK_RESPONSE_CANCEL);
  }
  g_list_free(windows);
  return G_SOURCE_CONTINUE;
}

// Ours and the page's window.print() both show GTK's print dialog over the browser's window.
TEST_F(BrowserTest, PrintShowsTheDialogOverTheWindow) {
  TDialogWatch watch{Window};
  const guint watcher = g_timeout_add(100, CancelDialogs, &watch);
  Ext.corvane_print(Browser->get_host(Browser));  // returns once the dialog is answered
  EXPECT_EQ(watch.Seen, 1);
  RunInMainFrame(Browser, "window.print();");
  EXPECT_TRUE(PumpUntil([&] { return watch.Seen == 2; }, 10));
  EXPECT_EQ(watch.OverParent, 2);
  g_source_remove(watcher);
}

// A page with "apple" three times, in three cases.
class FindTest : public BrowserTest {
 protected:
  std::string StartUrl() const override { return Server.Base() + "/find.html"; }

  // The count the handler was told, or -1 when it was told nothing.
  int32_t Find(TCefBrowserHost* host, const std::string& text, bool forward, int seconds = 5) {
    const size_t before = Events.FindResults.size();
    const std::u16string text16 = U16(text);
    const TCefStringUtf16 textView = View(text16);
    Ext.corvane_find(host, &textView, forward, Harness.Find.Give());
    PumpUntil([&] { return Events.FindResults.size() > before; }, seconds);
    return Events.FindResults.size() > before ? Events.FindResults.back() : -1;
  }
  int32_t Find(const std::string& text, bool forward = true) {
    return Find(Browser->get_host(Browser), text, forward);
  }
};

TEST_F(FindTest, CountsMatchesAndGivesEveryHandlerBack) {
  EXPECT_EQ(Find("apple"), 3);
  EXPECT_EQ(Find("apple"), 3) << "next";
  EXPECT_EQ(Find("apple", false), 3) << "previous";
  EXPECT_EQ(Find("pear"), 1);
  EXPECT_EQ(Find("banana"), 0);
  EXPECT_EQ(Find("banana"), 0) << "next of nothing";
  EXPECT_EQ(Find(""), 0) << "empty text stops";
  Ext.corvane_stop_finding(Browser->get_host(Browser));
  EXPECT_EQ(Find("APPLE"), 3) << "after stopping";
  EXPECT_EQ(Harness.Find.Refs, 1);
}

// Nobody can answer: the handler and the host come back at once.
TEST_F(FindTest, ClosedBrowserOrNoHostReleasesTheHandler) {
  const size_t answers = Events.FindResults.size();
  EXPECT_EQ(Find(nullptr, "apple", true, 1), -1);
  Ext.corvane_stop_finding(nullptr);
  Ext.corvane_print(nullptr);
  TCefBrowserHost* host = Browser->get_host(Browser);
  host->close_browser(host);
  ASSERT_TRUE(PumpUntil([] { return Events.BeforeClose >= 1; }, 10));
  for (int call = 0; call < 3; ++call) host->base.add_ref(&host->base);
  EXPECT_EQ(Find(host, "apple", true, 1), -1);
  Ext.corvane_stop_finding(host);
  Ext.corvane_print(host);
  EXPECT_EQ(Harness.Find.Refs, 1);
  EXPECT_EQ(Events.FindResults.size(), answers);
  EXPECT_EQ(host->base.get_refct(&host->base), 2) << "the test's and the browser's own";
  Drop(host);
  Drop(std::exchange(Browser, nullptr));
}

// The download goes on; the window that would stay empty goes, the opener's page stays.
TEST_F(BrowserTest, PopupOpenedForADownloadCloses) {
  DownloadTarget.clear();
  RunInMainFrame(Browser,
                 "var link = document.createElement('a');"
                 "link.href = '/attachment?name=from-popup.bin'; link.target = '_blank';"
                 "document.body.appendChild(link); link.click();");
  EXPECT_TRUE(PumpUntil([] { return !Events.DownloadEnds.empty(); }, 15));
  EXPECT_TRUE(PumpUntil([] { return Events.BeforeClose == 1; }, 10)) << "popup closed";
  EXPECT_EQ(Events.Popups, 1);
  ASSERT_EQ(Events.DownloadEnds.size(), 1u);
  EXPECT_TRUE(Events.DownloadEnds[0].Complete);
  EXPECT_EQ(ReadFile(DownloadFolder() + "/from-popup.bin"), ServedBytes());
  EXPECT_EQ(PopupWindowOf(Window), nullptr);
  EXPECT_NE(MainFrameText(Browser).find("main document"), std::string::npos);
  Events.BeforeClose = 0;
}

struct TProcess {
  pid_t Pid = 0;
  pid_t Parent = 0;
  std::string Name;
};

std::vector<TProcess> AllProcesses() {
  std::vector<TProcess> all;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string stat = ReadFile(entry.path().string() + "/stat");
    const size_t open = stat.find('('), close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size())
      continue;
    all.push_back({std::atoi(name.c_str()), std::atoi(stat.c_str() + close + 4),  // ") S ppid"
                   stat.substr(open + 1, close - open - 1)});
  }
  return all;
}

// This process's WebKit web processes, also those the sandbox started for it.
std::vector<pid_t> WebProcesses() {
  const std::vector<TProcess> all = AllProcesses();
  std::vector<pid_t> family{getpid()}, found;
  for (size_t next = 0; next < family.size(); ++next)
    for (const TProcess& process : all)
      if (process.Parent == family[next]) {
        family.push_back(process.Pid);
        if (process.Name.rfind("WebKitWebProces", 0) == 0) found.push_back(process.Pid);
      }
  return found;
}

std::string MountNamespaceOf(const std::string& pid) {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/" + pid + "/ns/mnt", error).string();
}

// The page's frames, scripts and cookies work in the other tests with the sandbox on.
TEST_F(BrowserTest, WebContentRunsInTheSandbox) {
  const std::vector<pid_t> processes = WebProcesses();
  ASSERT_FALSE(processes.empty());
  for (pid_t pid : processes)
    EXPECT_NE(MountNamespaceOf(std::to_string(pid)), MountNamespaceOf("self"))
        << "web process " << pid << " sees our file system";
}

// A call the dead page cannot answer must not hold up the reload that follows.
void KillWebProcesses(TCefBrowser* browser) {
  const std::vector<pid_t> processes = WebProcesses();
  ASSERT_FALSE(processes.empty());
  for (pid_t pid : processes) kill(pid, SIGKILL);
  TCefFrame* main = browser->get_main_frame(browser);
  main->get_text(main, Harness.TextVisitor.Give());
  Drop(main);
}

// A second death within a minute gets our page instead of another reload.
TEST_F(BrowserTest, KilledWebProcessIsReloadedOnceWithoutTheClient) {
  EXPECT_NE(MainFrameText(Browser).find("main document"), std::string::npos);
  Events.LoadEnds.clear();
  KillWebProcesses(Browser);
  EXPECT_TRUE(PumpUntil([] { return Events.ProcessDeaths == 1; }, 5));
  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(StartUrl(), true); }, 5));
  for (const TFrameEvent& address : Events.Addresses) EXPECT_NE(address.Url, "");
  EXPECT_NE(MainFrameText(Browser).find("main document"), std::string::npos);

  Events.LoadEnds.clear();
  KillWebProcesses(Browser);
  EXPECT_TRUE(PumpUntil([] { return Events.ProcessDeaths == 2; }, 5));
  std::string text;
  PumpUntil(
      [&] {
        PumpFor(100);
        return (text = MainFrameText(Browser)).find("stopped working") != text.npos;
      },
      5);
  EXPECT_NE(text.find("stopped working"), std::string::npos) << text;
  EXPECT_TRUE(Events.LoadEnds.empty()) << "no reload loop";
}

// Created with the empty document and then sent to a page, as the program does.
class BlankStartTest : public BrowserTest {
 protected:
  std::string StartUrl() const override { return "about:blank"; }
  bool WaitsForStartPage() const override { return false; }
};

TEST_F(BlankStartTest, TheEmptyStartDocumentIsNoPlaceToGoBackTo) {
  ASSERT_TRUE(PumpUntil([] {
    return std::any_of(Events.LoadEnds.begin(), Events.LoadEnds.end(),
                       [](const TFrameEvent& end) { return end.Url == "about:blank"; });
  }));
  const std::string first = Server.Base() + "/index.html", second = Server.Base() + "/sub.html";
  LoadInMainFrame(Browser, first);
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(first, true); }));
  EXPECT_FALSE(Browser->can_go_back(Browser));
  Browser->go_back(Browser);

  LoadInMainFrame(Browser, second);
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(second, true); }));
  EXPECT_TRUE(Browser->can_go_back(Browser));
  Events.LoadEnds.clear();
  Browser->go_back(Browser);
  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(first, true); })) << "one step back: first page";
  EXPECT_FALSE(Browser->can_go_back(Browser));
}

// The web process dies while the first page is still on its way.
class SlowFirstPageTest : public BrowserTest {
 protected:
  std::string StartUrl() const override { return Server.Base() + "/slow.html"; }
  bool WaitsForStartPage() const override { return false; }
};

TEST_F(SlowFirstPageTest, AWebProcessDeathBeforeTheFirstPageAsksForItAgain) {
  // Once the page was asked for: a web process killed while it starts takes WebKit along.
  ASSERT_NE(WaitForReport(Server, "requested /slow.html").find("requested /slow.html"),
            std::string::npos);
  KillWebProcesses(Browser);
  EXPECT_TRUE(PumpUntil([] { return Events.ProcessDeaths == 1; }, 10));
  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(StartUrl(), true); }, 30));
}

// The service is down when the page is opened and comes up later.
class UnreachableServiceTest : public BrowserTest {
 protected:
  void SetUp() override {
    Port = RefusingPort();
    BrowserTest::SetUp();
  }
  void TearDown() override {
    BrowserTest::TearDown();
    StopServer(LateServer);
    RemoveFolder(LateFolder);
  }
  std::string StartUrl() const override {
    return "http://127.0.0.1:" + std::to_string(Port) + "/index.html";
  }
  bool WaitsForStartPage() const override { return false; }

  int Port = 0;
  TServer LateServer;
  std::string LateFolder = MakeTemporaryFolder("runtime-late-XXXXXX");
};

TEST_F(UnreachableServiceTest, ShowsOwnPageThenLoadsWhenTheServiceAnswers) {
  ASSERT_TRUE(PumpUntil([] { return Events.LoadErrors > 0; }, 15));
  EXPECT_EQ(Events.FailedUrl, StartUrl());
  EXPECT_EQ(Events.LastErrorCode, -102) << "connection refused";
  PumpFor(1000);
  const std::string text = MainFrameText(Browser);
  EXPECT_NE(text.find("cannot reach 127.0.0.1"), std::string::npos) << text;
  for (const TFrameEvent& end : Events.LoadEnds) EXPECT_NE(end.Url, "") << "load end of nothing";
  for (const TFrameEvent& address : Events.Addresses) EXPECT_NE(address.Url, "");
  EXPECT_FALSE(HasLoadEnd(StartUrl(), true));

  ASSERT_TRUE(StartServer(LateServer, LateFolder, Port));
  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(StartUrl(), true); }, 70));
  EXPECT_EQ(Events.LoadErrors, 1) << "one outage, one error";
  EXPECT_NE(MainFrameText(Browser).find("main document"), std::string::npos);
}

// The web process dies while our page stands in for the service, which has come back.
TEST_F(UnreachableServiceTest, AWebProcessDeathOnTheOwnPageAsksForTheServiceAgain) {
  ASSERT_TRUE(PumpUntil([] { return Events.LoadErrors > 0; }, 15));
  ASSERT_TRUE(StartServer(LateServer, LateFolder, Port));
  KillWebProcesses(Browser);
  EXPECT_TRUE(PumpUntil([&] { return HasLoadEnd(StartUrl(), true); }, 70));
  EXPECT_NE(MainFrameText(Browser).find("main document"), std::string::npos);
}

// What the client does when it hears the service is down: goes to another page at once, or
// ends the browser at once.
bool EndsTheBrowserOnError = false;

void CEF_CALLBACK ActOnLoadError(TCefLoadHandler*, TCefBrowser* browser, TCefFrame* frame, int32_t,
                                 TCefConstString*, TCefConstString*) {
  ++Events.LoadErrors;
  if (EndsTheBrowserOnError) {
    TCefBrowserHost* host = browser->get_host(browser);
    host->parent_window_will_close(host);
    Drop(host);
  } else {
    const std::u16string address = U16(Server.Base() + "/other.html");
    const TCefStringUtf16 addressView = View(address);
    frame->load_url(frame, &addressView);
  }
  Drop(frame);
  Drop(browser);
}

class ClientGoesElsewhereTest : public UnreachableServiceTest {
 protected:
  void SetUp() override {
    Harness.Load.Struct.on_load_error = ActOnLoadError;
    UnreachableServiceTest::SetUp();
  }
  void TearDown() override {
    UnreachableServiceTest::TearDown();
    SetUpClient();
  }
};

TEST_F(ClientGoesElsewhereTest, ItsPageReplacesOursAndIsReported) {
  ASSERT_TRUE(PumpUntil([] { return Events.LoadErrors > 0; }, 15));
  EXPECT_TRUE(PumpUntil([] { return HasLoadEnd(Server.Base() + "/other.html", true); }));
  EXPECT_TRUE(HasAddress(Server.Base() + "/other.html", true));
  EXPECT_EQ(MainFrameText(Browser).find("cannot reach"), std::string::npos);
}

TEST(Outage, AClientMayEndTheBrowserFromInsideTheError) {
  Events = TEvents{};
  EndsTheBrowserOnError = true;
  Harness.Load.Struct.on_load_error = ActOnLoadError;
  GtkWidget* window = nullptr;
  TCefBrowser* browser =
      OpenBrowser(window, "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  EXPECT_TRUE(PumpUntil([] { return Events.BeforeClose == 1; }, 15));
  EXPECT_EQ(Events.LoadErrors, 1);
  Drop(browser);
  gtk_widget_destroy(window);
  EndsTheBrowserOnError = false;
  SetUpClient();
}

TCefBool SetCookie(TCefCookieManager* manager, const std::string& name, const std::string& value,
                   bool persistent) {
  const std::u16string url = U16("http://127.0.0.1/"), domain = U16("127.0.0.1"), root = U16("/");
  const std::u16string name16 = U16(name), value16 = U16(value);
  const TCefStringUtf16 urlView = View(url);
  RuntimeCookie cookie{};
  cookie.domain = View(domain);
  cookie.path = View(root);
  cookie.name = View(name16);
  cookie.value = View(value16);
  cookie.has_expires = persistent;
  if (persistent) cookie.expires = RuntimeTime{2040, 1, 0, 2, 12, 0, 0, 0};
  return manager->set_cookie(manager, &urlView, &cookie);
}

TEST(CookieStore, StoreThatCannotBeOpenedIsRefused) {
  const std::string folder = Root + "/blocked";
  ASSERT_EQ(g_mkdir_with_parents((folder + "/Cookies").c_str(), 0700), 0);
  TCefCookieManager* manager = Api.cef_cookie_manager_get_global_manager();
  const std::u16string path = U16(folder);
  const TCefStringUtf16 pathView = View(path);
  EXPECT_EQ(manager->set_storage_path(manager, &pathView), 0);
  EXPECT_EQ(SetCookie(manager, "lost", "x", true), 0)
      << "a persistent cookie that will not persist";
  EXPECT_NE(SetCookie(manager, "session", "x", false), 0) << "a session cookie is not meant to";
  Drop(manager);
}

TEST(CookieStore, PersistentCookieSurvivesARestart) {
  Events = TEvents{};
  const std::string folder = Root + "/cookies";
  TCefCookieManager* manager = Api.cef_cookie_manager_get_global_manager();
  const std::u16string path = U16(folder);
  const TCefStringUtf16 pathView = View(path);
  EXPECT_NE(manager->set_storage_path(manager, &pathView), 0);
  EXPECT_NE(SetCookie(manager, "persist", "kept", true), 0);
  EXPECT_NE(SetCookie(manager, "session", "gone", false), 0);
  EXPECT_NE(manager->visit_all_cookies(manager, Harness.CookieVisitor.Give()), 0);
  PumpUntil([] { return Events.CookieVisitsDone > 0; }, 10);
  EXPECT_TRUE(HasCookie("persist", "kept") && HasCookie("session", "gone"));
  Drop(manager);
  EXPECT_TRUE(RunChild({"--child", "cookies", folder})) << "second process found the cookie";
}

// Two later processes with the same per-user cache folder: the first stores, the second reads.
TEST(WebData, LocalStorageSurvivesARestartAndNothingIsLeftInTmp) {
  const std::string cache = Root + "/user-cache", tmp = Root + "/tmp";
  ASSERT_EQ(g_mkdir_with_parents(tmp.c_str(), 0700), 0);
  const std::vector<std::string> env{"XDG_CACHE_HOME=" + cache, "TMPDIR=" + tmp};
  EXPECT_TRUE(RunChild({"--child", "store-local", Server.Base()}, env));
  EXPECT_TRUE(RunChild({"--child", "read-local", Server.Base()}, env));
  EXPECT_TRUE(std::filesystem::exists(cache)) << "web data kept in the user's cache folder";
  for (const auto& entry : std::filesystem::directory_iterator(tmp))
    EXPECT_EQ(entry.path().filename().string().rfind("corvane-runtime-", 0), std::string::npos)
        << entry.path();
}

// The program ends while a download runs: its part file must not stay in the user's folder.
TEST(Download, EndingTheProgramMidwayLeavesNoPartFile) {
  MakeFolder(DownloadFolder());
  const std::vector<std::string> before = FolderEntries(DownloadFolder());
  EXPECT_TRUE(RunChild({"--child", "download-at-exit", Server.Base()}));
  EXPECT_EQ(FolderEntries(DownloadFolder()), before);
}

// ---- Checks run in a second process ---------------------------------------------------------

int CheckCookiesKept(const std::string& folder) {
  TCefCookieManager* manager = Api.cef_cookie_manager_get_global_manager();
  const std::u16string path = U16(folder);
  const TCefStringUtf16 pathView = View(path);
  manager->set_storage_path(manager, &pathView);
  manager->visit_all_cookies(manager, Harness.CookieVisitor.Give());
  PumpUntil([] { return Events.CookieVisitsDone > 0; }, 10);
  Drop(manager);
  return HasCookie("persist", "kept") && !HasCookie("session", "gone") ? 0 : 1;
}

// Stores or reads a localStorage value in a page of base; answers the page's text.
std::string WithLocalStorage(const std::string& base, const std::string& script) {
  GtkWidget* window = nullptr;
  TCefBrowser* browser = OpenBrowser(window, base + "/other.html");
  PumpUntil([&] { return HasLoadEnd(base + "/other.html", true); });
  RunInMainFrame(browser, script);
  PumpFor(1500);  // WebKit writes local storage to disk in the background
  const std::string text = MainFrameText(browser);
  TCefBrowserHost* host = browser->get_host(browser);
  host->close_browser(host);
  Drop(host);
  PumpUntil([] { return Events.BeforeClose > 0; }, 10);
  Drop(browser);
  gtk_widget_destroy(window);
  return text;
}

// Answers 0 when the download had begun writing before the runtime was shut down.
int StartSlowDownload(const std::string& base) {
  GtkWidget* window = nullptr;
  DownloadTarget.clear();
  TCefBrowser* browser = OpenBrowser(window, base + "/attachment?name=slow.bin&pause=1");
  const bool begun = PumpUntil([] { return Events.DownloadUpdates > 0; }, 10);
  Drop(browser);
  return begun ? 0 : 1;
}

int RunChildCheck(const char* checkName, const char* argument) {
  const std::string check = checkName;
  if (!StartRuntime()) return 2;
  int result = 1;
  if (check == "cookies") {
    result = CheckCookiesKept(argument);
  } else if (check == "store-local") {
    const std::string text =
        WithLocalStorage(argument,
                         "localStorage.setItem('kept', 'stored value');"
                         "document.body.textContent = localStorage.getItem('kept');");
    result = text.find("stored value") != std::string::npos ? 0 : 1;
  } else if (check == "read-local") {
    const std::string text = WithLocalStorage(
        argument, "document.body.textContent = 'read: ' + localStorage.getItem('kept');");
    result = text.find("read: stored value") != std::string::npos ? 0 : 1;
    if (result) std::printf("read back: %s\n", text.c_str());
  } else if (check == "download-at-exit") {
    result = StartSlowDownload(argument);
  }
  Api.cef_shutdown();
  const std::string unbalanced = UnbalancedReferences();
  if (!unbalanced.empty()) std::printf("references not given back: %s\n", unbalanced.c_str());
  return unbalanced.empty() ? result : 1;
}

// The runtime's per-user web data and downloads go to the test's folder, not the user's.
bool UseTestUserFolders() {
  setenv("XDG_CACHE_HOME", (Root + "/cache-home").c_str(), 1);
  UseTestUserFolder(Root, "XDG_DOWNLOAD_DIR", DownloadFolder());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(argc, argv, Root, Server,
                         {.FolderPattern = "runtime-test-XXXXXX",
                          .Prepare = UseTestUserFolders,
                          .Child = RunChildCheck});
}
