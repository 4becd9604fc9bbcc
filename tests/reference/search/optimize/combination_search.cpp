// The combination search: how many pieces of each fixed-length order of one grade a
// segment yields, found by a genetic search bounded by time and by 500 generations,
// with greedy combinations as a last word; long-stock mode takes the greedy
// combination of the longest pieces directly.
//
// Every individual is a vector of piece counts (gene j for fixed-length entry
// SearchFirstEntry + j) that fits into SearchLength with every gene within its limit.
// The initial population, the operators and the greedy combinations keep to this.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "optimize/search_steps.h"
#include "optimize/search_testing.h"
#include "optimize/segment_searches.h"
#include "platform/platform.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int32_t kUnlimitedOpenCount = 1000;  // open pieces of an order without quantity

// Saturating sum for the done counts, which come from the host.
int32_t AddCount(int32_t a, int32_t b) {
  const int64_t sum = static_cast<int64_t>(a) + b;
  return static_cast<int32_t>(std::clamp<int64_t>(sum, INT32_MIN, INT32_MAX));
}

// Fills `genes` forward (ascending) or backward from gene `start`: each gene takes a
// scaled draw of the pieces of its entry that still fit, capped by its limit.
void FillIndividual(int32_t* genes, const GeneTable& table, int32_t block, int32_t individual,
                    int32_t start, bool forward) {
  const int32_t base = block + individual + 2;
  const double length = static_cast<double>(ws.search.SearchLength);
  genes[start] = ScaledDraw(ws.search.GeneLimit[start], ws.search.RandomTable[base]);
  double used = genes[start] * table.lengthWithKerf[start];
  const int32_t step = forward ? 1 : -1;
  for (int32_t j = start + step; j >= 0 && j < table.count; j += step) {
    const double fit = PiecesThatFit(length - used, table.lengthWithKerf[j]);
    const int32_t drawn =
        TruncToInt(std::floor(fit * ws.search.RandomTable[base + j] / 32768.0 + 0.5));
    genes[j] = std::min(drawn, ws.search.GeneLimit[j]);
    used += genes[j] * table.lengthWithKerf[j];
  }
  if (!table.whole) {
    bool changed = false;
    GiveUpUntilFits(genes, table, forward ? table.count - 1 : 0, forward ? -1 : 1, changed);
  }
}

template <typename Gene>
void TakeAsBest(PopulationRows<Gene> rows, int32_t individual, int32_t fixedOnly,
                int32_t geneCount) {
  CopyGenes(ws.search.BestGenes, rows[individual], geneCount);
  if (fixedOnly != 1) {
    ws.search.BestFillCount = ws.search.IndividualFillCount[individual];
    std::memcpy(ws.search.BestFillRows, ws.search.IndividualFillRows[individual],
                sizeof ws.search.BestFillRows);
  }
}

// Among equal fitness values the individual with more pieces of the longer entries
// (the lexicographically greater gene vector) wins; identical vectors keep the first.
template <typename Gene>
void BreakTies(PopulationRows<Gene> rows, int32_t from, int32_t to, int32_t fixedOnly,
               int32_t geneCount) {
  for (int32_t i = from; i < to; ++i) {
    if (!(ws.search.Fitness[i] == ws.search.BestFitness)) continue;
    const Gene* genes = rows[i];
    int32_t j = 0;
    while (j < geneCount && genes[j] == ws.search.BestGenes[j])
      ++j;
    if (j < geneCount && genes[j] > ws.search.BestGenes[j])
      TakeAsBest(rows, i, fixedOnly, geneCount);
  }
}

// Update of the best over individuals 0..n-1 of `rows`: a strictly better fitness first,
// then the tie pass.
template <typename Gene>
void KeepBestOf(PopulationRows<Gene> rows, int32_t fixedOnly, int32_t n) {
  const int32_t genes = UsableGeneCount();
  const int32_t count = std::clamp(n, 0, kPopulationSize);
  for (int32_t i = 0; i < count; ++i) {
    if (ws.search.Fitness[i] > ws.search.BestFitness) {
      TakeAsBest(rows, i, fixedOnly, genes);
      ws.search.BestFitness = ws.search.Fitness[i];
    }
  }
  BreakTies(rows, 0, count, fixedOnly, genes);
}

// Mode 3: no search, the greedy combination of the longest fitting pieces first.
void TakeLongStockCombination(int32_t fixedOnly) {
  BuildGreedyCandidates(std::min(ws.search.GeneCount, 1));
  EvaluatePopulation(fixedOnly, 1);
  ObserveSearch(fixedOnly, 0, ws.search.Population[0], ws.search.Fitness[0]);
  WriteBack(fixedOnly, ws.search.Population[0], ws.search.IndividualFillCount[0],
            ws.search.IndividualFillRows[0]);
}

// What the evaluation of rests reads: the searched grade's variable-length list, and
// SearchLength. Unless fixedOnly is 1 the rest rows of every individual are cleared.
struct RestContext {
  OrderView orders;
  double length;
};

void LoadRestContext(int32_t fixedOnly, RestContext& rest) {
  if (fixedOnly == 1) return;
  std::memset(ws.search.IndividualFillCount, 0, sizeof ws.search.IndividualFillCount);
  LoadOrders(ws.search.SearchGrade, rest.orders);
  rest.length = static_cast<double>(ws.search.SearchLength);
}

// Fitness (and, unless fixedOnly is 1, the rest rows) of Population row i. The rest is
// the segment less the pieces with their kerfs: one piece of the first order whose range
// covers it exactly, or else the segment filler's best fill when some order's longest
// piece fits into it.
template <typename Gene>
void EvaluateIndividual(const Gene* row, int32_t scan, int32_t i, int32_t fixedOnly,
                        const GeneTable& table, const RestContext& rest) {
  double used = 0.0;
  double fitness = 0.0;
  bool withinLimits = true;
  // Genes of 0 add nothing to either sum, so only the others are visited.
  ForEachNonzeroGene(row, std::max(scan, table.count), [&](int32_t j) {
    used += row[j] * table.lengthWithKerf[j];
    fitness += static_cast<double>(int64_t{row[j]} * table.length[j]) * table.weight[j];
    withinLimits &= row[j] > 0 && row[j] <= ws.search.GeneLimit[j];
  });
  ws.search.IndividualLength[i] = withinLimits ? used : -1.0;
  ws.search.Fitness[i] = fitness;
  if (fixedOnly == 1) return;

  const double r = rest.length - used;
  const OrderView& orders = rest.orders;
  if (kShortestUsefulRest + orders.kerf <= r) {
    const uint32_t covering = OrdersTakingExactly(orders, r);
    if (covering != 0) {
      const int32_t k = std::countr_zero(covering);
      ws.search.Fitness[i] += (r - orders.kerf) * orders.weight[k];
      ws.search.IndividualFillRows[i][0] =
          FillRow{1.0f, static_cast<float>(r - orders.kerf), orders.tag[k]};
      ws.search.IndividualFillCount[i] = 1;
      return;
    }
  }
  if (orders.shortestMaxPlusKerf <= r) {
    const FillRow* rows = nullptr;
    int32_t rowCount = 0;
    const float value =
        MemoizedFillSegment(ws.search.SearchGrade, static_cast<float>(r), rows, rowCount);
    if (value > 0.0f && rowCount > 0) {
      ws.search.Fitness[i] += static_cast<double>(value);
      std::memcpy(ws.search.IndividualFillRows[i], rows,
                  sizeof(FillRow) * static_cast<size_t>(rowCount));
      ws.search.IndividualFillCount[i] = rowCount;
    }
  }
}

// True when every gene of the search fits the compact 16-bit rows: no limit above their
// range, and the initial population within its limits.
bool CompactGenesFit() {
  const int32_t genes = UsableGeneCount();
  for (int32_t j = 0; j < genes; ++j) {
    if (ws.search.GeneLimit[j] > INT16_MAX) return false;
  }
  for (const auto& individual : ws.search.Population) {
    for (int32_t j = 0; j < genes; ++j) {
      if (individual[j] < 0 || individual[j] > ws.search.GeneLimit[j]) return false;
    }
  }
  return true;
}

// The generation loop. At least one generation runs; the budget is compared once per
// generation. The generations alternate between two tables instead of copying each one
// back: Population and NextPopulation themselves, or the two compact 16-bit copies,
// which keep the hot rows close together. At the end Population and NextPopulation both
// hold the last generation, as after RunGeneration.
template <typename Gene>
void RunGenerations(int32_t fixedOnly, int64_t start) {
  const int32_t genes = UsableGeneCount();
  PopulationRows<Gene> current;
  PopulationRows<Gene> next;
  if constexpr (sizeof(Gene) == sizeof(int32_t)) {
    current = TableRows(ws.search.Population);
    next = TableRows(ws.search.NextPopulation);
  } else {
    // Rows padded to whole vectors of 8 genes; the padding is never written.
    const int32_t stride = (genes + 7) & ~7;
    static_assert(kMaxGenes % 8 == 0);
    current = {ws.search.CompactPopulation[0], stride, stride};
    next = {ws.search.CompactPopulation[1], stride, stride};
    const size_t bytes = sizeof(int16_t) * static_cast<size_t>(kPopulationSize * stride);
    std::memset(ws.search.CompactPopulation[0], 0, bytes);
    std::memset(ws.search.CompactPopulation[1], 0, bytes);
    for (int32_t i = 0; i < kPopulationSize; ++i)
      CopyGenes(current[i], ws.search.Population[i], genes);
  }
  GeneTable table;
  LoadGeneTable(table);
  ws.search.Generation = 0;
  for (;;) {
    AdvanceGeneration(fixedOnly, current, next, &table);
    std::swap(current, next);
    const double elapsed = static_cast<double>(platform::ClockMilliseconds() - start) / 1000.0;
    if (!(static_cast<double>(ws.settings.OptimizeTimeLimit) > elapsed)) break;
    if (++ws.search.Generation >= kMaxGenerations) break;
  }
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    CopyGenes(ws.search.Population[i], current[i], genes);
    CopyGenes(ws.search.NextPopulation[i], current[i], genes);
  }
}

// The whole search: the long-stock combination in mode 3, else the genetic search
// bounded by the segment's time share and 500 generations, then the greedy combinations.
void RunGeneticSearch(int32_t grade, float length, int32_t fixedOnly) {
  const int64_t start = platform::ClockMilliseconds();
  BeginSearch(grade, length);
  if (ws.settings.OptimizeMode == OptimizeMode::kLongStock) {
    TakeLongStockCombination(fixedOnly);
    return;
  }
  FillRandomTable();
  ClearPopulation();
  BeginFillMemo();
  BuildInitialPopulation();
  EvaluatePopulation(fixedOnly, kPopulationSize);
  KeepFirstBest(fixedOnly);
  if (CompactGenesFit()) {
    RunGenerations<int16_t>(fixedOnly, start);
  } else {
    RunGenerations<int32_t>(fixedOnly, start);
  }
  BuildGreedyCandidates(ws.search.GeneCount);
  EvaluatePopulation(fixedOnly, ws.search.GeneCount);
  KeepBest(fixedOnly, ws.search.GeneCount);
  EndFillMemo();
  ObserveSearch(fixedOnly, std::min(ws.search.Generation + 1, kMaxGenerations), ws.search.BestGenes,
                ws.search.BestFitness);
  WriteBack(fixedOnly, ws.search.BestGenes, ws.search.BestFillCount, ws.search.BestFillRows);
}

}  // namespace

void LoadGeneTable(GeneTable& genes) {
  const int32_t grade = ws.search.SearchGrade;
  const int32_t first = ws.search.SearchFirstEntry;
  genes.count = UsableGeneCount();
  const double kerf = static_cast<double>(ws.settings.KerfWidth);
  double fullRow = 0.0;
  genes.whole = true;
  for (int32_t j = 0; j < genes.count; ++j) {
    genes.length[j] = ws.orders.FixedLength[grade][first + j];
    genes.lengthWithKerf[j] = genes.length[j] + kerf;
    genes.weight[j] = static_cast<double>(ws.search.SearchWeight[first + j]);
    const double piece = genes.lengthWithKerf[j];
    genes.wholeLengthWithKerf[j] = 0;
    if (!(piece >= 0.0 && piece < static_cast<double>(kExactFloatIntegers)) ||
        piece != std::floor(piece)) {
      genes.whole = false;
      continue;
    }
    genes.wholeLengthWithKerf[j] = static_cast<int64_t>(piece);
    fullRow += std::max(0, ws.search.GeneLimit[j]) * piece;
  }
  if (!(fullRow < static_cast<double>(kExactFloatIntegers))) genes.whole = false;
}

void SearchCombination(int32_t grade, float length, int32_t fixedOnly) {
  PrepareSearchWeights();
  const int32_t entries = ListCount(grade, ws.orders.FixedCount, kMaxFixedOrders);
  for (int32_t i = 0; i < entries; ++i) {
    ws.search.SearchWeight[i] = ws.search.FixedSearchWeight[grade][i];
    const int32_t quantity = ws.orders.FixedQuantity[grade][i];
    const int32_t done = ws.orders.FixedDone[grade][i];
    if (quantity != 0 && quantity > done) {
      ws.search.SearchOpenCount[i] =
          static_cast<int32_t>(std::min<int64_t>(int64_t{quantity} - done, INT32_MAX));
    } else {
      ws.search.SearchOpenCount[i] = quantity == 0 ? kUnlimitedOpenCount : 0;
    }
  }
  RunGeneticSearch(grade, length, fixedOnly);
  for (int32_t i = 0; i < entries; ++i) {
    if (ws.search.SearchPieceCount[i] > 0) {
      ws.orders.FixedDone[grade][i] =
          AddCount(ws.orders.FixedDone[grade][i], ws.search.SearchPieceCount[i]);
    }
  }
}

// Other modes leave the table as it is.
void PrepareSearchWeights() {
  const OptimizeMode mode = ws.settings.OptimizeMode;
  if (mode > OptimizeMode::kQuantity) return;
  const OrderLists& orders = ws.orders;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    const int32_t entries = ListCount(g, orders.FixedCount, kMaxFixedOrders);
    for (int32_t i = 0; i < entries; ++i) {
      const float weight = orders.FixedWeight[g][i];
      float& searchWeight = ws.search.FixedSearchWeight[g][i];
      if (mode < OptimizeMode::kQuantity) {
        searchWeight = weight;
      } else if (orders.FixedQuantity[g][i] > 0) {
        const double share = static_cast<double>(orders.FixedDone[g][i]) /
                             static_cast<double>(orders.FixedQuantity[g][i]);
        searchWeight = static_cast<float>(
            (static_cast<double>(orders.FixedStartWeight[g][i]) - static_cast<double>(weight)) *
                (1.0 - share) +
            static_cast<double>(weight));
      } else {
        searchWeight = orders.FixedStartWeight[g][i];
      }
    }
  }
}

void FillRandomTable() {
  platform::SeedRandom(platform::RandomSeed());
  for (int32_t& draw : ws.search.RandomTable)
    draw = platform::NextRandom();
}

void BeginSearch(int32_t grade, float length) {
  ws.search.SearchGrade = grade;
  ws.search.SearchLength = length;
  std::memset(ws.search.GeneLimit, 0, sizeof ws.search.GeneLimit);
  const int32_t entries = ListCount(grade, ws.orders.FixedCount, kMaxFixedOrders);
  const double kerf = static_cast<double>(ws.settings.KerfWidth);
  int32_t first = 0;
  while (first < entries &&
         !(ws.orders.FixedLength[grade][first] + kerf <= static_cast<double>(length)))
    ++first;
  // When nothing fits, every gene is limited to 0; the genes start at the list's first
  // entry, so none reaches past the list.
  if (first == entries) first = 0;
  ws.search.SearchFirstEntry = first;
  ws.search.GeneCount = entries - first;
  for (int32_t j = 0; j < ws.search.GeneCount; ++j) {
    const int32_t fit =
        PiecesThatFit(static_cast<double>(length), ws.orders.FixedLength[grade][first + j] + kerf);
    const int32_t open = std::max(0, ws.search.SearchOpenCount[first + j]);
    ws.search.GeneLimit[j] = std::min(fit, open);
  }
}

void ClearPopulation() {
  const size_t bytes = sizeof(int32_t) * static_cast<size_t>(std::max(0, ws.search.GeneCount));
  for (auto& individual : ws.search.Population)
    std::memset(individual, 0, bytes);
  std::memset(ws.search.BestGenes, 0, bytes);
}

// Few genes: everyone fills forward from the longest entry. More: blocks start at
// evenly spaced genes, half of them walking towards the longer entries and half towards
// the shorter, so the population begins with long, middle and short pieces alike.
void BuildInitialPopulation() {
  GeneTable table;
  LoadGeneTable(table);
  const int32_t n = table.count;
  if (n == 0) return;
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    int32_t block = 0;
    int32_t start = 0;
    bool forward = true;
    if (n >= 13 && n <= 39) {
      const int32_t q = TruncToInt(std::floor(n / 4.0));
      block = i / 50;
      forward = block < 2;
      start = forward ? block * q : n - (block - 2) * q - 1;
    } else if (n >= 40) {
      const int32_t q = TruncToInt(std::floor(n / 10.0));
      block = i / 20;
      forward = block < 5;
      start = forward ? block * q : n - (block - 5) * q - 1;
    }
    FillIndividual(ws.search.Population[i], table, block, i, start, forward);
  }
}

void EvaluatePopulation(int32_t fixedOnly, int32_t n) {
  GeneTable table;
  LoadGeneTable(table);
  RestContext rest{};
  LoadRestContext(fixedOnly, rest);
  const int32_t count = std::clamp(n, 0, kPopulationSize);
  for (int32_t i = 0; i < count; ++i)
    EvaluateIndividual(ws.search.Population[i], table.count, i, fixedOnly, table, rest);
}

void KeepFirstBest(int32_t fixedOnly) {
  const int32_t genes = UsableGeneCount();
  int32_t first = 0;
  for (int32_t i = 1; i < kPopulationSize; ++i) {
    if (ws.search.Fitness[i] > ws.search.Fitness[first]) first = i;
  }
  TakeAsBest(TableRows(ws.search.Population), first, fixedOnly, genes);
  ws.search.BestFitness = ws.search.Fitness[first];
  BreakTies(TableRows(ws.search.Population), first + 1, kPopulationSize, fixedOnly, genes);
}

void KeepBest(int32_t fixedOnly, int32_t n) {
  KeepBestOf(TableRows(ws.search.Population), fixedOnly, n);
}

void RunGeneration(int32_t fixedOnly) {
  AdvanceGeneration(fixedOnly, TableRows(ws.search.Population), TableRows(ws.search.NextPopulation),
                    nullptr);
  const int32_t genes = UsableGeneCount();
  for (int32_t i = 0; i < kPopulationSize; ++i)
    CopyGenes(ws.search.Population[i], ws.search.NextPopulation[i], genes);
}

// Rows that are still exact copies of a row of `from` keep that row's fitness and rest
// rows instead of being evaluated again: both depend on the genes alone.
template <typename Gene>
void AdvanceGeneration(int32_t fixedOnly, PopulationRows<Gene> from, PopulationRows<Gene> to,
                       const GeneTable* genes) {
  GenerationState<Gene> state;
  if (genes != nullptr) {
    state.genes = *genes;
  } else {
    LoadGeneTable(state.genes);
  }
  state.from = from;
  state.to = to;
  // Selection writes every row of `to` (a copy or zeros), which also clears it.
  SelectInto(state, true);
  CrossOver(state);
  Mutate(state);

  KeptRow* kept = ws.search.Kept;
  bool isKept[kPopulationSize] = {};
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    const int32_t k = state.origin[i];
    if (k < 0 || isKept[k]) continue;
    isKept[k] = true;
    kept[k].fitness = ws.search.Fitness[k];
    kept[k].length = ws.search.IndividualLength[k];
    kept[k].fillCount = std::clamp(ws.search.IndividualFillCount[k], 0, kMaxFillRows);
    std::copy(ws.search.IndividualFillRows[k], ws.search.IndividualFillRows[k] + kept[k].fillCount,
              kept[k].fills);
  }

  RestContext rest{};
  LoadRestContext(fixedOnly, rest);
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    const int32_t k = state.origin[i];
    if (k < 0) {
      EvaluateIndividual(to[i], to.ScanCount(state.genes.count), i, fixedOnly, state.genes, rest);
      continue;
    }
    ws.search.Fitness[i] = kept[k].fitness;
    ws.search.IndividualLength[i] = kept[k].length;
    if (fixedOnly != 1) {
      ws.search.IndividualFillCount[i] = kept[k].fillCount;
      std::copy(kept[k].fills, kept[k].fills + kept[k].fillCount, ws.search.IndividualFillRows[i]);
    }
  }
  KeepBestOf(to, fixedOnly, kPopulationSize);
}

template void AdvanceGeneration(int32_t, PopulationRows<int32_t>, PopulationRows<int32_t>,
                                const GeneTable*);
template void AdvanceGeneration(int32_t, PopulationRows<int16_t>, PopulationRows<int16_t>,
                                const GeneTable*);

// Each greedy combination takes as many pieces of its starting entry as fit (within
// the limit), then as many of each shorter entry in turn as fit into what is left.
void BuildGreedyCandidates(int32_t count) {
  GeneTable table;
  LoadGeneTable(table);
  const int32_t individuals = std::clamp(count, 0, std::min(table.count, kPopulationSize));
  for (int32_t o = 0; o < individuals; ++o) {
    int32_t* genes = ws.search.Population[o];
    std::memset(genes, 0, sizeof(int32_t) * static_cast<size_t>(o));
    double rest = static_cast<double>(ws.search.SearchLength);
    for (int32_t j = o; j < table.count; ++j) {
      genes[j] = std::min(PiecesThatFit(rest, table.lengthWithKerf[j]), ws.search.GeneLimit[j]);
      rest -= genes[j] * table.lengthWithKerf[j];
    }
    if (!table.whole) {
      bool changed = false;
      GiveUpUntilFits(genes, table, table.count - 1, -1, changed);
    }
  }
}

// The remainder is the segment less every piece with its kerf, rounded to single
// precision after each step.
void WriteBack(int32_t fixedOnly, const int32_t* genes, int32_t fillCount, const FillRow* fills) {
  GeneTable table;
  LoadGeneTable(table);
  std::memset(ws.search.SearchPieceCount, 0, sizeof ws.search.SearchPieceCount);
  const int32_t first = ws.search.SearchFirstEntry;
  for (int32_t j = 0; j < table.count; ++j)
    ws.search.SearchPieceCount[first + j] = genes[j];

  ws.filler.FillRowCount = 0;
  if (fixedOnly != 1) {
    ws.filler.FillRowCount = std::clamp(fillCount, 0, kMaxFillRows);
    std::memcpy(ws.filler.FillRows, fills,
                sizeof(FillRow) * static_cast<size_t>(ws.filler.FillRowCount));
  }

  float remainder = ws.search.SearchLength;
  for (int32_t j = 0; j < table.count; ++j) {
    if (genes[j] != 0) {
      remainder =
          static_cast<float>(static_cast<double>(remainder) - genes[j] * table.lengthWithKerf[j]);
    }
  }
  const double kerf = static_cast<double>(ws.settings.KerfWidth);
  for (int32_t r = 0; r < ws.filler.FillRowCount; ++r) {
    const FillRow& row = ws.filler.FillRows[r];
    remainder = static_cast<float>(static_cast<double>(remainder) -
                                   static_cast<double>(row.count) *
                                       (kerf + static_cast<double>(row.length)));
  }
  ws.search.RemainderLength = remainder;
}

void BeginFillMemo() {
  ws.filler.CoverTableState = kCoverTablePending;
  ws.search.FillMemoActive = 0;
  if (ws.search.FillMemoOff == 1) return;
  if (++ws.search.FillMemoEpoch == 0) {
    // After 2^32 searches the epochs wrap: forget every entry for real once.
    for (FillMemoEntry& entry : ws.search.FillMemo)
      entry.tag = 0;
    for (RemainderMemoEntry& entry : ws.filler.RemainderMemo)
      entry.tag = 0;
    ws.search.FillMemoEpoch = 1;
  }
  ws.search.FillMemoActive = 1;
}

void EndFillMemo() {
  ws.filler.CoverTableState = kCoverTableOff;
  ws.search.FillMemoActive = 0;
}

}  // namespace sawline
