#include "record/record_archive.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "desk/run_time.h"

namespace sawline::tools {
namespace {

namespace fs = std::filesystem;

constexpr int64_t kSecond = 1000;
constexpr int64_t kMinute = 60 * kSecond;
constexpr int64_t kDay = 24 * 60 * kMinute;

int64_t FloorDiv(int64_t value, int64_t divisor) {
  return value / divisor - (value % divisor < 0 ? 1 : 0);
}

// Reads exactly `digits` decimal digits at `*at` and moves past them.
bool Digits(std::string_view text, size_t* at, size_t digits, int64_t* value) {
  if (text.size() - *at < digits) return false;
  int64_t result = 0;
  for (size_t i = 0; i < digits; ++i) {
    const char c = text[*at + i];
    if (c < '0' || c > '9') return false;
    result = result * 10 + (c - '0');
  }
  *at += digits;
  *value = result;
  return true;
}

bool Literal(std::string_view text, size_t* at, char c) {
  if (*at >= text.size() || text[*at] != c) return false;
  ++*at;
  return true;
}

// "2026-12-11" at `*at`: the day's first millisecond.
bool ReadDay(std::string_view text, size_t* at, LocalMilliseconds* day) {
  CivilTime civil;
  int64_t month = 0, dayOfMonth = 0;
  if (!Digits(text, at, 4, &civil.year) || !Literal(text, at, '-') ||
      !Digits(text, at, 2, &month) || !Literal(text, at, '-') ||
      !Digits(text, at, 2, &dayOfMonth)) {
    return false;
  }
  civil.month = static_cast<int>(month);
  civil.day = static_cast<int>(dayOfMonth);
  if (!IsCalendarTime(civil)) return false;
  *day = CivilSeconds(civil) * kSecond;
  return true;
}

// "10:32[:05[.123]]" at `*at`: the time of day and the span it names.
bool ReadTimeOfDay(std::string_view text, size_t* at, int64_t* offset, int64_t* span) {
  int64_t hour = 0, minute = 0, second = 0, milli = 0;
  if (!Digits(text, at, 2, &hour) || !Literal(text, at, ':') || !Digits(text, at, 2, &minute)) {
    return false;
  }
  *span = kMinute;
  if (Literal(text, at, ':')) {
    if (!Digits(text, at, 2, &second)) return false;
    *span = kSecond;
    if (Literal(text, at, '.')) {
      if (!Digits(text, at, 3, &milli)) return false;
      *span = 1;
    }
  }
  if (hour > 23 || minute > 59 || second > 59) return false;
  *offset = ((hour * 60 + minute) * 60 + second) * kSecond + milli;
  return true;
}

// The highest sequence number among the records of one day folder.
int64_t LastSequenceIn(const fs::path& dayFolder) {
  int64_t last = 0;
  std::error_code error;
  const std::string day = dayFolder.filename().string();
  for (const fs::directory_entry& entry : fs::directory_iterator(dayFolder, error)) {
    const std::optional<ArchivedRecord> record =
        ParseArchiveName(day, entry.path().filename().string());
    if (record) last = std::max(last, record->sequence);
  }
  return last;
}

std::string Quoted(std::string_view text) {
  std::string quoted(1, '"');
  quoted.append(text);
  quoted.push_back('"');
  return quoted;
}

std::string Describe(const ArchivedRecord& record) {
  return ArchiveTimeText(record.time) + " (" + record.path + ")";
}

}  // namespace

LocalMilliseconds LocalClockNow() {
  const int64_t utcMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
  return utcMs + int64_t{LocalUtcOffset(FloorDiv(utcMs, kSecond))} * kSecond;
}

std::string ArchiveDayName(LocalMilliseconds time) {
  const CivilTime civil = CivilFromSeconds(FloorDiv(time, kSecond));
  char text[32];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d", static_cast<long long>(civil.year),
                civil.month, civil.day);
  return text;
}

std::string ArchiveFileName(LocalMilliseconds time, int64_t sequence) {
  const CivilTime civil = CivilFromSeconds(FloorDiv(time, kSecond));
  char text[64];
  std::snprintf(text, sizeof text, "%02d%02d%02d.%03lld-%06lld.txt", civil.hour, civil.minute,
                civil.second, static_cast<long long>(time - FloorDiv(time, kSecond) * kSecond),
                static_cast<long long>(sequence));
  return text;
}

std::string ArchiveTimeText(LocalMilliseconds time) {
  const CivilTime civil = CivilFromSeconds(FloorDiv(time, kSecond));
  char text[64];
  std::snprintf(text, sizeof text, "%s %02d:%02d:%02d.%03lld", ArchiveDayName(time).c_str(),
                civil.hour, civil.minute, civil.second,
                static_cast<long long>(time - FloorDiv(time, kSecond) * kSecond));
  return text;
}

std::optional<ArchivedRecord> ParseArchiveName(std::string_view dayName,
                                               std::string_view fileName) {
  size_t at = 0;
  LocalMilliseconds day = 0;
  if (!ReadDay(dayName, &at, &day) || at != dayName.size()) return std::nullopt;
  at = 0;
  int64_t hour = 0, minute = 0, second = 0, milli = 0, sequence = 0;
  if (!Digits(fileName, &at, 2, &hour) || !Digits(fileName, &at, 2, &minute) ||
      !Digits(fileName, &at, 2, &second) || !Literal(fileName, &at, '.') ||
      !Digits(fileName, &at, 3, &milli) || !Literal(fileName, &at, '-') ||
      !Digits(fileName, &at, 6, &sequence) || fileName.substr(at) != ".txt" || hour > 23 ||
      minute > 59 || second > 59) {
    return std::nullopt;
  }
  ArchivedRecord record;
  record.path = (fs::path(std::string(dayName)) / std::string(fileName)).string();
  record.time = day + ((hour * 60 + minute) * 60 + second) * kSecond + milli;
  record.sequence = sequence;
  return record;
}

bool IsRecordArchive(const std::string& folder) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    size_t at = 0;
    LocalMilliseconds day = 0;
    const std::string name = entry.path().filename().string();
    if (entry.is_directory(error) && ReadDay(name, &at, &day) && at == name.size()) return true;
  }
  return false;
}

std::vector<ArchivedRecord> ListArchive(const std::string& folder) {
  std::vector<ArchivedRecord> records;
  std::error_code error;
  for (const fs::directory_entry& day : fs::directory_iterator(folder, error)) {
    if (!day.is_directory(error)) continue;
    const std::string dayName = day.path().filename().string();
    for (const fs::directory_entry& file : fs::directory_iterator(day.path(), error)) {
      std::optional<ArchivedRecord> record =
          ParseArchiveName(dayName, file.path().filename().string());
      if (!record || !file.is_regular_file(error)) continue;
      record->path = (fs::path(folder) / record->path).string();
      records.push_back(std::move(*record));
    }
  }
  std::sort(records.begin(), records.end(), [](const ArchivedRecord& a, const ArchivedRecord& b) {
    return a.time != b.time ? a.time < b.time : a.sequence < b.sequence;
  });
  return records;
}

bool ParseArchiveTime(std::string_view text, LocalMilliseconds defaultDay, TimeSpan* span,
                      std::string* error) {
  size_t at = 0;
  LocalMilliseconds day = FloorDiv(defaultDay, kDay) * kDay;
  if (text.size() > 5 && text[4] == '-') {
    if (!ReadDay(text, &at, &day) || !(Literal(text, &at, 'T') || Literal(text, &at, ' '))) {
      *error = Quoted(text) + " is not a date and time (2026-12-11T10:32:05)";
      return false;
    }
  }
  int64_t offset = 0, length = 0;
  if (!ReadTimeOfDay(text, &at, &offset, &length) || at != text.size()) {
    *error = Quoted(text) +
             " is not a time (10:32, 10:32:05, 10:32:05.123, or with the date before it: "
             "2026-12-11T10:32:05)";
    return false;
  }
  *span = {day + offset, day + offset + length};
  return true;
}

std::vector<ArchivedRecord> RecordsBetween(const std::vector<ArchivedRecord>& records,
                                           const std::optional<TimeSpan>& from,
                                           const std::optional<TimeSpan>& to) {
  std::vector<ArchivedRecord> kept;
  for (const ArchivedRecord& record : records) {
    if (from && record.time < from->begin) continue;
    if (to && record.time >= to->end) continue;
    kept.push_back(record);
  }
  return kept;
}

bool RecordAt(const std::vector<ArchivedRecord>& records, const TimeSpan& at, ArchivedRecord* found,
              std::string* error) {
  const std::vector<ArchivedRecord> within = RecordsBetween(records, at, at);
  if (within.size() == 1) {
    *found = within.front();
    return true;
  }
  if (within.size() > 1) {
    *error = std::to_string(within.size()) + " records fall in that time; give it to the " +
             "millisecond: ";
    for (size_t i = 0; i < within.size() && i < 10; ++i)
      *error += (i == 0 ? "" : ", ") + ArchiveTimeText(within[i].time);
    if (within.size() > 10) *error += ", ...";
    return false;
  }
  *error = "no record falls in that time";
  const auto after = std::find_if(records.begin(), records.end(),
                                  [&at](const ArchivedRecord& r) { return r.time >= at.end; });
  if (after != records.begin()) *error += "; the one before is " + Describe(*(after - 1));
  if (after != records.end()) *error += "; the one after is " + Describe(*after);
  return false;
}

bool FindArchivedRecord(const std::string& archive, std::string_view time, std::string* path,
                        std::string* error) {
  const std::vector<ArchivedRecord> records = ListArchive(archive);
  if (records.empty()) {
    *error = archive + " holds no collected record";
    return false;
  }
  TimeSpan span;
  ArchivedRecord found;
  if (!ParseArchiveTime(time, records.back().time, &span, error) ||
      !RecordAt(records, span, &found, error)) {
    return false;
  }
  *path = found.path;
  return true;
}

ArchiveWriter::ArchiveWriter(std::string folder) : folder_(std::move(folder)) {}

bool ArchiveWriter::Keep(std::string_view bytes, LocalMilliseconds time, ArchivedRecord* kept,
                         std::string* error) {
  const std::string day = ArchiveDayName(time);
  const fs::path dayFolder = fs::path(folder_) / day;
  std::error_code ignored;
  fs::create_directories(dayFolder, ignored);
  if (day != day_) {
    day_ = day;
    lastSequence_ = LastSequenceIn(dayFolder);
  }
  const int64_t sequence = lastSequence_ + 1;
  const fs::path final = dayFolder / ArchiveFileName(time, sequence);
  fs::path part = final;
  part += ".part";
  std::ofstream file(part, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  std::error_code renamed;
  if (file) fs::rename(part, final, renamed);
  if (!file || renamed) {
    fs::remove(part, ignored);
    *error = final.string() + ": cannot be written";
    return false;
  }
  lastSequence_ = sequence;
  *kept = {final.string(), time, sequence};
  return true;
}

}  // namespace sawline::tools
