#pragma once

#include <gtest/gtest.h>

// What every runtime test shares: the runtime's entry points resolved by name, the test's
// client whose structures count their references, pumping as the program's timer does, the
// loopback server and a temporary root folder.

#include <gtk/gtk.h>
#include <sys/types.h>

#include <functional>
#include <string>

#include "cef_capi.h"
#include "corvane_runtime_ext.h"
#include "runtime_test_objects.h"

struct TRuntimeApi {
#define DECLARE_ENTRY(result, name, params) T##name name = nullptr;
  CEF_EXPORTED_FUNCTIONS(DECLARE_ENTRY)
#undef DECLARE_ENTRY
};

// Our runtime's own entries beyond the runtime API.
struct TRuntimeExtApi {
#define DECLARE_ENTRY(result, name, params) T##name name = nullptr;
  CORVANE_RUNTIME_EXT_FUNCTIONS(DECLARE_ENTRY)
#undef DECLARE_ENTRY
};

extern TRuntimeApi Api;
extern TRuntimeExtApi Ext;
extern TEvents Events;

// The client and its handlers, each starting with the test's own reference.
struct TTestClient {
  TCounted<TCefClient> Client;
  TCounted<TCefLoadHandler> Load;
  TCounted<TCefDisplayHandler> Display;
  TCounted<TCefLifeSpanHandler> LifeSpan;
  TCounted<TCefJsDialogHandler> Dialog;
  TCounted<TCefDownloadHandler> Download;
  TCounted<TCefKeyboardHandler> Keyboard;
  TCounted<TCefRequestHandler> Request;
  TCounted<TCefStringVisitor> TextVisitor;
  TCounted<TCefCookieVisitor> CookieVisitor;
  TCounted<TCefFindHandler> Find;
  TCounted<TCefApp> App;
};
extern TTestClient Harness;

// Where a download goes and what the popup handler does; set by the tests that need them.
extern std::string DownloadTarget;
extern std::string PopupUrlOverride;

bool LoadRuntime();
bool StartRuntime();
void SetUpClient();
// Names every handed-out structure whose references did not all come back.
std::string UnbalancedReferences();

std::u16string U16(const std::string& ascii);
TCefStringUtf16 View(const std::u16string& text);
std::string Ascii(const TCefStringUtf16* text);
std::string FrameUrl(TCefFrame* frame);

// Runs the runtime's loop work as the program's 10 ms timer would, until done or timeout.
bool PumpUntil(const std::function<bool()>& done, int seconds = 20);
void PumpFor(int milliseconds);
// Delivers a key press and release the way the X server would, to whatever has the focus.
void PressKey(GtkWidget* window, guint keyval, guint state = 0);

struct TServer {
  pid_t Pid = 0;
  int Port = 0;
  std::string Reports;
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(Port); }
};
// port 0: any free loopback port.
bool StartServer(TServer& server, const std::string& folder, int port = 0);
void StopServer(TServer& server);
std::string WaitForReport(const TServer& server, const std::string& marker);

// Starts the loopback server in folder and the runtime once for the whole test program, and
// checks at the end that every reference came back.
class TRuntimeEnvironment : public ::testing::Environment {
 public:
  TRuntimeEnvironment(TServer& server, const std::string& folder)
      : FServer(server), FFolder(folder) {}
  void SetUp() override {
    ASSERT_TRUE(StartServer(FServer, FFolder)) << "loopback server";
    ASSERT_TRUE(StartRuntime()) << "runtime started";
  }
  void TearDown() override {
    Api.cef_shutdown();
    StopServer(FServer);
    EXPECT_EQ(UnbalancedReferences(), "") << "references not given back";
  }

 private:
  TServer& FServer;
  const std::string& FFolder;
};
// A loopback port that was free a moment ago, so it refuses connections.
int RefusingPort();

std::string ReadFile(const std::string& path);
std::string MakeTemporaryFolder(const char* pattern);
void RemoveFolder(const std::string& folder);

// How a runtime test program runs; empty steps are skipped. Started as "--child A B" it runs
// Child(A, B) in place of the tests, for checks that need a fresh process; root is then left
// to the child.
struct TRuntimeTestRun {
  const char* FolderPattern = "";
  std::function<bool()> Prepare = {};   // before GTK starts, not in a child; false ends the run
  std::function<void()> Handlers = {};  // the client's handlers beyond the shared ones
  std::function<int(const char* first, const char* second)> Child = {};
  // Default: the loopback server over root and the runtime.
  std::function<::testing::Environment*()> Environment = {};
  std::function<bool()> Finish = {};  // after the tests; false fails the run
};
int RunRuntimeTests(int argc, char** argv, std::string& root, TServer& server,
                    const TRuntimeTestRun& run);

// Points one of GLib's user folders (key "XDG_DOWNLOAD_DIR", ...) at folder, through a
// configuration home inside root. Before GTK starts: GLib reads the folders once.
void UseTestUserFolder(const std::string& root, const char* key, const std::string& folder);

// Runs this test program again with the arguments; answers whether it exited with 0.
bool RunChild(const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment = {});

bool HasLoadEnd(const std::string& url, bool isMain);
bool HasAddress(const std::string& url, bool isMain);
bool HasCookie(const std::string& name, const std::string& value);

// client: the test harness's client when null.
TCefBrowser* CreateBrowser(GtkWidget* parent, const std::string& url, TCefClient* client = nullptr);
// A browser in a shown window of its own, which window is set to.
TCefBrowser* OpenBrowser(GtkWidget*& window, const std::string& url);
// Closes the browser, waits for its close, lets it go and destroys its window; answers whether
// the close came.
bool CloseBrowser(TCefBrowser*& browser, GtkWidget* window);
void RunInMainFrame(TCefBrowser* browser, const std::string& script);
void LoadInMainFrame(TCefBrowser* browser, const std::string& url);
// The main frame's text, or "" when the page did not answer.
std::string MainFrameText(TCefBrowser* browser);
