// The random numbers of a simulated shift: a 64-bit generator of the desk tool's own
// (SplitMix64) and the ranges and choices drawn from it, in integer arithmetic or in
// IEEE double operations only, so that a seed gives the same boards with every compiler
// and on every platform. No standard-library distribution is used: their results are
// left to each library and differ between them.
//
// It is independent of the optimizer's 15-bit generator: drawing boards never moves the
// searches' random sequence.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sawline::tools {

class ShiftRandom {
 public:
  explicit ShiftRandom(uint64_t seed) : state_(seed) {}

  // The stream of board `index` of the shift drawn with `seed`: every board has a stream
  // of its own, so a board is the same whichever other boards are drawn, in whatever order.
  static ShiftRandom ForBoard(uint64_t seed, uint64_t index) {
    ShiftRandom base(seed ^ 0x6a09e667f3bcc908u);
    const uint64_t root = base.Next();
    return ShiftRandom(root + (index + 1) * 0xd1b54a32d192ed03u);
  }

  uint64_t Next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15u);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
    return z ^ (z >> 31);
  }

  // A whole number in 0 .. n - 1 (0 for n = 0), every value equally likely: draws from
  // the top of the range that would favour the low values are drawn again.
  uint64_t Below(uint64_t n) {
    if (n <= 1) return 0;
    const uint64_t rejectFrom = UINT64_MAX - UINT64_MAX % n;
    uint64_t x = Next();
    while (x >= rejectFrom)
      x = Next();
    return x % n;
  }

  // A whole number in low .. high (low when high < low).
  int64_t Between(int64_t low, int64_t high) {
    if (high <= low) return low;
    return low + static_cast<int64_t>(Below(static_cast<uint64_t>(high - low) + 1));
  }

  // A fraction in [0, 1) with 53 random bits.
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  // True with probability p.
  bool Chance(double p) { return Unit() < p; }

  // An index 0 .. count - 1 chosen in proportion to `weights` (negative weights count as
  // 0); 0 when every weight is 0.
  size_t Pick(const double* weights, size_t count) {
    double total = 0.0;
    for (size_t i = 0; i < count; ++i)
      total += weights[i] > 0.0 ? weights[i] : 0.0;
    if (!(total > 0.0)) return 0;
    const double x = Unit() * total;
    double sum = 0.0;
    size_t last = 0;
    for (size_t i = 0; i < count; ++i) {
      if (!(weights[i] > 0.0)) continue;
      sum += weights[i];
      last = i;
      if (x < sum) return i;
    }
    return last;  // x rounded up to the total
  }

 private:
  uint64_t state_;
};

}  // namespace sawline::tools
