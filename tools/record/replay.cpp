#include "record/replay.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

#include "desk/block_geometry.h"
#include "desk/desk_run.h"
#include "desk/files.h"
#include "desk/run_time.h"
#include "interface/sawline.h"

namespace sawline::tools {
namespace {

// The whole budget of a call's searches, shared among its segments.
constexpr double kBoardBudgetSeconds = 0.35;
// A call that took this much of the budget most likely had a search stopped by it.
constexpr double kLikelyCutShortSeconds = 0.8 * kBoardBudgetSeconds;

int64_t CivilSecondsOf(const RecordClosing& c) {
  return CivilSeconds({c.year, c.month, c.day, c.hour, c.minute, c.second});
}

std::filesystem::path TemporaryLogPath() {
  static int counter = 0;
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::error_code ignored;
  std::filesystem::path directory = std::filesystem::temp_directory_path(ignored);
  if (ignored) directory = ".";
  return directory /
         ("sawline-replay-" + std::to_string(stamp) + "-" + std::to_string(++counter) + ".txt");
}

bool SameValue(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return a == b && std::signbit(a) == std::signbit(b);
}

bool SameLine(const RecordLine& a, RecordEncoding ea, const RecordLine& b, RecordEncoding eb) {
  if (a.kind != b.kind || a.values.size() != b.values.size()) return false;
  for (size_t i = 0; i < a.values.size(); ++i) {
    if (!SameValue(a.values[i], b.values[i])) return false;
  }
  if (a.kind == RecordLineKind::kRefusal) {
    return DecodeRecordText(a.text, ea) == DecodeRecordText(b.text, eb);
  }
  return true;
}

// Two lines that differ at most in the last printed digit of a length.
bool SameToTheRounding(const RecordLine& a, RecordEncoding ea, const RecordLine& b,
                       RecordEncoding eb) {
  constexpr double kLastDigit = 0.1 + 1e-6;
  if (a.kind != b.kind || a.values.size() != b.values.size()) return false;
  for (size_t i = 0; i < a.values.size(); ++i) {
    if (!SameValue(a.values[i], b.values[i]) &&
        !(std::fabs(a.values[i] - b.values[i]) <= kLastDigit))
      return false;
  }
  return a.kind != RecordLineKind::kRefusal ||
         DecodeRecordText(a.text, ea) == DecodeRecordText(b.text, eb);
}

bool Timing(const RecordLine& line) {
  return line.kind == RecordLineKind::kElapsed || line.kind == RecordLineKind::kNowTime;
}

// Index one past the settings record: the trimmed segments end it.
size_t SettingsEnd(const Record& record) {
  size_t end = 0;
  for (size_t i = 0; i < record.lines.size(); ++i) {
    if (record.lines[i].kind == RecordLineKind::kTrimmedHeading) {
      end = i + 1;
      while (end < record.lines.size() && record.lines[end].kind == RecordLineKind::kSegment)
        ++end;
      break;
    }
  }
  return end;
}

std::string Describe(const Record& record, size_t index, int* piece) {
  const RecordLine& line = record.lines[index];
  auto ordinal = [&](RecordLineKind kind) {
    int n = 0;
    for (size_t i = 0; i < index; ++i)
      n += record.lines[i].kind == kind ? 1 : 0;
    return n;
  };
  switch (line.kind) {
    case RecordLineKind::kPiece:
      *piece = ordinal(RecordLineKind::kPiece);
      return "cut list piece " + std::to_string(*piece + 1);
    case RecordLineKind::kTransfer:
      *piece = ordinal(RecordLineKind::kTransfer);
      return "controller record " + std::to_string(*piece + 1);
    case RecordLineKind::kPlanRow:
      return "plan row " + std::to_string(ordinal(RecordLineKind::kPlanRow) + 1);
    default:
      return RecordLineName(line.kind);
  }
}

int64_t FloorSeconds(double value) {
  return static_cast<int64_t>(std::floor(value));
}

}  // namespace

DeskRun RunOnDesk(const JobBlocks& job, int64_t seconds, int32_t utcOffsetSeconds, int split) {
  DeskRun run;
  run.seconds = seconds;
  run.utcOffsetSeconds = utcOffsetSeconds;
  run.split = split;
  const std::filesystem::path log = TemporaryLogPath();
  RunOptions options;
  options.fixedTime = RunTime{seconds, utcOffsetSeconds};
  options.advanceAfterSeeds = split;
  options.logPath = log.string();
  const RunOutcome outcome = RunBoard(job, options);
  run.returned = outcome.returned;
  run.result = outcome.result;
  ReadFile(options.logPath, &run.log);
  std::error_code ignored;
  std::filesystem::remove(log, ignored);
  run.readable = ReadRecord(run.log, &run.record, &run.error);
  return run;
}

std::optional<RecordDifference> CompareRecords(const Record& line, const Record& desk) {
  std::vector<size_t> a, b;
  for (size_t i = 0; i < line.lines.size(); ++i) {
    if (!Timing(line.lines[i])) a.push_back(i);
  }
  for (size_t i = 0; i < desk.lines.size(); ++i) {
    if (!Timing(desk.lines[i])) b.push_back(i);
  }
  size_t k = 0;
  while (k < a.size() && k < b.size() &&
         SameLine(line.lines[a[k]], line.encoding, desk.lines[b[k]], desk.encoding)) {
    ++k;
  }
  if (k == a.size() && k == b.size()) return std::nullopt;
  RecordDifference difference;
  if (k < a.size()) {
    const RecordLine& l = line.lines[a[k]];
    difference.recordLine = l.number;
    difference.recordText = DecodeRecordText(l.text, line.encoding);
    difference.what = Describe(line, a[k], &difference.piece);
    difference.inSettings = a[k] < SettingsEnd(line);
  } else {
    difference.what = "the end of the line's record";
    difference.inSettings = false;
  }
  if (k < b.size()) {
    const RecordLine& d = desk.lines[b[k]];
    difference.deskLine = d.number;
    difference.deskText = DecodeRecordText(d.text, desk.encoding);
    if (k >= a.size()) {
      difference.what = Describe(desk, b[k], &difference.piece) + " (the line's record ends)";
      difference.inSettings = b[k] < SettingsEnd(desk);
    }
  }
  difference.roundingOnly = a.size() == b.size();
  for (size_t j = k; j < a.size() && difference.roundingOnly; ++j) {
    difference.roundingOnly =
        SameToTheRounding(line.lines[a[j]], line.encoding, desk.lines[b[j]], desk.encoding);
  }
  return difference;
}

int64_t ClosingSeconds(const RecordClosing& closing, std::optional<int32_t> utcOffsetSeconds,
                       int32_t* usedOffset) {
  const int64_t civil = CivilSecondsOf(closing);
  // The desk's zone at that date; one it cannot place the time in counts as UTC.
  RunTime placed{civil, 0};
  if (utcOffsetSeconds) {
    placed = {civil - *utcOffsetSeconds, *utcOffsetSeconds};
  } else if (!PlaceOnDeskClock(civil, &placed)) {
    placed = {civil, 0};
  }
  if (usedOffset != nullptr) *usedOffset = placed.utcOffsetSeconds;
  return placed.seconds;
}

std::string IsoTime(int64_t seconds, int32_t utcOffsetSeconds) {
  return FormatRunTime({seconds, utcOffsetSeconds});
}

namespace {

class SeedSearch {
 public:
  SeedSearch(const Record& record, const ReplayOptions& options, ReplayOutcome* out)
      : record_(record), options_(options), out_(out) {}

  void Run() {
    out_->rebuilt = RebuildJob(record_, MarkReading::kAuto);
    if (!record_.closing) {
      // No closing lines (nothing planned, or a refused board): no time to seed with.
      out_->seedMatters = false;
      Try(0, 0, -1);
      if (!out_->reproduced) TryOtherReading(0, 0);
      return;
    }
    const int64_t end = ClosingSeconds(*record_.closing, options_.utcOffsetSeconds, &offset_);
    int64_t first = FloorSeconds(static_cast<double>(end) - record_.closing->elapsedSeconds) -
                    options_.slackSeconds;
    if (end - first + 1 > options_.maxSpanSeconds) {
      first = end - options_.maxSpanSeconds + 1;
      out_->boundHit = true;
    }
    out_->firstSecond = first;
    out_->lastSecond = end;

    if (Try(end, offset_, -1) || !Continue()) return;
    if (best_.difference && best_.difference->inSettings) {
      TryOtherReading(end, offset_);
      if (out_->reproduced || (best_.difference && best_.difference->inSettings)) return;
    }
    // Does any search seed at all? With the calendar moving on after the first seed,
    // the desk's closing time tells.
    if (Try(end - 1, offset_, 1)) return;
    if (lastAdvanced_ == 0) {
      out_->seedMatters = false;
      return;
    }
    for (int64_t second = end; second >= first && Continue(); --second) {
      if (second != end && Try(second, offset_, -1)) return;
      if (second == end) continue;
      for (int split = second == end - 1 ? 2 : 1; split <= kResultSegments * 2 && Continue();
           ++split) {
        if (Try(second, offset_, split)) return;
        if (lastAdvanced_ <= 0) break;  // fewer searches than `split`: the rest repeat
      }
    }
  }

 private:
  bool Continue() {
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - started_;
    if (out_->runs < options_.maxRuns && spent.count() < options_.maxSeconds) return true;
    out_->boundHit = true;
    return false;
  }

  // Runs one candidate; true when it reproduces the record.
  bool Try(int64_t second, int32_t offset, int split) {
    DeskRun run = RunOnDesk(out_->rebuilt.job, second, offset, split);
    ++out_->runs;
    lastAdvanced_ = -1;
    if (split >= 1 && run.readable && run.record.closing) {
      const int64_t deskEnd = ClosingSeconds(*run.record.closing, offset, nullptr);
      lastAdvanced_ = deskEnd > second ? 1 : 0;
    }
    std::optional<RecordDifference> difference;
    if (run.readable) {
      difference = CompareRecords(record_, run.record);
    } else {
      difference = RecordDifference{};
      difference->what = "the desk's record does not read: " + run.error.Text();
    }
    const int reached = difference ? Reach(*difference) : std::numeric_limits<int>::max();
    if (!best_.run || reached > bestReach_) {
      best_.run = std::move(run);
      best_.difference = difference;
      bestReach_ = reached;
    }
    if (!difference) {
      out_->reproduced = true;
      out_->desk = std::move(*best_.run);
      out_->difference.reset();
      return true;
    }
    out_->desk = *best_.run;
    out_->difference = best_.difference;
    // The same cuts to the record's rounding: no other second does better.
    return difference->roundingOnly;
  }

  int Reach(const RecordDifference& difference) const {
    const int end = static_cast<int>(record_.lines.size()) + 1;
    if (difference.roundingOnly) return end;
    return difference.recordLine > 0 ? difference.recordLine : end;
  }

  // The marks listed as pairs may have been read as marking lines (or the other way).
  void TryOtherReading(int64_t second, int32_t offset) {
    if (!out_->rebuilt.otherReading) return;
    const RebuiltJob first = out_->rebuilt;
    const MarkReading other = first.reading == MarkReading::kAsListed ? MarkReading::kPairsAsLines
                                                                      : MarkReading::kAsListed;
    out_->rebuilt = RebuildJob(record_, other);
    out_->otherReadingTried = true;
    const int before = bestReach_;
    if (Try(second, offset, -1)) return;
    if (bestReach_ <= before) out_->rebuilt = first;  // the first reading came closer
  }

  struct Best {
    std::optional<DeskRun> run;
    std::optional<RecordDifference> difference;
  };

  const Record& record_;
  const ReplayOptions& options_;
  ReplayOutcome* out_;
  int32_t offset_ = 0;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  int lastAdvanced_ = -1;  // after a split run: 1 the calendar moved on, 0 it did not
  Best best_;
  int bestReach_ = 0;
};

// The desk's record differs only within the record's last printed digit.
std::string RoundingReason(const RecordDifference& difference) {
  return "the desk made the same cuts: every number that differs does so by at most 0.1, the "
         "last digit the record prints, so the marks (or another length) had more decimals "
         "than the record shows (first at line " +
         std::to_string(difference.recordLine) + ")";
}

// The rebuilt job gives another settings record: what the differing line points to.
std::string SettingsReason(const Record& record, const RecordDifference& difference) {
  std::string why =
      "the rebuilt job does not give the line's settings record (" + difference.what + ")";
  switch (record.lines[static_cast<size_t>(std::max(difference.recordLine, 1) - 1)].kind) {
    case RecordLineKind::kMarkPair:
    case RecordLineKind::kMarkLines:
    case RecordLineKind::kSegment:
    case RecordLineKind::kBoardLength:
    case RecordLineKind::kTrimRecord:
      return why + ": the marks' kind, or a mark length with more than one decimal";
    case RecordLineKind::kFixedEntry:
    case RecordLineKind::kVariableEntry:
    case RecordLineKind::kUncutEntry:
      return why + ": an order row the record cannot give back";
    default:
      return why;
  }
}

// What the line's clock may have done that a desk run with the clock stopped does not:
// cut a search short, or let the searches seed with more than two seconds.
void AddClockReasons(const Record& record, const ReplayOutcome& out,
                     std::vector<std::string>& reasons) {
  if (!record.closing) return;
  const double elapsed = record.closing->elapsedSeconds;
  const double limit = record.settings.OptimizeTimeLimit.value;
  if (out.seedMatters && elapsed >= kLikelyCutShortSeconds) {
    reasons.push_back("a search cut short by the line's clock: the call took " +
                      std::to_string(elapsed) + " s of the " + std::to_string(kBoardBudgetSeconds) +
                      " s budget, and a desk run with the clock stopped runs every search "
                      "to its 500 generations");
  } else if (out.seedMatters && elapsed >= limit) {
    reasons.push_back("possibly a search cut short by the line's clock: the call took " +
                      std::to_string(elapsed) + " s, more than one search's share (" +
                      std::to_string(limit) + " s)");
  }
  if (elapsed >= 1.0) {
    reasons.push_back(
        "the call took more than a second, so its searches may have seeded "
        "with more than two different seconds");
  }
}

// A fixed-length weight whose third decimal is not 0 may have had a fourth.
void AddWeightReason(const Record& record, std::vector<std::string>& reasons) {
  for (const RecordFixedEntry& entry : record.fixed) {
    const double thousandths = std::round(entry.weight * 1000.0);
    if (std::fmod(std::fabs(thousandths), 10.0) != 0.0) {
      reasons.push_back("a weight printed to 3 decimals may have had more (line " +
                        std::to_string(entry.line) + ")");
      return;
    }
  }
}

void ExplainDifference(const Record& record, ReplayOutcome* out) {
  std::vector<std::string>& reasons = out->reasons;
  const RecordDifference& difference = *out->difference;
  const int mode = static_cast<int>(record.settings.OptimizeMode.value);
  if (difference.roundingOnly) {
    reasons.push_back(RoundingReason(difference));
    return;
  }
  if (difference.inSettings) {
    reasons.push_back(SettingsReason(record, difference));
    return;
  }
  if (mode == 1) {
    reasons.push_back(
        "value optimization: the record holds values per length unit to 3 "
        "decimals, so the desk's values are only close to the line's");
  }
  if (!out->seedMatters) {
    reasons.push_back(
        "no search of this board draws random numbers, so the seed is not the "
        "cause: a value the record rounds (the kerf, a length, a weight) is");
  }
  AddClockReasons(record, *out, reasons);
  if (mode == 0 || mode == 2) AddWeightReason(record, reasons);
  if (out->boundHit) {
    reasons.push_back("the seed search stopped at its bound (" + std::to_string(out->runs) +
                      " runs, its time or its span of seconds) before trying every candidate");
  }
  if (reasons.empty() || (out->seedMatters && reasons.size() == 1 && out->boundHit)) {
    reasons.push_back(
        "a search cut short by the line's clock, or a value the record rounds "
        "(the kerf or a length beyond one decimal)");
  }
}

}  // namespace

std::array<float, kResultBlockFloats> RecordResultBlock(const Record& record) {
  std::array<float, kResultBlockFloats> block{};
  if (!record.results) return block;
  auto at = [&](int index) -> float& { return block[static_cast<size_t>(index)]; };
  auto f = [](double value) { return static_cast<float>(value); };
  for (size_t i = 0; i < record.converted.size() && i < static_cast<size_t>(kResultSegments); ++i) {
    const int index = static_cast<int>(i);
    at(SAWLINE_RESULT_SEGMENT_GRADE + index) = static_cast<float>(record.converted[i].grade);
    at(SAWLINE_RESULT_SEGMENT_LENGTH + index) = f(record.converted[i].length);
  }
  for (size_t i = 0; i < record.cutList.size() && i < static_cast<size_t>(kResultPieces); ++i) {
    const int index = static_cast<int>(i);
    at(SAWLINE_RESULT_PIECE_GRADE_CODE + index) = static_cast<float>(record.cutList[i].gradeCode);
    at(SAWLINE_RESULT_PIECE_LENGTH + index) = f(record.cutList[i].length);
  }
  for (size_t i = 0; i < record.transfers.size(); ++i) {
    const int index = static_cast<int>(i);
    at(SAWLINE_RESULT_FEED_LENGTH + index) = f(record.transfers[i].feedLength);
    for (int k = 0; k < 4; ++k) {
      at(SAWLINE_RESULT_CODE_FIELD_1 + 100 * k + index) =
          static_cast<float>(record.transfers[i].fields[static_cast<size_t>(k)]);
    }
  }
  const RecordStatistics& s = record.statistics;
  for (const RecordOrderCount& count : s.orderCounts)
    at(SAWLINE_RESULT_FIXED_ORDER_PIECES + count.row) = static_cast<float>(count.pieces);
  for (int g = 1; g <= kMaxOrderGrade; ++g) {
    const auto grade = static_cast<size_t>(g);
    at(SAWLINE_RESULT_GRADE_TOTAL_LENGTH + g) = f(s.total[grade]);
    at(SAWLINE_RESULT_GRADE_SPEC_LENGTH + g) = f(s.fixedLength[grade]);
    at(SAWLINE_RESULT_GRADE_VAR_LENGTH + g) = f(s.variable[grade]);
    at(SAWLINE_RESULT_GRADE_UNCUT_LENGTH + g) = f(s.uncut[grade]);
    at(SAWLINE_RESULT_TOTAL_USEFUL_LENGTH + g) = f(s.useful[grade]);
    at(SAWLINE_RESULT_TOTAL_VALUE + g) = f(s.value[grade]);
    at(SAWLINE_RESULT_TOTAL_FIXED_VALUE + g) = f(s.fixedValue[grade]);
    at(SAWLINE_RESULT_TOTAL_VAR_VALUE + g) = f(s.variableValue[grade]);
  }
  at(SAWLINE_RESULT_TOTAL_USEFUL_LENGTH) = f(s.totalUseful);
  at(SAWLINE_RESULT_TOTAL_VALUE) = f(s.totalValue);
  // The totals of the two value tables are not printed; they add up the grades.
  double fixedValue = 0.0;
  double variableValue = 0.0;
  for (int g = 1; g <= kMaxOrderGrade; ++g) {
    fixedValue += static_cast<double>(at(SAWLINE_RESULT_TOTAL_FIXED_VALUE + g));
    variableValue += static_cast<double>(at(SAWLINE_RESULT_TOTAL_VAR_VALUE + g));
  }
  at(SAWLINE_RESULT_TOTAL_FIXED_VALUE) = f(fixedValue);
  at(SAWLINE_RESULT_TOTAL_VAR_VALUE) = f(variableValue);
  at(SAWLINE_RESULT_BOARD_LENGTH) = f(s.boardLength);
  return block;
}

namespace {

const char* ModeText(int mode) {
  switch (mode) {
    case 0:
      return "length or weighted length";
    case 1:
      return "value";
    case 2:
      return "quantity";
    case 3:
      return "long stock";
    case 4:
      return "defect sawing";
    default:
      return "no such mode";
  }
}

void PrintNotes(std::ostream& out, const char* heading, const std::vector<RebuildNote>& notes) {
  if (notes.empty()) return;
  out << heading << '\n';
  for (const RebuildNote& note : notes) {
    out << "  - ";
    if (note.line > 0) out << "line " << note.line << ": ";
    out << note.text << '\n';
  }
}

std::string ElapsedText(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%f", seconds);
  return text;
}

std::string SplitText(const DeskRun& run) {
  return "the first " + std::to_string(run.split) + " search" + (run.split == 1 ? "" : "es") +
         " seeded at " + IsoTime(run.seconds, run.utcOffsetSeconds) + " and the rest one second " +
         "later";
}

}  // namespace

namespace {

// What the record holds: its form, the board, and what became of it.
void PrintRecordFacts(std::ostream& out, const std::string& recordName, const Record& record) {
  const RecordSettings& settings = record.settings;
  const int mode = static_cast<int>(settings.OptimizeMode.value);
  out << "record: " << recordName << " ("
      << (record.encoding == RecordEncoding::kGbk ? "GBK" : "UTF-8") << ", "
      << (record.crlf ? "CR LF" : "LF") << ", " << record.lines.size() << " lines)\n";
  out << "board: mode " << mode << " (" << ModeText(mode) << "), priority downgrade "
      << (settings.PriorityDowngrade.value == 1.0 ? "on" : "off") << ", "
      << record.marks.entries.size() << " mark lines ("
      << (record.marks.pairs ? "grade/length pairs" : "marking-line intervals") << "), ";
  if (record.refusal) {
    out << "refused: " << *record.refusal << '\n';
  } else if (!record.results) {
    out << "no piece planned\n";
  } else {
    out << record.cutList.size() << " pieces\n";
  }
}

// What was rebuilt from the record, what it cannot give and what the rebuild chose.
void PrintRebuilt(std::ostream& out, const Record& record, const RebuiltJob& rebuilt) {
  out << "rebuilt job: the settings and head and tail cuts, " << record.fixed.size()
      << " fixed-length orders (" << rebuilt.pinnedRows << " at their counted rows";
  if (rebuilt.placeholderRows > 0) out << ", " << rebuilt.placeholderRows << " placeholder rows";
  out << "), " << record.variable.size() << " variable-length, " << record.uncut.size()
      << " uncut, the marks as "
      << (rebuilt.reading == MarkReading::kPairsAsLines
              ? "marking-line intervals (kind 1.5)"
              : (record.marks.pairs ? "grade/length pairs (kind 1.0)"
                                    : "marking-line intervals (kind 0)"))
      << '\n';
  PrintNotes(out, "the record cannot give (the rebuilt job stands in for it):", rebuilt.limits);
  PrintNotes(out, "the rebuild chose:", rebuilt.choices);
}

void PrintSeedSearch(std::ostream& out, const Record& record, const ReplayOutcome& outcome) {
  if (!record.closing) {
    out << "seed search: none (a record without results has no closing time); one run\n";
    return;
  }
  out << "seed search: the call ended at " << ClosingTimeText(*record.closing) << " ("
      << IsoTime(outcome.lastSecond, outcome.desk.utcOffsetSeconds).substr(19) << ") after "
      << ElapsedText(record.closing->elapsedSeconds) << " s; seconds "
      << IsoTime(outcome.firstSecond, outcome.desk.utcOffsetSeconds) << " to "
      << IsoTime(outcome.lastSecond, outcome.desk.utcOffsetSeconds) << " tried, " << outcome.runs
      << " run" << (outcome.runs == 1 ? "" : "s") << " with the clock stopped";
  if (!outcome.seedMatters) out << " (no search of this board draws random numbers)";
  if (outcome.boundHit) out << " (stopped at the search's bound)";
  out << '\n';
}

// The verdict on a record the desk repeated, with how to repeat it again.
void PrintReproduced(std::ostream& out, const Record& record, const ReplayOutcome& outcome) {
  out << "verdict: REPRODUCED exactly: the desk's record equals the line's apart from the "
         "timing lines";
  if (record.results) out << " (plan, cut list, controller records, statistics)";
  out << '\n';
  if (record.closing && outcome.desk.split < 1) {
    out << "  repeat it with: sawline run JOB --time "
        << IsoTime(outcome.desk.seconds, outcome.desk.utcOffsetSeconds) << '\n';
  } else if (record.closing) {
    out << "  with " << SplitText(outcome.desk)
        << ": the call crossed a second boundary, which --time (one second for every "
           "search) does not repeat\n";
  }
}

// The verdict on a record the desk did not repeat: the first difference, the closest
// run and the likely reasons.
void PrintDifferent(std::ostream& out, const Record& record, const ReplayOutcome& outcome) {
  const RecordDifference& difference = *outcome.difference;
  out << "verdict: DIFFERENT";
  if (difference.roundingOnly) out << " in the last printed digit only";
  if (difference.recordLine > 0) out << " at record line " << difference.recordLine;
  out << " (" << difference.what << ")\n";
  if (difference.roundingOnly) {
    out << "  the same pieces, codes and controller records; lengths within 0.1 of the "
           "record's\n";
  }
  out << "  record: "
      << (difference.recordLine > 0 ? "\"" + difference.recordText + "\""
                                    : std::string("(ends here)"))
      << '\n';
  out << "  desk:   "
      << (difference.deskLine > 0 ? "\"" + difference.deskText + "\"" : std::string("(ends here)"))
      << '\n';
  if (record.closing) {
    out << "  closest desk run: "
        << (outcome.desk.split >= 1
                ? SplitText(outcome.desk)
                : "every search seeded at " +
                      IsoTime(outcome.desk.seconds, outcome.desk.utcOffsetSeconds))
        << '\n';
  }
  out << "likely reasons:\n";
  for (const std::string& reason : outcome.reasons)
    out << "  - " << reason << '\n';
}

}  // namespace

void PrintReplay(std::ostream& out, const std::string& recordName, const Record& record,
                 const ReplayOutcome& outcome) {
  PrintRecordFacts(out, recordName, record);
  PrintRebuilt(out, record, outcome.rebuilt);
  PrintSeedSearch(out, record, outcome);
  if (outcome.reproduced) {
    PrintReproduced(out, record, outcome);
  } else {
    PrintDifferent(out, record, outcome);
  }
}

ReplayOutcome Replay(const Record& record, const ReplayOptions& options) {
  ReplayOutcome out;
  SeedSearch(record, options, &out).Run();
  if (!out.reproduced && out.difference) ExplainDifference(record, &out);
  return out;
}

}  // namespace sawline::tools
