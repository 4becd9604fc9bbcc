// The combination search of the library against the reference build's (the search it
// replaced), alternating in one run: each round times one search (or one call) of each
// build in turn, so that both see the same machine at the same moment, and the ratio
// reference / current is reported with its spread over the rounds.
//
// BM_SideBySideSearch: the heavy book at 12, 60 and 200 genes, memo on and off; the clock
//   frozen, so every search runs all 500 generations.
// BM_SideBySideWorstBoard: the worst board (100 zones, one grade, 200 genes) through the
//   entry's work, the clock frozen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "interface/sawline.h"
#include "reference/search_harness.h"
#include "worst_board.h"

namespace {

using search_harness::Build;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kSeed = 12345u;

// Seconds of each round, by build.
struct Rounds {
  std::vector<double> reference;
  std::vector<double> current;
};

template <typename Run>
double TimeOnce(Run run) {
  const auto start = Clock::now();
  run();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// The ratio's median and its spread (the 10th and 90th percentiles of the per-round
// ratios), and each build's median time.
void Report(benchmark::State& state, const Rounds& rounds) {
  std::vector<double> ratios;
  for (size_t i = 0; i < rounds.current.size(); ++i)
    ratios.push_back(rounds.reference[i] / rounds.current[i]);
  if (ratios.empty()) return;
  std::sort(ratios.begin(), ratios.end());
  const auto at = [&](double share) {
    return ratios[static_cast<size_t>(share * static_cast<double>(ratios.size() - 1))];
  };
  const auto median = [](std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
  };
  state.counters["ratio"] = at(0.5);
  state.counters["ratio_p10"] = at(0.1);
  state.counters["ratio_p90"] = at(0.9);
  state.counters["reference_ms"] = median(rounds.reference) * 1e3;
  state.counters["current_ms"] = median(rounds.current) * 1e3;
}

void BM_SideBySideSearch(benchmark::State& state) {
  const auto fixedOrders = static_cast<int32_t>(state.range(0));
  const auto memoOff = static_cast<int32_t>(state.range(1));
  const Build* builds[] = {&search_harness::ReferenceBuild(), &search_harness::CurrentBuild()};
  for (const Build* build : builds)
    build->loadHeavyBook(fixedOrders, memoOff);
  search_harness::SearchOutcome outcome{};
  Rounds rounds;
  for (auto _ : state) {
    for (const Build* build : builds) {
      const double seconds =
          TimeOnce([&] { build->search(search_harness::kHeavySegmentLength, 0, kSeed, outcome); });
      (build == builds[0] ? rounds.reference : rounds.current).push_back(seconds);
      benchmark::DoNotOptimize(outcome.bestFitness);
    }
  }
  Report(state, rounds);
}

void BM_SideBySideWorstBoard(benchmark::State& state) {
  const sawline::tools::JobBlocks job = sawline::bench::WorstBoard(1, 5000);
  const Build* builds[] = {&search_harness::ReferenceBuild(), &search_harness::CurrentBuild()};
  std::array<float, SAWLINE_RESULT_BLOCK_FLOATS> result{};
  Rounds rounds;
  for (auto _ : state) {
    for (const Build* build : builds) {
      const double seconds = TimeOnce([&] {
        benchmark::DoNotOptimize(
            build->compute(job.parameters.data(), job.marks.data(), result.data(), kSeed, 0.0));
      });
      (build == builds[0] ? rounds.reference : rounds.current).push_back(seconds);
    }
  }
  Report(state, rounds);
}

BENCHMARK(BM_SideBySideSearch)
    ->ArgNames({"fixed", "memoOff"})
    ->Args({12, 0})
    ->Args({12, 1})
    ->Args({60, 0})
    ->Args({60, 1})
    ->Args({200, 0})
    ->Args({200, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK(BM_SideBySideWorstBoard)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
