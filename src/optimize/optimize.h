// Cutting optimization: the plan drivers, one of which the run sequence runs per board.
// Each plans the board's segments and leaves the cut list in PieceList.
#pragma once

#include "workspace/workspace.h"

namespace sawline {

void PlanBoard();  // modes 0..3, priority downgrade off
// Modes 0..3, priority downgrade on. Returns the board's rows as its downgrade pass
// left them, for the run log.
DowngradePass PlanBoardWithDowngrade();
void PlanDefectSawing();  // mode 4

}  // namespace sawline
