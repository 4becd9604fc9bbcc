// The order tables of the parameter block as the desk tool reads and describes them:
// their names in messages, their columns and rows in the settings table, and the texts
// of documented ranges.
#pragma once

#include <string>
#include <vector>

#include "desk/block_geometry.h"
#include "interface/settings_table.h"

namespace sawline::tools {

inline constexpr OrderTable kOrderTables[] = {OrderTable::kFixed, OrderTable::kVariable,
                                              OrderTable::kUncut};

// "fixed-length", "variable-length", "uncut": the table's name in messages.
const char* OrderTableTitle(OrderTable table);

// The columns of one table, in the settings table's order.
std::vector<const OrderColumnInfo*> ColumnsOf(OrderTable table);
int RowsOf(OrderTable table);
// The column whose value 1 switches a row on.
const OrderColumnInfo& EnabledColumnOf(OrderTable table);

// Uncut rows belong to a grade by their row: row r to grade r / 3 + 1.
inline int UncutGradeOfRow(int row) {
  return row / kUncutRowsPerGrade + 1;
}

// "0 to 4", "1 to 16777216", "0 or more" (no upper bound but the float range).
std::string RangeText(double min, double max);
// A bound as it is written in messages and the reference ("16777216", "3.4e+38").
std::string BoundText(double bound);

}  // namespace sawline::tools
