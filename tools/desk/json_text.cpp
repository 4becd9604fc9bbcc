#include "desk/json_text.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>

namespace sawline::tools {
namespace {

void NumberText(double number, std::string& out) {
  if (std::fabs(number) <= static_cast<double>(std::numeric_limits<float>::max())) {
    const float single = static_cast<float>(number);
    if (static_cast<double>(single) == number) {
      out += FloatText(single);
      return;
    }
  }
  out += Json(number).dump();
}

void Compact(const Json& value, std::string& out) {
  if (value.is_object()) {
    out += '{';
    bool first = true;
    for (const auto& [key, member] : value.items()) {
      if (!first) out += ", ";
      first = false;
      out += Json(key).dump();
      out += ": ";
      Compact(member, out);
    }
    out += '}';
  } else if (value.is_array()) {
    out += '[';
    for (size_t i = 0; i < value.size(); ++i) {
      if (i > 0) out += ", ";
      Compact(value[i], out);
    }
    out += ']';
  } else if (value.is_number_float()) {
    NumberText(value.get<double>(), out);
  } else {
    out += value.dump();
  }
}

std::string CompactText(const Json& value) {
  std::string out;
  Compact(value, out);
  return out;
}

// `column` is where the value starts on its line, `indent` the indentation of the
// lines that open and close it; `element` says it is an element of an array.
void Pretty(const Json& value, size_t column, size_t indent, size_t width, bool element,
            std::string& out) {
  const std::string compact = CompactText(value);
  const bool record = element && value.is_object() &&
                      std::none_of(value.begin(), value.end(),
                                   [](const Json& member) { return member.is_structured(); });
  // A record of plain values in a list (an order row, a piece) stays on one line, however
  // long.
  if (!value.is_structured() || value.empty() || record || column + compact.size() + 1 <= width) {
    out += compact;
    return;
  }
  const std::string pad(indent + 2, ' ');
  const bool flatArray =
      value.is_array() && std::none_of(value.begin(), value.end(),
                                       [](const Json& item) { return item.is_structured(); });
  if (flatArray) {
    out += "[\n" + pad;
    size_t at = pad.size();
    for (size_t i = 0; i < value.size(); ++i) {
      const std::string text = CompactText(value[i]);
      if (i > 0) {
        out += ',';
        if (at + 2 + text.size() + 1 > width) {
          out += '\n' + pad;
          at = pad.size();
        } else {
          out += ' ';
          at += 2;
        }
      }
      out += text;
      at += text.size();
    }
    out += '\n' + std::string(indent, ' ') + ']';
    return;
  }
  out += value.is_object() ? "{\n" : "[\n";
  size_t i = 0;
  for (const auto& [key, member] : value.items()) {
    out += pad;
    size_t at = pad.size();
    if (value.is_object()) {
      const std::string keyText = Json(key).dump() + ": ";
      out += keyText;
      at += keyText.size();
    }
    Pretty(member, at, indent + 2, width, value.is_array(), out);
    if (++i < value.size()) out += ',';
    out += '\n';
  }
  out += std::string(indent, ' ') + (value.is_object() ? '}' : ']');
}

}  // namespace

Json FloatJson(float value) {
  const double number = static_cast<double>(value);
  if (number == std::trunc(number) && std::fabs(number) < 9.0e15 &&
      !(number == 0.0 && std::signbit(number))) {
    return Json(static_cast<int64_t>(number));
  }
  return Json(std::strtod(FloatText(value).c_str(), nullptr));
}

std::string PrettyJson(const Json& value, int width) {
  std::string out;
  Pretty(value, 0, 0, static_cast<size_t>(width), false, out);
  out += '\n';
  return out;
}

}  // namespace sawline::tools
