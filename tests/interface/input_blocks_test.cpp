#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "interface/block_layout.h"
#include "interface/input_blocks.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

class InputBlocks : public test::WorkspaceTest {};

TEST_F(InputBlocks, IntegerEntriesAreTruncatedTowardZero) {
  struct Case {
    float entry;
    int32_t value;
  };
  const Case cases[] = {
      {2.999f, 2},
      {-0.5f, 0},
      {-3.9f, -3},
      {3.9f, 3},
      {std::numeric_limits<float>::quiet_NaN(), 0},  // refused later, but defined
      {3e9f, std::numeric_limits<int32_t>::max()},
      {-std::numeric_limits<float>::infinity(), std::numeric_limits<int32_t>::min()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry);
    std::array<float, kParameterBlockFloats> block{};
    block[SAWLINE_PARAM_OPTIMIZE_MODE] = c.entry;
    block[SAWLINE_PARAM_FIXED_ORDER_LENGTH + 17] = c.entry;
    block[SAWLINE_PARAM_CB + 8] = c.entry;
    UnpackParameterBlock(block.data());
    EXPECT_EQ(static_cast<int32_t>(ws.settings.OptimizeMode), c.value);
    EXPECT_EQ(ws.orderRows.FixedOrderLength[17], c.value);
    EXPECT_EQ(ws.settings.CB[8], c.value);
  }
}

TEST_F(InputBlocks, FloatEntriesAreCopiedBitForBit) {
  std::array<float, kParameterBlockFloats> block{};
  block[SAWLINE_PARAM_KERF_WIDTH] = 4.5f;
  block[SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 3] = -0.0f;
  block[SAWLINE_PARAM_VARIABLE_ORDER_VALUE + 23] = 1e-40f;  // subnormal
  UnpackParameterBlock(block.data());
  EXPECT_EQ(ws.settings.KerfWidth, 4.5f);
  EXPECT_TRUE(std::signbit(ws.orderRows.FixedOrderWeight[3]));
  EXPECT_EQ(std::memcmp(&ws.orderRows.VariableOrderValue[23],
                        &block[SAWLINE_PARAM_VARIABLE_ORDER_VALUE + 23], sizeof(float)),
            0);
}

TEST_F(InputBlocks, TimeLimitIsFixedWhateverIndex2089Holds) {
  std::array<float, kParameterBlockFloats> block{};
  block[SAWLINE_PARAM_UNUSED_TIME_LIMIT] = 5.0f;
  UnpackParameterBlock(block.data());
  EXPECT_EQ(ws.settings.OptimizeTimeLimit, 0.35f);
}

TEST_F(InputBlocks, HalfCountsEndAtTheFirstZero) {
  struct Case {
    const char* name;
    std::array<float, kBoardMarkBlockFloats> marks;
    int32_t first;
    int32_t second;
  };
  auto marks = [](int firstNonZero, int secondNonZero, float terminator = 0.0f) {
    std::array<float, kBoardMarkBlockFloats> m{};
    for (int i = 0; i < firstNonZero; ++i)
      m[static_cast<size_t>(i)] = 100.0f;
    for (int i = 0; i < secondNonZero; ++i)
      m[static_cast<size_t>(kMarkHalf + i)] = 50.0f;
    if (firstNonZero < kMarkHalf) m[static_cast<size_t>(firstNonZero)] = terminator;
    return m;
  };
  std::array<float, kBoardMarkBlockFloats> entryZeroFirst = marks(7, 3);
  entryZeroFirst[0] = 0.0f;
  const Case cases[] = {
      {"counts up to the zeros", marks(7, 3), 7, 3},
      {"a first entry of 0 ends the half whatever follows", entryZeroFirst, 0, 3},
      {"-0.0 ends a half too", marks(4, 2, -0.0f), 4, 2},
      {"no zero in the first half: 100", marks(100, 5), 100, 5},
      {"both halves full", marks(100, 100), 100, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CopyBoardMarks(c.marks.data());
    EXPECT_EQ(ws.marks.FirstHalfCount, c.first);
    EXPECT_EQ(ws.marks.SecondHalfCount, c.second);
  }
}

}  // namespace
}  // namespace sawline
