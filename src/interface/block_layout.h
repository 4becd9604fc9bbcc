// The block layout of the public header (its SAWLINE_PARAM_*, SAWLINE_MARK_* and
// SAWLINE_RESULT_* indices, the names the library uses too), held to the workspace's
// capacities.
#pragma once

#include "interface/sawline.h"
#include "workspace/capacities.h"
#include "workspace/codes.h"

namespace sawline {

static_assert(SAWLINE_PARAMETER_BLOCK_FLOATS == kParameterBlockFloats);
static_assert(SAWLINE_BOARD_MARK_BLOCK_FLOATS == kBoardMarkBlockFloats);
static_assert(SAWLINE_RESULT_BLOCK_FLOATS == kResultBlockFloats);
static_assert(kResultBlockFloats == 1169);
static_assert(SAWLINE_MARK_SECOND_HALF == kMarkHalf && SAWLINE_MARK_KIND == kMarkKindIndex);
static_assert(SAWLINE_FIXED_ORDER_ROWS == kFixedOrderRows);
static_assert(SAWLINE_VARIABLE_ORDER_ROWS == kVariableOrderRows);
static_assert(SAWLINE_UNCUT_ORDER_ROWS == kUncutOrderRows);
static_assert(SAWLINE_UNCUT_ROWS_PER_GRADE == kMaxUncutOrders);
static_assert(SAWLINE_ORDER_GRADES == kMaxOrderGrade && SAWLINE_WASTE_GRADE == kWasteGrade);
static_assert(SAWLINE_MARK_HALF_ENTRIES == kMarkHalf);
static_assert(SAWLINE_RESULT_SEGMENTS == kMaxSegments);
static_assert(SAWLINE_RESULT_PIECES == kMaxTransferRecords);
static_assert(SAWLINE_PARAM_SEPARATE_ADJACENT_SAME_GRADE + 1 == kParameterBlockFloats);
static_assert(SAWLINE_RESULT_BOARD_LENGTH + 1 == kResultBlockFloats);
static_assert(SAWLINE_RESULT_CODE_FIELD_2 - SAWLINE_RESULT_CODE_FIELD_1 == kMaxTransferRecords &&
              SAWLINE_RESULT_CODE_FIELD_3 - SAWLINE_RESULT_CODE_FIELD_2 == kMaxTransferRecords &&
              SAWLINE_RESULT_CODE_FIELD_4 - SAWLINE_RESULT_CODE_FIELD_3 == kMaxTransferRecords &&
              SAWLINE_RESULT_FIXED_ORDER_PIECES - SAWLINE_RESULT_CODE_FIELD_4 ==
                  kMaxTransferRecords);
// The header's grade codes are the ones the plan writes, for every grade.
constexpr bool HeaderGradeCodesMatch() {
  auto code = [](PieceKind kind, int32_t grade) {
    return static_cast<int32_t>(GradeCode(kind, grade));
  };
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    if (code(PieceKind::kFixed, g) != SAWLINE_GRADE_CODE_FIXED(g)) return false;
    if (code(PieceKind::kUncut, g) != SAWLINE_GRADE_CODE_UNCUT(g)) return false;
    if (code(PieceKind::kVariable, g) != SAWLINE_GRADE_CODE_VARIABLE(g)) return false;
  }
  return code(PieceKind::kWaste, kWasteGrade) == SAWLINE_GRADE_CODE_WASTE;
}
static_assert(HeaderGradeCodesMatch());

}  // namespace sawline
