// The combination search against the reference build's, the search it replaced: the same
// books and boards must give the same answers to the last bit (piece counts, rest rows,
// remainder, best fitness and the generations run). Every fast path of the search is
// taken by some case here: whole and quarter kerfs, gene counts on both sides of every
// initial scheme's bound, limits from quantities, memos on and off, fixed-only searches.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "interface/block_layout.h"
#include "reference/search_harness.h"
#include "support/random_boards.h"

namespace {

using search_harness::Build;
using search_harness::SearchOutcome;

const Build& Reference() {
  return search_harness::ReferenceBuild();
}
const Build& Current() {
  return search_harness::CurrentBuild();
}

void ExpectSameOutcome(const SearchOutcome& expected, const SearchOutcome& actual) {
  for (int32_t i = 0; i < search_harness::kOutcomeEntries; ++i)
    EXPECT_EQ(expected.pieceCount[i], actual.pieceCount[i]) << "entry " << i;
  EXPECT_EQ(expected.fillRowCount, actual.fillRowCount);
  EXPECT_EQ(0, std::memcmp(expected.fill, actual.fill, sizeof expected.fill)) << "rest rows";
  EXPECT_EQ(0, std::memcmp(&expected.remainder, &actual.remainder, sizeof(float)))
      << expected.remainder << " vs " << actual.remainder;
  EXPECT_EQ(0, std::memcmp(&expected.bestFitness, &actual.bestFitness, sizeof(double)))
      << expected.bestFitness << " vs " << actual.bestFitness;
  EXPECT_EQ(expected.generations, actual.generations);
  // The search finds the same best from many a path: the last generation tells the paths
  // apart.
  EXPECT_EQ(expected.population, actual.population) << "the last generation";
}

struct HeavyCase {
  int32_t fixedOrders;
  int32_t memoOff;
  int32_t fixedOnly;
  float length;
};

TEST(SearchEquivalence, HeavyBookSearchesMatchTheReference) {
  const HeavyCase cases[] = {
      {12, 0, 0, 6000.0f},
      {12, 1, 0, 6000.0f},
      {60, 0, 0, 6000.0f},
      {60, 1, 0, 6000.0f},
      {60, 0, 1, 6000.0f},
      {200, 0, 0, 6000.0f},
      {200, 1, 1, 6000.0f},
      {60, 0, 0, 14999.5f},
      {40, 0, 0, 3001.0f},
      {13, 1, 0, 350.0f},
      {39, 0, 0, 6000.75f},
      {1, 0, 0, 6000.0f},
      // Limits above 127 pieces: the 16-bit rows.
      {60, 0, 0, 60000.0f},
      {12, 1, 1, 45000.5f},
  };
  for (const HeavyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.fixedOrders << " genes, memoOff " << c.memoOff
                                    << ", fixedOnly " << c.fixedOnly << ", length " << c.length);
    SearchOutcome expected{};
    SearchOutcome actual{};
    Reference().loadHeavyBook(c.fixedOrders, c.memoOff);
    Reference().search(c.length, c.fixedOnly, 777u, expected);
    Current().loadHeavyBook(c.fixedOrders, c.memoOff);
    Current().search(c.length, c.fixedOnly, 777u, actual);
    ExpectSameOutcome(expected, actual);
  }
}

// Searches one after another on one book remember their fills for each other; a change
// of the kerf or of a variable-length order in between must not let a fill through.
TEST(SearchEquivalence, SearchesInSequenceMatchTheReference) {
  struct Step {
    float length;
    float kerf;
    int32_t variableOrder;
    int32_t maxLength;  // of that order; 0 leaves the book as it is
  };
  const Step steps[] = {
      {6000.0f, 4.0f, 0, 0},    {5400.0f, 4.0f, 0, 0},    {6000.0f, 4.0f, 0, 0},
      {12000.0f, 4.0f, 0, 0},   {6000.0f, 5.0f, 0, 0},    {6000.0f, 4.0f, 0, 0},
      {6000.0f, 4.0f, 3, 2600}, {5400.0f, 4.0f, 3, 2600}, {6000.0f, 4.0f, 3, 900},
      {6000.0f, 4.25f, 3, 900}, {6000.0f, 4.0f, 3, 900},
  };
  Reference().loadHeavyBook(60, 0);
  Current().loadHeavyBook(60, 0);
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message()
                 << "length " << step.length << ", kerf " << step.kerf << ", order "
                 << step.variableOrder << " up to " << step.maxLength);
    Reference().changeBook(step.kerf, step.variableOrder, step.maxLength);
    Current().changeBook(step.kerf, step.variableOrder, step.maxLength);
    SearchOutcome expected{};
    SearchOutcome actual{};
    Reference().search(step.length, 0, 99u, expected);
    Current().search(step.length, 0, 99u, actual);
    ExpectSameOutcome(expected, actual);
  }
}

// Quantities beyond 32,767 pieces on a long enough segment let a gene's limit pass what
// 16-bit rows hold: the search keeps its 32-bit rows then.
TEST(SearchEquivalence, LimitsBeyondSixteenBitsMatchTheReference) {
  for (const float length : {1.2e7f, 4.0e7f}) {
    SCOPED_TRACE(testing::Message() << "length " << length);
    SearchOutcome expected{};
    SearchOutcome actual{};
    for (const Build* build : {&Reference(), &Current()}) {
      build->loadHeavyBook(12, 0);
      build->setFixedQuantities(40000);
    }
    Reference().search(length, 0, 31u, expected);
    Current().search(length, 0, 31u, actual);
    ExpectSameOutcome(expected, actual);
  }
}

// What the rests of one segment length add is remembered from search to search; a
// search of another length, one without rests, one without the fill memos or a change of
// the variable-length orders in between must neither lose nor spoil it.
TEST(SearchEquivalence, SearchesOfMixedKindsInSequenceMatchTheReference) {
  struct Step {
    float length;
    int32_t fixedOnly;
    int32_t memoOff;
    int32_t maxLength;  // of every variable-length order from this step on; 0 leaves them
  };
  const Step steps[] = {
      {6000.0f, 0, 0, 0}, {6000.0f, 0, 0, 0},    {6000.0f, 1, 0, 0}, {6000.0f, 0, 0, 0},
      {6000.0f, 0, 1, 0}, {6000.0f, 0, 0, 0},    {4800.0f, 0, 0, 0}, {6000.0f, 0, 0, 0},
      {6000.5f, 0, 0, 0}, {6000.0f, 0, 1, 0},    {6000.0f, 0, 1, 0}, {6000.0f, 0, 0, 0},
      {6000.0f, 0, 0, 0}, {6000.0f, 0, 0, 2500}, {6000.0f, 0, 0, 0}, {6000.0f, 0, 0, 1000},
  };
  Reference().loadHeavyBook(60, 0);
  Current().loadHeavyBook(60, 0);
  uint32_t seed = 500u;
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message()
                 << "length " << step.length << ", fixedOnly " << step.fixedOnly << ", memoOff "
                 << step.memoOff << ", orders up to " << step.maxLength);
    SearchOutcome expected{};
    SearchOutcome actual{};
    for (const Build* build : {&Reference(), &Current()}) {
      build->setFillMemoOff(step.memoOff);
      for (int32_t order = 0; order < search_harness::kHeavyVariableOrders; ++order)
        build->changeBook(4.0f, order, step.maxLength);
    }
    Reference().search(step.length, step.fixedOnly, ++seed, expected);
    Current().search(step.length, step.fixedOnly, seed, actual);
    ExpectSameOutcome(expected, actual);
  }
}

// Weights decide whether a row's fitness can be kept in whole units: powers of two and
// ordinary weights can, a mix of tiny and huge ones cannot (the units would not stay
// below 2^53), zeros add nothing, negative ones let the fitness fall below 0, and values
// that are not numbers spoil every sum. Each must give the reference's answers.
TEST(SearchEquivalence, WeightsOfEveryKindMatchTheReference) {
  constexpr float kInf = std::numeric_limits<float>::infinity();
  struct WeightCase {
    const char* name;
    std::vector<float> weights;
  };
  const WeightCase cases[] = {
      {"powers of two", {1.0f, 0.5f, 0.25f, 2.0f}},
      {"ordinary", {0.1f, 0.7f, 1.3f}},
      {"tiny and huge", {1e-7f, 3.0e9f}},
      {"largest", {3.4e38f, 1.0f}},
      {"subnormal", {1e-40f, 1.0f}},
      {"zeros", {0.0f, 1.0f, 0.0f}},
      {"negative", {-1.0f, 0.9f}},
      {"infinite", {kInf, 1.0f}},
      {"not a number", {std::numeric_limits<float>::quiet_NaN(), 1.0f}},
  };
  for (const WeightCase& c : cases) {
    for (const int32_t memoOff : {0, 1}) {
      for (const float length : {6000.0f, 2500.25f}) {
        SCOPED_TRACE(testing::Message()
                     << c.name << ", memoOff " << memoOff << ", length " << length);
        SearchOutcome expected{};
        SearchOutcome actual{};
        for (const Build* build : {&Reference(), &Current()}) {
          build->loadHeavyBook(60, memoOff);
          build->setFixedWeights(c.weights.data(), static_cast<int32_t>(c.weights.size()));
        }
        Reference().search(length, 0, 4242u, expected);
        Current().search(length, 0, 4242u, actual);
        ExpectSameOutcome(expected, actual);
      }
    }
  }
}

// Random books: every mode up to long stock, kerfs in quarters, quantities, memos off in
// a quarter of them; gene counts and lengths from the table, in turn.
TEST(SearchEquivalence, RandomBookSearchesMatchTheReference) {
  constexpr int32_t kGeneCounts[] = {1, 2, 5, 12, 13, 39, 40, 41, 80, 200};
  constexpr float kLengths[] = {6000.0f, 299.0f, 2500.25f, 12000.0f, 4321.5f, 30000.0f};
  int32_t cases = 0;
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    const int32_t genes = kGeneCounts[seed % std::size(kGeneCounts)];
    const float length = kLengths[seed % std::size(kLengths)];
    const int32_t fixedOnly = seed % 5 == 0 ? 1 : 0;
    SCOPED_TRACE(testing::Message() << "book " << seed << ", " << genes << " genes, length "
                                    << length << ", fixedOnly " << fixedOnly);
    SearchOutcome expected{};
    SearchOutcome actual{};
    Reference().loadRandomBook(seed, genes);
    Reference().search(length, fixedOnly, seed, expected);
    Current().loadRandomBook(seed, genes);
    Current().search(length, fixedOnly, seed, actual);
    ExpectSameOutcome(expected, actual);
    ++cases;
  }
  EXPECT_EQ(cases, 30);
}

// Whole boards of every kind through the entry's work: the result blocks match.
TEST(SearchEquivalence, RandomBoardsMatchTheReference) {
  const std::string referenceLog = "BackupData.SearchEquivalence.reference.txt";
  const std::string currentLog = "BackupData.SearchEquivalence.current.txt";
  Reference().setLogPath(referenceLog.c_str());
  Current().setLogPath(currentLog.c_str());
  for (uint32_t seed = 0; seed < 30; ++seed) {
    SCOPED_TRACE(testing::Message() << "board " << seed);
    const sawline::tools::JobBlocks job = sawline::test::RandomBoard(seed);
    std::array<float, sawline::kResultBlockFloats> expected{};
    std::array<float, sawline::kResultBlockFloats> actual{};
    const int32_t expectedPieces = Reference().compute(job.parameters.data(), job.marks.data(),
                                                       expected.data(), 1000u + seed, 0.0);
    const int32_t actualPieces = Current().compute(job.parameters.data(), job.marks.data(),
                                                   actual.data(), 1000u + seed, 0.0);
    EXPECT_EQ(expectedPieces, actualPieces);
    EXPECT_EQ(0, std::memcmp(expected.data(), actual.data(), sizeof(float) * expected.size()));
  }
  Reference().setLogPath(nullptr);
  Current().setLogPath(nullptr);
  std::remove(referenceLog.c_str());
  std::remove(currentLog.c_str());
}

}  // namespace
