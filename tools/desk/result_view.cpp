#include "desk/result_view.h"

#include <algorithm>

#include "desk/block_geometry.h"
#include "interface/settings_table.h"

namespace sawline::tools {
namespace {

constexpr int kCodeFieldStride = SAWLINE_RESULT_CODE_FIELD_2 - SAWLINE_RESULT_CODE_FIELD_1;

PieceKind KindOf(int code, int mode, int* grade) {
  *grade = 0;
  if (code == SAWLINE_GRADE_CODE_WASTE) return PieceKind::kWaste;
  if (code >= 1 && code <= kMaxOrderGrade) {
    *grade = code;
    return mode == 4 ? PieceKind::kClear : PieceKind::kFixed;
  }
  const int g = code / 10;
  if (g < 1 || g > kMaxOrderGrade) return PieceKind::kUnknown;
  *grade = g;
  if (code == SAWLINE_GRADE_CODE_UNCUT(g)) return PieceKind::kUncut;
  if (code == SAWLINE_GRADE_CODE_VARIABLE(g)) return PieceKind::kVariable;
  *grade = 0;
  return PieceKind::kUnknown;
}

// The library's tolerance when it matches a piece to a variable-length row's range.
constexpr double kRangeTolerance = 0.1;
constexpr double kValueLengthUnit = 1000.0;  // variable-length values are per this length

bool IsOrderPiece(PieceKind kind) {
  return kind == PieceKind::kFixed || kind == PieceKind::kUncut || kind == PieceKind::kVariable ||
         kind == PieceKind::kClear;
}

// The first variable-length row of `grade` whose range holds `length`, as the library
// matches it (every row of the table, in host order); -1 when none does.
int VariableRowOf(const float* parameters, int grade, float length) {
  for (int j = 0; j < kVariableOrderRows; ++j) {
    if (TruncToInt(parameters[SAWLINE_PARAM_VARIABLE_ORDER_GRADE + j]) != grade) continue;
    const double minLength = TruncToInt(parameters[SAWLINE_PARAM_VARIABLE_ORDER_MIN_LENGTH + j]);
    const double maxLength = TruncToInt(parameters[SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH + j]);
    const double at = static_cast<double>(length);
    if (at - minLength >= -kRangeTolerance && at - maxLength <= kRangeTolerance) return j;
  }
  return -1;
}

// Splits each order piece's length over the zones it lies in: the part in zones of its
// own grade and the part in zones of a better grade.
void SplitByZones(ResultView& view) {
  for (const PieceView& piece : view.pieces) {
    if (!IsOrderPiece(piece.kind) || piece.grade < 1 || piece.grade > kMaxOrderGrade) continue;
    GradeYieldView& grade = view.grades[static_cast<size_t>(piece.grade - 1)];
    const double from = piece.start;
    const double to = piece.start + static_cast<double>(piece.length);
    for (const ZoneView& zone : view.zones) {
      const double overlap =
          std::min(to, zone.start + static_cast<double>(zone.length)) - std::max(from, zone.start);
      if (!(overlap > 0.0)) continue;
      const int zoneGrade = TruncToInt(zone.grade);
      if (zoneGrade == piece.grade) grade.ownZones += overlap;
      if (zoneGrade >= 1 && zoneGrade < piece.grade) grade.betterZones += overlap;
    }
  }
}

// The variable-length pieces per row and the pieces valued by the book's values.
void CountByBook(const float* parameters, const float* result, ResultView& view) {
  for (int j = 0; j < kFixedOrderRows; ++j) {
    const float value = parameters[SAWLINE_PARAM_FIXED_ORDER_VALUE + j];
    if (value != 0.0f && TruncToInt(parameters[SAWLINE_PARAM_FIXED_ORDER_ENABLED + j]) == 1)
      view.bookHasValues = true;
    const int pieces = TruncToInt(result[SAWLINE_RESULT_FIXED_ORDER_PIECES + j]);
    if (pieces > 0) view.bookValue += pieces * static_cast<double>(value);
  }
  for (int j = 0; j < kVariableOrderRows; ++j) {
    if (parameters[SAWLINE_PARAM_VARIABLE_ORDER_VALUE + j] != 0.0f &&
        TruncToInt(parameters[SAWLINE_PARAM_VARIABLE_ORDER_ENABLED + j]) == 1)
      view.bookHasValues = true;
  }
  for (const PieceView& piece : view.pieces) {
    if (piece.kind != PieceKind::kVariable) continue;
    const int j = VariableRowOf(parameters, piece.grade, piece.length);
    if (j < 0) continue;
    auto count = std::find_if(view.variableCounts.begin(), view.variableCounts.end(),
                              [j](const VariableCountView& c) { return c.row == j; });
    if (count == view.variableCounts.end()) {
      view.variableCounts.push_back(
          {j, piece.grade, TruncToInt(parameters[SAWLINE_PARAM_VARIABLE_ORDER_CODE + j]), 0, 0.0});
      count = view.variableCounts.end() - 1;
    }
    count->pieces += 1;
    count->length += static_cast<double>(piece.length);
    view.bookValue += static_cast<double>(piece.length) *
                      static_cast<double>(parameters[SAWLINE_PARAM_VARIABLE_ORDER_VALUE + j]) /
                      kValueLengthUnit;
  }
  std::sort(view.variableCounts.begin(), view.variableCounts.end(),
            [](const VariableCountView& a, const VariableCountView& b) { return a.row < b.row; });
}

}  // namespace

double GradeYieldView::Yield() const {
  return useful > 0.0f ? ownZones / static_cast<double>(useful) : 0.0;
}

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
  SplitByZones(view);
  CountByBook(parameters, result, view);
  return view;
}

}  // namespace sawline::tools
