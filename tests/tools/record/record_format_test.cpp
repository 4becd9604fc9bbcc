// The run log's writer and the record's reader share one table of line formats
// (interface/run_log_format.h). Records the library writes for boards of every kind
// (random boards of every mode, with and without priority downgrade, boards that
// give no piece, boards refused for each reason) must read back whole: every line as
// the kind of line it is, each line printing again from the numbers read as the very
// bytes the library wrote, the numbers agreeing with the call's result block and the
// job's settings; and every format of the table must be produced by some board, so
// that a line the writer gains without the reader, or the other way round, fails here.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "interface/run_log_format.h"
#include "interface/sawline.h"
#include "interface/settings_table.h"
#include "record/record_reader.h"
#include "record/replay.h"
#include "support/random_boards.h"
#include "support/test_support.h"
#include "tools/support/record_fixtures.h"
#include "tools/support/report_boards.h"

namespace sawline::test {
namespace {

using tools::Record;
using tools::RecordEncoding;
using tools::RecordLine;
using tools::RecordLineKind;

constexpr uint32_t kRandomBoards = 240;

// The table as the writer prints it: each kind's format and what repeats after it.
struct PrintedFormat {
  const char* format;
  const char* repeat;
};
const PrintedFormat kPrinted[] = {
#define SAWLINE_PRINTED_FORMAT(kind, name, repeat) {SAWLINE_LOG_##kind, #repeat},
    SAWLINE_RUN_LOG_LINES(SAWLINE_PRINTED_FORMAT)
#undef SAWLINE_PRINTED_FORMAT
};
static_assert(std::size(kPrinted) == tools::kRecordLineKinds);

// Prints `format` (in the record's encoding) with the next of `values` for each
// conversion, as printf does; false when the values run out.
bool PrintWith(const std::string& format, const std::vector<double>& values, size_t* next,
               std::string* out) {
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      *out += format[i];
      continue;
    }
    const size_t end = format.find_first_of("dfg", i);
    const std::string conversion = format.substr(i, end - i + 1);
    if (*next >= values.size()) return false;
    const double value = values[(*next)++];
    char text[512];
    if (format[end] == 'd' && conversion.find('l') != std::string::npos) {
      std::snprintf(text, sizeof text, conversion.c_str(), static_cast<long>(value));
    } else if (format[end] == 'd') {
      std::snprintf(text, sizeof text, conversion.c_str(), static_cast<int>(value));
    } else {
      std::snprintf(text, sizeof text, conversion.c_str(), value);
    }
    *out += text;
    i = end;
  }
  return true;
}

// The line printed again from the numbers the reader took from it.
std::string Reprint(const RecordLine& line, RecordEncoding encoding) {
  const PrintedFormat& printed = kPrinted[static_cast<size_t>(line.kind)];
  const std::string repeat = printed.repeat;
  std::string out;
  size_t next = 0;
  PrintWith(tools::EncodeRecordText(printed.format, encoding), line.values, &next, &out);
  if (repeat == "LengthGroups" || repeat == "ValueGroups") {
    const char* group =
        repeat == "ValueGroups" ? SAWLINE_LOG_VALUE_GROUP : SAWLINE_LOG_LENGTH_GROUP;
    for (int g = 1; g <= 8; ++g)
      PrintWith(group, line.values, &next, &out);
  } else if (repeat == "CountGroups" || repeat == "PlanEntries") {
    const std::string group = repeat == "CountGroups"
                                  ? std::string(SAWLINE_LOG_COUNT_GROUP)
                                  : tools::EncodeRecordText(SAWLINE_LOG_PLAN_ENTRY, encoding);
    while (next < line.values.size())
      PrintWith(group, line.values, &next, &out);
  }
  if (next != line.values.size()) out += " (numbers left over)";
  return out;
}

struct Board {
  std::string name;
  tools::JobBlocks job;
  std::string refusal;  // the reason the library gives, "" when it plans the board
};

tools::JobBlocks WithMark(tools::JobBlocks job, int index, float value) {
  job.marks[static_cast<size_t>(index)] = value;
  return job;
}

tools::JobBlocks WithParameter(tools::JobBlocks job, int index, float value) {
  job.Set(index, value);
  return job;
}

// The boards refused for each reason the library gives, in each form of the refusal
// line, and two that plan nothing.
std::vector<Board> EdgeBoards() {
  const tools::JobBlocks example = ExampleJob();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  tools::JobBlocks tooWide = example;
  tooWide.SetSetting("KerfWidth", 7000.0f);
  tools::JobBlocks downgradeNothing;
  downgradeNothing.SetSetting("PriorityDowngrade", 1.0f);
  downgradeNothing.SetPairs({{9, 300}});
  return {
      {"NaN kerf", WithParameter(example, SAWLINE_PARAM_KERF_WIDTH, nan),
       SAWLINE_LOG_REASON_NON_FINITE},
      {"infinite weight", WithParameter(example, SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 1, inf),
       SAWLINE_LOG_REASON_NON_FINITE},
      {"negative kerf", WithParameter(example, SAWLINE_PARAM_KERF_WIDTH, -4.0f),
       SAWLINE_LOG_REASON_NEGATIVE_KERF},
      {"negative mark", WithMark(example, kMarkHalf + 2, -50.0f), SAWLINE_LOG_REASON_NEGATIVE_MARK},
      {"kerf as long as the board", tooWide, SAWLINE_LOG_REASON_KERF_TOO_WIDE},
      {"mode 5", WithParameter(example, SAWLINE_PARAM_OPTIMIZE_MODE, 5.0f),
       "OptimizeMode 5 is outside 0 to 4"},
      {"mark grade 12", WithMark(example, 5, 12.0f), "grade 12 of mark 5 is outside 1 to 9"},
      {"no order", tools::JobBlocks{}, ""},
      {"only waste, downgrade on", downgradeNothing, ""},
  };
}

std::vector<Board> AllBoards() {
  std::vector<Board> boards = EdgeBoards();
  for (const ReportBoard& board : ReportBoards())
    boards.push_back({"report board " + board.name, board.job, ""});
  for (uint32_t seed = 0; seed < kRandomBoards; ++seed)
    boards.push_back({"random board " + std::to_string(seed), RandomBoard(seed), ""});
  for (int mode = 0; mode <= 4; ++mode) {
    for (const float downgrade : {0.0f, 1.0f}) {
      tools::JobBlocks job = ExampleJob();
      job.SetSetting("OptimizeMode", static_cast<float>(mode));
      job.SetSetting("PriorityDowngrade", downgrade);
      boards.push_back(
          {"example in mode " + std::to_string(mode) + (downgrade == 1.0f ? " with downgrade" : ""),
           job, ""});
    }
  }
  return boards;
}

// The settings record holds the job's settings as the library read them: whole
// numbers truncated, the kerf to one decimal.
void ExpectSettingsOfTheJob(const Record& record, const tools::JobBlocks& job) {
  const tools::RecordSettings& s = record.settings;
  const struct {
    const char* name;
    const tools::RecordValue& value;
  } settings[] = {
      {"WasteGateSelect", s.WasteGateSelect},
      {"WasteMarkCount", s.WasteMarkCount},
      {"TailUnmarkedLength", s.TailUnmarkedLength},
      {"GradeMarkLength", s.GradeMarkLength},
      {"GradeAMinLength", s.GradeAMinLength},
      {"UnmarkedGrade", s.UnmarkedGrade},
      {"KerfWidth", s.KerfWidth},
      {"FluorescentLineWidth", s.FluorescentLineWidth},
      {"FrontMarkingMode", s.FrontMarkingMode},
      {"TopWasteSideGradeLines", s.TopWasteSideGradeLines},
      {"SeparateAdjacentSameGrade", s.SeparateAdjacentSameGrade},
      {"RemnantCentering", s.RemnantCentering},
      {"OptimizeMode", s.OptimizeMode},
      {"PriorityDowngrade", s.PriorityDowngrade},
      {"WasteMaxLength", s.WasteMaxLength},
      {"WasteKickerCode", s.WasteKickerCode},
  };
  size_t checked = 0;
  for (const SettingInfo& info : kScalarSettings) {
    for (const auto& setting : settings) {
      if (std::string(setting.name) != info.name) continue;
      const float entry = job.parameters[static_cast<size_t>(info.index)];
      char printed[64];
      std::snprintf(printed, sizeof printed, "%.1f", static_cast<double>(entry));
      const double expected = info.type == SettingType::kFloat
                                  ? std::stod(printed)
                                  : std::trunc(static_cast<double>(entry));
      EXPECT_EQ(setting.value.value, expected) << info.name;
      EXPECT_GT(setting.value.line, 0) << info.name;
      ++checked;
    }
  }
  EXPECT_EQ(checked, std::size(settings));
}

// Half a unit of the last digit the record prints of each entry of the result block,
// and a little for the float the figure is kept in.
double PrintedTolerance(size_t index, float value) {
  const auto i = static_cast<int>(index);
  const double floatStep = std::fabs(static_cast<double>(value)) * 1e-6;
  if (i >= SAWLINE_RESULT_TOTAL_VALUE && i < SAWLINE_RESULT_BOARD_LENGTH) {
    // The value tables' totals are not printed: they add up eight printed grades.
    const bool total = i == SAWLINE_RESULT_TOTAL_FIXED_VALUE || i == SAWLINE_RESULT_TOTAL_VAR_VALUE;
    return (total ? 8 : 1) * 0.0005 + floatStep;
  }
  const bool whole = (i >= SAWLINE_RESULT_SEGMENT_GRADE && i < SAWLINE_RESULT_SEGMENT_LENGTH) ||
                     (i >= SAWLINE_RESULT_PIECE_GRADE_CODE && i < SAWLINE_RESULT_PIECE_LENGTH) ||
                     (i >= SAWLINE_RESULT_CODE_FIELD_1 && i < SAWLINE_RESULT_GRADE_TOTAL_LENGTH);
  return whole ? 0.0 : 0.05 + floatStep;
}

void ExpectResultBlockOfTheCall(const Record& record, const WrittenRecord& written) {
  const std::array<float, kResultBlockFloats> recorded = tools::RecordResultBlock(record);
  for (size_t i = 0; i < recorded.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(recorded[i]), static_cast<double>(written.result[i]),
                PrintedTolerance(i, written.result[i]))
        << "result block index " << i;
  }
}

class RecordFormats : public WorkspaceTest {};

TEST_F(RecordFormats, EveryLineTheLibraryWritesReadsBackWithItsNumbers) {
  std::array<int, tools::kRecordLineKinds> seen{};
  int refusals = 0;
  for (const Board& board : AllBoards()) {
    SCOPED_TRACE(board.name);
    const WrittenRecord written = WriteRecord(board.job, logPath_);
    Record record;
    tools::RecordError error;
    ASSERT_TRUE(tools::ReadRecord(written.log, &record, &error)) << error.Text();

    const std::vector<std::string> lines = RecordLines(written.log);
    ASSERT_EQ(record.lines.size(), lines.size()) << "every line is read as a kind of line";
    for (size_t i = 0; i < lines.size(); ++i) {
      const RecordLine& line = record.lines[i];
      EXPECT_EQ(line.number, static_cast<int>(i) + 1);
      ++seen[static_cast<size_t>(line.kind)];
      if (line.kind == RecordLineKind::kRefusal) continue;  // free text, checked below
      EXPECT_EQ(Reprint(line, record.encoding), lines[i])
          << "line " << line.number << " (" << tools::RecordLineName(line.kind) << ")";
    }

    EXPECT_EQ(record.refusal.value_or(""), written.refusal);
    if (!board.refusal.empty()) {
      EXPECT_EQ(written.refusal, board.refusal);
      EXPECT_EQ(written.returned, 0);
      ++refusals;
      continue;
    }
    ExpectSettingsOfTheJob(record, board.job);
    EXPECT_EQ(record.results, written.returned > 0);
    ExpectResultBlockOfTheCall(record, written);
  }
  EXPECT_EQ(refusals, 7);
  for (size_t kind = 0; kind < seen.size(); ++kind) {
    EXPECT_GT(seen[kind], 0) << "no board writes a "
                             << tools::RecordLineName(static_cast<RecordLineKind>(kind))
                             << " line: the table has a format the writer does not use";
  }
}

}  // namespace
}  // namespace sawline::test
