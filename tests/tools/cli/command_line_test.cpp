// The sawline command line as a whole: what `sawline` alone and `sawline JOB.json` run,
// the exit statuses every help names, outputs that cannot be written (refused before the
// run where that can be seen, status 4 after it), and the examples every suite runs.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "desk/block_checks.h"
#include "interface/block_layout.h"
#include "jobfile/job_reader.h"
#include "sawline_version.h"
#include "support/test_support.h"
#include "tools/cli/cli_fixture.h"

namespace sawline::tools {
namespace {

namespace fs = std::filesystem;

TEST_F(Cli, TopLevelExitStatusesAndMessages) {
  WriteJob();
  ExpectCases({
      {"the bundled example", {}, kExitPlanned, "job: the bundled example board", ""},
      {"a job file alone means run",
       {"job.json", "--time", kTime},
       kExitPlanned,
       "pieces in the cut list: ",
       ""},
      {"help", {"--help"}, kExitPlanned, "Exit status: 0 the library planned pieces", ""},
      {"an unknown subcommand or file",
       {"nothing.json"},
       kExitBadInput,
       "",
       "sawline: job: File does not exist: nothing.json"},
      {"an unknown option", {"--colour"}, kExitBadInput, "", "sawline: "},
      {"the version, the DLL's number",
       {"--version"},
       kExitPlanned,
       "sawline " SAWLINE_VERSION "\n",
       ""},
  });
}

// Every help names the statuses of its subcommand and no other; the top-level help
// names them all.
TEST_F(Cli, EveryHelpNamesItsExitStatuses) {
  struct Help {
    std::vector<std::string> arguments;
    std::set<int> statuses;
  };
  const Help helps[] = {
      {{"--help"}, {0, 1, 2, 3, 4}},        {{"run", "--help"}, {0, 1, 2, 4}},
      {{"export", "--help"}, {0, 2, 4}},    {{"import", "--help"}, {0, 2, 4}},
      {{"schema", "--help"}, {0, 2, 4}},    {{"settings", "--help"}, {0, 2}},
      {{"replay", "--help"}, {0, 2, 3, 4}}, {{"simulate", "--help"}, {0, 1, 2, 4}},
  };
  for (const Help& help : helps) {
    SCOPED_TRACE(help.arguments.front());
    const CliResult result = Sawline(help.arguments);
    ASSERT_EQ(result.status, kExitPlanned) << result.err;
    const size_t footer = result.out.find("Exit status: ");
    ASSERT_NE(footer, std::string::npos) << result.out;
    const std::string text = result.out.substr(footer);
    EXPECT_EQ(text.find("Exit status: ", 1), std::string::npos) << "one footer: " << text;
    for (int status = 0; status <= 4; ++status) {
      const std::string named = (status == 0 ? ": " : "; ") + std::to_string(status) + " ";
      EXPECT_EQ(text.find(named) != std::string::npos, help.statuses.count(status) == 1)
          << status << " in " << text;
    }
  }
}

// An output whose folder does not exist is refused before anything runs (status 2, no
// run log written); one that fails only when written leaves the work done and says so
// with status 4.
TEST_F(Cli, OutputsThatCannotBeWritten) {
  WriteJob();
  WriteExampleRecord("record.txt");
  WriteRefusedBlocks();
  struct Output {
    const char* name;
    std::vector<std::string> arguments;  // the output's path follows
    const char* done;                    // in the output when the work was done
  };
  const std::string record = "record.txt";
  const Output outputs[] = {
      {"run --json", {"run", "job.json", "--time", kTime, "--json"}, "pieces in the cut list"},
      {"run --report", {"run", "job.json", "--time", kTime, "--report"}, "pieces in the cut list"},
      {"a refused run's --json",
       {"run", "--params", "refused.f32", "--marks", "m.f32", "--json"},
       "pieces in the cut list: 0"},
      {"replay --json", {"replay", record, "--utc-offset", "+08:00", "--json"}, "verdict: "},
      {"replay --report", {"replay", record, "--utc-offset", "+08:00", "--report"}, "verdict: "},
      {"replay --job", {"replay", record, "--utc-offset", "+08:00", "--job"}, "verdict: "},
      {"simulate --json", {"simulate", "job.json", "--jobs", "1", "--json"}, "simulated 1 board "},
      {"simulate --csv", {"simulate", "job.json", "--jobs", "1", "--csv"}, "simulated 1 board "},
      {"simulate --report",
       {"simulate", "job.json", "--jobs", "1", "--report"},
       "simulated 1 board "},
      {"import --job", {"import", "refused.f32", "m.f32", "--job"}, ""},
      {"schema -o", {"schema", "-o"}, ""},
      {"export --params", {"export", "job.json", "--marks", "m2.f32", "--params"}, ""},
      {"export --marks", {"export", "job.json", "--params", "p2.f32", "--marks"}, ""},
  };
  for (const Output& output : outputs) {
    SCOPED_TRACE(output.name);
    fs::remove("BackupData.txt");
    std::vector<std::string> arguments = output.arguments;
    arguments.push_back("no/such/folder/out.txt");
    const CliResult refused = Sawline(arguments);
    EXPECT_EQ(refused.status, kExitBadInput) << refused.out << refused.err;
    EXPECT_NE(refused.err.find("the folder no/such/folder does not exist"), std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out, "");
    EXPECT_FALSE(fs::exists("BackupData.txt")) << "nothing is run";

    arguments.back() = UnwritableName(".txt");
    const CliResult failed = Sawline(arguments);
    EXPECT_EQ(failed.status, kExitOutputFailed) << failed.out << failed.err;
    EXPECT_NE(failed.err.find("cannot be written"), std::string::npos) << failed.err;
    EXPECT_NE(failed.out.find(output.done), std::string::npos) << failed.out;
  }
  // A folder given where a file goes is refused before the run, too.
  fs::create_directory("folder");
  const CliResult folder = Sawline({"run", "job.json", "--json", "folder"});
  EXPECT_EQ(folder.status, kExitBadInput);
  EXPECT_NE(folder.err.find("folder is a folder, not a file"), std::string::npos) << folder.err;
  EXPECT_EQ(folder.out, "");
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

}  // namespace
}  // namespace sawline::tools
