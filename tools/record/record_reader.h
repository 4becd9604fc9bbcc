// Reading the line's record: the file BackupData.txt that every call of the library
// leaves behind, turned back into what it says: the settings, the order lists, the
// board marks and segments, the trim record, the downgrade rows, the plan, the cut
// list, the controller records, the per-order counts, the statistics and the timing,
// each item with the number of the line it was read from.
//
// The record is GBK text with CR LF or LF line ends; a copy converted to UTF-8 reads
// as well. The file of a call that planned nothing, or refused the board, ends early
// and is still a whole record. Anything else that does not follow the record's format
// line by line is refused with the number of the first line that does not, and what
// was expected there. Nothing in a record, however broken, makes reading crash or
// take longer than a pass over its lines.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interface/run_log_format.h"
#include "record/record_text.h"

namespace sawline::tools {

// What each line of a record is: one kind for each line format of the run log
// (interface/run_log_format.h, which names the numbers each carries), k<Kind> for
// SAWLINE_LOG_<Kind>, in the fixed order the record's lines follow.
enum class RecordLineKind {
#define SAWLINE_RECORD_LINE_KIND(kind, name, repeat) k##kind,
  SAWLINE_RUN_LOG_LINES(SAWLINE_RECORD_LINE_KIND)
#undef SAWLINE_RECORD_LINE_KIND
};
inline constexpr size_t kRecordLineKinds = static_cast<size_t>(RecordLineKind::kEnd) + 1;

// English name of a line kind for messages ("fixed-length list entry").
const char* RecordLineName(RecordLineKind kind);

// One line of the record as read: its kind and the numbers on it, in order, exactly
// as printed (a NaN or infinity prints as a word and reads back as one).
struct RecordLine {
  int number = 0;  // 1 for the file's first line
  RecordLineKind kind = RecordLineKind::kBlank;
  std::vector<double> values;
  std::string text;  // the line's bytes, without its line end
};

struct RecordValue {
  double value = 0.0;
  int line = 0;  // 0: not in the record
};

// The scalar settings as printed: whole numbers, the kerf to one decimal, and the time
// limit of one search (the fixed budget divided by the segment count) to two.
struct RecordSettings {
  RecordValue WasteGateSelect, WasteMarkCount, TailUnmarkedLength, GradeMarkLength, GradeAMinLength,
      UnmarkedGrade, KerfWidth, FluorescentLineWidth, FrontMarkingMode, TopWasteSideGradeLines,
      SeparateAdjacentSameGrade, RemnantCentering, OptimizeTimeLimit, OptimizeMode,
      PriorityDowngrade, WasteMaxLength, WasteKickerCode;
};

// The order lists as the library built them (fixed-length lists longest first, with
// the mode's weights: in value optimization value per length unit).
struct RecordFixedEntry {
  int grade = 0;
  int length = 0;
  double weight = 0.0;       // three decimals
  double startWeight = 0.0;  // three decimals
  int quantity = 0;
  int done = 0;
  int code = 0;
  int line = 0;
};

struct RecordVariableEntry {
  int grade = 0;
  int minLength = 0;
  int maxLength = 0;
  double weight = 0.0;  // three decimals
  int code = 0;
  int line = 0;
};

struct RecordUncutEntry {
  int grade = 0;
  int minLength = 0;
  int maxLength = 0;
  int code = 0;
  int line = 0;
};

struct RecordTrim {
  int head = 0;  // CT of the grade
  int tail = 0;  // CB of the grade
  int line = 0;
};

// The board marks as listed: the first half's count as the conversion left it (two-face
// marking raises it by the splits it made), then one line per entry pair.
struct RecordMarks {
  RecordValue firstHalfCount;
  bool pairs = false;  // listed as grade/length pairs (the mark kind truncates to 1)
  struct Entry {
    double first = 0.0;   // pairs: the grade, truncated; lines: the top face's interval
    double second = 0.0;  // pairs: the length; lines: the side face's interval
    int line = 0;
  };
  std::vector<Entry> entries;
};

struct RecordSegment {
  int grade = 0;  // truncated
  double length = 0.0;
  int line = 0;
};

struct RecordDowngradeRow {
  int grade = 0;
  double length = 0.0;
  int flag = 0;  // NeighbourFlag
  int line = 0;
};

struct RecordPlanEntry {
  int gradeCode = 0;
  double length = 0.0;
  int count = 0;
  int tag = 0;
};

struct RecordPlanRow {
  int grade = 0;
  double length = 0.0;
  std::vector<RecordPlanEntry> entries;
  int line = 0;
};

struct RecordPiece {
  int gradeCode = 0;
  double length = 0.0;
  int tag = 0;
  int line = 0;
};

struct RecordTransfer {
  double feedLength = 0.0;
  std::array<int, 4> fields{};
  int line = 0;
};

struct RecordOrderCount {
  int row = 0;  // host row of the fixed-length order table
  int pieces = 0;
};

// Per-grade statistics: entry g for grade g (1 to 8), entry 0 unused.
using RecordGrades = std::array<double, 9>;

struct RecordStatistics {
  std::vector<RecordOrderCount> orderCounts;
  int orderCountsLine = 0;
  double boardLength = 0.0;
  double totalUseful = 0.0;
  RecordGrades useful{}, total{}, fixedLength{}, variable{}, uncut{};
  bool values = false;  // value optimization: the value lines are present
  double totalValue = 0.0;
  RecordGrades value{}, fixedValue{}, variableValue{};
  int line = 0;  // the statistics heading
};

// The closing lines: the call's elapsed time and the local time at its end.
struct RecordClosing {
  double elapsedSeconds = 0.0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int line = 0;  // the elapsed-time line; the time follows it
};

struct Record {
  RecordEncoding encoding = RecordEncoding::kGbk;
  bool crlf = false;              // some line ends are CR LF
  std::vector<RecordLine> lines;  // every line read, in file order
  RecordSettings settings;
  std::vector<RecordFixedEntry> fixed;  // grade by grade, in list order
  std::vector<RecordVariableEntry> variable;
  std::vector<RecordUncutEntry> uncut;
  std::array<RecordTrim, 9> trims{};  // by grade 1 to 8
  RecordMarks marks;
  std::vector<RecordSegment> converted;  // after merging, before trimming
  RecordValue boardLength;
  std::array<int, 4> trimRecord{};  // head trimmed, head cut, tail trimmed, tail cut
  int trimRecordLine = 0;
  std::vector<RecordSegment> trimmed;  // after trimming and the marking-line width
  std::optional<std::string> refusal;  // why the library refused the board
  int refusalLine = 0;
  bool downgrade = false;  // the priority-downgrade section is present
  std::vector<RecordDowngradeRow> downgradeRows;
  bool results = false;             // the plan produced pieces: results and closing lines follow
  std::vector<RecordPlanRow> plan;  // not listed in defect sawing
  std::vector<RecordPiece> cutList;
  std::vector<RecordTransfer> transfers;
  RecordStatistics statistics;
  std::optional<RecordClosing> closing;
};

// Why a text is not a readable record: the first line that does not fit (0 for the
// file as a whole) and what was expected there.
struct RecordError {
  int line = 0;
  std::string message;
  std::string Text() const;  // "line 12: expected ..."
};

// Reads a record from its bytes. False with the reason when it is not a record.
bool ReadRecord(std::string_view bytes, Record* record, RecordError* error);
// Reads the file at `path` (at most kMaxRecordBytes of it; a longer file is refused).
bool LoadRecord(const std::string& path, Record* record, RecordError* error);
// The bytes of the file at `path`, under the same limit, for a reader of its own.
bool LoadRecordBytes(const std::string& path, std::string* bytes, RecordError* error);

// A record of the library never comes near this; larger files are not records.
inline constexpr size_t kMaxRecordBytes = 8u << 20;

// The local time at the end of the call as "2026-03-01T08:15:00" (no offset).
std::string ClosingTimeText(const RecordClosing& closing);

}  // namespace sawline::tools
