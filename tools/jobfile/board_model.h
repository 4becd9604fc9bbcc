// The board model of a job file: how long a simulated shift's boards are, into how many
// graded zones their marks divide them, how those zones share the length, which grades
// they have and how often a defect (a waste zone) lies between them
// (simulate/board_drawing.h draws the boards).
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "desk/blocks.h"

namespace sawline::tools {

struct BoardModel {
  // Board length in whole length units, drawn evenly from this range.
  int minLength = 2400;
  int maxLength = 6000;
  // Zones of a board (waste zones included), drawn evenly from this range.
  int minZones = 4;
  int maxZones = 12;
  // Shortest graded zone.
  int minZoneLength = 100;
  // How unequal the graded zones are: 0 shares the length equally, 1 gives each zone a
  // share drawn evenly from 0 to twice the mean.
  double zoneSpread = 0.8;
  // Relative shares of grades 1 to 8 among the graded zones.
  std::array<double, 8> gradeMix = {40, 35, 25, 0, 0, 0, 0, 0};
  // Chance that a zone is a defect (grade 9, waste), and the range of its length.
  double wasteShare = 0.15;
  int minWasteLength = 20;
  int maxWasteLength = 250;
};

// What is wrong with a model ("" when nothing): empty ranges, a board too short for its
// zones, no grade with a share, a share outside 0 to 1, too many zones for the mark block.
std::string CheckBoardModel(const BoardModel& model);

// What is wrong with a "board_model" object: the JSON pointer of the value it is about
// ("/board_model/length") and the fault.
struct BoardModelFault {
  std::string pointer;
  std::string text;
};

// Reads the "board_model" object of a job over the model in `*model` (the defaults):
// "length", "zones" and "waste_length" as [least, most], "shortest_zone",
// "zone_spread", "grade_mix" (shares of grades 1 up), "waste_share". False with the
// first fault when a value is wrong or the model is (CheckBoardModel); `*model` is then
// left as it was. The job reader (job_reader.h) reads it with the job.
bool ReadBoardModel(const nlohmann::ordered_json& value, BoardModel* model, BoardModelFault* fault);

// The JSON Schema of the "board_model" object.
nlohmann::ordered_json BoardModelSchema();

}  // namespace sawline::tools
