// `sawline collect DIR --into ARCHIVE`: beside the line's host, keeps every record the
// library writes to DIR/BackupData.txt, one file per call, in an archive of day folders
// (record/record_archive.h), until --stop-after records are kept or it is stopped.
#pragma once

#include <CLI/CLI.hpp>

#include "cli/command_support.h"

namespace sawline::tools {

// Adds `collect` to `app`; its callback leaves its status in `console`.
void AddCollectCommand(CLI::App& app, Console& console);

// Asks a running collector to stop as Ctrl-C or SIGTERM do: it finishes the record in
// hand and returns. For a program that runs the collector on a thread of its own.
void RequestCollectStop();

}  // namespace sawline::tools
