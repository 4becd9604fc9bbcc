// Shared fixtures and helpers of the test suites.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "desk/blocks.h"
#include "workspace/capacities.h"

namespace sawline::test {

// Tolerance for lengths compared after float arithmetic.
inline constexpr double kLengthTolerance = 1e-3;

// Every test starts from a zeroed workspace, a frozen clock, a fixed seed and a run
// log of its own (tests may run in parallel processes).
class WorkspaceTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // The bytes of this test's run log.
  std::string LogBytes() const;
  std::string logPath_;
};

// Runs a job through the exported entry; `result` starts as given.
int RunJob(const tools::JobBlocks& job, std::array<float, kResultBlockFloats>& result);

// A file of the source tree: CTest passes the tree's path in SAWLINE_SOURCE_DIR; without
// it the tree is looked for from the working directory upward.
std::string SourcePath(const std::string& relative);

// Whole file as bytes ("" when missing).
std::string ReadFileBytes(const std::string& path);

// GBK bytes to UTF-8 (empty string on a conversion failure).
std::string GbkToUtf8(const std::string& gbk);

// Splits text into lines without their line ends.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace sawline::test
