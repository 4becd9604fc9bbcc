// `sawline import P.f32 M.f32 [--job OUT.json]`: two recorded raw blocks as a JSON job.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `import` to `app`; its callback leaves its status in `console`.
void AddImportCommand(CLI::App& app, Console& console);

}  // namespace sawline::tools
