// Fuzz target: any bytes become a plausible job with hostile edits (NaN, infinity,
// negative and huge values, odd grades, full tables), and one call must neither
// crash nor hand the host an inconsistent answer.
//
// The input is read in 4-byte edits: a 16-bit target index, a value selector and a
// value byte. Targets below 2102 edit the parameter block, the next 201 the board
// marks. Inputs are capped at 4 KiB (1024 edits).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interface/block_layout.h"
#include "interface/sawline.h"
#include "job_file.h"
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  sawline::tools::JobBlocks job = BaseJob();
  for (size_t at = 0; at + 4 <= size; at += 4) {
    const int target =
        (data[at] | (data[at + 1] << 8)) % (kParameterBlockFloats + kBoardMarkBlockFloats);
    const float value = EditValue(data[at + 2], data[at + 3]);
    if (target < kParameterBlockFloats) {
      job.parameters[static_cast<size_t>(target)] = value;
    } else {
      job.marks[static_cast<size_t>(target - kParameterBlockFloats)] = value;
    }
  }
  // One generation per search: every clock read moves a second on.
  sawline::platform::FixClock(0, 1000);
  sawline::platform::FixSeed(7);

  float result[kResultBlockFloats];
  for (float& slot : result)
    slot = kSentinel;
  const int32_t count = OptimizationCompute(job.parameters.data(), job.marks.data(), result);

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
