// Fuzz target: any bytes as the line's record (BackupData.txt). Reading either
// refuses them with a line and a reason or accepts them; an accepted record is rebuilt
// into a job and compared with itself (a record always matches itself), and every
// input is shown as text, which must hold no raw control byte. None of it may crash or
// hang. Inputs are capped at 256 KiB, well above any record the library writes for a
// usual board.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "input_names.h"
#include "record/record_reader.h"
#include "record/record_rebuild.h"
#include "record/record_text.h"
#include "record/replay.h"
#include "workspace/capacities.h"

namespace {

constexpr size_t kMaxInputBytes = 256u << 10;

void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz_record: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  using namespace sawline::tools;

  Record record;
  RecordError error;
  if (ReadRecord(bytes, &record, &error)) {
    Require(!record.lines.empty(), "an accepted record has lines");
    Require(!CompareRecords(record, record).has_value(), "a record differs from itself");
    const RebuiltJob rebuilt = RebuildJob(record);
    Require(rebuilt.job.fixedRows <= sawline::kFixedOrderRows, "fixed rows within the table");
    Require(rebuilt.job.variableRows <= sawline::kVariableOrderRows,
            "variable rows within the table");
    Require(rebuilt.reading != MarkReading::kAuto, "a reading was chosen");
  } else {
    Require(error.line >= 1 && !error.message.empty(), "a refusal names a line and a reason");
  }

  const std::string shown = ShowRecordText(bytes, GuessRecordEncoding(bytes));
  for (const char c : shown) {
    const auto byte = static_cast<unsigned char>(c);
    Require(byte == '\n' || (byte >= 0x20 && byte != 0x7F), "no control byte is shown raw");
  }
  return 0;
}

// "accepted-record", or "refused-" and what the reader's reason says before any quote,
// colon or parenthesis: "refused-at-plan-heading" for "expected the plan heading: ...".
std::string DescribeFuzzInput(const uint8_t* data, size_t size) {
  if (size > kMaxInputBytes) return "oversized";
  sawline::tools::Record record;
  sawline::tools::RecordError error;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (sawline::tools::ReadRecord(bytes, &record, &error)) return "accepted-record";
  constexpr std::string_view kExpected = "expected the ";
  std::string reason = error.message.substr(0, error.message.find_first_of(":(\""));
  if (reason.rfind(kExpected, 0) == 0) reason.replace(0, kExpected.size(), "at ");
  return "refused-" + sawline::fuzz::Slug(reason);
}
