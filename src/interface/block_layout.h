// The block layout of the public header (its SAWLINE_PARAM_*, SAWLINE_MARK_* and
// SAWLINE_RESULT_* indices, the names the library uses too), held to the workspace's
// capacities.
#pragma once

#include "interface/sawline.h"
#include "workspace/capacities.h"

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

}  // namespace sawline
