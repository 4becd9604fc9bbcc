// One board through OptimizationCompute, the entry the line's host calls, on the
// desk: at a fixed calendar time with a frozen clock (repeatable) or on live clocks
// (as on the line), with the run log where the caller wants it. This is the one place
// of the desk tool that sets the library's clock, calendar and log path.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "desk/block_geometry.h"
#include "desk/blocks.h"
#include "desk/exit_status.h"
#include "desk/run_time.h"

namespace sawline::tools {

struct RunOptions {
  // A fixed calendar time: the searches seed with it, the run log's timestamp shows it,
  // and the millisecond clock stands still, so that every search runs all its
  // generations and two runs answer alike. Empty: live clocks, as on the line.
  std::optional<RunTime> fixedTime;
  // With a fixed time: the calendar moves on one second once this many searches have
  // read their seed (a line whose call spans a second boundary); -1 never.
  int32_t advanceAfterSeeds = -1;
  std::string logDirectory;  // where BackupData.txt goes; empty: the current directory
  std::string logPath;       // the run log's file itself; overrides logDirectory
  // Called right before and right after the entry (with the clock and calendar already
  // set, and still set), e.g. to watch the call's searches; nullptr for none.
  void (*beforeCall)(void* context) = nullptr;
  void (*afterCall)(void* context) = nullptr;
  void* callContext = nullptr;
};

struct RunOutcome {
  int32_t returned = 0;
  // The result block as the call left it; it starts as zeros, and a call that returns
  // 0 leaves it so.
  std::array<float, kResultBlockFloats> result{};
  RunTime time;  // the calendar time the run used (read before the call if live)
  bool clockFixed = false;
  std::string logPath;            // the run log the library wrote
  std::string refusal;            // why the library refused the board ("" when it did not)
  double callMilliseconds = 0.0;  // the entry's wall time on the desk's steady clock
};

// Runs the board through the exported entry with the clock, calendar and log path of
// `options`, and releases them again before it returns.
RunOutcome RunBoard(const JobBlocks& job, const RunOptions& options);

// kExitPlanned when the library planned pieces, kExitNoPiece when it planned none or
// refused the board.
ExitStatus RunExitStatus(const RunOutcome& outcome);

// The reason a refused board's run log gives ("Board refused: ..."), without its line
// end; empty when the log at logPath has none.
std::string ReadRefusal(const std::string& logPath);

}  // namespace sawline::tools
