// `sawline export`: a job as the host's two raw blocks.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tools/cli/cli_fixture.h"

namespace sawline::tools {
namespace {

TEST_F(Cli, ExportExitStatusesAndMessages) {
  WriteJob();
  Write("broken.json", "{\"settings\": {\"KerfWidth\": -4}}");
  ExpectCases({
      {"export",
       {"export", "job.json", "--params", "p.f32", "--marks", "m2.f32"},
       kExitPlanned,
       "wrote p.f32 (2102 floats) and m2.f32 (201 floats)",
       ""},
      {"export of a broken job",
       {"export", "broken.json", "--params", "p.f32", "--marks", "q.f32"},
       kExitBadInput,
       "",
       "broken.json: nothing was written"},
      {"a block without its name",
       {"export", "job.json", "--params", "p.f32"},
       kExitBadInput,
       "",
       "--marks is required"},
  });
}

}  // namespace
}  // namespace sawline::tools
