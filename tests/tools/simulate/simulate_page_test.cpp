#include "simulate/simulate_page.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/support/browser_shot.h"

namespace sawline::test {
namespace {

using tools::BoardRun;
using tools::ChartBar;
using tools::ChartPanel;

tools::SearchRecord Zone(double found, double optimum) {
  tools::SearchRecord search;
  search.grade = 1;
  search.length = 2000.0f;
  search.generations = 500;
  search.searchFitness = found;
  search.optimumComputed = true;
  search.optimumFitness = optimum;
  return search;
}

// Ten boards: grade 1 at 50 % yield, grade 2 at 90 %, calls of 1 to 10 ms, seven searched
// zones of which five found the optimum, and one board that could not be read.
std::vector<BoardRun> Runs() {
  std::vector<BoardRun> runs(11);
  for (size_t i = 0; i < runs.size(); ++i) {
    BoardRun& run = runs[i];
    run.index = static_cast<int64_t>(i);
    run.source = "board <" + std::to_string(i) + ">";
    run.boardLength = 220.0;
    run.useful = 200.0;
    run.grades[0] = {50.0, 100.0, 5.0};
    run.grades[1] = {90.0, 100.0, 9.0};
    // Every piece lies in a zone of its own grade.
    run.grades[0].ownZones = 50.0;
    run.grades[1].ownZones = 90.0;
    run.used = 140.0;
    run.pieces = 3;
    run.callMs = static_cast<double>(i + 1);
  }
  runs[0].searches = {Zone(85, 100), Zone(93, 100), Zone(1, 1)};
  runs[1].searches = {Zone(2, 2), Zone(3, 3), Zone(4, 4), Zone(5, 5)};
  runs[10] = BoardRun();
  runs[10].index = 10;
  runs[10].source = "<script>bad.json";
  runs[10].problem = "not a job & not readable";
  return runs;
}

std::vector<double> Heights(const ChartPanel& panel) {
  std::vector<double> heights;
  for (const ChartBar& bar : panel.bars)
    heights.push_back(bar.height);
  return heights;
}

TEST(SimulateReport, ChartsShowTheSummaryInProportion) {
  const std::vector<BoardRun> runs = Runs();
  const tools::SimulationSummary summary = tools::Summarize(runs);
  const tools::SimulationCharts charts = tools::LayoutSimulationCharts(summary, runs, true);

  // Yield: grade 1, grade 2, all; the full height is 100 %.
  ASSERT_EQ(charts.yield.bars.size(), 3u);
  EXPECT_EQ(charts.yield.bars[0].label, "grade 1");
  EXPECT_EQ(charts.yield.bars[2].label, "all");
  EXPECT_EQ(charts.yield.bars[2].value, "70.0");
  EXPECT_NEAR(charts.yield.bars[0].height, charts.yield.height * 0.5, 0.5);
  EXPECT_NEAR(charts.yield.bars[1].height, charts.yield.height * 0.9, 0.5);

  // Gap: one zone below 0.9, one in 0.9 to 0.95, five at the optimum.
  const std::vector<std::string> expectedCounts = {"1", "1", "0", "0", "0", "0", "5"};
  ASSERT_EQ(charts.gap.bars.size(), expectedCounts.size());
  for (size_t b = 0; b < expectedCounts.size(); ++b)
    EXPECT_EQ(charts.gap.bars[b].value, expectedCounts[b]) << charts.gap.bars[b].label;
  EXPECT_EQ(charts.gap.bars.back().colour, tools::kReachedColour);
  EXPECT_EQ(charts.gap.bars[2].height, 0.0);

  // Call time: ten boards that called the library, spread over the bins.
  int counted = 0;
  for (const ChartBar& bar : charts.callTime.bars)
    counted += std::stoi(bar.value);
  EXPECT_EQ(counted, 10);

  // Every bar stands on its panel's base line and inside the figure; panels do not overlap.
  const ChartPanel* panels[] = {&charts.yield, &charts.gap, &charts.callTime};
  for (size_t p = 0; p < 3; ++p) {
    for (const ChartBar& bar : panels[p]->bars) {
      EXPECT_DOUBLE_EQ(bar.y + bar.height, panels[p]->y + panels[p]->height) << bar.label;
      EXPECT_GE(bar.x, panels[p]->x);
      EXPECT_LE(bar.x + bar.width, panels[p]->x + panels[p]->width + 0.5);
      EXPECT_GE(bar.width, 10.0);
    }
    EXPECT_LE(panels[p]->x + panels[p]->width, charts.width);
    if (p > 0) {
      EXPECT_GT(panels[p]->x, panels[p - 1]->x + panels[p - 1]->width);
    }
  }
  const std::vector<double> heights = Heights(charts.gap);
  EXPECT_EQ(*std::max_element(heights.begin(), heights.end()),
            std::round(charts.gap.height * 5.0 / charts.gap.top));
}

TEST(SimulateReport, PageIsSelfContainedAndNamesTheBoardsThatFailed) {
  const std::vector<BoardRun> runs = Runs();
  tools::SimulationHeader header;
  header.book = "shift & book";
  header.generated = true;
  header.seed = 9;
  header.timings = true;
  std::ostringstream page;
  tools::WriteSimulationReport(page, header, tools::Summarize(runs), runs);
  const std::string html = page.str();
  for (const char* absent : {"<script", "http://", "https://", "<link", "<img"})
    EXPECT_EQ(html.find(absent), std::string::npos) << absent;
  for (const char* present :
       {"Yield per grade", "Search ÷ exact optimum", "Time of a call", "shift &amp; book",
        "&lt;script&gt;bad.json", "not a job &amp; not readable", "Pieces per fixed-length order",
        "5 of 7", "--board N"}) {
    EXPECT_NE(html.find(present), std::string::npos) << present;
  }
}

// Screenshots need Chromium and a POSIX temporary folder: not in the Windows build.
#ifndef _WIN32
class SimulateReportBrowser : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!browser::Available(&why)) GTEST_SKIP() << why;
    std::string pattern =
        (std::filesystem::temp_directory_path() / "sawline-simulate-report-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
  }
  void TearDown() override {
    if (!directory_.empty()) std::filesystem::remove_all(directory_);
  }
  std::filesystem::path directory_;
};

// Every bar of the three charts shows its colour in the screenshot where the layout put it.
TEST_F(SimulateReportBrowser, EveryBarIsDrawnWhereTheLayoutPutsIt) {
  const std::vector<BoardRun> runs = Runs();
  const tools::SimulationSummary summary = tools::Summarize(runs);
  const tools::SimulationCharts charts = tools::LayoutSimulationCharts(summary, runs, true);
  const std::string page = (directory_ / "shift.html").string();
  {
    std::ofstream out(page, std::ios::binary);
    tools::SimulationHeader header;
    header.timings = true;
    tools::WriteSimulationReport(out, header, summary, runs);
  }
  const int left = tools::html::kFigureLeft;
  const int top = tools::html::kFigureTop;
  const int width = static_cast<int>(charts.width) + left + tools::html::kPageMargin;
  const int height = static_cast<int>(charts.height) + top + tools::html::kPageMargin;
  // Under a heavy load Chromium now and then takes the screenshot before its lower tiles
  // are painted: a check that fails is repeated on a new screenshot, twice at most.
  std::vector<std::string> faults;
  int checked = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    browser::Shot shot;
    std::string error;
    ASSERT_TRUE(
        browser::TakeShot(page, (directory_ / "shift.png").string(), width, height, &shot, &error))
        << error;
    faults.clear();
    checked = 0;
    for (const ChartPanel* panel : {&charts.yield, &charts.gap, &charts.callTime}) {
      for (const ChartBar& bar : panel->bars) {
        if (bar.height < 4.0) continue;
        int total = 0;
        const int x0 = left + static_cast<int>(bar.x) + 1;
        const int y0 = top + static_cast<int>(bar.y) + 1;
        const int matches =
            browser::CountNear(shot, x0, y0, x0 + static_cast<int>(bar.width) - 2,
                               y0 + static_cast<int>(bar.height) - 2, bar.colour, 6, &total);
        if (total == 0 || matches <= total * 9 / 10) {
          faults.push_back(panel->title + ", " + bar.label + ": " + std::to_string(matches) +
                           " of " + std::to_string(total) + " pixels show " + bar.colour.Hex());
        }
        ++checked;
      }
      // Above the tallest bar's value label the plot is the page's white.
      int total = 0;
      const int white = browser::CountNear(
          shot, left + static_cast<int>(panel->x), top + static_cast<int>(panel->y) + 2,
          left + static_cast<int>(panel->x + panel->width), top + static_cast<int>(panel->y) + 6,
          {0xff, 0xff, 0xff}, 6, &total);
      if (white <= total / 2) faults.push_back(panel->title + ": the plot's top is not white");
    }
    if (faults.empty()) break;
  }
  for (const std::string& fault : faults)
    ADD_FAILURE() << fault;
  EXPECT_GE(checked, 6);
}
// Two books over the same boards, the second with more pieces of one order: the page
// marks that order's row (and the figures that differ) with the marked rows' colour,
// and a page of two equal books shows that colour nowhere.
TEST_F(SimulateReportBrowser, TheComparisonPageMarksWhereTheBooksDiffer) {
  const tools::html::Colour marked{0xff, 0xf3, 0xc4};
  const std::vector<BoardRun> runs = Runs();
  std::vector<BoardRun> more = runs;
  for (BoardRun& run : more)
    run.orders.push_back({3, 1, 900, 11030101, 0, 2, 0});
  int counts[2] = {0, 0};
  for (int differ = 0; differ < 2; ++differ) {
    std::vector<tools::BookShift> books;
    for (const std::vector<BoardRun>* shift : {&runs, differ ? &more : &runs}) {
      tools::BookShift book;
      book.header.book = books.empty() ? "a.json" : "b.json";
      book.runs = *shift;
      book.summary = tools::Summarize(book.runs);
      books.push_back(std::move(book));
    }
    const std::vector<tools::ComparedOrder> orders = tools::CompareOrders(books);
    ASSERT_EQ(orders.size(), differ ? 1u : 0u);
    const std::string page = (directory_ / ("books" + std::to_string(differ) + ".html")).string();
    {
      std::ofstream out(page, std::ios::binary);
      tools::WriteComparisonReport(out, books);
    }
    EXPECT_NE(ReadFileBytes(page).find("b.json"), std::string::npos);
    for (int attempt = 0; attempt < 3; ++attempt) {
      browser::Shot shot;
      std::string error;
      ASSERT_TRUE(
          browser::TakeShot(page, (directory_ / "books.png").string(), 900, 900, &shot, &error))
          << error;
      int total = 0;
      counts[differ] = browser::CountNear(shot, 0, 0, shot.width, shot.height, marked, 3, &total);
      if (differ == 0 || counts[differ] > 0) break;
    }
  }
  EXPECT_EQ(counts[0], 0);
  EXPECT_GT(counts[1], 500) << "the row of the order the books disagree on is marked";
}
#endif  // _WIN32

}  // namespace
}  // namespace sawline::test
