#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

#include "report/report.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr float kKicker = 1020304.0f;

struct Row {
  float gradeCode;
  float length;
  float tag;
};

void SetPieces(const std::vector<Row>& rows) {
  ws.cut.PieceCount = static_cast<int32_t>(rows.size());
  for (size_t i = 0; i < rows.size(); ++i)
    ws.cut.PieceList[i] = PieceRow{rows[i].gradeCode, rows[i].length, rows[i].tag};
}

std::vector<Row> Pieces() {
  std::vector<Row> rows;
  for (int32_t i = 0; i < ws.cut.PieceCount; ++i)
    rows.push_back(
        {ws.cut.PieceList[i].gradeCode, ws.cut.PieceList[i].length, ws.cut.PieceList[i].tag});
  return rows;
}

// What the controller feeds for the whole list: every piece plus one kerf, the last
// piece alone.
double FeedSum() {
  double sum = 0.0;
  for (int32_t i = 0; i < ws.cut.PieceCount; ++i)
    sum += ws.cut.PieceList[i].length + (i + 1 < ws.cut.PieceCount ? ws.settings.KerfWidth : 0.0f);
  return sum;
}

struct CutListCase {
  const char* name;
  std::vector<Row> in;
  int32_t trim[4];  // head trimmed, head cut, tail trimmed, tail cut
  float kerf;
  int32_t wasteMax;
  int32_t gate;
  std::vector<Row> out;
};

void PrintTo(const CutListCase& c, std::ostream* os) {
  *os << c.name;
}

class CutList : public test::WorkspaceTest, public ::testing::WithParamInterface<CutListCase> {};

TEST_P(CutList, FinishesAsExpected) {
  const CutListCase& c = GetParam();
  SetPieces(c.in);
  for (int k = 0; k < 4; ++k)
    ws.board.TrimRecord[k] = c.trim[k];
  ws.settings.KerfWidth = c.kerf;
  ws.settings.WasteMaxLength = c.wasteMax;
  ws.settings.WasteGateSelect = c.gate;
  ws.settings.WasteKickerCode = static_cast<int32_t>(kKicker);
  FinishPieceList();
  const std::vector<Row> out = Pieces();
  ASSERT_EQ(out.size(), c.out.size());
  for (size_t i = 0; i < out.size(); ++i) {
    EXPECT_EQ(out[i].gradeCode, c.out[i].gradeCode) << "row " << i;
    EXPECT_NEAR(out[i].length, c.out[i].length, test::kLengthTolerance) << "row " << i;
    EXPECT_EQ(out[i].tag, c.out[i].tag) << "row " << i;
  }
}

const float kTag = 11010101.0f;

INSTANTIATE_TEST_SUITE_P(
    Examples, CutList,
    ::testing::Values(
        // The trimmed head joins a waste first row without an extra kerf...
        CutListCase{"HeadJoinsWaste",
                    {{9, 100, 0}, {1, 500, kTag}},
                    {1, 20, 0, 0},
                    5,
                    0,
                    1,
                    {{9, 120, 0}, {1, 500, kTag}}},
        // ...and comes in front of a piece as head cut - kerf.
        CutListCase{"HeadBeforePiece",
                    {{1, 500, kTag}},
                    {1, 20, 0, 0},
                    5,
                    0,
                    1,
                    {{9, 15, 0}, {1, 500, kTag}}},
        CutListCase{"TailJoinsWaste",
                    {{1, 500, kTag}, {9, 30, 0}},
                    {0, 0, 1, 25},
                    5,
                    0,
                    1,
                    {{1, 500, kTag}, {9, 55, 0}}},
        CutListCase{"TailAfterPiece",
                    {{1, 500, kTag}},
                    {0, 0, 1, 25},
                    5,
                    0,
                    1,
                    {{1, 500, kTag}, {9, 20, 0}}},
        // Head and tail cuts are recorded but only the flags add them.
        CutListCase{
            "UntrimmedAddsNothing", {{1, 500, kTag}}, {0, 20, 0, 25}, 5, 0, 1, {{1, 500, kTag}}},
        CutListCase{"ThreeWasteRowsMerge",
                    {{1, 500, kTag}, {9, 10, 0}, {9, 20, 0}, {9, 30, 0}, {1, 400, kTag}},
                    {0, 0, 0, 0},
                    5,
                    0,
                    1,
                    {{1, 500, kTag}, {9, 70, 0}, {1, 400, kTag}}},
        // A grade code of 9.5 is waste for merging but not for the head check.
        CutListCase{"MergeTruncatesButHeadComparesExactly",
                    {{9.5f, 10, 0}, {9, 20, 0}},
                    {1, 30, 0, 0},
                    5,
                    0,
                    1,
                    {{9, 65, 0}}},
        CutListCase{"W300Splits1000",
                    {{9, 1000, 0}},
                    {0, 0, 0, 0},
                    5,
                    300,
                    1,
                    {{9, 85, 0}, {9, 300, kKicker}, {9, 300, kKicker}, {9, 300, kKicker}}},
        CutListCase{"W300Splits910",
                    {{9, 910, 0}},
                    {0, 0, 0, 0},
                    5,
                    300,
                    1,
                    {{9, 300, kKicker}, {9, 300, kKicker}, {9, 300, kKicker}}},
        CutListCase{"W300Splits915WithEmptyFirstPiece",
                    {{9, 915, 0}},
                    {0, 0, 0, 0},
                    5,
                    300,
                    1,
                    {{9, 0, 0}, {9, 300, kKicker}, {9, 300, kKicker}, {9, 300, kKicker}}},
        // Leftover 3 is below one kerf: it stays with the first piece (no length -2).
        CutListCase{"LeftoverBelowKerfJoinsFirstPiece",
                    {{9, 913, 0}},
                    {0, 0, 0, 0},
                    5,
                    300,
                    1,
                    {{9, 303, kKicker}, {9, 300, kKicker}, {9, 300, kKicker}}},
        CutListCase{"LeftoverBelowKerfSinglePieceStaysWhole",
                    {{9, 302, 0}},
                    {0, 0, 0, 0},
                    5,
                    300,
                    1,
                    {{9, 302, kKicker}}},
        CutListCase{"WasteJustAboveMaxWithinToleranceStays",
                    {{9, 300.05f, 0}},
                    {0, 0, 0, 0},
                    5,
                    300,
                    1,
                    {{9, 300.05f, kKicker}}},
        CutListCase{
            "NoSplitBelowW49", {{9, 5000, 0}}, {0, 0, 0, 0}, 5, 48, 1, {{9, 5000, kKicker}}},
        CutListCase{"Waste140IsKickedNotHalved",
                    {{9, 140, 0}, {1, 500, kTag}},
                    {0, 0, 0, 0},
                    5,
                    0,
                    0,
                    {{9, 140, kKicker}, {1, 500, kTag}}},
        CutListCase{"Waste139_9IsHalved",
                    {{9, 139.9f, 0}, {1, 500, kTag}},
                    {0, 0, 0, 0},
                    5,
                    0,
                    0,
                    {{9, 67.45f, 0}, {9, 67.45f, 0}, {1, 500, kTag}}},
        CutListCase{"Waste69_9IsLeftAlone",
                    {{9, 69.9f, 0}, {1, 500, kTag}},
                    {0, 0, 0, 0},
                    5,
                    0,
                    0,
                    {{9, 69.9f, 0}, {1, 500, kTag}}},
        CutListCase{"LastRowIsNeverHalved",
                    {{1, 500, kTag}, {9, 100, 0}},
                    {0, 0, 0, 0},
                    5,
                    0,
                    0,
                    {{1, 500, kTag}, {9, 100, 0}}},
        CutListCase{"WasteGateStopsHalving",
                    {{9, 100, 0}, {1, 500, kTag}},
                    {0, 0, 0, 0},
                    5,
                    0,
                    1,
                    {{9, 100, 0}, {1, 500, kTag}}},
        // Waste of a plan keeps no tag of its own: short waste is cleared to 0.
        CutListCase{"ShortWasteTagCleared",
                    {{9, 50, 77}, {1, 500, kTag}},
                    {0, 0, 0, 0},
                    5,
                    0,
                    1,
                    {{9, 50, 0}, {1, 500, kTag}}}),
    [](const ::testing::TestParamInfo<CutListCase>& param) {
      return std::string(param.param.name);
    });

// ---- Capacities ----

class CutListCapacity : public test::WorkspaceTest {
 protected:
  void SetUp() override {
    test::WorkspaceTest::SetUp();
    ws.settings.KerfWidth = 5.0f;
    ws.settings.WasteKickerCode = static_cast<int32_t>(kKicker);
  }
  void FillPieces(int32_t count, float length) {
    ws.cut.PieceCount = count;
    for (int32_t i = 0; i < count; ++i)
      ws.cut.PieceList[i] = PieceRow{1.0f, length, kTag};
  }
};

// A list longer than the host's 100 slots keeps its first 99 rows; the 100th is one
// waste row covering the rest of the board, kicked because it is long.
TEST_F(CutListCapacity, LongListFoldsIntoTheLastHostSlot) {
  FillPieces(150, 50.0f);
  const double before = FeedSum();
  FinishPieceList();
  ASSERT_EQ(ws.cut.PieceCount, kMaxTransferRecords);
  EXPECT_EQ(ws.cut.PieceList[98].gradeCode, 1.0f);
  EXPECT_EQ(ws.cut.PieceList[99].gradeCode, 9.0f);
  EXPECT_FLOAT_EQ(ws.cut.PieceList[99].length, 51 * 50.0f + 50 * 5.0f);
  EXPECT_EQ(ws.cut.PieceList[99].tag, kKicker);
  EXPECT_NEAR(FeedSum(), before, test::kLengthTolerance);
}

TEST_F(CutListCapacity, ShortFoldedRestIsNotKicked) {
  FillPieces(101, 50.0f);
  ws.cut.PieceList[99].length = 60.0f;
  ws.cut.PieceList[100].length = 10.0f;
  FinishPieceList();
  ASSERT_EQ(ws.cut.PieceCount, kMaxTransferRecords);
  EXPECT_EQ(ws.cut.PieceList[99].gradeCode, 9.0f);
  EXPECT_FLOAT_EQ(ws.cut.PieceList[99].length, 75.0f);
  EXPECT_EQ(ws.cut.PieceList[99].tag, 0.0f);
}

// A full list still takes the trimmed head and tail: the last rows make room.
TEST_F(CutListCapacity, FullListStillTakesHeadAndTail) {
  FillPieces(kMaxPieces, 50.0f);
  ws.board.TrimRecord[0] = 1;
  ws.board.TrimRecord[1] = 30;
  ws.board.TrimRecord[2] = 1;
  ws.board.TrimRecord[3] = 40;
  ws.settings.WasteGateSelect = 1;
  const double expected = FeedSum() + 30 + 40;
  FinishPieceList();
  ASSERT_EQ(ws.cut.PieceCount, kMaxTransferRecords);
  EXPECT_EQ(ws.cut.PieceList[0].gradeCode, 9.0f);
  EXPECT_FLOAT_EQ(ws.cut.PieceList[0].length, 25.0f);
  EXPECT_EQ(ws.cut.PieceList[1].gradeCode, 1.0f);
  EXPECT_NEAR(FeedSum(), expected, test::kLengthTolerance);
}

TEST_F(CutListCapacity, SplitThatWouldOverflowLeavesTheWasteWhole) {
  FillPieces(kMaxPieces - 1, 10.0f);
  ws.cut.PieceList[0] = PieceRow{9.0f, 1000.0f, 0.0f};
  ws.settings.WasteMaxLength = 300;  // would need three more rows
  FinishPieceList();
  EXPECT_EQ(ws.cut.PieceList[0].gradeCode, 9.0f);
  EXPECT_FLOAT_EQ(ws.cut.PieceList[0].length, 1000.0f);
  EXPECT_EQ(ws.cut.PieceList[0].tag, kKicker);
  EXPECT_EQ(ws.cut.PieceList[1].gradeCode, 1.0f);
}

TEST_F(CutListCapacity, HalvingThatWouldOverflowLeavesTheWasteWhole) {
  FillPieces(kMaxPieces, 10.0f);
  ws.cut.PieceList[0] = PieceRow{9.0f, 100.0f, 0.0f};
  FinishPieceList();
  EXPECT_FLOAT_EQ(ws.cut.PieceList[0].length, 100.0f);
  EXPECT_EQ(ws.cut.PieceList[1].gradeCode, 1.0f);
}

// Random lists (fixed seeds): the feed lengths keep adding up to the plan's length
// plus the trimmed head and tail, the list fits the host's slots, and no piece of
// negative length appears. Lengths are multiples of 0.5 and kerfs whole numbers, so
// every sum is exact in float and no long-waste leftover (0 or at least 0.5) is
// dropped: any difference is a lost or doubled length.
TEST_F(CutListCapacity, RandomListsKeepTheirLength) {
  uint32_t state = 12345u;
  auto draw = [&state](int32_t n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(n));
  };
  for (int round = 0; round < 500; ++round) {
    ResetWorkspace();
    ws.settings.KerfWidth = static_cast<float>(draw(9));
    ws.settings.WasteMaxLength = draw(2) == 0 ? draw(600) : 0;
    ws.settings.WasteGateSelect = draw(2);
    ws.settings.WasteKickerCode = static_cast<int32_t>(kKicker);
    const int32_t count = 1 + draw(round % 5 == 0 ? kMaxPieces : 40);
    ws.cut.PieceCount = count;
    for (int32_t i = 0; i < count; ++i) {
      const bool waste = draw(3) == 0;
      const float length = static_cast<float>(draw(waste ? 2500 : 1500)) + 0.5f * draw(2);
      ws.cut.PieceList[i] = PieceRow{waste ? 9.0f : 1.0f + draw(8), length, waste ? 0.0f : kTag};
    }
    const int32_t headCut = static_cast<int32_t>(ws.settings.KerfWidth) + draw(100);
    const int32_t tailCut = static_cast<int32_t>(ws.settings.KerfWidth) + draw(100);
    ws.board.TrimRecord[0] = draw(2);
    ws.board.TrimRecord[1] = ws.board.TrimRecord[0] ? headCut : 0;
    ws.board.TrimRecord[2] = draw(2);
    ws.board.TrimRecord[3] = ws.board.TrimRecord[2] ? tailCut : 0;
    const double expected = FeedSum() + ws.board.TrimRecord[1] + ws.board.TrimRecord[3];
    FinishPieceList();
    ASSERT_GE(ws.cut.PieceCount, 1) << "round " << round;
    ASSERT_LE(ws.cut.PieceCount, kMaxTransferRecords) << "round " << round;
    EXPECT_NEAR(FeedSum(), expected, test::kLengthTolerance) << "round " << round;
    for (int32_t i = 0; i < ws.cut.PieceCount; ++i)
      ASSERT_GE(ws.cut.PieceList[i].length, 0.0f) << "round " << round << " row " << i;
  }
}

}  // namespace
}  // namespace sawline
