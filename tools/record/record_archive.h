// The archive of the line's records that `sawline collect` keeps: one file per call of
// the library, byte for byte as the library wrote BackupData.txt, under a folder per day.
//
//   ARCHIVE/2026-12-11/103205.123-000042.txt
//
// The folder is the date and the name the time of day (hours, minutes, seconds and
// milliseconds) at which the collector saw the call's record begin, on the line PC's
// local clock, then the record's sequence number within its day. The sequence number
// tells apart two calls of one millisecond and two identical records, so that every
// call is a file of its own and the names sort in time order. A file is written under
// a ".part" name and renamed when it is whole, so a listing never sees half a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sawline::tools {

// Milliseconds since 1970-01-01T00:00:00 of a time read on the line PC's local clock
// (no zone: the archive keeps the clock's reading, as the record itself does).
using LocalMilliseconds = int64_t;

// Now on the local clock of the machine running the tool.
LocalMilliseconds LocalClockNow();

struct ArchivedRecord {
  std::string path;  // the file, ARCHIVE/<date>/<name>
  LocalMilliseconds time = 0;
  int64_t sequence = 0;  // within the day, from 1
};

// "2026-12-11" and "103205.123-000042.txt" for a record of that time and number.
std::string ArchiveDayName(LocalMilliseconds time);
std::string ArchiveFileName(LocalMilliseconds time, int64_t sequence);
// "2026-12-11 10:32:05.123", as the tool prints a record's time.
std::string ArchiveTimeText(LocalMilliseconds time);

// Reads a day folder's and a file's name back; nullopt for any other name.
std::optional<ArchivedRecord> ParseArchiveName(std::string_view dayName, std::string_view fileName);

// A folder of the archive's shape: it holds at least one day folder.
bool IsRecordArchive(const std::string& folder);

// Every record of the archive, in time order (sequence order within a millisecond).
std::vector<ArchivedRecord> ListArchive(const std::string& folder);

// The span of times a TIME option names: a whole second for "10:32:05", a minute for
// "10:32", a millisecond for "10:32:05.123"; [begin, end).
struct TimeSpan {
  LocalMilliseconds begin = 0;
  LocalMilliseconds end = 0;
};

// Reads "2026-12-11T10:32:05" (a space for the "T" too, seconds and milliseconds
// optional) or a time of day alone, "10:32[:05[.123]]", which is on `defaultDay` (any
// time of that day). False with a reason on anything else.
bool ParseArchiveTime(std::string_view text, LocalMilliseconds defaultDay, TimeSpan* span,
                      std::string* error);

// The records from the start of `from` to the end of `to` (either may be absent), in
// time order.
std::vector<ArchivedRecord> RecordsBetween(const std::vector<ArchivedRecord>& records,
                                           const std::optional<TimeSpan>& from,
                                           const std::optional<TimeSpan>& to);

// The one record of the call at `at` (the records are in time order): the record
// within the span, or false with a reason naming the records there, or the nearest
// ones before and after when there is none.
bool RecordAt(const std::vector<ArchivedRecord>& records, const TimeSpan& at, ArchivedRecord* found,
              std::string* error);

// Resolves the TIME text of `replay ARCHIVE --at TIME` to the record's file.
bool FindArchivedRecord(const std::string& archive, std::string_view time, std::string* path,
                        std::string* error);

// Writes records into an archive, numbering each day's records on from the highest
// number its folder already holds (so a restarted collector never reuses a name).
class ArchiveWriter {
 public:
  explicit ArchiveWriter(std::string folder);
  // Writes `bytes` as the record of `time`; false with a reason when it cannot.
  bool Keep(std::string_view bytes, LocalMilliseconds time, ArchivedRecord* kept,
            std::string* error);

 private:
  std::string folder_;
  std::string day_;  // the day folder the numbers below belong to
  int64_t lastSequence_ = 0;
};

}  // namespace sawline::tools
