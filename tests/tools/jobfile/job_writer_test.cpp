// Import (blocks to a JSON job) and export (the job back to blocks) must give back the
// same bytes in every entry the library reads, whatever a host put in the blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "committed_files.h"
#include "interface/block_layout.h"
#include "jobfile/job_reader.h"
#include "jobfile/job_writer.h"

namespace sawline::tools {
namespace {

uint32_t Bits(float value) {
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

float FromBits(uint32_t bits) {
  float value = 0.0f;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Reads the imported job back and compares it with the recorded blocks.
void ExpectSameReadEntries(const JobBlocks& recorded, const std::string& text) {
  JobBlocks back;
  JobDiagnostics diagnostics;
  ASSERT_TRUE(ReadJob(text, "imported.json", back, &diagnostics)) << diagnostics.errors[0] << "\n"
                                                                  << text;
  for (int i = 0; i < kParameterBlockFloats; ++i) {
    const size_t at = static_cast<size_t>(i);
    if (ParameterIsRead(recorded.parameters.data(), i)) {
      ASSERT_EQ(Bits(back.parameters[at]), Bits(recorded.parameters[at])) << "parameter " << i;
    } else {
      ASSERT_EQ(Bits(back.parameters[at]), 0u) << "parameter " << i << " is normalized to 0";
    }
  }
  for (size_t i = 0; i < recorded.marks.size(); ++i)
    ASSERT_EQ(Bits(back.marks[i]), Bits(recorded.marks[i])) << "mark " << i;
}

JobBlocks PlainJob() {
  JobBlocks job;
  job.SetSetting("KerfWidth", 4.0f);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
  job.AddFixedOrder({1, 1200, 1.2f, 0.0f, 10.0f, 5, 0, 11010101});
  job.AddVariableOrder({2, 300, 800, 0.7f, 2.0f, 21010101});
  job.SetUncutOrder(3, 900, 1000, 31010101);
  job.SetHeadTail(1, 20, 20);
  job.SetPairs({{2, 850.25f}, {1, 2100}});
  return job;
}

struct Recorded {
  const char* name;
  std::function<void(JobBlocks&)> edit;
  int rawEntries;  // values the named fields cannot hold
};

TEST(JobImport, RecordedBlocksComeBackByteForByte) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float infinity = std::numeric_limits<float>::infinity();
  const Recorded cases[] = {
      {"a plain job", [](JobBlocks&) {}, 0},
      {"NaN kerf", [&](JobBlocks& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, nan); }, 1},
      {"NaN with a payload",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, FromBits(0xFFC01234u)); }, 1},
      {"negative kerf", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_KERF_WIDTH, -4.0f); }, 1},
      {"mode 5", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 5.0f); }, 1},
      {"a fraction in a whole-number setting",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_OPTIMIZE_MODE, 2.999f); }, 1},
      {"a fraction in an order length",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH, 1200.7f); }, 1},
      {"-0.0 weight", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_WEIGHT, -0.0f); }, 0},
      {"enabled 1.5 reads as switched on",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED, 1.5f); }, 1},
      {"order grade 0", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_VARIABLE_ORDER_GRADE, 0.0f); }, 1},
      {"a code no float holds exactly",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_CODE, 99999999.0f); }, 0},
      {"a code above the largest",
       [](JobBlocks& j) { j.Set(SAWLINE_PARAM_FIXED_ORDER_CODE, 3e9f); }, 1},
      {"infinite weight",
       [&](JobBlocks& j) { j.Set(SAWLINE_PARAM_VARIABLE_ORDER_WEIGHT, infinity); }, 1},
      {"a huge trim", [](JobBlocks& j) { j.Set(SAWLINE_PARAM_CB + 8, 1e30f); }, 1},
      {"a switched-off row with junk",
       [&](JobBlocks& j) {
         j.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + 5, 2.0f);
         j.Set(SAWLINE_PARAM_FIXED_ORDER_LENGTH + 5, nan);
       },
       0},
      {"unread entries",
       [](JobBlocks& j) {
         j.Set(0, 12.0f);
         j.Set(SAWLINE_PARAM_UNUSED_TIME_LIMIT, 0.35f);
       },
       0},
      {"pairs with junk after their end",
       [](JobBlocks& j) {
         j.marks[2] = 0.0f;
         j.marks[3] = 7.5f;
         j.marks[150] = 3.0f;
       },
       2},
      {"a zero-length pair", [](JobBlocks& j) { j.marks[kMarkHalf] = 0.0f; }, 1},
      {"pair grade 2.5", [](JobBlocks& j) { j.marks[1] = 2.5f; }, 1},
      {"mark kind 1.5 reads intervals", [](JobBlocks& j) { j.marks[kMarkKindIndex] = 1.5f; }, 1},
      {"a negative interval",
       [](JobBlocks& j) {
         j.SetIntervals({100, -5, 300}, {50});
       },
       1},
      {"an infinite interval",
       [&](JobBlocks& j) {
         j.SetIntervals({100, infinity}, {});
       },
       1},
      {"a full first half",
       [](JobBlocks& j) {
         for (int i = 0; i < kMarkHalf; ++i) {
           j.marks[static_cast<size_t>(i)] = 1.0f;
           j.marks[static_cast<size_t>(kMarkHalf + i)] = 10.0f + static_cast<float>(i);
         }
       },
       0},
  };
  for (const Recorded& recorded : cases) {
    SCOPED_TRACE(recorded.name);
    JobBlocks job = PlainJob();
    recorded.edit(job);
    ImportNotes notes;
    const std::string text = WriteJob(job.parameters.data(), job.marks.data(), "", &notes);
    ExpectSameReadEntries(job, text);
    EXPECT_EQ(notes.rawEntries, recorded.rawEntries) << text;
  }
}

TEST(JobImport, SaysWhatItLeavesOut) {
  JobBlocks job = PlainJob();
  job.Set(2, 1.0f);
  job.Set(SAWLINE_PARAM_UNUSED_TIME_LIMIT, 0.35f);
  job.Set(SAWLINE_PARAM_FIXED_ORDER_ENABLED + 9, 0.5f);  // switched off, holds something
  job.Set(SAWLINE_PARAM_VARIABLE_ORDER_CODE + 3, 7.0f);  // switched off, holds something
  ImportNotes notes;
  WriteJob(job.parameters.data(), job.marks.data(), "", &notes);
  EXPECT_EQ(notes.unreadEntries, 2);
  EXPECT_EQ(notes.switchedOffRows, 2);
  EXPECT_EQ(notes.rawEntries, 0);
}

// Blocks of random bytes and random plausible values: whatever a host sends survives.
TEST(JobImport, RandomBlocksComeBackByteForByte) {
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state;
  };
  for (int trial = 0; trial < 150; ++trial) {
    JobBlocks job;
    const auto draw = [&]() -> float {
      const uint32_t kind = next() % 6;
      if (kind == 0) return FromBits(next());
      if (kind == 1) return static_cast<float>(next() % 12);
      if (kind == 2) return static_cast<float>(next() % 5000) / 4.0f;
      if (kind == 3) return 1.0f;
      return 0.0f;
    };
    for (float& entry : job.parameters)
      entry = draw();
    for (float& entry : job.marks)
      entry = draw();
    if (trial % 2 == 0) job.marks[kMarkKindIndex] = 1.0f;
    SCOPED_TRACE(trial);
    ExpectSameReadEntries(job, WriteJob(job.parameters.data(), job.marks.data(), "", nullptr));
  }
}

// A job written by hand says everything in its named fields: importing what it exports
// gives no raw entry, and reading the import gives the same blocks.
TEST(JobImport, EveryExampleImportsWithoutRawEntries) {
  int examples = 0;
  for (const auto& file : committed::kFiles) {
    const std::string name(file.name);
    if (name.size() < 5 || name.substr(name.size() - 5) != ".json" || name == "job.schema.json") {
      continue;
    }
    SCOPED_TRACE(name);
    ++examples;
    JobBlocks job;
    JobDiagnostics diagnostics;
    ASSERT_TRUE(ReadJob(file.text, name, job, &diagnostics));
    ImportNotes notes;
    const std::string text = WriteJob(job.parameters.data(), job.marks.data(), "", &notes);
    EXPECT_EQ(notes.rawEntries, 0) << text;
    EXPECT_EQ(text.find("\"raw\""), std::string::npos);
    ExpectSameReadEntries(job, text);
  }
  EXPECT_GE(examples, 8);
}

}  // namespace
}  // namespace sawline::tools
