#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "report/report.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

class ResultsLog : public test::WorkspaceTest {
 protected:
  // Writes the results and closing records the way the run sequence does, after
  // the controller records and statistics of the workspace's cut list.
  std::string WriteLog() {
    BuildTransferList();
    ComputeStatistics();
    LogResults();
    std::tm when{};
    when.tm_year = 2024 - 1900;
    when.tm_mon = 2;
    when.tm_mday = 5;
    when.tm_hour = 7;
    when.tm_min = 8;
    when.tm_sec = 9;
    LogClosing(0.125, when);
    return test::GbkToUtf8(LogBytes());
  }
  void SetPlanEntry(int row, int entry, PlanEntry value) {
    ws.plan.SegmentPlan[row][entry] = value;
    ws.plan.SegmentPieceCount[row] = entry + 1;
  }
  void SetPieces(std::initializer_list<PieceRow> rows) {
    ws.cut.PieceCount = 0;
    for (const PieceRow& row : rows)
      ws.cut.PieceList[ws.cut.PieceCount++] = row;
  }
};

const char kClosing[] =
    "\n--------------------------------------------------------------------------------\n"
    "Sum Optimizing Time is: 0.125000s\n"
    "Now Time: 2024Y/3M/05D  7:08:09\n"
    "####################################  End  #####################################\n\n";

TEST_F(ResultsLog, LengthModeRecord) {
  ws.settings.OptimizeMode = OptimizeMode::kLength;
  ws.settings.KerfWidth = 4.0f;
  ws.board.SegmentCount = 3;
  ws.board.Segments[0] = {2, 300};  // merged away by downgrading: no entries, not listed
  ws.board.Segments[1] = {1, 1205};
  ws.board.Segments[2] = {9, 204};
  SetPlanEntry(1, 0, {1, 1, 1200, 11010101});
  SetPlanEntry(2, 0, {1, 9, 200, 0});
  SetPieces({{1, 1200, 11010101}, {9, 200, 1020304}});
  ws.orderRows.FixedOrderGrade[0] = 1;
  ws.orderRows.FixedOrderLength[0] = 1200;
  ws.board.ConvertedCount = 2;
  ws.board.ConvertedSegments[0] = {1, 1201};
  ws.board.ConvertedSegments[1] = {9, 203};
  ws.board.BoardLength = 1404.0f;

  const std::string expected =
      "\n\n优化结果(余料对中=0)：\n"
      "  ( 1,1205.0):  1等级1200.0长( 1跟,11010101)    \n"
      "  ( 9, 204.0):  9等级 200.0长( 1跟,      0)    \n"
      "\n\n优化结果中废料段处理(加去头去尾)：共2段\n"
      "     1    1200.0    11010101\n"
      "     9     200.0    1020304\n"
      "\n\n往Simotion传送数据：共2段\n"
      "    1204.0    11   1   1   1\n"
      "     200.0     1   2   3   4\n"
      "\n\n\n统计量：\n"
      "此根木板材的完成数统计：\n"
      "(0)1  "
      "\n\n优化木板材统计(总长=1404.0)：\n"
      "    总有用长度=1201.0\n"
      "        1-8等级有用长度:(1)1201.0  (2)0.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n优化结果统计：\n"
      "    1-8等级总长:(1)1200.0  (2)0.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n    1-8等级规格长:(1)1200.0  (2)0.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n    1-8等级不定长长:(1)0.0  (2)0.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n    1-8等级固定不锯切长:(1)0.0  (2)0.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n价值优化结果统计：\n"
      "    非价值优化，不统计!\n" +
      std::string(kClosing);
  EXPECT_EQ(WriteLog(), expected);
}

// In value optimization the value lines end without a line feed; the closing
// record's own leading line feed ends them.
TEST_F(ResultsLog, ValueModeRecord) {
  ws.settings.OptimizeMode = OptimizeMode::kValue;
  ws.settings.RemnantCentering = 1;
  ws.settings.KerfWidth = 4.0f;
  ws.board.SegmentCount = 3;
  ws.board.Segments[0] = {1, 1659.5f};
  ws.board.Segments[1] = {2, 954};
  ws.board.Segments[2] = {9, 164};
  SetPlanEntry(0, 0, {2, 1, 600, 11010103});
  SetPlanEntry(0, 1, {1, 12, 450.5f, 12010101});
  SetPlanEntry(1, 0, {1, 21, 950, 13010101});
  SetPlanEntry(2, 0, {1, 9, 160, 0});
  SetPieces({{1, 600, 11010103},
             {1, 600, 11010103},
             {12, 450.5f, 12010101},
             {21, 950, 13010101},
             {9, 160, 1020304}});
  ws.orderRows.FixedOrderGrade[0] = 1;
  ws.orderRows.FixedOrderLength[0] = 900;
  ws.orderRows.FixedOrderValue[0] = 3.0f;
  ws.orderRows.FixedOrderGrade[2] = 1;
  ws.orderRows.FixedOrderLength[2] = 600;
  ws.orderRows.FixedOrderValue[2] = 2.5f;
  ws.orderRows.VariableOrderGrade[1] = 1;
  ws.orderRows.VariableOrderMinLength[1] = 300;
  ws.orderRows.VariableOrderMaxLength[1] = 800;
  ws.orderRows.VariableOrderValue[1] = 10.0f;
  ws.board.ConvertedCount = 3;
  ws.board.ConvertedSegments[0] = {1, 1660};
  ws.board.ConvertedSegments[1] = {2, 955};
  ws.board.ConvertedSegments[2] = {9, 161.5f};
  ws.board.BoardLength = 2776.5f;

  const std::string expected =
      "\n\n优化结果(余料对中=1)：\n"
      "  ( 1,1659.5):  1等级 600.0长( 2跟,11010103)    12等级 450.5长( 1跟,12010101)    \n"
      "  ( 2, 954.0): 21等级 950.0长( 1跟,13010101)    \n"
      "  ( 9, 164.0):  9等级 160.0长( 1跟,      0)    \n"
      "\n\n优化结果中废料段处理(加去头去尾)：共5段\n"
      "     1     600.0    11010103\n"
      "     1     600.0    11010103\n"
      "    12     450.5    12010101\n"
      "    21     950.0    13010101\n"
      "     9     160.0    1020304\n"
      "\n\n往Simotion传送数据：共5段\n"
      "     604.0    11   1   1   3\n"
      "     604.0    11   1   1   3\n"
      "     454.5    12   1   1   1\n"
      "     954.0    13   1   1   1\n"
      "     160.0     1   2   3   4\n"
      "\n\n\n统计量：\n"
      "此根木板材的完成数统计：\n"
      "(2)2  "
      "\n\n优化木板材统计(总长=2776.5)：\n"
      "    总有用长度=2615.0\n"
      "        1-8等级有用长度:(1)1660.0  (2)955.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0 "
      " "
      "\n优化结果统计：\n"
      "    1-8等级总长:(1)1650.5  (2)950.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n    1-8等级规格长:(1)1200.0  (2)0.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n    1-8等级不定长长:(1)450.5  (2)0.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n    1-8等级固定不锯切长:(1)0.0  (2)950.0  (3)0.0  (4)0.0  (5)0.0  (6)0.0  (7)0.0  (8)0.0  "
      "\n价值优化结果统计：\n"
      "    总价值=9.505"
      "\n        1-8等级价值：(1)9.505  (2)0.000  (3)0.000  (4)0.000  (5)0.000  (6)0.000  "
      "(7)0.000  (8)0.000  "
      "\n        1-8等级定长价值：(1)5.000  (2)0.000  (3)0.000  (4)0.000  (5)0.000  (6)0.000  "
      "(7)0.000  (8)0.000  "
      "\n        1-8等级不定长价值：(1)4.505  (2)0.000  (3)0.000  (4)0.000  (5)0.000  (6)0.000  "
      "(7)0.000  (8)0.000  " +
      std::string(kClosing);
  EXPECT_EQ(WriteLog(), expected);
}

// Defect sawing keeps no segment plan: the record starts with the cut list.
TEST_F(ResultsLog, DefectSawingLeavesOutThePlan) {
  ws.settings.OptimizeMode = OptimizeMode::kDefectSawing;
  ws.settings.KerfWidth = 4.0f;
  ws.board.SegmentCount = 1;
  ws.board.Segments[0] = {1, 500};
  SetPlanEntry(0, 0, {1, 12, 496, 0});
  SetPieces({{12, 496, 0}});
  const std::string log = WriteLog();
  const std::string start =
      "\n\n优化结果中废料段处理(加去头去尾)：共1段\n"
      "    12     496.0    0\n"
      "\n\n往Simotion传送数据：共1段\n"
      "     496.0     0   0   0   0\n";
  EXPECT_EQ(log.substr(0, start.size()), start);
  EXPECT_EQ(log.find("优化结果("), std::string::npos);
  EXPECT_NE(log.find("    非价值优化，不统计!\n"), std::string::npos);
}

// A log that cannot be opened is skipped: no file appears anywhere else, and the
// workspace the host's answer comes from is byte for byte as before the log.
TEST_F(ResultsLog, UnopenableLogIsSkipped) {
  platform::SetLogPath("/nonexistent-directory/BackupData.txt");
  const bool defaultLogExisted = std::filesystem::exists(platform::kLogFileName);
  SetPieces({{12, 496, 0}, {9, 300, 0}});
  BuildTransferList();
  ComputeStatistics();
  const auto* bytes = reinterpret_cast<const unsigned char*>(&ws);
  const std::vector<unsigned char> before(bytes, bytes + sizeof ws);
  LogResults();
  LogClosing(0.125, std::tm{});
  EXPECT_TRUE(std::equal(before.begin(), before.end(), bytes));
  EXPECT_FALSE(std::filesystem::exists("/nonexistent-directory"));
  EXPECT_FALSE(std::filesystem::exists(logPath_));
  EXPECT_EQ(std::filesystem::exists(platform::kLogFileName), defaultLogExisted);
}

}  // namespace
}  // namespace sawline
