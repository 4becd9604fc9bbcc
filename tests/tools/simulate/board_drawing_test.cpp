#include "simulate/board_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "simulate/shift_random.h"
#include "workspace/capacities.h"

namespace sawline::test {
namespace {

using tools::BoardModel;

TEST(BoardModel, DrawnBoardsKeepTheModelsRangesAndAddUpToTheirLength) {
  std::vector<BoardModel> models(4);
  models[1].minLength = models[1].maxLength = 1000;  // short: fewer zones fit
  models[1].minZones = 2;
  models[1].maxZones = 12;
  models[1].minZoneLength = 300;
  models[2].wasteShare = 0.9;  // mostly defects: the graded zones still get their room
  models[2].minZones = models[2].maxZones = 6;
  models[3].zoneSpread = 0.0;
  models[3].gradeMix = {0, 0, 0, 0, 0, 0, 0, 1};
  for (size_t m = 0; m < models.size(); ++m) {
    const BoardModel& model = models[m];
    ASSERT_EQ(tools::CheckBoardModel(model), "") << m;
    for (uint64_t index = 0; index < 300; ++index) {
      const auto zones = tools::DrawBoardZones(model, 5, index);
      double length = 0.0;
      int graded = 0;
      for (const auto& [grade, zoneLength] : zones) {
        length += static_cast<double>(zoneLength);
        EXPECT_EQ(zoneLength, std::floor(zoneLength));
        if (grade == static_cast<float>(kWasteGrade)) {
          EXPECT_GE(zoneLength, static_cast<float>(model.minWasteLength));
          EXPECT_LE(zoneLength, static_cast<float>(model.maxWasteLength));
        } else {
          ++graded;
          EXPECT_GE(zoneLength, static_cast<float>(model.minZoneLength));
          EXPECT_GE(grade, 1.0f);
          EXPECT_LE(grade, 8.0f);
          EXPECT_GT(model.gradeMix[static_cast<size_t>(grade) - 1], 0.0);
        }
      }
      EXPECT_GE(length, model.minLength) << m << " " << index;
      EXPECT_LE(length, model.maxLength) << m << " " << index;
      EXPECT_GE(graded, 1);
      EXPECT_LE(zones.size(), static_cast<size_t>(model.maxZones));
    }
  }
  // A board depends on the seed and its own number only.
  EXPECT_EQ(tools::DrawBoardZones(models[0], 5, 17), tools::DrawBoardZones(models[0], 5, 17));
  EXPECT_NE(tools::DrawBoardZones(models[0], 5, 17), tools::DrawBoardZones(models[0], 6, 17));
  EXPECT_NE(tools::DrawBoardZones(models[0], 5, 17), tools::DrawBoardZones(models[0], 5, 18));
}

// The generator's first numbers are fixed forever: a seed must draw the same boards on
// every machine and with every compiler.
TEST(BoardModel, GeneratorSequenceIsFixed) {
  tools::ShiftRandom random(1);
  EXPECT_EQ(random.Next(), 0x910a2dec89025cc1u);
  EXPECT_EQ(random.Next(), 0xbeeb8da1658eec67u);
  const auto zones = tools::DrawBoardZones(BoardModel(), 1, 0);
  ASSERT_FALSE(zones.empty());
  double length = 0.0;
  for (const auto& zone : zones)
    length += static_cast<double>(zone.second);
  // Pinned when first drawn; a change here changes every simulated shift.
  EXPECT_EQ(zones.size(), 6u);
  EXPECT_EQ(length, 2447.0);
}

}  // namespace
}  // namespace sawline::test
