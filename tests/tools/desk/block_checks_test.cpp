#include "desk/block_checks.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "desk/blocks.h"
#include "interface/block_layout.h"

namespace sawline::tools {
namespace {

JobBlocks UsableJob() {
  JobBlocks job;
  job.SetSetting("KerfWidth", 4.0f);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
  job.AddFixedOrder({1, 1200, 1.0f, 0.0f, 12.0f, 0, 0, 11010101});
  job.AddVariableOrder({1, 300, 800, 0.7f, 5.0f, 13010101});
  job.SetPairs({{1, 3000}, {2, 1500}});
  return job;
}

struct Check {
  const char* name;
  std::function<void(JobBlocks&)> edit;
  const char* warning;  // "" for none
};

TEST(BlockChecks, WarnAboutWhatIsLegalButLikelyAMistake) {
  const Check cases[] = {
      {"a usable job", [](JobBlocks&) {}, ""},
      {"no marks", [](JobBlocks& j) { j.marks.fill(0.0f); },
       "the board has no marks: there is nothing to cut"},
      {"no marks on the top face",
       [](JobBlocks& j) {
         j.SetIntervals({}, {300, 400});
       },
       "the board has no marks"},
      {"no orders",
       [](JobBlocks& j) {
         j.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED, 0.0f);
         j.Set(SAWLINE_PARAM_VARIABLE_ORDER_ENABLED, 0.0f);
       },
       "no order row is switched on: the board can only become waste"},
      {"value mode without values",
       [](JobBlocks& j) {
         j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 1.0f);
         j.Set(SAWLINE_PARAM_FIXED_ORDER_VALUE, 0.0f);
         j.Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE, 0.0f);
       },
       "OptimizeMode 1 plans by value, but no fixed-length or variable-length row has a value"},
      {"value mode with one valueless row",
       [](JobBlocks& j) {
         j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 1.0f);
         j.Set(SAWLINE_PARAM_VARIABLE_ORDER_VALUE, 0.0005f);
       },
       "1 order row has no value above 0.001 (0 fixed-length, 1 variable-length): in value "
       "optimization it is never used"},
      {"a short fixed row", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH, 79.0f); },
       "fixed-length row 0: length 79 is 79 or shorter: the row is never used"},
      {"a weightless fixed row",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT, 0.001f); },
       "fixed-length row 0: weight 0.001 is 0.001 or less: in OptimizeMode 0 the row is never "
       "used"},
      {"weights do not matter in long stock",
       [](JobBlocks& j) {
         j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 3.0f);
         j.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT, 0.0f);
       },
       ""},
      {"a complete row",
       [](JobBlocks& j) {
         j.Set(SAWLINE_PARAM_FIXED_ORDER_QUANTITY, 10.0f);
         j.Set(SAWLINE_PARAM_FIXED_ORDER_DONE, 10.0f);
       },
       "fixed-length row 0: done 10 of quantity 10: the row is complete and not used"},
      {"an order longer than the board",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH, 4497.0f); },
       "fixed-length row 0: length 4497 is longer than the board (4500): it can never be cut"},
      {"a variable row with max not above min",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_VARIABLE_ORDER_MAX_LENGTH, 300.0f); },
       "variable-length row 0: max_length 300 is not above min_length 300: the row is never used"},
      {"an uncut row of 49", [](JobBlocks& j) { j.SetUncutOrder(4, 49, 900, 1); },
       "uncut row 4: min_length 49 is 49 or shorter"},
      {"defect sawing ignores fixed rows",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 4.0f); },
       "defect sawing (OptimizeMode 4) uses only the grade-1 variable-length rows, for their "
       "codes: 1 other order row is not used"},
      {"mode 5", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 5.0f); },
       "OptimizeMode is 5, outside 0 to 4 (the library refuses such a board)"},
      {"a fraction in a setting", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 0.5f); },
       "OptimizeMode is 0.5, not a whole number: the library reads 0"},
      {"NaN kerf",
       [](JobBlocks& j) {
         j.Set(SAWLINE_PARAM_KERF_WIDTH, std::numeric_limits<float>::quiet_NaN());
       },
       "KerfWidth is NaN (the library refuses such a board)"},
      {"an order grade out of range",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_GRADE, 9.0f); },
       "fixed-length row 0: grade is 9, outside 1 to 8"},
      {"a code above 2^24",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_VARIABLE_ORDER_CODE, 21010100.0f); },
       "variable-length row 0: code 21010100 is above 16777216"},
      {"an odd mark kind", [](JobBlocks& j) { j.marks[kMarkKindIndex] = 2.0f; },
       "the mark kind (entry 200 of the board-mark block) is 2: only exactly 1 means grade/length "
       "pairs"},
  };
  for (const Check& check : cases) {
    SCOPED_TRACE(check.name);
    JobBlocks job = UsableJob();
    check.edit(job);
    const std::vector<std::string> warnings =
        CheckBlocks(job.parameters.data(), job.marks.data(), {true});
    if (check.warning[0] == '\0') {
      EXPECT_TRUE(warnings.empty()) << warnings[0];
      continue;
    }
    bool found = false;
    for (const std::string& warning : warnings)
      found = found || warning.rfind(check.warning, 0) == 0;
    EXPECT_TRUE(found) << (warnings.empty() ? "no warning" : warnings[0]);
  }
}

TEST(BlockChecks, RangesAreLeftToTheJobReaderWhenAsked) {
  JobBlocks job = UsableJob();
  job.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 5.0f);
  EXPECT_TRUE(CheckBlocks(job.parameters.data(), job.marks.data(), {false}).empty());
}

TEST(BlockChecks, ManyUnusedRowsAreCountedNotListed) {
  JobBlocks job = UsableJob();
  for (int i = 0; i < 30; ++i)
    job.AddFixedOrder({1, 50, 1.0f, 0.0f, 0.0f, 0, 0, 0});
  const std::vector<std::string> warnings =
      CheckBlocks(job.parameters.data(), job.marks.data(), {true});
  ASSERT_EQ(warnings.size(), 13u);
  EXPECT_EQ(warnings.back(), "and 18 more order rows that are never used");
}

}  // namespace
}  // namespace sawline::tools
