#include "optimize/optimize.h"
#include "workspace/workspace.h"

namespace sawline {

void PlanBoard() {
  ws.PieceCount = 0;
}

}  // namespace sawline
