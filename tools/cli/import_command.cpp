#include "cli/import_command.h"

#include <memory>
#include <string>

#include "desk/files.h"
#include "desk/raw_blocks.h"
#include "jobfile/job_writer.h"

namespace sawline::tools {
namespace {

struct ImportArguments {
  std::string parameters;
  std::string marks;
  std::string job;  // the job file to write; empty or "-": the output
};

// What the job leaves out of the blocks, or keeps only under "raw".
void PrintImportNotes(const ImportNotes& notes, std::ostream& err) {
  if (notes.switchedOffRows > 0) {
    err << "sawline: import: " << notes.switchedOffRows
        << (notes.switchedOffRows == 1
                ? " order row that is switched off is left out (the library does not read it)\n"
                : " order rows that are switched off are left out (the library does not read "
                  "them)\n");
  }
  if (notes.unreadEntries > 0) {
    err << "sawline: import: " << notes.unreadEntries
        << (notes.unreadEntries == 1 ? " entry that nothing reads" : " entries that nothing reads")
        << " (parameters 0 to 4 and 2089) " << (notes.unreadEntries == 1 ? "is" : "are")
        << " left out\n";
  }
  if (notes.rawEntries > 0) {
    err << "sawline: import: " << notes.rawEntries
        << (notes.rawEntries == 1 ? " value that the named fields cannot hold is"
                                  : " values that the named fields cannot hold are")
        << " kept exactly under \"raw\"\n";
  }
}

ExitStatus ImportBlocks(const ImportArguments& arguments, Console& console) {
  JobBlocks job;
  std::string error;
  if (!ReadRawJob(arguments.parameters, arguments.marks, job, &error)) {
    console.err << "sawline: " << error << '\n';
    return kExitBadInput;
  }
  ImportNotes notes;
  const std::string text =
      WriteJob(job.parameters.data(), job.marks.data(),
               "Imported from " + arguments.parameters + " and " + arguments.marks, &notes);
  if (arguments.job.empty() || arguments.job == "-") {
    console.out << text;
  } else if (!WriteText(arguments.job, text, console.err)) {
    return kExitOutputFailed;
  }
  PrintImportNotes(notes, console.err);
  return kExitPlanned;
}

}  // namespace

void AddImportCommand(CLI::App& app, Console& console) {
  CLI::App* command = app.add_subcommand(
      "import",
      "Turn two recorded raw blocks into a JSON job. Exporting that job gives back the same "
      "bytes in every entry the library reads; order rows that are switched off and the unread "
      "entries 0 to 4 and 2089 are left out.");
  auto arguments = std::make_shared<ImportArguments>();
  command->add_option("params", arguments->parameters, "parameter block (2102 floats)")
      ->required()
      ->check(CLI::ExistingFile);
  command->add_option("marks", arguments->marks, "board-mark block (201 floats)")
      ->required()
      ->check(CLI::ExistingFile);
  command->add_option("--job", arguments->job, "JSON job file to write (default, or -: the output)")
      ->check(OutputFile(true));
  command->footer(ExitStatusText(
      {{kExitPlanned, "the job was written"},
       {kExitBadInput,
        "bad input or usage (a block of the wrong size, a bad option, an output folder that "
        "does not exist): nothing was written"},
       {kExitOutputFailed, "the blocks read, but the job file could not be written"}}));
  command->callback([arguments, &console] { console.status = ImportBlocks(*arguments, console); });
}

}  // namespace sawline::tools
