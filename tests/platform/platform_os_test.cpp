// The platform layer's operating-system side, checked on every platform the suites are
// built for (Linux natively, Windows under wine).
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "support/test_support.h"

namespace sawline {
namespace {

#if defined(_WIN32)
constexpr const char* kLineEnd = "\r\n";
#else
constexpr const char* kLineEnd = "\n";
#endif

class LogFile : public test::WorkspaceTest {};

// "数据" in GBK: lead and trail bytes that text mode must pass through unchanged.
constexpr const char* kGbkWord = "\xca\xfd\xbe\xdd";

TEST_F(LogFile, SectionsAppendInTextModeAndKeepGbkBytes) {
  platform::TruncateLog();
  for (int section = 0; section < 2; ++section) {
    std::FILE* file = platform::OpenLogForAppend();
    ASSERT_NE(file, nullptr);
    std::fprintf(file, "%s %d\n\n", kGbkWord, section);
    platform::CloseLog(file);
  }
  const std::string eol = kLineEnd;
  const std::string expected =
      std::string(kGbkWord) + " 0" + eol + eol + kGbkWord + " 1" + eol + eol;
  EXPECT_EQ(test::ReadFileBytes(platform::LogPath()), expected);
  EXPECT_EQ(test::GbkToUtf8(kGbkWord), "数据");
}

TEST_F(LogFile, TruncateEmptiesTheLogOfTheLastCall) {
  std::FILE* file = platform::OpenLogForAppend();
  ASSERT_NE(file, nullptr);
  std::fprintf(file, "earlier call\n");
  platform::CloseLog(file);
  platform::TruncateLog();
  EXPECT_EQ(test::ReadFileBytes(platform::LogPath()), "");
}

TEST_F(LogFile, LogThatCannotBeOpenedGivesNoFile) {
  platform::SetLogPath("no-such-directory/BackupData.txt");
  platform::TruncateLog();
  EXPECT_EQ(platform::OpenLogForAppend(), nullptr);
  platform::CloseLog(nullptr);
}

// The search's time share is wall time in milliseconds: a sleeping process, which uses
// no processor time, must see it pass.
TEST(WallClock, CountsMillisecondsOfWallTime) {
  platform::ReleaseFixes();
  const int64_t before = platform::ClockMilliseconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  const int64_t elapsed = platform::ClockMilliseconds() - before;
  EXPECT_GE(elapsed, 50);
  EXPECT_LT(elapsed, 5000);
}

}  // namespace
}  // namespace sawline
