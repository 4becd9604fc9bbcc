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

// What the evaluation of rests reads: the searched grade's variable-length list, and
// SearchLength. Unless fixedOnly is 1 the rest rows of every individual of `results` are
// cleared.
struct RestContext {
  OrderView orders;
  double length;
};

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

double RestValue(double used, const RestContext& rest, FillRow* rows, int32_t& rowCount);

// Individual `individual` becomes the best. Results without rest rows (fillRows null, the
// search's lean loop) have them worked out again from the individual's length: they
// depend on it alone.
template <typename Gene>
void TakeAsBest(PopulationRows<Gene> rows, const ResultRows& results, int32_t individual,
                int32_t fixedOnly, int32_t geneCount, const RestContext* rest = nullptr) {
  CopyGenes(ws.search.BestGenes, rows[individual], geneCount);
  if (fixedOnly == 1) return;
  if (results.fillRows != nullptr) {
    ws.search.BestFillCount = results.fillCount[individual];
    std::memcpy(ws.search.BestFillRows, results.fillRows[individual],
                sizeof ws.search.BestFillRows);
    return;
  }
  std::memset(ws.search.BestFillRows, 0, sizeof ws.search.BestFillRows);
  ws.search.BestFillCount = 0;
  RestValue(results.length[individual], *rest, ws.search.BestFillRows, ws.search.BestFillCount);
}

// Among equal fitness values the individual with more pieces of the longer entries
// (the lexicographically greater gene vector) wins; identical vectors keep the first.
template <typename Gene>
void BreakTies(PopulationRows<Gene> rows, const ResultRows& results, int32_t from, int32_t to,
               int32_t fixedOnly, int32_t geneCount, const RestContext* rest = nullptr) {
  // The ties are listed first, without a branch: in a population of many equal rows they
  // are many, in an early one few.
  int32_t ties[kPopulationSize];
  int32_t tieCount = 0;
  const double best = ws.search.BestFitness;
  for (int32_t i = std::max(from, 0); i < std::min(to, kPopulationSize); ++i) {
    ties[tieCount] = i;
    tieCount += static_cast<int32_t>(results.fitness[i] == best);
  }
  for (int32_t t = 0; t < tieCount; ++t) {
    const int32_t i = ties[t];
    const Gene* genes = rows[i];
    int32_t j = 0;
    while (j < geneCount && genes[j] == ws.search.BestGenes[j])
      ++j;
    if (j < geneCount && genes[j] > ws.search.BestGenes[j])
      TakeAsBest(rows, results, i, fixedOnly, geneCount, rest);
  }
}

// Update of the best over individuals 0..n-1 of `rows`: a strictly better fitness first,
// then the tie pass.
template <typename Gene>
void KeepBestOf(PopulationRows<Gene> rows, const ResultRows& results, int32_t fixedOnly, int32_t n,
                const RestContext* rest = nullptr) {
  const int32_t genes = UsableGeneCount();
  const int32_t count = std::clamp(n, 0, kPopulationSize);
  // Of the individuals better than the best, each better than those before it becomes
  // the best in turn: the last of them is the first with the greatest fitness.
  int32_t better = -1;
  double best = ws.search.BestFitness;
  for (int32_t i = 0; i < count; ++i) {
    const double fitness = results.fitness[i];
    const bool above = fitness > best;
    best = above ? fitness : best;
    better = above ? i : better;
  }
  if (better >= 0) {
    TakeAsBest(rows, results, better, fixedOnly, genes, rest);
    ws.search.BestFitness = best;
  }
  BreakTies(rows, results, 0, count, fixedOnly, genes, rest);
}

// Mode 3: no search, the greedy combination of the longest fitting pieces first.
void TakeLongStockCombination(int32_t fixedOnly) {
  BuildGreedyCandidates(std::min(ws.search.GeneCount, 1));
  EvaluatePopulation(fixedOnly, 1);
  ObserveSearch(fixedOnly, 0, ws.search.Population[0], ws.search.Fitness[0]);
  WriteBack(fixedOnly, ws.search.Population[0], ws.search.IndividualFillCount[0],
            ws.search.IndividualFillRows[0]);
}

void LoadRestContext(int32_t fixedOnly, RestContext& rest, const ResultRows& results) {
  if (fixedOnly == 1) return;
  std::memset(results.fillCount, 0, sizeof(int32_t) * kPopulationSize);
  LoadOrders(ws.search.SearchGrade, rest.orders);
  rest.length = static_cast<double>(ws.search.SearchLength);
}

// Fitness (and, unless fixedOnly is 1, the rest rows) of `row`, into individual i of
// `results`. The rest is
// the segment less the pieces with their kerfs: one piece of the first order whose range
// covers it exactly, or else the segment filler's best fill when some order's longest
// piece fits into it.
void EvaluateRest(int32_t i, double used, int32_t fixedOnly, const RestContext& rest,
                  const ResultRows& results);

template <typename Gene>
void EvaluateIndividual(const Gene* row, int32_t scan, int32_t i, int32_t fixedOnly,
                        const GeneTable& table, const RestContext& rest,
                        const ResultRows& results) {
  double used = 0.0;
  double fitness = 0.0;
  bool withinLimits = true;
  // Genes of 0 add nothing to either sum, so only the others are visited.
  ForEachNonzeroGene(row, std::max(scan, table.count), [&](int32_t j) {
    used += row[j] * table.lengthWithKerf[j];
    fitness += static_cast<double>(int64_t{row[j]} * table.length[j]) * table.weight[j];
    withinLimits &= row[j] > 0 && row[j] <= ws.search.GeneLimit[j];
  });
  results.length[i] = withinLimits ? used : -1.0;
  results.fitness[i] = fitness;
  results.units[i] = RowFitnessUnits(row, table);
  EvaluateRest(i, used, fixedOnly, rest, results);
}

// The same for a row whose whole length and fitness units are known (see
// GeneTable::wholeFitness): the sums of the row's genes are those numbers exactly.
void EvaluateKnownRow(int32_t i, int64_t length, int64_t units, int32_t fixedOnly,
                      const GeneTable& table, const RestContext& rest, const ResultRows& results) {
  const double used = static_cast<double>(length);
  results.length[i] = used;
  results.fitness[i] = static_cast<double>(units) * table.fitnessUnit;
  results.units[i] = units;
  EvaluateRest(i, used, fixedOnly, rest, results);
}

// The rest of individual i, whose pieces use `used`, added to its fitness.
void EvaluateRest(int32_t i, double used, int32_t fixedOnly, const RestContext& rest,
                  const ResultRows& results) {
  if (fixedOnly == 1) return;
  results.fitness[i] += RestValue(used, rest, results.fillRows[i], results.fillCount[i]);
}

// What the rest after pieces using `used` adds to a fitness, its rows into `rows` (unless
// null) and their number into `rowCount` (left as it is without rows); -0.0, which adds
// nothing to any sum, when the rest takes no piece.
double RestValue(double used, const RestContext& rest, FillRow* rows, int32_t& rowCount) {
  constexpr double kNothing = -0.0;
  const double r = rest.length - used;
  const OrderView& orders = rest.orders;
  if (kShortestUsefulRest + orders.kerf <= r) {
    const uint32_t covering = OrdersTakingExactly(orders, r);
    if (covering != 0) {
      const int32_t k = std::countr_zero(covering);
      if (rows != nullptr)
        rows[0] = FillRow{1.0f, static_cast<float>(r - orders.kerf), orders.tag[k]};
      rowCount = 1;
      return (r - orders.kerf) * orders.weight[k];
    }
  }
  if (orders.shortestMaxPlusKerf <= r) {
    const FillRow* filled = nullptr;
    int32_t filledCount = 0;
    const float value =
        MemoizedFillSegment(ws.search.SearchGrade, static_cast<float>(r), filled, filledCount);
    if (value > 0.0f && filledCount > 0) {
      if (rows != nullptr)
        std::memcpy(rows, filled, sizeof(FillRow) * static_cast<size_t>(filledCount));
      rowCount = filledCount;
      return static_cast<double>(value);
    }
  }
  return kNothing;
}

// RestValue without rows, remembered for the search by whole length (RestValues) while the
// search's lean loop runs: a whole length below the table's end is looked up there first.
double RememberedRestValue(int64_t used, const RestContext& rest) {
  int32_t rowCount = 0;
  if (used < 0 || used >= ws.search.RestValuesEnd)
    return RestValue(static_cast<double>(used), rest, nullptr, rowCount);
  double& remembered = ws.search.RestValues[used];
  if (std::bit_cast<uint64_t>(remembered) == kRestValueUnknown)
    remembered = RestValue(static_cast<double>(used), rest, nullptr, rowCount);
  return remembered;
}

// The largest gene limit of the search, or -1 when some individual of the initial
// population lies outside its limits (its genes then keep their 32 bits).
int32_t LargestGeneLimit() {
  const int32_t genes = UsableGeneCount();
  int32_t largest = 0;
  for (int32_t j = 0; j < genes; ++j)
    largest = std::max(largest, ws.search.GeneLimit[j]);
  for (const auto& individual : ws.search.Population) {
    for (int32_t j = 0; j < genes; ++j) {
      if (individual[j] < 0 || individual[j] > ws.search.GeneLimit[j]) return -1;
    }
  }
  return largest;
}

// The two compact tables of one gene width.
template <typename Gene>
Gene* CompactTable(int32_t which) {
  if constexpr (sizeof(Gene) == 1) {
    return ws.search.BytePopulation[which];
  } else {
    static_assert(sizeof(Gene) == 2);
    return ws.search.CompactPopulation[which];
  }
}

// Lean results suit a search whose fitness is kept in whole units when every individual of
// the initial population has a known whole length and units.
bool LeanResultsHold(const GeneTable& table, const ResultRows& results) {
  if (!table.wholeFitness) return false;
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    if (!(results.length[i] >= 0.0) || results.units[i] == kUnitsUnknown) return false;
  }
  return true;
}

// RestValues starts empty for the lengths of this search's segment, unless the last
// search that used it had the same length under the same fill memo epoch (the same grade,
// variable-length list and kerf): then this one goes on with the values that one left.
// It is a fill memo too, so without the fill memos (FillMemoOff) nothing is remembered.
void BeginRestValues() {
  if (ws.search.FillMemoActive != 1) {
    ws.search.RestValuesEnd = 0;
    ws.search.RestValuesEpoch = 0;
    return;
  }
  const uint32_t lengthBits = std::bit_cast<uint32_t>(ws.search.SearchLength);
  if (ws.search.RestValuesEpoch == ws.search.FillMemoEpoch &&
      ws.search.RestValuesLengthBits == lengthBits)
    return;
  const double end = std::floor(static_cast<double>(ws.search.SearchLength)) + 1.0;
  ws.search.RestValuesEnd =
      end >= 0.0 ? static_cast<int32_t>(std::min(end, double{kRestValueEntries})) : 0;
  std::fill(ws.search.RestValues, ws.search.RestValues + ws.search.RestValuesEnd,
            std::bit_cast<double>(kRestValueUnknown));
  ws.search.RestValuesEpoch = ws.search.FillMemoEpoch;
  ws.search.RestValuesLengthBits = lengthBits;
}

// The rest rows of every individual after a lean loop, as their evaluation leaves them.
// `rest` is the search's own, loaded once for its loop.
void RestoreRestRows(int32_t fixedOnly, const ResultRows& results, const RestContext& rest) {
  if (fixedOnly == 1) return;
  std::memset(results.fillCount, 0, sizeof(int32_t) * kPopulationSize);
  for (int32_t i = 0; i < kPopulationSize; ++i)
    RestValue(results.length[i], rest, results.fillRows[i], results.fillCount[i]);
}

// Every individual's results from one table into the other.
void CopyResults(const ResultRows& from, const ResultRows& to) {
  std::memcpy(to.fitness, from.fitness, sizeof(double) * kPopulationSize);
  std::memcpy(to.length, from.length, sizeof(double) * kPopulationSize);
  std::memcpy(to.fillCount, from.fillCount, sizeof(int32_t) * kPopulationSize);
  std::memcpy(to.units, from.units, sizeof(int64_t) * kPopulationSize);
  std::memcpy(to.fillRows, from.fillRows, sizeof(FillRow) * kMaxFillRows * kPopulationSize);
}

// The generation loop. At least one generation runs; the budget is compared once per
// generation. The generations alternate between two tables instead of copying each one
// back: Population and NextPopulation themselves, or two compact 8- or 16-bit copies,
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
    // Rows padded to whole vectors; the padding is never written.
    constexpr int32_t kLanes = 16 / sizeof(Gene);
    const int32_t stride = (genes + kLanes - 1) & ~(kLanes - 1);
    static_assert(sizeof(Search::CompactPopulation[0]) >=
                  sizeof(int16_t) * kPopulationSize * ((kMaxGenes + 7) & ~7));
    static_assert(sizeof(Search::BytePopulation[0]) >=
                  sizeof(int8_t) * kPopulationSize * ((kMaxGenes + 15) & ~15));
    current = {CompactTable<Gene>(0), stride, stride};
    next = {CompactTable<Gene>(1), stride, stride};
    const size_t bytes = sizeof(Gene) * static_cast<size_t>(kPopulationSize * stride);
    std::memset(current.genes, 0, bytes);
    std::memset(next.genes, 0, bytes);
    for (int32_t i = 0; i < kPopulationSize; ++i)
      CopyGenes(current[i], ws.search.Population[i], genes);
  }
  GeneTable table;
  LoadGeneTable(table);
  PlanGenerationDraws(current.stride);
  ResultRows currentResults = CurrentResults();
  ResultRows nextResults = NextResults();
  const bool lean = LeanResultsHold(table, currentResults);
  RestContext rest;
  rest.length = static_cast<double>(ws.search.SearchLength);
  if (fixedOnly != 1) LoadOrders(ws.search.SearchGrade, rest.orders);
  if (lean) {
    BeginRestValues();
    currentResults.fillRows = nextResults.fillRows = nullptr;
  }
  ws.search.Generation = 0;
  for (;;) {
    AdvanceGeneration(fixedOnly, current, next, &table, currentResults, nextResults, &rest);
    std::swap(current, next);
    std::swap(currentResults, nextResults);
    const double elapsed = static_cast<double>(platform::ClockMilliseconds() - start) / 1000.0;
    if (!(static_cast<double>(ws.settings.OptimizeTimeLimit) > elapsed)) break;
    if (++ws.search.Generation >= kMaxGenerations) break;
  }
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    CopyGenes(ws.search.Population[i], current[i], genes);
    CopyGenes(ws.search.NextPopulation[i], current[i], genes);
  }
  const bool inCurrent = currentResults.fitness == ws.search.Fitness;
  currentResults = inCurrent ? CurrentResults() : NextResults();
  if (lean) RestoreRestRows(fixedOnly, currentResults, rest);
  if (!inCurrent) CopyResults(currentResults, CurrentResults());
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
  const int32_t largestLimit = LargestGeneLimit();
  if (largestLimit >= 0 && largestLimit <= INT8_MAX) {
    RunGenerations<int8_t>(fixedOnly, start);
  } else if (largestLimit >= 0 && largestLimit <= INT16_MAX) {
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

// A piece's fitness, its length times its weight, is an odd whole number times a power of
// two (or 0). The unit is the least of those powers over the genes; the sum of full rows
// is checked in double precision against 2^52, which leaves room for its own rounding.
// The weights are single-precision numbers: their bits give the odd number and the power.
void LoadFitnessUnits(GeneTable& genes) {
  genes.wholeFitness = false;
  genes.fitnessUnit = 1.0;
  std::fill(genes.fitnessUnits, genes.fitnessUnits + kMaxGenes, int64_t{0});
  if (!genes.whole) return;
  int64_t odd[kMaxGenes] = {};
  int32_t exponent[kMaxGenes] = {};
  int32_t unit = INT32_MAX;
  for (int32_t j = 0; j < genes.count; ++j) {
    const uint32_t bits = std::bit_cast<uint32_t>(static_cast<float>(genes.weight[j]));
    const int32_t field = static_cast<int32_t>((bits >> 23) & 0xFF);
    if (field == 0xFF) return;  // infinite or not a number
    int64_t significand = bits & 0x7FFFFF;
    if (field != 0) significand |= 0x800000;
    if (significand == 0 || genes.length[j] == 0) continue;
    const int32_t zeros = std::countr_zero(static_cast<uint64_t>(significand));
    significand >>= zeros;
    if ((bits >> 31) != 0) significand = -significand;
    odd[j] = significand * genes.length[j];  // below 2^24 * 2^31
    exponent[j] = std::max(field, 1) - 150 + zeros;
    unit = std::min(unit, exponent[j]);
  }
  if (unit == INT32_MAX) unit = 0;  // no piece has a fitness
  constexpr int32_t kBoundBits = 52;
  double fullRow = 0.0;
  for (int32_t j = 0; j < genes.count; ++j) {
    if (odd[j] == 0) continue;
    const int32_t shift = exponent[j] - unit;
    const uint64_t magnitude = static_cast<uint64_t>(odd[j] < 0 ? -odd[j] : odd[j]);
    if (shift >= kBoundBits || static_cast<int32_t>(std::bit_width(magnitude)) + shift > kBoundBits)
      return;
    const int64_t units = odd[j] * (int64_t{1} << shift);
    fullRow +=
        static_cast<double>(units < 0 ? -units : units) * std::max(0, ws.search.GeneLimit[j]);
    if (!(fullRow < 4503599627370496.0)) return;  // 2^52
    genes.fitnessUnits[j] = units;
  }
  genes.fitnessUnit = std::ldexp(1.0, unit);
  genes.wholeFitness = true;
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
  LoadFitnessUnits(genes);
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
  const ResultRows results = CurrentResults();
  LoadRestContext(fixedOnly, rest, results);
  const int32_t count = std::clamp(n, 0, kPopulationSize);
  for (int32_t i = 0; i < count; ++i)
    EvaluateIndividual(ws.search.Population[i], table.count, i, fixedOnly, table, rest, results);
  // Individuals not evaluated keep their old results, but their units are not trusted.
  std::fill(results.units + count, results.units + kPopulationSize, kUnitsUnknown);
}

void KeepFirstBest(int32_t fixedOnly) {
  const int32_t genes = UsableGeneCount();
  int32_t first = 0;
  for (int32_t i = 1; i < kPopulationSize; ++i) {
    if (ws.search.Fitness[i] > ws.search.Fitness[first]) first = i;
  }
  TakeAsBest(TableRows(ws.search.Population), CurrentResults(), first, fixedOnly, genes);
  ws.search.BestFitness = ws.search.Fitness[first];
  BreakTies(TableRows(ws.search.Population), CurrentResults(), first + 1, kPopulationSize,
            fixedOnly, genes);
}

void KeepBest(int32_t fixedOnly, int32_t n) {
  KeepBestOf(TableRows(ws.search.Population), CurrentResults(), fixedOnly, n);
}

void RunGeneration(int32_t fixedOnly) {
  AdvanceGeneration(fixedOnly, TableRows(ws.search.Population), TableRows(ws.search.NextPopulation),
                    nullptr, CurrentResults(), NextResults(), nullptr);
  const int32_t genes = UsableGeneCount();
  for (int32_t i = 0; i < kPopulationSize; ++i)
    CopyGenes(ws.search.Population[i], ws.search.NextPopulation[i], genes);
  CopyResults(NextResults(), CurrentResults());
}

// Rows that are still exact copies of a row of `from` keep that row's fitness and rest
// rows instead of being evaluated again: both depend on the genes alone. Which rows
// changed is random, so the rows are first sorted into the two lists without a branch.
template <typename Gene>
void AdvanceGeneration(int32_t fixedOnly, PopulationRows<Gene> from, PopulationRows<Gene> to,
                       const GeneTable* genes, const ResultRows& fromResults,
                       const ResultRows& toResults, const RestContext* searchRest) {
  GeneTable loaded;
  if (genes == nullptr) LoadGeneTable(loaded);
  GenerationState<Gene> state(genes != nullptr ? *genes : loaded);
  state.from = from;
  state.to = to;
  state.fromResults = fromResults;
  state.planned = genes != nullptr;
  // Selection writes every row of `to` (a copy or zeros), which also clears it.
  SelectInto(state, true);
  // Lean results come with every row's length and units known, and keep them so: the
  // selection copies them, the operators keep them and the lean evaluation writes them.
  const bool lean = toResults.fillRows == nullptr;
  state.known = lean || EveryRowKnown(state);
  CrossOver(state);
  Mutate(state);

  int32_t changed[kPopulationSize];
  int32_t copies[kPopulationSize];
  int32_t changedCount = 0;
  int32_t copyCount = 0;
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    const bool isChanged = state.origin[i] < 0;
    changed[changedCount] = i;
    copies[copyCount] = i;
    changedCount += isChanged;
    copyCount += !isChanged;
  }
  // Lean results (the search's own loop on rows of known lengths and units) keep no rest
  // rows: a rest's value depends on the row's length alone.
  for (int32_t c = 0; c < copyCount; ++c) {
    const int32_t i = copies[c];
    const int32_t k = state.origin[i];
    toResults.fitness[i] = fromResults.fitness[k];
    toResults.length[i] = fromResults.length[k];
    toResults.units[i] = fromResults.units[k];
    if (fixedOnly != 1 && !lean) {
      const int32_t fillCount = std::clamp(fromResults.fillCount[k], 0, kMaxFillRows);
      toResults.fillCount[i] = fillCount;
      // Fills have at most kFillMemoRows rows: copied as one block of that size.
      if (fillCount <= kFillMemoRows) {
        std::memcpy(toResults.fillRows[i], fromResults.fillRows[k],
                    sizeof(FillRow) * kFillMemoRows);
      } else {
        std::memcpy(toResults.fillRows[i], fromResults.fillRows[k],
                    sizeof(FillRow) * static_cast<size_t>(fillCount));
      }
    }
  }
  RestContext loadedRest;
  if (searchRest == nullptr) {
    if (fixedOnly != 1) LoadOrders(ws.search.SearchGrade, loadedRest.orders);
    loadedRest.length = static_cast<double>(ws.search.SearchLength);
  }
  const RestContext& rest = searchRest != nullptr ? *searchRest : loadedRest;
  const int32_t scan = to.ScanCount(state.genes.count);
  if (lean) {
    for (int32_t c = 0; c < changedCount; ++c) {
      const int32_t i = changed[c];
      int64_t length = state.length[i];
      int64_t units = state.units[i];
      if (length < 0) length = WholeRowLength(to[i], state.genes);
      if (units == kUnitsUnknown) units = RowFitnessUnits(to[i], state.genes);
      toResults.length[i] = static_cast<double>(length);
      toResults.units[i] = units;
      const double fitness = static_cast<double>(units) * state.genes.fitnessUnit;
      toResults.fitness[i] = fixedOnly == 1 ? fitness : fitness + RememberedRestValue(length, rest);
    }
    KeepBestOf(to, toResults, fixedOnly, kPopulationSize, &rest);
    return;
  }
  for (int32_t c = 0; c < changedCount; ++c) {
    const int32_t i = changed[c];
    if (fixedOnly != 1) toResults.fillCount[i] = 0;
    const int64_t length = state.length[i];
    const int64_t units = state.units[i];
    if (units != kUnitsUnknown && length >= 0) {
      EvaluateKnownRow(i, length, units, fixedOnly, state.genes, rest, toResults);
    } else {
      EvaluateIndividual(to[i], scan, i, fixedOnly, state.genes, rest, toResults);
    }
  }
  KeepBestOf(to, toResults, fixedOnly, kPopulationSize);
}

template void AdvanceGeneration(int32_t, PopulationRows<int32_t>, PopulationRows<int32_t>,
                                const GeneTable*, const ResultRows&, const ResultRows&,
                                const RestContext*);
template void AdvanceGeneration(int32_t, PopulationRows<int16_t>, PopulationRows<int16_t>,
                                const GeneTable*, const ResultRows&, const ResultRows&,
                                const RestContext*);
template void AdvanceGeneration(int32_t, PopulationRows<int8_t>, PopulationRows<int8_t>,
                                const GeneTable*, const ResultRows&, const ResultRows&,
                                const RestContext*);

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

// A search of the same grade, variable-length list and kerf as the search that last
// began the memos goes on with their entries: on a board of many zones of one grade, and
// from call to call while the book stays the same, each length is filled once.
void BeginFillMemo() {
  ws.filler.CoverTableState = kCoverTablePending;
  ws.search.FillMemoActive = 0;
  if (ws.search.FillMemoOff == 1) return;
  FillMemoInputs key;
  std::memset(&key, 0, sizeof key);
  key.grade = ws.search.SearchGrade;
  key.kerf = ws.settings.KerfWidth;
  key.count = ListCount(key.grade, ws.orders.VariableCount, kMaxVariableOrders);
  for (int32_t j = 0; j < key.count; ++j) {
    key.minLength[j] = ws.orders.VariableMinLength[key.grade][j];
    key.maxLength[j] = ws.orders.VariableMaxLength[key.grade][j];
    key.weight[j] = ws.orders.VariableWeight[key.grade][j];
    key.code[j] = ws.orders.VariableCode[key.grade][j];
  }
  const bool sameKey =
      ws.search.FillMemoEpoch != 0 && std::memcmp(&key, &ws.search.FillMemoKey, sizeof key) == 0;
  if (!sameKey && ++ws.search.FillMemoEpoch == 0) {
    // After 2^32 keys the epochs wrap: forget every entry for real once.
    for (FillMemoEntry& entry : ws.search.FillMemo)
      entry.tag = 0;
    for (RemainderMemoEntry& entry : ws.filler.RemainderMemo)
      entry.tag = 0;
    ws.search.RestValuesEpoch = 0;
    ws.search.FillMemoEpoch = 1;
  }
  ws.search.FillMemoKey = key;
  ws.search.FillMemoActive = 1;
}

void EndFillMemo() {
  ws.filler.CoverTableState = kCoverTableOff;
  ws.search.FillMemoActive = 0;
}

}  // namespace sawline
