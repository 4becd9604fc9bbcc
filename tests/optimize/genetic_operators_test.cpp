#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "optimize/search_steps.h"
#include "optimize/search_testing.h"
#include "optimize/segment_searches.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// Draws that scale to a given row out of 200: nearest(200 * draw / 32768).
constexpr int32_t kRow3 = 492;
constexpr int32_t kRow7 = 1147;
constexpr int32_t kRow200 = 32767;

class GeneticOperators : public test::WorkspaceTest {
 protected:
  // One gene per piece length, searched on grade 1 from entry 0; every draw 0.
  static void SetGenes(const std::vector<int32_t>& lengths, const std::vector<int32_t>& limits,
                       float searchLength) {
    ws.search.SearchGrade = 1;
    ws.search.SearchFirstEntry = 0;
    ws.search.GeneCount = static_cast<int32_t>(lengths.size());
    ws.orders.FixedCount[1] = ws.search.GeneCount;
    for (size_t j = 0; j < lengths.size(); ++j) {
      ws.orders.FixedLength[1][j] = lengths[j];
      ws.search.GeneLimit[j] = limits[j];
    }
    ws.search.SearchLength = searchLength;
    ws.settings.KerfWidth = 0.0f;
    ws.search.Generation = 0;
    std::fill(std::begin(ws.search.RandomTable), std::end(ws.search.RandomTable), 0);
  }
  static void SetDraws(const std::vector<std::pair<int32_t, int32_t>>& draws) {
    for (const auto& [index, draw] : draws)
      ws.search.RandomTable[index] = draw;
  }
};

TEST_F(GeneticOperators, RouletteWithoutFitnessTakesIndividualZero) {
  SetGenes({100}, {50}, 10000.0f);
  platform::FixSeed(5);
  FillRandomTable();
  for (int32_t i = 0; i < kPopulationSize; ++i)
    ws.search.Population[i][0] = i % 50;
  SelectByRoulette();
  for (int32_t i = 0; i < kPopulationSize; ++i)
    EXPECT_EQ(ws.search.NextPopulation[i][0], 0) << i;
}

// Individual 37 holds all the fitness: every slot whose draw is above 0 takes it, and a
// draw of 0 takes individual 0. The slot's draw moves with the generation.
TEST_F(GeneticOperators, RouletteGivesEverySlotWithADrawToTheOnlyFitIndividual) {
  SetGenes({100}, {50}, 10000.0f);
  std::fill(std::begin(ws.search.RandomTable), std::end(ws.search.RandomTable), 9000);
  ws.search.Generation = 7;
  ws.search.RandomTable[7 + 3 + 5] = 0;
  for (int32_t i = 0; i < kPopulationSize; ++i)
    ws.search.Population[i][0] = i % 50 + 1;
  ws.search.Fitness[37] = 5.0;
  SelectByRoulette();
  for (int32_t i = 0; i < kPopulationSize; ++i)
    EXPECT_EQ(ws.search.NextPopulation[i][0], i == 3 ? 1 : 38) << i;
}

// A parent draw of 200 or a pair of equal parents is rejected; the next attempt reads the
// next pair of draws, which here selects rows 3 and 7.
TEST_F(GeneticOperators, CrossoverRejectsParentsOutOfRangeOrEqual) {
  const struct {
    const char* name;
    int32_t first;
    int32_t second;
  } cases[] = {{"draw of 200", kRow200, kRow3}, {"equal parents", kRow3, kRow3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetGenes({100}, {1000}, 100000.0f);
    for (int32_t r = 0; r < kPopulationSize; ++r)
      ws.search.NextPopulation[r][0] = r;
    SetDraws({{10, c.first}, {11, c.second}, {12, kRow7}, {30, 16384}});
    CrossOverPairs();
    for (int32_t r = 0; r < kPopulationSize; ++r)
      EXPECT_EQ(ws.search.NextPopulation[r][0], r == 3 ? 7 : (r == 7 ? 3 : r)) << r;
  }
}

// Rows 3 = {2 x 1000} and 7 = {4 x 500} in a length of 2000. Exchanging only gene 1 makes
// row 3 twice too long: forward it gives up its 1000s, backward its 500s.
TEST_F(GeneticOperators, CrossoverSwapBitsAndRepairDirection) {
  const struct {
    const char* name;
    int32_t swap0;
    int32_t swap1;
    int32_t direction;
    std::vector<int32_t> row3;
    std::vector<int32_t> row7;
  } cases[] = {
      {"forward at 16384", 16383, 16384, 16384, {0, 4}, {0, 0}},
      {"backward above 16384", 16383, 16384, 16385, {2, 0}, {0, 0}},
      {"both genes exchanged", 16384, 16384, 16385, {0, 4}, {2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetGenes({1000, 500}, {2, 4}, 2000.0f);
    for (auto& row : ws.search.NextPopulation)
      std::fill(row, row + 2, 0);
    ws.search.NextPopulation[3][0] = 2;
    ws.search.NextPopulation[7][1] = 4;
    SetDraws({{10, kRow3}, {11, kRow7}, {30, c.swap0}, {31, c.swap1}, {50, c.direction}});
    CrossOverPairs();
    EXPECT_EQ(std::vector<int32_t>(ws.search.NextPopulation[3], ws.search.NextPopulation[3] + 2),
              c.row3);
    EXPECT_EQ(std::vector<int32_t>(ws.search.NextPopulation[7], ws.search.NextPopulation[7] + 2),
              c.row7);
  }
}

// One gene (budget 2n + 1 = 3). Mutation m draws its row at 70 + 3m + t, its gene at
// 90 + 3m + t and its count at 110 + 3m + t, t being the attempt.
TEST_F(GeneticOperators, MutationBudgetRejectedDrawsAndUndoneMutations) {
  const struct {
    const char* name;
    float searchLength;
    float kerf;
    std::vector<std::pair<int32_t, int32_t>> draws;
    std::vector<int32_t> rows;  // gene 0 of rows 0..9 afterwards
  } cases[] = {
      {"three mutations", 100000.0f, 0.0f, {}, {0, 5, 5, 5, 0, 0, 0, 0, 0, 0}},
      {"row 200 rejected", 100000.0f, 0.0f, {{70, kRow200}}, {0, 0, 5, 5, 0, 0, 0, 0, 0, 5}},
      {"gene n rejected", 100000.0f, 0.0f, {{90, 16384}}, {0, 0, 5, 5, 0, 0, 0, 0, 0, 5}},
      // 5 pieces of 100 do not fit into 300: undone, the budget grows to 4 and mutation 1
      // follows; mutations 1 to 3 set 2 pieces.
      {"undone mutation",
       300.0f,
       0.0f,
       {{113, 13107}, {116, 13107}, {119, 13107}, {122, 13107}},
       {0, 0, 2, 2, 2, 0, 0, 0, 0, 0}},
      // A row that fills the segment exactly fits, whether its length is kept whole or
      // (with a kerf of 0.5) summed in single precision.
      {"exact fit stands", 500.0f, 0.0f, {}, {0, 5, 5, 5, 0, 0, 0, 0, 0, 0}},
      {"exact fit with a fractional kerf stands", 502.5f, 0.5f, {}, {0, 5, 5, 5, 0, 0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetGenes({100}, {5}, c.searchLength);
    ws.settings.KerfWidth = c.kerf;
    for (auto& row : ws.search.NextPopulation)
      row[0] = 0;
    for (int32_t m = 0; m < 5; ++m)  // mutation m picks row m + 1 and 5 pieces
      SetDraws({{70 + 3 * m, 164 * (m + 1)}, {110 + 3 * m, 32767}});
    SetDraws({{71, 164 * 9}, {111, 32767}});  // the second attempt of mutation 0: row 9
    SetDraws(c.draws);
    MutatePopulation();
    for (int32_t r = 0; r < 10; ++r)
      EXPECT_EQ(ws.search.NextPopulation[r][0], c.rows[static_cast<size_t>(r)]) << r;
  }
}

// Every slot takes the first individual whose running fitness sum reaches the slot's
// share of the total (x <= sum), whatever the shape of the sums: rising in steps, with
// shares landing exactly on a sum, flat stretches of zero fitness, and sums that fall
// (a negative fitness), which are searched one by one.
TEST_F(GeneticOperators, RouletteSlotTakesTheFirstIndividualWhoseSumReachesItsShare) {
  const struct {
    const char* name;
    double (*fitness)(int32_t i);
    int32_t (*draw)(int32_t slot);
  } cases[] = {
      {"equal", [](int32_t) { return 1.0; }, [](int32_t s) { return s * 163; }},
      {"exact shares", [](int32_t) { return 1.0; }, [](int32_t s) { return s % 8 * 4096; }},
      {"rising", [](int32_t i) { return static_cast<double>(i); },
       [](int32_t s) { return (s * 7919) % 32768; }},
      {"flat stretches", [](int32_t i) { return i % 40 == 0 ? 3.0 : 0.0; },
       [](int32_t s) { return (s * 4099) % 32768; }},
      {"last only", [](int32_t i) { return i == 199 ? 2.0 : 0.0; },
       [](int32_t s) { return s % 2 == 0 ? 0 : 32767; }},
      {"falling", [](int32_t i) { return i == 100 ? -50.0 : 1.0; },
       [](int32_t s) { return (s * 7919) % 32768; }},
  };
  for (const auto& c : cases) {
    SetGenes({100}, {1000}, 1.0e6f);
    double sums[kPopulationSize];
    double total = 0.0;
    for (int32_t i = 0; i < kPopulationSize; ++i) {
      ws.search.Population[i][0] = i + 1;
      ws.search.Fitness[i] = c.fitness(i);
      total += ws.search.Fitness[i];
      sums[i] = total;
    }
    for (int32_t slot = 0; slot < kPopulationSize; ++slot)
      ws.search.RandomTable[slot + 5] = c.draw(slot);
    SelectByRoulette();
    for (int32_t slot = 0; slot < kPopulationSize; ++slot) {
      const double x = static_cast<float>(c.draw(slot) * total / 32768.0);
      int32_t k = 0;
      while (k < kPopulationSize && !(x <= sums[k]))
        ++k;
      EXPECT_EQ(ws.search.NextPopulation[slot][0], k < kPopulationSize ? k + 1 : 0)
          << c.name << " slot " << slot;
    }
  }
}

// Values outside 0..32767 never come from the generator, but whatever the table holds,
// a draw that scales outside the rows or genes is rejected rather than used as an index:
// with -32768 everywhere every row draw is -200, which would reach Population.
TEST_F(GeneticOperators, DrawsOutsideTheTableRangeSelectNothing) {
  for (int32_t draw : {-32768, -1, 40000, 2000000000}) {
    SetGenes({100, 50}, {3, 3}, 1000.0f);
    std::fill(std::begin(ws.search.RandomTable), std::end(ws.search.RandomTable), draw);
    for (int32_t r = 0; r < kPopulationSize; ++r) {
      ws.search.Population[r][0] = ws.search.NextPopulation[r][0] = r % 3;
      ws.search.Population[r][1] = ws.search.NextPopulation[r][1] = (r + 1) % 3;
    }
    CrossOverPairs();
    MutatePopulation();
    for (int32_t r = 0; r < kPopulationSize; ++r) {
      ASSERT_EQ(ws.search.Population[r][0], r % 3) << draw << " " << r;
      ASSERT_EQ(ws.search.Population[r][1], (r + 1) % 3) << draw << " " << r;
      ASSERT_EQ(ws.search.NextPopulation[r][0], r % 3) << draw << " " << r;
    }
  }
}

}  // namespace
}  // namespace sawline

// The roulette counts the running sums below its single-precision draw on the sums
// rounded down to single precision; the count agrees only if every value is rounded to the
// largest single-precision number not above it. Values just above, at and just below
// single-precision numbers, from 0 and the subnormals to beyond the largest, go through
// the paths two at a time and one at a time alike.
TEST(RouletteSums, RoundDownToTheLargestSingleBelow) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  const double values[] = {
      0.0,
      1e-310,  // a double far below the smallest single-precision number
      static_cast<double>(std::numeric_limits<float>::denorm_min()) * 1.5,
      1.0,
      std::nextafter(1.0, 2.0),
      std::nextafter(1.0, 0.0),
      16777217.0,  // 2^24 + 1: nearest rounds down
      16777219.0,  // 2^24 + 3: nearest rounds up
      6882.1422321796417,
      3.0e38,
      3.5e38,  // beyond the largest single-precision number
      std::numeric_limits<double>::max(),
      std::numeric_limits<double>::infinity(),
  };
  constexpr int32_t kCount = static_cast<int32_t>(std::size(values));
  for (const int32_t offset : {0, 1}) {  // pairs start at even and at odd values
    std::vector<double> input(values, values + kCount);
    input.insert(input.begin(), offset, 0.0);
    std::vector<float> down(input.size());
    sawline::RoundDownToSingle(input.data(), down.data(), static_cast<int32_t>(input.size()));
    for (size_t i = 0; i < input.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "value " << input[i] << ", offset " << offset);
      const double value = input[i];
      EXPECT_LE(static_cast<double>(down[i]), value);
      if (down[i] != kInf && down[i] != std::numeric_limits<float>::max()) {
        EXPECT_GT(static_cast<double>(std::nextafter(down[i], kInf)), value);
      }
      // The comparison the roulette relies on, against the single-precision numbers around.
      const float near = static_cast<float>(value);
      for (const float x : {std::nextafter(near, 0.0f), near, std::nextafter(near, kInf)})
        EXPECT_EQ(value < static_cast<double>(x), down[i] < x) << "x " << x;
    }
  }
}
