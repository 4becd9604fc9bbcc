#include "jobfile/json_positions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>

#include "desk/text.h"

namespace sawline::tools {
namespace {

// Walks a document that is known to be valid JSON and records the line of every key
// and array element and the text of every number.
class SourceScanner {
 public:
  SourceScanner(std::string_view text, JsonSourceIndex* index) : text_(text), index_(index) {}

  void Document() {
    SkipSpace();
    index_->lines[""] = line_;
    Value("");
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[pos_]; }

  void SkipSpace() {
    while (!AtEnd()) {
      const char c = text_[pos_];
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
      if (c == '\n') ++line_;
      ++pos_;
    }
  }

  void Value(const std::string& pointer) {
    SkipSpace();
    switch (Peek()) {
      case '{':
        Object(pointer);
        break;
      case '[':
        Array(pointer);
        break;
      case '"':
        String();
        break;
      default:
        Scalar(pointer);
        break;
    }
  }

  void Object(const std::string& pointer) {
    ++pos_;
    std::set<std::string> seen;
    SkipSpace();
    if (Peek() == '}') {
      ++pos_;
      return;
    }
    while (!AtEnd()) {
      SkipSpace();
      const int keyLine = line_;
      const std::string key = String();
      const std::string child = ChildPointer(pointer, key);
      if (seen.insert(key).second) {
        index_->lines[child] = keyLine;
      } else {
        index_->duplicateKeys.emplace_back(child, keyLine);
      }
      SkipSpace();
      ++pos_;  // ':'
      Value(child);
      SkipSpace();
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      ++pos_;  // '}'
      return;
    }
  }

  void Array(const std::string& pointer) {
    ++pos_;
    SkipSpace();
    if (Peek() == ']') {
      ++pos_;
      return;
    }
    size_t element = 0;
    while (!AtEnd()) {
      SkipSpace();
      const std::string child = ChildPointer(pointer, element++);
      index_->lines[child] = line_;
      Value(child);
      SkipSpace();
      if (Peek() == ',') {
        ++pos_;
        continue;
      }
      ++pos_;  // ']'
      return;
    }
  }

  uint32_t Hex4() {
    uint32_t code = 0;
    for (int i = 0; i < 4 && !AtEnd(); ++i) {
      const char c = text_[pos_++];
      const uint32_t digit = std::isdigit(static_cast<unsigned char>(c))
                                 ? static_cast<uint32_t>(c - '0')
                                 : static_cast<uint32_t>(std::tolower(c) - 'a' + 10);
      code = code * 16 + digit;
    }
    return code;
  }

  // The decoded string at pos_ (which is at its opening quote).
  std::string String() {
    ++pos_;
    std::string out;
    while (!AtEnd() && text_[pos_] != '"') {
      const char c = text_[pos_++];
      if (c != '\\' || AtEnd()) {
        out += c;
        continue;
      }
      const char escape = text_[pos_++];
      switch (escape) {
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          uint32_t code = Hex4();
          if (code >= 0xD800 && code < 0xDC00 && Peek() == '\\') {
            pos_ += 2;  // "\u" of the low surrogate
            const uint32_t low = Hex4();
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          AppendUtf8(out, static_cast<char32_t>(code));
          break;
        }
        default:
          out += escape;  // '"', '\\' and '/'
          break;
      }
    }
    ++pos_;
    return out;
  }

  void Scalar(const std::string& pointer) {
    const size_t start = pos_;
    while (!AtEnd() && std::strchr(",]} \t\r\n", text_[pos_]) == nullptr)
      ++pos_;
    const std::string_view token = text_.substr(start, pos_ - start);
    if (!token.empty() && (token[0] == '-' || std::isdigit(static_cast<unsigned char>(token[0])))) {
      index_->tokens[pointer] = std::string(token);
    }
  }

  std::string_view text_;
  JsonSourceIndex* index_;
  size_t pos_ = 0;
  int line_ = 1;
};

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Edits (insert, delete, replace, swap two neighbours) between two strings.
size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i)
    d[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j)
    d[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
      }
    }
  }
  return d[a.size()][b.size()];
}

}  // namespace

JsonSourceIndex IndexJsonSource(std::string_view text) {
  JsonSourceIndex index;
  SourceScanner(text, &index).Document();
  return index;
}

int LineOf(const JsonSourceIndex& index, const std::string& pointer) {
  std::string at = pointer;
  while (true) {
    const auto it = index.lines.find(at);
    if (it != index.lines.end()) return it->second;
    if (at.empty()) return 1;
    at.resize(at.rfind('/'));
  }
}

std::string ChildPointer(const std::string& pointer, std::string_view key) {
  std::string out = pointer + '/';
  for (const char c : key) {
    if (c == '~') {
      out += "~0";
    } else if (c == '/') {
      out += "~1";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ChildPointer(const std::string& pointer, size_t index) {
  return pointer + '/' + std::to_string(index);
}

bool ParseFloatToken(std::string_view token, float* value) {
  float parsed = 0.0f;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), parsed);
  if (result.ptr != token.data() + token.size()) return false;
  if (result.ec == std::errc()) {
    *value = parsed;
    return true;
  }
  // Out of range: beyond the float range fails; a number too small for a float
  // becomes a denormal or zero, as a host's conversion would make it.
  const double number = std::strtod(std::string(token).c_str(), nullptr);
  if (!(std::fabs(number) <= static_cast<double>(std::numeric_limits<float>::max()))) {
    return false;
  }
  *value = static_cast<float>(number);
  return true;
}

std::string ClosestName(std::string_view name, const std::vector<std::string>& candidates) {
  const std::string wanted = Lower(name);
  std::string best;
  size_t bestDistance = std::numeric_limits<size_t>::max();
  for (const std::string& candidate : candidates) {
    const size_t distance = EditDistance(wanted, Lower(candidate));
    if (distance < bestDistance) {
      bestDistance = distance;
      best = candidate;
    }
  }
  const size_t limit = wanted.size() <= 4 ? 1 : wanted.size() <= 8 ? 2 : 3;
  if (bestDistance <= limit) return best;
  if (wanted.size() < 3) return "";
  std::string containing;
  for (const std::string& candidate : candidates) {
    if (Lower(candidate).find(wanted) == std::string::npos) continue;
    if (!containing.empty()) return "";  // more than one: no guess
    containing = candidate;
  }
  return containing;
}

}  // namespace sawline::tools
