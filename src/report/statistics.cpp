// The board's statistics for the host: pieces per fixed-length order row, piece
// length per grade and kind, useful length per grade and, in value optimization,
// value per grade and kind.
//
// They are computed from the finished cut list, the list the host receives, so a
// piece that did not fit in the host's slots (folded into the last waste row) is
// neither counted for its order nor summed as a piece.
#include <algorithm>
#include <cmath>
#include <iterator>

#include "report/report.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr double kMatchTolerance = 0.1;  // piece length against an order row, either side

// First host fixed-length row of `grade` whose length is within the tolerance of
// `length`, whether the row is in use or not; -1 when there is none.
int32_t MatchFixedOrder(int32_t grade, float length) {
  for (int32_t j = 0; j < kFixedOrderRows; ++j) {
    if (ws.orderRows.FixedOrderGrade[j] == grade &&
        std::fabs(static_cast<double>(length) - ws.orderRows.FixedOrderLength[j]) <=
            kMatchTolerance)
      return j;
  }
  return -1;
}

// First host variable-length row of `grade` whose range holds `length` within the
// tolerance, whether the row is in use or not; -1 when there is none.
int32_t MatchVariableOrder(int32_t grade, float length) {
  for (int32_t j = 0; j < kVariableOrderRows; ++j) {
    if (ws.orderRows.VariableOrderGrade[j] == grade &&
        static_cast<double>(length) - ws.orderRows.VariableOrderMinLength[j] >= -kMatchTolerance &&
        static_cast<double>(length) - ws.orderRows.VariableOrderMaxLength[j] <= kMatchTolerance)
      return j;
  }
  return -1;
}

void Add(float& total, double amount) {
  total = ToFloat(static_cast<double>(total) + amount);
}

void CountFixedOrderPieces() {
  std::fill(std::begin(ws.results.FixedOrderPieces), std::end(ws.results.FixedOrderPieces), 0);
  for (int32_t i = 0; i < ws.plan.PieceCount; ++i) {
    const int32_t c = TruncToInt(ws.plan.PieceList[i].gradeCode);
    if (!IsOrderGrade(c)) continue;
    const int32_t j = MatchFixedOrder(c, ws.plan.PieceList[i].length);
    if (j >= 0) ++ws.results.FixedOrderPieces[j];
  }
}

// Useful length: the converted segments of grades 1 to 8; waste is not useful.
void SumUsefulLength() {
  for (int32_t s = 0; s < std::min(ws.board.ConvertedCount, kMaxSegments); ++s) {
    const int32_t grade = GradeOf(ws.board.ConvertedSegments[s].grade);
    if (IsOrderGrade(grade))
      Add(ws.results.GradeUsefulLength[grade], ws.board.ConvertedSegments[s].length);
  }
  ws.results.TotalUsefulLength = 0.0f;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g)
    Add(ws.results.TotalUsefulLength, ws.results.GradeUsefulLength[g]);
}

// Each piece adds its length to at most one kind: fixed-length, uncut or variable.
void SumLengthsByKind() {
  for (int32_t i = 0; i < ws.plan.PieceCount; ++i) {
    const PieceRow& row = ws.plan.PieceList[i];
    const int32_t c = TruncToInt(row.gradeCode);
    const int32_t g = TruncToInt(std::floor(static_cast<double>(row.gradeCode) / 10.0));
    if (IsOrderGrade(c)) {
      Add(ws.results.GradeSpecLength[c], row.length);
    } else if (c > 10 && c % 10 == 1 && IsOrderGrade(g)) {
      Add(ws.results.GradeUncutLength[g], row.length);
    } else if (c > 10 && c % 10 == 2 && IsOrderGrade(g)) {
      Add(ws.results.GradeVarLength[g], row.length);
    }
  }
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.results.GradeTotalLength[g] =
        ToFloat(static_cast<double>(ws.results.GradeSpecLength[g]) + ws.results.GradeVarLength[g] +
                ws.results.GradeUncutLength[g]);
  }
}

// Fixed-length pieces are worth their order row's piece value; variable-length
// pieces their length times the row's value per 1000 units. Uncut pieces and waste
// are worth nothing.
void SumValues() {
  for (int32_t i = 0; i < ws.plan.PieceCount; ++i) {
    const PieceRow& row = ws.plan.PieceList[i];
    const int32_t c = TruncToInt(row.gradeCode);
    if (IsOrderGrade(c)) {
      const int32_t j = MatchFixedOrder(c, row.length);
      if (j >= 0) Add(ws.results.GradeFixedValue[c], ws.orderRows.FixedOrderValue[j]);
    } else if (c % 10 == 2) {
      const int32_t g = TruncToInt(std::floor(static_cast<double>(row.gradeCode) / 10.0));
      if (!IsOrderGrade(g)) continue;  // no host row can hold another grade
      const int32_t j = MatchVariableOrder(g, row.length);
      if (j >= 0)
        Add(ws.results.GradeVarValue[g],
            static_cast<double>(row.length) * ws.orderRows.VariableOrderValue[j] / 1000.0);
    }
  }
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.results.GradeValue[g] =
        ToFloat(static_cast<double>(ws.results.GradeFixedValue[g]) + ws.results.GradeVarValue[g]);
    Add(ws.results.GradeFixedValue[kValueTotalEntry], ws.results.GradeFixedValue[g]);
    Add(ws.results.GradeVarValue[kValueTotalEntry], ws.results.GradeVarValue[g]);
  }
  ws.results.TotalValue =
      ToFloat(static_cast<double>(ws.results.GradeFixedValue[kValueTotalEntry]) +
              ws.results.GradeVarValue[kValueTotalEntry]);
}

}  // namespace

void ComputeStatistics() {
  CountFixedOrderPieces();
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.results.GradeTotalLength[g] = 0.0f;
    ws.results.GradeSpecLength[g] = 0.0f;
    ws.results.GradeVarLength[g] = 0.0f;
    ws.results.GradeUncutLength[g] = 0.0f;
    ws.results.GradeUsefulLength[g] = 0.0f;
  }
  ws.results.TotalUsefulLength = 0.0f;
  SumUsefulLength();
  SumLengthsByKind();

  ws.results.TotalValue = 0.0f;
  ws.results.GradeFixedValue[kValueTotalEntry] = 0.0f;
  ws.results.GradeVarValue[kValueTotalEntry] = 0.0f;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.results.GradeValue[g] = 0.0f;
    ws.results.GradeFixedValue[g] = 0.0f;
    ws.results.GradeVarValue[g] = 0.0f;
  }
  if (ws.settings.OptimizeMode == 1) SumValues();
}

}  // namespace sawline
