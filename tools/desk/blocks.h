// The two input blocks of one call of the optimizer, built in code: the tests, the fuzz
// targets, the Windows host and every desk command hold a board as JobBlocks. Settings
// are set by their names in the settings table (interface/settings_table.h).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "desk/block_geometry.h"

namespace sawline::tools {

struct FixedOrder {
  int grade = 1;
  int length = 0;
  float weight = 1.0f;
  float startWeight = 0.0f;
  float value = 0.0f;
  int quantity = 0;
  int done = 0;
  int code = 0;
};

struct VariableOrder {
  int grade = 1;
  int minLength = 0;
  int maxLength = 0;
  float weight = 1.0f;
  float value = 0.0f;
  int code = 0;
};

struct JobBlocks {
  std::array<float, kParameterBlockFloats> parameters{};
  std::array<float, kBoardMarkBlockFloats> marks{};
  int fixedRows = 0;     // fixed-length rows used so far
  int variableRows = 0;  // variable-length rows used so far

  void Set(int index, float value) { parameters.at(static_cast<size_t>(index)) = value; }
  // Sets a scalar setting by its name in the settings table; false for an unknown name.
  bool SetSetting(std::string_view name, float value);
  // Appends an enabled order row; returns its row, or -1 when the table is full.
  int AddFixedOrder(const FixedOrder& order);
  int AddVariableOrder(const VariableOrder& order);
  void SetUncutOrder(int row, int minLength, int maxLength, int code);
  void SetHeadTail(int grade, int headCut, int tailCut);
  // Grade/length marks (mark kind 1.0); at most 100 pairs are kept.
  void SetPairs(const std::vector<std::pair<float, float>>& gradeLengths);
  // Marking-line intervals of the top and side faces; at most 100 of each are kept.
  void SetIntervals(const std::vector<float>& top, const std::vector<float>& side);
};

}  // namespace sawline::tools
