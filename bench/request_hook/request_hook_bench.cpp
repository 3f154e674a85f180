// Added latency per sub-resource request when the client's request handler has
// on_before_resource_load, against a client without one. A page fetches /tick from the loopback
// server COUNT times one after the other; the server notes each arrival, and the gap between
// two arrivals is one request's whole round. Rounds alternate between the two clients, under a
// GLib main loop with the program's 10 ms pump timer, as in the program.
//
// Usage (needs a display): request_hook_bench [COUNT [ROUNDS]]

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "runtime_test_support.h"

namespace {

// The bench's structures live as long as the process; their counts are not checked.
int32_t CEF_CALLBACK KeepAlive(TCefBase*) {
  return 1;
}

template <class TStruct>
TStruct Structure() {
  TStruct structure{};
  structure.base.size = sizeof(TStruct);
  structure.base.add_ref = KeepAlive;
  structure.base.release = KeepAlive;
  structure.base.get_refct = KeepAlive;
  return structure;
}

std::atomic<long> RequestsSeen{0};

TCefBool CEF_CALLBACK LetThrough(TCefRequestHandler*, TCefBrowser* browser, TCefFrame* frame,
                                 TCefRequest* request) {
  ++RequestsSeen;
  for (void* object :
       {static_cast<void*>(browser), static_cast<void*>(frame), static_cast<void*>(request)})
    static_cast<TCefBase*>(object)->release(static_cast<TCefBase*>(object));
  return 0;
}

TCefRequestHandler Handler = Structure<TCefRequestHandler>();
TCefClient Plain = Structure<TCefClient>();
TCefClient Hooked = Structure<TCefClient>();

TCefRequestHandler* CEF_CALLBACK GetHandler(TCefClient*) {
  return &Handler;
}

// Runs the main loop, with the program's pump timer, until the run's page reported.
bool RunUntilReported(const TServer& server, const std::string& run) {
  struct TWait {
    GMainLoop* Loop;
    const TServer& Server;
    std::string Marker;
    bool Reported = false;
  } wait{g_main_loop_new(nullptr, FALSE), server, "ticks-done=" + run + "\n"};
  const guint pump = g_timeout_add(
      10, [](gpointer) { return Api.cef_do_message_loop_work(), gboolean(G_SOURCE_CONTINUE); },
      nullptr);
  const guint check = g_timeout_add(
      100,
      [](gpointer data) {
        auto& waiting = *static_cast<TWait*>(data);
        waiting.Reported =
            ReadFile(waiting.Server.Reports).find(waiting.Marker) != std::string::npos;
        if (waiting.Reported) g_main_loop_quit(waiting.Loop);
        return gboolean(G_SOURCE_CONTINUE);
      },
      &wait);
  const guint limit = g_timeout_add_seconds(
      300, [](gpointer loop) { return g_main_loop_quit(static_cast<GMainLoop*>(loop)), FALSE; },
      wait.Loop);
  g_main_loop_run(wait.Loop);
  for (guint source : {pump, check}) g_source_remove(source);
  if (wait.Reported) g_source_remove(limit);
  g_main_loop_unref(wait.Loop);
  return wait.Reported;
}

// Microseconds between consecutive arrivals of the run's ticks.
std::vector<double> GapsOf(const std::string& reports, const std::string& run) {
  std::istringstream lines(reports);
  std::vector<double> gaps;
  long long previous = -1;
  const std::string prefix = "tick run=" + run + "&";
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    const long long at = std::atoll(line.substr(line.rfind(' ') + 1).c_str());
    if (previous >= 0) gaps.push_back(double(at - previous) / 1000.0);
    previous = at;
  }
  return gaps;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + long(values.size() / 2), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const std::string folder = MakeTemporaryFolder("request-hook-bench-XXXXXX");
  setenv("XDG_CACHE_HOME", folder.c_str(), 1);
  if (!gtk_init_check(&argc, &argv) || count < 2 || rounds < 1) {
    std::fprintf(stderr, "usage (with a display): %s [COUNT>=2 [ROUNDS>=1]]\n", argv[0]);
    return 2;
  }
  Handler.on_before_resource_load = LetThrough;
  Hooked.get_request_handler = GetHandler;
  TServer server;
  if (!StartServer(server, folder) || !LoadRuntime() || !StartRuntime()) {
    std::fprintf(stderr, "loopback server or runtime did not start\n");
    return 1;
  }
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(window), fixed);
  gtk_widget_show_all(window);
  struct TSide {
    const char* Name;
    TCefBrowser* Browser;
    std::vector<double> Gaps;
  } sides[] = {{"none", CreateBrowser(fixed, "", &Plain), {}},
               {"hooked", CreateBrowser(fixed, "", &Hooked), {}}};
  const std::string base = server.Base() + "/ticks.html";
  bool complete = true;
  for (int round = 0; round <= rounds && complete; ++round)  // round 0 warms up
    for (TSide& side : sides) {
      const std::string run = std::string(side.Name) + std::to_string(round);
      LoadInMainFrame(side.Browser,
                      base + "?run=" + run + "&count=" + std::to_string(round ? count : 20));
      complete = complete && RunUntilReported(server, run);
      const std::vector<double> gaps = GapsOf(ReadFile(server.Reports), run);
      if (round) side.Gaps.insert(side.Gaps.end(), gaps.begin(), gaps.end());
      if (round) std::printf("round %d %-6s median %8.1f us\n", round, side.Name, Median(gaps));
    }
  const double none = Median(sides[0].Gaps), hooked = Median(sides[1].Gaps);
  std::printf("requests per client: %zu; handler calls: %ld\n", sides[1].Gaps.size(),
              RequestsSeen.load());
  std::printf("median round, no request handler:       %8.1f us\n", none);
  std::printf("median round, on_before_resource_load: %8.1f us\n", hooked);
  std::printf("added per request:                      %8.1f us\n", hooked - none);
  for (TSide& side : sides) {
    TCefBrowserHost* host = side.Browser->get_host(side.Browser);
    host->parent_window_will_close(host);
    host->base.release(&host->base);
    side.Browser->base.release(&side.Browser->base);
  }
  gtk_widget_destroy(window);
  Api.cef_shutdown();
  StopServer(server);
  RemoveFolder(folder);
  return complete ? 0 : 1;
}
