#include "cli/schema_command.h"

#include <memory>
#include <string>

#include "desk/files.h"
#include "jobfile/job_schema.h"

namespace sawline::tools {
namespace {

ExitStatus PrintSchema(const std::string& output, Console& console) {
  if (output.empty()) {
    console.out << JobSchemaText();
    return kExitPlanned;
  }
  return WriteText(output, JobSchemaText(), console.err) ? kExitPlanned : kExitOutputFailed;
}

}  // namespace

void AddSchemaCommand(CLI::App& app, Console& console) {
  CLI::App* command = app.add_subcommand(
      "schema", "Print the JSON Schema of job files (examples/job.schema.json).");
  auto output = std::make_shared<std::string>();
  command->add_option("-o,--output", *output, "write it to this file instead")->check(OutputFile());
  command->footer(
      ExitStatusText({{kExitPlanned, "the schema was printed or written"},
                      {kExitBadInput,
                       "bad usage (a bad option, an output folder that does not exist): nothing "
                       "was written"},
                      {kExitOutputFailed, "the file could not be written"}}));
  command->callback([output, &console] { console.status = PrintSchema(*output, console); });
}

}  // namespace sawline::tools
