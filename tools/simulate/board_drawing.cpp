#include "simulate/board_drawing.h"

#include <algorithm>
#include <cmath>

#include "desk/block_geometry.h"
#include "simulate/shift_random.h"

namespace sawline::tools {
namespace {

// The zone shares are whole numbers around this mean, so the division of a board's length
// among its zones is integer arithmetic.
constexpr int64_t kShareUnit = 1000;

}  // namespace

// A board: its length, its zones' kinds (each a defect by the waste share; one at least
// is graded), the defects' lengths, and the rest shared among the graded zones, each of
// which gets the shortest zone length plus a share of what is left in proportion to a
// drawn whole-number weight. Defects that leave too little for the graded zones are
// graded instead, from the last one back; a board too short for its drawn zone count
// gets as many zones as it holds.
std::vector<std::pair<float, float>> DrawBoardZones(const BoardModel& model, uint64_t seed,
                                                    uint64_t index) {
  ShiftRandom random = ShiftRandom::ForBoard(seed, index);
  const int64_t length = random.Between(model.minLength, model.maxLength);
  // A short board holds fewer zones: never fewer than the model's least (CheckBoardModel).
  const int64_t zones = std::min<int64_t>(random.Between(model.minZones, model.maxZones),
                                          length / model.minZoneLength);
  std::vector<bool> waste(static_cast<size_t>(zones));
  std::vector<int64_t> zoneLength(static_cast<size_t>(zones), 0);
  int64_t graded = 0;
  for (size_t i = 0; i < waste.size(); ++i) {
    waste[i] = random.Chance(model.wasteShare);
    graded += waste[i] ? 0 : 1;
  }
  if (graded == 0) {
    waste[static_cast<size_t>(random.Below(waste.size()))] = false;
    graded = 1;
  }
  int64_t wasteLength = 0;
  for (size_t i = 0; i < waste.size(); ++i) {
    if (!waste[i]) continue;
    zoneLength[i] = random.Between(model.minWasteLength, model.maxWasteLength);
    wasteLength += zoneLength[i];
  }
  for (size_t i = waste.size(); i-- > 0 && length - wasteLength < graded * model.minZoneLength;) {
    if (!waste[i]) continue;
    waste[i] = false;
    wasteLength -= zoneLength[i];
    ++graded;
  }

  const int64_t spread = static_cast<int64_t>(std::llround(model.zoneSpread * kShareUnit));
  std::vector<int64_t> weight(waste.size(), 0);
  int64_t totalWeight = 0;
  for (size_t i = 0; i < waste.size(); ++i) {
    if (waste[i]) continue;
    weight[i] = random.Between(kShareUnit - spread, kShareUnit + spread);
    totalWeight += weight[i];
  }
  const int64_t extra = length - wasteLength - graded * model.minZoneLength;
  int64_t given = 0;
  size_t lastGraded = 0;
  for (size_t i = 0; i < waste.size(); ++i) {
    if (waste[i]) continue;
    const int64_t share = totalWeight > 0 ? extra * weight[i] / totalWeight : 0;
    zoneLength[i] = model.minZoneLength + share;
    given += share;
    lastGraded = i;
  }
  zoneLength[lastGraded] += extra - given;  // what the divisions rounded off

  std::vector<std::pair<float, float>> pairs;
  pairs.reserve(waste.size());
  for (size_t i = 0; i < waste.size(); ++i) {
    const int grade =
        waste[i] ? kWasteGrade
                 : 1 + static_cast<int>(random.Pick(model.gradeMix.data(), model.gradeMix.size()));
    pairs.emplace_back(static_cast<float>(grade), static_cast<float>(zoneLength[i]));
  }
  return pairs;
}

JobBlocks DrawBoard(const JobBlocks& book, const BoardModel& model, uint64_t seed, uint64_t index) {
  JobBlocks job = book;
  job.SetPairs(DrawBoardZones(model, seed, index));
  return job;
}

}  // namespace sawline::tools
