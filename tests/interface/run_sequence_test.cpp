#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "interface/block_layout.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

class RunSequence : public test::WorkspaceTest {};

TEST_F(RunSequence, BoardWithoutPiecesLeavesResultBlockUntouched) {
  tools::JobBlocks job;  // no orders, no marks
  std::array<float, kResultBlockFloats> result;
  result.fill(-7.5f);
  EXPECT_EQ(test::RunJob(job, result), 0);
  for (float value : result)
    ASSERT_EQ(value, -7.5f);
}

TEST_F(RunSequence, TimeLimitIgnoresIndex2089) {
  tools::JobBlocks job;
  job.Set(SAWLINE_PARAM_UNUSED_TIME_LIMIT, 5.0f);
  std::array<float, kResultBlockFloats> result{};
  test::RunJob(job, result);
  EXPECT_EQ(ws.settings.OptimizeTimeLimit, 0.35f);  // no segments: nothing divides it
}

// The run sequence writes the priority-downgrade driver's section from what the driver
// returns: after the settings record and before the results, also when no row merged,
// and as the last section of a board that yields no piece.
TEST_F(RunSequence, DowngradeSectionStandsBetweenSettingsAndResults) {
  const std::string section = "\n\n优先降级降级处理后木材信息：\n";
  const struct {
    const char* name;
    std::vector<std::pair<float, float>> pairs;
    bool pieces;
    const char* rows;  // the section's rows and its end
  } cases[] = {
      {"nothing merges",
       {{2, 1500}, {9, 300}},
       true,
       "    等级：2      长度：1505.0      降级标识：2\n"
       "    等级：9      长度：300.0      降级标识：0\n\n\n"},
      {"an empty board", {}, false, "\n\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tools::JobBlocks job;
    job.SetSetting("PriorityDowngrade", 1);
    job.SetSetting("KerfWidth", 5);
    job.AddFixedOrder({.grade = 2, .length = 700, .code = 21});
    if (!c.pairs.empty()) job.SetPairs(c.pairs);
    std::array<float, kResultBlockFloats> result{};
    EXPECT_EQ(test::RunJob(job, result) > 0, c.pieces);
    const std::string log = test::GbkToUtf8(LogBytes());
    const size_t at = log.find(section);
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(at, log.find("输入木材信息"));
    EXPECT_EQ(log.substr(at + section.size(), std::strlen(c.rows)), c.rows);
    const size_t results = log.find("优化结果");
    if (c.pieces) {
      EXPECT_GT(results, at);
    } else {
      EXPECT_EQ(results, std::string::npos);
      EXPECT_EQ(log.size(), at + section.size() + std::strlen(c.rows));
    }
  }
}

}  // namespace
}  // namespace sawline
