#include "record/record_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include "desk/files.h"
#include "interface/run_log_format.h"

namespace sawline::tools {
namespace {

// ---- The record's line formats ----
//
// Each line kind with its format (interface/run_log_format.h, which the library writes
// with: labels in UTF-8 here, converted to the record's encoding before matching), a
// name for messages, and what repeats after the format on the line. Formats are
// matched rather than scanned: a run of spaces stands for one or more spaces (the
// spaces a conversion pads with are skipped too), trailing spaces are optional, and
// every number must be written exactly as the conversion writes it.
enum class Repeat { kNone, kLengthGroups, kValueGroups, kCountGroups, kPlanEntries, kText };

struct LineFormat {
  RecordLineKind kind;
  const char* format;
  const char* name;
  Repeat repeat;
};

const LineFormat kFormats[] = {
#define SAWLINE_RECORD_FORMAT(kind, name, repeat) \
  {RecordLineKind::k##kind, SAWLINE_LOG_##kind, name, Repeat::k##repeat},
    SAWLINE_RUN_LOG_LINES(SAWLINE_RECORD_FORMAT)
#undef SAWLINE_RECORD_FORMAT
};
static_assert(std::size(kFormats) == kRecordLineKinds);

const LineFormat& FormatOf(RecordLineKind kind) {
  return kFormats[static_cast<size_t>(kind)];
}

// ---- Matching one line against a format ----

struct Conversion {
  bool zeroPad = false;
  int width = 0;
  int precision = -1;  // -1: an integer conversion
};

enum class Match { kMatched, kMismatch, kBadNumber };

class LineMatcher {
 public:
  LineMatcher(std::string_view line, std::vector<double>* values) : line_(line), values_(values) {}

  // Matches `format` from the current position on and moves past what it matched.
  Match Take(std::string_view format) {
    size_t i = 0;
    while (i < format.size()) {
      if (format[i] == ' ') {
        size_t end = i;
        while (end < format.size() && format[end] == ' ')
          ++end;
        const size_t spaces = Spaces();
        if (spaces == 0 && !(end == format.size() && at_ == line_.size())) return Mismatch();
        at_ += spaces;
        i = end;
      } else if (format[i] == '%') {
        Conversion conversion;
        i = ReadConversion(format, i + 1, &conversion);
        at_ += Spaces();
        if (!TakeNumber(conversion)) return badToken_.empty() ? Mismatch() : Match::kBadNumber;
      } else {
        if (at_ >= line_.size() || line_[at_] != format[i]) return Mismatch();
        ++at_;
        ++i;
      }
    }
    return Match::kMatched;
  }

  bool AtEnd() const { return at_ == line_.size(); }
  size_t Column() const { return failedAt_ + 1; }
  size_t Position() const { return at_ + 1; }
  const std::string& BadToken() const { return badToken_; }

 private:
  Match Mismatch() {
    failedAt_ = at_;
    return Match::kMismatch;
  }

  size_t Spaces() const {
    size_t n = 0;
    while (at_ + n < line_.size() && line_[at_ + n] == ' ')
      ++n;
    return n;
  }

  static size_t ReadConversion(std::string_view format, size_t i, Conversion* conversion) {
    if (i < format.size() && format[i] == '0') {
      conversion->zeroPad = true;
      ++i;
    }
    while (i < format.size() && format[i] >= '0' && format[i] <= '9')
      conversion->width = conversion->width * 10 + (format[i++] - '0');
    if (i < format.size() && format[i] == '.') {
      conversion->precision = 0;
      ++i;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9')
        conversion->precision = conversion->precision * 10 + (format[i++] - '0');
    }
    if (i < format.size() && format[i] == 'l') ++i;
    if (i < format.size() && format[i] == 'f' && conversion->precision < 0) {
      conversion->precision = 6;
    }
    return i + 1;  // past 'd' or 'f'
  }

  static bool Digit(char c) { return c >= '0' && c <= '9'; }
  static bool Letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

  // A float the C runtime printed as a word: "nan", "-nan", "inf", "nan(ind)" (newer
  // Windows runtimes), "1.#INF00", "-1.#IND00", "1.#QNAN0" (older ones).
  bool TakeSpecial(size_t start) {
    size_t at = start;
    if (at < line_.size() && line_[at] == '-') ++at;
    const std::string_view rest = line_.substr(at);
    size_t end = at;
    bool infinite = false;
    if (rest.starts_with("1.#")) {
      end += 3;
      infinite = rest.substr(3).starts_with("INF");
      while (end < line_.size() && (Letter(line_[end]) || Digit(line_[end]) || line_[end] == '$'))
        ++end;
      if (end == at + 3) return false;
    } else {
      std::string word(rest.substr(0, 3));
      for (char& c : word)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      if (word != "nan" && word != "inf") return false;
      infinite = word == "inf";
      end += 3;
      if (infinite && line_.substr(end).starts_with("inity")) end += 5;
      if (!infinite && line_.substr(end).starts_with("(")) {
        const size_t close = line_.find(')', end);
        if (close == std::string_view::npos || close - end > 32) return false;
        end = close + 1;
      }
    }
    const double value = infinite ? std::numeric_limits<double>::infinity()
                                  : std::numeric_limits<double>::quiet_NaN();
    values_->push_back(at > start ? -value : value);
    at_ = end;
    return true;
  }

  bool TakeNumber(const Conversion& conversion) {
    const size_t start = at_;
    const bool integer = conversion.precision < 0;
    if (!integer && TakeSpecial(start)) return true;
    size_t end = start;
    if (end < line_.size() && line_[end] == '-') ++end;
    while (end < line_.size() && (Digit(line_[end]) || (!integer && line_[end] == '.')))
      ++end;
    const std::string_view token = line_.substr(start, end - start);
    failedAt_ = start;
    if (token.empty() || token == "-") return false;
    constexpr size_t kLongestNumber = 64;  // a float printed in full has at most 39 + 7
    const size_t word = line_.find(' ', start);
    badToken_ = std::string(line_.substr(start, std::min(word - start, kLongestNumber)));
    if (token.size() > kLongestNumber) return false;
    double value = 0.0;
    if (integer) {
      int64_t whole = 0;
      const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), whole);
      if (ec != std::errc() || ptr != token.data() + token.size() ||
          whole < std::numeric_limits<int32_t>::min() ||
          whole > std::numeric_limits<int32_t>::max()) {
        return false;
      }
      // Exactly the conversion's digits: no leading zeros beyond a zero-padded width.
      char text[32];
      std::snprintf(text, sizeof text, conversion.zeroPad ? "%0*lld" : "%*lld",
                    conversion.zeroPad ? conversion.width : 0, static_cast<long long>(whole));
      if (token != text) return false;
      value = static_cast<double>(whole);
    } else {
      if (!WellFormedDecimal(token, conversion.precision)) return false;
      const auto [ptr, ec] = std::from_chars(token.data(), token.data() + token.size(), value);
      if (ec != std::errc() || ptr != token.data() + token.size()) return false;
    }
    badToken_.clear();
    values_->push_back(value);
    at_ = end;
    return true;
  }

  // Written as "%.Nf" writes: an optional '-', whole digits without a leading zero,
  // and exactly N decimals.
  static bool WellFormedDecimal(std::string_view token, int precision) {
    if (token.starts_with('-')) token.remove_prefix(1);
    const size_t point = token.find('.');
    const std::string_view whole = token.substr(0, point);
    if (whole.empty() || (whole.size() > 1 && whole[0] == '0')) return false;
    if (precision == 0) return point == std::string_view::npos;
    if (point == std::string_view::npos) return false;
    const std::string_view decimals = token.substr(point + 1);
    return decimals.size() == static_cast<size_t>(precision) &&
           decimals.find('.') == std::string_view::npos;
  }

  std::string_view line_;
  size_t at_ = 0;
  size_t failedAt_ = 0;
  std::vector<double>* values_;
  std::string badToken_;
};

std::string Utf8Of(std::string_view bytes, RecordEncoding encoding) {
  return DecodeRecordText(bytes, encoding);
}

// ---- The reader: the record's sections in their order ----

class Reader {
 public:
  Reader(std::string_view bytes, Record* record, RecordError* error)
      : record_(record), error_(error) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);  // an editor's byte-order mark
    size_t start = 0;
    while (start < bytes.size()) {
      size_t end = bytes.find('\n', start);
      if (end == std::string_view::npos) end = bytes.size();
      std::string_view line = bytes.substr(start, end - start);
      // A copy that went through two line-end conversions ends its lines in CR CR LF.
      while (line.ends_with('\r')) {
        line.remove_suffix(1);
        record_->crlf = true;
      }
      lines_.push_back(line);
      start = end + 1;
    }
  }

  bool Read() {
    if (lines_.empty()) return Fail(1, "the file is empty: expected the record header");
    if (!DetectEncoding()) return false;
    if (!ReadSettings() || !ReadOrderLists() || !ReadBoard()) return false;
    if (AtEnd()) return EndWithoutResults();
    if (Peek(RecordLineKind::kRefusal)) return ReadRefusal();
    if (DowngradeExpected() && !ReadDowngrade()) return false;
    if (AtEnd()) return true;
    return ReadResults() && ReadClosing();
  }

 private:
  // ---- Lines ----

  bool AtEnd() const { return next_ >= lines_.size(); }

  const std::string& Encoded(RecordLineKind kind) {
    std::string& cached = encoded_[static_cast<size_t>(kind)];
    if (cached.empty()) cached = EncodeRecordText(FormatOf(kind).format, record_->encoding);
    return cached;
  }

  // Matches `line` as `kind`, numbers into `values`; on a mismatch says why in `why`.
  Match MatchAs(std::string_view line, RecordLineKind kind, std::vector<double>* values,
                std::string* why) {
    while (line.ends_with(' '))
      line.remove_suffix(1);
    LineMatcher matcher(line, values);
    Match match = matcher.Take(Encoded(kind));
    switch (FormatOf(kind).repeat) {
      case Repeat::kNone:
        break;
      case Repeat::kText:
        if (match == Match::kMatched) return Match::kMatched;
        break;
      case Repeat::kCountGroups:
        while (match == Match::kMatched && !matcher.AtEnd())
          match = matcher.Take(SAWLINE_LOG_COUNT_GROUP);
        break;
      case Repeat::kPlanEntries:
        while (match == Match::kMatched && !matcher.AtEnd())
          match = matcher.Take(PlanEntryFormat());
        break;
      case Repeat::kLengthGroups:
      case Repeat::kValueGroups: {
        const char* group = FormatOf(kind).repeat == Repeat::kValueGroups
                                ? SAWLINE_LOG_VALUE_GROUP
                                : SAWLINE_LOG_LENGTH_GROUP;
        for (int g = 1; g <= 8 && match == Match::kMatched; ++g)
          match = matcher.Take(group);
        break;
      }
    }
    if (match == Match::kMatched && !matcher.AtEnd()) {
      reached_ = matcher.Position();
      *why = "has more text at column " + std::to_string(matcher.Position());
      return Match::kMismatch;
    }
    reached_ = match == Match::kMatched ? line.size() + 1 : matcher.Column();
    if (match == Match::kBadNumber) {
      std::string text = "'";
      text += Utf8Of(matcher.BadToken(), record_->encoding);
      text += "' is not a number as the record writes it";
      *why = std::move(text);
    } else if (match == Match::kMismatch) {
      *why = "does not match at column " + std::to_string(matcher.Column());
    }
    return match;
  }

  const std::string& PlanEntryFormat() {
    if (planEntry_.empty())
      planEntry_ = EncodeRecordText(SAWLINE_LOG_PLAN_ENTRY, record_->encoding);
    return planEntry_;
  }

  bool Peek(RecordLineKind kind) {
    if (AtEnd()) return false;
    std::vector<double> values;
    std::string why;
    return MatchAs(lines_[next_], kind, &values, &why) == Match::kMatched;
  }

  // Reads the next line as `kind`; on failure the error names the line.
  bool Expect(RecordLineKind kind, std::vector<double>* values = nullptr) {
    std::vector<double> scratch;
    std::vector<double>& numbers = values != nullptr ? *values : scratch;
    numbers.clear();
    const LineFormat& format = FormatOf(kind);
    if (AtEnd()) {
      return Fail(static_cast<int>(lines_.size()) + 1,
                  std::string("the record ends early: expected the ") + format.name);
    }
    std::string why;
    const Match match = MatchAs(lines_[next_], kind, &numbers, &why);
    if (match != Match::kMatched) {
      std::string message = std::string("expected the ") + format.name;
      if (format.format[0] != '\0' && kind != RecordLineKind::kPlanRow) {
        message += " \"" + std::string(format.format) + "\"";
      }
      if (kind != RecordLineKind::kBlank) message += ": the line " + why;
      return Fail(static_cast<int>(next_) + 1, message);
    }
    RecordLine line;
    line.number = static_cast<int>(next_) + 1;
    line.kind = kind;
    line.values = numbers;
    line.text = std::string(lines_[next_]);
    record_->lines.push_back(std::move(line));
    ++next_;
    return true;
  }

  // After a run of `repeated` lines the next must be `next` (not read here). A line
  // that is neither is reported as the kind it matches further, so that a broken entry
  // is not reported as a missing heading.
  bool CheckAfter(RecordLineKind repeated, RecordLineKind next) {
    if (AtEnd()) return Expect(next);
    if (Peek(next)) return true;
    std::vector<double> values;
    std::string why;
    MatchAs(lines_[next_], repeated, &values, &why);
    const size_t repeatedReach = reached_;
    MatchAs(lines_[next_], next, &values, &why);
    return Expect(repeatedReach > reached_ ? repeated : next);
  }

  int LastLine() const { return record_->lines.empty() ? 0 : record_->lines.back().number; }

  bool Fail(int line, std::string message) {
    error_->line = line;
    error_->message = std::move(message);
    return false;
  }

  // ---- Checks on what the lines say ----

  static bool Whole(double value) { return std::isfinite(value) && value == std::floor(value); }

  bool DetectEncoding() {
    for (const RecordEncoding encoding : {RecordEncoding::kGbk, RecordEncoding::kUtf8}) {
      record_->encoding = encoding;
      for (std::string& cached : encoded_)
        cached.clear();
      planEntry_.clear();
      if (Peek(RecordLineKind::kHeader)) return Expect(RecordLineKind::kHeader);
    }
    record_->encoding = RecordEncoding::kGbk;
    for (std::string& cached : encoded_)
      cached.clear();
    return Expect(RecordLineKind::kHeader);
  }

  bool Setting(RecordLineKind kind, RecordValue* first, RecordValue* second) {
    std::vector<double> values;
    if (!Expect(kind, &values)) return false;
    *first = {values[0], LastLine()};
    if (second != nullptr) *second = {values[1], LastLine()};
    return true;
  }

  bool ReadSettings() {
    RecordSettings& s = record_->settings;
    return Expect(RecordLineKind::kSystemHeading) &&
           Setting(RecordLineKind::kGateAndMarkCount, &s.WasteGateSelect, &s.WasteMarkCount) &&
           Setting(RecordLineKind::kTailAndGradeMark, &s.TailUnmarkedLength, &s.GradeMarkLength) &&
           Setting(RecordLineKind::kGradeAAndUnmarked, &s.GradeAMinLength, &s.UnmarkedGrade) &&
           Setting(RecordLineKind::kKerfAndLineWidth, &s.KerfWidth, &s.FluorescentLineWidth) &&
           Setting(RecordLineKind::kFrontAndTwoFace, &s.FrontMarkingMode,
                   &s.TopWasteSideGradeLines) &&
           Setting(RecordLineKind::kSeparate, &s.SeparateAdjacentSameGrade, nullptr) &&
           Expect(RecordLineKind::kBlank) && Expect(RecordLineKind::kOptimizationHeading) &&
           Setting(RecordLineKind::kCenteringAndLimit, &s.RemnantCentering, &s.OptimizeTimeLimit) &&
           Setting(RecordLineKind::kModeAndDowngrade, &s.OptimizeMode, &s.PriorityDowngrade) &&
           Expect(RecordLineKind::kModeNote) &&
           Setting(RecordLineKind::kWasteMaxAndKicker, &s.WasteMaxLength, &s.WasteKickerCode) &&
           Expect(RecordLineKind::kBlank);
  }

  int Mode() const { return static_cast<int>(record_->settings.OptimizeMode.value); }

  // The entries of one list: grades 1 to 8 in order, numbered 1 to the count within
  // their grade, and as many as the count says.
  struct ListCheck {
    int grade = 0;
    int number = 0;
    int count = 0;
    int countLine = 0;
  };

  bool CheckEntry(ListCheck& check, const std::vector<double>& values, int capacity) {
    const int grade = static_cast<int>(values[0]);
    const int number = static_cast<int>(values[1]);
    const int count = static_cast<int>(values[2]);
    if (grade < 1 || grade > 8)
      return Fail(LastLine(), "a list entry of grade " + std::to_string(grade) +
                                  ": lists exist for grades 1 to 8");
    if (grade < check.grade) {
      return Fail(LastLine(), "grade " + std::to_string(grade) + " follows grade " +
                                  std::to_string(check.grade) + ": lists run from grade 1 to 8");
    }
    if (grade != check.grade) {
      if (!CloseList(check)) return false;
      check = {grade, 0, count, LastLine()};
    }
    if (count != check.count || count < 1 || count > capacity) {
      return Fail(LastLine(), "the count " + std::to_string(count) + " of grade " +
                                  std::to_string(grade) + " disagrees with line " +
                                  std::to_string(check.countLine) + " (or exceeds " +
                                  std::to_string(capacity) + ")");
    }
    if (number != check.number + 1 || number > count) {
      return Fail(LastLine(), "entry " + std::to_string(number) + " of grade " +
                                  std::to_string(grade) + " should be entry " +
                                  std::to_string(check.number + 1));
    }
    check.number = number;
    return true;
  }

  bool CloseList(const ListCheck& check) {
    if (check.grade != 0 && check.number != check.count) {
      return Fail(check.countLine, "grade " + std::to_string(check.grade) + " lists " +
                                       std::to_string(check.number) + " entries but its count is " +
                                       std::to_string(check.count) + " (line " +
                                       std::to_string(check.countLine) + ")");
    }
    return true;
  }

  bool ReadOrderLists() {
    std::vector<double> v;
    if (!Expect(RecordLineKind::kFixedHeading)) return false;
    ListCheck check;
    while (Peek(RecordLineKind::kFixedEntry)) {
      Expect(RecordLineKind::kFixedEntry, &v);
      if (Mode() >= 4) {
        return Fail(LastLine(), "a fixed-length entry in optimization mode " +
                                    std::to_string(Mode()) + ", which lists none");
      }
      if (!CheckEntry(check, v, 200)) return false;
      record_->fixed.push_back({static_cast<int>(v[0]), static_cast<int>(v[3]), v[4], v[5],
                                static_cast<int>(v[6]), static_cast<int>(v[7]),
                                static_cast<int>(v[8]), LastLine()});
    }
    if (!CheckAfter(RecordLineKind::kFixedEntry, RecordLineKind::kVariableHeading) ||
        !CloseList(check) || !Expect(RecordLineKind::kVariableHeading)) {
      return false;
    }
    check = {};
    while (Peek(RecordLineKind::kVariableEntry)) {
      Expect(RecordLineKind::kVariableEntry, &v);
      if (!CheckEntry(check, v, 24)) return false;
      record_->variable.push_back({static_cast<int>(v[0]), static_cast<int>(v[3]),
                                   static_cast<int>(v[4]), v[5], static_cast<int>(v[6]),
                                   LastLine()});
    }
    if (!CheckAfter(RecordLineKind::kVariableEntry, RecordLineKind::kUncutHeading) ||
        !CloseList(check) || !Expect(RecordLineKind::kUncutHeading)) {
      return false;
    }
    check = {};
    while (Peek(RecordLineKind::kUncutEntry)) {
      Expect(RecordLineKind::kUncutEntry, &v);
      if (!CheckEntry(check, v, 3)) return false;
      record_->uncut.push_back({static_cast<int>(v[0]), static_cast<int>(v[3]),
                                static_cast<int>(v[4]), static_cast<int>(v[5]), LastLine()});
    }
    if (!CheckAfter(RecordLineKind::kUncutEntry, RecordLineKind::kBlank) || !CloseList(check) ||
        !Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kTrimHeading)) {
      return false;
    }
    for (int g = 1; g <= 8; ++g) {
      if (!Expect(RecordLineKind::kTrimEntry, &v)) return false;
      if (v[0] != g || v[1] != g || v[3] != g) {
        return Fail(LastLine(), "expected the head and tail cuts of grade " + std::to_string(g));
      }
      record_->trims[static_cast<size_t>(g)] = {static_cast<int>(v[2]), static_cast<int>(v[4]),
                                                LastLine()};
    }
    return true;
  }

  // A count heading and exactly that many lines of `kind` (the record lists at most
  // `capacity` of them).
  bool CountedLines(RecordLineKind heading, RecordLineKind kind, int capacity, int* count,
                    std::vector<RecordLine*>* rows) {
    std::vector<double> v;
    if (!Expect(heading, &v)) return false;
    *count = static_cast<int>(v[0]);
    const int headingLine = LastLine();
    const int expected = std::clamp(*count, 0, capacity);
    std::vector<size_t> indices;
    while (static_cast<int>(indices.size()) < expected) {
      if (!Peek(kind)) {
        if (AtEnd() || !Peek(RecordLineKind::kBlank)) return Expect(kind);
        return Fail(static_cast<int>(next_) + 1,
                    "line " + std::to_string(headingLine) + " counts " + std::to_string(*count) +
                        " but " + std::to_string(indices.size()) + " lines follow it");
      }
      Expect(kind);
      indices.push_back(record_->lines.size() - 1);
    }
    if (Peek(kind)) {
      return Fail(static_cast<int>(next_) + 1, "line " + std::to_string(headingLine) + " counts " +
                                                   std::to_string(*count) +
                                                   " but more lines follow it");
    }
    for (size_t index : indices)
      rows->push_back(&record_->lines[index]);
    return true;
  }

  bool ReadSegments(RecordLineKind heading, std::vector<RecordSegment>* segments) {
    int count = 0;
    std::vector<RecordLine*> rows;
    if (!CountedLines(heading, RecordLineKind::kSegment, 100, &count, &rows)) return false;
    for (const RecordLine* row : rows) {
      segments->push_back({static_cast<int>(row->values[0]), row->values[1], row->number});
    }
    return true;
  }

  bool ReadBoard() {
    std::vector<double> v;
    if (!Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kMarksHeading, &v)) return false;
    RecordMarks& marks = record_->marks;
    marks.firstHalfCount = {v[0], LastLine()};
    marks.pairs = Peek(RecordLineKind::kMarkPair);
    const RecordLineKind kind =
        marks.pairs ? RecordLineKind::kMarkPair : RecordLineKind::kMarkLines;
    while (!AtEnd() && !Peek(RecordLineKind::kBlank)) {
      if (!Expect(kind, &v)) return false;
      if (marks.entries.size() == 100) return Fail(LastLine(), "more than 100 mark lines");
      marks.entries.push_back({v[0], v[1], LastLine()});
    }
    if (AtEnd()) return Expect(RecordLineKind::kBlank);  // says the record ends early
    const int listed = static_cast<int>(marks.entries.size());
    const int count = static_cast<int>(marks.firstHalfCount.value);
    if (count < 0 || listed < std::min(count, 100)) {
      return Fail(marks.firstHalfCount.line, "the board marks count " + std::to_string(count) +
                                                 " but " + std::to_string(listed) +
                                                 " mark lines follow");
    }
    if (!Expect(RecordLineKind::kBlank) ||
        !ReadSegments(RecordLineKind::kConvertedHeading, &record_->converted) ||
        !Expect(RecordLineKind::kBoardLength, &v)) {
      return false;
    }
    record_->boardLength = {v[0], LastLine()};
    if (!Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kTrimHeadingRecord) ||
        !Expect(RecordLineKind::kTrimRecord, &v)) {
      return false;
    }
    for (size_t i = 0; i < 4; ++i)
      record_->trimRecord[i] = static_cast<int>(v[i]);
    record_->trimRecordLine = LastLine();
    if (!Expect(RecordLineKind::kBlank)) return false;
    const size_t headingIndex = record_->lines.size();
    if (!ReadSegments(RecordLineKind::kTrimmedHeading, &record_->trimmed)) return false;
    if (record_->lines[headingIndex].values[0] != static_cast<double>(record_->converted.size())) {
      return Fail(record_->lines[headingIndex].number,
                  "the trimmed segments count differs from the converted segments");
    }
    return true;
  }

  bool DowngradeExpected() const {
    return Mode() != 4 && record_->settings.PriorityDowngrade.value == 1.0;
  }

  bool EndWithoutResults() {
    if (DowngradeExpected()) {
      return Fail(static_cast<int>(lines_.size()) + 1,
                  "the record ends early: expected the downgrade section (PriorityDowngrade is "
                  "1)");
    }
    return true;
  }

  bool ReadRefusal() {
    Expect(RecordLineKind::kRefusal);
    // The line may end inside the label's closing blank (a record cut there): the
    // reason is then empty.
    const std::string_view text = record_->lines.back().text;
    const size_t label = std::string_view(SAWLINE_LOG_Refusal).size();
    record_->refusal = DecodeRecordText(
        text.size() > label ? text.substr(label) : std::string_view(), record_->encoding);
    record_->refusalLine = LastLine();
    if (!AtEnd())
      return Fail(static_cast<int>(next_) + 1, "expected the end of the record after the refusal");
    return true;
  }

  bool ReadDowngrade() {
    std::vector<double> v;
    if (!Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kBlank) ||
        !Expect(RecordLineKind::kDowngradeHeading)) {
      return false;
    }
    record_->downgrade = true;
    while (Peek(RecordLineKind::kDowngradeRow)) {
      Expect(RecordLineKind::kDowngradeRow, &v);
      if (record_->downgradeRows.size() == 200)
        return Fail(LastLine(), "more than 200 downgrade rows");
      record_->downgradeRows.push_back(
          {static_cast<int>(v[0]), v[1], static_cast<int>(v[2]), LastLine()});
    }
    return CheckAfter(RecordLineKind::kDowngradeRow, RecordLineKind::kBlank) &&
           Expect(RecordLineKind::kBlank) && Expect(RecordLineKind::kBlank);
  }

  bool ReadResults() {
    std::vector<double> v;
    record_->results = true;
    if (!Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kBlank)) return false;
    if (Mode() != 4) {
      if (!Expect(RecordLineKind::kPlanHeading)) return false;
      while (Peek(RecordLineKind::kPlanRow)) {
        Expect(RecordLineKind::kPlanRow, &v);
        if (record_->plan.size() == 200) return Fail(LastLine(), "more than 200 plan rows");
        RecordPlanRow row{static_cast<int>(v[0]), v[1], {}, LastLine()};
        for (size_t i = 2; i + 3 < v.size(); i += 4) {
          row.entries.push_back({static_cast<int>(v[i]), v[i + 1], static_cast<int>(v[i + 2]),
                                 static_cast<int>(v[i + 3])});
        }
        record_->plan.push_back(std::move(row));
      }
      if (!CheckAfter(RecordLineKind::kPlanRow, RecordLineKind::kBlank) ||
          !Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kBlank)) {
        return false;
      }
    }
    int pieces = 0;
    std::vector<RecordLine*> rows;
    if (!CountedLines(RecordLineKind::kCutListHeading, RecordLineKind::kPiece, 200, &pieces,
                      &rows)) {
      return false;
    }
    for (const RecordLine* row : rows) {
      record_->cutList.push_back({static_cast<int>(row->values[0]), row->values[1],
                                  static_cast<int>(row->values[2]), row->number});
    }
    if (!Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kBlank)) return false;
    int transfers = 0;
    rows.clear();
    if (!CountedLines(RecordLineKind::kTransferHeading, RecordLineKind::kTransfer, 100, &transfers,
                      &rows)) {
      return false;
    }
    if (transfers != pieces) {
      return Fail(LastLine() - static_cast<int>(rows.size()),
                  "the controller records count " + std::to_string(transfers) +
                      " but the cut list counts " + std::to_string(pieces));
    }
    for (const RecordLine* row : rows) {
      record_->transfers.push_back(
          {row->values[0],
           {static_cast<int>(row->values[1]), static_cast<int>(row->values[2]),
            static_cast<int>(row->values[3]), static_cast<int>(row->values[4])},
           row->number});
    }
    return ReadStatistics();
  }

  bool Grades(RecordLineKind kind, RecordGrades* grades) {
    std::vector<double> v;
    if (!Expect(kind, &v)) return false;
    for (int g = 1; g <= 8; ++g) {
      if (v[static_cast<size_t>(2 * (g - 1))] != g) {
        return Fail(LastLine(), "expected the values of grades 1 to 8 in order");
      }
      (*grades)[static_cast<size_t>(g)] = v[static_cast<size_t>(2 * (g - 1) + 1)];
    }
    return true;
  }

  bool ReadStatistics() {
    RecordStatistics& s = record_->statistics;
    std::vector<double> v;
    if (!Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kBlank) ||
        !Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kStatisticsHeading)) {
      return false;
    }
    s.line = LastLine();
    if (!Expect(RecordLineKind::kCountsHeading) || !Expect(RecordLineKind::kCounts, &v))
      return false;
    s.orderCountsLine = LastLine();
    for (size_t i = 0; i + 1 < v.size(); i += 2) {
      const int row = static_cast<int>(v[i]);
      const int previous = s.orderCounts.empty() ? -1 : s.orderCounts.back().row;
      if (row <= previous || row >= 200 || v[i + 1] < 1) {
        return Fail(LastLine(),
                    "order counts name rows 0 to 199 in increasing order, each "
                    "with at least one piece");
      }
      s.orderCounts.push_back({row, static_cast<int>(v[i + 1])});
    }
    if (!Expect(RecordLineKind::kBlank) || !Expect(RecordLineKind::kBoardStatisticsHeading, &v)) {
      return false;
    }
    s.boardLength = v[0];
    if (!Expect(RecordLineKind::kUsefulTotal, &v)) return false;
    s.totalUseful = v[0];
    if (!Grades(RecordLineKind::kUsefulByGrade, &s.useful) ||
        !Expect(RecordLineKind::kPieceStatisticsHeading) ||
        !Grades(RecordLineKind::kTotalByGrade, &s.total) ||
        !Grades(RecordLineKind::kFixedLengthByGrade, &s.fixedLength) ||
        !Grades(RecordLineKind::kVariableByGrade, &s.variable) ||
        !Grades(RecordLineKind::kUncutByGrade, &s.uncut) ||
        !Expect(RecordLineKind::kValueHeading)) {
      return false;
    }
    if (Mode() != 1) return Expect(RecordLineKind::kNoValues) && Expect(RecordLineKind::kBlank);
    s.values = true;
    if (!Expect(RecordLineKind::kTotalValue, &v)) return false;
    s.totalValue = v[0];
    return Grades(RecordLineKind::kValueByGrade, &s.value) &&
           Grades(RecordLineKind::kFixedValueByGrade, &s.fixedValue) &&
           Grades(RecordLineKind::kVariableValueByGrade, &s.variableValue);
  }

  bool ReadClosing() {
    std::vector<double> v;
    if (!Expect(RecordLineKind::kRule) || !Expect(RecordLineKind::kElapsed, &v)) return false;
    RecordClosing closing;
    closing.elapsedSeconds = v[0];
    closing.line = LastLine();
    if (!Expect(RecordLineKind::kNowTime, &v)) return false;
    closing.year = static_cast<int>(v[0]);
    closing.month = static_cast<int>(v[1]);
    closing.day = static_cast<int>(v[2]);
    closing.hour = static_cast<int>(v[3]);
    closing.minute = static_cast<int>(v[4]);
    closing.second = static_cast<int>(v[5]);
    if (closing.month < 1 || closing.month > 12 || closing.day < 1 || closing.day > 31 ||
        closing.hour < 0 || closing.hour > 23 || closing.minute < 0 || closing.minute > 59 ||
        closing.second < 0 || closing.second > 60 || !(closing.elapsedSeconds >= 0.0)) {
      return Fail(LastLine(), "the closing time is not a time of day");
    }
    record_->closing = closing;
    if (!Expect(RecordLineKind::kEnd)) return false;
    if (Peek(RecordLineKind::kBlank)) Expect(RecordLineKind::kBlank);
    if (!AtEnd()) return Fail(static_cast<int>(next_) + 1, "expected the end of the record");
    return true;
  }

  Record* record_;
  RecordError* error_;
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
  std::string encoded_[static_cast<size_t>(RecordLineKind::kEnd) + 1];
  std::string planEntry_;
  size_t reached_ = 0;  // column the last match got to (one past the line when it matched)
};

}  // namespace

const char* RecordLineName(RecordLineKind kind) {
  return FormatOf(kind).name;
}

std::string RecordError::Text() const {
  return line > 0 ? "line " + std::to_string(line) + ": " + message : message;
}

bool ReadRecord(std::string_view bytes, Record* record, RecordError* error) {
  *record = Record{};
  RecordError ignored;
  Reader reader(bytes, record, error != nullptr ? error : &ignored);
  return reader.Read();
}

bool LoadRecordBytes(const std::string& path, std::string* bytes, RecordError* error) {
  RecordError ignored;
  RecordError& err = error != nullptr ? *error : ignored;
  const FileRead read = ReadFile(path, bytes, kMaxRecordBytes);
  if (read == FileRead::kUnreadable) {
    err = {0, "cannot open " + path};
    return false;
  }
  if (read == FileRead::kTooLarge) {
    err = {0,
           path + " is larger than any record (" + std::to_string(kMaxRecordBytes >> 20) + " MiB)"};
    return false;
  }
  return true;
}

bool LoadRecord(const std::string& path, Record* record, RecordError* error) {
  std::string bytes;
  if (!LoadRecordBytes(path, &bytes, error)) {
    *record = Record{};
    return false;
  }
  return ReadRecord(bytes, record, error);
}

std::string ClosingTimeText(const RecordClosing& closing) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", closing.year, closing.month,
                closing.day, closing.hour, closing.minute, closing.second);
  return text;
}

}  // namespace sawline::tools
