// The piece classifier: what one graded segment can become, before a driver fills it.
#include "optimize/optimize.h"
#include "optimize/search_steps.h"
#include "workspace/workspace.h"

namespace sawline {

// The order of the tests is the precedence: an uncut order that takes the whole length
// beats everything, and any fitting fixed-length piece beats the variable-length list,
// even when a variable-length order would take the whole length as one piece. Bounds
// are inclusive; the integer lengths plus the kerf are compared in double precision.
// A grade outside 1..8 has no lists and gives 4.
int32_t ClassifyPiece(int32_t grade, float length) {
  const double kerf = ws.settings.KerfWidth;
  const double len = length;

  const int32_t uncut = ListCount(grade, ws.orders.UncutCount, kMaxUncutOrders);
  for (int32_t i = 0; i < uncut; ++i) {
    if (ws.orders.UncutMinLength[grade][i] + kerf <= len &&
        len <= ws.orders.UncutMaxLength[grade][i] + kerf) {
      return 10 * (i + 1) + 1;
    }
  }

  const int32_t fixed = ListCount(grade, ws.orders.FixedCount, kMaxFixedOrders);
  if (fixed >= 1 && ws.orders.FixedLength[grade][fixed - 1] + kerf <= len) return 3;

  // Any order whose minimum fits gives 2; the last order whose range holds the whole
  // length overrides it with its own value.
  int32_t c = 0;
  const int32_t variable = ListCount(grade, ws.orders.VariableCount, kMaxVariableOrders);
  for (int32_t j = 0; j < variable; ++j) {
    if (ws.orders.VariableMinLength[grade][j] + kerf <= len) c = 2;
  }
  for (int32_t j = 0; j < variable; ++j) {
    if (ws.orders.VariableMinLength[grade][j] + kerf <= len &&
        len <= ws.orders.VariableMaxLength[grade][j] + kerf) {
      c = 10 * (j + 1) + 2;
    }
  }
  return c % 10 == 2 ? c : 4;
}

}  // namespace sawline
