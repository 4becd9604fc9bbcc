#include "job_file.h"

#include <algorithm>

#include "interface/block_layout.h"
#include "interface/settings_table.h"

namespace sawline::tools {

bool JobBlocks::SetSetting(std::string_view name, float value) {
  for (const SettingInfo& setting : kScalarSettings) {
    if (name != setting.name) continue;
    Set(setting.index, value);
    return true;
  }
  return false;
}

int JobBlocks::AddFixedOrder(const FixedOrder& order) {
  if (fixedRows >= kFixedOrderRows) return -1;
  const int row = fixedRows++;
  Set(param::kFixedOrderEnabled + row, 1.0f);
  Set(param::kFixedOrderGrade + row, static_cast<float>(order.grade));
  Set(param::kFixedOrderLength + row, static_cast<float>(order.length));
  Set(param::kFixedOrderWeight + row, order.weight);
  Set(param::kFixedOrderStartWeight + row, order.startWeight);
  Set(param::kFixedOrderValue + row, order.value);
  Set(param::kFixedOrderQuantity + row, static_cast<float>(order.quantity));
  Set(param::kFixedOrderDone + row, static_cast<float>(order.done));
  Set(param::kFixedOrderCode + row, static_cast<float>(order.code));
  return row;
}

int JobBlocks::AddVariableOrder(const VariableOrder& order) {
  if (variableRows >= kVariableOrderRows) return -1;
  const int row = variableRows++;
  Set(param::kVariableOrderEnabled + row, 1.0f);
  Set(param::kVariableOrderGrade + row, static_cast<float>(order.grade));
  Set(param::kVariableOrderMinLength + row, static_cast<float>(order.minLength));
  Set(param::kVariableOrderMaxLength + row, static_cast<float>(order.maxLength));
  Set(param::kVariableOrderWeight + row, order.weight);
  Set(param::kVariableOrderValue + row, order.value);
  Set(param::kVariableOrderCode + row, static_cast<float>(order.code));
  return row;
}

void JobBlocks::SetUncutOrder(int row, int minLength, int maxLength, int code) {
  Set(param::kUncutOrderEnabled + row, 1.0f);
  Set(param::kUncutOrderMinLength + row, static_cast<float>(minLength));
  Set(param::kUncutOrderMaxLength + row, static_cast<float>(maxLength));
  Set(param::kUncutOrderCode + row, static_cast<float>(code));
}

void JobBlocks::SetHeadTail(int grade, int headCut, int tailCut) {
  Set(param::kCT + grade, static_cast<float>(headCut));
  Set(param::kCB + grade, static_cast<float>(tailCut));
}

void JobBlocks::SetPairs(const std::vector<std::pair<float, float>>& gradeLengths) {
  marks.fill(0.0f);
  const size_t n = std::min<size_t>(gradeLengths.size(), kMarkHalf);
  for (size_t i = 0; i < n; ++i) {
    marks[i] = gradeLengths[i].first;
    marks[kMarkHalf + i] = gradeLengths[i].second;
  }
  marks[kMarkKindIndex] = 1.0f;
}

void JobBlocks::SetIntervals(const std::vector<float>& top, const std::vector<float>& side) {
  marks.fill(0.0f);
  for (size_t i = 0; i < std::min<size_t>(top.size(), kMarkHalf); ++i)
    marks[i] = top[i];
  for (size_t i = 0; i < std::min<size_t>(side.size(), kMarkHalf); ++i) {
    marks[kMarkHalf + i] = side[i];
  }
  marks[kMarkKindIndex] = 0.0f;
}

}  // namespace sawline::tools
