// The platform layer's operating-system side, checked on every platform the suites are
// built for (Linux natively, Windows under wine).
#include <chrono>
#include <cstdio>
#include <ctime>
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

// The run log's date is the local time of the calendar seconds the search seeds from.
TEST(Calendar, LocalTimeIsTheCalendarTimeNow) {
  platform::ReleaseFixes();
  const int64_t seconds = platform::CalendarSeconds();
  std::tm local = platform::LocalTime();
  EXPECT_GT(seconds, int64_t{1700000000});
  EXPECT_GE(local.tm_year + 1900, 2023);
  EXPECT_GE(local.tm_mday, 1);
  local.tm_isdst = -1;
  EXPECT_NEAR(static_cast<double>(std::mktime(&local)), static_cast<double>(seconds), 2.0);
}

}  // namespace
}  // namespace sawline
