// The sawline command line, run in this process: exit statuses and messages, repeatable
// runs that answer exactly as the entry called directly, the generated documents kept
// equal to the committed ones, and replays of the line's records.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "committed_files.h"
#include "desk/block_checks.h"
#include "desk/raw_blocks.h"
#include "desk/run_time.h"
#include "interface/block_layout.h"
#include "interface/sawline.h"
#include "jobfile/job_reader.h"
#include "jobfile/job_schema.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "tools/support/record_fixtures.h"

namespace sawline::tools {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTime = "2026-03-01T08:15:00+08:00";

struct CliResult {
  int status;
  std::string out;
  std::string err;
};

CliResult Sawline(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"sawline"};
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int status = RunSawline(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

std::vector<std::pair<std::string, std::string_view>> ExampleJobs() {
  std::vector<std::pair<std::string, std::string_view>> jobs;
  for (const auto& file : committed::kFiles) {
    const std::string name(file.name);
    if (name.size() > 5 && name.substr(name.size() - 5) == ".json" && name != "job.schema.json") {
      jobs.emplace_back(name, file.text);
    }
  }
  return jobs;
}

std::string_view CommittedFile(const std::string& name) {
  for (const auto& file : committed::kFiles) {
    if (file.name == name) return file.text;
  }
  return {};
}

// Every test runs in a folder of its own, where the tool writes its files and run log.
class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = fs::temp_directory_path() / ("sawline-cli-" + std::string(info->name()) + "-" +
                                           std::to_string(reinterpret_cast<uintptr_t>(this)));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
    platform::ReleaseFixes();
  }

  static void Write(const std::string& name, std::string_view text) {
    std::ofstream(name, std::ios::binary) << text;
  }

  fs::path folder_;
  fs::path previous_;
};

std::string JobWithSettings(const std::string& settings, const std::string& rest) {
  return "{\"settings\": {\"UnmarkedGrade\": 5, \"WasteMarkCount\": 9, \"KerfWidth\": 4" +
         settings + "},\n" + rest + "}\n";
}

struct Case {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  const char* out;  // expected in the output ("" for no check)
  const char* err;  // expected in the error output
};

TEST_F(Cli, ExitStatusesAndMessages) {
  const std::string orders =
      "\"orders\": {\"fixed\": [{\"grade\": 1, \"length\": 900, \"weight\": 1}]},\n";
  Write("job.json", JobWithSettings("", orders + "\"marks\": {\"pairs\": [[1, 3000]]}"));
  Write("empty.json", JobWithSettings("", orders + "\"marks\": {\"pairs\": []}"));
  Write("valueless.json",
        JobWithSettings(", \"OptimizeMode\": 1", orders + "\"marks\": {\"pairs\": [[1, 3000]]}"));
  Write("broken.json", "{\"settings\": {\"KerfWidth\": -4}}");
  Write("short.f32", std::string(8, '\0'));
  JobBlocks refused;
  refused.SetSetting("KerfWidth", -4.0f);
  refused.SetSetting("UnmarkedGrade", 5.0f);
  refused.SetSetting("WasteMarkCount", 9.0f);
  refused.AddFixedOrder({1, 900, 1.0f, 0.0f, 0.0f, 0, 0, 0});
  refused.SetPairs({{1, 3000}});
  std::string error;
  ASSERT_TRUE(WriteRawJob(refused, "refused.f32", "m.f32", &error)) << error;

  ASSERT_EQ(Sawline({"import", "refused.f32", "m.f32", "--job", "imported.json"}).status, 0);
  const Case cases[] = {
      {"the bundled example", {}, kExitPlanned, "job: the bundled example board", ""},
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
      {"a job file alone means run",
       {"job.json", "--time", kTime},
       kExitPlanned,
       "pieces in the cut list: ",
       ""},
      {"help", {"--help"}, kExitPlanned, "Exit status: 0 the library planned pieces", ""},
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
       "the library refused the board: the kerf width is negative",
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
      {"import",
       {"import", "refused.f32", "m.f32"},
       kExitPlanned,
       "\"KerfWidth\": 0,",
       "1 values that the named fields cannot hold are kept exactly under \"raw\""},
      {"the settings reference",
       {"settings"},
       kExitPlanned,
       "KerfWidth  [index 2097, float length",
       ""},
  };
  for (const Case& entry : cases) {
    SCOPED_TRACE(entry.name);
    const CliResult result = Sawline(entry.arguments);
    EXPECT_EQ(result.status, entry.status) << result.out << result.err;
    EXPECT_NE(result.out.find(entry.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(entry.err), std::string::npos) << result.err;
    if (entry.status == kExitBadInput) {
      EXPECT_EQ(result.out.find("pieces in the cut list"), std::string::npos) << "nothing is run";
    }
  }
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

float JsonFloat(const nlohmann::json& value) {
  return static_cast<float>(value.get<double>());
}

bool SameBlock(const float* a, const float* b, size_t count) {
  return std::memcmp(a, b, count * sizeof(float)) == 0;
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

TEST(CommittedFiles, SchemaAndSettingsReferenceAreWhatTheTableGives) {
  EXPECT_EQ(CommittedFile("job.schema.json"), JobSchemaText())
      << "regenerate it: sawline schema -o examples/job.schema.json";
  const std::string readme(CommittedFile("README.md"));
  const std::string begin = "<!-- settings reference: generated by `sawline settings --markdown`";
  const std::string end = "<!-- end of settings reference -->";
  const size_t from = readme.find('\n', readme.find(begin));
  const size_t to = readme.find(end);
  ASSERT_NE(readme.find(begin), std::string::npos);
  ASSERT_NE(to, std::string::npos);
  EXPECT_EQ(readme.substr(from + 1, to - from - 1), SettingsReferenceMarkdown())
      << "paste the output of `sawline settings --markdown` into the README";
}

// The examples are clean (no error, no warning) and cover every optimization mode,
// priority downgrade and both forms of board marks.
TEST(CommittedFiles, ExamplesAreCleanAndCoverEveryModeAndMarkForm) {
  std::set<int> modes;
  bool downgrade = false, pairs = false, oneFace = false, twoFace = false;
  for (const auto& [name, text] : ExampleJobs()) {
    SCOPED_TRACE(name);
    JobBlocks job;
    JobDiagnostics diagnostics;
    ASSERT_TRUE(ReadJob(text, name, job, &diagnostics));
    EXPECT_TRUE(diagnostics.warnings.empty());
    const std::vector<std::string> warnings =
        CheckBlocks(job.parameters.data(), job.marks.data(), {true});
    EXPECT_TRUE(warnings.empty()) << warnings.front();
    modes.insert(static_cast<int>(job.parameters[SAWLINE_PARAM_OPTIMIZE_MODE]));
    downgrade = downgrade || job.parameters[SAWLINE_PARAM_PRIORITY_DOWNGRADE] == 1.0f;
    const bool isPairs = job.marks[kMarkKindIndex] == 1.0f;
    pairs = pairs || isPairs;
    oneFace =
        oneFace || (!isPairs && job.parameters[SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES] == 0.0f);
    twoFace =
        twoFace || (!isPairs && job.parameters[SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES] != 0.0f);
  }
  EXPECT_EQ(modes, (std::set<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(downgrade);
  EXPECT_TRUE(pairs);
  EXPECT_TRUE(oneFace);
  EXPECT_TRUE(twoFace);
}

// ---- sawline replay ----

std::string ReadFileText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The library's record of the example board at kTime, with `edit` applied to its lines.
void WriteExampleRecord(const std::string& name,
                        const std::function<void(std::vector<std::string>&)>& edit = {}) {
  JobBlocks job = test::ExampleJob();
  std::vector<std::string> lines = test::RecordLines(test::WriteRecord(job, "written-" + name).log);
  if (edit) edit(lines);
  std::ofstream(name, std::ios::binary) << test::JoinLines(lines);
}

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

  const Case cases[] = {
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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const CliResult result = Sawline(c.arguments);
    EXPECT_EQ(result.status, c.status) << result.out << result.err;
    EXPECT_NE(result.out.find(c.out), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
  }
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

  const nlohmann::json ran = nlohmann::json::parse(ReadFileText("run.json"));
  const nlohmann::json replayed = nlohmann::json::parse(ReadFileText("replay.json"));
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
  const std::string job = ReadFileText("rebuilt.json");
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
  const std::string page = ReadFileText("differs.html");
  EXPECT_NE(page.find("Cut list: line&#39;s record"), std::string::npos);
  EXPECT_NE(page.find("1 of 16 pieces differ"), std::string::npos);
  const CliResult same =
      Sawline({"replay", "record.txt", "--utc-offset", "+08:00", "--report", "same.html"});
  ASSERT_EQ(same.status, 0) << same.err;
  const std::string samePage = ReadFileText("same.html");
  EXPECT_EQ(samePage.find("line&#39;s record"), std::string::npos);
  EXPECT_NE(samePage.find("Reproduced exactly"), std::string::npos);
}

}  // namespace
}  // namespace sawline::tools
