// The genetic operators that turn Population into NextPopulation, one generation at a
// time: roulette selection, uniform crossover of pairs with a repair, and mutation of
// single genes. All randomness comes from RandomTable at windows that move with the
// generation; every row they leave fits into SearchLength and keeps within GeneLimit.
//
// A row fits when its length (pieces with kerfs, summed in single precision in gene
// order) is at most SearchLength. While the gene table is whole that sum is exact, so
// the operators keep each row's length as a whole number and update it gene by gene
// instead of summing the row again; the decisions are the same.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "optimize/optimize.h"
#include "optimize/search_steps.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int32_t kPairs = 50;                 // crossover pairs: 0.25 of 200, rounded
constexpr int32_t kMaxParentAttempts = 1000;   // parent draws of one pair at most
constexpr int32_t kMaxMutationAttempt = 1000;  // attempt index of one mutation at most
constexpr int32_t kMaxMutations = 1000;        // mutation budget at most
constexpr int32_t kHalfDraw = 16384;           // draws from here up round to 1

// The largest index any operator reads, with the generation clamped to 0..499.
static_assert(kMaxGenerations - 1 + 2 * (kPairs - 1) + (kMaxParentAttempts - 1) + 11 <
              kRandomTableSize);
static_assert(kMaxGenerations - 1 + (kPairs - 1) + 30 + (kMaxGenes - 1) < kRandomTableSize);
static_assert(kMaxGenerations - 1 + kPopulationSize - 1 + 5 < kRandomTableSize);
static_assert(kMaxGenerations - 1 + kMaxMutationAttempt + 110 + 3 * (kMaxMutations - 1) <
              kRandomTableSize);

int32_t ClampedGeneration() {
  return std::clamp(ws.Generation, 0, kMaxGenerations - 1);
}

// The whole length of NextPopulation row `row`, summed now if not yet known; -1 when the
// row must be summed in single precision.
int64_t WholeLengthOf(GenerationState& state, int32_t row) {
  if (!state.genes.whole) return kLengthNotWhole;
  if (state.length[row] == kLengthUnknown) {
    state.length[row] = WholeRowLength(ws.NextPopulation[row], state.genes);
  }
  return state.length[row];
}

// Gives up pieces of a row longer than SearchLength until it fits: forward from the
// longest entry, or backward from the shortest. Returns the row's new length; `changed`
// tells whether a piece was given up.
float Repair(int32_t* row, float length, bool backward, const GeneTable& genes, bool& changed) {
  const float limit = ws.SearchLength;
  if (!(length > limit)) return length;
  const int32_t step = backward ? -1 : 1;
  int32_t j = backward ? genes.count - 1 : 0;
  for (; j >= 0 && j < genes.count; j += step) {
    while (length > limit && row[j] >= 1) {
      --row[j];
      changed = true;
      length = static_cast<float>(length - genes.lengthWithKerf[j]);
    }
    if (!(length > limit)) break;
  }
  if (genes.whole) return length;
  return GiveUpUntilFits(row, genes, j, step, changed);
}

// All ones when floor(draw / 32768 + 0.5) is 1 (16384 <= draw < 49152), else 0.
int64_t SwapMask(int32_t draw) {
  return -static_cast<int64_t>(static_cast<uint32_t>(draw) - uint32_t{kHalfDraw} <
                               uint32_t{2 * kHalfDraw});
}

// Piece lengths of 0, for rows whose lengths are summed in single precision.
constexpr int64_t kNoLengths[kMaxGenes] = {};

// The first k with x <= running[k] when the sums never fall (kPopulationSize when none),
// by a binary search without data-dependent branches.
int32_t FirstReaching(const double* running, double x) {
  const double* base = running;
  int32_t size = kPopulationSize;
  while (size > 1) {
    const int32_t half = size / 2;
    base = base[half - 1] < x ? base + half : base;
    size -= half;
  }
  return static_cast<int32_t>(base - running) + (*base < x ? 1 : 0);
}

// A public operator's state: nothing known about the rows yet.
void BeginUnknown(GenerationState& state) {
  LoadGeneTable(state.genes);
  std::fill(state.length, state.length + kPopulationSize, kLengthUnknown);
  std::fill(state.origin, state.origin + kPopulationSize, -1);
}

}  // namespace

// Slot i takes the first individual whose running fitness sum reaches a random share
// of the total. With all fitness 0 every slot takes individual 0. A slot that no
// individual reaches (a share rounded above the total) is left empty.
void SelectInto(GenerationState& state, bool useEvaluatedLengths) {
  const size_t bytes = sizeof(int32_t) * static_cast<size_t>(state.genes.count);
  const int32_t generation = ClampedGeneration();

  double running[kPopulationSize];
  double total = 0.0;
  bool ascending = true;  // no negative or undefined fitness: the sums never fall
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    if (!(ws.Fitness[i] >= 0.0)) ascending = false;
    total += ws.Fitness[i];
    running[i] = total;
  }
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    const double x = static_cast<float>(ws.RandomTable[generation + i + 5] * total / 32768.0);
    int32_t k = kPopulationSize;
    if (std::isnan(x)) {
      k = kPopulationSize;
    } else if (ascending) {
      k = FirstReaching(running, x);
    } else {
      k = 0;
      while (k < kPopulationSize && !(x <= running[k]))
        ++k;
    }
    if (k == kPopulationSize) {
      std::memset(ws.NextPopulation[i], 0, bytes);
      state.length[i] = state.genes.whole ? 0 : kLengthNotWhole;
      state.origin[i] = -1;
      continue;
    }
    CopyGenes(ws.NextPopulation[i], ws.Population[k], state.genes.count);
    state.origin[i] = k;
    state.length[i] = kLengthUnknown;
    const double evaluated = ws.IndividualLength[k];
    if (useEvaluatedLengths && state.genes.whole && evaluated >= 0.0 &&
        evaluated < static_cast<double>(kExactFloatIntegers)) {
      state.length[i] = static_cast<int64_t>(evaluated);
    }
  }
}

// Each pair exchanges genes by random bits, then both rows give up pieces until they
// fit again. Genes move only between rows at the same position and the repair only
// removes pieces, so no gene leaves its limit.
void CrossOver(GenerationState& state) {
  const GeneTable& genes = state.genes;
  const int32_t count = genes.count;
  const int32_t generation = ClampedGeneration();
  const int32_t* draws = ws.RandomTable;

  for (int32_t p = 0; p < kPairs; ++p) {
    int32_t a = -1;
    int32_t b = -1;
    for (int32_t t = 0; t < kMaxParentAttempts; ++t) {
      const int32_t x = ScaledDraw(kPopulationSize, draws[generation + 2 * p + t + 10]);
      const int32_t y = ScaledDraw(kPopulationSize, draws[generation + 2 * p + t + 11]);
      if (x != y && x < kPopulationSize && y < kPopulationSize) {
        a = x;
        b = y;
        break;
      }
    }
    if (a < 0) continue;

    int32_t* rowA = ws.NextPopulation[a];
    int32_t* rowB = ws.NextPopulation[b];
    const int64_t wholeA = WholeLengthOf(state, a);
    const int64_t wholeB = WholeLengthOf(state, b);
    const bool exact = wholeA >= 0 && wholeB >= 0;
    int64_t moved = 0;  // length that row a takes over from row b
    int64_t differences = 0;
    const int32_t* swapDraws = draws + generation + p + 30;
    const int64_t* pieces = exact ? genes.wholeLengthWithKerf : kNoLengths;
    // Only genes in which the rows differ can change. An exchange moves the difference of
    // the two genes: written without branches, as the swap bits are random.
    GeneMask differ;
    DifferentGenes(rowA, rowB, count, differ);
    ForEachGene(differ, [&](int32_t j) {
      const int64_t difference = (int64_t{rowB[j]} - rowA[j]) & SwapMask(swapDraws[j]);
      rowA[j] = static_cast<int32_t>(rowA[j] + difference);
      rowB[j] = static_cast<int32_t>(rowB[j] - difference);
      moved += difference * pieces[j];
      differences |= difference;
    });
    bool changed = differences != 0;
    const float lengthA = exact ? static_cast<float>(wholeA + moved) : RowLength(rowA, genes);
    const float lengthB = exact ? static_cast<float>(wholeB - moved) : RowLength(rowB, genes);
    const bool backward = draws[generation + p + 50] > kHalfDraw;
    const float repairedA = Repair(rowA, lengthA, backward, genes, changed);
    const float repairedB = Repair(rowB, lengthB, backward, genes, changed);
    state.length[a] = exact ? static_cast<int64_t>(repairedA) : kLengthNotWhole;
    state.length[b] = exact ? static_cast<int64_t>(repairedB) : kLengthNotWhole;
    if (changed) {
      state.origin[a] = -1;
      state.origin[b] = -1;
    }
  }
}

// 2n + 1 mutations, each setting a random gene of a random row to a random count within
// its limit. A mutation that would make the row too long is undone and the budget grows
// by one; the step then goes on with the next mutation number.
void Mutate(GenerationState& state) {
  const GeneTable& genes = state.genes;
  const int32_t n = genes.count;
  if (n <= 0) return;  // every gene draw would be rejected: nothing can change
  const int32_t generation = ClampedGeneration();
  const int32_t* draws = ws.RandomTable;
  const float limit = ws.SearchLength;

  int32_t budget = TruncToInt(std::floor(n * kPopulationSize * 0.01)) + 1;
  for (int32_t m = 0; m < budget; ++m) {
    int32_t t = 0;
    int32_t row = 0;
    int32_t k = 0;
    for (;;) {
      row = ScaledDraw(kPopulationSize, draws[generation + t + 70 + 3 * m]);
      k = ScaledDraw(n, draws[generation + t + 90 + 3 * m]);
      if (row < kPopulationSize && k < n) break;
      if (++t > kMaxMutationAttempt) return;
    }
    int32_t* genesOfRow = ws.NextPopulation[row];
    const int32_t old = genesOfRow[k];
    const int32_t count =
        ScaledDraw(std::max(0, ws.GeneLimit[k]), draws[generation + t + 110 + 3 * m]);
    const int64_t before = WholeLengthOf(state, row);
    bool fits = false;
    if (before >= 0) {
      // Whether the mutation stands is random: decided without branches.
      const int64_t after = before + (int64_t{count} - old) * genes.wholeLengthWithKerf[k];
      fits = static_cast<double>(after) <= limit;
      genesOfRow[k] = fits ? count : old;
      state.length[row] = fits ? after : before;
    } else {
      genesOfRow[k] = count;
      fits = RowLength(genesOfRow, genes) <= limit;
      if (!fits) genesOfRow[k] = old;
    }
    state.origin[row] = fits && count != old ? -1 : state.origin[row];
    budget += fits ? 0 : 1;
    if (budget > kMaxMutations) return;
  }
}

void SelectByRoulette() {
  GenerationState state;
  BeginUnknown(state);
  SelectInto(state, false);
}

void CrossOverPairs() {
  GenerationState state;
  BeginUnknown(state);
  CrossOver(state);
}

void MutatePopulation() {
  GenerationState state;
  BeginUnknown(state);
  Mutate(state);
}

}  // namespace sawline
