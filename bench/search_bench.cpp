// One full combination search on a heavy order book: one grade with many fixed-length
// orders of 300 to 3000 and 24 variable-length orders, a 6000-long segment, kerf 4.
// The seed is fixed and the clock never advances, so every search runs all 500
// generations. The second argument switches the fill memos off, so the gain of the
// memos is measured side by side.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <functional>

#include "optimize/segment_searches.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace {

using sawline::ws;

constexpr int32_t kGrade = 1;
constexpr float kSegmentLength = 6000.0f;

// A small deterministic generator, so the order book is the same on every run.
struct BookRandom {
  uint32_t state;
  int32_t Between(int32_t low, int32_t high) {
    state = state * 1664525u + 1013904223u;
    return low + static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(high - low + 1));
  }
};

void BuildHeavyBook(int32_t fixedOrders) {
  sawline::ResetWorkspace();
  ws.settings.OptimizeMode = sawline::OptimizeMode::kLength;
  ws.settings.KerfWidth = 4.0f;
  ws.settings.OptimizeTimeLimit = 0.35f;
  BookRandom random{20240611u};

  int32_t lengths[sawline::kMaxFixedOrders];
  for (int32_t i = 0; i < fixedOrders; ++i)
    lengths[i] = random.Between(300, 3000);
  std::sort(lengths, lengths + fixedOrders, std::greater<>());
  ws.orders.FixedCount[kGrade] = fixedOrders;
  for (int32_t i = 0; i < fixedOrders; ++i) {
    ws.orders.FixedLength[kGrade][i] = lengths[i];
    ws.orders.FixedWeight[kGrade][i] = static_cast<float>(random.Between(800, 1200) / 1000.0);
    ws.orders.FixedCode[kGrade][i] = 1000 + i;
  }

  ws.orders.VariableCount[kGrade] = sawline::kMaxVariableOrders;
  for (int32_t j = 0; j < sawline::kMaxVariableOrders; ++j) {
    const int32_t minLength = random.Between(150, 900);
    ws.orders.VariableMinLength[kGrade][j] = minLength;
    ws.orders.VariableMaxLength[kGrade][j] = minLength + random.Between(200, 1800);
    ws.orders.VariableWeight[kGrade][j] = static_cast<float>(random.Between(500, 1000) / 1000.0);
    ws.orders.VariableCode[kGrade][j] = 2000 + j;
  }
}

void BM_Search(benchmark::State& state) {
  const auto fixedOrders = static_cast<int32_t>(state.range(0));
  BuildHeavyBook(fixedOrders);
  ws.search.FillMemoOff = static_cast<int32_t>(state.range(1));
  sawline::platform::FixSeed(12345u);
  sawline::platform::FixClock(0);
  for (auto _ : state) {
    std::fill(&ws.orders.FixedDone[kGrade][0], &ws.orders.FixedDone[kGrade][0] + fixedOrders, 0);
    ws.search.SearchFirstEntry = 0;
    ws.filler.FillRowCount = 0;
    sawline::SearchCombination(kGrade, kSegmentLength, 0);
    benchmark::DoNotOptimize(ws.search.BestFitness);
  }
  state.counters["generations"] = ws.search.Generation;
  sawline::platform::ReleaseFixes();
}

BENCHMARK(BM_Search)
    ->ArgNames({"fixed", "memoOff"})
    ->Args({12, 0})
    ->Args({60, 0})
    ->Args({60, 1})
    ->Args({200, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
