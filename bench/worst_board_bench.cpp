// The most expensive board the blocks allow, through the exported entry: 100 zones
// (every mark pair used), all 200 fixed-length rows, all 24 variable-length rows and all
// 24 uncut rows enabled. The fixed-length rows are spread over the zones' grades, so
// that every zone runs a search over many genes; the variable-length rows make every
// candidate's fill expensive; the uncut rows are longer than any zone, so that every
// zone still searches.
//
// BM_WorstBoardFrozenClock: the clock never advances, so every search runs all 500
//   generations: the longest a call can take.
// BM_WorstBoardLiveClock: the wall clock, so the 0.35 s budget, shared among the 100
//   zones, stops each search; reports the steps between two clock reads (the first
//   one up to the first search, then the generations and each search's set-up) and
//   the call's time past the budget.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "desk/blocks.h"
#include "interface/sawline.h"
#include "platform/platform.h"
#include "worst_board.h"

namespace {

using sawline::bench::WorstBoard;

constexpr double kBudgetSeconds = 0.35;

int32_t Call(const sawline::tools::JobBlocks& job) {
  std::array<float, SAWLINE_RESULT_BLOCK_FLOATS> result{};
  return OptimizationCompute(job.parameters.data(), job.marks.data(), result.data());
}

void BM_WorstBoardFrozenClock(benchmark::State& state) {
  const sawline::tools::JobBlocks job =
      WorstBoard(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  int32_t pieces = 0;
  for (auto _ : state) {
    sawline::platform::FixClock(0);
    sawline::platform::FixSeed(12345u);
    pieces = Call(job);
    benchmark::DoNotOptimize(pieces);
  }
  state.counters["pieces"] = pieces;
  sawline::platform::ReleaseFixes();
}

// Steady-clock times of every clock read of one call.
std::vector<std::chrono::steady_clock::time_point> clockReads;

void BM_WorstBoardLiveClock(benchmark::State& state) {
  const sawline::tools::JobBlocks job =
      WorstBoard(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  double longestCall = 0;
  double firstStep = 0;
  double longestStep = 0;
  double medianStep = 0;
  int32_t pieces = 0;
  int64_t reads = 0;
  clockReads.reserve(1 << 16);
  for (auto _ : state) {
    sawline::platform::ReleaseFixes();
    sawline::platform::FixSeed(12345u);
    clockReads.clear();
    sawline::platform::ObserveClock([] { clockReads.push_back(std::chrono::steady_clock::now()); });
    const auto start = std::chrono::steady_clock::now();
    pieces = Call(job);
    const auto end = std::chrono::steady_clock::now();
    longestCall = std::max(longestCall, std::chrono::duration<double>(end - start).count());
    // The first step runs from the call's start to the first search (unpacking, zones,
    // the settings record); the later ones are generations, and each search's set-up.
    std::vector<double> steps;
    for (size_t i = 1; i < clockReads.size(); ++i)
      steps.push_back(std::chrono::duration<double>(clockReads[i] - clockReads[i - 1]).count());
    if (steps.size() > 1) {
      firstStep = std::max(firstStep, steps.front());
      steps.erase(steps.begin());
      std::sort(steps.begin(), steps.end());
      longestStep = std::max(longestStep, steps.back());
      medianStep = steps[steps.size() / 2];
    }
    reads = static_cast<int64_t>(clockReads.size());
  }
  sawline::platform::ReleaseFixes();
  state.counters["pieces"] = pieces;
  state.counters["clockReads"] = static_cast<double>(reads);
  state.counters["longestCall_ms"] = longestCall * 1e3;
  state.counters["firstStep_ms"] = firstStep * 1e3;
  state.counters["longestStep_ms"] = longestStep * 1e3;
  state.counters["medianStep_us"] = medianStep * 1e6;
  state.counters["pastBudget_ms"] = (longestCall - kBudgetSeconds) * 1e3;
}

// Every search over 200 genes (one grade) or 25 (eight grades), zones of 5000 and 50000.
BENCHMARK(BM_WorstBoardFrozenClock)
    ->ArgNames({"grades", "zone"})
    ->Args({1, 5000})
    ->Args({8, 5000})
    ->Args({1, 50000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_WorstBoardLiveClock)
    ->ArgNames({"grades", "zone"})
    ->Args({1, 5000})
    ->Args({8, 5000})
    ->Args({1, 50000})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

}  // namespace
