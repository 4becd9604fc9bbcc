#include <gtest/gtest.h>

#include <cmath>

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
  job.Set(param::kUnusedTimeLimit, 5.0f);
  std::array<float, kResultBlockFloats> result{};
  test::RunJob(job, result);
  EXPECT_EQ(ws.settings.OptimizeTimeLimit, 0.35f);  // no segments: nothing divides it
}

}  // namespace
}  // namespace sawline
