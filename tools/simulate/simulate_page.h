// The summary page of a simulated shift: one self-contained HTML file with the figures a
// production manager reads (yield and value per grade, pieces per order against what
// was asked, the boards that could not be run) and those an engineer tuning the line
// reads (call times, how far the searches stayed from the exact optimum, and where).
//
// Its three charts are one inline SVG at the page's first figure position, so that a
// screenshot can be checked where the layout put each bar.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "simulate/simulate_summary.h"
#include "views/html_page.h"

namespace sawline::tools {

struct ChartBar {
  double x = 0.0;  // from the figure's top left corner, in CSS pixels
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
  html::Colour colour{};
  std::string label;  // under the bar
  std::string value;  // over the bar
};

struct ChartPanel {
  std::string title;
  std::string axis;  // what the bars' heights mean
  double x = 0.0;    // the panel's plot area in the figure
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
  double top = 0.0;  // the value of a bar of the full height
  std::vector<ChartBar> bars;
};

struct SimulationCharts {
  double width = 0.0;
  double height = 0.0;
  ChartPanel yield;     // per grade: pieces in own zones ÷ useful length; all: used ÷ useful
  ChartPanel gap;       // zones by search ÷ optimum
  ChartPanel callTime;  // boards by call time (with the timings only; else no bars)
  bool timings = false;
};

inline const html::Colour kAllGradesColour{0x45, 0x4f, 0x5c};
inline const html::Colour kGapColour{0x3b, 0x6f, 0xb6};
inline const html::Colour kReachedColour{0x1a, 0x98, 0x50};
inline const html::Colour kCallTimeColour{0x7a, 0x5c, 0xa8};

// The charts; the call times' panel only with `timings`, else the figure holds two panels.
SimulationCharts LayoutSimulationCharts(const SimulationSummary& summary,
                                        const std::vector<BoardRun>& runs, bool timings);

void WriteSimulationReport(std::ostream& out, const SimulationHeader& header,
                           const SimulationSummary& summary, const std::vector<BoardRun>& runs);

// The books side by side: one table of the shift's figures and one of the orders
// matched by grade, length and code, a column per book, the rows where the books differ
// marked (class "differs"); then each book's grade table.
void WriteComparisonReport(std::ostream& out, const std::vector<BookShift>& books);

}  // namespace sawline::tools
