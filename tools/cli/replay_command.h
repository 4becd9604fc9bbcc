// `sawline replay RECORD`: the line's record read back, its job rebuilt and run again on
// the desk, and the verdict; or, with --show, the record shown for reading in UTF-8.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `replay` to `app`; its callback leaves its status in `console`.
void AddReplayCommand(CLI::App& app, Console& console);

}  // namespace sawline::tools
