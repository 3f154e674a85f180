// Drives the runtime library through its C entry points only, against a loopback HTTP
// server: a page with an iframe loads, both frames report their load end and address, a
// script runs in the main frame with a given script URL and start line, and a persistent
// cookie survives into a second process with the same storage folder. Every reference the
// test hands to the runtime must come back.
//
// Usage: runtime_test                 (first process; starts the server and the second one)
//        runtime_test --second FOLDER (checks the cookie store in FOLDER)

#include <arpa/inet.h>
#include <dlfcn.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <utility>

#include "cef_capi.h"
#include "runtime_test_objects.h"

extern char** environ;

namespace {

int Failures = 0;

void Check(bool condition, const std::string& what) {
  std::printf("%s %s\n", condition ? "ok  " : "FAIL", what.c_str());
  if (!condition) ++Failures;
}

// ---- The runtime's entry points, resolved by name ------------------------------------------

struct TRuntimeApi {
#define DECLARE_ENTRY(result, name, params) T##name name = nullptr;
  CEF_EXPORTED_FUNCTIONS(DECLARE_ENTRY)
#undef DECLARE_ENTRY
};

TRuntimeApi Api;

bool LoadRuntime() {
  void* library = dlopen(CORVANE_RUNTIME_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::printf("cannot load %s: %s\n", CORVANE_RUNTIME_LIBRARY, dlerror());
    return false;
  }
  int resolved = 0;
#define RESOLVE_ENTRY(result, name, params)                    \
  Api.name = reinterpret_cast<T##name>(dlsym(library, #name)); \
  resolved += Api.name != nullptr;
  CEF_EXPORTED_FUNCTIONS(RESOLVE_ENTRY)
#undef RESOLVE_ENTRY
  Check(resolved == CEF_EXPORTED_FUNCTION_COUNT, "all entry points exported");
  return resolved == CEF_EXPORTED_FUNCTION_COUNT;
}

// ---- Strings --------------------------------------------------------------------------------

std::u16string U16(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

TCefStringUtf16 View(const std::u16string& text) {
  return TCefStringUtf16{const_cast<char16_t*>(text.c_str()), text.size(), nullptr};
}

// The test's pages and names are ASCII.
std::string Ascii(const TCefStringUtf16* text) {
  std::string result;
  if (text && text->str)
    for (size_t i = 0; i < text->length; ++i)
      result += char(text->str[i] < 0x80 ? text->str[i] : '?');
  return result;
}

std::string TakeUserFree(TCefStringUserFreeUtf16 text) {
  std::string result = Ascii(text);
  Api.cef_string_userfree_utf16_free(text);
  return result;
}

// ---- The client -----------------------------------------------------------------------------

TEvents Events;
TCounted<TCefClient> Client;
TCounted<TCefLoadHandler> LoadHandler;
TCounted<TCefDisplayHandler> DisplayHandler;
TCounted<TCefLifeSpanHandler> LifeSpanHandler;
TCounted<TCefJsDialogHandler> DialogHandler;
TCounted<TCefDownloadHandler> DownloadHandler;
TCounted<TCefKeyboardHandler> KeyboardHandler;
TCounted<TCefStringVisitor> TextVisitor;
TCounted<TCefCookieVisitor> CookieVisitor;
TCounted<TCefApp> App;

std::string FrameUrl(TCefFrame* frame) {
  return TakeUserFree(frame->get_url(frame));
}

void CEF_CALLBACK OnLoadEnd(TCefLoadHandler*, TCefBrowser* browser, TCefFrame* frame,
                            int32_t status) {
  Events.LoadEnds.push_back({FrameUrl(frame), frame->is_main(frame) != 0, status});
  Drop(frame);
  Drop(browser);
}

void CEF_CALLBACK OnLoadStart(TCefLoadHandler*, TCefBrowser* browser, TCefFrame* frame) {
  Drop(frame);
  Drop(browser);
}

void CEF_CALLBACK OnLoadError(TCefLoadHandler*, TCefBrowser* browser, TCefFrame* frame,
                              int32_t errorCode, TCefConstString*, TCefConstString* failedUrl) {
  if (errorCode < 0) ++Events.LoadErrors;
  Events.FailedUrl = Ascii(failedUrl);
  Drop(frame);
  Drop(browser);
}

// Keeps the callback to answer the dialog later, as a real client's own dialog would.
TCefBool CEF_CALLBACK OnJsDialog(TCefJsDialogHandler*, TCefBrowser* browser, TCefConstString*,
                                 TCefConstString*, TCefJsDialogType type, TCefConstString* message,
                                 TCefConstString*, TCefJsDialogCallback* callback, TCefBool*) {
  Events.DialogMessage = type == JSDIALOGTYPE_CONFIRM ? Ascii(message) : "";
  Events.PendingDialog = callback;
  Drop(browser);
  return 1;
}

// The test keeps X from the page and lets everything else through.
TCefBool CEF_CALLBACK OnPreKeyEvent(TCefKeyboardHandler*, TCefBrowser* browser,
                                    const TCefKeyEvent* event, cef_event_handle_t, TCefBool*) {
  Drop(browser);
  if (event->type_ != KEYEVENT_RAWKEYDOWN) return 0;
  Events.PreKeys.push_back(event->windows_key_code);
  return event->windows_key_code == 'X';
}

std::string DownloadTarget;

void CEF_CALLBACK OnBeforeDownload(TCefDownloadHandler*, TCefBrowser* browser,
                                   TCefDownloadItem* item, TCefConstString* suggestedName,
                                   TCefBeforeDownloadCallback* callback) {
  Events.SuggestedName = Ascii(suggestedName);
  const std::u16string path = U16(DownloadTarget);
  const TCefStringUtf16 pathView = View(path);
  callback->cont(callback, &pathView, 0);
  Drop(callback);
  Drop(item);
  Drop(browser);
}

void CEF_CALLBACK OnDownloadUpdated(TCefDownloadHandler*, TCefBrowser* browser,
                                    TCefDownloadItem* item, TCefDownloadItemCallback* callback) {
  if (item->is_complete(item)) Events.DownloadComplete = true;
  Drop(callback);
  Drop(item);
  Drop(browser);
}

void CEF_CALLBACK OnAddressChange(TCefDisplayHandler*, TCefBrowser* browser, TCefFrame* frame,
                                  TCefConstString* url) {
  Events.Addresses.push_back({Ascii(url), frame->is_main(frame) != 0, 0});
  Drop(frame);
  Drop(browser);
}

void CEF_CALLBACK OnTitleChange(TCefDisplayHandler*, TCefBrowser* browser, TCefConstString* title) {
  Events.Titles.push_back(Ascii(title));
  Drop(browser);
}

void CEF_CALLBACK OnAfterCreated(TCefLifeSpanHandler*, TCefBrowser* browser) {
  ++Events.AfterCreated;
  Drop(browser);
}

void CEF_CALLBACK OnBeforeClose(TCefLifeSpanHandler*, TCefBrowser* browser) {
  ++Events.BeforeClose;
  Drop(browser);
}

TCefLoadHandler* CEF_CALLBACK GetLoadHandler(TCefClient*) {
  return LoadHandler.Give();
}
TCefDisplayHandler* CEF_CALLBACK GetDisplayHandler(TCefClient*) {
  return DisplayHandler.Give();
}
TCefLifeSpanHandler* CEF_CALLBACK GetLifeSpanHandler(TCefClient*) {
  return LifeSpanHandler.Give();
}
TCefJsDialogHandler* CEF_CALLBACK GetDialogHandler(TCefClient*) {
  return DialogHandler.Give();
}
TCefDownloadHandler* CEF_CALLBACK GetDownloadHandler(TCefClient*) {
  return DownloadHandler.Give();
}
TCefKeyboardHandler* CEF_CALLBACK GetKeyboardHandler(TCefClient*) {
  return KeyboardHandler.Give();
}

void CEF_CALLBACK VisitText(TCefStringVisitor*, TCefConstString* text) {
  Events.Texts.push_back(Ascii(text));
}

TCefBool CEF_CALLBACK VisitCookie(TCefCookieVisitor*, const RuntimeCookie* cookie, int32_t count,
                                  int32_t total, TCefBool*) {
  Events.Cookies.push_back({Ascii(&cookie->name), Ascii(&cookie->value), cookie->has_expires != 0});
  if (count + 1 == total) ++Events.CookieVisitsDone;
  return 1;
}

void SetUpClient() {
  Client.Struct.get_load_handler = GetLoadHandler;
  Client.Struct.get_display_handler = GetDisplayHandler;
  Client.Struct.get_life_span_handler = GetLifeSpanHandler;
  Client.Struct.get_jsdialog_handler = GetDialogHandler;
  Client.Struct.get_download_handler = GetDownloadHandler;
  Client.Struct.get_keyboard_handler = GetKeyboardHandler;
  KeyboardHandler.Struct.on_pre_key_event = OnPreKeyEvent;
  LoadHandler.Struct.on_load_error = OnLoadError;
  DialogHandler.Struct.on_jsdialog = OnJsDialog;
  DownloadHandler.Struct.on_before_download = OnBeforeDownload;
  DownloadHandler.Struct.on_download_updated = OnDownloadUpdated;
  LoadHandler.Struct.on_load_start = OnLoadStart;
  LoadHandler.Struct.on_load_end = OnLoadEnd;
  DisplayHandler.Struct.on_address_change = OnAddressChange;
  DisplayHandler.Struct.on_title_change = OnTitleChange;
  LifeSpanHandler.Struct.on_after_created = OnAfterCreated;
  LifeSpanHandler.Struct.on_before_close = OnBeforeClose;
  TextVisitor.Struct.visit = VisitText;
  CookieVisitor.Struct.visit = VisitCookie;
}

// Only the test's own reference may be left on each object it handed out.
void CheckAllReferencesBack() {
  Check(Client.Refs == 1, "client references balanced (" + std::to_string(Client.Refs) + ")");
  Check(LoadHandler.Refs == 1, "load handler references balanced");
  Check(DisplayHandler.Refs == 1, "display handler references balanced");
  Check(LifeSpanHandler.Refs == 1, "life span handler references balanced");
  Check(DialogHandler.Refs == 1, "dialog handler references balanced");
  Check(DownloadHandler.Refs == 1, "download handler references balanced");
  Check(KeyboardHandler.Refs == 1, "keyboard handler references balanced");
  Check(TextVisitor.Refs == 1, "string visitor references balanced");
  Check(CookieVisitor.Refs == 1, "cookie visitor references balanced");
  Check(App.Refs == 1, "application references balanced");
}

// ---- Pumping --------------------------------------------------------------------------------

// Runs the runtime's loop work as the program's 10 ms timer would, until done or timeout.
bool PumpUntil(const std::function<bool()>& done, int seconds = 20) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Api.cef_do_message_loop_work();
    g_usleep(5000);
  }
  return true;
}

bool StartRuntime() {
  RuntimeMainArgs args{};
  if (Api.cef_execute_process(&args, App.Give()) >= 0) return false;
  RuntimeSettings settings{};
  settings.size = sizeof(settings);
  settings.single_process = 1;
  settings.log_severity = 99;
  return Api.cef_initialize(&args, &settings, App.Give()) != 0;
}

// ---- The loopback server --------------------------------------------------------------------

struct TServer {
  pid_t Pid = 0;
  int Port = 0;
  std::string Reports;
};

bool StartServer(TServer& server, const std::string& folder) {
  server.Reports = folder + "/reports.txt";
  int out[2];
  if (pipe(out) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string script = CORVANE_TEST_SERVER;
  std::string limit = "120";
  char* argv[] = {const_cast<char*>("python3"), script.data(), server.Reports.data(), limit.data(),
                  nullptr};
  const int spawned = posix_spawnp(&server.Pid, "python3", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::string line;
  char c = 0;
  while (spawned == 0 && line.size() < 16 && read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  server.Port = std::atoi(line.c_str());
  return server.Port > 0;
}

void StopServer(TServer& server) {
  if (server.Pid <= 0) return;
  kill(server.Pid, SIGTERM);
  waitpid(server.Pid, nullptr, 0);
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// ---- Phases ---------------------------------------------------------------------------------

bool HasLoadEnd(const std::string& url, bool isMain) {
  for (const TFrameEvent& event : Events.LoadEnds)
    if (event.Url == url && event.IsMain == isMain && event.Status == 200) return true;
  return false;
}

bool HasAddress(const std::string& url, bool isMain) {
  for (const TFrameEvent& event : Events.Addresses)
    if (event.Url == url && event.IsMain == isMain) return true;
  return false;
}

bool HasCookie(const std::string& name, const std::string& value) {
  for (const TSeenCookie& cookie : Events.Cookies)
    if (cookie.Name == name && cookie.Value == value) return true;
  return false;
}

TCefBrowser* CreateBrowser(GtkWidget* parent, const std::string& url) {
  TCefWindowInfo windowInfo{};
  windowInfo.parent_window = parent;
  windowInfo.width = 800;
  windowInfo.height = 600;
  TCefBrowserSettings settings{};
  settings.size = sizeof(settings);
  const std::u16string address = U16(url);
  const TCefStringUtf16 urlView = View(address);
  return Api.cef_browser_host_create_browser_sync(&windowInfo, Client.Give(), &urlView, &settings);
}

void CheckFrames(TCefBrowser* browser, const std::string& base) {
  Check(browser->get_frame_count(browser) == 2, "two frames known");
  TCefStringList names = Api.cef_string_list_alloc();
  browser->get_frame_names(browser, names);
  bool childNamed = false;
  TCefStringUtf16 name{};
  for (int32_t i = 0; i < Api.cef_string_list_size(names); ++i)
    if (Api.cef_string_list_value(names, i, &name) && Ascii(&name) == "child") childNamed = true;
  Api.cef_string_utf16_clear(&name);
  Api.cef_string_list_free(names);
  Check(childNamed, "frame names include the iframe's name");

  const std::u16string childName = U16("child");
  const TCefStringUtf16 childView = View(childName);
  TCefFrame* child = browser->get_frame(browser, &childView);
  Check(child != nullptr, "sub-frame found by name");
  if (!child) return;
  Check(FrameUrl(child) == base + "/sub.html", "sub-frame URL");
  TCefFrame* parent = child->get_parent(child);
  Check(parent && parent->is_main(parent), "sub-frame's parent is the main frame");
  Drop(parent);
  child->get_text(child, TextVisitor.Give());
  Check(PumpUntil([] { return !Events.Texts.empty(); }, 10) &&
            Events.Texts[0].find("sub document") != std::string::npos,
        "sub-frame text delivered through the visitor");
  Drop(child);
}

void RunInMainFrame(TCefBrowser* browser, const std::string& script, const std::string& url,
                    int32_t startLine) {
  TCefFrame* main = browser->get_main_frame(browser);
  const std::u16string code = U16(script), scriptUrl = U16(url);
  const TCefStringUtf16 codeView = View(code), urlView = View(scriptUrl);
  main->execute_java_script(main, &codeView, &urlView, startLine);
  Drop(main);
}

void LoadInMainFrame(TCefBrowser* browser, const std::string& url) {
  TCefFrame* main = browser->get_main_frame(browser);
  const std::u16string address = U16(url);
  const TCefStringUtf16 urlView = View(address);
  main->load_url(main, &urlView);
  Drop(main);
}

std::string WaitForReport(const TServer& server, const std::string& marker) {
  std::string reports;
  PumpUntil([&] { return (reports = ReadFile(server.Reports)).find(marker) != std::string::npos; },
            10);
  return reports;
}

void CheckScript(TCefBrowser* browser, const TServer& server, const std::string& base) {
  RunInMainFrame(browser,
                 "var where = new Error().stack;\n"
                 "new Image().src = '/report?' + encodeURIComponent(document.title + '|' + where);",
                 base + "/injected.js", 7);
  const std::string reports = WaitForReport(server, "Runtime%20test");
  Check(reports.find("Runtime%20test%7C") != std::string::npos, "script ran in the main frame");
  Check(reports.find("injected.js%3A7%3A") != std::string::npos,
        "script URL and start line honoured");
}

void CheckInPageAddress(TCefBrowser* browser, const std::string& base) {
  RunInMainFrame(browser, "history.pushState({}, '', '/pushed.html');", base + "/push.js", 1);
  Check(PumpUntil([&] { return HasAddress(base + "/pushed.html", true); }, 10),
        "address change without a new document");
}

// The page waits in confirm() until the test answers through the kept callback.
void CheckDialog(TCefBrowser* browser, const TServer& server, const std::string& base) {
  RunInMainFrame(browser, "new Image().src = '/report?confirmed=' + confirm('Proceed?');",
                 base + "/dialog.js", 1);
  Check(PumpUntil([] { return Events.PendingDialog != nullptr; }, 10) &&
            Events.DialogMessage == "Proceed?",
        "confirm dialog reached the client");
  if (!Events.PendingDialog) return;
  TCefJsDialogCallback* callback = std::exchange(Events.PendingDialog, nullptr);
  callback->cont(callback, 1, nullptr);
  Drop(callback);
  const std::string reports = WaitForReport(server, "confirmed=");
  Check(reports.find("confirmed=true") != std::string::npos, "page got the client's answer");
}

void CheckDownload(TCefBrowser* browser, const std::string& base, const std::string& root) {
  DownloadTarget = root + "/saved.bin";
  LoadInMainFrame(browser, base + "/file.bin");
  Check(PumpUntil([] { return Events.DownloadComplete; }, 15), "download completed");
  Check(Events.SuggestedName == "file.bin", "download name suggested");
  Check(ReadFile(DownloadTarget).size() == 17 * 64, "download written where the client said");
}

// Delivers a key press the way the X server would, to whatever has the keyboard focus.
void PressKey(GtkWidget* window, guint keyval) {
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.keyval = keyval;
    event->key.hardware_keycode = count > 0 ? guint16(keys[0].keycode) : 0;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gdk_display_put_event(display, event);
    gdk_event_free(event);
  }
  g_free(keys);
}

// X is kept from the page by the client; Y reaches it.
void CheckKeys(TCefBrowser* browser, GtkWidget* window, const TServer& server,
               const std::string& base) {
  RunInMainFrame(browser,
                 "document.addEventListener('keydown', function (e) {"
                 "  new Image().src = '/report?key=' + e.key; });"
                 "new Image().src = '/report?listening';",
                 base + "/keys.js", 1);
  TCefBrowserHost* host = browser->get_host(browser);
  host->set_focus(host, 1);
  Drop(host);
  WaitForReport(server, "listening");
  PressKey(window, GDK_KEY_x);
  PressKey(window, GDK_KEY_y);
  const std::string reports = WaitForReport(server, "key=y");
  Check(Events.PreKeys.size() >= 2 && Events.PreKeys[0] == 'X' && Events.PreKeys[1] == 'Y',
        "pre-key events with key codes");
  Check(reports.find("key=y") != std::string::npos, "unhandled key reached the page");
  Check(reports.find("key=x") == std::string::npos, "handled key kept from the page");
}

// A loopback port that was free a moment ago refuses connections.
int RefusingPort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(address);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  close(probe);
  return ntohs(address.sin_port);
}

void CheckLoadError(TCefBrowser* browser) {
  const std::string url = "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/refused.html";
  Events.LoadErrors = 0;
  LoadInMainFrame(browser, url);
  Check(PumpUntil([] { return Events.LoadErrors > 0; }, 15) && Events.FailedUrl == url,
        "load error reported with the failed address");
}

void CheckCookies(const std::string& storage) {
  TCefCookieManager* manager = Api.cef_cookie_manager_get_global_manager();
  const std::u16string path = U16(storage);
  const TCefStringUtf16 pathView = View(path);
  Check(manager->set_storage_path(manager, &pathView) != 0, "storage path accepted");

  const std::u16string url = U16("http://127.0.0.1/"), domain = U16("127.0.0.1"), root = U16("/");
  const std::u16string persistName = U16("persist"), persistValue = U16("kept");
  const std::u16string sessionName = U16("session"), sessionValue = U16("gone");
  const TCefStringUtf16 urlView = View(url);
  RuntimeCookie cookie{};
  cookie.domain = View(domain);
  cookie.path = View(root);
  cookie.name = View(persistName);
  cookie.value = View(persistValue);
  cookie.has_expires = 1;
  cookie.expires = RuntimeTime{2040, 1, 0, 2, 12, 0, 0, 0};
  Check(manager->set_cookie(manager, &urlView, &cookie) != 0, "persistent cookie set");
  cookie.name = View(sessionName);
  cookie.value = View(sessionValue);
  cookie.has_expires = 0;
  cookie.expires = RuntimeTime{};
  Check(manager->set_cookie(manager, &urlView, &cookie) != 0, "session cookie set");

  Check(manager->visit_all_cookies(manager, CookieVisitor.Give()) != 0, "cookies visited");
  PumpUntil([] { return Events.CookieVisitsDone > 0; }, 10);
  Check(HasCookie("persist", "kept") && HasCookie("session", "gone"), "both cookies seen");
  Drop(manager);
}

int FirstProcess(const char* self) {
  gchar* folder = g_dir_make_tmp("runtime-test-XXXXXX", nullptr);
  const std::string root = folder;
  g_free(folder);
  TServer server;
  if (!StartServer(server, root)) {
    Check(false, "loopback server started");
    return 1;
  }
  const std::string base = "http://127.0.0.1:" + std::to_string(server.Port);
  if (!StartRuntime()) {
    Check(false, "runtime started");
    StopServer(server);
    return 1;
  }

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), fixed);
  gtk_widget_show_all(window);

  TCefBrowser* browser = CreateBrowser(fixed, base + "/index.html");
  Check(browser != nullptr && Events.AfterCreated == 1, "browser created");
  PumpUntil([&] {
    return HasLoadEnd(base + "/index.html", true) && HasLoadEnd(base + "/sub.html", false);
  });
  Check(HasLoadEnd(base + "/sub.html", false), "load end for the sub-frame, status 200");
  Check(HasLoadEnd(base + "/index.html", true), "load end for the main frame, status 200");
  Check(HasAddress(base + "/index.html", true), "address change for the main frame");
  Check(HasAddress(base + "/sub.html", false), "address change for the sub-frame");
  CheckFrames(browser, base);
  CheckScript(browser, server, base);
  CheckInPageAddress(browser, base);
  CheckDialog(browser, server, base);
  CheckKeys(browser, window, server, base);
  CheckCookies(root + "/cache");
  CheckDownload(browser, base, root);
  CheckLoadError(browser);

  TCefBrowserHost* host = browser->get_host(browser);
  host->close_browser(host);
  Drop(host);
  Check(PumpUntil([] { return Events.BeforeClose == 1; }, 10), "browser closed");
  Drop(browser);
  Api.cef_shutdown();
  gtk_widget_destroy(window);
  CheckAllReferencesBack();
  StopServer(server);

  pid_t second = 0;
  char* argv[] = {const_cast<char*>(self), const_cast<char*>("--second"),
                  const_cast<char*>(root.c_str()), nullptr};
  int status = -1;
  if (posix_spawn(&second, self, nullptr, nullptr, argv, environ) == 0) waitpid(second, &status, 0);
  Check(WIFEXITED(status) && WEXITSTATUS(status) == 0, "second process found the cookie");
  return Failures == 0 ? 0 : 1;
}

int SecondProcess(const std::string& root) {
  if (!StartRuntime()) {
    Check(false, "runtime started again");
    return 1;
  }
  TCefCookieManager* manager = Api.cef_cookie_manager_get_global_manager();
  const std::u16string path = U16(root + "/cache");
  const TCefStringUtf16 pathView = View(path);
  manager->set_storage_path(manager, &pathView);
  manager->visit_all_cookies(manager, CookieVisitor.Give());
  PumpUntil([] { return Events.CookieVisitsDone > 0; }, 10);
  Drop(manager);
  Check(HasCookie("persist", "kept"), "persistent cookie survived the restart");
  Check(!HasCookie("session", "gone"), "session cookie did not");
  Api.cef_shutdown();
  CheckAllReferencesBack();
  return Failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (!gtk_init_check(&argc, &argv)) {
    std::printf("no display\n");
    return 1;
  }
  SetUpClient();
  if (!LoadRuntime()) return 1;
  if (argc == 3 && std::strcmp(argv[1], "--second") == 0) return SecondProcess(argv[2]);
  return FirstProcess(argv[0]);
}
