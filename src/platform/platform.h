// The platform layer: everything the optimizer needs from the operating system and
// the C runtime, with one meaning on Linux and on Windows.
//
// - a wall clock in milliseconds (never CPU time);
// - calendar seconds and local time;
// - the 15-bit linear congruential generator the search draws from;
// - the run-log file "BackupData.txt", opened and closed around each section;
// - the process-wide lock that serializes calls of the entry.
//
// Tests fix the clock, the seed and the log path through the seam at the end; the
// shared library exports none of it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>

namespace sawline::platform {

// Elapsed wall time in milliseconds from an arbitrary origin; never goes backward.
int64_t ClockMilliseconds();

// Calendar time in whole seconds (what C's time() returns).
int64_t CalendarSeconds();

// Local broken-down time of the current calendar time.
std::tm LocalTime();

// The generator: state = state * 214013 + 2531011 (mod 2^32), draw = (state >> 16) & 0x7FFF.
void SeedRandom(uint32_t seed);
int32_t NextRandom();  // 0..32767

// Seed the search uses: the calendar seconds, or the fixed seed of the test seam.
uint32_t RandomSeed();

// ---- Run log ----
// The run log's file name, in the current directory.
inline constexpr const char* kLogFileName = "BackupData.txt";

// Truncates the run log (opens it for writing and closes it at once).
void TruncateLog();

// Opens the run log for appending in text mode; nullptr when it cannot be opened.
// Every writer closes it again with CloseLog before returning.
std::FILE* OpenLogForAppend();
void CloseLog(std::FILE* file);

// ---- Serialized calls ----
// Holds the process-wide call lock from construction to destruction. The optimizer's
// tables, its generator and the run log belong to the whole process, so calls from
// several threads must run one after another: each then answers exactly as it would
// alone. Uncontended, taking and releasing the lock costs one atomic operation each.
// The lock is not recursive and needs no initialisation, so it is usable from the
// first call on, even from a host's static constructors.
class CallLock {
 public:
  CallLock();
  ~CallLock();
  CallLock(const CallLock&) = delete;
  CallLock& operator=(const CallLock&) = delete;
};

// ---- Test seam (not part of the library's interface) ----
// Freezes the clock at `ms`; every read then advances it by `stepPerRead` ms.
void FixClock(int64_t ms, int64_t stepPerRead = 0);
// Makes RandomSeed() return `seed` instead of the calendar seconds.
void FixSeed(uint32_t seed);
// Makes LocalTime() return `when`.
void FixLocalTime(const std::tm& when);
// Fixes the calendar: CalendarSeconds() returns `seconds` (seconds since 1970 UTC), so
// every search seeds with it, and LocalTime() gives that instant on a clock
// `utcOffsetSeconds` ahead of UTC. With `advanceAfterSeeds` >= 0 the calendar moves on
// one second once that many seeds have been read, as on a line whose call spans a
// second boundary between two searches. FixSeed and FixLocalTime take precedence.
void FixCalendar(int64_t seconds, int32_t utcOffsetSeconds, int32_t advanceAfterSeeds = -1);
// Lets the live clock run `factor` times as fast from the next read on (a factor of 2
// gives every search half its time share, as on a PC half as fast); 0 or less restores
// the real clock. FixClock takes precedence.
void ScaleClock(double factor);
// Calls `observer` at every read of the clock, live or fixed (nullptr stops it): a
// benchmark times the steps of a call between two reads, a search's generations.
void ObserveClock(void (*observer)());
// Writes the run log to `path` instead of "BackupData.txt" (nullptr restores it).
void SetLogPath(const char* path);
// The path the run log is written to now.
const char* LogPath();
// Undoes every fix above.
void ReleaseFixes();

}  // namespace sawline::platform
