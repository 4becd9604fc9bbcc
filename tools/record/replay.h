// Replaying a board from the line's record: the job rebuilt from the record is run on
// the desk through the library's entry and the desk's record is compared with the
// line's, line by line, apart from the two timing lines.
//
// The searches seed the random generator with the calendar second at which each one
// starts, and the record's closing lines give the local time at the end of the call
// and how long it took. The seed search runs the board once for every second the call
// can have spanned (and, for a call that spans a second boundary, for every search at
// which the second can have changed), with the millisecond clock held still, and stops
// at the first run whose record matches. A search that the line's clock cut short
// cannot be repeated that way; the verdict then names the first piece that differs and
// the likely reasons.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "desk/block_geometry.h"
#include "desk/blocks.h"
#include "desk/run_time.h"
#include "record/record_reader.h"
#include "record/record_rebuild.h"

namespace sawline::tools {

// One run of a job on the desk with a fixed calendar second and a stopped clock.
struct DeskRun {
  int64_t seconds = 0;           // the calendar second the searches seed with
  int32_t utcOffsetSeconds = 0;  // the zone of the record's local time
  int split = -1;  // >= 1: the first `split` searches seed with `seconds`, the rest with
                   // `seconds` + 1 (the call crossed a second boundary); -1: all alike
  int32_t returned = 0;
  std::array<float, kResultBlockFloats> result{};
  std::string log;  // the desk's record, as the library wrote it
  bool readable = false;
  Record record;
  RecordError error;  // why the desk's record did not read (never for a sound library)
};

DeskRun RunOnDesk(const JobBlocks& job, int64_t seconds, int32_t utcOffsetSeconds, int split);

// Where two records first part (the timing lines aside).
struct RecordDifference {
  int recordLine = 0;      // 0: the line's record ended there
  int deskLine = 0;        // 0: the desk's record ended there
  std::string recordText;  // the lines as UTF-8, safe to print
  std::string deskText;
  std::string what;         // "cut list piece 3", "fixed-length list entry", ...
  int piece = -1;           // 0-based index of the first cut-list piece that differs, else -1
  bool inSettings = false;  // in the settings record: the rebuilt job is not the line's
  // The records have the same lines, and every number that differs does so by at most
  // 0.1, the last digit the record prints of a length: the same cuts, on lengths with
  // more decimals than the record shows.
  bool roundingOnly = false;
};

// The first difference between the line's record and the desk's; none when they agree.
std::optional<RecordDifference> CompareRecords(const Record& line, const Record& desk);

struct ReplayOptions {
  std::optional<int32_t> utcOffsetSeconds;  // the line computer's zone; default the desk's
  int slackSeconds = 1;     // seconds tried before the earliest start the record gives
  int maxSpanSeconds = 30;  // at most this many seconds are tried
  int maxRuns = 400;        // the seed search's bound on desk runs
  double maxSeconds = 300;  // and on its wall time
};

struct ReplayOutcome {
  RebuiltJob rebuilt;
  bool reproduced = false;
  DeskRun desk;  // the run that reproduced the record, else the one that came closest
  std::optional<RecordDifference> difference;  // when not reproduced
  int runs = 0;                                // desk runs made
  bool seedMatters = true;                     // the board's searches draw random numbers
  int64_t firstSecond = 0;                     // the seconds the seed search tried
  int64_t lastSecond = 0;
  bool boundHit = false;  // the search stopped at its bound before trying everything
  bool otherReadingTried = false;
  std::vector<std::string> reasons;  // likely reasons for a difference, most likely first
};

ReplayOutcome Replay(const Record& record, const ReplayOptions& options);

// The result block the line's host received, as far as the record shows it: the
// converted zones, the cut list with its feed lengths and code fields, the per-order
// counts, the statistics and the board length, each to the precision the record prints;
// all 0 for a record without results (the host's block was then left as it was).
std::array<float, kResultBlockFloats> RecordResultBlock(const Record& record);

// What replay says: what the record holds, what was rebuilt and what the record cannot
// give, the seed search, and the verdict (with the time that repeats it, or the first
// difference and its likely reasons).
void PrintReplay(std::ostream& out, const std::string& recordName, const Record& record,
                 const ReplayOutcome& outcome);

// The record's closing local time as calendar seconds, on a clock `utcOffsetSeconds`
// ahead of UTC (read with ParseUtcOffset of desk/run_time.h), or in the desk's zone at
// that date when no offset is given.
int64_t ClosingSeconds(const RecordClosing& closing, std::optional<int32_t> utcOffsetSeconds,
                       int32_t* usedOffset);

// "2026-03-01T08:15:00+08:00": calendar seconds on the clock of the given zone.
std::string IsoTime(int64_t seconds, int32_t utcOffsetSeconds);

}  // namespace sawline::tools
