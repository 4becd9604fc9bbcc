// `sawline simulate`: a shift of boards through the library, from job files, the line's
// records, folders of them and raw block pairs, or drawn from one job's order book and
// board model.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `simulate` to `app`; its callback leaves its status in `console`. Progress goes
// to the console's error output: a bar when that is the standard error stream on a
// terminal.
void AddSimulateCommand(CLI::App& app, Console& console);

}  // namespace sawline::tools
