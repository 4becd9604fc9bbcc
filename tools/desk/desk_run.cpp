#include "desk/desk_run.h"

#include <chrono>
#include <fstream>

#include "interface/run_log_format.h"
#include "interface/sawline.h"
#include "platform/platform.h"

namespace sawline::tools {

std::string ReadRefusal(const std::string& logPath) {
  std::ifstream log(logPath, std::ios::binary);
  std::string line;
  while (std::getline(log, line)) {
    if (line.rfind(SAWLINE_LOG_Refusal, 0) != 0) continue;
    line.erase(0, std::char_traits<char>::length(SAWLINE_LOG_Refusal));
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
      line.pop_back();
    return line;
  }
  return "";
}

RunOutcome RunBoard(const JobBlocks& job, const RunOptions& options) {
  RunOutcome outcome;
  platform::ReleaseFixes();
  if (!options.logPath.empty()) {
    outcome.logPath = options.logPath;
  } else {
    outcome.logPath = options.logDirectory.empty()
                          ? std::string(platform::kLogFileName)
                          : options.logDirectory + "/" + platform::kLogFileName;
  }
  platform::SetLogPath(outcome.logPath.c_str());
  if (options.fixedTime) {
    outcome.time = *options.fixedTime;
    outcome.clockFixed = true;
    platform::FixCalendar(outcome.time.seconds, outcome.time.utcOffsetSeconds,
                          options.advanceAfterSeeds);
    platform::FixClock(0);
  } else {
    outcome.time = CurrentRunTime();
  }
  if (options.beforeCall != nullptr) options.beforeCall(options.callContext);
  const auto start = std::chrono::steady_clock::now();
  outcome.returned =
      OptimizationCompute(job.parameters.data(), job.marks.data(), outcome.result.data());
  outcome.callMilliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (options.afterCall != nullptr) options.afterCall(options.callContext);
  platform::ReleaseFixes();
  if (outcome.returned == 0) outcome.refusal = ReadRefusal(outcome.logPath);
  return outcome;
}

ExitStatus RunExitStatus(const RunOutcome& outcome) {
  return outcome.returned > 0 ? kExitPlanned : kExitNoPiece;
}

}  // namespace sawline::tools
