// When a record in the run log is whole, and how the records of successive calls are
// told apart: every kind of record the library writes, cut at every byte, and tables of
// what a reader of the file sees from call to call.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "record/record_collector.h"
#include "record/record_reader.h"
#include "support/test_support.h"
#include "tools/support/record_fixtures.h"

namespace sawline::test {
namespace {

using tools::RecordEnding;
using tools::RecordState;

// One fixed-length grade-1 order; with `marks` a 3000-long grade-1 board, without
// none at all (the library plans nothing); a negative kerf is refused.
tools::JobBlocks SmallJob(bool downgrade, bool marks, float kerf = 4.0f) {
  tools::JobBlocks job;
  job.SetSetting("KerfWidth", kerf);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
  job.SetSetting("PriorityDowngrade", downgrade ? 1.0f : 0.0f);
  job.AddFixedOrder({1, 900, 1.0f, 0.0f, 0.0f, 0, 0, 0});
  if (marks) job.SetPairs({{1, 3000}});
  return job;
}

// The record with LF line ends (as the Linux build writes it) and with CR LF (as the
// Windows builds do), whichever the library wrote.
std::string Lf(const std::string& written) {
  std::string lf;
  for (size_t i = 0; i < written.size(); ++i) {
    if (!(written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n')) lf += written[i];
  }
  return lf;
}

std::string CrLf(const std::string& lf) {
  std::string crlf;
  for (const char c : lf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

struct RecordKind {
  const char* name;
  std::function<tools::JobBlocks()> job;
  RecordState whole;  // the whole record
};

void PrintTo(const RecordKind& kind, std::ostream* out) {
  *out << kind.name;
}

class RecordKinds : public WorkspaceTest, public ::testing::WithParamInterface<RecordKind> {};

// No cut of a record, at a line end or inside a line, with LF or CR LF line ends, is
// ever whole: not the planned record cut after its settings (which reads as a record
// without results, but lists segments), nor the refused one before its refusal.
TEST_P(RecordKinds, OnlyTheWholeRecordIsWholeAtEveryCut) {
  const std::string lf = Lf(WriteRecord(GetParam().job(), logPath_).log);
  for (const std::string& bytes : {lf, CrLf(lf)}) {
    EXPECT_EQ(tools::ClassifyRecord(bytes), GetParam().whole);
    int readable = 0;
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
      const std::string prefix = bytes.substr(0, cut);
      ASSERT_EQ(tools::ClassifyRecord(prefix), RecordState::kPartial) << "cut at " << cut;
      tools::Record record;
      if (bytes == lf && tools::ReadRecord(prefix, &record, nullptr)) ++readable;
    }
    // The refused and planned records read as records without results after their
    // settings: only the segments they list tell them from a board without pieces.
    if (GetParam().whole == RecordState::kComplete && bytes == lf) {
      EXPECT_GT(readable, 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Collector, RecordKinds,
    ::testing::Values(
        RecordKind{"Planned", [] { return ExampleJob(); }, RecordState::kComplete},
        RecordKind{"PlannedWithDowngrade", [] { return SmallJob(true, true); },
                   RecordState::kComplete},
        RecordKind{"Refused", [] { return SmallJob(false, true, -4.0f); }, RecordState::kComplete},
        RecordKind{"RefusedWithDowngrade", [] { return SmallJob(true, true, -4.0f); },
                   RecordState::kComplete},
        RecordKind{"NoPieces", [] { return SmallJob(false, false); }, RecordState::kWholeIfEnded},
        RecordKind{"NoPiecesWithDowngrade", [] { return SmallJob(true, false); },
                   RecordState::kWholeIfEnded}),
    [](const ::testing::TestParamInfo<RecordKind>& kind) { return std::string(kind.param.name); });

// What the collector is shown, and what it must keep and lose.
struct Sighting {
  const char* name;
  std::vector<std::string> start;  // the file when the collector starts (none: not given)
  std::vector<std::string> seen;   // the file's contents, one read after another
  bool finish;                     // the collector stops after the last
  std::vector<std::pair<std::string, RecordEnding>> kept;
  int lost;
  std::vector<uint64_t> written = {};  // the file's write time at each read (none: 0)
};

class Collector : public WorkspaceTest {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    planned_ = WriteRecord(ExampleJob(), logPath_).log;
    refused_ = WriteRecord(SmallJob(false, true, -4.0f), logPath_).log;
    none_ = WriteRecord(SmallJob(false, false), logPath_).log;
    // The example's record up to the end of its settings section, as it stands while
    // its plan is computed, and a cut inside a line of that section.
    for (size_t cut = planned_.size() - 1; cut > 0 && settings_.empty(); --cut) {
      tools::Record record;
      if (tools::ReadRecord(planned_.substr(0, cut), &record, nullptr))
        settings_ = planned_.substr(0, cut);
    }
    half_ = planned_.substr(0, 200);
  }

  void Expect(const Sighting& sighting) {
    std::vector<std::pair<std::string, RecordEnding>> kept;
    std::vector<tools::LocalMilliseconds> seenAt;
    int lost = 0;
    tools::RecordCollector collector(
        [&](const std::string& bytes, tools::LocalMilliseconds seen, RecordEnding ending) {
          kept.emplace_back(bytes, ending);
          seenAt.push_back(seen);
        },
        [&](const std::string&, tools::LocalMilliseconds) { ++lost; });
    tools::LocalMilliseconds now = 1000;
    for (const std::string& bytes : sighting.start)
      collector.Start(bytes, now);
    for (size_t i = 0; i < sighting.seen.size(); ++i)
      collector.Observe(sighting.seen[i], ++now,
                        i < sighting.written.size() ? sighting.written[i] : 0);
    if (sighting.finish) collector.Finish();
    EXPECT_EQ(lost, sighting.lost) << sighting.name;
    ASSERT_EQ(kept.size(), sighting.kept.size()) << sighting.name;
    for (size_t i = 0; i < kept.size(); ++i) {
      EXPECT_TRUE(kept[i].first == sighting.kept[i].first) << sighting.name << ": record " << i;
      EXPECT_EQ(kept[i].second, sighting.kept[i].second) << sighting.name << ": record " << i;
    }
    for (size_t i = 1; i < seenAt.size(); ++i)
      EXPECT_LT(seenAt[i - 1], seenAt[i]) << sighting.name;
  }

  std::string planned_, refused_, none_, settings_, half_;
};

TEST_F(Collector, KeepsEveryWholeRecordOnceAndNoHalfOne) {
  ASSERT_FALSE(settings_.empty());
  const RecordEnding complete = RecordEnding::kComplete;
  const RecordEnding ended = RecordEnding::kEndedNoPieces;
  const std::vector<Sighting> table = {
      {"a planned record is kept once as it grows",
       {},
       {"", half_, settings_, planned_, planned_},
       false,
       {{planned_, complete}},
       0},
      {"a refusal is kept as soon as it is seen", {}, {refused_}, false, {{refused_, complete}}, 0},
      {"a record without pieces is kept when the next call empties the file",
       {},
       {none_, ""},
       false,
       {{none_, ended}},
       0},
      {"or when the next call's record replaces it",
       {},
       {none_, half_, planned_},
       false,
       {{none_, ended}, {planned_, complete}},
       0},
      {"a record with segments replaced after its settings lost its results",
       {},
       {settings_, half_},
       false,
       {},
       1},
      {"identical records of two calls are kept twice",
       {},
       {planned_, "", planned_, none_, "", none_, refused_},
       false,
       {{planned_, complete},
        {planned_, complete},
        {none_, ended},
        {none_, ended},
        {refused_, complete}},
       0},
      {"half a record replaced by the next call is lost",
       {},
       {half_, "", refused_},
       false,
       {{refused_, complete}},
       1},
      {"the last call's record is not kept again by a restarted collector",
       {planned_},
       {planned_, "", refused_},
       false,
       {{refused_, complete}},
       0},
      {"nor one without pieces", {none_}, {none_, ""}, false, {}, 0},
      {"a call in progress at the start is kept when it is whole",
       {half_},
       {planned_},
       false,
       {{planned_, complete}},
       0},
      {"stopping keeps a record whole without results", {}, {none_}, true, {{none_, ended}}, 0},
      {"and loses half a record", {}, {refused_, half_}, true, {{refused_, complete}}, 1},
      {"an empty file is no record", {}, {"", "", ""}, true, {}, 0},
      {"a complete record written again is the next call's",
       {},
       {planned_, planned_, planned_},
       false,
       {{planned_, complete}, {planned_, complete}},
       0,
       {5, 5, 6}},
      {"a record in hand written again may still be growing",
       {},
       {none_, none_, settings_, settings_},
       false,
       {{none_, ended}},
       0,
       {5, 6, 7, 8}},
  };
  for (const Sighting& sighting : table)
    Expect(sighting);
}

}  // namespace
}  // namespace sawline::test
