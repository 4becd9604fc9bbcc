#include "jobfile/job_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "interface/block_layout.h"

namespace sawline::tools {
namespace {

// Settings every job must give (their range leaves out 0).
const char* const kRequired = R"("UnmarkedGrade": 5, "WasteMarkCount": 9)";

std::string JobText(const std::string& settings, const std::string& rest) {
  return "{\n  \"settings\": {" + std::string(kRequired) + (settings.empty() ? "" : ", ") +
         settings + "},\n" + rest + "\n}\n";
}

uint32_t Bits(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

TEST(JobFile, ReadsEveryPartIntoTheBlocks) {
  const std::string text =
      JobText(R"("KerfWidth": 4.5, "OptimizeMode": 2, "WasteKickerCode": 1020304)",
              R"(  "trims": [{"grade": 2, "CT": 50, "CB": 60}],
  "orders": {
    "fixed": [{"grade": 2, "length": 1200, "weight": 0.5, "quantity": 3, "code": 12345678},
              {"row": 7, "grade": 1, "length": 900, "start_weight": 1.5, "done": 2},
              {"grade": 3, "length": 600, "enabled": 0}],
    "variable": [{"grade": 3, "min_length": 300, "max_length": 900, "value": 7}],
    "uncut": [{"grade": 2, "min_length": 900, "max_length": 1000, "code": 44},
              {"row": 4, "grade": 2, "min_length": 100, "max_length": 200}]
  },
  "marks": {"pairs": [[3, 1200.25], [9, 300]]},
  "raw": {"parameters": {"0": 7, "2089": "0x7FC00000"}, "marks": {"150": -0.0}})");
  JobBlocks job;
  JobDiagnostics diagnostics;
  ASSERT_TRUE(ReadJob(text, "job.json", job, &diagnostics)) << diagnostics.errors[0];
  EXPECT_TRUE(diagnostics.warnings.empty());
  const auto& p = job.parameters;
  EXPECT_EQ(p[SAWLINE_PARAM_KERF_WIDTH], 4.5f);
  EXPECT_EQ(p[SAWLINE_PARAM_OPTIMIZE_MODE], 2.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_UNMARKED_GRADE], 5.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_CT + 2], 50.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_CB + 2], 60.0f);
  // Rows without "row" follow the previous entry of their table.
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_ENABLED + 0], 1.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_CODE + 0], 12345678.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 0], 0.5f);
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_ENABLED + 7], 1.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_START_WEIGHT + 7], 1.5f);
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_WEIGHT + 7], 0.0f);  // an omitted field is 0
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_DONE + 7], 2.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_ENABLED + 8], 0.0f);  // listed, switched off
  EXPECT_EQ(p[SAWLINE_PARAM_FIXED_ORDER_LENGTH + 8], 600.0f);
  EXPECT_EQ(job.fixedRows, 9);
  EXPECT_EQ(p[SAWLINE_PARAM_VARIABLE_ORDER_VALUE + 0], 7.0f);
  // An uncut row given by grade takes the grade's first free row; rows 3 to 5 are grade 2.
  EXPECT_EQ(p[SAWLINE_PARAM_UNCUT_ORDER_ENABLED + 3], 1.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_UNCUT_ORDER_CODE + 3], 44.0f);
  EXPECT_EQ(p[SAWLINE_PARAM_UNCUT_ORDER_MIN_LENGTH + 4], 100.0f);
  EXPECT_EQ(job.marks[0], 3.0f);
  EXPECT_EQ(job.marks[100], 1200.25f);
  EXPECT_EQ(job.marks[kMarkKindIndex], 1.0f);
  // Raw entries come last, exactly as given.
  EXPECT_EQ(p[0], 7.0f);
  EXPECT_EQ(Bits(p[SAWLINE_PARAM_UNUSED_TIME_LIMIT]), 0x7FC00000u);
  EXPECT_EQ(Bits(job.marks[150]), 0x80000000u);
}

TEST(JobFile, MarkingLinesFillBothHalves) {
  JobBlocks job;
  ASSERT_TRUE(ReadJob(JobText("", R"("marks": {"lines": {"top": [1520.5, 20], "side": [700]}})"),
                      "job.json", job, nullptr));
  EXPECT_EQ(job.marks[0], 1520.5f);
  EXPECT_EQ(job.marks[1], 20.0f);
  EXPECT_EQ(job.marks[100], 700.0f);
  EXPECT_EQ(job.marks[kMarkKindIndex], 0.0f);
}

TEST(JobFile, FloatsAreRoundedOnceFromTheirText) {
  // 16777217 lies between two floats; the text rounds to even, as a host would.
  JobBlocks job;
  JobDiagnostics diagnostics;
  ASSERT_TRUE(
      ReadJob(JobText(R"("KerfWidth": 0.1)",
                      R"("orders": {"fixed": [{"grade": 1, "length": 900, "code": 16777217}]},
  "marks": {"pairs": [[1, 1000.1]]})"),
              "job.json", job, &diagnostics));
  EXPECT_EQ(job.parameters[SAWLINE_PARAM_KERF_WIDTH], 0.1f);
  EXPECT_EQ(job.parameters[SAWLINE_PARAM_FIXED_ORDER_CODE], 16777216.0f);
  EXPECT_EQ(job.marks[kMarkHalf], 1000.1f);
  ASSERT_EQ(diagnostics.warnings.size(), 1u);
  EXPECT_NE(diagnostics.warnings[0].find("job.json:3: /orders/fixed/0/code: 16777217 cannot be "
                                         "held exactly by a 32-bit float: the block gets 16777216"),
            std::string::npos)
      << diagnostics.warnings[0];
}

TEST(JobFile, MoreMarksThanTheBlockHoldsAreDroppedWithAWarning) {
  std::string pairs;
  for (int i = 0; i < 103; ++i)
    pairs += std::string(i == 0 ? "" : ", ") + "[1, " + std::to_string(100 + i) + "]";
  JobBlocks job;
  JobDiagnostics diagnostics;
  ASSERT_TRUE(ReadJob(JobText("", "\"marks\": {\"pairs\": [" + pairs + "]}"), "job.json", job,
                      &diagnostics));
  EXPECT_EQ(job.marks[kMarkHalf + 99], 199.0f);
  ASSERT_EQ(diagnostics.warnings.size(), 1u);
  EXPECT_NE(diagnostics.warnings[0].find("the board has 103 pairs but the mark block holds 100: "
                                         "the last 3 are dropped"),
            std::string::npos);
}

struct BadJob {
  const char* name;
  std::string text;
  const char* message;  // the first error, from its start
};

// Each broken job gets its own message: file, line, JSON pointer and what is wrong.
TEST(JobFile, BadJobsAreRefusedWithTheirOwnMessage) {
  const std::string marks = R"("marks": {"pairs": [[1, 1000]]})";
  const BadJob cases[] = {
      {"empty file", "", "job.json:1:1: syntax error while parsing value"},
      {"not an object", "[1, 2]\n", "job.json:1: a job is a JSON object, got an array"},
      {"trailing comma", "{\n  \"settings\": {},\n}\n", "job.json:3:1: syntax error"},
      {"NaN literal", "{\n  \"settings\": {\"KerfWidth\": NaN}\n}\n",
       "job.json:2:"},  // the hint is checked below
      {"number beyond a double",
       "{\n  \"settings\": {\"KerfWidth\": \"1e9\",\n  \"x\": 1e999}\n}\n",
       "job.json:3:12: this number is beyond the range of a double"},
      {"missing settings", "{\n" + marks + "\n}\n",
       "job.json:1: missing \"settings\" (WasteMarkCount, UnmarkedGrade must be given)"},
      {"missing marks", JobText("", "\"trims\": []"),
       "job.json:1: missing \"marks\": the board's grade/length \"pairs\" or marking \"lines\""},
      {"missing setting", "{\n  \"settings\": {\"UnmarkedGrade\": 5},\n" + marks + "\n}\n",
       "job.json:2: /settings: missing setting \"WasteMarkCount\" (1 to 9: grade at which"},
      {"misspelt setting", JobText(R"("KerfWidht": 4)", marks),
       "job.json:2: /settings/KerfWidht: unknown setting \"KerfWidht\" (did you mean "
       "\"KerfWidth\"?)"},
      {"per-grade setting in settings", JobText(R"("CT": 4)", marks),
       "job.json:2: /settings/CT: unknown setting \"CT\" (head and tail cuts are given per grade "
       "under \"trims\")"},
      {"misspelt field",
       JobText("", "\"orders\": {\"fixed\": [{\"grade\": 1,\n \"lenght\": 900}]},\n" + marks),
       "job.json:4: /orders/fixed/0/lenght: unknown key \"lenght\" (did you mean \"length\"?)"},
      {"wrong type", JobText(R"("KerfWidth": "4")", marks),
       "job.json:2: /settings/KerfWidth: expected a number, got the string \"4\""},
      {"NaN as a string", JobText(R"("KerfWidth": "NaN")", marks),
       "job.json:2: /settings/KerfWidth: expected a number, got the string \"NaN\" (JSON has no "
       "NaN"},
      {"beyond the float range", JobText(R"("KerfWidth": 1e39)", marks),
       "job.json:2: /settings/KerfWidth: 1e39 is beyond the range of a 32-bit float"},
      {"negative kerf", JobText(R"("KerfWidth": -4)", marks),
       "job.json:2: /settings/KerfWidth: -4 is outside the allowed range 0 to 16777216 (the "
       "library refuses a board with such a value)"},
      {"mode out of range", JobText(R"("OptimizeMode": 5)", marks),
       "job.json:2: /settings/OptimizeMode: 5 is outside the allowed range 0 to 4"},
      {"fraction in a whole-number field",
       JobText("", "\"orders\": {\"fixed\": [\n{\"grade\": 1, \"length\": 79.5}]},\n" + marks),
       "job.json:4: /orders/fixed/0/length: 79.5 is not a whole number"},
      {"order grade out of range",
       JobText("", "\"orders\": {\"variable\": [{\"grade\": 0}]},\n" + marks),
       "job.json:3: /orders/variable/0/grade: 0 is outside the allowed range 1 to 8"},
      {"missing order grade",
       JobText("", "\"orders\": {\"fixed\": [{\"length\": 900}]},\n" + marks),
       "job.json:3: /orders/fixed/0: missing \"grade\" (1 to 8: grade of the pieces)"},
      {"row twice",
       JobText("",
               "\"orders\": {\"fixed\": [{\"grade\": 1},\n{\"row\": 0, \"grade\": 2}]},\n" + marks),
       "job.json:4: /orders/fixed/1/row: fixed-length row 0 is already given by /orders/fixed/0"},
      {"row beyond the table",
       JobText("", "\"orders\": {\"variable\": [{\"row\": 24, \"grade\": 1}]},\n" + marks),
       "job.json:3: /orders/variable/0/row: 24 is outside the allowed range 0 to 23"},
      {"uncut grade against its row",
       JobText("", "\"orders\": {\"uncut\": [{\"row\": 5, \"grade\": 3}]},\n" + marks),
       "job.json:3: /orders/uncut/0/grade: uncut row 5 belongs to grade 2, not 3"},
      {"uncut without row or grade",
       JobText("", "\"orders\": {\"uncut\": [{\"min_length\": 900}]},\n" + marks),
       "job.json:3: /orders/uncut/0: an uncut row needs \"row\""},
      {"fourth uncut row of a grade",
       JobText("",
               R"("orders": {"uncut": [{"grade": 1}, {"grade": 1}, {"grade": 1}, {"grade": 1}]},)" +
                   marks),
       "job.json:3: /orders/uncut/3/grade: grade 1 has no free uncut row (rows 0 to 2 are given)"},
      {"trim grade twice", JobText("", R"("trims": [{"grade": 1}, {"grade": 1}],)" + marks),
       "job.json:3: /trims/1/grade: grade 1 is already given by /trims/0"},
      {"pair of three", JobText("", R"("marks": {"pairs": [[1, 100, 3]]})"),
       "job.json:3: /marks/pairs/0: expected a pair [grade, length], got an array"},
      {"pair grade 10", JobText("", R"("marks": {"pairs": [[10, 100]]})"),
       "job.json:3: /marks/pairs/0/0: 10 is outside the allowed range 1 to 9 (grades 1 to 8, and 9 "
       "for waste)"},
      {"zero interval", JobText("", R"("marks": {"lines": {"top": [100, 0, 50]}})"),
       "job.json:3: /marks/lines/top/1: 0 is outside the allowed range above 0"},
      {"pairs and lines", JobText("", R"("marks": {"pairs": [], "lines": {}})"),
       "job.json:3: /marks: a board has either \"pairs\" or \"lines\", not both"},
      {"key twice",
       JobText(R"("KerfWidth": 4,
 "KerfWidth": 5)",
               marks),
       "job.json:3: /settings/KerfWidth: the key appears twice in its object"},
      {"raw index beyond the block", JobText("", marks + R"(, "raw": {"marks": {"201": 1}})"),
       "job.json:3: /raw/marks/201: \"201\" is not an entry of the 201-float block (0 to 200)"},
      {"raw bits malformed", JobText("", marks + R"(, "raw": {"parameters": {"5": "0x7fc0"}})"),
       "job.json:3: /raw/parameters/5: expected a number or the float's bits"},
  };
  for (const BadJob& bad : cases) {
    SCOPED_TRACE(bad.name);
    JobBlocks job;
    JobDiagnostics diagnostics;
    EXPECT_FALSE(ReadJob(bad.text, "job.json", job, &diagnostics));
    ASSERT_FALSE(diagnostics.errors.empty());
    EXPECT_EQ(diagnostics.errors[0].rfind(bad.message, 0), 0u) << diagnostics.errors[0];
  }
}

TEST(JobFile, NanAndInfinityLiteralsSayJsonCannotHoldThem) {
  for (const char* literal : {"NaN", "-Infinity", "inf"}) {
    JobBlocks job;
    JobDiagnostics diagnostics;
    EXPECT_FALSE(ReadJob(std::string("{\"settings\": {\"KerfWidth\": ") + literal + "}}",
                         "job.json", job, &diagnostics));
    ASSERT_EQ(diagnostics.errors.size(), 1u);
    EXPECT_NE(diagnostics.errors[0].find("is not a JSON number (JSON has no NaN or infinity"),
              std::string::npos)
        << diagnostics.errors[0];
  }
}

TEST(JobFile, EveryFaultIsListedUpToALimit) {
  std::string rows;
  for (int i = 0; i < 40; ++i)
    rows += std::string(i == 0 ? "" : ",\n") + "{\"grade\": 0}";
  JobBlocks job;
  JobDiagnostics diagnostics;
  EXPECT_FALSE(ReadJob(JobText("", "\"orders\": {\"fixed\": [" + rows + "]}"), "job.json", job,
                       &diagnostics));
  ASSERT_EQ(diagnostics.errors.size(), 26u);
  EXPECT_NE(diagnostics.errors[1].find("/orders/fixed/1/grade"), std::string::npos);
  EXPECT_EQ(diagnostics.errors.back(), "job.json: more errors follow; fix these first");
}

// Any text is read or refused with messages, never a crash: examples with bytes
// changed, cut short or repeated.
TEST(JobFile, DamagedJobsNeverCrashTheReader) {
  const std::string base =
      JobText(R"("KerfWidth": 4.5, "OptimizeMode": 1)",
              R"("trims": [{"grade": 2, "CT": 50}], "orders": {"fixed": [{"row": 3, "grade": 1,
  "length": 900, "value": 2.5, "code": 11010101}], "uncut": [{"grade": 2, "min_length": 900}]},
  "marks": {"lines": {"top": [1520.5, 20, 1100], "side": [700]}},
  "raw": {"parameters": {"2089": "0x7fc00000"}, "marks": {"\u0031\u0035\u0030": 1e-3}})");
  const char kBytes[] = "{}[]\":,.-+eE019 \n\"\\tuXZ";
  uint32_t state = 99;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  int accepted = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    std::string text = base;
    const uint32_t edits = 1 + next() % 4;
    for (uint32_t e = 0; e < edits; ++e) {
      const size_t at = next() % text.size();
      switch (next() % 4) {
        case 0:
          text[at] = kBytes[next() % (sizeof kBytes - 1)];
          break;
        case 1:
          text.erase(at, 1 + next() % 8);
          break;
        case 2:
          text.insert(at, text.substr(next() % text.size(), 1 + next() % 12));
          break;
        default:
          text.resize(at);
          break;
      }
      if (text.empty()) text = "{";
    }
    JobBlocks job;
    JobDiagnostics diagnostics;
    const bool ok = ReadJob(text, "job.json", job, &diagnostics);
    accepted += ok ? 1 : 0;
    ASSERT_EQ(ok, diagnostics.errors.empty()) << text;
    for (const std::string& error : diagnostics.errors)
      ASSERT_EQ(error.rfind("job.json:", 0), 0u) << error;
  }
  EXPECT_GT(accepted, 0);
}

TEST(JobFile, LoadJobFileJoinsTheErrorsOfAMissingFile) {
  JobBlocks job;
  std::string error;
  EXPECT_FALSE(LoadJobFile("no/such/job.json", job, &error));
  EXPECT_EQ(error, "no/such/job.json: cannot be read");
}

}  // namespace
}  // namespace sawline::tools
