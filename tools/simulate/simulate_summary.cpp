#include "simulate/simulate_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <tuple>

#include "desk/text.h"

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

SimulationSummary Summarize(const std::vector<BoardRun>& runs) {
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
      ++summary.ran;
      summary.pieces += run.pieces;
      summary.boardLength += run.boardLength;
      summary.useful += run.useful;
      summary.used += run.used;
      summary.value += run.value;
      summary.waste += run.waste;
      for (size_t g = 0; g < run.grades.size(); ++g) {
        summary.grades[g].used += run.grades[g].used;
        summary.grades[g].useful += run.grades[g].useful;
        summary.grades[g].value += run.grades[g].value;
      }
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
  for (auto& entry : orders)
    summary.orders.push_back(entry.second);
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

void PrintSummary(std::ostream& out, const SimulationHeader& header,
                  const SimulationSummary& summary) {
  out << "simulated " << CountText(summary.boards, "board", "boards") << " of " << header.book;
  if (header.generated) out << " (generated, seed " << header.seed << ")";
  out << (header.liveClock ? ", live clocks (as on the line)\n"
                           : ", clock standing still (every search runs all its generations)\n");
  out << Format(
      "  %lld planned, %lld refused or without pieces, %lld not run (unreadable or a failed "
      "worker)\n",
      static_cast<long long>(summary.ran), static_cast<long long>(summary.refused),
      static_cast<long long>(summary.unreadable));
  for (const std::string& problem : summary.problems)
    out << "  ! " << problem << '\n';

  // Values are figures of value optimization only.
  const bool valued = summary.value != 0.0;
  out << "\nyield            useful length    used length   yield" << (valued ? "       value" : "")
      << '\n';
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    out << Format("  grade %d       %14.1f %14.1f %6.1f %%", static_cast<int>(g) + 1, grade.useful,
                  grade.used, Percent(grade.used, grade.useful))
        << (valued ? Format(" %11.2f", grade.value) : "") << '\n';
  }
  out << Format("  all           %14.1f %14.1f %6.1f %%", summary.useful, summary.used,
                Percent(summary.used, summary.useful))
      << (valued ? Format(" %11.2f", summary.value) : "") << '\n';
  out << Format("  of the boards %14.1f %14.1f %6.1f %%   (waste pieces %.1f, %s cut)\n",
                summary.boardLength, summary.used, Percent(summary.used, summary.boardLength),
                summary.waste, CountText(summary.pieces, "piece", "pieces").c_str());

  if (!summary.orders.empty()) {
    out << "\nfixed-length orders   row  grade  length      code      pieces   asked\n";
    for (const OrderFigures& order : summary.orders) {
      const std::string asked = order.quantity > 0 ? std::to_string(order.quantity) : "-";
      out << Format("                    %5d  %5d  %6d  %8lld  %10lld  %6s\n", order.row,
                    order.grade, order.length, static_cast<long long>(order.code),
                    static_cast<long long>(order.pieces), asked.c_str());
    }
  }

  out << Format("\ncall time       p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", summary.callP50,
                summary.callP99, summary.callMax);
  out << Format("searches        %lld, %lld cut short by the clock\n",
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
  out << Format("exact optimum   %.2f ms per zone on average, %.2f ms at most\n",
                summary.optimumMsMean, summary.optimumMsMax);
  if (summary.worst.empty()) return;
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

void PrintBoards(std::ostream& out, const std::vector<BoardRun>& runs) {
  out << "board  pieces    length    useful      used   yield      value     waste   call ms  "
         "cut short  source\n";
  for (const BoardRun& run : runs) {
    if (Failed(run)) {
      out << Format("%5lld  ", static_cast<long long>(run.index)) << run.problem << "  "
          << run.source << '\n';
      continue;
    }
    out << Format("%5lld  %6d  %8.1f  %8.1f  %8.1f  %5.1f %%  %9.2f  %8.1f  %8.2f  %9d  ",
                  static_cast<long long>(run.index), run.pieces, run.boardLength, run.useful,
                  run.used, Percent(run.used, run.boardLength), run.value, run.waste, run.callMs,
                  run.CutShort())
        << run.source << '\n';
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
  return totals;
}

// The grades with a useful or used length.
Json GradesJson(const SimulationSummary& summary) {
  Json grades = Json::array();
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    grades.push_back({{"grade", g + 1},
                      {"useful", grade.useful},
                      {"used", grade.used},
                      {"yield", grade.useful > 0.0 ? grade.used / grade.useful : 0.0},
                      {"value", grade.value}});
  }
  return grades;
}

Json OrdersJson(const SimulationSummary& summary) {
  Json orders = Json::array();
  for (const OrderFigures& order : summary.orders) {
    orders.push_back({{"row", order.row},
                      {"grade", order.grade},
                      {"length", order.length},
                      {"code", order.code},
                      {"quantity", order.quantity},
                      {"pieces", order.pieces}});
  }
  return orders;
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
    board["cut_short"] = run.CutShort();
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

std::string SimulationJson(const SimulationHeader& header, const SimulationSummary& summary,
                           const std::vector<BoardRun>& runs) {
  Json document = Json::object();
  document["book"] = header.book;
  document["generated"] = header.generated;
  if (header.generated) document["seed"] = header.seed;
  document["clock"] = header.liveClock ? "live" : "fixed";
  document["boards"] = summary.boards;
  document["planned"] = summary.ran;
  document["refused"] = summary.refused;
  document["not_run"] = summary.unreadable;
  document["problems"] = summary.problems;
  document["totals"] = TotalsJson(summary);
  document["grades"] = GradesJson(summary);
  document["orders"] = OrdersJson(summary);
  if (header.timings) {
    document["call_ms"] = {
        {"p50", summary.callP50}, {"p99", summary.callP99}, {"max", summary.callMax}};
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
  return document.dump(1) + "\n";
}

std::string SimulationCsv(const SimulationHeader& header, const std::vector<BoardRun>& runs) {
  std::string text =
      "board,source,pieces,board_length,useful,used,yield,value,waste,searches,cut_short,problem";
  text += header.timings ? ",call_ms\n" : "\n";
  for (const BoardRun& run : runs) {
    text += std::to_string(run.index) + "," + CsvField(run.source) + ",";
    if (Failed(run)) {
      text += ",,,,,,,,," + CsvField(run.problem);
    } else {
      text += Format("%d,%.1f,%.1f,%.1f,%.4f,%.3f,%.1f,%d,%d,", run.pieces, run.boardLength,
                     run.useful, run.used, run.boardLength > 0.0 ? run.used / run.boardLength : 0.0,
                     run.value, run.waste, static_cast<int>(run.searches.size()), run.CutShort());
    }
    if (header.timings) text += Format(",%.3f", run.callMs);
    text += "\n";
  }
  return text;
}

}  // namespace sawline::tools
