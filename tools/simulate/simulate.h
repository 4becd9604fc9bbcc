// A simulated shift: many boards through OptimizationCompute, the entry the line's host
// calls, each with the exact optimum of every combination search beside what the search
// chose, and the figures a production manager or a line engineer asks of the shift.
//
// A shift runs in one of two ways. Carried, as the line runs it: after each board its
// pieces per fixed-length row are added to the row's done count, and the next board is
// planned with the book as it then stands, so the boards run one after the other in this
// process. Independent: every board is planned with the book as given, so boards may run
// in any process and any order.
//
// The calls come first, one call per process at a time (the optimizer's tables belong
// to the whole process): in this process, or for an independent shift spread over forked
// worker processes that send their results back over pipes. Then the exact optimum of
// every distinct search (keyed by what defines it, so a search met twice, in one shift or
// in two books, is computed once) is computed, in worker processes too. The results never
// depend on the number of workers.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "desk/block_geometry.h"
#include "desk/blocks.h"
#include "simulate/exact_optimum.h"

namespace sawline::tools {

// One board to run: its blocks, or why it could not be read.
struct SimulationBoard {
  std::string source;   // the file, or "generated board 17"
  std::string problem;  // "" when `job` holds the board
  JobBlocks job;
  // The board's number in the shift (its clock and its place in the results); -1: its
  // position in the list.
  int64_t number = -1;
};

struct SimulationOptions {
  // Fixed clock (the default): board i runs at the calendar second `startSeconds` + i with
  // the millisecond clock standing still, so every search runs all its generations and a
  // run repeats exactly. Live: the desk's own clocks, as on the line.
  bool liveClock = false;
  int64_t startSeconds = 1767225600;  // 2026-01-01T00:00:00Z
  int32_t utcOffsetSeconds = 0;
  bool optimum = true;  // compute the exact optimum of every search
  OptimumLimits limits;
  int jobs = 1;  // worker processes; 1 runs every board in this process
  // Where the workers' run logs go (a fresh temporary folder when empty).
  std::string logDirectory;
  // Called in this process as boards finish (done of total).
  std::function<void(size_t done, size_t total)> progress;
  // Called as exact optima finish (done of total distinct searches).
  std::function<void(size_t done, size_t total)> optimumProgress;
  // Called just before each board's call, in the process that makes it (tests make a
  // worker die there).
  std::function<void(int64_t number)> beforeCall;
  // Carried: each board meets the done counts the boards before it left (see above).
  bool carried = false;
  // The exact optimum only for boards from this number on (a board looked at alone
  // after the boards that lead up to it).
  int64_t optimumFrom = 0;
};

// One combination search of a board and its exact optimum.
struct SearchRecord {
  int32_t grade = 0;
  float length = 0.0f;
  int32_t fixedOnly = 0;
  int32_t mode = 0;
  int32_t generations = 0;
  bool cutShort = false;
  double searchFitness = 0.0;
  std::vector<int32_t> pieceLengths;  // of the genes
  std::vector<int32_t> searchGenes;   // the piece counts the search chose
  bool optimumComputed = false;
  std::string optimumSkipped;  // why not, when it was not computed
  double optimumFitness = 0.0;
  std::vector<int32_t> optimumGenes;
  double optimumMs = 0.0;  // time spent on this optimum
  // What defines the search's optimum, in bytes, from the call until the optimum is
  // computed; empty for a search whose optimum is not wanted.
  std::string definition;

  // Whether the zone counts in the gap (a search ran and its optimum is known).
  bool InGap() const { return optimumComputed && generations > 0; }
  // search ÷ optimum (1 when the optimum is not above 0).
  double Ratio() const;
};

struct GradeFigures {
  double used = 0.0;    // fixed-length, variable-length and uncut pieces
  double useful = 0.0;  // converted zones of the grade
  double value = 0.0;   // the library's (value optimization only)
  double fixed = 0.0;
  double variable = 0.0;
  double uncut = 0.0;
  double ownZones = 0.0;     // of the grade's pieces: length in zones of the grade
  double betterZones = 0.0;  // length in zones of a better grade
  double longestZone = 0.0;  // the longest converted zone of the grade
};

struct OrderFigures {
  int row = 0;
  int grade = 0;
  int length = 0;
  int64_t code = 0;
  int quantity = 0;  // 0: no limit
  int64_t pieces = 0;
  int done = 0;  // the row's done count this board met
};

struct VariableFigures {
  int row = 0;
  int grade = 0;
  int64_t code = 0;
  int64_t pieces = 0;
  double length = 0.0;  // the pieces added up
};

struct BoardRun {
  int64_t index = 0;
  std::string source;
  // "" for a board that ran; else why not (unreadable, refused, a worker that died).
  std::string problem;
  bool refused = false;  // the library refused it (as opposed to an unreadable input)
  int32_t returned = 0;
  int32_t mode = 0;
  int32_t pieces = 0;  // pieces in the cut list (waste included)
  double boardLength = 0.0;
  double useful = 0.0;
  double used = 0.0;
  double value = 0.0;
  double waste = 0.0;
  double callMs = 0.0;
  std::array<GradeFigures, kMaxOrderGrade> grades{};
  std::vector<OrderFigures> orders;        // fixed-length rows with pieces on this board
  std::vector<VariableFigures> variables;  // variable-length rows with pieces
  double bookValue = 0.0;                  // the pieces valued by the book's values
  bool bookHasValues = false;
  std::vector<SearchRecord> searches;

  int32_t CutShort() const;
};

// Runs one board in this process, with the call's searches observed; `number` is the
// board's number in the shift.
BoardRun RunSimulationBoard(const SimulationBoard& board, int64_t number,
                            const SimulationOptions& options, const std::string& logPath);

// Runs every board (independent boards in worker processes when options.jobs > 1 and the
// platform can fork), the results in the boards' order, and then the optima.
std::vector<BoardRun> RunSimulation(const std::vector<SimulationBoard>& boards,
                                    const SimulationOptions& options);

// Several shifts (one per order book, over the same boards), each as RunSimulation
// runs it, with the exact optimum computed once per distinct search over all of them.
std::vector<std::vector<BoardRun>> RunShifts(
    const std::vector<std::vector<SimulationBoard>>& shifts, const SimulationOptions& options);

// What the host does after a board: adds the board's pieces per fixed-length row (the
// result block's count, a whole number) to the row's done count in `parameters`. The
// count is added in double precision and the sum stored as a float, as a host holding
// the count in the block does; every sum below 2^24 is exact. A board that was not
// planned adds nothing.
void CarryPieces(const BoardRun& run, float* parameters);

// The byte form of a board's result that the workers send over their pipes.
std::string EncodeBoardRun(const BoardRun& run);
bool DecodeBoardRun(const std::string& bytes, BoardRun* run);

}  // namespace sawline::tools
