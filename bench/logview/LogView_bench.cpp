// Time from reading an error log of 10,000 records to the viewer on screen with its rows
// drawn: what a person waits for after starting corvane-logview. Needs a display (xvfb-run).
// open_time.py measures the same from outside, program start included.

#include <benchmark/benchmark.h>
#include <gtk/gtk.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Application.h"
#include "JvLogFile.h"
#include "LogView.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 10000;

const char* const kSeverities[] = {"Error", "Warning", "Information"};

// Lines about as long as the exception entries the program writes.
void WriteLog(const fs::path& path, int records) {
  std::ofstream out(path, std::ios::binary);
  for (int i = 0; i < records; ++i)
    out << "[2024-05-01 10:00:00]" << kSeverities[i % 3]
        << ">      Module \"Main\", Procedure \"TMainForm.FormCreate\", Line " << i
        << ">Exception class EAccessViolation at address 0000000000401000\r\n";
}

// Closes the viewer once it is mapped; at idle priority this runs after its first redraw.
gboolean CloseWhenDrawn(gpointer) {
  GList* toplevels = gtk_window_list_toplevels();
  bool closed = false;
  for (GList* item = toplevels; item; item = item->next) {
    auto* window = GTK_WINDOW(item->data);
    if (!gtk_widget_get_mapped(GTK_WIDGET(window))) continue;
    gtk_window_close(window);
    closed = true;
  }
  g_list_free(toplevels);
  return closed ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void BM_OpenLogInViewer(benchmark::State& state) {
  StartWindowFramework();
  if (!gtk_init_check(nullptr, nullptr)) {
    state.SkipWithError("no display: run under xvfb-run");
    EndWindowFramework();
    return;
  }
  std::string folder = (fs::temp_directory_path() / "corvane-logview-bench-XXXXXX").string();
  if (!::mkdtemp(folder.data())) {
    state.SkipWithError("no temporary folder");
    EndWindowFramework();
    return;
  }
  const fs::path file = fs::path(folder) / "error.log";
  WriteLog(file, kRecords);
  for (auto _ : state) {
    TOwnedComponent<TJvLogFile> log(new TJvLogFile(nullptr));
    const std::string caption = LoadLogForViewing(*log, file.string());
    log->OnShow = [](TObject*) {
      g_idle_add_full(G_PRIORITY_LOW, CloseWhenDrawn, nullptr, nullptr);
    };
    log->ShowLog(caption);
  }
  state.counters["records"] = kRecords;
  fs::remove_all(folder);
  EndWindowFramework();
}
BENCHMARK(BM_OpenLogInViewer)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

BENCHMARK_MAIN();
