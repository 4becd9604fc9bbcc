// Telling the records of successive calls apart in the run log, and when each is whole.
//
// The library starts every call by emptying BackupData.txt and then appends the record
// in sections, opening and closing the file around each: the settings, board and order
// lists; then either the refusal line, or (in priority downgrade) the downgrade
// section, the results and the closing lines. A reader that looks at the file while
// it is written sees a growing prefix of one record, until the next call empties it.
//
// A record is kept only when its own structure says it is whole:
// - it ends with the closing lines, the "End" rule and the blank line after it: the
//   record of a call that planned pieces, kept as soon as it is seen;
// - it ends with the refusal line ("Board refused: ..." and its line end): the library
//   writes nothing after it, so it is kept at once;
// - it reads as a whole record without results (the settings, every line its headings
//   count, and the downgrade section when PriorityDowngrade asks for one) and lists no
//   segment after trimming: the library plans pieces (waste at least) for every board
//   with a segment that it does not refuse, so only such a board ends without pieces.
//   While its plan is computed, though, every call's record looks like that up to its
//   segments. Such a record is kept when the next call's record replaces it (the call
//   certainly ended), or when the collector stops and the file has stayed unchanged for
//   the settle time. A record without results that lists segments is a call whose
//   results were not seen: half a record.
// A record is told from the next call's when the next call's record does not continue it
// (the library empties the file first), or when the file was written again after a
// complete record was kept and holds the same bytes: the library never writes to a
// complete record again, so the next call wrote an identical one. Two identical records
// of two calls are so two files. (Where the system gives no write time that changes with
// every write, and for records without pieces, which may still grow, the collector must
// see the file change in between; it looks within milliseconds of every change.)
//
// Anything else is half a record: a section caught while it was written, or a record
// replaced before its last section was seen. It is never kept; it is counted and
// reported as lost.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "record/record_archive.h"

namespace sawline::tools {

enum class RecordState {
  kPartial,       // not a whole record: more must follow
  kWholeIfEnded,  // a whole record without pieces, if the call has ended
  kComplete,      // ends with the closing lines or the refusal: nothing follows
};

// What the bytes of a run log, read at some moment, are.
RecordState ClassifyRecord(std::string_view bytes);

// How a kept record ended, for the collector's line.
enum class RecordEnding {
  kComplete,       // the closing lines or the refusal
  kEndedNoPieces,  // whole without results, and the call ended
};

// Follows the run log's successive contents and hands out each whole record once.
class RecordCollector {
 public:
  using KeepRecord =
      std::function<void(const std::string& bytes, LocalMilliseconds seen, RecordEnding ending)>;
  using LoseRecord = std::function<void(const std::string& bytes, LocalMilliseconds seen)>;

  RecordCollector(KeepRecord keep, LoseRecord lose);

  // The file's whole content as read at `now` (empty when it is missing or empty), and
  // its last write time as the system keeps it (0 where it cannot be trusted to change
  // with every write and only then).
  void Observe(const std::string& bytes, LocalMilliseconds now, uint64_t written = 0);
  // The file's content when the collector starts: a record that is already whole (the
  // last call's, kept by an earlier run) is taken as seen, half a record as the call in
  // progress, to be kept when it is whole.
  void Start(const std::string& bytes, LocalMilliseconds now, uint64_t written = 0);
  // The collector stops: a record whole without results is kept (the caller has waited
  // the settle time), half a record is lost.
  void Finish();
  // A record is in hand that has not been kept (it may yet grow).
  bool Pending() const;

 private:
  void EndHeld();

  KeepRecord keep_;
  LoseRecord lose_;
  std::string held_;            // the record in hand, as last read
  LocalMilliseconds seen_ = 0;  // when its first bytes were seen
  bool kept_ = false;           // it was kept as complete
  uint64_t written_ = 0;        // the file's last write time when it was read
};

}  // namespace sawline::tools
