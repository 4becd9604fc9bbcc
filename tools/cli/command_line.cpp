#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "bundled_job.h"
#include "cli/replay_command.h"
#include "cli/simulate_command.h"
#include "desk/block_checks.h"
#include "desk/desk_run.h"
#include "desk/files.h"
#include "desk/raw_blocks.h"
#include "desk/result_view.h"
#include "desk/run_time.h"
#include "jobfile/job_reader.h"
#include "jobfile/job_schema.h"
#include "jobfile/job_writer.h"
#include "views/run_views.h"

namespace sawline::tools {
namespace {

constexpr const char* kBundledTitle = "the bundled example board (examples/example_board.json)";
constexpr const char* kExitText =
    "Exit status: 0 the library planned pieces (or the command did its work); 1 the library "
    "planned no piece or refused the board; 2 bad input or usage, nothing was run.";

struct RunArguments {
  std::string job;
  std::string parameters;
  std::string marks;
  std::string time;
  std::string json;
  std::string report;
  std::string logDirectory;
};

void PrintDiagnostics(const JobDiagnostics& diagnostics, std::ostream& err) {
  for (const std::string& error : diagnostics.errors)
    err << error << '\n';
  for (const std::string& warning : diagnostics.warnings)
    err << "warning: " << warning << '\n';
}

// The job of a run or an export, with what is worth a warning; false after a message.
bool LoadRunJob(const RunArguments& arguments, JobBlocks& job, std::string* title,
                std::vector<std::string>* warnings, std::ostream& err) {
  if (!arguments.parameters.empty()) {
    std::string error;
    if (!ReadRawJob(arguments.parameters, arguments.marks, job, &error)) {
      err << "sawline: " << error << '\n';
      return false;
    }
    *title = arguments.parameters + " + " + arguments.marks;
    *warnings = CheckBlocks(job.parameters.data(), job.marks.data(), {true});
    return true;
  }
  JobDiagnostics diagnostics;
  bool ok = false;
  if (arguments.job.empty()) {
    *title = kBundledTitle;
    ok = ReadJob(bundled::kFiles[0].text, "example_board.json", job, &diagnostics);
  } else {
    *title = arguments.job;
    ok = LoadJob(arguments.job, job, &diagnostics);
  }
  if (!ok) {
    PrintDiagnostics(diagnostics, err);
    err << "sawline: " << *title << ": nothing was run\n";
    return false;
  }
  *warnings = diagnostics.warnings;
  // The reader has checked the named values; raw entries are checked here like raw blocks.
  const std::vector<std::string> more =
      CheckBlocks(job.parameters.data(), job.marks.data(), {diagnostics.rawEntries > 0});
  warnings->insert(warnings->end(), more.begin(), more.end());
  return true;
}

bool WasteOnly(const JobBlocks& job, const RunOutcome& outcome) {
  const ResultView view =
      DecodeResult(job.parameters.data(), outcome.result.data(), outcome.returned);
  return std::all_of(view.pieces.begin(), view.pieces.end(),
                     [](const PieceView& piece) { return piece.kind == PieceKind::kWaste; });
}

int Run(const RunArguments& arguments, bool bundledDefault, std::ostream& out, std::ostream& err) {
  RunOptions options;
  options.logDirectory = arguments.logDirectory;
  if (!arguments.time.empty()) {
    RunTime time;
    std::string error;
    if (!ParseRunTime(arguments.time, &time, &error)) {
      err << "sawline: --time: " << error << '\n';
      return kExitBadInput;
    }
    options.fixedTime = time;
  }
  if (!arguments.report.empty() && !BoardReportAvailable()) {
    err << "sawline: --report: this build of sawline has no board report\n";
    return kExitBadInput;
  }
  JobBlocks job;
  std::string title;
  std::vector<std::string> warnings;
  if (!LoadRunJob(arguments, job, &title, &warnings, err)) return kExitBadInput;
  for (const std::string& warning : warnings)
    err << "sawline: warning: " << warning << '\n';

  const RunOutcome outcome = RunBoard(job, options);
  const std::string when = FormatRunTime(outcome.time);
  out << "job: " << title << '\n';
  if (outcome.clockFixed) {
    out << "time: " << when << " (fixed: the clock stands still, every search runs all its "
        << "generations)\n";
  } else {
    out << "time: " << when << " (live clocks, as on the line; --time " << when
        << " repeats the seed with the clock stopped)\n";
  }
  PrintRun(out, job, outcome);

  std::vector<std::string> notes = warnings;
  if (!outcome.refusal.empty()) {
    err << "sawline: the library refused the board: " << outcome.refusal << '\n';
    notes.insert(notes.begin(), "The library refused the board: " + outcome.refusal);
  } else if (outcome.returned == 0) {
    err << "sawline: the library planned no piece"
        << (warnings.empty() ? "" : " (see the warnings above)") << '\n';
  } else if (WasteOnly(job, outcome)) {
    err << "sawline: note: the cut list holds waste only; no order piece was planned\n";
  }
  if (!arguments.json.empty() &&
      !WriteText(arguments.json, RunJson(title, job, outcome, warnings), err)) {
    return kExitBadInput;
  }
  if (!arguments.report.empty()) {
    std::string error;
    if (!WriteBoardReportFile(arguments.report, title, job, outcome, notes, &error)) {
      err << "sawline: " << error << '\n';
      return kExitBadInput;
    }
    out << "board report: " << arguments.report << '\n';
  }
  if (bundledDefault && BoardReportAvailable()) {
    out << "board report: `sawline run --report board.html` draws this board and its cut list "
           "as a page for the browser\n";
  }
  return RunExitStatus(outcome);
}

void AddRunCommand(CLI::App& app, RunArguments& arguments) {
  CLI::App* run = app.add_subcommand(
      "run",
      "Run a board through OptimizationCompute, the entry the line's host calls, and show the "
      "cut list and yield. The job is a JSON job file (default: the bundled example board), "
      "or the host's two raw blocks.");
  run->add_option("job", arguments.job, "JSON job file (see examples/ and job.schema.json)")
      ->check(CLI::ExistingFile);
  CLI::Option* parameters =
      run->add_option("--params", arguments.parameters,
                      "raw parameter block: 2102 little-endian 32-bit floats, run as they are")
          ->check(CLI::ExistingFile);
  CLI::Option* marks = run->add_option("--marks", arguments.marks,
                                       "raw board-mark block: 201 little-endian 32-bit floats")
                           ->check(CLI::ExistingFile);
  parameters->needs(marks);
  marks->needs(parameters);
  run->get_option("job")->excludes(parameters)->excludes(marks);
  run->add_option("--time", arguments.time,
                  "calendar time the library sees, e.g. 2026-03-01T08:15:00+08:00 (ISO 8601; "
                  "without an offset the desk's local time): it seeds the search and stamps the "
                  "run log, and the clock stands still, so the run can be repeated exactly. "
                  "Without it the clocks run live, as on the line, and the time is printed");
  run->add_option("--json", arguments.json,
                  "write what the call returned as JSON: the return value, all 1169 result "
                  "floats and the decoded cut list, order counts and yield");
  run->add_option("--report", arguments.report,
                  "write the board report: one HTML page with the board and its cut list drawn "
                  "to scale and the tables");
  run->add_option("--log-dir", arguments.logDirectory,
                  "folder for the run log BackupData.txt (default: the current folder)")
      ->check(CLI::ExistingDirectory);
  run->footer(kExitText);
}

int Export(const std::string& jobPath, const std::string& parametersPath,
           const std::string& marksPath, std::ostream& out, std::ostream& err) {
  JobBlocks job;
  JobDiagnostics diagnostics;
  const bool ok = LoadJob(jobPath, job, &diagnostics);
  PrintDiagnostics(diagnostics, err);
  if (!ok) {
    err << "sawline: " << jobPath << ": nothing was written\n";
    return kExitBadInput;
  }
  std::string error;
  if (!WriteRawJob(job, parametersPath, marksPath, &error)) {
    err << "sawline: " << error << '\n';
    return kExitBadInput;
  }
  out << "wrote " << parametersPath << " (" << job.parameters.size() << " floats) and " << marksPath
      << " (" << job.marks.size() << " floats)\n";
  return kExitPlanned;
}

int Import(const std::string& parametersPath, const std::string& marksPath,
           const std::string& jobPath, std::ostream& out, std::ostream& err) {
  JobBlocks job;
  std::string error;
  if (!ReadRawJob(parametersPath, marksPath, job, &error)) {
    err << "sawline: " << error << '\n';
    return kExitBadInput;
  }
  ImportNotes notes;
  const std::string text =
      WriteJob(job.parameters.data(), job.marks.data(),
               "Imported from " + parametersPath + " and " + marksPath, &notes);
  if (jobPath.empty() || jobPath == "-") {
    out << text;
  } else if (!WriteText(jobPath, text, err)) {
    return kExitBadInput;
  }
  if (notes.switchedOffRows > 0) {
    err << "sawline: import: " << notes.switchedOffRows
        << " order rows that are switched off are left out (the library does not read them)\n";
  }
  if (notes.unreadEntries > 0) {
    err << "sawline: import: " << notes.unreadEntries
        << " entries that nothing reads (parameters 0 to 4 and 2089) are left out\n";
  }
  if (notes.rawEntries > 0) {
    err << "sawline: import: " << notes.rawEntries
        << " values that the named fields cannot hold are kept exactly under \"raw\"\n";
  }
  return kExitPlanned;
}

bool IsSubcommand(const CLI::App& app, const std::string& word) {
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->get_name() == word) return true;
  }
  return false;
}

int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app(
      "sawline: the saw line's cutting optimizer on a desk. Runs a board through the same entry "
      "the line's host calls and shows the plan; converts between JSON job files and the host's "
      "raw blocks; replays a board from the line's record.\nWith no arguments it runs the "
      "bundled example board.",
      "sawline");
  app.footer(std::string(kExitText) + " replay has statuses of its own (sawline replay --help).");
  app.require_subcommand(0, 1);
  app.get_formatter()->column_width(28);

  RunArguments runArguments;
  AddRunCommand(app, runArguments);

  std::string exportJob, exportParameters, exportMarks;
  CLI::App* exportCommand =
      app.add_subcommand("export", "Write a JSON job as the host's two raw blocks.");
  exportCommand->add_option("job", exportJob, "JSON job file")
      ->required()
      ->check(CLI::ExistingFile);
  exportCommand->add_option("--params", exportParameters, "parameter block to write (.f32)")
      ->required();
  exportCommand->add_option("--marks", exportMarks, "board-mark block to write (.f32)")->required();
  exportCommand->footer(kExitText);

  std::string importParameters, importMarks, importJob;
  CLI::App* importCommand = app.add_subcommand(
      "import",
      "Turn two recorded raw blocks into a JSON job. Exporting that job gives back the same "
      "bytes in every entry the library reads; order rows that are switched off and the unread "
      "entries 0 to 4 and 2089 are left out.");
  importCommand->add_option("params", importParameters, "parameter block (2102 floats)")
      ->required()
      ->check(CLI::ExistingFile);
  importCommand->add_option("marks", importMarks, "board-mark block (201 floats)")
      ->required()
      ->check(CLI::ExistingFile);
  importCommand->add_option("--job", importJob, "JSON job file to write (default: the output)");
  importCommand->footer(kExitText);

  std::string schemaOutput;
  CLI::App* schemaCommand = app.add_subcommand(
      "schema", "Print the JSON Schema of job files (examples/job.schema.json).");
  schemaCommand->add_option("-o,--output", schemaOutput, "write it to this file instead");

  bool markdown = false;
  CLI::App* settingsCommand = app.add_subcommand(
      "settings",
      "Print the settings reference: every setting and order column with its block index, "
      "unit, allowed values and meaning.");
  settingsCommand->add_flag("--markdown", markdown, "as the README's Markdown tables");

  ReplayArguments replayArguments;
  AddReplayCommand(app, replayArguments);

  SimulateArguments simulateArguments;
  AddSimulateCommand(app, simulateArguments);

  // "sawline JOB.json" is short for "sawline run JOB.json".
  std::vector<const char*> arguments(argv, argv + argc);
  if (argc >= 2 && argv[1][0] != '-' && !IsSubcommand(app, argv[1])) {
    arguments.insert(arguments.begin() + 1, "run");
  }
  try {
    app.parse(static_cast<int>(arguments.size()), arguments.data());
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error, out, err);
    return status == 0 ? kExitPlanned : kExitBadInput;
  }

  if (app.got_subcommand("export")) {
    return Export(exportJob, exportParameters, exportMarks, out, err);
  }
  if (app.got_subcommand("import")) {
    return Import(importParameters, importMarks, importJob, out, err);
  }
  if (app.got_subcommand("replay")) return ReplayCommand(replayArguments, out, err);
  if (app.got_subcommand("schema")) {
    if (schemaOutput.empty()) {
      out << JobSchemaText();
      return kExitPlanned;
    }
    return WriteText(schemaOutput, JobSchemaText(), err) ? kExitPlanned : kExitBadInput;
  }
  if (app.got_subcommand("simulate")) {
    return RunSimulateCommand(simulateArguments, out, err);
  }
  if (app.got_subcommand("settings")) {
    out << (markdown ? SettingsReferenceMarkdown() : SettingsReferenceText());
    return kExitPlanned;
  }
  return Run(runArguments, !app.got_subcommand("run"), out, err);
}

}  // namespace

int RunSawline(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  try {
    return RunCommandLine(argc, argv, out, err);
  } catch (const std::exception& error) {
    err << "sawline: " << error.what() << '\n';
    return kExitBadInput;
  }
}

}  // namespace sawline::tools
