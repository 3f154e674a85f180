// Typed text after a web-process crash, through the runtime's C entry points under Xvfb: the
// reloaded page gets back what may be kept, and a frame of another origin with the same fields
// gets nothing. The page reports its fields' values to the loopback server.

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <sstream>
#include <vector>

#include "runtime_test_support.h"

namespace {

std::string Root, OtherRoot;
TServer Server, Other;

class TTwoOriginsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ASSERT_TRUE(StartServer(Server, Root)) << "loopback server";
    ASSERT_TRUE(StartServer(Other, OtherRoot)) << "server of another origin";
    ASSERT_TRUE(StartRuntime()) << "runtime started";
  }
  void TearDown() override {
    Api.cef_shutdown();
    StopServer(Server);
    StopServer(Other);
    EXPECT_EQ(UnbalancedReferences(), "") << "references not given back";
  }
};

// This process's WebKit web processes; the sandbox starts them a few generations down.
std::vector<pid_t> WebProcesses(pid_t parent = getpid()) {
  std::vector<pid_t> found;
  const std::string id = std::to_string(parent);
  std::istringstream children(ReadFile("/proc/" + id + "/task/" + id + "/children"));
  for (pid_t child = 0; children >> child;) {
    const std::string program = ReadFile("/proc/" + std::to_string(child) + "/cmdline").c_str();
    if (program.ends_with("/WebKitWebProcess")) found.push_back(child);
    for (pid_t grandchild : WebProcesses(child)) found.push_back(grandchild);
  }
  return found;
}

// The first line starting with prefix that the server wrote after offset bytes of its file.
std::string LineAfter(const TServer& server, size_t offset, const std::string& prefix) {
  std::string line;
  PumpUntil([&] {
    // Shifted by one, so that the first line also follows a line end.
    const std::string reports = "\n" + ReadFile(server.Reports);
    const size_t at = reports.find("\n" + prefix, std::min(offset, reports.size() - 1));
    const size_t end = at == std::string::npos ? at : reports.find('\n', at + 1);
    if (end != std::string::npos) line = reports.substr(at + 1, end - at - 1);
    return end != std::string::npos;
  });
  return line;
}

constexpr char kTyping[] = R"JS(
[["kept", 0, "K"], ["twin", 1, "T"], ["preset", 0, "P"], ["off", 0, "O"], ["secret", 0, "S"],
 ["choice", 0, "b"], ["notes", 0, "N"], ["quiet", 0, "Q"]].forEach(function (f) {
  var field = document.getElementsByName(f[0])[f[1]];
  field.value = f[2];
  field.dispatchEvent(new Event("input", {bubbles: true}));
});
// Later than the runtime's pause after typing, on the same page's timers.
setTimeout(function () { new Image().src = "/report?typed"; }, 1000);
)JS";

TEST(FormRestore, CrashReloadGivesBackWhatMayBeKeptAndNothingToAnotherOrigin) {
  GtkWidget* window = nullptr;
  const std::string url = Server.Base() + "/form.html?other=" + Other.Base() + "/form.html";
  TCefBrowser* browser = OpenBrowser(window, url);
  ASSERT_NE(browser, nullptr);
  ASSERT_TRUE(PumpUntil([&] { return HasLoadEnd(url, true); }));
  RunInMainFrame(browser, kTyping);
  EXPECT_EQ(LineAfter(Server, WaitForReport(Server, "typed").size(), "main:"),
            "main:preset-P.kept-K.twin-.twin-T.off-O.secret-S.choice-b.notes-N.quiet-Q");

  const std::vector<pid_t> victims = WebProcesses();
  ASSERT_FALSE(victims.empty()) << "no web process";
  for (pid_t pid : victims) kill(pid, SIGKILL);
  // The reloaded page shows the server's preset, the dead one showed what was typed there.
  EXPECT_EQ(LineAfter(Server, 0, "main:preset-server.kept-K"),
            "main:preset-server.kept-K.twin-.twin-T.off-.secret-.choice-b.notes-N.quiet-");
  EXPECT_EQ(LineAfter(Other, ReadFile(Other.Reports).size(), "sub:"),
            "sub:preset-server.kept-.twin-.twin-.off-.secret-.choice-a.notes-.quiet-");

  TCefBrowserHost* host = browser->get_host(browser);
  host->close_browser(host);
  Drop(host);
  EXPECT_TRUE(PumpUntil([] { return Events.BeforeClose >= 1; }, 10)) << "browser closed";
  Drop(browser);
  gtk_widget_destroy(window);
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(argc, argv, Root, Server,
                         {.FolderPattern = "runtime-forms-XXXXXX",
                          .Prepare =
                              [] {
                                OtherRoot = MakeTemporaryFolder("runtime-forms-other-XXXXXX");
                                return true;
                              },
                          .Environment = [] { return new TTwoOriginsEnvironment; },
                          .Finish =
                              [] {
                                RemoveFolder(OtherRoot);
                                return true;
                              }});
}
