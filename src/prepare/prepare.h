// Board and order preparation: per-grade order lists, graded board segments,
// merging, head and tail trimming.
#pragma once

namespace sawline {

// Builds the per-grade fixed-length, variable-length and uncut lists with their
// mode weights, sorts the fixed-length lists longest first, sets OrderedGradeLimit.
void BuildOrderLists();

// Turns BoardMarks into Segments / SegmentCount and divides OptimizeTimeLimit by
// the segment count.
void ConvertBoardMarks();

// Measures the board, merges neighbours, snapshots ConvertedSegments, trims the
// head and tail cuts and shifts boundaries by the marking-line width.
void TrimHeadAndTail();

}  // namespace sawline
