#include "record/record_text.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>

#include "desk/text.h"
#include "interface/run_log_format.h"

namespace sawline::tools {
namespace {

// Every character the record's labels use, by code point; the test checks each GBK
// code against the system's converter and the whole table against a run log.
const std::vector<RecordCharacter> kCharacters = {
    {0x3001, 0xA1A2}, {0x4E0A, 0xC9CF}, {0x4E0D, 0xB2BB}, {0x4E2A, 0xB8F6}, {0x4E2D, 0xD6D0},
    {0x4EF7, 0xBCDB}, {0x4F18, 0xD3C5}, {0x4F20, 0xB4AB}, {0x4F59, 0xD3E0}, {0x4FA7, 0xB2E0},
    {0x4FDD, 0xB1A3}, {0x4FE1, 0xD0C5}, {0x503C, 0xD6B5}, {0x5148, 0xCFC8}, {0x5149, 0xB9E2},
    {0x5165, 0xC8EB}, {0x5171, 0xB9B2}, {0x51B5, 0xBFF6}, {0x5206, 0xB7D6}, {0x5207, 0xC7D0},
    {0x5212, 0xBBAE}, {0x524D, 0xC7B0}, {0x52A0, 0xBCD3}, {0x5316, 0xBBAF}, {0x5355, 0xB5A5},
    {0x53BB, 0xC8A5}, {0x53C2, 0xB2CE}, {0x53CA, 0xBCB0}, {0x53E3, 0xBFDA}, {0x540C, 0xCDAC},
    {0x540E, 0xBAF3}, {0x5426, 0xB7F1}, {0x56FA, 0xB9CC}, {0x5904, 0xB4A6}, {0x5927, 0xB4F3},
    {0x5934, 0xCDB7}, {0x5B58, 0xB4E6}, {0x5B8C, 0xCDEA}, {0x5B9A, 0xB6A8}, {0x5BBD, 0xBFED},
    {0x5BF9, 0xB6D4}, {0x5C0F, 0xD0A1}, {0x5C3E, 0xCEB2}, {0x5E9F, 0xB7CF}, {0x5EA6, 0xB6C8},
    {0x5F00, 0xBFAA}, {0x5F0F, 0xCABD}, {0x5F80, 0xCDF9}, {0x603B, 0xD7DC}, {0x606F, 0xCFA2},
    {0x60C5, 0xC7E9}, {0x6210, 0xB3C9}, {0x622A, 0xBDD8}, {0x62E9, 0xD4F1}, {0x636E, 0xBEDD},
    {0x6570, 0xCAFD}, {0x6599, 0xC1CF}, {0x65B9, 0xB7BD}, {0x65F6, 0xCAB1}, {0x662F, 0xCAC7},
    {0x6700, 0xD7EE}, {0x6709, 0xD3D0}, {0x6728, 0xC4BE}, {0x672A, 0xCEB4}, {0x672B, 0xC4A9},
    {0x6743, 0xC8A8}, {0x6750, 0xB2C4}, {0x677F, 0xB0E5}, {0x679C, 0xB9FB}, {0x6807, 0xB1EA},
    {0x6839, 0xB8F9}, {0x683C, 0xB8F1}, {0x6B64, 0xB4CB}, {0x6BB5, 0xB6CE}, {0x6CD5, 0xB7A8},
    {0x6CE8, 0xD7A2}, {0x6E05, 0xC7E5}, {0x7406, 0xC0ED}, {0x7528, 0xD3C3}, {0x753B, 0xBBAD},
    {0x7684, 0xB5C4}, {0x76F8, 0xCFE0}, {0x7AEF, 0xB6CB}, {0x7B2C, 0xB5DA}, {0x7B49, 0xB5C8},
    {0x7B97, 0xCBE3}, {0x7CFB, 0xCFB5}, {0x7EA7, 0xBCB6}, {0x7EBF, 0xCFDF}, {0x7ED3, 0xBDE1},
    {0x7EDF, 0xCDB3}, {0x7F3A, 0xC8B1}, {0x8003, 0xBFBC}, {0x817F, 0xCDC8}, {0x8367, 0xD3AB},
    {0x8651, 0xC2C7}, {0x89C4, 0xB9E6}, {0x8BA1, 0xBCC6}, {0x8BB0, 0xBCC7}, {0x8BC6, 0xCAB6},
    {0x8DDF, 0xB8FA}, {0x8E22, 0xCCDF}, {0x8F6C, 0xD7AA}, {0x8F93, 0xCAE4}, {0x9001, 0xCBCD},
    {0x9009, 0xD1A1}, {0x90BB, 0xC1DA}, {0x91CF, 0xC1BF}, {0x952F, 0xBEE2}, {0x957F, 0xB3A4},
    {0x95E8, 0xC3C5}, {0x95F4, 0xBCE4}, {0x964D, 0xBDB5}, {0x9677, 0xCFDD}, {0x975E, 0xB7C7},
    {0x9762, 0xC3E6}, {0xFF0C, 0xA3AC}, {0xFF1A, 0xA3BA},
};

// The run log's labels, as the library writes them.
const std::vector<RecordLabel> kLabels = {
#define SAWLINE_RECORD_LABEL(text, english) {text, english},
    SAWLINE_RUN_LOG_LABELS(SAWLINE_RECORD_LABEL)
#undef SAWLINE_RECORD_LABEL
};

const RecordCharacter* ByCodePoint(char32_t c) {
  const auto it = std::lower_bound(
      kCharacters.begin(), kCharacters.end(), c,
      [](const RecordCharacter& entry, char32_t value) { return entry.codePoint < value; });
  return it != kCharacters.end() && it->codePoint == c ? &*it : nullptr;
}

const RecordCharacter* ByGbk(uint16_t code) {
  static const std::vector<const RecordCharacter*> byCode = [] {
    std::vector<const RecordCharacter*> sorted;
    for (const RecordCharacter& entry : kCharacters)
      sorted.push_back(&entry);
    std::sort(sorted.begin(), sorted.end(),
              [](const RecordCharacter* a, const RecordCharacter* b) { return a->gbk < b->gbk; });
    return sorted;
  }();
  const auto it = std::lower_bound(
      byCode.begin(), byCode.end(), code,
      [](const RecordCharacter* entry, uint16_t value) { return entry->gbk < value; });
  return it != byCode.end() && (*it)->gbk == code ? *it : nullptr;
}

void AppendEscaped(std::string& out, unsigned char byte) {
  char text[8];
  std::snprintf(text, sizeof text, "\\x%02X", static_cast<unsigned>(byte));
  out += text;
}

// ASCII that is safe to print as it is.
bool Printable(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7F && byte != '\\';
}

}  // namespace

const std::vector<RecordCharacter>& RecordCharacters() {
  return kCharacters;
}

const std::vector<RecordLabel>& RecordLabels() {
  return kLabels;
}

std::string EncodeRecordText(std::string_view utf8, RecordEncoding encoding) {
  if (encoding == RecordEncoding::kUtf8) return std::string(utf8);
  std::string out;
  for (size_t at = 0; at < utf8.size();) {
    char32_t c = 0;
    const size_t length = Utf8Length(utf8, at, &c);
    if (length == 0) {
      out += '?';
      ++at;
      continue;
    }
    at += length;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (const RecordCharacter* entry = ByCodePoint(c)) {
      out += static_cast<char>(entry->gbk >> 8);
      out += static_cast<char>(entry->gbk & 0xFF);
    } else {
      out += '?';
    }
  }
  return out;
}

std::string DecodeRecordText(std::string_view bytes, RecordEncoding encoding) {
  std::string out;
  for (size_t at = 0; at < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == '\\') {
      out += "\\\\";
      ++at;
      continue;
    }
    if (byte < 0x80) {
      if (Printable(byte)) {
        out += static_cast<char>(byte);
      } else {
        AppendEscaped(out, byte);
      }
      ++at;
      continue;
    }
    if (encoding == RecordEncoding::kGbk) {
      if (at + 1 < bytes.size()) {
        const auto code =
            static_cast<uint16_t>(byte << 8 | static_cast<unsigned char>(bytes[at + 1]));
        if (const RecordCharacter* entry = ByGbk(code)) {
          AppendUtf8(out, entry->codePoint);
          at += 2;
          continue;
        }
      }
    } else {
      char32_t c = 0;
      const size_t length = Utf8Length(bytes, at, &c);
      if (length > 0 && ByCodePoint(c) != nullptr) {
        out.append(bytes.substr(at, length));
        at += length;
        continue;
      }
    }
    AppendEscaped(out, byte);
    ++at;
  }
  return out;
}

namespace {

// Bytes of the UTF-8 character that starts with `lead` (1 for a byte that starts none).
size_t CharacterBytes(unsigned char lead) {
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// The labels by their first character, longest first, so that the first label that
// matches at a place is the longest.
const std::map<std::string_view, std::vector<const RecordLabel*>>& LabelsByFirstCharacter() {
  static const auto table = [] {
    std::map<std::string_view, std::vector<const RecordLabel*>> labels;
    for (const RecordLabel& label : kLabels) {
      const size_t bytes = CharacterBytes(static_cast<unsigned char>(label.text.front()));
      labels[label.text.substr(0, bytes)].push_back(&label);
    }
    for (auto& [first, list] : labels) {
      std::stable_sort(list.begin(), list.end(), [](const RecordLabel* a, const RecordLabel* b) {
        return a->text.size() > b->text.size();
      });
    }
    return labels;
  }();
  return table;
}

// Whether any label starts with the byte: most bytes of a record (digits, spaces) do not.
const std::array<bool, 256>& LabelLeads() {
  static const std::array<bool, 256> leads = [] {
    std::array<bool, 256> table{};
    for (const RecordLabel& label : kLabels)
      table[static_cast<unsigned char>(label.text.front())] = true;
    return table;
  }();
  return leads;
}

}  // namespace

std::string AnnotateRecordText(std::string_view utf8) {
  const auto& labels = LabelsByFirstCharacter();
  const auto& leads = LabelLeads();
  std::string out;
  for (size_t at = 0; at < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    const size_t bytes = std::min(CharacterBytes(lead), utf8.size() - at);
    const std::string_view rest = utf8.substr(at);
    const RecordLabel* found = nullptr;
    if (const auto candidates = leads[lead] ? labels.find(rest.substr(0, bytes)) : labels.end();
        candidates != labels.end()) {
      for (const RecordLabel* label : candidates->second) {
        if (rest.starts_with(label->text)) {
          found = label;
          break;
        }
      }
    }
    if (found == nullptr) {
      out.append(rest.substr(0, bytes));
      at += bytes;
      continue;
    }
    out.append(found->text);
    out += '[';
    out.append(found->english);
    out += ']';
    at += found->text.size();
  }
  return out;
}

std::string ShowRecordText(std::string_view bytes, RecordEncoding encoding) {
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::string out;
  int number = 0;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%5d  ", ++number);
    out += prefix;
    out += AnnotateRecordText(DecodeRecordText(line, encoding));
    out += '\n';
    start = end + 1;
  }
  return out;
}

RecordEncoding GuessRecordEncoding(std::string_view bytes) {
  bool known = false;
  for (size_t at = 0; at < bytes.size();) {
    char32_t c = 0;
    const size_t length = Utf8Length(bytes, at, &c);
    if (length == 0) return RecordEncoding::kGbk;
    known = known || (c >= 0x80 && ByCodePoint(c) != nullptr);
    at += length;
  }
  return known ? RecordEncoding::kUtf8 : RecordEncoding::kGbk;
}

}  // namespace sawline::tools
