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

/* The tables the blocks hold: order-table rows, the grades that have orders (1 to 8;
 * grade 9 is waste), the entries of each half of the board-mark block, and the converted
 * segments and cut-list pieces the result block has room for. */
#define SAWLINE_FIXED_ORDER_ROWS 200
#define SAWLINE_VARIABLE_ORDER_ROWS 24
#define SAWLINE_UNCUT_ORDER_ROWS 24
#define SAWLINE_UNCUT_ROWS_PER_GRADE 3 /* uncut row r belongs to grade r / 3 + 1 */
#define SAWLINE_ORDER_GRADES 8
#define SAWLINE_WASTE_GRADE 9
#define SAWLINE_MARK_HALF_ENTRIES 100
#define SAWLINE_RESULT_SEGMENTS 100
#define SAWLINE_RESULT_PIECES 100

/* Parameter block: the index of each setting, and of row 0 of each order-table column
 * (row r at index + r). Integer settings are read truncated toward zero. CT and CB hold
 * grade g (1 to 8) at index + g. Indices 0 to 4 and 2089 are not read. */
enum SawlineParameterIndex {
  SAWLINE_PARAM_WASTE_GATE_SELECT = 5,
  SAWLINE_PARAM_FIXED_ORDER_ENABLED = 6, /* fixed-length rows 0 to 199 */
  SAWLINE_PARAM_FIXED_ORDER_GRADE = 206,
  SAWLINE_PARAM_FIXED_ORDER_LENGTH = 406,
  SAWLINE_PARAM_FIXED_ORDER_WEIGHT = 606,
  SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT = 806,
  SAWLINE_PARAM_FIXED_ORDER_VALUE = 1006,
  SAWLINE_PARAM_FIXED_ORDER_QUANTITY = 1206,
  SAWLINE_PARAM_FIXED_ORDER_DONE = 1406,
  SAWLINE_PARAM_FIXED_ORDER_CODE = 1606,
  SAWLINE_PARAM_VARIABLE_ORDER_CODE = 1806, /* variable-length rows 0 to 23 */
  SAWLINE_PARAM_UNCUT_ORDER_CODE = 1830,    /* uncut rows 0 to 23, row r of grade r / 3 + 1 */
  SAWLINE_PARAM_WASTE_KICKER_CODE = 1854,
  SAWLINE_PARAM_VARIABLE_ORDER_ENABLED = 1855,
  SAWLINE_PARAM_VARIABLE_ORDER_GRADE = 1879,
  SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH = 1903,
  SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH = 1927,
  SAWLINE_PARAM_VARIABLE_ORDER_WEIGHT = 1951,
  SAWLINE_PARAM_VARIABLE_ORDER_VALUE = 1975,
  SAWLINE_PARAM_UNCUT_ORDER_ENABLED = 1999,
  SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH = 2023,
  SAWLINE_PARAM_UNCUT_ORDER_MAX_LENGTH = 2047,
  SAWLINE_PARAM_CT = 2070,
  SAWLINE_PARAM_CB = 2078,
  SAWLINE_PARAM_WASTE_MAX_LENGTH = 2087,
  SAWLINE_PARAM_REMNANT_CENTERING = 2088,
  SAWLINE_PARAM_UNUSED_TIME_LIMIT = 2089,
  SAWLINE_PARAM_WASTE_MARK_COUNT = 2090,
  SAWLINE_PARAM_TAIL_UNMARKED_LENGTH = 2091,
  SAWLINE_PARAM_GRADE_MARK_LENGTH = 2092,
  SAWLINE_PARAM_GRADE_A_MIN_LENGTH = 2093,
  SAWLINE_PARAM_UNMARKED_GRADE = 2094,
  SAWLINE_PARAM_OPTIMIZE_MODE = 2095,
  SAWLINE_PARAM_PRIORITY_DOWNGRADE = 2096,
  SAWLINE_PARAM_KERF_WIDTH = 2097,
  SAWLINE_PARAM_FLUORESCENT_LINE_WIDTH = 2098,
  SAWLINE_PARAM_FRONT_MARKING_MODE = 2099,
  SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES = 2100,
  SAWLINE_PARAM_SEPARATE_ADJACENT_SAME_GRADE = 2101
};

/* Board-mark block: two halves of up to 100 entries, each ended by its first 0, and the
 * mark kind: exactly 1.0 for grade/length pairs (grade i at i, length at 100 + i), any
 * other value for marking-line intervals (top face in the first half, side face in the
 * second). */
enum SawlineMarkIndex {
  SAWLINE_MARK_FIRST_HALF = 0,
  SAWLINE_MARK_SECOND_HALF = 100,
  SAWLINE_MARK_KIND = 200
};

/* Lengths everywhere (board marks, order lengths, kerf, the result block's lengths) are in
 * the host's own length unit: the library never converts them, and its constants (the
 * 0.1 tolerance, the 140 of a kicked waste piece, say) are in that unit too. Values of
 * variable-length rows are per 1000 length units. */

/* A piece's grade code in the result block (SAWLINE_RESULT_PIECE_GRADE_CODE + i) tells its
 * kind and grade g (1 to 8):
 *   g           a fixed-length piece of grade g; in optimization mode 4 (defect sawing)
 *               a clear piece cut between two defects, always grade 1
 *   10 * g + 1  an uncut piece of grade g
 *   10 * g + 2  a variable-length piece of grade g
 *   9           waste
 * The codes are whole numbers stored as floats; read them truncated to an integer. */
#define SAWLINE_GRADE_CODE_WASTE 9
#define SAWLINE_GRADE_CODE_FIXED(g) (g)
#define SAWLINE_GRADE_CODE_CLEAR(g) (g)
#define SAWLINE_GRADE_CODE_UNCUT(g) (10 * (g) + 1)
#define SAWLINE_GRADE_CODE_VARIABLE(g) (10 * (g) + 2)

/* Result block: the first index of each column (entry i at index + i) or group. A group
 * by grade holds grade g (1 to 8) at index + g, so its first entry, grade 1, is at
 * index + 1. Where a group has a total, the total sits at the index itself (useful length
 * and the three values); the four length groups have none, and their index is the last
 * entry of the column before them (SAWLINE_RESULT_GRADE_TOTAL_LENGTH + 0 is fixed row 199
 * of SAWLINE_RESULT_FIXED_ORDER_PIECES). The packed controller code AABBCCDD of piece i is
 * given as its four fields: AA at SAWLINE_RESULT_CODE_FIELD_1 + i (not bounded to two
 * digits), BB, CC and DD at fields 2, 3 and 4; all four are 0 when the code is 0 or
 * negative. The value groups hold 0 unless the optimization mode is 1 (value). */
enum SawlineResultIndex {
  SAWLINE_RESULT_SEGMENT_GRADE = 0, /* converted segments 0 to 99 */
  SAWLINE_RESULT_SEGMENT_LENGTH = 100,
  SAWLINE_RESULT_PIECE_GRADE_CODE = 200, /* pieces 0 to 99 of the cut list */
  SAWLINE_RESULT_PIECE_LENGTH = 300,
  SAWLINE_RESULT_FEED_LENGTH = 400,
  SAWLINE_RESULT_CODE_FIELD_1 = 500,         /* AA of the packed code AABBCCDD */
  SAWLINE_RESULT_CODE_FIELD_2 = 600,         /* BB */
  SAWLINE_RESULT_CODE_FIELD_3 = 700,         /* CC */
  SAWLINE_RESULT_CODE_FIELD_4 = 800,         /* DD */
  SAWLINE_RESULT_FIXED_ORDER_PIECES = 900,   /* pieces this board gave fixed-length row j (0 to
                                                199) at 900 + j: the host adds them to done */
  SAWLINE_RESULT_GRADE_TOTAL_LENGTH = 1099,  /* grade g at 1099 + g: all pieces of grade g */
  SAWLINE_RESULT_GRADE_SPEC_LENGTH = 1107,   /* grade g at 1107 + g: fixed-length pieces */
  SAWLINE_RESULT_GRADE_VAR_LENGTH = 1115,    /* grade g at 1115 + g: variable-length pieces */
  SAWLINE_RESULT_GRADE_UNCUT_LENGTH = 1123,  /* grade g at 1123 + g: uncut pieces */
  SAWLINE_RESULT_TOTAL_USEFUL_LENGTH = 1132, /* total here, grade g at 1132 + g */
  SAWLINE_RESULT_TOTAL_VALUE = 1141,         /* total here, grade g at 1141 + g */
  SAWLINE_RESULT_TOTAL_FIXED_VALUE = 1150,   /* total here, grade g at 1150 + g */
  SAWLINE_RESULT_TOTAL_VAR_VALUE = 1159,     /* total here, grade g at 1159 + g */
  SAWLINE_RESULT_BOARD_LENGTH = 1168         /* the marks' length before trimming */
};

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
