#include "jobfile/board_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "jobfile/job_reader.h"
#include "workspace/capacities.h"

namespace sawline::test {
namespace {

using tools::BoardModel;

// A job that reads, with `model` as its "board_model" on line 3 (none when null).
std::string JobWithModel(const char* model) {
  std::string text =
      "{\"settings\": {\"UnmarkedGrade\": 5, \"WasteMarkCount\": 9, \"KerfWidth\": 4},\n"
      " \"marks\": {\"pairs\": [[1, 3000]]}";
  if (model != nullptr) text += ",\n \"board_model\": " + std::string(model);
  return text + "}\n";
}

// The board model is read with the job: a fault names the file, the line and the JSON
// pointer, and stops neither the job nor anything but the drawing of boards.
TEST(BoardModel, JobTextsReadOrSayWhatIsWrong) {
  struct Case {
    const char* model;  // the "board_model" value; null for a job without one
    bool ok;
    const char* error;  // part of the message
  };
  const Case cases[] = {
      {nullptr, true, ""},
      {R"({})", true, ""},
      {R"({"length": [3000, 5000], "zones": [3, 6], "grade_mix": [1, 0, 2],
           "waste_share": 0.1, "waste_length": [30, 90], "shortest_zone": 200,
           "zone_spread": 0.5})",
       true, ""},
      {R"({"lenght": [1, 2]})", false,
       "job.json:3: /board_model/lenght: unknown key \"lenght\" (did you mean \"length\"?)"},
      {R"({"length": [5000]})", false, "job.json:3: /board_model/length: must be [least, most]"},
      {R"({"length": [5000, 4000]})", false,
       "/board_model: the board length ends before it starts"},
      {R"({"zones": [1, 150]})", false, "at most 100 zones"},
      {R"({"grade_mix": [0, 0]})", false, "no grade has a share"},
      {R"({"grade_mix": [1,1,1,1,1,1,1,1,1]})", false, "/board_model/grade_mix: must list"},
      {R"({"grade_mix": [1, "x"]})", false, "/board_model/grade_mix/1: must be a number"},
      {R"({"waste_share": 1})", false, "waste share"},
      {R"({"zone_spread": "wide"})", false, "/board_model/zone_spread: must be a number"},
      {R"({"length": [1000, 1000], "zones": [20, 20]})", false, "cannot hold"},
      {R"(3)", false, "job.json:3: /board_model: must be an object"},
  };
  for (const Case& c : cases) {
    const std::string text = JobWithModel(c.model);
    tools::JobBlocks job;
    tools::JobDiagnostics diagnostics;
    EXPECT_TRUE(tools::ReadJob(text, "job.json", job, &diagnostics)) << text;
    EXPECT_EQ(diagnostics.boardModel.has_value(), c.ok && c.model != nullptr) << text;
    if (c.ok) {
      EXPECT_TRUE(diagnostics.boardModelErrors.empty()) << text;
      continue;
    }
    ASSERT_EQ(diagnostics.boardModelErrors.size(), 1u) << text;
    EXPECT_NE(diagnostics.boardModelErrors[0].find(c.error), std::string::npos)
        << text << ": " << diagnostics.boardModelErrors[0];
  }
  // Text that is not JSON gives the job's syntax error and no model.
  tools::JobBlocks job;
  tools::JobDiagnostics diagnostics;
  EXPECT_FALSE(tools::ReadJob("not json", "job.json", job, &diagnostics));
  EXPECT_FALSE(diagnostics.boardModel.has_value());
  EXPECT_FALSE(diagnostics.errors.empty());

  tools::JobDiagnostics read;
  ASSERT_TRUE(tools::ReadJob(JobWithModel(cases[2].model), "job.json", job, &read));
  ASSERT_TRUE(read.boardModel.has_value());
  const BoardModel& model = *read.boardModel;
  EXPECT_EQ(model.minLength, 3000);
  EXPECT_EQ(model.maxZones, 6);
  EXPECT_EQ(model.gradeMix[2], 2.0);
  EXPECT_EQ(model.gradeMix[3], 0.0);
  EXPECT_EQ(model.minZoneLength, 200);
  EXPECT_EQ(model.minWasteLength, 30);
}

}  // namespace
}  // namespace sawline::test
