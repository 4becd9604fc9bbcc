// `sawline schema [-o FILE]`: the JSON Schema of job files.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `schema` to `app`; its callback leaves its status in `console`.
void AddSchemaCommand(CLI::App& app, Console& console);

}  // namespace sawline::tools
