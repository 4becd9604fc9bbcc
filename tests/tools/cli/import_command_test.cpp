// `sawline import`: recorded raw blocks as a job, which exports to the same bytes.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools/cli/cli_fixture.h"

namespace sawline::tools {
namespace {

TEST_F(Cli, ImportExitStatusesAndMessages) {
  WriteRefusedBlocks();
  ASSERT_EQ(Sawline({"import", "refused.f32", "m.f32", "--job", "imported.json"}).status, 0);
  ExpectCases({
      {"import",
       {"import", "refused.f32", "m.f32"},
       kExitPlanned,
       "\"KerfWidth\": 0,",
       "sawline: import: 1 value that the named fields cannot hold is kept exactly under "
       "\"raw\""},
      {"import to the output",
       {"import", "refused.f32", "m.f32", "--job", "-"},
       kExitPlanned,
       "\"KerfWidth\": 0,",
       ""},
      {"a missing block", {"import", "refused.f32", "none.f32"}, kExitBadInput, "", "none.f32"},
  });
}

TEST_F(Cli, ImportThenExportGivesBackTheSameBlocks) {
  for (const auto& [name, text] : ExampleJobs()) {
    SCOPED_TRACE(name);
    Write(name, text);
    ASSERT_EQ(Sawline({"export", name, "--params", "p.f32", "--marks", "m.f32"}).status, 0);
    ASSERT_EQ(Sawline({"import", "p.f32", "m.f32", "--job", "again.json"}).status, 0);
    ASSERT_EQ(Sawline({"export", "again.json", "--params", "p2.f32", "--marks", "m2.f32"}).status,
              0);
    EXPECT_EQ(test::ReadFileBytes("p2.f32"), test::ReadFileBytes("p.f32"));
    EXPECT_EQ(test::ReadFileBytes("m2.f32"), test::ReadFileBytes("m.f32"));
  }
}

}  // namespace
}  // namespace sawline::tools
