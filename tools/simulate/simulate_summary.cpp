#include "simulate/simulate_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <tuple>

#include "desk/block_geometry.h"
#include "desk/text.h"
#include "interface/settings_table.h"

namespace sawline::tools {
namespace {

using Json = nlohmann::ordered_json;

// A search that reached its optimum but for the rounding of a sum.
constexpr double kReachedRatio = 1.0 - 1e-9;
constexpr size_t kWorstShown = 10;

double Percent(double part, double whole) {
  return whole > 0.0 ? 100.0 * part / whole : 0.0;
}

// Pieces per gene as [length, count] pairs, the genes without pieces left out.
Json Pieces(const std::vector<int32_t>& lengths, const std::vector<int32_t>& counts) {
  Json pieces = Json::array();
  for (size_t j = 0; j < counts.size() && j < lengths.size(); ++j) {
    if (counts[j] != 0) pieces.push_back({lengths[j], counts[j]});
  }
  return pieces;
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

bool Failed(const BoardRun& run) {
  return !run.problem.empty();
}

}  // namespace

double NearestRank(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0.0;
  const double rank = std::ceil(p * static_cast<double>(sorted.size()));
  const size_t at = rank < 1.0 ? 0 : static_cast<size_t>(rank) - 1;
  return sorted[std::min(at, sorted.size() - 1)];
}

OrderBook ReadOrderBook(const float* parameters) {
  OrderBook book;
  auto at = [parameters](int index) { return parameters[index]; };
  for (int j = 0; j < kFixedOrderRows; ++j) {
    if (TruncToInt(at(SAWLINE_PARAM_FIXED_ORDER_ENABLED + j)) != 1) continue;
    book.fixed.push_back({j, TruncToInt(at(SAWLINE_PARAM_FIXED_ORDER_GRADE + j)),
                          TruncToInt(at(SAWLINE_PARAM_FIXED_ORDER_LENGTH + j)),
                          TruncToInt(at(SAWLINE_PARAM_FIXED_ORDER_CODE + j)),
                          TruncToInt(at(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + j)),
                          static_cast<double>(at(SAWLINE_PARAM_FIXED_ORDER_DONE + j)),
                          static_cast<double>(at(SAWLINE_PARAM_FIXED_ORDER_VALUE + j))});
  }
  for (int j = 0; j < kVariableOrderRows; ++j) {
    if (TruncToInt(at(SAWLINE_PARAM_VARIABLE_ORDER_ENABLED + j)) != 1) continue;
    book.variable.push_back({j, TruncToInt(at(SAWLINE_PARAM_VARIABLE_ORDER_GRADE + j)),
                             TruncToInt(at(SAWLINE_PARAM_VARIABLE_ORDER_CODE + j)),
                             TruncToInt(at(SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH + j)),
                             TruncToInt(at(SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH + j)),
                             static_cast<double>(at(SAWLINE_PARAM_VARIABLE_ORDER_VALUE + j))});
  }
  return book;
}

double GradeYield(const GradeFigures& grade) {
  return grade.useful > 0.0 ? grade.ownZones / grade.useful : 0.0;
}

namespace {

void AddBoardFigures(const BoardRun& run, SimulationSummary& summary) {
  ++summary.ran;
  summary.pieces += run.pieces;
  summary.boardLength += run.boardLength;
  summary.useful += run.useful;
  summary.used += run.used;
  summary.value += run.value;
  summary.waste += run.waste;
  summary.bookValue += run.bookValue;
  summary.bookHasValues = summary.bookHasValues || run.bookHasValues;
  for (size_t g = 0; g < run.grades.size(); ++g) {
    const GradeFigures& board = run.grades[g];
    GradeFigures& sum = summary.grades[g];
    sum.used += board.used;
    sum.useful += board.useful;
    sum.value += board.value;
    sum.fixed += board.fixed;
    sum.variable += board.variable;
    sum.uncut += board.uncut;
    sum.ownZones += board.ownZones;
    sum.betterZones += board.betterZones;
    sum.longestZone = std::max(sum.longestZone, board.longestZone);
    summary.fixedUsed += board.fixed;
    summary.variableUsed += board.variable;
    summary.uncutUsed += board.uncut;
  }
}

void AddSearches(const BoardRun& run, SimulationSummary& summary, std::vector<GapZone>& gaps,
                 double& optimumMs, int64_t& optima) {
  for (size_t s = 0; s < run.searches.size(); ++s) {
    const SearchRecord& search = run.searches[s];
    ++summary.searches;
    summary.cutShort += search.cutShort ? 1 : 0;
    if (search.optimumComputed) {
      optimumMs += search.optimumMs;
      ++optima;
      summary.optimumMsMax = std::max(summary.optimumMsMax, search.optimumMs);
    } else if (!search.optimumSkipped.empty()) {
      ++summary.notComputed;
    }
    if (!search.InGap()) continue;
    ++summary.gapZones;
    const double ratio = search.Ratio();
    summary.reached += ratio >= kReachedRatio ? 1 : 0;
    summary.ratios.push_back(ratio);
    if (ratio < kReachedRatio) {
      gaps.push_back({run.index, run.source, static_cast<int32_t>(s), search.grade, search.length,
                      search.searchFitness, search.optimumFitness, ratio});
    }
  }
}

// Every fixed-length row of the book, followed through the boards in their order.
void ReportBookRows(const std::vector<BoardRun>& runs, const OrderBook& book,
                    SimulationSummary& summary) {
  std::map<int, size_t> byRow;
  for (const BookFixedRow& row : book.fixed) {
    byRow[row.row] = summary.fixedOrders.size();
    FixedOrderReport report;
    report.row = row.row;
    report.grade = row.grade;
    report.length = row.length;
    report.code = row.code;
    report.asked = row.quantity;
    report.doneBefore = static_cast<int>(row.done);
    summary.fixedOrders.push_back(report);
  }
  for (const BoardRun& run : runs) {
    if (Failed(run)) continue;
    for (const OrderFigures& order : run.orders) {
      const auto found = byRow.find(order.row);
      if (found == byRow.end()) continue;  // a row the book switched off
      FixedOrderReport& report = summary.fixedOrders[found->second];
      const int64_t before = report.doneBefore + report.pieces;
      report.pieces += order.pieces;
      if (report.asked <= 0) continue;
      const int64_t after = before + order.pieces;
      if (before >= report.asked) {
        report.pastAfterComplete += order.pieces;
      } else if (after >= report.asked) {
        report.completedAt = run.index;
        report.pastInOneBoard += after - report.asked;
      }
    }
  }
  for (const BoardRun& run : runs) {
    if (Failed(run)) continue;
    for (const VariableFigures& order : run.variables) {
      auto found = std::find_if(summary.variableOrders.begin(), summary.variableOrders.end(),
                                [&](const VariableOrderReport& r) { return r.row == order.row; });
      if (found == summary.variableOrders.end()) continue;
      found->pieces += order.pieces;
      found->length += order.length;
    }
  }
}

// Why a row of the book got no piece.
void GiveReasons(SimulationSummary& summary) {
  for (FixedOrderReport& report : summary.fixedOrders) {
    if (report.pieces > 0) continue;
    const bool known = report.grade >= 1 && report.grade <= kMaxOrderGrade;
    const double longest =
        known ? summary.grades[static_cast<size_t>(report.grade - 1)].longestZone : 0.0;
    if (report.asked > 0 && report.doneBefore >= report.asked) {
      report.reason = "complete before the shift";
    } else if (report.length > longest) {
      report.reason = "longer than any zone of its grade";
    } else {
      report.reason = "never chosen";
    }
  }
  for (VariableOrderReport& report : summary.variableOrders) {
    if (report.pieces > 0) continue;
    const bool known = report.grade >= 1 && report.grade <= kMaxOrderGrade;
    const double longest =
        known ? summary.grades[static_cast<size_t>(report.grade - 1)].longestZone : 0.0;
    report.reason =
        report.minLength > longest ? "longer than any zone of its grade" : "never chosen";
  }
}

// Without one book: the rows with pieces, summed by row, grade, length and code.
void ReportRowsWithPieces(const std::vector<BoardRun>& runs, SimulationSummary& summary) {
  std::map<std::tuple<int, int, int, int64_t>, FixedOrderReport> fixed;
  std::map<std::tuple<int, int, int64_t>, VariableOrderReport> variable;
  for (const BoardRun& run : runs) {
    if (Failed(run)) continue;
    for (const OrderFigures& order : run.orders) {
      FixedOrderReport& sum = fixed[{order.row, order.grade, order.length, order.code}];
      sum.row = order.row;
      sum.grade = order.grade;
      sum.length = order.length;
      sum.code = order.code;
      sum.asked = std::max(sum.asked, order.quantity);
      sum.pieces += order.pieces;
    }
    for (const VariableFigures& order : run.variables) {
      VariableOrderReport& sum = variable[{order.row, order.grade, order.code}];
      sum.row = order.row;
      sum.grade = order.grade;
      sum.code = order.code;
      sum.pieces += order.pieces;
      sum.length += order.length;
    }
  }
  for (auto& entry : fixed)
    summary.fixedOrders.push_back(entry.second);
  for (auto& entry : variable)
    summary.variableOrders.push_back(entry.second);
}

void ReportOrders(const std::vector<BoardRun>& runs, const OrderBook* book,
                  SimulationSummary& summary) {
  summary.haveBook = book != nullptr;
  if (book == nullptr) {
    ReportRowsWithPieces(runs, summary);
    return;
  }
  for (const BookVariableRow& row : book->variable) {
    summary.variableOrders.push_back(
        {row.row, row.grade, row.code, row.minLength, row.maxLength, 0, 0.0, ""});
  }
  ReportBookRows(runs, *book, summary);
  GiveReasons(summary);
  bool complete = true;
  for (FixedOrderReport& report : summary.fixedOrders) {
    if (report.asked <= 0) continue;
    ++summary.limitedRows;
    report.open = std::max<int64_t>(0, report.asked - report.doneBefore - report.pieces);
    if (report.open > 0) complete = false;
    summary.bookCompleteAt = std::max(summary.bookCompleteAt, report.completedAt);
  }
  if (!complete || summary.limitedRows == 0) summary.bookCompleteAt = -1;
}

}  // namespace

SimulationSummary Summarize(const std::vector<BoardRun>& runs, const OrderBook* book) {
  SimulationSummary summary;
  summary.boards = static_cast<int64_t>(runs.size());
  std::map<std::tuple<int, int, int, int64_t>, OrderFigures> orders;
  std::vector<double> callTimes;
  std::vector<GapZone> gaps;
  double optimumMs = 0.0;
  int64_t optima = 0;
  for (const BoardRun& run : runs) {
    if (Failed(run)) {
      (run.refused ? summary.refused : summary.unreadable) += 1;
      summary.problems.push_back("board " + std::to_string(run.index) + " (" + run.source +
                                 "): " + run.problem);
    } else {
      AddBoardFigures(run, summary);
      for (const OrderFigures& order : run.orders) {
        OrderFigures& sum = orders[{order.row, order.grade, order.length, order.code}];
        sum.row = order.row;
        sum.grade = order.grade;
        sum.length = order.length;
        sum.code = order.code;
        sum.quantity = std::max(sum.quantity, order.quantity);
        sum.pieces += order.pieces;
      }
    }
    if (!Failed(run) || run.refused) callTimes.push_back(run.callMs);
    AddSearches(run, summary, gaps, optimumMs, optima);
  }
  for (auto& entry : orders)
    summary.orders.push_back(entry.second);
  ReportOrders(runs, book, summary);
  std::sort(callTimes.begin(), callTimes.end());
  summary.callP50 = NearestRank(callTimes, 0.50);
  summary.callP99 = NearestRank(callTimes, 0.99);
  summary.callMax = callTimes.empty() ? 0.0 : callTimes.back();
  std::sort(summary.ratios.begin(), summary.ratios.end());
  if (!summary.ratios.empty()) {
    summary.gapMedian = NearestRank(summary.ratios, 0.50);
    summary.gapP5 = NearestRank(summary.ratios, 0.05);
    summary.gapWorst = summary.ratios.front();
  }
  std::stable_sort(gaps.begin(), gaps.end(),
                   [](const GapZone& a, const GapZone& b) { return a.ratio < b.ratio; });
  gaps.resize(std::min(gaps.size(), kWorstShown));
  summary.worst = std::move(gaps);
  summary.optimumMsMean = optima > 0 ? optimumMs / static_cast<double>(optima) : 0.0;
  return summary;
}

namespace {

std::string BoardText(int64_t board) {
  return board >= 0 ? "board " + std::to_string(board) : "-";
}

void PrintHeading(std::ostream& out, const SimulationHeader& header,
                  const SimulationSummary& summary) {
  out << "simulated " << CountText(summary.boards, "board", "boards") << " of " << header.book;
  if (header.generated) out << " (generated, seed " << header.seed << ")";
  out << (header.liveClock ? ", live clocks (as on the line)\n"
                           : ", clock standing still (every search runs all its generations)\n");
  out << (header.carried
              ? "  carried, as on the line: each board's pieces are added to its rows' done "
                "counts before the next board\n"
              : "  independent: every board is planned with the order book as given\n");
  out << "  " << kLengthUnitNote << '\n';
  out << Format(
      "  %lld planned, %lld refused or without pieces, %lld not run (unreadable or a failed "
      "worker)\n",
      static_cast<long long>(summary.ran), static_cast<long long>(summary.refused),
      static_cast<long long>(summary.unreadable));
  for (const std::string& problem : summary.problems)
    out << "  ! " << problem << '\n';
}

// The yield per grade: pieces in the grade's own zones ÷ its useful length, with the
// pieces cut from better zones beside it.
void PrintYield(std::ostream& out, const SimulationSummary& summary) {
  // The library's values are figures of value optimization only.
  const bool valued = summary.value != 0.0;
  out << "\nyield            useful length    used length   from better zones   yield"
      << (valued ? "   value (library)" : "") << '\n';
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    out << Format("  grade %d       %14.1f %14.1f %19.1f %6.1f %%", static_cast<int>(g) + 1,
                  grade.useful, grade.used, grade.betterZones, 100.0 * GradeYield(grade))
        << (valued ? Format(" %17.2f", grade.value) : "") << '\n';
  }
  out << Format("  all           %14.1f %14.1f %19s %6.1f %%", summary.useful, summary.used, "",
                Percent(summary.used, summary.useful))
      << (valued ? Format(" %17.2f", summary.value) : "") << '\n';
  out << Format("  of the boards %14.1f %14.1f %19s %6.1f %%   (waste length %.1f, %s cut)\n",
                summary.boardLength, summary.used, "", Percent(summary.used, summary.boardLength),
                summary.waste, CountText(summary.pieces, "piece", "pieces").c_str());
  out << "  a grade's yield: its pieces lying in zones of the grade ÷ the grade's useful "
         "length; pieces cut from better zones are counted apart\n";
  out << Format("  used length: fixed-length %.1f, variable-length %.1f, uncut %.1f\n",
                summary.fixedUsed, summary.variableUsed, summary.uncutUsed);
  if (summary.bookHasValues) {
    out << Format("  value computed from the book's values: %.2f\n", summary.bookValue);
  }
}

void PrintFixedOrders(std::ostream& out, const SimulationSummary& summary) {
  if (summary.fixedOrders.empty()) return;
  out << (summary.haveBook ? "\nfixed-length orders of the book\n"
                           : "\nfixed-length orders with pieces (the inputs hold several books)\n");
  out << "    row  grade  length      code   asked  done before    pieces    open  complete at\n";
  for (const FixedOrderReport& order : summary.fixedOrders) {
    const std::string asked = order.asked > 0 ? std::to_string(order.asked) : "-";
    const std::string open = order.asked > 0 ? std::to_string(order.open) : "-";
    out << Format("  %5d  %5d  %6d  %8lld  %6s  %11d  %8lld  %6s  %s", order.row, order.grade,
                  order.length, static_cast<long long>(order.code), asked.c_str(), order.doneBefore,
                  static_cast<long long>(order.pieces), open.c_str(),
                  BoardText(order.completedAt).c_str());
    if (!order.reason.empty()) out << "  (" << order.reason << ")";
    if (order.pastInOneBoard + order.pastAfterComplete > 0) {
      out << Format("  (%lld past the quantity)",
                    static_cast<long long>(order.pastInOneBoard + order.pastAfterComplete));
    }
    out << '\n';
  }
}

void PrintVariableOrders(std::ostream& out, const SimulationSummary& summary) {
  if (summary.variableOrders.empty()) return;
  out << "\nvariable-length orders\n    row  grade      code     range      pieces   total "
         "length\n";
  for (const VariableOrderReport& order : summary.variableOrders) {
    const std::string range =
        summary.haveBook ? Format("%d-%d", order.minLength, order.maxLength) : std::string("-");
    out << Format("  %5d  %5d  %8lld  %9s  %10lld  %13.1f", order.row, order.grade,
                  static_cast<long long>(order.code), range.c_str(),
                  static_cast<long long>(order.pieces), order.length);
    if (!order.reason.empty()) out << "  (" << order.reason << ")";
    out << '\n';
  }
}

void PrintCompletion(std::ostream& out, const SimulationSummary& summary) {
  if (!summary.haveBook) return;
  if (summary.limitedRows == 0) {
    out << "\nthe book has no limited row: it is never complete\n";
  } else if (summary.bookCompleteAt >= 0) {
    out << "\nevery limited row was complete after board " << summary.bookCompleteAt << '\n';
  } else {
    out << "\nnot every limited row was complete after the last board\n";
  }
}

void PrintSearches(std::ostream& out, const SimulationHeader& header,
                   const SimulationSummary& summary) {
  if (header.timings) {
    out << Format("\ncall time       on the desk%s: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
                  header.liveClock ? "" : ", the clock standing still", summary.callP50,
                  summary.callP99, summary.callMax);
  }
  out << Format("%ssearches        %lld, %lld cut short by the clock\n", header.timings ? "" : "\n",
                static_cast<long long>(summary.searches), static_cast<long long>(summary.cutShort));
  if (!header.optimum) return;
  out << Format(
      "gap             search / exact optimum over %s: the optimum reached in "
      "%.1f %%; median %.4f, 5th percentile %.4f, worst %.4f\n",
      CountText(summary.gapZones, "zone", "zones").c_str(),
      Percent(static_cast<double>(summary.reached), static_cast<double>(summary.gapZones)),
      summary.gapMedian, summary.gapP5, summary.gapWorst);
  if (summary.notComputed > 0) {
    out << Format("                %lld zones too large for the exact optimum are left out\n",
                  static_cast<long long>(summary.notComputed));
  }
  if (header.timings) {
    out << Format("exact optimum   %.2f ms per zone on average, %.2f ms at most (on the desk)\n",
                  summary.optimumMsMean, summary.optimumMsMax);
  }
}

void PrintWorst(std::ostream& out, const SimulationHeader& header,
                const SimulationSummary& summary) {
  if (!header.optimum || summary.worst.empty()) return;
  out << "furthest from the optimum (board, its search number, grade, zone length):\n";
  for (const GapZone& zone : summary.worst) {
    out << Format("  board %lld search %d  grade %d  %8.1f   %.3f of %.3f  (%.4f)",
                  static_cast<long long>(zone.board), zone.search, zone.grade,
                  static_cast<double>(zone.length), zone.searchFitness, zone.optimumFitness,
                  zone.ratio);
    if (header.generated)
      out << "   alone: --board " << zone.board;
    else
      out << "   " << zone.source;
    out << '\n';
  }
}

}  // namespace

void PrintSummary(std::ostream& out, const SimulationHeader& header,
                  const SimulationSummary& summary) {
  PrintHeading(out, header, summary);
  PrintYield(out, summary);
  PrintFixedOrders(out, summary);
  PrintVariableOrders(out, summary);
  PrintCompletion(out, summary);
  PrintSearches(out, header, summary);
  PrintWorst(out, header, summary);
}

void PrintBoards(std::ostream& out, const SimulationHeader& header,
                 const std::vector<BoardRun>& runs) {
  out << "board  pieces    length    useful      used   yield      value  waste len"
      << (header.timings ? "   call ms" : "") << "  cut short  source\n";
  for (const BoardRun& run : runs) {
    if (Failed(run)) {
      out << Format("%5lld  ", static_cast<long long>(run.index)) << run.problem << "  "
          << run.source << '\n';
      continue;
    }
    out << Format("%5lld  %6d  %8.1f  %8.1f  %8.1f  %5.1f %%  %9.2f  %9.1f",
                  static_cast<long long>(run.index), run.pieces, run.boardLength, run.useful,
                  run.used, Percent(run.used, run.boardLength), run.value, run.waste)
        << (header.timings ? Format("  %8.2f", run.callMs) : "")
        << Format("  %9d  ", run.CutShort()) << run.source << '\n';
  }
}

namespace {

Json TotalsJson(const SimulationSummary& summary) {
  Json totals = Json::object();
  totals["pieces"] = summary.pieces;
  totals["board_length"] = summary.boardLength;
  totals["useful"] = summary.useful;
  totals["used"] = summary.used;
  totals["yield_of_useful"] = summary.useful > 0.0 ? summary.used / summary.useful : 0.0;
  totals["yield_of_boards"] = summary.boardLength > 0.0 ? summary.used / summary.boardLength : 0.0;
  totals["value"] = summary.value;
  totals["waste"] = summary.waste;
  totals["waste_length"] = summary.waste;
  totals["used_fixed"] = summary.fixedUsed;
  totals["used_variable"] = summary.variableUsed;
  totals["used_uncut"] = summary.uncutUsed;
  if (summary.bookHasValues) totals["value_from_book"] = summary.bookValue;
  return totals;
}

// The grades with a useful or used length. "yield" is the pieces lying in the grade's own
// zones ÷ its useful length; "used_of_useful" all its pieces ÷ its useful length.
Json GradesJson(const SimulationSummary& summary) {
  Json grades = Json::array();
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    grades.push_back({{"grade", g + 1},
                      {"useful", grade.useful},
                      {"used", grade.used},
                      {"yield", GradeYield(grade)},
                      {"value", grade.value},
                      {"from_own_zones", grade.ownZones},
                      {"from_better_zones", grade.betterZones},
                      {"used_of_useful", grade.useful > 0.0 ? grade.used / grade.useful : 0.0},
                      {"used_fixed", grade.fixed},
                      {"used_variable", grade.variable},
                      {"used_uncut", grade.uncut}});
  }
  return grades;
}

Json BoardOrNull(int64_t board) {
  return board >= 0 ? Json(board) : Json(nullptr);
}

Json OrdersJson(const SimulationSummary& summary) {
  Json fixed = Json::array();
  for (const FixedOrderReport& order : summary.fixedOrders) {
    Json row = {{"row", order.row},
                {"grade", order.grade},
                {"length", order.length},
                {"code", order.code},
                {"quantity", order.asked},
                {"asked", order.asked},
                {"done_before", order.doneBefore},
                {"pieces", order.pieces},
                {"completed_at_board", BoardOrNull(order.completedAt)},
                {"open", order.open},
                {"past_quantity_in_one_board", order.pastInOneBoard},
                {"past_quantity_after_complete", order.pastAfterComplete}};
    if (!order.reason.empty()) row["reason"] = order.reason;
    fixed.push_back(std::move(row));
  }
  Json variable = Json::array();
  for (const VariableOrderReport& order : summary.variableOrders) {
    Json row = {{"row", order.row},
                {"grade", order.grade},
                {"code", order.code},
                {"pieces", order.pieces},
                {"length", order.length}};
    if (summary.haveBook) {
      row["min_length"] = order.minLength;
      row["max_length"] = order.maxLength;
    }
    if (!order.reason.empty()) row["reason"] = order.reason;
    variable.push_back(std::move(row));
  }
  return {{"fixed", fixed}, {"variable", variable}};
}

// The searches, and with the optimum how far they stayed from it.
Json GapJson(const SimulationHeader& header, const SimulationSummary& summary) {
  Json gap = Json::object();
  gap["searches"] = summary.searches;
  gap["cut_short"] = summary.cutShort;
  if (!header.optimum) return gap;
  gap["zones"] = summary.gapZones;
  gap["optimum_reached"] = summary.reached;
  gap["not_computed"] = summary.notComputed;
  gap["median"] = summary.gapMedian;
  gap["p5"] = summary.gapP5;
  gap["worst"] = summary.gapWorst;
  Json worst = Json::array();
  for (const GapZone& zone : summary.worst) {
    worst.push_back({{"board", zone.board},
                     {"search", zone.search},
                     {"grade", zone.grade},
                     {"length", static_cast<double>(zone.length)},
                     {"ratio", zone.ratio}});
  }
  gap["furthest"] = worst;
  return gap;
}

Json BoardJson(const SimulationHeader& header, const BoardRun& run) {
  Json board = Json::object();
  board["board"] = run.index;
  board["source"] = run.source;
  if (Failed(run)) {
    board["problem"] = run.problem;
  } else {
    board["pieces"] = run.pieces;
    board["board_length"] = run.boardLength;
    board["useful"] = run.useful;
    board["used"] = run.used;
    board["value"] = run.value;
    board["waste"] = run.waste;
    board["waste_length"] = run.waste;
    board["cut_short"] = run.CutShort();
    if (run.bookHasValues) board["value_from_book"] = run.bookValue;
  }
  if (header.timings) board["call_ms"] = run.callMs;
  return board;
}

// Search `s` of the board, with its optimum or why it was not computed.
Json ZoneJson(const SimulationHeader& header, const BoardRun& run, size_t s) {
  const SearchRecord& search = run.searches[s];
  Json zone = Json::object();
  zone["board"] = run.index;
  zone["search"] = s;
  zone["grade"] = search.grade;
  zone["length"] = static_cast<double>(search.length);
  zone["fixed_only"] = search.fixedOnly;
  zone["generations"] = search.generations;
  zone["cut_short"] = search.cutShort;
  zone["search_fitness"] = search.searchFitness;
  zone["search_pieces"] = Pieces(search.pieceLengths, search.searchGenes);
  if (search.optimumComputed) {
    zone["optimum_fitness"] = search.optimumFitness;
    zone["optimum_pieces"] = Pieces(search.pieceLengths, search.optimumGenes);
  } else if (!search.optimumSkipped.empty()) {
    zone["optimum_skipped"] = search.optimumSkipped;
  }
  if (header.timings && search.optimumComputed) zone["optimum_ms"] = search.optimumMs;
  return zone;
}

}  // namespace

Json SimulationObject(const SimulationHeader& header, const SimulationSummary& summary,
                      const std::vector<BoardRun>& runs) {
  Json document = Json::object();
  document["book"] = header.book;
  document["carried"] = header.carried;
  document["generated"] = header.generated;
  if (header.generated) document["seed"] = header.seed;
  document["clock"] = header.liveClock ? "live" : "fixed";
  document["length_unit"] = "host";
  document["boards"] = summary.boards;
  document["planned"] = summary.ran;
  document["refused"] = summary.refused;
  document["not_run"] = summary.unreadable;
  document["problems"] = summary.problems;
  document["totals"] = TotalsJson(summary);
  document["grades"] = GradesJson(summary);
  document["orders"] = OrdersJson(summary);
  document["orders_from_book"] = summary.haveBook;
  document["book_complete_at_board"] = BoardOrNull(summary.bookCompleteAt);
  if (header.timings) {
    document["call_ms"] = {
        {"p50", summary.callP50},
        {"p99", summary.callP99},
        {"max", summary.callMax},
        {"measured",
         header.liveClock ? "on the desk, live clocks" : "on the desk, the clock standing still"}};
  }
  document["gap"] = GapJson(header, summary);
  Json boards = Json::array();
  Json zones = Json::array();
  for (const BoardRun& run : runs) {
    boards.push_back(BoardJson(header, run));
    for (size_t s = 0; s < run.searches.size(); ++s)
      zones.push_back(ZoneJson(header, run, s));
  }
  document["board_results"] = boards;
  document["zones"] = zones;
  return document;
}

std::string SimulationJson(const SimulationHeader& header, const SimulationSummary& summary,
                           const std::vector<BoardRun>& runs) {
  return SimulationObject(header, summary, runs).dump(1) + "\n";
}

namespace {

// The order rows a CSV gives a column each: the book's rows, or the rows with pieces.
struct CsvRows {
  std::vector<int> fixed;
  std::vector<int> variable;
};

CsvRows CsvRowsOf(const SimulationSummary& summary) {
  CsvRows rows;
  for (const FixedOrderReport& order : summary.fixedOrders)
    rows.fixed.push_back(order.row);
  for (const VariableOrderReport& order : summary.variableOrders)
    rows.variable.push_back(order.row);
  for (std::vector<int>* list : {&rows.fixed, &rows.variable}) {
    std::sort(list->begin(), list->end());
    list->erase(std::unique(list->begin(), list->end()), list->end());
  }
  return rows;
}

std::string CsvHeader(const SimulationHeader& header, const CsvRows& rows) {
  std::string text =
      "board,source,pieces,board_length,useful,used,yield,value,waste,searches,cut_short,problem";
  if (header.timings) text += ",call_ms";
  text += ",waste_length,used_fixed,used_variable,used_uncut,value_from_book";
  for (const int row : rows.fixed)
    text += ",fixed_row_" + std::to_string(row) + "_pieces";
  for (const int row : rows.variable)
    text += ",variable_row_" + std::to_string(row) + "_pieces";
  return text + "\n";
}

std::string CsvLine(const SimulationHeader& header, const CsvRows& rows, const BoardRun& run) {
  std::string text = std::to_string(run.index) + "," + CsvField(run.source) + ",";
  if (Failed(run)) {
    text += ",,,,,,,,," + CsvField(run.problem);
  } else {
    text += Format("%d,%.1f,%.1f,%.1f,%.4f,%.3f,%.1f,%d,%d,", run.pieces, run.boardLength,
                   run.useful, run.used, run.boardLength > 0.0 ? run.used / run.boardLength : 0.0,
                   run.value, run.waste, static_cast<int>(run.searches.size()), run.CutShort());
  }
  if (header.timings) text += Format(",%.3f", run.callMs);
  if (Failed(run)) return text + std::string(5 + rows.fixed.size() + rows.variable.size(), ',');
  double fixed = 0.0;
  double variable = 0.0;
  double uncut = 0.0;
  for (const GradeFigures& grade : run.grades) {
    fixed += grade.fixed;
    variable += grade.variable;
    uncut += grade.uncut;
  }
  text += Format(",%.1f,%.1f,%.1f,%.1f,", run.waste, fixed, variable, uncut);
  if (run.bookHasValues) text += Format("%.3f", run.bookValue);
  for (const int row : rows.fixed) {
    int64_t pieces = 0;
    for (const OrderFigures& order : run.orders)
      pieces += order.row == row ? order.pieces : 0;
    text += "," + std::to_string(pieces);
  }
  for (const int row : rows.variable) {
    int64_t pieces = 0;
    for (const VariableFigures& order : run.variables)
      pieces += order.row == row ? order.pieces : 0;
    text += "," + std::to_string(pieces);
  }
  return text;
}

}  // namespace

std::string SimulationCsv(const SimulationHeader& header, const std::vector<BoardRun>& runs,
                          const SimulationSummary& summary) {
  const CsvRows rows = CsvRowsOf(summary);
  std::string text = CsvHeader(header, rows);
  for (const BoardRun& run : runs)
    text += CsvLine(header, rows, run) + "\n";
  return text;
}

}  // namespace sawline::tools
