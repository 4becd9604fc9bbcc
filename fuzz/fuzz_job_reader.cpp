// Fuzz target: any bytes as a JSON job file. Reading must never crash, hang or accept
// a job with errors; a job that reads without errors must write back (as an import
// would) to a job that reads to the same bytes in every entry the library reads, and
// every message must name the file and line it is about.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "interface/block_layout.h"
#include "job_file.h"

namespace {

using sawline::kBoardMarkBlockFloats;
using sawline::kParameterBlockFloats;
using sawline::tools::JobBlocks;
using sawline::tools::JobDiagnostics;

constexpr size_t kMaxInputBytes = 64 * 1024;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "job reader fault: %s\n", what);
  std::abort();
}

bool SameBits(float a, float b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckMessages(const JobDiagnostics& diagnostics) {
  for (const auto* list : {&diagnostics.errors, &diagnostics.warnings}) {
    for (const std::string& message : *list) {
      if (message.rfind("fuzz.json:", 0) != 0) Fail("a message does not name the file");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  JobBlocks job;
  JobDiagnostics diagnostics;
  const bool read = sawline::tools::ReadJob(text, "fuzz.json", job, &diagnostics);
  CheckMessages(diagnostics);
  if (read != diagnostics.errors.empty()) Fail("the outcome disagrees with the errors");
  if (!read) return 0;

  const std::string written =
      sawline::tools::WriteJob(job.parameters.data(), job.marks.data(), "round trip", nullptr);
  JobBlocks again;
  JobDiagnostics againDiagnostics;
  if (!sawline::tools::ReadJob(written, "fuzz.json", again, &againDiagnostics)) {
    Fail("a written job does not read back");
  }
  for (int i = 0; i < static_cast<int>(kParameterBlockFloats); ++i) {
    const size_t at = static_cast<size_t>(i);
    if (sawline::tools::ParameterIsRead(job.parameters.data(), i) &&
        !SameBits(job.parameters[at], again.parameters[at])) {
      Fail("a parameter entry changed on the round trip");
    }
  }
  for (size_t i = 0; i < kBoardMarkBlockFloats; ++i) {
    if (!SameBits(job.marks[i], again.marks[i])) Fail("a mark entry changed on the round trip");
  }
  return 0;
}
