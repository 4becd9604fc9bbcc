#include "desk/text.h"

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace sawline::tools {
namespace {

bool ReadsBackAs(const char* text, float value) {
  const double viaDouble = std::strtod(text, nullptr);
  if (!(std::fabs(viaDouble) <= static_cast<double>(std::numeric_limits<float>::max()))) {
    return false;
  }
  const float back = static_cast<float>(viaDouble);
  return back == value && std::signbit(back) == std::signbit(value);
}

}  // namespace

std::string Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

std::string CountText(long long count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string FloatText(float value) {
  char text[64];
  const auto shortest = std::to_chars(text, text + sizeof text - 1, value);
  *shortest.ptr = '\0';
  if (std::strcmp(text, "-0") == 0) return "-0.0";
  if (ReadsBackAs(text, value)) return text;
  // The shortest float digits may round differently when read through a double; nine
  // significant digits, or the double's own seventeen, always read back exactly.
  std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
  if (ReadsBackAs(text, value)) return text;
  std::snprintf(text, sizeof text, "%.17g", static_cast<double>(value));
  return text;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

size_t Utf8Length(std::string_view text, size_t at, char32_t* codePoint) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  char32_t value = 0;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF) return 0;
  *codePoint = value;
  return length;
}

}  // namespace sawline::tools
