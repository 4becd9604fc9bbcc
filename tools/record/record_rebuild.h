// Rebuilding a job from the line's record: the two input blocks of a call that give
// the library the same settings, order lists, head and tail cuts and board marks as
// the record shows, so that the desk can run the board again.
//
// The record holds what the library derived, not always what the host sent: the order
// lists (rows that were dropped are gone, the fixed-length lists are sorted and carry
// no row numbers, weights are printed to three decimals and, in value optimization,
// are values per length unit), lengths to 0.1, and the board marks in a listing that
// does not name their kind. The rebuild picks host rows that give exactly the recorded
// lists and put every counted order at its recorded row, and says what the record
// could not give back and what it chose.
#pragma once

#include <string>
#include <vector>

#include "desk/blocks.h"
#include "record/record_reader.h"

namespace sawline::tools {

// How to read board marks that the record lists as grade/length pairs: the listing
// shows pairs whenever the mark kind truncates to 1, but only a kind of exactly 1.0 is
// read as pairs; any other such kind (1.5, say) is read as marking-line intervals.
enum class MarkReading {
  kAuto,          // pairs unless the board length says the listing holds intervals
  kAsListed,      // pairs as pairs (kind 1.0), lines as lines (kind 0)
  kPairsAsLines,  // a pairs listing read as marking-line intervals (kind 1.5)
};

struct RebuildNote {
  int line = 0;  // the record line it is about; 0 for the record as a whole
  std::string text;
};

struct RebuiltJob {
  JobBlocks job;
  std::vector<RebuildNote> limits;   // what the record cannot give back
  std::vector<RebuildNote> choices;  // what the rebuild chose where the record allows more
  MarkReading reading = MarkReading::kAsListed;  // how the marks were read (never kAuto)
  bool otherReading = false;  // the marks are listed as pairs and can be read the other way
  int pinnedRows = 0;         // fixed-length rows placed at the row their count names
  int placeholderRows = 0;    // switched-off rows added only so that a count lands on its row
};

RebuiltJob RebuildJob(const Record& record, MarkReading reading = MarkReading::kAuto);

// The order in which the library's sort leaves a grade's fixed-length entries given
// in `lengths` (host row order): the indices into `lengths`, longest first, by
// selection (a later entry replaces the candidate only when strictly longer, and the
// candidate is exchanged with the entry at its place).
std::vector<int> SortedFixedOrder(const std::vector<int>& lengths);

}  // namespace sawline::tools
