#include "runtime_test_support.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

extern char** environ;

TRuntimeApi Api;
TRuntimeExtApi Ext;
TEvents Events;
TTestClient Harness;
std::string DownloadTarget;
std::string PopupUrlOverride;

namespace {

std::string TakeUserFree(TCefStringUserFreeUtf16 text) {
  std::string result = Ascii(text);
  Api.cef_string_userfree_utf16_free(text);
  return result;
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
  ++Events.LoadErrors;
  Events.LastErrorCode = errorCode;
  Events.FailedUrl = Ascii(failedUrl);
  Drop(frame);
  Drop(browser);
}

void CEF_CALLBACK OnRenderProcessTerminated(TCefLoadHandler*, TCefBrowser* browser,
                                            TCefTerminationStatus) {
  ++Events.ProcessDeaths;
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
  ++Events.DownloadUpdates;
  if (item->is_in_progress(item)) Events.ReceivedWhileRunning = item->get_received_bytes(item);
  if (!item->is_in_progress(item))
    Events.DownloadEnds.push_back({item->is_complete(item) != 0, item->is_canceled(item) != 0,
                                   TakeUserFree(item->get_full_path(item)),
                                   item->get_received_bytes(item), item->get_total_bytes(item)});
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

TCefBool CEF_CALLBACK OnBeforePopup(TCefLifeSpanHandler*, TCefBrowser* parent,
                                    const TCefPopupFeatures* features, TCefWindowInfo*,
                                    TCefStringUtf16* url, TCefClient**, TCefBrowserSettings*) {
  Events.PopupFeatures = *features;
  ++Events.Popups;
  if (!PopupUrlOverride.empty()) {
    const std::u16string replacement = U16(PopupUrlOverride);
    Api.cef_string_utf16_set(replacement.c_str(), replacement.size(), url, 1);
  }
  Drop(parent);
  return 0;
}

void CEF_CALLBACK OnAfterCreated(TCefLifeSpanHandler*, TCefBrowser* browser) {
  ++Events.AfterCreated;
  Drop(browser);
}

void CEF_CALLBACK OnBeforeClose(TCefLifeSpanHandler*, TCefBrowser* browser) {
  ++Events.BeforeClose;
  Drop(browser);
}

void CEF_CALLBACK OnProtocolExecution(TCefRequestHandler*, TCefBrowser* browser,
                                      TCefConstString* url, TCefBool* allowOsExecution) {
  Events.ExternalUrls.push_back(Ascii(url));
  *allowOsExecution = 0;  // the test machine has no mail program to start
  Drop(browser);
}

TCefLoadHandler* CEF_CALLBACK GetLoadHandler(TCefClient*) {
  return Harness.Load.Give();
}
TCefDisplayHandler* CEF_CALLBACK GetDisplayHandler(TCefClient*) {
  return Harness.Display.Give();
}
TCefLifeSpanHandler* CEF_CALLBACK GetLifeSpanHandler(TCefClient*) {
  return Harness.LifeSpan.Give();
}
TCefJsDialogHandler* CEF_CALLBACK GetDialogHandler(TCefClient*) {
  return Harness.Dialog.Give();
}
TCefDownloadHandler* CEF_CALLBACK GetDownloadHandler(TCefClient*) {
  return Harness.Download.Give();
}
TCefKeyboardHandler* CEF_CALLBACK GetKeyboardHandler(TCefClient*) {
  return Harness.Keyboard.Give();
}
TCefRequestHandler* CEF_CALLBACK GetRequestHandler(TCefClient*) {
  return Harness.Request.Give();
}

void CEF_CALLBACK VisitText(TCefStringVisitor*, TCefConstString* text) {
  Events.Texts.push_back(Ascii(text));
}

void CEF_CALLBACK OnFindResult(TCefFindHandler*, int32_t matchCount) {
  Events.FindResults.push_back(matchCount);
}

TCefBool CEF_CALLBACK VisitCookie(TCefCookieVisitor*, const RuntimeCookie* cookie, int32_t count,
                                  int32_t total, TCefBool*) {
  Events.Cookies.push_back({Ascii(&cookie->name), Ascii(&cookie->value), cookie->has_expires != 0});
  if (count + 1 == total) ++Events.CookieVisitsDone;
  return 1;
}

}  // namespace

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
#define RESOLVE_EXTENSION(result, name, params)                \
  Ext.name = reinterpret_cast<T##name>(dlsym(library, #name)); \
  resolved += Ext.name != nullptr;
  CORVANE_RUNTIME_EXT_FUNCTIONS(RESOLVE_EXTENSION)
#undef RESOLVE_EXTENSION
#define COUNT_EXTENSION(result, name, params) +1
  const int expected = CEF_EXPORTED_FUNCTION_COUNT CORVANE_RUNTIME_EXT_FUNCTIONS(COUNT_EXTENSION);
#undef COUNT_EXTENSION
  if (resolved != expected) std::printf("entry points missing\n");
  return resolved == expected;
}

bool StartRuntime() {
  RuntimeMainArgs args{};
  if (Api.cef_execute_process(&args, Harness.App.Give()) >= 0) return false;
  RuntimeSettings settings{};
  settings.size = sizeof(settings);
  settings.single_process = 1;
  settings.log_severity = 99;
  return Api.cef_initialize(&args, &settings, Harness.App.Give()) != 0;
}

void SetUpClient() {
  TCefClient& client = Harness.Client.Struct;
  client.get_load_handler = GetLoadHandler;
  client.get_display_handler = GetDisplayHandler;
  client.get_life_span_handler = GetLifeSpanHandler;
  client.get_jsdialog_handler = GetDialogHandler;
  client.get_download_handler = GetDownloadHandler;
  client.get_keyboard_handler = GetKeyboardHandler;
  client.get_request_handler = GetRequestHandler;
  Harness.Keyboard.Struct.on_pre_key_event = OnPreKeyEvent;
  Harness.Load.Struct.on_load_error = OnLoadError;
  Harness.Load.Struct.on_load_start = OnLoadStart;
  Harness.Load.Struct.on_load_end = OnLoadEnd;
  Harness.Load.Struct.on_render_process_terminated = OnRenderProcessTerminated;
  Harness.Dialog.Struct.on_jsdialog = OnJsDialog;
  Harness.Download.Struct.on_before_download = OnBeforeDownload;
  Harness.Download.Struct.on_download_updated = OnDownloadUpdated;
  Harness.Display.Struct.on_address_change = OnAddressChange;
  Harness.Display.Struct.on_title_change = OnTitleChange;
  Harness.LifeSpan.Struct.on_before_popup = OnBeforePopup;
  Harness.LifeSpan.Struct.on_after_created = OnAfterCreated;
  Harness.LifeSpan.Struct.on_before_close = OnBeforeClose;
  Harness.Request.Struct.on_protocol_execution = OnProtocolExecution;
  Harness.TextVisitor.Struct.visit = VisitText;
  Harness.CookieVisitor.Struct.visit = VisitCookie;
  Harness.Find.Struct.on_find_result = OnFindResult;
}

std::string UnbalancedReferences() {
  std::string names;
  auto check = [&](const char* name, int32_t refs) {
    if (refs != 1) names += std::string(names.empty() ? "" : ", ") + name;
  };
  check("client", Harness.Client.Refs);
  check("load handler", Harness.Load.Refs);
  check("display handler", Harness.Display.Refs);
  check("life span handler", Harness.LifeSpan.Refs);
  check("dialog handler", Harness.Dialog.Refs);
  check("download handler", Harness.Download.Refs);
  check("keyboard handler", Harness.Keyboard.Refs);
  check("request handler", Harness.Request.Refs);
  check("string visitor", Harness.TextVisitor.Refs);
  check("cookie visitor", Harness.CookieVisitor.Refs);
  check("find handler", Harness.Find.Refs);
  check("application", Harness.App.Refs);
  return names;
}

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

std::string FrameUrl(TCefFrame* frame) {
  return TakeUserFree(frame->get_url(frame));
}

bool PumpUntil(const std::function<bool()>& done, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Api.cef_do_message_loop_work();
    g_usleep(5000);
  }
  return true;
}

void PumpFor(int milliseconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  PumpUntil([&] { return std::chrono::steady_clock::now() >= until; });
}

bool StartServer(TServer& server, const std::string& folder, int port) {
  server.Reports = folder + "/reports.txt";
  int out[2];
  if (pipe(out) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string script = CORVANE_TEST_SERVER;
  std::string limit = "300";
  std::string portText = std::to_string(port);
  char* argv[] = {const_cast<char*>("python3"),
                  script.data(),
                  server.Reports.data(),
                  limit.data(),
                  portText.data(),
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
  server.Pid = 0;
}

std::string WaitForReport(const TServer& server, const std::string& marker) {
  std::string reports;
  PumpUntil([&] { return (reports = ReadFile(server.Reports)).find(marker) != std::string::npos; },
            10);
  return reports;
}

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

std::string ReadFile(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

std::string MakeTemporaryFolder(const char* pattern) {
  gchar* folder = g_dir_make_tmp(pattern, nullptr);
  std::string path = folder ? folder : "";
  g_free(folder);
  return path;
}

void RemoveFolder(const std::string& folder) {
  std::error_code ignored;
  if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
}

int RunRuntimeTests(int argc, char** argv, std::string& root, TServer& server,
                    const TRuntimeTestRun& run) {
  ::testing::InitGoogleTest(&argc, argv);
  const bool child = argc == 4 && std::strcmp(argv[1], "--child") == 0;
  if (!child) {
    root = MakeTemporaryFolder(run.FolderPattern);
    if (run.Prepare && !run.Prepare()) return 1;
  }
  if (!gtk_init_check(&argc, &argv)) {
    std::printf("no display\n");
    return 1;
  }
  SetUpClient();
  if (run.Handlers) run.Handlers();
  if (!LoadRuntime()) return 1;
  if (child) return run.Child(argv[2], argv[3]);

  ::testing::AddGlobalTestEnvironment(run.Environment ? run.Environment()
                                                      : new TRuntimeEnvironment(server, root));
  int result = RUN_ALL_TESTS();
  if (run.Finish && !run.Finish()) result = 1;
  RemoveFolder(root);
  return result;
}

void UseTestUserFolder(const std::string& root, const char* key, const std::string& folder) {
  const std::string config = root + "/config-home";
  g_mkdir_with_parents(config.c_str(), 0700);
  const std::string dirs = std::string(key) + "=\"" + folder + "\"\n";
  g_file_set_contents((config + "/user-dirs.dirs").c_str(), dirs.c_str(), -1, nullptr);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

bool RunChild(const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment) {
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  std::vector<char*> argv{self.data()};
  std::vector<std::string> args = arguments;
  for (std::string& argument : args) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = environment;
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  for (char** entry = environ; *entry; ++entry) envp.push_back(*entry);
  envp.push_back(nullptr);
  pid_t child = 0;
  int status = -1;
  if (posix_spawn(&child, self.c_str(), nullptr, nullptr, argv.data(), envp.data()) == 0)
    waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

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

TCefBrowser* OpenBrowser(GtkWidget*& window, const std::string& url) {
  window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), fixed);
  gtk_widget_show_all(window);
  return CreateBrowser(fixed, url);
}

bool CloseBrowser(TCefBrowser*& browser, GtkWidget* window) {
  TCefBrowserHost* host = browser->get_host(browser);
  host->close_browser(host);
  Drop(host);
  const bool closed = PumpUntil([] { return Events.BeforeClose >= 1; }, 10);
  Drop(std::exchange(browser, nullptr));
  gtk_widget_destroy(window);
  return closed;
}

TCefBrowser* CreateBrowser(GtkWidget* parent, const std::string& url, TCefClient* client) {
  TCefWindowInfo windowInfo{};
  windowInfo.parent_window = parent;
  windowInfo.width = 800;
  windowInfo.height = 600;
  TCefBrowserSettings settings{};
  settings.size = sizeof(settings);
  const std::u16string address = U16(url);
  const TCefStringUtf16 urlView = View(address);
  return Api.cef_browser_host_create_browser_sync(
      &windowInfo, client ? client : Harness.Client.Give(), &urlView, &settings);
}

void RunInMainFrame(TCefBrowser* browser, const std::string& script) {
  TCefFrame* main = browser->get_main_frame(browser);
  const std::u16string code = U16(script), scriptUrl = U16("about:blank");
  const TCefStringUtf16 codeView = View(code), urlView = View(scriptUrl);
  main->execute_java_script(main, &codeView, &urlView, 1);
  Drop(main);
}

void LoadInMainFrame(TCefBrowser* browser, const std::string& url) {
  TCefFrame* main = browser->get_main_frame(browser);
  const std::u16string address = U16(url);
  const TCefStringUtf16 urlView = View(address);
  main->load_url(main, &urlView);
  Drop(main);
}

std::string MainFrameText(TCefBrowser* browser) {
  const size_t before = Events.Texts.size();
  TCefFrame* main = browser->get_main_frame(browser);
  main->get_text(main, Harness.TextVisitor.Give());
  Drop(main);
  // A page that cannot answer gives the visitor back without a visit.
  PumpUntil([&] { return Events.Texts.size() > before || Harness.TextVisitor.Refs == 1; }, 5);
  return Events.Texts.size() > before ? Events.Texts.back() : std::string();
}

// Delivers a key press the way the X server would, to whatever has the keyboard focus.
void PressKey(GtkWidget* window, guint keyval, guint state) {
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
    event->key.state = state;
    event->key.hardware_keycode = count > 0 ? guint16(keys[0].keycode) : 0;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gdk_display_put_event(display, event);
    gdk_event_free(event);
  }
  g_free(keys);
}
