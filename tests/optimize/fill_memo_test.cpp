// The fill memos outlive a search while the next search has the same grade, variable-
// length list and kerf: every answer must then be what FillSegment computes afresh, after
// any change of what a fill depends on.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>

#include "optimize/search_steps.h"
#include "optimize/search_testing.h"
#include "optimize/segment_searches.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int32_t kGrade = 2;

class FillMemo : public test::WorkspaceTest {
 protected:
  static void SetBook() {
    ws.settings.KerfWidth = 4.0f;
    ws.orders.VariableCount[kGrade] = 6;
    const int32_t mins[] = {150, 320, 480, 610, 700, 900};
    for (int32_t j = 0; j < 6; ++j) {
      ws.orders.VariableMinLength[kGrade][j] = mins[j];
      ws.orders.VariableMaxLength[kGrade][j] = mins[j] + 250 + 90 * j;
      ws.orders.VariableWeight[kGrade][j] = 0.5f + 0.07f * static_cast<float>(j);
      ws.orders.VariableCode[kGrade][j] = 5000 + j;
    }
  }
  // A search's memo use over many rests: every answer against FillSegment's own.
  static void ExpectMemoAnswersAsFillSegment(int32_t grade) {
    ws.search.SearchGrade = grade;
    BeginFillMemo();
    for (int32_t r = 200; r < 7000; r += 13) {
      const float length = static_cast<float>(r) + (r % 3 == 0 ? 0.5f : 0.0f);
      const FillRow* rows = nullptr;
      int32_t rowCount = 0;
      const float remembered = MemoizedFillSegment(grade, length, rows, rowCount);
      FillRow rememberedRows[kMaxFillRows] = {};
      std::memcpy(rememberedRows, rows, sizeof(FillRow) * static_cast<size_t>(rowCount));
      ws.search.FillMemoActive = 0;
      const float fresh = FillSegment(grade, length);
      ws.search.FillMemoActive = 1;
      ASSERT_EQ(0, std::memcmp(&remembered, &fresh, sizeof fresh)) << "rest " << length;
      ASSERT_EQ(rowCount, ws.filler.FillRowCount) << "rest " << length;
      ASSERT_EQ(0, std::memcmp(rememberedRows, ws.filler.FillRows,
                               sizeof(FillRow) * static_cast<size_t>(rowCount)))
          << "rest " << length;
    }
    EndFillMemo();
  }
};

TEST_F(FillMemo, AnswersStayFreshAfterEveryChangeOfWhatAFillDependsOn) {
  struct Change {
    const char* what;
    std::function<void()> apply;
  };
  const Change changes[] = {
      {"nothing", [] {}},
      {"the kerf", [] { ws.settings.KerfWidth = 5.0f; }},
      {"a quarter kerf", [] { ws.settings.KerfWidth = 4.25f; }},
      {"a minimum", [] { ws.orders.VariableMinLength[kGrade][2] += 40; }},
      {"a maximum", [] { ws.orders.VariableMaxLength[kGrade][4] -= 120; }},
      {"a weight", [] { ws.orders.VariableWeight[kGrade][1] = 0.95f; }},
      {"a code", [] { ws.orders.VariableCode[kGrade][0] = 7777; }},
      {"one order fewer", [] { ws.orders.VariableCount[kGrade] = 5; }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    ResetWorkspace();
    SetBook();
    ExpectMemoAnswersAsFillSegment(kGrade);
    change.apply();
    ExpectMemoAnswersAsFillSegment(kGrade);
  }
}

// Another grade with the same list is another key: the memo answers for the grade searched.
TEST_F(FillMemo, AnotherGradeWithTheSameListStartsAfresh) {
  SetBook();
  ExpectMemoAnswersAsFillSegment(kGrade);
  for (int32_t j = 0; j < 6; ++j) {
    ws.orders.VariableMinLength[kGrade + 1][j] = ws.orders.VariableMinLength[kGrade][j];
    ws.orders.VariableMaxLength[kGrade + 1][j] = ws.orders.VariableMaxLength[kGrade][j] + 1;
    ws.orders.VariableWeight[kGrade + 1][j] = ws.orders.VariableWeight[kGrade][j];
    ws.orders.VariableCode[kGrade + 1][j] = ws.orders.VariableCode[kGrade][j];
  }
  ws.orders.VariableCount[kGrade + 1] = 6;
  ExpectMemoAnswersAsFillSegment(kGrade + 1);
  ExpectMemoAnswersAsFillSegment(kGrade);
  const uint32_t epoch = ws.search.FillMemoEpoch;
  ExpectMemoAnswersAsFillSegment(kGrade);
  EXPECT_EQ(ws.search.FillMemoEpoch, epoch) << "the same key keeps its epoch";
}

}  // namespace
}  // namespace sawline
