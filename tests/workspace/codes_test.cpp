#include <gtest/gtest.h>

#include <limits>

#include "workspace/codes.h"

namespace sawline {
namespace {

// A gradeCode as the plan writes it and as the statistics read it back: the three kinds
// of order pieces of grades 1 to 8, waste, and everything else a float may hold.
TEST(GradeCodes, EveryPieceKindIsWrittenAndReadBack) {
  const struct {
    float code;
    PieceKind kind;
    int32_t grade;
  } cases[] = {
      {1, PieceKind::kFixed, 1},
      {8.9f, PieceKind::kFixed, 8},
      {11, PieceKind::kUncut, 1},
      {81, PieceKind::kUncut, 8},
      {12, PieceKind::kVariable, 1},
      {82.5f, PieceKind::kVariable, 8},
      {9, PieceKind::kWaste, 0},
      {9.7f, PieceKind::kWaste, 0},
      {10, PieceKind::kOther, 0},
      {13, PieceKind::kOther, 0},
      {91, PieceKind::kOther, 0},
      {2, PieceKind::kFixed, 2},
      {0, PieceKind::kOther, 0},
      {-12, PieceKind::kOther, 0},
      {3e9f, PieceKind::kOther, 0},
      {std::numeric_limits<float>::quiet_NaN(), PieceKind::kOther, 0},
  };
  for (const auto& c : cases) {
    const PieceCode decoded = DecodeGradeCode(c.code);
    EXPECT_EQ(decoded.kind, c.kind) << c.code;
    EXPECT_EQ(decoded.grade, c.grade) << c.code;
    if (c.kind == PieceKind::kFixed || c.kind == PieceKind::kUncut ||
        c.kind == PieceKind::kVariable) {
      const PieceCode again = DecodeGradeCode(GradeCode(c.kind, c.grade));
      EXPECT_EQ(again.kind, c.kind) << c.code;
      EXPECT_EQ(again.grade, c.grade) << c.code;
    }
  }
  EXPECT_EQ(GradeCode(PieceKind::kUncut, 3), 31.0f);
  EXPECT_EQ(GradeCode(PieceKind::kVariable, 7), 72.0f);
  EXPECT_EQ(GradeCode(PieceKind::kWaste), 9.0f);
}

}  // namespace
}  // namespace sawline
