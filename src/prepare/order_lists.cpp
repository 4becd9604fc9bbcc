// Per-grade order lists: the host's three order tables become, for each grade 1 to 8,
// a fixed-length list (longest piece first), a variable-length list and an uncut
// list, each entry carrying the weight the optimization mode gives it.
#include <utility>

#include "prepare/prepare.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

using Mode = OptimizeMode;

constexpr int kUncutRowsPerGrade = kUncutOrderRows / kMaxOrderGrade;

static_assert(kFixedOrderRows <= kMaxFixedOrders, "every fixed row of one grade must fit");
static_assert(kVariableOrderRows <= kMaxVariableOrders, "every variable row must fit");
static_assert(kUncutRowsPerGrade == kMaxUncutOrders, "uncut rows map three to a grade");

// A fixed-length row of weight (or value) 0.001 does not pass "greater than 0.001",
// while a variable-length row of weight 0.001 passes "at least 0.001".
bool FixedRowPassesWeightTest(const OrderRows& rows, Mode mode, int row) {
  switch (mode) {
    case Mode::kLength:
    case Mode::kQuantity:
      return rows.FixedOrderWeight[row] > kWeightThreshold;
    case Mode::kValue:
      return rows.FixedOrderValue[row] > kWeightThreshold;
    default:
      return true;  // long stock: weights play no part
  }
}

bool VariableRowPassesWeightTest(const OrderRows& rows, Mode mode, int row) {
  switch (mode) {
    case Mode::kLength:
    case Mode::kQuantity:
      return rows.VariableOrderWeight[row] >= kWeightThreshold;
    case Mode::kValue:
      return rows.VariableOrderValue[row] >= kWeightThreshold;
    default:
      return true;  // long stock and defect sawing: weights play no part
  }
}

// Appends the fixed-length rows that are switched on, long enough, worth something in
// this mode and not yet complete. Rows of a grade outside 1 to 8 have no list.
void TakeFixedRows(const OrderRows& rows, Mode mode, OrderLists& lists) {
  for (int row = 0; row < kFixedOrderRows; ++row) {
    const int32_t grade = rows.FixedOrderGrade[row];
    const int32_t quantity = rows.FixedOrderQuantity[row];
    if (rows.FixedOrderEnabled[row] != 1 || rows.FixedOrderLength[row] < kShortestFixedPiece)
      continue;
    if (!FixedRowPassesWeightTest(rows, mode, row)) continue;
    if (quantity != 0 && quantity <= rows.FixedOrderDone[row]) continue;
    if (!IsOrderGrade(grade) || lists.FixedCount[grade] >= kMaxFixedOrders) continue;

    const int j = lists.FixedCount[grade]++;
    lists.FixedLength[grade][j] = rows.FixedOrderLength[row];
    lists.FixedQuantity[grade][j] = quantity;
    lists.FixedDone[grade][j] = rows.FixedOrderDone[row];
    lists.FixedCode[grade][j] = rows.FixedOrderCode[row];
    lists.FixedStartWeight[grade][j] = 0.0f;
    switch (mode) {
      case Mode::kLength:
        lists.FixedWeight[grade][j] = rows.FixedOrderWeight[row];
        break;
      case Mode::kValue:
        lists.FixedWeight[grade][j] = ToFloat(static_cast<double>(rows.FixedOrderValue[row]) /
                                              static_cast<double>(rows.FixedOrderLength[row]));
        break;
      case Mode::kQuantity:
        lists.FixedWeight[grade][j] = rows.FixedOrderWeight[row];
        lists.FixedStartWeight[grade][j] = rows.FixedOrderStartWeight[row];
        break;
      default:
        lists.FixedWeight[grade][j] = 0.0f;
        break;
    }
  }
}

void TakeVariableRows(const OrderRows& rows, Mode mode, OrderLists& lists) {
  for (int row = 0; row < kVariableOrderRows; ++row) {
    const int32_t grade = rows.VariableOrderGrade[row];
    const int32_t minLength = rows.VariableOrderMinLength[row];
    const int32_t maxLength = rows.VariableOrderMaxLength[row];
    if (rows.VariableOrderEnabled[row] != 1 || minLength < kShortestVariablePiece) continue;
    if (maxLength <= minLength || !VariableRowPassesWeightTest(rows, mode, row)) continue;
    if (!IsOrderGrade(grade) || lists.VariableCount[grade] >= kMaxVariableOrders) continue;

    const int j = lists.VariableCount[grade]++;
    lists.VariableMinLength[grade][j] = minLength;
    lists.VariableMaxLength[grade][j] = maxLength;
    lists.VariableCode[grade][j] = rows.VariableOrderCode[row];
    switch (mode) {
      case Mode::kLength:
      case Mode::kQuantity:
        lists.VariableWeight[grade][j] = rows.VariableOrderWeight[row];
        break;
      case Mode::kValue:
        lists.VariableWeight[grade][j] =
            ToFloat(static_cast<double>(rows.VariableOrderValue[row]) / kValueLengthUnit);
        break;
      default:
        lists.VariableWeight[grade][j] = 0.0f;
        break;
    }
  }
}

// Uncut rows carry no grade of their own: rows 0 to 2 serve grade 1, rows 3 to 5
// grade 2, and so on up to rows 21 to 23 for grade 8.
void TakeUncutRows(const OrderRows& rows, OrderLists& lists) {
  for (int row = 0; row < kUncutOrderRows; ++row) {
    const int32_t minLength = rows.UncutOrderMinLength[row];
    const int32_t maxLength = rows.UncutOrderMaxLength[row];
    if (rows.UncutOrderEnabled[row] != 1 || minLength < kShortestVariablePiece) continue;
    if (maxLength <= minLength) continue;
    const int grade = row / kUncutRowsPerGrade + 1;
    const int j = lists.UncutCount[grade]++;
    lists.UncutMinLength[grade][j] = minLength;
    lists.UncutMaxLength[grade][j] = maxLength;
    lists.UncutCode[grade][j] = rows.UncutOrderCode[row];
  }
}

// One more than the worst grade with fixed or variable orders; 1 when there are none.
// Uncut orders do not count.
int32_t ComputeOrderedGradeLimit(const OrderLists& lists) {
  for (int grade = kMaxOrderGrade; grade >= 1; --grade) {
    if (lists.FixedCount[grade] != 0 || lists.VariableCount[grade] != 0) return grade + 1;
  }
  return 1;
}

void SwapFixedEntries(OrderLists& lists, int grade, int a, int b) {
  std::swap(lists.FixedLength[grade][a], lists.FixedLength[grade][b]);
  std::swap(lists.FixedWeight[grade][a], lists.FixedWeight[grade][b]);
  std::swap(lists.FixedStartWeight[grade][a], lists.FixedStartWeight[grade][b]);
  std::swap(lists.FixedQuantity[grade][a], lists.FixedQuantity[grade][b]);
  std::swap(lists.FixedDone[grade][a], lists.FixedDone[grade][b]);
  std::swap(lists.FixedCode[grade][a], lists.FixedCode[grade][b]);
}

// Selection sort, longest first. The first of several equally long entries is the one
// moved forward, so equal lengths may change their relative order (rows a, b, c, d of
// lengths 500, 800, 500, 800 end up as b, d, c, a); the search depends on this order.
void SortFixedListLongestFirst(OrderLists& lists, int grade) {
  const int count = lists.FixedCount[grade];
  for (int k = 0; k < count; ++k) {
    int longest = k;
    for (int j = k + 1; j < count; ++j) {
      if (lists.FixedLength[grade][j] > lists.FixedLength[grade][longest]) longest = j;
    }
    if (longest != k) SwapFixedEntries(lists, grade, k, longest);
  }
}

}  // namespace

// Modes 0 to 3 fill all three lists; defect sawing (mode 4) needs only the variable
// lists, whose codes it hands to its pieces, and neither sorts nor sets a grade limit;
// any other mode fills nothing. OrderedGradeLimit is 1 unless computed, so no value
// of an earlier call survives.
void BuildOrderLists() {
  const OrderRows& rows = ws.orderRows;
  OrderLists& lists = ws.orders;
  for (int grade = 0; grade < kGrades; ++grade) {
    lists.FixedCount[grade] = 0;
    lists.VariableCount[grade] = 0;
    lists.UncutCount[grade] = 0;
  }
  lists.OrderedGradeLimit = 1;

  const Mode mode = ws.settings.OptimizeMode;
  if (mode >= Mode::kLength && mode <= Mode::kLongStock) {
    TakeFixedRows(rows, mode, lists);
    TakeVariableRows(rows, mode, lists);
    TakeUncutRows(rows, lists);
  } else if (mode == Mode::kDefectSawing) {
    TakeVariableRows(rows, mode, lists);
    return;
  }

  lists.OrderedGradeLimit = ComputeOrderedGradeLimit(lists);
  for (int grade = 1; grade <= kMaxOrderGrade; ++grade)
    SortFixedListLongestFirst(lists, grade);
}

}  // namespace sawline
