// The number-coded values that travel between stages, and the thresholds the stages
// share, each with its reason.
#pragma once

#include <cstdint>

#include "workspace/capacities.h"
#include "workspace/numeric.h"

namespace sawline {

// The optimization mode (setting OptimizeMode); a board of any other mode is refused.
enum class OptimizeMode : int32_t {
  kLength = 0,        // length, or length weighted by each order's weight
  kValue = 1,         // value of the pieces
  kQuantity = 2,      // weights that move with each order's progress
  kLongStock = 3,     // the longest pieces first, greedily, without a search
  kDefectSawing = 4,  // the defects cut out, nothing else
};

// What a piece is. Its gradeCode says it in one number: a fixed-length piece of grade g
// carries g (1..8), an uncut piece g*10+1, a variable-length piece g*10+2, waste 9.
enum class PieceKind : int32_t { kFixed = 0, kUncut = 1, kVariable = 2, kWaste = 9, kOther = -1 };

inline constexpr float GradeCode(PieceKind kind, int32_t grade = kWasteGrade) {
  if (kind == PieceKind::kWaste) return static_cast<float>(kWasteGrade);
  if (kind == PieceKind::kFixed) return static_cast<float>(grade);
  return static_cast<float>(grade * 10 + static_cast<int32_t>(kind));
}

// A gradeCode read back: the kind and the grade (1..8) of an order's piece; waste, and any
// code outside the scheme, give kWaste or kOther with grade 0.
struct PieceCode {
  PieceKind kind;
  int32_t grade;
};
inline PieceCode DecodeGradeCode(float gradeCode) {
  const int32_t c = TruncToInt(gradeCode);
  if (IsOrderGrade(c)) return {PieceKind::kFixed, c};
  if (c == kWasteGrade) return {PieceKind::kWaste, 0};
  if (c > 10 && IsOrderGrade(c / 10) && (c % 10 == 1 || c % 10 == 2))
    return {static_cast<PieceKind>(c % 10), c / 10};
  return {PieceKind::kOther, 0};
}

// The board-mark block's kind entry holds exactly this for grade/length pairs; any other
// value means marking-line intervals.
inline constexpr float kPairMarks = 1.0f;

// ---- Thresholds ----

// Lengths within 0.1 count as equal: a cut must leave more than 0.1 of a segment, a
// leftover of 0.1 or less is no piece of its own but dropped or absorbed, and a piece
// matches an order's length within 0.1 either side.
inline constexpr double kLengthTolerance = 0.1;
// A waste piece is cut in two halves around a kerf only when each half, (length -
// kerf) / 2, is with its own kerf still longer than the length tolerance: length + kerf
// above twice the tolerance.
inline constexpr double kLeastMovableWaste = 2.0 * kLengthTolerance;
// Weights and values are compared in single precision, the precision the host gives
// them in: at most this (fixed-length rows) or below it (variable-length rows) an order
// is worth nothing and is not used.
inline constexpr float kWeightThreshold = 0.001f;
// The shortest order piece: fixed-length rows shorter than 80 and variable-length or
// uncut rows whose minimum is below 50 are not used. So a rest shorter than 49 plus a
// kerf holds no piece worth looking for, and waste pieces are not cut into lengths
// below 49 (a shorter WasteMaxLength leaves waste whole).
inline constexpr int32_t kShortestFixedPiece = 80;
inline constexpr int32_t kShortestVariablePiece = 50;
inline constexpr double kShortestUsefulRest = 49.0;
// Waste of 140 or longer is kicked out by the waste kicker and carries its code; waste of
// 70 to below 140 is too long to fall through the line whole and, without the waste gate,
// is cut in two halves.
inline constexpr double kKickedWasteLength = 140.0;
inline constexpr double kHalvedWasteLength = 70.0;
// Values of variable-length orders are given per 1000 length units.
inline constexpr double kValueLengthUnit = 1000.0;
// Seconds of search time of one board, shared equally among its segments.
inline constexpr float kBoardSearchSeconds = 0.35f;

}  // namespace sawline
