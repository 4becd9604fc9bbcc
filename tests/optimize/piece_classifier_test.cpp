#include <gtest/gtest.h>

#include "optimize/segment_searches.h"
#include "support/test_support.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

constexpr PieceClass::Kind kUncut = PieceClass::Kind::kUncutWhole;
constexpr PieceClass::Kind kVariable = PieceClass::Kind::kVariable;
constexpr PieceClass::Kind kFixed = PieceClass::Kind::kFixed;
constexpr PieceClass::Kind kNothing = PieceClass::Kind::kNothing;

class PieceClassifier : public test::WorkspaceTest {
 protected:
  // Grade 2: uncut 900..1000, fixed 2000/1500/600 (longest first), variable 300..800.
  void SetUp() override {
    WorkspaceTest::SetUp();
    ws.settings.KerfWidth = 5.0f;
    ws.orders.UncutCount[2] = 1;
    ws.orders.UncutMinLength[2][0] = 900;
    ws.orders.UncutMaxLength[2][0] = 1000;
    ws.orders.FixedCount[2] = 3;
    ws.orders.FixedLength[2][0] = 2000;
    ws.orders.FixedLength[2][1] = 1500;
    ws.orders.FixedLength[2][2] = 600;
    ws.orders.VariableCount[2] = 1;
    ws.orders.VariableMinLength[2][0] = 300;
    ws.orders.VariableMaxLength[2][0] = 800;
  }
};

TEST_F(PieceClassifier, WorkedExampleGivesUncutFixedVariableAndNothing) {
  const struct {
    float length;
    PieceClass expected;
  } cases[] = {
      {950.0f, {kUncut, 0}},     // the uncut range beats the fixed piece that also fits
      {700.0f, {kFixed, -1}},    // the fixed piece beats the variable entry that covers the length
      {500.0f, {kVariable, 0}},  // one variable piece of entry 0
      {1200.0f, {kFixed, -1}},   // above every range, the fixed pieces still fit
      {200.0f, {kNothing, -1}},  // nothing fits
      {905.0f, {kUncut, 0}},     // uncut bounds include the kerf on both sides
      {1005.0f, {kUncut, 0}},    //
      {605.0f, {kFixed, -1}},    // exactly the shortest fixed piece plus the kerf
      {604.9f, {kVariable, 0}},  // just below it the variable list decides
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassifyPiece(2, c.length), c.expected) << c.length;
}

TEST_F(PieceClassifier, FirstUncutEntryAndLastVariableEntryWin) {
  ws.orders.FixedCount[2] = 0;
  ws.orders.UncutCount[2] = 3;
  ws.orders.UncutMinLength[2][1] = 1100;
  ws.orders.UncutMaxLength[2][1] = 1300;
  ws.orders.UncutMinLength[2][2] = 1200;
  ws.orders.UncutMaxLength[2][2] = 1400;
  ws.orders.VariableCount[2] = 3;
  ws.orders.VariableMinLength[2][1] = 400;
  ws.orders.VariableMaxLength[2][1] = 600;
  ws.orders.VariableMinLength[2][2] = 100;
  ws.orders.VariableMaxLength[2][2] = 200;
  const struct {
    float length;
    PieceClass expected;
  } cases[] = {
      {1250.0f, {kUncut, 1}},  // uncut entries 1 and 2 both cover it: the first wins
      {1350.0f, {kUncut, 2}},
      {500.0f, {kVariable, 1}},    // variable entries 0 and 1 cover it: the later wins
      {350.0f, {kVariable, 0}},    // only entry 0 covers it
      {250.0f, {kVariable, -1}},   // entry 2's minimum fits but no entry covers it
      {2000.0f, {kVariable, -1}},  // every minimum fits, no maximum reaches
      {104.9f, {kNothing, -1}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ClassifyPiece(2, c.length), c.expected) << c.length;
}

TEST_F(PieceClassifier, GradesWithoutListsGiveNothing) {
  for (int32_t grade : {1, 0, 9, -1, 1000})
    EXPECT_EQ(ClassifyPiece(grade, 950.0f), (PieceClass{kNothing, -1})) << grade;
}

}  // namespace
}  // namespace sawline
