// The library's only export.
#include "interface/run_sequence.h"
#include "interface/sawline.h"

extern "C" SAWLINE_EXPORT int32_t SAWLINE_CALL OptimizationCompute(const float* ParameterBlock,
                                                                   const float* BoardMarkBlock,
                                                                   float* ResultBlock) {
  if (ParameterBlock == nullptr || BoardMarkBlock == nullptr || ResultBlock == nullptr) return 0;
  // Nothing may escape into the host: the optimizer throws nothing itself, and any
  // exception from the runtime ends the call as a board without pieces.
  try {
    return sawline::RunOptimization(ParameterBlock, BoardMarkBlock, ResultBlock);
  } catch (...) {
    return 0;
  }
}
