// The parts of the job format that the settings table does not name itself: the keys
// of the order tables, the defaults of omitted fields and the limits of board marks.
// The reader, the writer and the schema generator all take them from here.
#pragma once

#include <string>
#include <vector>

#include "interface/settings_table.h"

namespace sawline::tools {

inline constexpr OrderTable kOrderTables[] = {OrderTable::kFixed, OrderTable::kVariable,
                                              OrderTable::kUncut};

// "fixed", "variable", "uncut": the table's key under "orders".
const char* OrderTableKey(OrderTable table);
// "fixed-length", "variable-length", "uncut": the table's name in messages.
const char* OrderTableTitle(OrderTable table);

// The columns of one table, in the settings table's order.
std::vector<const OrderColumnInfo*> ColumnsOf(OrderTable table);
int RowsOf(OrderTable table);
// The column whose value 1 switches a row on.
const OrderColumnInfo& EnabledColumnOf(OrderTable table);

// Uncut rows belong to a grade by their row: row r to grade r / 3 + 1.
inline constexpr int kUncutRowsPerGrade = 3;
inline int UncutGradeOfRow(int row) {
  return row / kUncutRowsPerGrade + 1;
}

// A field left out of a job is 0, except that a listed order row is switched on.
double DefaultOf(const OrderColumnInfo& column);
// A setting or field must be given when 0 is outside its range.
inline bool IsRequired(double min, double max) {
  return min > 0.0 || max < 0.0;
}

// Board marks: grades of grade/length pairs run from 1 to 9 (9 waste); lengths and
// intervals are greater than 0 (a 0 would end a half's list) and at most this.
inline constexpr double kLargestMarkLength = kLargestExactWhole;

// "0 to 4", "1 to 16777216", "0 or more" (no upper bound but the float range).
std::string RangeText(double min, double max);
// A bound as it is written in messages and the reference ("16777216", "3.4e+38").
std::string BoundText(double bound);

}  // namespace sawline::tools
