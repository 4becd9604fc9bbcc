// JSON output of the desk tool: floats as JSON numbers that read back as the same 32-bit
// float, and a compact pretty printer.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "desk/text.h"

namespace sawline::tools {

using Json = nlohmann::ordered_json;

// A JSON number holding `value`: an integer when the float is whole (and not -0.0),
// otherwise a double that prints as FloatText(value). Not for NaN or infinity.
Json FloatJson(float value);

// The document as text: objects and arrays that fit on one line of `width` columns
// stay on one line, and so does every object of plain values in an array; long arrays of plain
// values are wrapped, and every float prints as FloatText. Ends with a line feed.
std::string PrettyJson(const Json& value, int width = 100);

}  // namespace sawline::tools
