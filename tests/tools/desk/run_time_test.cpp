#include "desk/run_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace sawline::tools {
namespace {

TEST(RunTime, ReadsIsoTimesWithTheirOffset) {
  const struct {
    const char* text;
    int64_t seconds;
    int32_t offset;
  } cases[] = {
      {"2026-03-01T08:15:00+08:00", 1772324100, 8 * 3600},
      {"2026-03-01T00:15:00Z", 1772324100, 0},
      {"2026-03-01 00:15:00z", 1772324100, 0},
      {"2026-03-01T08:15+0800", 1772324100, 8 * 3600},
      {"2026-02-28T19:15:00-05", 1772324100, -5 * 3600},
      {"2024-02-29T12:00:00+05:30", 1709188200, 5 * 3600 + 30 * 60},
      {"1970-01-01T00:00:00Z", 0, 0},
      {"1969-12-31T23:59:59Z", -1, 0},
      {"2100-01-01T00:00:00+00:00", 4102444800, 0},
  };
  for (const auto& entry : cases) {
    RunTime time;
    std::string error;
    ASSERT_TRUE(ParseRunTime(entry.text, &time, &error)) << entry.text << ": " << error;
    EXPECT_EQ(time.seconds, entry.seconds) << entry.text;
    EXPECT_EQ(time.utcOffsetSeconds, entry.offset) << entry.text;
    RunTime again;
    ASSERT_TRUE(ParseRunTime(FormatRunTime(time), &again, &error)) << FormatRunTime(time);
    EXPECT_EQ(again.seconds, time.seconds);
    EXPECT_EQ(again.utcOffsetSeconds, time.utcOffsetSeconds);
  }
  RunTime time{1772324100, 8 * 3600};
  EXPECT_EQ(FormatRunTime(time), "2026-03-01T08:15:00+08:00");
  time.utcOffsetSeconds = -(3 * 3600 + 30 * 60);
  EXPECT_EQ(FormatRunTime(time), "2026-02-28T20:45:00-03:30");
}

TEST(RunTime, RefusesWhatIsNotATimeOfTheCalendar) {
  const struct {
    const char* text;
    const char* reason;
  } cases[] = {
      {"", "is not a time like 2026-03-01T08:15:00+08:00"},
      {"2026-03-01", "is not a time like"},
      {"26-03-01T08:15:00Z", "is not a time like"},
      {"2026-03-01T08:15:00.5Z", "counts whole seconds"},
      {"2026-02-29T08:15:00Z", "is not a date and time of the calendar"},
      {"2026-13-01T08:15:00Z", "is not a date and time of the calendar"},
      {"2026-03-01T24:00:00Z", "is not a date and time of the calendar"},
      {"2026-03-01T08:15:00+24:00", "the UTC offset is out of range"},
      {"2026-03-01T08:15:00+08:", "is not a time like"},
      {"2026-03-01T08:15:00 CET", "is not a time like"},
  };
  for (const auto& entry : cases) {
    RunTime time;
    std::string error;
    EXPECT_FALSE(ParseRunTime(entry.text, &time, &error)) << entry.text;
    EXPECT_NE(error.find(entry.reason), std::string::npos) << entry.text << ": " << error;
  }
}

void SetZone(const char* zone) {
#if defined(_WIN32)
  _putenv_s("TZ", zone);
  _tzset();
#else
  setenv("TZ", zone, 1);
  tzset();
#endif
}

// Without an offset the time is on the desk's clock: here a zone eight hours ahead.
TEST(RunTime, WithoutAnOffsetTheDesksZoneApplies) {
  const char* before = std::getenv("TZ");
  const std::string saved = before != nullptr ? before : "";
  SetZone("CST-8");
  RunTime time;
  std::string error;
  const bool ok = ParseRunTime("2026-03-01T08:15:00", &time, &error);
  SetZone(saved.empty() ? "UTC0" : saved.c_str());
  ASSERT_TRUE(ok) << error;
  EXPECT_EQ(time.seconds, 1772324100);
  EXPECT_EQ(time.utcOffsetSeconds, 8 * 3600);
}

}  // namespace
}  // namespace sawline::tools
