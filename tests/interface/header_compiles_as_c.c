/* The public header must serve a C host. */
#include "interface/sawline.h"

typedef int32_t(SAWLINE_CALL* OptimizationComputeFn)(const float*, const float*, float*);

int sawline_header_compiles_as_c(void) {
  OptimizationComputeFn fn = OptimizationCompute;
  return fn != 0 && SAWLINE_RESULT_BLOCK_FLOATS == 1169;
}
