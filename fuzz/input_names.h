// Names of saved fuzz inputs. Every target describes an input by what it exercises, and
// the saved corpus names the input by that description and the first 12 hexadecimal
// digits of the SHA-1 of its bytes ("kerf-width-nan-refused-non-finite-1a2b3c4d5e6f").
// The replay program checks these names under CTest and prints them for new inputs;
// fuzz/name_corpus.sh renames a corpus by them.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sawline::fuzz {

// The words of `text` in lower case, joined by '-': "KerfWidth", "kerf width" and
// "kerf_width" all give "kerf-width"; "GradeAMinLength" gives "grade-a-min-length".
// Anything but ASCII letters and digits separates words. Cut at a word's end to at most
// `limit` characters.
inline std::string Slug(std::string_view text, size_t limit = 48) {
  std::string slug;
  const auto isUpper = [](char c) { return std::isupper(static_cast<unsigned char>(c)) != 0; };
  const auto isLower = [](char c) { return std::islower(static_cast<unsigned char>(c)) != 0; };
  const auto isWordChar = [](char c) {
    return static_cast<unsigned char>(c) < 0x80 && std::isalnum(static_cast<unsigned char>(c));
  };
  bool pendingBreak = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (!isWordChar(c)) {
      pendingBreak = true;
      continue;
    }
    // A capital starts a word after a small letter or digit, and ends a run of capitals
    // when a small letter follows it.
    const bool camelBreak =
        i > 0 && isUpper(c) &&
        (!isUpper(text[i - 1]) || (i + 1 < text.size() && isLower(text[i + 1])));
    if (!slug.empty() && (pendingBreak || camelBreak) && slug.back() != '-') slug += '-';
    pendingBreak = false;
    slug += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (slug.size() > limit) {
    const size_t cut = slug.rfind('-', limit);
    slug.resize(cut == std::string::npos || cut == 0 ? limit : cut);
  }
  return slug;
}

}  // namespace sawline::fuzz

// What an input exercises, as the start of its file name. Every target defines it.
std::string DescribeFuzzInput(const uint8_t* data, size_t size);
