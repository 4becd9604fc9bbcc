#include "desk/run_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

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

// One rule for every offset the desk reads: the real world's zones, at most 14:00
// either side of UTC, both ends included.
TEST(RunTime, UtcOffsetsReachFourteenHoursEitherSide) {
  struct Case {
    const char* text;
    bool ok;
    int32_t seconds;
  };
  const Case cases[] = {
      {"+08:00", true, 28800}, {"-05:30", true, -19800}, {"Z", true, 0},
      {"z", true, 0},          {"+0800", true, 28800},   {"+08", true, 28800},
      {"+14:00", true, 50400}, {"-14:00", true, -50400}, {"-12:00", true, -43200},
      {"+00:00", true, 0},     {"-00:30", true, -1800},  {"8", false, 0},
      {"+8:00", false, 0},     {"+15:00", false, 0},     {"+14:01", false, 0},
      {"-14:01", false, 0},    {"+14:30", false, 0},     {"+23:00", false, 0},
      {"+08:60", false, 0},    {"08:00", false, 0},      {"+08:00x", false, 0},
      {"", false, 0},          {"+", false, 0},          {"+08:0", false, 0},
  };
  for (const Case& c : cases) {
    int32_t seconds = -1;
    std::string error;
    EXPECT_EQ(ParseUtcOffset(c.text, &seconds, &error), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(seconds, c.seconds) << c.text;
    } else {
      EXPECT_FALSE(error.empty()) << c.text;
    }
    // A run time takes the same offsets.
    RunTime time;
    const std::string text = std::string("2026-03-01T08:15:00") + c.text;
    if (c.text[0] == '\0') continue;  // no offset: the desk's zone
    EXPECT_EQ(ParseRunTime(text, &time, &error), c.ok) << text << ": " << error;
    if (c.ok) {
      EXPECT_EQ(time.utcOffsetSeconds, c.seconds) << text;
    }
  }
  int32_t seconds = 0;
  std::string error;
  EXPECT_FALSE(ParseUtcOffset("+14:01", &seconds, &error));
  EXPECT_NE(error.find("no zone is that far from UTC"), std::string::npos) << error;
  EXPECT_FALSE(ParseUtcOffset("+8:00", &seconds, &error));
  EXPECT_NE(error.find("+HH:MM"), std::string::npos) << error;
}

// Known instants across leap days, century years, the epoch and years far outside
// the calendar types' range (which the 400-year cycle carries).
TEST(RunTime, CivilSecondsAndBackAgreeWithKnownInstants) {
  struct Case {
    CivilTime civil;
    int64_t seconds;
  };
  const Case cases[] = {
      {{1970, 1, 1, 0, 0, 0}, 0},
      {{1969, 12, 31, 23, 59, 59}, -1},
      {{2000, 2, 29, 0, 0, 0}, 951782400},
      {{2024, 2, 29, 12, 0, 0}, 1709208000},
      {{2026, 3, 1, 0, 15, 0}, 1772324100},
      {{2100, 1, 1, 0, 0, 0}, 4102444800},
      {{1900, 3, 1, 0, 0, 0}, -2203891200},
      {{2038, 1, 19, 3, 14, 8}, 2147483648},
      {{1, 1, 1, 0, 0, 0}, -62135596800},
      {{0, 3, 1, 0, 0, 0}, -62162035200},
      {{-1, 12, 31, 0, 0, 0}, -62167305600},
      {{9999, 12, 31, 23, 59, 59}, 253402300799},
      {{40000, 1, 1, 0, 0, 0}, 1200110860800},
      {{-40000, 1, 1, 0, 0, 0}, -1324445299200},
  };
  for (const Case& c : cases) {
    const std::string what = std::to_string(c.civil.year) + "-" + std::to_string(c.civil.month) +
                             "-" + std::to_string(c.civil.day);
    EXPECT_EQ(CivilSeconds(c.civil), c.seconds) << what;
    const CivilTime back = CivilFromSeconds(c.seconds);
    EXPECT_EQ(back.year, c.civil.year) << what;
    EXPECT_EQ(back.month, c.civil.month) << what;
    EXPECT_EQ(back.day, c.civil.day) << what;
    EXPECT_EQ(back.hour, c.civil.hour) << what;
    EXPECT_EQ(back.minute, c.civil.minute) << what;
    EXPECT_EQ(back.second, c.civil.second) << what;
    EXPECT_TRUE(IsCalendarTime(c.civil)) << what;
  }
  // Fields past their range count on (or back) into the next larger one.
  EXPECT_EQ(CivilSeconds({2026, 2, 29, 0, 0, 0}), CivilSeconds({2026, 3, 1, 0, 0, 0}));
  EXPECT_EQ(CivilSeconds({2025, 13, 1, 0, 0, 0}), CivilSeconds({2026, 1, 1, 0, 0, 0}));
  EXPECT_EQ(CivilSeconds({2026, 0, 1, 0, 0, 0}), CivilSeconds({2025, 12, 1, 0, 0, 0}));
  EXPECT_EQ(CivilSeconds({2026, 3, 0, 24, 0, 0}), CivilSeconds({2026, 3, 1, 0, 0, 0}));
  EXPECT_EQ(CivilSeconds({2026, 3, 1, 0, 0, -1}), CivilSeconds({2026, 2, 28, 23, 59, 59}));
}

TEST(RunTime, CalendarTimesAreDaysOfTheirMonth) {
  const struct {
    CivilTime civil;
    bool calendar;
  } cases[] = {
      {{2024, 2, 29, 0, 0, 0}, true},  {{2023, 2, 29, 0, 0, 0}, false},
      {{2000, 2, 29, 0, 0, 0}, true},  {{1900, 2, 29, 0, 0, 0}, false},
      {{2026, 4, 31, 0, 0, 0}, false}, {{2026, 12, 31, 23, 59, 59}, true},
      {{2026, 13, 1, 0, 0, 0}, false}, {{2026, 0, 1, 0, 0, 0}, false},
      {{2026, 1, 0, 0, 0, 0}, false},  {{2026, 1, 1, 24, 0, 0}, false},
      {{2026, 1, 1, 0, 60, 0}, false}, {{2026, 1, 1, 0, 0, 60}, false},
      {{-400, 2, 29, 0, 0, 0}, true},  {{40100, 2, 29, 0, 0, 0}, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsCalendarTime(c.civil), c.calendar)
        << c.civil.year << "-" << c.civil.month << "-" << c.civil.day << " " << c.civil.hour << ":"
        << c.civil.minute << ":" << c.civil.second;
  }
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
      {"2026-03-01T08:15:00+14:01", "the UTC offset is out of range"},
      {"2026-03-01T08:15:00-23:00", "no zone is more than 14:00 from UTC"},
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
