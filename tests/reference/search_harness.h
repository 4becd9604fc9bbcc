// Two builds of the optimizer side by side in one process: the library as it is now, and
// the reference build, whose combination search is the one the faster search replaced
// (its sources under tests/reference/search/, everything else as now, all of it in a
// namespace of its own). Each build has its own workspace, generator and clock seam, so
// calls into one never disturb the other. The equivalence tests compare their answers;
// the side-by-side benchmark alternates them.
#pragma once

#include <cstdint>

namespace search_harness {

inline constexpr int32_t kHeavyGrade = 1;
inline constexpr int32_t kHeavyVariableOrders = 24;  // the heavy book's variable-length orders
inline constexpr float kHeavySegmentLength = 6000.0f;
inline constexpr int32_t kOutcomeEntries = 200;  // fixed-length entries of one grade
inline constexpr int32_t kOutcomeFills = 10;     // rest rows of one fill

// What one combination search answered.
struct SearchOutcome {
  int32_t pieceCount[kOutcomeEntries];  // SearchPieceCount
  int32_t fillRowCount;
  float fill[kOutcomeFills][3];  // count, length, tag of each rest row
  float remainder;               // RemainderLength
  double bestFitness;
  int32_t generations;  // the last generation's counter
  // A digest of the last generation's genes and fitness (the individuals the greedy
  // combinations did not replace), which differs whenever the search took another path.
  uint64_t population;
};

// Searches counted while a count is registered (see Build::countSearches).
struct SearchCount {
  int64_t searches = 0;
  int64_t completed = 0;  // ran all 500 generations
};

// One build's entry points. Every call runs with the seed fixed to `seed` and the clock
// frozen at 0, so that every search runs all its generations, unless a clock scale is
// given: then the live clock runs `clockScale` times as fast, as on a slower PC.
struct Build {
  const char* name;
  // Where the calls write the run log from now on; nullptr: "BackupData.txt".
  void (*setLogPath)(const char* path);
  // The exported entry's work on a parameter and a board-mark block.
  int32_t (*compute)(const float* parameters, const float* marks, float* result, uint32_t seed,
                     double clockScale);
  // Loads the heavy order book: one grade, `fixedOrders` fixed-length orders of 300 to
  // 3000, all variable-length orders, kerf 4; memoOff 1 switches the fill memos off.
  void (*loadHeavyBook)(int32_t fixedOrders, int32_t memoOff);
  // Loads a random book of the same shape drawn from `seed`: `fixedOrders` entries, some
  // with quantities, lengths (and kerf) that are not always whole, every mode 0 to 3.
  void (*loadRandomBook)(uint32_t seed, int32_t fixedOrders);
  // Changes the loaded book in place, as a later call would: the kerf, and the longest
  // piece of one variable-length order of grade 1 (unless maxLength is 0).
  void (*changeBook)(float kerf, int32_t variableOrder, int32_t maxLength);
  // Gives the fixed-length orders of grade 1 the weights (and start weights) of
  // `weights`, in turn from the first order on.
  void (*setFixedWeights)(const float* weights, int32_t count);
  // Switches the fill memos off (1) or on (0) for the later searches.
  void (*setFillMemoOff)(int32_t memoOff);
  // Gives every fixed-length order of grade 1 the quantity `quantity` (0: unlimited).
  void (*setFixedQuantities)(int32_t quantity);
  // Counts every search of the later calls into `count` (nullptr stops counting).
  void (*countSearches)(SearchCount* count);
  // One search of `length` on grade 1 of the loaded book, done counts cleared first.
  void (*search)(float length, int32_t fixedOnly, uint32_t seed, SearchOutcome& outcome);
};

const Build& CurrentBuild();
const Build& ReferenceBuild();

}  // namespace search_harness
