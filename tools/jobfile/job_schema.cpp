#include "jobfile/job_schema.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "desk/block_geometry.h"
#include "desk/json_text.h"
#include "interface/settings_table.h"
#include "jobfile/board_model.h"
#include "jobfile/job_format.h"

namespace sawline::tools {
namespace {

constexpr const char* kIndexPattern = "^(0|[1-9][0-9]{0,3})$";
constexpr const char* kBitsPattern = "^0[xX][0-9a-fA-F]{8}$";

Json BoundJson(double bound) {
  if (bound == std::trunc(bound) && std::fabs(bound) < 1e15) {
    return Json(static_cast<int64_t>(bound));
  }
  return Json(bound);
}

const char* TypeName(SettingType type) {
  return type == SettingType::kInt ? "integer" : "number";
}

const char* OmittedText(double min, double max, double fallback) {
  if (IsRequired(min, max)) return "must be given";
  return fallback == 1.0 ? "1 when omitted" : "0 when omitted";
}

Json NumberSchema(SettingType type, double min, double max, const std::string& description) {
  Json schema = Json::object();
  schema["description"] = description;
  schema["type"] = TypeName(type);
  schema["minimum"] = BoundJson(min);
  schema["maximum"] = BoundJson(max);
  return schema;
}

Json LengthListSchema(const std::string& description) {
  Json length = Json::object();
  length["type"] = "number";
  length["exclusiveMinimum"] = 0;
  length["maximum"] = BoundJson(kLargestMarkLength);
  return Json::object({{"description", description}, {"type", "array"}, {"items", length}});
}

Json SettingsSchema() {
  Json properties = Json::object();
  Json required = Json::array();
  for (const SettingInfo& setting : kScalarSettings) {
    std::string description = std::string(setting.meaning) + ". Parameter block index " +
                              std::to_string(setting.index) + ", unit " + setting.unit + "; " +
                              OmittedText(setting.min, setting.max, 0.0) + ".";
    if (setting.outOfRange == OutOfRange::kRefused) {
      description += " The library refuses a board whose value is outside " +
                     RangeText(setting.min, setting.max) + ".";
    }
    properties[setting.name] = NumberSchema(setting.type, setting.min, setting.max, description);
    if (IsRequired(setting.min, setting.max)) required.push_back(setting.name);
  }
  Json schema = Json::object();
  schema["description"] = "The scalar settings of the parameter block, by name.";
  schema["type"] = "object";
  schema["additionalProperties"] = false;
  schema["required"] = required;
  schema["properties"] = properties;
  return schema;
}

Json TrimsSchema() {
  Json properties = Json::object();
  properties["grade"] = NumberSchema(SettingType::kInt, 1, kMaxOrderGrade, "The grade, 1 to 8.");
  for (const GradeSettingInfo& setting : kGradeSettings) {
    properties[setting.name] = NumberSchema(
        SettingType::kInt, setting.min, setting.max,
        std::string(setting.meaning) + ". Parameter block index " + std::to_string(setting.base) +
            " + grade, unit " + setting.unit + "; 0 when omitted.");
  }
  Json item = Json::object();
  item["type"] = "object";
  item["additionalProperties"] = false;
  item["required"] = Json::array({"grade"});
  item["properties"] = properties;
  return Json::object({{"description", "Head and tail cuts per grade; a grade not listed has 0."},
                       {"type", "array"},
                       {"items", item}});
}

Json OrderTableSchema(OrderTable table) {
  const int rows = RowsOf(table);
  Json properties = Json::object();
  std::string rowText = "Host row 0 to " + std::to_string(rows - 1) + ".";
  if (table == OrderTable::kUncut) {
    rowText +=
        " Row r belongs to grade r / 3 + 1; give \"row\", \"grade\" or both (they must "
        "agree).";
  } else {
    rowText += " When omitted: the row after the previous entry's (0 for the first).";
    if (table == OrderTable::kFixed) {
      rowText += " The result block counts the pieces of this board per row.";
    }
  }
  properties["row"] = NumberSchema(SettingType::kInt, 0, rows - 1, rowText);
  if (table == OrderTable::kUncut) {
    properties["grade"] =
        NumberSchema(SettingType::kInt, 1, kMaxOrderGrade,
                     "Grade 1 to 8: without \"row\", the grade's first free row (3 per grade).");
  }
  Json required = Json::array();
  for (const OrderColumnInfo* column : ColumnsOf(table)) {
    properties[column->field] = NumberSchema(
        column->type, column->min, column->max,
        std::string(column->meaning) + ". Column " + column->name + ", parameter block index " +
            std::to_string(column->first) + " + row, unit " + column->unit + "; " +
            OmittedText(column->min, column->max, DefaultOf(*column)) + ".");
    if (IsRequired(column->min, column->max)) required.push_back(column->field);
  }
  Json item = Json::object();
  item["type"] = "object";
  item["additionalProperties"] = false;
  if (!required.empty()) item["required"] = required;
  if (table == OrderTable::kUncut) {
    item["anyOf"] = Json::array({Json::object({{"required", Json::array({"row"})}}),
                                 Json::object({{"required", Json::array({"grade"})}})});
  }
  item["properties"] = properties;
  return Json::object({{"description", std::string("The ") + OrderTableTitle(table) +
                                           " order rows (" + std::to_string(rows) + " rows)."},
                       {"type", "array"},
                       {"maxItems", rows},
                       {"items", item}});
}

Json OrdersSchema() {
  Json properties = Json::object();
  for (OrderTable table : kOrderTables)
    properties[OrderTableKey(table)] = OrderTableSchema(table);
  return Json::object({{"description", "The order book: rows of the three order tables."},
                       {"type", "object"},
                       {"additionalProperties", false},
                       {"properties", properties}});
}

Json MarksSchema() {
  Json grade = NumberSchema(SettingType::kInt, 1, kWasteGrade, "Grade 1 to 8, or 9 for waste.");
  Json length = Json::object({{"description", "Length of the zone."},
                              {"type", "number"},
                              {"exclusiveMinimum", 0},
                              {"maximum", BoundJson(kLargestMarkLength)}});
  Json pair = Json::object({{"type", "array"},
                            {"prefixItems", Json::array({grade, length})},
                            {"minItems", 2},
                            {"maxItems", 2}});
  Json pairs =
      Json::object({{"description",
                     "Grade/length pairs: the board's zones from its start (mark kind 1). The "
                     "block holds 100; more are dropped with a warning."},
                    {"type", "array"},
                    {"items", pair}});
  Json lines = Json::object();
  lines["description"] =
      "Marking-line intervals (mark kind 0): the distances between successive lines on each "
      "face, from the board's start to its end. The block holds 100 per face; more are dropped "
      "with a warning.";
  lines["type"] = "object";
  lines["additionalProperties"] = false;
  lines["properties"] = Json::object({{"top", LengthListSchema("Intervals of the top face.")},
                                      {"side", LengthListSchema("Intervals of the side face.")}});
  Json schema = Json::object();
  schema["description"] = "The board-mark block: exactly one of \"pairs\" and \"lines\".";
  schema["type"] = "object";
  schema["additionalProperties"] = false;
  schema["properties"] = Json::object({{"pairs", pairs}, {"lines", lines}});
  schema["oneOf"] = Json::array({Json::object({{"required", Json::array({"pairs"})}}),
                                 Json::object({{"required", Json::array({"lines"})}})});
  return schema;
}

Json RawEntriesSchema(const std::string& description) {
  Json value = Json::object(
      {{"anyOf", Json::array({Json::object({{"type", "number"}}),
                              Json::object({{"type", "string"}, {"pattern", kBitsPattern}})})}});
  return Json::object({{"description", description},
                       {"type", "object"},
                       {"propertyNames", Json::object({{"pattern", kIndexPattern}})},
                       {"additionalProperties", value}});
}

Json RawSchema() {
  Json schema = Json::object();
  schema["description"] =
      "Block entries set by index to exactly the value given, after everything else and "
      "without range checks: a number, or the float's bits as \"0x\" and 8 hex digits (for NaN "
      "and infinity). An import writes here what the named fields cannot hold.";
  schema["type"] = "object";
  schema["additionalProperties"] = false;
  schema["properties"] =
      Json::object({{"parameters", RawEntriesSchema("Parameter block entries, index 0 to 2101.")},
                    {"marks", RawEntriesSchema("Board-mark block entries, index 0 to 200.")}});
  return schema;
}

std::string Cell(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += '\\';
    out += c;
  }
  return out;
}

const char* TypeWord(SettingType type) {
  return type == SettingType::kInt ? "int" : "float";
}

}  // namespace

std::string JobSchemaText() {
  Json schema = Json::object();
  schema["$schema"] = "https://json-schema.org/draft/2020-12/schema";
  schema["title"] = "sawline job";
  schema["description"] =
      "One call of the cutting optimizer: the settings, head and tail cuts and order book of "
      "the parameter block, and the board marks. Generated from the settings table by "
      "`sawline schema`; do not edit.";
  schema["type"] = "object";
  schema["additionalProperties"] = false;
  schema["required"] = Json::array({"settings", "marks"});
  Json properties = Json::object();
  properties["$schema"] = Json::object({{"type", "string"}});
  properties["description"] =
      Json::object({{"description", "Free text about the job."}, {"type", "string"}});
  properties["settings"] = SettingsSchema();
  properties["trims"] = TrimsSchema();
  properties["orders"] = OrdersSchema();
  properties["marks"] = MarksSchema();
  properties["raw"] = RawSchema();
  // Read with the job (board_model.h); only `sawline simulate` uses it.
  properties["board_model"] = BoardModelSchema();
  schema["properties"] = properties;
  return PrettyJson(schema);
}

std::string SettingsReferenceMarkdown() {
  std::string out;
  out +=
      "Scalar settings (`\"settings\"`; a setting whose range leaves out 0 must be given, "
      "any other is 0 when omitted):\n\n";
  out += "| Name | Index | Type | Unit | Range | Outside the range | Meaning |\n";
  out += "|---|---|---|---|---|---|---|\n";
  for (const SettingInfo& setting : kScalarSettings) {
    out += "| `" + std::string(setting.name) + "` | " + std::to_string(setting.index) + " | " +
           TypeWord(setting.type) + " | " + setting.unit + " | " +
           RangeText(setting.min, setting.max) + " | " +
           (setting.outOfRange == OutOfRange::kRefused ? "refused" : "planned") + " | " +
           Cell(setting.meaning) + " |\n";
  }
  out +=
      "\nHead and tail cuts per grade (`\"trims\"`: `{\"grade\": g, \"CT\": ..., \"CB\": "
      "...}`; 0 when omitted):\n\n";
  out += "| Key | Index | Type | Unit | Range | Meaning |\n";
  out += "|---|---|---|---|---|---|\n";
  for (const GradeSettingInfo& setting : kGradeSettings) {
    out += "| `" + std::string(setting.name) + "` | " + std::to_string(setting.base) +
           " + g | int | " + setting.unit + " | " + RangeText(setting.min, setting.max) + " | " +
           Cell(setting.meaning) + " |\n";
  }
  out +=
      "\nOrder rows (`\"orders\"`: `\"fixed\"`, `\"variable\"`, `\"uncut\"`; the block "
      "index of row r is the first index + r):\n\n";
  out +=
      "| Table | Key | Column | First index | Rows | Type | Unit | Range | When omitted | "
      "Meaning |\n";
  out += "|---|---|---|---|---|---|---|---|---|---|\n";
  for (OrderTable table : kOrderTables) {
    for (const OrderColumnInfo* column : ColumnsOf(table)) {
      out += std::string("| ") + OrderTableKey(table) + " | `" + column->field + "` | " +
             column->name + " | " + std::to_string(column->first) + " | " +
             std::to_string(column->rows) + " | " + TypeWord(column->type) + " | " + column->unit +
             " | " + RangeText(column->min, column->max) + " | " +
             OmittedText(column->min, column->max, DefaultOf(*column)) + " | " +
             Cell(column->meaning) + " |\n";
    }
  }
  out += "\nParameter entries that nothing reads:";
  for (size_t i = 0; i < std::size(kUnreadParameters); ++i)
    out += (i == 0 ? " " : ", ") + std::to_string(kUnreadParameters[i]);
  out += ".\n";
  return out;
}

std::string SettingsReferenceText() {
  std::string out = "Scalar settings (\"settings\" in a job file):\n";
  for (const SettingInfo& setting : kScalarSettings) {
    out += "  " + std::string(setting.name) + "  [index " + std::to_string(setting.index) + ", " +
           TypeWord(setting.type) + " " + setting.unit + ", " +
           RangeText(setting.min, setting.max) + ", " + OmittedText(setting.min, setting.max, 0.0) +
           (setting.outOfRange == OutOfRange::kRefused ? "; refused outside the range" : "") +
           "]\n      " + setting.meaning + "\n";
  }
  out += "\nHead and tail cuts per grade (\"trims\": {\"grade\": g, \"CT\": ..., \"CB\": ...}):\n";
  for (const GradeSettingInfo& setting : kGradeSettings) {
    out += "  " + std::string(setting.name) + "  [index " + std::to_string(setting.base) +
           " + g, int " + setting.unit + ", " + RangeText(setting.min, setting.max) + "]\n      " +
           setting.meaning + "\n";
  }
  for (OrderTable table : kOrderTables) {
    out += std::string("\nOrder rows \"orders\": \"") + OrderTableKey(table) + "\" (" +
           OrderTableTitle(table) + ", rows 0 to " + std::to_string(RowsOf(table) - 1) + "):\n";
    for (const OrderColumnInfo* column : ColumnsOf(table)) {
      out += "  " + std::string(column->field) + "  [" + column->name + ", index " +
             std::to_string(column->first) + " + row, " + TypeWord(column->type) + " " +
             column->unit + ", " + RangeText(column->min, column->max) + ", " +
             OmittedText(column->min, column->max, DefaultOf(*column)) + "]\n      " +
             column->meaning + "\n";
    }
  }
  return out;
}

}  // namespace sawline::tools
