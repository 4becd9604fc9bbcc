// The sizes of the host's blocks and of the tables they hold, as the desk tool's code
// names them. Every number comes from the library's public header.
#pragma once

#include "interface/sawline.h"

namespace sawline::tools {

inline constexpr int kParameterBlockFloats = SAWLINE_PARAMETER_BLOCK_FLOATS;
inline constexpr int kBoardMarkBlockFloats = SAWLINE_BOARD_MARK_BLOCK_FLOATS;
inline constexpr int kResultBlockFloats = SAWLINE_RESULT_BLOCK_FLOATS;
inline constexpr int kFixedOrderRows = SAWLINE_FIXED_ORDER_ROWS;
inline constexpr int kVariableOrderRows = SAWLINE_VARIABLE_ORDER_ROWS;
inline constexpr int kUncutOrderRows = SAWLINE_UNCUT_ORDER_ROWS;
inline constexpr int kUncutRowsPerGrade = SAWLINE_UNCUT_ROWS_PER_GRADE;
inline constexpr int kMaxOrderGrade = SAWLINE_ORDER_GRADES;
inline constexpr int kWasteGrade = SAWLINE_WASTE_GRADE;
inline constexpr int kMarkHalf = SAWLINE_MARK_HALF_ENTRIES;
inline constexpr int kMarkKindIndex = SAWLINE_MARK_KIND;
inline constexpr int kResultSegments = SAWLINE_RESULT_SEGMENTS;
inline constexpr int kResultPieces = SAWLINE_RESULT_PIECES;

}  // namespace sawline::tools
