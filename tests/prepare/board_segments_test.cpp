#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "prepare/prepare.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// Settings of the worked examples unless a case says otherwise.
struct MarkSettingsInput {
  int gradeMarkLength = 30;
  int gradeAMinLength = 200;
  int unmarkedGrade = 5;
  int wasteMarkCount = 9;
  int frontMarking = 0;
  int twoFace = 0;  // TopWasteSideGradeLines
  int mode = 0;
};

constexpr float kPairs = 1.0f;
constexpr float kIntervals = 0.0f;

// Fills BoardMarks and the half counts the way CopyBoardMarks does.
void SetMarks(float kind, const std::vector<float>& first, const std::vector<float>& second) {
  for (float& mark : ws.marks.BoardMarks)
    mark = 0.0f;
  for (size_t i = 0; i < first.size(); ++i)
    ws.marks.BoardMarks[i] = first[i];
  for (size_t i = 0; i < second.size(); ++i)
    ws.marks.BoardMarks[kMarkHalf + i] = second[i];
  ws.marks.BoardMarks[kMarkKindIndex] = kind;
  ws.marks.FirstHalfCount = static_cast<int32_t>(first.size());
  ws.marks.SecondHalfCount = static_cast<int32_t>(second.size());
}

void ApplySettings(const MarkSettingsInput& s) {
  ws.settings.GradeMarkLength = s.gradeMarkLength;
  ws.settings.GradeAMinLength = s.gradeAMinLength;
  ws.settings.UnmarkedGrade = s.unmarkedGrade;
  ws.settings.WasteMarkCount = s.wasteMarkCount;
  ws.settings.FrontMarkingMode = s.frontMarking;
  ws.settings.TopWasteSideGradeLines = s.twoFace;
  ws.settings.OptimizeMode = static_cast<OptimizeMode>(s.mode);
  ws.settings.OptimizeTimeLimit = 0.35f;
}

std::vector<Segment> CurrentSegments() {
  return std::vector<Segment>(ws.board.Segments, ws.board.Segments + ws.board.SegmentCount);
}

void ExpectSegments(const std::vector<Segment>& expected) {
  ASSERT_EQ(ws.board.SegmentCount, static_cast<int32_t>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ws.board.Segments[i].grade, expected[i].grade);
    EXPECT_NEAR(ws.board.Segments[i].length, expected[i].length, test::kLengthTolerance);
  }
}

class BoardSegments : public test::WorkspaceTest {
 protected:
  void Convert(const MarkSettingsInput& settings, float kind, const std::vector<float>& first,
               const std::vector<float>& second) {
    ApplySettings(settings);
    SetMarks(kind, first, second);
    ConvertBoardMarks();
  }
};

struct ConversionCase {
  const char* name;
  MarkSettingsInput settings;
  float kind;
  std::vector<float> first;
  std::vector<float> second;
  std::vector<Segment> segments;
};

TEST_F(BoardSegments, WorkedExamplesOfEveryMarkKind) {
  const ConversionCase cases[] = {
      {"pairs are copied",
       {},
       kPairs,
       {3, 9, 2},
       {1200, 300, 2500},
       {{3, 1200}, {9, 300}, {2, 2500}}},
      {"pairs in defect sawing",
       {.mode = 4},
       kPairs,
       {3, 9, 2},
       {1200, 300, 2500},
       {{9, 1200}, {9, 300}, {9, 2500}}},
      {"defect sawing truncates grades",
       {.mode = 4},
       kPairs,
       {1, 1.5f, 2},
       {100, 200, 300},
       {{1, 100}, {1, 200}, {9, 300}}},
      {"pairs keep grades outside 1..9",
       {},
       kPairs,
       {0.5f, 12, -3},
       {100, 200, 300},
       {{0.5f, 100}, {12, 200}, {-3, 300}}},
      {"pairs ignore the second half's own count", {}, kPairs, {2, 3}, {700}, {{2, 700}, {3, 0}}},
      {"mark kind 1.5 reads intervals", {}, 1.5f, {3, 9, 2}, {1200, 300, 2500}, {{9, 14}}},
      {"one-face grade marks",
       {},
       kIntervals,
       {1500, 20, 20, 800, 100, 600},
       {},
       {{3, 1540}, {1, 800}, {9, 100}, {5, 600}}},
      {"one-face counting stops at WasteMarkCount",
       {.wasteMarkCount = 2},
       kIntervals,
       {1500, 20, 20, 800, 100, 600},
       {},
       {{2, 1540}, {1, 800}, {9, 100}, {5, 600}}},
      {"one-face counting stops at waste",
       {.wasteMarkCount = 0},
       kIntervals,
       {1500, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 1000},
       {},
       {{9, 1700}, {5, 1000}}},
      {"one-face single long interval", {}, kIntervals, {2400}, {}, {{5, 2400}}},
      {"one-face single short interval", {}, kIntervals, {150}, {}, {{9, 150}}},
      {"one-face last grade mark lengthens without raising",
       {},
       kIntervals,
       {1500, 20, 25},
       {},
       {{2, 1545}}},
      {"one-face waste run",
       {},
       kIntervals,
       {1000, 100, 20, 150, 900, 700},
       {},
       {{1, 1000}, {9, 100}, {9, 20}, {9, 150}, {1, 900}, {5, 700}}},
      {"one-face waste run to the last interior interval",
       {},
       kIntervals,
       {1000, 100, 20, 25},
       {},
       {{1, 1000}, {9, 100}, {9, 45}}},
      {"one-face short first interval is waste",
       {},
       kIntervals,
       {150, 20, 1000},
       {},
       {{9, 170}, {5, 1000}}},
      {"one-face last interval between the limits",
       {},
       kIntervals,
       {1000, 100},
       {},
       {{1, 1000}, {9, 100}}},
      {"front marking reads from the end",
       {.frontMarking = 1},
       kIntervals,
       {600, 20, 1500},
       {},
       {{5, 600}, {2, 1520}}},
      {"two-face overlay",
       {.twoFace = 1},
       kIntervals,
       {1000, 2000},
       {1500, 20, 1500},
       {{2, 1000}, {2, 520}, {5, 1480}}},
      {"two-face interval before two short ones",
       {.twoFace = 1},
       kIntervals,
       {1000, 20, 20, 2000},
       {},
       {{9, 1000}, {9, 20}, {9, 20}, {5, 2000}}},
      {"two-face without side marks",
       {.twoFace = 2},
       kIntervals,
       {2400, 150},
       {},
       {{5, 2400}, {9, 150}}},
      {"two-face split at an equal end drops the empty piece",
       {.twoFace = 1},
       kIntervals,
       {1520, 1500},
       {1500, 20, 1500},
       {{2, 1520}, {5, 1500}}},
      {"two-face waste keeps its grade",
       {.twoFace = 1},
       kIntervals,
       {150, 2000},
       {2150},
       {{9, 150}, {1, 2000}}},
      {"two-face top beyond the last zone",
       {.twoFace = 1},
       kIntervals,
       {1000, 2000},
       {1000, 1500},
       {{1, 1000}, {5, 2000}}},
      {"two-face last side interval joins without raising",
       {.twoFace = 1},
       kIntervals,
       {3000},
       {1500, 20, 150},
       {{2, 3000}}},
      {"two-face zone grades stop at waste",
       {.twoFace = 1},
       kIntervals,
       {2240},
       {1000, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 20, 1000},
       {{9, 1240}, {5, 1000}}},
      {"front two-face reverses both faces",
       {.frontMarking = 1, .twoFace = 1},
       kIntervals,
       {2000, 1000},
       {1500, 20, 1500},
       {{5, 1480}, {2, 520}, {2, 1000}}},
      {"front marking with TopWasteSideGradeLines 2 keeps the side order",
       {.frontMarking = 1, .twoFace = 2},
       kIntervals,
       {2000, 1000},
       {1000, 2000},
       {{5, 2000}, {1, 1000}}},
      {"one-face defect sawing",
       {.mode = 4},
       kIntervals,
       {1000, 100, 20},
       {},
       {{1, 1000}, {9, 100}, {9, 20}}},
      {"two-face defect sawing uses the marks, not the splits",
       {.twoFace = 1, .mode = 4},
       kIntervals,
       {1000, 2000},
       {1500, 20, 1500},
       {{1, 1000}, {1, 2000}}},
      {"front defect sawing reads in board order",
       {.frontMarking = 1, .mode = 4},
       kIntervals,
       {100, 20, 1500},
       {},
       {{9, 100}, {9, 20}, {1, 1500}}},
      {"empty board", {}, kIntervals, {}, {500}, {}},
  };
  for (const ConversionCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorkspace();
    Convert(c.settings, c.kind, c.first, c.second);
    ExpectSegments(c.segments);
    // Whatever the reading, the marks are as the host gave them afterwards.
    for (size_t i = 0; i < c.first.size(); ++i)
      ASSERT_EQ(ws.marks.BoardMarks[i], c.first[i]);
    for (size_t i = 0; i < c.second.size(); ++i)
      ASSERT_EQ(ws.marks.BoardMarks[kMarkHalf + i], c.second[i]);
  }
}

TEST_F(BoardSegments, TwoFaceSplitsRaiseFirstHalfCount) {
  Convert({.twoFace = 1}, kIntervals, {1000, 2000}, {1500, 20, 1500});
  EXPECT_EQ(ws.marks.FirstHalfCount, 3);
  // A split that yields an empty piece counts too, although the piece is dropped.
  Convert({.twoFace = 1}, kIntervals, {1520, 1500}, {1500, 20, 1500});
  EXPECT_EQ(ws.marks.FirstHalfCount, 3);
  EXPECT_EQ(ws.board.SegmentCount, 2);
}

TEST_F(BoardSegments, TimeLimitIsSharedAmongTheSegments) {
  Convert({}, kPairs, {3, 9, 2}, {1200, 300, 2500});
  EXPECT_EQ(ws.settings.OptimizeTimeLimit, static_cast<float>(0.35f / 3.0));
  Convert({}, kPairs, {}, {});
  EXPECT_EQ(ws.settings.OptimizeTimeLimit, 0.35f);
}

TEST_F(BoardSegments, RecordsBeyondTheCountAreCleared) {
  Convert({}, kPairs, {1, 2, 3, 4}, {10, 20, 30, 40});
  Convert({}, kPairs, {7}, {70});
  for (int i = 1; i < kMaxSegments; ++i) {
    ASSERT_EQ(ws.board.Segments[i].grade, 0.0f);
    ASSERT_EQ(ws.board.Segments[i].length, 0.0f);
  }
}

// Two-face marking can ask for more splits than the 100 segment records hold. Splits
// stop at 100 records; a segment that is not split takes the worst grade of the zones
// it reaches into, and the board keeps its length.
TEST_F(BoardSegments, TwoFaceSplitsStopAtTheSegmentCapacity) {
  struct Case {
    int topCount;
    std::vector<Segment> head;  // expected first segments
  };
  const Case cases[] = {
      {99, {{2, 170}, {5, 130}, {5, 300}}},  // room for one split
      {100, {{5, 300}, {5, 300}}},           // full from the start
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.topCount);
    std::vector<float> top(static_cast<size_t>(c.topCount), 300.0f);
    const float total = 300.0f * static_cast<float>(c.topCount);
    // Zone of grade 2 ending at 170, then an unmarked zone to the board's end: every top
    // segment would be split.
    Convert({.twoFace = 1}, kIntervals, top, {150, 20, total - 170});
    EXPECT_EQ(ws.board.SegmentCount, kMaxSegments);
    EXPECT_EQ(ws.marks.FirstHalfCount, kMaxSegments);
    for (size_t i = 0; i < c.head.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(ws.board.Segments[i].grade, c.head[i].grade);
      EXPECT_NEAR(ws.board.Segments[i].length, c.head[i].length, test::kLengthTolerance);
    }
    double sum = 0;
    for (const Segment& segment : CurrentSegments())
      sum += segment.length;
    EXPECT_NEAR(sum, total, test::kLengthTolerance);
  }
}

TEST_F(BoardSegments, ManySideZonesOverManyTopSegmentsStayInBounds) {
  std::vector<float> top(100, 250.0f);
  std::vector<float> side(100, 260.0f);
  Convert({.twoFace = 1}, kIntervals, top, side);
  EXPECT_LE(ws.board.SegmentCount, kMaxSegments);
  EXPECT_LE(ws.marks.FirstHalfCount, kMaxSegments);
  double sum = 0;
  for (const Segment& segment : CurrentSegments())
    sum += segment.length;
  EXPECT_NEAR(sum, 25000.0, 0.01);
}

// Refused boards are still prepared (the settings record shows them), so hostile marks
// must neither loop nor reach past a table.
TEST_F(BoardSegments, HostileMarksEndInBounds) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    MarkSettingsInput settings;
    float kind;
    std::vector<float> first;
    std::vector<float> second;
  };
  const Case cases[] = {
      {"one-face NaN", {}, kIntervals, {1000, nan, 20, nan, 300}, {}},
      {"one-face infinities", {}, kIntervals, {inf, 20, -inf, 100, inf}, {}},
      {"one-face negatives", {}, kIntervals, {-1000, -20, 100, -5}, {}},
      {"two-face NaN top", {.twoFace = 1}, kIntervals, {1000, nan, 500}, {300, 20, 700}},
      {"two-face NaN side", {.twoFace = 1}, kIntervals, {1000, 2000}, {300, nan, 700, nan}},
      {"two-face negative", {.twoFace = 1}, kIntervals, {1000, -2000, 500}, {-300, 20, 4000}},
      {"two-face infinite side",
       {.frontMarking = 1, .twoFace = 1},
       kIntervals,
       {1000, 2000},
       {inf, 20, 700}},
      {"pairs with non-finite grades and lengths",
       {.mode = 4},
       kPairs,
       {nan, inf, -inf},
       {nan, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorkspace();
    Convert(c.settings, c.kind, c.first, c.second);
    EXPECT_GE(ws.board.SegmentCount, 0);
    EXPECT_LE(ws.board.SegmentCount, kMaxSegments);
    EXPECT_LE(ws.marks.FirstHalfCount, kMaxSegments);
    TrimHeadAndTail();
    EXPECT_LE(ws.board.SegmentCount, kMaxSegments);
  }
}

}  // namespace
}  // namespace sawline
