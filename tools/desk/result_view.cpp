#include "desk/result_view.h"

#include <algorithm>

#include "desk/block_geometry.h"
#include "interface/settings_table.h"

namespace sawline::tools {
namespace {

constexpr int kCodeFieldStride = 100;  // code field k + 1 starts at kCodeField1 + k * stride

PieceKind KindOf(int code, int mode, int* grade) {
  *grade = 0;
  if (code == kWasteGrade) return PieceKind::kWaste;
  if (code >= 1 && code <= kMaxOrderGrade) {
    *grade = code;
    return mode == 4 ? PieceKind::kClear : PieceKind::kFixed;
  }
  if (code > 10 && code / 10 <= kMaxOrderGrade && code % 10 == 1) {
    *grade = code / 10;
    return PieceKind::kUncut;
  }
  if (code > 10 && code / 10 <= kMaxOrderGrade && code % 10 == 2) {
    *grade = code / 10;
    return PieceKind::kVariable;
  }
  return PieceKind::kUnknown;
}

}  // namespace

const char* PieceKindName(PieceKind kind) {
  switch (kind) {
    case PieceKind::kFixed:
      return "fixed";
    case PieceKind::kUncut:
      return "uncut";
    case PieceKind::kVariable:
      return "variable";
    case PieceKind::kWaste:
      return "waste";
    case PieceKind::kClear:
      return "clear";
    case PieceKind::kUnknown:
      break;
  }
  return "?";
}

ResultView DecodeResult(const float* parameters, const float* result, int32_t returned) {
  ResultView view;
  view.returned = returned;
  view.mode = TruncToInt(parameters[SAWLINE_PARAM_OPTIMIZE_MODE]);
  view.kerf = parameters[SAWLINE_PARAM_KERF_WIDTH];
  if (returned <= 0) return view;
  view.delivered = std::min<int>(returned, kResultPieces);
  view.boardLength = result[SAWLINE_RESULT_BOARD_LENGTH];

  // Converted zones end at the first slot without a grade (every zone has one).
  double start = 0.0;
  for (int i = 0; i < kResultSegments; ++i) {
    const float grade = result[SAWLINE_RESULT_SEGMENT_GRADE + i];
    if (grade == 0.0f) break;
    const float length = result[SAWLINE_RESULT_SEGMENT_LENGTH + i];
    view.zones.push_back({grade, length, start});
    start += static_cast<double>(length);
  }

  start = 0.0;
  for (int i = 0; i < view.delivered; ++i) {
    PieceView piece{};
    piece.gradeCode = result[SAWLINE_RESULT_PIECE_GRADE_CODE + i];
    piece.kind = KindOf(TruncToInt(piece.gradeCode), view.mode, &piece.grade);
    piece.length = result[SAWLINE_RESULT_PIECE_LENGTH + i];
    piece.feedLength = result[SAWLINE_RESULT_FEED_LENGTH + i];
    piece.code = 0;
    for (int k = 0; k < 4; ++k) {
      piece.codeFields[static_cast<size_t>(k)] =
          TruncToInt(result[SAWLINE_RESULT_CODE_FIELD_1 + k * kCodeFieldStride + i]);
      piece.code = piece.code * 100 + piece.codeFields[static_cast<size_t>(k)];
    }
    piece.kicked = piece.kind == PieceKind::kWaste && piece.code != 0;
    piece.start = start;
    start += static_cast<double>(piece.feedLength);
    view.feedSum += static_cast<double>(piece.feedLength);
    if (piece.kind == PieceKind::kWaste) view.wasteLength += static_cast<double>(piece.length);
    view.pieces.push_back(piece);
  }

  for (int j = 0; j < kFixedOrderRows; ++j) {
    const int pieces = TruncToInt(result[SAWLINE_RESULT_FIXED_ORDER_PIECES + j]);
    if (pieces <= 0) continue;
    view.orderCounts.push_back({j, TruncToInt(parameters[SAWLINE_PARAM_FIXED_ORDER_GRADE + j]),
                                TruncToInt(parameters[SAWLINE_PARAM_FIXED_ORDER_LENGTH + j]),
                                TruncToInt(parameters[SAWLINE_PARAM_FIXED_ORDER_CODE + j]),
                                TruncToInt(parameters[SAWLINE_PARAM_FIXED_ORDER_QUANTITY + j]),
                                TruncToInt(parameters[SAWLINE_PARAM_FIXED_ORDER_DONE + j]),
                                pieces});
  }

  for (int g = 1; g <= kMaxOrderGrade; ++g) {
    GradeYieldView grade{};
    grade.grade = g;
    grade.total = result[SAWLINE_RESULT_GRADE_TOTAL_LENGTH + g];
    grade.fixed = result[SAWLINE_RESULT_GRADE_SPEC_LENGTH + g];
    grade.variable = result[SAWLINE_RESULT_GRADE_VAR_LENGTH + g];
    grade.uncut = result[SAWLINE_RESULT_GRADE_UNCUT_LENGTH + g];
    grade.useful = result[SAWLINE_RESULT_TOTAL_USEFUL_LENGTH + g];
    grade.value = result[SAWLINE_RESULT_TOTAL_VALUE + g];
    grade.fixedValue = result[SAWLINE_RESULT_TOTAL_FIXED_VALUE + g];
    grade.variableValue = result[SAWLINE_RESULT_TOTAL_VAR_VALUE + g];
    view.usedLength += static_cast<double>(grade.fixed) + static_cast<double>(grade.variable) +
                       static_cast<double>(grade.uncut);
    view.grades.push_back(grade);
  }
  view.usefulLength = result[SAWLINE_RESULT_TOTAL_USEFUL_LENGTH];
  view.totalValue = result[SAWLINE_RESULT_TOTAL_VALUE];
  view.fixedValue = result[SAWLINE_RESULT_TOTAL_FIXED_VALUE];
  view.variableValue = result[SAWLINE_RESULT_TOTAL_VAR_VALUE];
  return view;
}

}  // namespace sawline::tools
