// The run log is a by-product: where "BackupData.txt" cannot be written, every call
// must answer exactly as it does with a writable log.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#if defined(_WIN32)
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

#include "platform/platform.h"
#include "support/random_boards.h"
#include "support/test_support.h"

namespace sawline {
namespace {

namespace fs = std::filesystem;
using Block = std::array<float, kResultBlockFloats>;

constexpr float kSentinel = 77.25f;

enum class LogPlace {
  kWritable,                // the working directory as the host leaves it
  kDirectoryOfThatName,     // "BackupData.txt" is a directory
  kDeletedWorkingDirectory  // the process's working directory was removed
};

struct Answer {
  int32_t pieces = 0;
  Block block{};
};

class UnwritableLog : public test::WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    platform::FixClock(0, 10);
    platform::FixCalendar(1718000000, 8 * 3600);
    // The library's own file name in the working directory, not the fixture's.
    platform::SetLogPath(nullptr);
    home_ = fs::current_path();
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch_ = fs::temp_directory_path() /
               ("sawline-" + std::string(info->name()) + "-" + std::to_string(getpid()));
    fs::remove_all(scratch_);
    fs::create_directories(scratch_);
  }

  void TearDown() override {
    fs::current_path(home_);
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
    WorkspaceTest::TearDown();
  }

  // Runs every board in a fresh working directory prepared as `place` says.
  std::vector<Answer> RunBoards(LogPlace place, const std::vector<tools::JobBlocks>& boards) {
    const fs::path where = scratch_ / std::to_string(static_cast<int>(place));
    fs::create_directories(where);
    fs::current_path(where);
    if (place == LogPlace::kDirectoryOfThatName) fs::create_directory(platform::kLogFileName);
    if (place == LogPlace::kDeletedWorkingDirectory) fs::remove(where);
    if (place != LogPlace::kWritable) {
      // The log really cannot be opened here, even by root.
      std::FILE* log = platform::OpenLogForAppend();
      EXPECT_EQ(log, nullptr);
      platform::CloseLog(log);
    }
    std::vector<Answer> answers;
    for (const tools::JobBlocks& board : boards) {
      Answer answer;
      answer.block.fill(kSentinel);
      answer.pieces = test::RunJob(board, answer.block);
      answers.push_back(answer);
    }
    if (place == LogPlace::kWritable) {
      EXPECT_FALSE(test::ReadFileBytes(platform::kLogFileName).empty());
    }
    fs::current_path(home_);
    return answers;
  }

  fs::path home_;
  fs::path scratch_;
};

TEST_F(UnwritableLog, ResultBlockIsTheSameAsWithAWritableLog) {
  std::vector<tools::JobBlocks> boards;
  for (uint32_t seed = 100; seed < 112; ++seed)
    boards.push_back(test::RandomBoard(seed));
  const std::vector<Answer> expected = RunBoards(LogPlace::kWritable, boards);
  int withPieces = 0;
  for (const Answer& answer : expected)
    withPieces += answer.pieces > 0 ? 1 : 0;
  ASSERT_GE(withPieces, 8) << "the boards should mostly yield pieces";

  struct Case {
    const char* name;
    LogPlace place;
  };
  const Case cases[] = {
      {"a directory named BackupData.txt", LogPlace::kDirectoryOfThatName},
      {"a deleted working directory", LogPlace::kDeletedWorkingDirectory},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
#if defined(_WIN32)
    // Windows keeps a process's working directory from being removed.
    if (c.place == LogPlace::kDeletedWorkingDirectory) continue;
#endif
    const std::vector<Answer> answers = RunBoards(c.place, boards);
    for (size_t i = 0; i < boards.size(); ++i) {
      EXPECT_EQ(answers[i].pieces, expected[i].pieces) << "board " << i;
      EXPECT_EQ(std::memcmp(answers[i].block.data(), expected[i].block.data(), sizeof(Block)), 0)
          << "board " << i;
    }
  }
}

}  // namespace
}  // namespace sawline
