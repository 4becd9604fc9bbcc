#include "desk/order_tables.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace sawline::tools {

const char* OrderTableTitle(OrderTable table) {
  switch (table) {
    case OrderTable::kFixed:
      return "fixed-length";
    case OrderTable::kVariable:
      return "variable-length";
    case OrderTable::kUncut:
      break;
  }
  return "uncut";
}

std::vector<const OrderColumnInfo*> ColumnsOf(OrderTable table) {
  std::vector<const OrderColumnInfo*> columns;
  for (const OrderColumnInfo& column : kOrderColumns) {
    if (column.table == table) columns.push_back(&column);
  }
  return columns;
}

int RowsOf(OrderTable table) {
  return EnabledColumnOf(table).rows;
}

const OrderColumnInfo& EnabledColumnOf(OrderTable table) {
  for (const OrderColumnInfo& column : kOrderColumns) {
    if (column.table == table && std::strcmp(column.field, "enabled") == 0) return column;
  }
  return kOrderColumns[0];  // every table has one; a test checks it
}

std::string BoundText(double bound) {
  char text[32];
  if (bound == std::trunc(bound) && std::fabs(bound) < 1e15) {
    std::snprintf(text, sizeof text, "%.0f", bound);
  } else {
    std::snprintf(text, sizeof text, "%.2g", bound);
  }
  return text;
}

std::string RangeText(double min, double max) {
  if (max >= kLargestFloat) return BoundText(min) + " or more";
  return BoundText(min) + " to " + BoundText(max);
}

}  // namespace sawline::tools
