// The result block: everything the host reads back after a call.
#include <algorithm>

#include "interface/block_layout.h"
#include "interface/run_sequence.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int kCodeFieldStride = 100;  // code field k + 1 starts at kCodeField1 + k * stride
static_assert(result::kCodeField1 + 4 * kCodeFieldStride == result::kFixedOrderPieces);
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
    block[result::kSegmentGrade + i] = ws.board.ConvertedSegments[i].grade;
    block[result::kSegmentLength + i] = ws.board.ConvertedSegments[i].length;
  }

  const int32_t pieces = std::clamp(ws.cut.PieceCount, 0, kMaxTransferRecords);
  for (int32_t i = 0; i < pieces; ++i) {
    block[result::kPieceGradeCode + i] = ws.cut.PieceList[i].gradeCode;
    block[result::kPieceLength + i] = ws.cut.PieceList[i].length;
    block[result::kFeedLength + i] = ws.cut.TransferList[i].feedLength;
    for (int field = 0; field < 4; ++field)
      block[result::kCodeField1 + field * kCodeFieldStride + i] =
          ws.cut.TransferList[i].field[field];
  }

  for (int32_t j = 0; j < kFixedOrderRows; ++j)
    block[result::kFixedOrderPieces + j] = static_cast<float>(ws.stats.FixedOrderPieces[j]);

  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    block[result::kGradeTotalLength + g] = ws.stats.GradeTotalLength[g];
    block[result::kGradeSpecLength + g] = ws.stats.GradeSpecLength[g];
    block[result::kGradeVarLength + g] = ws.stats.GradeVarLength[g];
    block[result::kGradeUncutLength + g] = ws.stats.GradeUncutLength[g];
  }
  block[result::kTotalUsefulLength] = ws.stats.TotalUsefulLength;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g)
    block[result::kTotalUsefulLength + g] = ws.stats.GradeUsefulLength[g];

  block[result::kTotalValue] = ws.stats.TotalValue;
  block[result::kTotalFixedValue] = ws.stats.GradeFixedValue[kValueTotalEntry];
  block[result::kTotalVarValue] = ws.stats.GradeVarValue[kValueTotalEntry];
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    block[result::kTotalValue + g] = ws.stats.GradeValue[g];
    block[result::kTotalFixedValue + g] = ws.stats.GradeFixedValue[g];
    block[result::kTotalVarValue + g] = ws.stats.GradeVarValue[g];
  }

  block[result::kBoardLength] = ws.board.BoardLength;
}

}  // namespace sawline
