#include "jobfile/board_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "workspace/capacities.h"

namespace sawline::test {
namespace {

using tools::BoardModel;

TEST(BoardModel, JobTextsReadOrSayWhatIsWrong) {
  struct Case {
    const char* text;
    bool ok;
    bool present;
    const char* error;  // part of the message
  };
  const Case cases[] = {
      {R"({"settings": {}})", true, false, ""},
      {R"({"board_model": {}})", true, true, ""},
      {R"({"board_model": {"length": [3000, 5000], "zones": [3, 6], "grade_mix": [1, 0, 2],
           "waste_share": 0.1, "waste_length": [30, 90], "shortest_zone": 200,
           "zone_spread": 0.5}})",
       true, true, ""},
      {R"({"board_model": {"lenght": [1, 2]}})", false, true, "unknown key \"lenght\""},
      {R"({"board_model": {"length": [5000]}})", false, true, "/board_model/length"},
      {R"({"board_model": {"length": [5000, 4000]}})", false, true, "ends before it starts"},
      {R"({"board_model": {"zones": [1, 150]}})", false, true, "at most 100 zones"},
      {R"({"board_model": {"grade_mix": [0, 0]}})", false, true, "no grade has a share"},
      {R"({"board_model": {"grade_mix": [1,1,1,1,1,1,1,1,1]}})", false, true, "grade_mix"},
      {R"({"board_model": {"waste_share": 1}})", false, true, "waste share"},
      {R"({"board_model": {"zone_spread": "wide"}})", false, true, "must be a number"},
      {R"({"board_model": {"length": [1000, 1000], "zones": [20, 20]}})", false, true,
       "cannot hold"},
      {R"({"board_model": 3})", false, true, "must be an object"},
      {"not json", false, false, "not a JSON object"},
  };
  for (const Case& c : cases) {
    BoardModel model;
    bool present = false;
    std::string error;
    EXPECT_EQ(tools::ReadBoardModel(c.text, &model, &present, &error), c.ok) << c.text;
    EXPECT_EQ(present, c.present) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << ": " << error;
  }
  BoardModel model;
  bool present = false;
  std::string error;
  ASSERT_TRUE(tools::ReadBoardModel(cases[2].text, &model, &present, &error));
  EXPECT_EQ(model.minLength, 3000);
  EXPECT_EQ(model.maxZones, 6);
  EXPECT_EQ(model.gradeMix[2], 2.0);
  EXPECT_EQ(model.gradeMix[3], 0.0);
  EXPECT_EQ(model.minZoneLength, 200);
}

}  // namespace
}  // namespace sawline::test
