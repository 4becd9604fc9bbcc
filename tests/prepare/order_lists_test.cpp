#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "prepare/prepare.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

struct FixedRowInput {
  int enabled = 1;
  int grade = 2;
  int length = 1000;
  float weight = 1.0f;
  float startWeight = 0.0f;
  float value = 0.0f;
  int quantity = 0;
  int done = 0;
  int code = 0;
};

struct VariableRowInput {
  int enabled = 1;
  int grade = 2;
  int minLength = 300;
  int maxLength = 800;
  float weight = 1.0f;
  float value = 0.0f;
  int code = 0;
};

void SetFixedRow(int row, const FixedRowInput& in) {
  ws.orderRows.FixedOrderEnabled[row] = in.enabled;
  ws.orderRows.FixedOrderGrade[row] = in.grade;
  ws.orderRows.FixedOrderLength[row] = in.length;
  ws.orderRows.FixedOrderWeight[row] = in.weight;
  ws.orderRows.FixedOrderStartWeight[row] = in.startWeight;
  ws.orderRows.FixedOrderValue[row] = in.value;
  ws.orderRows.FixedOrderQuantity[row] = in.quantity;
  ws.orderRows.FixedOrderDone[row] = in.done;
  ws.orderRows.FixedOrderCode[row] = in.code;
}

void SetVariableRow(int row, const VariableRowInput& in) {
  ws.orderRows.VariableOrderEnabled[row] = in.enabled;
  ws.orderRows.VariableOrderGrade[row] = in.grade;
  ws.orderRows.VariableOrderMinLength[row] = in.minLength;
  ws.orderRows.VariableOrderMaxLength[row] = in.maxLength;
  ws.orderRows.VariableOrderWeight[row] = in.weight;
  ws.orderRows.VariableOrderValue[row] = in.value;
  ws.orderRows.VariableOrderCode[row] = in.code;
}

void SetUncutRow(int row, int minLength, int maxLength, int code) {
  ws.orderRows.UncutOrderEnabled[row] = 1;
  ws.orderRows.UncutOrderMinLength[row] = minLength;
  ws.orderRows.UncutOrderMaxLength[row] = maxLength;
  ws.orderRows.UncutOrderCode[row] = code;
}

int TotalFixedEntries() {
  int total = 0;
  for (int g = 0; g < kGrades; ++g)
    total += ws.orders.FixedCount[g];
  return total;
}

int TotalVariableEntries() {
  int total = 0;
  for (int g = 0; g < kGrades; ++g)
    total += ws.orders.VariableCount[g];
  return total;
}

class OrderLists : public test::WorkspaceTest {};

struct FixedFilterCase {
  const char* name;
  int mode;
  FixedRowInput row;
  bool taken;
};

TEST_F(OrderLists, FixedRowsAreTakenOnlyWhenEveryTestHolds) {
  const FixedFilterCase cases[] = {
      {"length 79 is dropped", 0, {.length = 79}, false},
      {"length 80 is taken", 0, {.length = 80}, true},
      {"weight 0.001 is not above the threshold", 0, {.weight = 0.001f}, false},
      {"weight 0.0011 is taken", 0, {.weight = 0.0011f}, true},
      {"quantity mode applies the weight test too", 2, {.weight = 0.001f}, false},
      {"value mode tests the value, not the weight", 1, {.weight = 0.0f, .value = 12.0f}, true},
      {"value 0.001 is dropped", 1, {.weight = 5.0f, .value = 0.001f}, false},
      {"long stock takes weight 0", 3, {.weight = 0.0f}, true},
      {"quantity reached", 0, {.quantity = 10, .done = 10}, false},
      {"quantity exceeded", 0, {.quantity = 10, .done = 12}, false},
      {"quantity open", 0, {.quantity = 10, .done = 9}, true},
      {"quantity 0 means no limit", 0, {.quantity = 0, .done = 25}, true},
      {"enabled must be exactly 1", 0, {.enabled = 2}, false},
      {"disabled", 0, {.enabled = 0}, false},
      {"defect sawing has no fixed list", 4, {}, false},
      {"unknown mode fills nothing", 5, {}, false},
      {"negative mode fills nothing", -1, {}, false},
      {"grade 0 has no list", 0, {.grade = 0}, false},
      {"grade 9 has no list", 0, {.grade = 9}, false},
      {"negative grade has no list", 0, {.grade = -3}, false},
      {"huge grade has no list", 0, {.grade = 2147483647}, false},
      {"grade 8 is taken", 0, {.grade = 8}, true},
      {"NaN weight fails the weight test", 0, {.weight = NAN}, false},
  };
  for (const FixedFilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorkspace();
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(c.mode);
    SetFixedRow(7, c.row);
    BuildOrderLists();
    EXPECT_EQ(TotalFixedEntries(), c.taken ? 1 : 0);
    if (c.taken) {
      EXPECT_EQ(ws.orders.FixedCount[c.row.grade], 1);
    }
  }
}

struct VariableFilterCase {
  const char* name;
  int mode;
  VariableRowInput row;
  bool taken;
};

TEST_F(OrderLists, VariableRowsAreTakenOnlyWhenEveryTestHolds) {
  const VariableFilterCase cases[] = {
      {"weight 0.001 is at least the threshold", 0, {.weight = 0.001f}, true},
      {"weight 0.0009 is dropped", 0, {.weight = 0.0009f}, false},
      {"quantity mode applies the weight test", 2, {.weight = 0.0009f}, false},
      {"value mode: value 0.001 is taken", 1, {.weight = 0.0f, .value = 0.001f}, true},
      {"value mode: value 0 is dropped", 1, {.weight = 1.0f, .value = 0.0f}, false},
      {"long stock takes weight 0", 3, {.weight = 0.0f}, true},
      {"defect sawing takes weight 0", 4, {.weight = 0.0f}, true},
      {"min 49 is dropped", 0, {.minLength = 49}, false},
      {"min 50 is taken", 0, {.minLength = 50}, true},
      {"max equal to min is dropped", 0, {.minLength = 400, .maxLength = 400}, false},
      {"max below min is dropped", 0, {.minLength = 400, .maxLength = 300}, false},
      {"enabled must be exactly 1", 0, {.enabled = -1}, false},
      {"grade 9 has no list", 0, {.grade = 9}, false},
      {"grade 0 has no list", 4, {.grade = 0}, false},
      {"unknown mode fills nothing", 7, {}, false},
  };
  for (const VariableFilterCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorkspace();
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(c.mode);
    SetVariableRow(3, c.row);
    BuildOrderLists();
    EXPECT_EQ(TotalVariableEntries(), c.taken ? 1 : 0);
    if (c.taken) {
      EXPECT_EQ(ws.orders.VariableCount[c.row.grade], 1);
    }
  }
}

struct WeightCase {
  int mode;
  float fixedWeight;
  float fixedStartWeight;
  float variableWeight;
};

TEST_F(OrderLists, WeightsFollowTheMode) {
  // Rows: fixed length 1200, weight 0.8, start weight 0.4, value 12; variable weight
  // 0.6, value 5. Value mode gives both a value per length unit: 12 / 1200 and 5 / 1000.
  const WeightCase cases[] = {
      {0, 0.8f, 0.0f, 0.6f},
      {1, static_cast<float>(12.0 / 1200.0), 0.0f, static_cast<float>(5.0 / 1000.0)},
      {2, 0.8f, 0.4f, 0.6f},
      {3, 0.0f, 0.0f, 0.0f},
  };
  for (const WeightCase& c : cases) {
    SCOPED_TRACE(c.mode);
    ResetWorkspace();
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(c.mode);
    SetFixedRow(0, {.length = 1200, .weight = 0.8f, .startWeight = 0.4f, .value = 12.0f});
    SetVariableRow(0, {.weight = 0.6f, .value = 5.0f});
    BuildOrderLists();
    ASSERT_EQ(ws.orders.FixedCount[2], 1);
    ASSERT_EQ(ws.orders.VariableCount[2], 1);
    EXPECT_EQ(ws.orders.FixedWeight[2][0], c.fixedWeight);
    EXPECT_EQ(ws.orders.FixedStartWeight[2][0], c.fixedStartWeight);
    EXPECT_EQ(ws.orders.VariableWeight[2][0], c.variableWeight);
  }
  EXPECT_FLOAT_EQ(static_cast<float>(12.0 / 1200.0), 0.01f);
}

TEST_F(OrderLists, EntriesCarryTheirRowsColumns) {
  ws.settings.OptimizeMode = OptimizeMode::kLength;
  SetFixedRow(4, {.grade = 3, .length = 950, .quantity = 7, .done = 2, .code = 13020304});
  SetVariableRow(5, {.grade = 6, .minLength = 250, .maxLength = 700, .code = 16020304});
  BuildOrderLists();
  ASSERT_EQ(ws.orders.FixedCount[3], 1);
  EXPECT_EQ(ws.orders.FixedLength[3][0], 950);
  EXPECT_EQ(ws.orders.FixedQuantity[3][0], 7);
  EXPECT_EQ(ws.orders.FixedDone[3][0], 2);
  EXPECT_EQ(ws.orders.FixedCode[3][0], 13020304);
  ASSERT_EQ(ws.orders.VariableCount[6], 1);
  EXPECT_EQ(ws.orders.VariableMinLength[6][0], 250);
  EXPECT_EQ(ws.orders.VariableMaxLength[6][0], 700);
  EXPECT_EQ(ws.orders.VariableCode[6][0], 16020304);
}

TEST_F(OrderLists, UncutRowsBelongToGradeRowDividedByThreePlusOne) {
  struct {
    int row;
    int grade;
  } const cases[] = {{0, 1}, {2, 1}, {3, 2}, {5, 2}, {21, 8}, {23, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    ResetWorkspace();
    SetUncutRow(c.row, 900, 1000, 30000 + c.row);
    BuildOrderLists();
    ASSERT_EQ(ws.orders.UncutCount[c.grade], 1);
    EXPECT_EQ(ws.orders.UncutMinLength[c.grade][0], 900);
    EXPECT_EQ(ws.orders.UncutMaxLength[c.grade][0], 1000);
    EXPECT_EQ(ws.orders.UncutCode[c.grade][0], 30000 + c.row);
  }
}

TEST_F(OrderLists, UncutRowsNeedMinimumAboveFortyNineAndMaximumAboveMinimum) {
  SetUncutRow(0, 49, 1000, 1);
  SetUncutRow(1, 500, 500, 2);
  SetUncutRow(2, 50, 51, 3);
  ws.orderRows.UncutOrderEnabled[3] = 2;
  ws.orderRows.UncutOrderMinLength[3] = 900;
  ws.orderRows.UncutOrderMaxLength[3] = 1000;
  BuildOrderLists();
  EXPECT_EQ(ws.orders.UncutCount[1], 1);
  EXPECT_EQ(ws.orders.UncutCode[1][0], 3);
  EXPECT_EQ(ws.orders.UncutCount[2], 0);
}

TEST_F(OrderLists, DefectSawingTakesOnlyVariableRowsWithWeightZero) {
  ws.settings.OptimizeMode = OptimizeMode::kDefectSawing;
  SetFixedRow(0, {.grade = 1, .length = 900});
  SetFixedRow(1, {.grade = 1, .length = 1200});
  SetVariableRow(0, {.grade = 1, .weight = 0.7f});
  SetVariableRow(1, {.grade = 3, .weight = 0.0f});
  SetUncutRow(0, 900, 1000, 1);
  BuildOrderLists();
  EXPECT_EQ(TotalFixedEntries(), 0);
  EXPECT_EQ(ws.orders.UncutCount[1], 0);
  EXPECT_EQ(ws.orders.VariableCount[1], 1);
  EXPECT_EQ(ws.orders.VariableCount[3], 1);
  EXPECT_EQ(ws.orders.VariableWeight[1][0], 0.0f);
  // Not computed in defect sawing; it stays at the value of "no orders".
  EXPECT_EQ(ws.orders.OrderedGradeLimit, 1);
}

TEST_F(OrderLists, FixedListIsSortedLongestFirstBySelection) {
  // Rows a, b, c, d of grade 2 with lengths 500, 800, 500, 800 end up as b, d, c, a.
  SetFixedRow(0, {.length = 500, .weight = 0.1f, .code = 'a'});
  SetFixedRow(1, {.length = 800, .weight = 0.2f, .code = 'b'});
  SetFixedRow(2, {.length = 500, .weight = 0.3f, .startWeight = 0.0f, .code = 'c'});
  SetFixedRow(3, {.length = 800, .weight = 0.4f, .quantity = 9, .done = 1, .code = 'd'});
  BuildOrderLists();
  ASSERT_EQ(ws.orders.FixedCount[2], 4);
  const int expectedCodes[] = {'b', 'd', 'c', 'a'};
  const int expectedLengths[] = {800, 800, 500, 500};
  const float expectedWeights[] = {0.2f, 0.4f, 0.3f, 0.1f};
  for (int j = 0; j < 4; ++j) {
    SCOPED_TRACE(j);
    EXPECT_EQ(ws.orders.FixedCode[2][j], expectedCodes[j]);
    EXPECT_EQ(ws.orders.FixedLength[2][j], expectedLengths[j]);
    EXPECT_EQ(ws.orders.FixedWeight[2][j], expectedWeights[j]);
  }
  // The other columns move with their entry.
  EXPECT_EQ(ws.orders.FixedQuantity[2][1], 9);
  EXPECT_EQ(ws.orders.FixedDone[2][1], 1);
}

TEST_F(OrderLists, GradeLimitIsOneAboveTheWorstGradeWithFixedOrVariableOrders) {
  struct Case {
    const char* name;
    std::vector<int> fixedGrades;
    std::vector<int> variableGrades;
    bool uncutGrade8;
    int limit;
  };
  const Case cases[] = {
      {"grades 1 and 3", {1}, {3}, false, 4},         {"fixed only", {5, 2}, {}, false, 6},
      {"variable grade 8", {}, {8}, false, 9},        {"none", {}, {}, false, 1},
      {"uncut orders do not count", {}, {}, true, 1}, {"grade 1 alone", {1}, {1}, false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorkspace();
    int row = 0;
    for (int grade : c.fixedGrades)
      SetFixedRow(row++, {.grade = grade});
    row = 0;
    for (int grade : c.variableGrades)
      SetVariableRow(row++, {.grade = grade});
    if (c.uncutGrade8) SetUncutRow(22, 900, 1000, 1);
    BuildOrderLists();
    EXPECT_EQ(ws.orders.OrderedGradeLimit, c.limit);
  }
}

TEST_F(OrderLists, EveryCallStartsFromEmptyLists) {
  SetFixedRow(0, {});
  SetVariableRow(0, {});
  SetUncutRow(3, 900, 1000, 1);
  ws.orders.OrderedGradeLimit = 77;
  BuildOrderLists();
  BuildOrderLists();
  EXPECT_EQ(ws.orders.FixedCount[2], 1);
  EXPECT_EQ(ws.orders.VariableCount[2], 1);
  EXPECT_EQ(ws.orders.UncutCount[2], 1);

  ws.settings.OptimizeMode = static_cast<OptimizeMode>(9);
  BuildOrderLists();
  EXPECT_EQ(TotalFixedEntries() + TotalVariableEntries() + ws.orders.UncutCount[2], 0);
  EXPECT_EQ(ws.orders.OrderedGradeLimit, 1);
}

TEST_F(OrderLists, AllTwoHundredFixedRowsOfOneGradeFit) {
  for (int row = 0; row < kFixedOrderRows; ++row)
    SetFixedRow(row, {.grade = 4, .length = 80 + row, .code = row});
  BuildOrderLists();
  ASSERT_EQ(ws.orders.FixedCount[4], kFixedOrderRows);
  for (int j = 0; j < kFixedOrderRows; ++j)
    ASSERT_EQ(ws.orders.FixedLength[4][j], 80 + kFixedOrderRows - 1 - j);
}

}  // namespace
}  // namespace sawline
