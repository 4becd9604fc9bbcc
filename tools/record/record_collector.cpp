#include "record/record_collector.h"

#include <utility>

#include "record/record_reader.h"

namespace sawline::tools {
namespace {

bool EndsWith(std::string_view bytes, std::string_view end) {
  return bytes.size() >= end.size() && bytes.substr(bytes.size() - end.size()) == end;
}

}  // namespace

// The reader accepts a record with or without the blank line after "End" and a last
// line without its line end (a record copied by hand); the library always writes both,
// so the collector waits for them and keeps every byte of the call.
RecordState ClassifyRecord(std::string_view bytes) {
  if (bytes.empty() || bytes.back() != '\n') return RecordState::kPartial;
  Record record;
  if (!ReadRecord(bytes, &record, nullptr)) return RecordState::kPartial;
  if (record.refusal) return RecordState::kComplete;
  if (record.closing) {
    const bool blankAfterEnd = EndsWith(bytes, "\n\n") || EndsWith(bytes, "\r\n\r\n");
    return blankAfterEnd ? RecordState::kComplete : RecordState::kPartial;
  }
  // Every board with a segment that the library does not refuse gets pieces, waste at
  // least; a record without results that lists segments is a call whose results were
  // not seen.
  return record.trimmed.empty() ? RecordState::kWholeIfEnded : RecordState::kPartial;
}

RecordCollector::RecordCollector(KeepRecord keep, LoseRecord lose)
    : keep_(std::move(keep)), lose_(std::move(lose)) {}

// A content that does not continue the record in hand is the next call's: the library
// empties the file before anything else, so the record in hand has ended.
void RecordCollector::Observe(const std::string& bytes, LocalMilliseconds now, uint64_t written) {
  // Only a kept record is known to be written no more by its call: a record still in
  // hand may be growing, its write time a moment ahead of the bytes.
  const bool rewritten = kept_ && written != 0 && written_ != 0 && written != written_;
  written_ = written;
  if (bytes == held_ && !rewritten) return;
  const bool continues = !kept_ && bytes.size() > held_.size() &&
                         std::string_view(bytes).substr(0, held_.size()) == held_;
  if (!continues) {
    EndHeld();
    held_.clear();
    kept_ = false;
  }
  if (held_.empty()) seen_ = now;
  held_ = bytes;
  if (ClassifyRecord(held_) == RecordState::kComplete) {
    keep_(held_, seen_, RecordEnding::kComplete);
    kept_ = true;
  }
}

void RecordCollector::EndHeld() {
  if (kept_ || held_.empty()) return;
  if (ClassifyRecord(held_) == RecordState::kWholeIfEnded) {
    keep_(held_, seen_, RecordEnding::kEndedNoPieces);
  } else {
    lose_(held_, seen_);
  }
  kept_ = true;
}

void RecordCollector::Start(const std::string& bytes, LocalMilliseconds now, uint64_t written) {
  written_ = written;
  if (ClassifyRecord(bytes) == RecordState::kPartial) {
    Observe(bytes, now, written);
    return;
  }
  held_ = bytes;
  seen_ = now;
  kept_ = true;
}

void RecordCollector::Finish() {
  EndHeld();
}

bool RecordCollector::Pending() const {
  return !kept_ && !held_.empty();
}

}  // namespace sawline::tools
