// Jobs: one call of the optimizer described as its two input blocks.
//
// JobBlocks builds the blocks in code (tests, the fuzz target, the Windows host). A job
// file is the same model written as JSON, every setting by its name in the settings
// table (interface/settings_table.h); examples/job.schema.json documents the format:
//
//   {
//     "description": "free text",
//     "settings": {"KerfWidth": 4, "OptimizeMode": 0, "UnmarkedGrade": 5, ...},
//     "trims":    [{"grade": 1, "CT": 20, "CB": 20}],
//     "orders": {
//       "fixed":    [{"row": 0, "grade": 1, "length": 1200, "weight": 1.2, "code": 11010101}],
//       "variable": [{"row": 0, "grade": 1, "min_length": 300, "max_length": 800, ...}],
//       "uncut":    [{"row": 3, "grade": 2, "min_length": 900, "max_length": 1000, ...}]
//     },
//     "marks": {"pairs": [[2, 850], [1, 2100]]}        grade/length pairs, or
//              {"lines": {"top": [...], "side": [...]}} marking-line intervals,
//     "raw": {"parameters": {"2095": 5}, "marks": {"150": 3}}
//   }
//
// An omitted setting or order field is 0 (an order row's "enabled" is 1); a setting or
// field whose range leaves out 0 must be given. Fixed-length and variable-length rows
// without "row" take the row after the previous one of their table. An uncut row's
// grade is its row / 3 + 1: it gives "row", "grade" (the grade's first free row), or
// both when they agree. "raw" sets block entries by index to exactly the value given
// (a number, or a string "0x7fc00000" of the float's bits), after everything else and
// without range checks: it carries what a host sent that the named fields cannot say.
#pragma once

#include <array>
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

// What reading a job found: errors stop the job, warnings do not. Each message starts
// with "FILE:LINE: " and the JSON pointer of the value it is about.
struct JobDiagnostics {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  int rawEntries = 0;  // entries set under "raw", which no range check has seen
};

// Reads a JSON job into `job` (which starts from zeroed blocks). `source` names the
// text in messages. False when there is any error; `job` is then unspecified.
bool ReadJob(std::string_view text, const std::string& source, JobBlocks& job,
             JobDiagnostics* diagnostics);
bool LoadJob(const std::string& path, JobBlocks& job, JobDiagnostics* diagnostics);

// LoadJob for programs that only need the blocks: the errors joined by line feeds.
bool LoadJobFile(const std::string& path, JobBlocks& job, std::string* error);

// What an import left out of the job or had to say exactly.
struct ImportNotes {
  int switchedOffRows = 0;  // order rows not switched on: left out, their entries become 0
  int unreadEntries = 0;    // non-zero entries nothing reads (0 to 4 and 2089): become 0
  int rawEntries = 0;       // entries written under "raw" (values the named fields cannot hold)
};

// A JSON job for two recorded blocks, such that reading it gives back the same bytes in
// every entry the library reads: the scalar settings, CT and CB, every column of the
// order rows that are switched on (enabled truncates to 1), and all 201 board marks.
// Rows that are switched off and the unread entries 0 to 4 and 2089 are left out.
std::string WriteJob(const float* parameters, const float* marks, const std::string& description,
                     ImportNotes* notes);

// True when the library reads parameter entry `index` of this block (see WriteJob).
bool ParameterIsRead(const float* parameters, int index);

}  // namespace sawline::tools
