// The result block: everything the host reads back after a call.
#include <algorithm>

#include "interface/block_layout.h"
#include "interface/run_sequence.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int kCodeFieldStride = 100;  // code field k + 1 starts at kCodeField1 + k * stride
static_assert(SAWLINE_RESULT_CODE_FIELD_1 + 4 * kCodeFieldStride ==
              SAWLINE_RESULT_FIXED_ORDER_PIECES);
static_assert(kMaxTransferRecords <= kCodeFieldStride);

}  // namespace

// Clears the whole block, then writes the converted segments, the cut list with its
// controller records, the pieces per fixed-length order row, the length statistics
// and (only value optimization fills them) the value statistics. The per-piece
// columns hold kMaxTransferRecords pieces each; FinishPieceList never leaves more,
// and the bounds below keep any longer list from writing into the next column.
void FillResultBlock(float* block) {
  std::fill(block, block + kResultBlockFloats, 0.0f);

  const int32_t segments = std::clamp(ws.board.ConvertedCount, 0, kMaxSegments);
  for (int32_t i = 0; i < segments; ++i) {
    block[SAWLINE_RESULT_SEGMENT_GRADE + i] = ws.board.ConvertedSegments[i].grade;
    block[SAWLINE_RESULT_SEGMENT_LENGTH + i] = ws.board.ConvertedSegments[i].length;
  }

  const int32_t pieces = std::clamp(ws.cut.PieceCount, 0, kMaxTransferRecords);
  for (int32_t i = 0; i < pieces; ++i) {
    block[SAWLINE_RESULT_PIECE_GRADE_CODE + i] = ws.cut.PieceList[i].gradeCode;
    block[SAWLINE_RESULT_PIECE_LENGTH + i] = ws.cut.PieceList[i].length;
    block[SAWLINE_RESULT_FEED_LENGTH + i] = ws.cut.TransferList[i].feedLength;
    for (int field = 0; field < 4; ++field)
      block[SAWLINE_RESULT_CODE_FIELD_1 + field * kCodeFieldStride + i] =
          ws.cut.TransferList[i].field[field];
  }

  for (int32_t j = 0; j < kFixedOrderRows; ++j)
    block[SAWLINE_RESULT_FIXED_ORDER_PIECES + j] = static_cast<float>(ws.stats.FixedOrderPieces[j]);

  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    block[SAWLINE_RESULT_GRADE_TOTAL_LENGTH + g] = ws.stats.GradeTotalLength[g];
    block[SAWLINE_RESULT_GRADE_SPEC_LENGTH + g] = ws.stats.GradeSpecLength[g];
    block[SAWLINE_RESULT_GRADE_VAR_LENGTH + g] = ws.stats.GradeVarLength[g];
    block[SAWLINE_RESULT_GRADE_UNCUT_LENGTH + g] = ws.stats.GradeUncutLength[g];
  }
  block[SAWLINE_RESULT_TOTAL_USEFUL_LENGTH] = ws.stats.TotalUsefulLength;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g)
    block[SAWLINE_RESULT_TOTAL_USEFUL_LENGTH + g] = ws.stats.GradeUsefulLength[g];

  block[SAWLINE_RESULT_TOTAL_VALUE] = ws.stats.TotalValue;
  block[SAWLINE_RESULT_TOTAL_FIXED_VALUE] = ws.stats.GradeFixedValue[kValueTotalEntry];
  block[SAWLINE_RESULT_TOTAL_VAR_VALUE] = ws.stats.GradeVarValue[kValueTotalEntry];
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    block[SAWLINE_RESULT_TOTAL_VALUE + g] = ws.stats.GradeValue[g];
    block[SAWLINE_RESULT_TOTAL_FIXED_VALUE + g] = ws.stats.GradeFixedValue[g];
    block[SAWLINE_RESULT_TOTAL_VAR_VALUE + g] = ws.stats.GradeVarValue[g];
  }

  block[SAWLINE_RESULT_BOARD_LENGTH] = ws.board.BoardLength;
}

}  // namespace sawline
