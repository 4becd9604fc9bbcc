// Replay: the seed search (live clock, a call across a second boundary, boards that
// draw no random numbers), records without results, the verdict on a record the desk
// cannot repeat, and the rebuild's choices where a record prints less than the host
// sent (weights at the threshold, grades between -1 and 1, a mark kind of 1.5, a
// counted row that precedes the order it counts).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "interface/block_layout.h"
#include "interface/sawline.h"
#include "platform/platform.h"
#include "record/record_rebuild.h"
#include "record/replay.h"
#include "support/test_support.h"
#include "tools/support/record_fixtures.h"
#include "views/board_report.h"

namespace sawline::test {
namespace {

using tools::Record;
using tools::ReplayOutcome;

class Replay : public WorkspaceTest {
 protected:
  Record Read(const std::string& bytes) {
    Record record;
    tools::RecordError error;
    EXPECT_TRUE(tools::ReadRecord(bytes, &record, &error)) << error.Text();
    return record;
  }

  ReplayOutcome ReplayBytes(const std::string& bytes, int32_t offset = kRecordOffset) {
    tools::ReplayOptions options;
    options.utcOffsetSeconds = offset;
    return tools::Replay(Read(bytes), options);
  }

  // Writes the record of `job`, replays it, and requires the same record and block.
  ReplayOutcome RoundTrip(const tools::JobBlocks& job) {
    const WrittenRecord written = WriteRecord(job, logPath_);
    ReplayOutcome outcome = ReplayBytes(written.log);
    EXPECT_TRUE(outcome.reproduced)
        << (outcome.difference
                ? outcome.difference->what + "\n line: " + outcome.difference->recordText +
                      "\n desk: " + outcome.difference->deskText
                : "");
    EXPECT_EQ(outcome.desk.returned, written.returned);
    EXPECT_EQ(
        0, std::memcmp(outcome.desk.result.data(), written.result.data(), sizeof written.result));
    return outcome;
  }
};

TEST_F(Replay, LiveClockRecordIsReproducedBySeedSearch) {
  // One segment and short lists: the search's 500 generations end long before its
  // 0.35 s, so the seed alone decides, and the seed search must find the second.
  tools::JobBlocks job = ExampleJob();
  job.SetPairs({{1, 2390}});
  platform::ReleaseFixes();
  platform::SetLogPath(logPath_.c_str());
  const int64_t before = platform::CalendarSeconds();
  std::array<float, kResultBlockFloats> result{};
  const int32_t returned =
      OptimizationCompute(job.parameters.data(), job.marks.data(), result.data());
  platform::ReleaseFixes();
  const Record record = Read(ReadFileBytes(logPath_));
  ASSERT_TRUE(record.closing.has_value());
  if (record.closing->elapsedSeconds > 0.2) {
    GTEST_SKIP() << "the machine is too busy: the search may have been stopped by its clock";
  }
  const ReplayOutcome outcome = tools::Replay(record, {});  // the desk's zone, as the library's
  ASSERT_TRUE(outcome.reproduced) << outcome.difference->what;
  EXPECT_GE(outcome.desk.seconds, before);
  EXPECT_LE(outcome.desk.seconds, before + 2);
  EXPECT_EQ(outcome.desk.returned, returned);
  EXPECT_EQ(0, std::memcmp(outcome.desk.result.data(), result.data(), sizeof result));
}

TEST_F(Replay, CallAcrossASecondBoundaryIsFoundWithTheSearchAtWhichItChanged) {
  // The first two searches seed with one second, the third with the next; the record
  // shows the later second as its end.
  const WrittenRecord written =
      WriteRecord(SeedSensitiveJob(), logPath_, kRecordSecond + 1, kRecordOffset, 2);
  const ReplayOutcome outcome = ReplayBytes(written.log);
  ASSERT_TRUE(outcome.reproduced);
  EXPECT_EQ(outcome.desk.seconds, kRecordSecond + 1);
  EXPECT_EQ(outcome.desk.split, 2);
  EXPECT_TRUE(outcome.seedMatters);
  EXPECT_EQ(0,
            std::memcmp(outcome.desk.result.data(), written.result.data(), sizeof written.result));
}

TEST_F(Replay, ZoneDecidesTheSecondsTried) {
  // The record's local time 08:15:00 read on clocks of three zones.
  const std::string log = WriteRecord(ExampleJob(), logPath_).log;
  const std::pair<int32_t, int64_t> cases[] = {
      {kRecordOffset, kRecordSecond},
      {0, kRecordSecond + kRecordOffset},
      {-19800, kRecordSecond + kRecordOffset + 19800},
  };
  for (const auto& [offset, end] : cases) {
    const ReplayOutcome outcome = ReplayBytes(log, offset);
    EXPECT_EQ(outcome.lastSecond, end) << offset;
    EXPECT_EQ(outcome.firstSecond, end - 1) << offset;  // no elapsed time, one second of slack
    EXPECT_EQ(outcome.desk.utcOffsetSeconds, offset);
  }
}

TEST_F(Replay, BoardsWithoutRandomDrawsNeedNoSeed) {
  for (int mode : {3, 4}) {
    tools::JobBlocks job = SeedSensitiveJob();
    job.SetSetting("OptimizeMode", static_cast<float>(mode));
    const ReplayOutcome outcome = RoundTrip(job);
    EXPECT_EQ(outcome.runs, 1) << "mode " << mode;
    // A tampered piece cannot be the seed's doing: the verdict says so.
    std::vector<std::string> lines = RecordLines(WriteRecord(job, logPath_).log);
    std::string& piece = lines[static_cast<size_t>(FindLine(lines, "优化结果中废料段处理") + 1)];
    piece.back() = piece.back() == '7' ? '6' : '7';  // another code
    const ReplayOutcome different = ReplayBytes(JoinLines(lines));
    ASSERT_FALSE(different.reproduced);
    EXPECT_FALSE(different.seedMatters) << "mode " << mode;
    EXPECT_NE(different.reasons.front().find("no search"), std::string::npos);
  }
}

TEST_F(Replay, RecordsWithoutResultsAreRebuiltRunAndCompared) {
  struct Case {
    const char* name;
    void (*edit)(tools::JobBlocks&);
  };
  const Case cases[] = {
      {"nothing planned", [](tools::JobBlocks& job) { job.SetPairs({}); }},
      {"nothing planned, downgrade",
       [](tools::JobBlocks& job) {
         job.SetPairs({});
         job.SetSetting("PriorityDowngrade", 1);
       }},
      {"refused: negative kerf", [](tools::JobBlocks& job) { job.SetSetting("KerfWidth", -4); }},
      {"refused: kerf not a number",
       [](tools::JobBlocks& job) {
         job.SetSetting("KerfWidth", std::numeric_limits<float>::quiet_NaN());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tools::JobBlocks job = ExampleJob();
    c.edit(job);
    const ReplayOutcome outcome = RoundTrip(job);
    EXPECT_EQ(outcome.runs, 1);
    EXPECT_EQ(outcome.desk.returned, 0);
  }
}

TEST_F(Replay, DifferingPieceIsNamedWithBothLines) {
  std::vector<std::string> lines = RecordLines(WriteRecord(ExampleJob(), logPath_).log);
  const int heading = FindLine(lines, "优化结果中废料段处理");
  std::string& third = lines[static_cast<size_t>(heading + 3)];  // 22  372.0  14010101
  third.replace(third.find("372.0"), 5, "371.0");
  const ReplayOutcome outcome = ReplayBytes(JoinLines(lines));
  ASSERT_FALSE(outcome.reproduced);
  ASSERT_TRUE(outcome.difference.has_value());
  EXPECT_EQ(outcome.difference->piece, 2);
  EXPECT_EQ(outcome.difference->what, "cut list piece 3");
  EXPECT_EQ(outcome.difference->recordLine, heading + 4);
  EXPECT_NE(outcome.difference->recordText.find("371.0"), std::string::npos);
  EXPECT_NE(outcome.difference->deskText.find("372.0"), std::string::npos);
  EXPECT_FALSE(outcome.difference->inSettings);

  // A bounded search says that it stopped short.
  tools::ReplayOptions bounded;
  bounded.utcOffsetSeconds = kRecordOffset;
  bounded.maxRuns = 2;
  const ReplayOutcome stopped = tools::Replay(Read(JoinLines(lines)), bounded);
  EXPECT_EQ(stopped.runs, 2);
  EXPECT_TRUE(stopped.boundHit);
  EXPECT_TRUE(std::any_of(
      stopped.reasons.begin(), stopped.reasons.end(),
      [](const std::string& reason) { return reason.find("bound") != std::string::npos; }));
}

TEST_F(Replay, ConversionThatDiffersIsTheRebuildsFaultNotTheSeeds) {
  std::vector<std::string> lines = RecordLines(WriteRecord(ExampleJob(), logPath_).log);
  const int converted = FindLine(lines, "转化后木材信息") + 2;
  std::string& line = lines[static_cast<size_t>(converted)];
  line.replace(line.find("2100.0"), 6, "2101.0");
  const ReplayOutcome outcome = ReplayBytes(JoinLines(lines));
  ASSERT_FALSE(outcome.reproduced);
  EXPECT_TRUE(outcome.difference->inSettings);
  EXPECT_EQ(outcome.difference->recordLine, converted + 1);
  EXPECT_LE(outcome.runs, 2);  // no seed search for a job that is not the line's
  EXPECT_NE(outcome.reasons.front().find("rebuilt job"), std::string::npos);
}

// Marks with more decimals than the record prints: the desk makes the same cuts, and
// the numbers that differ do so in the last printed digit only. That is told apart from
// a real difference, and the search stops at it rather than trying every second.
TEST_F(Replay, LengthsBeyondThePrintedDigitAreToldApartFromOtherCuts) {
  struct Case {
    const char* name;
    std::vector<std::pair<float, float>> pairs;
    std::vector<float> top, side;
  };
  const Case cases[] = {
      {"pairs", {{2, 850.25f}, {1, 2100.75f}, {9, 180.5f}, {2, 1300.25f}, {3, 370.125f}}, {}, {}},
      {"two-face lines",
       {},
       {2100.5f, 120.0f, 1800.25f},
       {1400.0f, 20.0f, 1300.75f, 25.0f, 1300.0f}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tools::JobBlocks job = ExampleJob();
    if (c.pairs.empty()) {
      job.SetIntervals(c.top, c.side);
      job.SetSetting("TopWasteSideGradeLines", 1.0f);
    } else {
      job.SetPairs(c.pairs);
    }
    const ReplayOutcome outcome = ReplayBytes(WriteRecord(job, logPath_).log);
    ASSERT_FALSE(outcome.reproduced);
    EXPECT_TRUE(outcome.difference->roundingOnly) << outcome.difference->what;
    EXPECT_EQ(outcome.runs, 1);
    EXPECT_NE(outcome.reasons.front().find("same cuts"), std::string::npos);
  }
  // A whole unit more on a piece is not rounding.
  std::vector<std::string> lines = RecordLines(WriteRecord(ExampleJob(), logPath_).log);
  std::string& piece = lines[static_cast<size_t>(FindLine(lines, "优化结果中废料段处理") + 3)];
  piece.replace(piece.find("372.0"), 5, "372.1");
  const ReplayOutcome tenth = ReplayBytes(JoinLines(lines));
  ASSERT_FALSE(tenth.reproduced);
  EXPECT_TRUE(tenth.difference->roundingOnly);
  piece.replace(piece.find("372.1"), 5, "373.0");
  const ReplayOutcome unit = ReplayBytes(JoinLines(lines));
  ASSERT_FALSE(unit.reproduced);
  EXPECT_FALSE(unit.difference->roundingOnly);
}

TEST_F(Replay, SearchStoppedByTheLinesClockIsTheLikelyReason) {
  // Every clock reading moves on 150 ms: each search stops after its first generation,
  // and the call seems to take far longer than its budget.
  const tools::JobBlocks job = SeedSensitiveJob();
  platform::ReleaseFixes();
  platform::FixClock(0, 150);
  platform::FixCalendar(kRecordSecond, kRecordOffset);
  platform::SetLogPath(logPath_.c_str());
  std::array<float, kResultBlockFloats> result{};
  OptimizationCompute(job.parameters.data(), job.marks.data(), result.data());
  platform::ReleaseFixes();
  const ReplayOutcome outcome = ReplayBytes(ReadFileBytes(logPath_));
  ASSERT_FALSE(outcome.reproduced);
  bool named = false;
  for (const std::string& reason : outcome.reasons)
    named = named || reason.find("cut short by the line's clock") != std::string::npos;
  EXPECT_TRUE(named);
}

TEST_F(Replay, ValueOptimizationGivesTheSameListsAndSaysValuesAreApproximate) {
  tools::JobBlocks job = ExampleJob();
  job.SetSetting("OptimizeMode", 1);
  const float values[] = {31.7f, 20.9f, 12.3f, 18.1f, 7.77f};
  for (int row = 0; row < 5; ++row)
    job.Set(SAWLINE_PARAM_FIXED_ORDER_VALUE + row, values[row]);
  job.Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE, 15.3f);
  job.Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE + 1, 11.2f);
  const ReplayOutcome outcome = ReplayBytes(WriteRecord(job, logPath_).log);
  if (!outcome.reproduced) {
    EXPECT_FALSE(outcome.difference->inSettings) << outcome.difference->what;
    EXPECT_NE(outcome.reasons.front().find("value optimization"), std::string::npos);
  }
  bool said = false;
  for (const tools::RebuildNote& limit : outcome.rebuilt.limits)
    said = said || limit.text.find("value optimization") != std::string::npos;
  EXPECT_TRUE(said);
}

// Hosts send more than the record prints; the rebuild's choices still give the same
// answer. Each case is a board whose naive rebuild would not.
TEST_F(Replay, RebuildChoicesGiveTheLinesAnswer) {
  {
    SCOPED_TRACE("a fixed-length weight of 0.0012 prints as 0.001, which is no longer taken");
    tools::JobBlocks job = ExampleJob();
    job.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 2, 0.0012f);
    const ReplayOutcome outcome = RoundTrip(job);
    EXPECT_GT(outcome.rebuilt.job.parameters[SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 2], 0.001f);
  }
  {
    SCOPED_TRACE("a pair grade of 0.5 prints as 0, which would end the marks");
    tools::JobBlocks job = ExampleJob();
    job.SetPairs({{2, 850}, {0.5f, 300}, {1, 2100}, {9, 180}, {2, 950}});
    RoundTrip(job);
  }
  {
    SCOPED_TRACE("a mark kind of 1.5 lists marking lines as pairs");
    tools::JobBlocks job = ExampleJob();
    job.SetIntervals({1500, 20, 20, 800, 100, 1600, 650}, {});
    job.marks[kMarkKindIndex] = 1.5f;
    const ReplayOutcome outcome = RoundTrip(job);
    EXPECT_EQ(outcome.rebuilt.reading, tools::MarkReading::kPairsAsLines);
  }
  {
    SCOPED_TRACE("a switched-off row of the same grade and length takes the count");
    tools::JobBlocks job = ExampleJob();
    job.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + 0, 0.0f);  // row 0 (1200) stays, switched off
    job.AddFixedOrder({1, 1200, 1.2f, 0.0f, 0.0f, 20, 0, 11010199});
    const ReplayOutcome outcome = RoundTrip(job);
    EXPECT_EQ(outcome.rebuilt.job.parameters[SAWLINE_PARAM_FIXED_ORDER_LENGTH + 0], 1200.0f);
    EXPECT_EQ(outcome.rebuilt.job.parameters[SAWLINE_PARAM_FIXED_ORDER_CODE + 0], 11010199.0f);
  }
  {
    SCOPED_TRACE("host rows shorter first, with equal lengths of other codes");
    tools::JobBlocks job;
    job = ExampleJob();
    for (int row = 0; row < 5; ++row)
      job.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + row, 0.0f);
    job.fixedRows = 5;
    job.AddFixedOrder({1, 600, 1.0f, 0.0f, 0.0f, 0, 0, 11010301});
    job.AddFixedOrder({1, 900, 1.1f, 0.0f, 0.0f, 0, 0, 11010302});
    job.AddFixedOrder({1, 600, 1.3f, 0.0f, 0.0f, 0, 0, 11010303});
    job.AddFixedOrder({1, 1200, 1.2f, 0.0f, 0.0f, 0, 0, 11010304});
    job.AddFixedOrder({1, 900, 1.1f, 0.0f, 0.0f, 0, 0, 11010305});
    const ReplayOutcome outcome = RoundTrip(job);
    EXPECT_GT(outcome.rebuilt.pinnedRows, 0);
  }
}

TEST_F(Replay, TimeLimitIsCheckedAgainstTheSegmentCount) {
  std::vector<std::string> lines = RecordLines(WriteRecord(ExampleJob(), logPath_).log);
  auto limitNoted = [](const Record& record) {
    const tools::RebuiltJob rebuilt = tools::RebuildJob(record);
    return std::any_of(rebuilt.limits.begin(), rebuilt.limits.end(),
                       [](const tools::RebuildNote& note) {
                         return note.text.find("time limit") != std::string::npos;
                       });
  };
  EXPECT_FALSE(limitNoted(Read(JoinLines(lines))));  // 0.04: 0.35 s over 8 segments
  std::string& line = lines[static_cast<size_t>(FindLine(lines, "算法优化时间"))];
  line.replace(line.find("0.04s"), 5, "0.09s");  // more than 0.35 s over 8 or more segments
  EXPECT_TRUE(limitNoted(Read(JoinLines(lines))));
}

TEST_F(Replay, RecordHoldsTheWholeResultBlockOfTheExample) {
  // Every figure of the example prints exactly, so the record gives back the block the
  // host received, bit for bit.
  const WrittenRecord written = WriteRecord(ExampleJob(), logPath_);
  const std::array<float, kResultBlockFloats> block = tools::RecordResultBlock(Read(written.log));
  for (size_t i = 0; i < block.size(); ++i)
    EXPECT_EQ(block[i], written.result[i]) << "index " << i;
  EXPECT_EQ(tools::RecordResultBlock(Read(WriteRecord(tools::JobBlocks{}, logPath_).log)),
            (std::array<float, kResultBlockFloats>{}));
}

TEST_F(Replay, SummaryGivesTheVerdictAndTheTimeThatRepeatsIt) {
  struct Case {
    const char* name;
    std::function<std::string()> record;
    std::vector<const char*> says;
  };
  const Case cases[] = {
      {"reproduced",
       [&] { return WriteRecord(ExampleJob(), logPath_).log; },
       {"verdict: REPRODUCED exactly", "--time 2026-03-01T08:15:00+08:00",
        "KerfWidth is printed to 0.1", "3 at their counted rows"}},
      {"across a second",
       [&] {
         return WriteRecord(SeedSensitiveJob(), logPath_, kRecordSecond + 1, kRecordOffset, 2).log;
       },
       {"verdict: REPRODUCED", "the first 2 searches seeded at 2026-03-01T08:15:01+08:00",
        "does not repeat"}},
      {"different",
       [&] {
         std::vector<std::string> lines = RecordLines(WriteRecord(ExampleJob(), logPath_).log);
         std::string& piece =
             lines[static_cast<size_t>(FindLine(lines, "优化结果中废料段处理") + 2)];
         piece.replace(piece.find("450.0"), 5, "451.0");
         return JoinLines(lines);
       },
       {"verdict: DIFFERENT at record line", "(cut list piece 2)", "451.0", "450.0",
        "likely reasons:"}},
      {"refused",
       [&] {
         tools::JobBlocks job = ExampleJob();
         job.SetSetting("KerfWidth", -4.0f);
         return WriteRecord(job, logPath_).log;
       },
       {"refused: the kerf width is negative", "seed search: none", "REPRODUCED"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Record record = Read(c.record());
    std::ostringstream out;
    tools::PrintReplay(out, "BackupData.txt", record, tools::Replay(record, {kRecordOffset}));
    for (const char* text : c.says)
      EXPECT_NE(out.str().find(text), std::string::npos) << text << "\n" << out.str();
  }
}

TEST_F(Replay, ReportDrawsTheRecordsCutListUnderTheDesks) {
  std::vector<std::string> lines = RecordLines(WriteRecord(ExampleJob(), logPath_).log);
  std::string& piece = lines[static_cast<size_t>(FindLine(lines, "优化结果中废料段处理") + 2)];
  piece.replace(piece.find("450.0"), 5, "451.0");
  const Record record = Read(JoinLines(lines));
  const ReplayOutcome outcome = tools::Replay(record, {kRecordOffset});
  ASSERT_FALSE(outcome.reproduced);
  const std::array<float, kResultBlockFloats> recorded = tools::RecordResultBlock(record);
  tools::BoardReportInput input;
  input.title = "BackupData.txt";
  input.parameters = outcome.rebuilt.job.parameters.data();
  input.marks = outcome.rebuilt.job.marks.data();
  input.result = outcome.desk.result.data();
  input.returned = outcome.desk.returned;
  input.laneName = "desk";
  input.compareResult = recorded.data();
  input.compareReturned = static_cast<int32_t>(record.cutList.size());
  input.compareName = "line's record";
  const tools::BoardLayout layout = tools::LayoutBoardReport(input);
  ASSERT_EQ(layout.lanes.size(), 2u);
  EXPECT_EQ(layout.lanes[1].name, "line's record");
  EXPECT_EQ(layout.lanes[1].pieces.size(), record.cutList.size());
  EXPECT_GT(layout.lanes[1].box.y, layout.lanes[0].tags.back().box.Bottom());
  EXPECT_GT(layout.legend.y, layout.lanes[1].box.Bottom());
  // The changed piece is drawn one unit longer, the others alike.
  EXPECT_GT(layout.lanes[1].pieces[1].box.width, layout.lanes[0].pieces[1].box.width);
  EXPECT_EQ(layout.lanes[1].pieces[2].box.width, layout.lanes[0].pieces[2].box.width);
  std::ostringstream page;
  tools::WriteBoardReport(input, page);
  EXPECT_NE(page.str().find("Cut list: line&#39;s record"), std::string::npos);
  EXPECT_NE(page.str().find("1 of 16 pieces differ"), std::string::npos);
}

TEST(ReplaySort, SelectionSortMovesEqualLengths) {
  // Rows of lengths 500 (a), 800 (b), 500 (c), 800 (d) end up as b, d, c, a.
  EXPECT_EQ(tools::SortedFixedOrder({500, 800, 500, 800}), (std::vector<int>{1, 3, 2, 0}));
  EXPECT_EQ(tools::SortedFixedOrder({900, 900, 900}), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(tools::SortedFixedOrder({}), std::vector<int>{});
}

TEST(ReplayTime, ClosingTimeAndIsoTextAgree) {
  struct Case {
    int64_t seconds;
    int32_t offset;
    const char* iso;
  };
  const Case cases[] = {
      {kRecordSecond, kRecordOffset, "2026-03-01T08:15:00+08:00"},
      {kRecordSecond, -19800, "2026-02-28T18:45:00-05:30"},
      {951782400, 0, "2000-02-29T00:00:00+00:00"},
      {0, 3600, "1970-01-01T01:00:00+01:00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tools::IsoTime(c.seconds, c.offset), c.iso);
    tools::RecordClosing closing;
    ASSERT_EQ(std::sscanf(c.iso, "%d-%d-%dT%d:%d:%d", &closing.year, &closing.month, &closing.day,
                          &closing.hour, &closing.minute, &closing.second),
              6);
    int32_t used = 0;
    EXPECT_EQ(tools::ClosingSeconds(closing, c.offset, &used), c.seconds) << c.iso;
    EXPECT_EQ(used, c.offset);
  }
}

}  // namespace
}  // namespace sawline::test
