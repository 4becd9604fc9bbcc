#include "simulate/simulate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "desk/desk_run.h"
#include "interface/sawline.h"
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

// A carried shift against the same boards run one by one through the entry, each with the
// done counts of the boards before it added by hand.
TEST_F(Simulate, CarriedDoneCountsAreThoseAHostAddingThePiecesByHandGets) {
  for (const int mode : {0, 2}) {  // weighted length; quantity mode, whose weights move
    SCOPED_TRACE(mode);
    tools::JobBlocks small = Book(mode);  // quantities of 3, so that rows complete
    for (int j = 0; j < small.fixedRows; ++j) {
      if (small.parameters[static_cast<size_t>(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + j)] > 0.0f)
        small.Set(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + j, 3.0f);
    }
    const std::vector<SimulationBoard> boards = Drawn(small, 24, 5);
    SimulationOptions options;
    options.carried = true;
    options.optimum = false;
    const std::vector<BoardRun> runs = tools::RunSimulation(boards, options);
    ASSERT_EQ(runs.size(), boards.size());

    std::array<float, tools::kParameterBlockFloats> book = boards[0].job.parameters;
    bool differsFromTheBook = false;
    for (size_t i = 0; i < boards.size(); ++i) {
      tools::JobBlocks job = boards[i].job;
      job.parameters = book;
      tools::RunOptions call;
      call.fixedTime = tools::RunTime{options.startSeconds + static_cast<int64_t>(i), 0};
      call.logPath = logPath_;
      const tools::RunOutcome outcome = tools::RunBoard(job, call);
      ASSERT_EQ(runs[i].returned, outcome.returned) << i;
      std::vector<int64_t> pieces(tools::kFixedOrderRows, 0);
      for (const tools::OrderFigures& order : runs[i].orders) {
        pieces[static_cast<size_t>(order.row)] = order.pieces;
        EXPECT_EQ(static_cast<float>(order.done),
                  book[static_cast<size_t>(SAWLINE_PARAM_FIXED_ORDER_DONE + order.row)])
            << "board " << i << " row " << order.row;
      }
      for (int j = 0; j < tools::kFixedOrderRows; ++j) {
        const float cut =
            outcome.result[static_cast<size_t>(SAWLINE_RESULT_FIXED_ORDER_PIECES + j)];
        EXPECT_EQ(static_cast<float>(pieces[static_cast<size_t>(j)]), cut) << i << " " << j;
        float& done = book[static_cast<size_t>(SAWLINE_PARAM_FIXED_ORDER_DONE + j)];
        done = done + cut;  // the host's sum: whole numbers, exact in a float
        differsFromTheBook = differsFromTheBook || done != 0.0f;
      }
    }
    EXPECT_TRUE(differsFromTheBook);

    // Complete rows dropped out: a limited row goes past its quantity only on the board
    // that completed it, never after.
    const tools::OrderBook orders = tools::ReadOrderBook(boards[0].job.parameters.data());
    const tools::SimulationSummary summary = tools::Summarize(runs, &orders);
    ASSERT_EQ(summary.fixedOrders.size(), orders.fixed.size());
    int completed = 0;
    for (const tools::FixedOrderReport& row : summary.fixedOrders) {
      EXPECT_EQ(row.pastAfterComplete, 0) << row.row;
      completed += row.completedAt >= 0 ? 1 : 0;
    }
    EXPECT_GT(completed, 0);
    // The independent shift plans the same boards differently once a row is complete.
    options.carried = false;
    const std::vector<BoardRun> independent = tools::RunSimulation(boards, options);
    EXPECT_NE(Comparable(independent.back()), Comparable(runs.back()));
  }
}

// Several books over the same boards: each book's runs are those of its own shift, and a
// search met in two books is computed once (the definitions are keyed by content).
TEST_F(Simulate, ShiftsOfTwoBooksEqualTheirSingleRuns) {
  const std::vector<SimulationBoard> first = Drawn(Book(0), 4, 9);
  std::vector<SimulationBoard> second = Drawn(Book(1), 4, 9);
  SimulationOptions options;
  options.carried = true;
  options.jobs = 2;
  size_t distinct = 0;
  options.optimumProgress = [&](size_t, size_t total) { distinct = total; };
  const auto both = tools::RunShifts({first, first, second}, options);
  const size_t twice = distinct;  // the first book's searches and the second's
  const std::vector<BoardRun> alone = tools::RunSimulation(second, options);
  ASSERT_EQ(both.size(), 3u);
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(Comparable(both[0][i]), Comparable(both[1][i])) << i;
    EXPECT_EQ(Comparable(both[2][i]), Comparable(alone[i])) << i;
  }
  // The first book twice needs no optimum more than once.
  tools::RunShifts({first, first}, options);
  const size_t doubled = distinct;
  tools::RunSimulation(first, options);
  EXPECT_EQ(doubled, distinct);
  EXPECT_GT(twice, distinct);
}

TEST(SimulateSummary, EveryRowOfTheBookGetsItsLineAndReason) {
  tools::JobBlocks job = Book(0);
  // Row 0 complete before the shift; row 1 longer than any zone; row 2 completes on
  // board 1 and passes its quantity by 2 there; row 3 is never chosen.
  job.Set(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + 0, 5.0f);
  job.Set(SAWLINE_PARAM_FIXED_ORDER_DONE + 0, 5.0f);
  job.Set(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + 2, 4.0f);
  const tools::OrderBook book = tools::ReadOrderBook(job.parameters.data());
  ASSERT_EQ(book.fixed.size(), 21u);
  ASSERT_EQ(book.variable.size(), 2u);
  std::vector<BoardRun> runs(3);
  for (size_t i = 0; i < runs.size(); ++i) {
    runs[i].index = static_cast<int64_t>(i);
    runs[i].grades[0].longestZone = 1400.0;  // row 1 asks for 1450 of grade 1
    runs[i].grades[1].longestZone = 1000.0;
    runs[i].orders.push_back({2, 1, 1100, 11000002, 4, 3, 0});
  }
  runs[0].variables.push_back({0, 1, 12000001, 2, 900.0});
  runs[2].problem = "not read";  // its pieces do not count
  const tools::SimulationSummary summary = tools::Summarize(runs, &book);
  ASSERT_EQ(summary.fixedOrders.size(), 21u);
  const struct {
    size_t at;
    const char* reason;
    int64_t pieces;
    int64_t completedAt;
  } expected[] = {
      {0, "complete before the shift", 0, -1},
      {1, "longer than any zone of its grade", 0, -1},
      {2, "", 6, 1},
      {3, "never chosen", 0, -1},
  };
  for (const auto& row : expected) {
    const tools::FixedOrderReport& report = summary.fixedOrders[row.at];
    EXPECT_EQ(report.reason, row.reason) << row.at;
    EXPECT_EQ(report.pieces, row.pieces) << row.at;
    EXPECT_EQ(report.completedAt, row.completedAt) << row.at;
  }
  EXPECT_EQ(summary.fixedOrders[2].pastInOneBoard, 2);
  EXPECT_EQ(summary.fixedOrders[2].open, 0);
  EXPECT_EQ(summary.variableOrders[0].pieces, 2);
  EXPECT_EQ(summary.variableOrders[0].length, 900.0);
  EXPECT_EQ(summary.variableOrders[1].reason, "never chosen");
  EXPECT_EQ(summary.bookCompleteAt, -1);  // rows with quantity 20 stay open
  const std::string json = tools::SimulationJson({}, summary, runs);
  for (const char* key : {"\"completed_at_board\": 1", "\"completed_at_board\": null",
                          "\"done_before\": 5", "\"reason\": \"never chosen\"", "\"variable\": ["})
    EXPECT_NE(json.find(key), std::string::npos) << key;
  const std::string csv = tools::SimulationCsv({}, runs, summary);
  EXPECT_NE(csv.find(",fixed_row_20_pieces,variable_row_0_pieces,"), std::string::npos) << csv;
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
