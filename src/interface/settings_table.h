// The parameter block's settings and order-table columns, described once: name, block
// index, type, unit, documented range, what a value outside that range does, meaning,
// the run log's label and where it lands in the workspace. Unpacking, input screening,
// the desk tool's job files and its settings reference all read these tables; tests
// check them against the public header's block layout and the run log's labels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

#include "interface/run_log_format.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {

// How an entry of the float block becomes a setting.
enum class SettingType : uint8_t {
  kInt,    // truncated toward zero into a 32-bit integer
  kFloat,  // copied bit for bit
};

// What the library does with a value outside the documented range.
enum class OutOfRange : uint8_t {
  kPlanned,  // the outcome is defined and harmless: the board is planned as given
  kRefused,  // the plan would be meaningless or would saw the board to scrap: refused
};

// Largest whole number that a float of the block carries exactly (2^24); the upper
// bound of lengths, counts and indices that have no tighter one.
inline constexpr double kLargestExactWhole = 16777216.0;
// Largest packed controller code: four two-digit decimal fields AABBCCDD.
inline constexpr double kLargestCode = 99999999.0;
// Weights and values have no upper bound but the float range.
inline constexpr double kLargestFloat = 3.4028234663852886e38;

// Where an entry lands in the workspace: Bind<&Owner::Field> copies a setting or an
// order column from its entries in the block into the field, truncated toward zero into
// an integer (or the mode), bit for bit into a float; BindGrades does the same for a
// per-grade table, whose entry g is the block's entry g and whose entry 0 stays 0.
template <typename Owner>
using Binding = void (*)(Owner& owner, const float* entries);

namespace binding {
template <typename Owner, typename T>
Owner OwnerOf(T Owner::*);
template <typename T>
T FromBlock(float entry) {
  if constexpr (std::is_same_v<T, float>) {
    return entry;
  } else {
    return static_cast<T>(TruncToInt(entry));
  }
}
}  // namespace binding

template <auto member>
void Bind(decltype(binding::OwnerOf(member))& owner, const float* entries) {
  auto& field = owner.*member;
  if constexpr (std::is_array_v<std::remove_reference_t<decltype(field)>>) {
    for (size_t i = 0; i < std::size(field); ++i)
      field[i] = binding::FromBlock<std::remove_reference_t<decltype(field[0])>>(entries[i]);
  } else {
    field = binding::FromBlock<std::remove_reference_t<decltype(field)>>(entries[0]);
  }
}

template <auto member>
void BindGrades(Settings& settings, const float* entries) {
  auto& field = settings.*member;
  field[0] = 0;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g)
    field[g] = TruncToInt(entries[g]);
}

struct SettingInfo {
  const char* name;  // workspace name, also the job file's key
  int32_t index;     // index in the parameter block
  SettingType type;
  const char* unit;  // "length", "switch", "grade", "mode", "code" or "count"
  double min;        // documented range, both ends included
  double max;
  OutOfRange outOfRange;
  const char* meaning;  // one line for the settings reference
  // The run log's label (interface/run_log_format.h): UTF-8 here, GBK in the log.
  const char* logLabel;
  Binding<Settings> target;  // where it lands in the workspace
};

// The scalar settings, in block-index order.
inline constexpr SettingInfo kScalarSettings[] = {
    {"WasteGateSelect", 5, SettingType::kInt, "switch", 0, 1, OutOfRange::kPlanned,
     "1: the waste gate is selected and waste of 70 to 140 stays whole; any other value: such "
     "waste is cut in two halves",
     SAWLINE_LABEL_WasteGateSelect, Bind<&Settings::WasteGateSelect>},
    {"WasteKickerCode", 1854, SettingType::kInt, "code", 0, kLargestCode, OutOfRange::kPlanned,
     "packed controller code AABBCCDD given to waste pieces of 140 or longer (the waste "
     "kicker); 0 or negative: no code",
     SAWLINE_LABEL_WasteMaxAndKicker, Bind<&Settings::WasteKickerCode>},
    {"WasteMaxLength", 2087, SettingType::kInt, "length", 0, kLargestExactWhole,
     OutOfRange::kPlanned,
     "longest waste piece: longer waste is cut into pieces of this length; below 49 waste is "
     "never cut",
     SAWLINE_LABEL_WasteMaxAndKicker, Bind<&Settings::WasteMaxLength>},
    {"RemnantCentering", 2088, SettingType::kInt, "switch", 0, 1, OutOfRange::kPlanned,
     "1: the waste of a segment between two unordered zones is split between its two ends",
     SAWLINE_LABEL_RemnantCentering, Bind<&Settings::RemnantCentering>},
    {"WasteMarkCount", 2090, SettingType::kInt, "grade", 1, 9, OutOfRange::kPlanned,
     "grade at which counting grade marks stops (one-face marking lines)",
     SAWLINE_LABEL_WasteMarkCount, Bind<&Settings::WasteMarkCount>},
    {"TailUnmarkedLength", 2091, SettingType::kInt, "length", 0, kLargestExactWhole,
     OutOfRange::kPlanned, "written to the run log only", SAWLINE_LABEL_TailUnmarkedLength,
     Bind<&Settings::TailUnmarkedLength>},
    {"GradeMarkLength", 2092, SettingType::kInt, "length", 0, kLargestExactWhole,
     OutOfRange::kPlanned, "longest marking-line interval that counts as a grade mark",
     SAWLINE_LABEL_GradeMarkLength, Bind<&Settings::GradeMarkLength>},
    {"GradeAMinLength", 2093, SettingType::kInt, "length", 0, kLargestExactWhole,
     OutOfRange::kPlanned, "shortest marking-line interval that is not waste",
     SAWLINE_LABEL_GradeAMinLength, Bind<&Settings::GradeAMinLength>},
    {"UnmarkedGrade", 2094, SettingType::kInt, "grade", 1, 9, OutOfRange::kRefused,
     "grade given to an unmarked part of the board (marking lines only; 9 is waste)",
     SAWLINE_LABEL_UnmarkedGrade, Bind<&Settings::UnmarkedGrade>},
    {"OptimizeMode", 2095, SettingType::kInt, "mode", 0, 4, OutOfRange::kRefused,
     "0 length or weighted length, 1 value, 2 quantity, 3 long stock, 4 defect sawing",
     SAWLINE_LABEL_OptimizeMode, Bind<&Settings::OptimizeMode>},
    {"PriorityDowngrade", 2096, SettingType::kInt, "switch", 0, 1, OutOfRange::kPlanned,
     "1: good segments that cannot be used whole merge into worse neighbours, and the best "
     "grades are planned first (modes 0 to 3)",
     SAWLINE_LABEL_PriorityDowngrade, Bind<&Settings::PriorityDowngrade>},
    {"KerfWidth", 2097, SettingType::kFloat, "length", 0, kLargestExactWhole, OutOfRange::kRefused,
     "width of the saw kerf: every piece uses its length plus one kerf", SAWLINE_LABEL_KerfWidth,
     Bind<&Settings::KerfWidth>},
    {"FluorescentLineWidth", 2098, SettingType::kInt, "length", 0, kLargestExactWhole,
     OutOfRange::kPlanned,
     "width of a marking line: a boundary after waste or a worse grade moves by it",
     SAWLINE_LABEL_FluorescentLineWidth, Bind<&Settings::FluorescentLineWidth>},
    {"FrontMarkingMode", 2099, SettingType::kInt, "switch", 0, 1, OutOfRange::kPlanned,
     "1: marking-line intervals are read from the board's end towards its start",
     SAWLINE_LABEL_FrontMarkingMode, Bind<&Settings::FrontMarkingMode>},
    {"TopWasteSideGradeLines", 2100, SettingType::kInt, "switch", 0, 1, OutOfRange::kRefused,
     "1: waste lines on the top face and grade lines on the side face (two-face marking); "
     "other values than 0 and 1 are refused with front marking",
     SAWLINE_LABEL_TopWasteSideGradeLines, Bind<&Settings::TopWasteSideGradeLines>},
    {"SeparateAdjacentSameGrade", 2101, SettingType::kInt, "switch", 0, 1, OutOfRange::kPlanned,
     "1: adjacent segments of one grade stay separate", SAWLINE_LABEL_SeparateAdjacentSameGrade,
     Bind<&Settings::SeparateAdjacentSameGrade>},
};

// Per-grade settings: entry g (1 to 8) at index base + g.
struct GradeSettingInfo {
  const char* name;  // "CT" or "CB"
  int32_t base;      // the entry of grade g is at base + g
  const char* unit;
  double min;
  double max;
  const char* meaning;
  const char* logLabel;
  Binding<Settings> target;  // where it lands in the workspace
};

inline constexpr GradeSettingInfo kGradeSettings[] = {
    {"CT", 2070, "length", 0, kLargestExactWhole,
     "head cut of a board whose first segment has this grade", SAWLINE_LABEL_HeadTailCuts,
     BindGrades<&Settings::CT>},
    {"CB", 2078, "length", 0, kLargestExactWhole,
     "tail cut of a board whose last segment has this grade", SAWLINE_LABEL_HeadTailCuts,
     BindGrades<&Settings::CB>},
};

// The three order tables, stored column by column.
enum class OrderTable : uint8_t { kFixed, kVariable, kUncut };

struct OrderColumnInfo {
  OrderTable table;
  const char* field;  // the job file's key within an order row
  const char* name;   // workspace name of the column
  int32_t first;      // index of row 0 in the parameter block
  int32_t rows;
  SettingType type;
  const char* unit;  // as for SettingInfo, plus "weight" and "value"
  double min;
  double max;
  const char* meaning;
  Binding<OrderRows> target;  // where it lands in the workspace
};

inline constexpr OrderColumnInfo kOrderColumns[] = {
    {OrderTable::kFixed, "enabled", "FixedOrderEnabled", 6, 200, SettingType::kInt, "switch", 0, 1,
     "the row is used only when this is exactly 1", Bind<&OrderRows::FixedOrderEnabled>},
    {OrderTable::kFixed, "grade", "FixedOrderGrade", 206, 200, SettingType::kInt, "grade", 1, 8,
     "grade of the pieces", Bind<&OrderRows::FixedOrderGrade>},
    {OrderTable::kFixed, "length", "FixedOrderLength", 406, 200, SettingType::kInt, "length", 0,
     kLargestExactWhole, "piece length; rows of 79 or shorter are not used",
     Bind<&OrderRows::FixedOrderLength>},
    {OrderTable::kFixed, "weight", "FixedOrderWeight", 606, 200, SettingType::kFloat, "weight", 0,
     kLargestFloat, "weight per length unit (modes 0 and 2); 0.001 or less: not used",
     Bind<&OrderRows::FixedOrderWeight>},
    {OrderTable::kFixed, "start_weight", "FixedOrderStartWeight", 806, 200, SettingType::kFloat,
     "weight", 0, kLargestFloat, "weight while none of the quantity is done (mode 2)",
     Bind<&OrderRows::FixedOrderStartWeight>},
    {OrderTable::kFixed, "value", "FixedOrderValue", 1006, 200, SettingType::kFloat, "value", 0,
     kLargestFloat, "value of one piece (mode 1); 0.001 or less: not used in mode 1",
     Bind<&OrderRows::FixedOrderValue>},
    {OrderTable::kFixed, "quantity", "FixedOrderQuantity", 1206, 200, SettingType::kInt, "count", 0,
     kLargestExactWhole, "pieces ordered; 0: no limit", Bind<&OrderRows::FixedOrderQuantity>},
    {OrderTable::kFixed, "done", "FixedOrderDone", 1406, 200, SettingType::kInt, "count", 0,
     kLargestExactWhole, "pieces already produced; a complete row is not used",
     Bind<&OrderRows::FixedOrderDone>},
    {OrderTable::kFixed, "code", "FixedOrderCode", 1606, 200, SettingType::kInt, "code", 0,
     kLargestCode, "packed controller code AABBCCDD of the pieces",
     Bind<&OrderRows::FixedOrderCode>},
    {OrderTable::kVariable, "code", "VariableOrderCode", 1806, 24, SettingType::kInt, "code", 0,
     kLargestCode, "packed controller code AABBCCDD of the pieces",
     Bind<&OrderRows::VariableOrderCode>},
    {OrderTable::kUncut, "code", "UncutOrderCode", 1830, 24, SettingType::kInt, "code", 0,
     kLargestCode, "packed controller code AABBCCDD of the piece",
     Bind<&OrderRows::UncutOrderCode>},
    {OrderTable::kVariable, "enabled", "VariableOrderEnabled", 1855, 24, SettingType::kInt,
     "switch", 0, 1, "the row is used only when this is exactly 1",
     Bind<&OrderRows::VariableOrderEnabled>},
    {OrderTable::kVariable, "grade", "VariableOrderGrade", 1879, 24, SettingType::kInt, "grade", 1,
     8, "grade of the pieces", Bind<&OrderRows::VariableOrderGrade>},
    {OrderTable::kVariable, "min_length", "VariableOrderMinLength", 1903, 24, SettingType::kInt,
     "length", 0, kLargestExactWhole, "shortest acceptable piece; 49 or shorter: not used",
     Bind<&OrderRows::VariableOrderMinLength>},
    {OrderTable::kVariable, "max_length", "VariableOrderMaxLength", 1927, 24, SettingType::kInt,
     "length", 0, kLargestExactWhole, "longest acceptable piece; not above the shortest: not used",
     Bind<&OrderRows::VariableOrderMaxLength>},
    {OrderTable::kVariable, "weight", "VariableOrderWeight", 1951, 24, SettingType::kFloat,
     "weight", 0, kLargestFloat, "weight per length unit (modes 0 and 2); below 0.001: not used",
     Bind<&OrderRows::VariableOrderWeight>},
    {OrderTable::kVariable, "value", "VariableOrderValue", 1975, 24, SettingType::kFloat, "value",
     0, kLargestFloat, "value per 1000 length units (mode 1); below 0.001: not used in mode 1",
     Bind<&OrderRows::VariableOrderValue>},
    {OrderTable::kUncut, "enabled", "UncutOrderEnabled", 1999, 24, SettingType::kInt, "switch", 0,
     1, "the row is used only when this is exactly 1; row r belongs to grade r / 3 + 1",
     Bind<&OrderRows::UncutOrderEnabled>},
    {OrderTable::kUncut, "min_length", "UncutOrderMinLength", 2023, 24, SettingType::kInt, "length",
     0, kLargestExactWhole, "shortest segment taken whole; 49 or shorter: not used",
     Bind<&OrderRows::UncutOrderMinLength>},
    {OrderTable::kUncut, "max_length", "UncutOrderMaxLength", 2047, 24, SettingType::kInt, "length",
     0, kLargestExactWhole, "longest segment taken whole; not above the shortest: not used",
     Bind<&OrderRows::UncutOrderMaxLength>},
};

// Entries of the parameter block that nothing reads: 0 to 4, and 2089 (the time limit
// is fixed at 0.35 seconds whatever it holds).
inline constexpr int32_t kUnreadParameters[] = {0, 1, 2, 3, 4, 2089};

}  // namespace sawline
