// The calendar time of a run: what the library reads as the current time (the search's
// random seed and the run log's timestamp), written as ISO 8601 with its UTC offset,
// and the desk's one calendar: civil dates and times of the proleptic Gregorian
// calendar, UTC offsets, and the desk's local clock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sawline::tools {

struct RunTime {
  int64_t seconds = 0;           // calendar seconds since 1970-01-01T00:00:00Z
  int32_t utcOffsetSeconds = 0;  // how far the local clock runs ahead of UTC
};

// A date and time of day as a clock shows it.
struct CivilTime {
  int64_t year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// The real world's zones lie within 14 hours of UTC (from -12:00 to +14:00); offsets
// beyond that are refused wherever the desk reads one, both ends included.
inline constexpr int32_t kLargestUtcOffsetSeconds = 14 * 3600;

// Seconds since 1970-01-01T00:00:00 of a civil time read on a clock at UTC, for any
// year. A field past its range counts on into the next larger one (day 30 of
// February is a day of March), and one below it back into the previous.
int64_t CivilSeconds(const CivilTime& time);
// The civil time of those seconds; the inverse of CivilSeconds.
CivilTime CivilFromSeconds(int64_t seconds);
// A day of its month, hours 0 to 23, minutes and seconds 0 to 59.
bool IsCalendarTime(const CivilTime& time);

// Reads a UTC offset: "+08:00", "-05:30", "Z" (also "+0800" and "+08"), at most
// kLargestUtcOffsetSeconds either side. False with a reason otherwise.
bool ParseUtcOffset(std::string_view text, int32_t* seconds, std::string* error);

// Reads "2026-03-01T08:15:00+08:00" (also "Z", "+0800", "+08", a space for the "T",
// and no seconds). Without an offset the time is on the desk's local clock. Whole
// seconds only; false and a reason on anything else.
bool ParseRunTime(std::string_view text, RunTime* time, std::string* error);

// "2026-03-01T08:15:00+08:00": the local time and the offset it was read with.
std::string FormatRunTime(const RunTime& time);

// Now, on the desk's local clock.
RunTime CurrentRunTime();

// The desk's UTC offset at the instant `seconds` (0 when the desk's zone cannot say).
int32_t LocalUtcOffset(int64_t seconds);

// The instant at which the desk's local clock shows `localSeconds` (CivilSeconds of
// what it shows), and the offset it runs with then; false when the desk's zone cannot
// place it. Around a change of the zone's offset (a daylight-saving switch) a local time
// that the clock shows twice, or never, is placed with one of the two offsets.
bool PlaceOnDeskClock(int64_t localSeconds, RunTime* time);

}  // namespace sawline::tools
