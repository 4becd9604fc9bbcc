// The combination search of the library against the reference build's (the search it
// replaced), alternating in one run: each round times one search (or one call) of each
// build in turn, so that both see the same machine at the same moment, and the ratio
// reference / current is reported with its spread over the rounds.
//
// BM_SideBySideSearch: the heavy book at 12, 60 and 200 genes, memo on and off; the clock
//   frozen, so every search runs all 500 generations. The memos go on from search to
//   search of one book; with cold:1 the book is loaded afresh before every search, so
//   that each search starts with empty memos, as the first search of a book does.
// BM_SideBySideWorstBoard: the worst board (100 zones, one grade, 200 genes) through the
//   entry's work, the clock frozen.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

#include "interface/sawline.h"
#include "reference/search_harness.h"
#include "worst_board.h"

namespace {

using search_harness::Build;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kSeed = 12345u;

// Seconds of each round, by build: processor time (what a busy machine disturbs least)
// and wall time.
struct Rounds {
  std::vector<double> reference;
  std::vector<double> current;
  std::vector<double> referenceWall;
  std::vector<double> currentWall;
};

template <typename Run>
void TimeOnce(Run run, std::vector<double>& cpu, std::vector<double>& wall) {
  const std::clock_t cpuStart = std::clock();
  const auto start = Clock::now();
  run();
  wall.push_back(std::chrono::duration<double>(Clock::now() - start).count());
  cpu.push_back(static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC);
}

template <typename Run>
void TimeRound(const Build* const (&builds)[2], Rounds& rounds, Run run) {
  TimeOnce([&] { run(*builds[0]); }, rounds.reference, rounds.referenceWall);
  TimeOnce([&] { run(*builds[1]); }, rounds.current, rounds.currentWall);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// The ratio reference / current of processor time: its median and its spread (the 10th
// and 90th percentiles of the per-round ratios); the ratio of the wall times' medians;
// and each build's median processor time.
void Report(benchmark::State& state, const Rounds& rounds) {
  std::vector<double> ratios;
  for (size_t i = 0; i < rounds.current.size(); ++i) {
    if (rounds.current[i] > 0.0) ratios.push_back(rounds.reference[i] / rounds.current[i]);
  }
  if (ratios.empty()) return;
  std::sort(ratios.begin(), ratios.end());
  const auto at = [&](double share) {
    return ratios[static_cast<size_t>(share * static_cast<double>(ratios.size() - 1))];
  };
  state.counters["ratio"] = at(0.5);
  state.counters["ratio_p10"] = at(0.1);
  state.counters["ratio_p90"] = at(0.9);
  state.counters["ratio_wall"] = Median(rounds.referenceWall) / Median(rounds.currentWall);
  state.counters["reference_ms"] = Median(rounds.reference) * 1e3;
  state.counters["current_ms"] = Median(rounds.current) * 1e3;
}

void BM_SideBySideSearch(benchmark::State& state) {
  const auto fixedOrders = static_cast<int32_t>(state.range(0));
  const auto memoOff = static_cast<int32_t>(state.range(1));
  const Build* const builds[2] = {&search_harness::ReferenceBuild(),
                                  &search_harness::CurrentBuild()};
  for (const Build* build : builds)
    build->loadHeavyBook(fixedOrders, memoOff);
  const bool cold = state.range(2) != 0;
  search_harness::SearchOutcome outcome{};
  Rounds rounds;
  for (auto _ : state) {
    if (cold) {
      state.PauseTiming();
      for (const Build* build : builds)
        build->loadHeavyBook(fixedOrders, memoOff);
      state.ResumeTiming();
    }
    TimeRound(builds, rounds, [&](const Build& build) {
      build.search(search_harness::kHeavySegmentLength, 0, kSeed, outcome);
      benchmark::DoNotOptimize(outcome.bestFitness);
    });
  }
  Report(state, rounds);
}

void BM_SideBySideWorstBoard(benchmark::State& state) {
  const sawline::tools::JobBlocks job = sawline::bench::WorstBoard(1, 5000);
  const Build* const builds[2] = {&search_harness::ReferenceBuild(),
                                  &search_harness::CurrentBuild()};
  std::array<float, SAWLINE_RESULT_BLOCK_FLOATS> result{};
  Rounds rounds;
  for (auto _ : state) {
    TimeRound(builds, rounds, [&](const Build& build) {
      benchmark::DoNotOptimize(
          build.compute(job.parameters.data(), job.marks.data(), result.data(), kSeed, 0.0));
    });
  }
  Report(state, rounds);
}

void SearchCases(benchmark::internal::Benchmark* bench) {
  for (int fixedOrders : {12, 60, 200}) {
    bench->Args({fixedOrders, 0, 0});
    bench->Args({fixedOrders, 0, 1});
    bench->Args({fixedOrders, 1, 0});
  }
}

BENCHMARK(BM_SideBySideSearch)
    ->ArgNames({"fixed", "memoOff", "cold"})
    ->Apply(SearchCases)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(40);
BENCHMARK(BM_SideBySideWorstBoard)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
