#include "cli/run_command.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "bundled_job.h"
#include "desk/block_checks.h"
#include "desk/desk_run.h"
#include "desk/files.h"
#include "desk/raw_blocks.h"
#include "desk/result_view.h"
#include "desk/run_time.h"
#include "jobfile/job_reader.h"
#include "views/run_views.h"

namespace sawline::tools {
namespace {

constexpr const char* kBundledTitle = "the bundled example board (examples/example_board.json)";

struct RunArguments {
  std::string job;  // empty: the bundled example board
  std::string parameters;
  std::string marks;
  std::string time;
  std::string json;
  std::string report;
  std::string logDirectory;
  bool bundledHint = false;  // `sawline` alone: say how to draw the board
};

// The job of a run, named for the messages, with what is worth a warning.
struct LoadedJob {
  JobBlocks blocks;
  std::string title;
  std::vector<std::string> warnings;
};

bool LoadRawJob(const RunArguments& arguments, LoadedJob& job, std::ostream& err) {
  std::string error;
  if (!ReadRawJob(arguments.parameters, arguments.marks, job.blocks, &error)) {
    err << "sawline: " << error << '\n';
    return false;
  }
  job.title = arguments.parameters + " + " + arguments.marks;
  job.warnings = CheckBlocks(job.blocks.parameters.data(), job.blocks.marks.data(), {true});
  return true;
}

// False after a message: the job does not read.
bool LoadRunJob(const RunArguments& arguments, LoadedJob& job, std::ostream& err) {
  if (!arguments.parameters.empty()) return LoadRawJob(arguments, job, err);
  JobDiagnostics diagnostics;
  bool ok = false;
  if (arguments.job.empty()) {
    job.title = kBundledTitle;
    ok = ReadJob(bundled::kFiles[0].text, "example_board.json", job.blocks, &diagnostics);
  } else {
    job.title = arguments.job;
    ok = LoadJob(arguments.job, job.blocks, &diagnostics);
  }
  if (!ok) {
    PrintDiagnostics(diagnostics, err);
    err << "sawline: " << job.title << ": nothing was run\n";
    return false;
  }
  job.warnings = diagnostics.warnings;
  // The reader has checked the named values; raw entries are checked here like raw blocks.
  const std::vector<std::string> more = CheckBlocks(
      job.blocks.parameters.data(), job.blocks.marks.data(), {diagnostics.rawEntries > 0});
  job.warnings.insert(job.warnings.end(), more.begin(), more.end());
  return true;
}

bool WasteOnly(const JobBlocks& job, const RunOutcome& outcome) {
  const ResultView view =
      DecodeResult(job.parameters.data(), outcome.result.data(), outcome.returned);
  return std::all_of(view.pieces.begin(), view.pieces.end(),
                     [](const PieceView& piece) { return piece.kind == PieceKind::kWaste; });
}

void PrintPlan(const LoadedJob& job, const RunOutcome& outcome, std::ostream& out) {
  const std::string when = FormatRunTime(outcome.time);
  out << "job: " << job.title << '\n';
  if (outcome.clockFixed) {
    out << "time: " << when << " (fixed: the clock stands still, every search runs all its "
        << "generations)\n";
  } else {
    out << "time: " << when << " (live clocks, as on the line; --time " << when
        << " repeats the seed with the clock stopped)\n";
  }
  PrintRun(out, job.blocks, outcome);
}

// Why the board gives nothing, or only waste, once on the error output after the plan.
void PrintWhyNothing(const LoadedJob& job, const RunOutcome& outcome, std::ostream& err) {
  if (!outcome.refusal.empty()) {
    err << "sawline: the library refused the board: " << outcome.refusal << '\n';
  } else if (outcome.returned == 0) {
    err << "sawline: the library planned no piece"
        << (job.warnings.empty() ? "" : " (see the warnings above)") << '\n';
  } else if (WasteOnly(job.blocks, outcome)) {
    err << "sawline: note: the cut list holds waste only; no order piece was planned\n";
  }
}

// The --json and --report files, each tried; false when one cannot be written.
bool WriteRunOutputs(const RunArguments& arguments, const LoadedJob& job, const RunOutcome& outcome,
                     Console& console) {
  bool written = true;
  if (!arguments.json.empty()) {
    written &= WriteText(arguments.json, RunJson(job.title, job.blocks, outcome, job.warnings),
                         console.err);
  }
  if (!arguments.report.empty()) {
    std::vector<std::string> notes = job.warnings;
    if (!outcome.refusal.empty())
      notes.insert(notes.begin(), "The library refused the board: " + outcome.refusal);
    std::string error;
    if (WriteBoardReportFile(arguments.report, job.title, job.blocks, outcome, notes, &error)) {
      console.out << "board report: " << arguments.report << '\n';
    } else {
      console.err << "sawline: " << error << '\n';
      written = false;
    }
  }
  return written;
}

ExitStatus RunJob(const RunArguments& arguments, Console& console) {
  RunOptions options;
  options.logDirectory = arguments.logDirectory;
  if (!arguments.time.empty()) {
    RunTime time;
    std::string error;
    if (!ParseRunTime(arguments.time, &time, &error)) return kExitBadInput;  // checked already
    options.fixedTime = time;
  }
  LoadedJob job;
  if (!LoadRunJob(arguments, job, console.err)) return kExitBadInput;
  for (const std::string& warning : job.warnings)
    console.err << "sawline: warning: " << warning << '\n';

  const RunOutcome outcome = RunBoard(job.blocks, options);
  PrintPlan(job, outcome, console.out);
  PrintWhyNothing(job, outcome, console.err);
  const bool written = WriteRunOutputs(arguments, job, outcome, console);
  if (arguments.bundledHint && BoardReportAvailable()) {
    console.out << "board report: `sawline run --report board.html` draws this board and its "
                   "cut list as a page for the browser\n";
  }
  return written ? RunExitStatus(outcome) : kExitOutputFailed;
}

void AddJobOptions(CLI::App& run, RunArguments& arguments) {
  CLI::Option* job =
      run.add_option("job", arguments.job, "JSON job file (see examples/ and job.schema.json)")
          ->check(CLI::ExistingFile);
  CLI::Option* parameters =
      run.add_option("--params", arguments.parameters,
                     "raw parameter block: 2102 little-endian 32-bit floats, run as they are")
          ->check(CLI::ExistingFile);
  CLI::Option* marks = run.add_option("--marks", arguments.marks,
                                      "raw board-mark block: 201 little-endian 32-bit floats")
                           ->check(CLI::ExistingFile);
  parameters->needs(marks);
  marks->needs(parameters);
  job->excludes(parameters)->excludes(marks);
}

}  // namespace

void AddRunCommand(CLI::App& app, Console& console) {
  CLI::App* run = app.add_subcommand(
      "run",
      "Run a board through OptimizationCompute, the entry the line's host calls, and show the "
      "cut list and yield. The job is a JSON job file (default: the bundled example board), "
      "or the host's two raw blocks.");
  auto arguments = std::make_shared<RunArguments>();
  AddJobOptions(*run, *arguments);
  run->add_option("--time", arguments->time,
                  "calendar time the library sees, e.g. 2026-03-01T08:15:00+08:00 (ISO 8601; "
                  "without an offset the desk's local time): it seeds the search and stamps the "
                  "run log, and the clock stands still, so the run can be repeated exactly. "
                  "Without it the clocks run live, as on the line, and the time is printed")
      ->check(RunTimeText());
  run->add_option("--json", arguments->json,
                  "write what the call returned as JSON: the return value, all 1169 result "
                  "floats and the decoded cut list, order counts and yield")
      ->check(OutputFile());
  run->add_option("--report", arguments->report,
                  "write the board report: one HTML page with the board and its cut list drawn "
                  "to scale and the tables")
      ->check(BoardReportFile());
  run->add_option("--log-dir", arguments->logDirectory,
                  "folder for the run log BackupData.txt (default: the current folder)")
      ->check(CLI::ExistingDirectory);
  run->footer(ExitStatusText(
      {{kExitPlanned, "the library planned pieces (the cut list may hold waste only)"},
       {kExitNoPiece, "the library planned no piece or refused the board"},
       kBadUsageMeaning,
       {kExitOutputFailed, "the board was run, but --json or --report could not be written"}}));
  run->callback([arguments, &console] { console.status = RunJob(*arguments, console); });
}

ExitStatus RunBundledExample(Console& console) {
  RunArguments arguments;
  arguments.bundledHint = true;
  return RunJob(arguments, console);
}

}  // namespace sawline::tools
