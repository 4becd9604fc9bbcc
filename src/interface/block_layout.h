// Index layout of the parameter block and the result block, as the public header gives
// it, under the names the library uses.
#pragma once

#include "interface/sawline.h"
#include "workspace/capacities.h"

namespace sawline {

static_assert(SAWLINE_PARAMETER_BLOCK_FLOATS == kParameterBlockFloats);
static_assert(SAWLINE_BOARD_MARK_BLOCK_FLOATS == kBoardMarkBlockFloats);
static_assert(SAWLINE_RESULT_BLOCK_FLOATS == kResultBlockFloats);
static_assert(kResultBlockFloats == 1169);
static_assert(SAWLINE_MARK_SECOND_HALF == kMarkHalf && SAWLINE_MARK_KIND == kMarkKindIndex);

namespace param {
inline constexpr int kWasteGateSelect = SAWLINE_PARAM_WASTE_GATE_SELECT;
inline constexpr int kFixedOrderEnabled = SAWLINE_PARAM_FIXED_ORDER_ENABLED;
inline constexpr int kFixedOrderGrade = SAWLINE_PARAM_FIXED_ORDER_GRADE;
inline constexpr int kFixedOrderLength = SAWLINE_PARAM_FIXED_ORDER_LENGTH;
inline constexpr int kFixedOrderWeight = SAWLINE_PARAM_FIXED_ORDER_WEIGHT;
inline constexpr int kFixedOrderStartWeight = SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT;
inline constexpr int kFixedOrderValue = SAWLINE_PARAM_FIXED_ORDER_VALUE;
inline constexpr int kFixedOrderQuantity = SAWLINE_PARAM_FIXED_ORDER_QUANTITY;
inline constexpr int kFixedOrderDone = SAWLINE_PARAM_FIXED_ORDER_DONE;
inline constexpr int kFixedOrderCode = SAWLINE_PARAM_FIXED_ORDER_CODE;
inline constexpr int kVariableOrderCode = SAWLINE_PARAM_VARIABLE_ORDER_CODE;
inline constexpr int kUncutOrderCode = SAWLINE_PARAM_UNCUT_ORDER_CODE;
inline constexpr int kWasteKickerCode = SAWLINE_PARAM_WASTE_KICKER_CODE;
inline constexpr int kVariableOrderEnabled = SAWLINE_PARAM_VARIABLE_ORDER_ENABLED;
inline constexpr int kVariableOrderGrade = SAWLINE_PARAM_VARIABLE_ORDER_GRADE;
inline constexpr int kVariableOrderMinLength = SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH;
inline constexpr int kVariableOrderMaxLength = SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH;
inline constexpr int kVariableOrderWeight = SAWLINE_PARAM_VARIABLE_ORDER_WEIGHT;
inline constexpr int kVariableOrderValue = SAWLINE_PARAM_VARIABLE_ORDER_VALUE;
inline constexpr int kUncutOrderEnabled = SAWLINE_PARAM_UNCUT_ORDER_ENABLED;
inline constexpr int kUncutOrderMinLength = SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH;
inline constexpr int kUncutOrderMaxLength = SAWLINE_PARAM_UNCUT_ORDER_MAX_LENGTH;
inline constexpr int kCT = SAWLINE_PARAM_CT;
inline constexpr int kCB = SAWLINE_PARAM_CB;
inline constexpr int kWasteMaxLength = SAWLINE_PARAM_WASTE_MAX_LENGTH;
inline constexpr int kRemnantCentering = SAWLINE_PARAM_REMNANT_CENTERING;
inline constexpr int kUnusedTimeLimit = SAWLINE_PARAM_UNUSED_TIME_LIMIT;
inline constexpr int kWasteMarkCount = SAWLINE_PARAM_WASTE_MARK_COUNT;
inline constexpr int kTailUnmarkedLength = SAWLINE_PARAM_TAIL_UNMARKED_LENGTH;
inline constexpr int kGradeMarkLength = SAWLINE_PARAM_GRADE_MARK_LENGTH;
inline constexpr int kGradeAMinLength = SAWLINE_PARAM_GRADE_A_MIN_LENGTH;
inline constexpr int kUnmarkedGrade = SAWLINE_PARAM_UNMARKED_GRADE;
inline constexpr int kOptimizeMode = SAWLINE_PARAM_OPTIMIZE_MODE;
inline constexpr int kPriorityDowngrade = SAWLINE_PARAM_PRIORITY_DOWNGRADE;
inline constexpr int kKerfWidth = SAWLINE_PARAM_KERF_WIDTH;
inline constexpr int kFluorescentLineWidth = SAWLINE_PARAM_FLUORESCENT_LINE_WIDTH;
inline constexpr int kFrontMarkingMode = SAWLINE_PARAM_FRONT_MARKING_MODE;
inline constexpr int kTopWasteSideGradeLines = SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES;
inline constexpr int kSeparateAdjacentSameGrade = SAWLINE_PARAM_SEPARATE_ADJACENT_SAME_GRADE;
static_assert(kSeparateAdjacentSameGrade + 1 == kParameterBlockFloats);
}  // namespace param

namespace result {
inline constexpr int kSegmentGrade = SAWLINE_RESULT_SEGMENT_GRADE;
inline constexpr int kSegmentLength = SAWLINE_RESULT_SEGMENT_LENGTH;
inline constexpr int kPieceGradeCode = SAWLINE_RESULT_PIECE_GRADE_CODE;
inline constexpr int kPieceLength = SAWLINE_RESULT_PIECE_LENGTH;
inline constexpr int kFeedLength = SAWLINE_RESULT_FEED_LENGTH;
inline constexpr int kCodeField1 = SAWLINE_RESULT_CODE_FIELD_1;
inline constexpr int kFixedOrderPieces = SAWLINE_RESULT_FIXED_ORDER_PIECES;
inline constexpr int kGradeTotalLength = SAWLINE_RESULT_GRADE_TOTAL_LENGTH;
inline constexpr int kGradeSpecLength = SAWLINE_RESULT_GRADE_SPEC_LENGTH;
inline constexpr int kGradeVarLength = SAWLINE_RESULT_GRADE_VAR_LENGTH;
inline constexpr int kGradeUncutLength = SAWLINE_RESULT_GRADE_UNCUT_LENGTH;
inline constexpr int kTotalUsefulLength = SAWLINE_RESULT_TOTAL_USEFUL_LENGTH;
inline constexpr int kTotalValue = SAWLINE_RESULT_TOTAL_VALUE;
inline constexpr int kTotalFixedValue = SAWLINE_RESULT_TOTAL_FIXED_VALUE;
inline constexpr int kTotalVarValue = SAWLINE_RESULT_TOTAL_VAR_VALUE;
inline constexpr int kBoardLength = SAWLINE_RESULT_BOARD_LENGTH;
static_assert(kBoardLength + 1 == kResultBlockFloats);
}  // namespace result

}  // namespace sawline
