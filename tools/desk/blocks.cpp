#include "desk/blocks.h"

#include <algorithm>

#include "desk/block_geometry.h"
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
  Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + row, 1.0f);
  Set(SAWLINE_PARAM_FIXED_ORDER_GRADE + row, static_cast<float>(order.grade));
  Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH + row, static_cast<float>(order.length));
  Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT + row, order.weight);
  Set(SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT + row, order.startWeight);
  Set(SAWLINE_PARAM_FIXED_ORDER_VALUE + row, order.value);
  Set(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + row, static_cast<float>(order.quantity));
  Set(SAWLINE_PARAM_FIXED_ORDER_DONE + row, static_cast<float>(order.done));
  Set(SAWLINE_PARAM_FIXED_ORDER_CODE + row, static_cast<float>(order.code));
  return row;
}

int JobBlocks::AddVariableOrder(const VariableOrder& order) {
  if (variableRows >= kVariableOrderRows) return -1;
  const int row = variableRows++;
  Set(SAWLINE_PARAM_VARIABLE_ORDER_ENABLED + row, 1.0f);
  Set(SAWLINE_PARAM_VARIABLE_ORDER_GRADE + row, static_cast<float>(order.grade));
  Set(SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH + row, static_cast<float>(order.minLength));
  Set(SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH + row, static_cast<float>(order.maxLength));
  Set(SAWLINE_PARAM_VARIABLE_ORDER_WEIGHT + row, order.weight);
  Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE + row, order.value);
  Set(SAWLINE_PARAM_VARIABLE_ORDER_CODE + row, static_cast<float>(order.code));
  return row;
}

void JobBlocks::SetUncutOrder(int row, int minLength, int maxLength, int code) {
  Set(SAWLINE_PARAM_UNCUT_ORDER_ENABLED + row, 1.0f);
  Set(SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH + row, static_cast<float>(minLength));
  Set(SAWLINE_PARAM_UNCUT_ORDER_MAX_LENGTH + row, static_cast<float>(maxLength));
  Set(SAWLINE_PARAM_UNCUT_ORDER_CODE + row, static_cast<float>(code));
}

void JobBlocks::SetHeadTail(int grade, int headCut, int tailCut) {
  Set(SAWLINE_PARAM_CT + grade, static_cast<float>(headCut));
  Set(SAWLINE_PARAM_CB + grade, static_cast<float>(tailCut));
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
