// Fuzz target: any bytes as a JSON job file. Reading must never crash, hang or accept
// a job with errors; a job that reads without errors must write back (as an import
// would) to a job that reads to the same bytes in every entry the library reads, and
// every message must name the file and line it is about.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "input_names.h"
#include "interface/block_layout.h"
#include "jobfile/job_reader.h"
#include "jobfile/job_writer.h"

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

namespace {

// What a message says, as words of a file name: without the file, line and column it
// starts with, the JSON pointer (only a lower-case top-level key of it stays, unless the
// key itself is unknown), quoted text (but what is missing) and anything after a
// semicolon or parenthesis. "fuzz.json:3: /settings/Kerf: unknown setting "Kerf"" says
// "settings unknown setting".
std::string Gist(std::string_view message) {
  size_t at = message.rfind("fuzz.json", 0) == 0 ? std::string_view("fuzz.json").size() : 0;
  while (at < message.size() && (message[at] == ':' || message[at] == ' ' ||
                                 std::isdigit(static_cast<unsigned char>(message[at])))) {
    ++at;
  }
  message.remove_prefix(at);
  std::string key;
  if (!message.empty() && message[0] == '/') {
    const size_t end = message.find(": ");
    const std::string_view pointer = message.substr(1, end == std::string_view::npos ? 0 : end - 1);
    message.remove_prefix(end == std::string_view::npos ? message.size() : end + 2);
    key = pointer.substr(0, pointer.find('/'));
    const bool lowerWord =
        !key.empty() && key.size() <= 12 &&
        key.find_first_not_of("abcdefghijklmnopqrstuvwxyz_") == std::string::npos;
    if (!lowerWord || message.rfind("unknown key", 0) == 0) key.clear();
  }
  constexpr std::string_view kSyntax = "syntax error while parsing ";
  std::string gist = message.rfind(kSyntax, 0) == 0
                         ? "syntax " + std::string(message.substr(kSyntax.size()))
                         : std::string(message);
  gist = gist.substr(0, gist.find_first_of(";("));
  const bool keepQuoted = gist.rfind("missing ", 0) == 0;
  for (size_t open = gist.find('"'); open != std::string::npos && !keepQuoted;
       open = gist.find('"')) {
    const size_t close = gist.find('"', open + 1);
    gist.erase(open, close == std::string::npos ? std::string::npos : close - open + 1);
  }
  return sawline::fuzz::Slug(key.empty() ? gist : key + " " + gist);
}

}  // namespace

// "error-" and the gist of the reader's first error, "reads-with-warning-" and that of
// its first warning, or "reads-cleanly".
std::string DescribeFuzzInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return "oversized";
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  JobBlocks job;
  JobDiagnostics diagnostics;
  sawline::tools::ReadJob(text, "fuzz.json", job, &diagnostics);
  if (!diagnostics.errors.empty()) return "error-" + Gist(diagnostics.errors[0]);
  if (!diagnostics.warnings.empty()) return "reads-with-warning-" + Gist(diagnostics.warnings[0]);
  return "reads-cleanly";
}
