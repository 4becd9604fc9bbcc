#include "jobfile/board_model.h"

#include <algorithm>
#include <cmath>

#include "desk/block_geometry.h"

namespace sawline::tools {
namespace {

// Lengths are whole units well inside the range a float holds exactly.
constexpr int kLongestModelLength = 1000000;

std::string Range(const char* what, int low, int high, int least) {
  if (low < least) return std::string(what) + " starts below " + std::to_string(least);
  if (high < low) return std::string(what) + " ends before it starts";
  if (high > kLongestModelLength)
    return std::string(what) + " ends above " + std::to_string(kLongestModelLength);
  return "";
}

}  // namespace

std::string CheckBoardModel(const BoardModel& model) {
  for (const std::string& problem :
       {Range("the board length", model.minLength, model.maxLength, 1),
        Range("the zone count", model.minZones, model.maxZones, 1),
        Range("the waste length", model.minWasteLength, model.maxWasteLength, 1)}) {
    if (!problem.empty()) return problem;
  }
  if (model.maxZones > kMarkHalf)
    return "a board holds at most " + std::to_string(kMarkHalf) + " zones";
  if (model.minZoneLength < 1 || model.minZoneLength > kLongestModelLength)
    return "the shortest zone must be 1 to " + std::to_string(kLongestModelLength);
  if (static_cast<int64_t>(model.minZones) * model.minZoneLength > model.minLength) {
    return "the shortest board (" + std::to_string(model.minLength) + ") cannot hold " +
           std::to_string(model.minZones) + " zones of at least " +
           std::to_string(model.minZoneLength);
  }
  if (!(model.zoneSpread >= 0.0 && model.zoneSpread <= 1.0))
    return "the zone spread must be 0 to 1";
  if (!(model.wasteShare >= 0.0 && model.wasteShare < 1.0))
    return "the waste share must be 0 or more and below 1";
  bool anyGrade = false;
  for (const double share : model.gradeMix) {
    if (!(share >= 0.0 && std::isfinite(share))) return "a grade share is negative or not finite";
    anyGrade |= share > 0.0;
  }
  if (!anyGrade) return "no grade has a share";
  return "";
}

namespace {

using Json = nlohmann::ordered_json;

// [least, most] of whole numbers into `low` and `high`.
bool ReadRange(const Json& value, const std::string& key, int* low, int* high, std::string* error) {
  if (!value.is_array() || value.size() != 2 || !value[0].is_number_integer() ||
      !value[1].is_number_integer()) {
    *error = "/board_model/" + key + ": must be [least, most], two whole numbers";
    return false;
  }
  const int64_t a = value[0].get<int64_t>();
  const int64_t b = value[1].get<int64_t>();
  if (a < 0 || b < 0 || a > kLongestModelLength || b > kLongestModelLength) {
    *error =
        "/board_model/" + key + ": must lie within 0 to " + std::to_string(kLongestModelLength);
    return false;
  }
  *low = static_cast<int>(a);
  *high = static_cast<int>(b);
  return true;
}

bool ReadNumber(const Json& value, const std::string& key, double* number, std::string* error) {
  if (!value.is_number()) {
    *error = "/board_model/" + key + ": must be a number";
    return false;
  }
  *number = value.get<double>();
  return true;
}

Json RangeSchema(const std::string& description, int least) {
  const Json bound = {{"type", "integer"}, {"minimum", least}, {"maximum", kLongestModelLength}};
  return {{"description", description},
          {"type", "array"},
          {"items", bound},
          {"minItems", 2},
          {"maxItems", 2}};
}

}  // namespace

bool ReadBoardModel(std::string_view jobText, BoardModel* model, bool* present,
                    std::string* error) {
  *present = false;
  const Json document = Json::parse(jobText.begin(), jobText.end(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    *error = "the job is not a JSON object";
    return false;
  }
  if (!document.contains("board_model")) return true;
  *present = true;
  const Json& object = document["board_model"];
  if (!object.is_object()) {
    *error = "/board_model: must be an object";
    return false;
  }
  BoardModel read = *model;
  for (const auto& [key, value] : object.items()) {
    bool ok = true;
    if (key == "length") {
      ok = ReadRange(value, key, &read.minLength, &read.maxLength, error);
    } else if (key == "zones") {
      ok = ReadRange(value, key, &read.minZones, &read.maxZones, error);
    } else if (key == "waste_length") {
      ok = ReadRange(value, key, &read.minWasteLength, &read.maxWasteLength, error);
    } else if (key == "shortest_zone") {
      ok = value.is_number_integer() && value.get<int64_t>() >= 1 &&
           value.get<int64_t>() <= kLongestModelLength;
      if (ok)
        read.minZoneLength = value.get<int>();
      else
        *error = "/board_model/shortest_zone: must be a whole number from 1";
    } else if (key == "zone_spread") {
      ok = ReadNumber(value, key, &read.zoneSpread, error);
    } else if (key == "waste_share") {
      ok = ReadNumber(value, key, &read.wasteShare, error);
    } else if (key == "grade_mix") {
      ok = value.is_array() && !value.empty() && value.size() <= read.gradeMix.size();
      if (!ok) {
        *error = "/board_model/grade_mix: must list the shares of grades 1 up to 8 at most";
      }
      read.gradeMix.fill(0.0);
      for (size_t g = 0; ok && g < value.size(); ++g)
        ok = ReadNumber(value[g], key + "/" + std::to_string(g), &read.gradeMix[g], error);
    } else {
      *error = "/board_model: unknown key \"" + key + "\"";
      ok = false;
    }
    if (!ok) return false;
  }
  const std::string problem = CheckBoardModel(read);
  if (!problem.empty()) {
    *error = "/board_model: " + problem;
    return false;
  }
  *model = read;
  return true;
}

nlohmann::ordered_json BoardModelSchema() {
  const BoardModel defaults;
  Json properties = Json::object();
  properties["length"] = RangeSchema("Board length, least and most, drawn evenly (default [" +
                                         std::to_string(defaults.minLength) + ", " +
                                         std::to_string(defaults.maxLength) + "]).",
                                     1);
  properties["zones"] = RangeSchema(
      "Zones of a board, defects included, least and most (default [" +
          std::to_string(defaults.minZones) + ", " + std::to_string(defaults.maxZones) + "]).",
      1);
  properties["shortest_zone"] = {{"description", "Shortest graded zone (default " +
                                                     std::to_string(defaults.minZoneLength) + ")."},
                                 {"type", "integer"},
                                 {"minimum", 1},
                                 {"maximum", kLongestModelLength}};
  properties["zone_spread"] = {
      {"description",
       "How unequal the graded zones are: 0 equal shares, 1 shares from 0 to twice the mean "
       "(default 0.8)."},
      {"type", "number"},
      {"minimum", 0},
      {"maximum", 1}};
  properties["grade_mix"] = {
      {"description",
       "Relative shares of grades 1, 2, ... among the graded zones (default [40, 35, 25])."},
      {"type", "array"},
      {"items", {{"type", "number"}, {"minimum", 0}}},
      {"minItems", 1},
      {"maxItems", kMaxOrderGrade}};
  properties["waste_share"] = {
      {"description", "Chance that a zone is a defect (waste, grade 9) (default 0.15)."},
      {"type", "number"},
      {"minimum", 0},
      {"exclusiveMaximum", 1}};
  properties["waste_length"] = RangeSchema("Length of a defect, least and most (default [" +
                                               std::to_string(defaults.minWasteLength) + ", " +
                                               std::to_string(defaults.maxWasteLength) + "]).",
                                           1);
  return {{"description",
           "How `sawline simulate --boards N` draws boards for this job's order book and "
           "settings. Every key is optional; the run of a single board ignores it."},
          {"type", "object"},
          {"additionalProperties", false},
          {"properties", properties}};
}

}  // namespace sawline::tools
