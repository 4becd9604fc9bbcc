// The simulate command's tests use POSIX temporary folders and worker processes; the
// Windows build of the tool runs boards in one process and is not tested here.
#ifndef _WIN32
// `sawline simulate` as a user runs it: drawn shifts that repeat byte for byte, a board
// looked at alone, folders with a bad job among good ones, and usage errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "support/test_support.h"

namespace sawline::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome Sawline(const std::vector<std::string>& arguments) {
  std::vector<const char*> argv{"sawline", "simulate"};
  for (const std::string& argument : arguments)
    argv.push_back(argument.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int status = tools::RunSawline(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

class SimulateCommand : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    std::string pattern = (fs::temp_directory_path() / "sawline-simulate-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
  }
  void TearDown() override {
    fs::remove_all(directory_);
    WorkspaceTest::TearDown();
  }
  std::string Path(const std::string& name) const { return (directory_ / name).string(); }
  fs::path directory_;
};

TEST_F(SimulateCommand, DrawnShiftRepeatsByteForByteAndABoardRunsAlone) {
  const std::string book = SourcePath("examples/shift_book.json");
  std::string json[2];
  for (int run = 0; run < 2; ++run) {
    const std::string path = Path("shift" + std::to_string(run) + ".json");
    const Outcome outcome =
        Sawline({book, "--boards", "6", "--seed", "4", "--jobs", std::to_string(run + 1), "--json",
                 path, "--csv", Path("shift.csv"), "--report", Path("shift.html")});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("simulated 6 boards"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("search / exact optimum over"), std::string::npos);
    EXPECT_NE(outcome.err.find("6 of 6 boards"), std::string::npos) << outcome.err;
    json[run] = ReadFileBytes(path);
  }
  ASSERT_FALSE(json[0].empty());
  EXPECT_EQ(json[0], json[1]);
  EXPECT_NE(ReadFileBytes(Path("shift.html")).find("<svg"), std::string::npos);

  const nlohmann::json shift = nlohmann::json::parse(json[0]);
  EXPECT_EQ(shift["boards"], 6);
  ASSERT_FALSE(shift["zones"].empty());
  for (const auto& zone : shift["zones"]) {
    ASSERT_TRUE(zone.contains("optimum_fitness"));
    EXPECT_LE(zone["search_fitness"].get<double>(),
              zone["optimum_fitness"].get<double>() * (1 + 1e-9));
  }

  // Board 3 alone answers as it did in the shift.
  const Outcome alone = Sawline({book, "--board", "3", "--seed", "4", "--json", Path("3.json")});
  ASSERT_EQ(alone.status, 0) << alone.err;
  EXPECT_NE(alone.out.find("simulated 1 board of "), std::string::npos) << alone.out;
  const nlohmann::json one = nlohmann::json::parse(ReadFileBytes(Path("3.json")));
  ASSERT_EQ(one["board_results"].size(), 1u);
  EXPECT_EQ(one["board_results"][0], shift["board_results"][3]);
  nlohmann::json zones = nlohmann::json::array();
  for (const auto& zone : shift["zones"]) {
    if (zone["board"] == 3) zones.push_back(zone);
  }
  EXPECT_EQ(one["zones"], zones);
}

// Board N of a carried shift as a job: the done counts it met are in the job, and
// `sawline run` at the board's time repeats the board exactly.
TEST_F(SimulateCommand, ABoardOfACarriedShiftIsWrittenAsTheJobItMet) {
  const std::string book = SourcePath("examples/shift_book.json");
  const Outcome lone =
      Sawline({book, "--boards", "40", "--seed", "2", "--board", "30", "--job", Path("30.json"),
               "--json", Path("30s.json"), "--report", Path("30.html")});
  ASSERT_EQ(lone.status, 0) << lone.err;
  EXPECT_NE(lone.out.find("board report: "), std::string::npos) << lone.out;
  EXPECT_NE(ReadFileBytes(Path("30.html")).find("<svg"), std::string::npos);
  const nlohmann::json job = nlohmann::json::parse(ReadFileBytes(Path("30.json")));
  int done = 0;
  for (const auto& row : job["orders"]["fixed"])
    done += row.value("done", 0);
  EXPECT_GT(done, 0) << "the boards before board 30 cut pieces";
  const std::string time = job["description"].get<std::string>().substr(
      job["description"].get<std::string>().rfind(' ') + 1);
  const std::string job30 = Path("30.json");
  const std::string run30 = Path("30r.json");
  std::vector<const char*> argv{"sawline",    "run",    job30.c_str(), "--time",
                                time.c_str(), "--json", run30.c_str()};
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(tools::RunSawline(static_cast<int>(argv.size()), argv.data(), out, err), 0)
      << err.str();
  const nlohmann::json run = nlohmann::json::parse(ReadFileBytes(run30));
  const nlohmann::json shift = nlohmann::json::parse(ReadFileBytes(Path("30s.json")));
  const nlohmann::json& board = shift["board_results"][0];
  EXPECT_EQ(board["board"], 30);
  EXPECT_EQ(run["returned"], board["pieces"]);
  EXPECT_EQ(run["decoded"]["yield"]["used_length"], board["used"]);
  EXPECT_EQ(run["decoded"]["yield"]["waste_length"], board["waste"]);
  // The orders report of board 30 alone starts from the counts it met.
  int64_t before = 0;
  for (const auto& row : shift["orders"]["fixed"])
    before += row["done_before"].get<int64_t>();
  EXPECT_EQ(before, done);
}

// Books side by side: each book's object is byte for byte what a run of that book alone
// on the same boards writes, and the terminal marks the orders where they differ.
TEST_F(SimulateCommand, ComparedBooksEqualTheirSingleRuns) {
  const std::string book = SourcePath("examples/shift_book.json");
  std::string other = ReadFileBytes(book);
  const std::string from = "\"quantity\": 120";
  for (size_t at = other.find(from); at != std::string::npos; at = other.find(from, at))
    other.replace(at, from.size(), "\"quantity\": 4");
  std::ofstream(Path("other.json")) << other;
  const std::vector<std::string> common = {"--boards", "12", "--seed", "6", "--jobs", "2"};
  auto run = [&](std::vector<std::string> arguments) {
    arguments.insert(arguments.end(), common.begin(), common.end());
    return Sawline(arguments);
  };
  const Outcome both = run({book, "--compare", Path("other.json"), "--json", Path("both.json"),
                            "--csv", Path("both.csv"), "--report", Path("both.html")});
  ASSERT_EQ(both.status, 0) << both.err;
  EXPECT_NE(both.out.find("books side by side"), std::string::npos) << both.out;
  EXPECT_NE(both.out.find("  *\n"), std::string::npos) << both.out;
  ASSERT_EQ(run({book, "--json", Path("a.json")}).status, 0);
  ASSERT_EQ(run({Path("other.json"), "--json", Path("b.json")}).status, 0);
  const nlohmann::ordered_json compared =
      nlohmann::ordered_json::parse(ReadFileBytes(Path("both.json")));
  ASSERT_EQ(compared["books"].size(), 2u);
  EXPECT_EQ(compared["books"][0].dump(1) + "\n", ReadFileBytes(Path("a.json")));
  EXPECT_EQ(compared["books"][1].dump(1) + "\n", ReadFileBytes(Path("b.json")));
  EXPECT_TRUE(compared["carried"].get<bool>());
  EXPECT_NE(ReadFileBytes(Path("both.html")).find("class=\"differs\""), std::string::npos);

  // The same boards given as files: --book gives every board the book's orders.
  const Outcome files = Sawline({SourcePath("examples/example_board.json"), "--book", book,
                                 "--compare", Path("other.json"), "--jobs", "1"});
  ASSERT_EQ(files.status, 0) << files.err;
  EXPECT_NE(files.out.find(book + " on "), std::string::npos) << files.out;
  const Outcome independent = run({book, "--independent", "--json", Path("i.json")});
  ASSERT_EQ(independent.status, 0) << independent.err;
  EXPECT_FALSE(nlohmann::json::parse(ReadFileBytes(Path("i.json")))["carried"].get<bool>());
}

TEST_F(SimulateCommand, BadInputsAreCountedAndNamedAndTheRestRuns) {
  const fs::path folder = directory_ / "jobs";
  fs::create_directories(folder);
  fs::copy_file(SourcePath("examples/example_board.json"), folder / "a_good.json");
  fs::copy_file(SourcePath("examples/value_optimization.json"), folder / "c_good.json");
  std::ofstream(folder / "b_broken.json") << "{\"settings\": {\"KerfWidth\": }";
  std::ofstream(folder / "notes.txt") << "not a job";
  std::ofstream(folder / "BackupData.txt") << "a run log";
  const Outcome outcome = Sawline({folder.string(), "--csv", Path("jobs.csv"), "--per-board"});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  EXPECT_NE(outcome.out.find("2 planned, 0 refused or without pieces, 2 not run"),
            std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.out.find("b_broken.json"), std::string::npos);
  EXPECT_NE(outcome.out.find("recorded run log that does not read"), std::string::npos);
  EXPECT_EQ(outcome.out.find("notes.txt"), std::string::npos);  // not a job: left alone
  const std::vector<std::string> rows = SplitLines(ReadFileBytes(Path("jobs.csv")));
  ASSERT_EQ(rows.size(), 5u);
  // In name order: BackupData.txt, a_good.json, b_broken.json, c_good.json.
  EXPECT_NE(rows[3].find("b_broken.json"), std::string::npos) << rows[3];
}

TEST_F(SimulateCommand, RawBlockPairsRunBesideJobFiles) {
  const std::string job = SourcePath("examples/example_board.json");
  const std::string parameters = Path("p.f32");
  const std::string marks = Path("m.f32");
  std::vector<const char*> argv{"sawline",          "export",  job.c_str(),  "--params",
                                parameters.c_str(), "--marks", marks.c_str()};
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(tools::RunSawline(static_cast<int>(argv.size()), argv.data(), out, err), 0)
      << err.str();
  std::ofstream(Path("short.f32")) << "1234";
  const Outcome outcome = Sawline({job, "--raw", parameters, marks, "--raw", Path("short.f32"),
                                   marks, "--json", Path("raw.json")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const nlohmann::json shift = nlohmann::json::parse(ReadFileBytes(Path("raw.json")));
  ASSERT_EQ(shift["board_results"].size(), 3u);
  // The job and its raw blocks are the same board: the same answer (but for the clock's
  // second, which differs by board number and seeds the search, so only the plan's size
  // is compared).
  EXPECT_EQ(shift["board_results"][1]["board_length"], shift["board_results"][0]["board_length"]);
  EXPECT_EQ(shift["board_results"][1]["useful"], shift["board_results"][0]["useful"]);
  EXPECT_NE(shift["board_results"][2]["problem"].get<std::string>().find("short.f32"),
            std::string::npos);
  EXPECT_EQ(shift["not_run"], 1);
}

TEST_F(SimulateCommand, RecordsRunAsTheJobTheyShow) {
  const std::string job = SourcePath("examples/example_board.json");
  std::vector<const char*> argv{
      "sawline",         "run", job.c_str(), "--time", "2026-03-01T08:15:00Z", "--log-dir",
      directory_.c_str()};
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(tools::RunSawline(static_cast<int>(argv.size()), argv.data(), out, err), 0)
      << err.str();
  std::ofstream(Path("broken.txt")) << "not a record";
  const Outcome outcome =
      Sawline({Path("BackupData.txt"), job, Path("broken.txt"), "--json", Path("records.json")});
  ASSERT_EQ(outcome.status, 0) << outcome.err;
  const nlohmann::json shift = nlohmann::json::parse(ReadFileBytes(Path("records.json")));
  const auto& boards = shift["board_results"];
  ASSERT_EQ(boards.size(), 3u);
  for (const char* key : {"pieces", "board_length", "useful", "used", "waste"})
    EXPECT_EQ(boards[0][key], boards[1][key]) << key;
  EXPECT_NE(boards[2]["problem"].get<std::string>().find("does not read"), std::string::npos);
}

TEST_F(SimulateCommand, UsageErrorsRunNothing) {
  const std::string book = SourcePath("examples/shift_book.json");
  const std::string other = SourcePath("examples/example_board.json");
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
  };
  const Case cases[] = {
      {{}, "no boards"},
      {{book, other, "--boards", "5"}, "exactly one job file"},
      {{book, "--boards", "0"}, "--boards"},
      {{book, "--boards", "3", "--time", "yesterday"}, "--time"},
      {{book, "--boards", "3", "--live-clock", "--time", "2026-01-01T00:00:00Z"}, "--live-clock"},
      {{SourcePath("examples/missing.json"), "--boards", "3"}, "no boards were drawn"},
      {{book, "--raw", book}, "--raw: 2 required"},
      {{book, "--boards", "3", "--raw", book, other}, "--raw excludes --boards"},
      {{book, "--boards", "3", "--json", Path("none/shift.json")}, "none does not exist"},
      {{book, "--boards", "3", "--job", Path("j.json")}, "--job requires --board"},
      {{book, "--compare", other}, "--compare runs the boards of one book"},
      {{book, "--boards", "3", "--compare", Path("missing.json")}, "the book does not read"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = Sawline(c.arguments);
    EXPECT_EQ(outcome.status, 2) << c.message;
    EXPECT_NE((outcome.out + outcome.err).find(c.message), std::string::npos)
        << c.message << ": " << outcome.out << outcome.err;
  }
}

// A board model that does not read is named by file, line and JSON pointer, and no board
// is drawn; the same job still runs as a board of its own, which does not use the model.
TEST_F(SimulateCommand, BoardModelErrorsNameTheirLine) {
  std::string job = ReadFileBytes(SourcePath("examples/example_board.json"));
  const size_t end = job.rfind('}');
  ASSERT_NE(end, std::string::npos);
  job.insert(end, ",\n  \"board_model\": {\n    \"length\": [4000]\n  }\n");
  const std::string path = Path("model.json");
  std::ofstream(path) << job;
  const int line =
      1 + static_cast<int>(std::count(
              job.begin(), job.begin() + static_cast<long>(job.find("\"length\": [4000]")), '\n'));

  const Outcome drawn = Sawline({path, "--boards", "3"});
  EXPECT_EQ(drawn.status, 2);
  EXPECT_NE(drawn.err.find(path + ":" + std::to_string(line) +
                           ": /board_model/length: must be [least, most], two whole numbers"),
            std::string::npos)
      << drawn.err;
  EXPECT_NE(drawn.err.find("no boards were drawn"), std::string::npos) << drawn.err;
  EXPECT_EQ(drawn.out, "");

  const Outcome alone = Sawline({path, "--jobs", "1"});
  EXPECT_EQ(alone.status, 0) << alone.err;
  EXPECT_NE(alone.out.find("1 planned"), std::string::npos) << alone.out;
}

}  // namespace
}  // namespace sawline::test

#endif  // _WIN32
