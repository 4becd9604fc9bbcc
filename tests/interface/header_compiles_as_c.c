/* The public header must serve a C host, block layout included. */
#include "interface/sawline.h"

typedef int32_t(SAWLINE_CALL* OptimizationComputeFn)(const float*, const float*, float*);

int sawline_header_compiles_as_c(void) {
  OptimizationComputeFn fn = OptimizationCompute;
  return fn != 0 && SAWLINE_RESULT_BLOCK_FLOATS == 1169 &&
         SAWLINE_PARAM_SEPARATE_ADJACENT_SAME_GRADE + 1 == SAWLINE_PARAMETER_BLOCK_FLOATS &&
         SAWLINE_MARK_KIND + 1 == SAWLINE_BOARD_MARK_BLOCK_FLOATS &&
         SAWLINE_RESULT_BOARD_LENGTH + 1 == SAWLINE_RESULT_BLOCK_FLOATS;
}
