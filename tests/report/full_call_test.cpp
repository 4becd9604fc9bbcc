// Whole calls through the exported entry: blocks in, result block and run log out.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "interface/block_layout.h"
#include "jobfile/job_reader.h"
#include "platform/platform.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr float kSentinel = -7.0f;  // what the host's block held before the call
// Whole-board sums of float lengths: well above their rounding, well below a kerf.
constexpr double kSumTolerance = 0.05;

using Block = std::array<float, kResultBlockFloats>;

// The order book of the mode cases: in length mode two 1200s beat every other way
// of filling 2504 (1200 weighs more per unit than 600); in value mode the grade-1
// variable-length order is worth more per unit than either fixed order.
tools::JobBlocks ModeJob(int32_t mode, int32_t downgrade) {
  tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4);
  job.SetSetting("OptimizeMode", static_cast<float>(mode));
  job.SetSetting("PriorityDowngrade", static_cast<float>(downgrade));
  job.SetSetting("WasteMaxLength", 300);
  job.SetSetting("WasteKickerCode", 1020304);
  job.AddFixedOrder(
      {.grade = 1, .length = 1200, .weight = 1.2f, .value = 8.5f, .quantity = 5, .code = 11010101});
  job.AddFixedOrder(
      {.grade = 1, .length = 600, .weight = 1.0f, .value = 4.0f, .quantity = 5, .code = 11010102});
  job.AddVariableOrder({.grade = 2,
                        .minLength = 300,
                        .maxLength = 800,
                        .weight = 0.5f,
                        .value = 10,
                        .code = 14010101});
  job.AddVariableOrder({.grade = 1,
                        .minLength = 700,
                        .maxLength = 900,
                        .weight = 0.5f,
                        .value = 10,
                        .code = 13010101});
  job.SetPairs({{1, 2500}, {9, 100}, {2, 500}, {1, 800}});
  return job;
}

struct Piece {
  float gradeCode;
  float length;
  float feed;
  int32_t code;  // packed again from the four fields
};

struct ModeCase {
  const char* name;
  int32_t mode;
  int32_t downgrade;
  std::vector<Piece> pieces;
  float totalValue;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
  *os << c.name;
}

int32_t PackedCode(const Block& block, int32_t i) {
  int32_t code = 0;
  for (int k = 0; k < 4; ++k)
    code = code * 100 + static_cast<int32_t>(block[SAWLINE_RESULT_CODE_FIELD_1 + 100 * k + i]);
  return code;
}

class FullCall : public test::WorkspaceTest {
 protected:
  int32_t Run(const tools::JobBlocks& job) {
    block_.fill(kSentinel);
    return test::RunJob(job, block_);
  }
  Block block_;
};

class ModeOutcome : public FullCall, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeOutcome, CutListReachesTheHost) {
  const ModeCase& c = GetParam();
  const int32_t count = Run(ModeJob(c.mode, c.downgrade));
  ASSERT_EQ(count, static_cast<int32_t>(c.pieces.size()));
  for (int32_t i = 0; i < count; ++i) {
    const Piece& want = c.pieces[static_cast<size_t>(i)];
    EXPECT_EQ(block_[SAWLINE_RESULT_PIECE_GRADE_CODE + i], want.gradeCode) << "piece " << i;
    EXPECT_NEAR(block_[SAWLINE_RESULT_PIECE_LENGTH + i], want.length, test::kLengthTolerance)
        << "piece " << i;
    EXPECT_NEAR(block_[SAWLINE_RESULT_FEED_LENGTH + i], want.feed, test::kLengthTolerance)
        << "piece " << i;
    EXPECT_EQ(PackedCode(block_, i), want.code) << "piece " << i;
  }
  EXPECT_EQ(block_[SAWLINE_RESULT_BOARD_LENGTH], 3900.0f);
  EXPECT_NEAR(block_[SAWLINE_RESULT_TOTAL_VALUE], c.totalValue, 1e-3);
  const std::string log = test::GbkToUtf8(LogBytes());
  EXPECT_NE(log.find("优化结果中废料段处理(加去头去尾)：共" + std::to_string(count) + "段\n"),
            std::string::npos);
  EXPECT_EQ(log.find("优化结果(") == std::string::npos, c.mode == 4);
}

// Board {1, 2500} {9, 100} {2, 500} {1, 800}, kerf 4, waste pieces of at most 300.
// Length modes: two 1200s and 96 left, which splits off as grade 2, fits nothing and
// ends as waste beside the defect (92 + 4 + 92 = 188, kicked); the 500 of grade 2 is
// one variable piece; the last 800 (+4 for the board's end) takes one 600, and its
// split-off 200 turns to waste that is cut before the 600 (tail exchange). Value
// and quantity modes (where fixed orders with nothing done weigh their start weight,
// 0 here): the variable order fills 2504 as three equal pieces and takes the 800
// whole, and the 92 of waste between them and the grade-2 piece is halved. Defect sawing cuts at
// the marks, splits the 592 of waste (grade 2 counts as a defect) and codes the 800.
INSTANTIATE_TEST_SUITE_P(
    Modes, ModeOutcome,
    ::testing::Values(ModeCase{"Length",
                               0,
                               0,
                               {{1, 1200, 1204, 11010101},
                                {1, 1200, 1204, 11010101},
                                {9, 188, 192, 1020304},
                                {22, 496, 500, 14010101},
                                {9, 196, 200, 1020304},
                                {1, 600, 600, 11010102}},
                               0},
                      ModeCase{"Value",
                               1,
                               0,
                               {{12, 830.667f, 834.667f, 13010101},
                                {12, 830.667f, 834.667f, 13010101},
                                {12, 830.667f, 834.667f, 13010101},
                                {9, 44, 48, 0},
                                {9, 44, 48, 0},
                                {22, 496, 500, 14010101},
                                {12, 800, 800, 13010101}},
                               37.88f},
                      ModeCase{"Quantity",
                               2,
                               0,
                               {{12, 830.667f, 834.667f, 13010101},
                                {12, 830.667f, 834.667f, 13010101},
                                {12, 830.667f, 834.667f, 13010101},
                                {9, 44, 48, 0},
                                {9, 44, 48, 0},
                                {22, 496, 500, 14010101},
                                {12, 800, 800, 13010101}},
                               0},
                      ModeCase{"LongStock",
                               3,
                               0,
                               {{1, 1200, 1204, 11010101},
                                {1, 1200, 1204, 11010101},
                                {9, 188, 192, 1020304},
                                {22, 496, 500, 14010101},
                                {9, 196, 200, 1020304},
                                {1, 600, 600, 11010102}},
                               0},
                      ModeCase{"DefectSawing",
                               4,
                               1,  // defect sawing runs whatever the downgrade switch says
                               {{1, 2500, 2504, 0},
                                {9, 288, 292, 1020304},
                                {9, 300, 304, 1020304},
                                {1, 800, 800, 13010101}},
                               0}),
    [](const ::testing::TestParamInfo<ModeCase>& param) { return std::string(param.param.name); });

// ---- The host's 100 slots ----

// Fifty defects of 1000 between fifty clear zones: each defect would become four
// waste pieces, 250 in all. The host still gets one complete cut sequence of 100
// records whose feed lengths add up to the board.
TEST_F(FullCall, CutListLongerThanTheHostSlotsArrivesComplete) {
  tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4);
  job.SetSetting("OptimizeMode", 4);
  job.SetSetting("WasteMaxLength", 300);
  job.SetSetting("WasteKickerCode", 1020304);
  std::vector<std::pair<float, float>> pairs;
  for (int k = 0; k < 50; ++k) {
    pairs.push_back({1, 500});
    pairs.push_back({2, 1000});
  }
  job.SetPairs(pairs);
  ASSERT_EQ(Run(job), kMaxTransferRecords);
  double feedSum = 0.0;
  for (int i = 0; i < kMaxTransferRecords; ++i)
    feedSum += block_[SAWLINE_RESULT_FEED_LENGTH + i];
  EXPECT_EQ(block_[SAWLINE_RESULT_BOARD_LENGTH], 75000.0f);
  EXPECT_NEAR(feedSum, 75000.0, test::kLengthTolerance);
  EXPECT_EQ(block_[SAWLINE_RESULT_PIECE_GRADE_CODE + 99], 9.0f);
  EXPECT_EQ(PackedCode(block_, 99), 1020304);
}

// ---- The feed-length invariant over many boards ----

class Draw {
 public:
  explicit Draw(uint32_t seed) : state_(seed) {}
  int32_t Below(int32_t n) {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<int32_t>((state_ >> 8) % static_cast<uint32_t>(n));
  }
  template <typename T, size_t N>
  T From(const T (&choices)[N]) {
    return choices[Below(static_cast<int32_t>(N))];
  }

 private:
  uint32_t state_;
};

tools::JobBlocks RandomJob(Draw& draw) {
  tools::JobBlocks job;
  const float kerfs[] = {0.0f, 3.0f, 4.0f, 4.5f, 5.0f};
  const float kerf = draw.From(kerfs);
  job.SetSetting("KerfWidth", kerf);
  job.SetSetting("OptimizeMode", static_cast<float>(draw.Below(5)));
  job.SetSetting("PriorityDowngrade", static_cast<float>(draw.Below(2)));
  job.SetSetting("RemnantCentering", static_cast<float>(draw.Below(2)));
  const float wasteMax[] = {0.0f, 48.0f, 49.0f, 150.0f, 300.0f};
  job.SetSetting("WasteMaxLength", draw.From(wasteMax));
  job.SetSetting("WasteGateSelect", static_cast<float>(draw.Below(2)));
  job.SetSetting("WasteKickerCode", 1020304);
  job.SetSetting("SeparateAdjacentSameGrade", static_cast<float>(draw.Below(2)));
  for (int32_t grade = 1; grade <= 4; ++grade) {
    for (int32_t n = draw.Below(4); n > 0; --n) {
      job.AddFixedOrder({.grade = grade,
                         .length = 150 + draw.Below(1500),
                         .weight = 0.5f + 0.1f * static_cast<float>(draw.Below(10)),
                         .startWeight = 1.0f,
                         .value = 1.0f + static_cast<float>(draw.Below(20)),
                         .quantity = draw.Below(6),
                         .code = 10000000 + grade * 10000 + n});
    }
    for (int32_t n = draw.Below(3); n > 0; --n) {
      const int32_t minLength = 100 + draw.Below(600);
      job.AddVariableOrder({.grade = grade,
                            .minLength = minLength,
                            .maxLength = minLength + draw.Below(800),
                            .weight = 0.3f + 0.1f * static_cast<float>(draw.Below(10)),
                            .value = 1.0f + static_cast<float>(draw.Below(20)),
                            .code = 13000000 + grade * 10000 + n});
    }
    if (draw.Below(3) == 0) {
      const int32_t minLength = 300 + draw.Below(700);
      job.SetUncutOrder((grade - 1) * 3, minLength, minLength + 50 + draw.Below(200),
                        15000000 + grade);
    }
    const int32_t cut = draw.Below(2) == 0 ? 0 : 6 + draw.Below(60);
    job.SetHeadTail(grade, cut, draw.Below(2) == 0 ? 0 : 6 + draw.Below(60));
  }
  std::vector<std::pair<float, float>> pairs;
  const int32_t zones = draw.Below(8) == 0 ? 1 + draw.Below(100) : 1 + draw.Below(10);
  for (int32_t k = 0; k < zones; ++k) {
    const float grade = static_cast<float>(1 + draw.Below(9));
    pairs.push_back({grade, static_cast<float>(20 + draw.Below(3000))});
  }
  job.SetPairs(pairs);
  return job;
}

// Whatever the board, mode and driver: the returned count is the number of records
// delivered (at most 100, nothing in the slots behind them), the records' feed
// lengths add up to the board length, and the per-grade lengths to the pieces
// delivered. Board and order lengths are whole numbers, so only float rounding of
// divided variable-length pieces can make a small difference; a lost or doubled kerf
// or trim would show as a whole number of units.
TEST_F(FullCall, FeedLengthsAddUpToTheBoardOverRandomBoards) {
  platform::FixClock(0, 1);  // every search stops after a fixed number of clock reads
  Draw draw(20240305u);
  int32_t boardsWithPieces = 0;
  for (int round = 0; round < 400; ++round) {
    const tools::JobBlocks job = RandomJob(draw);
    const int32_t count = Run(job);
    ASSERT_GE(count, 0) << "round " << round;
    ASSERT_LE(count, kMaxTransferRecords) << "round " << round;
    if (count == 0) {
      for (float value : block_)
        ASSERT_EQ(value, kSentinel) << "round " << round;
      continue;
    }
    ++boardsWithPieces;
    double feedSum = 0.0;
    double pieceLength = 0.0;
    for (int32_t i = 0; i < count; ++i) {
      feedSum += block_[SAWLINE_RESULT_FEED_LENGTH + i];
      if (block_[SAWLINE_RESULT_PIECE_GRADE_CODE + i] != 9.0f)
        pieceLength += block_[SAWLINE_RESULT_PIECE_LENGTH + i];
    }
    EXPECT_NEAR(feedSum, block_[SAWLINE_RESULT_BOARD_LENGTH], kSumTolerance) << "round " << round;
    double kindTotal = 0.0;
    for (int32_t g = 1; g <= kMaxOrderGrade; ++g)
      kindTotal += block_[SAWLINE_RESULT_GRADE_TOTAL_LENGTH + g];
    EXPECT_NEAR(kindTotal, pieceLength, kSumTolerance) << "round " << round;
    for (int32_t i = count; i < kMaxTransferRecords; ++i) {
      for (int32_t column = SAWLINE_RESULT_PIECE_GRADE_CODE;
           column < SAWLINE_RESULT_FIXED_ORDER_PIECES; column += 100)
        ASSERT_EQ(block_[column + i], 0.0f) << "round " << round << " slot " << i;
    }
  }
  EXPECT_GT(boardsWithPieces, 300);
}

// ---- The whole log of one call ----

bool IsTimingLine(const std::string& line) {
  return line.rfind("Sum Optimizing Time is: ", 0) == 0 || line.rfind("Now Time: ", 0) == 0;
}

std::string WithoutTimingLines(const std::string& text) {
  std::string kept;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(start, end - start);
    if (!IsTimingLine(line)) kept += line;
    start = end;
  }
  return kept;
}

// The example board's call, logged byte for byte (after GBK decoding) as the expected
// file holds it, apart from the elapsed-time and local-time lines.
TEST_F(FullCall, LogOfTheExampleBoardMatchesTheExpectedFile) {
  tools::JobBlocks job;
  std::string error;
  ASSERT_TRUE(tools::LoadJobFile(test::SourcePath("examples/example_board.json"), job, &error))
      << error;
  ASSERT_GT(Run(job), 0);
  const std::string log = test::GbkToUtf8(LogBytes());
  ASSERT_FALSE(log.empty());
  const std::string expected =
      test::ReadFileBytes(test::SourcePath("tests/report/expected/full_call_log.txt"));
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(WithoutTimingLines(log), WithoutTimingLines(expected));
}

}  // namespace
}  // namespace sawline
