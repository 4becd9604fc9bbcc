// `sawline run`: exit statuses and messages, raw blocks that reach the library as they
// are, and repeatable runs that answer exactly as the entry called directly.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "desk/raw_blocks.h"
#include "desk/run_time.h"
#include "interface/sawline.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "tools/cli/cli_fixture.h"

namespace sawline::tools {
namespace {

TEST_F(Cli, RunExitStatusesAndMessages) {
  WriteJob();
  Write("empty.json", JobWithSettings("", std::string(kOrders) + "\"marks\": {\"pairs\": []}"));
  Write("valueless.json",
        JobWithSettings(", \"OptimizeMode\": 1",
                        std::string(kOrders) + "\"marks\": {\"pairs\": [[1, 3000]]}"));
  Write("broken.json", "{\"settings\": {\"KerfWidth\": -4}}");
  Write("short.f32", std::string(8, '\0'));
  WriteRefusedBlocks();
  ExpectCases({
      {"a job at a fixed time",
       {"run", "job.json", "--time", kTime},
       kExitPlanned,
       "time: 2026-03-01T08:15:00+08:00 (fixed",
       ""},
      {"a job on live clocks",
       {"run", "job.json"},
       kExitPlanned,
       "(live clocks, as on the line; --time ",
       ""},
      {"help of run", {"run", "--help"}, kExitPlanned, "--time", ""},
      {"an unknown option",
       {"run", "--colour"},
       kExitBadInput,
       "",
       "The following argument was not expected: --colour"},
      {"a missing job file", {"run", "nothing.json"}, kExitBadInput, "", "nothing.json"},
      {"params without marks",
       {"run", "--params", "refused.f32"},
       kExitBadInput,
       "",
       "--params requires --marks"},
      {"a job and raw blocks",
       {"run", "job.json", "--params", "refused.f32", "--marks", "m.f32"},
       kExitBadInput,
       "",
       "excludes"},
      {"a time that is not one",
       {"run", "job.json", "--time", "yesterday"},
       kExitBadInput,
       "",
       "sawline: --time: \"yesterday\" is not a time like 2026-03-01T08:15:00+08:00"},
      {"a log folder that is not there",
       {"run", "job.json", "--log-dir", "no/such/folder"},
       kExitBadInput,
       "",
       "no/such/folder"},
      {"a broken job",
       {"run", "broken.json"},
       kExitBadInput,
       "",
       "broken.json:1: /settings/KerfWidth: -4 is outside the allowed range"},
      {"a raw block of the wrong size",
       {"run", "--params", "short.f32", "--marks", "m.f32"},
       kExitBadInput,
       "",
       "short.f32: 8 bytes (2 floats); a parameter block is 2102 little-endian 32-bit floats, "
       "8408 bytes"},
      {"a refused board",
       {"run", "--params", "refused.f32", "--marks", "m.f32", "--time", kTime},
       kExitNoPiece,
       "no piece planned: the result block is left as it was",
       "sawline: the library refused the board: the kerf width is negative"},
      {"a board without marks",
       {"run", "empty.json"},
       kExitNoPiece,
       "pieces in the cut list: 0",
       "sawline: warning: the board has no marks: there is nothing to cut"},
      {"value mode without values",
       {"run", "valueless.json"},
       kExitPlanned,
       "  1  waste         -    3000.0",
       "sawline: warning: OptimizeMode 1 plans by value, but no fixed-length or variable-length "
       "row has a value"},
  });
}

// The reason of a refusal is told once, on the error output, where the other reasons
// why a board gives nothing are; the plan on the output only says that nothing was
// planned.
TEST_F(Cli, RunTellsARefusalOnce) {
  WriteRefusedBlocks();
  const CliResult result =
      Sawline({"run", "--params", "refused.f32", "--marks", "m.f32", "--time", kTime});
  ASSERT_EQ(result.status, kExitNoPiece) << result.err;
  const std::string reason = "the kerf width is negative";
  EXPECT_EQ(result.out.find(reason), std::string::npos) << result.out;
  const size_t first = result.err.find(reason);
  ASSERT_NE(first, std::string::npos) << result.err;
  EXPECT_EQ(result.err.find(reason, first + 1), std::string::npos) << result.err;
}

// A raw board whose setting is outside its range reaches the library as it is; the tool
// warns, and the answer is whatever the library makes of it.
TEST_F(Cli, RawBlocksReachTheLibraryAsTheyAre) {
  JobBlocks job;
  job.SetSetting("KerfWidth", 4.0f);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
  job.SetSetting("OptimizeMode", 5.0f);
  job.AddFixedOrder({1, 900, 1.0f, 0.0f, 0.0f, 0, 0, 0});
  job.SetPairs({{1, 3000}});
  std::string error;
  ASSERT_TRUE(WriteRawJob(job, "p.f32", "m.f32", &error));
  const CliResult result = Sawline({"run", "--params", "p.f32", "--marks", "m.f32"});
  EXPECT_NE(result.err.find("sawline: warning: OptimizeMode is 5, outside 0 to 4"),
            std::string::npos)
      << result.err;
  if (result.status == kExitPlanned) {
    EXPECT_NE(result.err.find("the cut list holds waste only"), std::string::npos) << result.err;
  } else {
    EXPECT_EQ(result.status, kExitNoPiece);
    EXPECT_NE(result.err.find("the library refused the board"), std::string::npos) << result.err;
  }
}

// `sawline run JOB --time T --json OUT` answers exactly as the entry called directly with
// the exported blocks under the same fixed time, and two runs give the same bytes.
TEST_F(Cli, EveryExampleRunsAsTheEntryCalledDirectly) {
  RunTime time;
  std::string error;
  ASSERT_TRUE(ParseRunTime(kTime, &time, &error));
  for (const auto& [name, text] : ExampleJobs()) {
    SCOPED_TRACE(name);
    Write(name, text);
    const CliResult first = Sawline({"run", name, "--time", kTime, "--json", "first.json"});
    ASSERT_EQ(first.status, kExitPlanned) << first.err;
    EXPECT_EQ(first.err, "");
    const std::string firstLog = test::ReadFileBytes("BackupData.txt");
    if (name == "defect_sawing.json") {
      // Defect sawing cuts clear pieces, which carry variable-length codes: never "fixed".
      EXPECT_NE(first.out.find("clear         1"), std::string::npos) << first.out;
      EXPECT_NE(first.out.find("used: clear pieces"), std::string::npos);
      EXPECT_EQ(first.out.find("  fixed  "), std::string::npos) << first.out;
    }
    const CliResult second = Sawline({"run", name, "--time", kTime, "--json", "second.json"});
    EXPECT_EQ(second.out, first.out);
    EXPECT_EQ(test::ReadFileBytes("second.json"), test::ReadFileBytes("first.json"));
    EXPECT_EQ(test::ReadFileBytes("BackupData.txt"), firstLog);

    ASSERT_EQ(Sawline({"export", name, "--params", "p.f32", "--marks", "m.f32"}).status,
              kExitPlanned);
    JobBlocks blocks;
    ASSERT_TRUE(ReadRawJob("p.f32", "m.f32", blocks, &error)) << error;
    platform::ReleaseFixes();
    platform::SetLogPath("direct.txt");
    platform::FixCalendar(time.seconds, time.utcOffsetSeconds);
    platform::FixClock(0);
    std::array<float, kResultBlockFloats> direct{};
    const int32_t returned =
        OptimizationCompute(blocks.parameters.data(), blocks.marks.data(), direct.data());
    platform::ReleaseFixes();

    const nlohmann::json record = nlohmann::json::parse(test::ReadFileBytes("first.json"));
    EXPECT_EQ(record["returned"].get<int32_t>(), returned);
    ASSERT_EQ(record["result_block"].size(), direct.size());
    std::array<float, kResultBlockFloats> fromJson{};
    for (size_t i = 0; i < fromJson.size(); ++i)
      fromJson[i] = JsonFloat(record["result_block"][i]);
    EXPECT_TRUE(SameBlock(fromJson.data(), direct.data(), direct.size()));
    EXPECT_EQ(test::ReadFileBytes("direct.txt"), firstLog);
    EXPECT_EQ(record["decoded"]["pieces"].size(), static_cast<size_t>(returned));
  }
}

}  // namespace
}  // namespace sawline::tools
