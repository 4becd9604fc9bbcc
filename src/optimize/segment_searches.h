// The searches that decide what one graded segment yields, as the plan drivers call them:
// the piece classifier, the segment filler and the combination search.
#pragma once

#include <cstdint>

namespace sawline {

// What a segment can become. `entry` is the list entry that takes the whole segment as
// one piece (kUncutWhole always, kVariable when one does), else -1.
struct PieceClass {
  enum class Kind : int32_t { kUncutWhole, kVariable, kFixed, kNothing };
  Kind kind;
  int32_t entry;
  bool operator==(const PieceClass&) const = default;
};

// What a segment of `grade` and `length` can become, given the grade's order lists.
PieceClass ClassifyPiece(int32_t grade, float length);

// Fills `length` with variable-length pieces of `grade`: the plan goes to FillRows /
// FillRowCount (none when nothing fits); returns its score.
float FillSegment(int32_t grade, float length);
// Best tiling of `length` with equal pieces of one order, into RemainderFill.
void FillRemainder(int32_t grade, float length);

// Chooses fixed-length piece counts for a segment (SearchPieceCount), fills the rest
// (FillRows unless fixedOnly is 1), sets RemainderLength and advances FixedDone.
void SearchCombination(int32_t grade, float length, int32_t fixedOnly);

}  // namespace sawline
