// Per-grade order lists: the host's three order tables become, for each grade 1 to 8,
// a fixed-length list (longest piece first), a variable-length list and an uncut
// list, each entry carrying the weight the optimization mode gives it.
#include <utility>

#include "prepare/prepare.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// Weight and value thresholds are compared in single precision, the precision the
// host's tables are given in: a fixed row of weight 0.001 does not pass "greater
// than 0.001", while a variable row of weight 0.001 passes "at least 0.001".
constexpr float kWeightThreshold = 0.001f;

constexpr int kMinFixedLength = 80;     // shorter fixed-length rows are dropped
constexpr int kMinVariableLength = 50;  // shorter variable-length and uncut minima are dropped
constexpr int kUncutRowsPerGrade = kUncutOrderRows / kMaxOrderGrade;

static_assert(kFixedOrderRows <= kMaxFixedOrders, "every fixed row of one grade must fit");
static_assert(kVariableOrderRows <= kMaxVariableOrders, "every variable row must fit");
static_assert(kUncutRowsPerGrade == kMaxUncutOrders, "uncut rows map three to a grade");

bool FixedRowPassesWeightTest(int mode, int row) {
  switch (mode) {
    case 0:
    case 2:
      return ws.FixedOrderWeight[row] > kWeightThreshold;
    case 1:
      return ws.FixedOrderValue[row] > kWeightThreshold;
    default:
      return true;  // long stock: weights play no part
  }
}

bool VariableRowPassesWeightTest(int mode, int row) {
  switch (mode) {
    case 0:
    case 2:
      return ws.VariableOrderWeight[row] >= kWeightThreshold;
    case 1:
      return ws.VariableOrderValue[row] >= kWeightThreshold;
    default:
      return true;  // long stock and defect sawing: weights play no part
  }
}

// Appends the fixed-length rows that are switched on, long enough, worth something in
// this mode and not yet complete. Rows of a grade outside 1 to 8 have no list.
void TakeFixedRows(int mode) {
  for (int row = 0; row < kFixedOrderRows; ++row) {
    const int32_t grade = ws.FixedOrderGrade[row];
    const int32_t quantity = ws.FixedOrderQuantity[row];
    if (ws.FixedOrderEnabled[row] != 1 || ws.FixedOrderLength[row] < kMinFixedLength) continue;
    if (!FixedRowPassesWeightTest(mode, row)) continue;
    if (quantity != 0 && quantity <= ws.FixedOrderDone[row]) continue;
    if (!IsOrderGrade(grade) || ws.FixedCount[grade] >= kMaxFixedOrders) continue;

    const int j = ws.FixedCount[grade]++;
    ws.FixedLength[grade][j] = ws.FixedOrderLength[row];
    ws.FixedQuantity[grade][j] = quantity;
    ws.FixedDone[grade][j] = ws.FixedOrderDone[row];
    ws.FixedCode[grade][j] = ws.FixedOrderCode[row];
    ws.FixedStartWeight[grade][j] = 0.0f;
    switch (mode) {
      case 0:
        ws.FixedWeight[grade][j] = ws.FixedOrderWeight[row];
        break;
      case 1:
        ws.FixedWeight[grade][j] = ToFloat(static_cast<double>(ws.FixedOrderValue[row]) /
                                           static_cast<double>(ws.FixedOrderLength[row]));
        break;
      case 2:
        ws.FixedWeight[grade][j] = ws.FixedOrderWeight[row];
        ws.FixedStartWeight[grade][j] = ws.FixedOrderStartWeight[row];
        break;
      default:
        ws.FixedWeight[grade][j] = 0.0f;
        break;
    }
  }
}

void TakeVariableRows(int mode) {
  for (int row = 0; row < kVariableOrderRows; ++row) {
    const int32_t grade = ws.VariableOrderGrade[row];
    const int32_t minLength = ws.VariableOrderMinLength[row];
    const int32_t maxLength = ws.VariableOrderMaxLength[row];
    if (ws.VariableOrderEnabled[row] != 1 || minLength < kMinVariableLength) continue;
    if (maxLength <= minLength || !VariableRowPassesWeightTest(mode, row)) continue;
    if (!IsOrderGrade(grade) || ws.VariableCount[grade] >= kMaxVariableOrders) continue;

    const int j = ws.VariableCount[grade]++;
    ws.VariableMinLength[grade][j] = minLength;
    ws.VariableMaxLength[grade][j] = maxLength;
    ws.VariableCode[grade][j] = ws.VariableOrderCode[row];
    switch (mode) {
      case 0:
      case 2:
        ws.VariableWeight[grade][j] = ws.VariableOrderWeight[row];
        break;
      case 1:
        ws.VariableWeight[grade][j] =
            ToFloat(static_cast<double>(ws.VariableOrderValue[row]) / 1000.0);
        break;
      default:
        ws.VariableWeight[grade][j] = 0.0f;
        break;
    }
  }
}

// Uncut rows carry no grade of their own: rows 0 to 2 serve grade 1, rows 3 to 5
// grade 2, and so on up to rows 21 to 23 for grade 8.
void TakeUncutRows() {
  for (int row = 0; row < kUncutOrderRows; ++row) {
    const int32_t minLength = ws.UncutOrderMinLength[row];
    const int32_t maxLength = ws.UncutOrderMaxLength[row];
    if (ws.UncutOrderEnabled[row] != 1 || minLength < kMinVariableLength) continue;
    if (maxLength <= minLength) continue;
    const int grade = row / kUncutRowsPerGrade + 1;
    const int j = ws.UncutCount[grade]++;
    ws.UncutMinLength[grade][j] = minLength;
    ws.UncutMaxLength[grade][j] = maxLength;
    ws.UncutCode[grade][j] = ws.UncutOrderCode[row];
  }
}

// One more than the worst grade with fixed or variable orders; 1 when there are none.
// Uncut orders do not count.
int32_t ComputeOrderedGradeLimit() {
  for (int grade = kMaxOrderGrade; grade >= 1; --grade) {
    if (ws.FixedCount[grade] != 0 || ws.VariableCount[grade] != 0) return grade + 1;
  }
  return 1;
}

void SwapFixedEntries(int grade, int a, int b) {
  std::swap(ws.FixedLength[grade][a], ws.FixedLength[grade][b]);
  std::swap(ws.FixedWeight[grade][a], ws.FixedWeight[grade][b]);
  std::swap(ws.FixedStartWeight[grade][a], ws.FixedStartWeight[grade][b]);
  std::swap(ws.FixedQuantity[grade][a], ws.FixedQuantity[grade][b]);
  std::swap(ws.FixedDone[grade][a], ws.FixedDone[grade][b]);
  std::swap(ws.FixedCode[grade][a], ws.FixedCode[grade][b]);
}

// Selection sort, longest first. The first of several equally long entries is the one
// moved forward, so equal lengths may change their relative order (rows a, b, c, d of
// lengths 500, 800, 500, 800 end up as b, d, c, a); the search depends on this order.
void SortFixedListLongestFirst(int grade) {
  const int count = ws.FixedCount[grade];
  for (int k = 0; k < count; ++k) {
    int longest = k;
    for (int j = k + 1; j < count; ++j) {
      if (ws.FixedLength[grade][j] > ws.FixedLength[grade][longest]) longest = j;
    }
    if (longest != k) SwapFixedEntries(grade, k, longest);
  }
}

}  // namespace

// Modes 0 to 3 fill all three lists; defect sawing (mode 4) needs only the variable
// lists, whose codes it hands to its pieces, and neither sorts nor sets a grade limit;
// any other mode fills nothing. OrderedGradeLimit is 1 unless computed, so no value
// of an earlier call survives.
void BuildOrderLists() {
  for (int grade = 0; grade < kGrades; ++grade) {
    ws.FixedCount[grade] = 0;
    ws.VariableCount[grade] = 0;
    ws.UncutCount[grade] = 0;
  }
  ws.OrderedGradeLimit = 1;

  const int32_t mode = ws.OptimizeMode;
  if (mode >= 0 && mode <= 3) {
    TakeFixedRows(mode);
    TakeVariableRows(mode);
    TakeUncutRows();
  } else if (mode == 4) {
    TakeVariableRows(mode);
  }
  if (mode == 4) return;

  ws.OrderedGradeLimit = ComputeOrderedGradeLimit();
  for (int grade = 1; grade <= kMaxOrderGrade; ++grade)
    SortFixedListLongestFirst(grade);
}

}  // namespace sawline
