// Documents of the job format generated from the settings table, so that they cannot
// drift from what the reader accepts: the JSON Schema (examples/job.schema.json), the
// settings reference of the README, and the same reference for a terminal.
#pragma once

#include <string>

namespace sawline::tools {

// The JSON Schema (draft 2020-12) of a job file, as committed in examples/.
std::string JobSchemaText();

// The settings reference as Markdown tables (the README's section between its markers).
std::string SettingsReferenceMarkdown();

// The settings reference for `sawline settings`.
std::string SettingsReferenceText();

}  // namespace sawline::tools
