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
#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <utility>

#include "optimize/search_steps.h"
#include "optimize/segment_searches.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int32_t kPairs = kGenerationPairs;  // 0.25 of 200, rounded
static_assert(kPairs * 4 == kPopulationSize);
constexpr int32_t kMaxParentAttempts = 1000;   // parent draws of one pair at most
constexpr int32_t kMaxMutationAttempt = 1000;  // attempt index of one mutation at most
constexpr int32_t kHalfDraw = 16384;           // draws from here up round to 1

// Where each operator's draws start in RandomTable. Every window moves on by one with the
// generation, and within it by the slot, pair, gene or mutation (and attempt) drawn for.
constexpr int32_t kSelectionDraws = 5;        // slot i: + i
constexpr int32_t kParentDraws = 10;          // pair p, attempt t: + 2p + t, and the next one
constexpr int32_t kSwapDraws = 30;            // pair p, gene j: + p + j
constexpr int32_t kDirectionDraws = 50;       // pair p: + p
constexpr int32_t kMutationRowDraws = 70;     // mutation m, attempt t: + t + 3m
constexpr int32_t kMutationGeneDraws = 90;    // the same
constexpr int32_t kMutationCountDraws = 110;  // the same

// The largest index any operator reads, with the generation clamped to 0..499.
static_assert(kMaxGenerations - 1 + 2 * (kPairs - 1) + (kMaxParentAttempts - 1) + kParentDraws + 1 <
              kRandomTableSize);
static_assert(kMaxGenerations - 1 + (kPairs - 1) + kSwapDraws + (kMaxGenes - 1) < kRandomTableSize);
static_assert(kMaxGenerations - 1 + kPopulationSize - 1 + kSelectionDraws < kRandomTableSize);
static_assert(kMaxGenerations - 1 + kMaxMutationAttempt + kMutationCountDraws +
                  3 * (kMaxGenerationMutations - 1) <
              kRandomTableSize);

int32_t ClampedGeneration() {
  return std::clamp(ws.search.Generation, 0, kMaxGenerations - 1);
}

// The whole length of row `row` of `to`, summed now if not yet known; -1 when the
// row must be summed in single precision.
template <typename Gene>
int64_t WholeLengthOf(GenerationState<Gene>& state, int32_t row) {
  if (!state.genes.whole) return kLengthNotWhole;
  if (state.length[row] == kLengthUnknown) {
    state.length[row] = WholeRowLength(state.to[row], state.genes);
  }
  return state.length[row];
}

// The fitness units of row `row` of `to`, counted now if not yet known; kUnitsUnknown
// when the gene table has no whole fitness (or the row is off its limits).
template <typename Gene>
int64_t UnitsOf(GenerationState<Gene>& state, int32_t row) {
  if (state.units[row] == kUnitsUnknown)
    state.units[row] = RowFitnessUnits(state.to[row], state.genes);
  return state.units[row];
}

// The largest whole length that fits into `limit` (a whole length fits exactly when it
// is at most this). Whole row lengths lie from 0 to below 2^24, so a limit beyond 2^40
// either way (or an undefined one, into which nothing fits) is held at 2^40 or -2^40:
// every comparison stays the same and no difference with it can overflow.
int64_t WholeLimit(float limit) {
  constexpr double kFar = 1099511627776.0;  // 2^40
  if (static_cast<double>(limit) >= kFar) return static_cast<int64_t>(kFar);
  if (!(static_cast<double>(limit) >= -kFar)) return -static_cast<int64_t>(kFar);
  return static_cast<int64_t>(std::floor(static_cast<double>(limit)));
}

// Gives up pieces of a row longer than SearchLength until it fits: forward from the
// longest entry, or backward from the shortest, one piece at a time (genes of 0 have
// none to give). Returns the row's new length; `changed` tells whether a piece was given
// up. While the gene table is whole every subtraction is exact, so the length stays the
// row's whole length; otherwise the rounding guard goes on from the gene that made it fit.
// Known fitness units (not kUnitsUnknown) lose each piece's units with it.
template <typename Gene>
float Repair(Gene* row, float length, bool backward, const GeneTable& genes, int32_t scan,
             int64_t& units, bool& changed) {
  const float limit = ws.search.SearchLength;
  if (!(length > limit)) return length;
  int32_t fitAt = backward ? -1 : genes.count;  // past the last gene while it does not fit
  GeneMask present;
  GenesNotEqual<Gene>(row, nullptr, scan, present);
  WalkGenes(present, backward, [&](int32_t j) {
    const int32_t before = row[j];
    while (length > limit && row[j] >= 1) {
      --row[j];
      changed = true;
      length = static_cast<float>(static_cast<double>(length) - genes.lengthWithKerf[j]);
    }
    if (units != kUnitsUnknown) units -= (before - row[j]) * genes.fitnessUnits[j];
    if (length > limit) return true;
    fitAt = j;
    return false;
  });
  if (genes.whole) return length;
  units = kUnitsUnknown;
  return GiveUpUntilFits(row, genes, fitAt, backward ? -1 : 1, changed);
}

// All ones when floor(draw / 32768 + 0.5) is 1 (16384 <= draw < 49152), else 0.
int64_t SwapMask(int32_t draw) {
  return -static_cast<int64_t>(static_cast<uint32_t>(draw) - uint32_t{kHalfDraw} <
                               uint32_t{2 * kHalfDraw});
}

// Piece lengths of 0, for rows whose lengths are summed in single precision.
constexpr int64_t kNoLengths[kMaxGenes] = {};

// The running fitness sums of the population, for the roulette: when they never fall,
// the first k with x <= sum[k] is the number of sums below x. The shares x the roulette
// draws are single-precision numbers, and a double is below a single-precision x exactly
// when the largest single-precision number not above it is: so the count is taken on
// the sums rounded down to single precision, four at a time, in two steps without a
// branch that depends on the data. First the groups of 16 sums whose last sum is below
// x, then the sums of the next group below x. Past the last sum stand infinities, which
// no x exceeds.
struct RunningSums {
  static constexpr int32_t kGroup = 16;
  static constexpr int32_t kGroups = (kPopulationSize + kGroup - 1) / kGroup;
  static constexpr int32_t kPadded = kGroups * kGroup;
  static constexpr int32_t kGroupSlots = (kGroups + 3) & ~3;
  static_assert(kGroups < kGroupSlots);  // a group's last sum is below x in fewer than all
  double sum[kPopulationSize];
  alignas(16) float down[kPadded];           // each sum rounded down, then infinities
  alignas(16) float groupLast[kGroupSlots];  // the last of each group's, then infinities

  // For sums from 0 up (the roulette rounds only such).
  void Finish() {
    RoundDownToSingle(sum, down, kPopulationSize);
    for (int32_t i = kPopulationSize; i < kPadded; ++i)
      down[i] = std::numeric_limits<float>::infinity();
    for (int32_t g = 0; g < kGroupSlots; ++g)
      groupLast[g] =
          g < kGroups ? down[g * kGroup + kGroup - 1] : std::numeric_limits<float>::infinity();
  }
  int32_t FirstReaching(float x) const {
    const int32_t group = CountBelow(groupLast, kGroupSlots, x);
    return group * kGroup + CountBelow(down + group * kGroup, kGroup, x);
  }
  // How many of values[0..count-1] (count a multiple of 4, values aligned) are below x.
  static int32_t CountBelow(const float* values, int32_t count, float x) {
#if defined(__SSE2__)
    const __m128 bound = _mm_set1_ps(x);
    __m128i counts = _mm_setzero_si128();
    for (int32_t i = 0; i < count; i += 4) {
      const __m128 less = _mm_cmplt_ps(_mm_load_ps(values + i), bound);
      counts = _mm_sub_epi32(counts, _mm_castps_si128(less));
    }
    counts = _mm_add_epi32(counts, _mm_shuffle_epi32(counts, 0x4E));
    counts = _mm_add_epi32(counts, _mm_shuffle_epi32(counts, 0xB1));
    return _mm_cvtsi128_si32(counts);
#else
    int32_t below = 0;
    for (int32_t i = 0; i < count; ++i)
      below += static_cast<int32_t>(values[i] < x);
    return below;
#endif
  }
};

// Row and parent draws: nearest(200 * draw / 32768). Only 0 to 199 are rows; a draw of 200
// (or one from a value outside 0..32767) is rejected.
int32_t RowDraw(int32_t index) {
  return ScaledDraw(kPopulationSize, ws.search.RandomTable[index]);
}

bool IsRow(int32_t row) {
  return static_cast<uint32_t>(row) < static_cast<uint32_t>(kPopulationSize);
}

// The parents of the pair whose draws start at kParentDraws + `first`: the first attempt
// that draws two different rows.
ParentPair DrawParents(int32_t first) {
  for (int32_t t = 0; t < kMaxParentAttempts; ++t) {
    const int32_t x = RowDraw(kParentDraws + first + t);
    const int32_t y = RowDraw(kParentDraws + first + t + 1);
    if (x != y && IsRow(x) && IsRow(y)) return {static_cast<int16_t>(x), static_cast<int16_t>(y)};
  }
  return {-1, -1};
}

// The mutation whose draws start at `first` (generation + 3m) among n genes: the first
// attempt whose row and gene draws are in range.
MutationDraw DrawMutation(int32_t first, int32_t n) {
  const int32_t* draws = ws.search.RandomTable;
  for (int32_t t = 0; t <= kMaxMutationAttempt; ++t) {
    const int32_t row = RowDraw(kMutationRowDraws + first + t);
    const int32_t k = ScaledDraw(n, draws[kMutationGeneDraws + first + t]);
    if (IsRow(row) && static_cast<uint32_t>(k) < static_cast<uint32_t>(n)) {
      const int32_t count =
          ScaledDraw(std::max(0, ws.search.GeneLimit[k]), draws[kMutationCountDraws + first + t]);
      return {count, static_cast<int16_t>(row), static_cast<int16_t>(k),
              row * ws.search.MutationStride + k};
    }
  }
  return {0, -1, 0, 0};
}

// Works out the planned mutations up to the one whose draws start at `last`, and a few
// beyond, when they are not yet.
void PlanMutationsUpTo(int32_t last, int32_t n) {
  constexpr int32_t kEntries = static_cast<int32_t>(std::size(ws.search.MutationDraws));
  if (last < ws.search.MutationDrawsReady) return;
  const int32_t end = std::min(last + 64, kEntries);
  for (int32_t b = ws.search.MutationDrawsReady; b < end; ++b)
    ws.search.MutationDraws[b] = DrawMutation(b, n);
  ws.search.MutationDrawsReady = end;
}

// The planned mutation whose draws start at `first`.
MutationDraw PlannedMutation(int32_t first, int32_t n) {
  PlanMutationsUpTo(first, n);
  return ws.search.MutationDraws[first];
}

// 64 swap bits from bit `at` of SwapBits: bit j for gene j of a pair whose swap draws start
// at `at`.
uint64_t SwapBitsAt(int32_t at) {
  const int32_t word = at >> 6;
  const int32_t shift = at & 63;
  const uint64_t low = ws.search.SwapBits[word] >> shift;
  const uint64_t high = shift == 0 ? 0 : ws.search.SwapBits[word + 1] << (64 - shift);
  return low | high;
}

// The same computed from the draws themselves, for genes 0..n-1 (n <= 64).
uint64_t SwapBitsOf(const int32_t* draws, int32_t n) {
  uint64_t bits = 0;
  for (int32_t j = 0; j < n; ++j)
    bits |= static_cast<uint64_t>(SwapMask(draws[j]) & 1) << j;
  return bits;
}

// The crossover's planned draws are worked out as the generations reach them, so that a
// search the clock stops after a few generations works out no more than it uses: the
// pairs of this generation, and every swap draw its pairs can read (whole vectors and
// words included).
void PlanCrossoverDraws(int32_t generation) {
  const int32_t pairsEnd =
      std::min(generation + 2 * kPairs, static_cast<int32_t>(std::size(ws.search.ParentPairs)));
  for (int32_t first = ws.search.ParentPairsReady; first < pairsEnd; ++first)
    ws.search.ParentPairs[first] = DrawParents(first);
  ws.search.ParentPairsReady = std::max(ws.search.ParentPairsReady, pairsEnd);
  const int32_t swapEnd =
      std::min(generation + kSwapDraws + kPairs + kMaxGenes + 128, kRandomTableSize);
  for (int32_t i = ws.search.SwapDrawsReady; i < swapEnd; ++i) {
    const int64_t swap = SwapMask(ws.search.RandomTable[i]);
    if ((i & 63) == 0) ws.search.SwapBits[i >> 6] = 0;
    ws.search.SwapBits[i >> 6] |= static_cast<uint64_t>(swap & 1) << (i & 63);
    ws.search.SwapBytes[i] = static_cast<uint8_t>(swap & 0xFF);
  }
  ws.search.SwapDrawsReady = std::max(ws.search.SwapDrawsReady, swapEnd);
}

// A public operator's state: nothing known about the rows yet.
void BeginUnknown(GenerationState<int32_t>& state) {
  state.from = TableRows(ws.search.Population);
  state.to = TableRows(ws.search.NextPopulation);
  state.fromResults = CurrentResults();
  std::fill(state.length, state.length + kPopulationSize, kLengthUnknown);
  std::fill(state.units, state.units + kPopulationSize, kUnitsUnknown);
  state.planned = false;
  state.known = false;
  std::fill(state.origin, state.origin + kPopulationSize, -1);
}

}  // namespace

// Slot i takes the first individual whose running fitness sum reaches a random share
// of the total. With all fitness 0 every slot takes individual 0. A slot that no
// individual reaches (a share rounded above the total) is left empty.
template <typename Gene>
void SelectInto(GenerationState<Gene>& state, bool useEvaluatedLengths) {
  const size_t bytes = sizeof(Gene) * static_cast<size_t>(state.genes.count);
  const int32_t generation = ClampedGeneration();

  RunningSums running;
  double total = 0.0;
  bool ascending = true;  // no negative or undefined fitness: the sums never fall
  const double* fitness = state.fromResults.fitness;
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    if (!(fitness[i] >= 0.0)) ascending = false;
    total += fitness[i];
    running.sum[i] = total;
  }
  if (ascending) running.Finish();
  // First every slot's individual, then the rows: the choices read nothing the copies write.
  int32_t chosen[kPopulationSize];
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    const float share = static_cast<float>(ws.search.RandomTable[generation + kSelectionDraws + i] *
                                           total / 32768.0);
    const double x = static_cast<double>(share);
    int32_t k = kPopulationSize;
    if (std::isnan(x)) {
      k = kPopulationSize;
    } else if (ascending) {
      k = running.FirstReaching(share);
    } else {
      k = 0;
      while (k < kPopulationSize && !(x <= running.sum[k]))
        ++k;
    }
    chosen[i] = k;
  }
  const GeneTable& genes = state.genes;
  const PopulationRows<Gene> from = state.from;
  const PopulationRows<Gene> to = state.to;
  const double* __restrict const evaluatedLength = state.fromResults.length;
  const int64_t* __restrict const evaluatedUnits = state.fromResults.units;
  const bool wholeLengths = useEvaluatedLengths && genes.whole;
  for (int32_t i = 0; i < kPopulationSize; ++i) {
    const int32_t k = chosen[i];
    if (k == kPopulationSize) {
      std::memset(to[i], 0, bytes);
      state.length[i] = genes.whole ? 0 : kLengthNotWhole;
      state.units[i] = genes.wholeFitness ? 0 : kUnitsUnknown;
      state.origin[i] = -1;
      continue;
    }
    CopyRow(to, to[i], from[k], genes.count);
    state.origin[i] = k;
    state.units[i] = useEvaluatedLengths ? evaluatedUnits[k] : kUnitsUnknown;
    const double evaluated = evaluatedLength[k];
    state.length[i] =
        wholeLengths && evaluated >= 0.0 && evaluated < static_cast<double>(kExactFloatIntegers)
            ? static_cast<int64_t>(evaluated)
            : kLengthUnknown;
  }
}

// True in the search's own loop when the gene table has whole fitness and every row of
// `to` has a known whole length and fitness units (those not yet known are counted now).
template <typename Gene>
bool EveryRowKnown(GenerationState<Gene>& state) {
  if (!state.planned || !state.genes.wholeFitness) return false;
  bool known = true;
  for (int32_t row = 0; row < kPopulationSize; ++row)
    known &= state.length[row] >= 0 && state.units[row] != kUnitsUnknown;
  if (known) return true;
  for (int32_t row = 0; row < kPopulationSize; ++row) {
    if (WholeLengthOf(state, row) < 0 || UnitsOf(state, row) == kUnitsUnknown) return false;
  }
  return true;
}

// The repair of a row of known whole length `length` and fitness units (see Repair):
// every subtraction is exact then, so it is made in whole numbers. The limit is a
// number (not NaN). A row mostly fits again after a piece or two of the first genes it walks, so
// the genes present are found 64 at a time, in the order of the walk.
template <typename Gene, int32_t words>
inline int64_t RepairKnownRow(Gene* row, int64_t length, int64_t wholeLimit, bool backward,
                              const GeneTable& genes, int32_t scan, int64_t& units, bool& changed) {
  for (int32_t n = 0; n < words && length > wholeLimit; ++n) {
    const int32_t w = backward ? words - 1 - n : n;
    const int32_t first = 64 * w;
    const int32_t count = std::clamp(scan - first, 0, 64);
    if (count == 0) continue;
    for (uint64_t bits = DifferenceWord<true>(row + first, row, count); bits != 0;) {
      const int32_t bit = backward ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
      bits &= ~(uint64_t{1} << bit);
      const int32_t j = first + bit;
      const int64_t piece = genes.wholeLengthWithKerf[j];
      int32_t given = 0;
      int32_t left = row[j];
      while (length > wholeLimit && left >= 1) {
        --left;
        ++given;
        length -= piece;
      }
      row[j] = static_cast<Gene>(left);
      units -= given * genes.fitnessUnits[j];
      changed |= given != 0;
      if (length <= wholeLimit) return length;
    }
  }
  return length;
}

#if defined(__SSE2__)
// The exchange of a pair of compact rows of `scan` genes (a whole number of vectors):
// where the swap byte of a gene is set the two rows trade it, a vector at a time, and
// changed(j) is called for each gene j that changed. True when any did.
template <typename Gene, typename Changed>
bool ExchangeRows(Gene* a, Gene* b, int32_t scan, const uint8_t* swapBytes, Changed changed) {
  constexpr int32_t kLanes = 16 / sizeof(Gene);
  const __m128i zero = _mm_setzero_si128();
  uint64_t traded64 = 0;  // the genes that changed, of the 64 from `first`
  int32_t first = 0;
  bool any = false;
  const auto visit = [&] {
    any |= traded64 != 0;
    for (; traded64 != 0; traded64 &= traded64 - 1)
      changed(first + std::countr_zero(traded64));
  };
  for (int32_t j = 0; j < scan; j += kLanes) {
    __m128i swap;
    if constexpr (sizeof(Gene) == 1) {
      swap = _mm_loadu_si128(reinterpret_cast<const __m128i*>(swapBytes + j));
    } else {
      const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(swapBytes + j));
      swap = _mm_unpacklo_epi8(bytes, bytes);
    }
    __m128i* const rowA = reinterpret_cast<__m128i*>(a + j);
    __m128i* const rowB = reinterpret_cast<__m128i*>(b + j);
    const __m128i geneA = _mm_loadu_si128(rowA);
    const __m128i geneB = _mm_loadu_si128(rowB);
    const __m128i traded = _mm_and_si128(_mm_xor_si128(geneA, geneB), swap);
    _mm_storeu_si128(rowA, _mm_xor_si128(geneA, traded));
    _mm_storeu_si128(rowB, _mm_xor_si128(geneB, traded));
    uint32_t bits = 0;
    if constexpr (sizeof(Gene) == 1) {
      bits = ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(traded, zero))) & 0xFFFFu;
    } else {
      const __m128i same = _mm_cmpeq_epi16(traded, zero);
      bits = ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(same, same))) & 0xFFu;
    }
    if (j - first == 64) {
      visit();
      first = j;
    }
    traded64 |= static_cast<uint64_t>(bits) << (j - first);
  }
  visit();
  return any;
}
#endif

// The crossover on rows of known lengths and units (EveryRowKnown), with the planned
// draws: the same exchanges and repairs, on those numbers alone; the gene masks have
// `words` words, as many as the rows' scan needs.
template <typename Gene, int32_t words>
void CrossOverKnownRows(GenerationState<Gene>& state, int32_t generation) {
  const GeneTable& genes = state.genes;
  const int32_t scan = state.to.ScanCount(genes.count);
  const int64_t wholeLimit = WholeLimit(ws.search.SearchLength);
  const bool limitIsNumber = !std::isnan(ws.search.SearchLength);
  const int32_t* draws = ws.search.RandomTable;
  for (int32_t p = 0; p < kPairs; ++p) {
    const ParentPair parents = ws.search.ParentPairs[generation + 2 * p];
    if (parents.a < 0) continue;
    const int32_t a = parents.a;
    const int32_t b = parents.b;
    Gene* rowA = state.to[a];
    Gene* rowB = state.to[b];
    const int32_t swapDraws = generation + kSwapDraws + p;
    int64_t moved = 0;
    int64_t movedUnits = 0;
    // After the exchange row a holds what row b held, so a - b is what row a gained.
    const auto count = [&](int32_t j) {
      const int64_t difference = int64_t{rowA[j]} - rowB[j];
      moved += difference * genes.wholeLengthWithKerf[j];
      movedUnits += difference * genes.fitnessUnits[j];
    };
    bool changed = false;
#if defined(__SSE2__)
    if constexpr (sizeof(Gene) <= 2) {
      if (state.to.scan > 0) {
        changed = ExchangeRows(rowA, rowB, scan, ws.search.SwapBytes + swapDraws, count);
      }
    }
    if (sizeof(Gene) > 2 || state.to.scan == 0)
#endif
    {
      GeneMask exchange;
      GenesNotEqual<Gene, words>(rowA, rowB, scan, exchange);
      for (int32_t w = 0; w < words; ++w) {
        exchange.word[w] &= SwapBitsAt(swapDraws + 64 * w);
        changed |= exchange.word[w] != 0;
      }
      ForEachGene<words>(exchange, [&](int32_t j) {
        std::swap(rowA[j], rowB[j]);
        count(j);
      });
    }
    int64_t lengthA = state.length[a] + moved;
    int64_t lengthB = state.length[b] - moved;
    int64_t unitsA = state.units[a] + movedUnits;
    int64_t unitsB = state.units[b] - movedUnits;
    const bool backward = draws[generation + kDirectionDraws + p] > kHalfDraw;
    if (limitIsNumber && lengthA > wholeLimit)
      lengthA = RepairKnownRow<Gene, words>(rowA, lengthA, wholeLimit, backward, genes, scan,
                                            unitsA, changed);
    if (limitIsNumber && lengthB > wholeLimit)
      lengthB = RepairKnownRow<Gene, words>(rowB, lengthB, wholeLimit, backward, genes, scan,
                                            unitsB, changed);
    state.length[a] = lengthA;
    state.length[b] = lengthB;
    state.units[a] = unitsA;
    state.units[b] = unitsB;
    if (changed) {
      state.origin[a] = -1;
      state.origin[b] = -1;
    }
  }
}

// Each pair exchanges genes by random bits, then both rows give up pieces until they
// fit again. Genes move only between rows at the same position and the repair only
// removes pieces, so no gene leaves its limit.
template <typename Gene>
void CrossOver(GenerationState<Gene>& state) {
  const GeneTable& genes = state.genes;
  const int32_t count = genes.count;
  const int32_t generation = ClampedGeneration();
  const int32_t* draws = ws.search.RandomTable;
  if (state.planned) PlanCrossoverDraws(generation);
  if (state.known) {
    const int32_t scan = state.to.ScanCount(count);
    if (scan <= 64) {
      CrossOverKnownRows<Gene, 1>(state, generation);
    } else if (scan <= 128) {
      CrossOverKnownRows<Gene, 2>(state, generation);
    } else if (scan <= 192) {
      CrossOverKnownRows<Gene, 3>(state, generation);
    } else {
      CrossOverKnownRows<Gene, 4>(state, generation);
    }
    return;
  }

  for (int32_t p = 0; p < kPairs; ++p) {
    const ParentPair parents =
        state.planned ? ws.search.ParentPairs[generation + 2 * p] : DrawParents(generation + 2 * p);
    if (parents.a < 0) continue;
    const int32_t a = parents.a;
    const int32_t b = parents.b;

    Gene* rowA = state.to[a];
    Gene* rowB = state.to[b];
    const int64_t wholeA = WholeLengthOf(state, a);
    const int64_t wholeB = WholeLengthOf(state, b);
    const bool exact = wholeA >= 0 && wholeB >= 0;
    int64_t moved = 0;       // length that row a takes over from row b
    int64_t movedUnits = 0;  // and fitness units
    const int32_t swapDraws = generation + kSwapDraws + p;
    const int64_t* pieces = exact ? genes.wholeLengthWithKerf : kNoLengths;
    int64_t unitsA = genes.wholeFitness ? UnitsOf(state, a) : kUnitsUnknown;
    int64_t unitsB = genes.wholeFitness ? UnitsOf(state, b) : kUnitsUnknown;
    const int64_t* pieceUnits = genes.wholeFitness ? genes.fitnessUnits : kNoLengths;
    // Only genes in which the rows differ and whose swap bit is set change: the two rows
    // exchange them.
    GeneMask exchange;
    GenesNotEqual<Gene>(rowA, rowB, state.to.ScanCount(count), exchange);
    bool changed = false;
    for (int32_t w = 0; w < static_cast<int32_t>(std::size(exchange.word)); ++w) {
      if (exchange.word[w] == 0) continue;
      const int32_t at = swapDraws + 64 * w;
      exchange.word[w] &=
          state.planned ? SwapBitsAt(at) : SwapBitsOf(draws + at, std::min(64, count - 64 * w));
      changed |= exchange.word[w] != 0;
    }
    ForEachGene(exchange, [&](int32_t j) {
      const int64_t difference = int64_t{rowB[j]} - rowA[j];
      std::swap(rowA[j], rowB[j]);
      moved += difference * pieces[j];
      movedUnits += difference * pieceUnits[j];
    });
    const float lengthA = exact ? static_cast<float>(wholeA + moved) : RowLength(rowA, genes);
    const float lengthB = exact ? static_cast<float>(wholeB - moved) : RowLength(rowB, genes);
    const bool backward = draws[generation + kDirectionDraws + p] > kHalfDraw;
    const int32_t scan = state.to.ScanCount(count);
    if (unitsA != kUnitsUnknown && unitsB != kUnitsUnknown) {
      unitsA += movedUnits;
      unitsB -= movedUnits;
    } else {
      unitsA = unitsB = kUnitsUnknown;
    }
    const float repairedA = Repair(rowA, lengthA, backward, genes, scan, unitsA, changed);
    const float repairedB = Repair(rowB, lengthB, backward, genes, scan, unitsB, changed);
    state.length[a] = exact ? static_cast<int64_t>(repairedA) : kLengthNotWhole;
    state.length[b] = exact ? static_cast<int64_t>(repairedB) : kLengthNotWhole;
    state.units[a] = unitsA;
    state.units[b] = unitsB;
    if (changed) {
      state.origin[a] = -1;
      state.origin[b] = -1;
    }
  }
}

// 2n + 1 mutations, each setting a random gene of a random row to a random count within
// its limit. A mutation that would make the row too long is undone and the budget grows
// by one; the step then goes on with the next mutation number.
//
// When every row's whole length and fitness units are known, the mutations run on those
// numbers alone (MutateKnownRows).
template <typename Gene>
void MutateKnownRows(GenerationState<Gene>& state, int32_t generation, int32_t budget,
                     int64_t wholeLimit) {
  const GeneTable& genes = state.genes;
  const int32_t n = genes.count;
  Gene* __restrict const rows = state.to.genes;
  int64_t* __restrict const length = state.length;
  int64_t* __restrict const units = state.units;
  int32_t* __restrict const origin = state.origin;
  const int64_t* __restrict const pieces = genes.wholeLengthWithKerf;
  const int64_t* __restrict const pieceUnits = genes.fitnessUnits;
  const MutationDraw* __restrict const draws = ws.search.MutationDraws + generation;
  // The planned draws are worked out a chunk of mutations at a time, ahead of their use.
  constexpr int32_t kChunk = 32;
  for (int32_t m = 0; m < budget;) {
    const int32_t chunkEnd = std::min(m + kChunk, kMaxGenerationMutations);
    PlanMutationsUpTo(generation + 3 * (chunkEnd - 1), n);
    for (; m < chunkEnd; ++m) {
      if (m >= budget) return;
      const MutationDraw drawn = draws[3 * m];
      if (drawn.row < 0) return;
      const int32_t row = drawn.row;
      const int32_t k = drawn.gene;
      Gene& gene = rows[drawn.at];
      const int64_t delta = int64_t{drawn.count} - gene;
      const int64_t lengthAfter = length[row] + delta * pieces[k];
      const bool fits = lengthAfter <= wholeLimit;
      if (fits) {
        gene = static_cast<Gene>(drawn.count);
        length[row] = lengthAfter;
        units[row] += delta * pieceUnits[k];
        origin[row] |= -static_cast<int32_t>(delta != 0);
      } else if (++budget > kMaxGenerationMutations) {
        return;
      }
    }
  }
}

template <typename Gene>
void Mutate(GenerationState<Gene>& state) {
  const GeneTable& genes = state.genes;
  const int32_t n = genes.count;
  if (n <= 0) return;  // every gene draw would be rejected: nothing can change
  const int32_t generation = ClampedGeneration();
  const int64_t wholeLimit = WholeLimit(ws.search.SearchLength);

  int32_t budget = TruncToInt(std::floor(n * kPopulationSize * 0.01)) + 1;
  if (state.known) {
    MutateKnownRows(state, generation, budget, wholeLimit);
    return;
  }
  for (int32_t m = 0; m < budget; ++m) {
    const MutationDraw drawn = state.planned ? PlannedMutation(generation + 3 * m, n)
                                             : DrawMutation(generation + 3 * m, n);
    if (drawn.row < 0) return;
    const int32_t row = drawn.row;
    const int32_t k = drawn.gene;
    const int32_t count = drawn.count;
    Gene* genesOfRow = state.to[row];
    const int32_t old = genesOfRow[k];
    int64_t before = state.length[row];
    if (before == kLengthUnknown) before = WholeLengthOf(state, row);
    const int64_t units = genes.wholeFitness ? UnitsOf(state, row) : kUnitsUnknown;
    // Whether the mutation stands is random: decided without branches. A row that is not
    // whole is summed in single precision with the new count instead.
    const int64_t change = (int64_t{count} - old) * genes.wholeLengthWithKerf[k];
    bool fits = before + change <= wholeLimit;
    if (before < 0) {
      genesOfRow[k] = static_cast<Gene>(count);
      fits = RowLength(genesOfRow, genes) <= ws.search.SearchLength;
    }
    const int64_t stands = -static_cast<int64_t>(fits);
    genesOfRow[k] = static_cast<Gene>(old + ((int64_t{count} - old) & stands));
    if (before >= 0) state.length[row] = before + (change & stands);
    if (units != kUnitsUnknown)
      state.units[row] = units + (((int64_t{count} - old) * genes.fitnessUnits[k]) & stands);
    state.origin[row] |= -static_cast<int32_t>(fits & (count != old));
    budget += static_cast<int32_t>(!fits);
    if (budget > kMaxGenerationMutations) return;
  }
}

void PlanGenerationDraws(int32_t stride) {
  ws.search.MutationStride = stride;
  ws.search.ParentPairsReady = 0;
  ws.search.SwapDrawsReady = 0;
  ws.search.MutationDrawsReady = 0;
  std::fill(std::begin(ws.search.SwapBytes) + kRandomTableSize, std::end(ws.search.SwapBytes),
            uint8_t{0});
}

template bool EveryRowKnown(GenerationState<int32_t>&);
template bool EveryRowKnown(GenerationState<int16_t>&);
template bool EveryRowKnown(GenerationState<int8_t>&);
template void SelectInto(GenerationState<int32_t>&, bool);
template void SelectInto(GenerationState<int16_t>&, bool);
template void SelectInto(GenerationState<int8_t>&, bool);
template void CrossOver(GenerationState<int32_t>&);
template void CrossOver(GenerationState<int16_t>&);
template void CrossOver(GenerationState<int8_t>&);
template void Mutate(GenerationState<int32_t>&);
template void Mutate(GenerationState<int16_t>&);
template void Mutate(GenerationState<int8_t>&);

void SelectByRoulette() {
  GeneTable genes;
  LoadGeneTable(genes);
  GenerationState<int32_t> state(genes);
  BeginUnknown(state);
  SelectInto(state, false);
}

void CrossOverPairs() {
  GeneTable genes;
  LoadGeneTable(genes);
  GenerationState<int32_t> state(genes);
  BeginUnknown(state);
  CrossOver(state);
}

void MutatePopulation() {
  GeneTable genes;
  LoadGeneTable(genes);
  GenerationState<int32_t> state(genes);
  BeginUnknown(state);
  Mutate(state);
}

}  // namespace sawline
