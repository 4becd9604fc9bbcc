#include "simulate/exact_optimum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "desk/desk_run.h"
#include "optimize/search_testing.h"
#include "optimize/segment_searches.h"
#include "platform/platform.h"
#include "simulate/board_drawing.h"
#include "simulate/shift_random.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline::test {
namespace {

using tools::ExactOptimum;
using tools::ShiftRandom;

constexpr int32_t kGrade = 3;

struct Variable {
  int32_t min;
  int32_t max;
  float weight;
};

class ExactOptimumTest : public WorkspaceTest {
 protected:
  void TearDown() override {
    ObserveSearches(nullptr, nullptr);
    WorkspaceTest::TearDown();
  }
  // The grade's variable-length list in the workspace, for a search the test runs itself.
  static void SetVariable(const std::vector<Variable>& orders) {
    ws.orders.VariableCount[kGrade] = static_cast<int32_t>(orders.size());
    for (size_t k = 0; k < orders.size(); ++k) {
      ws.orders.VariableMinLength[kGrade][k] = orders[k].min;
      ws.orders.VariableMaxLength[kGrade][k] = orders[k].max;
      ws.orders.VariableWeight[kGrade][k] = orders[k].weight;
      ws.orders.VariableCode[kGrade][k] = 500 + static_cast<int32_t>(k);
    }
  }
  // A search as the combination search would report it, over entries given longest first
  // as {length, weight, limit}, with the grade's variable-length list `variable`. The
  // workspace is left as it is: the optimum must not need it.
  static SearchObservation Zone(float length, float kerf, int32_t fixedOnly,
                                const std::vector<std::array<double, 3>>& genes,
                                const std::vector<Variable>& variable = {}) {
    SearchObservation zone{};
    zone.grade = kGrade;
    zone.length = length;
    zone.kerf = kerf;
    zone.fixedOnly = fixedOnly;
    zone.geneCount = static_cast<int32_t>(genes.size());
    for (size_t j = 0; j < genes.size(); ++j) {
      zone.pieceLength[j] = static_cast<int32_t>(genes[j][0]);
      zone.weight[j] = static_cast<float>(genes[j][1]);
      zone.geneLimit[j] = static_cast<int32_t>(genes[j][2]);
    }
    zone.variableCount = static_cast<int32_t>(variable.size());
    for (size_t k = 0; k < variable.size(); ++k) {
      zone.variable[k] = {variable[k].min, variable[k].max, variable[k].weight,
                          500 + static_cast<int32_t>(k)};
    }
    return zone;
  }
};

// Every combination within the gene limits whose row fits, evaluated by the search.
double BruteForce(const SearchObservation& zone, std::vector<int32_t>* argmax, int* evaluated) {
  std::vector<int32_t> genes(static_cast<size_t>(zone.geneCount), 0);
  double best = -INFINITY;
  for (;;) {
    if (tools::RowLength(zone, genes.data()) <= zone.length) {
      ++*evaluated;
      const double fitness = tools::EvaluateWithSearch(zone, genes.data());
      if (fitness > best) {
        best = fitness;
        *argmax = genes;
      }
    }
    size_t j = 0;
    while (j < genes.size() && genes[j] == zone.geneLimit[j])
      genes[j++] = 0;
    if (j == genes.size()) break;
    ++genes[j];
  }
  return best;
}

TEST_F(ExactOptimumTest, KnownZones) {
  struct Case {
    const char* what;
    float length;
    float kerf;
    int32_t fixedOnly;
    std::vector<std::array<double, 3>> genes;
    std::vector<Variable> variable;
    double fitness;
    std::vector<int32_t> pieces;
  };
  const Case cases[] = {
      {"equal fitness goes to more pieces of the longer entry",
       1000,
       0,
       1,
       {{450, 1, 2}, {300, 1, 3}},
       {},
       900,
       {2, 0}},
      {"the limit of a gene holds", 1000, 0, 1, {{450, 1, 1}, {300, 1, 3}}, {}, 900, {0, 3}},
      {"kerfs count against the zone", 900, 10, 1, {{450, 1, 1}, {300, 1, 2}}, {}, 750, {1, 1}},
      {"a heavier short entry beats the long one",
       1000,
       0,
       1,
       {{450, 1, 2}, {300, 2, 3}},
       {},
       1800,
       {0, 3}},
      {"a covering variable piece earns the rest",
       1000,
       0,
       0,
       {{450, 1, 2}, {300, 1, 3}},
       {{50, 200, 0.5f}},
       950,
       {2, 0}},
      {"the rest is worth more than any piece",
       1000,
       0,
       0,
       {{450, 1, 2}, {300, 1, 3}},
       {{500, 1000, 2.0f}},
       2000,
       {0, 0}},
      {"fixed-only leaves the rest out",
       1000,
       0,
       1,
       {{450, 1, 2}, {300, 1, 3}},
       {{500, 1000, 2.0f}},
       900,
       {2, 0}},
      {"the segment filler fills a long rest",
       1000,
       0,
       0,
       {{900, 1, 1}},
       {{100, 150, 1.5f}},
       1500,
       {0}},
      {"no genes: the rest alone", 700, 5, 0, {}, {{100, 800, 1.0f}}, 695, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const SearchObservation zone = Zone(c.length, c.kerf, c.fixedOnly, c.genes, c.variable);
    const ExactOptimum optimum = tools::FindExactOptimum(zone);
    ASSERT_TRUE(optimum.computed) << optimum.skipped;
    // The segment filler scores in single precision.
    EXPECT_NEAR(optimum.fitness, c.fitness, 1e-3);
    EXPECT_EQ(optimum.genes, c.pieces);
  }
}

// With a kerf of 3.2 (not a whole number), three pieces of 1000 and two of 1492 use
// 6000.00000024 exactly, yet their row adds up to 6000 in single precision: the search
// takes such a row as fitting, so the optimum must too.
TEST_F(ExactOptimumTest, RowThatFitsInSinglePrecisionCounts) {
  const SearchObservation zone = Zone(6000, 3.2f, 1, {{1492, 1, 4}, {1000, 1, 5}});
  const std::vector<int32_t> row = {2, 3};
  ASSERT_LE(tools::RowLength(zone, row.data()), zone.length);
  ASSERT_GT(2 * (1492 + static_cast<double>(3.2f)) + 3 * (1000 + static_cast<double>(3.2f)),
            6000.0);
  const ExactOptimum optimum = tools::FindExactOptimum(zone);
  ASSERT_TRUE(optimum.computed) << optimum.skipped;
  EXPECT_EQ(optimum.genes, row);
  EXPECT_DOUBLE_EQ(optimum.fitness, 5984.0);
}

// Random small zones, every kind of rest: the optimum is the best of all combinations.
TEST_F(ExactOptimumTest, EqualsBruteForceOnSmallZones) {
  ShiftRandom random(77);
  const float kerfs[] = {0.0f, 4.0f, 5.0f, 2.5f, 3.2f};
  int restful = 0;
  int evaluated = 0;
  for (int trial = 0; trial < 1000; ++trial) {
    SCOPED_TRACE(trial);
    std::vector<Variable> variable;
    const int64_t orders = random.Between(0, 4);
    for (int64_t k = 0; k < orders; ++k) {
      const int32_t min = static_cast<int32_t>(random.Between(50, 600));
      variable.push_back({min, min + static_cast<int32_t>(random.Between(1, 600)),
                          static_cast<float>(random.Between(1, 200)) / 100.0f});
    }
    const float kerf = kerfs[random.Below(5)];
    const float length = static_cast<float>(random.Between(1600, 12000)) / 4.0f;
    std::vector<int32_t> lengths;
    const int64_t genes = random.Between(0, 5);
    for (int64_t j = 0; j < genes; ++j)
      lengths.push_back(static_cast<int32_t>(random.Between(80, 700)));
    std::sort(lengths.rbegin(), lengths.rend());
    std::vector<std::array<double, 3>> entries;
    for (const int32_t piece : lengths) {
      const double fit =
          std::floor(static_cast<double>(length) / (piece + static_cast<double>(kerf)));
      entries.push_back({static_cast<double>(piece),
                         static_cast<double>(random.Between(1, 150)) / 100.0,
                         std::min<double>(fit, static_cast<double>(random.Between(0, 7)))});
    }
    const int32_t fixedOnly = random.Chance(0.3) ? 1 : 0;
    const SearchObservation zone = Zone(length, kerf, fixedOnly, entries, variable);
    std::vector<int32_t> argmax;
    const double best = BruteForce(zone, &argmax, &evaluated);
    const ExactOptimum optimum = tools::FindExactOptimum(zone);
    ASSERT_TRUE(optimum.computed) << optimum.skipped;
    EXPECT_DOUBLE_EQ(optimum.fitness, best);
    EXPECT_DOUBLE_EQ(tools::EvaluateWithSearch(zone, optimum.genes.data()), optimum.fitness);
    EXPECT_LE(tools::RowLength(zone, optimum.genes.data()), zone.length);
    if (fixedOnly == 0 && !variable.empty()) ++restful;
  }
  EXPECT_GT(restful, 400);
  EXPECT_GT(evaluated, 50000);
}

// The searches of random books, every mode of weights, kerfs whole and not, fixed-only
// both ways and variable lists with and without rests worth filling: no search ever
// finds more than the optimum, and the optimum's combination, evaluated again by the
// search's code, gives the reported fitness.
TEST_F(ExactOptimumTest, NoSearchBeatsTheOptimum) {
  struct Seen {
    std::vector<SearchObservation> searches;
  } seen;
  ObserveSearches([](const SearchObservation& search,
                     void* context) { static_cast<Seen*>(context)->searches.push_back(search); },
                  &seen);
  ShiftRandom random(2024);
  const float kerfs[] = {0.0f, 3.0f, 4.0f, 4.5f, 3.2f, 6.0f};
  int zones = 0;
  int reached = 0;
  for (int book = 0; book < 320; ++book) {
    ResetWorkspace();
    const int32_t mode = static_cast<int32_t>(random.Below(3));
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(mode);
    ws.settings.KerfWidth = kerfs[random.Below(6)];
    // Most books search one generation, so that thousands of zones stay quick; some run
    // all 500.
    ws.settings.OptimizeTimeLimit = book % 8 == 0 ? 0.35f : 0.0f;
    const int32_t fixed = static_cast<int32_t>(random.Between(1, 40));
    std::vector<int32_t> lengths;
    for (int32_t i = 0; i < fixed; ++i)
      lengths.push_back(static_cast<int32_t>(random.Between(80, 2400)));
    std::sort(lengths.rbegin(), lengths.rend());
    ws.orders.FixedCount[kGrade] = fixed;
    for (int32_t i = 0; i < fixed; ++i) {
      ws.orders.FixedLength[kGrade][i] = lengths[static_cast<size_t>(i)];
      ws.orders.FixedWeight[kGrade][i] = static_cast<float>(random.Between(50, 150)) / 100.0f;
      ws.orders.FixedStartWeight[kGrade][i] = static_cast<float>(random.Between(50, 300)) / 100.0f;
      ws.orders.FixedQuantity[kGrade][i] =
          random.Chance(0.4) ? 0 : static_cast<int32_t>(random.Between(1, 8));
      ws.orders.FixedDone[kGrade][i] =
          static_cast<int32_t>(random.Between(0, ws.orders.FixedQuantity[kGrade][i]));
    }
    std::vector<Variable> variable;
    const int64_t orders = random.Chance(0.25) ? 0 : random.Between(1, 8);
    for (int64_t k = 0; k < orders; ++k) {
      const int32_t min = static_cast<int32_t>(random.Between(50, 900));
      variable.push_back({min, min + static_cast<int32_t>(random.Between(1, 1500)),
                          static_cast<float>(random.Between(30, 180)) / 100.0f});
    }
    SetVariable(variable);
    platform::FixSeed(static_cast<uint32_t>(book));
    for (int zone = 0; zone < 10; ++zone) {
      const float length = static_cast<float>(random.Between(300, 24000)) / 4.0f;
      const int32_t fixedOnly = random.Chance(0.3) ? 1 : 0;
      ws.search.SearchFirstEntry = 0;
      ws.filler.FillRowCount = 0;
      SearchCombination(kGrade, length, fixedOnly);
    }
    for (const SearchObservation& search : seen.searches) {
      ASSERT_EQ(search.mode, static_cast<OptimizeMode>(mode));
      const ExactOptimum optimum = tools::FindExactOptimum(search);
      ASSERT_TRUE(optimum.computed) << optimum.skipped;
      ++zones;
      EXPECT_TRUE(tools::WithinOptimum(search.bestFitness, optimum.fitness))
          << "book " << book << ": the search found " << search.bestFitness << ", the optimum is "
          << optimum.fitness;
      EXPECT_DOUBLE_EQ(tools::EvaluateWithSearch(search, optimum.genes.data()), optimum.fitness);
      EXPECT_NEAR(optimum.knapsackValue, optimum.fitness,
                  1e-9 * std::max(1.0, std::fabs(optimum.fitness)));
      if (search.bestFitness >= optimum.fitness) ++reached;
    }
    seen.searches.clear();
  }
  EXPECT_EQ(zones, 3200);
  // A search of one generation still reaches the optimum in many zones (greedy combinations
  // and small zones): the comparison is not trivially one-sided.
  EXPECT_GT(reached, zones / 4);
  EXPECT_LT(reached, zones);
}

TEST_F(ExactOptimumTest, SkipsAZoneBeyondTheCellLimit) {
  const SearchObservation zone = Zone(6000, 4, 1, {{1000, 1, 5}, {500, 1, 11}});
  tools::OptimumLimits limits;
  limits.maxCells = 1000;
  const ExactOptimum optimum = tools::FindExactOptimum(zone, limits);
  EXPECT_FALSE(optimum.computed);
  EXPECT_NE(optimum.skipped.find("knapsack cells"), std::string::npos) << optimum.skipped;
}

// ---- Boards through the entry ----

// A book of grades 1 to 3 (fixed-length orders of each) whose kerf and variable-length
// list (the same for every grade) the case chooses.
struct BoardCase {
  const char* what;
  int mode;
  float kerf;
  std::vector<Variable> variable;
  uint64_t seed;
};

tools::JobBlocks DrawnBoard(const BoardCase& c) {
  tools::JobBlocks book;
  book.SetSetting("OptimizeMode", static_cast<float>(c.mode));
  book.SetSetting("KerfWidth", c.kerf);
  book.SetSetting("WasteMaxLength", 300);
  book.SetSetting("GradeMarkLength", 30);
  book.SetSetting("GradeAMinLength", 200);
  book.SetSetting("UnmarkedGrade", 5);
  book.SetSetting("WasteMarkCount", 9);
  const int lengths[] = {1700, 1250, 980, 720, 610, 430};
  int row = 0;
  for (int grade = 1; grade <= 3; ++grade) {
    for (const int length : lengths) {
      tools::FixedOrder order;
      order.grade = grade;
      order.length = length - 40 * grade;
      order.weight = 1.0f + 0.15f * static_cast<float>(row % 5);
      order.startWeight = 2.0f;
      order.value = static_cast<float>(length) / 90.0f;
      order.quantity = row % 3 == 0 ? 0 : 3 + row % 4;
      order.code = 21000000 + row;
      book.AddFixedOrder(order);
      ++row;
    }
    for (size_t k = 0; k < c.variable.size(); ++k) {
      tools::VariableOrder order;
      order.grade = grade;
      order.minLength = c.variable[k].min;
      order.maxLength = c.variable[k].max;
      order.weight = c.variable[k].weight;
      order.value = 1000.0f * c.variable[k].weight;
      order.code = 22000000 + 10 * grade + static_cast<int>(k);
      book.AddVariableOrder(order);
    }
  }
  tools::BoardModel model;
  model.minLength = 3000;
  model.maxLength = 6000;
  model.minZones = 4;
  model.maxZones = 8;
  return tools::DrawBoard(book, model, c.seed, 0);
}

// Whole and fractional kerfs, every mode of weights, lists of none to three orders.
const BoardCase kBoards[] = {
    {"length mode, whole kerf, two variable orders",
     0,
     4.0f,
     {{300, 700, 0.8f}, {150, 260, 1.3f}},
     11},
    {"value mode, fractional kerf", 1, 3.2f, {{220, 500, 1.1f}}, 12},
    {"quantity mode, no variable orders", 2, 5.0f, {}, 13},
    {"length mode, fractional kerf, three orders",
     0,
     4.5f,
     {{120, 180, 1.6f}, {260, 400, 1.0f}, {500, 950, 0.7f}},
     14},
    {"long stock", 3, 6.0f, {{400, 900, 0.6f}}, 15},
};

class ProbeBoards : public WorkspaceTest {
 protected:
  // The searches of one call of `job`, as the simulation collects them.
  std::vector<SearchObservation> ObserveBoard(const tools::JobBlocks& job) {
    tools::SearchCollector collector;
    tools::RunOptions options;
    options.fixedTime = tools::RunTime{1767225600, 0};
    options.logPath = logPath_;
    options.beforeCall = [](void* c) { static_cast<tools::SearchCollector*>(c)->Listen(); };
    options.afterCall = [](void* c) { static_cast<tools::SearchCollector*>(c)->Stop(); };
    options.callContext = &collector;
    const tools::RunOutcome outcome = tools::RunBoard(job, options);
    EXPECT_GT(outcome.returned, 0) << outcome.refusal;
    return collector.Observed();
  }
};

// An observation carries the call's variable-length list, and evaluating the search's own
// choice from it gives the search's fitness bit for bit, even after other boards (other
// kerfs and lists) have run.
TEST_F(ProbeBoards, EvaluationOfTheChosenGenesIsTheSearchesOwnFitness) {
  std::vector<std::vector<SearchObservation>> boards;
  for (const BoardCase& c : kBoards)
    boards.push_back(ObserveBoard(DrawnBoard(c)));
  int searches = 0;
  for (size_t b = 0; b < boards.size(); ++b) {
    SCOPED_TRACE(kBoards[b].what);
    EXPECT_FALSE(boards[b].empty());
    for (const SearchObservation& search : boards[b]) {
      ++searches;
      EXPECT_EQ(search.kerf, kBoards[b].kerf);
      ASSERT_EQ(search.variableCount, static_cast<int32_t>(kBoards[b].variable.size()));
      for (int32_t k = 0; k < search.variableCount; ++k) {
        EXPECT_EQ(search.variable[k].minLength, kBoards[b].variable[static_cast<size_t>(k)].min);
        EXPECT_EQ(search.variable[k].maxLength, kBoards[b].variable[static_cast<size_t>(k)].max);
      }
      EXPECT_EQ(tools::EvaluateWithSearch(search, search.genes), search.bestFitness)
          << "grade " << search.grade << ", zone " << search.length;
    }
  }
  EXPECT_GT(searches, 15);
}

// The optimum of a board's searches, computed right after its call and again after
// another board (another kerf, another list) has run, is the same: nothing of it is read
// from what the call left in the workspace.
TEST_F(ProbeBoards, OptimumIsUnchangedWhenAnotherBoardRunsBeforeIt) {
  int restful = 0;
  for (size_t b = 0; b < std::size(kBoards); ++b) {
    SCOPED_TRACE(kBoards[b].what);
    const std::vector<SearchObservation> searches = ObserveBoard(DrawnBoard(kBoards[b]));
    std::vector<ExactOptimum> first;
    for (const SearchObservation& search : searches)
      first.push_back(tools::FindExactOptimum(search));
    ObserveBoard(DrawnBoard(kBoards[(b + 1) % std::size(kBoards)]));
    for (size_t i = 0; i < searches.size(); ++i) {
      const ExactOptimum again = tools::FindExactOptimum(searches[i]);
      ASSERT_TRUE(first[i].computed) << first[i].skipped;
      EXPECT_EQ(again.computed, first[i].computed) << again.skipped;
      EXPECT_EQ(again.fitness, first[i].fitness);
      EXPECT_EQ(again.knapsackValue, first[i].knapsackValue);
      EXPECT_EQ(again.genes, first[i].genes);
      EXPECT_EQ(again.restsValued, first[i].restsValued);
      if (searches[i].fixedOnly == 0 && searches[i].variableCount > 0) ++restful;
    }
  }
  EXPECT_GT(restful, 8);
}

}  // namespace
}  // namespace sawline::test
