// The library's only export.
#include "interface/run_sequence.h"
#include "interface/sawline.h"
#include "platform/platform.h"

extern "C" SAWLINE_EXPORT int32_t SAWLINE_CALL OptimizationCompute(const float* ParameterBlock,
                                                                   const float* BoardMarkBlock,
                                                                   float* ResultBlock) {
  // A missing block touches nothing shared, so it is answered without waiting.
  if (ParameterBlock == nullptr || BoardMarkBlock == nullptr || ResultBlock == nullptr) return 0;
  // Nothing may escape into the host: the optimizer throws nothing itself, and any
  // exception from the runtime ends the call as a board without pieces.
  try {
    // Calls from several threads of the host run one at a time, each as if alone; the
    // run log then holds the record of the call that finished last.
    const sawline::platform::CallLock serialized;
    return sawline::RunOptimization(ParameterBlock, BoardMarkBlock, ResultBlock);
  } catch (...) {
    return 0;
  }
}
