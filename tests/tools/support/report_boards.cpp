#include "tools/support/report_boards.h"

#include <utility>

#include "interface/block_layout.h"
#include "support/test_support.h"

namespace sawline::test {
namespace {

void CommonSettings(tools::JobBlocks& job) {
  job.SetSetting("KerfWidth", 4.0f);
  job.SetSetting("WasteMaxLength", 300.0f);
  job.SetSetting("WasteKickerCode", 1020304.0f);
  job.SetSetting("GradeMarkLength", 30.0f);
  job.SetSetting("GradeAMinLength", 200.0f);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
}

// The bundled example board (examples/): eight zones of three grades, an order book of
// two grades; its cut list has every kind of piece, a trimmed head, halved middle
// waste, kicked-out long waste and a waste tail cut to WasteMaxLength.
ReportBoard ExampleBoard() {
  ReportBoard board;
  board.name = "example_board";
  tools::JobBlocks& job = board.job;
  CommonSettings(job);
  job.SetSetting("OptimizeMode", 0.0f);
  job.SetSetting("WasteGateSelect", 0.0f);
  job.SetSetting("RemnantCentering", 0.0f);
  job.AddFixedOrder({1, 1200, 1.2f, 0.0f, 0.0f, 20, 0, 11010101});
  job.AddFixedOrder({1, 900, 1.1f, 0.0f, 0.0f, 20, 0, 11010102});
  job.AddFixedOrder({1, 600, 1.0f, 0.0f, 0.0f, 0, 0, 11010103});
  job.AddFixedOrder({2, 1000, 0.9f, 0.0f, 0.0f, 0, 0, 12010101});
  job.AddFixedOrder({2, 450, 0.8f, 0.0f, 0.0f, 0, 0, 12010102});
  job.AddVariableOrder({1, 300, 800, 0.7f, 0.0f, 13010101});
  job.AddVariableOrder({2, 250, 700, 0.6f, 0.0f, 14010101});
  job.SetUncutOrder(3, 900, 1000, 15010101);
  job.SetHeadTail(1, 20, 20);
  job.SetHeadTail(2, 20, 20);
  job.SetPairs({{2, 850}, {1, 2100}, {9, 180}, {2, 950}, {9, 100}, {2, 1300}, {9, 760}, {3, 370}});
  return board;
}

// Defect sawing: sound wood between defects is cut out as clear pieces, which pick up
// the code of the first grade-1 variable-length order whose range holds them.
ReportBoard DefectBoard() {
  ReportBoard board;
  board.name = "defect_sawing";
  tools::JobBlocks& job = board.job;
  CommonSettings(job);
  job.SetSetting("OptimizeMode", 4.0f);
  job.SetSetting("WasteGateSelect", 1.0f);
  job.AddVariableOrder({1, 300, 1000, 1.0f, 0.0f, 13020101});
  job.AddVariableOrder({1, 1000, 2500, 1.0f, 0.0f, 13020102});
  job.SetPairs(
      {{1, 1400}, {3, 120}, {1, 900}, {9, 60}, {1, 2200}, {2, 300}, {1, 240}, {4, 90}, {1, 700}});
  return board;
}

// A 6 m board of about 100 pieces: short sound zones between short defects, each
// giving one short fixed-length piece and a waste piece; every tenth defect is long
// enough to go to the waste kicker.
ReportBoard LongBoard() {
  ReportBoard board;
  board.name = "hundred_pieces";
  tools::JobBlocks& job = board.job;
  CommonSettings(job);
  job.SetSetting("OptimizeMode", 0.0f);
  job.SetSetting("WasteGateSelect", 1.0f);
  job.AddFixedOrder({1, 80, 1.0f, 0.0f, 0.0f, 0, 0, 11020101});
  job.AddFixedOrder({1, 90, 1.1f, 0.0f, 0.0f, 0, 0, 11020102});
  job.AddFixedOrder({2, 85, 1.0f, 0.0f, 0.0f, 0, 0, 12020101});
  std::vector<std::pair<float, float>> pairs;
  for (int i = 0; i < 50; ++i) {
    pairs.emplace_back(static_cast<float>(1 + i % 2), static_cast<float>(92 + (i % 3) * 4));
    pairs.emplace_back(9.0f, i % 10 == 4 ? 150.0f : 16.0f);
  }
  job.SetPairs(pairs);
  return board;
}

// One face of marking lines: grade marks count up the grade of the interval before.
ReportBoard MarkingLineBoard() {
  ReportBoard board;
  board.name = "marking_lines";
  tools::JobBlocks& job = board.job;
  CommonSettings(job);
  job.SetSetting("OptimizeMode", 0.0f);
  job.AddFixedOrder({1, 700, 1.0f, 0.0f, 0.0f, 0, 0, 11030101});
  job.AddFixedOrder({3, 500, 1.0f, 0.0f, 0.0f, 0, 0, 13030101});
  job.AddVariableOrder({5, 300, 900, 0.5f, 0.0f, 15030101});
  job.SetIntervals({1500, 20, 20, 800, 100, 1600, 650}, {});
  return board;
}

// The example's board and orders in value mode: every order row has a value.
ReportBoard ValueBoard() {
  ReportBoard board = ExampleBoard();
  board.name = "value_mode";
  tools::JobBlocks& job = board.job;
  job.SetSetting("OptimizeMode", 1.0f);
  const float pieceValues[] = {30.0f, 21.0f, 12.0f, 18.0f, 7.5f};
  for (int row = 0; row < 5; ++row)
    job.Set(SAWLINE_PARAM_FIXED_ORDER_VALUE + row, pieceValues[row]);
  job.Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE, 15.0f);
  job.Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE + 1, 11.0f);
  return board;
}

ReportBoard Refused(ReportBoard board, std::string name) {
  board.name = std::move(name);
  board.job.SetSetting("KerfWidth", -4.0f);
  board.notes = {"Board refused: KerfWidth is negative (-4)",
                 "warning: this note stands for any other the desk tool adds"};
  return board;
}

}  // namespace

std::vector<ReportBoard> ReportBoards() {
  std::vector<ReportBoard> boards;
  boards.push_back(ExampleBoard());
  boards.push_back(DefectBoard());
  boards.push_back(LongBoard());
  boards.push_back(MarkingLineBoard());
  boards.push_back(ValueBoard());
  boards.push_back(Refused(ExampleBoard(), "refused_pairs"));
  boards.push_back(Refused(MarkingLineBoard(), "refused_marking_lines"));
  return boards;
}

tools::BoardReportInput ReportRun::Input() const {
  tools::BoardReportInput input;
  input.title = board->name + ".json";
  input.parameters = board->job.parameters.data();
  input.marks = board->job.marks.data();
  input.result = result.data();
  input.returned = returned;
  input.runTime = "2026-03-01T08:15:00+08:00";
  input.notes = board->notes;
  return input;
}

ReportRun RunReportBoard(const ReportBoard& board) {
  ReportRun run;
  run.board = &board;
  run.returned = RunJob(board.job, run.result);
  return run;
}

}  // namespace sawline::test
