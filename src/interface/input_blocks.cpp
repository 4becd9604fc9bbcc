#include "interface/input_blocks.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

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

bool AllFinite(const float* entries, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    if (!std::isfinite(entries[i])) return false;
  }
  return true;
}

bool AnyNegative(const float* entries, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    if (entries[i] < 0.0f) return true;
  }
  return false;
}

// The mark entries a board's conversion reads. Grade/length pairs read the first
// FirstHalfCount entries of both halves (the second half's own count plays no part)
// and only the second half holds lengths; marking-line intervals read each half up to
// its own count, and both halves are lengths.
struct BoardMarkRanges {
  int firstCount;        // entries 0.. of the first half
  int secondCount;       // entries 100.. of the second half
  int lengthFirst;       // where the first-half lengths start (the half's end when none)
  int lengthFirstCount;  // first-half entries that are lengths
};

BoardMarkRanges UsedBoardMarks() {
  const int n = ws.marks.FirstHalfCount;
  if (ws.marks.BoardMarks[kMarkKindIndex] == 1.0f) return {n, n, kMarkHalf, 0};
  return {n, ws.marks.SecondHalfCount, 0, n};
}

// Parameter entries whose order row is switched on (exactly 1), by column.
bool EnabledRowsFinite(const float* p, const int32_t* enabled, int rows,
                       std::initializer_list<int> columns) {
  for (int row = 0; row < rows; ++row) {
    if (enabled[row] != 1) continue;
    for (int column : columns) {
      if (!std::isfinite(p[column + row])) return false;
    }
  }
  return true;
}

// Every value the run reads must be a finite number: the scalar settings (index 2089 is
// never read), CT and CB of grades 1 to 8, every column of the order rows that are
// switched on, the mark kind and the used board marks. A row that is switched off is
// not read, whatever it holds. The board's total length must stay finite as well,
// since it becomes the sum of the feed lengths.
RefusalReason ScreenForNonFinite(const float* p) {
  static constexpr int kScalars[] = {
      param::kWasteGateSelect,        param::kWasteKickerCode,
      param::kWasteMaxLength,         param::kRemnantCentering,
      param::kWasteMarkCount,         param::kTailUnmarkedLength,
      param::kGradeMarkLength,        param::kGradeAMinLength,
      param::kUnmarkedGrade,          param::kOptimizeMode,
      param::kPriorityDowngrade,      param::kKerfWidth,
      param::kFluorescentLineWidth,   param::kFrontMarkingMode,
      param::kTopWasteSideGradeLines, param::kSeparateAdjacentSameGrade};
  for (int index : kScalars) {
    if (!std::isfinite(p[index])) return kRefusedNonFinite;
  }
  if (!AllFinite(p, param::kCT + 1, kMaxOrderGrade) ||
      !AllFinite(p, param::kCB + 1, kMaxOrderGrade)) {
    return kRefusedNonFinite;
  }
  const bool ordersFinite =
      EnabledRowsFinite(
          p, ws.orderRows.FixedOrderEnabled, kFixedOrderRows,
          {param::kFixedOrderGrade, param::kFixedOrderLength, param::kFixedOrderWeight,
           param::kFixedOrderStartWeight, param::kFixedOrderValue, param::kFixedOrderQuantity,
           param::kFixedOrderDone, param::kFixedOrderCode}) &&
      EnabledRowsFinite(p, ws.orderRows.VariableOrderEnabled, kVariableOrderRows,
                        {param::kVariableOrderCode, param::kVariableOrderGrade,
                         param::kVariableOrderMinLength, param::kVariableOrderMaxLength,
                         param::kVariableOrderWeight, param::kVariableOrderValue}) &&
      EnabledRowsFinite(
          p, ws.orderRows.UncutOrderEnabled, kUncutOrderRows,
          {param::kUncutOrderCode, param::kUncutOrderMinLength, param::kUncutOrderMaxLength});
  if (!ordersFinite) return kRefusedNonFinite;

  const BoardMarkRanges marks = UsedBoardMarks();
  if (!std::isfinite(ws.marks.BoardMarks[kMarkKindIndex]) ||
      !AllFinite(ws.marks.BoardMarks, 0, marks.firstCount) ||
      !AllFinite(ws.marks.BoardMarks, kMarkHalf, marks.secondCount)) {
    return kRefusedNonFinite;
  }
  double total = 0.0;
  for (int i = 0; i < marks.lengthFirstCount; ++i)
    total += std::fabs(static_cast<double>(ws.marks.BoardMarks[marks.lengthFirst + i]));
  for (int i = 0; i < marks.secondCount; ++i)
    total += std::fabs(static_cast<double>(ws.marks.BoardMarks[kMarkHalf + i]));
  if (total > static_cast<double>(std::numeric_limits<float>::max())) return kRefusedNonFinite;
  return kAccepted;
}

}  // namespace

void UnpackParameterBlock(const float* p) {
  ws.settings.WasteGateSelect = TruncToInt(p[param::kWasteGateSelect]);
  ReadInts(p, param::kFixedOrderEnabled, kFixedOrderRows, ws.orderRows.FixedOrderEnabled);
  ReadInts(p, param::kFixedOrderGrade, kFixedOrderRows, ws.orderRows.FixedOrderGrade);
  ReadInts(p, param::kFixedOrderLength, kFixedOrderRows, ws.orderRows.FixedOrderLength);
  ReadFloats(p, param::kFixedOrderWeight, kFixedOrderRows, ws.orderRows.FixedOrderWeight);
  ReadFloats(p, param::kFixedOrderStartWeight, kFixedOrderRows, ws.orderRows.FixedOrderStartWeight);
  ReadFloats(p, param::kFixedOrderValue, kFixedOrderRows, ws.orderRows.FixedOrderValue);
  ReadInts(p, param::kFixedOrderQuantity, kFixedOrderRows, ws.orderRows.FixedOrderQuantity);
  ReadInts(p, param::kFixedOrderDone, kFixedOrderRows, ws.orderRows.FixedOrderDone);
  ReadInts(p, param::kFixedOrderCode, kFixedOrderRows, ws.orderRows.FixedOrderCode);
  ReadInts(p, param::kVariableOrderCode, kVariableOrderRows, ws.orderRows.VariableOrderCode);
  ReadInts(p, param::kUncutOrderCode, kUncutOrderRows, ws.orderRows.UncutOrderCode);
  ws.settings.WasteKickerCode = TruncToInt(p[param::kWasteKickerCode]);
  ReadInts(p, param::kVariableOrderEnabled, kVariableOrderRows, ws.orderRows.VariableOrderEnabled);
  ReadInts(p, param::kVariableOrderGrade, kVariableOrderRows, ws.orderRows.VariableOrderGrade);
  ReadInts(p, param::kVariableOrderMinLength, kVariableOrderRows,
           ws.orderRows.VariableOrderMinLength);
  ReadInts(p, param::kVariableOrderMaxLength, kVariableOrderRows,
           ws.orderRows.VariableOrderMaxLength);
  ReadFloats(p, param::kVariableOrderWeight, kVariableOrderRows, ws.orderRows.VariableOrderWeight);
  ReadFloats(p, param::kVariableOrderValue, kVariableOrderRows, ws.orderRows.VariableOrderValue);
  ReadInts(p, param::kUncutOrderEnabled, kUncutOrderRows, ws.orderRows.UncutOrderEnabled);
  ReadInts(p, param::kUncutOrderMinLength, kUncutOrderRows, ws.orderRows.UncutOrderMinLength);
  ReadInts(p, param::kUncutOrderMaxLength, kUncutOrderRows, ws.orderRows.UncutOrderMaxLength);
  ws.settings.CT[0] = 0;
  ws.settings.CB[0] = 0;
  ReadInts(p, param::kCT + 1, kMaxOrderGrade, ws.settings.CT + 1);
  ReadInts(p, param::kCB + 1, kMaxOrderGrade, ws.settings.CB + 1);
  ws.settings.WasteMaxLength = TruncToInt(p[param::kWasteMaxLength]);
  ws.settings.RemnantCentering = TruncToInt(p[param::kRemnantCentering]);
  ws.settings.OptimizeTimeLimit = 0.35f;
  ws.settings.WasteMarkCount = TruncToInt(p[param::kWasteMarkCount]);
  ws.settings.TailUnmarkedLength = TruncToInt(p[param::kTailUnmarkedLength]);
  ws.settings.GradeMarkLength = TruncToInt(p[param::kGradeMarkLength]);
  ws.settings.GradeAMinLength = TruncToInt(p[param::kGradeAMinLength]);
  ws.settings.UnmarkedGrade = TruncToInt(p[param::kUnmarkedGrade]);
  ws.settings.OptimizeMode = TruncToInt(p[param::kOptimizeMode]);
  ws.settings.PriorityDowngrade = TruncToInt(p[param::kPriorityDowngrade]);
  ws.settings.KerfWidth = p[param::kKerfWidth];
  ws.settings.FluorescentLineWidth = TruncToInt(p[param::kFluorescentLineWidth]);
  ws.settings.FrontMarkingMode = TruncToInt(p[param::kFrontMarkingMode]);
  ws.settings.TopWasteSideGradeLines = TruncToInt(p[param::kTopWasteSideGradeLines]);
  ws.settings.SeparateAdjacentSameGrade = TruncToInt(p[param::kSeparateAdjacentSameGrade]);
}

void CopyBoardMarks(const float* marks) {
  std::memcpy(ws.marks.BoardMarks, marks, sizeof ws.marks.BoardMarks);
  ws.marks.FirstHalfCount = CountUntilZero(ws.marks.BoardMarks, kMarkHalf);
  ws.marks.SecondHalfCount = CountUntilZero(ws.marks.BoardMarks + kMarkHalf, kMarkHalf);
}

namespace {

// The board's length as its marks give it: the pair lengths, or the top face's
// intervals.
double MarkedBoardLength() {
  const int lengthsFrom = ws.marks.BoardMarks[kMarkKindIndex] == 1.0f ? kMarkHalf : 0;
  double length = 0.0;
  for (int i = 0; i < ws.marks.FirstHalfCount; ++i)
    length += ws.marks.BoardMarks[lengthsFrom + i];
  return length;
}

}  // namespace

void ScreenInputs(const float* parameters) {
  ws.run.InputRefused = ScreenForNonFinite(parameters);
  if (ws.run.InputRefused != kAccepted) return;
  if (ws.settings.KerfWidth < 0.0f) {
    ws.run.InputRefused = kRefusedNegativeKerf;
    return;
  }
  const BoardMarkRanges marks = UsedBoardMarks();
  if (AnyNegative(ws.marks.BoardMarks, marks.lengthFirst, marks.lengthFirstCount) ||
      AnyNegative(ws.marks.BoardMarks, kMarkHalf, marks.secondCount)) {
    ws.run.InputRefused = kRefusedNegativeMark;
    return;
  }
  // A kerf that takes the whole board leaves nothing to cut: planning it would hand
  // the controller negative lengths.
  const double boardLength = MarkedBoardLength();
  if (boardLength > 0.0 && static_cast<double>(ws.settings.KerfWidth) >= boardLength) {
    ws.run.InputRefused = kRefusedKerfTooWide;
  }
}

}  // namespace sawline
