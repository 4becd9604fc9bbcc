// The figures of a simulated shift and their forms for people and for other programs:
// the text summary, a JSON document and a CSV table of the boards.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

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

// The order book of a shift as its parameter block holds it: the rows that are switched
// on (enabled 1), in host order.
struct BookFixedRow {
  int row = 0;
  int grade = 0;
  int length = 0;
  int64_t code = 0;
  int quantity = 0;  // 0: no limit
  double done = 0.0;
  double value = 0.0;
};
struct BookVariableRow {
  int row = 0;
  int grade = 0;
  int64_t code = 0;
  int minLength = 0;
  int maxLength = 0;
  double value = 0.0;
};
struct OrderBook {
  std::vector<BookFixedRow> fixed;
  std::vector<BookVariableRow> variable;
};
OrderBook ReadOrderBook(const float* parameters);

// What a fixed-length row of the book got in the shift.
struct FixedOrderReport {
  int row = 0;
  int grade = 0;
  int length = 0;
  int64_t code = 0;
  int asked = 0;       // the quantity; 0: no limit
  int doneBefore = 0;  // the done count before the shift
  int64_t pieces = 0;  // cut in the shift
  // The board at whose end done before + pieces first reached the quantity; -1 when it
  // did not (or the row has no limit).
  int64_t completedAt = -1;
  int64_t open = 0;  // what the quantity still asks after the last board
  // Pieces beyond the quantity: cut on the board that completed the row, and cut on
  // boards that met the row complete already (a carried shift never has these).
  int64_t pastInOneBoard = 0;
  int64_t pastAfterComplete = 0;
  std::string reason;  // why a row got nothing; "" when it got pieces
};

struct VariableOrderReport {
  int row = 0;
  int grade = 0;
  int64_t code = 0;
  int minLength = 0;
  int maxLength = 0;
  int64_t pieces = 0;
  double length = 0.0;
  std::string reason;
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
  double fixedUsed = 0.0;            // the used length by kind of piece
  double variableUsed = 0.0;
  double uncutUsed = 0.0;
  double bookValue = 0.0;  // the pieces valued by the book's values
  bool bookHasValues = false;

  // Every row of the book (with a book; else the rows with pieces, summed), and when
  // every limited row was complete: the board, or -1 when some limited row was open
  // after the last board (or the book has no limited row).
  bool haveBook = false;
  std::vector<FixedOrderReport> fixedOrders;
  std::vector<VariableOrderReport> variableOrders;
  int64_t limitedRows = 0;
  int64_t bookCompleteAt = -1;

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

// The figures of the runs; `book` (the order book every board was planned from, before
// the shift) gives every row of the book its line.
SimulationSummary Summarize(const std::vector<BoardRun>& runs, const OrderBook* book = nullptr);

// The yield of a grade: its pieces in zones of the grade ÷ its useful length (see
// GradeYieldView).
double GradeYield(const GradeFigures& grade);

struct SimulationHeader {
  std::string book;      // the job the boards came from, or "job files"
  bool carried = false;  // the done counts were carried from board to board
  bool generated = false;
  uint64_t seed = 0;
  bool liveClock = false;
  bool optimum = true;
  // The desk's wall-clock times of the calls and optima (clock standing still unless
  // live): in every output only when asked for, as they differ from run to run.
  bool timings = false;
};

// The lengths' unit, in every output: the host's, as the order book and marks give it.
inline constexpr const char* kLengthUnitNote =
    "lengths in the host's length unit, as the order book and board marks give them";

// The summary as text for the terminal.
void PrintSummary(std::ostream& out, const SimulationHeader& header,
                  const SimulationSummary& summary);
// One line per board (the call time with the timings only).
void PrintBoards(std::ostream& out, const SimulationHeader& header,
                 const std::vector<BoardRun>& runs);

// Every figure as JSON, and every searched zone with its board, grade, length and both
// fitness values. The same runs give the same bytes unless header.timings is set.
std::string SimulationJson(const SimulationHeader& header, const SimulationSummary& summary,
                           const std::vector<BoardRun>& runs);
// The JSON object of one shift, as SimulationJson writes it.
nlohmann::ordered_json SimulationObject(const SimulationHeader& header,
                                        const SimulationSummary& summary,
                                        const std::vector<BoardRun>& runs);
// One row per board, with the pieces of every fixed-length and variable-length row of
// the book (or of every row with pieces).
std::string SimulationCsv(const SimulationHeader& header, const std::vector<BoardRun>& runs,
                          const SimulationSummary& summary);

// ---- Books side by side ----

struct BookShift {
  SimulationHeader header;
  SimulationSummary summary;
  std::vector<BoardRun> runs;
};

// The books' figures side by side, orders matched by grade, length and code; a mark
// where the books differ.
void PrintComparison(std::ostream& out, const std::vector<BookShift>& books);
// {"carried", "books": [each book's SimulationObject]}.
std::string ComparisonJson(const std::vector<BookShift>& books);
// Every book's CSV rows, a first column naming the book.
std::string ComparisonCsv(const std::vector<BookShift>& books);

// One order of the books, matched by grade, length and code (length -1: a variable
// row), with what each book got of it (-1: the book has no such order).
struct ComparedOrder {
  int grade = 0;
  int length = 0;
  int64_t code = 0;
  bool variable = false;
  std::vector<int64_t> pieces;
  std::vector<int64_t> completedAt;
  bool differs = false;
};
std::vector<ComparedOrder> CompareOrders(const std::vector<BookShift>& books);

}  // namespace sawline::tools
