#include "desk/run_time.h"

#include <cctype>
#include <cstdio>
#include <ctime>

#include "platform/platform.h"

namespace sawline::tools {
namespace {

constexpr int64_t kSecondsPerDay = 86400;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int64_t* year, int* month, int* day) {
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t dayOfEra = z - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  *day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  *month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  *year = yearOfEra + era * 400 + (*month <= 2 ? 1 : 0);
}

int DaysInMonth(int64_t year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads exactly `digits` decimal digits at `at`.
bool Digits(std::string_view text, size_t* at, size_t digits, int* value) {
  if (*at + digits > text.size()) return false;
  int number = 0;
  for (size_t i = 0; i < digits; ++i) {
    const char c = text[*at + i];
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
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

}  // namespace

int32_t LocalUtcOffset(int64_t seconds) {
  const std::time_t when = static_cast<std::time_t>(seconds);
  const std::tm* local = std::localtime(&when);
  if (local == nullptr) return 0;
  const int64_t localSeconds =
      DaysFromCivil(local->tm_year + 1900, local->tm_mon + 1, local->tm_mday) * kSecondsPerDay +
      local->tm_hour * 3600 + local->tm_min * 60 + local->tm_sec;
  return static_cast<int32_t>(localSeconds - seconds);
}

bool ParseRunTime(std::string_view text, RunTime* time, std::string* error) {
  std::string quoted = "\"";
  quoted.append(text);
  quoted += '"';
  const std::string form = quoted +
                           " is not a time like 2026-03-01T08:15:00+08:00 (ISO 8601; without an "
                           "offset the desk's local time)";
  size_t at = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (!Digits(text, &at, 4, &year) || !Expect(text, &at, '-') || !Digits(text, &at, 2, &month) ||
      !Expect(text, &at, '-') || !Digits(text, &at, 2, &day) ||
      !(Expect(text, &at, 'T') || Expect(text, &at, 't') || Expect(text, &at, ' ')) ||
      !Digits(text, &at, 2, &hour) || !Expect(text, &at, ':') || !Digits(text, &at, 2, &minute)) {
    *error = form;
    return false;
  }
  if (Expect(text, &at, ':') && !Digits(text, &at, 2, &second)) {
    *error = form;
    return false;
  }
  if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
    *error = quoted + ": the library's calendar counts whole seconds";
    return false;
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
      minute > 59 || second > 59) {
    *error = quoted + " is not a date and time of the calendar";
    return false;
  }
  const int64_t fields =
      DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
  if (at == text.size()) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t when = std::mktime(&local);
    if (when == static_cast<std::time_t>(-1)) {
      *error = quoted +
               " cannot be placed on the desk's local clock; give its UTC offset, e.g. "
               "+08:00";
      return false;
    }
    time->seconds = static_cast<int64_t>(when);
    time->utcOffsetSeconds = LocalUtcOffset(time->seconds);
    return true;
  }
  int offset = 0;
  if (text[at] == 'Z' || text[at] == 'z') {
    ++at;
  } else if (text[at] == '+' || text[at] == '-') {
    const int sign = text[at] == '-' ? -1 : 1;
    ++at;
    int offsetHours = 0, offsetMinutes = 0;
    if (!Digits(text, &at, 2, &offsetHours)) {
      *error = form;
      return false;
    }
    if (at < text.size()) {
      Expect(text, &at, ':');
      if (!Digits(text, &at, 2, &offsetMinutes)) {
        *error = form;
        return false;
      }
    }
    if (offsetHours > 23 || offsetMinutes > 59) {
      *error = quoted + ": the UTC offset is out of range";
      return false;
    }
    offset = sign * (offsetHours * 3600 + offsetMinutes * 60);
  }
  if (at != text.size()) {
    *error = form;
    return false;
  }
  time->seconds = fields - offset;
  time->utcOffsetSeconds = offset;
  return true;
}

std::string FormatRunTime(const RunTime& time) {
  const int64_t local = time.seconds + time.utcOffsetSeconds;
  int64_t days = local / kSecondsPerDay;
  int64_t secondOfDay = local % kSecondsPerDay;
  if (secondOfDay < 0) {
    secondOfDay += kSecondsPerDay;
    --days;
  }
  int64_t year = 0;
  int month = 0, day = 0;
  CivilFromDays(days, &year, &month, &day);
  const int32_t offset = time.utcOffsetSeconds < 0 ? -time.utcOffsetSeconds : time.utcOffsetSeconds;
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                static_cast<long long>(year), month, day, static_cast<int>(secondOfDay / 3600),
                static_cast<int>(secondOfDay / 60 % 60), static_cast<int>(secondOfDay % 60),
                time.utcOffsetSeconds < 0 ? '-' : '+', static_cast<int>(offset / 3600),
                static_cast<int>(offset / 60 % 60));
  return text;
}

RunTime CurrentRunTime() {
  RunTime now;
  now.seconds = platform::CalendarSeconds();
  now.utcOffsetSeconds = LocalUtcOffset(now.seconds);
  return now;
}

}  // namespace sawline::tools
