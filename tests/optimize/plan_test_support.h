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
    ws.KerfWidth = 5.0f;
    ws.OrderedGradeLimit = 1;
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
    ws.OptimizeMode = 3;
    ws.OptimizeTimeLimit = 0.1f;
  }
  static void SetSegments(const std::vector<Segment>& segments) {
    ws.SegmentCount = static_cast<int32_t>(segments.size());
    std::copy(segments.begin(), segments.end(), ws.Segments);
  }
  static void SetPlanRow(int32_t row, const std::vector<PlanEntry>& entries) {
    ws.SegmentPieceCount[row] = static_cast<int32_t>(entries.size());
    std::copy(entries.begin(), entries.end(), ws.SegmentPlan[row]);
  }
  // Order-list entries (fixed lists must be added longest first).
  static void AddFixed(int32_t grade, int32_t length, int32_t code) {
    const int32_t k = ws.FixedCount[grade]++;
    ws.FixedLength[grade][k] = length;
    ws.FixedCode[grade][k] = code;
    ws.OrderedGradeLimit = std::max(ws.OrderedGradeLimit, grade + 1);
  }
  static void AddVariable(int32_t grade, int32_t minLength, int32_t maxLength, int32_t code) {
    const int32_t k = ws.VariableCount[grade]++;
    ws.VariableMinLength[grade][k] = minLength;
    ws.VariableMaxLength[grade][k] = maxLength;
    ws.VariableCode[grade][k] = code;
    ws.OrderedGradeLimit = std::max(ws.OrderedGradeLimit, grade + 1);
  }
  static void AddUncut(int32_t grade, int32_t minLength, int32_t maxLength, int32_t code) {
    const int32_t k = ws.UncutCount[grade]++;
    ws.UncutMinLength[grade][k] = minLength;
    ws.UncutMaxLength[grade][k] = maxLength;
    ws.UncutCode[grade][k] = code;
  }
  static void ExpectPieces(const std::vector<PieceRow>& expected, const std::string& label = "") {
    ASSERT_EQ(ws.PieceCount, static_cast<int32_t>(expected.size())) << label;
    for (size_t i = 0; i < expected.size(); ++i) {
      const PieceRow& piece = ws.PieceList[i];
      EXPECT_EQ(piece.gradeCode, expected[i].gradeCode) << label << " piece " << i;
      EXPECT_NEAR(piece.length, expected[i].length, kLengthTolerance) << label << " piece " << i;
      EXPECT_EQ(piece.tag, expected[i].tag) << label << " piece " << i;
    }
  }
  // Board length the piece list covers: every piece with its kerf but the last.
  static double CoveredLength() {
    double sum = 0.0;
    for (int32_t i = 0; i < ws.PieceCount; ++i)
      sum += ws.PieceList[i].length + ws.KerfWidth;
    return sum - ws.KerfWidth;
  }
};

}  // namespace sawline::test
