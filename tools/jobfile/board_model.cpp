#include "jobfile/board_model.h"

#include <algorithm>
#include <cmath>

#include "desk/block_geometry.h"
#include "jobfile/json_positions.h"

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

constexpr const char* kPointer = "/board_model";

bool Fault(const std::string& pointer, const std::string& text, BoardModelFault* fault) {
  *fault = {pointer, text};
  return false;
}

// [least, most] of whole numbers into `low` and `high`.
bool ReadRange(const Json& value, const std::string& pointer, int* low, int* high,
               BoardModelFault* fault) {
  if (!value.is_array() || value.size() != 2 || !value[0].is_number_integer() ||
      !value[1].is_number_integer()) {
    return Fault(pointer, "must be [least, most], two whole numbers", fault);
  }
  const int64_t a = value[0].get<int64_t>();
  const int64_t b = value[1].get<int64_t>();
  if (a < 0 || b < 0 || a > kLongestModelLength || b > kLongestModelLength) {
    return Fault(pointer, "must lie within 0 to " + std::to_string(kLongestModelLength), fault);
  }
  *low = static_cast<int>(a);
  *high = static_cast<int>(b);
  return true;
}

bool ReadNumber(const Json& value, const std::string& pointer, double* number,
                BoardModelFault* fault) {
  if (!value.is_number()) return Fault(pointer, "must be a number", fault);
  *number = value.get<double>();
  return true;
}

bool ReadShortestZone(const Json& value, const std::string& pointer, int* length,
                      BoardModelFault* fault) {
  if (!value.is_number_integer() || value.get<int64_t>() < 1 ||
      value.get<int64_t>() > kLongestModelLength) {
    return Fault(pointer, "must be a whole number from 1", fault);
  }
  *length = value.get<int>();
  return true;
}

bool ReadGradeMix(const Json& value, const std::string& pointer, std::array<double, 8>* mix,
                  BoardModelFault* fault) {
  if (!value.is_array() || value.empty() || value.size() > mix->size()) {
    return Fault(pointer, "must list the shares of grades 1 up to 8 at most", fault);
  }
  mix->fill(0.0);
  for (size_t g = 0; g < value.size(); ++g) {
    if (!ReadNumber(value[g], ChildPointer(pointer, g), &(*mix)[g], fault)) return false;
  }
  return true;
}

bool ReadKey(const std::string& key, const Json& value, BoardModel* read, BoardModelFault* fault) {
  const std::string pointer = ChildPointer(kPointer, key);
  if (key == "length") return ReadRange(value, pointer, &read->minLength, &read->maxLength, fault);
  if (key == "zones") return ReadRange(value, pointer, &read->minZones, &read->maxZones, fault);
  if (key == "waste_length") {
    return ReadRange(value, pointer, &read->minWasteLength, &read->maxWasteLength, fault);
  }
  if (key == "shortest_zone") return ReadShortestZone(value, pointer, &read->minZoneLength, fault);
  if (key == "zone_spread") return ReadNumber(value, pointer, &read->zoneSpread, fault);
  if (key == "waste_share") return ReadNumber(value, pointer, &read->wasteShare, fault);
  if (key == "grade_mix") return ReadGradeMix(value, pointer, &read->gradeMix, fault);
  const std::string closest = ClosestName(key, {"length", "zones", "shortest_zone", "zone_spread",
                                                "grade_mix", "waste_share", "waste_length"});
  return Fault(pointer,
               "unknown key \"" + key + "\"" +
                   (closest.empty() ? "" : " (did you mean \"" + closest + "\"?)"),
               fault);
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

bool ReadBoardModel(const nlohmann::ordered_json& value, BoardModel* model,
                    BoardModelFault* fault) {
  if (!value.is_object()) return Fault(kPointer, "must be an object", fault);
  BoardModel read = *model;
  for (const auto& [key, entry] : value.items()) {
    if (!ReadKey(key, entry, &read, fault)) return false;
  }
  const std::string problem = CheckBoardModel(read);
  if (!problem.empty()) return Fault(kPointer, problem, fault);
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
