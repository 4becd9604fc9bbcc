// The figures of a simulated shift and their forms for people and for other programs:
// the text summary, a JSON document and a CSV table of the boards.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "simulate/simulate.h"

namespace sawline::tools {

// A zone whose search fell short of its optimum, with what it takes to run it alone.
struct GapZone {
  int64_t board = 0;
  std::string source;
  int32_t search = 0;  // the search's number within the board's call, from 0
  int32_t grade = 0;
  float length = 0.0f;
  double searchFitness = 0.0;
  double optimumFitness = 0.0;
  double ratio = 1.0;
};

struct SimulationSummary {
  int64_t boards = 0;                 // boards given
  int64_t ran = 0;                    // boards the library planned
  int64_t refused = 0;                // boards the library refused or planned nothing for
  int64_t unreadable = 0;             // inputs that could not be read or whose worker died
  std::vector<std::string> problems;  // "SOURCE: PROBLEM", in board order

  int64_t pieces = 0;
  double boardLength = 0.0;
  double useful = 0.0;
  double used = 0.0;
  double value = 0.0;
  double waste = 0.0;
  std::array<GradeFigures, kMaxOrderGrade> grades{};
  std::vector<OrderFigures> orders;  // every fixed-length order with pieces, summed

  // Wall time of the calls in milliseconds.
  double callP50 = 0.0;
  double callP99 = 0.0;
  double callMax = 0.0;

  int64_t searches = 0;        // combination searches observed
  int64_t cutShort = 0;        // searches the clock ended early
  int64_t gapZones = 0;        // searches with a known optimum (the gap's zones)
  int64_t reached = 0;         // of them, searches that found the optimum
  int64_t notComputed = 0;     // searches whose optimum was skipped (too large)
  std::vector<double> ratios;  // search ÷ optimum of every gap zone, ascending
  double gapMedian = 1.0;
  double gapP5 = 1.0;
  double gapWorst = 1.0;
  std::vector<GapZone> worst;  // the furthest from their optimum, worst first (at most 10)
  double optimumMsMean = 0.0;
  double optimumMsMax = 0.0;
};

// The value at rank ceil(p x n) of `sorted` (ascending), its first for p = 0; 0 when empty.
double NearestRank(const std::vector<double>& sorted, double p);

SimulationSummary Summarize(const std::vector<BoardRun>& runs);

struct SimulationHeader {
  std::string book;  // the job the boards came from, or "job files"
  bool generated = false;
  uint64_t seed = 0;
  bool liveClock = false;
  bool optimum = true;
  bool timings = false;  // wall-clock times in the JSON and CSV (they differ run to run)
};

// The summary as text for the terminal.
void PrintSummary(std::ostream& out, const SimulationHeader& header,
                  const SimulationSummary& summary);
// One line per board.
void PrintBoards(std::ostream& out, const std::vector<BoardRun>& runs);

// Every figure as JSON, and every searched zone with its board, grade, length and both
// fitness values. The same runs give the same bytes unless header.timings is set.
std::string SimulationJson(const SimulationHeader& header, const SimulationSummary& summary,
                           const std::vector<BoardRun>& runs);
// One row per board.
std::string SimulationCsv(const SimulationHeader& header, const std::vector<BoardRun>& runs);

}  // namespace sawline::tools
