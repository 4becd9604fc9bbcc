#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "optimize/optimize.h"
#include "optimize/plan_steps.h"
#include "optimize/plan_test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

using test::kLengthTolerance;

class PlanDriver : public test::PlanTest {};

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
      EXPECT_NEAR(ws.board.Segments[i].length, c.lengths[i], kLengthTolerance)
          << c.name << " row " << i;
    }
  }
}

TEST_F(PlanDriver, BoardWithoutOrdersBecomesWasteOfTheSegmentLengths) {
  // No orders: every order grade fits nothing and is downgraded to waste; a row that
  // reaches the grade of the next row merges into it and yields nothing itself.
  SetSegments({{2, 1000}, {9, 300}, {3, 500}, {4, 600}, {9, 250}});
  PlanBoard();
  ASSERT_EQ(ws.cut.PieceCount, 4);
  const float expected[] = {1000, 290, 1100, 245};
  for (int32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(ws.cut.PieceList[i].gradeCode, 9.0f);
    EXPECT_NEAR(ws.cut.PieceList[i].length, expected[i], kLengthTolerance) << i;
    EXPECT_EQ(ws.cut.PieceList[i].tag, 0.0f);
  }
  EXPECT_EQ(ws.plan.SegmentPieceCount[2], 0);  // merged into the grade-4 row
  EXPECT_NEAR(CoveredLength(), 2650.0, kLengthTolerance);
}

TEST_F(PlanDriver, SingleWasteSegmentKeepsItsLength) {
  SetSegments({{9, 1234.5f}});
  PlanBoard();
  ASSERT_EQ(ws.cut.PieceCount, 1);
  EXPECT_EQ(ws.cut.PieceList[0].gradeCode, 9.0f);
  EXPECT_NEAR(ws.cut.PieceList[0].length, 1234.5f, kLengthTolerance);
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
    for (bool downgrade : {false, true}) {
      SetSegments({{grade, 800}});
      if (downgrade) {
        PlanBoardWithDowngrade();
      } else {
        PlanBoard();
      }
      ASSERT_EQ(ws.cut.PieceCount, 1) << grade;
      EXPECT_EQ(ws.cut.PieceList[0].gradeCode, 9.0f) << grade;
      EXPECT_NEAR(ws.cut.PieceList[0].length, 800.0f, kLengthTolerance) << grade;
    }
  }
}

TEST_F(PlanDriver, ASegmentPastTheCountIsNoNeighbour) {
  // Segment 1 is left over from an earlier board, of the grade that the last segment is
  // downgraded to. The last segment must become waste itself, not merge into it.
  SetSegments({{2, 1000}, {3, 500}});
  ws.board.SegmentCount = 1;
  PlanBoard();
  ASSERT_EQ(ws.cut.PieceCount, 1);
  EXPECT_EQ(ws.cut.PieceList[0].gradeCode, 9.0f);
  EXPECT_NEAR(CoveredLength(), 1000.0, kLengthTolerance);
}

TEST_F(PlanDriver, CenteringHalvesTrailingWasteOfAnUnsplitRow) {
  SetPlanRow(0, {{2, 1, 1000, 11}, {1, 9, 305, 0}});
  plan::CenterWasteInRow(0);
  ASSERT_EQ(ws.plan.SegmentPieceCount[0], 3);
  EXPECT_FLOAT_EQ(ws.plan.SegmentPlan[0][0].length, 150.0f);  // (305 - 5) / 2
  EXPECT_EQ(ws.plan.SegmentPlan[0][1].gradeCode, 1.0f);
  EXPECT_FLOAT_EQ(ws.plan.SegmentPlan[0][2].length, 150.0f);
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
    EXPECT_EQ(ws.plan.SegmentPieceCount[0], static_cast<int32_t>(c.row.size())) << c.name;
    EXPECT_EQ(ws.plan.SegmentPlan[0][c.row.size() - 1].length, c.row.back().length) << c.name;
  }
}

TEST_F(PlanDriver, CenteringOfASplitRowPutsTheHalfBetweenTheParts) {
  SetPlanRow(3, {{1, 1, 900, 11}});
  SetPlanRow(4, {{2, 2, 400, 22}, {1, 9, 105, 0}});
  plan::CenterWasteBetween(3, 4);
  ASSERT_EQ(ws.plan.SegmentPieceCount[3], 2);
  EXPECT_FLOAT_EQ(ws.plan.SegmentPlan[3][1].length, 50.0f);
  EXPECT_EQ(ws.plan.SegmentPlan[3][1].gradeCode, 9.0f);
  EXPECT_FLOAT_EQ(ws.plan.SegmentPlan[4][1].length, 50.0f);
}

TEST_F(PlanDriver, FlattenRepeatsEachEntryByItsCount) {
  ws.board.SegmentCount = 2;
  SetPlanRow(0, {{2, 1, 1000, 11}, {2.5f, 12, 300, 7}});
  SetPlanRow(1, {{0, 3, 500, 1}, {1, 9, 40, 0}});
  plan::FlattenPlan();
  ASSERT_EQ(ws.cut.PieceCount, 6);  // 2, then 3 for a count of 2.5, none for 0, 1
  EXPECT_EQ(ws.cut.PieceList[1].gradeCode, 1.0f);
  EXPECT_EQ(ws.cut.PieceList[4].tag, 7.0f);
  EXPECT_EQ(ws.cut.PieceList[5].gradeCode, 9.0f);
}

TEST_F(PlanDriver, FlattenFoldsPiecesBeyondTheListIntoOneWastePiece) {
  ws.board.SegmentCount = 2;
  SetPlanRow(0, {{150, 1, 100, 11}});
  SetPlanRow(1, {{80, 2, 200, 22}, {1, 9, 45, 0}});
  plan::FlattenPlan();
  ASSERT_EQ(ws.cut.PieceCount, kMaxPieces);
  EXPECT_EQ(ws.cut.PieceList[kMaxPieces - 2].gradeCode, 2.0f);
  EXPECT_EQ(ws.cut.PieceList[kMaxPieces - 1].gradeCode, 9.0f);
  // 150 x 105 + 80 x 205 + 50 for the waste, less the board's final kerf.
  EXPECT_NEAR(CoveredLength(), 150 * 105.0 + 80 * 205.0 + 50.0 - 5.0, kLengthTolerance);

  SetPlanRow(1, {{50, 2, 200, 22}});  // exactly full: nothing is folded
  plan::FlattenPlan();
  EXPECT_EQ(ws.cut.PieceCount, kMaxPieces);
  EXPECT_EQ(ws.cut.PieceList[kMaxPieces - 1].gradeCode, 2.0f);

  SetPlanRow(1, {{1e9f, 2, 200, 22}});  // a count no loop should walk
  plan::FlattenPlan();
  EXPECT_EQ(ws.cut.PieceCount, kMaxPieces);
  EXPECT_EQ(ws.cut.PieceList[kMaxPieces - 1].gradeCode, 9.0f);
}

TEST_F(PlanDriver, FullPlanRowFoldsFurtherEntriesIntoWaste) {
  for (int32_t e = 0; e < kMaxPlanEntries; ++e) {
    plan::AppendPlanEntry(0, 1, 1, 100, 11);
  }
  plan::AppendPlanEntry(0, 2, 12, 300, 7);
  plan::AppendWaste(0, 60);
  ASSERT_EQ(ws.plan.SegmentPieceCount[0], kMaxPlanEntries);
  const PlanEntry& last = ws.plan.SegmentPlan[0][kMaxPlanEntries - 1];
  EXPECT_EQ(last.gradeCode, 9.0f);
  EXPECT_EQ(last.count, 1.0f);
  EXPECT_NEAR(last.length + 5.0, 105.0 + 2 * 305.0 + 60.0, kLengthTolerance);
}

class PlanDriverLongStock : public test::PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    UseLongStock();
  }
};

TEST_F(PlanDriverLongStock, SegmentTakenWholeBecomesOnePiece) {
  AddUncut(2, 900, 1000, 2101);
  AddVariable(1, 300, 800, 1202);
  AddFixed(1, 2000, 1301);  // does not fit the 500 below: the variable order takes it whole
  SetSegments({{2, 945}, {1, 500}});
  PlanBoard();
  // The first row gives up no kerf (the next is better), so its piece is one kerf shorter.
  ExpectPieces({{21, 940, 2101}, {12, 500, 1202}});
}

TEST_F(PlanDriverLongStock, RemainderSplitOffTheLastSegmentIsCutFirst) {
  AddFixed(1, 2000, 11);
  AddFixed(1, 1500, 12);
  AddFixed(1, 600, 13);
  SetSegments({{1, 5000}});
  PlanBoard();
  // 2 x 2000 and 1 x 600 leave 390 of the 5005: a grade-2 row without orders, which
  // ends as waste and, being split off the last row, is cut before the pieces.
  ASSERT_EQ(ws.board.SegmentCount, 2);
  ExpectPieces({{9, 385, 0}, {1, 2000, 11}, {1, 2000, 11}, {1, 600, 13}});
  EXPECT_EQ(ws.orders.FixedDone[1][0], 2);
  EXPECT_EQ(ws.orders.FixedDone[1][2], 1);
}

TEST_F(PlanDriverLongStock, RemainderSplitsFromKerfPlus49AndNeverBelowGrade8) {
  struct Case {
    const char* name;
    int32_t grade;
    float length;  // segment length before the last row's kerf
    bool split;
  };
  const Case cases[] = {
      {"remainder of exactly kerf + 49", 1, 654.0f, true},
      {"remainder just below", 1, 653.9f, false},
      {"grade 8 with a long remainder", 8, 1200.0f, false},
  };
  for (const Case& c : cases) {
    Restart();
    AddFixed(c.grade, 600, 7);
    SetSegments({{static_cast<float>(c.grade), c.length}});
    PlanBoard();
    const double remainder = c.length + 5.0 - 605.0;
    EXPECT_EQ(ws.board.SegmentCount, c.split ? 2 : 1) << c.name;
    if (c.split) {
      ExpectPieces(
          {{9, static_cast<float>(remainder - 5.0), 0}, {static_cast<float>(c.grade), 600, 7}},
          c.name);
    } else {
      ExpectPieces(
          {{static_cast<float>(c.grade), 600, 7}, {9, static_cast<float>(remainder - 5.0), 0}},
          c.name);
    }
  }
}

TEST_F(PlanDriverLongStock, ShortRemainderGoesToAWorseOrderedNextSegment) {
  AddFixed(1, 2000, 11);
  SetSegments({{1, 2040}, {2, 1000}});
  PlanBoard();  // grade 2 has no orders: the 40 left of 2045 is waste
  ExpectPieces({{1, 2000, 11}, {9, 35, 0}, {9, 995, 0}}, "unordered next");

  Restart();
  AddFixed(1, 2000, 11);
  AddFixed(2, 500, 21);
  SetSegments({{1, 2040}, {2, 1000}});
  PlanBoard();  // the next row gets the 40: 1040 holds two 500s and leaves 30
  ExpectPieces({{1, 2000, 11}, {2, 500, 21}, {2, 500, 21}, {9, 25, 0}}, "ordered next");
}

TEST_F(PlanDriverLongStock, FillRemainderIsSettledLikeASearchRemainder) {
  // With all weights 0 the fill takes the longest main piece: one 400 of the 700,
  // leaving 295 for a grade-2 row.
  AddVariable(1, 300, 400, 1202);
  SetSegments({{1, 695}});
  PlanBoard();
  ExpectPieces({{9, 290, 0}, {12, 400, 1202}});
}

TEST_F(PlanDriverLongStock, RemnantCenteringSplitsTheWasteOfASegmentBetweenUnorderedZones) {
  for (int32_t centering : {0, 1}) {
    Restart();
    ws.settings.RemnantCentering = centering;
    AddFixed(1, 2000, 11);
    SetSegments({{9, 500}, {1, 2040}, {9, 500}});
    PlanBoard();
    if (centering == 1) {
      ExpectPieces({{9, 495, 0}, {9, 15, 0}, {1, 2000, 11}, {9, 15, 0}, {9, 495, 0}}, "on");
    } else {
      ExpectPieces({{9, 495, 0}, {1, 2000, 11}, {9, 35, 0}, {9, 495, 0}}, "off");
    }
    EXPECT_NEAR(CoveredLength(), 3040.0, kLengthTolerance);
  }
}

TEST_F(PlanDriverLongStock, CenteringOfATwiceSplitSegmentLooksAtItsSecondPart) {
  // 3105 takes a 2000 and leaves 1100 (grade 2), which takes a 1000 and leaves 95
  // (grade 3, waste). The group's second row ends with a piece: nothing moves, and
  // the waste of the third part stays where it is.
  ws.settings.RemnantCentering = 1;
  AddFixed(1, 2000, 11);
  AddFixed(2, 1000, 21);
  SetSegments({{9, 500}, {1, 3100}, {9, 500}});
  PlanBoard();
  ExpectPieces({{9, 495, 0}, {1, 2000, 11}, {2, 1000, 21}, {9, 90, 0}, {9, 495, 0}});
}

TEST_F(PlanDriverLongStock, PiecesBeyondAPlanRowFoldIntoOneWasteEntry) {
  // 120 single-piece orders of 319 down to 200 fill the segment exactly, one entry
  // each: the row keeps 99 of them and one waste entry for the other 21.
  for (int32_t length = 319; length >= 200; --length) {
    AddFixed(1, length, length);
    ws.orders.FixedQuantity[1][ws.orders.FixedCount[1] - 1] = 1;
  }
  SetSegments({{1, 31735}});
  PlanBoard();
  ASSERT_EQ(ws.plan.SegmentPieceCount[0], kMaxPlanEntries);
  ASSERT_EQ(ws.cut.PieceCount, kMaxPlanEntries);
  EXPECT_EQ(ws.cut.PieceList[98].tag, 221.0f);
  EXPECT_EQ(ws.cut.PieceList[99].gradeCode, 9.0f);
  EXPECT_NEAR(CoveredLength(), 31735.0, 0.01);
}

TEST_F(PlanDriverLongStock, NoSplitPastTheSegmentTable) {
  // 99 rows that each leave 95: only the first split finds room; the other remainders
  // become waste, and every length is still covered.
  AddFixed(1, 2000, 11);
  SetSegments(std::vector<Segment>(99, Segment{1, 2100}));
  PlanBoard();
  EXPECT_EQ(ws.board.SegmentCount, kMaxSegments);
  EXPECT_EQ(ws.cut.PieceCount, 198);
  EXPECT_NEAR(CoveredLength(), 99 * 2100.0, 0.01);
}

}  // namespace
}  // namespace sawline
