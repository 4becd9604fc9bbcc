// `sawline replay RECORD`: the line's record read back, its job rebuilt and run again on
// the desk, and the verdict; or, with --show, the record shown for reading in UTF-8.
#pragma once

#include <ostream>
#include <string>

namespace CLI {
class App;
}

namespace sawline::tools {

struct ReplayArguments {
  std::string record;     // the record file (BackupData.txt)
  std::string utcOffset;  // the line computer's zone, "+08:00"; empty: the desk's zone
  std::string job;        // write the rebuilt job here (JSON)
  std::string report;     // write the board report here (HTML)
  std::string json;       // write the desk's answer and the verdict here (JSON)
  bool show = false;      // only show the record
};

// Adds the subcommand to `app`, filling `arguments` when it is parsed.
CLI::App* AddReplayCommand(CLI::App& app, ReplayArguments& arguments);

// Runs it: 0 the desk reproduced the record exactly (or --show read it), 3 the desk
// ran the rebuilt job and answered otherwise, 2 not a readable record or bad usage.
int ReplayCommand(const ReplayArguments& arguments, std::ostream& out, std::ostream& err);

}  // namespace sawline::tools
