#include "desk/marks.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <limits>
#include <vector>

#include "desk/block_geometry.h"

namespace sawline::tools {
namespace {

using Block = std::array<float, kBoardMarkBlockFloats>;

std::vector<float> Values(std::span<const float> span) {
  return {span.begin(), span.end()};
}

// Every reader of the mark block (the job writer, the block checks, the board report)
// sees what the library reads: a half ends at its first 0, pair lengths go with their
// grades even where one is 0, and only a kind of exactly 1.0 means pairs.
TEST(MarkView, ReadsTheBlockAsTheLibraryDoes) {
  struct Case {
    const char* name;
    std::function<void(Block&)> fill;
    bool pairs;
    std::vector<float> first;
    std::vector<float> second;
    std::vector<float> zoneLengths;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {"pairs",
       [](Block& b) {
         b = {2, 1, 9};
         b[kMarkHalf] = 850;
         b[kMarkHalf + 1] = 2100;
         b[kMarkHalf + 2] = 180;
         b[kMarkKindIndex] = 1.0f;
       },
       true,
       {2, 1, 9},
       {850, 2100, 180},
       {850, 2100, 180}},
      {"a pair whose length is 0 keeps its place; the second half stops there",
       [](Block& b) {
         b = {2, 1};
         b[kMarkHalf] = 0;
         b[kMarkHalf + 1] = 700;
         b[kMarkKindIndex] = 1.0f;
       },
       true,
       {2, 1},
       {},
       {0, 700}},
      {"intervals on two faces, each up to its first 0",
       [](Block& b) {
         b = {300, 400, 0, 500};
         b[kMarkHalf] = 250;
         b[kMarkKindIndex] = 0.0f;
       },
       false,
       {300, 400},
       {250},
       {300, 400}},
      {"a kind near 1 means intervals",
       [](Block& b) {
         b = {300};
         b[kMarkKindIndex] = 1.0000001f;
       },
       false,
       {300},
       {},
       {300}},
      {"an empty block", [](Block&) {}, false, {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Block block{};
    c.fill(block);
    const MarkView view = ReadMarkView(block.data());
    EXPECT_EQ(view.pairs, c.pairs);
    EXPECT_EQ(view.kind, block[kMarkKindIndex]);
    EXPECT_EQ(Values(view.first), c.first);
    EXPECT_EQ(Values(view.second), c.second);
    EXPECT_EQ(Values(view.ZoneLengths()), c.zoneLengths);
    EXPECT_EQ(view.pairLengths.size(), c.pairs ? c.first.size() : 0u);
  }

  // A full half has no 0 to end it: all 100 entries, and nothing of the other half.
  Block full{};
  full.fill(nan);
  for (int i = 0; i < kMarkHalf; ++i)
    full[static_cast<size_t>(i)] = 1.0f;
  full[kMarkHalf] = 0.0f;
  const MarkView view = ReadMarkView(full.data());
  EXPECT_EQ(view.first.size(), static_cast<size_t>(kMarkHalf));
  EXPECT_TRUE(view.second.empty());
  EXPECT_FALSE(view.pairs);  // NaN is not 1
}

}  // namespace
}  // namespace sawline::tools
