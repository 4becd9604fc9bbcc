#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "optimize/optimize.h"
#include "optimize/plan_steps.h"
#include "optimize/plan_test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

using test::kLengthTolerance;

class DowngradeDriver : public test::PlanTest {
 protected:
  static void SetGrades(const std::vector<float>& grades, float length = 1000.0f) {
    ws.board.SegmentCount = static_cast<int32_t>(grades.size());
    for (size_t i = 0; i < grades.size(); ++i)
      ws.board.Segments[i] = Segment{grades[i], length};
  }
  static std::vector<int32_t> Flags() {
    int32_t flags[kMaxPlanRows];
    plan::ComputeNeighbourFlags(flags);
    return std::vector<int32_t>(flags, flags + ws.board.SegmentCount);
  }
  static std::vector<int32_t> Grades() {
    std::vector<int32_t> grades;
    for (int32_t i = 0; i < ws.board.SegmentCount; ++i)
      grades.push_back(GradeOf(ws.board.Segments[i].grade));
    return grades;
  }
};

TEST_F(DowngradeDriver, NeighbourFlagsMarkWhichNeighboursAreWorse) {
  struct Case {
    std::vector<float> grades;
    std::vector<int32_t> flags;
  };
  const std::vector<Case> cases = {
      {{2}, {0}},
      {{1, 3}, {2, 0}},
      {{3, 1}, {0, 1}},
      {{3, 1, 3}, {0, 3, 0}},
      {{2, 2, 3}, {0, 2, 0}},
      {{3, 2, 2}, {0, 1, 0}},
      {{1, 2, 9}, {2, 2, 0}},
      {{2, 2, 2}, {0, 0, 0}},
      {{4, 1.9f, 2.5f}, {0, 3, 0}},  // compared truncated: 4, 1, 2
  };
  for (const Case& c : cases) {
    SetGrades(c.grades);
    EXPECT_EQ(Flags(), c.flags) << ::testing::PrintToString(c.grades);
  }
}

TEST_F(DowngradeDriver, DowngradePassMergesIntoTheBetterOfTheWorseNeighbours) {
  // Without orders every row fits nothing, so each row with a worse neighbour below
  // waste merges into it, best grade first.
  struct Case {
    const char* name;
    std::vector<float> grades;
    std::vector<int32_t> after;
    std::vector<float> lengths;
  };
  const std::vector<Case> cases = {
      {"three-way merge", {3, 1, 3}, {3}, {3000}},
      {"only waste neighbours", {9, 1, 9}, {9, 1, 9}, {1000, 1000, 1000}},
      {"grade 8 stays", {9, 8, 9}, {9, 8, 9}, {1000, 1000, 1000}},
      {"into the better worse neighbour", {4, 2, 3}, {4, 3}, {1000, 2000}},
      {"merges cascade toward the worse end", {5, 3, 1}, {5}, {3000}},
      {"first row into the next", {2, 5, 9}, {5, 9}, {2000, 1000}},
      {"chain of better rows", {1, 2, 3, 9}, {3, 9}, {3000, 1000}},
  };
  for (const Case& c : cases) {
    SetGrades(c.grades);
    int32_t flags[kMaxPlanRows];
    plan::ComputeNeighbourFlags(flags);
    plan::MergeDowngradedRows(flags);
    EXPECT_EQ(Grades(), c.after) << c.name;
    for (size_t i = 0; i < c.lengths.size() && i < static_cast<size_t>(ws.board.SegmentCount);
         ++i) {
      EXPECT_NEAR(ws.board.Segments[i].length, c.lengths[i], kLengthTolerance)
          << c.name << " " << i;
    }
  }
}

TEST_F(DowngradeDriver, RowsPastTheCountAreNoNeighbours) {
  // Row 2 is left over from an earlier board: a worse usable grade, but not on this one.
  // The last row's only worse neighbour is waste, so it stays.
  SetGrades({9, 2, 3});
  ws.board.SegmentCount = 2;
  int32_t flags[kMaxPlanRows];
  plan::ComputeNeighbourFlags(flags);
  plan::MergeDowngradedRows(flags);
  EXPECT_EQ(Grades(), (std::vector<int32_t>{9, 2}));
  EXPECT_EQ(ws.board.Segments[1].length, 1000.0f);
}

TEST_F(DowngradeDriver, ReturnsRowsAfterTheDowngradePass) {
  SetGrades({9, 3, 1, 3, 9});
  const DowngradePass pass = PlanBoardWithDowngrade();
  // Two rows fewer: the grade-1 row and one grade-3 row merged into the other.
  ASSERT_EQ(pass.rowCount, 3);
  EXPECT_EQ(pass.rows[1].grade, 3.0f);
  EXPECT_NEAR(pass.rows[1].length, 3005.0f, kLengthTolerance);  // 1000 + 1005 + 1000
  EXPECT_EQ(pass.flag[1], 1);                                   // its flag stays
  EXPECT_EQ(pass.flag[0] + pass.flag[2], 0);
}

TEST_F(DowngradeDriver, OneSegmentBoardIsReturnedWithFlagZero) {
  SetGrades({2});
  const DowngradePass pass = PlanBoardWithDowngrade();
  ASSERT_EQ(pass.rowCount, 1);
  EXPECT_EQ(pass.rows[0].grade, 2.0f);
  EXPECT_NEAR(pass.rows[0].length, 1005.0f, kLengthTolerance);
  EXPECT_EQ(pass.flag[0], 0);
  ASSERT_EQ(ws.cut.PieceCount, 1);
  EXPECT_EQ(ws.cut.PieceList[0].gradeCode, 9.0f);
  EXPECT_NEAR(ws.cut.PieceList[0].length, 1000.0f, kLengthTolerance);
}

TEST_F(DowngradeDriver, SplitGroupsCollapseToTheirRowCounts) {
  struct Case {
    const char* name;
    std::vector<int32_t> part;
    std::vector<int32_t> first;
    std::vector<int32_t> groups;
  };
  const std::vector<Case> cases = {
      {"no split", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
      {"one split", {0, 1, 1, 0}, {0, 1, 0, 0}, {0, 2, 0, 0}},
      {"split of a split", {1, 1, 1, 0}, {1, 1, 0, 0}, {3, 0, 0, 0}},
      {"two adjacent splits", {1, 1, 1, 1}, {1, 0, 1, 0}, {2, 2, 0, 0}},
      {"split then split of a split", {1, 1, 1, 1, 1}, {1, 0, 1, 1, 0}, {2, 3, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    int32_t part[kMaxSegments] = {};
    int32_t first[kMaxSegments] = {};
    std::copy(c.part.begin(), c.part.end(), part);
    std::copy(c.first.begin(), c.first.end(), first);
    plan::CollapseSplitGroups(part, first);
    EXPECT_EQ(std::vector<int32_t>(part, part + c.groups.size()), c.groups) << c.name;
  }
}

TEST_F(DowngradeDriver, BoardWithoutOrdersCoversItsLengthInBoardOrder) {
  SetGrades({9, 2, 9, 4, 3, 9}, 500.0f);
  PlanBoardWithDowngrade();
  for (int32_t i = 0; i < ws.cut.PieceCount; ++i)
    EXPECT_EQ(ws.cut.PieceList[i].gradeCode, 9.0f);
  EXPECT_NEAR(CoveredLength(), 3000.0, kLengthTolerance);
}

class DowngradeDriverLongStock : public test::PlanTest {
 protected:
  void SetUp() override {
    PlanTest::SetUp();
    UseLongStock();
  }
};

TEST_F(DowngradeDriverLongStock, WholeVariablePieceIsStillMergedIntoAWorseUsableNeighbour) {
  for (float neighbour : {2.0f, 9.0f}) {
    Restart();
    AddVariable(1, 300, 800, 12);
    AddFixed(2, 500, 21);
    SetSegments({{1, 500}, {neighbour, 1000}});
    PlanBoardWithDowngrade();
    if (neighbour == 2.0f) {
      // 505 + 1000 as one grade-2 row: two 500s, and the 495 left is split off the
      // last row (waste, cut first).
      ExpectPieces({{9, 490, 0}, {2, 500, 21}, {2, 500, 21}});
    } else {
      // Waste is no usable neighbour: the segment stays one variable-length piece.
      ExpectPieces({{12, 500, 12}, {9, 995, 0}});
    }
  }
}

TEST_F(DowngradeDriverLongStock, RemainderGoesToAWorseOrderedNeighbourBeforeAnySplit) {
  AddFixed(1, 2000, 11);
  AddFixed(2, 500, 21);
  SetSegments({{1, 3000}, {2, 1000}});
  PlanBoardWithDowngrade();
  // The grade-1 row searches fixed pieces only and hands its 1000 to the grade-2 row,
  // which then holds three 500s and splits off 485 (waste, cut before its pieces).
  ExpectPieces({{1, 2000, 11}, {9, 480, 0}, {2, 500, 21}, {2, 500, 21}, {2, 500, 21}});
}

TEST_F(DowngradeDriverLongStock, ShortRemainderGoesToTheWorseNextRowPastABetterSplitOff) {
  AddFixed(1, 2000, 11);
  AddFixed(2, 500, 21);
  AddFixed(3, 500, 31);
  // Two grade-1 rows (kept apart) before a grade-3 row. The first splits its 95 off as a
  // grade-2 row; the second then has that row before it and the grade-3 row after it,
  // and its 25, too short to split, goes to the grade-3 row, not to waste.
  SetSegments({{1, 2100}, {1, 2030}, {3, 1000}});
  PlanBoardWithDowngrade();
  // With the 25 the grade-3 row holds two 500s (1025 = 2 x 505 + 15).
  ExpectPieces({{1, 2000, 11}, {9, 90, 0}, {1, 2000, 11}, {3, 500, 31}, {3, 500, 31}, {9, 15, 0}});
}

TEST_F(DowngradeDriverLongStock, PiecesComeOutInBoardOrderAfterSplitsMovePlannedRows) {
  AddFixed(1, 2000, 11);
  AddFixed(2, 2000, 21);
  SetSegments({{2, 2100}, {1, 2100}});
  PlanBoardWithDowngrade();
  // Grade 1 is planned first and hands its 100 back to the grade-2 row; that row is
  // planned next and splits, moving the planned grade-1 row one place on.
  ASSERT_EQ(ws.board.SegmentCount, 3);
  ExpectPieces({{2, 2000, 21}, {9, 190, 0}, {1, 2000, 11}});
}

TEST_F(DowngradeDriverLongStock, RemnantCenteringHalvesTheWasteOfTheSegmentsGroup) {
  struct Case {
    const char* name;
    float length;
    std::vector<PieceRow> pieces;
  };
  const std::vector<Case> cases = {
      // 40 left: waste in the row itself, one half moves to the front.
      {"unsplit", 2040, {{9, 495, 0}, {9, 15, 0}, {1, 2000, 11}, {9, 15, 0}, {9, 495, 0}}},
      // 100 left: split off as a grade-2 row that ends as waste; one half moves to
      // the end of the first part, between the two.
      {"split", 2100, {{9, 495, 0}, {1, 2000, 11}, {9, 45, 0}, {9, 45, 0}, {9, 495, 0}}},
  };
  for (const Case& c : cases) {
    Restart();
    ws.settings.RemnantCentering = 1;
    AddFixed(1, 2000, 11);
    SetSegments({{9, 500}, {1, c.length}, {9, 500}});
    PlanBoardWithDowngrade();
    ExpectPieces(c.pieces, c.name);
  }
}

TEST_F(DowngradeDriverLongStock, CenteringTreatsASplitOfASplitAsOneGroupOfThreeRows) {
  // 3105 takes a 2000 and leaves 1100 (grade 2), which takes a 1000 and leaves 95
  // (grade 3, waste): the group's last row holds the waste, and half of it moves to
  // the end of the group's first row.
  ws.settings.RemnantCentering = 1;
  AddFixed(1, 2000, 11);
  AddFixed(2, 1000, 21);
  SetSegments({{9, 500}, {1, 3100}, {9, 500}});
  PlanBoardWithDowngrade();
  ExpectPieces(
      {{9, 495, 0}, {1, 2000, 11}, {9, 42.5f, 0}, {2, 1000, 21}, {9, 42.5f, 0}, {9, 495, 0}});
}

TEST_F(DowngradeDriverLongStock, NoSplitPastTheSegmentTable) {
  AddFixed(1, 2000, 11);
  SetSegments(std::vector<Segment>(99, Segment{1, 2100}));
  PlanBoardWithDowngrade();
  EXPECT_EQ(ws.board.SegmentCount, kMaxSegments);
  ASSERT_EQ(ws.cut.PieceCount, 198);
  EXPECT_NEAR(CoveredLength(), 99 * 2100.0, 0.01);
}

}  // namespace
}  // namespace sawline
