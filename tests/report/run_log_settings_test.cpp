#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "interface/block_layout.h"
#include "platform/platform.h"
#include "report/report.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// A job that exercises every part of the settings record: orders of every kind (some
// of them dropped), head and tail cuts, pairs that merge, get trimmed and shifted.
tools::JobBlocks SettingsJob() {
  tools::JobBlocks job;
  job.SetSetting("WasteGateSelect", 1);
  job.SetSetting("WasteMarkCount", 9);
  job.SetSetting("TailUnmarkedLength", 120);
  job.SetSetting("GradeMarkLength", 30);
  job.SetSetting("GradeAMinLength", 200);
  job.SetSetting("UnmarkedGrade", 5);
  job.SetSetting("KerfWidth", 4.5f);
  job.SetSetting("FluorescentLineWidth", 5);
  job.SetSetting("RemnantCentering", 1);
  job.SetSetting("OptimizeMode", 2);
  job.SetSetting("WasteMaxLength", 300);
  job.SetSetting("WasteKickerCode", 1020304);
  // {grade, length, weight, startWeight, value, quantity, done, code}
  job.AddFixedOrder({2, 500, 0.5f, 0.25f, 0, 10, 3, 12010101});
  job.AddFixedOrder({2, 800, 0.75f, 1.5f, 0, 0, 0, 12010102});
  job.AddFixedOrder({1, 1200, 1.25f, 2, 0, 5, 5, 11010101});   // complete: dropped
  job.AddFixedOrder({2, 500, 0.125f, 0, 0, 0, 25, 12010103});  // no limit: taken
  job.AddFixedOrder({3, 79, 1, 0, 0, 0, 0, 13010101});         // too short
  job.AddFixedOrder({9, 900, 1, 0, 0, 0, 0, 19010101});        // no grade-9 list
  job.AddFixedOrder({1, 1000, 0.001f, 0, 0, 0, 0, 11010102});  // weight not above 0.001
  job.AddFixedOrder({1, 1000, 2, 0.5f, 0, 0, 0, 11010103});
  // {grade, min, max, weight, value, code}
  job.AddVariableOrder({1, 300, 800, 0.001f, 0, 15010101});  // weight at least 0.001
  job.AddVariableOrder({3, 250, 700, 0.6f, 0, 15030101});
  job.AddVariableOrder({2, 49, 700, 1, 0, 15020101});   // minimum too short
  job.AddVariableOrder({2, 400, 400, 1, 0, 15020102});  // no room between the limits
  job.SetUncutOrder(5, 900, 1000, 16020101);
  job.SetUncutOrder(23, 1500, 2500, 16080101);
  job.SetUncutOrder(0, 40, 1000, 16010101);  // minimum too short
  job.SetHeadTail(1, 20, 20);
  job.SetHeadTail(4, 60, 0);
  job.SetHeadTail(5, 0, 40);
  job.SetPairs({{4.7f, 1000}, {4, 500}, {9, 100}, {9, 50}, {2, 1200}, {5, 700.4f}});
  return job;
}

// Section 1 of SettingsJob, as the log holds it once decoded to UTF-8. The time limit is
// 0.35 s shared by six converted segments.
const char kSettingsRecord[] =
    "##################################  数据保存  ##################################\n"
    "系统参数：\n"
    "    废料门选择：1              废料划线标记数：9\n"
    "    末尾未划线长度：120         等级划线长度：30\n"
    "    A等级最小长度：200          未划线等级：5\n"
    "    锯口宽度：4.5              荧光线宽度：5\n"
    "    是否前端划线方式：0        是否上端划废料线、侧面画等级线：0\n"
    "    相邻同等级分开处理：0\n"
    "\n"
    "优化算法参数：\n"
    "    余料对中：1                算法优化时间：0.06s\n"
    "    优化方式：2                优先降级：0\n"
    "    优化方式注：0-长度、加权优化  1-价值优化  2-数量优化  3-长料锯切  4-缺陷锯切\n"
    "    废料最大长度及踢腿：300    1020304\n"
    "\n"
    "定长清单：\n"
    "    1 Grade(第1个，共1个):  1000    2.000    0.500    0    0    11010103\n"
    "    2 Grade(第1个，共3个):  800    0.750    1.500    0    0    12010102\n"
    "    2 Grade(第2个，共3个):  500    0.500    0.250    10    3    12010101\n"
    "    2 Grade(第3个，共3个):  500    0.125    0.000    0    25    12010103\n"
    "不定长清单：\n"
    "    1 Grade(第1个，共1个):  300    800    0.001    15010101\n"
    "    3 Grade(第1个，共1个):  250    700    0.600    15030101\n"
    "固定不锯切清单：\n"
    "    2 Grade(第1个，共1个):  900    1000    16020101\n"
    "    8 Grade(第1个，共1个):  1500    2500    16080101\n"
    "\n"
    "截头截尾：\n"
    "    1 Grade:CT[1]=20    CB[1]=20\n"
    "    2 Grade:CT[2]=0    CB[2]=0\n"
    "    3 Grade:CT[3]=0    CB[3]=0\n"
    "    4 Grade:CT[4]=60    CB[4]=0\n"
    "    5 Grade:CT[5]=0    CB[5]=40\n"
    "    6 Grade:CT[6]=0    CB[6]=0\n"
    "    7 Grade:CT[7]=0    CB[7]=0\n"
    "    8 Grade:CT[8]=0    CB[8]=0\n"
    "\n"
    "输入木材信息：共 6 段\n"
    "    等级：4        长度：1000.0\n"
    "    等级：4        长度：500.0\n"
    "    等级：9        长度：100.0\n"
    "    等级：9        长度：50.0\n"
    "    等级：2        长度：1200.0\n"
    "    等级：5        长度：700.4\n"
    "\n"
    "转化后木材信息：共 4 段\n"
    "    等级：4        长度：1500.0\n"
    "    等级：9        长度：150.0\n"
    "    等级：2        长度：1200.0\n"
    "    等级：5        长度：700.4\n"
    "木材总长：3550.4\n"
    "\n"
    "去头去尾情况：\n"
    "    去头：1,  60        去尾：1,  40\n"
    "\n"
    "木材信息去头去尾及考虑荧光线宽度：共 4 段\n"
    "    等级：4        长度：1440.0\n"
    "    等级：9        长度：155.0\n"
    "    等级：2        长度：1195.0\n"
    "    等级：5        长度：660.4\n";

// Section 1 of a job with no orders and no marks: every list is empty.
const char kEmptyJobRecord[] =
    "##################################  数据保存  ##################################\n"
    "系统参数：\n"
    "    废料门选择：0              废料划线标记数：0\n"
    "    末尾未划线长度：0         等级划线长度：0\n"
    "    A等级最小长度：0          未划线等级：0\n"
    "    锯口宽度：0.0              荧光线宽度：0\n"
    "    是否前端划线方式：0        是否上端划废料线、侧面画等级线：0\n"
    "    相邻同等级分开处理：0\n"
    "\n"
    "优化算法参数：\n"
    "    余料对中：0                算法优化时间：0.35s\n"
    "    优化方式：0                优先降级：0\n"
    "    优化方式注：0-长度、加权优化  1-价值优化  2-数量优化  3-长料锯切  4-缺陷锯切\n"
    "    废料最大长度及踢腿：0    0\n"
    "\n"
    "定长清单：\n"
    "不定长清单：\n"
    "固定不锯切清单：\n"
    "\n"
    "截头截尾：\n"
    "    1 Grade:CT[1]=0    CB[1]=0\n"
    "    2 Grade:CT[2]=0    CB[2]=0\n"
    "    3 Grade:CT[3]=0    CB[3]=0\n"
    "    4 Grade:CT[4]=0    CB[4]=0\n"
    "    5 Grade:CT[5]=0    CB[5]=0\n"
    "    6 Grade:CT[6]=0    CB[6]=0\n"
    "    7 Grade:CT[7]=0    CB[7]=0\n"
    "    8 Grade:CT[8]=0    CB[8]=0\n"
    "\n"
    "输入木材信息：共 0 段\n"
    "\n"
    "转化后木材信息：共 0 段\n"
    "木材总长：0.0\n"
    "\n"
    "去头去尾情况：\n"
    "    去头：0,  0        去尾：0,  0\n"
    "\n"
    "木材信息去头去尾及考虑荧光线宽度：共 0 段\n";

constexpr float kResultSentinel = -7.5f;

std::array<float, kResultBlockFloats> SentinelResult() {
  std::array<float, kResultBlockFloats> result;
  result.fill(kResultSentinel);
  return result;
}

bool Untouched(const std::array<float, kResultBlockFloats>& result) {
  for (float value : result) {
    if (value != kResultSentinel) return false;
  }
  return true;
}

std::string Lines(const std::string& text, size_t first, size_t count) {
  const auto lines = test::SplitLines(text);
  std::string out;
  for (size_t i = first; i < first + count && i < lines.size(); ++i)
    out += lines[i] + "\n";
  return out;
}

class RunLogSettings : public test::WorkspaceTest {
 protected:
  std::string DecodedLog() const { return test::GbkToUtf8(LogBytes()); }
};

TEST_F(RunLogSettings, SettingsRecordOfAJobWithOrdersAndMarks) {
  auto result = SentinelResult();
  test::RunJob(SettingsJob(), result);
  const std::string log = DecodedLog();
  // When planning produces pieces, the results sections follow the record.
  ASSERT_GE(log.size(), sizeof kSettingsRecord - 1);
  EXPECT_EQ(log.substr(0, sizeof kSettingsRecord - 1), kSettingsRecord);
  const std::string rest = log.substr(sizeof kSettingsRecord - 1);
  EXPECT_TRUE(rest.empty() || rest.rfind("\n\n优化结果", 0) == 0) << rest;
}

TEST_F(RunLogSettings, LabelsAreStoredAsGbkBytes) {
  auto result = SentinelResult();
  test::RunJob(SettingsJob(), result);
  const std::string bytes = LogBytes();
  // "锯口宽度：" and "数据保存" in code page 936.
  EXPECT_NE(bytes.find("\xBE\xE2\xBF\xDA\xBF\xED\xB6\xC8\xA3\xBA"
                       "4.5"),
            std::string::npos);
  EXPECT_NE(bytes.find("  \xCA\xFD\xBE\xDD\xB1\xA3\xB4\xE6  "), std::string::npos);
  // No UTF-8 lead byte of a CJK character (0xE4..0xE9 followed by two continuation
  // bytes) survives: the first label's UTF-8 form is absent.
  EXPECT_EQ(bytes.find("\xE9\x94\xAF\xE5\x8F\xA3"), std::string::npos);
}

TEST_F(RunLogSettings, CallWithoutPiecesEndsAfterTheSettingsRecord) {
  auto result = SentinelResult();
  EXPECT_EQ(test::RunJob(tools::JobBlocks{}, result), 0);
  EXPECT_TRUE(Untouched(result));
  EXPECT_EQ(DecodedLog(), kEmptyJobRecord);
}

TEST_F(RunLogSettings, SecondCallReplacesTheFirstRecord) {
  auto result = SentinelResult();
  test::RunJob(SettingsJob(), result);
  result = SentinelResult();
  test::RunJob(tools::JobBlocks{}, result);
  EXPECT_EQ(DecodedLog(), kEmptyJobRecord);
}

TEST_F(RunLogSettings, DefectSawingListsNoFixedEntries) {
  tools::JobBlocks job = SettingsJob();
  job.SetSetting("OptimizeMode", 4);
  auto result = SentinelResult();
  test::RunJob(job, result);
  const std::string log = DecodedLog();
  const size_t heading = log.find("定长清单：\n");
  ASSERT_NE(heading, std::string::npos);
  // Defect sawing takes variable rows only, every one with weight 0.
  EXPECT_EQ(Lines(log.substr(heading), 0, 4),
            "定长清单：\n"
            "不定长清单：\n"
            "    1 Grade(第1个，共1个):  300    800    0.000    15010101\n"
            "    3 Grade(第1个，共1个):  250    700    0.000    15030101\n");
}

TEST_F(RunLogSettings, MarkingLinesAreListedWithTheCountsAfterConversion) {
  tools::JobBlocks job;
  job.SetSetting("GradeMarkLength", 30);
  job.SetSetting("GradeAMinLength", 200);
  job.SetSetting("UnmarkedGrade", 5);
  job.SetSetting("TopWasteSideGradeLines", 1);
  job.SetIntervals({1000, 2000}, {1500, 20, 1500});
  auto result = SentinelResult();
  test::RunJob(job, result);
  const std::string log = DecodedLog();
  const size_t board = log.find("输入木材信息");
  ASSERT_NE(board, std::string::npos);
  // The split raised the first half's count to 3; its third entry is the 0 that ends it.
  EXPECT_EQ(Lines(log.substr(board), 0, 4),
            "输入木材信息：共 3 段\n"
            "    上端划线：1000.0        侧端划线：1500.0\n"
            "    上端划线：2000.0        侧端划线：20.0\n"
            "    上端划线：0.0        侧端划线：1500.0\n");
}

TEST_F(RunLogSettings, MarkKindIsListedTruncated) {
  // 1.5 is read as marking-line intervals but listed as pairs.
  tools::JobBlocks job;
  job.SetPairs({{3, 1200}});
  job.marks[kMarkKindIndex] = 1.5f;
  auto result = SentinelResult();
  test::RunJob(job, result);
  EXPECT_NE(DecodedLog().find("输入木材信息：共 1 段\n    等级：3        长度：1200.0\n"),
            std::string::npos);
}

// A refused board keeps the settings record and gets one line more; nothing else runs.
TEST_F(RunLogSettings, RefusedBoardAddsOneLineToTheSettingsRecord) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    int index;  // parameter index, or kParameterBlockFloats + mark index
    float value;
    const char* line;
  };
  const Case cases[] = {
      {"NaN kerf", SAWLINE_PARAM_KERF_WIDTH, nan,
       "Board refused: a value it uses is not a finite number"},
      {"negative kerf", SAWLINE_PARAM_KERF_WIDTH, -1.0f,
       "Board refused: the kerf width is negative"},
      {"negative mark length", kParameterBlockFloats + kMarkHalf + 2, -50.0f,
       "Board refused: a board mark length is negative"},
      {"infinite weight of an enabled order", SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 1, inf,
       "Board refused: a value it uses is not a finite number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tools::JobBlocks job = SettingsJob();
    if (c.index < kParameterBlockFloats) {
      job.Set(c.index, c.value);
    } else {
      job.marks[static_cast<size_t>(c.index - kParameterBlockFloats)] = c.value;
    }
    auto result = SentinelResult();
    EXPECT_EQ(test::RunJob(job, result), 0);
    EXPECT_TRUE(Untouched(result));

    const auto lines = test::SplitLines(DecodedLog());
    const auto record = test::SplitLines(kSettingsRecord);
    ASSERT_EQ(lines.size(), record.size() + 1);
    EXPECT_EQ(lines.front(), record.front());
    EXPECT_EQ(lines[record.size() - 1].rfind("    等级：", 0), 0u);
    EXPECT_EQ(lines.back(), c.line);
  }
}

// A setting or a mark grade outside its range is named in the refusal line with the
// value as the library read it and the range it must lie in.
TEST_F(RunLogSettings, RefusalNamesTheSettingItsValueAndItsRange) {
  struct Case {
    const char* name;
    int index;  // parameter index, or kParameterBlockFloats + mark index
    float value;
    const char* line;
  };
  const Case cases[] = {
      {"mode 5", SAWLINE_PARAM_OPTIMIZE_MODE, 5.0f,
       "Board refused: OptimizeMode 5 is outside 0 to 4"},
      {"mode -1.5", SAWLINE_PARAM_OPTIMIZE_MODE, -1.5f,
       "Board refused: OptimizeMode -1 is outside 0 to 4"},
      {"mark grade 0.5", kParameterBlockFloats + 2, 0.5f,
       "Board refused: grade 0 of mark 2 is outside 1 to 9"},
      {"mark grade 12", kParameterBlockFloats + 5, 12.0f,
       "Board refused: grade 12 of mark 5 is outside 1 to 9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tools::JobBlocks job = SettingsJob();
    if (c.index < kParameterBlockFloats) {
      job.Set(c.index, c.value);
    } else {
      job.marks[static_cast<size_t>(c.index - kParameterBlockFloats)] = c.value;
    }
    auto result = SentinelResult();
    EXPECT_EQ(test::RunJob(job, result), 0);
    EXPECT_TRUE(Untouched(result));
    EXPECT_EQ(test::SplitLines(DecodedLog()).back(), c.line);
  }
}

TEST_F(RunLogSettings, DowngradeSectionListsRowsWithTheirFlags) {
  const DowngradePass pass{3, {{1.9f, 1000.3f}, {4, 500}, {9, 80}}, {2, 3, 0}};
  LogDowngradeSection(pass);
  EXPECT_EQ(test::GbkToUtf8(LogBytes()),
            "\n\n优先降级降级处理后木材信息：\n"
            "    等级：1      长度：1000.3      降级标识：2\n"
            "    等级：4      长度：500.0      降级标识：3\n"
            "    等级：9      长度：80.0      降级标识：0\n"
            "\n\n");
}

TEST_F(RunLogSettings, UnwritableLogIsSkipped) {
  platform::SetLogPath("/nonexistent-directory/BackupData.txt");
  auto result = SentinelResult();
  EXPECT_EQ(test::RunJob(tools::JobBlocks{}, result), 0);
  EXPECT_TRUE(Untouched(result));
  LogDowngradeSection(DowngradePass{});
  LogRefusal(Refusal{kRefusedNonFinite, nullptr, -1, 0, 0, 0});
}

}  // namespace
}  // namespace sawline
