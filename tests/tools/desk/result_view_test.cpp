#include "desk/result_view.h"

#include <gtest/gtest.h>

#include <array>

#include "desk/blocks.h"
#include "interface/block_layout.h"

namespace sawline::tools {
namespace {

// A hand-made block: the decoding must follow the block layout, not the library.
TEST(ResultView, DecodesKindsCodesAndPositionsFromTheBlock) {
  std::array<float, kParameterBlockFloats> parameters{};
  parameters[SAWLINE_PARAM_KERF_WIDTH] = 4.0f;
  parameters[SAWLINE_PARAM_FIXED_ORDER_GRADE + 7] = 2.0f;
  parameters[SAWLINE_PARAM_FIXED_ORDER_LENGTH + 7] = 1000.0f;
  parameters[SAWLINE_PARAM_FIXED_ORDER_CODE + 7] = 12010101.0f;
  std::array<float, kResultBlockFloats> block{};
  const float codes[] = {2, 32, 13, 9, 9, 44};
  const float lengths[] = {1000, 700, 500, 150, 60, 300};
  const float fields[][4] = {{12, 1, 1, 1}, {15, 0, 0, 0}, {0}, {10, 20, 30, 40}, {0}, {0}};
  for (int i = 0; i < 6; ++i) {
    block[static_cast<size_t>(SAWLINE_RESULT_PIECE_GRADE_CODE + i)] = codes[i];
    block[static_cast<size_t>(SAWLINE_RESULT_PIECE_LENGTH + i)] = lengths[i];
    block[static_cast<size_t>(SAWLINE_RESULT_FEED_LENGTH + i)] = lengths[i] + (i < 5 ? 4.0f : 0.0f);
    for (int k = 0; k < 4; ++k)
      block[static_cast<size_t>(SAWLINE_RESULT_CODE_FIELD_1 + 100 * k + i)] = fields[i][k];
  }
  block[SAWLINE_RESULT_SEGMENT_GRADE] = 2.0f;
  block[SAWLINE_RESULT_SEGMENT_LENGTH] = 1800.0f;
  block[SAWLINE_RESULT_SEGMENT_GRADE + 1] = 9.0f;
  block[SAWLINE_RESULT_SEGMENT_LENGTH + 1] = 930.0f;
  block[SAWLINE_RESULT_FIXED_ORDER_PIECES + 7] = 1.0f;
  block[SAWLINE_RESULT_GRADE_SPEC_LENGTH + 2] = 1000.0f;
  block[SAWLINE_RESULT_BOARD_LENGTH] = 2730.0f;

  const ResultView view = DecodeResult(parameters.data(), block.data(), 6);
  ASSERT_EQ(view.pieces.size(), 6u);
  const PieceKind kinds[] = {PieceKind::kFixed, PieceKind::kVariable, PieceKind::kUnknown,
                             PieceKind::kWaste, PieceKind::kWaste,    PieceKind::kUnknown};
  for (size_t i = 0; i < 6; ++i)
    EXPECT_EQ(view.pieces[i].kind, kinds[i]) << i;
  EXPECT_EQ(view.pieces[0].grade, 2);
  EXPECT_EQ(view.pieces[0].code, 12010101);
  EXPECT_EQ(view.pieces[1].grade, 3);
  EXPECT_TRUE(view.pieces[3].kicked);
  EXPECT_FALSE(view.pieces[4].kicked);
  EXPECT_DOUBLE_EQ(view.pieces[2].start, 1708.0);
  EXPECT_DOUBLE_EQ(view.feedSum, 2730.0);
  ASSERT_EQ(view.zones.size(), 2u);
  EXPECT_DOUBLE_EQ(view.zones[1].start, 1800.0);
  ASSERT_EQ(view.orderCounts.size(), 1u);
  EXPECT_EQ(view.orderCounts[0].row, 7);
  EXPECT_EQ(view.orderCounts[0].code, 12010101);
  EXPECT_DOUBLE_EQ(view.usedLength, 1000.0);
  EXPECT_DOUBLE_EQ(view.wasteLength, 210.0);
}

TEST(ResultView, DefectSawingPiecesAreClearAndAReturnOfZeroReadsNothing) {
  std::array<float, kParameterBlockFloats> parameters{};
  parameters[SAWLINE_PARAM_OPTIMIZE_MODE] = 4.0f;
  std::array<float, kResultBlockFloats> block{};
  block[SAWLINE_RESULT_PIECE_GRADE_CODE] = 1.0f;
  block[SAWLINE_RESULT_PIECE_LENGTH] = 800.0f;
  EXPECT_EQ(DecodeResult(parameters.data(), block.data(), 1).pieces[0].kind, PieceKind::kClear);
  const ResultView none = DecodeResult(parameters.data(), block.data(), 0);
  EXPECT_TRUE(none.pieces.empty());
  EXPECT_EQ(none.delivered, 0);
}

// A grade-3 piece partly in a grade-1 zone: its grade's yield counts only what lies in
// grade-3 zones, so it stays at most 100 %; the rest is shown as cut from better zones.
// The variable-length piece goes to the first row whose range holds it and is valued by
// the book.
TEST(ResultView, GradeYieldSplitsPiecesByTheZonesTheyLieIn) {
  std::array<float, kParameterBlockFloats> parameters{};
  parameters[SAWLINE_PARAM_FIXED_ORDER_ENABLED + 0] = 1.0f;
  parameters[SAWLINE_PARAM_FIXED_ORDER_GRADE + 0] = 3.0f;
  parameters[SAWLINE_PARAM_FIXED_ORDER_LENGTH + 0] = 900.0f;
  parameters[SAWLINE_PARAM_FIXED_ORDER_VALUE + 0] = 7.5f;
  for (int j = 0; j < 2; ++j) {  // two grade-3 rows: 100 to 300, then 200 to 500
    parameters[static_cast<size_t>(SAWLINE_PARAM_VARIABLE_ORDER_ENABLED + j)] = 1.0f;
    parameters[static_cast<size_t>(SAWLINE_PARAM_VARIABLE_ORDER_GRADE + j)] = 3.0f;
    parameters[static_cast<size_t>(SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH + j)] =
        100.0f + 100.0f * static_cast<float>(j);
    parameters[static_cast<size_t>(SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH + j)] =
        300.0f + 200.0f * static_cast<float>(j);
    parameters[static_cast<size_t>(SAWLINE_PARAM_VARIABLE_ORDER_VALUE + j)] = 2.0f;
  }
  std::array<float, kResultBlockFloats> block{};
  block[SAWLINE_RESULT_SEGMENT_GRADE] = 1.0f;  // 0 to 400
  block[SAWLINE_RESULT_SEGMENT_LENGTH] = 400.0f;
  block[SAWLINE_RESULT_SEGMENT_GRADE + 1] = 3.0f;  // 400 to 1400
  block[SAWLINE_RESULT_SEGMENT_LENGTH + 1] = 1000.0f;
  // Waste to 100, the fixed piece 100 to 1000, the variable piece 1004 to 1400.
  block[SAWLINE_RESULT_FEED_LENGTH] = 100.0f;
  block[SAWLINE_RESULT_PIECE_GRADE_CODE] = 9.0f;
  block[SAWLINE_RESULT_PIECE_LENGTH] = 96.0f;
  block[SAWLINE_RESULT_PIECE_GRADE_CODE + 1] = 3.0f;
  block[SAWLINE_RESULT_PIECE_LENGTH + 1] = 900.0f;
  block[SAWLINE_RESULT_FEED_LENGTH + 1] = 904.0f;
  block[SAWLINE_RESULT_PIECE_GRADE_CODE + 2] = 32.0f;
  block[SAWLINE_RESULT_PIECE_LENGTH + 2] = 396.0f;
  block[SAWLINE_RESULT_FEED_LENGTH + 2] = 396.0f;
  block[SAWLINE_RESULT_FIXED_ORDER_PIECES + 0] = 1.0f;
  block[SAWLINE_RESULT_TOTAL_USEFUL_LENGTH + 3] = 1000.0f;
  block[SAWLINE_RESULT_GRADE_TOTAL_LENGTH + 3] = 1296.0f;

  const ResultView view = DecodeResult(parameters.data(), block.data(), 3);
  const GradeYieldView& grade3 = view.grades[2];
  EXPECT_DOUBLE_EQ(grade3.betterZones, 300.0);  // the fixed piece's 100 to 400
  EXPECT_DOUBLE_EQ(grade3.ownZones, 996.0);     // 400 to 1000, and 1004 to 1400
  EXPECT_DOUBLE_EQ(grade3.Yield(), 0.996);
  ASSERT_EQ(view.variableCounts.size(), 1u);
  EXPECT_EQ(view.variableCounts[0].row, 1);  // 396 is past row 0's 300
  EXPECT_DOUBLE_EQ(view.variableCounts[0].length, 396.0);
  EXPECT_TRUE(view.bookHasValues);
  EXPECT_DOUBLE_EQ(view.bookValue, 7.5 + 396.0 * 2.0 / 1000.0);
}

}  // namespace
}  // namespace sawline::tools
