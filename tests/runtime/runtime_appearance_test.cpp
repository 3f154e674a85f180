// Light or dark as the desktop wants it: the page's prefers-color-scheme and the runtime's own
// pages follow a stand-in settings portal on a private session bus, live, and GTK's own
// setting where the portal has no preference. Pages report their scheme to the loopback server.

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "runtime_test_support.h"

namespace {

std::string Root;
TServer Server;

// The stand-in portal: its stdin takes new colour schemes, its stdout says when it has them.
struct TPortal {
  GSubprocess* Process = nullptr;
  GDataInputStream* Said = nullptr;

  bool Start(const char* scheme) {
    Process = g_subprocess_new(
        GSubprocessFlags(G_SUBPROCESS_FLAGS_STDIN_PIPE | G_SUBPROCESS_FLAGS_STDOUT_PIPE), nullptr,
        "/usr/bin/python3", CORVANE_SETTINGS_PORTAL_STAND_IN, scheme, nullptr);
    if (!Process) return false;
    Said = g_data_input_stream_new(g_subprocess_get_stdout_pipe(Process));
    return NextLine() == "ready";
  }
  std::string NextLine() {
    gchar* line = g_data_input_stream_read_line(Said, nullptr, nullptr, nullptr);
    std::string text = line ? line : "";
    g_free(line);
    return text;
  }
  // Answers once the portal has announced the change.
  bool Announce(int scheme) {
    const std::string line = std::to_string(scheme) + "\n";
    return g_output_stream_write_all(g_subprocess_get_stdin_pipe(Process), line.data(), line.size(),
                                     nullptr, nullptr, nullptr) &&
           NextLine() == "changed " + std::to_string(scheme);
  }
  void Stop() {
    if (!Process) return;
    g_output_stream_close(g_subprocess_get_stdin_pipe(Process), nullptr, nullptr);
    g_subprocess_wait(Process, nullptr, nullptr);
    g_clear_object(&Said);
    g_clear_object(&Process);
  }
} Portal;

bool Reported(const std::string& report) {
  return PumpUntil([&] {
    return ReadFile(Server.Reports).find("scheme=" + report + "\n") != std::string::npos;
  });
}

// The red of what the view shows near its top left corner, as the X server has it.
int ShownRed(GtkWidget* view) {
  GdkPixbuf* shown = gdk_pixbuf_get_from_window(gtk_widget_get_window(view), 5, 5, 1, 1);
  if (!shown) return -1;
  const int red = gdk_pixbuf_get_pixels(shown)[0];
  g_object_unref(shown);
  return red;
}

// The own page's backgrounds exactly: an empty view in between is dark or light as well.
bool Shows(GtkWidget* view, bool dark) {
  return PumpUntil([&] { return ShownRed(view) == (dark ? 0x24 : 0xfa); });
}

TEST(Appearance, PagesAndOwnPagesFollowThePortalLive) {
  GtkWidget* window = nullptr;
  TCefBrowser* browser = OpenBrowser(window, Server.Base() + "/scheme.html?a");
  EXPECT_TRUE(Reported("a-1:dark")) << "the portal's dark at start";
  ASSERT_TRUE(Portal.Announce(2));
  EXPECT_TRUE(Reported("a-2:light"));
  ASSERT_TRUE(Portal.Announce(1));
  EXPECT_TRUE(Reported("a-3:dark"));

  // The runtime's own page for an unreachable server, then the desktop turning light.
  TCefBrowserHost* host = browser->get_host(browser);
  GtkWidget* view = host->get_window_handle(host);
  LoadInMainFrame(browser, "http://127.0.0.1:" + std::to_string(RefusingPort()) + "/");
  EXPECT_TRUE(Shows(view, true)) << "own page dark, red " << ShownRed(view);
  ASSERT_TRUE(Portal.Announce(2));
  EXPECT_TRUE(Shows(view, false)) << "own page light, red " << ShownRed(view);

  // No preference from the portal: GTK's own setting, light here.
  ASSERT_TRUE(Portal.Announce(1));
  LoadInMainFrame(browser, Server.Base() + "/scheme.html?b");
  EXPECT_TRUE(Reported("b-1:dark"));
  ASSERT_TRUE(Portal.Announce(0));
  EXPECT_TRUE(Reported("b-2:light"));

  Drop(host);
  EXPECT_TRUE(CloseBrowser(browser, window));
}

// In a second process whose GTK settings file asks for dark; the portal has no preference.
int CheckGtkSetting(const std::string& base) {
  if (!StartRuntime()) return 2;
  GtkWidget* window = nullptr;
  TCefBrowser* browser = OpenBrowser(window, base + "/scheme.html?gtk");
  Server.Reports = Root + "/reports.txt";
  const bool dark = Reported("gtk-1:dark");
  if (!dark) std::printf("page not dark: %s\n", ReadFile(Server.Reports).c_str());
  Drop(browser);
  Api.cef_shutdown();
  return dark ? 0 : 1;
}

TEST(Appearance, WithoutAPortalPreferenceGtksDarkSettingHolds) {
  const std::string config = Root + "/gtk-dark-config";
  g_mkdir_with_parents((config + "/gtk-3.0").c_str(), 0700);
  ASSERT_TRUE(g_file_set_contents((config + "/gtk-3.0/settings.ini").c_str(),
                                  "[Settings]\ngtk-application-prefer-dark-theme=1\n", -1,
                                  nullptr));
  EXPECT_TRUE(RunChild({"--child", Root, Server.Base()},
                       {"XDG_CONFIG_HOME=" + config, "XDG_CACHE_HOME=" + Root + "/child-cache"}));
}

}  // namespace

int main(int argc, char** argv) {
  return RunRuntimeTests(argc, argv, Root, Server,
                         {.FolderPattern = "runtime-appearance-XXXXXX",
                          .Prepare =
                              [] {
                                setenv("XDG_CACHE_HOME", (Root + "/cache-home").c_str(), 1);
                                // Before the runtime starts, so it finds the portal at once.
                                if (Portal.Start("1")) return true;
                                std::printf("no stand-in settings portal\n");
                                return false;
                              },
                          .Child =
                              [](const char* root, const char* base) {
                                Root = root;
                                return CheckGtkSetting(base);
                              },
                          .Finish =
                              [] {
                                Portal.Stop();
                                return true;
                              }});
}
