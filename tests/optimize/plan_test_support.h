// Fixture of the plan-driver suites: a board and order lists set by hand, as the
// preparation stages would leave them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline::test {

class PlanTest : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    ws.settings.KerfWidth = 5.0f;
    ws.orders.OrderedGradeLimit = 1;
  }
  // Starts the test afresh (for table rows that each need a clean workspace).
  void Restart() {
    ResetWorkspace();
    SetUp();
  }
  // Long-stock mode: the search is greedy (longest piece first) and draws no random
  // numbers, and every weight is 0, so a variable-length fill takes the candidate
  // with the longest main piece.
  static void UseLongStock() {
    ws.settings.OptimizeMode = OptimizeMode::kLongStock;
    ws.settings.OptimizeTimeLimit = 0.1f;
  }
  static void SetSegments(const std::vector<Segment>& segments) {
    ws.board.SegmentCount = static_cast<int32_t>(segments.size());
    std::copy(segments.begin(), segments.end(), ws.board.Segments);
  }
  static void SetPlanRow(int32_t row, const std::vector<PlanEntry>& entries) {
    ws.plan.SegmentPieceCount[row] = static_cast<int32_t>(entries.size());
    std::copy(entries.begin(), entries.end(), ws.plan.SegmentPlan[row]);
  }
  // Order-list entries (fixed lists must be added longest first).
  static void AddFixed(int32_t grade, int32_t length, int32_t code) {
    const int32_t k = ws.orders.FixedCount[grade]++;
    ws.orders.FixedLength[grade][k] = length;
    ws.orders.FixedCode[grade][k] = code;
    ws.orders.OrderedGradeLimit = std::max(ws.orders.OrderedGradeLimit, grade + 1);
  }
  static void AddVariable(int32_t grade, int32_t minLength, int32_t maxLength, int32_t code) {
    const int32_t k = ws.orders.VariableCount[grade]++;
    ws.orders.VariableMinLength[grade][k] = minLength;
    ws.orders.VariableMaxLength[grade][k] = maxLength;
    ws.orders.VariableCode[grade][k] = code;
    ws.orders.OrderedGradeLimit = std::max(ws.orders.OrderedGradeLimit, grade + 1);
  }
  static void AddUncut(int32_t grade, int32_t minLength, int32_t maxLength, int32_t code) {
    const int32_t k = ws.orders.UncutCount[grade]++;
    ws.orders.UncutMinLength[grade][k] = minLength;
    ws.orders.UncutMaxLength[grade][k] = maxLength;
    ws.orders.UncutCode[grade][k] = code;
  }
  static void ExpectPieces(const std::vector<PieceRow>& expected, const std::string& label = "") {
    ASSERT_EQ(ws.cut.PieceCount, static_cast<int32_t>(expected.size())) << label;
    for (size_t i = 0; i < expected.size(); ++i) {
      const PieceRow& piece = ws.cut.PieceList[i];
      EXPECT_EQ(piece.gradeCode, expected[i].gradeCode) << label << " piece " << i;
      EXPECT_NEAR(piece.length, expected[i].length, kLengthTolerance) << label << " piece " << i;
      EXPECT_EQ(piece.tag, expected[i].tag) << label << " piece " << i;
    }
  }
  // Board length the piece list covers: every piece with its kerf but the last.
  static double CoveredLength() {
    double sum = 0.0;
    for (int32_t i = 0; i < ws.cut.PieceCount; ++i)
      sum += ws.cut.PieceList[i].length + ws.settings.KerfWidth;
    return sum - ws.settings.KerfWidth;
  }
};

}  // namespace sawline::test
