// Unpacking of the two input blocks into the workspace.
#pragma once

#include "workspace/workspace.h"

namespace sawline {

// Copies the parameter block into the named settings and order-row columns; integer
// entries are truncated toward zero, float entries copied bit for bit. Sets
// OptimizeTimeLimit to 0.35 (index 2089 is never read).
void UnpackParameterBlock(const float* parameters);

// Copies the 201 mark floats into BoardMarks and counts both halves.
void CopyBoardMarks(const float* marks);

// Decides whether the board can be planned safely. Refused as a whole are a board whose
// used values include NaN or infinity, a negative kerf, a negative mark length, a kerf
// as long as the whole board, a setting whose value outside its range would spoil the
// plan (see the settings table), and grade/length marks of a grade outside 1 to 9.
// Runs after both blocks are unpacked; `parameters` is the block just unpacked, so that
// integer entries are judged before their truncation (a NaN length would otherwise
// pass as 0).
Refusal ScreenInputs(const float* parameters);

}  // namespace sawline
