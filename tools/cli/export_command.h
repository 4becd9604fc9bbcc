// `sawline export JOB.json --params P.f32 --marks M.f32`: a JSON job as the host's two
// raw blocks.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `export` to `app`; its callback leaves its status in `console`.
void AddExportCommand(CLI::App& app, Console& console);

}  // namespace sawline::tools
