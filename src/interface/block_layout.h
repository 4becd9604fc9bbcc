// Index layout of the parameter block and the result block.
#pragma once

#include "interface/sawline.h"
#include "workspace/capacities.h"

namespace sawline {

static_assert(SAWLINE_PARAMETER_BLOCK_FLOATS == kParameterBlockFloats);
static_assert(SAWLINE_BOARD_MARK_BLOCK_FLOATS == kBoardMarkBlockFloats);
static_assert(SAWLINE_RESULT_BLOCK_FLOATS == kResultBlockFloats);
static_assert(kResultBlockFloats == 1169);

// Parameter block: first index of each column or scalar.
namespace param {
inline constexpr int kWasteGateSelect = 5;
inline constexpr int kFixedOrderEnabled = 6;
inline constexpr int kFixedOrderGrade = 206;
inline constexpr int kFixedOrderLength = 406;
inline constexpr int kFixedOrderWeight = 606;
inline constexpr int kFixedOrderStartWeight = 806;
inline constexpr int kFixedOrderValue = 1006;
inline constexpr int kFixedOrderQuantity = 1206;
inline constexpr int kFixedOrderDone = 1406;
inline constexpr int kFixedOrderCode = 1606;
inline constexpr int kVariableOrderCode = 1806;
inline constexpr int kUncutOrderCode = 1830;
inline constexpr int kWasteKickerCode = 1854;
inline constexpr int kVariableOrderEnabled = 1855;
inline constexpr int kVariableOrderGrade = 1879;
inline constexpr int kVariableOrderMinLength = 1903;
inline constexpr int kVariableOrderMaxLength = 1927;
inline constexpr int kVariableOrderWeight = 1951;
inline constexpr int kVariableOrderValue = 1975;
inline constexpr int kUncutOrderEnabled = 1999;
inline constexpr int kUncutOrderMinLength = 2023;
inline constexpr int kUncutOrderMaxLength = 2047;
inline constexpr int kCT = 2070;  // CT of grade g at 2070 + g
inline constexpr int kCB = 2078;  // CB of grade g at 2078 + g
inline constexpr int kWasteMaxLength = 2087;
inline constexpr int kRemnantCentering = 2088;
inline constexpr int kUnusedTimeLimit = 2089;  // never read: the time limit is fixed
inline constexpr int kWasteMarkCount = 2090;
inline constexpr int kTailUnmarkedLength = 2091;
inline constexpr int kGradeMarkLength = 2092;
inline constexpr int kGradeAMinLength = 2093;
inline constexpr int kUnmarkedGrade = 2094;
inline constexpr int kOptimizeMode = 2095;
inline constexpr int kPriorityDowngrade = 2096;
inline constexpr int kKerfWidth = 2097;
inline constexpr int kFluorescentLineWidth = 2098;
inline constexpr int kFrontMarkingMode = 2099;
inline constexpr int kTopWasteSideGradeLines = 2100;
inline constexpr int kSeparateAdjacentSameGrade = 2101;
static_assert(kSeparateAdjacentSameGrade + 1 == kParameterBlockFloats);
}  // namespace param

// Result block: first index of each column or group.
namespace result {
inline constexpr int kSegmentGrade = 0;
inline constexpr int kSegmentLength = 100;
inline constexpr int kPieceGradeCode = 200;
inline constexpr int kPieceLength = 300;
inline constexpr int kFeedLength = 400;
inline constexpr int kCodeField1 = 500;  // fields 2..4 follow at 600, 700, 800
inline constexpr int kFixedOrderPieces = 900;
inline constexpr int kGradeTotalLength = 1099;  // grade g at base + g
inline constexpr int kGradeSpecLength = 1107;
inline constexpr int kGradeVarLength = 1115;
inline constexpr int kGradeUncutLength = 1123;
inline constexpr int kTotalUsefulLength = 1132;  // grade g useful length at 1132 + g
inline constexpr int kTotalValue = 1141;         // grade g value at 1141 + g
inline constexpr int kTotalFixedValue = 1150;    // grade g at 1150 + g
inline constexpr int kTotalVarValue = 1159;      // grade g at 1159 + g
inline constexpr int kBoardLength = 1168;
static_assert(kBoardLength + 1 == kResultBlockFloats);
}  // namespace result

}  // namespace sawline
