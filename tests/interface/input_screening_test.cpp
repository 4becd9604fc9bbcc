#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <limits>

#include "interface/block_layout.h"
#include "interface/input_blocks.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kSentinel = -7.5f;

// A plannable board: two fixed rows (0, 1), a variable row (0), an uncut row (3) and five
// grade/length pairs.
tools::JobBlocks BaseJob() {
  tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4);
  job.SetSetting("GradeMarkLength", 30);
  job.SetSetting("GradeAMinLength", 200);
  job.SetSetting("UnmarkedGrade", 5);
  job.AddFixedOrder({1, 1200, 1.2f, 0, 10, 5, 0, 11010101});
  job.AddFixedOrder({2, 900, 0.9f, 0, 6, 0, 0, 12010101});
  job.AddVariableOrder({1, 300, 800, 0.7f, 2, 15010101});
  job.SetUncutOrder(3, 900, 1000, 16020101);
  job.SetHeadTail(1, 20, 20);
  job.SetPairs({{2, 850}, {1, 2100}, {9, 180}, {2, 1300}, {3, 370}});
  return job;
}

struct ScreeningCase {
  const char* name;
  std::function<void(tools::JobBlocks&)> edit;
  RefusalReason reason;
};

void SetMark(tools::JobBlocks& job, int index, float value) {
  job.marks[static_cast<size_t>(index)] = value;
}

// The screening's answer for a job, as a call gives it.
RefusalReason Screen(const tools::JobBlocks& job) {
  UnpackParameterBlock(job.parameters.data());
  CopyBoardMarks(job.marks.data());
  return ScreenInputs(job.parameters.data()).reason;
}

class InputScreening : public test::WorkspaceTest {};

TEST_F(InputScreening, UsedValuesDecideWhetherTheBoardIsRefused) {
  const ScreeningCase cases[] = {
      {"a clean board", [](tools::JobBlocks&) {}, kAccepted},
      // Scalar settings.
      {"NaN kerf", [](auto& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, kNaN); }, kRefusedNonFinite},
      {"infinite kerf", [](auto& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, kInf); }, kRefusedNonFinite},
      {"negative kerf", [](auto& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, -0.5f); },
       kRefusedNegativeKerf},
      {"kerf -0.0 is not negative", [](auto& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, -0.0f); },
       kAccepted},
      {"kerf as long as the board", [](auto& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, 4800.0f); },
       kRefusedKerfTooWide},
      {"huge finite kerf", [](auto& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, 1e30f); },
       kRefusedKerfTooWide},
      {"kerf just shorter than the board",
       [](auto& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, 4799.0f); }, kAccepted},
      {"NaN mode", [](auto& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, kNaN); }, kRefusedNonFinite},
      {"infinite waste kicker code", [](auto& j) { j.Set(SAWLINE_PARAM_WASTE_KICKER_CODE, -kInf); },
       kRefusedNonFinite},
      {"NaN waste gate", [](auto& j) { j.Set(SAWLINE_PARAM_WASTE_GATE_SELECT, kNaN); },
       kRefusedNonFinite},
      {"NaN logged-only setting", [](auto& j) { j.Set(SAWLINE_PARAM_TAIL_UNMARKED_LENGTH, kNaN); },
       kRefusedNonFinite},
      {"index 2089 is never read", [](auto& j) { j.Set(SAWLINE_PARAM_UNUSED_TIME_LIMIT, kNaN); },
       kAccepted},
      {"indices 0 to 4 are never read", [](auto& j) { j.Set(2, kInf); }, kAccepted},
      {"NaN head cut of grade 3", [](auto& j) { j.Set(SAWLINE_PARAM_CT + 3, kNaN); },
       kRefusedNonFinite},
      {"infinite tail cut of grade 8", [](auto& j) { j.Set(SAWLINE_PARAM_CB + 8, kInf); },
       kRefusedNonFinite},
      {"index 2070 belongs to a disabled uncut row", [](auto& j) { j.Set(SAWLINE_PARAM_CT, kNaN); },
       kAccepted},
      // Order rows: every column of an enabled row counts, integer columns included.
      {"infinite weight of an enabled fixed row",
       [](auto& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 1, kInf); }, kRefusedNonFinite},
      {"NaN length of an enabled fixed row",
       [](auto& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH + 0, kNaN); }, kRefusedNonFinite},
      {"NaN start weight of an enabled fixed row, unused in this mode",
       [](auto& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT + 0, kNaN); }, kRefusedNonFinite},
      {"infinite code of an enabled fixed row",
       [](auto& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_CODE + 1, kInf); }, kRefusedNonFinite},
      {"NaN in a disabled fixed row",
       [](auto& j) {
         j.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + 1, 0);
         j.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 1, kNaN);
       },
       kAccepted},
      {"NaN in an unused fixed row",
       [](auto& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_VALUE + 150, kNaN); }, kAccepted},
      {"NaN enabled flag disables the row",
       [](auto& j) {
         j.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + 1, kNaN);
         j.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH + 1, kNaN);
       },
       kAccepted},
      {"NaN value of an enabled variable row",
       [](auto& j) { j.Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE + 0, kNaN); }, kRefusedNonFinite},
      {"infinite code of an enabled variable row",
       [](auto& j) { j.Set(SAWLINE_PARAM_VARIABLE_ORDER_CODE + 0, kInf); }, kRefusedNonFinite},
      {"NaN in a disabled variable row",
       [](auto& j) { j.Set(SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH + 5, kNaN); }, kAccepted},
      {"NaN minimum of an enabled uncut row",
       [](auto& j) { j.Set(SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH + 3, kNaN); }, kRefusedNonFinite},
      {"infinite code of an enabled uncut row",
       [](auto& j) { j.Set(SAWLINE_PARAM_UNCUT_ORDER_CODE + 3, kInf); }, kRefusedNonFinite},
      {"NaN code of a disabled uncut row",
       [](auto& j) { j.Set(SAWLINE_PARAM_UNCUT_ORDER_CODE + 4, kNaN); }, kAccepted},
      // Board marks: only the entries the conversion reads.
      {"NaN grade of a pair", [](auto& j) { SetMark(j, 1, kNaN); }, kRefusedNonFinite},
      {"infinite length of a pair", [](auto& j) { SetMark(j, kMarkHalf + 4, kInf); },
       kRefusedNonFinite},
      {"negative length of a pair", [](auto& j) { SetMark(j, kMarkHalf + 2, -180); },
       kRefusedNegativeMark},
      {"negative grade of a pair is no grade", [](auto& j) { SetMark(j, 0, -3); },
       kRefusedMarkGrade},
      {"pairs read lengths past the second half's own count",
       [](auto& j) {
         SetMark(j, kMarkHalf + 2, 0);
         SetMark(j, kMarkHalf + 3, -1300);
       },
       kRefusedNegativeMark},
      {"a pair of length 0 is not negative", [](auto& j) { SetMark(j, kMarkHalf + 2, 0); },
       kAccepted},
      {"NaN after the first half's end", [](auto& j) { SetMark(j, 6, kNaN); }, kAccepted},
      {"negative entry after both halves end", [](auto& j) { SetMark(j, kMarkHalf + 7, -5); },
       kAccepted},
      {"NaN mark kind", [](auto& j) { SetMark(j, kMarkKindIndex, kNaN); }, kRefusedNonFinite},
      {"negative interval on the top face",
       [](auto& j) {
         j.SetIntervals({1000, -20, 800}, {});
       },
       kRefusedNegativeMark},
      {"negative interval on the side face",
       [](auto& j) {
         j.SetIntervals({1000, 800}, {500, -20, 800});
       },
       kRefusedNegativeMark},
      {"infinite interval on the side face",
       [](auto& j) {
         j.SetIntervals({1000, 800}, {500, kInf});
       },
       kRefusedNonFinite},
      {"side entries past their count are not read",
       [](auto& j) {
         j.SetIntervals({1000, 800}, {500});
         SetMark(j, kMarkHalf + 3, kNaN);
       },
       kAccepted},
      {"a board too long for a float length",
       [](auto& j) {
         j.SetPairs({{1, 3e38f}, {2, 3e38f}});
       },
       kRefusedNonFinite},
      {"non-finite comes before a negative kerf",
       [](auto& j) {
         j.Set(SAWLINE_PARAM_KERF_WIDTH, -1);
         SetMark(j, 0, kNaN);
       },
       kRefusedNonFinite},
      {"negative kerf comes before a negative mark",
       [](auto& j) {
         j.Set(SAWLINE_PARAM_KERF_WIDTH, -1);
         SetMark(j, kMarkHalf, -850);
       },
       kRefusedNegativeKerf},
  };
  for (const ScreeningCase& c : cases) {
    SCOPED_TRACE(c.name);
    tools::JobBlocks job = BaseJob();
    c.edit(job);
    std::array<float, kResultBlockFloats> result;
    result.fill(kSentinel);
    const int count = test::RunJob(job, result);
    EXPECT_EQ(Screen(job), c.reason);
    if (c.reason != kAccepted) {
      EXPECT_EQ(count, 0);
      for (float value : result)
        ASSERT_EQ(value, kSentinel);
    }
  }
}

// Out of range, a mode, the grade of unmarked wood or a mark's grade would saw the board
// to scrap or grade it at random: such a board is refused. Settings whose outcome is
// defined and harmless are planned as given.
TEST_F(InputScreening, SettingsOutsideTheirRangeAreRefusedWhereTheyWouldSpoilThePlan) {
  const auto lines = [](tools::JobBlocks& j) { j.SetIntervals({1500, 20, 800, 600}, {}); };
  const ScreeningCase cases[] = {
      {"mode 5", [](auto& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 5); }, kRefusedSetting},
      {"mode -1", [](auto& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, -1); }, kRefusedSetting},
      {"mode 4.9 reads as 4", [](auto& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 4.9f); }, kAccepted},
      {"mode -0.9 reads as 0", [](auto& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, -0.9f); },
       kAccepted},
      {"unmarked grade 0 with pairs is not used",
       [](auto& j) { j.Set(SAWLINE_PARAM_UNMARKED_GRADE, 0); }, kAccepted},
      {"unmarked grade 0 with marking lines",
       [&](auto& j) {
         lines(j);
         j.Set(SAWLINE_PARAM_UNMARKED_GRADE, 0);
       },
       kRefusedSetting},
      {"unmarked grade 10 with marking lines",
       [&](auto& j) {
         lines(j);
         j.Set(SAWLINE_PARAM_UNMARKED_GRADE, 10);
       },
       kRefusedSetting},
      {"unmarked grade 9 (waste) with marking lines",
       [&](auto& j) {
         lines(j);
         j.Set(SAWLINE_PARAM_UNMARKED_GRADE, 9);
       },
       kAccepted},
      {"unmarked grade 0 in defect sawing is not used",
       [&](auto& j) {
         lines(j);
         j.Set(SAWLINE_PARAM_UNMARKED_GRADE, 0);
         j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 4);
       },
       kAccepted},
      {"two-face switch 2 with front marking",
       [&](auto& j) {
         lines(j);
         j.Set(SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES, 2);
         j.Set(SAWLINE_PARAM_FRONT_MARKING_MODE, 1);
       },
       kRefusedSetting},
      {"two-face switch 2 without front marking reads as two-face",
       [&](auto& j) {
         lines(j);
         j.Set(SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES, 2);
       },
       kAccepted},
      {"two-face switch 2 with front marking and pairs is not used",
       [](auto& j) {
         j.Set(SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES, 2);
         j.Set(SAWLINE_PARAM_FRONT_MARKING_MODE, 1);
       },
       kAccepted},
      {"kerf beyond the largest exact length on a longer board",
       [](auto& j) {
         j.SetPairs({{1, 4e7f}});
         j.Set(SAWLINE_PARAM_KERF_WIDTH, 2e7f);
       },
       kRefusedSetting},
      {"pair grade 0.5 reads as 0", [](auto& j) { SetMark(j, 1, 0.5f); }, kRefusedMarkGrade},
      {"pair grade 10", [](auto& j) { SetMark(j, 4, 10); }, kRefusedMarkGrade},
      {"pair grade 9.9 reads as waste", [](auto& j) { SetMark(j, 4, 9.9f); }, kAccepted},
      {"pair grades are not read past the first half's end", [](auto& j) { SetMark(j, 6, 12); },
       kAccepted},
      {"grades of marking-line intervals are lengths",
       [&](auto& j) {
         lines(j);
         SetMark(j, 1, 10);
       },
       kAccepted},
      {"waste gate 7", [](auto& j) { j.Set(SAWLINE_PARAM_WASTE_GATE_SELECT, 7); }, kAccepted},
      {"priority downgrade 3", [](auto& j) { j.Set(SAWLINE_PARAM_PRIORITY_DOWNGRADE, 3); },
       kAccepted},
      {"waste mark count 0", [](auto& j) { j.Set(SAWLINE_PARAM_WASTE_MARK_COUNT, 0); }, kAccepted},
      {"negative line width", [](auto& j) { j.Set(SAWLINE_PARAM_FLUORESCENT_LINE_WIDTH, -4); },
       kAccepted},
      {"a negative kerf keeps its own reason",
       [](auto& j) {
         j.Set(SAWLINE_PARAM_KERF_WIDTH, -1);
         j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 7);
       },
       kRefusedNegativeKerf},
  };
  for (const ScreeningCase& c : cases) {
    SCOPED_TRACE(c.name);
    tools::JobBlocks job = BaseJob();
    c.edit(job);
    std::array<float, kResultBlockFloats> result;
    result.fill(kSentinel);
    const int count = test::RunJob(job, result);
    EXPECT_EQ(Screen(job), c.reason);
    if (c.reason == kAccepted) {
      EXPECT_GT(count, 0);
    } else {
      EXPECT_EQ(count, 0);
      for (float value : result)
        ASSERT_EQ(value, kSentinel);
    }
  }
}

TEST_F(InputScreening, AcceptanceIsDecidedAfreshOnEveryCall) {
  tools::JobBlocks job = BaseJob();
  job.Set(SAWLINE_PARAM_KERF_WIDTH, kNaN);
  std::array<float, kResultBlockFloats> result{};
  EXPECT_EQ(test::RunJob(job, result), 0);
  EXPECT_GT(test::RunJob(BaseJob(), result), 0);
}

}  // namespace
}  // namespace sawline
