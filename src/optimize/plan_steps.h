// Steps shared by the plan drivers: the kerf adjustment, writing plan entries,
// inserting split rows, remnant centering, the tail exchange and flattening the plan
// into PieceList. Internal to the optimize folder.
//
// Capacity guarantees (the host's board can ask for more than the tables hold):
// - a plan row never holds more than kMaxPlanEntries entries: an entry that does not
//   fit is folded with the row's last entry into one waste entry of the same extent;
// - Segments never holds more than kMaxSegments rows: InsertSegmentRow refuses, and the
//   drivers then settle the remainder without splitting;
// - PieceList never holds more than kMaxPieces rows: when more pieces follow, its last
//   row becomes one waste piece covering them all.
// In every case the pieces and their kerfs still cover the whole board.
#pragma once

#include <cstdint>

#include "optimize/segment_searches.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline::plan {

// Moves one kerf of length across each boundary whose following segment has the
// worse grade and is longer than a kerf plus 0.1, then gives the last row one kerf,
// so that every piece can be planned as its length plus one kerf.
void AdjustKerf();

// Clears the entry counts of every plan row.
void ClearPlan();

// The number of pieces an entry flattens into: its count rounded up, 0 when the
// count is not positive (or not a number).
double PiecesOf(float count);

// Appends {count, gradeCode, length, tag} to plan row `row` (see the capacity note).
void AppendPlanEntry(int32_t row, float count, float gradeCode, float length, float tag);

// Replaces the plan of `row` with the single entry {1, gradeCode, length, tag}.
void SetSingleEntry(int32_t row, float gradeCode, float length, float tag);

// Appends one waste piece that, with its kerf, takes `extent` of the board.
void AppendWaste(int32_t row, double extent);

// Appends the variable-length pieces that the filler or the search left in FillRows.
void AppendFillRows(int32_t row, int32_t grade);

// Appends the fixed-length pieces of the last search: one entry per list entry from
// SearchFirstEntry on with a positive SearchPieceCount.
void AppendSearchPieces(int32_t row, int32_t grade);

// What a segment of `segmentLength` keeps after the pieces in FillRows and their
// kerfs; below 0.1 it is 0.
float RemainderAfterFill(float segmentLength);

// True for a grade the plan drivers fill with order pieces (1 to 8). Any other
// truncated grade, waste or a value the host should not have sent, is planned as one
// waste piece and never indexes a per-grade table.
inline bool IsPlannableGrade(float grade) {
  return IsOrderGrade(GradeOf(grade));
}

// Starts planning row `i`: plans it whole when it takes no order pieces (one waste
// piece) or when the classifier gives it to one uncut or one variable-length order;
// otherwise the driver fills, searches or downgrades it as the class says.
struct RowStart {
  bool placed;       // planned whole
  int32_t grade;     // the row's grade, truncated
  float length;      // the row's length
  PieceClass piece;  // what the classifier says (rows of an order grade only)
};
RowStart ClassifyAndPlaceWhole(int32_t i);

// `grade` plus one grade, as a downgrade or a split remainder gets it.
inline float NextGrade(float grade) {
  return ToFloat(static_cast<double>(grade) + 1.0);
}

// True when a remainder of row grade `grade` is long enough to become a row of its
// own, one grade worse: at least a kerf plus 49, and never below grade 8.
bool RemainderCanSplit(int32_t grade, double remainder);

// Settles a remainder of row `i` that is not split off: below 0.1 it is dropped;
// otherwise it goes to the next row when `nextMayTake` and that row is worse and
// ordered, or becomes a waste piece of row `i`.
void GiveToNextOrWaste(int32_t i, double remainder, bool nextMayTake);

// Adds `extent` to the length of segment `row`.
void AddLength(int32_t row, double extent);

// Inserts the segment {grade, length} at `at`, moving the rows from `at` on one place
// toward the tail. Returns false, changing nothing, when Segments is full.
bool InsertSegmentRow(int32_t at, float grade, float length);

// Moves plan row `from` (entries and entry count) to row `to`.
void MovePlanRow(int32_t from, int32_t to);

// True for a waste entry long enough to be cut in two halves around a kerf.
bool IsMovableWaste(const PlanEntry& entry);

// Remnant centering of an unsplit segment: when `row` has at least two entries and
// ends with movable waste, that waste is halved and one half moves to the front.
void CenterWasteInRow(int32_t row);

// Remnant centering of a split segment: when `lastRow` ends with movable waste, that
// waste is halved and one half goes to the end of `firstRow`, between the parts.
void CenterWasteBetween(int32_t firstRow, int32_t lastRow);

// Exchanges the plans of the last two rows, so that the pieces of a remainder split
// off the last segment come before those of the part it was split from.
void ExchangeTailRows();

// Rebuilds PieceList from the plan rows 0 to SegmentCount - 1, one row per piece, in
// row and entry order.
void FlattenPlan();

// ---- Steps of the priority-downgrade driver (downgrade_driver.cpp) ----

// Per row: 0 no neighbour has a worse grade, 1 only the previous one, 2 only the next
// one, 3 both. `flags` holds kMaxPlanRows entries; rows beyond SegmentCount get 0.
void ComputeNeighbourFlags(int32_t* flags);

// The downgrade pass: for grades 1 to 7, best first, a row that takes variable-length
// pieces or nothing, and that has a worse neighbour with orders possible (grade below
// waste), is merged into its worse neighbour (the better of the two when both are
// worse; into both when they have one grade). Merged rows leave Segments; the flags
// move with their rows.
void MergeDowngradedRows(int32_t* flags);

// Collapses the split marks of the first kMaxSegments rows into group sizes: after it,
// part[k] is the number of rows of group k (a row with its split remainders; 0 for a
// row that was never split).
void CollapseSplitGroups(int32_t* part, int32_t* first);

}  // namespace sawline::plan
