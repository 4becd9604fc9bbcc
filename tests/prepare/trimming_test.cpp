#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "prepare/prepare.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

struct HeadTail {
  int grade;
  int head;
  int tail;
};

struct TrimCase {
  const char* name;
  std::vector<Segment> input;
  std::vector<Segment> trimmed;
  std::array<int32_t, 4> trimRecord;
  std::vector<HeadTail> cuts = {};
  int lineWidth = 0;
  int separateSameGrade = 0;
};

class Trimming : public test::WorkspaceTest {
 protected:
  void Trim(const std::vector<Segment>& segments, const std::vector<HeadTail>& cuts = {},
            int lineWidth = 0, int separateSameGrade = 0) {
    for (const HeadTail& cut : cuts) {
      ws.settings.CT[cut.grade] = cut.head;
      ws.settings.CB[cut.grade] = cut.tail;
    }
    ws.settings.FluorescentLineWidth = lineWidth;
    ws.settings.SeparateAdjacentSameGrade = separateSameGrade;
    for (size_t i = 0; i < segments.size(); ++i)
      ws.board.Segments[i] = segments[i];
    ws.board.SegmentCount = static_cast<int32_t>(segments.size());
    TrimHeadAndTail();
  }
};

void ExpectSegments(const Segment* actual, int32_t count, const std::vector<Segment>& expected) {
  ASSERT_EQ(count, static_cast<int32_t>(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].grade, expected[i].grade);
    EXPECT_NEAR(actual[i].length, expected[i].length, test::kLengthTolerance);
  }
}

TEST_F(Trimming, WorkedExamples) {
  const TrimCase cases[] = {
      {"waste and equal grades merge",
       {{9, 100}, {9, 50}, {2, 1000}, {2, 500}, {9, 20}},
       {{9, 150}, {2, 1500}, {9, 20}},
       {0, 0, 0, 0}},
      {"equal grades kept apart",
       {{9, 100}, {9, 50}, {2, 1000}, {2, 500}, {9, 20}},
       {{9, 150}, {2, 1000}, {2, 500}, {9, 20}},
       {0, 0, 0, 0},
       {},
       0,
       1},
      {"four waste segments become one",
       {{9, 10}, {9, 20}, {9, 30}, {9, 40}},
       {{9, 100}},
       {0, 0, 0, 0}},
      {"five grade-3 segments become one",
       {{3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}},
       {{3, 15}},
       {0, 0, 0, 0}},
      {"merged segment keeps its own grade float",
       {{2.5f, 100}, {2, 200}},
       {{2.5f, 300}},
       {0, 0, 0, 0}},
      {"grades outside 1..9 never merge",
       {{12, 100}, {12, 100}, {0, 50}, {0, 50}, {-3, 10}, {-3, 10}},
       {{12, 100}, {12, 100}, {0, 50}, {0, 50}, {-3, 10}, {-3, 10}},
       {0, 0, 0, 0},
       {{1, 30, 30}, {2, 30, 30}}},
      {"head cut", {{2, 1000}, {3, 500}}, {{2, 950}, {3, 500}}, {1, 50, 0, 0}, {{2, 50, 0}}},
      {"head cut too long makes the segment waste",
       {{2, 1000}, {3, 500}},
       {{9, 1000}, {3, 500}},
       {0, 0, 0, 0},
       {{2, 1000, 0}}},
      {"head cut must leave more than 0.1",
       {{2, 100.1f}, {3, 500}},
       {{9, 100.1f}, {3, 500}},
       {0, 0, 0, 0},
       {{2, 100, 0}}},
      {"single segment: head, then tail",
       {{2, 3000}},
       {{2, 2700}},
       {1, 100, 1, 200},
       {{2, 100, 200}}},
      {"single segment: tail sees the head's waste",
       {{2, 150}},
       {{9, 150}},
       {0, 0, 0, 0},
       {{2, 200, 20}}},
      {"tail cut", {{3, 500}, {2, 1000}}, {{3, 500}, {2, 940}}, {0, 0, 1, 60}, {{2, 0, 60}}},
      {"waste head is never cut",
       {{9, 500}, {1, 1000}},
       {{9, 500}, {1, 1000}},
       {0, 0, 0, 0},
       {{1, 0, 0}, {2, 100, 100}}},
      {"negative cuts are ignored",
       {{2, 1000}, {3, 500}},
       {{2, 1000}, {3, 500}},
       {0, 0, 0, 0},
       {{2, -50, 0}, {3, 0, -70}}},
      {"line moves behind a worse grade",
       {{3, 1000}, {1, 2000}},
       {{3, 1005}, {1, 1995}},
       {0, 0, 0, 0},
       {},
       5},
      {"line stays behind a better grade",
       {{1, 1000}, {3, 2000}},
       {{1, 1000}, {3, 2000}},
       {0, 0, 0, 0},
       {},
       5},
      {"line stays when the next segment is too short",
       {{9, 300}, {2, 4}},
       {{9, 300}, {2, 4}},
       {0, 0, 0, 0},
       {},
       5},
      {"line behind waste",
       {{9, 300}, {2, 400}, {4, 500}, {2, 600}},
       {{9, 305}, {2, 395}, {4, 505}, {2, 595}},
       {0, 0, 0, 0},
       {},
       5},
      {"negative line width moves nothing",
       {{3, 1000}, {1, 2000}},
       {{3, 1000}, {1, 2000}},
       {0, 0, 0, 0},
       {},
       -500},
      {"trim, then lines",
       {{9, 40}, {9, 60}, {4, 800}, {4, 200}, {6, 300}},
       {{9, 105}, {4, 995}, {6, 230}},
       {0, 0, 1, 70},
       {{4, 999, 0}, {6, 0, 70}},
       5},
  };
  for (const TrimCase& c : cases) {
    SCOPED_TRACE(c.name);
    ResetWorkspace();
    Trim(c.input, c.cuts, c.lineWidth, c.separateSameGrade);
    ExpectSegments(ws.board.Segments, ws.board.SegmentCount, c.trimmed);
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(ws.board.TrimRecord[k], c.trimRecord[static_cast<size_t>(k)]) << "entry " << k;
  }
}

TEST_F(Trimming, BoardLengthAndSnapshotPrecedeTrimming) {
  Trim({{9, 100}, {9, 50}, {2, 1000}, {2, 500}, {9, 20}}, {{2, 30, 30}}, 5);
  EXPECT_EQ(ws.board.BoardLength, 1670.0f);
  ExpectSegments(ws.board.ConvertedSegments, ws.board.ConvertedCount,
                 {{9, 150}, {2, 1500}, {9, 20}});
  ExpectSegments(ws.board.Segments, ws.board.SegmentCount, {{9, 155}, {2, 1495}, {9, 20}});
}

TEST_F(Trimming, BoardLengthIsRoundedAfterEveryAddition) {
  // 2^24 + 1 is not a float: adding 1 to 2^24 four times in float stays at 2^24, while a
  // double sum would reach 2^24 + 4.
  Trim({{1, 16777216.0f}, {2, 1}, {3, 1}, {4, 1}, {5, 1}});
  EXPECT_EQ(ws.board.BoardLength, 16777216.0f);
}

TEST_F(Trimming, EmptyBoard) {
  ws.board.TrimRecord[0] = 1;
  ws.board.TrimRecord[3] = 40;
  ws.board.ConvertedCount = 5;
  ws.board.BoardLength = 123;
  Trim({}, {{1, 20, 20}}, 5);
  EXPECT_EQ(ws.board.BoardLength, 0.0f);
  EXPECT_EQ(ws.board.ConvertedCount, 0);
  EXPECT_EQ(ws.board.SegmentCount, 0);
  for (int k = 0; k < 4; ++k)
    EXPECT_EQ(ws.board.TrimRecord[k], 0);
}

}  // namespace
}  // namespace sawline
