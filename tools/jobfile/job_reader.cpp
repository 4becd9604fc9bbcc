// Reading a JSON job into the two blocks. Every value is checked against the settings
// table before it is stored; a message names the file, the line and the JSON pointer
// of what it is about, and the reader goes on to report further faults instead of
// stopping at the first.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "desk/files.h"
#include "desk/json_text.h"
#include "interface/settings_table.h"
#include "jobfile/job_format.h"
#include "jobfile/job_reader.h"
#include "jobfile/json_positions.h"

namespace sawline::tools {
namespace {

// At most this many errors are listed; a broken file would otherwise bury the first.
constexpr size_t kMaxErrors = 25;

const char* const kNoNanHint =
    " (JSON has no NaN or infinity; a job cannot hold them, \"raw\" can, as the float's "
    "bits such as \"0x7fc00000\")";

struct Range {
  SettingType type;
  double min;
  double max;
  bool aboveMin = false;  // the minimum itself is not allowed
  const char* note = "";  // said after an out-of-range message
};

std::string TypeName(const Json& value) {
  switch (value.type()) {
    case Json::value_t::object:
      return "an object";
    case Json::value_t::array:
      return "an array";
    case Json::value_t::string:
      return "the string " + value.dump();
    case Json::value_t::boolean:
      return value.dump();
    case Json::value_t::null:
      return "null";
    default:
      return "a number";
  }
}

bool IsNanOrInfinityWord(std::string word) {
  for (char& c : word)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (!word.empty() && (word[0] == '-' || word[0] == '+')) word.erase(0, 1);
  return word.rfind("nan", 0) == 0 || word.rfind("inf", 0) == 0;
}

const char* OutOfRangeNote(OutOfRange outcome) {
  return outcome == OutOfRange::kRefused ? " (the library refuses a board with such a value)" : "";
}

class JobReader {
 public:
  JobReader(const std::string& source, const JsonSourceIndex& index, JobBlocks& job,
            JobDiagnostics& diagnostics)
      : source_(source), index_(index), job_(job), diagnostics_(diagnostics) {}

  void Read(const Json& document) {
    for (const auto& [pointer, line] : index_.duplicateKeys) {
      AddError(Where(line, pointer) + "the key appears twice in its object");
    }
    if (!document.is_object()) {
      Error("", "a job is a JSON object, got " + TypeName(document));
      return;
    }
    CheckKeys(
        document, "",
        {"$schema", "description", "settings", "trims", "orders", "marks", "raw", "board_model"});
    for (const char* text : {"$schema", "description"}) {
      if (document.contains(text) && !document[text].is_string()) {
        Error(ChildPointer("", text), "expected a string, got " + TypeName(document[text]));
      }
    }
    if (document.contains("settings")) {
      Settings(document["settings"], "/settings");
    } else {
      Error("", "missing \"settings\"" + RequiredSettingsText());
    }
    if (document.contains("trims")) Trims(document["trims"], "/trims");
    if (document.contains("orders")) Orders(document["orders"], "/orders");
    if (document.contains("marks")) {
      Marks(document["marks"], "/marks");
    } else {
      Error("", "missing \"marks\": the board's grade/length \"pairs\" or marking \"lines\"");
    }
    if (document.contains("raw")) Raw(document["raw"], "/raw");
    if (document.contains("board_model")) BoardModelOf(document["board_model"]);
  }

 private:
  std::string Where(int line, const std::string& pointer) const {
    return source_ + ":" + std::to_string(line) + ": " + (pointer.empty() ? "" : pointer + ": ");
  }
  std::string Where(const std::string& pointer) const {
    return Where(LineOf(index_, pointer), pointer);
  }

  void AddError(const std::string& text) {
    if (diagnostics_.errors.size() < kMaxErrors) {
      diagnostics_.errors.push_back(text);
    } else if (diagnostics_.errors.size() == kMaxErrors) {
      diagnostics_.errors.push_back(source_ + ": more errors follow; fix these first");
    }
  }
  void Error(const std::string& pointer, const std::string& text) {
    AddError(Where(pointer) + text);
  }
  void Warn(const std::string& pointer, const std::string& text) {
    diagnostics_.warnings.push_back(Where(pointer) + text);
  }

  bool ExpectObject(const Json& value, const std::string& pointer, const char* what) {
    if (value.is_object()) return true;
    Error(pointer, std::string("expected ") + what + ", got " + TypeName(value));
    return false;
  }
  bool ExpectArray(const Json& value, const std::string& pointer, const char* what) {
    if (value.is_array()) return true;
    Error(pointer, std::string("expected ") + what + ", got " + TypeName(value));
    return false;
  }

  // Reports every key of `object` that is not in `allowed`, with the closest allowed one.
  void CheckKeys(const Json& object, const std::string& pointer,
                 const std::vector<std::string>& allowed) {
    for (const auto& [key, value] : object.items()) {
      if (std::find(allowed.begin(), allowed.end(), key) != allowed.end()) continue;
      Error(ChildPointer(pointer, key), "unknown key \"" + key + "\"" + Suggestion(key, allowed));
    }
  }

  static std::string Suggestion(const std::string& key, const std::vector<std::string>& known) {
    const std::string closest = ClosestName(key, known);
    return closest.empty() ? "" : " (did you mean \"" + closest + "\"?)";
  }

  // A number within `range`, as the 32-bit float the block will hold.
  bool Number(const Json& value, const std::string& pointer, const Range& range, float* out) {
    if (!value.is_number()) {
      std::string got = TypeName(value);
      if (value.is_string() && IsNanOrInfinityWord(value.get<std::string>())) got += kNoNanHint;
      Error(pointer, "expected a number, got " + got);
      return false;
    }
    const auto token = index_.tokens.find(pointer);
    const std::string text = token != index_.tokens.end() ? token->second : value.dump();
    const double number = value.get<double>();
    float single = 0.0f;
    if (!std::isfinite(number) || !ParseFloatToken(text, &single)) {
      Error(pointer, text + " is beyond the range of a 32-bit float");
      return false;
    }
    if (range.type == SettingType::kInt && number != std::trunc(number)) {
      Error(pointer, text + " is not a whole number");
      return false;
    }
    // Floats are tested as the block will hold them, so that the largest float written
    // with its shortest digits (3.4028235e+38) is inside the float range.
    const double tested = range.type == SettingType::kFloat ? static_cast<double>(single) : number;
    const bool below = range.aboveMin ? !(tested > range.min) : tested < range.min;
    if (below || tested > range.max) {
      const std::string allowed =
          range.aboveMin ? "above " + BoundText(range.min) + ", at most " + BoundText(range.max)
                         : RangeText(range.min, range.max);
      Error(pointer, text + " is outside the allowed range " + allowed + range.note);
      return false;
    }
    if (range.type == SettingType::kInt && static_cast<double>(single) != number) {
      Warn(pointer, text + " cannot be held exactly by a 32-bit float: the block gets " +
                        FloatText(single) + " (whole numbers are exact up to 16777216)");
    }
    *out = single;
    return true;
  }

  static std::string RequiredSettingsText() {
    std::string names;
    for (const SettingInfo& setting : kScalarSettings) {
      if (!IsRequired(setting.min, setting.max)) continue;
      names += (names.empty() ? "" : ", ") + std::string(setting.name);
    }
    return names.empty() ? "" : " (" + names + " must be given)";
  }

  void Settings(const Json& settings, const std::string& pointer) {
    if (!ExpectObject(settings, pointer, "an object of settings by name")) return;
    std::vector<std::string> names;
    for (const SettingInfo& setting : kScalarSettings)
      names.emplace_back(setting.name);
    for (const auto& [key, value] : settings.items()) {
      const std::string at = ChildPointer(pointer, key);
      const SettingInfo* info = nullptr;
      for (const SettingInfo& setting : kScalarSettings) {
        if (key == setting.name) info = &setting;
      }
      if (info == nullptr) {
        bool perGrade = false;
        for (const GradeSettingInfo& grade : kGradeSettings)
          perGrade = perGrade || key == grade.name;
        Error(at, "unknown setting \"" + key + "\"" +
                      (perGrade ? " (head and tail cuts are given per grade under \"trims\")"
                                : Suggestion(key, names)));
        continue;
      }
      float number = 0.0f;
      const Range range{info->type, info->min, info->max, false, OutOfRangeNote(info->outOfRange)};
      if (Number(value, at, range, &number)) job_.Set(info->index, number);
    }
    for (const SettingInfo& setting : kScalarSettings) {
      if (!IsRequired(setting.min, setting.max) || settings.contains(setting.name)) continue;
      Error(pointer, "missing setting \"" + std::string(setting.name) + "\" (" +
                         RangeText(setting.min, setting.max) + ": " + setting.meaning + ")");
    }
  }

  void Trims(const Json& trims, const std::string& pointer) {
    if (!ExpectArray(trims, pointer, "an array of {\"grade\": G, \"CT\": head, \"CB\": tail}")) {
      return;
    }
    std::vector<std::string> keys{"grade"};
    for (const GradeSettingInfo& setting : kGradeSettings)
      keys.emplace_back(setting.name);
    std::map<int, std::string> seen;
    for (size_t i = 0; i < trims.size(); ++i) {
      const std::string at = ChildPointer(pointer, i);
      const Json& entry = trims[i];
      if (!ExpectObject(entry, at, "an object {\"grade\": G, \"CT\": head, \"CB\": tail}")) {
        continue;
      }
      CheckKeys(entry, at, keys);
      if (!entry.contains("grade")) {
        Error(at, "missing \"grade\" (1 to 8)");
        continue;
      }
      float gradeValue = 0.0f;
      if (!Number(entry["grade"], at + "/grade", {SettingType::kInt, 1, kMaxOrderGrade},
                  &gradeValue)) {
        continue;
      }
      const int grade = static_cast<int>(gradeValue);
      if (const auto it = seen.find(grade); it != seen.end()) {
        Error(at + "/grade",
              "grade " + std::to_string(grade) + " is already given by " + it->second);
        continue;
      }
      seen[grade] = at;
      for (const GradeSettingInfo& setting : kGradeSettings) {
        if (!entry.contains(setting.name)) continue;
        float number = 0.0f;
        // Head and tail cuts are whole numbers: the library truncates them.
        if (Number(entry[setting.name], ChildPointer(at, setting.name),
                   {SettingType::kInt, setting.min, setting.max}, &number)) {
          job_.Set(setting.base + grade, number);
        }
      }
    }
  }

  void Orders(const Json& orders, const std::string& pointer) {
    if (!ExpectObject(orders, pointer, "an object of order tables")) return;
    std::vector<std::string> keys;
    for (OrderTable table : kOrderTables)
      keys.emplace_back(OrderTableKey(table));
    CheckKeys(orders, pointer, keys);
    for (OrderTable table : kOrderTables) {
      if (orders.contains(OrderTableKey(table))) {
        OrderRows(table, orders[OrderTableKey(table)], ChildPointer(pointer, OrderTableKey(table)));
      }
    }
  }

  // The host row of one entry of an order table, or -1 after an error.
  int RowOf(OrderTable table, const Json& entry, const std::string& at, int previous,
            const std::map<int, std::string>& used) {
    const int rows = RowsOf(table);
    int row = -1;
    if (entry.contains("row")) {
      float value = 0.0f;
      if (!Number(entry["row"], at + "/row", {SettingType::kInt, 0, rows - 1.0}, &value)) return -1;
      row = static_cast<int>(value);
    }
    if (table != OrderTable::kUncut) {
      if (row >= 0) return row;
      if (previous + 1 < rows) return previous + 1;
      Error(at, std::string("the ") + OrderTableTitle(table) + " table has " +
                    std::to_string(rows) + " rows, 0 to " + std::to_string(rows - 1));
      return -1;
    }
    int grade = 0;
    if (entry.contains("grade")) {
      float value = 0.0f;
      if (!Number(entry["grade"], at + "/grade", {SettingType::kInt, 1, kMaxOrderGrade}, &value)) {
        return -1;
      }
      grade = static_cast<int>(value);
    }
    if (row < 0 && grade == 0) {
      Error(at, "an uncut row needs \"row\" (0 to " + std::to_string(rows - 1) +
                    "; row r belongs to grade r / 3 + 1) or \"grade\"");
      return -1;
    }
    if (row >= 0 && grade != 0 && UncutGradeOfRow(row) != grade) {
      Error(at + "/grade", "uncut row " + std::to_string(row) + " belongs to grade " +
                               std::to_string(UncutGradeOfRow(row)) + ", not " +
                               std::to_string(grade) + " (row r belongs to grade r / 3 + 1)");
      return -1;
    }
    if (row >= 0) return row;
    const int first = (grade - 1) * kUncutRowsPerGrade;
    for (int candidate = first; candidate < first + kUncutRowsPerGrade; ++candidate) {
      if (used.count(candidate) == 0) return candidate;
    }
    Error(at + "/grade", "grade " + std::to_string(grade) + " has no free uncut row (rows " +
                             std::to_string(first) + " to " +
                             std::to_string(first + kUncutRowsPerGrade - 1) + " are given)");
    return -1;
  }

  void OrderRows(OrderTable table, const Json& rows, const std::string& pointer) {
    if (!ExpectArray(rows, pointer, "an array of order rows")) return;
    const std::vector<const OrderColumnInfo*> columns = ColumnsOf(table);
    std::vector<std::string> keys{"row"};
    if (table == OrderTable::kUncut) keys.emplace_back("grade");
    for (const OrderColumnInfo* column : columns)
      keys.emplace_back(column->field);
    std::map<int, std::string> used;
    int previous = -1;
    for (size_t i = 0; i < rows.size(); ++i) {
      const std::string at = ChildPointer(pointer, i);
      const Json& entry = rows[i];
      if (!ExpectObject(entry, at, "an object (one order row)")) continue;
      CheckKeys(entry, at, keys);
      const int row = RowOf(table, entry, at, previous, used);
      if (row < 0) continue;
      if (const auto it = used.find(row); it != used.end()) {
        Error(entry.contains("row") ? at + "/row" : at, std::string(OrderTableTitle(table)) +
                                                            " row " + std::to_string(row) +
                                                            " is already given by " + it->second);
        continue;
      }
      used[row] = at;
      previous = row;
      for (const OrderColumnInfo* column : columns) {
        float number = static_cast<float>(DefaultOf(*column));
        if (entry.contains(column->field)) {
          if (!Number(entry[column->field], ChildPointer(at, column->field),
                      {column->type, column->min, column->max}, &number)) {
            continue;
          }
        } else if (IsRequired(column->min, column->max)) {
          Error(at, "missing \"" + std::string(column->field) + "\" (" +
                        RangeText(column->min, column->max) + ": " + column->meaning + ")");
          continue;
        }
        job_.Set(column->first + row, number);
      }
      if (table == OrderTable::kFixed) job_.fixedRows = std::max(job_.fixedRows, row + 1);
      if (table == OrderTable::kVariable) job_.variableRows = std::max(job_.variableRows, row + 1);
    }
  }

  // Lengths of one list of marks; entries after the 100 the block holds are dropped.
  std::vector<float> Lengths(const Json& list, const std::string& pointer, const char* what) {
    std::vector<float> lengths;
    if (!ExpectArray(list, pointer, "an array of lengths")) return lengths;
    for (size_t i = 0; i < list.size(); ++i) {
      float length = 0.0f;
      if (Number(list[i], ChildPointer(pointer, i),
                 {SettingType::kFloat, 0, kLargestMarkLength, true}, &length)) {
        lengths.push_back(length);
      }
    }
    WarnBeyondSlots(list.size(), pointer, what);
    return lengths;
  }

  void WarnBeyondSlots(size_t count, const std::string& pointer, const char* what) {
    if (count <= static_cast<size_t>(kMarkHalf)) return;
    Warn(pointer, "the board has " + std::to_string(count) + " " + what + " but the mark block " +
                      "holds " + std::to_string(kMarkHalf) + ": the last " +
                      std::to_string(count - static_cast<size_t>(kMarkHalf)) + " are dropped");
  }

  void Marks(const Json& marks, const std::string& pointer) {
    if (!ExpectObject(marks, pointer, "an object with \"pairs\" or \"lines\"")) return;
    CheckKeys(marks, pointer, {"pairs", "lines"});
    const bool havePairs = marks.contains("pairs");
    const bool haveLines = marks.contains("lines");
    if (havePairs == haveLines) {
      Error(pointer, havePairs ? "a board has either \"pairs\" or \"lines\", not both"
                               : "missing \"pairs\" (grade/length pairs) or \"lines\" "
                                 "(marking-line intervals)");
      return;
    }
    if (havePairs) {
      const std::string at = pointer + "/pairs";
      const Json& list = marks["pairs"];
      if (!ExpectArray(list, at, "an array of [grade, length] pairs")) return;
      std::vector<std::pair<float, float>> pairs;
      for (size_t i = 0; i < list.size(); ++i) {
        const std::string pairAt = ChildPointer(at, i);
        if (!list[i].is_array() || list[i].size() != 2) {
          Error(pairAt, "expected a pair [grade, length], got " + TypeName(list[i]));
          continue;
        }
        float grade = 0.0f;
        float length = 0.0f;
        const bool gradeOk =
            Number(list[i][0], pairAt + "/0",
                   {SettingType::kInt, 1, kWasteGrade, false, " (grades 1 to 8, and 9 for waste)"},
                   &grade);
        const bool lengthOk = Number(list[i][1], pairAt + "/1",
                                     {SettingType::kFloat, 0, kLargestMarkLength, true}, &length);
        if (gradeOk && lengthOk) pairs.emplace_back(grade, length);
      }
      WarnBeyondSlots(list.size(), at, "pairs");
      job_.SetPairs(pairs);
      return;
    }
    const std::string at = pointer + "/lines";
    const Json& lines = marks["lines"];
    if (!ExpectObject(lines, at, "an object {\"top\": [...], \"side\": [...]}")) return;
    CheckKeys(lines, at, {"top", "side"});
    std::vector<float> top;
    std::vector<float> side;
    if (lines.contains("top")) top = Lengths(lines["top"], at + "/top", "top-face intervals");
    if (lines.contains("side")) side = Lengths(lines["side"], at + "/side", "side-face intervals");
    job_.SetIntervals(top, side);
  }

  void Raw(const Json& raw, const std::string& pointer) {
    if (!ExpectObject(raw, pointer, "an object {\"parameters\": {...}, \"marks\": {...}}")) return;
    CheckKeys(raw, pointer, {"parameters", "marks"});
    if (raw.contains("parameters")) {
      RawEntries(raw["parameters"], pointer + "/parameters", job_.parameters.data(),
                 kParameterBlockFloats);
    }
    if (raw.contains("marks")) {
      RawEntries(raw["marks"], pointer + "/marks", job_.marks.data(), kBoardMarkBlockFloats);
    }
  }

  static bool ParseIndex(const std::string& key, int size, int* index) {
    if (key.empty() || key.size() > 4 || (key.size() > 1 && key[0] == '0')) return false;
    int value = 0;
    for (char c : key) {
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
      value = value * 10 + (c - '0');
    }
    *index = value;
    return value < size;
  }

  static bool ParseBits(const std::string& text, float* value) {
    if (text.size() != 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
    uint32_t bits = 0;
    for (size_t i = 2; i < text.size(); ++i) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
      bits = bits * 16 + static_cast<uint32_t>(
                             std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : c - 'a' + 10);
    }
    std::memcpy(value, &bits, sizeof bits);
    return true;
  }

  void RawEntries(const Json& entries, const std::string& pointer, float* block, int size) {
    if (!ExpectObject(entries, pointer, "an object of entries by index")) return;
    for (const auto& [key, value] : entries.items()) {
      const std::string at = ChildPointer(pointer, key);
      int index = 0;
      if (!ParseIndex(key, size, &index)) {
        Error(at, "\"" + key + "\" is not an entry of the " + std::to_string(size) +
                      "-float block (0 to " + std::to_string(size - 1) + ")");
        continue;
      }
      float number = 0.0f;
      if (value.is_string()) {
        if (!ParseBits(value.get<std::string>(), &number)) {
          Error(at, "expected a number or the float's bits as \"0x\" and 8 hex digits, got " +
                        TypeName(value));
          continue;
        }
      } else if (value.is_number()) {
        const auto token = index_.tokens.find(at);
        const std::string text = token != index_.tokens.end() ? token->second : value.dump();
        if (!std::isfinite(value.get<double>()) || !ParseFloatToken(text, &number)) {
          Error(at, text + " is beyond the range of a 32-bit float");
          continue;
        }
      } else {
        Error(at, "expected a number or the float's bits as \"0x\" and 8 hex digits, got " +
                      TypeName(value));
        continue;
      }
      block[index] = number;
      ++diagnostics_.rawEntries;
    }
  }

  void BoardModelOf(const Json& value) {
    BoardModel model;
    BoardModelFault fault;
    if (ReadBoardModel(value, &model, &fault)) {
      diagnostics_.boardModel = model;
    } else {
      diagnostics_.boardModelErrors.push_back(Where(fault.pointer) + fault.text);
    }
  }

  const std::string& source_;
  const JsonSourceIndex& index_;
  JobBlocks& job_;
  JobDiagnostics& diagnostics_;
};

// "FILE:LINE:COLUMN: what", for the parser's complaint `what` about the text before
// byte `byte`, with a hint for NaN and infinity.
std::string SyntaxError(std::string_view text, const std::string& source, size_t byte,
                        std::string what) {
  const size_t end = std::min<size_t>(byte, text.size());
  size_t line = 1;
  size_t lineStart = 0;
  for (size_t i = 0; i + 1 < end; ++i) {
    if (text[i] == '\n') {
      ++line;
      lineStart = i + 1;
    }
  }
  const size_t columnText = what.find("column ");
  if (columnText != std::string::npos) {
    const size_t colon = what.find(": ", columnText);
    if (colon != std::string::npos) what = what.substr(colon + 2);
  }
  // The word the parser stopped in: NaN and infinity are not JSON.
  size_t wordStart = end > 0 ? end - 1 : 0;
  while (wordStart > 0 && (std::isalnum(static_cast<unsigned char>(text[wordStart - 1])) ||
                           text[wordStart - 1] == '-' || text[wordStart - 1] == '+')) {
    --wordStart;
  }
  size_t wordEnd = wordStart;
  while (wordEnd < text.size() && (std::isalnum(static_cast<unsigned char>(text[wordEnd])) ||
                                   text[wordEnd] == '-' || text[wordEnd] == '+')) {
    ++wordEnd;
  }
  const std::string word(text.substr(wordStart, wordEnd - wordStart));
  if (IsNanOrInfinityWord(word)) what = word + " is not a JSON number" + kNoNanHint;
  const size_t column = std::max<size_t>(end - lineStart, 1);
  return source + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + what;
}

// The end of the first number outside strings that is too large for a double (the
// parser throws for one without saying where it is); the text's end when none is.
size_t OverflowingNumberEnd(std::string_view text) {
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        inString = false;
      }
    } else if (c == '"') {
      inString = true;
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      size_t end = i + 1;
      while (end < text.size() &&
             (std::isdigit(static_cast<unsigned char>(text[end])) ||
              std::string_view("+-.eE").find(text[end]) != std::string_view::npos)) {
        ++end;
      }
      if (std::isinf(std::strtod(std::string(text.substr(i, end - i)).c_str(), nullptr))) {
        return end;
      }
      i = end - 1;
    }
  }
  return text.size();
}

}  // namespace

bool ReadJob(std::string_view text, const std::string& source, JobBlocks& job,
             JobDiagnostics* diagnostics) {
  JobDiagnostics local;
  JobDiagnostics& out = diagnostics != nullptr ? *diagnostics : local;
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  Json document;
  try {
    document = Json::parse(text.begin(), text.end());
  } catch (const nlohmann::json::parse_error& error) {
    out.errors.push_back(SyntaxError(text, source, error.byte, error.what()));
    return false;
  } catch (const nlohmann::json::out_of_range&) {
    // The parser names no position for a number beyond a double: find it.
    const size_t end = OverflowingNumberEnd(text);
    out.errors.push_back(
        SyntaxError(text, source, end, "this number is beyond the range of a double"));
    return false;
  }
  job = JobBlocks{};
  const size_t errorsBefore = out.errors.size();
  const JsonSourceIndex index = IndexJsonSource(text);
  JobReader(source, index, job, out).Read(document);
  return out.errors.size() == errorsBefore;
}

bool LoadJob(const std::string& path, JobBlocks& job, JobDiagnostics* diagnostics) {
  std::string bytes;
  if (ReadFile(path, &bytes) != FileRead::kRead) {
    if (diagnostics != nullptr) diagnostics->errors.push_back(path + ": cannot be read");
    return false;
  }
  return ReadJob(bytes, path, job, diagnostics);
}

bool LoadJobFile(const std::string& path, JobBlocks& job, std::string* error) {
  JobDiagnostics diagnostics;
  const bool ok = LoadJob(path, job, &diagnostics);
  if (!ok && error != nullptr) {
    error->clear();
    for (const std::string& line : diagnostics.errors)
      *error += (error->empty() ? "" : "\n") + line;
  }
  return ok;
}

}  // namespace sawline::tools
