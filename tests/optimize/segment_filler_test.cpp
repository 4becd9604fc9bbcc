#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "optimize/segment_searches.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr int32_t kGrade = 3;

struct Order {
  int32_t min;
  int32_t max;
  float weight;
  int32_t code;
};

struct Row {
  float count;
  float length;
  float tag;
};

class SegmentFiller : public test::WorkspaceTest {
 protected:
  void SetOrders(const std::vector<Order>& orders, float kerf) {
    ws.settings.KerfWidth = kerf;
    ws.orders.VariableCount[kGrade] = static_cast<int32_t>(orders.size());
    for (size_t j = 0; j < orders.size(); ++j) {
      ws.orders.VariableMinLength[kGrade][j] = orders[j].min;
      ws.orders.VariableMaxLength[kGrade][j] = orders[j].max;
      ws.orders.VariableWeight[kGrade][j] = orders[j].weight;
      ws.orders.VariableCode[kGrade][j] = orders[j].code;
    }
  }
  float Fill(float length) {
    ws.filler.FillRowCount = 0;
    return FillSegment(kGrade, length);
  }
  static void ExpectRows(const std::vector<Row>& expected) {
    ASSERT_EQ(ws.filler.FillRowCount, static_cast<int32_t>(expected.size()));
    for (size_t r = 0; r < expected.size(); ++r) {
      EXPECT_EQ(ws.filler.FillRows[r].count, expected[r].count) << "row " << r;
      EXPECT_EQ(ws.filler.FillRows[r].length, expected[r].length) << "row " << r;
      EXPECT_EQ(ws.filler.FillRows[r].tag, expected[r].tag) << "row " << r;
    }
  }
};

// One order 150..400, L = 1005, K = 5: six minimum pieces score 900 (their leftover of 75
// fits nothing), the division into three pieces of 330 and the two maximum pieces plus
// an exact piece of 190 both score 990; the longer main pieces win the tie.
TEST_F(SegmentFiller, MaximumBaseWinsTheTieWithTheEqualDivision) {
  SetOrders({{150, 400, 1.0f, 11}}, 5.0f);
  EXPECT_EQ(Fill(1005.0f), 990.0f);
  ExpectRows({{2, 400, 11}, {1, 190, 11}});
}

TEST_F(SegmentFiller, TiesGoToLongerMainPiecesThenTheEarlierCandidate) {
  const struct {
    const char* name;
    std::vector<Order> orders;
    float length;
    float kerf;
    float score;
    std::vector<Row> rows;
  } cases[] = {
      // All scores 0: the longest main piece is stored all the same.
      {"zero weights", {{150, 400, 0.0f, 11}}, 1005.0f, 5.0f, 0.0f, {{2, 400, 11}, {1, 190, 11}}},
      // Identical orders: the first order's candidates stay.
      {"identical orders",
       {{150, 400, 1.0f, 11}, {150, 400, 1.0f, 22}},
       1005.0f,
       5.0f,
       990.0f,
       {{2, 400, 11}, {1, 190, 11}}},
      // The division of order 0 (4 x 250) and the maximum base of order 1 (4 x 250) tie
      // with equal pieces: the division comes first.
      {"equal main pieces",
       {{240, 300, 1.0f, 11}, {245, 250, 1.0f, 22}},
       1000.0f,
       0.0f,
       1000.0f,
       {{4, 250, 11}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetOrders(c.orders, c.kerf);
    EXPECT_EQ(Fill(c.length), c.score);
    ExpectRows(c.rows);
  }
}

TEST_F(SegmentFiller, RemainderTilingPrefersLongerPiecesAndNeedsAScoreAboveZero) {
  const struct {
    const char* name;
    std::vector<Order> orders;
    float length;
    float expected[4];  // count, length, tag, score
  } cases[] = {
      // 8 x 150, 3 x 400 and 4 x 300 all score 1200: the longest pieces win.
      {"equal scores", {{150, 400, 1.0f, 11}}, 1200.0f, {3, 400, 11, 1200}},
      // Every score 0: only candidate 0 may win.
      {"zero weights", {{150, 400, 0.0f, 11}}, 1000.0f, {6, 150, 11, 0}},
      {"zero weights, no candidate 0",
       {{2000, 3000, 0.0f, 11}, {150, 400, 0.0f, 22}},
       1000.0f,
       {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetOrders(c.orders, c.name[0] == 'e' ? 0.0f : 5.0f);
    for (float& field : ws.filler.RemainderFill)
      field = 0.0f;
    FillRemainder(kGrade, c.length);
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(ws.filler.RemainderFill[k], c.expected[k]) << k;
  }
}

// Two faults in the single-order tiling that the cases above let pass: a tie-break that
// hands an equal score and length to the later candidate, and an equal division whose
// pieces come out exactly at the order's minimum.
TEST_F(SegmentFiller, RemainderTilingKeepsTheEarlierTieAndDividesAboveTheMinimum) {
  const struct {
    const char* name;
    std::vector<Order> orders;
    float kerf;
    float length;
    float expected[4];  // count, length, tag, score
  } cases[] = {
      // Both orders tile 1200 as 3 x 400 (score 1200): the first order keeps it.
      {"identical orders",
       {{150, 400, 1.0f, 11}, {150, 400, 1.0f, 22}},
       0.0f,
       1200.0f,
       {3, 400, 11, 1200}},
      // 900.3 divided into three pieces with kerf 0.1 rounds to exactly 300, the minimum:
      // no piece of the order, so two of 440 (880) stay ahead of three of 300 (900).
      {"division at the minimum", {{300, 440, 1.0f, 11}}, 0.1f, 900.3f, {2, 440, 11, 880}},
      // Just above the minimum the division counts: three of 300.0333 (900.1).
      {"division above the minimum",
       {{300, 440, 1.0f, 11}},
       0.0f,
       900.1f,
       {3, 300.033325f, 11, 900.1f}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetOrders(c.orders, c.kerf);
    for (float& field : ws.filler.RemainderFill)
      field = 0.0f;
    FillRemainder(kGrade, c.length);
    for (int k = 0; k < 4; ++k)
      EXPECT_EQ(ws.filler.RemainderFill[k], c.expected[k]) << k;
  }
}

// Order 0 (1000..1030, weight 4) and order 1 (100..120, weight 3), L = 2290, K = 0. The
// minimum base leaves 290: two pieces of 120 tile it, the 50 left stretches the main
// pieces to 1025, and moving 20 more per piece from the second row would make them 1045,
// beyond their order's 1030. Without that move the candidate scores 8920, so the maximum
// base (2 x 1030 and 2 x 115, 8930) wins.
TEST_F(SegmentFiller, WeightShiftNeverCarriesMainPiecesPastTheirMaximum) {
  SetOrders({{1000, 1030, 4.0f, 11}, {100, 120, 3.0f, 22}}, 0.0f);
  EXPECT_EQ(Fill(2290.0f), 8930.0f);
  ExpectRows({{2, 1030, 11}, {2, 115, 22}});
}

// Order 0 (100..300, weight 1), order 1 (1000..1030, weight 4), order 2 (50..150, weight
// 0.5), L = 2100, K = 0. The minimum base of order 1 leaves 100, one exact piece of order
// 0. Its weight shift would look up order 2 (the first whose range holds 100 above its
// minimum) and cut that piece down to 50 while it still belongs to order 0, whose
// minimum is 100; the shift is not made, and the maximum base (2 x 1030, 8240) wins.
TEST_F(SegmentFiller, WeightShiftNeverCutsAPieceBelowItsOwnOrdersMinimum) {
  SetOrders({{100, 300, 1.0f, 11}, {1000, 1030, 4.0f, 22}, {50, 150, 0.5f, 33}}, 0.0f);
  EXPECT_EQ(Fill(2100.0f), 8240.0f);
  ExpectRows({{2, 1030, 22}});
}

// One order 300..400, K = 10. Below 310 no piece fits with its kerf: the equal division
// (one piece of L - 10) is too short, and so is the room for the fallback's one shortest
// piece. From 310 one minimum piece fits.
TEST_F(SegmentFiller, ShortestPieceFallbackNeedsRoomForItsKerf) {
  SetOrders({{300, 400, 1.0f, 11}}, 10.0f);
  for (float length : {295.0f, 305.0f, 309.9f}) {
    EXPECT_EQ(Fill(length), 0.0f) << length;
    EXPECT_EQ(ws.filler.FillRowCount, 0) << length;
  }
  EXPECT_EQ(Fill(310.0f), 300.0f);
  ExpectRows({{1, 300, 11}});
}

TEST_F(SegmentFiller, OddInputsGiveNoPlanWithoutFault) {
  SetOrders({{150, 400, 1.0f, 11}}, 5.0f);
  for (int32_t grade : {0, 9, -3, 77}) {
    ws.filler.FillRowCount = 0;
    EXPECT_EQ(FillSegment(grade, 1005.0f), 0.0f);
    EXPECT_EQ(ws.filler.FillRowCount, 0);
  }
  EXPECT_EQ(Fill(100.0f), 0.0f);  // too short for any piece
  EXPECT_EQ(ws.filler.FillRowCount, 0);

  // Kerfs that make a piece plus its kerf 0 or negative, or are not numbers at all, must
  // neither divide by zero nor convert a non-finite value.
  for (float kerf : {-150.0f, -400.0f, -1000.0f, std::numeric_limits<float>::quiet_NaN()}) {
    SetOrders({{150, 400, 1.0f, 11}, {50, 80, 0.5f, 22}}, kerf);
    const float score = Fill(1005.0f);
    ASSERT_LE(ws.filler.FillRowCount, 3);
    if (std::isfinite(kerf)) {
      EXPECT_TRUE(std::isfinite(score)) << kerf;
    }
  }
}

}  // namespace
}  // namespace sawline
