// Where each value of a JSON document stands, for messages that name a line; numbers
// read as 32-bit floats from their text; the closest known name for a misspelt key.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sawline::tools {

// Positions and source text of the values of one JSON document, by JSON pointer
// ("" is the document, "/orders/fixed/3/length" a value inside it).
struct JsonSourceIndex {
  std::map<std::string, int> lines;           // line (from 1) where the value or its key starts
  std::map<std::string, std::string> tokens;  // numbers as they are written in the text
  // Keys that appear a second time in one object: pointer and line of the repetition.
  std::vector<std::pair<std::string, int>> duplicateKeys;
};

// Scans a document that nlohmann::json has already parsed without error.
JsonSourceIndex IndexJsonSource(std::string_view text);

// The line of `pointer`, or of the nearest enclosing value that has one (1 at worst).
int LineOf(const JsonSourceIndex& index, const std::string& pointer);

// Appends one reference token to a JSON pointer, escaping '~' and '/'.
std::string ChildPointer(const std::string& pointer, std::string_view key);
std::string ChildPointer(const std::string& pointer, size_t index);

// Reads a JSON number token as a 32-bit float with one rounding; false when the text
// is not a number or is beyond the float range.
bool ParseFloatToken(std::string_view token, float* value);

// The candidate closest to `name` (case, a transposition or a few letters apart, or
// the only candidate that contains it); "" when none is close.
std::string ClosestName(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace sawline::tools
