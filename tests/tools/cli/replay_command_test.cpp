// `sawline replay`: exit statuses and messages, the record shown safely, the rebuilt job
// that runs to the line's answer, and the report of a record the desk does not reproduce.
#include <gtest/gtest.h>

#include <array>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "interface/sawline.h"
#include "support/test_support.h"
#include "tools/cli/cli_fixture.h"
#include "tools/support/record_fixtures.h"

namespace sawline::tools {
namespace {

TEST_F(Cli, ReplayExitStatusesAndMessages) {
  WriteExampleRecord("record.txt");
  WriteExampleRecord("piece.txt", [](std::vector<std::string>& lines) {
    std::string& piece =
        lines[static_cast<size_t>(test::FindLine(lines, "优化结果中废料段处理") + 2)];
    piece.replace(piece.find("450.0"), 5, "451.0");
  });
  WriteExampleRecord("cut.txt", [](std::vector<std::string>& lines) {
    lines.resize(static_cast<size_t>(test::FindLine(lines, "不定长清单")) + 2);
    lines.back().resize(lines.back().size() / 2);
  });
  JobBlocks refused = test::ExampleJob();
  refused.SetSetting("KerfWidth", -4.0f);
  Write("refused.txt", test::WriteRecord(refused, "written-refused.txt").log);
  Write("not-a-record.txt", "hello\nworld\n");

  ExpectCases({
      {"reproduced",
       {"replay", "record.txt", "--utc-offset", "+08:00"},
       0,
       "repeat it with: sawline run JOB --time 2026-03-01T08:15:00+08:00",
       ""},
      {"reproduced_in_another_zone",
       {"replay", "record.txt", "--utc-offset", "-05:30"},
       0,
       "REPRODUCED",
       ""},
      {"refused_board_reproduced",
       {"replay", "refused.txt", "--utc-offset", "+08:00"},
       0,
       "refused: ",
       ""},
      {"piece_differs",
       {"replay", "piece.txt", "--utc-offset", "+08:00"},
       3,
       "verdict: DIFFERENT",
       ""},
      {"cut_in_the_middle", {"replay", "cut.txt"}, 2, "", "not a readable record: line "},
      {"not_a_record", {"replay", "not-a-record.txt"}, 2, "", "line 1: "},
      {"no_such_file", {"replay", "missing.txt"}, 2, "", "missing.txt"},
      {"no_record", {"replay"}, 2, "", "record is required"},
      {"bad_offset", {"replay", "record.txt", "--utc-offset", "8"}, 2, "", "--utc-offset"},
      {"offset_too_far",
       {"replay", "record.txt", "--utc-offset", "+15:00"},
       2,
       "",
       "no zone is that far"},
      {"show", {"replay", "record.txt", "--show"}, 0, "[KerfWidth]", ""},
      {"show_broken", {"replay", "cut.txt", "--show"}, 2, "[KerfWidth]", "not a readable record"},
      {"show_excludes_job",
       {"replay", "record.txt", "--show", "--job", "x.json"},
       2,
       "",
       "excludes"},
  });
}

TEST_F(Cli, ReplayShowsEveryLineSafelyInUtf8) {
  WriteExampleRecord("record.txt", [](std::vector<std::string>& lines) {
    lines.insert(lines.begin() + 1, "\x1b[2J\x07");  // a terminal escape, not the record's
  });
  const CliResult shown = Sawline({"replay", "record.txt", "--show"});
  EXPECT_EQ(shown.status, 2);  // the inserted line is not the record's
  EXPECT_NE(shown.out.find("\\x1B[2J\\x07"), std::string::npos) << shown.out;
  for (const char c : shown.out) {
    const auto byte = static_cast<unsigned char>(c);
    EXPECT_TRUE(byte == '\n' || byte >= 0x20) << static_cast<int>(byte);
  }
  EXPECT_NE(shown.out.find("锯口宽度[KerfWidth]"), std::string::npos);
}

// The rebuilt job, run by `sawline run` at the time replay names, answers with the
// line's result block; --json carries the verdict and the record's block beside the
// desk's.
TEST_F(Cli, ReplayedJobRunsToTheLinesAnswer) {
  const test::WrittenRecord written = test::WriteRecord(test::ExampleJob(), "BackupData.txt");
  Write("record.txt", written.log);
  const CliResult replay = Sawline({"replay", "record.txt", "--utc-offset", "+08:00", "--job",
                                    "rebuilt.json", "--json", "replay.json"});
  ASSERT_EQ(replay.status, 0) << replay.out << replay.err;
  const CliResult run = Sawline({"run", "rebuilt.json", "--time", kTime, "--json", "run.json"});
  ASSERT_EQ(run.status, 0) << run.err;

  const nlohmann::json ran = nlohmann::json::parse(test::ReadFileBytes("run.json"));
  const nlohmann::json replayed = nlohmann::json::parse(test::ReadFileBytes("replay.json"));
  std::array<float, kResultBlockFloats> fromRun{}, fromReplay{};
  for (size_t i = 0; i < fromRun.size(); ++i) {
    fromRun[i] = JsonFloat(ran["result_block"][i]);
    fromReplay[i] = JsonFloat(replayed["result_block"][i]);
  }
  EXPECT_TRUE(SameBlock(fromRun.data(), written.result.data(), fromRun.size()));
  EXPECT_TRUE(SameBlock(fromReplay.data(), written.result.data(), fromReplay.size()));
  EXPECT_EQ(replayed["replay"]["reproduced"], true);
  EXPECT_EQ(replayed["time"], kTime);
  // The record prints lengths to 0.1 and the statistics to 0.1 as well: its block is
  // the line's where the line's values are whole.
  const nlohmann::json& recorded = replayed["replay"]["record_result_block"];
  EXPECT_EQ(recorded.size(), fromRun.size());
  EXPECT_EQ(JsonFloat(recorded[SAWLINE_RESULT_PIECE_LENGTH]),
            written.result[SAWLINE_RESULT_PIECE_LENGTH]);
  const std::string job = test::ReadFileBytes("rebuilt.json");
  EXPECT_NE(job.find("Rebuilt by sawline replay from record.txt"), std::string::npos) << job;
}

TEST_F(Cli, ReplayReportDrawsTheRecordsCutListWhenTheyDiffer) {
  WriteExampleRecord("piece.txt", [](std::vector<std::string>& lines) {
    std::string& piece =
        lines[static_cast<size_t>(test::FindLine(lines, "优化结果中废料段处理") + 2)];
    piece.replace(piece.find("450.0"), 5, "451.0");
  });
  WriteExampleRecord("record.txt");
  const CliResult differs =
      Sawline({"replay", "piece.txt", "--utc-offset", "+08:00", "--report", "differs.html"});
  ASSERT_EQ(differs.status, 3) << differs.err;
  const std::string page = test::ReadFileBytes("differs.html");
  EXPECT_NE(page.find("Cut list: line&#39;s record"), std::string::npos);
  EXPECT_NE(page.find("1 of 16 pieces differ"), std::string::npos);
  const CliResult same =
      Sawline({"replay", "record.txt", "--utc-offset", "+08:00", "--report", "same.html"});
  ASSERT_EQ(same.status, 0) << same.err;
  const std::string samePage = test::ReadFileBytes("same.html");
  EXPECT_EQ(samePage.find("line&#39;s record"), std::string::npos);
  EXPECT_NE(samePage.find("Reproduced exactly"), std::string::npos);
}

}  // namespace
}  // namespace sawline::tools
