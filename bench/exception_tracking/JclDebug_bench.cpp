// Cost of one raise-and-catch at a given call depth, with tracking off and on (stack trace and
// exception-frame list, no other notifier).

#include <benchmark/benchmark.h>

#include "JclDebug.h"

namespace {

class EBench : public Exception {
 public:
  using Exception::Exception;
};

volatile int Sink = 0;

__attribute__((noinline)) void RaiseAtDepth(int depth) {
  if (depth <= 1) throw EBench("bench");
  RaiseAtDepth(depth - 1);
  Sink = Sink + 1;  // keeps the call from becoming a jump
}

void RaiseAndCatch(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  for (auto _ : state) {
    try {
      RaiseAtDepth(depth);
    } catch (const EBench&) {
      benchmark::ClobberMemory();
    }
  }
}

void BM_RaiseTrackingOff(benchmark::State& state) {
  StartJclDebug();
  InstallExceptionHook();  // hooked, but nobody listens
  RaiseAndCatch(state);
  EndJclDebug();
}

void BM_RaiseTrackingOn(benchmark::State& state) {
  StartJclDebug();
  TrackingOptions = toStackTrace | toExceptFrames;
  EnableExceptionTracking();
  RaiseAndCatch(state);
  DisableExceptionTracking();
  EndJclDebug();
}

}  // namespace

BENCHMARK(BM_RaiseTrackingOff)->Arg(5)->Arg(20)->Arg(50);
BENCHMARK(BM_RaiseTrackingOn)->Arg(5)->Arg(20)->Arg(50);
BENCHMARK_MAIN();
