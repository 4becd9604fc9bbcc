// The margin on a slower line PC: the live-clock call with the clock running 1, 2, 3 or
// 5 times as fast, which gives every search the time share it would have on a PC that
// many times slower. Boards of the heavy book's shape (one grade, 60 fixed-length and 24
// variable-length orders, zones of about 6000, kerf 4) from 1 to 100 zones, and the worst
// board (100 zones, 200 fixed-length orders).
//
// Each case runs this build's search, or (reference:1) the reference build's.
// Counters: searches the call ran, how many completed all 500 generations, the share
// completed, and the longest call in wall time against the 0.35 s budget (on this
// machine: the slower PC's call would take `slowdown` times as long).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>

#include "interface/sawline.h"
#include "reference/search_harness.h"
#include "worst_board.h"

namespace {

constexpr double kBudgetSeconds = 0.35;
constexpr int kHeavyFixedRows = 60;
constexpr int kHeavyZoneLength = 6000;

void RunSlowPc(benchmark::State& state, const sawline::tools::JobBlocks& job, double slowdown,
               const search_harness::Build& build) {
  std::array<float, SAWLINE_RESULT_BLOCK_FLOATS> result{};
  search_harness::SearchCount count;
  double longestCall = 0.0;
  int64_t calls = 0;
  build.countSearches(&count);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(
        build.compute(job.parameters.data(), job.marks.data(), result.data(), 12345u, slowdown));
    const auto end = std::chrono::steady_clock::now();
    longestCall = std::max(longestCall, std::chrono::duration<double>(end - start).count());
    ++calls;
  }
  build.countSearches(nullptr);
  const double perCall = 1.0 / static_cast<double>(std::max<int64_t>(calls, 1));
  state.counters["searches"] = static_cast<double>(count.searches) * perCall;
  state.counters["completed"] = static_cast<double>(count.completed) * perCall;
  state.counters["completedShare"] = static_cast<double>(count.completed) /
                                     static_cast<double>(std::max<int64_t>(count.searches, 1));
  state.counters["longestCall_ms"] = longestCall * 1e3;
  state.counters["slowPcCall_ms"] = longestCall * slowdown * 1e3;
  state.counters["budget_ms"] = kBudgetSeconds * 1e3;
}

const search_harness::Build& BuildOf(int64_t reference) {
  return reference != 0 ? search_harness::ReferenceBuild() : search_harness::CurrentBuild();
}

// Arguments: the slowdown, the zones, and 1 for the reference build's search.
void BM_SlowPcHeavyBook(benchmark::State& state) {
  const auto job = sawline::bench::WorstBoard(1, kHeavyZoneLength, static_cast<int>(state.range(1)),
                                              kHeavyFixedRows);
  RunSlowPc(state, job, static_cast<double>(state.range(0)), BuildOf(state.range(2)));
}

void BM_SlowPcWorstBoard(benchmark::State& state) {
  const auto job = sawline::bench::WorstBoard(1, 5000);
  RunSlowPc(state, job, static_cast<double>(state.range(0)), BuildOf(state.range(1)));
}

void SlowdownsAndZones(benchmark::internal::Benchmark* bench) {
  for (int reference : {0, 1}) {
    for (int slowdown : {1, 2, 3, 5}) {
      for (int zones : {1, 5, 10, 20, 40, 60, 80, 100})
        bench->Args({slowdown, zones, reference});
    }
  }
}

void Slowdowns(benchmark::internal::Benchmark* bench) {
  for (int reference : {0, 1}) {
    for (int slowdown : {1, 2, 3, 5})
      bench->Args({slowdown, reference});
  }
}

BENCHMARK(BM_SlowPcHeavyBook)
    ->ArgNames({"slowdown", "zones", "reference"})
    ->Apply(SlowdownsAndZones)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_SlowPcWorstBoard)
    ->ArgNames({"slowdown", "reference"})
    ->Apply(Slowdowns)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
