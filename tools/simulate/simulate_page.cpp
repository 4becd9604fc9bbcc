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
                                        const std::vector<BoardRun>& runs, bool timings) {
  SimulationCharts charts;
  charts.timings = timings;
  const int panels = timings ? 3 : 2;
  charts.width = panels * kPanelWidth + (panels - 1) * kPanelGap;
  charts.height = kTitleRoom + kPlotHeight + kLabelRoom;

  charts.yield =
      Panel(0, "Yield per grade", "pieces in the grade's own zones ÷ its useful length, %");
  std::vector<double> yields;
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    const double yield = 100.0 * GradeYield(grade);
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

  charts.callTime = Panel(2, "Time of a call",
                          "boards per range of the desk's call time, ms, clock standing still");
  if (!timings) return charts;
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

// The library's values are figures of value optimization only.
bool Valued(const SimulationSummary& summary) {
  return summary.value != 0.0;
}

void AddOptimumFacts(const SimulationSummary& summary,
                     std::vector<std::pair<std::string, std::string>>& facts) {
  using html::Fixed;
  facts.push_back(
      {"Searches that found the exact optimum",
       std::to_string(summary.reached) + " of " + std::to_string(summary.gapZones) + " (" +
           Fixed(
               Percent(static_cast<double>(summary.reached), static_cast<double>(summary.gapZones)),
               1) +
           " %)"});
  facts.push_back({"Search ÷ exact optimum", "median " + Ratio(summary.gapMedian) +
                                                 ", 5th percentile " + Ratio(summary.gapP5) +
                                                 ", worst " + Ratio(summary.gapWorst)});
}

// The three charts, one inline SVG.
void WriteCharts(std::ostream& out, const SimulationSummary& summary,
                 const std::vector<BoardRun>& runs, bool timings) {
  const SimulationCharts charts = LayoutSimulationCharts(summary, runs, timings);
  html::BeginSvg(out, charts.width, charts.height, "charts",
                 timings ? "Yield per grade, search against exact optimum, time of a call"
                         : "Yield per grade, search against exact optimum");
  DrawPanel(out, charts.yield);
  DrawPanel(out, charts.gap);
  if (timings) DrawPanel(out, charts.callTime);
  html::EndSvg(out);
}

std::string CompleteText(const SimulationSummary& summary) {
  if (!summary.haveBook) return "the inputs hold several order books";
  if (summary.limitedRows == 0) return "never: the book has no limited row";
  if (summary.bookCompleteAt >= 0)
    return "every limited row after board " + std::to_string(summary.bookCompleteAt);
  return "not every limited row after the last board";
}

// The shift's figures; the library's values only for value optimization, the book's
// whenever it gives values, the optimum's only when it was computed, the call times
// only with the timings.
void WriteShiftFacts(std::ostream& out, const SimulationHeader& header,
                     const SimulationSummary& summary) {
  using html::Fixed;
  html::Heading(out, "summary", "The shift in figures");
  std::vector<std::pair<std::string, std::string>> facts = {
      {"Boards", std::to_string(summary.boards) + " (" + std::to_string(summary.ran) +
                     " planned, " + std::to_string(summary.refused) +
                     " refused or without pieces, " + std::to_string(summary.unreadable) +
                     " not run: unreadable or a failed worker)"},
      {"Done counts", header.carried ? "carried from board to board, as on the line"
                                     : "not carried: every board planned with the book as given"},
      {"Lengths", "in the host's length unit, as the order book and board marks give them"},
      {"Yield of the useful length", Fixed(Percent(summary.used, summary.useful), 1) + " %"},
      {"Yield of the board length", Fixed(Percent(summary.used, summary.boardLength), 1) + " %"},
      {"Used length", html::Compact(summary.used) + " (fixed-length " +
                          html::Compact(summary.fixedUsed) + ", variable-length " +
                          html::Compact(summary.variableUsed) + ", uncut " +
                          html::Compact(summary.uncutUsed) + ")"},
      {"Pieces cut", std::to_string(summary.pieces)},
      {"Waste length", html::Compact(summary.waste)},
      {"Book complete", CompleteText(summary)},
      {"Combination searches", std::to_string(summary.searches) + ", " +
                                   std::to_string(summary.cutShort) + " cut short by the clock"},
  };
  if (Valued(summary))
    facts.insert(facts.begin() + 6, {"Value (library)", Fixed(summary.value, 2)});
  if (summary.bookHasValues) {
    facts.insert(facts.begin() + 6,
                 {"Value computed from the book's values", Fixed(summary.bookValue, 2)});
  }
  if (header.timings) {
    facts.push_back({"Time of a call on the desk" +
                         std::string(header.liveClock ? "" : ", the clock standing still"),
                     "median " + Fixed(summary.callP50, 1) + " ms, 99th percentile " +
                         Fixed(summary.callP99, 1) + " ms, longest " + Fixed(summary.callMax, 1) +
                         " ms"});
  }
  if (header.optimum) AddOptimumFacts(summary, facts);
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
  html::Heading(out, "grades", valued ? "Yield and value per grade" : "Yield per grade");
  out << "<p class=\"note\">A grade's yield is the length of its pieces that lie in zones "
         "of that grade ÷ the grade's useful length, never above 100 %. Pieces of the grade "
         "cut from better zones (a lower grade number) are counted apart. Over all grades "
         "every piece counts where it lies: used ÷ useful length.</p>\n";
  html::Table grades;
  grades.header = {"Grade", "Useful length", "Used length", "From better zones", "Yield %"};
  if (valued) grades.header.push_back("Value (library)");
  grades.numeric = {false, true, true, true, true, true};
  for (size_t g = 0; g < summary.grades.size(); ++g) {
    const GradeFigures& grade = summary.grades[g];
    if (grade.useful == 0.0 && grade.used == 0.0) continue;
    html::Table::Row row{
        {std::to_string(g + 1), html::Compact(grade.useful), html::Compact(grade.used),
         html::Compact(grade.betterZones), Fixed(100.0 * GradeYield(grade), 1)},
        html::GradeColour(static_cast<int>(g) + 1).Hex(),
        ""};
    if (valued) row.cells.push_back(Fixed(grade.value, 2));
    grades.rows.push_back(std::move(row));
  }
  grades.footer = {"All", html::Compact(summary.useful), html::Compact(summary.used), "",
                   Fixed(Percent(summary.used, summary.useful), 1)};
  if (valued) grades.footer.push_back(Fixed(summary.value, 2));
  html::WriteTable(out, grades);
}

std::string BoardCell(int64_t board) {
  return board >= 0 ? std::to_string(board) : "";
}

void WriteOrderTable(std::ostream& out, const SimulationHeader& header,
                     const SimulationSummary& summary) {
  html::Heading(out, "orders", "Pieces per fixed-length order");
  out << "<p class=\"note\">"
      << (header.carried
              ? "The done counts are carried as on the line: after each board its pieces are "
                "added to its rows' done counts, and the next board is planned with the book as "
                "it then stands, so a complete row drops out."
              : "Every board is planned with the order book as given, as if it were the first "
                "of the shift: the pieces are added up over the boards and set against the "
                "quantity each order asks for.")
      << (summary.haveBook ? " Every row of the book is listed."
                           : " The inputs hold several order books: the rows with pieces are "
                             "listed.")
      << " Complete at: the board whose pieces reached the quantity.</p>\n";
  html::Table orders;
  orders.header = {"Row",         "Grade",  "Length", "Code",        "Asked",
                   "Done before", "Pieces", "Open",   "Complete at", "Why nothing"};
  orders.numeric = {true, true, true, true, true, true, true, true, true, false};
  for (const FixedOrderReport& order : summary.fixedOrders) {
    const bool limited = order.asked > 0;
    orders.rows.push_back(
        {{std::to_string(order.row), std::to_string(order.grade), std::to_string(order.length),
          std::to_string(order.code), limited ? std::to_string(order.asked) : "no limit",
          std::to_string(order.doneBefore), std::to_string(order.pieces),
          limited ? std::to_string(order.open) : "", BoardCell(order.completedAt), order.reason},
         "",
         ""});
  }
  html::WriteTable(out, orders);
  html::Heading(out, "variable", "Pieces per variable-length order");
  html::Table variable;
  variable.header = {"Row",     "Grade",  "Code",         "Shortest",
                     "Longest", "Pieces", "Total length", "Why nothing"};
  variable.numeric = {true, true, true, true, true, true, true, false};
  for (const VariableOrderReport& order : summary.variableOrders) {
    variable.rows.push_back(
        {{std::to_string(order.row), std::to_string(order.grade), std::to_string(order.code),
          summary.haveBook ? std::to_string(order.minLength) : "",
          summary.haveBook ? std::to_string(order.maxLength) : "", std::to_string(order.pieces),
          html::Compact(order.length), order.reason},
         "",
         ""});
  }
  html::WriteTable(out, variable);
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
void WriteBoardTable(std::ostream& out, const SimulationHeader& header,
                     const std::vector<BoardRun>& runs) {
  using html::Fixed;
  out << "<details><summary>Every board (" << runs.size() << ")</summary>\n";
  html::Table boards;
  boards.header = {"Board", "Pieces",       "Board length", "Useful",    "Used",  "Yield %",
                   "Value", "Waste length", "Call ms",      "Cut short", "Source"};
  if (!header.timings) boards.header.erase(boards.header.begin() + 8);
  boards.numeric.assign(boards.header.size(), true);
  boards.numeric.back() = false;
  for (const BoardRun& run : runs) {
    html::Table::Row row;
    if (!run.problem.empty()) {
      row.cells.assign(boards.header.size() - 1, "");
      row.cells[0] = std::to_string(run.index);
      row.cells.push_back(run.source + ": " + run.problem);
    } else {
      row.cells = {std::to_string(run.index),
                   std::to_string(run.pieces),
                   html::Compact(run.boardLength),
                   html::Compact(run.useful),
                   html::Compact(run.used),
                   Fixed(Percent(run.used, run.boardLength), 1),
                   Fixed(run.bookHasValues ? run.bookValue : run.value, 2),
                   html::Compact(run.waste)};
      if (header.timings) row.cells.push_back(Fixed(run.callMs, 1));
      row.cells.push_back(std::to_string(run.CutShort()));
      row.cells.push_back(run.source);
    }
    boards.rows.push_back(std::move(row));
  }
  html::WriteTable(out, boards);
  out << "</details>\n";
}

std::string Subtitle(const SimulationHeader& header, int64_t boards) {
  std::string subtitle = std::to_string(boards) + " boards";
  if (header.generated) subtitle += " drawn with seed " + std::to_string(header.seed);
  subtitle += header.carried ? "; done counts carried" : "; independent boards";
  subtitle += header.liveClock ? "; live clocks, as on the line"
                               : "; clock standing still: every search ran all its generations";
  return subtitle;
}

// The books' shift figures, a column per book.
void WriteBookFigures(std::ostream& out, const std::vector<BookShift>& books) {
  html::Table table;
  table.header = {"Figure"};
  for (size_t b = 0; b < books.size(); ++b)
    table.header.push_back(std::string(1, static_cast<char>('A' + std::min<size_t>(b, 25))));
  table.numeric.assign(table.header.size(), true);
  table.numeric[0] = false;
  using Figure = std::string (*)(const SimulationSummary&);
  const std::pair<const char*, Figure> figures[] = {
      {"Yield of the useful length, %",
       [](const SimulationSummary& s) { return html::Fixed(Percent(s.used, s.useful), 1); }},
      {"Yield of the board length, %",
       [](const SimulationSummary& s) { return html::Fixed(Percent(s.used, s.boardLength), 1); }},
      {"Used length", [](const SimulationSummary& s) { return html::Compact(s.used); }},
      {"Waste length", [](const SimulationSummary& s) { return html::Compact(s.waste); }},
      {"Value (library)", [](const SimulationSummary& s) { return html::Fixed(s.value, 2); }},
      {"Value computed from the book's values",
       [](const SimulationSummary& s) {
         return s.bookHasValues ? html::Fixed(s.bookValue, 2) : std::string();
       }},
      {"Every limited row complete at board",
       [](const SimulationSummary& s) { return BoardCell(s.bookCompleteAt); }},
  };
  for (const auto& [name, figure] : figures) {
    html::Table::Row row{{name}, "", ""};
    for (const BookShift& book : books)
      row.cells.push_back(figure(book.summary));
    const bool same = std::all_of(row.cells.begin() + 1, row.cells.end(),
                                  [&](const std::string& c) { return c == row.cells[1]; });
    if (!same) row.cssClass = "differs";
    table.rows.push_back(std::move(row));
  }
  html::WriteTable(out, table);
}

// The orders of every book matched by grade, length and code.
void WriteComparedOrders(std::ostream& out, const std::vector<BookShift>& books) {
  html::Heading(out, "orders", "Pieces per order, book by book");
  out << "<p class=\"note\">Orders are matched by grade, length and code; a row where the "
         "books differ is marked. A cell gives the pieces and, for a limited row that was "
         "completed, the board at which it was.</p>\n";
  html::Table table;
  table.header = {"Grade", "Length", "Code"};
  for (size_t b = 0; b < books.size(); ++b)
    table.header.push_back(std::string(1, static_cast<char>('A' + std::min<size_t>(b, 25))));
  table.header.push_back("Differs");
  table.numeric.assign(table.header.size(), true);
  table.numeric.back() = false;
  for (const ComparedOrder& order : CompareOrders(books)) {
    html::Table::Row row{
        {std::to_string(order.grade), order.variable ? "variable" : std::to_string(order.length),
         std::to_string(order.code)},
        html::GradeColour(order.grade).Hex(),
        order.differs ? "differs" : ""};
    for (size_t b = 0; b < books.size(); ++b) {
      std::string cell = order.pieces[b] < 0 ? "not in the book" : std::to_string(order.pieces[b]);
      if (order.completedAt[b] >= 0)
        cell += " (board " + std::to_string(order.completedAt[b]) + ")";
      row.cells.push_back(cell);
    }
    row.cells.push_back(order.differs ? "≠" : "");
    table.rows.push_back(std::move(row));
  }
  html::WriteTable(out, table);
}

constexpr const char* kCompareCss = "tr.differs td{background:#fff3c4;font-weight:600}";

}  // namespace

void WriteSimulationReport(std::ostream& out, const SimulationHeader& header,
                           const SimulationSummary& summary, const std::vector<BoardRun>& runs) {
  html::BeginPage(out, "Shift simulation: " + header.book, "Shift simulation: " + header.book,
                  Subtitle(header, summary.boards), kCss);
  WriteCharts(out, summary, runs, header.timings);
  WriteShiftFacts(out, header, summary);
  WriteProblems(out, summary);
  WriteGradeTable(out, summary);
  WriteOrderTable(out, header, summary);
  if (header.optimum) WriteGapTable(out, header, summary);
  WriteBoardTable(out, header, runs);
  html::EndPage(out);
}

void WriteComparisonReport(std::ostream& out, const std::vector<BookShift>& books) {
  if (books.empty()) return;
  const SimulationHeader& first = books.front().header;
  html::BeginPage(out, "Order books side by side", "Order books side by side",
                  Subtitle(first, books.front().summary.boards), std::string(kCss) + kCompareCss);
  html::Heading(out, "books", "The books");
  std::vector<std::pair<std::string, std::string>> names;
  for (size_t b = 0; b < books.size(); ++b)
    names.push_back(
        {std::string(1, static_cast<char>('A' + std::min<size_t>(b, 25))), books[b].header.book});
  names.push_back(
      {"Lengths", "in the host's length unit, as the order book and board marks give them"});
  html::WriteFacts(out, names);
  html::Heading(out, "figures", "The shift, book by book");
  WriteBookFigures(out, books);
  WriteComparedOrders(out, books);
  for (size_t b = 0; b < books.size(); ++b) {
    html::Heading(out, "book-" + std::to_string(b),
                  "Book " + names[b].first + ": " + books[b].header.book);
    WriteGradeTable(out, books[b].summary);
  }
  html::EndPage(out);
}

}  // namespace sawline::tools
