#include "optimize/optimize.h"
#include "workspace/workspace.h"

namespace sawline {

void PlanBoardWithDowngrade() {
  ws.PieceCount = 0;
}

}  // namespace sawline
