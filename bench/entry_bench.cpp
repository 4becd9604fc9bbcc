// What serializing the calls costs a host that calls from one thread: a small board
// (two zones, fixed-length and variable-length orders, a short search) through the
// exported entry, which takes the process-wide call lock, side by side with the same
// run sequence called without the lock.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "desk/blocks.h"
#include "interface/run_sequence.h"
#include "interface/sawline.h"
#include "platform/platform.h"

namespace {

sawline::tools::JobBlocks SmallBoard() {
  sawline::tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4);
  job.SetSetting("WasteMaxLength", 300);
  job.SetSetting("WasteKickerCode", 1020304);
  job.AddFixedOrder({.grade = 1, .length = 1200, .weight = 1.2f, .code = 11010101});
  job.AddFixedOrder({.grade = 1, .length = 700, .weight = 1.0f, .code = 11010102});
  job.AddVariableOrder(
      {.grade = 2, .minLength = 300, .maxLength = 800, .weight = 0.5f, .code = 12010101});
  job.SetPairs({{1, 2600}, {2, 900}});
  return job;
}

void BM_SmallBoard(benchmark::State& state) {
  const bool locked = state.range(0) != 0;
  const sawline::tools::JobBlocks job = SmallBoard();
  std::array<float, SAWLINE_RESULT_BLOCK_FLOATS> result{};
  // Every clock read moves on a second: each search runs one generation.
  sawline::platform::FixClock(0, 1000);
  sawline::platform::FixSeed(12345u);
  for (auto _ : state) {
    const int32_t pieces =
        locked ? OptimizationCompute(job.parameters.data(), job.marks.data(), result.data())
               : sawline::RunOptimization(job.parameters.data(), job.marks.data(), result.data());
    benchmark::DoNotOptimize(pieces);
  }
  sawline::platform::ReleaseFixes();
}

// Run with --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true: the
// two variants then alternate, and drift of the machine falls on both.
BENCHMARK(BM_SmallBoard)->ArgName("locked")->Arg(0)->Arg(1);

// The lock alone, taken and released with no other thread waiting.
void BM_UncontendedCallLock(benchmark::State& state) {
  for (auto _ : state) {
    const sawline::platform::CallLock serialized;
    benchmark::ClobberMemory();
  }
}

BENCHMARK(BM_UncontendedCallLock);

}  // namespace
