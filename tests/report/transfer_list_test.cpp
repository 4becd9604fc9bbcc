#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "report/report.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

void SetPieces(const std::vector<PieceRow>& rows) {
  ws.cut.PieceCount = static_cast<int32_t>(rows.size());
  for (size_t i = 0; i < rows.size(); ++i)
    ws.cut.PieceList[i] = rows[i];
}

class TransferList : public test::WorkspaceTest {};

TEST_F(TransferList, EveryPieceButTheLastFeedsItsKerf) {
  ws.settings.KerfWidth = 5.0f;
  SetPieces({{1, 500, 0}, {9, 20, 0}, {2, 800, 0}});
  BuildTransferList();
  EXPECT_EQ(ws.cut.TransferList[0].feedLength, 505.0f);
  EXPECT_EQ(ws.cut.TransferList[1].feedLength, 25.0f);
  EXPECT_EQ(ws.cut.TransferList[2].feedLength, 800.0f);
}

TEST_F(TransferList, TagSplitsIntoFourDecimalFields) {
  struct Case {
    float tag;
    std::array<float, 4> fields;
  };
  const Case cases[] = {
      {12345678.0f, {12, 34, 56, 78}},
      {1020304.0f, {1, 2, 3, 4}},
      {0.0f, {0, 0, 0, 0}},
      {-1020304.0f, {0, 0, 0, 0}},
      {99.9f, {0, 0, 0, 99}},
      {123456784.0f, {123, 45, 67, 84}},
  };
  std::vector<PieceRow> rows;
  for (const Case& c : cases)
    rows.push_back({1, 100, c.tag});
  SetPieces(rows);
  // Stale fields from an earlier board must not survive a zero tag.
  for (auto& record : ws.cut.TransferList)
    record = TransferRecord{-1.0f, {-1.0f, -1.0f, -1.0f, -1.0f}};
  BuildTransferList();
  for (size_t i = 0; i < std::size(cases); ++i) {
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(ws.cut.TransferList[i].field[k], cases[i].fields[k]) << "tag " << cases[i].tag;
  }
}

class Statistics : public test::WorkspaceTest {
 protected:
  void SetFixedOrderRow(int32_t j, int32_t grade, int32_t length, float value) {
    ws.orderRows.FixedOrderGrade[j] = grade;
    ws.orderRows.FixedOrderLength[j] = length;
    ws.orderRows.FixedOrderValue[j] = value;
  }
  void SetVariableOrderRow(int32_t j, int32_t grade, int32_t minLength, int32_t maxLength,
                           float value) {
    ws.orderRows.VariableOrderGrade[j] = grade;
    ws.orderRows.VariableOrderMinLength[j] = minLength;
    ws.orderRows.VariableOrderMaxLength[j] = maxLength;
    ws.orderRows.VariableOrderValue[j] = value;
  }
};

// Matching takes the first host row of the grade within 0.1, used or not.
TEST_F(Statistics, FixedPiecesCountForTheFirstMatchingRow) {
  SetFixedOrderRow(0, 2, 1200, 0);
  SetFixedOrderRow(3, 3, 1200, 0);
  SetFixedOrderRow(5, 3, 1200, 0);
  SetFixedOrderRow(7, 3, 900, 0);
  SetPieces({{3, 1200.05f, 0}, {3, 1199.95f, 0}, {3, 1200.2f, 0}, {3, 900, 0}, {32, 1200, 0}});
  ws.stats.FixedOrderPieces[5] = 4;  // stale count of an earlier board
  ComputeStatistics();
  EXPECT_EQ(ws.stats.FixedOrderPieces[0], 0);
  EXPECT_EQ(ws.stats.FixedOrderPieces[3], 2);
  EXPECT_EQ(ws.stats.FixedOrderPieces[5], 0);
  EXPECT_EQ(ws.stats.FixedOrderPieces[7], 1);
}

TEST_F(Statistics, LengthsGoToOneKindPerPiece) {
  SetPieces({{1, 500, 0}, {1, 250, 0}, {12, 300, 0}, {21, 900, 0}, {9, 100, 0}, {93, 70, 0}});
  ws.board.ConvertedCount = 3;
  ws.board.ConvertedSegments[0] = {1, 1200};
  ws.board.ConvertedSegments[1] = {9, 300};
  ws.board.ConvertedSegments[2] = {2, 950};
  ComputeStatistics();
  EXPECT_EQ(ws.stats.GradeSpecLength[1], 750.0f);
  EXPECT_EQ(ws.stats.GradeVarLength[1], 300.0f);
  EXPECT_EQ(ws.stats.GradeUncutLength[2], 900.0f);
  EXPECT_EQ(ws.stats.GradeTotalLength[1], 1050.0f);
  EXPECT_EQ(ws.stats.GradeTotalLength[2], 900.0f);
  EXPECT_EQ(ws.stats.GradeUsefulLength[1], 1200.0f);
  EXPECT_EQ(ws.stats.GradeUsefulLength[2], 950.0f);
  EXPECT_EQ(ws.stats.TotalUsefulLength, 2150.0f);
}

TEST_F(Statistics, AllWasteBoardHasNoUsefulLength) {
  SetPieces({{9, 1000, 0}});
  ws.board.ConvertedCount = 2;
  ws.board.ConvertedSegments[0] = {9, 600};
  ws.board.ConvertedSegments[1] = {9, 400};
  ws.stats.GradeUsefulLength[3] = 77.0f;  // stale
  ComputeStatistics();
  EXPECT_EQ(ws.stats.TotalUsefulLength, 0.0f);
  for (int g = 1; g <= kMaxOrderGrade; ++g)
    EXPECT_EQ(ws.stats.GradeUsefulLength[g], 0.0f);
}

TEST_F(Statistics, ValueModeSumsFixedAndVariableValues) {
  ws.settings.OptimizeMode = OptimizeMode::kValue;
  SetFixedOrderRow(0, 3, 1200, 8.5f);
  SetFixedOrderRow(1, 3, 1200, 100.0f);  // never reached: row 0 matches first
  SetVariableOrderRow(2, 2, 400, 800, 10.0f);
  // 399.95 lies 0.05 below the minimum and still matches; 801 does not.
  SetPieces({{3, 1200, 0}, {3, 1200.05f, 0}, {22, 399.95f, 0}, {22, 801, 0}, {21, 900, 0}});
  ComputeStatistics();
  EXPECT_FLOAT_EQ(ws.stats.GradeFixedValue[3], 17.0f);
  EXPECT_FLOAT_EQ(ws.stats.GradeVarValue[2], 3.9995f);
  EXPECT_FLOAT_EQ(ws.stats.GradeValue[3], 17.0f);
  EXPECT_FLOAT_EQ(ws.stats.GradeValue[2], 3.9995f);
  EXPECT_FLOAT_EQ(ws.stats.GradeFixedValue[9], 17.0f);
  EXPECT_FLOAT_EQ(ws.stats.GradeVarValue[9], 3.9995f);
  EXPECT_FLOAT_EQ(ws.stats.TotalValue, 20.9995f);
}

TEST_F(Statistics, OtherModesLeaveAllValuesZero) {
  SetFixedOrderRow(0, 3, 1200, 8.5f);
  SetVariableOrderRow(0, 2, 400, 800, 10.0f);
  SetPieces({{3, 1200, 0}, {22, 500, 0}});
  for (int32_t mode : {0, 2, 3, 4}) {
    ws.settings.OptimizeMode = static_cast<OptimizeMode>(mode);
    ws.stats.TotalValue = ws.stats.GradeValue[3] = ws.stats.GradeFixedValue[3] =
        ws.stats.GradeVarValue[2] = 5.0f;
    ws.stats.GradeFixedValue[9] = ws.stats.GradeVarValue[9] = 5.0f;
    ComputeStatistics();
    EXPECT_EQ(ws.stats.TotalValue, 0.0f) << "mode " << mode;
    EXPECT_EQ(ws.stats.GradeValue[3], 0.0f);
    EXPECT_EQ(ws.stats.GradeFixedValue[3], 0.0f);
    EXPECT_EQ(ws.stats.GradeVarValue[2], 0.0f);
    EXPECT_EQ(ws.stats.GradeFixedValue[9], 0.0f);
    EXPECT_EQ(ws.stats.GradeVarValue[9], 0.0f);
    EXPECT_EQ(ws.stats.FixedOrderPieces[0], 1) << "order counts are kept in every mode";
    EXPECT_EQ(ws.stats.GradeSpecLength[3], 1200.0f);
  }
}

}  // namespace
}  // namespace sawline
