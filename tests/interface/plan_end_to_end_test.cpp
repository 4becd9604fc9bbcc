// Whole calls through the exported entry that exercise the plan drivers.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

class PlanEndToEnd : public test::WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    // Every clock read moves a second on: each search runs one generation.
    platform::FixClock(0, 1000);
  }
};

TEST_F(PlanEndToEnd, DowngradeSectionShowsTheMergedRows) {
  tools::JobBlocks job;
  job.SetSetting("OptimizeMode", 3);
  job.SetSetting("PriorityDowngrade", 1);
  job.SetSetting("KerfWidth", 5);
  job.AddFixedOrder({.grade = 3, .length = 800, .code = 31});
  job.SetPairs({{3, 1000}, {1, 1000}, {3, 1000}});
  std::array<float, kResultBlockFloats> result{};
  ASSERT_EQ(test::RunJob(job, result), 4);

  // The grade-1 row fits nothing and both neighbours have grade 3: one row of all
  // three (the last row's kerf included), two rows fewer than the board had.
  const std::string section =
      "\n\n优先降级降级处理后木材信息：\n"
      "    等级：3      长度：3005.0      降级标识：0\n"
      "\n\n";
  EXPECT_NE(test::GbkToUtf8(LogBytes()).find(section), std::string::npos);

  // Three 800s leave 590: split off the last row as a grade-4 row without orders,
  // it becomes waste and is cut first.
  const float gradeCodes[] = {9, 3, 3, 3};
  const float lengths[] = {585, 800, 800, 800};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(result[200 + i], gradeCodes[i]) << i;
    EXPECT_NEAR(result[300 + i], lengths[i], test::kLengthTolerance) << i;
  }
}

TEST_F(PlanEndToEnd, FeedLengthsAddUpToTheBoardInEveryModeAndDriver) {
  for (int mode = 0; mode <= 4; ++mode) {
    for (int downgrade = 0; downgrade <= 1; ++downgrade) {
      for (int centering = 0; centering <= 1; ++centering) {
        tools::JobBlocks job;
        job.SetSetting("OptimizeMode", static_cast<float>(mode));
        job.SetSetting("PriorityDowngrade", static_cast<float>(downgrade));
        job.SetSetting("RemnantCentering", static_cast<float>(centering));
        job.SetSetting("KerfWidth", 4.5f);
        job.SetSetting("WasteMaxLength", 300);
        job.AddFixedOrder({.grade = 1, .length = 1000, .value = 12, .code = 11});
        job.AddFixedOrder({.grade = 1, .length = 600, .value = 6, .quantity = 3, .code = 12});
        job.AddFixedOrder({.grade = 2, .length = 450, .value = 3, .code = 21});
        job.AddVariableOrder(
            {.grade = 1, .minLength = 300, .maxLength = 900, .value = 8, .code = 13});
        job.AddVariableOrder(
            {.grade = 3, .minLength = 200, .maxLength = 500, .value = 2, .code = 33});
        job.SetUncutOrder(3, 1100, 1300, 24);
        job.SetHeadTail(2, 30, 0);
        job.SetPairs({{2, 1200}, {9, 300}, {1, 2500}, {3, 800}, {1, 150}, {2, 1250}, {4, 900}});
        std::array<float, kResultBlockFloats> result{};
        const int pieces = test::RunJob(job, result);
        const std::string label = "mode " + std::to_string(mode) + " downgrade " +
                                  std::to_string(downgrade) + " centering " +
                                  std::to_string(centering);
        ASSERT_GT(pieces, 0) << label;
        double fed = 0.0;
        for (int i = 0; i < pieces; ++i)
          fed += result[400 + i];
        EXPECT_NEAR(fed, result[1168], 0.01) << label;
      }
    }
  }
}

}  // namespace
}  // namespace sawline
