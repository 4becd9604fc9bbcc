#include "interface/input_blocks.h"

#include <cstring>

#include "interface/block_layout.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

void ReadInts(const float* parameters, int first, int count, int32_t* column) {
  for (int i = 0; i < count; ++i)
    column[i] = TruncToInt(parameters[first + i]);
}

void ReadFloats(const float* parameters, int first, int count, float* column) {
  std::memcpy(column, parameters + first, sizeof(float) * static_cast<size_t>(count));
}

// Index of the first entry equal to 0 among `count` entries (-0.0 counts as 0).
int32_t CountUntilZero(const float* entries, int count) {
  for (int i = 0; i < count; ++i) {
    if (entries[i] == 0.0f) return i;
  }
  return count;
}

}  // namespace

void UnpackParameterBlock(const float* p) {
  ws.WasteGateSelect = TruncToInt(p[param::kWasteGateSelect]);
  ReadInts(p, param::kFixedOrderEnabled, kFixedOrderRows, ws.FixedOrderEnabled);
  ReadInts(p, param::kFixedOrderGrade, kFixedOrderRows, ws.FixedOrderGrade);
  ReadInts(p, param::kFixedOrderLength, kFixedOrderRows, ws.FixedOrderLength);
  ReadFloats(p, param::kFixedOrderWeight, kFixedOrderRows, ws.FixedOrderWeight);
  ReadFloats(p, param::kFixedOrderStartWeight, kFixedOrderRows, ws.FixedOrderStartWeight);
  ReadFloats(p, param::kFixedOrderValue, kFixedOrderRows, ws.FixedOrderValue);
  ReadInts(p, param::kFixedOrderQuantity, kFixedOrderRows, ws.FixedOrderQuantity);
  ReadInts(p, param::kFixedOrderDone, kFixedOrderRows, ws.FixedOrderDone);
  ReadInts(p, param::kFixedOrderCode, kFixedOrderRows, ws.FixedOrderCode);
  ReadInts(p, param::kVariableOrderCode, kVariableOrderRows, ws.VariableOrderCode);
  ReadInts(p, param::kUncutOrderCode, kUncutOrderRows, ws.UncutOrderCode);
  ws.WasteKickerCode = TruncToInt(p[param::kWasteKickerCode]);
  ReadInts(p, param::kVariableOrderEnabled, kVariableOrderRows, ws.VariableOrderEnabled);
  ReadInts(p, param::kVariableOrderGrade, kVariableOrderRows, ws.VariableOrderGrade);
  ReadInts(p, param::kVariableOrderMinLength, kVariableOrderRows, ws.VariableOrderMinLength);
  ReadInts(p, param::kVariableOrderMaxLength, kVariableOrderRows, ws.VariableOrderMaxLength);
  ReadFloats(p, param::kVariableOrderWeight, kVariableOrderRows, ws.VariableOrderWeight);
  ReadFloats(p, param::kVariableOrderValue, kVariableOrderRows, ws.VariableOrderValue);
  ReadInts(p, param::kUncutOrderEnabled, kUncutOrderRows, ws.UncutOrderEnabled);
  ReadInts(p, param::kUncutOrderMinLength, kUncutOrderRows, ws.UncutOrderMinLength);
  ReadInts(p, param::kUncutOrderMaxLength, kUncutOrderRows, ws.UncutOrderMaxLength);
  ws.CT[0] = 0;
  ws.CB[0] = 0;
  ReadInts(p, param::kCT + 1, kMaxOrderGrade, ws.CT + 1);
  ReadInts(p, param::kCB + 1, kMaxOrderGrade, ws.CB + 1);
  ws.WasteMaxLength = TruncToInt(p[param::kWasteMaxLength]);
  ws.RemnantCentering = TruncToInt(p[param::kRemnantCentering]);
  ws.OptimizeTimeLimit = 0.35f;
  ws.WasteMarkCount = TruncToInt(p[param::kWasteMarkCount]);
  ws.TailUnmarkedLength = TruncToInt(p[param::kTailUnmarkedLength]);
  ws.GradeMarkLength = TruncToInt(p[param::kGradeMarkLength]);
  ws.GradeAMinLength = TruncToInt(p[param::kGradeAMinLength]);
  ws.UnmarkedGrade = TruncToInt(p[param::kUnmarkedGrade]);
  ws.OptimizeMode = TruncToInt(p[param::kOptimizeMode]);
  ws.PriorityDowngrade = TruncToInt(p[param::kPriorityDowngrade]);
  ws.KerfWidth = p[param::kKerfWidth];
  ws.FluorescentLineWidth = TruncToInt(p[param::kFluorescentLineWidth]);
  ws.FrontMarkingMode = TruncToInt(p[param::kFrontMarkingMode]);
  ws.TopWasteSideGradeLines = TruncToInt(p[param::kTopWasteSideGradeLines]);
  ws.SeparateAdjacentSameGrade = TruncToInt(p[param::kSeparateAdjacentSameGrade]);
}

void CopyBoardMarks(const float* marks) {
  std::memcpy(ws.BoardMarks, marks, sizeof ws.BoardMarks);
  ws.FirstHalfCount = CountUntilZero(ws.BoardMarks, kMarkHalf);
  ws.SecondHalfCount = CountUntilZero(ws.BoardMarks + kMarkHalf, kMarkHalf);
}

void ScreenInputs() {
  ws.InputRefused = kAccepted;
}

}  // namespace sawline
