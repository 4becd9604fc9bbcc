#include "optimize/optimize.h"
#include "workspace/workspace.h"

namespace sawline {

float FillSegment(int32_t, float) {
  return 0.0f;
}

void FillRemainder(int32_t, float) {}

}  // namespace sawline
