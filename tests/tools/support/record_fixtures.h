// Records of the line written by the library for the replay tests, and the boards
// they are written for.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "desk/blocks.h"
#include "workspace/capacities.h"

namespace sawline::test {

inline constexpr int64_t kRecordSecond = 1772324100;  // 2026-03-01 00:15:00 UTC
inline constexpr int32_t kRecordOffset = 8 * 3600;    // the line computer's zone, +08:00

struct WrittenRecord {
  int32_t returned = 0;
  std::array<float, kResultBlockFloats> result{};
  std::string log;      // the record's bytes as the library wrote them
  std::string refusal;  // the refusal line's reason, "" when the board was not refused
};

// One call through the desk's RunBoard with the calendar fixed at `seconds` (the
// searches seed with it; with `split` >= 1 the calendar moves on one second after that
// many searches) and the clock stopped, the record written to `path` and read back.
WrittenRecord WriteRecord(const tools::JobBlocks& job, const std::string& path,
                          int64_t seconds = kRecordSecond, int32_t offset = kRecordOffset,
                          int split = -1);

// The bundled example board: eight zones of three grades, orders of two.
tools::JobBlocks ExampleJob();

// Three grade-1 zones and 32 fixed-length orders of near-equal weights: the searches of
// the second and third zone answer differently for different seeds, and a search
// stopped after one generation answers differently from one that runs to the end.
tools::JobBlocks SeedSensitiveJob();

// The record's lines without their line ends, and back.
std::vector<std::string> RecordLines(const std::string& bytes);
std::string JoinLines(const std::vector<std::string>& lines);
// The index of the first line that contains `utf8` (as GBK); -1 when none does.
int FindLine(const std::vector<std::string>& lines, const std::string& utf8, int from = 0);

}  // namespace sawline::test
