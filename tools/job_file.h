// Job files: a readable description of one call (settings, orders, board marks)
// that the sawline tool and the tests turn into the two input blocks.
//
// One statement per line; '#' starts a comment. Keys may come in any order.
//   set NAME VALUE            a scalar setting by its name, e.g. "set KerfWidth 4.5"
//   param INDEX VALUE         a raw parameter-block entry
//   fixed grade G length L [weight W] [start W] [value V] [quantity Q] [done D] [code C]
//   variable grade G min A max B [weight W] [value V] [code C]
//   uncut row R min A max B [code C]        row R belongs to grade R / 3 + 1
//   trim grade G [head H] [tail T]           CT and CB of a grade
//   pairs G1 L1 G2 L2 ...                    grade/length marks (mark kind 1.0)
//   top L1 L2 ...  /  side L1 L2 ...         marking-line intervals of each face
// Orders take the next free row of their table and are enabled.
#pragma once

#include <array>
#include <istream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "workspace/capacities.h"

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
  // Sets a scalar setting by its workspace name; false for an unknown name.
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

// Reads a job; on failure returns false and says why (with the line number).
bool ParseJob(std::istream& in, JobBlocks& job, std::string* error);
bool LoadJobFile(const std::string& path, JobBlocks& job, std::string* error);

}  // namespace sawline::tools
