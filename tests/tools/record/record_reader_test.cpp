// Reading the line's record: every item of a record the library wrote, every form a
// record takes (defect sawing, value optimization, downgrade, refusal, nothing planned,
// two-face marking, CR LF, converted to UTF-8), and a table of broken records, each
// refused with the line that is wrong.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "record/record_reader.h"
#include "record/record_text.h"
#include "support/test_support.h"
#include "tools/support/record_fixtures.h"

namespace sawline::test {
namespace {

using tools::Record;
using tools::RecordError;
using tools::RecordLineKind;

class RecordReader : public WorkspaceTest {
 protected:
  Record Read(const std::string& bytes) {
    Record record;
    RecordError error;
    EXPECT_TRUE(tools::ReadRecord(bytes, &record, &error)) << error.Text();
    return record;
  }
};

// Known answer: the example board's record (the board and its orders are in
// record_fixtures.cpp; the figures are what the library printed for it).
TEST_F(RecordReader, ReadsEveryItemOfTheExampleRecord) {
  const Record record = Read(WriteRecord(ExampleJob(), logPath_).log);
  EXPECT_EQ(record.encoding, tools::RecordEncoding::kGbk);
  EXPECT_EQ(record.settings.KerfWidth.value, 4.0);
  EXPECT_EQ(record.settings.KerfWidth.line, 6);
  EXPECT_EQ(record.settings.OptimizeTimeLimit.value, 0.04);  // 0.35 s over 8 segments
  EXPECT_EQ(record.settings.WasteKickerCode.value, 1020304.0);
  ASSERT_EQ(record.fixed.size(), 5u);
  EXPECT_EQ(record.fixed[0].line, 17);
  EXPECT_EQ(record.fixed[0].length, 1200);
  EXPECT_EQ(record.fixed[0].weight, 1.2);
  EXPECT_EQ(record.fixed[0].quantity, 20);
  EXPECT_EQ(record.fixed[0].code, 11010101);
  EXPECT_EQ(record.fixed[4].grade, 2);
  EXPECT_EQ(record.fixed[4].length, 450);
  ASSERT_EQ(record.variable.size(), 2u);
  EXPECT_EQ(record.variable[1].minLength, 250);
  ASSERT_EQ(record.uncut.size(), 1u);
  EXPECT_EQ(record.uncut[0].grade, 2);
  EXPECT_EQ(record.trims[1].head, 20);
  EXPECT_EQ(record.trims[3].tail, 0);
  EXPECT_TRUE(record.marks.pairs);
  EXPECT_EQ(record.marks.firstHalfCount.value, 8.0);
  ASSERT_EQ(record.marks.entries.size(), 8u);
  EXPECT_EQ(record.marks.entries[6].first, 9.0);
  EXPECT_EQ(record.marks.entries[6].second, 760.0);
  EXPECT_EQ(record.converted.size(), 8u);
  EXPECT_EQ(record.boardLength.value, 6610.0);
  EXPECT_EQ(record.trimRecord, (std::array<int, 4>{1, 20, 0, 0}));
  ASSERT_EQ(record.trimmed.size(), 8u);
  EXPECT_EQ(record.trimmed[0].length, 830.0);
  EXPECT_FALSE(record.downgrade);
  ASSERT_TRUE(record.results);
  ASSERT_EQ(record.plan.size(), 8u);
  ASSERT_EQ(record.plan[1].entries.size(), 2u);
  EXPECT_EQ(record.plan[1].entries[1].gradeCode, 12);
  EXPECT_EQ(record.plan[1].entries[1].count, 2);
  EXPECT_EQ(record.plan[1].entries[1].tag, 13010101);
  ASSERT_EQ(record.cutList.size(), 16u);
  EXPECT_EQ(record.cutList[1].length, 450.0);
  EXPECT_EQ(record.cutList[6].tag, 1020304);
  ASSERT_EQ(record.transfers.size(), 16u);
  EXPECT_EQ(record.transfers[1].feedLength, 454.0);
  EXPECT_EQ(record.transfers[1].fields, (std::array<int, 4>{12, 1, 1, 2}));
  ASSERT_EQ(record.statistics.orderCounts.size(), 3u);
  EXPECT_EQ(record.statistics.orderCounts[1].row, 3);
  EXPECT_EQ(record.statistics.useful[2], 3100.0);
  EXPECT_EQ(record.statistics.uncut[2], 950.0);
  EXPECT_FALSE(record.statistics.values);
  ASSERT_TRUE(record.closing.has_value());
  EXPECT_EQ(record.closing->elapsedSeconds, 0.0);
  EXPECT_EQ(tools::ClosingTimeText(*record.closing), "2026-03-01T08:15:00");
  for (const tools::RecordLine& line : record.lines)
    EXPECT_EQ(line.number, &line - record.lines.data() + 1);
}

struct Form {
  const char* name;
  std::function<void(tools::JobBlocks&)> edit;
  std::function<std::string(const std::string&)> convert;  // the record's bytes as read
  std::function<void(const Record&)> check;
};

void PrintTo(const Form& form, std::ostream* out) {
  *out << form.name;
}

std::string Identity(const std::string& bytes) {
  return bytes;
}

// CR LF line ends (the Windows library writes them already; their CR stays single).
std::string WithCrLf(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out += '\r';
    out += bytes[i];
  }
  return out;
}

// Two conversions in a row: CR CR LF.
std::string WithCrCrLf(const std::string& bytes) {
  std::string out;
  for (const char c : WithCrLf(bytes)) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class RecordForms : public RecordReader, public ::testing::WithParamInterface<Form> {};

TEST_P(RecordForms, ReadAsAWholeRecord) {
  tools::JobBlocks job = ExampleJob();
  GetParam().edit(job);
  const std::string bytes = GetParam().convert(WriteRecord(job, logPath_).log);
  GetParam().check(Read(bytes));
}

const Form kForms[] = {
    {"defect_sawing", [](tools::JobBlocks& job) { job.SetSetting("OptimizeMode", 4); }, Identity,
     [](const Record& r) {
       EXPECT_TRUE(r.fixed.empty());
       EXPECT_TRUE(r.results);
       EXPECT_TRUE(r.plan.empty());
       EXPECT_FALSE(r.cutList.empty());
     }},
    {"value_mode",
     [](tools::JobBlocks& job) {
       job.SetSetting("OptimizeMode", 1);
       for (int row = 0; row < 5; ++row)
         job.Set(1006 + row, 10.0f + static_cast<float>(row));
       job.Set(1975, 15.0f);
       job.Set(1976, 11.0f);
     },
     Identity,
     [](const Record& r) {
       EXPECT_TRUE(r.statistics.values);
       EXPECT_GT(r.statistics.totalValue, 0.0);
       EXPECT_EQ(r.fixed[0].weight, 0.008);  // 10 per 1200 units, to 3 decimals
     }},
    {"downgrade", [](tools::JobBlocks& job) { job.SetSetting("PriorityDowngrade", 1); }, Identity,
     [](const Record& r) {
       EXPECT_TRUE(r.downgrade);
       ASSERT_EQ(r.downgradeRows.size(), 8u);
       EXPECT_EQ(r.downgradeRows[1].flag, 3);
       EXPECT_TRUE(r.results);
     }},
    {"refused", [](tools::JobBlocks& job) { job.SetSetting("KerfWidth", -4); }, Identity,
     [](const Record& r) {
       ASSERT_TRUE(r.refusal.has_value());
       EXPECT_NE(r.refusal->find("kerf"), std::string::npos);
       EXPECT_EQ(r.settings.KerfWidth.value, -4.0);
       EXPECT_FALSE(r.results);
       EXPECT_FALSE(r.closing.has_value());
     }},
    {"nothing_planned", [](tools::JobBlocks& job) { job.SetPairs({}); }, Identity,
     [](const Record& r) {
       EXPECT_EQ(r.marks.firstHalfCount.value, 0.0);
       EXPECT_TRUE(r.converted.empty());
       EXPECT_FALSE(r.results);
     }},
    {"nothing_planned_downgrade",
     [](tools::JobBlocks& job) {
       job.SetPairs({});
       job.SetSetting("PriorityDowngrade", 1);
     },
     Identity,
     [](const Record& r) {
       EXPECT_TRUE(r.downgrade);
       EXPECT_TRUE(r.downgradeRows.empty());
       EXPECT_FALSE(r.results);
     }},
    {"two_face_raises_the_count",
     [](tools::JobBlocks& job) {
       job.SetIntervals({1000, 2000}, {1500, 20, 1500});
       job.SetSetting("TopWasteSideGradeLines", 1);
     },
     Identity,
     [](const Record& r) {
       EXPECT_FALSE(r.marks.pairs);
       EXPECT_EQ(r.marks.firstHalfCount.value, 3.0);  // one split added
       ASSERT_EQ(r.marks.entries.size(), 3u);
       EXPECT_EQ(r.marks.entries[2].first, 0.0);
       EXPECT_EQ(r.marks.entries[2].second, 1500.0);
     }},
    {"crlf", [](tools::JobBlocks&) {}, WithCrLf,
     [](const Record& r) {
       EXPECT_TRUE(r.crlf);
       EXPECT_EQ(r.cutList.size(), 16u);
     }},
    {"cr_cr_lf", [](tools::JobBlocks&) {}, WithCrCrLf,
     [](const Record& r) { EXPECT_EQ(r.cutList.size(), 16u); }},
    {"utf8", [](tools::JobBlocks&) {}, GbkToUtf8,
     [](const Record& r) {
       EXPECT_EQ(r.encoding, tools::RecordEncoding::kUtf8);
       EXPECT_EQ(r.fixed.size(), 5u);
       EXPECT_EQ(r.cutList.size(), 16u);
     }},
    {"utf8_with_byte_order_mark", [](tools::JobBlocks&) {},
     [](const std::string& bytes) { return "\xEF\xBB\xBF" + GbkToUtf8(bytes); },
     [](const Record& r) { EXPECT_EQ(r.encoding, tools::RecordEncoding::kUtf8); }},
};

INSTANTIATE_TEST_SUITE_P(Records, RecordForms, ::testing::ValuesIn(kForms),
                         [](const ::testing::TestParamInfo<Form>& form) {
                           return std::string(form.param.name);
                         });

// ---- Broken records ----

struct Broken {
  const char* name;
  // Edits the lines of a whole record (the example with priority downgrade: every
  // section is there) and returns the 1-based line the reader must name.
  std::function<int(std::vector<std::string>&)> edit;
  const char* says;  // a part of the message
};

void PrintTo(const Broken& broken, std::ostream* out) {
  *out << broken.name;
}

std::string EncodeGbk(const char* utf8) {
  return tools::EncodeRecordText(utf8, tools::RecordEncoding::kGbk);
}

// Cuts the record after `keep` lines; the reader names the first missing line.
int CutAfter(std::vector<std::string>& lines, int keep) {
  lines.resize(static_cast<size_t>(keep));
  return keep + 1;
}

int CutInside(std::vector<std::string>& lines, const char* label, int more) {
  const int at = FindLine(lines, label);
  return CutAfter(lines, at + 1 + more);
}

// Replaces the first `from` on line `index` by `to`; returns the 1-based line.
int Replace(std::vector<std::string>& lines, int index, const std::string& from,
            const std::string& to) {
  std::string& line = lines[static_cast<size_t>(index)];
  const size_t at = line.find(from);
  EXPECT_NE(at, std::string::npos) << "'" << from << "' on line " << index + 1;
  if (at != std::string::npos) line.replace(at, from.size(), to);
  return index + 1;
}

const Broken kBroken[] = {
    {"cut_in_system_settings", [](auto& l) { return CutAfter(l, 4); }, "ends early"},
    {"cut_in_fixed_list", [](auto& l) { return CutInside(l, "定长清单", 2); }, "ends early"},
    {"cut_in_uncut_list", [](auto& l) { return CutInside(l, "固定不锯切清单", 0); }, "ends early"},
    {"cut_in_head_and_tail_cuts", [](auto& l) { return CutInside(l, "截头截尾", 3); },
     "ends early"},
    {"cut_in_marks", [](auto& l) { return CutInside(l, "输入木材信息", 3); }, "ends early"},
    {"cut_in_converted_segments", [](auto& l) { return CutInside(l, "转化后木材信息", 5); },
     "ends early"},
    {"cut_in_trimmed_segments", [](auto& l) { return CutInside(l, "木材信息去头去尾", 2); },
     "ends early"},
    {"cut_before_the_downgrade_section",
     [](auto& l) { return CutInside(l, "木材信息去头去尾", 8); }, "downgrade section"},
    {"cut_in_downgrade_rows", [](auto& l) { return CutInside(l, "优先降级降级处理后", 4); },
     "ends early"},
    {"cut_in_plan", [](auto& l) { return CutInside(l, "优化结果(", 3); }, "ends early"},
    {"cut_in_cut_list", [](auto& l) { return CutInside(l, "优化结果中废料段处理", 7); },
     "ends early"},
    {"cut_in_controller_records", [](auto& l) { return CutInside(l, "往Simotion", 1); },
     "ends early"},
    {"cut_in_statistics", [](auto& l) { return CutInside(l, "统计量", 4); }, "ends early"},
    {"cut_in_closing_lines", [](auto& l) { return CutAfter(l, static_cast<int>(l.size()) - 3); },
     "ends early"},
    {"wrong_setting_label",
     [](auto& l) {
       return Replace(l, FindLine(l, "锯口宽度"), EncodeGbk("锯口"), EncodeGbk("废料"));
     },
     "KerfWidth"},
    {"wrong_heading",
     [](auto& l) {
       return Replace(l, FindLine(l, "不定长清单"), EncodeGbk("不定长"), EncodeGbk("定长"));
     },
     "variable-length list heading"},
    {"wrong_english_line",
     [](auto& l) { return Replace(l, FindLine(l, "Sum Optimizing"), "Sum", "Total"); },
     "elapsed time"},
    {"kerf_with_two_decimals",
     [](auto& l) { return Replace(l, FindLine(l, "锯口宽度"), "4.0", "4.00"); },
     "'4.00' is not a number"},
    {"letter_in_a_piece_length",
     [](auto& l) {
       return Replace(l, FindLine(l, "优化结果中废料段处理") + 2, "1000.0", "10O0.0");
     },
     "'10O0.0' is not a number"},
    {"plus_sign_in_a_count",
     [](auto& l) { return Replace(l, FindLine(l, "此根木板材") + 1, "(2)1", "(2)+1"); },
     "does not match"},
    {"number_beyond_32_bits",
     [](auto& l) { return Replace(l, FindLine(l, "定长清单") + 1, "11010101", "99999999999"); },
     "is not a number"},
    {"fixed_list_count_disagrees",
     [](auto& l) {
       const int first = FindLine(l, "定长清单") + 1;
       l.erase(l.begin() + first + 2);  // grade 1 lists two of its three entries
       return first + 1;
     },
     "count is 3"},
    {"cut_list_count_disagrees",
     [](auto& l) {
       const int heading = FindLine(l, "优化结果中废料段处理");
       l.erase(l.begin() + heading + 5);
       return heading + 17;  // the empty line where the 16th piece should be
     },
     "counts 16 but 15"},
    {"converted_count_disagrees",
     [](auto& l) { return Replace(l, FindLine(l, "转化后木材信息"), "8", "7") + 8; }, "more lines"},
    {"controller_count_disagrees",
     [](auto& l) { return Replace(l, FindLine(l, "往Simotion"), "16", "15") + 16; }, "more lines"},
    {"entry_numbers_out_of_order",
     [](auto& l) {
       return Replace(l, FindLine(l, "定长清单") + 2, EncodeGbk("第2个"), EncodeGbk("第3个"));
     },
     "should be entry 2"},
    {"grades_out_of_order",
     [](auto& l) {
       return Replace(l, FindLine(l, "截头截尾") + 2, "2 Grade:CT[2]=20    CB[2]",
                      "3 Grade:CT[3]=20    CB[3]");
     },
     "grade 2"},
    {"text_after_the_end",
     [](auto& l) {
       l.push_back("####");
       return static_cast<int>(l.size());
     },
     "end of the record"},
    {"month_thirteen", [](auto& l) { return Replace(l, FindLine(l, "Now Time"), "/3M/", "/13M/"); },
     "not a time of day"},
    {"not_a_record",
     [](auto& l) {
       l = {"hello", "world"};
       return 1;
     },
     "record header"},
};

class BrokenRecords : public RecordReader, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrokenRecords, AreRefusedNamingTheLine) {
  tools::JobBlocks job = ExampleJob();
  job.SetSetting("PriorityDowngrade", 1);
  std::vector<std::string> lines = RecordLines(WriteRecord(job, logPath_).log);
  const int expectedLine = GetParam().edit(lines);
  Record record;
  RecordError error;
  ASSERT_FALSE(tools::ReadRecord(JoinLines(lines), &record, &error));
  EXPECT_EQ(error.line, expectedLine) << error.Text();
  EXPECT_NE(error.message.find(GetParam().says), std::string::npos) << error.Text();
}

INSTANTIATE_TEST_SUITE_P(Records, BrokenRecords, ::testing::ValuesIn(kBroken),
                         [](const ::testing::TestParamInfo<Broken>& broken) {
                           return std::string(broken.param.name);
                         });

TEST_F(RecordReader, HostileBytesAreRefusedNotTrusted) {
  const std::string header = tools::EncodeRecordText(
      "##################################  数据保存  "
      "##################################\n",
      tools::RecordEncoding::kGbk);
  const std::string cases[] = {
      "",
      std::string("\0\0\0\0", 4),
      "\xFF\xFE#\0#\0",  // UTF-16
      header,
      header + "\xB5\n",  // half a character
      header + std::string(100000, '9'),
      header + "系统参数：\n" + std::string(300, '\n'),
  };
  for (const std::string& bytes : cases) {
    Record record;
    RecordError error;
    EXPECT_FALSE(tools::ReadRecord(bytes, &record, &error));
    EXPECT_GE(error.line, 1);
    EXPECT_FALSE(error.message.empty());
  }
}

}  // namespace
}  // namespace sawline::test
