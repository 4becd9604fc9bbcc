// `sawline simulate`: a shift of boards through the library, from job files, the line's
// records, folders of them and raw block pairs, or drawn from one job's order book and
// board model.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace sawline::tools {

struct SimulateArguments {
  std::vector<std::string> inputs;  // job files, records, folders of them
  std::vector<std::string> raw;     // parameter and mark block files, in pairs
  int64_t boards = 0;               // > 0: draw this many boards from the one job's book
  uint64_t seed = 1;
  int64_t board = -1;  // >= 0: only this drawn board
  bool liveClock = false;
  std::string time;  // the fixed calendar time of board 0
  int jobs = 0;      // 0: the core count
  bool noOptimum = false;
  bool perBoard = false;
  bool timings = false;
  std::string json;
  std::string csv;
  std::string report;
};

void AddSimulateCommand(CLI::App& app, SimulateArguments& arguments);

// Progress goes to `err`: a bar when `err` is the standard error stream on a terminal.
int RunSimulateCommand(const SimulateArguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace sawline::tools
