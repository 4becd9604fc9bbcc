#include "platform/platform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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

int observedReads = 0;

TEST(Clock, ObserverSeesEveryReadOfFixedAndLiveClockUntilReleased) {
  observedReads = 0;
  ObserveClock([] { ++observedReads; });
  FixClock(0, 1);
  ClockMilliseconds();
  ClockMilliseconds();
  ReleaseFixes();
  ClockMilliseconds();
  EXPECT_EQ(observedReads, 2);  // released with the other fixes
  ObserveClock([] { ++observedReads; });
  ClockMilliseconds();
  EXPECT_EQ(observedReads, 3);
  ObserveClock(nullptr);
  ClockMilliseconds();
  EXPECT_EQ(observedReads, 3);
}

// A second holder waits until the first lets go. The check while the first holds it
// cannot fail when the lock works, whatever the timing.
TEST(CallLock, SecondHolderWaitsForTheFirst) {
  std::atomic<bool> entered{false};
  std::thread second;
  {
    const CallLock first;
    second = std::thread([&] {
      const CallLock waiting;
      entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered);
  }
  second.join();
  EXPECT_TRUE(entered);
}

TEST(Seed, FixedSeedReplacesCalendarSeconds) {
  FixSeed(12345);
  EXPECT_EQ(RandomSeed(), 12345u);
  ReleaseFixes();
  EXPECT_NEAR(static_cast<double>(RandomSeed()), static_cast<double>(CalendarSeconds()), 2.0);
}

// Known instants: the civil date must come out right across leap days, the epoch, the
// far side of 2038 and zones on both sides of UTC.
TEST(Calendar, FixedCalendarGivesSeedsAndLocalTimeOfThatInstant) {
  struct Case {
    int64_t seconds;
    int32_t offset;
    int year, month, day, hour, minute, second;
  };
  const Case cases[] = {
      {0, 0, 1970, 1, 1, 0, 0, 0},
      {1772324100, 8 * 3600, 2026, 3, 1, 8, 15, 0},  // 2026-03-01T08:15:00+08:00
      {1709164800, 0, 2024, 2, 29, 0, 0, 0},         // a leap day
      {2147483648, 0, 2038, 1, 19, 3, 14, 8},        // one past the 32-bit end
      {1767225599, -5 * 3600, 2025, 12, 31, 18, 59, 59},
      {-1, 0, 1969, 12, 31, 23, 59, 59},
  };
  for (const Case& c : cases) {
    FixCalendar(c.seconds, c.offset);
    EXPECT_EQ(CalendarSeconds(), c.seconds);
    EXPECT_EQ(RandomSeed(), static_cast<uint32_t>(c.seconds));
    const std::tm t = LocalTime();
    EXPECT_EQ(t.tm_year + 1900, c.year) << c.seconds;
    EXPECT_EQ(t.tm_mon + 1, c.month) << c.seconds;
    EXPECT_EQ(t.tm_mday, c.day) << c.seconds;
    EXPECT_EQ(t.tm_hour, c.hour) << c.seconds;
    EXPECT_EQ(t.tm_min, c.minute) << c.seconds;
    EXPECT_EQ(t.tm_sec, c.second) << c.seconds;
  }
  ReleaseFixes();
}

// A call that spans a second boundary: the first searches seed with one second, the rest
// (and the closing time) with the next.
TEST(Calendar, CalendarMovesOnAfterTheGivenNumberOfSeeds) {
  FixCalendar(1000, 0, 2);
  EXPECT_EQ(RandomSeed(), 1000u);
  EXPECT_EQ(RandomSeed(), 1000u);
  EXPECT_EQ(RandomSeed(), 1001u);
  EXPECT_EQ(RandomSeed(), 1001u);
  EXPECT_EQ(LocalTime().tm_sec, 41);  // 00:16:41
  FixCalendar(1000, 0, 0);
  EXPECT_EQ(RandomSeed(), 1001u);
  ReleaseFixes();
}

}  // namespace
}  // namespace sawline::platform
