#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "interface/block_layout.h"
#include "interface/run_sequence.h"
#include "report/report.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

class ResultBlock : public test::WorkspaceTest {
 protected:
  void SetUp() override {
    test::WorkspaceTest::SetUp();
    block_.fill(-7.0f);  // whatever the host's block held before
  }
  // Cut list -> controller records -> statistics -> block, as the run sequence does.
  void Finish() {
    FinishPieceList();
    BuildTransferList();
    ComputeStatistics();
    FillResultBlock(block_.data());
  }
  std::array<float, kResultBlockFloats> block_;
};

TEST_F(ResultBlock, ThreeSegmentsFillOnlyTheirSlots) {
  ws.board.ConvertedCount = 3;
  ws.board.ConvertedSegments[0] = {2, 850};
  ws.board.ConvertedSegments[1] = {1, 2100};
  ws.board.ConvertedSegments[2] = {9, 180};
  ws.board.ConvertedSegments[3] = {4, 999};  // stale row beyond the count
  ws.board.BoardLength = 3130.0f;
  ws.cut.PieceCount = 1;
  ws.cut.PieceList[0] = {9, 3130, 0};
  Finish();
  EXPECT_EQ(block_[0], 2.0f);
  EXPECT_EQ(block_[1], 1.0f);
  EXPECT_EQ(block_[2], 9.0f);
  EXPECT_EQ(block_[100], 850.0f);
  EXPECT_EQ(block_[101], 2100.0f);
  EXPECT_EQ(block_[102], 180.0f);
  for (int i = 3; i < 100; ++i) {
    ASSERT_EQ(block_[i], 0.0f) << i;
    ASSERT_EQ(block_[100 + i], 0.0f) << 100 + i;
  }
  EXPECT_EQ(block_[SAWLINE_RESULT_BOARD_LENGTH], 3130.0f);
}

// Waste shows grade code 9 and, when it is long enough to be kicked, the kicker
// code's fields; the fields are 0 for short waste and for a kicker code of 0 or less.
TEST_F(ResultBlock, WasteShowsItsTagFields) {
  struct Case {
    int32_t kicker;
    float length;
    std::array<float, 4> fields;
  };
  const Case cases[] = {{1020304, 140, {1, 2, 3, 4}},
                        {1020304, 139.9f, {0, 0, 0, 0}},
                        {0, 500, {0, 0, 0, 0}},
                        {-1020304, 500, {0, 0, 0, 0}}};
  for (const Case& c : cases) {
    ResetWorkspace();
    block_.fill(-7.0f);
    ws.settings.KerfWidth = 5.0f;
    ws.settings.WasteGateSelect = 1;
    ws.settings.WasteKickerCode = c.kicker;
    ws.cut.PieceCount = 2;
    ws.cut.PieceList[0] = {1, 600, 11020304};
    ws.cut.PieceList[1] = {9, c.length, 0};
    Finish();
    EXPECT_EQ(block_[SAWLINE_RESULT_PIECE_GRADE_CODE + 1], 9.0f);
    EXPECT_EQ(block_[SAWLINE_RESULT_PIECE_LENGTH + 1], c.length);
    EXPECT_EQ(block_[SAWLINE_RESULT_FEED_LENGTH + 0], 605.0f);
    EXPECT_EQ(block_[SAWLINE_RESULT_FEED_LENGTH + 1], c.length);
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(block_[SAWLINE_RESULT_CODE_FIELD_1 + 100 * k + 1], c.fields[k])
          << "kicker " << c.kicker << " length " << c.length;
    }
    EXPECT_EQ(block_[SAWLINE_RESULT_CODE_FIELD_1], 11.0f);
    EXPECT_EQ(block_[SAWLINE_RESULT_CODE_FIELD_1 + 300], 4.0f);
  }
}

TEST_F(ResultBlock, ValueSlotsAreZeroOutsideValueMode) {
  ws.orderRows.FixedOrderGrade[4] = 1;
  ws.orderRows.FixedOrderLength[4] = 1200;
  ws.orderRows.FixedOrderValue[4] = 9.0f;
  ws.orderRows.VariableOrderGrade[0] = 1;
  ws.orderRows.VariableOrderMinLength[0] = 300;
  ws.orderRows.VariableOrderMaxLength[0] = 800;
  ws.orderRows.VariableOrderValue[0] = 5.0f;
  ws.settings.KerfWidth = 4.0f;
  for (int32_t mode : {0, 1, 2, 3, 4}) {
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(mode);
    ws.cut.PieceCount = 2;
    ws.cut.PieceList[0] = {1, 1200, 0};
    ws.cut.PieceList[1] = {12, 500, 0};
    Finish();
    EXPECT_EQ(block_[SAWLINE_RESULT_FIXED_ORDER_PIECES + 4], 1.0f) << "mode " << mode;
    EXPECT_EQ(block_[SAWLINE_RESULT_GRADE_SPEC_LENGTH + 1], 1200.0f);
    EXPECT_EQ(block_[SAWLINE_RESULT_GRADE_VAR_LENGTH + 1], 500.0f);
    EXPECT_EQ(block_[SAWLINE_RESULT_GRADE_TOTAL_LENGTH + 1], 1700.0f);
    if (mode == 1) {
      EXPECT_EQ(block_[SAWLINE_RESULT_TOTAL_VALUE], 11.5f);
      EXPECT_EQ(block_[SAWLINE_RESULT_TOTAL_VALUE + 1], 11.5f);
      EXPECT_EQ(block_[SAWLINE_RESULT_TOTAL_FIXED_VALUE], 9.0f);
      EXPECT_EQ(block_[SAWLINE_RESULT_TOTAL_FIXED_VALUE + 1], 9.0f);
      EXPECT_EQ(block_[SAWLINE_RESULT_TOTAL_VAR_VALUE], 2.5f);
      EXPECT_EQ(block_[SAWLINE_RESULT_TOTAL_VAR_VALUE + 1], 2.5f);
    } else {
      for (int i = SAWLINE_RESULT_TOTAL_VALUE; i < SAWLINE_RESULT_BOARD_LENGTH; ++i)
        ASSERT_EQ(block_[i], 0.0f) << "mode " << mode << " index " << i;
    }
  }
}

// A cut list longer than the host's 100 piece slots arrives as a complete cut
// sequence: 100 records, the last one waste carrying the rest of the board, feed
// lengths adding up to the board length, and no column spilling into the next.
TEST_F(ResultBlock, LongCutListArrivesComplete) {
  ws.settings.KerfWidth = 4.0f;
  ws.settings.WasteKickerCode = 1020304;
  ws.settings.WasteGateSelect = 1;
  ws.cut.PieceCount = 180;
  double boardLength = 0.0;
  for (int32_t i = 0; i < ws.cut.PieceCount; ++i) {
    ws.cut.PieceList[i] = {1, 96, 11000000 + static_cast<float>(i)};
    boardLength += 100.0;
  }
  ws.board.BoardLength = static_cast<float>(boardLength - 4.0);
  Finish();
  ASSERT_EQ(ws.cut.PieceCount, 100);
  double feedSum = 0.0;
  for (int i = 0; i < 100; ++i)
    feedSum += block_[SAWLINE_RESULT_FEED_LENGTH + i];
  EXPECT_NEAR(feedSum, block_[SAWLINE_RESULT_BOARD_LENGTH], test::kLengthTolerance);
  EXPECT_EQ(block_[SAWLINE_RESULT_PIECE_GRADE_CODE + 98], 1.0f);
  EXPECT_EQ(block_[SAWLINE_RESULT_CODE_FIELD_1 + 300 + 98], 98.0f);
  EXPECT_EQ(block_[SAWLINE_RESULT_PIECE_GRADE_CODE + 99], 9.0f);
  EXPECT_EQ(block_[SAWLINE_RESULT_PIECE_LENGTH + 99], 81 * 100.0f - 4.0f);
  EXPECT_EQ(block_[SAWLINE_RESULT_CODE_FIELD_1 + 99], 1.0f);  // long: kicked
  // Only the 99 delivered pieces count for their order and their grade.
  EXPECT_EQ(block_[SAWLINE_RESULT_GRADE_SPEC_LENGTH + 1], 99 * 96.0f);
}

}  // namespace
}  // namespace sawline
