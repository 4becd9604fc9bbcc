/* The optimizer's C interface: the one function a saw-line host calls per board.
 *
 * int32_t OptimizationCompute(const float* ParameterBlock,   2102 floats, read only
 *                             const float* BoardMarkBlock,   201 floats, read only
 *                             float* ResultBlock);           1169 floats, written
 *
 * Returns the number of pieces in the cut list written to ResultBlock, or 0 when the
 * board yields no piece (ResultBlock is then left exactly as the caller passed it).
 * On 32-bit Windows the function uses the stdcall convention and is exported by its
 * undecorated name. Calls from several threads are serialized, not run in parallel: the
 * library keeps its working tables in process-wide memory and writes "BackupData.txt"
 * in the current directory, so a call waits while another one runs. */
#ifndef SAWLINE_H
#define SAWLINE_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define SAWLINE_CALL __stdcall
#else
#define SAWLINE_CALL
#endif

#if defined(_WIN32)
#define SAWLINE_EXPORT
#else
#define SAWLINE_EXPORT __attribute__((visibility("default")))
#endif

#define SAWLINE_PARAMETER_BLOCK_FLOATS 2102
#define SAWLINE_BOARD_MARK_BLOCK_FLOATS 201
#define SAWLINE_RESULT_BLOCK_FLOATS 1169

#ifdef __cplusplus
extern "C" {
#endif

SAWLINE_EXPORT int32_t SAWLINE_CALL OptimizationCompute(const float* ParameterBlock,
                                                        const float* BoardMarkBlock,
                                                        float* ResultBlock);

#ifdef __cplusplus
}
#endif

#endif /* SAWLINE_H */
