// `sawline settings [--markdown]`: the settings reference, every setting and order
// column with its block index, unit, allowed values and meaning.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `settings` to `app`; its callback leaves its status in `console`.
void AddSettingsCommand(CLI::App& app, Console& console);

}  // namespace sawline::tools
