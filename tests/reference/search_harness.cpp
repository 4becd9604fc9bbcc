// Compiled twice: into the reference build (SAWLINE_REFERENCE_BUILD, with the namespace
// sawline renamed) and against the library as it is now.
#include "reference/search_harness.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>

#include "interface/run_sequence.h"
#include "optimize/search_probe.h"
#include "optimize/segment_searches.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace search_harness {
namespace {

using sawline::ws;

// A small deterministic generator, so every book is the same on every run.
struct BookRandom {
  uint32_t state;
  int32_t Between(int32_t low, int32_t high) {
    state = state * 1664525u + 1013904223u;
    return low + static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(high - low + 1));
  }
};

std::string& LogPath() {
  static std::string path;
  return path;
}

void SetLogPath(const char* path) {
  LogPath() = path != nullptr ? path : "";
}

void FixCall(uint32_t seed, double clockScale) {
  sawline::platform::ReleaseFixes();
  if (!LogPath().empty()) sawline::platform::SetLogPath(LogPath().c_str());
  sawline::platform::FixSeed(seed);
  if (clockScale > 0.0) {
    sawline::platform::ScaleClock(clockScale);
  } else {
    sawline::platform::FixClock(0);
  }
}

int32_t Compute(const float* parameters, const float* marks, float* result, uint32_t seed,
                double clockScale) {
  FixCall(seed, clockScale);
  const int32_t pieces = sawline::RunOptimization(parameters, marks, result);
  sawline::platform::ReleaseFixes();
  return pieces;
}

void LoadBook(BookRandom& random, int32_t fixedOrders, int32_t variableOrders,
              int32_t quantityShare) {
  const int32_t count = std::clamp(fixedOrders, 0, sawline::kMaxFixedOrders);
  int32_t lengths[sawline::kMaxFixedOrders];
  for (int32_t i = 0; i < count; ++i)
    lengths[i] = random.Between(300, 3000);
  std::sort(lengths, lengths + count, std::greater<>());
  ws.orders.FixedCount[kHeavyGrade] = count;
  for (int32_t i = 0; i < count; ++i) {
    ws.orders.FixedLength[kHeavyGrade][i] = lengths[i];
    ws.orders.FixedWeight[kHeavyGrade][i] = static_cast<float>(random.Between(800, 1200)) / 1000;
    ws.orders.FixedStartWeight[kHeavyGrade][i] =
        static_cast<float>(random.Between(800, 1500)) / 1000;
    ws.orders.FixedCode[kHeavyGrade][i] = 1000 + i;
    ws.orders.FixedQuantity[kHeavyGrade][i] =
        random.Between(1, 100) <= quantityShare ? random.Between(1, 4) : 0;
  }
  ws.orders.VariableCount[kHeavyGrade] = variableOrders;
  for (int32_t j = 0; j < variableOrders; ++j) {
    const int32_t minLength = random.Between(150, 900);
    ws.orders.VariableMinLength[kHeavyGrade][j] = minLength;
    ws.orders.VariableMaxLength[kHeavyGrade][j] = minLength + random.Between(200, 1800);
    ws.orders.VariableWeight[kHeavyGrade][j] = static_cast<float>(random.Between(500, 1000)) / 1000;
    ws.orders.VariableCode[kHeavyGrade][j] = 2000 + j;
  }
}

void LoadHeavyBook(int32_t fixedOrders, int32_t memoOff) {
  sawline::ResetWorkspace();
  ws.settings.OptimizeMode = sawline::OptimizeMode::kLength;
  ws.settings.KerfWidth = 4.0f;
  ws.settings.OptimizeTimeLimit = 0.35f;
  ws.search.FillMemoOff = memoOff;
  BookRandom random{20240611u};
  LoadBook(random, fixedOrders, sawline::kMaxVariableOrders, 0);
}

void LoadRandomBook(uint32_t seed, int32_t fixedOrders) {
  sawline::ResetWorkspace();
  BookRandom random{seed * 2654435761u + 7u};
  ws.settings.OptimizeMode = static_cast<sawline::OptimizeMode>(random.Between(0, 3));
  // Quarter kerfs as often as whole ones: the rows' lengths are then not whole.
  ws.settings.KerfWidth = static_cast<float>(random.Between(0, 24)) / 4;
  ws.settings.OptimizeTimeLimit = 0.35f;
  ws.search.FillMemoOff = random.Between(0, 3) == 0 ? 1 : 0;
  LoadBook(random, fixedOrders, random.Between(0, sawline::kMaxVariableOrders),
           random.Between(0, 100));
}

void ChangeBook(float kerf, int32_t variableOrder, int32_t maxLength) {
  ws.settings.KerfWidth = kerf;
  if (maxLength > 0) ws.orders.VariableMaxLength[kHeavyGrade][variableOrder] = maxLength;
}

void SetFixedWeights(const float* weights, int32_t count) {
  if (count <= 0) return;
  for (int32_t i = 0; i < ws.orders.FixedCount[kHeavyGrade]; ++i) {
    ws.orders.FixedWeight[kHeavyGrade][i] = weights[i % count];
    ws.orders.FixedStartWeight[kHeavyGrade][i] = weights[(i + 1) % count];
  }
}

void SetFillMemoOff(int32_t memoOff) {
  ws.search.FillMemoOff = memoOff;
}

void SetFixedQuantities(int32_t quantity) {
  for (int32_t i = 0; i < ws.orders.FixedCount[kHeavyGrade]; ++i)
    ws.orders.FixedQuantity[kHeavyGrade][i] = quantity;
}

void CountSearch(const sawline::SearchObservation& search, void* context) {
  auto& count = *static_cast<SearchCount*>(context);
  ++count.searches;
  count.completed += search.generations >= sawline::kMaxGenerations ? 1 : 0;
}

void CountSearches(SearchCount* count) {
  sawline::ObserveSearches(count != nullptr ? CountSearch : nullptr, count);
}

void Search(float length, int32_t fixedOnly, uint32_t seed, SearchOutcome& outcome) {
  const int32_t count = ws.orders.FixedCount[kHeavyGrade];
  std::fill(&ws.orders.FixedDone[kHeavyGrade][0], &ws.orders.FixedDone[kHeavyGrade][0] + count, 0);
  ws.search.SearchFirstEntry = 0;
  ws.filler.FillRowCount = 0;
  FixCall(seed, 0.0);
  sawline::SearchCombination(kHeavyGrade, length, fixedOnly);
  sawline::platform::ReleaseFixes();
  std::memcpy(outcome.pieceCount, ws.search.SearchPieceCount, sizeof outcome.pieceCount);
  outcome.fillRowCount = ws.filler.FillRowCount;
  for (int32_t r = 0; r < kOutcomeFills; ++r) {
    const sawline::FillRow row =
        r < outcome.fillRowCount ? ws.filler.FillRows[r] : sawline::FillRow{};
    outcome.fill[r][0] = row.count;
    outcome.fill[r][1] = row.length;
    outcome.fill[r][2] = row.tag;
  }
  outcome.remainder = ws.search.RemainderLength;
  outcome.bestFitness = ws.search.BestFitness;
  outcome.generations = ws.search.Generation;
  uint64_t digest = 14695981039346656037u;
  const auto add = [&digest](const void* bytes, size_t size) {
    for (size_t i = 0; i < size; ++i) {
      digest ^= static_cast<const unsigned char*>(bytes)[i];
      digest *= 1099511628211u;
    }
  };
  const int32_t genes = std::clamp(ws.search.GeneCount, 0, sawline::kMaxGenes);
  for (int32_t i = 0; i < sawline::kPopulationSize; ++i) {
    add(ws.search.Population[i], sizeof(int32_t) * static_cast<size_t>(genes));
    add(&ws.search.Fitness[i], sizeof(double));
  }
  outcome.population = digest;
}

}  // namespace

#if defined(SAWLINE_REFERENCE_BUILD)
const Build& ReferenceBuild() {
  static const Build build{"reference",        SetLogPath,    Compute,         LoadHeavyBook,
                           LoadRandomBook,     ChangeBook,    SetFixedWeights, SetFillMemoOff,
                           SetFixedQuantities, CountSearches, Search};
  return build;
}
#else
const Build& CurrentBuild() {
  static const Build build{"current",          SetLogPath,    Compute,         LoadHeavyBook,
                           LoadRandomBook,     ChangeBook,    SetFixedWeights, SetFillMemoOff,
                           SetFixedQuantities, CountSearches, Search};
  return build;
}
#endif

}  // namespace search_harness
