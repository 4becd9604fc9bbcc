#include "simulate/simulate_page.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sawline::tools {
namespace {

constexpr double kPanelWidth = 290.0;
constexpr double kPanelGap = 45.0;
constexpr double kAxisRoom = 40.0;   // left of each plot: the axis numbers
constexpr double kTitleRoom = 56.0;  // above each plot: its title, axis note and top value
constexpr double kPlotHeight = 170.0;
constexpr double kLabelRoom = 40.0;  // under each plot: the bar labels and the axis title
constexpr double kBarShare = 0.72;   // of a bar's slot
constexpr double kReached = 1.0 - 1e-9;
constexpr int kTimeBins = 10;

double Percent(double part, double whole) {
  return whole > 0.0 ? 100.0 * part / whole : 0.0;
}

std::string Count(int64_t n) {
  return std::to_string(n);
}

// 1, 2 or 5 times a power of ten, at least `value`.
double RoundUp(double value) {
  if (!(value > 0.0)) return 1.0;
  const double power = std::pow(10.0, std::floor(std::log10(value)));
  for (const double step : {1.0, 2.0, 5.0, 10.0}) {
    if (step * power >= value) return step * power;
  }
  return 10.0 * power;
}

ChartPanel Panel(int number, std::string title, std::string axis) {
  ChartPanel panel;
  panel.title = std::move(title);
  panel.axis = std::move(axis);
  panel.x = number * (kPanelWidth + kPanelGap) + kAxisRoom;
  panel.y = kTitleRoom;
  panel.width = kPanelWidth - kAxisRoom;
  panel.height = kPlotHeight;
  return panel;
}

// Bars of `values` (at most `top`), side by side across the panel; a bar of a value above
// 0 is at least one pixel high.
void PlaceBars(ChartPanel& panel, const std::vector<double>& values, double top) {
  panel.top = top;
  const double slot = panel.width / static_cast<double>(std::max<size_t>(values.size(), 1));
  for (size_t i = 0; i < values.size() && i < panel.bars.size(); ++i) {
    ChartBar& bar = panel.bars[i];
    double height = top > 0.0 ? panel.height * std::clamp(values[i] / top, 0.0, 1.0) : 0.0;
    if (values[i] > 0.0) height = std::max(height, 1.0);
    bar.width = std::floor(slot * kBarShare);
    bar.x = std::round(panel.x + static_cast<double>(i) * slot + (slot - bar.width) / 2.0);
    bar.height = std::round(height);
    bar.y = panel.y + panel.height - bar.height;
  }
}

void DrawPanel(std::ostream& out, const ChartPanel& panel) {
  using html::Coord;
  using html::Escape;
  const double left = panel.x - kAxisRoom;
  out << "<text x=\"" << Coord(left) << "\" y=\"14\" class=\"ct\">" << Escape(panel.title)
      << "</text>\n<text x=\"" << Coord(left) << "\" y=\"30\" class=\"cn\">" << Escape(panel.axis)
      << "</text>\n";
  // The axis: its top value and 0, a line at each, and the base line.
  for (const auto& [y, text] : {std::pair<double, std::string>{panel.y, html::Compact(panel.top)},
                                std::pair<double, std::string>{panel.y + panel.height, "0"}}) {
    out << "<text x=\"" << Coord(panel.x - 6) << "\" y=\"" << Coord(y + 4) << "\" class=\"ca\">"
        << Escape(text) << "</text>\n";
  }
  out << "<line x1=\"" << Coord(panel.x) << "\" y1=\"" << Coord(panel.y) << "\" x2=\""
      << Coord(panel.x + panel.width) << "\" y2=\"" << Coord(panel.y)
      << "\" class=\"grid\"/>\n<line x1=\"" << Coord(panel.x) << "\" y1=\""
      << Coord(panel.y + panel.height) << "\" x2=\"" << Coord(panel.x + panel.width) << "\" y2=\""
      << Coord(panel.y + panel.height) << "\" class=\"base\"/>\n";
  for (const ChartBar& bar : panel.bars) {
    const double centre = bar.x + bar.width / 2.0;
    if (bar.height > 0.0) {
      out << "<rect x=\"" << Coord(bar.x) << "\" y=\"" << Coord(bar.y) << "\" width=\""
          << Coord(bar.width) << "\" height=\"" << Coord(bar.height) << "\" fill=\""
          << bar.colour.Hex() << "\" shape-rendering=\"crispEdges\"><title>"
          << Escape(bar.label + ": " + bar.value) << "</title></rect>\n";
    }
    out << "<text x=\"" << Coord(centre) << "\" y=\"" << Coord(bar.y - 4) << "\" class=\"cv\">"
        << Escape(bar.value) << "</text>\n<text x=\"" << Coord(centre) << "\" y=\""
        << Coord(panel.y + panel.height + 14) << "\" class=\"cl\">" << Escape(bar.label)
        << "</text>\n";
  }
}

constexpr const char* kCss =
    "svg .ct{font-size:13px;font-weight:600}"
    "svg .cn{font-size:11px;fill:#555}"
    "svg .ca{font-size:10px;fill:#555;text-anchor:end}"
    "svg .cv{font-size:10px;text-anchor:middle}"
    "svg .cl{font-size:10px;text-anchor:middle;fill:#333}"
    "svg .grid{stroke:#e2e2e2;stroke-width:1}"
    "svg .base{stroke:#888;stroke-width:1}"
    "p.note{max-width:60em;color:#333;margin:4px 0 8px}"
    "ul.problems{margin:4px 0 8px;padding-left:20px}"
    "details{margin:8px 0}summary{cursor:pointer;font-weight:600}";

std::string Ratio(double value) {
  return html::Fixed(value, 4);
}

}  // namespace

SimulationCharts LayoutSimulationCharts(const SimulationSummary& summary,
                                        const std::vector<BoardRun>& runs) {
  SimulationCharts charts;
  charts.width = 3 * kPanelWidth + 2 * kPanelGap;
  charts.height = kTitleRoom + kPlotHeight + kLabelRoom;

  charts.yield = Panel(0, "Yield per grade", "used length ÷ useful length of the grade, %");
  std::vector<double> yields;
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    const double yield = Percent(grade.used, grade.useful);
    yields.push_back(yield);
    charts.yield.bars.push_back({0, 0, 0, 0, html::GradeColour(static_cast<int>(g) + 1),
                                 "grade " + std::to_string(g + 1), html::Fixed(yield, 1)});
  }
  yields.push_back(Percent(summary.used, summary.useful));
  charts.yield.bars.push_back({0, 0, 0, 0, kAllGradesColour, "all", html::Fixed(yields.back(), 1)});
  PlaceBars(charts.yield, yields, 100.0);

  // Zones by how close the search came: the last bar holds the zones where it found the
  // optimum, the others those below it, by the ratio's range.
  charts.gap = Panel(1, "Search ÷ exact optimum",
                     "zones per range of the ratio; found: the search found it");
  const double edges[] = {0.0, 0.9, 0.95, 0.98, 0.99, 0.999};
  const char* labels[] = {"<.90", ".90+", ".95+", ".98+", ".99+", ".999+", "found"};
  std::vector<double> gapCounts(std::size(labels), 0.0);
  for (const double ratio : summary.ratios) {
    size_t bin = std::size(labels) - 1;
    if (ratio < kReached) {
      bin = 0;
      while (bin + 1 < std::size(edges) && ratio >= edges[bin + 1])
        ++bin;
    }
    gapCounts[bin] += 1.0;
  }
  for (size_t b = 0; b < gapCounts.size(); ++b) {
    charts.gap.bars.push_back({0, 0, 0, 0, b + 1 == gapCounts.size() ? kReachedColour : kGapColour,
                               labels[b], Count(static_cast<int64_t>(gapCounts[b]))});
  }
  PlaceBars(charts.gap, gapCounts, RoundUp(*std::max_element(gapCounts.begin(), gapCounts.end())));

  charts.callTime = Panel(2, "Time of a call", "boards per range of the call time, ms");
  std::vector<double> times;
  for (const BoardRun& run : runs) {
    if (run.problem.empty() || run.refused) times.push_back(run.callMs);
  }
  const double longest = times.empty() ? 1.0 : *std::max_element(times.begin(), times.end());
  const double step = RoundUp(longest / kTimeBins);
  std::vector<double> timeCounts(kTimeBins, 0.0);
  for (const double t : times) {
    const size_t bin =
        std::min<size_t>(static_cast<size_t>(std::max(0.0, t / step)), kTimeBins - 1);
    timeCounts[bin] += 1.0;
  }
  for (int b = 0; b < kTimeBins; ++b) {
    charts.callTime.bars.push_back(
        {0, 0, 0, 0, kCallTimeColour, html::Compact(b * step),
         Count(static_cast<int64_t>(timeCounts[static_cast<size_t>(b)]))});
  }
  PlaceBars(charts.callTime, timeCounts,
            RoundUp(*std::max_element(timeCounts.begin(), timeCounts.end())));
  return charts;
}

namespace {

// Values are figures of value optimization only.
bool Valued(const SimulationSummary& summary) {
  return summary.value != 0.0;
}

// The three charts, one inline SVG.
void WriteCharts(std::ostream& out, const SimulationSummary& summary,
                 const std::vector<BoardRun>& runs) {
  const SimulationCharts charts = LayoutSimulationCharts(summary, runs);
  html::BeginSvg(out, charts.width, charts.height, "charts",
                 "Yield per grade, search against exact optimum, time of a call");
  for (const ChartPanel* panel : {&charts.yield, &charts.gap, &charts.callTime})
    DrawPanel(out, *panel);
  html::EndSvg(out);
}

// The shift's figures; values only for value optimization, the optimum's only when it
// was computed.
void WriteShiftFacts(std::ostream& out, const SimulationHeader& header,
                     const SimulationSummary& summary) {
  using html::Fixed;
  html::Heading(out, "summary", "The shift in figures");
  std::vector<std::pair<std::string, std::string>> facts = {
      {"Boards", std::to_string(summary.boards) + " (" + std::to_string(summary.ran) +
                     " planned, " + std::to_string(summary.refused) +
                     " refused or without pieces, " + std::to_string(summary.unreadable) +
                     " not run: unreadable or a failed worker)"},
      {"Yield of the useful length", Fixed(Percent(summary.used, summary.useful), 1) + " %"},
      {"Yield of the board length", Fixed(Percent(summary.used, summary.boardLength), 1) + " %"},
      {"Pieces cut", std::to_string(summary.pieces)},
      {"Waste pieces", html::Compact(summary.waste)},
      {"Time of a call", "median " + Fixed(summary.callP50, 1) + " ms, 99th percentile " +
                             Fixed(summary.callP99, 1) + " ms, longest " +
                             Fixed(summary.callMax, 1) + " ms"},
      {"Combination searches", std::to_string(summary.searches) + ", " +
                                   std::to_string(summary.cutShort) + " cut short by the clock"},
  };
  if (Valued(summary)) facts.insert(facts.begin() + 4, {"Value", Fixed(summary.value, 2)});
  if (header.optimum) {
    facts.push_back({"Searches that found the exact optimum",
                     std::to_string(summary.reached) + " of " + std::to_string(summary.gapZones) +
                         " (" +
                         Fixed(Percent(static_cast<double>(summary.reached),
                                       static_cast<double>(summary.gapZones)),
                               1) +
                         " %)"});
    facts.push_back({"Search ÷ exact optimum", "median " + Ratio(summary.gapMedian) +
                                                   ", 5th percentile " + Ratio(summary.gapP5) +
                                                   ", worst " + Ratio(summary.gapWorst)});
  }
  html::WriteFacts(out, facts);
}

void WriteProblems(std::ostream& out, const SimulationSummary& summary) {
  if (summary.problems.empty()) return;
  html::Heading(out, "problems", "Boards that were not planned");
  out << "<ul class=\"problems\">\n";
  for (const std::string& problem : summary.problems)
    out << "<li>" << html::Escape(problem) << "</li>\n";
  out << "</ul>\n";
}

void WriteGradeTable(std::ostream& out, const SimulationSummary& summary) {
  using html::Fixed;
  const bool valued = Valued(summary);
  html::Heading(out, "grades", "Yield and value per grade");
  html::Table grades;
  grades.header = {"Grade", "Useful length", "Used length", "Yield %", "Value"};
  if (!valued) grades.header.pop_back();
  grades.numeric = {false, true, true, true, true};
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    grades.rows.push_back(
        {{std::to_string(g + 1), html::Compact(grade.useful), html::Compact(grade.used),
          Fixed(Percent(grade.used, grade.useful), 1), Fixed(grade.value, 2)},
         html::GradeColour(static_cast<int>(g) + 1).Hex(),
         ""});
  }
  grades.footer = {"All", html::Compact(summary.useful), html::Compact(summary.used),
                   Fixed(Percent(summary.used, summary.useful), 1), Fixed(summary.value, 2)};
  if (!valued) grades.footer.pop_back();
  html::WriteTable(out, grades);
}

void WriteOrderTable(std::ostream& out, const SimulationSummary& summary) {
  using html::Fixed;
  html::Heading(out, "orders", "Pieces per fixed-length order");
  out << "<p class=\"note\">Every board is planned with the order book as given, as if it "
         "were the first of the shift: the pieces are added up over the boards and set "
         "against the quantity each order asks for.</p>\n";
  html::Table orders;
  orders.header = {"Row", "Grade", "Length", "Code", "Pieces", "Asked", "Pieces ÷ asked"};
  orders.numeric = {true, true, true, true, true, true, true};
  for (const OrderFigures& order : summary.orders) {
    orders.rows.push_back(
        {{std::to_string(order.row), std::to_string(order.grade), std::to_string(order.length),
          std::to_string(order.code), std::to_string(order.pieces),
          order.quantity > 0 ? std::to_string(order.quantity) : "no limit",
          order.quantity > 0 ? Fixed(static_cast<double>(order.pieces) / order.quantity, 2) : ""},
         "",
         ""});
  }
  html::WriteTable(out, orders);
}

// The zones furthest from their optimum.
void WriteGapTable(std::ostream& out, const SimulationHeader& header,
                   const SimulationSummary& summary) {
  using html::Fixed;
  html::Heading(out, "gap", "Where the search stayed furthest from the exact optimum");
  out << "<p class=\"note\">For every zone the combination search handled, the exact "
         "optimum is the best value any combination of the same pieces can reach by the "
         "same rule the search scores with. A ratio of 1 means the search found it. "
      << (header.generated ? "A board can be run alone with <code>--board N</code>." : "")
      << "</p>\n";
  html::Table worst;
  worst.header = {"Board",        "Search no.", "Grade", "Zone length",
                  "Search found", "Optimum",    "Ratio", "Source"};
  worst.numeric = {true, true, true, true, true, true, true, false};
  for (const GapZone& zone : summary.worst) {
    worst.rows.push_back(
        {{std::to_string(zone.board), std::to_string(zone.search), std::to_string(zone.grade),
          html::Compact(static_cast<double>(zone.length)), Fixed(zone.searchFitness, 2),
          Fixed(zone.optimumFitness, 2), Ratio(zone.ratio), zone.source},
         "",
         ""});
  }
  if (worst.rows.empty()) {
    out << "<p class=\"note\">Every search found its exact optimum.</p>\n";
  } else {
    html::WriteTable(out, worst);
  }
}

// Every board, folded away.
void WriteBoardTable(std::ostream& out, const std::vector<BoardRun>& runs) {
  using html::Fixed;
  out << "<details><summary>Every board (" << runs.size() << ")</summary>\n";
  html::Table boards;
  boards.header = {"Board", "Pieces", "Board length", "Useful",    "Used",  "Yield %",
                   "Value", "Waste",  "Call ms",      "Cut short", "Source"};
  boards.numeric = {true, true, true, true, true, true, true, true, true, true, false};
  for (const BoardRun& run : runs) {
    if (!run.problem.empty()) {
      boards.rows.push_back({{std::to_string(run.index), "", "", "", "", "", "", "", "", "",
                              run.source + ": " + run.problem},
                             "",
                             ""});
      continue;
    }
    boards.rows.push_back({{std::to_string(run.index), std::to_string(run.pieces),
                            html::Compact(run.boardLength), html::Compact(run.useful),
                            html::Compact(run.used), Fixed(Percent(run.used, run.boardLength), 1),
                            Fixed(run.value, 2), html::Compact(run.waste), Fixed(run.callMs, 1),
                            std::to_string(run.CutShort()), run.source},
                           "",
                           ""});
  }
  html::WriteTable(out, boards);
  out << "</details>\n";
}

}  // namespace

void WriteSimulationReport(std::ostream& out, const SimulationHeader& header,
                           const SimulationSummary& summary, const std::vector<BoardRun>& runs) {
  std::string subtitle = std::to_string(summary.boards) + " boards";
  if (header.generated) subtitle += " drawn with seed " + std::to_string(header.seed);
  subtitle += header.liveClock ? "; live clocks, as on the line"
                               : "; clock standing still: every search ran all its generations";
  html::BeginPage(out, "Shift simulation: " + header.book, "Shift simulation: " + header.book,
                  subtitle, kCss);
  WriteCharts(out, summary, runs);
  WriteShiftFacts(out, header, summary);
  WriteProblems(out, summary);
  WriteGradeTable(out, summary);
  WriteOrderTable(out, summary);
  if (header.optimum) WriteGapTable(out, header, summary);
  WriteBoardTable(out, runs);
  html::EndPage(out);
}

}  // namespace sawline::tools
