// Boards drawn at random for a simulated shift, by a job's board model. A board is
// drawn from the shift's seed and its own number, so board 17 is the same board whether
// 20 or 2000 are drawn, on every machine.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "desk/blocks.h"
#include "jobfile/board_model.h"

namespace sawline::tools {

// The zones of board `index` as grade/length marks, from the board's start. The model
// must pass CheckBoardModel.
std::vector<std::pair<float, float>> DrawBoardZones(const BoardModel& model, uint64_t seed,
                                                    uint64_t index);

// The job `book` (settings and orders) with the marks of board `index`.
JobBlocks DrawBoard(const JobBlocks& book, const BoardModel& model, uint64_t seed, uint64_t index);

}  // namespace sawline::tools
