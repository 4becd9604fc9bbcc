// Records written by the library for generated boards are read, rebuilt into a job and
// replayed; the desk must give the same record (apart from the timing lines), the same
// return value and the same result block, bit for bit.
//
// The generator stays within what a record carries: whole mark lengths, kerfs of one
// decimal, weights of three, codes below 2^24, and no value optimization (whose lists
// hold values per length unit, which come back only approximately). Within that it
// varies everything the rebuild has to get right: modes 0, 2, 3 and 4, grade/length
// pairs, one-face and two-face marking lines read from either end, priority downgrade on
// and off, switched-off and complete rows, equal lengths with different codes in one
// grade, and tables in any row order.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "interface/block_layout.h"
#include "interface/sawline.h"
#include "platform/platform.h"
#include "record/record_reader.h"
#include "record/replay.h"
#include "support/test_support.h"
#include "tools/support/record_fixtures.h"

namespace sawline::test {
namespace {

using tools::JobBlocks;

constexpr int kBoards = 320;

// A small deterministic generator (not the library's), so that the boards do not
// change when the library's generator is touched.
class Dice {
 public:
  explicit Dice(uint32_t seed) : state_(seed * 2654435761u + 1u) {}
  int Below(int n) {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ >> 8) % static_cast<uint32_t>(n));
  }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Chance(int percent) { return Below(100) < percent; }

 private:
  uint32_t state_;
};

enum class Marking { kPairs, kOneFace, kTwoFace, kFrontOneFace, kFrontTwoFace };

struct Board {
  JobBlocks job;
  int mode = 0;
  Marking marking = Marking::kPairs;
  bool downgrade = false;
};

void SetFixedRow(JobBlocks& job, int row, const tools::FixedOrder& order, bool enabled) {
  job.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + row, enabled ? 1.0f : 0.0f);
  job.Set(SAWLINE_PARAM_FIXED_ORDER_GRADE + row, static_cast<float>(order.grade));
  job.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH + row, static_cast<float>(order.length));
  job.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT + row, order.weight);
  job.Set(SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT + row, order.startWeight);
  job.Set(SAWLINE_PARAM_FIXED_ORDER_QUANTITY + row, static_cast<float>(order.quantity));
  job.Set(SAWLINE_PARAM_FIXED_ORDER_DONE + row, static_cast<float>(order.done));
  job.Set(SAWLINE_PARAM_FIXED_ORDER_CODE + row, static_cast<float>(order.code));
}

float Weight(Dice& dice) {
  return static_cast<float>(dice.Between(150, 1800)) / 1000.0f;
}

Board RandomBoard(int index) {
  Dice dice(static_cast<uint32_t>(index) + 7u);
  Board board;
  static constexpr int kModes[] = {0, 2, 3, 4};
  board.mode = kModes[index % 4];
  board.marking = static_cast<Marking>((index / 4) % 5);
  board.downgrade = (index / 20) % 2 == 1;
  JobBlocks& job = board.job;
  job.SetSetting("OptimizeMode", static_cast<float>(board.mode));
  job.SetSetting("PriorityDowngrade", board.downgrade ? 1.0f : 0.0f);
  static constexpr float kKerfs[] = {3.0f, 4.0f, 4.5f, 5.2f};
  job.SetSetting("KerfWidth", kKerfs[dice.Below(4)]);
  job.SetSetting("WasteMaxLength", static_cast<float>(dice.Between(200, 400)));
  job.SetSetting("WasteKickerCode", dice.Chance(70) ? 1020304.0f : 0.0f);
  job.SetSetting("WasteGateSelect", static_cast<float>(dice.Below(2)));
  job.SetSetting("GradeMarkLength", 30.0f);
  job.SetSetting("GradeAMinLength", 200.0f);
  job.SetSetting("UnmarkedGrade", static_cast<float>(dice.Between(1, 5)));
  job.SetSetting("WasteMarkCount", static_cast<float>(dice.Chance(70) ? 9 : dice.Between(3, 8)));
  job.SetSetting("RemnantCentering", static_cast<float>(dice.Below(2)));
  job.SetSetting("FluorescentLineWidth", static_cast<float>(dice.Chance(70) ? 0 : 4));
  job.SetSetting("SeparateAdjacentSameGrade", static_cast<float>(dice.Below(2)));
  job.SetSetting("TailUnmarkedLength", static_cast<float>(dice.Below(50)));
  for (int g = 1; g <= 4; ++g) {
    if (dice.Chance(40)) job.SetHeadTail(g, dice.Chance(50) ? 20 : 0, dice.Chance(50) ? 30 : 0);
  }

  // Fixed-length rows anywhere in the table, some switched off, short or complete;
  // lengths repeat within a grade with other codes.
  static constexpr int kLengths[] = {450, 600, 600, 800, 900, 1000, 1200, 1500, 2100};
  const int rows = dice.Between(0, 12);
  int row = dice.Below(4);
  for (int r = 0; r < rows && row < kFixedOrderRows; ++r) {
    tools::FixedOrder order;
    order.grade = dice.Between(1, 4);
    order.length = dice.Chance(5) ? 60 : kLengths[dice.Below(9)];
    order.weight = Weight(dice);
    order.startWeight = board.mode == 2 ? Weight(dice) : 0.0f;
    order.quantity = dice.Chance(50) ? 0 : dice.Between(1, 6);
    order.done = order.quantity == 0 ? dice.Below(3) : dice.Between(0, order.quantity);
    order.code = 11000000 + dice.Between(0, 999999);
    SetFixedRow(job, row, order, !dice.Chance(10));
    row += dice.Between(1, 6);
  }
  job.fixedRows = row;
  const int variables = dice.Between(0, 4);
  for (int v = 0; v < variables; ++v) {
    tools::VariableOrder order;
    order.grade = dice.Between(1, 4);
    order.minLength = dice.Between(150, 600);
    order.maxLength = order.minLength + dice.Between(100, 800);
    order.weight = Weight(dice);
    order.code = 12000000 + dice.Between(0, 999999);
    job.AddVariableOrder(order);
  }
  const int uncuts = dice.Between(0, 2);
  for (int u = 0; u < uncuts; ++u) {
    const int minLength = dice.Between(700, 1100);
    job.SetUncutOrder(dice.Below(12), minLength, minLength + dice.Between(100, 400),
                      13000000 + dice.Between(0, 999999));
  }

  auto longInterval = [&] { return static_cast<float>(dice.Between(300, 2400)); };
  switch (board.marking) {
    case Marking::kPairs: {
      std::vector<std::pair<float, float>> pairs;
      const int zones = dice.Between(1, 9);
      for (int z = 0; z < zones; ++z) {
        const int grade = dice.Chance(25) ? 9 : dice.Between(1, 5);
        pairs.emplace_back(static_cast<float>(grade),
                           grade == 9 ? static_cast<float>(dice.Between(20, 400)) : longInterval());
      }
      job.SetPairs(pairs);
      break;
    }
    case Marking::kOneFace:
    case Marking::kFrontOneFace: {
      std::vector<float> top;
      const int intervals = dice.Between(1, 7);
      for (int i = 0; i < intervals; ++i) {
        top.push_back(longInterval());
        const int marks = dice.Chance(60) ? dice.Below(3) : 0;
        for (int m = 0; m < marks && i + 1 < intervals; ++m)
          top.push_back(20.0f);
        if (dice.Chance(20) && i + 1 < intervals)
          top.push_back(static_cast<float>(dice.Between(40, 190)));
      }
      job.SetIntervals(top, {});
      break;
    }
    case Marking::kTwoFace:
    case Marking::kFrontTwoFace: {
      std::vector<float> top, side;
      const int tops = dice.Between(1, 5);
      for (int i = 0; i < tops; ++i) {
        top.push_back(dice.Chance(25) ? static_cast<float>(dice.Between(40, 190)) : longInterval());
      }
      const int sides = dice.Between(0, 4);
      for (int i = 0; i < sides; ++i) {
        side.push_back(longInterval());
        if (dice.Chance(40)) side.push_back(20.0f);
      }
      job.SetIntervals(top, side);
      job.SetSetting("TopWasteSideGradeLines", 1.0f);
      break;
    }
  }
  if (board.marking == Marking::kFrontOneFace || board.marking == Marking::kFrontTwoFace) {
    job.SetSetting("FrontMarkingMode", 1.0f);
  }
  return board;
}

class ReplayRoundTrip : public WorkspaceTest {};

TEST_F(ReplayRoundTrip, GeneratedBoardsReplayToTheSameRecordAndResultBlock) {
  int withPieces = 0;
  int pinned = 0;
  int placeholders = 0;
  int downgraded = 0;
  std::array<int, 5> byMode{};
  std::array<int, 5> byMarking{};
  for (int index = 0; index < kBoards; ++index) {
    SCOPED_TRACE("board " + std::to_string(index));
    const Board board = RandomBoard(index);
    const WrittenRecord written = WriteRecord(board.job, logPath_);
    tools::Record record;
    tools::RecordError error;
    ASSERT_TRUE(tools::ReadRecord(written.log, &record, &error)) << error.Text();

    tools::ReplayOptions options;
    options.utcOffsetSeconds = kRecordOffset;
    const tools::ReplayOutcome outcome = tools::Replay(record, options);
    ASSERT_TRUE(outcome.reproduced)
        << outcome.difference->what << "\n line: " << outcome.difference->recordText
        << "\n desk: " << outcome.difference->deskText;
    EXPECT_EQ(outcome.desk.returned, written.returned);
    EXPECT_EQ(
        0, std::memcmp(outcome.desk.result.data(), written.result.data(), sizeof written.result));
    if (record.results) {
      // A fixed calendar and a stopped clock: the first second tried is the one.
      EXPECT_EQ(outcome.runs, 1);
      EXPECT_EQ(outcome.desk.seconds, kRecordSecond);
      ++withPieces;
      ++byMode[static_cast<size_t>(board.mode)];
      ++byMarking[static_cast<size_t>(board.marking)];
    }
    for (const tools::RebuildNote& note : outcome.rebuilt.limits)
      EXPECT_EQ(note.text.find("time limit"), std::string::npos) << note.text;
    pinned += outcome.rebuilt.pinnedRows;
    placeholders += outcome.rebuilt.placeholderRows;
    downgraded += record.downgrade ? 1 : 0;
  }
  // The generator reaches what it claims to: most boards plan pieces, every mode and
  // marking form is among them, and counted rows are placed.
  EXPECT_GE(withPieces, kBoards * 3 / 4);
  for (int mode : {0, 2, 3, 4})
    EXPECT_GE(byMode[static_cast<size_t>(mode)], kBoards / 8) << "mode " << mode;
  for (int marking = 0; marking < 5; ++marking)
    EXPECT_GE(byMarking[static_cast<size_t>(marking)], kBoards / 10) << "marking " << marking;
  EXPECT_GE(pinned, kBoards / 2);
  EXPECT_GE(downgraded, kBoards / 5);
  RecordProperty("boards_with_pieces", withPieces);
  RecordProperty("pinned_rows", pinned);
  RecordProperty("placeholder_rows", placeholders);
}

}  // namespace
}  // namespace sawline::test
