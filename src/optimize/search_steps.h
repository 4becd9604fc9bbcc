// Internal pieces of the segment filler and the combination search: the per-gene
// constants the operators share, the generation state, and the fill memos. The search's
// steps are declared in search_testing.h. Not part of the library's interface.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "optimize/search_testing.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {

// Valid entries of a per-grade list: 0 for a grade without lists (outside 1..8) and
// never more than the list's capacity, whatever the count holds.
inline int32_t ListCount(int32_t grade, const int32_t (&counts)[kGrades], int32_t capacity) {
  if (!IsOrderGrade(grade)) return 0;
  return std::clamp(counts[grade], 0, capacity);
}

// floor(x) converted to int (saturating, NaN giving 0); the common case of a quotient
// from 0 to below 2^31 truncates directly, which is the same thing.
inline int32_t FloorToInt(double x) {
  if (x >= 0.0 && x < 2147483648.0) return static_cast<int32_t>(x);
  return TruncToInt(std::floor(x));
}

// floor(x) + 1 converted to int, the whole 1 added after the floor (adding it first could
// round a quotient just below a whole number up to it).
inline int32_t FloorPlusOneToInt(double x) {
  if (x >= 0.0 && x < 2147483647.0) return static_cast<int32_t>(x) + 1;
  return TruncToInt(std::floor(x) + 1.0);
}

// Whole pieces of `pieceWithKerf` that fit into `room`, never negative. A piece that
// consumes nothing (or a negative length) fits no times: the quotient would be infinite
// or meaningless.
inline int32_t PiecesThatFit(double room, double pieceWithKerf) {
  if (!(pieceWithKerf > 0.0)) return 0;
  return std::max(0, FloorToInt(room / pieceWithKerf));
}

// A draw from RandomTable scaled to 0..n: floor(n * draw / 32768 + 0.5), the product
// taken exactly. While the product is exact in double precision this is the same as
// the shift (n * draw + 16384) >> 15, which floors as the formula does.
inline int32_t ScaledDraw(int64_t n, int32_t draw) {
  if (static_cast<uint64_t>(n) < (uint64_t{1} << 31) && static_cast<uint32_t>(draw) < 32768u) {
    return static_cast<int32_t>((n * draw + 16384) >> 15);
  }
  const int64_t product = n * draw;
  constexpr int64_t kExactDoubleIntegers = int64_t{1} << 53;
  if (product > -kExactDoubleIntegers && product < kExactDoubleIntegers) {
    const int64_t scaled = (product + 16384) >> 15;
    return static_cast<int32_t>(std::clamp<int64_t>(scaled, INT32_MIN, INT32_MAX));
  }
  return TruncToInt(std::floor(static_cast<double>(product) / 32768.0 + 0.5));
}

// Each of `count` values from 0 up rounded down to single precision: the largest single-
// precision number not above it (FLT_MAX for a finite value beyond it). A double is below
// a single-precision x exactly when its value rounded down is.
inline void RoundDownToSingle(const double* values, float* down, int32_t count) {
  int32_t i = 0;
#if defined(__SSE2__)
  for (; i + 2 <= count; i += 2) {
    const __m128d exact = _mm_loadu_pd(values + i);
    const __m128 nearest = _mm_cvtpd_ps(exact);
    // Where rounding went up, the next single-precision number below: its bits less one.
    const __m128d above = _mm_cmpgt_pd(_mm_cvtps_pd(nearest), exact);
    const __m128i step = _mm_shuffle_epi32(_mm_castpd_si128(above), 0x08);
    const __m128i bits = _mm_add_epi32(_mm_castps_si128(nearest), step);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(down + i), bits);
  }
#endif
  for (; i < count; ++i) {
    const float nearest = static_cast<float>(values[i]);
    down[i] = static_cast<double>(nearest) > values[i]
                  ? std::nextafter(nearest, -std::numeric_limits<float>::infinity())
                  : nearest;
  }
}

// Range tables for InRanges and AboveLowInRanges hold their entries from 0 to count - 1
// and, when count is odd, one more that no value falls into (see PadRanges); the scans
// read them two at a time.
inline int32_t PaddedRangeCount(int32_t count) {
  return (count + 1) & ~1;
}

inline void PadRanges(double* low, double* high, int32_t count) {
  for (int32_t j = count; j < PaddedRangeCount(count); ++j) {
    low[j] = kInfinity;
    high[j] = -kInfinity;
  }
}

// Bit j (j < count <= 32) set when low[j] <= x <= high[j]; with strictLow, when
// low[j] < x <= high[j].
template <bool strictLow>
inline uint32_t RangeMask(const double* low, const double* high, int32_t count, double x) {
  uint32_t mask = 0;
  const int32_t padded = PaddedRangeCount(count);
#if defined(__SSE2__)
  const __m128d value = _mm_set1_pd(x);
  for (int32_t j = 0; j < padded; j += 2) {
    const __m128d lows = _mm_loadu_pd(low + j);
    const __m128d above = strictLow ? _mm_cmplt_pd(lows, value) : _mm_cmple_pd(lows, value);
    const __m128d below = _mm_cmple_pd(value, _mm_loadu_pd(high + j));
    mask |= static_cast<uint32_t>(_mm_movemask_pd(_mm_and_pd(above, below))) << j;
  }
#else
  for (int32_t j = 0; j < padded; ++j) {
    const bool above = strictLow ? low[j] < x : low[j] <= x;
    mask |= static_cast<uint32_t>(above & (x <= high[j])) << j;
  }
#endif
  return mask;
}

inline uint32_t InRanges(const double* low, const double* high, int32_t count, double x) {
  return RangeMask<false>(low, high, count, x);
}

inline uint32_t AboveLowInRanges(const double* low, const double* high, int32_t count, double x) {
  return RangeMask<true>(low, high, count, x);
}

// Rows of a population: row r starts at genes + r * stride. Population and
// NextPopulation hold 32-bit genes in rows of kMaxGenes; while a search's generations
// run they are kept in compact 8- or 16-bit rows of GeneCount genes instead (see
// BytePopulation and CompactPopulation), which the same operators serve: the smaller
// the rows, the more of both generations stays in the nearest cache.
template <typename Gene>
struct PopulationRows {
  Gene* genes;
  int32_t stride;
  // Genes a scan of a row may read: the compact rows are padded to whole vectors with
  // genes that stay 0 (0 for the tables, whose rows hold stale genes past GeneCount).
  int32_t scan;
  Gene* operator[](int32_t row) const { return genes + static_cast<ptrdiff_t>(row) * stride; }
  int32_t ScanCount(int32_t count) const { return std::max(count, scan); }
};

inline PopulationRows<int32_t> TableRows(int32_t (*table)[kMaxGenes]) {
  return {&table[0][0], kMaxGenes, 0};
}

// The genes of a row, as bits (gene j is bit j % 64 of word j / 64).
inline constexpr int32_t kGeneMaskWords = (kMaxGenes + 63) / 64;
struct GeneMask {
  uint64_t word[kGeneMaskWords];
};

// Bits of the first n genes (n <= 64) in which a differs from b, or (againstZero) that
// are not 0. The word is built in a register: 16 genes a step, packed to one byte each.
template <bool againstZero, typename Gene>
inline uint64_t DifferenceWord(const Gene* a, const Gene* b, int32_t n) {
  uint64_t word = 0;
  int32_t j = 0;
#if defined(__SSE2__)
  const auto load = [](const Gene* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  };
  const auto equal = [&](int32_t at) {
    const __m128i x = load(a + at);
    const __m128i y = againstZero ? _mm_setzero_si128() : load(b + at);
    if constexpr (sizeof(Gene) == 4) {
      return _mm_cmpeq_epi32(x, y);
    } else if constexpr (sizeof(Gene) == 2) {
      return _mm_cmpeq_epi16(x, y);
    } else {
      static_assert(sizeof(Gene) == 1);
      return _mm_cmpeq_epi8(x, y);
    }
  };
  if constexpr (sizeof(Gene) == 1) {
    for (; j + 16 <= n; j += 16) {
      const int same = _mm_movemask_epi8(equal(j));
      word |= static_cast<uint64_t>(~same & 0xFFFF) << j;
    }
  } else if constexpr (sizeof(Gene) == 2) {
    for (; j + 16 <= n; j += 16) {
      const int same = _mm_movemask_epi8(_mm_packs_epi16(equal(j), equal(j + 8)));
      word |= static_cast<uint64_t>(~same & 0xFFFF) << j;
    }
    if (j + 8 <= n) {
      const __m128i lanes = equal(j);
      const int same = _mm_movemask_epi8(_mm_packs_epi16(lanes, lanes)) & 0xFF;
      word |= static_cast<uint64_t>(~same & 0xFF) << j;
      j += 8;
    }
  } else {
    for (; j + 4 <= n; j += 4) {
      const int same = _mm_movemask_ps(_mm_castsi128_ps(equal(j)));
      word |= static_cast<uint64_t>(~same & 0xF) << j;
    }
  }
#endif
  for (; j < n; ++j) {
    const bool differs = againstZero ? a[j] != 0 : a[j] != b[j];
    word |= static_cast<uint64_t>(differs) << j;
  }
  return word;
}

// Bits of the genes in which a differs from b, or (b null) that are not 0. With `words`
// below kGeneMaskWords, only the first words are written (for rows of at most 64 * words
// genes); the helpers below then visit only those.
template <typename Gene, int32_t words = kGeneMaskWords>
inline void GenesNotEqual(const Gene* a, const Gene* b, int32_t count, GeneMask& mask) {
  static_assert(words >= 1 && words <= kGeneMaskWords);
  for (int32_t w = 0; w < words; ++w) {
    const int32_t first = w * 64;
    const int32_t n = std::clamp(count - first, 0, 64);
    if (n == 0) {
      mask.word[w] = 0;
    } else if (b == nullptr) {
      mask.word[w] = DifferenceWord<true>(a + first, a, n);
    } else {
      mask.word[w] = DifferenceWord<false>(a + first, b + first, n);
    }
  }
}

// Calls visit(j) for every bit j of the mask, in ascending order.
template <int32_t words = kGeneMaskWords, typename Visit>
inline void ForEachGene(const GeneMask& mask, Visit visit) {
  for (int32_t w = 0; w < words; ++w) {
    for (uint64_t bits = mask.word[w]; bits != 0; bits &= bits - 1)
      visit(w * 64 + std::countr_zero(bits));
  }
}

// Calls visit(j) for the bits j of the mask, in descending order when `backward`, for as
// long as it returns true.
template <int32_t words = kGeneMaskWords, typename Visit>
inline void WalkGenes(const GeneMask& mask, bool backward, Visit visit) {
  for (int32_t n = 0; n < words; ++n) {
    const int32_t w = backward ? words - 1 - n : n;
    for (uint64_t bits = mask.word[w]; bits != 0;) {
      const int32_t bit = backward ? 63 - std::countl_zero(bits) : std::countr_zero(bits);
      bits &= ~(uint64_t{1} << bit);
      if (!visit(w * 64 + bit)) return;
    }
  }
}

// Calls visit(j) for every gene j that is not 0, in ascending order.
template <typename Gene, typename Visit>
inline void ForEachNonzeroGene(const Gene* row, int32_t count, Visit visit) {
  GeneMask mask;
  GenesNotEqual<Gene>(row, nullptr, count, mask);
  ForEachGene(mask, visit);
}

// Copies the first `count` genes of a row, converting between gene types.
template <typename To, typename From>
inline void CopyGenes(To* to, const From* from, int32_t count) {
  if constexpr (std::is_same_v<To, From>) {
    std::memcpy(to, from, sizeof(To) * static_cast<size_t>(std::max(count, 0)));
  } else {
    for (int32_t j = 0; j < count; ++j)
      to[j] = static_cast<To>(from[j]);
  }
}

// Copies row `from` of a population over row `to`: the compact rows whole, padding
// included, by vectors; the tables' rows up to `count`.
template <typename Gene>
inline void CopyRow(const PopulationRows<Gene>& rows, Gene* to, const Gene* from, int32_t count) {
#if defined(__SSE2__)
  const int32_t scan = rows.scan;
  if (scan > 0) {
    constexpr int32_t kLanes = 16 / sizeof(Gene);
    const auto copy = [&](int32_t j) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + j),
                       _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + j)));
    };
    int32_t j = 0;
    for (; j + 2 * kLanes <= scan; j += 2 * kLanes) {
      copy(j);
      copy(j + kLanes);
    }
    if (j + kLanes <= scan) copy(j);
    return;
  }
#endif
  CopyGenes(to, from, count);
}

// What every step needs to know about the genes of the current search.
struct GeneTable {
  int32_t count;                     // genes that can be used safely (see LoadGeneTable)
  int32_t length[kMaxGenes];         // FixedLength of the gene's entry
  double lengthWithKerf[kMaxGenes];  // that length plus KerfWidth
  double weight[kMaxGenes];          // SearchWeight of the gene's entry
  // True when every length plus kerf is a whole number from 0 and a row with every gene
  // at its limit stays below 2^24: then every single-precision partial sum of a row
  // within its limits is exact, and a row's length can be kept as a whole number and
  // updated gene by gene without changing any result.
  bool whole;
  int64_t wholeLengthWithKerf[kMaxGenes];  // lengthWithKerf when `whole`, else 0
  // True when, besides `whole`, the fitness of every piece (its length times its weight)
  // is a whole number of `fitnessUnit`, a power of two, and a row with every gene at its
  // limit stays below 2^53 units either way: then every partial sum of a row's fitness
  // within its limits is exact in double precision, in any order, and the fitness of a
  // row can be kept as a count of units and updated gene by gene.
  bool wholeFitness;
  double fitnessUnit;
  int64_t fitnessUnits[kMaxGenes];  // units of one piece's fitness when wholeFitness, else 0
};

// GeneCount clamped so that no gene reaches past a table: 0 for a grade outside 1..8.
inline int32_t UsableGeneCount() {
  const int32_t first = ws.search.SearchFirstEntry;
  if (!IsOrderGrade(ws.search.SearchGrade) || first < 0 || first > kMaxFixedOrders) return 0;
  return std::clamp(ws.search.GeneCount, 0, std::min(kMaxGenes, kMaxFixedOrders - first));
}

// Reads the genes of the search in ws (SearchGrade, SearchFirstEntry, GeneCount), as
// many as UsableGeneCount allows.
void LoadGeneTable(GeneTable& genes);

// A row's length as the operators define it: its pieces with their kerfs, summed in
// single precision in gene order.
template <typename Gene>
inline float RowLength(const Gene* row, const GeneTable& genes) {
  float length = 0.0f;
  for (int32_t j = 0; j < genes.count; ++j) {
    if (row[j] != 0) {
      length = static_cast<float>(static_cast<double>(length) +
                                  static_cast<double>(row[j]) * genes.lengthWithKerf[j]);
    }
  }
  return length;
}

inline constexpr int64_t kUnitsUnknown = INT64_MIN;

// The bits of a RestValues entry not yet worked out: a NaN that no value of a rest is (were
// one ever, it would only be worked out again).
inline constexpr uint64_t kRestValueUnknown = 0x7FF4000052455354u;

// The fitness units of a row within its limits when the gene table has `wholeFitness`;
// kUnitsUnknown otherwise.
template <typename Gene>
inline int64_t RowFitnessUnits(const Gene* row, const GeneTable& genes) {
  if (!genes.wholeFitness) return kUnitsUnknown;
  int64_t units = 0;
  for (int32_t j = 0; j < genes.count; ++j) {
    if (row[j] < 0 || row[j] > ws.search.GeneLimit[j]) return kUnitsUnknown;
    units += row[j] * genes.fitnessUnits[j];
  }
  return units;
}

// The exact length of a row within its limits when the gene table is `whole` (its single-
// precision sum is exact then); -1 when a gene is outside 0..its limit (the caller then
// sums in single precision).
template <typename Gene>
inline int64_t WholeRowLength(const Gene* row, const GeneTable& genes) {
  for (int32_t j = 0; j < genes.count; ++j) {
    if (row[j] < 0 || row[j] > ws.search.GeneLimit[j]) return -1;
  }
  return static_cast<int64_t>(RowLength(row, genes));
}

// The results of a population's evaluation, by individual: Fitness, IndividualLength
// and the rest rows, or the tables of the generation under construction.
struct ResultRows {
  double* fitness;
  double* length;  // pieces and kerfs; -1 off limits
  int32_t* fillCount;
  FillRow (*fillRows)[kMaxFillRows];
  int64_t* units;  // fitness units of the fixed-length pieces; kUnitsUnknown if not known
};

inline ResultRows CurrentResults() {
  return {ws.search.Fitness, ws.search.IndividualLength, ws.search.IndividualFillCount,
          ws.search.IndividualFillRows, ws.search.FixedFitnessUnits};
}

inline ResultRows NextResults() {
  return {ws.search.NextFitness, ws.search.NextIndividualLength, ws.search.NextFillCount,
          ws.search.NextFillRows, ws.search.NextFixedFitnessUnits};
}

// What one generation carries from operator to operator, so that no row's length is
// summed twice and rows that stay copies of a row of the last generation are not
// evaluated again. The generation reads `from` and builds `to`: Population and
// NextPopulation for the public operators; the search's own loop alternates two tables.
template <typename Gene>
struct GenerationState {
  explicit GenerationState(const GeneTable& table) : genes(table) {}
  const GeneTable& genes;
  PopulationRows<Gene> from;
  PopulationRows<Gene> to;
  ResultRows fromResults;  // what the last evaluation left for the rows of `from`
  // Whole length of each row of `to` (see GeneTable::whole); -1: sum it in single
  // precision; -2: not known yet.
  int64_t length[kPopulationSize];
  // Fitness units of each row of `to` (see GeneTable::wholeFitness); kUnitsUnknown: not
  // known yet, or not kept.
  int64_t units[kPopulationSize];
  // Row of `from` that row i of `to` is still an exact copy of; -1 when the row has
  // changed since it was selected.
  int32_t origin[kPopulationSize];
  // True in the search's own loop: the draws that depend on the generation alone are read
  // from the plan PlanGenerationDraws made (ParentPairs, SwapBits, MutationDraws).
  bool planned;
  // Set when planned, the gene table has whole fitness and every row's whole length and
  // units are known (EveryRowKnown): crossover and mutation then keep to those numbers.
  bool known;
};

// Starts the plan of ParentPairs, SwapBits, SwapBytes and MutationDraws afresh for rows
// of `stride` genes (each is worked out from RandomTable as the generations reach it);
// the search's loop calls it once, after the gene limits are set.
void PlanGenerationDraws(int32_t stride);

inline constexpr int64_t kLengthNotWhole = -1;
inline constexpr int64_t kLengthUnknown = -2;

// The operators on a generation's state. With `useEvaluatedLengths`, selection takes
// the row lengths from the lengths the last evaluation left for the rows of `from` as
// they stand.
template <typename Gene>
void SelectInto(GenerationState<Gene>& state, bool useEvaluatedLengths);
template <typename Gene>
void CrossOver(GenerationState<Gene>& state);
template <typename Gene>
bool EveryRowKnown(GenerationState<Gene>& state);
template <typename Gene>
void Mutate(GenerationState<Gene>& state);

// Rounding guard. A row built from double-precision room (the initial population, the
// greedy combinations) or shortened by subtracting piece after piece (the crossover
// repair) can come out a rounding error longer than SearchLength when its single-
// precision length is summed afresh. Such a row gives up one piece after another, from
// gene `from` in the direction `step`, until it fits. A whole gene table sums exactly,
// so nothing changes then; otherwise only rows that would not fit are touched.
template <typename Gene>
inline float GiveUpUntilFits(Gene* row, const GeneTable& genes, int32_t from, int32_t step,
                             bool& changed) {
  float length = RowLength(row, genes);
  for (int32_t j = from; length > ws.search.SearchLength && j >= 0 && j < genes.count;) {
    if (row[j] >= 1) {
      --row[j];
      changed = true;
      length = RowLength(row, genes);
    } else {
      j += step;
    }
  }
  return length;
}

// The same generation as RunGeneration from the rows `from`, which `fromResults`
// describe, into the rows `to`, which then hold the population that `toResults`
// describe; nothing is copied back. Inside a search's own loop `genes` is the search's
// gene table and `rest` what its evaluation of rests reads, both loaded once; null loads
// them afresh.
struct RestContext;
template <typename Gene>
void AdvanceGeneration(int32_t fixedOnly, PopulationRows<Gene> from, PopulationRows<Gene> to,
                       const GeneTable* genes, const ResultRows& fromResults,
                       const ResultRows& toResults, const RestContext* rest);

// Tells the observer that ObserveSearches registered, if any, what the current search
// chose (see search_probe.cpp).
void ObserveSearch(int32_t fixedOnly, int32_t generations, const int32_t* genes, double fitness);

// ---- Fill memos ----
// While a search runs, FillSegment (and the FillRemainder calls inside it) is a pure
// function of the length it gets: the grade, the grade's variable-length list and the
// kerf stay as they were. The memos remember its results by the exact bits of that
// length, for the current epoch only. An epoch stands for one FillMemoKey (the grade,
// its list and the kerf, FillMemoInputs): BeginFillMemo starts a new epoch when the search's key is
// not the last one (unless FillMemoOff is 1), and EndFillMemo stops the use between searches, so no
// result is ever read for inputs other than its own.

// Slot of `bits` in a memo of kFillMemoSlots entries, or -1 when the probe window is
// full of other lengths (the caller then computes without remembering). `found` tells
// whether the slot already holds the length.
template <typename Entry>
inline int32_t FindMemoSlot(const Entry* entries, uint32_t bits, bool& found) {
  constexpr int32_t kProbeWindow = 64;
  const uint64_t epoch = ws.search.FillMemoEpoch;
  const uint64_t wanted = (epoch << 32) | bits;
  uint32_t slot = (bits * 0x9E3779B1u) >> 18;
  static_assert((kFillMemoSlots & (kFillMemoSlots - 1)) == 0 && kFillMemoSlots == 1 << 14);
  for (int32_t probe = 0; probe < kProbeWindow; ++probe) {
    const uint64_t tag = entries[slot].tag;
    if (tag == wanted) {
      found = true;
      return static_cast<int32_t>(slot);
    }
    if ((tag >> 32) != epoch) {
      found = false;
      return static_cast<int32_t>(slot);
    }
    slot = (slot + 1) & (kFillMemoSlots - 1);
  }
  found = false;
  return -1;
}

// compute() answered from `memo` while a search's memo is active for `grade`: a remembered
// answer of the same length comes from load(entry); a new one is remembered when the probe
// window has room and keep(entry, answer) takes it.
template <typename Entry, typename Compute, typename Load, typename Keep>
inline auto Remembered(Entry* memo, int32_t grade, float length, Compute compute, Load load,
                       Keep keep) {
  if (ws.search.FillMemoActive != 1 || grade != ws.search.SearchGrade) return compute();
  uint32_t bits;
  std::memcpy(&bits, &length, sizeof bits);
  bool found = false;
  const int32_t slot = FindMemoSlot(memo, bits, found);
  if (found) return load(memo[slot]);
  const auto answer = compute();
  if (slot >= 0 && keep(memo[slot], answer)) {
    memo[slot].tag = (static_cast<uint64_t>(ws.search.FillMemoEpoch) << 32) | bits;
  }
  return answer;
}

// ---- Cover table ----
// Which variable-length orders of the searched grade take one piece of a rest x, their
// range with the kerf (min + K <= x <= max + K) covering it: asked for every exact fit.
// When the kerf and so every bound is a whole number from 0, a bound compares with x as
// it compares with floor(x) (lower) or ceil(x) (upper), so a table of the orders
// covering each whole length answers for any x. It is built on first use in a search
// (BeginFillMemo) and dropped at its end (EndFillMemo).
inline constexpr int32_t kCoverTableOff = 0;
inline constexpr int32_t kCoverTablePending = 1;
inline constexpr int32_t kCoverTableReady = 2;

// True when the table answers for `grade`, building it first if it is still pending.
bool CoverTableAnswers(int32_t grade);

// Bit j set when order j covers x (the table must answer).
inline uint32_t CoveringOrders(double x) {
  if (!(x >= 0.0 && x < static_cast<double>(ws.filler.CoverTableLength - 1))) return 0;
  const int32_t below = static_cast<int32_t>(x);
  const int32_t above = below + (x != below ? 1 : 0);
  return ws.filler.CoverTable[below] & ws.filler.CoverTable[above];
}

// The grade's variable-length list as the segment filler and the evaluation of rests read
// it, with the sums they need.
struct OrderView {
  int32_t count;
  double kerf;
  double minLength[kMaxVariableOrders];
  double maxLength[kMaxVariableOrders];
  double minPlusKerf[kMaxVariableOrders];
  double maxPlusKerf[kMaxVariableOrders];
  double weight[kMaxVariableOrders];
  float tag[kMaxVariableOrders];
  double shortestMaxPlusKerf;  // smallest max + K: a longer rest admits a tiling
  int32_t shortestMinOrder;    // first order with the smallest minimum length
  bool coverTable;             // the search's cover table answers the exact fits
};

void LoadOrders(int32_t grade, OrderView& view);

// Bit j set when order j takes one piece of the rest r exactly: its range with the kerf
// (min + K <= r <= max + K) covers r.
inline uint32_t OrdersTakingExactly(const OrderView& view, double r) {
  return view.coverTable ? CoveringOrders(r)
                         : InRanges(view.minPlusKerf, view.maxPlusKerf, view.count, r);
}

// FillSegment answered from the memo when a search's memo is active: returns its score
// and leaves its rows in `rows` / `rowCount` (FillRows is not touched on a hit).
float MemoizedFillSegment(int32_t grade, float length, const FillRow*& rows, int32_t& rowCount);

}  // namespace sawline
