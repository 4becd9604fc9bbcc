#include "desk/run_time.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>

namespace sawline::tools {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// The Gregorian calendar repeats every 400 years, which are exactly this many days.
// The standard calendar types count years within +-32767 only, so a date is moved by
// whole cycles into the years 0 to 399 and back.
constexpr int64_t kDaysPer400Years = 146097;

int64_t FloorDivide(int64_t value, int64_t divisor) {
  const int64_t quotient = value / divisor;
  return quotient * divisor > value ? quotient - 1 : quotient;
}

std::chrono::year_month_day DateInCycle(int64_t yearInCycle, int month, int day) {
  return {std::chrono::year{static_cast<int>(yearInCycle)},
          std::chrono::month{static_cast<unsigned>(month)},
          std::chrono::day{static_cast<unsigned>(day)}};
}

// Days since 1970-01-01 of the first day of a month; months past 12 or below 1 count
// on into the next or previous years.
int64_t DaysToMonth(int64_t year, int month) {
  year += FloorDivide(month - 1, 12);
  month -= static_cast<int>(FloorDivide(month - 1, 12)) * 12;
  const int64_t cycles = FloorDivide(year, 400);
  const std::chrono::sys_days first = DateInCycle(year - cycles * 400, month, 1);
  return first.time_since_epoch().count() + cycles * kDaysPer400Years;
}

std::optional<std::tm> DeskLocalTime(int64_t seconds) {
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
#if defined(_WIN32)
  if (localtime_s(&local, &when) != 0) return std::nullopt;
#else
  if (localtime_r(&when, &local) == nullptr) return std::nullopt;
#endif
  return local;
}

std::optional<int32_t> DeskUtcOffset(int64_t seconds) {
  const std::optional<std::tm> local = DeskLocalTime(seconds);
  if (!local) return std::nullopt;
  const int64_t shown =
      CivilSeconds({local->tm_year + int64_t{1900}, local->tm_mon + 1, local->tm_mday,
                    local->tm_hour, local->tm_min, local->tm_sec});
  return static_cast<int32_t>(shown - seconds);
}

// ---- Reading ISO 8601 text ----

// Reads exactly `digits` decimal digits at `at`.
bool Digits(std::string_view text, size_t* at, size_t digits, int* value) {
  if (*at + digits > text.size()) return false;
  int number = 0;
  for (size_t i = 0; i < digits; ++i) {
    const char c = text[*at + i];
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  *at += digits;
  *value = number;
  return true;
}

bool Expect(std::string_view text, size_t* at, char c) {
  if (*at >= text.size() || text[*at] != c) return false;
  ++*at;
  return true;
}

enum class OffsetRead { kRead, kNoOffset, kOutOfRange };

// "Z", "+HH:MM", "+HHMM" or "+HH" (or with '-'), the whole of `text`.
OffsetRead ReadUtcOffset(std::string_view text, int32_t* seconds) {
  if (text == "Z" || text == "z") {
    *seconds = 0;
    return OffsetRead::kRead;
  }
  if (text.empty() || (text[0] != '+' && text[0] != '-')) return OffsetRead::kNoOffset;
  size_t at = 1;
  int hours = 0;
  int minutes = 0;
  if (!Digits(text, &at, 2, &hours)) return OffsetRead::kNoOffset;
  if (at < text.size()) {
    Expect(text, &at, ':');
    if (!Digits(text, &at, 2, &minutes)) return OffsetRead::kNoOffset;
  }
  if (at != text.size()) return OffsetRead::kNoOffset;
  const int32_t magnitude = hours * 3600 + minutes * 60;
  if (minutes > 59 || magnitude > kLargestUtcOffsetSeconds) return OffsetRead::kOutOfRange;
  *seconds = text[0] == '-' ? -magnitude : magnitude;
  return OffsetRead::kRead;
}

// "YYYY-MM-DDTHH:MM" and optionally ":SS" from the start of `text`; `at` past them.
bool ReadCivilTime(std::string_view text, size_t* at, CivilTime* time) {
  int year = 0;
  if (!Digits(text, at, 4, &year) || !Expect(text, at, '-') || !Digits(text, at, 2, &time->month) ||
      !Expect(text, at, '-') || !Digits(text, at, 2, &time->day) ||
      !(Expect(text, at, 'T') || Expect(text, at, 't') || Expect(text, at, ' ')) ||
      !Digits(text, at, 2, &time->hour) || !Expect(text, at, ':') ||
      !Digits(text, at, 2, &time->minute)) {
    return false;
  }
  time->year = year;
  time->second = 0;
  return !Expect(text, at, ':') || Digits(text, at, 2, &time->second);
}

}  // namespace

int64_t CivilSeconds(const CivilTime& time) {
  return (DaysToMonth(time.year, time.month) + time.day - 1) * kSecondsPerDay + time.hour * 3600 +
         time.minute * 60 + time.second;
}

CivilTime CivilFromSeconds(int64_t seconds) {
  const int64_t days = FloorDivide(seconds, kSecondsPerDay);
  const int64_t secondOfDay = seconds - days * kSecondsPerDay;
  const int64_t cycles = FloorDivide(days, kDaysPer400Years);
  const std::chrono::year_month_day date{
      std::chrono::sys_days{std::chrono::days{days - cycles * kDaysPer400Years}}};
  CivilTime time;
  time.year = static_cast<int>(date.year()) + cycles * 400;
  time.month = static_cast<int>(static_cast<unsigned>(date.month()));
  time.day = static_cast<int>(static_cast<unsigned>(date.day()));
  time.hour = static_cast<int>(secondOfDay / 3600);
  time.minute = static_cast<int>(secondOfDay / 60 % 60);
  time.second = static_cast<int>(secondOfDay % 60);
  return time;
}

bool IsCalendarTime(const CivilTime& time) {
  if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31) return false;
  const int64_t cycles = FloorDivide(time.year, 400);
  return DateInCycle(time.year - cycles * 400, time.month, time.day).ok() && time.hour >= 0 &&
         time.hour <= 23 && time.minute >= 0 && time.minute <= 59 && time.second >= 0 &&
         time.second <= 59;
}

bool ParseUtcOffset(std::string_view text, int32_t* seconds, std::string* error) {
  const OffsetRead read = ReadUtcOffset(text, seconds);
  if (read == OffsetRead::kRead) return true;
  if (error != nullptr) {
    *error = std::string(read == OffsetRead::kOutOfRange ? "no zone is that far from UTC"
                                                         : "a UTC offset is +HH:MM or -HH:MM") +
             ": '" + std::string(text) + "'";
  }
  return false;
}

bool ParseRunTime(std::string_view text, RunTime* time, std::string* error) {
  std::string quoted = "\"";
  quoted.append(text);
  quoted += '"';
  const std::string form = quoted +
                           " is not a time like 2026-03-01T08:15:00+08:00 (ISO 8601; without an "
                           "offset the desk's local time)";
  size_t at = 0;
  CivilTime civil;
  if (!ReadCivilTime(text, &at, &civil)) {
    *error = form;
    return false;
  }
  if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
    *error = quoted + ": the library's calendar counts whole seconds";
    return false;
  }
  if (!IsCalendarTime(civil)) {
    *error = quoted + " is not a date and time of the calendar";
    return false;
  }
  if (at == text.size()) {
    if (PlaceOnDeskClock(CivilSeconds(civil), time)) return true;
    *error =
        quoted + " cannot be placed on the desk's local clock; give its UTC offset, e.g. +08:00";
    return false;
  }
  int32_t offset = 0;
  switch (ReadUtcOffset(text.substr(at), &offset)) {
    case OffsetRead::kRead:
      time->seconds = CivilSeconds(civil) - offset;
      time->utcOffsetSeconds = offset;
      return true;
    case OffsetRead::kOutOfRange:
      *error = quoted + ": the UTC offset is out of range (no zone is more than 14:00 from UTC)";
      return false;
    case OffsetRead::kNoOffset:
      break;
  }
  *error = form;
  return false;
}

std::string FormatRunTime(const RunTime& time) {
  const CivilTime local = CivilFromSeconds(time.seconds + time.utcOffsetSeconds);
  const int32_t offset = time.utcOffsetSeconds < 0 ? -time.utcOffsetSeconds : time.utcOffsetSeconds;
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                static_cast<long long>(local.year), local.month, local.day, local.hour,
                local.minute, local.second, time.utcOffsetSeconds < 0 ? '-' : '+',
                static_cast<int>(offset / 3600), static_cast<int>(offset / 60 % 60));
  return text;
}

RunTime CurrentRunTime() {
  RunTime now;
  now.seconds = std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
  now.utcOffsetSeconds = LocalUtcOffset(now.seconds);
  return now;
}

int32_t LocalUtcOffset(int64_t seconds) {
  return DeskUtcOffset(seconds).value_or(0);
}

// The offset the zone has at the local time read as UTC is at most a change of the
// zone's offset away from the true one; the offset at the instant it gives is taken.
bool PlaceOnDeskClock(int64_t localSeconds, RunTime* time) {
  const std::optional<int32_t> guess = DeskUtcOffset(localSeconds);
  if (!guess) return false;
  const std::optional<int32_t> offset = DeskUtcOffset(localSeconds - *guess);
  if (!offset) return false;
  time->seconds = localSeconds - *offset;
  time->utcOffsetSeconds = *offset;
  return true;
}

}  // namespace sawline::tools
