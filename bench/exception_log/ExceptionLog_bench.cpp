// Run with --benchmark_repetitions=9 --benchmark_report_aggregates_only=true for medians.

#include <benchmark/benchmark.h>
#include <elfutils/libdwfl.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ExceptionLog.h"
#include "JclDebug.h"
#include "JclDebugInfo.h"
#include "JvLogFile.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kShellSizeLimit = 1048576;
constexpr size_t kAddressCount = 1000;

class EBenchError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return "EBenchError"; }
};

__attribute__((noinline)) void RaiseAtDepth(int depth) {
  if (depth > 0) {
    std::string cleanup = "a frame with a destructor";
    RaiseAtDepth(depth - 1);
    benchmark::DoNotOptimize(cleanup);
  }
  throw EBenchError("bench > limit");
}

// The shell's error log in a fresh folder, filled to its size limit, with the exception log
// notifier writing to it while tracking is on.
class TFullLog {
 public:
  TFullLog() {
    std::string pattern = (fs::temp_directory_path() / "corvane-exlogbench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("no temporary folder");
    FDir = pattern;
    FLog->SetSizeLimit(kShellSizeLimit);
    FLog->SetFileName((FDir / "error.log").string());
    for (uint32_t i = 0; i < kShellSizeLimit / 80; ++i)
      FLog->Add(
          "2024-01-01 00:00:00",
          "      Module \"Main\", Procedure \"TMainForm.FormCreate\", Line " + std::to_string(i),
          "");
    FLog->SaveToFile(FLog->FileName());
    FLog->SetAutoSave(true);
    TrackingOptions |= toExceptFrames;
    StartJclDebug();
    EnableExceptionTracking();
    SetExceptionLogFile(FLog.get());
    RegisterExceptNotifier(ExceptionLogNotifier, npNormal);
  }
  ~TFullLog() {
    UnregisterExceptNotifier(ExceptionLogNotifier);
    SetExceptionLogFile(nullptr);
    EndJclDebug();
    FLog->SetAutoSave(false);
    fs::remove_all(FDir);
  }
  TJvLogFile& Log() { return *FLog; }
  uintmax_t FileSize() const { return fs::file_size(FDir / "error.log"); }

 private:
  fs::path FDir;
  TOwnedComponent<TJvLogFile> FLog{new TJvLogFile(nullptr)};
};

void RaiseAndCatch() {
  try {
    RaiseAtDepth(5);
  } catch (const EBenchError&) {
  }
}

void BM_LoggedExceptionWithFullLog(benchmark::State& state) {
  TFullLog log;
  RaiseAndCatch();  // the first lookup decodes the embedded tables
  const int before = log.Log().Count();
  for (auto _ : state) RaiseAndCatch();
  state.counters["log_bytes"] = static_cast<double>(log.FileSize());
  state.counters["records"] = log.Log().Count();
  state.counters["entries_last"] = log.Log().Count() >= before ? 1 : 0;
}
BENCHMARK(BM_LoggedExceptionWithFullLog)->Unit(benchmark::kMicrosecond);

int AddCodeSegment(dl_phdr_info* info, size_t, void* data) {
  auto* range = static_cast<std::pair<uintptr_t, uintptr_t>*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_LOAD && (info->dlpi_phdr[i].p_flags & PF_X)) {
      range->first = info->dlpi_addr + info->dlpi_phdr[i].p_vaddr;
      range->second = range->first + info->dlpi_phdr[i].p_memsz;
      return 1;  // the program itself comes first
    }
  return 1;
}

// Addresses spread evenly over the program's own code.
std::vector<void*> SampleAddresses() {
  std::pair<uintptr_t, uintptr_t> code{0, 0};
  dl_iterate_phdr(AddCodeSegment, &code);
  std::vector<void*> addresses;
  const uintptr_t step = (code.second - code.first) / kAddressCount;
  for (size_t i = 0; i < kAddressCount; ++i)
    addresses.push_back(reinterpret_cast<void*>(code.first + i * step + 7));
  return addresses;
}

void BM_GetLocationInfo(benchmark::State& state) {
  const std::vector<void*> addresses = SampleAddresses();
  TJclLocationInfo info;
  int resolved = 0;
  for (void* address : addresses) resolved += TryGetLocationInfo(address, info);
  size_t next = 0;
  for (auto _ : state) {
    GetLocationInfo(addresses[next], info);
    benchmark::DoNotOptimize(info.LineNumber);
    next = (next + 1) % addresses.size();
  }
  state.counters["resolved_of_1000"] = resolved;
}
BENCHMARK(BM_GetLocationInfo)->Unit(benchmark::kMicrosecond);

void BM_LibdwLookup(benchmark::State& state) {
  const std::vector<void*> addresses = SampleAddresses();
  char* searchPath = nullptr;
  const Dwfl_Callbacks callbacks = {dwfl_linux_proc_find_elf, dwfl_standard_find_debuginfo, nullptr,
                                    &searchPath};
  Dwfl* dwfl = dwfl_begin(&callbacks);
  dwfl_linux_proc_report(dwfl, getpid());
  dwfl_report_end(dwfl, nullptr, nullptr);
  auto lookUp = [&](void* address) {
    const Dwarf_Addr at = reinterpret_cast<uintptr_t>(address);
    Dwfl_Module* module = dwfl_addrmodule(dwfl, at);
    GElf_Off offset;
    GElf_Sym symbol;
    const char* name =
        dwfl_module_addrinfo(module, at, &offset, &symbol, nullptr, nullptr, nullptr);
    int line = 0;
    if (Dwfl_Line* row = dwfl_module_getsrc(module, at))
      dwfl_lineinfo(row, nullptr, &line, nullptr, nullptr, nullptr);
    return name && line > 0;
  };
  int resolved = 0;
  for (void* address : addresses) resolved += lookUp(address);
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(lookUp(addresses[next]));
    next = (next + 1) % addresses.size();
  }
  state.counters["resolved_of_1000"] = resolved;
  dwfl_end(dwfl);
}
BENCHMARK(BM_LibdwLookup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
