// Boards the report tests draw: the bundled example, a defect-sawing board, a 6 m board
// of about 100 pieces, a board of marking lines, the example in value mode, and two
// boards the library refuses (one of grade/length pairs, one of marking lines).
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "desk/blocks.h"
#include "views/board_report.h"
#include "workspace/capacities.h"

namespace sawline::test {

struct ReportBoard {
  std::string name;
  tools::JobBlocks job;
  std::vector<std::string> notes;  // what the desk tool would say about the run
};

std::vector<ReportBoard> ReportBoards();

// Test names show the board's name, not its bytes.
inline void PrintTo(const ReportBoard& board, std::ostream* out) {
  *out << board.name;
}

// A board run through the exported entry, ready to be reported. The run uses whatever
// clock, seed and log path the caller fixed.
struct ReportRun {
  const ReportBoard* board = nullptr;
  std::array<float, kResultBlockFloats> result{};
  int32_t returned = 0;
  tools::BoardReportInput Input() const;
};

ReportRun RunReportBoard(const ReportBoard& board);

}  // namespace sawline::test
