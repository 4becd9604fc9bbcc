#include "simulate/simulate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "jobfile/board_model.h"
#include "simulate/board_drawing.h"
#include "simulate/simulate_summary.h"
#include "support/test_support.h"

namespace sawline::test {
namespace {

using tools::BoardModel;
using tools::BoardRun;
using tools::SimulationBoard;
using tools::SimulationOptions;

// A small book of three grades: fixed-length orders, two variable-length ones.
tools::JobBlocks Book(int mode) {
  tools::JobBlocks job;
  job.SetSetting("OptimizeMode", static_cast<float>(mode));
  job.SetSetting("KerfWidth", 4);
  job.SetSetting("WasteMaxLength", 300);
  job.SetSetting("GradeMarkLength", 30);
  job.SetSetting("GradeAMinLength", 200);
  job.SetSetting("UnmarkedGrade", 5);
  job.SetSetting("WasteMarkCount", 9);
  const int lengths[] = {1800, 1500, 1200, 900, 750, 600, 450};
  int row = 0;
  for (int grade = 1; grade <= 3; ++grade) {
    for (const int length : lengths) {
      tools::FixedOrder order;
      order.grade = grade;
      order.length = length - 50 * grade;
      order.weight = 1.0f + 0.1f * static_cast<float>(row % 4);
      order.value = static_cast<float>(length) / 100.0f;
      order.quantity = row % 3 == 0 ? 0 : 20;
      order.code = 11000000 + row;
      job.AddFixedOrder(order);
      ++row;
    }
  }
  for (int grade = 1; grade <= 2; ++grade) {
    tools::VariableOrder order;
    order.grade = grade;
    order.minLength = 300;
    order.maxLength = 700;
    order.weight = 0.8f;
    order.value = 2.0f;
    order.code = 12000000 + grade;
    job.AddVariableOrder(order);
  }
  return job;
}

std::vector<SimulationBoard> Drawn(const tools::JobBlocks& book, int count, uint64_t seed) {
  BoardModel model;
  model.minLength = 1500;
  model.maxLength = 3500;
  model.minZones = 2;
  model.maxZones = 5;
  std::vector<SimulationBoard> boards;
  for (int i = 0; i < count; ++i) {
    boards.push_back({"generated board " + std::to_string(i), "",
                      tools::DrawBoard(book, model, seed, static_cast<uint64_t>(i))});
  }
  return boards;
}

// What two runs must agree on: everything but the wall-clock times.
std::string Comparable(BoardRun run) {
  run.callMs = 0.0;
  for (tools::SearchRecord& search : run.searches)
    search.optimumMs = 0.0;
  return tools::EncodeBoardRun(run);
}

class Simulate : public WorkspaceTest {};

TEST_F(Simulate, WorkersGiveTheSameResultsAsOneProcessAndTheOptimumIsNeverBeaten) {
  std::vector<SimulationBoard> boards = Drawn(Book(0), 5, 7);
  std::vector<SimulationBoard> quantity = Drawn(Book(2), 3, 8);
  boards.insert(boards.end(), quantity.begin(), quantity.end());
  // Bad inputs in the middle: an unreadable one and one the library refuses (a board
  // mark of an unknown kind); the boards after them still run.
  boards.insert(boards.begin() + 2, {"broken.json", "line 3: not a number", {}});
  SimulationBoard refused = boards[0];
  refused.source = "refused board";
  refused.job.marks[kMarkKindIndex] = 7.0f;
  boards.insert(boards.begin() + 4, refused);

  SimulationOptions options;
  options.jobs = 1;
  const std::vector<BoardRun> alone = tools::RunSimulation(boards, options);
  options.jobs = 3;
  size_t lastDone = 0;
  options.progress = [&](size_t done, size_t total) {
    EXPECT_EQ(done, lastDone + 1);
    EXPECT_EQ(total, boards.size());
    lastDone = done;
  };
  const std::vector<BoardRun> parallel = tools::RunSimulation(boards, options);
  EXPECT_EQ(lastDone, boards.size());

  ASSERT_EQ(alone.size(), boards.size());
  ASSERT_EQ(parallel.size(), boards.size());
  int searches = 0;
  for (size_t i = 0; i < boards.size(); ++i) {
    SCOPED_TRACE(boards[i].source);
    EXPECT_EQ(alone[i].index, static_cast<int64_t>(i));
    EXPECT_EQ(alone[i].source, boards[i].source);
    EXPECT_EQ(Comparable(alone[i]), Comparable(parallel[i]));
    for (const tools::SearchRecord& search : alone[i].searches) {
      ++searches;
      EXPECT_GT(search.generations, 0);
      ASSERT_TRUE(search.optimumComputed) << search.optimumSkipped;
      EXPECT_TRUE(tools::WithinOptimum(search.searchFitness, search.optimumFitness));
      EXPECT_FALSE(search.cutShort);  // the clock stands still
    }
  }
  EXPECT_GT(searches, 8);
  EXPECT_EQ(alone[2].problem, "line 3: not a number");
  EXPECT_FALSE(alone[2].refused);
  EXPECT_TRUE(alone[4].refused);
  EXPECT_NE(alone[4].problem.find("refused"), std::string::npos) << alone[4].problem;
  for (const size_t i : {0, 1, 3, 5, 6, 7, 8, 9}) {
    EXPECT_EQ(alone[i].problem, "") << i;
    EXPECT_GT(alone[i].pieces, 0) << i;
    EXPECT_LE(alone[i].used, alone[i].boardLength) << i;
  }

  const tools::SimulationSummary summary = tools::Summarize(alone);
  EXPECT_EQ(summary.boards, 10);
  EXPECT_EQ(summary.ran, 8);
  EXPECT_EQ(summary.refused, 1);
  EXPECT_EQ(summary.unreadable, 1);
  ASSERT_EQ(summary.problems.size(), 2u);
  EXPECT_EQ(summary.problems[0], "board 2 (broken.json): line 3: not a number");
  EXPECT_EQ(summary.gapZones, searches);
}

// A worker that dies takes only its board with it: the board is named, a new worker
// runs the rest. (Windows builds run every board in the tool's own process.)
#if !defined(_WIN32)
TEST_F(Simulate, AWorkerThatDiesLosesOnlyItsBoard) {
  const std::vector<SimulationBoard> boards = Drawn(Book(0), 5, 11);
  SimulationOptions options;
  options.jobs = 2;
  options.optimum = false;
  options.beforeCall = [](int64_t number) {
    if (number == 1) std::_Exit(3);
    if (number == 3) std::abort();
  };
  const std::vector<BoardRun> runs = tools::RunSimulation(boards, options);
  ASSERT_EQ(runs.size(), 5u);
  EXPECT_EQ(runs[1].problem, "the worker process running the board ended during the call");
  EXPECT_EQ(runs[3].problem.rfind("the worker process running the board died (signal ", 0), 0u)
      << runs[3].problem;
  for (const size_t i : {0, 2, 4}) {
    EXPECT_EQ(runs[i].problem, "") << i;
    EXPECT_EQ(runs[i].index, static_cast<int64_t>(i));
    EXPECT_GT(runs[i].pieces, 0) << i;
  }
  const tools::SimulationSummary summary = tools::Summarize(runs);
  EXPECT_EQ(summary.unreadable, 2);
  EXPECT_EQ(summary.ran, 3);
}
#endif

TEST_F(Simulate, TheSameSeedGivesTheSameJsonAndCsv) {
  const std::vector<SimulationBoard> boards = Drawn(Book(1), 4, 3);
  SimulationOptions options;
  tools::SimulationHeader header;
  header.book = "book";
  header.generated = true;
  header.seed = 3;
  std::string json[2];
  std::string csv[2];
  for (int run = 0; run < 2; ++run) {
    options.jobs = 1 + run;
    const std::vector<BoardRun> runs = tools::RunSimulation(boards, options);
    const tools::SimulationSummary summary = tools::Summarize(runs);
    json[run] = tools::SimulationJson(header, summary, runs);
    csv[run] = tools::SimulationCsv(header, runs, summary);
  }
  EXPECT_EQ(json[0], json[1]);
  EXPECT_EQ(csv[0], csv[1]);
  EXPECT_NE(json[0].find("\"optimum_fitness\""), std::string::npos);
  EXPECT_EQ(json[0].find("call_ms"), std::string::npos);
  EXPECT_EQ(std::count(csv[0].begin(), csv[0].end(), '\n'), 5);
}

TEST(SimulateEncoding, EveryFieldComesBackAndDamageIsRefused) {
  BoardRun run;
  run.index = 41;
  run.source = "a \"quoted\", name\n";
  run.problem = "";
  run.returned = 12;
  run.mode = 2;
  run.pieces = 12;
  run.boardLength = 4321.5;
  run.used = 4000.25;
  run.callMs = 3.125;
  run.grades[3] = {10.5, 20.25, 30.125};
  run.orders.push_back({7, 2, 1200, 11020304, 20, 3});
  tools::SearchRecord search;
  search.grade = 2;
  search.length = 1234.5f;
  search.generations = 500;
  search.cutShort = true;
  search.searchFitness = 1.0 / 3.0;
  search.pieceLengths = {1200, 600};
  search.searchGenes = {1, 0};
  search.optimumComputed = true;
  search.optimumFitness = 0.5;
  search.optimumGenes = {0, 2};
  run.searches = {search, tools::SearchRecord()};
  run.searches[1].optimumSkipped = "too large";

  const std::string bytes = tools::EncodeBoardRun(run);
  BoardRun back;
  ASSERT_TRUE(tools::DecodeBoardRun(bytes, &back));
  EXPECT_EQ(tools::EncodeBoardRun(back), bytes);
  EXPECT_EQ(back.source, run.source);
  EXPECT_EQ(back.searches[0].optimumGenes, run.searches[0].optimumGenes);
  EXPECT_EQ(back.searches[1].optimumSkipped, "too large");
  EXPECT_EQ(back.grades[3].value, 30.125);
  EXPECT_EQ(back.CutShort(), 1);

  for (const size_t cut : {size_t{0}, size_t{5}, bytes.size() / 2, bytes.size() - 1}) {
    BoardRun damaged;
    EXPECT_FALSE(tools::DecodeBoardRun(bytes.substr(0, cut), &damaged)) << cut;
  }
  EXPECT_FALSE(tools::DecodeBoardRun(bytes + "x", &back));
}

TEST(SimulateSummary, RanksGapAndOrdersAddUp) {
  struct RankCase {
    std::vector<double> sorted;
    double p;
    double expected;
  };
  const RankCase ranks[] = {
      {{}, 0.5, 0.0},
      {{7}, 0.99, 7},
      {{1, 2, 3, 4}, 0.5, 2},
      {{1, 2, 3, 4}, 0.0, 1},
      {{1, 2, 3, 4}, 1.0, 4},
      {{1, 2, 3, 4, 5}, 0.05, 1},
      {{1, 2, 3, 4, 5}, 0.99, 5},
  };
  for (const RankCase& c : ranks)
    EXPECT_EQ(tools::NearestRank(c.sorted, c.p), c.expected) << c.sorted.size() << " " << c.p;

  auto searched = [](double found, double optimum, int generations) {
    tools::SearchRecord search;
    search.grade = 1;
    search.generations = generations;
    search.searchFitness = found;
    search.optimumComputed = true;
    search.optimumFitness = optimum;
    return search;
  };
  std::vector<BoardRun> runs(3);
  for (int i = 0; i < 3; ++i) {
    runs[static_cast<size_t>(i)].index = i;
    runs[static_cast<size_t>(i)].source = "b" + std::to_string(i);
    runs[static_cast<size_t>(i)].boardLength = 1000;
    runs[static_cast<size_t>(i)].used = 800;
    runs[static_cast<size_t>(i)].callMs = 10.0 * (i + 1);
    runs[static_cast<size_t>(i)].orders.push_back({4, 1, 500, 99, 10, i + 1});
  }
  runs[0].searches = {searched(90, 100, 500), searched(50, 50, 500), searched(0, 0, 500)};
  runs[1].searches = {searched(99, 100, 500), searched(10, 10, 0)};  // long stock: no gap
  runs[2].problem = "the library refused the board: no marks";
  runs[2].refused = true;

  const tools::SimulationSummary s = tools::Summarize(runs);
  EXPECT_EQ(s.ran, 2);
  EXPECT_EQ(s.refused, 1);
  EXPECT_EQ(s.searches, 5);
  EXPECT_EQ(s.gapZones, 4);
  EXPECT_EQ(s.reached, 2);
  EXPECT_DOUBLE_EQ(s.gapWorst, 0.9);
  EXPECT_DOUBLE_EQ(s.gapMedian, 0.99);
  ASSERT_EQ(s.worst.size(), 2u);
  EXPECT_EQ(s.worst[0].board, 0);
  EXPECT_EQ(s.worst[0].search, 0);
  EXPECT_EQ(s.worst[1].board, 1);
  ASSERT_EQ(s.orders.size(), 1u);
  EXPECT_EQ(s.orders[0].pieces, 3);  // the refused board's counts are not added
  EXPECT_EQ(s.orders[0].quantity, 10);
  EXPECT_DOUBLE_EQ(s.used, 1600);
  EXPECT_DOUBLE_EQ(s.callMax, 30);  // a refused board's call still took its time
  EXPECT_DOUBLE_EQ(s.callP50, 20);
}

}  // namespace
}  // namespace sawline::test
