// Job files: one call of the optimizer described as JSON. A job file is the model of
// the two input blocks (desk/blocks.h) written as JSON, every setting by its name in the settings
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
//     "raw": {"parameters": {"2095": 5}, "marks": {"150": 3}},
//     "board_model": {"length": [2400, 6000], ...}   how simulate draws boards
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

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desk/blocks.h"
#include "jobfile/board_model.h"

namespace sawline::tools {

// What reading a job found: errors stop the job, warnings do not. Each message starts
// with "FILE:LINE: " and the JSON pointer of the value it is about.
struct JobDiagnostics {
  std::vector<std::string> errors;
  std::vector<std::string> warnings;
  int rawEntries = 0;  // entries set under "raw", which no range check has seen
  // The job's "board_model" over the defaults, when it has one that reads. Only the
  // boards `sawline simulate --boards` draws follow it, so a fault of the model goes to
  // `boardModelErrors` (with "FILE:LINE: " and its JSON pointer) and stops nothing else.
  std::optional<BoardModel> boardModel;
  std::vector<std::string> boardModelErrors;
};

// Reads a JSON job into `job` (which starts from zeroed blocks). `source` names the
// text in messages. False when there is any error; `job` is then unspecified.
bool ReadJob(std::string_view text, const std::string& source, JobBlocks& job,
             JobDiagnostics* diagnostics);
bool LoadJob(const std::string& path, JobBlocks& job, JobDiagnostics* diagnostics);

// LoadJob for programs that only need the blocks: the errors joined by line feeds.
bool LoadJobFile(const std::string& path, JobBlocks& job, std::string* error);

}  // namespace sawline::tools
