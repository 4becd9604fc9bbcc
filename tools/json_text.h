// JSON text helpers of the desk tool: where each value of a document stands (for
// messages that name a line), floats written so that they read back as the same 32-bit
// float, a compact pretty printer, and the closest known name for a misspelt key.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sawline::tools {

using Json = nlohmann::ordered_json;

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

// The shortest decimal text that reads back as `value` (as a float, and also through a
// double), e.g. "1.2", "1200", "-0.0", "3.4028235e+38". Not for NaN or infinity.
std::string FloatText(float value);

// A JSON number holding `value`: an integer when the float is whole (and not -0.0),
// otherwise a double that prints as FloatText(value). Not for NaN or infinity.
Json FloatJson(float value);

// Reads a JSON number token as a 32-bit float with one rounding; false when the text
// is not a number or is beyond the float range.
bool ParseFloatToken(std::string_view token, float* value);

// The document as text: objects and arrays that fit on one line of `width` columns
// stay on one line, and so does every object of plain values in an array; long arrays of plain
// values are wrapped, and every float prints as FloatText. Ends with a line feed.
std::string PrettyJson(const Json& value, int width = 100);

// The candidate closest to `name` (case, a transposition or a few letters apart, or
// the only candidate that contains it); "" when none is close.
std::string ClosestName(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace sawline::tools
