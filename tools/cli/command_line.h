// The sawline command line. Each subcommand is a few lines over the tool's library (job
// files, raw blocks, run time, runs and their views), so that later subcommands reuse
// the same parts.
#pragma once

#include <ostream>
#include <string>

#include "desk/exit_status.h"

namespace sawline::tools {

// Runs the command line `argv` (argv[0] is the program); writes to `out` and `err`.
int RunSawline(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace sawline::tools
