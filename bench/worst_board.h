// The most expensive board the blocks allow (see worst_board_bench.cpp), for the
// benchmarks that time it.
#pragma once

#include <utility>
#include <vector>

#include "desk/blocks.h"

namespace sawline::bench {

inline constexpr int kZones = 100;
inline constexpr int kFixedRows = 200;
inline constexpr int kVariableRows = 24;
inline constexpr int kUncutRows = 24;

// The same deterministic book on every run.
struct WorstBookRandom {
  uint32_t state;
  int Between(int low, int high) {
    state = state * 1664525u + 1013904223u;
    return low + static_cast<int>((state >> 8) % static_cast<uint32_t>(high - low + 1));
  }
};

// Zones cycle through `grades` grades (1 .. grades), adjacent zones of one grade kept
// apart, each within 10% of `zoneLength`. The longer the zones, the more pieces every
// candidate holds and the longer each generation takes. Fewer zones or fixed-length rows
// give smaller boards of the same kind.
inline tools::JobBlocks WorstBoard(int grades, int zoneLength, int zones = kZones,
                                   int fixedRows = kFixedRows) {
  tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4);
  job.SetSetting("OptimizeMode", 0);
  job.SetSetting("WasteMaxLength", 300);
  job.SetSetting("WasteKickerCode", 1020304);
  job.SetSetting("GradeMarkLength", 30);
  job.SetSetting("GradeAMinLength", 200);
  job.SetSetting("UnmarkedGrade", 5);
  job.SetSetting("WasteMarkCount", 9);
  job.SetSetting("SeparateAdjacentSameGrade", 1);
  WorstBookRandom random{20240611u};

  for (int row = 0; row < fixedRows; ++row) {
    job.AddFixedOrder({.grade = 1 + row % grades,
                       .length = random.Between(300, 3000),
                       .weight = static_cast<float>(random.Between(800, 1200)) / 1000,
                       .code = 11000000 + row});
  }
  for (int row = 0; row < kVariableRows; ++row) {
    const int minLength = random.Between(150, 900);
    job.AddVariableOrder({.grade = 1 + row % grades,
                          .minLength = minLength,
                          .maxLength = minLength + random.Between(200, 1800),
                          .weight = static_cast<float>(random.Between(500, 1000)) / 1000,
                          .code = 12000000 + row});
  }
  for (int row = 0; row < kUncutRows; ++row)
    job.SetUncutOrder(row, 100000, 200000, 13000000 + row);

  std::vector<std::pair<float, float>> marks;
  for (int zone = 0; zone < zones; ++zone) {
    marks.emplace_back(
        static_cast<float>(1 + zone % grades),
        static_cast<float>(random.Between(zoneLength * 9 / 10, zoneLength * 11 / 10)));
  }
  job.SetPairs(marks);
  return job;
}

}  // namespace sawline::bench
