// PlanDefectSawing: mode 4 cuts the board at its segment boundaries only. Each
// segment becomes one piece; sound pieces pick up the code of the first grade-1
// variable-length order whose range holds them.
#include <algorithm>

#include "optimize/optimize.h"
#include "optimize/plan_steps.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// The code of the first grade-1 variable-length order whose range, both ends
// included, holds `length`; 0 when none does.
float SoundPieceTag(float length) {
  const double piece = static_cast<double>(length);
  const int32_t orders = std::clamp(ws.orders.VariableCount[1], 0, kMaxVariableOrders);
  for (int32_t k = 0; k < orders; ++k) {
    if (ws.orders.VariableMinLength[1][k] <= piece && piece <= ws.orders.VariableMaxLength[1][k]) {
      return static_cast<float>(ws.orders.VariableCode[1][k]);
    }
  }
  return 0.0f;
}

}  // namespace

void PlanDefectSawing() {
  plan::AdjustKerf();
  const int32_t count = std::clamp(ws.board.SegmentCount, 0, kMaxSegments);
  const double kerf = static_cast<double>(ws.settings.KerfWidth);
  for (int32_t i = 0; i < count; ++i) {
    const Segment& segment = ws.board.Segments[i];
    PieceRow& piece = ws.cut.PieceList[i];
    piece.gradeCode = segment.grade;
    piece.length = ToFloat(static_cast<double>(segment.length) - kerf);
    piece.tag = GradeOf(segment.grade) == 1 ? SoundPieceTag(piece.length) : 0.0f;
  }
  ws.cut.PieceCount = count;
}

}  // namespace sawline
