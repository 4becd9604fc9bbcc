// The sawline command line: one subcommand per file (run, export, import, schema,
// settings, replay, simulate), each adding itself to the app with its options and the
// callback that runs it.
#pragma once

#include <ostream>

#include "desk/exit_status.h"

namespace sawline::tools {

// Runs the command line `argv` (argv[0] is the program); writes to `out` and `err` and
// returns the exit status (desk/exit_status.h).
int RunSawline(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace sawline::tools
