#include <gtest/gtest.h>

#include <vector>

#include "optimize/optimize.h"
#include "optimize/plan_test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

using test::kLengthTolerance;

class DefectSawing : public test::PlanTest {};

TEST_F(DefectSawing, SingleSegmentIsOnePieceOfItsLength) {
  SetSegments({{1, 2400}});
  PlanDefectSawing();
  ASSERT_EQ(ws.cut.PieceCount, 1);
  EXPECT_EQ(ws.cut.PieceList[0].gradeCode, 1.0f);
  EXPECT_NEAR(ws.cut.PieceList[0].length, 2400.0f, kLengthTolerance);
  EXPECT_EQ(ws.plan.SegmentPieceCount[0], 0);  // no plan rows in this mode
}

TEST_F(DefectSawing, BoundaryMovesOneKerfIntoTheFollowingDefect) {
  SetSegments({{1, 1000}, {9, 300}, {1, 800}, {9, 5.1f}});
  PlanDefectSawing();
  ASSERT_EQ(ws.cut.PieceCount, 4);
  // The last defect is too short to give up a kerf, so the sound piece before it
  // carries its own kerf.
  const float lengths[] = {1000, 290, 795, 5.1f};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_NEAR(ws.cut.PieceList[i].length, lengths[i], kLengthTolerance) << i;
  }
}

TEST_F(DefectSawing, SoundPiecesTakeTheCodeOfTheFirstRangeHoldingThem) {
  AddVariable(1, 500, 1000, 11223344);
  AddVariable(1, 900, 2000, 55667788);
  struct Case {
    float grade;
    float length;  // piece length (the single row gets and loses one kerf)
    float tag;
  };
  const Case cases[] = {
      {1, 500, 11223344.0f},   // minimum included
      {1, 1000, 11223344.0f},  // maximum included; the earlier row wins the overlap
      {1, 1001, 55667788.0f},  // second row only
      {1, 2000, 55667788.0f},  // its maximum
      {1, 2001, 0.0f},         // in no range
      {1, 499, 0.0f},          // below every range
      {9, 700, 0.0f},          // defects never carry a code
  };
  for (const Case& c : cases) {
    SetSegments({{c.grade, c.length}});
    PlanDefectSawing();
    ASSERT_EQ(ws.cut.PieceCount, 1);
    EXPECT_EQ(ws.cut.PieceList[0].tag, c.tag) << c.grade << " " << c.length;
  }
}

}  // namespace
}  // namespace sawline
