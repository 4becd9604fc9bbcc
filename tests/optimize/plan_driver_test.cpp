#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "optimize/optimize.h"
#include "optimize/plan_steps.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

using test::kLengthTolerance;

class PlanDriver : public test::WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    ws.KerfWidth = 5.0f;
    ws.OrderedGradeLimit = 1;
  }
  static void SetSegments(const std::vector<Segment>& segments) {
    ws.SegmentCount = static_cast<int32_t>(segments.size());
    for (size_t i = 0; i < segments.size(); ++i)
      ws.Segments[i] = segments[i];
  }
  static void SetPlanRow(int32_t row, const std::vector<PlanEntry>& entries) {
    ws.SegmentPieceCount[row] = static_cast<int32_t>(entries.size());
    for (size_t e = 0; e < entries.size(); ++e)
      ws.SegmentPlan[row][e] = entries[e];
  }
  // Board length the piece list covers: every piece with its kerf but the last.
  static double CoveredLength() {
    double sum = 0.0;
    for (int32_t i = 0; i < ws.PieceCount; ++i)
      sum += ws.PieceList[i].length + ws.KerfWidth;
    return sum - ws.KerfWidth;
  }
};

TEST_F(PlanDriver, KerfMovesIntoTheWorseFollowingSegmentOnly) {
  struct Case {
    const char* name;
    std::vector<Segment> board;
    std::vector<float> lengths;
  };
  const std::vector<Case> cases = {
      {"worse follower", {{1, 1000}, {3, 2000}}, {1005, 2000}},
      {"better follower", {{3, 1000}, {1, 2000}}, {1000, 2005}},
      {"same grade", {{2, 1000}, {2, 2000}}, {1000, 2005}},
      {"follower of exactly kerf + 0.1", {{1, 1000}, {9, 5.1f}}, {1000, 10.1f}},
      {"follower just longer", {{1, 1000}, {9, 5.2f}}, {1005, 5.2f}},
      {"single segment", {{4, 700}}, {705}},
  };
  for (const Case& c : cases) {
    SetSegments(c.board);
    plan::AdjustKerf();
    for (size_t i = 0; i < c.lengths.size(); ++i) {
      EXPECT_NEAR(ws.Segments[i].length, c.lengths[i], kLengthTolerance) << c.name << " row " << i;
    }
  }
}

TEST_F(PlanDriver, BoardWithoutOrdersBecomesWasteOfTheSegmentLengths) {
  // No orders: every order grade fits nothing and is downgraded to waste; a row that
  // reaches the grade of the next row merges into it and yields nothing itself.
  SetSegments({{2, 1000}, {9, 300}, {3, 500}, {4, 600}, {9, 250}});
  PlanBoard();
  ASSERT_EQ(ws.PieceCount, 4);
  const float expected[] = {1000, 290, 1100, 245};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ws.PieceList[i].gradeCode, 9.0f);
    EXPECT_NEAR(ws.PieceList[i].length, expected[i], kLengthTolerance) << i;
    EXPECT_EQ(ws.PieceList[i].tag, 0.0f);
  }
  EXPECT_EQ(ws.SegmentPieceCount[2], 0);  // merged into the grade-4 row
  EXPECT_NEAR(CoveredLength(), 2650.0, kLengthTolerance);
}

TEST_F(PlanDriver, SingleWasteSegmentKeepsItsLength) {
  SetSegments({{9, 1234.5f}});
  PlanBoard();
  ASSERT_EQ(ws.PieceCount, 1);
  EXPECT_EQ(ws.PieceList[0].gradeCode, 9.0f);
  EXPECT_NEAR(ws.PieceList[0].length, 1234.5f, kLengthTolerance);
}

TEST_F(PlanDriver, GradesOutsideOrderRangeArePlannedAsWasteWithoutLooping) {
  // Truncated grades that no per-grade table has must neither index one nor keep the
  // downgrade loop busy (adding 1 to a huge float changes nothing).
  const float grades[] = {0.0f,
                          -3.0f,
                          1e10f,
                          9.5f,
                          12.0f,
                          std::numeric_limits<float>::quiet_NaN(),
                          -std::numeric_limits<float>::infinity()};
  for (float grade : grades) {
    for (void (*driver)() : {&PlanBoard, &PlanBoardWithDowngrade}) {
      SetSegments({{grade, 800}});
      driver();
      ASSERT_EQ(ws.PieceCount, 1) << grade;
      EXPECT_EQ(ws.PieceList[0].gradeCode, 9.0f) << grade;
      EXPECT_NEAR(ws.PieceList[0].length, 800.0f, kLengthTolerance) << grade;
    }
  }
}

TEST_F(PlanDriver, CenteringHalvesTrailingWasteOfAnUnsplitRow) {
  SetPlanRow(0, {{2, 1, 1000, 11}, {1, 9, 305, 0}});
  plan::CenterWasteInRow(0);
  ASSERT_EQ(ws.SegmentPieceCount[0], 3);
  EXPECT_FLOAT_EQ(ws.SegmentPlan[0][0].length, 150.0f);  // (305 - 5) / 2
  EXPECT_EQ(ws.SegmentPlan[0][1].gradeCode, 1.0f);
  EXPECT_FLOAT_EQ(ws.SegmentPlan[0][2].length, 150.0f);
}

TEST_F(PlanDriver, CenteringLeavesRowsWithoutMovableTrailingWaste) {
  struct Case {
    const char* name;
    std::vector<PlanEntry> row;
  };
  const std::vector<Case> cases = {
      {"waste only", {{1, 9, 300, 0}}},
      {"ends with a piece", {{1, 9, 300, 0}, {1, 1, 1000, 11}}},
      {"waste not above 0.2 - kerf", {{1, 1, 1000, 11}, {1, 9, -4.8f, 0}}},
  };
  for (const Case& c : cases) {
    SetPlanRow(0, c.row);
    plan::CenterWasteInRow(0);
    EXPECT_EQ(ws.SegmentPieceCount[0], static_cast<int32_t>(c.row.size())) << c.name;
    EXPECT_EQ(ws.SegmentPlan[0][c.row.size() - 1].length, c.row.back().length) << c.name;
  }
}

TEST_F(PlanDriver, CenteringOfASplitRowPutsTheHalfBetweenTheParts) {
  SetPlanRow(3, {{1, 1, 900, 11}});
  SetPlanRow(4, {{2, 2, 400, 22}, {1, 9, 105, 0}});
  plan::CenterWasteBetween(3, 4);
  ASSERT_EQ(ws.SegmentPieceCount[3], 2);
  EXPECT_FLOAT_EQ(ws.SegmentPlan[3][1].length, 50.0f);
  EXPECT_EQ(ws.SegmentPlan[3][1].gradeCode, 9.0f);
  EXPECT_FLOAT_EQ(ws.SegmentPlan[4][1].length, 50.0f);
}

TEST_F(PlanDriver, FlattenRepeatsEachEntryByItsCount) {
  ws.SegmentCount = 2;
  SetPlanRow(0, {{2, 1, 1000, 11}, {2.5f, 12, 300, 7}});
  SetPlanRow(1, {{0, 3, 500, 1}, {1, 9, 40, 0}});
  plan::FlattenPlan();
  ASSERT_EQ(ws.PieceCount, 6);  // 2, then 3 for a count of 2.5, none for 0, 1
  EXPECT_EQ(ws.PieceList[1].gradeCode, 1.0f);
  EXPECT_EQ(ws.PieceList[4].tag, 7.0f);
  EXPECT_EQ(ws.PieceList[5].gradeCode, 9.0f);
}

TEST_F(PlanDriver, FlattenFoldsPiecesBeyondTheListIntoOneWastePiece) {
  ws.SegmentCount = 2;
  SetPlanRow(0, {{150, 1, 100, 11}});
  SetPlanRow(1, {{80, 2, 200, 22}, {1, 9, 45, 0}});
  plan::FlattenPlan();
  ASSERT_EQ(ws.PieceCount, kMaxPieces);
  EXPECT_EQ(ws.PieceList[kMaxPieces - 2].gradeCode, 2.0f);
  EXPECT_EQ(ws.PieceList[kMaxPieces - 1].gradeCode, 9.0f);
  // 150 x 105 + 80 x 205 + 50 for the waste, less the board's final kerf.
  EXPECT_NEAR(CoveredLength(), 150 * 105.0 + 80 * 205.0 + 50.0 - 5.0, kLengthTolerance);

  SetPlanRow(1, {{50, 2, 200, 22}});  // exactly full: nothing is folded
  plan::FlattenPlan();
  EXPECT_EQ(ws.PieceCount, kMaxPieces);
  EXPECT_EQ(ws.PieceList[kMaxPieces - 1].gradeCode, 2.0f);

  SetPlanRow(1, {{1e9f, 2, 200, 22}});  // a count no loop should walk
  plan::FlattenPlan();
  EXPECT_EQ(ws.PieceCount, kMaxPieces);
  EXPECT_EQ(ws.PieceList[kMaxPieces - 1].gradeCode, 9.0f);
}

TEST_F(PlanDriver, FullPlanRowFoldsFurtherEntriesIntoWaste) {
  for (int32_t e = 0; e < kMaxPlanEntries; ++e) {
    plan::AppendPlanEntry(0, 1, 1, 100, 11);
  }
  plan::AppendPlanEntry(0, 2, 12, 300, 7);
  plan::AppendWaste(0, 60);
  ASSERT_EQ(ws.SegmentPieceCount[0], kMaxPlanEntries);
  const PlanEntry& last = ws.SegmentPlan[0][kMaxPlanEntries - 1];
  EXPECT_EQ(last.gradeCode, 9.0f);
  EXPECT_EQ(last.count, 1.0f);
  EXPECT_NEAR(last.length + 5.0, 105.0 + 2 * 305.0 + 60.0, kLengthTolerance);
}

}  // namespace
}  // namespace sawline
