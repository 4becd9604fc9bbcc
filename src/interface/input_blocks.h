// Unpacking of the two input blocks into the workspace.
#pragma once

namespace sawline {

// Copies the parameter block into the named settings and order-row columns; integer
// entries are truncated toward zero, float entries copied bit for bit. Sets
// OptimizeTimeLimit to 0.35 (index 2089 is never read).
void UnpackParameterBlock(const float* parameters);

// Copies the 201 mark floats into BoardMarks and counts both halves.
void CopyBoardMarks(const float* marks);

// Decides whether the board can be planned safely and records the answer in
// ws.run.InputRefused: a board whose used values include NaN or infinity, a negative
// kerf, a negative mark length, or a kerf as long as the whole board is refused as a
// whole. Runs after both blocks are
// unpacked; `parameters` is the block just unpacked, so that integer entries are
// judged before their truncation (a NaN length would otherwise pass as 0).
void ScreenInputs(const float* parameters);

}  // namespace sawline
