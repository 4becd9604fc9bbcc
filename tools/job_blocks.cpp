#include "job_file.h"

#include <fstream>
#include <map>
#include <sstream>

#include "interface/block_layout.h"

namespace sawline::tools {
namespace {

const std::map<std::string_view, int>& SettingIndex() {
  static const std::map<std::string_view, int> index = {
      {"WasteGateSelect", param::kWasteGateSelect},
      {"WasteKickerCode", param::kWasteKickerCode},
      {"WasteMaxLength", param::kWasteMaxLength},
      {"RemnantCentering", param::kRemnantCentering},
      {"WasteMarkCount", param::kWasteMarkCount},
      {"TailUnmarkedLength", param::kTailUnmarkedLength},
      {"GradeMarkLength", param::kGradeMarkLength},
      {"GradeAMinLength", param::kGradeAMinLength},
      {"UnmarkedGrade", param::kUnmarkedGrade},
      {"OptimizeMode", param::kOptimizeMode},
      {"PriorityDowngrade", param::kPriorityDowngrade},
      {"KerfWidth", param::kKerfWidth},
      {"FluorescentLineWidth", param::kFluorescentLineWidth},
      {"FrontMarkingMode", param::kFrontMarkingMode},
      {"TopWasteSideGradeLines", param::kTopWasteSideGradeLines},
      {"SeparateAdjacentSameGrade", param::kSeparateAdjacentSameGrade},
  };
  return index;
}

// Reads "key value" pairs after the statement word.
bool ReadKeys(std::istringstream& words, std::map<std::string, double>& keys, std::string* why) {
  std::string key;
  while (words >> key) {
    double value = 0;
    if (!(words >> value)) {
      *why = "missing value after '" + key + "'";
      return false;
    }
    keys[key] = value;
  }
  return true;
}

bool Allowed(const std::map<std::string, double>& keys, std::initializer_list<const char*> names,
             std::string* why) {
  for (const auto& [key, value] : keys) {
    bool known = false;
    for (const char* name : names)
      known = known || key == name;
    if (!known) {
      *why = "unknown key '" + key + "'";
      return false;
    }
  }
  return true;
}

double Get(const std::map<std::string, double>& keys, const char* name, double fallback) {
  const auto it = keys.find(name);
  return it == keys.end() ? fallback : it->second;
}

std::vector<float> ReadNumbers(std::istringstream& words, bool* ok) {
  std::vector<float> numbers;
  std::string word;
  while (words >> word) {
    std::istringstream one(word);
    float value = 0;
    if (!(one >> value)) {
      *ok = false;
      break;
    }
    numbers.push_back(value);
  }
  return numbers;
}

}  // namespace

bool JobBlocks::SetSetting(std::string_view name, float value) {
  const auto it = SettingIndex().find(name);
  if (it == SettingIndex().end()) return false;
  Set(it->second, value);
  return true;
}

int JobBlocks::AddFixedOrder(const FixedOrder& order) {
  if (fixedRows >= kFixedOrderRows) return -1;
  const int row = fixedRows++;
  Set(param::kFixedOrderEnabled + row, 1.0f);
  Set(param::kFixedOrderGrade + row, static_cast<float>(order.grade));
  Set(param::kFixedOrderLength + row, static_cast<float>(order.length));
  Set(param::kFixedOrderWeight + row, order.weight);
  Set(param::kFixedOrderStartWeight + row, order.startWeight);
  Set(param::kFixedOrderValue + row, order.value);
  Set(param::kFixedOrderQuantity + row, static_cast<float>(order.quantity));
  Set(param::kFixedOrderDone + row, static_cast<float>(order.done));
  Set(param::kFixedOrderCode + row, static_cast<float>(order.code));
  return row;
}

int JobBlocks::AddVariableOrder(const VariableOrder& order) {
  if (variableRows >= kVariableOrderRows) return -1;
  const int row = variableRows++;
  Set(param::kVariableOrderEnabled + row, 1.0f);
  Set(param::kVariableOrderGrade + row, static_cast<float>(order.grade));
  Set(param::kVariableOrderMinLength + row, static_cast<float>(order.minLength));
  Set(param::kVariableOrderMaxLength + row, static_cast<float>(order.maxLength));
  Set(param::kVariableOrderWeight + row, order.weight);
  Set(param::kVariableOrderValue + row, order.value);
  Set(param::kVariableOrderCode + row, static_cast<float>(order.code));
  return row;
}

void JobBlocks::SetUncutOrder(int row, int minLength, int maxLength, int code) {
  Set(param::kUncutOrderEnabled + row, 1.0f);
  Set(param::kUncutOrderMinLength + row, static_cast<float>(minLength));
  Set(param::kUncutOrderMaxLength + row, static_cast<float>(maxLength));
  Set(param::kUncutOrderCode + row, static_cast<float>(code));
}

void JobBlocks::SetHeadTail(int grade, int headCut, int tailCut) {
  Set(param::kCT + grade, static_cast<float>(headCut));
  Set(param::kCB + grade, static_cast<float>(tailCut));
}

void JobBlocks::SetPairs(const std::vector<std::pair<float, float>>& gradeLengths) {
  marks.fill(0.0f);
  const size_t n = std::min<size_t>(gradeLengths.size(), kMarkHalf);
  for (size_t i = 0; i < n; ++i) {
    marks[i] = gradeLengths[i].first;
    marks[kMarkHalf + i] = gradeLengths[i].second;
  }
  marks[kMarkKindIndex] = 1.0f;
}

void JobBlocks::SetIntervals(const std::vector<float>& top, const std::vector<float>& side) {
  marks.fill(0.0f);
  for (size_t i = 0; i < std::min<size_t>(top.size(), kMarkHalf); ++i)
    marks[i] = top[i];
  for (size_t i = 0; i < std::min<size_t>(side.size(), kMarkHalf); ++i) {
    marks[kMarkHalf + i] = side[i];
  }
  marks[kMarkKindIndex] = 0.0f;
}

bool ParseJob(std::istream& in, JobBlocks& job, std::string* error) {
  std::string line;
  int lineNumber = 0;
  std::vector<float> top, side;
  std::vector<std::pair<float, float>> pairs;
  bool havePairs = false, haveLines = false;
  auto fail = [&](const std::string& why) {
    if (error != nullptr) *error = "line " + std::to_string(lineNumber) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNumber;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    std::string why;
    std::map<std::string, double> keys;
    if (word == "set") {
      std::string name;
      float value = 0;
      if (!(words >> name >> value)) return fail("expected: set NAME VALUE");
      if (!job.SetSetting(name, value)) return fail("unknown setting '" + name + "'");
    } else if (word == "param") {
      int index = -1;
      float value = 0;
      if (!(words >> index >> value) || index < 0 || index >= kParameterBlockFloats) {
        return fail("expected: param INDEX VALUE with INDEX 0..2101");
      }
      job.Set(index, value);
    } else if (word == "fixed") {
      if (!ReadKeys(words, keys, &why) ||
          !Allowed(keys,
                   {"grade", "length", "weight", "start", "value", "quantity", "done", "code"},
                   &why)) {
        return fail(why);
      }
      FixedOrder order;
      order.grade = static_cast<int>(Get(keys, "grade", 1));
      order.length = static_cast<int>(Get(keys, "length", 0));
      order.weight = static_cast<float>(Get(keys, "weight", 1));
      order.startWeight = static_cast<float>(Get(keys, "start", 0));
      order.value = static_cast<float>(Get(keys, "value", 0));
      order.quantity = static_cast<int>(Get(keys, "quantity", 0));
      order.done = static_cast<int>(Get(keys, "done", 0));
      order.code = static_cast<int>(Get(keys, "code", 0));
      if (job.AddFixedOrder(order) < 0) return fail("more than 200 fixed-length orders");
    } else if (word == "variable") {
      if (!ReadKeys(words, keys, &why) ||
          !Allowed(keys, {"grade", "min", "max", "weight", "value", "code"}, &why)) {
        return fail(why);
      }
      VariableOrder order;
      order.grade = static_cast<int>(Get(keys, "grade", 1));
      order.minLength = static_cast<int>(Get(keys, "min", 0));
      order.maxLength = static_cast<int>(Get(keys, "max", 0));
      order.weight = static_cast<float>(Get(keys, "weight", 1));
      order.value = static_cast<float>(Get(keys, "value", 0));
      order.code = static_cast<int>(Get(keys, "code", 0));
      if (job.AddVariableOrder(order) < 0) return fail("more than 24 variable-length orders");
    } else if (word == "uncut") {
      if (!ReadKeys(words, keys, &why) || !Allowed(keys, {"row", "min", "max", "code"}, &why)) {
        return fail(why);
      }
      const int row = static_cast<int>(Get(keys, "row", -1));
      if (row < 0 || row >= kUncutOrderRows) return fail("uncut row must be 0..23");
      job.SetUncutOrder(row, static_cast<int>(Get(keys, "min", 0)),
                        static_cast<int>(Get(keys, "max", 0)),
                        static_cast<int>(Get(keys, "code", 0)));
    } else if (word == "trim") {
      if (!ReadKeys(words, keys, &why) || !Allowed(keys, {"grade", "head", "tail"}, &why)) {
        return fail(why);
      }
      const int grade = static_cast<int>(Get(keys, "grade", 0));
      if (grade < 1 || grade > 8) return fail("trim grade must be 1..8");
      job.SetHeadTail(grade, static_cast<int>(Get(keys, "head", 0)),
                      static_cast<int>(Get(keys, "tail", 0)));
    } else if (word == "pairs" || word == "top" || word == "side") {
      bool ok = true;
      std::vector<float> numbers = ReadNumbers(words, &ok);
      if (!ok) return fail("expected numbers after '" + word + "'");
      if (word == "pairs") {
        if (numbers.size() % 2 != 0) return fail("pairs need a grade and a length each");
        for (size_t i = 0; i + 1 < numbers.size(); i += 2)
          pairs.emplace_back(numbers[i], numbers[i + 1]);
        havePairs = true;
      } else {
        (word == "top" ? top : side)
            .insert((word == "top" ? top : side).end(), numbers.begin(), numbers.end());
        haveLines = true;
      }
    } else {
      return fail("unknown statement '" + word + "'");
    }
  }
  if (havePairs && haveLines) return fail("a board has either pairs or top/side intervals");
  if (havePairs) job.SetPairs(pairs);
  if (haveLines) job.SetIntervals(top, side);
  return true;
}

bool LoadJobFile(const std::string& path, JobBlocks& job, std::string* error) {
  std::ifstream in(path);
  if (!in) {
    if (error != nullptr) *error = "cannot open " + path;
    return false;
  }
  return ParseJob(in, job, error);
}

}  // namespace sawline::tools
