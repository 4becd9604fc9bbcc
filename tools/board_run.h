// One board through OptimizationCompute, the entry the line's host calls, on the
// desk: at a fixed calendar time with a frozen clock (repeatable) or on live clocks
// (as on the line), with the run log where the caller wants it; and the views of the
// answer: the cut table, the JSON record of the call and the board report page.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "job_file.h"
#include "run_time.h"
#include "workspace/capacities.h"

namespace sawline::tools {

struct RunOptions {
  // A fixed calendar time: the searches seed with it, the run log's timestamp shows it,
  // and the millisecond clock stands still, so that every search runs all its
  // generations and two runs answer alike. Empty: live clocks, as on the line.
  std::optional<RunTime> fixedTime;
  std::string logDirectory;  // where BackupData.txt goes; empty: the current directory
};

struct RunOutcome {
  int32_t returned = 0;
  // The result block as the call left it; it starts as zeros, and a call that returns
  // 0 leaves it so.
  std::array<float, kResultBlockFloats> result{};
  RunTime time;  // the calendar time the run used (read before the call if live)
  bool clockFixed = false;
  std::string logPath;  // the run log the library wrote
  std::string refusal;  // why the library refused the board ("" when it did not)
};

RunOutcome RunBoard(const JobBlocks& job, const RunOptions& options);

// 0 when the library planned pieces, 1 when it planned none or refused the board.
int RunExitStatus(const RunOutcome& outcome);

// The cut table and the yield summary, as read from the result block.
void PrintRun(std::ostream& out, const JobBlocks& job, const RunOutcome& outcome);

// What the call returned, as a JSON document: the return value, all 1169 floats of the
// result block (each reads back as the same float), and the decoded view.
std::string RunJson(const std::string& title, const JobBlocks& job, const RunOutcome& outcome,
                    const std::vector<std::string>& warnings);

// Whether this build has the board report page.
bool BoardReportAvailable();
// Writes the board report page to `path`; false and a reason when it cannot.
bool WriteBoardReportFile(const std::string& path, const std::string& title, const JobBlocks& job,
                          const RunOutcome& outcome, const std::vector<std::string>& notes,
                          std::string* error);

// The reason a refused board's run log gives ("Board refused: ..."), without its line
// end; empty when the log at logPath has none.
std::string ReadRefusal(const std::string& logPath);

}  // namespace sawline::tools
