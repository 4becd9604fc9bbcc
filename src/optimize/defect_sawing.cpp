#include "optimize/optimize.h"
#include "workspace/workspace.h"

namespace sawline {

void PlanDefectSawing() {
  ws.PieceCount = 0;
}

}  // namespace sawline
