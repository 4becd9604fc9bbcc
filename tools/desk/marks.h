// The board-mark block as the host sends it: 201 floats, two halves of up to 100
// entries each, and entry 200 the kind of the marks. A half ends at its first 0 (or
// after its 100 entries). Exactly 1.0 means grade/length pairs: grade i at entry i, its
// length at entry 100 + i, as many pairs as the grades before the first 0. Any other
// kind means marking-line intervals: the distances between the top face's lines in the
// first half, the side face's in the second.
#pragma once

#include <span>

namespace sawline::tools {

struct MarkView {
  float kind = 0.0f;   // entry 200 as sent
  bool pairs = false;  // the kind is exactly 1.0: grade/length pairs
  // Each half up to its first 0: the pairs' grades or the top face's intervals, and
  // the side face's intervals (for pairs, the lengths up to their own first 0).
  std::span<const float> first;
  std::span<const float> second;
  // Pairs: the length of each grade of `first`, one per grade even where it is 0.
  // Empty for intervals.
  std::span<const float> pairLengths;

  // The lengths of the board's zones from its start: the pairs' lengths, or the top
  // face's intervals.
  std::span<const float> ZoneLengths() const { return pairs ? pairLengths : first; }
};

// The view of the 201 floats at `marks`; it points into them and is valid while they are.
MarkView ReadMarkView(const float* marks);

}  // namespace sawline::tools
