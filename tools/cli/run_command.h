// `sawline run`: one board through OptimizationCompute, the entry the line's host
// calls, from a JSON job file, the host's two raw blocks or the bundled example board;
// its cut list and yield, and on request its JSON record and board report.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `run` to `app`; its callback leaves its status in `console`.
void AddRunCommand(CLI::App& app, Console& console);

// `sawline` alone: runs the bundled example board and points to the board report.
ExitStatus RunBundledExample(Console& console);

}  // namespace sawline::tools
