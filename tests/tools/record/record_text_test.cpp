// The record's characters and labels: each GBK code against the system's converter,
// the records the library writes decode without a byte left over, and nothing that is
// not the record's own text reaches a terminal unescaped.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "record/record_text.h"
#include "support/test_support.h"
#include "tools/support/record_fixtures.h"
#include "tools/support/report_boards.h"

namespace sawline::test {
namespace {

using tools::RecordEncoding;

std::string Utf8(char32_t c) {
  std::string out;
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
  return out;
}

TEST(RecordText, EveryCharacterIsItsGbkCode) {
  const std::vector<tools::RecordCharacter>& characters = tools::RecordCharacters();
  ASSERT_FALSE(characters.empty());
  for (size_t i = 0; i < characters.size(); ++i) {
    const tools::RecordCharacter& c = characters[i];
    if (i > 0) {
      EXPECT_LT(characters[i - 1].codePoint, c.codePoint) << "sorted, no repeats";
    }
    const std::string gbk{static_cast<char>(c.gbk >> 8), static_cast<char>(c.gbk & 0xFF)};
    EXPECT_EQ(GbkToUtf8(gbk), Utf8(c.codePoint)) << static_cast<uint32_t>(c.codePoint);
    EXPECT_EQ(tools::DecodeRecordText(gbk, RecordEncoding::kGbk), Utf8(c.codePoint));
    EXPECT_EQ(tools::EncodeRecordText(Utf8(c.codePoint), RecordEncoding::kGbk), gbk);
  }
  for (const tools::RecordLabel& label : tools::RecordLabels()) {
    EXPECT_EQ(tools::EncodeRecordText(label.text, RecordEncoding::kGbk).find('?'),
              std::string::npos)
        << label.english;
  }
}

class RecordTextOfBoards : public WorkspaceTest {};

// Every board of the report tests (all modes, refusals, marking lines, a hundred
// pieces) and a downgrade board: the library's records hold only tabled characters.
TEST_F(RecordTextOfBoards, RecordsTheLibraryWritesDecodeWholly) {
  std::vector<tools::JobBlocks> jobs;
  for (const ReportBoard& board : ReportBoards())
    jobs.push_back(board.job);
  jobs.push_back(ExampleJob());
  jobs.back().SetSetting("PriorityDowngrade", 1);
  for (const tools::JobBlocks& job : jobs) {
    const std::string log = WriteRecord(job, logPath_).log;
    const std::string shown = tools::ShowRecordText(log, RecordEncoding::kGbk);
    EXPECT_EQ(shown.find("\\x"), std::string::npos) << shown;
    EXPECT_EQ(tools::GuessRecordEncoding(log), RecordEncoding::kGbk);
    EXPECT_EQ(tools::GuessRecordEncoding(GbkToUtf8(log)), RecordEncoding::kUtf8);
    EXPECT_EQ(tools::ShowRecordText(GbkToUtf8(log), RecordEncoding::kUtf8), shown);
  }
}

TEST(RecordText, WhatIsNotTheRecordsOwnTextIsEscaped) {
  struct Case {
    std::string bytes;
    RecordEncoding encoding;
    std::string shown;
  };
  const Case cases[] = {
      {"\x1b[2J\x07", RecordEncoding::kGbk, "\\x1B[2J\\x07"},  // terminal controls
      {"a\\b\tc", RecordEncoding::kGbk, "a\\\\b\\x09c"},
      {"\xB5", RecordEncoding::kGbk, "\\xB5"},       // half a character
      {"\xB5\x41", RecordEncoding::kGbk, "\\xB5A"},  // not a tabled character
      {"\xB5\xC8", RecordEncoding::kGbk, "等"},
      {"\xE7\xAD", RecordEncoding::kUtf8, "\\xE7\\xAD"},           // broken UTF-8
      {"\xC3\xA9", RecordEncoding::kUtf8, "\\xC3\\xA9"},           // UTF-8, not the record's
      {"\xC0\x80", RecordEncoding::kUtf8, "\\xC0\\x80"},           // overlong
      {"\xE2\x80\xAE", RecordEncoding::kUtf8, "\\xE2\\x80\\xAE"},  // right-to-left override
      {"等级", RecordEncoding::kUtf8, "等级"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(tools::DecodeRecordText(c.bytes, c.encoding), c.shown) << c.shown;
}

TEST(RecordText, LongestLabelIsAnnotated) {
  EXPECT_EQ(tools::AnnotateRecordText("    锯口宽度：4.0"), "    锯口宽度[KerfWidth]：4.0");
  EXPECT_EQ(tools::AnnotateRecordText("    1-8等级不定长长:(1)0.0"),
            "    1-8等级不定长长[GradeVarLength]:(1)0.0");
  EXPECT_EQ(tools::AnnotateRecordText("优化方式注："), "优化方式注[modes]：");
  EXPECT_EQ(tools::AnnotateRecordText("Sum Optimizing Time is: 0.1s"),
            "Sum Optimizing Time is: 0.1s");
}

}  // namespace
}  // namespace sawline::test
