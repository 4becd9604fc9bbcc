#include "cli/simulate_command.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "desk/desk_run.h"
#include "desk/files.h"
#include "desk/raw_blocks.h"
#include "desk/run_time.h"
#include "desk/text.h"
#include "jobfile/board_model.h"
#include "jobfile/job_reader.h"
#include "jobfile/job_writer.h"
#include "record/record_archive.h"
#include "record/record_reader.h"
#include "record/record_rebuild.h"
#include "simulate/board_drawing.h"
#include "simulate/simulate.h"
#include "simulate/simulate_page.h"
#include "simulate/simulate_summary.h"
#include "views/run_views.h"

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
  std::string book;                  // --book: the settings and order book of every board
  std::vector<std::string> compare;  // further books, run over the same boards
  bool independent = false;
  std::string jobOut;  // --board N --job: board N as the job it met in the shift
  std::string from;    // an archive's records from this time on
  std::string to;      // an archive's records up to this time
};

// One book's boards, read and ready to run.
struct ShiftBoards {
  SimulationHeader header;
  std::vector<SimulationBoard> boards;
  // The order book before the shift, when every board holds the same one.
  std::optional<std::array<float, kParameterBlockFloats>> book;
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
  Progress(std::ostream& err, bool terminal, std::string what = "")
      : err_(err), terminal_(terminal), what_(std::move(what)) {}

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
                    Noun(total), seconds);
      err_ << line << std::flush;
      return;
    }
    if (done != total && seconds - lastDrawn_ < 0.1) return;
    lastDrawn_ = seconds;
    constexpr size_t kWidth = 30;
    const size_t filled = total > 0 ? done * kWidth / total : kWidth;
    const double rate = seconds > 0.0 ? static_cast<double>(done) / seconds : 0.0;
    char line[160];
    std::snprintf(line, sizeof line, "\r  [%s%s] %llu/%llu %s  %.1f s  %.1f per s ",
                  std::string(filled, '#').c_str(), std::string(kWidth - filled, '-').c_str(),
                  static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                  Noun(total), seconds, rate);
    err_ << line << (done == total ? "\n" : "") << std::flush;
  }

 private:
  const char* Noun(size_t total) const {
    if (!what_.empty()) return what_.c_str();
    return total == 1 ? "board" : "boards";
  }

  std::ostream& err_;
  bool terminal_;
  std::string what_;  // what is counted ("exact optima"); "" for boards
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
// The records of an archive of `sawline collect` from --from to --to, in time order; a
// time of day alone is on the archive's latest day.
bool AddArchive(const std::string& archive, const SimulateArguments& arguments,
                std::vector<SimulationBoard>& boards, std::ostream& err) {
  const std::vector<ArchivedRecord> records = ListArchive(archive);
  const LocalMilliseconds latest = records.empty() ? 0 : records.back().time;
  std::optional<TimeSpan> from, to;
  const auto read = [latest, &err](const std::string& text, std::optional<TimeSpan>* span) {
    if (text.empty()) return true;
    TimeSpan time;
    std::string error;
    if (!ParseArchiveTime(text, latest, &time, &error)) {
      err << "sawline: simulate: " << error << '\n';
      return false;
    }
    *span = time;
    return true;
  };
  if (!read(arguments.from, &from) || !read(arguments.to, &to)) return false;
  const std::vector<ArchivedRecord> chosen = RecordsBetween(records, from, to);
  if (chosen.empty()) boards.push_back({archive, "the archive holds no record in that time", {}});
  for (const ArchivedRecord& record : chosen)
    boards.push_back(RecordBoard(record.path));
  return true;
}

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

// A job that must read: its blocks and board model; false after a message.
bool LoadBook(const std::string& path, JobBlocks& book, std::optional<BoardModel>* model,
              std::ostream& err) {
  JobDiagnostics diagnostics;
  const bool read = LoadJob(path, book, &diagnostics);
  for (const std::string& error : diagnostics.errors)
    err << error << '\n';
  for (const std::string& error : diagnostics.boardModelErrors)
    err << error << '\n';
  if (!read || (model != nullptr && !diagnostics.boardModelErrors.empty())) {
    err << "sawline: simulate: " << path
        << (model != nullptr ? ": no boards were drawn\n" : ": the book does not read\n");
    return false;
  }
  for (const std::string& warning : diagnostics.warnings)
    err << "sawline: warning: " << warning << '\n';
  if (model != nullptr) *model = diagnostics.boardModel.value_or(BoardModel{});
  return true;
}

// The numbers of the drawn boards to run: with --board N of a carried shift boards 0 to
// N (the boards before it leave the done counts it meets), else N alone or 0 to count - 1.
std::pair<int64_t, int64_t> DrawnRange(const SimulateArguments& arguments, bool carried) {
  if (arguments.board < 0) return {0, arguments.boards};
  return carried ? std::pair<int64_t, int64_t>{0, arguments.board + 1}
                 : std::pair<int64_t, int64_t>{arguments.board, arguments.board + 1};
}

// The boards drawn by the first job's board model and seed, with each book's settings
// and orders; false after a message.
bool DrawBoards(const SimulateArguments& arguments, const std::vector<std::string>& books,
                bool carried, std::vector<ShiftBoards>& shifts, std::ostream& err) {
  if (arguments.inputs.size() != (arguments.book.empty() ? 1u : 0u)) {
    err << "sawline: simulate: --boards and --board draw from the order book of exactly one "
           "job file (the input, or --book)\n";
    return false;
  }
  std::optional<BoardModel> model;
  for (size_t b = 0; b < books.size(); ++b) {
    JobBlocks book;
    if (!LoadBook(books[b], book, b == 0 ? &model : nullptr, err)) return false;
    ShiftBoards shift;
    shift.header.book = books[b];
    shift.header.generated = true;
    shift.header.seed = arguments.seed;
    shift.book = book.parameters;
    const auto [first, end] = DrawnRange(arguments, carried);
    for (int64_t i = first; i < end; ++i) {
      shift.boards.push_back({"drawn board " + std::to_string(i), "",
                              DrawBoard(book, *model, arguments.seed, static_cast<uint64_t>(i)),
                              i});
    }
    shifts.push_back(std::move(shift));
  }
  return true;
}

// The boards of the inputs and the raw block pairs; false after a message when none.
bool GatherBoards(const SimulateArguments& arguments, std::vector<SimulationBoard>& boards,
                  std::ostream& err) {
  bool archive = false;
  for (const std::string& input : arguments.inputs) {
    std::error_code error;
    if (fs::is_directory(input, error) && IsRecordArchive(input)) {
      if (!AddArchive(input, arguments, boards, err)) return false;
      archive = true;
      continue;
    }
    AddInput(input, boards);
  }
  if (!archive && !(arguments.from.empty() && arguments.to.empty())) {
    err << "sawline: simulate: --from and --to choose the records of an archive of "
           "`sawline collect`, and no input is one\n";
    return false;
  }
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
  return true;
}

// The one order book the readable boards share, if they do.
std::optional<std::array<float, kParameterBlockFloats>> SharedBook(
    const std::vector<SimulationBoard>& boards) {
  std::optional<std::array<float, kParameterBlockFloats>> book;
  for (const SimulationBoard& board : boards) {
    if (!board.problem.empty()) continue;
    if (!book) book = board.job.parameters;
    if (std::memcmp(book->data(), board.job.parameters.data(), sizeof(float) * book->size()) != 0)
      return std::nullopt;
  }
  return book;
}

// The input boards once per book: with --book (and --compare) each board keeps its marks
// and takes the book's settings and orders; without, the boards as they are.
bool InputShifts(const SimulateArguments& arguments, const std::vector<std::string>& books,
                 std::vector<ShiftBoards>& shifts, std::ostream& err) {
  std::vector<SimulationBoard> boards;
  if (!GatherBoards(arguments, boards, err)) return false;
  const std::string inputs =
      arguments.inputs.size() == 1 && arguments.raw.empty()
          ? arguments.inputs.front()
          : CountText(static_cast<long long>(boards.size()), "input", "inputs");
  if (books.empty()) {
    ShiftBoards shift;
    shift.header.book = inputs;
    shift.book = SharedBook(boards);
    shift.boards = std::move(boards);
    shifts.push_back(std::move(shift));
    return true;
  }
  for (const std::string& path : books) {
    JobBlocks book;
    if (!LoadBook(path, book, nullptr, err)) return false;
    ShiftBoards shift;
    shift.header.book = path + " on " + inputs;
    shift.book = book.parameters;
    shift.boards = boards;
    for (SimulationBoard& board : shift.boards)
      board.job.parameters = book.parameters;
    shifts.push_back(std::move(shift));
  }
  return true;
}

// The --json, --csv and --report files, each tried; false when one cannot be written.
bool WriteSimulationOutputs(const SimulateArguments& arguments, const BookShift& shift,
                            Console& console) {
  bool written = true;
  if (!arguments.json.empty()) {
    written &= WriteText(arguments.json, SimulationJson(shift.header, shift.summary, shift.runs),
                         console.err);
  }
  if (!arguments.csv.empty()) {
    written &= WriteText(arguments.csv, SimulationCsv(shift.header, shift.runs, shift.summary),
                         console.err);
  }
  if (!arguments.report.empty()) {
    std::ostringstream page;
    WriteSimulationReport(page, shift.header, shift.summary, shift.runs);
    if (WriteText(arguments.report, page.str(), console.err)) {
      console.out << "summary page: " << arguments.report << '\n';
    } else {
      written = false;
    }
  }
  return written;
}

bool WriteComparisonOutputs(const SimulateArguments& arguments, const std::vector<BookShift>& books,
                            Console& console) {
  bool written = true;
  if (!arguments.json.empty())
    written &= WriteText(arguments.json, ComparisonJson(books), console.err);
  if (!arguments.csv.empty())
    written &= WriteText(arguments.csv, ComparisonCsv(books), console.err);
  if (!arguments.report.empty()) {
    std::ostringstream page;
    WriteComparisonReport(page, books);
    if (WriteText(arguments.report, page.str(), console.err)) {
      console.out << "comparison page: " << arguments.report << '\n';
    } else {
      written = false;
    }
  }
  return written;
}

// The --json and --csv files of a board looked at alone (its --report is the board's
// report).
bool WriteLoneOutputs(const SimulateArguments& arguments, const BookShift& shift,
                      Console& console) {
  bool written = true;
  if (!arguments.json.empty()) {
    written &= WriteText(arguments.json, SimulationJson(shift.header, shift.summary, shift.runs),
                         console.err);
  }
  if (!arguments.csv.empty()) {
    written &= WriteText(arguments.csv, SimulationCsv(shift.header, shift.runs, shift.summary),
                         console.err);
  }
  return written;
}

// The boards each book could not plan, named.
void PrintProblems(std::ostream& out, const std::vector<BookShift>& books) {
  for (const BookShift& book : books) {
    out << book.header.book << ": " << book.summary.ran << " of " << book.summary.boards
        << " boards planned\n";
    for (const std::string& problem : book.summary.problems)
      out << "  ! " << problem << '\n';
  }
}

// Board N of a carried shift as it met the book: its job with the done counts the
// boards before it left, and with --report its board report, from the same call again.
bool WriteLoneBoard(const SimulateArguments& arguments, const SimulationOptions& options,
                    const ShiftBoards& shift, const std::vector<BoardRun>& runs, Console& console) {
  const SimulationBoard& board = shift.boards.back();
  if (!board.problem.empty()) return true;
  JobBlocks job = board.job;
  if (shift.header.carried && shift.book) {
    job.parameters = *shift.book;
    for (size_t i = 0; i + 1 < runs.size(); ++i)
      CarryPieces(runs[i], job.parameters.data());
  }
  bool written = true;
  const int64_t number = runs.back().index;
  if (!arguments.jobOut.empty()) {
    const std::string description =
        board.source + " of " + shift.header.book + " (seed " + std::to_string(arguments.seed) +
        "), with the done counts it met in the shift; `sawline run` repeats it with --time " +
        FormatRunTime({options.startSeconds + number, options.utcOffsetSeconds});
    written &= WriteText(arguments.jobOut,
                         WriteJob(job.parameters.data(), job.marks.data(), description, nullptr),
                         console.err);
  }
  if (!arguments.report.empty()) {
    RunOptions call;
    call.fixedTime = RunTime{options.startSeconds + number, options.utcOffsetSeconds};
    call.logDirectory = fs::temp_directory_path().string();
    const RunOutcome outcome = RunBoard(job, call);
    std::string error;
    if (WriteBoardReportFile(arguments.report, board.source + " of " + shift.header.book, job,
                             outcome, {}, &error)) {
      console.out << "board report: " << arguments.report << '\n';
    } else {
      console.err << "sawline: simulate: " << error << '\n';
      written = false;
    }
  }
  return written;
}

// The shifts of the books: drawn boards or the inputs, once per book.
bool ReadShifts(const SimulateArguments& arguments, bool& carried, std::vector<ShiftBoards>& shifts,
                std::ostream& err) {
  const bool drawn = arguments.boards > 0 || arguments.board >= 0;
  std::vector<std::string> books;
  if (!arguments.book.empty()) books.push_back(arguments.book);
  if (drawn && books.empty() && !arguments.inputs.empty()) books.push_back(arguments.inputs[0]);
  if (!arguments.compare.empty() && books.empty()) {
    err << "sawline: simulate: --compare runs the boards of one book through others: draw "
           "them with --boards N or give the first book with --book\n";
    return false;
  }
  books.insert(books.end(), arguments.compare.begin(), arguments.compare.end());
  // Carried whenever the shift has one order book.
  carried = !arguments.independent && (drawn || !arguments.book.empty());
  if (!(drawn ? DrawBoards(arguments, books, carried, shifts, err)
              : InputShifts(arguments, books, shifts, err))) {
    return false;
  }
  if (!arguments.independent && shifts.size() == 1 && shifts.front().book) carried = true;
  for (ShiftBoards& shift : shifts)
    shift.header.carried = carried;
  return true;
}

// Progress goes to the error output: a bar when it is the standard error stream on a
// terminal.
ExitStatus Simulate(const SimulateArguments& arguments, Console& console) {
  SimulationOptions options = OptionsOf(arguments);
  std::vector<ShiftBoards> shifts;
  if (!ReadShifts(arguments, options.carried, shifts, console.err)) return kExitBadInput;
  if (options.carried && arguments.board >= 0) options.optimumFrom = arguments.board;

  Progress progress(console.err, &console.err == &std::cerr && StandardErrorIsTerminal());
  options.progress = [&progress](size_t done, size_t total) { progress(done, total); };
  Progress optima(console.err, &console.err == &std::cerr && StandardErrorIsTerminal(),
                  "exact optima");
  options.optimumProgress = [&optima](size_t done, size_t total) { optima(done, total); };
  std::vector<std::vector<SimulationBoard>> boards;
  for (const ShiftBoards& shift : shifts)
    boards.push_back(shift.boards);
  std::vector<std::vector<BoardRun>> runs = RunShifts(boards, options);

  std::vector<BookShift> books;
  bool planned = false;
  bool written = true;
  for (size_t b = 0; b < shifts.size(); ++b) {
    BookShift book{shifts[b].header, {}, std::move(runs[b])};
    book.header.liveClock = options.liveClock;
    book.header.optimum = options.optimum;
    book.header.timings = arguments.timings;
    std::optional<std::array<float, kParameterBlockFloats>> before = shifts[b].book;
    if (arguments.board >= 0 && book.runs.size() > 1) {
      // Board N alone: the book as it met it.
      written &= WriteLoneBoard(arguments, options, shifts[b], book.runs, console);
      for (size_t i = 0; before && i + 1 < book.runs.size(); ++i)
        CarryPieces(book.runs[i], before->data());
      book.runs.erase(book.runs.begin(), book.runs.end() - 1);
    } else if (arguments.board >= 0) {
      written &= WriteLoneBoard(arguments, options, shifts[b], book.runs, console);
    }
    const OrderBook orderBook = before ? ReadOrderBook(before->data()) : OrderBook();
    book.summary = Summarize(book.runs, before ? &orderBook : nullptr);
    planned = planned || book.summary.ran > 0;
    books.push_back(std::move(book));
  }
  if (books.size() == 1) {
    if (arguments.perBoard) {
      PrintBoards(console.out, books.front().header, books.front().runs);
      console.out << '\n';
    }
    PrintSummary(console.out, books.front().header, books.front().summary);
    const bool lone = arguments.board >= 0;
    if (!(lone ? WriteLoneOutputs(arguments, books.front(), console)
               : WriteSimulationOutputs(arguments, books.front(), console)))
      written = false;
  } else {
    for (const BookShift& book : books) {
      if (arguments.perBoard) PrintBoards(console.out, book.header, book.runs);
    }
    PrintProblems(console.out, books);
    PrintComparison(console.out, books);
    if (!WriteComparisonOutputs(arguments, books, console)) written = false;
  }
  if (!written) return kExitOutputFailed;
  return planned ? kExitPlanned : kExitNoPiece;
}

void AddBoardOptions(CLI::App& command, SimulateArguments& arguments) {
  command.add_option(
      "inputs", arguments.inputs,
      "job files (.json), the line's records (.txt, the job each shows), or "
      "folders of them (*.json and BackupData*.txt), or an archive of `sawline collect` "
      "(its records in time order)");
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
  CLI::Option* board =
      command
          .add_option("--board", arguments.board,
                      "look at drawn board N (as numbered in a run of --boards) alone; in a "
                      "carried shift boards 0 to N - 1 run first, for the done counts board N "
                      "met")
          ->check(CLI::NonNegativeNumber)
          ->excludes(raw);
  command
      .add_option("--job", arguments.jobOut,
                  "with --board N: write board N as a job with the done counts it met, so "
                  "that `sawline run` repeats it (with the --time the job's description "
                  "gives); --report then writes its board report")
      ->check(OutputFile())
      ->needs(board);
  command.add_option("--from", arguments.from,
                     "an archive of `sawline collect`: its records from this time on (10:30, "
                     "10:30:05 on the archive's latest day, or 2026-12-11T10:30)");
  command.add_option("--to", arguments.to,
                     "an archive's records up to this time, its last second or minute "
                     "included");
  command.add_option("--book", arguments.book,
                     "the settings and order book of every board: each input (job file, "
                     "record, raw blocks) gives its marks only");
  command.add_option("--compare", arguments.compare,
                     "run the same boards through this book too (may be repeated) and show "
                     "the books side by side");
  command.add_flag("--independent", arguments.independent,
                   "plan every board with the order book as given (done counts not carried "
                   "from board to board), to tune the search; the default carries them, as "
                   "the line does, whenever the shift has one order book");
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
                   "show the desk's call times and exact-optimum times (measured with the "
                   "clock standing still unless --live-clock) in every output; they differ "
                   "from run to run");
  command
      .add_option("--json", arguments.json,
                  "write every figure as JSON, with every searched zone's board, grade, "
                  "length, search_fitness and optimum_fitness")
      ->check(OutputFile());
  command
      .add_option("--csv", arguments.csv,
                  "write one row per board as CSV, with the pieces of every order row")
      ->check(OutputFile());
  command
      .add_option("--report", arguments.report,
                  "write the summary page: one HTML file with tables and charts (with "
                  "--compare the books side by side, with --board N the board's report)")
      ->check(OutputFile());
}

}  // namespace

void AddSimulateCommand(CLI::App& app, Console& console) {
  CLI::App* command = app.add_subcommand(
      "simulate",
      "Simulate a shift: run many boards through OptimizationCompute and report yield and value "
      "per grade, every order of the book, and how far each combination search stayed from "
      "the exact optimum of the same scoring. The boards are job files (or folders of them), "
      "records and raw block pairs, or are drawn with --boards N from one job's order book, "
      "settings and board model. A shift with one order book carries the done counts from "
      "board to board, as the line does.");
  auto arguments = std::make_shared<SimulateArguments>();
  AddBoardOptions(*command, *arguments);
  AddClockOptions(*command, *arguments);
  AddOutputOptions(*command, *arguments);
  command->footer(ExitStatusText(
      {{kExitPlanned,
        "the library planned pieces for some board (others may be refused or unreadable)"},
       {kExitNoPiece, "it planned pieces for no board"},
       {kExitBadInput,
        "bad usage (no boards, a job to draw from or a book that does not read, a bad "
        "option, an output folder that does not exist): nothing was run"},
       {kExitOutputFailed,
        "the shift ran, but --json, --csv, --report or --job could not be written"}}));
  command->callback([arguments, &console] { console.status = Simulate(*arguments, console); });
}

}  // namespace sawline::tools
