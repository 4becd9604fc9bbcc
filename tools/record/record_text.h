// The text of the line's record (BackupData.txt): its labels are Chinese, written in
// the GBK code page. The desk tool reads them without any code-page library: the few
// characters the record uses are tabled here with their GBK codes, so that a record
// can be matched in GBK (as the line writes it) or in UTF-8 (a record an editor has
// converted), and shown on any terminal in UTF-8 with English labels beside the
// original ones.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sawline::tools {

enum class RecordEncoding {
  kGbk,   // as the library writes it
  kUtf8,  // converted by an editor, or written by a build that keeps UTF-8 labels
};

// One character of the record's labels: its Unicode code point and its two GBK bytes
// (lead byte high).
struct RecordCharacter {
  char32_t codePoint;
  uint16_t gbk;
};
const std::vector<RecordCharacter>& RecordCharacters();

// A label of the record in UTF-8 and what it means in English (the workspace name for
// a setting or a statistic).
struct RecordLabel {
  std::string_view text;
  std::string_view english;
};
const std::vector<RecordLabel>& RecordLabels();

// `utf8` (ASCII and the record's characters) as the record's bytes in `encoding`.
// A character outside the table becomes '?', which no record holds.
std::string EncodeRecordText(std::string_view utf8, RecordEncoding encoding);

// A line of a record as UTF-8 that is safe on a terminal: ASCII that prints and the
// record's own characters pass; every other byte (controls, escape sequences, unknown
// or broken characters) is written as \xNN, and a backslash as \\.
std::string DecodeRecordText(std::string_view bytes, RecordEncoding encoding);

// A decoded line with the English meaning after each known label: "锯口宽度：4.0"
// becomes "锯口宽度[KerfWidth]：4.0".
std::string AnnotateRecordText(std::string_view utf8);

// A whole record for reading on any terminal: every line numbered, decoded to UTF-8
// and annotated, LF line ends.
std::string ShowRecordText(std::string_view bytes, RecordEncoding encoding);

// The encoding a record's bytes are most likely in: UTF-8 when they are valid UTF-8
// and hold one of the record's characters, else GBK.
RecordEncoding GuessRecordEncoding(std::string_view bytes);

}  // namespace sawline::tools
