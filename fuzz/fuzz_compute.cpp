// Fuzz target: any bytes become a plausible job with hostile edits (NaN, infinity,
// negative and huge values, odd grades, full tables), and one call must neither
// crash nor hand the host an inconsistent answer.
//
// The input is read in 4-byte edits: a 16-bit target index, a value selector and a
// value byte. Targets below 2102 edit the parameter block, the next 201 the board
// marks. Inputs are capped at 4 KiB (1024 edits).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "desk/blocks.h"
#include "input_names.h"
#include "interface/block_layout.h"
#include "interface/input_blocks.h"
#include "interface/sawline.h"
#include "interface/settings_table.h"
#include "platform/platform.h"

namespace {

using sawline::kBoardMarkBlockFloats;
using sawline::kParameterBlockFloats;
using sawline::kResultBlockFloats;

constexpr size_t kMaxInputBytes = 4096;
constexpr float kSentinel = -12345.0f;

float EditValue(uint8_t selector, uint8_t byte) {
  static const float kSpecial[] = {0.0f,  -0.0f,  1.0f,   -1.0f,  9.0f,     49.0f,     50.0f,
                                   79.0f, 80.0f,  140.0f, 139.9f, 1000.0f,  0.001f,    4.5f,
                                   1e30f, -1e30f, 3e9f,   NAN,    INFINITY, -INFINITY, 0.1f};
  switch (selector % 4) {
    case 0:
      return kSpecial[byte % (sizeof kSpecial / sizeof kSpecial[0])];
    case 1:
      return static_cast<float>(byte % 12);  // grades, modes, switches
    case 2:
      return static_cast<float>(byte) * 25.0f;  // lengths up to 6375
    default:
      return static_cast<float>(byte) / 16.0f;  // weights, kerfs, fractions
  }
}

// A small but complete job: orders of every kind in two grades and a graded board.
sawline::tools::JobBlocks BaseJob() {
  sawline::tools::JobBlocks job;
  job.SetSetting("KerfWidth", 4.0f);
  job.SetSetting("WasteMaxLength", 300.0f);
  job.SetSetting("GradeMarkLength", 30.0f);
  job.SetSetting("GradeAMinLength", 200.0f);
  job.SetSetting("UnmarkedGrade", 5.0f);
  job.SetSetting("WasteMarkCount", 9.0f);
  job.AddFixedOrder({1, 1200, 1.2f, 0.0f, 10.0f, 5, 0, 11010101});
  job.AddFixedOrder({1, 600, 1.0f, 0.0f, 4.0f, 0, 0, 11010102});
  job.AddFixedOrder({2, 900, 0.9f, 0.0f, 6.0f, 0, 0, 12010101});
  job.AddVariableOrder({1, 300, 800, 0.7f, 2.0f, 21010101});
  job.AddVariableOrder({2, 250, 700, 0.6f, 1.0f, 22010101});
  job.SetUncutOrder(3, 900, 1000, 31010101);
  job.SetHeadTail(1, 20, 20);
  job.SetPairs({{2, 850}, {1, 2100}, {9, 180}, {2, 1300}, {3, 370}});
  return job;
}

void Fail(const char* what, int index, float value) {
  std::fprintf(stderr, "fuzz_compute: %s (index %d, value %g)\n", what, index,
               static_cast<double>(value));
  std::abort();
}

// One edit of the input: the entry it targets (parameter block first, then the marks)
// and the value it writes.
struct Edit {
  int target;
  float value;
};

template <typename Visit>
void ForEachEdit(const uint8_t* data, size_t size, Visit visit) {
  for (size_t at = 0; at + 4 <= size; at += 4) {
    const int target =
        (data[at] | (data[at + 1] << 8)) % (kParameterBlockFloats + kBoardMarkBlockFloats);
    visit(Edit{target, EditValue(data[at + 2], data[at + 3])});
  }
}

sawline::tools::JobBlocks JobOfInput(const uint8_t* data, size_t size) {
  sawline::tools::JobBlocks job = BaseJob();
  ForEachEdit(data, size, [&](Edit edit) {
    if (edit.target < kParameterBlockFloats) {
      job.parameters[static_cast<size_t>(edit.target)] = edit.value;
    } else {
      job.marks[static_cast<size_t>(edit.target - kParameterBlockFloats)] = edit.value;
    }
  });
  return job;
}

// The call as the target makes it: one generation per search (every clock read moves a
// second on) and a fixed seed.
int32_t Compute(const sawline::tools::JobBlocks& job, float* result) {
  sawline::platform::FixClock(0, 1000);
  sawline::platform::FixSeed(7);
  return OptimizationCompute(job.parameters.data(), job.marks.data(), result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  const sawline::tools::JobBlocks job = JobOfInput(data, size);
  float result[kResultBlockFloats];
  for (float& slot : result)
    slot = kSentinel;
  const int32_t count = Compute(job, result);

  if (count < 0 || count > sawline::kMaxTransferRecords) Fail("piece count out of range", count, 0);
  if (count == 0) {
    for (int i = 0; i < kResultBlockFloats; ++i) {
      if (std::memcmp(&result[i], &kSentinel, sizeof kSentinel) != 0) {
        Fail("result block written for a board without pieces", i, result[i]);
      }
    }
    return 0;
  }
  for (int i = 0; i < kResultBlockFloats; ++i) {
    if (!std::isfinite(result[i])) Fail("non-finite value in the result block", i, result[i]);
  }
  double feedSum = 0;
  for (int i = 0; i < count; ++i)
    feedSum += result[SAWLINE_RESULT_FEED_LENGTH + i];
  for (int i = count; i < sawline::kMaxTransferRecords; ++i) {
    for (int column = 200; column < 900; column += 100) {
      if (result[column + i] != 0.0f)
        Fail("piece column written past the count", column + i, result[column + i]);
    }
  }
  const double boardLength = result[SAWLINE_RESULT_BOARD_LENGTH];
  if (std::fabs(feedSum - boardLength) > 0.01 + 1e-5 * std::fabs(boardLength)) {
    Fail("feed lengths do not add up to the board length", count, static_cast<float>(feedSum));
  }
  return 0;
}

namespace {

// The entry an edit targets, as words of a file name: the setting, the order table and
// its job-file field, the head or tail cut, an entry nothing reads, or the marks.
std::string EditedField(int target) {
  using sawline::fuzz::Slug;
  if (target >= kParameterBlockFloats) {
    return target - kParameterBlockFloats == SAWLINE_MARK_KIND ? "mark-kind" : "marks";
  }
  for (const sawline::SettingInfo& setting : sawline::kScalarSettings) {
    if (setting.index == target) return Slug(setting.name);
  }
  for (const sawline::GradeSettingInfo& setting : sawline::kGradeSettings) {
    if (target > setting.base && target <= setting.base + sawline::kMaxOrderGrade) {
      return Slug(setting.name);
    }
  }
  static const char* const kTables[] = {"fixed", "variable", "uncut"};
  for (const sawline::OrderColumnInfo& column : sawline::kOrderColumns) {
    if (target >= column.first && target < column.first + column.rows) {
      return std::string(kTables[static_cast<int>(column.table)]) + "-" + Slug(column.field);
    }
  }
  return "unread";
}

// How hostile a written value is, most hostile last; kPlain needs no word.
enum class ValueKind { kPlain, kZero, kHuge, kNegative, kInfinite, kNegativeInfinite, kNaN };

ValueKind KindOf(float value) {
  if (std::isnan(value)) return ValueKind::kNaN;
  if (std::isinf(value)) return value > 0 ? ValueKind::kInfinite : ValueKind::kNegativeInfinite;
  if (value < 0.0f) return ValueKind::kNegative;
  if (value == 0.0f) return ValueKind::kZero;
  return value >= 1e9f ? ValueKind::kHuge : ValueKind::kPlain;
}

const char* const kValueWords[] = {"", "-zero", "-huge", "-negative", "-inf", "-neginf", "-nan"};

// How the call ends: refused (and why), or whether any piece was cut, in which mode and
// from which reading of the marks.
std::string Outcome(const sawline::tools::JobBlocks& job) {
  using sawline::fuzz::Slug;
  static const char* const kReasons[] = {
      "", "non-finite", "negative-kerf", "negative-mark", "kerf-too-wide", "setting", "mark-grade"};
  sawline::UnpackParameterBlock(job.parameters.data());
  sawline::CopyBoardMarks(job.marks.data());
  const sawline::Refusal refusal = sawline::ScreenInputs(job.parameters.data());
  if (refusal.reason != sawline::kAccepted) {
    std::string words = std::string("refused-") + kReasons[refusal.reason];
    if (refusal.setting != nullptr) words.append("-").append(Slug(refusal.setting));
    return words;
  }
  static const char* const kModes[] = {"length", "value", "quantity", "long-stock",
                                       "defect-sawing"};
  float result[kResultBlockFloats];
  std::string words = Compute(job, result) > 0 ? "cut-" : "no-pieces-";
  const sawline::Settings& settings = sawline::ws.settings;
  const int mode = static_cast<int>(settings.OptimizeMode);
  words += mode >= 0 && mode <= 4 ? kModes[mode] : std::to_string(mode);
  words += "-mode";
  if (settings.PriorityDowngrade == 1 &&
      settings.OptimizeMode != sawline::OptimizeMode::kDefectSawing) {
    words += "-downgrade";
  }
  if (job.marks[SAWLINE_MARK_KIND] == sawline::kPairMarks) {
    words += "-pairs";
  } else {
    words += settings.TopWasteSideGradeLines != 0 ? "-two-face" : "-one-face";
    if (settings.FrontMarkingMode == 1) words += "-front";
  }
  return words;
}

}  // namespace

// The fields the input edits, in the order of their first edit, each with the most
// hostile value written to it (the first three, and how many more), then the outcome:
// "fixed-grade-neginf-kerf-width-zero-cut-length-mode-pairs". An input without edits is
// the base job.
std::string DescribeFuzzInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return "oversized";
  std::vector<std::pair<std::string, ValueKind>> fields;
  ForEachEdit(data, size, [&](Edit edit) {
    const std::string field = EditedField(edit.target);
    auto it = std::find_if(fields.begin(), fields.end(),
                           [&](const auto& known) { return known.first == field; });
    if (it == fields.end()) it = fields.insert(fields.end(), {field, ValueKind::kPlain});
    it->second = std::max(it->second, KindOf(edit.value));
  });
  std::string name = fields.empty() ? "base-job" : "";
  constexpr size_t kNamedFields = 3;
  for (size_t i = 0; i < fields.size() && i < kNamedFields; ++i) {
    name += (i > 0 ? "-" : "") + fields[i].first + kValueWords[static_cast<int>(fields[i].second)];
  }
  if (fields.size() > kNamedFields) {
    name += std::string("-and-") + std::to_string(fields.size() - kNamedFields) + "-more";
  }
  return name + "-" + Outcome(JobOfInput(data, size));
}
