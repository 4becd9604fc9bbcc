#include "views/run_views.h"

#include <fstream>

#include "desk/json_text.h"
#include "desk/result_view.h"
#include "desk/text.h"
#include "views/board_report.h"

namespace sawline::tools {
namespace {

void PrintCutList(std::ostream& out, const ResultView& view) {
  out << "\n  #  kind      grade    length      feed  code fields\n";
  int number = 0;
  for (const PieceView& piece : view.pieces) {
    const std::string grade = piece.grade > 0 ? std::to_string(piece.grade) : "-";
    out << Format("%3d  %-8s  %5s  %8.1f  %8.1f ", ++number, PieceKindName(piece.kind),
                  grade.c_str(), static_cast<double>(piece.length),
                  static_cast<double>(piece.feedLength));
    for (int field : piece.codeFields)
      out << Format(" %02d", field);
    if (piece.kicked) out << "  (waste kicker)";
    out << '\n';
  }
}

void PrintYield(std::ostream& out, const ResultView& view) {
  const double board = static_cast<double>(view.boardLength);
  double fixed = 0.0;
  double variable = 0.0;
  double uncut = 0.0;
  for (const GradeYieldView& grade : view.grades) {
    fixed += static_cast<double>(grade.fixed);
    variable += static_cast<double>(grade.variable);
    uncut += static_cast<double>(grade.uncut);
  }
  const double used = view.usedLength;
  out << "\nyield (in the host's length unit)\n";
  out << Format("  board length         %10.1f   (feed lengths add up to %.1f)\n", board,
                view.feedSum);
  out << Format("  useful length        %10.1f   (graded 1 to 8)\n",
                static_cast<double>(view.usefulLength));
  // In defect sawing the pieces of grade codes 1 to 8 are the clear pieces between defects.
  out << Format(
      view.mode == 4 ? "  used: clear pieces   %10.1f\n" : "  used: fixed-length   %10.1f\n",
      fixed);
  out << Format("  used: variable       %10.1f\n", variable);
  out << Format("  used: uncut          %10.1f\n", uncut);
  out << Format("  used in all          %10.1f   (%.1f %% of the board)\n", used,
                board > 0.0 ? 100.0 * used / board : 0.0);
  out << Format("  waste length         %10.1f\n", view.wasteLength);
  out << Format("  kerfs                %10.1f\n", board - used - view.wasteLength);
  if (view.totalValue != 0.0f) {
    out << Format("  value                %10.3f   (fixed %.3f, variable %.3f)\n",
                  static_cast<double>(view.totalValue), static_cast<double>(view.fixedValue),
                  static_cast<double>(view.variableValue));
  }
}

Json DecodedJson(const ResultView& view) {
  Json decoded = Json::object();
  decoded["mode"] = view.mode;
  decoded["kerf"] = FloatJson(view.kerf);
  decoded["board_length"] = FloatJson(view.boardLength);
  Json zones = Json::array();
  for (const ZoneView& zone : view.zones) {
    zones.push_back({{"grade", FloatJson(zone.grade)},
                     {"length", FloatJson(zone.length)},
                     {"start", zone.start}});
  }
  decoded["zones"] = zones;
  Json pieces = Json::array();
  for (const PieceView& piece : view.pieces) {
    Json entry = Json::object();
    entry["kind"] = PieceKindName(piece.kind);
    entry["grade"] = piece.grade;
    entry["grade_code"] = FloatJson(piece.gradeCode);
    entry["length"] = FloatJson(piece.length);
    entry["feed_length"] = FloatJson(piece.feedLength);
    entry["start"] = piece.start;
    entry["code_fields"] = piece.codeFields;
    entry["code"] = piece.code;
    entry["kicked"] = piece.kicked;
    pieces.push_back(entry);
  }
  decoded["pieces"] = pieces;
  Json counts = Json::array();
  for (const OrderCountView& count : view.orderCounts) {
    counts.push_back({{"row", count.row},
                      {"grade", count.grade},
                      {"length", count.length},
                      {"code", count.code},
                      {"quantity", count.quantity},
                      {"done", count.done},
                      {"pieces", count.pieces}});
  }
  decoded["order_counts"] = counts;
  Json grades = Json::array();
  for (const GradeYieldView& grade : view.grades) {
    grades.push_back({{"grade", grade.grade},
                      {"total", FloatJson(grade.total)},
                      {"fixed", FloatJson(grade.fixed)},
                      {"variable", FloatJson(grade.variable)},
                      {"uncut", FloatJson(grade.uncut)},
                      {"useful", FloatJson(grade.useful)},
                      {"value", FloatJson(grade.value)},
                      {"fixed_value", FloatJson(grade.fixedValue)},
                      {"variable_value", FloatJson(grade.variableValue)}});
  }
  decoded["yield"] = {{"useful_length", FloatJson(view.usefulLength)},
                      {"used_length", view.usedLength},
                      {"waste_length", view.wasteLength},
                      {"feed_sum", view.feedSum},
                      {"grades", grades}};
  decoded["values"] = {{"total", FloatJson(view.totalValue)},
                       {"fixed", FloatJson(view.fixedValue)},
                       {"variable", FloatJson(view.variableValue)}};
  return decoded;
}

}  // namespace

void PrintRun(std::ostream& out, const JobBlocks& job, const RunOutcome& outcome) {
  out << "pieces in the cut list: " << outcome.returned << '\n';
  if (outcome.returned > 0) {
    const ResultView view =
        DecodeResult(job.parameters.data(), outcome.result.data(), outcome.returned);
    PrintCutList(out, view);
    PrintYield(out, view);
  } else {
    // Why (a refusal's reason) is the caller's to say, once, on the error output.
    out << "no piece planned: the result block is left as it was\n";
  }
  out << "\nrun log: " << outcome.logPath << " (GBK)\n";
}

std::string RunJson(const std::string& title, const JobBlocks& job, const RunOutcome& outcome,
                    const std::vector<std::string>& warnings) {
  Json record = Json::object();
  record["job"] = title;
  record["time"] = FormatRunTime(outcome.time);
  record["clock"] = outcome.clockFixed ? "fixed" : "live";
  record["run_log"] = outcome.logPath;
  if (!warnings.empty()) record["warnings"] = warnings;
  record["returned"] = outcome.returned;
  if (!outcome.refusal.empty()) record["refused"] = outcome.refusal;
  Json block = Json::array();
  for (float value : outcome.result)
    block.push_back(FloatJson(value));
  record["result_block"] = block;
  record["decoded"] =
      DecodedJson(DecodeResult(job.parameters.data(), outcome.result.data(), outcome.returned));
  return PrettyJson(record);
}

bool BoardReportAvailable() {
  return true;
}

bool WriteBoardReportFile(const std::string& path, const std::string& title, const JobBlocks& job,
                          const RunOutcome& outcome, const std::vector<std::string>& notes,
                          std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    *error = path + ": cannot be written";
    return false;
  }
  BoardReportInput input;
  input.title = title;
  input.parameters = job.parameters.data();
  input.marks = job.marks.data();
  input.result = outcome.result.data();
  input.returned = outcome.returned;
  input.runTime = FormatRunTime(outcome.time);
  input.notes = notes;
  WriteBoardReport(input, out);
  out.close();
  if (!out) {
    *error = path + ": cannot be written";
    return false;
  }
  return true;
}

}  // namespace sawline::tools
