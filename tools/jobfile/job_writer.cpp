// Writing recorded blocks as a JSON job. The named fields get the values they can
// hold; every entry the library reads whose bytes they cannot reproduce (a value out
// of its range, a fraction in a whole-number column, NaN, -0.0, marks after the end
// of a list) is written again under "raw", found by reading the named part back and
// comparing bit for bit.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <span>

#include "desk/json_text.h"
#include "desk/marks.h"
#include "interface/settings_table.h"
#include "jobfile/job_format.h"
#include "jobfile/job_reader.h"
#include "jobfile/job_writer.h"
#include "jobfile/json_positions.h"

namespace sawline::tools {
namespace {

bool SameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// The value a named field can hold that is closest to what the block holds; the bytes
// themselves then follow under "raw" when they differ.
double Representable(float value, SettingType type, double min, double max, bool aboveMin = false) {
  double number = std::isfinite(value) ? static_cast<double>(value) : 0.0;
  if (type == SettingType::kInt) number = std::trunc(number);
  if (aboveMin && !(number > min)) number = min + 1.0;
  return std::clamp(number, min, max);
}

Json NumberJson(double number, SettingType type) {
  if (type == SettingType::kInt && !(number == 0.0 && std::signbit(number))) {
    return Json(static_cast<int64_t>(number));
  }
  return FloatJson(static_cast<float>(number));
}

// A raw entry: the number, or the bits of NaN and infinity.
Json RawJson(float value) {
  if (std::isfinite(value)) return FloatJson(value);
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(bits));
  return Json(text);
}

Json SettingsJson(const float* parameters) {
  Json settings = Json::object();
  for (const SettingInfo& setting : kScalarSettings) {
    settings[setting.name] =
        NumberJson(Representable(parameters[setting.index], setting.type, setting.min, setting.max),
                   setting.type);
  }
  return settings;
}

Json TrimsJson(const float* parameters) {
  Json trims = Json::array();
  for (int grade = 1; grade <= kMaxOrderGrade; ++grade) {
    bool any = false;
    for (const GradeSettingInfo& setting : kGradeSettings)
      any = any || !SameBits(parameters[setting.base + grade], 0.0f);
    if (!any) continue;
    Json entry = Json::object();
    entry["grade"] = grade;
    for (const GradeSettingInfo& setting : kGradeSettings) {
      entry[setting.name] = NumberJson(Representable(parameters[setting.base + grade],
                                                     SettingType::kInt, setting.min, setting.max),
                                       SettingType::kInt);
    }
    trims.push_back(entry);
  }
  return trims;
}

bool RowHoldsAnything(const float* parameters, OrderTable table, int row) {
  for (const OrderColumnInfo* column : ColumnsOf(table)) {
    if (!SameBits(parameters[column->first + row], 0.0f)) return true;
  }
  return false;
}

Json OrdersJson(const float* parameters, ImportNotes& notes) {
  Json orders = Json::object();
  for (OrderTable table : kOrderTables) {
    const OrderColumnInfo& enabled = EnabledColumnOf(table);
    Json rows = Json::array();
    for (int row = 0; row < RowsOf(table); ++row) {
      if (TruncToInt(parameters[enabled.first + row]) != 1) {
        if (RowHoldsAnything(parameters, table, row)) ++notes.switchedOffRows;
        continue;
      }
      Json entry = Json::object();
      entry["row"] = row;
      if (table == OrderTable::kUncut) entry["grade"] = UncutGradeOfRow(row);
      // Codes last: a row reads as what is ordered, then where it goes.
      std::vector<const OrderColumnInfo*> columns = ColumnsOf(table);
      std::stable_partition(columns.begin(), columns.end(), [](const OrderColumnInfo* column) {
        return std::strcmp(column->unit, "code") != 0;
      });
      for (const OrderColumnInfo* column : columns) {
        if (column == &enabled) continue;  // a listed row is switched on
        const double number =
            Representable(parameters[column->first + row], column->type, column->min, column->max);
        if (number == 0.0 && !std::signbit(number) && !IsRequired(column->min, column->max)) {
          continue;  // an omitted field is 0
        }
        entry[column->field] = NumberJson(number, column->type);
      }
      rows.push_back(entry);
    }
    if (!rows.empty()) orders[OrderTableKey(table)] = rows;
  }
  return orders;
}

Json LengthJson(float length) {
  return NumberJson(Representable(length, SettingType::kFloat, 0.0, kLargestMarkLength, true),
                    SettingType::kFloat);
}

Json LengthsJson(std::span<const float> lengths) {
  Json list = Json::array();
  for (const float length : lengths)
    list.push_back(LengthJson(length));
  return list;
}

Json MarksJson(const float* block) {
  const MarkView marks = ReadMarkView(block);
  Json out = Json::object();
  if (marks.pairs) {
    Json pairs = Json::array();
    for (size_t i = 0; i < marks.first.size(); ++i) {
      pairs.push_back(
          Json::array({NumberJson(Representable(marks.first[i], SettingType::kInt, 1, kWasteGrade),
                                  SettingType::kInt),
                       LengthJson(marks.pairLengths[i])}));
    }
    out["pairs"] = pairs;
    return out;
  }
  out["lines"] =
      Json::object({{"top", LengthsJson(marks.first)}, {"side", LengthsJson(marks.second)}});
  return out;
}

}  // namespace

bool ParameterIsRead(const float* parameters, int index) {
  if (index < 0 || index >= kParameterBlockFloats) return false;
  for (int unread : kUnreadParameters) {
    if (index == unread) return false;
  }
  for (const OrderColumnInfo& column : kOrderColumns) {
    if (index < column.first || index >= column.first + column.rows) continue;
    const int row = index - column.first;
    return TruncToInt(parameters[EnabledColumnOf(column.table).first + row]) == 1;
  }
  return true;
}

std::string WriteJob(const float* parameters, const float* marks, const std::string& description,
                     ImportNotes* notes) {
  ImportNotes local;
  ImportNotes& out = notes != nullptr ? *notes : local;
  out = ImportNotes{};
  for (int index : kUnreadParameters) {
    if (!SameBits(parameters[index], 0.0f)) ++out.unreadEntries;
  }

  Json job = Json::object();
  if (!description.empty()) job["description"] = description;
  job["settings"] = SettingsJson(parameters);
  Json trims = TrimsJson(parameters);
  if (!trims.empty()) job["trims"] = trims;
  Json orders = OrdersJson(parameters, out);
  if (!orders.empty()) job["orders"] = orders;
  job["marks"] = MarksJson(marks);

  // What the named fields give back, compared with the recorded bytes.
  JobBlocks named;
  ReadJob(PrettyJson(job), "import", named, nullptr);
  Json rawParameters = Json::object();
  for (int i = 0; i < kParameterBlockFloats; ++i) {
    if (ParameterIsRead(parameters, i) &&
        !SameBits(named.parameters[static_cast<size_t>(i)], parameters[i])) {
      rawParameters[std::to_string(i)] = RawJson(parameters[i]);
    }
  }
  Json rawMarks = Json::object();
  for (int i = 0; i < kBoardMarkBlockFloats; ++i) {
    if (!SameBits(named.marks[static_cast<size_t>(i)], marks[i])) {
      rawMarks[std::to_string(i)] = RawJson(marks[i]);
    }
  }
  out.rawEntries = static_cast<int>(rawParameters.size() + rawMarks.size());
  if (out.rawEntries > 0) {
    Json raw = Json::object();
    if (!rawParameters.empty()) raw["parameters"] = rawParameters;
    if (!rawMarks.empty()) raw["marks"] = rawMarks;
    job["raw"] = raw;
  }
  return PrettyJson(job);
}

}  // namespace sawline::tools
