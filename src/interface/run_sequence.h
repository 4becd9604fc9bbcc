// One complete optimization run over the workspace.
#pragma once

#include <cstdint>

namespace sawline {

// Runs one board: unpack, prepare, log, plan, finish, fill the result block, log.
// Returns the number of pieces in the cut list; 0 leaves `resultBlock` untouched.
int32_t RunOptimization(const float* parameterBlock, const float* boardMarkBlock,
                        float* resultBlock);

// Chooses the plan driver from OptimizeMode and PriorityDowngrade and runs it; the
// priority-downgrade driver's rows go to the run log.
void DispatchPlanDriver();

// Packs segments, cut list, controller records and statistics into the caller's
// 1169-float block (cleared first).
void FillResultBlock(float* resultBlock);

}  // namespace sawline
