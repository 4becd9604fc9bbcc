// The board's statistics for the host: pieces per fixed-length order row, piece
// length per grade and kind, useful length per grade and, in value optimization,
// value per grade and kind.
//
// They are computed from the finished cut list, the list the host receives, so a
// piece that did not fit in the host's slots (folded into the last waste row) is
// neither counted for its order nor summed as a piece.
#include <algorithm>
#include <cmath>

#include "report/report.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// First host fixed-length row of `grade` whose length is within the tolerance of
// `length`, whether the row is in use or not; -1 when there is none.
int32_t MatchFixedOrder(const OrderRows& rows, int32_t grade, float length) {
  for (int32_t j = 0; j < kFixedOrderRows; ++j) {
    if (rows.FixedOrderGrade[j] == grade &&
        std::fabs(static_cast<double>(length) - rows.FixedOrderLength[j]) <= kLengthTolerance)
      return j;
  }
  return -1;
}

// First host variable-length row of `grade` whose range holds `length` within the
// tolerance, whether the row is in use or not; -1 when there is none.
int32_t MatchVariableOrder(const OrderRows& rows, int32_t grade, float length) {
  for (int32_t j = 0; j < kVariableOrderRows; ++j) {
    if (rows.VariableOrderGrade[j] == grade &&
        static_cast<double>(length) - rows.VariableOrderMinLength[j] >= -kLengthTolerance &&
        static_cast<double>(length) - rows.VariableOrderMaxLength[j] <= kLengthTolerance)
      return j;
  }
  return -1;
}

void Add(float& total, double amount) {
  total = ToFloat(static_cast<double>(total) + amount);
}

// Useful length: the converted segments of grades 1 to 8; waste is not useful.
void SumUsefulLength(const Board& board, Statistics& stats) {
  for (int32_t s = 0; s < std::min(board.ConvertedCount, kMaxSegments); ++s) {
    const int32_t grade = GradeOf(board.ConvertedSegments[s].grade);
    if (IsOrderGrade(grade))
      Add(stats.GradeUsefulLength[grade], static_cast<double>(board.ConvertedSegments[s].length));
  }
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g)
    Add(stats.TotalUsefulLength, static_cast<double>(stats.GradeUsefulLength[g]));
}

// Each piece adds its length to at most one kind: fixed-length, uncut or variable; a
// fixed-length piece also counts for the first host row of its grade and length.
void SumLengthsByKind(const CutList& cut, Statistics& stats) {
  for (int32_t i = 0; i < cut.PieceCount; ++i) {
    const PieceRow& row = cut.PieceList[i];
    const double length = static_cast<double>(row.length);
    const PieceCode code = DecodeGradeCode(row.gradeCode);
    if (code.kind == PieceKind::kFixed) {
      const int32_t j = MatchFixedOrder(ws.orderRows, code.grade, row.length);
      if (j >= 0) ++stats.FixedOrderPieces[j];
      Add(stats.GradeSpecLength[code.grade], length);
    } else if (code.kind == PieceKind::kUncut) {
      Add(stats.GradeUncutLength[code.grade], length);
    } else if (code.kind == PieceKind::kVariable) {
      Add(stats.GradeVarLength[code.grade], length);
    }
  }
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    stats.GradeTotalLength[g] = ToFloat(static_cast<double>(stats.GradeSpecLength[g]) +
                                        static_cast<double>(stats.GradeVarLength[g]) +
                                        static_cast<double>(stats.GradeUncutLength[g]));
  }
}

// Fixed-length pieces are worth their order row's piece value; variable-length
// pieces their length times the row's value per 1000 units. Uncut pieces and waste
// are worth nothing.
void SumValues(const CutList& cut, const OrderRows& rows, Statistics& stats) {
  for (int32_t i = 0; i < cut.PieceCount; ++i) {
    const PieceRow& row = cut.PieceList[i];
    const PieceCode code = DecodeGradeCode(row.gradeCode);
    if (code.kind == PieceKind::kFixed) {
      const int32_t j = MatchFixedOrder(rows, code.grade, row.length);
      if (j >= 0)
        Add(stats.GradeFixedValue[code.grade], static_cast<double>(rows.FixedOrderValue[j]));
    } else if (code.kind == PieceKind::kVariable) {
      const int32_t j = MatchVariableOrder(rows, code.grade, row.length);
      if (j >= 0) {
        Add(stats.GradeVarValue[code.grade], static_cast<double>(row.length) *
                                                 static_cast<double>(rows.VariableOrderValue[j]) /
                                                 kValueLengthUnit);
      }
    }
  }
  float* fixedTotal = &stats.GradeFixedValue[kValueTotalEntry];
  float* varTotal = &stats.GradeVarValue[kValueTotalEntry];
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    stats.GradeValue[g] = ToFloat(static_cast<double>(stats.GradeFixedValue[g]) +
                                  static_cast<double>(stats.GradeVarValue[g]));
    Add(*fixedTotal, static_cast<double>(stats.GradeFixedValue[g]));
    Add(*varTotal, static_cast<double>(stats.GradeVarValue[g]));
  }
  stats.TotalValue = ToFloat(static_cast<double>(*fixedTotal) + static_cast<double>(*varTotal));
}

}  // namespace

// Every statistic starts from 0 on each call; the values stay 0 outside value
// optimization.
void ComputeStatistics() {
  Statistics& stats = ws.stats;
  stats = Statistics{};
  SumUsefulLength(ws.board, stats);
  SumLengthsByKind(ws.cut, stats);
  if (ws.settings.OptimizeMode == OptimizeMode::kValue) SumValues(ws.cut, ws.orderRows, stats);
}

}  // namespace sawline
