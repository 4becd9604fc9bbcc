#include "desk/marks.h"

#include <cstddef>

#include "desk/block_geometry.h"

namespace sawline::tools {
namespace {

constexpr float kPairsMarkKind = 1.0f;

// The entries of one half before its first 0.
std::span<const float> UntilZero(const float* half) {
  size_t count = 0;
  while (count < static_cast<size_t>(kMarkHalf) && half[count] != 0.0f)
    ++count;
  return {half, count};
}

}  // namespace

MarkView ReadMarkView(const float* marks) {
  MarkView view;
  view.kind = marks[kMarkKindIndex];
  view.pairs = view.kind == kPairsMarkKind;
  view.first = UntilZero(marks);
  view.second = UntilZero(marks + kMarkHalf);
  if (view.pairs) view.pairLengths = {marks + kMarkHalf, view.first.size()};
  return view;
}

}  // namespace sawline::tools
