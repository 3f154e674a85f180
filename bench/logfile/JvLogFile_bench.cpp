// Cost of one addition to an auto-saved log: at the shell's size limit, where every addition
// trims and rewrites the file, and on large logs that are never trimmed, where the cost must
// not grow with the log.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "JvLogFile.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kShellSizeLimit = 1048576;

// About the length of the exception entries the shell writes.
std::string EntryTitle(int64_t serial) {
  return "      Module \"Main\", Procedure \"TMainForm.FormCreate\", Unit \"Main.cpp\", Line " +
         std::to_string(serial);
}

// A log in a fresh folder holding `records` entries, auto-saving to its file.
class TBenchLog {
 public:
  TBenchLog(uint32_t sizeLimit, int64_t records) {
    std::string pattern = (fs::temp_directory_path() / "corvane-logbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    FDir = pattern;
    FLog->SetSizeLimit(sizeLimit);
    FLog->SetFileName((FDir / "error.log").string());
    for (int64_t i = 0; i < records; ++i) FLog->Add("2024-01-01 00:00:00", EntryTitle(i), "");
    FLog->SaveToFile(FLog->FileName());
    FLog->SetAutoSave(true);
  }
  ~TBenchLog() {
    FLog->SetAutoSave(false);
    fs::remove_all(FDir);
  }

  TJvLogFile& Log() { return *FLog; }
  uintmax_t FileSize() const { return fs::file_size(FDir / "error.log"); }

 private:
  fs::path FDir;
  TOwnedComponent<TJvLogFile> FLog{new TJvLogFile(nullptr)};
};

void BM_AddAtShellLimit(benchmark::State& state) {
  // Enough entries to fill the limit, so that every further addition drops the oldest.
  TBenchLog bench(kShellSizeLimit, kShellSizeLimit / 80);
  int64_t serial = 0;
  for (auto _ : state) bench.Log().Add("2024-01-01 00:00:00", EntryTitle(serial++), "");
  state.counters["records"] = bench.Log().Count();
  state.counters["file_bytes"] = static_cast<double>(bench.FileSize());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddAtShellLimit)->Unit(benchmark::kMillisecond);

void BM_AddWithoutTrimming(benchmark::State& state) {
  TBenchLog bench(0, state.range(0));
  int64_t serial = 0;
  for (auto _ : state) bench.Log().Add("2024-01-01 00:00:00", EntryTitle(serial++), "");
  state.counters["file_bytes"] = static_cast<double>(bench.FileSize());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AddWithoutTrimming)
    ->Arg(1000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
