// Text helpers of the desk tool: printf-style formatting into a string, counts with
// their nouns, floats written so that they read back as the same 32-bit float, and
// UTF-8 sequences.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sawline::tools {

// printf into a string, however long the result.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A count and its noun: "1 board", "6 boards", "0 boards".
std::string CountText(long long count, std::string_view one, std::string_view many);

// The shortest decimal text that reads back as `value` (as a float, and also through a
// double), e.g. "1.2", "1200", "-0.0", "3.4028235e+38". Not for NaN or infinity.
std::string FloatText(float value);

// Appends the UTF-8 sequence of the code point `c` (at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t c);

// Reads one UTF-8 sequence at `at` into `*codePoint`; its length, or 0 for a broken,
// truncated or overlong sequence.
size_t Utf8Length(std::string_view text, size_t at, char32_t* codePoint);

}  // namespace sawline::tools
