#include "platform/platform.h"

#include <gtest/gtest.h>

namespace sawline::platform {
namespace {

// The generator must match the C runtime's classic sequence for seed 1.
TEST(RandomGenerator, SeedOneGivesTheClassicSequence) {
  SeedRandom(1);
  const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
  for (int32_t value : expected)
    EXPECT_EQ(NextRandom(), value);
}

TEST(RandomGenerator, DrawsStayBelow32768AndWrapTheState) {
  SeedRandom(0xFFFFFFFFu);
  for (int i = 0; i < 100000; ++i) {
    const int32_t draw = NextRandom();
    ASSERT_GE(draw, 0);
    ASSERT_LE(draw, 32767);
  }
}

TEST(Clock, FixedClockSteps) {
  FixClock(100, 7);
  EXPECT_EQ(ClockMilliseconds(), 100);
  EXPECT_EQ(ClockMilliseconds(), 107);
  ReleaseFixes();
  const int64_t a = ClockMilliseconds();
  EXPECT_GE(ClockMilliseconds(), a);
}

TEST(Seed, FixedSeedReplacesCalendarSeconds) {
  FixSeed(12345);
  EXPECT_EQ(RandomSeed(), 12345u);
  ReleaseFixes();
  EXPECT_NEAR(static_cast<double>(RandomSeed()), static_cast<double>(CalendarSeconds()), 2.0);
}

}  // namespace
}  // namespace sawline::platform
