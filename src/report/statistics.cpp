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
    if (ws.FixedOrderGrade[j] == grade &&
        std::fabs(static_cast<double>(length) - ws.FixedOrderLength[j]) <= kMatchTolerance)
      return j;
  }
  return -1;
}

// First host variable-length row of `grade` whose range holds `length` within the
// tolerance, whether the row is in use or not; -1 when there is none.
int32_t MatchVariableOrder(int32_t grade, float length) {
  for (int32_t j = 0; j < kVariableOrderRows; ++j) {
    if (ws.VariableOrderGrade[j] == grade &&
        static_cast<double>(length) - ws.VariableOrderMinLength[j] >= -kMatchTolerance &&
        static_cast<double>(length) - ws.VariableOrderMaxLength[j] <= kMatchTolerance)
      return j;
  }
  return -1;
}

void Add(float& total, double amount) {
  total = ToFloat(static_cast<double>(total) + amount);
}

void CountFixedOrderPieces() {
  std::fill(std::begin(ws.FixedOrderPieces), std::end(ws.FixedOrderPieces), 0);
  for (int32_t i = 0; i < ws.PieceCount; ++i) {
    const int32_t c = TruncToInt(ws.PieceList[i].gradeCode);
    if (!IsOrderGrade(c)) continue;
    const int32_t j = MatchFixedOrder(c, ws.PieceList[i].length);
    if (j >= 0) ++ws.FixedOrderPieces[j];
  }
}

// Useful length: the converted segments of grades 1 to 8; waste is not useful.
void SumUsefulLength() {
  for (int32_t s = 0; s < std::min(ws.ConvertedCount, kMaxSegments); ++s) {
    const int32_t grade = GradeOf(ws.ConvertedSegments[s].grade);
    if (IsOrderGrade(grade)) Add(ws.GradeUsefulLength[grade], ws.ConvertedSegments[s].length);
  }
  ws.TotalUsefulLength = 0.0f;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g)
    Add(ws.TotalUsefulLength, ws.GradeUsefulLength[g]);
}

// Each piece adds its length to at most one kind: fixed-length, uncut or variable.
void SumLengthsByKind() {
  for (int32_t i = 0; i < ws.PieceCount; ++i) {
    const PieceRow& row = ws.PieceList[i];
    const int32_t c = TruncToInt(row.gradeCode);
    const int32_t g = TruncToInt(std::floor(static_cast<double>(row.gradeCode) / 10.0));
    if (IsOrderGrade(c)) {
      Add(ws.GradeSpecLength[c], row.length);
    } else if (c > 10 && c % 10 == 1 && IsOrderGrade(g)) {
      Add(ws.GradeUncutLength[g], row.length);
    } else if (c > 10 && c % 10 == 2 && IsOrderGrade(g)) {
      Add(ws.GradeVarLength[g], row.length);
    }
  }
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.GradeTotalLength[g] = ToFloat(static_cast<double>(ws.GradeSpecLength[g]) +
                                     ws.GradeVarLength[g] + ws.GradeUncutLength[g]);
  }
}

// Fixed-length pieces are worth their order row's piece value; variable-length
// pieces their length times the row's value per 1000 units. Uncut pieces and waste
// are worth nothing.
void SumValues() {
  for (int32_t i = 0; i < ws.PieceCount; ++i) {
    const PieceRow& row = ws.PieceList[i];
    const int32_t c = TruncToInt(row.gradeCode);
    if (IsOrderGrade(c)) {
      const int32_t j = MatchFixedOrder(c, row.length);
      if (j >= 0) Add(ws.GradeFixedValue[c], ws.FixedOrderValue[j]);
    } else if (c % 10 == 2) {
      const int32_t g = TruncToInt(std::floor(static_cast<double>(row.gradeCode) / 10.0));
      if (!IsOrderGrade(g)) continue;  // no host row can hold another grade
      const int32_t j = MatchVariableOrder(g, row.length);
      if (j >= 0)
        Add(ws.GradeVarValue[g],
            static_cast<double>(row.length) * ws.VariableOrderValue[j] / 1000.0);
    }
  }
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.GradeValue[g] = ToFloat(static_cast<double>(ws.GradeFixedValue[g]) + ws.GradeVarValue[g]);
    Add(ws.GradeFixedValue[kValueTotalEntry], ws.GradeFixedValue[g]);
    Add(ws.GradeVarValue[kValueTotalEntry], ws.GradeVarValue[g]);
  }
  ws.TotalValue = ToFloat(static_cast<double>(ws.GradeFixedValue[kValueTotalEntry]) +
                          ws.GradeVarValue[kValueTotalEntry]);
}

}  // namespace

void ComputeStatistics() {
  CountFixedOrderPieces();
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.GradeTotalLength[g] = 0.0f;
    ws.GradeSpecLength[g] = 0.0f;
    ws.GradeVarLength[g] = 0.0f;
    ws.GradeUncutLength[g] = 0.0f;
    ws.GradeUsefulLength[g] = 0.0f;
  }
  ws.TotalUsefulLength = 0.0f;
  SumUsefulLength();
  SumLengthsByKind();

  ws.TotalValue = 0.0f;
  ws.GradeFixedValue[kValueTotalEntry] = 0.0f;
  ws.GradeVarValue[kValueTotalEntry] = 0.0f;
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    ws.GradeValue[g] = 0.0f;
    ws.GradeFixedValue[g] = 0.0f;
    ws.GradeVarValue[g] = 0.0f;
  }
  if (ws.OptimizeMode == 1) SumValues();
}

}  // namespace sawline
