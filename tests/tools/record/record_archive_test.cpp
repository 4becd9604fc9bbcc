// The collector's archive: names that read back and sort in time order, the times the
// replay and simulate options take, the record of a call found by its time, and numbers
// that a restarted collector never reuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "desk/run_time.h"
#include "record/record_archive.h"
#include "support/test_support.h"

namespace sawline::test {
namespace {

namespace fs = std::filesystem;
using tools::ArchivedRecord;
using tools::LocalMilliseconds;
using tools::TimeSpan;

// 2026-12-11 at h:m:s.ms on the local clock.
LocalMilliseconds At(int hour, int minute, int second, int milli = 0, int day = 11) {
  return tools::CivilSeconds({2026, 12, day, hour, minute, second}) * 1000 + milli;
}

TEST(Archive, NamesReadBackAndOthersAreNotRecords) {
  const LocalMilliseconds time = At(10, 32, 5, 123);
  EXPECT_EQ(tools::ArchiveDayName(time), "2026-12-11");
  EXPECT_EQ(tools::ArchiveFileName(time, 42), "103205.123-000042.txt");
  EXPECT_EQ(tools::ArchiveTimeText(time), "2026-12-11 10:32:05.123");
  const std::optional<ArchivedRecord> read =
      tools::ParseArchiveName("2026-12-11", "103205.123-000042.txt");
  ASSERT_TRUE(read);
  EXPECT_EQ(read->time, time);
  EXPECT_EQ(read->sequence, 42);
  const std::vector<std::pair<const char*, const char*>> others = {
      {"2026-12-11", "103205.123-000042.txt.part"}, {"2026-12-11", "BackupData.txt"},
      {"2026-12-11", "253205.123-000042.txt"},      {"2026-13-11", "103205.123-000042.txt"},
      {"2026-12-1", "103205.123-000042.txt"},       {"2026-12-11", "103205.12-000042.txt"},
  };
  for (const auto& [day, file] : others)
    EXPECT_FALSE(tools::ParseArchiveName(day, file)) << day << "/" << file;
}

TEST(Archive, TimesNameTheSpanTheyWrite) {
  const LocalMilliseconds latest = At(17, 0, 0);
  struct Case {
    const char* text;
    LocalMilliseconds begin;
    LocalMilliseconds length;
  };
  const std::vector<Case> good = {
      {"10:32", At(10, 32, 0), 60000},
      {"10:32:05", At(10, 32, 5), 1000},
      {"10:32:05.123", At(10, 32, 5, 123), 1},
      {"2026-12-09T10:32:05", At(10, 32, 5, 0, 9), 1000},
      {"2026-12-09 23:59", At(23, 59, 0, 0, 9), 60000},
  };
  for (const Case& c : good) {
    TimeSpan span;
    std::string error;
    ASSERT_TRUE(tools::ParseArchiveTime(c.text, latest, &span, &error)) << c.text << error;
    EXPECT_EQ(span.begin, c.begin) << c.text;
    EXPECT_EQ(span.end - span.begin, c.length) << c.text;
  }
  for (const char* bad : {"", "10", "10:5", "24:00", "10:60", "10:32:61", "10:32:05.1",
                          "10:32:05+08:00", "2026-02-30T10:00", "2026-12-11", "noon"}) {
    TimeSpan span;
    std::string error;
    EXPECT_FALSE(tools::ParseArchiveTime(bad, latest, &span, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(Archive, TheRecordOfACallIsFoundByItsTime) {
  const std::vector<ArchivedRecord> records = {
      {"a", At(10, 32, 4, 900), 1},
      {"b", At(10, 32, 5, 100), 2},
      {"c", At(10, 32, 5, 400), 3},
      {"d", At(10, 40, 0, 0), 4},
  };
  struct Case {
    TimeSpan at;
    const char* found;  // nullptr: none, with this in the message
    const char* message;
  };
  const std::vector<Case> cases = {
      {{At(10, 32, 4), At(10, 32, 5)}, "a", ""},
      {{At(10, 32, 5, 400), At(10, 32, 5, 401)}, "c", ""},
      {{At(10, 32, 5), At(10, 32, 6)}, nullptr, "2 records fall in that time"},
      {{At(10, 35, 0), At(10, 36, 0)}, nullptr, "the one before is 2026-12-11 10:32:05.400 (c)"},
      {{At(9, 0, 0), At(9, 1, 0)}, nullptr, "the one after is 2026-12-11 10:32:04.900 (a)"},
  };
  for (const Case& c : cases) {
    ArchivedRecord found;
    std::string error;
    const bool ok = tools::RecordAt(records, c.at, &found, &error);
    EXPECT_EQ(ok, c.found != nullptr) << error;
    if (ok) {
      EXPECT_EQ(found.path, c.found);
    } else {
      EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }
  }
  const std::vector<ArchivedRecord> between = tools::RecordsBetween(
      records, TimeSpan{At(10, 32, 5), At(10, 32, 6)}, TimeSpan{At(10, 40, 0), At(10, 41, 0)});
  ASSERT_EQ(between.size(), 3u);
  EXPECT_EQ(between.front().path, "b");
  EXPECT_EQ(between.back().path, "d");
}

class ArchiveFolder : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    folder_ = fs::temp_directory_path() /
              ("sawline-archive-" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
  }
  void TearDown() override {
    fs::remove_all(folder_);
    WorkspaceTest::TearDown();
  }
  fs::path folder_;
};

// Two identical records of one millisecond are two files, a restarted writer numbers
// on, a day starts its own numbers, and a file still being written is not listed.
TEST_F(ArchiveFolder, EveryCallIsAFileOfItsOwnInTimeOrder) {
  const std::vector<std::pair<std::string, LocalMilliseconds>> calls = {
      {"first", At(10, 0, 0)}, {"same", At(10, 0, 1)}, {"same", At(10, 0, 1)}};
  {
    tools::ArchiveWriter writer(folder_.string());
    for (const auto& [bytes, time] : calls) {
      ArchivedRecord kept;
      std::string error;
      ASSERT_TRUE(writer.Keep(bytes, time, &kept, &error)) << error;
    }
  }
  tools::ArchiveWriter restarted(folder_.string());
  ArchivedRecord kept;
  std::string error;
  ASSERT_TRUE(restarted.Keep("later", At(9, 0, 0), &kept, &error)) << error;
  EXPECT_EQ(kept.sequence, 4);
  ASSERT_TRUE(restarted.Keep("next day", At(0, 0, 0, 5, 12), &kept, &error)) << error;
  EXPECT_EQ(kept.sequence, 1);
  std::ofstream(folder_ / "2026-12-12" / "000001.000-000002.txt.part") << "half";

  EXPECT_TRUE(tools::IsRecordArchive(folder_.string()));
  const std::vector<ArchivedRecord> listed = tools::ListArchive(folder_.string());
  std::vector<std::string> contents;
  for (const ArchivedRecord& record : listed)
    contents.push_back(ReadFileBytes(record.path));
  EXPECT_EQ(contents, (std::vector<std::string>{"later", "first", "same", "same", "next day"}));

  std::string path;
  ASSERT_TRUE(tools::FindArchivedRecord(folder_.string(), "2026-12-11T10:00:00", &path, &error))
      << error;
  EXPECT_EQ(ReadFileBytes(path), "first");
  // A time of day alone is on the latest day.
  EXPECT_TRUE(tools::FindArchivedRecord(folder_.string(), "00:00", &path, &error)) << error;
  EXPECT_EQ(ReadFileBytes(path), "next day");
  EXPECT_FALSE(tools::FindArchivedRecord(folder_.string(), "2026-12-11T10:00:01", &path, &error));
  EXPECT_FALSE(tools::IsRecordArchive((folder_ / "2026-12-11").string()));
}

}  // namespace
}  // namespace sawline::test
