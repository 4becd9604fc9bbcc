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
      return ws.orderRows.FixedOrderWeight[row] > kWeightThreshold;
    case 1:
      return ws.orderRows.FixedOrderValue[row] > kWeightThreshold;
    default:
      return true;  // long stock: weights play no part
  }
}

bool VariableRowPassesWeightTest(int mode, int row) {
  switch (mode) {
    case 0:
    case 2:
      return ws.orderRows.VariableOrderWeight[row] >= kWeightThreshold;
    case 1:
      return ws.orderRows.VariableOrderValue[row] >= kWeightThreshold;
    default:
      return true;  // long stock and defect sawing: weights play no part
  }
}

// Appends the fixed-length rows that are switched on, long enough, worth something in
// this mode and not yet complete. Rows of a grade outside 1 to 8 have no list.
void TakeFixedRows(int mode) {
  for (int row = 0; row < kFixedOrderRows; ++row) {
    const int32_t grade = ws.orderRows.FixedOrderGrade[row];
    const int32_t quantity = ws.orderRows.FixedOrderQuantity[row];
    if (ws.orderRows.FixedOrderEnabled[row] != 1 ||
        ws.orderRows.FixedOrderLength[row] < kMinFixedLength)
      continue;
    if (!FixedRowPassesWeightTest(mode, row)) continue;
    if (quantity != 0 && quantity <= ws.orderRows.FixedOrderDone[row]) continue;
    if (!IsOrderGrade(grade) || ws.orders.FixedCount[grade] >= kMaxFixedOrders) continue;

    const int j = ws.orders.FixedCount[grade]++;
    ws.orders.FixedLength[grade][j] = ws.orderRows.FixedOrderLength[row];
    ws.orders.FixedQuantity[grade][j] = quantity;
    ws.orders.FixedDone[grade][j] = ws.orderRows.FixedOrderDone[row];
    ws.orders.FixedCode[grade][j] = ws.orderRows.FixedOrderCode[row];
    ws.orders.FixedStartWeight[grade][j] = 0.0f;
    switch (mode) {
      case 0:
        ws.orders.FixedWeight[grade][j] = ws.orderRows.FixedOrderWeight[row];
        break;
      case 1:
        ws.orders.FixedWeight[grade][j] =
            ToFloat(static_cast<double>(ws.orderRows.FixedOrderValue[row]) /
                    static_cast<double>(ws.orderRows.FixedOrderLength[row]));
        break;
      case 2:
        ws.orders.FixedWeight[grade][j] = ws.orderRows.FixedOrderWeight[row];
        ws.orders.FixedStartWeight[grade][j] = ws.orderRows.FixedOrderStartWeight[row];
        break;
      default:
        ws.orders.FixedWeight[grade][j] = 0.0f;
        break;
    }
  }
}

void TakeVariableRows(int mode) {
  for (int row = 0; row < kVariableOrderRows; ++row) {
    const int32_t grade = ws.orderRows.VariableOrderGrade[row];
    const int32_t minLength = ws.orderRows.VariableOrderMinLength[row];
    const int32_t maxLength = ws.orderRows.VariableOrderMaxLength[row];
    if (ws.orderRows.VariableOrderEnabled[row] != 1 || minLength < kMinVariableLength) continue;
    if (maxLength <= minLength || !VariableRowPassesWeightTest(mode, row)) continue;
    if (!IsOrderGrade(grade) || ws.orders.VariableCount[grade] >= kMaxVariableOrders) continue;

    const int j = ws.orders.VariableCount[grade]++;
    ws.orders.VariableMinLength[grade][j] = minLength;
    ws.orders.VariableMaxLength[grade][j] = maxLength;
    ws.orders.VariableCode[grade][j] = ws.orderRows.VariableOrderCode[row];
    switch (mode) {
      case 0:
      case 2:
        ws.orders.VariableWeight[grade][j] = ws.orderRows.VariableOrderWeight[row];
        break;
      case 1:
        ws.orders.VariableWeight[grade][j] =
            ToFloat(static_cast<double>(ws.orderRows.VariableOrderValue[row]) / 1000.0);
        break;
      default:
        ws.orders.VariableWeight[grade][j] = 0.0f;
        break;
    }
  }
}

// Uncut rows carry no grade of their own: rows 0 to 2 serve grade 1, rows 3 to 5
// grade 2, and so on up to rows 21 to 23 for grade 8.
void TakeUncutRows() {
  for (int row = 0; row < kUncutOrderRows; ++row) {
    const int32_t minLength = ws.orderRows.UncutOrderMinLength[row];
    const int32_t maxLength = ws.orderRows.UncutOrderMaxLength[row];
    if (ws.orderRows.UncutOrderEnabled[row] != 1 || minLength < kMinVariableLength) continue;
    if (maxLength <= minLength) continue;
    const int grade = row / kUncutRowsPerGrade + 1;
    const int j = ws.orders.UncutCount[grade]++;
    ws.orders.UncutMinLength[grade][j] = minLength;
    ws.orders.UncutMaxLength[grade][j] = maxLength;
    ws.orders.UncutCode[grade][j] = ws.orderRows.UncutOrderCode[row];
  }
}

// One more than the worst grade with fixed or variable orders; 1 when there are none.
// Uncut orders do not count.
int32_t ComputeOrderedGradeLimit() {
  for (int grade = kMaxOrderGrade; grade >= 1; --grade) {
    if (ws.orders.FixedCount[grade] != 0 || ws.orders.VariableCount[grade] != 0) return grade + 1;
  }
  return 1;
}

void SwapFixedEntries(int grade, int a, int b) {
  std::swap(ws.orders.FixedLength[grade][a], ws.orders.FixedLength[grade][b]);
  std::swap(ws.orders.FixedWeight[grade][a], ws.orders.FixedWeight[grade][b]);
  std::swap(ws.orders.FixedStartWeight[grade][a], ws.orders.FixedStartWeight[grade][b]);
  std::swap(ws.orders.FixedQuantity[grade][a], ws.orders.FixedQuantity[grade][b]);
  std::swap(ws.orders.FixedDone[grade][a], ws.orders.FixedDone[grade][b]);
  std::swap(ws.orders.FixedCode[grade][a], ws.orders.FixedCode[grade][b]);
}

// Selection sort, longest first. The first of several equally long entries is the one
// moved forward, so equal lengths may change their relative order (rows a, b, c, d of
// lengths 500, 800, 500, 800 end up as b, d, c, a); the search depends on this order.
void SortFixedListLongestFirst(int grade) {
  const int count = ws.orders.FixedCount[grade];
  for (int k = 0; k < count; ++k) {
    int longest = k;
    for (int j = k + 1; j < count; ++j) {
      if (ws.orders.FixedLength[grade][j] > ws.orders.FixedLength[grade][longest]) longest = j;
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
    ws.orders.FixedCount[grade] = 0;
    ws.orders.VariableCount[grade] = 0;
    ws.orders.UncutCount[grade] = 0;
  }
  ws.orders.OrderedGradeLimit = 1;

  const int32_t mode = ws.settings.OptimizeMode;
  if (mode >= 0 && mode <= 3) {
    TakeFixedRows(mode);
    TakeVariableRows(mode);
    TakeUncutRows();
  } else if (mode == 4) {
    TakeVariableRows(mode);
  }
  if (mode == 4) return;

  ws.orders.OrderedGradeLimit = ComputeOrderedGradeLimit();
  for (int grade = 1; grade <= kMaxOrderGrade; ++grade)
    SortFixedListLongestFirst(grade);
}

}  // namespace sawline
