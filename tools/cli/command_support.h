// What the subcommands of the command line share: where they write and the status
// they leave, their help's exit-status footer, and the CLI11 checks of the values that
// can be checked before anything is run.
#pragma once

#include <CLI/CLI.hpp>
#include <initializer_list>
#include <ostream>
#include <string>

#include "desk/exit_status.h"
#include "jobfile/job_reader.h"

namespace sawline::tools {

// Where a subcommand writes, and the exit status its callback leaves for RunSawline.
struct Console {
  std::ostream& out;
  std::ostream& err;
  ExitStatus status = kExitPlanned;
};

// One exit status of a subcommand and what it means there.
struct ExitMeaning {
  ExitStatus status;
  const char* meaning;
};

inline constexpr ExitMeaning kBadUsageMeaning{
    kExitBadInput,
    "bad input or usage (an unreadable input, a bad option, an output folder "
    "that does not exist): nothing was run and nothing written"};

// "Exit status: 0 ...; 2 ...": the footer of a subcommand's help.
std::string ExitStatusText(std::initializer_list<ExitMeaning> meanings);

// Checks of a file a subcommand writes: its folder exists and it is not a folder itself,
// so that the command refuses before it runs anything rather than failing at the end.
// With `dashIsOutput`, "-" stands for the standard output and passes.
CLI::Validator OutputFile(bool dashIsOutput = false);
// The same for a board report, which this build must also be able to draw.
CLI::Validator BoardReportFile();
// A calendar time as ParseRunTime reads it.
CLI::Validator RunTimeText();

// The errors, then the warnings, of reading a job.
void PrintDiagnostics(const JobDiagnostics& diagnostics, std::ostream& err);

}  // namespace sawline::tools
