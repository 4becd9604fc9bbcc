#include "job_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "interface/block_layout.h"

namespace sawline::tools {
namespace {

TEST(JobFile, ReadsSettingsOrdersAndMarks) {
  std::istringstream in(
      "set KerfWidth 4.5 # comment\n"
      "fixed grade 2 length 1200 weight 0.5 quantity 3 code 12345678\n"
      "variable grade 3 min 300 max 900 value 7\n"
      "uncut row 5 min 900 max 1000 code 44\n"
      "trim grade 2 head 50 tail 60\n"
      "pairs 3 1200 9 300\n");
  JobBlocks job;
  std::string error;
  ASSERT_TRUE(ParseJob(in, job, &error)) << error;
  EXPECT_EQ(job.parameters[param::kKerfWidth], 4.5f);
  EXPECT_EQ(job.parameters[param::kFixedOrderEnabled], 1.0f);
  EXPECT_EQ(job.parameters[param::kFixedOrderGrade], 2.0f);
  EXPECT_EQ(job.parameters[param::kFixedOrderLength], 1200.0f);
  EXPECT_EQ(job.parameters[param::kFixedOrderCode], 12345678.0f);
  EXPECT_EQ(job.parameters[param::kVariableOrderValue], 7.0f);
  EXPECT_EQ(job.parameters[param::kUncutOrderMinLength + 5], 900.0f);
  EXPECT_EQ(job.parameters[param::kCT + 2], 50.0f);
  EXPECT_EQ(job.parameters[param::kCB + 2], 60.0f);
  EXPECT_EQ(job.marks[0], 3.0f);
  EXPECT_EQ(job.marks[101], 300.0f);
  EXPECT_EQ(job.marks[kMarkKindIndex], 1.0f);
}

TEST(JobFile, RejectsBadLinesWithTheirNumber) {
  const char* bad[] = {"set NoSuchSetting 1\n", "fixed grade 1 colour 3\n",   "pairs 1 2 3\n",
                       "param 2102 1\n",        "uncut row 24 min 1 max 2\n", "frobnicate\n",
                       "pairs 1 100\ntop 100\n"};
  for (const char* text : bad) {
    std::istringstream in(text);
    JobBlocks job;
    std::string error;
    EXPECT_FALSE(ParseJob(in, job, &error)) << text;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
  }
}

}  // namespace
}  // namespace sawline::tools
