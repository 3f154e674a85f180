#include <benchmark/benchmark.h>

#include <span>
#include <string>

#include "JclDebug_map.h"
#include "JclTD32.h"
#include "map_writer.h"
#include "td32_writer.h"

namespace {

constexpr uint32_t UnitCount = 500;
constexpr uint32_t ProcsPerUnit = 100;  // 50,000 symbols
constexpr uint32_t ProcSize = 0x40;
constexpr uint32_t FirstOffset = 0x100;

// 500 units of 100 procedures each, two lines per procedure.
const TDebugDescription& LargeDescription() {
  static const TDebugDescription description = [] {
    TDebugDescription d;
    for (uint32_t u = 0; u < UnitCount; ++u) {
      const std::string unitName = "Corvane.Unit" + std::to_string(u);
      const uint32_t unitStart = FirstOffset + u * ProcsPerUnit * ProcSize;
      TDescribedUnit unit{unitName, unitName + ".pas", unitStart, ProcsPerUnit * ProcSize, {}};
      for (uint32_t p = 0; p < ProcsPerUnit; ++p) {
        const uint32_t start = unitStart + p * ProcSize;
        d.Procs.push_back({unitName + ".TClass.Method" + std::to_string(p), start, ProcSize});
        unit.Lines.push_back({int32_t(10 + 3 * p), start});
        unit.Lines.push_back({int32_t(11 + 3 * p), start + ProcSize / 2});
      }
      d.Units.push_back(std::move(unit));
    }
    return d;
  }();
  return description;
}

const std::string& MapText() {
  static const std::string text = WriteMapText(LargeDescription());
  return text;
}

const TBytes& TD32Data() {
  static const TBytes data = WriteTD32Data(LargeDescription());
  return data;
}

std::span<const char> MapSpan() {
  return {MapText().data(), MapText().size()};
}

// Addresses spread over the whole code, the same sequence for every scanner.
uint32_t NextAddress(uint32_t& state) {
  state = state * 1664525 + 1013904223;
  return FirstOffset + state % (UnitCount * ProcsPerUnit * ProcSize);
}

template <class TScanner>
void LookUp(benchmark::State& state, const TScanner& scanner) {
  uint32_t seed = 1;
  for (auto _ : state) {
    const uint32_t addr = NextAddress(seed);
    int32_t procOffset, lineOffset;
    benchmark::DoNotOptimize(scanner.ModuleNameFromAddr(addr));
    benchmark::DoNotOptimize(scanner.ProcNameFromAddr(addr, procOffset));
    benchmark::DoNotOptimize(scanner.LineNumberFromAddr(addr, lineOffset));
    benchmark::DoNotOptimize(scanner.SourceNameFromAddr(addr));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_MapParse(benchmark::State& state) {
  for (auto _ : state) {
    TJclMapScanner scanner(MapSpan(), 0);
    benchmark::DoNotOptimize(scanner.ProcNames().size());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * MapText().size()));
  state.counters["file_bytes"] = double(MapText().size());
}
BENCHMARK(BM_MapParse)->Unit(benchmark::kMillisecond);

void BM_TD32Parse(benchmark::State& state) {
  for (auto _ : state) {
    TJclTD32InfoScanner scanner(TD32Data());
    benchmark::DoNotOptimize(scanner.ProcSymbolCount());
  }
  state.SetBytesProcessed(int64_t(state.iterations() * TD32Data().size()));
  state.counters["file_bytes"] = double(TD32Data().size());
}
BENCHMARK(BM_TD32Parse)->Unit(benchmark::kMillisecond);

// One location lookup: unit, procedure, line and source name.
void BM_MapLookup(benchmark::State& state) {
  const TJclMapScanner scanner(MapSpan(), 0);
  LookUp(state, scanner);
}
BENCHMARK(BM_MapLookup);

void BM_TD32Lookup(benchmark::State& state) {
  const TJclTD32InfoScanner scanner(TD32Data());
  LookUp(state, scanner);
}
BENCHMARK(BM_TD32Lookup)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
