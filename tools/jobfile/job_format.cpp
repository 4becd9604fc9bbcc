#include "jobfile/job_format.h"

#include <cstring>

namespace sawline::tools {

const char* OrderTableKey(OrderTable table) {
  switch (table) {
    case OrderTable::kFixed:
      return "fixed";
    case OrderTable::kVariable:
      return "variable";
    case OrderTable::kUncut:
      break;
  }
  return "uncut";
}

double DefaultOf(const OrderColumnInfo& column) {
  return std::strcmp(column.field, "enabled") == 0 ? 1.0 : 0.0;
}

}  // namespace sawline::tools
