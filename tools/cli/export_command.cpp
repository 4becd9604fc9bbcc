#include "cli/export_command.h"

#include <memory>
#include <string>

#include "desk/raw_blocks.h"
#include "jobfile/job_reader.h"

namespace sawline::tools {
namespace {

struct ExportArguments {
  std::string job;
  std::string parameters;  // the parameter block to write
  std::string marks;       // the board-mark block to write
};

ExitStatus ExportJob(const ExportArguments& arguments, Console& console) {
  JobBlocks job;
  JobDiagnostics diagnostics;
  const bool ok = LoadJob(arguments.job, job, &diagnostics);
  PrintDiagnostics(diagnostics, console.err);
  if (!ok) {
    console.err << "sawline: " << arguments.job << ": nothing was written\n";
    return kExitBadInput;
  }
  std::string error;
  if (!WriteRawJob(job, arguments.parameters, arguments.marks, &error)) {
    console.err << "sawline: " << error << '\n';
    return kExitOutputFailed;
  }
  console.out << "wrote " << arguments.parameters << " (" << job.parameters.size()
              << " floats) and " << arguments.marks << " (" << job.marks.size() << " floats)\n";
  return kExitPlanned;
}

}  // namespace

void AddExportCommand(CLI::App& app, Console& console) {
  CLI::App* command =
      app.add_subcommand("export", "Write a JSON job as the host's two raw blocks.");
  auto arguments = std::make_shared<ExportArguments>();
  command->add_option("job", arguments->job, "JSON job file")->required()->check(CLI::ExistingFile);
  command->add_option("--params", arguments->parameters, "parameter block to write (.f32)")
      ->required()
      ->check(OutputFile());
  command->add_option("--marks", arguments->marks, "board-mark block to write (.f32)")
      ->required()
      ->check(OutputFile());
  command->footer(ExitStatusText(
      {{kExitPlanned, "both blocks were written"},
       {kExitBadInput,
        "bad input or usage (a job that does not read, a bad option, an output folder that "
        "does not exist): nothing was written"},
       {kExitOutputFailed, "the job read, but a block could not be written"}}));
  command->callback([arguments, &console] { console.status = ExportJob(*arguments, console); });
}

}  // namespace sawline::tools
