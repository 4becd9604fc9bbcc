// The parts of the job format that the settings table does not name itself: the keys
// of the order tables, the defaults of omitted fields and the limits of board marks.
// The reader, the writer and the schema generator all take them from here; what the
// blocks themselves hold is in desk/order_tables.h.
#pragma once

#include <string>
#include <vector>

#include "desk/order_tables.h"
#include "interface/settings_table.h"

namespace sawline::tools {

// "fixed", "variable", "uncut": the table's key under "orders".
const char* OrderTableKey(OrderTable table);

// A field left out of a job is 0, except that a listed order row is switched on.
double DefaultOf(const OrderColumnInfo& column);
// A setting or field must be given when 0 is outside its range.
inline bool IsRequired(double min, double max) {
  return min > 0.0 || max < 0.0;
}

// Board marks: grades of grade/length pairs run from 1 to 9 (9 waste); lengths and
// intervals are greater than 0 (a 0 would end a half's list) and at most this.
inline constexpr double kLargestMarkLength = kLargestExactWhole;

}  // namespace sawline::tools
