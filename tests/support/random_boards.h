// Random boards for tests that need many different calls: every board is a complete,
// plannable job (settings, orders of every kind, graded marks) drawn from a seed with
// integer arithmetic only, so every build and platform draws the same blocks.
#pragma once

#include <cstdint>

#include "desk/blocks.h"

namespace sawline::test {

// The board of `seed`. Modes 0 to 4, with and without priority downgrade, grade/length
// marks or marking-line intervals; most boards yield pieces, a few yield none.
tools::JobBlocks RandomBoard(uint32_t seed);

}  // namespace sawline::test
