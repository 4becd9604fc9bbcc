#include "cli/simulate_command.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "desk/files.h"
#include "desk/raw_blocks.h"
#include "desk/run_time.h"
#include "desk/text.h"
#include "jobfile/board_model.h"
#include "jobfile/job_reader.h"
#include "record/record_reader.h"
#include "record/record_rebuild.h"
#include "simulate/board_drawing.h"
#include "simulate/simulate.h"
#include "simulate/simulate_page.h"
#include "simulate/simulate_summary.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace sawline::tools {
namespace {

namespace fs = std::filesystem;

struct SimulateArguments {
  std::vector<std::string> inputs;  // job files, records, folders of them
  std::vector<std::string> raw;     // parameter and mark block files, in pairs
  int64_t boards = 0;               // > 0: draw this many boards from the one job's book
  uint64_t seed = 1;
  int64_t board = -1;  // >= 0: only this drawn board
  bool liveClock = false;
  std::string time;  // the fixed calendar time of board 0
  int jobs = 0;      // 0: the core count
  bool noOptimum = false;
  bool perBoard = false;
  bool timings = false;
  std::string json;
  std::string csv;
  std::string report;
};

bool StandardErrorIsTerminal() {
#if defined(_WIN32)
  return _isatty(2) != 0;
#else
  return isatty(2) != 0;
#endif
}

// Progress on stderr: a bar redrawn in place on a terminal, a line per tenth otherwise.
class Progress {
 public:
  Progress(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

  void operator()(size_t done, size_t total) {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (!terminal_) {
      const size_t tenth = total > 0 ? done * 10 / total : 10;
      if (tenth == lastTenth_ && done != total) return;
      lastTenth_ = tenth;
      char line[128];
      std::snprintf(line, sizeof line, "simulate: %llu of %llu %s (%.1f s)\n",
                    static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                    total == 1 ? "board" : "boards", seconds);
      err_ << line << std::flush;
      return;
    }
    if (done != total && seconds - lastDrawn_ < 0.1) return;
    lastDrawn_ = seconds;
    constexpr size_t kWidth = 30;
    const size_t filled = total > 0 ? done * kWidth / total : kWidth;
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    char line[160];
    std::snprintf(line, sizeof line, "\r  [%s%s] %llu/%llu %s  %.1f s  %.1f boards/s ",
                  std::string(filled, '#').c_str(), std::string(kWidth - filled, '-').c_str(),
                  static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                  total == 1 ? "board" : "boards", seconds, rate);
    err_ << line << (done == total ? "\n" : "") << std::flush;
  }

 private:
  std::ostream& err_;
  bool terminal_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  size_t lastTenth_ = static_cast<size_t>(-1);
  double lastDrawn_ = -1.0;
};

// A recorded run log in a folder: the library's own file name.
bool IsRecord(const fs::path& path) {
  return path.filename().string().rfind("BackupData", 0) == 0 && path.extension() == ".txt";
}

// A board from the line's record: the job the record shows, rebuilt.
SimulationBoard RecordBoard(const std::string& path) {
  SimulationBoard board;
  board.source = path;
  Record record;
  RecordError error;
  if (!LoadRecord(path, &record, &error)) {
    board.problem = "a recorded run log that does not read: " + error.Text();
    return board;
  }
  board.job = RebuildJob(record).job;
  return board;
}

SimulationBoard JobBoard(const std::string& path) {
  SimulationBoard board;
  board.source = path;
  JobDiagnostics diagnostics;
  if (!LoadJob(path, board.job, &diagnostics)) {
    std::string problem;
    for (const std::string& error : diagnostics.errors)
      problem += (problem.empty() ? "" : "; ") + error;
    board.problem = problem.empty() ? "cannot be read as a job" : problem;
  }
  return board;
}

// The boards of the inputs: job files as they are, recorded run logs (a given .txt file,
// or BackupData*.txt in a folder) by the job they show, folders by their job files and
// records in name order.
void AddInput(const std::string& input, std::vector<SimulationBoard>& boards) {
  std::error_code error;
  if (!fs::is_directory(input, error)) {
    if (fs::path(input).extension() == ".txt") {
      boards.push_back(RecordBoard(input));
      return;
    }
    boards.push_back(JobBoard(input));
    return;
  }
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(input, error)) {
    const fs::path& path = entry.path();
    if (entry.is_regular_file(error) && (path.extension() == ".json" || IsRecord(path)) &&
        path.filename() != "job.schema.json") {
      files.push_back(path);
    }
  }
  std::sort(files.begin(), files.end());
  if (files.empty()) boards.push_back({input, "the folder holds no job file (*.json)", {}});
  for (const fs::path& path : files)
    AddInput(path.string(), boards);
}

SimulationOptions OptionsOf(const SimulateArguments& arguments) {
  SimulationOptions options;
  options.liveClock = arguments.liveClock;
  options.optimum = !arguments.noOptimum;
  options.jobs = arguments.jobs > 0
                     ? arguments.jobs
                     : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  RunTime time;
  std::string error;
  if (!arguments.time.empty() && ParseRunTime(arguments.time, &time, &error)) {  // checked
    options.startSeconds = time.seconds;
    options.utcOffsetSeconds = time.utcOffsetSeconds;
  }
  return options;
}

// The boards drawn from the one job's order book and board model; false after a message.
bool DrawBoards(const SimulateArguments& arguments, SimulationHeader& header,
                std::vector<SimulationBoard>& boards, std::ostream& err) {
  if (arguments.inputs.size() != 1) {
    err << "sawline: simulate: --boards and --board draw from the order book of exactly one "
           "job file\n";
    return false;
  }
  const std::string& path = arguments.inputs.front();
  JobBlocks book;
  JobDiagnostics diagnostics;
  const bool read = LoadJob(path, book, &diagnostics);
  for (const std::string& error : diagnostics.errors)
    err << error << '\n';
  for (const std::string& error : diagnostics.boardModelErrors)
    err << error << '\n';
  if (!read || !diagnostics.boardModelErrors.empty()) {
    err << "sawline: simulate: " << path << ": no boards were drawn\n";
    return false;
  }
  for (const std::string& warning : diagnostics.warnings)
    err << "sawline: warning: " << warning << '\n';
  const BoardModel model = diagnostics.boardModel.value_or(BoardModel{});
  header.book = path;
  header.generated = true;
  header.seed = arguments.seed;
  const int64_t first = arguments.board >= 0 ? arguments.board : 0;
  const int64_t count = arguments.board >= 0 ? 1 : arguments.boards;
  for (int64_t i = first; i < first + count; ++i) {
    const uint64_t number = static_cast<uint64_t>(i);
    boards.push_back({"drawn board " + std::to_string(i), "",
                      DrawBoard(book, model, arguments.seed, number), i});
  }
  return true;
}

// The boards of the inputs and the raw block pairs; false after a message when none.
bool GatherBoards(const SimulateArguments& arguments, SimulationHeader& header,
                  std::vector<SimulationBoard>& boards, std::ostream& err) {
  for (const std::string& input : arguments.inputs)
    AddInput(input, boards);
  for (size_t r = 0; r + 1 < arguments.raw.size(); r += 2) {
    SimulationBoard board;
    board.source = arguments.raw[r] + " + " + arguments.raw[r + 1];
    std::string error;
    if (!ReadRawJob(arguments.raw[r], arguments.raw[r + 1], board.job, &error))
      board.problem = error;
    boards.push_back(board);
  }
  if (boards.empty()) {
    err << "sawline: simulate: no boards: give job files, folders, --raw PARAMS MARKS, or "
           "one job with --boards N\n";
    return false;
  }
  header.book = arguments.inputs.size() == 1 && arguments.raw.empty()
                    ? arguments.inputs.front()
                    : CountText(static_cast<long long>(boards.size()), "input", "inputs");
  return true;
}

// The --json, --csv and --report files, each tried; false when one cannot be written.
bool WriteSimulationOutputs(const SimulateArguments& arguments, const SimulationHeader& header,
                            const SimulationSummary& summary, const std::vector<BoardRun>& runs,
                            Console& console) {
  bool written = true;
  if (!arguments.json.empty())
    written &= WriteText(arguments.json, SimulationJson(header, summary, runs), console.err);
  if (!arguments.csv.empty())
    written &= WriteText(arguments.csv, SimulationCsv(header, runs), console.err);
  if (!arguments.report.empty()) {
    std::ostringstream page;
    WriteSimulationReport(page, header, summary, runs);
    if (WriteText(arguments.report, page.str(), console.err)) {
      console.out << "summary page: " << arguments.report << '\n';
    } else {
      written = false;
    }
  }
  return written;
}

// Progress goes to the error output: a bar when it is the standard error stream on a
// terminal.
ExitStatus Simulate(const SimulateArguments& arguments, Console& console) {
  SimulationOptions options = OptionsOf(arguments);
  SimulationHeader header;
  header.liveClock = options.liveClock;
  header.optimum = options.optimum;
  header.timings = arguments.timings;
  std::vector<SimulationBoard> boards;
  const bool drawn = arguments.boards > 0 || arguments.board >= 0;
  if (!(drawn ? DrawBoards(arguments, header, boards, console.err)
              : GatherBoards(arguments, header, boards, console.err))) {
    return kExitBadInput;
  }

  Progress progress(console.err, &console.err == &std::cerr && StandardErrorIsTerminal());
  options.progress = [&progress](size_t done, size_t total) { progress(done, total); };
  const std::vector<BoardRun> runs = RunSimulation(boards, options);
  const SimulationSummary summary = Summarize(runs);
  if (arguments.perBoard) {
    PrintBoards(console.out, runs);
    console.out << '\n';
  }
  PrintSummary(console.out, header, summary);
  if (!WriteSimulationOutputs(arguments, header, summary, runs, console)) return kExitOutputFailed;
  return summary.ran > 0 ? kExitPlanned : kExitNoPiece;
}

void AddBoardOptions(CLI::App& command, SimulateArguments& arguments) {
  command.add_option("inputs", arguments.inputs,
                     "job files (.json), the line's records (.txt, the job each shows), or "
                     "folders of them (*.json and BackupData*.txt)");
  CLI::Option* raw =
      command
          .add_option("--raw", arguments.raw,
                      "a board as the host's raw blocks: its parameter block and its board-mark "
                      "block (may be repeated)")
          ->type_size(2)
          ->expected(1)
          ->allow_extra_args(false)
          ->type_name("PARAMS MARKS")
          ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  command
      .add_option("--boards", arguments.boards,
                  "draw this many boards from the one job given (its \"board_model\", or "
                  "the default model)")
      ->check(CLI::Range(int64_t{1}, int64_t{100000000}))
      ->excludes(raw);
  command.add_option("--seed", arguments.seed,
                     "seed of the drawn boards (default 1): the same seed draws the same boards "
                     "on every machine");
  command
      .add_option("--board", arguments.board,
                  "run only drawn board N (as numbered in a run of --boards) to look at it "
                  "alone")
      ->check(CLI::NonNegativeNumber)
      ->excludes(raw);
}

void AddClockOptions(CLI::App& command, SimulateArguments& arguments) {
  CLI::Option* live =
      command.add_flag("--live-clock", arguments.liveClock,
                       "live clocks, as on the line: searches may be cut short and runs differ. "
                       "Default: board N runs at the fixed calendar time plus N seconds with the "
                       "clock standing still, so every search runs all its generations");
  command
      .add_option("--time", arguments.time,
                  "fixed calendar time of board 0 (ISO 8601; default 2026-01-01T00:00:00Z)")
      ->check(RunTimeText())
      ->excludes(live);
  command
      .add_option("--jobs,-j", arguments.jobs,
                  "worker processes (default: the core count); the results do not depend "
                  "on it")
      ->check(CLI::Range(1, 512));
  command.add_flag("--no-optimum", arguments.noOptimum,
                   "skip the exact optimum of the searches (faster)");
}

void AddOutputOptions(CLI::App& command, SimulateArguments& arguments) {
  command.add_flag("--per-board", arguments.perBoard, "also print one line per board");
  command.add_flag("--timings", arguments.timings,
                   "put call times into the JSON and CSV (they differ from run to run)");
  command
      .add_option("--json", arguments.json,
                  "write every figure as JSON, with every searched zone's board, grade, "
                  "length, search_fitness and optimum_fitness")
      ->check(OutputFile());
  command.add_option("--csv", arguments.csv, "write one row per board as CSV")->check(OutputFile());
  command
      .add_option("--report", arguments.report,
                  "write the summary page: one HTML file with tables and charts")
      ->check(OutputFile());
}

}  // namespace

void AddSimulateCommand(CLI::App& app, Console& console) {
  CLI::App* command = app.add_subcommand(
      "simulate",
      "Simulate a shift: run many boards through OptimizationCompute and report yield and value "
      "per grade, pieces per order, call times, and how far each combination search stayed "
      "from the exact optimum of the same scoring. The boards are job files (or folders of "
      "them) and raw block pairs, or are drawn with --boards N from one job's order book, "
      "settings and board model.");
  auto arguments = std::make_shared<SimulateArguments>();
  AddBoardOptions(*command, *arguments);
  AddClockOptions(*command, *arguments);
  AddOutputOptions(*command, *arguments);
  command->footer(ExitStatusText(
      {{kExitPlanned,
        "the library planned pieces for some board (others may be refused or unreadable)"},
       {kExitNoPiece, "it planned pieces for no board"},
       {kExitBadInput,
        "bad usage (no boards, a job to draw from that does not read, a bad option, an output "
        "folder that does not exist): nothing was run"},
       {kExitOutputFailed, "the shift ran, but --json, --csv or --report could not be written"}}));
  command->callback([arguments, &console] { console.status = Simulate(*arguments, console); });
}

}  // namespace sawline::tools
