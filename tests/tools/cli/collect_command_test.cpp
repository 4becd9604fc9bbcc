// `sawline collect` beside the library as the line calls it: every record kept byte for
// byte at five calls a second (SAWLINE_COLLECT_SECONDS long, 3 s by default; the slow
// CTest runs it for a minute), Ctrl-C finishing the record in hand, and the archive
// read back by `replay --at` and `simulate --from --to`.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <pthread.h>
#include <signal.h>
#endif

#include "cli/collect_command.h"
#include "desk/desk_run.h"
#include "record/record_archive.h"
#include "record/record_collector.h"
#include "support/test_support.h"
#include "tools/cli/cli_fixture.h"
#include "tools/support/record_fixtures.h"

namespace sawline::tools {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The collector on a thread of its own, as it runs beside the host.
class Collecting {
 public:
  explicit Collecting(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {
    arguments_.insert(arguments_.begin(), "sawline");
    thread_ = std::thread([this] {
      std::vector<const char*> argv;
      for (const std::string& argument : arguments_)
        argv.push_back(argument.c_str());
      status_ = RunSawline(static_cast<int>(argv.size()), argv.data(), out_, err_);
      done_.store(true);
    });
  }
  ~Collecting() {
    if (thread_.joinable()) Stop(std::chrono::seconds(0));
  }

  // Waits up to `patience` for the collector to end by itself, then asks it to stop.
  int Stop(Clock::duration patience) {
    const Clock::time_point deadline = Clock::now() + patience;
    while (!done_.load() && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!done_.load()) RequestCollectStop();
    thread_.join();
    return status_;
  }
  std::string out() const { return out_.str(); }
  std::string err() const { return err_.str(); }

  // Ctrl-C, delivered to the collector's own thread where threads can be signalled (a
  // handler run on the test's main thread under qemu-i386 returns to the wrong place);
  // Windows runs the handler in the raising thread.
  void Interrupt() {
#if defined(_WIN32)
    std::raise(SIGINT);
#else
    pthread_kill(thread_.native_handle(), SIGINT);
#endif
  }

 private:
  std::vector<std::string> arguments_;
  std::ostringstream out_, err_;
  std::atomic<bool> done_{false};
  int status_ = -1;
  std::thread thread_;
};

JobBlocks SmallJob(bool downgrade, bool marks, float kerf = 4.0f) {
  JobBlocks job;
  job.SetSetting("KerfWidth", kerf);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
  job.SetSetting("PriorityDowngrade", downgrade ? 1.0f : 0.0f);
  job.AddFixedOrder({1, 900, 1.0f, 0.0f, 0.0f, 0, 0, 0});
  if (marks) job.SetPairs({{1, 3000}});
  return job;
}

// Every kind of record in turn, the last one planned.
std::vector<JobBlocks> LineBoards() {
  return {SmallJob(false, true, -4.0f), SmallJob(false, false), SmallJob(true, false),
          SmallJob(true, true), test::ExampleJob()};
}

class CollectCommand : public Cli {
 protected:
  // One call as the line makes it (live clocks), and the record it left.
  static std::string Call(const JobBlocks& job) {
    RunOptions options;
    options.logDirectory = "line";
    RunBoard(job, options);
    return test::ReadFileBytes("line/BackupData.txt");
  }
  // Refused boards until the collector has kept one: it is running from then on. Each
  // has a kerf of its own, so that no call repeats the record before it.
  static size_t StartLine() {
    for (int attempt = 0; attempt < 100 && ListArchive("archive").empty(); ++attempt) {
      Call(SmallJob(false, true, -5.0f - static_cast<float>(attempt)));
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ListArchive("archive").size();
  }
  static std::vector<std::string> Archived(size_t from) {
    std::vector<std::string> contents;
    const std::vector<ArchivedRecord> records = ListArchive("archive");
    for (size_t i = from; i < records.size(); ++i)
      contents.push_back(test::ReadFileBytes(records[i].path));
    return contents;
  }
  void SetUp() override {
    Cli::SetUp();
    fs::create_directories("line");
  }
};

TEST_F(CollectCommand, LosesNoRecordAtFiveCallsASecond) {
  const char* configured = std::getenv("SAWLINE_COLLECT_SECONDS");
  const int seconds = configured != nullptr ? std::atoi(configured) : 3;
  Collecting collector({"collect", "line", "--into", "archive", "--quiet"});
  const size_t started = StartLine();
  ASSERT_GE(started, 1u) << "the collector keeps nothing";

  const std::vector<JobBlocks> boards = LineBoards();
  std::vector<std::string> expected;
  // A call every 200 ms; a build slow enough to take longer (the sanitizers') still
  // leaves the host's least pause between two calls.
  const Clock::time_point start = Clock::now();
  Clock::time_point lastEnd = start;
  for (int call = 0; call < 5 * seconds; ++call) {
    std::this_thread::sleep_until(std::max(start + std::chrono::milliseconds(200) * call,
                                           lastEnd + std::chrono::milliseconds(50)));
    expected.push_back(Call(boards[static_cast<size_t>(call) % boards.size()]));
    lastEnd = Clock::now();
    ASSERT_NE(ClassifyRecord(expected.back()), RecordState::kPartial)
        << "the library's record of call " << call << " is not whole";
  }
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
  while (ListArchive("archive").size() < started + expected.size() && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(collector.Stop(std::chrono::seconds(0)), kExitPlanned) << collector.err();
  EXPECT_EQ(collector.err(), "");

  const std::vector<std::string> archived = Archived(started);
  ASSERT_EQ(archived.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_TRUE(archived[i] == expected[i]) << "call " << i << " was kept otherwise";
}

// A line per kept record; Ctrl-C keeps the record without pieces in hand (once the file
// has settled) and exits 0.
TEST_F(CollectCommand, CtrlCFinishesTheRecordInHandAndExitsZero) {
  Collecting collector({"collect", "line", "--into", "archive"});
  const size_t started = StartLine();
  ASSERT_GE(started, 1u);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the line's pace
  const std::string planned = Call(test::ExampleJob());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const std::string none = Call(SmallJob(false, false));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  collector.Interrupt();
  EXPECT_EQ(collector.Stop(std::chrono::seconds(10)), kExitPlanned) << collector.err();
  EXPECT_EQ(Archived(started), (std::vector<std::string>{planned, none}));
  const std::string out = collector.out();
  EXPECT_NE(out.find("refused: the kerf width is negative"), std::string::npos) << out;
  EXPECT_TRUE(std::regex_search(out, std::regex(R"(\.txt  \d+ pieces, yield \d+\.\d %\n)"))) << out;
  EXPECT_NE(out.find(".txt  no pieces\n"), std::string::npos) << out;
  EXPECT_NE(out.find("collect: " + std::to_string(started + 2) + " records kept, 0 lost"),
            std::string::npos)
      << out;
}

TEST_F(CollectCommand, StopsAfterTheRecordsAskedFor) {
  Collecting collector({"collect", "line", "--into", "archive", "--stop-after", "3", "--quiet"});
  const size_t started = StartLine();
  // Two different records: two calls writing the same bytes are told apart only when the
  // collector sees the file emptied between them, which a quick call need not leave time
  // for (a limit of its own, in the README), and which this test is not about.
  const JobBlocks calls[] = {SmallJob(true, true), test::ExampleJob()};
  for (const JobBlocks& job : calls) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the line's pace
    Call(job);
  }
  EXPECT_EQ(collector.Stop(std::chrono::seconds(10)), kExitPlanned);
  EXPECT_EQ(collector.out(), "");
  EXPECT_EQ(collector.err(), "");
  EXPECT_EQ(ListArchive("archive").size(), std::max<size_t>(started, 3));
}

// The archive read back: the record of a call by its time, a shift by a span of time.
TEST_F(CollectCommand, ReplayAndSimulateTakeTheArchivesRecords) {
  WriteExampleRecord("record.txt");
  const std::string record = test::ReadFileBytes("record.txt");
  ArchiveWriter writer("archive");
  for (const LocalMilliseconds time :
       {CivilSeconds({2026, 3, 1, 10, 0, 0}) * 1000, CivilSeconds({2026, 3, 1, 10, 0, 30}) * 1000,
        CivilSeconds({2026, 3, 1, 10, 5, 0}) * 1000}) {
    ArchivedRecord kept;
    std::string error;
    ASSERT_TRUE(writer.Keep(record, time, &kept, &error)) << error;
  }
  ExpectCases({
      {"a call by its second",
       {"replay", "archive", "--at", "10:00:30", "--show"},
       0,
       "100030.000-000002.txt",
       ""},
      {"with its date",
       {"replay", "archive", "--at", "2026-03-01T10:05", "--show"},
       0,
       "100500.000-000003.txt",
       ""},
      {"two calls in the minute",
       {"replay", "archive", "--at", "10:00"},
       2,
       "",
       "2 records fall in that time"},
      {"no call then",
       {"replay", "archive", "--at", "10:01"},
       2,
       "",
       "the one before is 2026-03-01 10:00:30.000"},
      {"not a time", {"replay", "archive", "--at", "ten"}, 2, "", "is not a time"},
      {"an archive needs --at", {"replay", "archive"}, 2, "", "give --at TIME"},
      {"--at needs an archive", {"replay", "record.txt", "--at", "10:00"}, 2, "", "is not one"},
      {"a shift from a time",
       {"simulate", "archive", "--from", "10:00:30", "--no-optimum"},
       0,
       "simulated 2 boards of archive",
       ""},
      {"up to a time",
       {"simulate", "archive", "--to", "10:00", "--no-optimum"},
       0,
       "simulated 2 boards of archive",
       ""},
      {"--from needs an archive",
       {"simulate", "record.txt", "--from", "10:00"},
       2,
       "",
       "no input is one"},
  });
}

}  // namespace
}  // namespace sawline::tools
