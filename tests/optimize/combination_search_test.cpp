#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <vector>

#include "optimize/search_steps.h"
#include "optimize/search_testing.h"
#include "optimize/segment_searches.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int32_t kGrade = 2;

struct Fixed {
  int32_t length;
  float weight;
  int32_t quantity;  // 0: no limit
  int32_t done;
};

struct Variable {
  int32_t min;
  int32_t max;
  float weight;
  int32_t code;
};

// A deterministic generator for the random order books of the tests.
struct BookRandom {
  uint64_t state;
  uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<uint32_t>(state >> 33);
  }
  int32_t Between(int32_t low, int32_t high) {
    return low + static_cast<int32_t>(Next() % static_cast<uint32_t>(high - low + 1));
  }
};

class CombinationSearch : public test::WorkspaceTest {
 protected:
  static void SetFixed(const std::vector<Fixed>& entries, int32_t grade = kGrade) {
    ws.orders.FixedCount[grade] = static_cast<int32_t>(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      ws.orders.FixedLength[grade][i] = entries[i].length;
      ws.orders.FixedWeight[grade][i] = entries[i].weight;
      ws.orders.FixedStartWeight[grade][i] = entries[i].weight;
      ws.orders.FixedQuantity[grade][i] = entries[i].quantity;
      ws.orders.FixedDone[grade][i] = entries[i].done;
      ws.orders.FixedCode[grade][i] = 100 + static_cast<int32_t>(i);
    }
  }
  static void SetVariable(const std::vector<Variable>& orders, int32_t grade = kGrade) {
    ws.orders.VariableCount[grade] = static_cast<int32_t>(orders.size());
    for (size_t j = 0; j < orders.size(); ++j) {
      ws.orders.VariableMinLength[grade][j] = orders[j].min;
      ws.orders.VariableMaxLength[grade][j] = orders[j].max;
      ws.orders.VariableWeight[grade][j] = orders[j].weight;
      ws.orders.VariableCode[grade][j] = orders[j].code;
    }
  }
  // As a plan driver calls the search.
  static void Search(float length, int32_t fixedOnly = 0, int32_t grade = kGrade) {
    ws.search.SearchFirstEntry = 0;
    ws.filler.FillRowCount = 0;
    ws.search.RemainderLength = 0.0f;
    SearchCombination(grade, length, fixedOnly);
  }
  static std::vector<int32_t> Counts(int32_t entries) {
    return std::vector<int32_t>(ws.search.SearchPieceCount, ws.search.SearchPieceCount + entries);
  }

  // A random order book on grade kGrade: fixed and variable lists, kerf and weights.
  static float RandomBook(BookRandom& random) {
    const float kerfs[] = {0.0f, 3.0f, 4.0f, 4.5f, 2.7f, 10.0f};
    ws.settings.KerfWidth = kerfs[random.Between(0, 5)];
    const int32_t entries =
        random.Between(0, 3) == 0 ? random.Between(0, 6) : random.Between(1, 200);
    const int32_t longest = random.Between(0, 1) == 1 ? 3000 : 800;
    std::vector<Fixed> fixed(static_cast<size_t>(entries));
    for (Fixed& f : fixed) {
      const int32_t quantity = random.Between(0, 2) == 0 ? 0 : random.Between(1, 20);
      f = {random.Between(80, longest), static_cast<float>(random.Between(200, 1200) / 1000.0),
           quantity, random.Between(0, quantity + 2)};
    }
    std::sort(fixed.begin(), fixed.end(),
              [](const Fixed& a, const Fixed& b) { return a.length > b.length; });
    SetFixed(fixed);
    std::vector<Variable> variable(static_cast<size_t>(random.Between(0, 24)));
    for (size_t j = 0; j < variable.size(); ++j) {
      const int32_t min = random.Between(50, 1200);
      variable[j] = {min, min + random.Between(1, 2000),
                     static_cast<float>(random.Between(100, 1100) / 1000.0),
                     200 + static_cast<int32_t>(j)};
    }
    SetVariable(variable);
    return static_cast<float>(random.Between(50, 14000)) +
           (random.Between(0, 1) == 1 ? 0.37f : 0.0f);
  }
  // Runs the steps of SearchCombination before the first generation.
  static void StartSearch(float length, int32_t fixedOnly) {
    PrepareSearchWeights();
    for (int32_t i = 0; i < ws.orders.FixedCount[kGrade]; ++i) {
      ws.search.SearchWeight[i] = ws.search.FixedSearchWeight[kGrade][i];
      const int32_t q = ws.orders.FixedQuantity[kGrade][i];
      const int32_t d = ws.orders.FixedDone[kGrade][i];
      ws.search.SearchOpenCount[i] = q != 0 && q > d ? q - d : (q == 0 ? 1000 : 0);
    }
    ws.search.SearchFirstEntry = 0;
    BeginSearch(kGrade, length);
    FillRandomTable();
    ClearPopulation();
    BeginFillMemo();
    BuildInitialPopulation();
    EvaluatePopulation(fixedOnly, kPopulationSize);
    KeepFirstBest(fixedOnly);
  }
};

// The length of a row as the operators define it, summed here independently.
float RowLengthOf(const int32_t* row) {
  float length = 0.0f;
  for (int32_t j = 0; j < ws.search.GeneCount; ++j) {
    const double piece =
        ws.orders.FixedLength[ws.search.SearchGrade][ws.search.SearchFirstEntry + j];
    length = static_cast<float>(length + row[j] * (piece + ws.settings.KerfWidth));
  }
  return length;
}

// Every row fits and every gene is within its limit.
::testing::AssertionResult RowsKeepTheInvariant(const int32_t (*rows)[kMaxGenes], int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    for (int32_t j = 0; j < ws.search.GeneCount; ++j) {
      if (rows[i][j] < 0 || rows[i][j] > ws.search.GeneLimit[j]) {
        return ::testing::AssertionFailure() << "row " << i << " gene " << j << " = " << rows[i][j]
                                             << ", limit " << ws.search.GeneLimit[j];
      }
    }
    if (!(RowLengthOf(rows[i]) <= ws.search.SearchLength)) {
      return ::testing::AssertionFailure() << "row " << i << " is " << RowLengthOf(rows[i])
                                           << " long, segment " << ws.search.SearchLength;
    }
  }
  return ::testing::AssertionSuccess();
}

TEST_F(CombinationSearch, LongStockTakesTheLongestPiecesFirst) {
  const struct {
    const char* name;
    std::vector<Fixed> fixed;
    std::vector<Variable> variable;
    std::vector<int32_t> counts;
    float remainder;
    int32_t restRows;
  } cases[] = {
      {"unlimited", {{2000, 0, 0, 0}, {1500, 0, 0, 0}, {600, 0, 0, 0}}, {}, {2, 0, 1}, 385.0f, 0},
      // The rest of 385 is one piece of 380 of the first order that covers it.
      {"rest covered",
       {{2000, 0, 0, 0}, {1500, 0, 0, 0}, {600, 0, 0, 0}},
       {{300, 400, 0, 7}},
       {2, 0, 1},
       0.0f,
       1},
      // A longer rest is worth 0 in this mode and stays.
      {"rest too long",
       {{2000, 0, 0, 0}, {1500, 0, 0, 0}, {600, 0, 0, 0}},
       {{100, 200, 0, 7}},
       {2, 0, 1},
       385.0f,
       0},
      {"one open piece",
       {{2000, 0, 3, 2}, {1500, 0, 0, 0}, {600, 0, 0, 0}},
       {},
       {1, 1, 2},
       280.0f,
       0},
      {"complete order",
       {{2000, 0, 5, 5}, {1500, 0, 0, 0}, {600, 0, 0, 0}},
       {},
       {0, 3, 0},
       485.0f,
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorkspace();
    ws.settings.OptimizeMode = OptimizeMode::kLongStock;
    ws.settings.KerfWidth = 5.0f;
    SetFixed(c.fixed);
    SetVariable(c.variable);
    Search(5000.0f);
    EXPECT_EQ(Counts(3), c.counts);
    EXPECT_EQ(ws.search.RemainderLength, c.remainder);
    ASSERT_EQ(ws.filler.FillRowCount, c.restRows);
    if (c.restRows == 1) {
      EXPECT_EQ(ws.filler.FillRows[0].count, 1.0f);
      EXPECT_EQ(ws.filler.FillRows[0].length, 380.0f);
      EXPECT_EQ(ws.filler.FillRows[0].tag, 7.0f);
    }
    for (size_t i = 0; i < c.fixed.size(); ++i)
      EXPECT_EQ(ws.orders.FixedDone[kGrade][i], c.fixed[i].done + c.counts[i]) << i;
  }
}

// 2 x 1000, 1 x 1000 + 2 x 500 and 4 x 500 are worth the same: the most pieces of the
// longer entry win.
TEST_F(CombinationSearch, EqualFitnessGoesToMorePiecesOfTheLongerEntry) {
  SetFixed({{1000, 1.0f, 0, 0}, {500, 1.0f, 0, 0}});
  Search(2000.0f);
  EXPECT_EQ(Counts(2), (std::vector<int32_t>{2, 0}));
  EXPECT_EQ(ws.search.RemainderLength, 0.0f);

  // The tie pass also lets a later individual with the same fitness replace the best.
  const int32_t genes[][2] = {{1, 2}, {0, 4}, {2, 0}, {1, 2}};
  ws.search.GeneCount = 2;
  for (int32_t i = 0; i < 4; ++i) {
    ws.search.Population[i][0] = genes[i][0];
    ws.search.Population[i][1] = genes[i][1];
    ws.search.Fitness[i] = 2000.0;
  }
  ws.search.Fitness[0] = 1999.0;
  KeepFirstBest(1);
  EXPECT_EQ(ws.search.BestGenes[0], 2);
  ws.search.BestGenes[0] = 1;
  ws.search.BestGenes[1] = 2;
  KeepBest(1, 4);
  EXPECT_EQ(ws.search.BestGenes[0], 2);
  EXPECT_EQ(ws.search.BestGenes[1], 0);
}

TEST_F(CombinationSearch, FixedOnlyLeavesTheRestUnfilled) {
  ws.settings.KerfWidth = 4.0f;
  SetFixed({{1700, 1.0f, 0, 0}, {900, 1.2f, 0, 0}, {450, 0.8f, 0, 0}});
  SetVariable({{100, 2000, 5.0f, 9}});
  Search(5000.0f, 1);
  EXPECT_EQ(ws.filler.FillRowCount, 0);
  float expected = 5000.0f;
  for (int32_t i = 0; i < 3; ++i)
    expected = static_cast<float>(expected - ws.search.SearchPieceCount[i] *
                                                 (ws.orders.FixedLength[kGrade][i] + 4.0));
  EXPECT_EQ(ws.search.RemainderLength, expected);
  EXPECT_GE(ws.search.RemainderLength, 0.0f);
}

// A rest takes one piece of an order whose range covers it only from the shortest useful
// rest (49) plus a kerf on, even when an order's minimum is shorter: one fixed piece of
// 1000 (kerf 4) leaves rests of 50 to 54 beside an order of 40 to 60, whose longest piece
// with its kerf (64) is too long for the filler.
TEST_F(CombinationSearch, RestTakesAnExactPieceFromTheShortestUsefulRestOn) {
  const struct {
    float segment;
    int32_t rows;
    float piece;
  } cases[] = {{1054.0f, 0, 0.0f}, {1056.0f, 0, 0.0f}, {1057.0f, 1, 49.0f}, {1058.0f, 1, 50.0f}};
  for (const auto& c : cases) {
    ResetWorkspace();
    ws.settings.KerfWidth = 4.0f;
    SetFixed({{1000, 1.0f, 0, 0}});
    SetVariable({{40, 60, 0.1f, 7}});
    Search(c.segment);
    EXPECT_EQ(Counts(1), std::vector<int32_t>{1}) << c.segment;
    ASSERT_EQ(ws.filler.FillRowCount, c.rows) << c.segment;
    EXPECT_EQ(c.rows == 1 ? ws.filler.FillRows[0].length : 0.0f, c.piece) << c.segment;
  }
}

// A piece fits when its length with its kerf is at most the segment: exactly as long,
// it is the search's first entry and is taken.
TEST_F(CombinationSearch, PieceWithItsKerfAsLongAsTheSegmentFits) {
  const struct {
    float segment;
    std::vector<int32_t> counts;
  } cases[] = {{1004.0f, {1, 0}}, {1003.5f, {0, 1}}, {1008.0f, {1, 0}}};
  for (const auto& c : cases) {
    ResetWorkspace();
    ws.settings.KerfWidth = 4.0f;
    SetFixed({{1000, 1.0f, 0, 0}, {500, 1.0f, 0, 0}});
    Search(c.segment);
    EXPECT_EQ(Counts(2), c.counts) << c.segment;
  }
}

TEST_F(CombinationSearch, DoneCountsGrowByThePiecesOfEachSearch) {
  ws.settings.KerfWidth = 4.0f;
  SetFixed({{2100, 1.0f, 4, 1}, {1300, 1.1f, 0, 7}, {800, 1.3f, 2, 2}, {510, 1.2f, 9, 3}});
  SetVariable({{300, 700, 0.5f, 9}});
  std::vector<int32_t> done(4);
  for (int32_t segment = 0; segment < 3; ++segment) {
    for (int32_t i = 0; i < 4; ++i)
      done[static_cast<size_t>(i)] = ws.orders.FixedDone[kGrade][i];
    Search(4800.0f);
    for (int32_t i = 0; i < 4; ++i)
      EXPECT_EQ(ws.orders.FixedDone[kGrade][i],
                done[static_cast<size_t>(i)] + ws.search.SearchPieceCount[i])
          << i;
    EXPECT_EQ(ws.search.SearchPieceCount[2], 0);  // complete from the start
    EXPECT_LE(ws.orders.FixedDone[kGrade][0], 4);
  }
}

TEST_F(CombinationSearch, SearchWeightsBlendByTheShareDone) {
  SetFixed({{1000, 1.0f, 10, 0}, {1000, 1.0f, 10, 5}, {1000, 1.0f, 10, 10}, {1000, 1.0f, 0, 3}});
  for (int32_t i = 0; i < 4; ++i)
    ws.orders.FixedStartWeight[kGrade][i] = 2.0f;
  const struct {
    int32_t mode;
    float expected[4];
  } cases[] = {
      {0, {1.0f, 1.0f, 1.0f, 1.0f}},
      {2, {2.0f, 1.5f, 1.0f, 2.0f}},  // nothing done, half, complete, no quantity
      {3, {2.0f, 1.5f, 1.0f, 2.0f}},  // long stock leaves the table as it was
  };
  for (const auto& c : cases) {
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(c.mode);
    PrepareSearchWeights();
    for (int32_t i = 0; i < 4; ++i)
      EXPECT_EQ(ws.search.FixedSearchWeight[kGrade][i], c.expected[i]) << c.mode << " " << i;
  }
}

TEST_F(CombinationSearch, TimeBudgetIsComparedOncePerGeneration) {
  SetFixed({{900, 1.0f, 0, 0}, {400, 1.0f, 0, 0}});
  const struct {
    float limit;
    int64_t stepPerRead;
    int32_t lastGeneration;
  } cases[] = {
      {0.0f, 0, 0},     // exactly one generation
      {-1.0f, 0, 0},    //
      {0.35f, 0, 500},  // the clock never advances: 500 generations
      {0.35f, 100, 3},  // 0.1, 0.2, 0.3 s pass, 0.4 s stops after the fourth
  };
  std::vector<SearchObservation> seen;
  ObserveSearches(
      [](const SearchObservation& observation, void* list) {
        static_cast<std::vector<SearchObservation>*>(list)->push_back(observation);
      },
      &seen);
  for (const auto& c : cases) {
    platform::FixClock(0, c.stepPerRead);
    ws.settings.OptimizeTimeLimit = c.limit;
    Search(3000.0f);
    EXPECT_EQ(ws.search.Generation, c.lastGeneration) << c.limit << " " << c.stepPerRead;
    // The observer hears of every search once, with what it ran and what it chose.
    ASSERT_FALSE(seen.empty());
    const SearchObservation& last = seen.back();
    const int32_t generations = std::min(c.lastGeneration + 1, 500);
    EXPECT_EQ(last.generations, generations);
    EXPECT_EQ(last.cutShort, generations < 500);
    EXPECT_EQ(last.bestFitness, ws.search.BestFitness);
    EXPECT_EQ(last.geneCount, 2);
    for (int32_t j = 0; j < 2; ++j) {
      EXPECT_EQ(last.genes[j], ws.search.SearchPieceCount[j]);
      EXPECT_EQ(last.geneLimit[j], ws.search.GeneLimit[j]);
    }
    EXPECT_EQ(last.pieceLength[1], 400);
  }
  EXPECT_EQ(seen.size(), std::size(cases));
  ObserveSearches(nullptr, nullptr);
}

// With every draw at 16384 each gene takes half of what may still be drawn, so the
// start gene holds 500 of its 1000 and the next gene of the walk 250.
TEST_F(CombinationSearch, InitialSchemesSwitchAtTwelveThirteenThirtyNineForty) {
  const struct {
    int32_t genes;
    int32_t individual;
    int32_t start;
    bool forward;
  } cases[] = {
      {12, 0, 0, true},     {12, 199, 0, true},   {13, 49, 0, true},      {13, 50, 3, true},
      {13, 100, 12, false}, {13, 150, 9, false},  {39, 99, 9, true},      {39, 100, 38, false},
      {39, 199, 29, false}, {40, 19, 0, true},    {40, 20, 4, true},      {40, 99, 16, true},
      {40, 100, 39, false}, {40, 199, 23, false}, {200, 199, 119, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.genes << " genes, individual " << c.individual);
    ResetWorkspace();
    SetFixed(std::vector<Fixed>(static_cast<size_t>(c.genes), Fixed{100, 1.0f, 0, 0}));
    for (int32_t i = 0; i < c.genes; ++i)
      ws.search.SearchOpenCount[i] = 1000;
    BeginSearch(kGrade, 100000.0f);
    ASSERT_EQ(ws.search.GeneLimit[0], 1000);
    std::fill(std::begin(ws.search.RandomTable), std::end(ws.search.RandomTable), 16384);
    ClearPopulation();
    BuildInitialPopulation();
    const int32_t* genes = ws.search.Population[c.individual];
    const int32_t step = c.forward ? 1 : -1;
    EXPECT_EQ(genes[c.start], 500);
    if (c.start + step >= 0 && c.start + step < c.genes) {
      EXPECT_EQ(genes[c.start + step], 250);
    }
    if (c.start - step >= 0 && c.start - step < c.genes) {
      EXPECT_EQ(genes[c.start - step], 0);
    }
  }
}

// Individual i of block l draws its start gene from RandomTable[l + i + 2].
TEST_F(CombinationSearch, InitialStartGeneDrawsFromItsBlocksWindow) {
  for (int32_t genes : {1, 40}) {
    ResetWorkspace();
    SetFixed(std::vector<Fixed>(static_cast<size_t>(genes), Fixed{100, 1.0f, 0, 0}));
    for (int32_t i = 0; i < genes; ++i)
      ws.search.SearchOpenCount[i] = 7;
    BeginSearch(kGrade, 100000.0f);
    for (int32_t x = 0; x < kRandomTableSize; ++x)
      ws.search.RandomTable[x] = (x * 2731) % 32768;
    ClearPopulation();
    BuildInitialPopulation();
    for (int32_t i = 0; i < kPopulationSize; ++i) {
      const int32_t block = genes == 1 ? 0 : i / 20;
      const int32_t start = genes == 1 ? 0 : (block < 5 ? block * 4 : genes - (block - 5) * 4 - 1);
      const int32_t draw = ws.search.RandomTable[block + i + 2];
      EXPECT_EQ(ws.search.Population[i][start], (7 * draw + 16384) / 32768) << genes << " " << i;
    }
  }
}

TEST_F(CombinationSearch, NothingToSearchLeavesNoPieces) {
  ws.settings.KerfWidth = 5.0f;
  SetVariable({{300, 900, 1.0f, 9}});
  const struct {
    const char* name;
    std::vector<Fixed> fixed;
    int32_t grade;
    float length;
  } cases[] = {
      {"empty list", {}, kGrade, 900.0f},
      {"nothing fits", {{5000, 1.0f, 0, 0}, {4000, 1.0f, 0, 0}}, kGrade, 900.0f},
      {"grade 0", {{500, 1.0f, 0, 0}}, 0, 900.0f},
      {"grade 9", {{500, 1.0f, 0, 0}}, 9, 900.0f},
      {"negative length", {{500, 1.0f, 0, 0}}, kGrade, -500.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetFixed(c.fixed);
    Search(c.length, 0, c.grade);
    EXPECT_EQ(Counts(kMaxFixedOrders), std::vector<int32_t>(kMaxFixedOrders, 0));
    if (c.grade == kGrade && c.length > 0.0f) {  // the whole length is one variable piece
      ASSERT_EQ(ws.filler.FillRowCount, 1);
      EXPECT_EQ(ws.filler.FillRows[0].length, 895.0f);
    }
  }
}

// Kerfs that make a piece plus its kerf 0 or negative give those entries no pieces and
// divide by nothing.
TEST_F(CombinationSearch, PiecesThatConsumeNothingGetNoGenes) {
  SetFixed({{2000, 1.0f, 0, 0}, {500, 1.0f, 0, 0}, {300, 1.0f, 0, 0}});
  SetVariable({{100, 700, 1.0f, 9}});
  ws.settings.KerfWidth = -500.0f;
  Search(5000.0f);
  EXPECT_EQ(ws.search.SearchPieceCount[1], 0);
  EXPECT_EQ(ws.search.SearchPieceCount[2], 0);
  EXPECT_LE(ws.search.SearchPieceCount[0], 3);
}

// A heavy book searched twice, and once more without the fill memos, gives the same
// plan; driven generation by generation, the search's own generation step (memos, row
// lengths kept from step to step, unchanged rows not evaluated again) and the plain
// sequence of the public operators without memos agree on every individual.
TEST_F(CombinationSearch, SearchIsRepeatableAndTheMemosChangeNothing) {
  BookRandom random{77};
  for (int32_t book = 0; book < 6; ++book) {
    SCOPED_TRACE(book);
    ResetWorkspace();
    float length = RandomBook(random);
    const int32_t fixedOnly = book == 5 ? 1 : 0;
    if (book == 0) {  // the benchmark's kind of book
      ws.settings.KerfWidth = 4.0f;
      length = 6000.0f;
    }
    if (book == 1) {  // a gene limit beyond 16 bits: the generations run on the tables
      SetFixed({{3000, 1.0f, 0, 0}, {80, 0.5f, 100000, 0}});
      length = 4000000.0f;
    }
    struct Outcome {
      std::vector<int32_t> counts;
      std::vector<float> fills;
      float remainder;
      double best;
      int32_t generation;
    };
    auto runSearch = [&](int32_t memoOff) {
      for (int32_t i = 0; i < ws.orders.FixedCount[kGrade]; ++i)
        ws.orders.FixedDone[kGrade][i] = 0;
      ws.search.FillMemoOff = memoOff;
      platform::FixSeed(99);
      platform::FixClock(0);
      ws.settings.OptimizeTimeLimit = 0.35f;
      Search(length, fixedOnly);
      const float* fills = &ws.filler.FillRows[0].count;
      return Outcome{Counts(kMaxFixedOrders),
                     std::vector<float>(fills, fills + 3 * ws.filler.FillRowCount),
                     ws.search.RemainderLength, ws.search.BestFitness, ws.search.Generation};
    };
    const Outcome first = runSearch(0);
    const Outcome again = runSearch(0);
    const Outcome withoutMemo = runSearch(1);
    // The same search step by step, through the public generation step on the tables.
    for (int32_t i = 0; i < ws.orders.FixedCount[kGrade]; ++i)
      ws.orders.FixedDone[kGrade][i] = 0;
    ws.search.FillMemoOff = 0;
    StartSearch(length, fixedOnly);
    for (ws.search.Generation = 0; ws.search.Generation < kMaxGenerations; ++ws.search.Generation)
      RunGeneration(fixedOnly);
    BuildGreedyCandidates(ws.search.GeneCount);
    EvaluatePopulation(fixedOnly, ws.search.GeneCount);
    KeepBest(fixedOnly, ws.search.GeneCount);
    EndFillMemo();
    WriteBack(fixedOnly, ws.search.BestGenes, ws.search.BestFillCount, ws.search.BestFillRows);
    const float* stepFills = &ws.filler.FillRows[0].count;
    const Outcome stepByStep{Counts(kMaxFixedOrders),
                             std::vector<float>(stepFills, stepFills + 3 * ws.filler.FillRowCount),
                             ws.search.RemainderLength, ws.search.BestFitness, kMaxGenerations};
    for (const Outcome* other : {&again, &withoutMemo, &stepByStep}) {
      EXPECT_EQ(other->counts, first.counts);
      EXPECT_EQ(other->fills, first.fills);
      EXPECT_EQ(other->remainder, first.remainder);
      EXPECT_EQ(other->best, first.best);
      EXPECT_EQ(other->generation, 500);
    }

    std::vector<std::vector<double>> trace[2];
    for (int32_t literal = 0; literal < 2; ++literal) {
      for (int32_t i = 0; i < ws.orders.FixedCount[kGrade]; ++i)
        ws.orders.FixedDone[kGrade][i] = 0;
      ws.search.FillMemoOff = literal;
      platform::FixSeed(99);
      StartSearch(length, fixedOnly);
      for (int32_t g = 0; g < 60; ++g) {
        ws.search.Generation = g;
        if (literal == 0) {
          RunGeneration(fixedOnly);
        } else {
          for (auto& row : ws.search.NextPopulation)
            std::fill(row, row + ws.search.GeneCount, 0);
          SelectByRoulette();
          CrossOverPairs();
          MutatePopulation();
          for (int32_t i = 0; i < kPopulationSize; ++i)
            std::copy(ws.search.NextPopulation[i],
                      ws.search.NextPopulation[i] + ws.search.GeneCount, ws.search.Population[i]);
          EvaluatePopulation(fixedOnly, kPopulationSize);
          KeepBest(fixedOnly, kPopulationSize);
        }
        std::vector<double> state(ws.search.Fitness, ws.search.Fitness + kPopulationSize);
        state.push_back(ws.search.BestFitness);
        for (int32_t i = 0; i < kPopulationSize; ++i) {
          state.insert(state.end(), ws.search.Population[i],
                       ws.search.Population[i] + ws.search.GeneCount);
          if (fixedOnly == 1) continue;
          state.push_back(ws.search.IndividualFillCount[i]);
          for (int32_t r = 0; r < ws.search.IndividualFillCount[i]; ++r) {
            const FillRow& row = ws.search.IndividualFillRows[i][r];
            state.insert(state.end(), {row.count, row.length, row.tag});
          }
        }
        trace[literal].push_back(std::move(state));
      }
      EndFillMemo();
    }
    for (size_t g = 0; g < trace[0].size(); ++g)
      ASSERT_EQ(trace[0][g], trace[1][g]) << "generation " << g;
  }
}

// Random books, lengths and kerfs: after the initial population, after every generation
// (both populations) and after the greedy combinations every row fits and keeps within
// its limits.
// Rows built from double-precision room can come out a rounding error longer than the
// segment when their pieces are summed in single precision (a kerf that is no whole
// number): the rounding guard gives pieces up again. With every draw at its top each
// initial row takes as many pieces as fit, forward from the longest entry; so do the
// greedy combinations. In each book here that overshoots without the guard.
TEST_F(CombinationSearch, RowsFilledFromDoubleRoomAreGuardedAgainstRounding) {
  const struct {
    float kerf;
    std::vector<int32_t> lengths;
    float segment;
  } cases[] = {
      {0.1f, {2445, 2243, 186, 67, 4}, 5400.7001953125f},
      {4.1f, {2653, 881, 154}, 6515.5f},
      {4.1f, {2567, 475, 99}, 6306.60009765625f},
      {0.7f, {1960, 1720, 608, 121}, 6612.5f},
  };
  for (const auto& c : cases) {
    ResetWorkspace();
    ws.settings.KerfWidth = c.kerf;
    std::vector<Fixed> fixed;
    for (const int32_t length : c.lengths)
      fixed.push_back({length, 1.0f, 0, 0});
    SetFixed(fixed);
    for (size_t i = 0; i < c.lengths.size(); ++i)
      ws.search.SearchOpenCount[i] = 1000;
    BeginSearch(kGrade, c.segment);
    std::fill(std::begin(ws.search.RandomTable), std::end(ws.search.RandomTable), 32767);
    ClearPopulation();
    BuildInitialPopulation();
    EXPECT_TRUE(RowsKeepTheInvariant(ws.search.Population, kPopulationSize)) << c.segment;
    BuildGreedyCandidates(ws.search.GeneCount);
    EXPECT_TRUE(RowsKeepTheInvariant(ws.search.Population, ws.search.GeneCount)) << c.segment;
  }
}

TEST_F(CombinationSearch, EveryRowFitsAfterEveryStep) {
  BookRandom random{2024};
  for (int32_t search = 0; search < 60; ++search) {
    ResetWorkspace();
    const float length = RandomBook(random);
    const int32_t fixedOnly = random.Between(0, 3) == 0 ? 1 : 0;
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(random.Between(0, 2));
    platform::FixSeed(static_cast<uint32_t>(search));
    SCOPED_TRACE(::testing::Message()
                 << "search " << search << ", " << ws.orders.FixedCount[kGrade]
                 << " entries, length " << length << ", kerf " << ws.settings.KerfWidth);
    StartSearch(length, fixedOnly);
    ASSERT_TRUE(RowsKeepTheInvariant(ws.search.Population, kPopulationSize)) << "initial";
    for (int32_t g = 0; g < 40; ++g) {
      ws.search.Generation = g;
      RunGeneration(fixedOnly);
      ASSERT_TRUE(RowsKeepTheInvariant(ws.search.NextPopulation, kPopulationSize))
          << "generation " << g;
      ASSERT_TRUE(RowsKeepTheInvariant(ws.search.Population, kPopulationSize))
          << "generation " << g;
    }
    BuildGreedyCandidates(ws.search.GeneCount);
    ASSERT_TRUE(RowsKeepTheInvariant(ws.search.Population, ws.search.GeneCount)) << "greedy";
    EndFillMemo();
  }
}

}  // namespace
}  // namespace sawline
