// The piece classifier: what one graded segment can become, before a driver fills it.
#include "optimize/search_steps.h"
#include "optimize/segment_searches.h"
#include "workspace/workspace.h"

namespace sawline {

// The order of the tests is the precedence: an uncut order that takes the whole length
// beats everything, and any fitting fixed-length piece beats the variable-length list,
// even when a variable-length order would take the whole length as one piece. Bounds
// are inclusive; the integer lengths plus the kerf are compared in double precision.
// A grade outside 1..8 has no lists and gives kNothing.
PieceClass ClassifyPiece(int32_t grade, float length) {
  using Kind = PieceClass::Kind;
  const OrderLists& orders = ws.orders;
  const double kerf = static_cast<double>(ws.settings.KerfWidth);
  const double len = static_cast<double>(length);

  const int32_t uncut = ListCount(grade, orders.UncutCount, kMaxUncutOrders);
  for (int32_t i = 0; i < uncut; ++i) {
    if (orders.UncutMinLength[grade][i] + kerf <= len &&
        len <= orders.UncutMaxLength[grade][i] + kerf) {
      return {Kind::kUncutWhole, i};
    }
  }

  const int32_t fixed = ListCount(grade, orders.FixedCount, kMaxFixedOrders);
  if (fixed >= 1 && orders.FixedLength[grade][fixed - 1] + kerf <= len) return {Kind::kFixed, -1};

  // Any order whose minimum fits makes it variable; the last order whose range holds the
  // whole length takes it as one piece.
  PieceClass c{Kind::kNothing, -1};
  const int32_t variable = ListCount(grade, orders.VariableCount, kMaxVariableOrders);
  for (int32_t j = 0; j < variable; ++j) {
    if (orders.VariableMinLength[grade][j] + kerf <= len) c.kind = Kind::kVariable;
  }
  for (int32_t j = 0; j < variable; ++j) {
    if (orders.VariableMinLength[grade][j] + kerf <= len &&
        len <= orders.VariableMaxLength[grade][j] + kerf) {
      c = {Kind::kVariable, j};
    }
  }
  return c;
}

}  // namespace sawline
