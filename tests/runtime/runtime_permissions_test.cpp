// What pages ask of the window, through the runtime's page request handler: permissions, kept
// notification answers after a restart, notifications on a private session bus with a stand-in
// notification service, and uploads through the file chooser.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "runtime_test_support.h"

extern char** environ;

namespace {

std::string Root;
TServer Server;
pid_t BusDaemon = 0;
pid_t NotificationService = 0;

struct TAsked {
  std::string Origin;
  int32_t Kinds = 0;
};
std::vector<TAsked> Asked;
int32_t AllowedKinds = 0;
std::vector<std::string> UploadFolders;
TCounted<TCefPageRequestHandler> PageRequests;

void CEF_CALLBACK OnPermissionRequest(TCefPageRequestHandler*, TCefBrowser* browser,
                                      TCefConstString* origin, int32_t kinds,
                                      TCefPermissionCallback* callback) {
  Asked.push_back({Ascii(origin), kinds});
  callback->cont(callback, (kinds & AllowedKinds) == kinds);
  Drop(callback);
  Drop(browser);
}

void CEF_CALLBACK OnUploadFolder(TCefPageRequestHandler*, TCefConstString* folder) {
  UploadFolders.push_back(Ascii(folder));
}

std::string NotificationLog() {
  return Root + "/notifications.txt";
}

// Runs argv with stdout into a pipe; answers the first line it prints.
std::string SpawnForLine(std::vector<std::string> arguments, pid_t& pid) {
  int out[2];
  if (pipe(out) != 0) return {};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string line;
  char c = 0;
  while (spawned == 0 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  return line;
}

void Stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  pid = 0;
}

// A private session bus for this process and its children, before GTK or WebKit look for one.
bool StartPrivateBus() {
  const std::string address =
      SpawnForLine({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, BusDaemon);
  if (address.empty()) return false;
  setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  return true;
}

bool StartNotificationService() {
  return SpawnForLine({"/usr/bin/python3", CORVANE_NOTIFICATION_STAND_IN, NotificationLog()},
                      NotificationService) == "ready";
}

class TPermissionsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(StartServer(Server, Root)) << "loopback server";
    ASSERT_TRUE(StartRuntime()) << "runtime started";
    Ext.corvane_set_page_request_handler(PageRequests.Give());
  }
  void TearDown() override {
    Api.cef_shutdown();
    StopServer(Server);
    EXPECT_EQ(PageRequests.Refs, 1) << "page request handler given back at shutdown";
    EXPECT_EQ(UnbalancedReferences(), "") << "references not given back";
  }
};

// One browser in one window at the server's plain page; the page reports through its title.
class PageRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Events = TEvents{};
    Asked.clear();
    Browser = OpenBrowser(Window, Page());
    gtk_window_set_icon_name(GTK_WINDOW(Window), "test-icon");
    ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(Page(), true); }));
  }
  void TearDown() override { CloseBrowser(Browser, Window); }

  static std::string Page() { return Server.Base() + "/other.html"; }
  // Runs script, which sets the title to its answer; answers that title.
  std::string Answer(const std::string& script, const std::string& prefix) {
    const size_t before = Events.Titles.size();
    RunInMainFrame(Browser, script);
    std::string title;
    PumpUntil([&] {
      for (size_t i = before; i < Events.Titles.size(); ++i)
        if (Events.Titles[i].rfind(prefix, 0) == 0) title = Events.Titles[i];
      return !title.empty();
    });
    return title;
  }
  // Asks for notifications from a click in the page, as WebKit wants a user gesture for it.
  std::string RequestNotifications() {
    RunInMainFrame(Browser,
                   "document.onclick = () => Notification.requestPermission().then("
                   "p => document.title = 'n:' + p)");
    PumpFor(300);
    ClickPage();
    PumpUntil([] { return !Events.Titles.empty() && Events.Titles.back().rfind("n:", 0) == 0; });
    return Events.Titles.empty() ? "" : Events.Titles.back();
  }
  // A click in the page, as the user's: some requests need one.
  void ClickPage() {
    TCefBrowserHost* host = Browser->get_host(Browser);
    GtkWidget* view = host->get_window_handle(host);
    Drop(host);
    GdkWindow* window = gtk_widget_get_window(view);
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
    for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
      GdkEvent* event = gdk_event_new(type);
      event->button.window = GDK_WINDOW(g_object_ref(window));
      event->button.send_event = TRUE;
      event->button.time = GDK_CURRENT_TIME;
      event->button.x = event->button.y = 20;
      event->button.button = 1;
      gdk_event_set_device(event, pointer);
      gdk_display_put_event(gdk_display_get_default(), event);
      gdk_event_free(event);
    }
  }

  GtkWidget* Window = nullptr;
  TCefBrowser* Browser = nullptr;
};

TEST_F(PageRequestTest, EachRequestIsAskedWithItsOriginAndKindAndThePageGetsTheAnswer) {
  AllowedKinds = CORVANE_PERMISSION_NOTIFICATIONS;
  EXPECT_EQ(RequestNotifications(), "n:granted");
  EXPECT_EQ(Answer("navigator.geolocation.getCurrentPosition(() => document.title = 'g:yes',"
                   " e => document.title = 'g:' + e.code)",
                   "g:"),
            "g:1")
      << "denied (PERMISSION_DENIED)";
  ASSERT_EQ(Asked.size(), 2u);
  const std::string origin = Server.Base();
  EXPECT_EQ(Asked[0].Origin, origin);
  EXPECT_EQ(Asked[0].Kinds, CORVANE_PERMISSION_NOTIFICATIONS);
  EXPECT_EQ(Asked[1].Origin, origin);
  EXPECT_EQ(Asked[1].Kinds, CORVANE_PERMISSION_GEOLOCATION);
}

TEST_F(PageRequestTest, NotificationsReachTheServiceAndItsClickRaisesTheWindowAndReachesThePage) {
  ASSERT_TRUE(StartNotificationService()) << "stand-in notification service";
  AllowedKinds = CORVANE_PERMISSION_NOTIFICATIONS;
  ASSERT_EQ(RequestNotifications(), "n:granted");
  GtkWidget* other = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_widget_show_all(other);
  gtk_window_present(GTK_WINDOW(other));
  PumpUntil([&] { return gtk_window_is_active(GTK_WINDOW(other)); }, 5);

  EXPECT_EQ(Answer("const n = new Notification('Paid', {body: 'click me'});"
                   "n.onclick = () => document.title = 'clicked:' + n.title;",
                   "clicked:"),
            "clicked:Paid");
  EXPECT_TRUE(PumpUntil([&] { return gtk_window_is_active(GTK_WINDOW(Window)); }))
      << "window raised";
  const std::string log = ReadFile(NotificationLog());
  EXPECT_NE(log.find("notify 1 runtime_permissions_test|test-icon|Paid|click me"),
            std::string::npos)
      << log;

  // A flood: one shown, the rest closed at once; a shown one closed by the page is withdrawn.
  PumpFor(1100);
  EXPECT_EQ(
      Answer("let closed = 0; const shown = [];"
             "for (let i = 0; i < 1000; ++i) {"
             "  const n = new Notification('Flood ' + i); shown.push(n);"
             "  n.onclose = () => { if (++closed == 999) document.title = 'flood:' + closed; };"
             "}"
             "setTimeout(() => shown[0].close(), 500);",
             "flood:"),
      "flood:999");
  EXPECT_TRUE(PumpUntil([] {
    return ReadFile(NotificationLog()).find("close 2") != std::string::npos;
  })) << "the page's close withdrew the shown one";
  const std::string flood = ReadFile(NotificationLog());
  EXPECT_NE(flood.find("Flood 0"), std::string::npos);
  EXPECT_EQ(flood.find("Flood 1|"), std::string::npos);
  Stop(NotificationService);
  gtk_widget_destroy(other);
}

TEST_F(PageRequestTest, WithoutANotificationServiceThePageHearsItsNotificationClosed) {
  AllowedKinds = CORVANE_PERMISSION_NOTIFICATIONS;
  ASSERT_EQ(RequestNotifications(), "n:granted");
  PumpFor(1100);  // past the previous test's last notification
  EXPECT_EQ(Answer("const n = new Notification('Nobody listens');"
                   "n.onclose = () => document.title = 'gone:' + Notification.permission;",
                   "gone:"),
            "gone:granted");
}

// The file chooser answered as a user would: filters, a file whose name has control characters,
// the folder offered next time; then cancelled.
GtkFileChooser* OpenChooser() {
  GtkFileChooser* found = nullptr;
  PumpUntil([&] {
    GList* windows = gtk_window_list_toplevels();
    for (GList* item = windows; item; item = item->next)
      if (GTK_IS_FILE_CHOOSER(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data)))
        found = GTK_FILE_CHOOSER(item->data);
    g_list_free(windows);
    return found != nullptr;
  });
  return found;
}

std::string FolderOf(GtkFileChooser* chooser) {
  gchar* folder = gtk_file_chooser_get_current_folder(chooser);
  std::string text = folder ? folder : "";
  g_free(folder);
  return text;
}

std::string SelectedIn(GtkFileChooser* chooser) {
  gchar* file = gtk_file_chooser_get_filename(chooser);
  std::string text = file ? file : "";
  g_free(file);
  return text;
}

TEST_F(PageRequestTest, UploadsGoThroughTheFileChooserWithFiltersAndTheLastFolder) {
  const std::string folder = Root + "/uploads";
  g_mkdir_with_parents(folder.c_str(), 0700);
  const std::string strange = folder + "/a\tb\nc.pdf";
  g_file_set_contents(strange.c_str(), "%PDF", -1, nullptr);
  const std::u16string start = U16(folder);
  const TCefStringUtf16 startView = View(start);
  Ext.corvane_set_upload_folder(&startView);
  RunInMainFrame(Browser,
                 "document.body.innerHTML = '<input type=file multiple accept=\".pdf,image/png\""
                 " style=\"position:fixed;left:0;top:0;width:100%;height:100%\">';"
                 "const input = document.body.firstChild;"
                 "input.onchange = () => document.title = 'files:' + input.files.length + ':' +"
                 "  JSON.stringify(input.files[0].name);"
                 "input.oncancel = () => document.title = 'cancel:' + input.files.length;"
                 "document.title = 'ready';");
  ASSERT_TRUE(PumpUntil([] { return !Events.Titles.empty() && Events.Titles.back() == "ready"; }));

  ClickPage();
  GtkFileChooser* chooser = OpenChooser();
  ASSERT_NE(chooser, nullptr) << "file chooser shown";
  EXPECT_TRUE(gtk_file_chooser_get_select_multiple(chooser));
  GSList* filters = gtk_file_chooser_list_filters(chooser);
  ASSERT_EQ(g_slist_length(filters), 2u);
  EXPECT_STREQ(gtk_file_filter_get_name(GTK_FILE_FILTER(g_slist_last(filters)->data)), "All files");
  g_slist_free(filters);
  EXPECT_TRUE(PumpUntil([&] { return FolderOf(chooser) == folder; }, 5))
      << "starts in the kept folder";
  ASSERT_TRUE(gtk_file_chooser_select_filename(chooser, strange.c_str()));
  // The chooser reads the folder in the background before the selection holds.
  ASSERT_TRUE(
      PumpUntil([&] { return FolderOf(chooser) == folder && SelectedIn(chooser) == strange; }));
  const size_t before = Events.Titles.size();
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_ACCEPT);
  ASSERT_TRUE(PumpUntil([&] {
    return Events.Titles.size() > before && Events.Titles.back().rfind("files:", 0) == 0;
  }));
  EXPECT_EQ(Events.Titles.back(), "files:1:\"a\\tb\\nc.pdf\"");
  ASSERT_FALSE(UploadFolders.empty());
  EXPECT_EQ(UploadFolders.back(), folder);

  ClickPage();
  chooser = OpenChooser();
  ASSERT_NE(chooser, nullptr);
  gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
  EXPECT_TRUE(PumpUntil(
      [] { return !Events.Titles.empty() && Events.Titles.back().rfind("cancel:", 0) == 0; }));
}

// In a second process: the kept answer is what the page sees, and nobody is asked.
int CheckKeptAnswer(const std::string& base) {
  if (!StartRuntime()) return 2;
  Ext.corvane_set_page_request_handler(PageRequests.Give());
  const std::u16string origin = U16(base);
  const TCefStringUtf16 originView = View(origin);
  Ext.corvane_keep_notification_permission(&originView, 1);
  GtkWidget* window = nullptr;
  TCefBrowser* browser = OpenBrowser(window, base + "/other.html");
  PumpUntil([&] { return HasLoadEnd(base + "/other.html", true); });
  RunInMainFrame(browser, "document.title = 'kept:' + Notification.permission");
  PumpUntil([] { return !Events.Titles.empty() && Events.Titles.back().rfind("kept:", 0) == 0; });
  const bool seen = !Events.Titles.empty() && Events.Titles.back() == "kept:granted";
  if (!seen)
    std::printf("page saw %s\n", Events.Titles.empty() ? "" : Events.Titles.back().c_str());
  if (!Asked.empty()) std::printf("asked again\n");
  Drop(browser);
  Api.cef_shutdown();
  return seen && Asked.empty() && UnbalancedReferences().empty() ? 0 : 1;
}

TEST(PageRequestRestart, AKeptNotificationAnswerIsSeenWithoutAsking) {
  EXPECT_TRUE(RunChild({"--child", "kept", Server.Base()}));
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(
      argc, argv, Root, Server,
      {.FolderPattern = "runtime-permissions-XXXXXX",
       .Prepare =
           [] {
             setenv("XDG_CACHE_HOME", (Root + "/cache-home").c_str(), 1);
             if (StartPrivateBus()) return true;
             std::printf("no private session bus\n");
             return false;
           },
       .Handlers =
           [] {
             PageRequests.Struct.on_permission_request = OnPermissionRequest;
             PageRequests.Struct.on_upload_folder = OnUploadFolder;
           },
       .Child = [](const char*, const char* base) { return CheckKeptAnswer(base); },
       .Environment = [] { return new TPermissionsEnvironment; },
       .Finish =
           [] {
             Stop(NotificationService);
             Stop(BusDaemon);
             return true;
           }});
}
