#include "simulate/simulate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <type_traits>

#include "desk/desk_run.h"
#include "desk/result_view.h"

#if !defined(_WIN32)
#define SAWLINE_SIMULATE_FORK 1
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#define SAWLINE_SIMULATE_FORK 0
#endif

namespace sawline::tools {
namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

SearchRecord RecordSearch(const SearchObservation& search, const SimulationOptions& options) {
  SearchRecord record;
  record.grade = search.grade;
  record.length = search.length;
  record.fixedOnly = search.fixedOnly;
  record.mode = static_cast<int32_t>(search.mode);
  record.generations = search.generations;
  record.cutShort = search.cutShort;
  record.searchFitness = search.bestFitness;
  const int32_t genes = std::clamp(search.geneCount, 0, kMaxGenes);
  record.pieceLengths.assign(search.pieceLength, search.pieceLength + genes);
  record.searchGenes.assign(search.genes, search.genes + genes);
  // The long-stock combination is no search: there is nothing to compare it with.
  if (!options.optimum || search.mode == OptimizeMode::kLongStock || search.generations == 0)
    return record;
  const Clock::time_point start = Clock::now();
  const ExactOptimum optimum = FindExactOptimum(search, options.limits);
  record.optimumMs = MillisecondsSince(start);
  record.optimumComputed = optimum.computed;
  record.optimumSkipped = optimum.skipped;
  record.optimumFitness = optimum.fitness;
  record.optimumGenes = optimum.genes;
  return record;
}

// What the hooks around a board's call need: the caller's own hook, with the board's
// number, and the collector that listens to the call's searches.
struct BoardCall {
  const SimulationOptions& options;
  int64_t number;
  SearchCollector& searches;
};

void BeforeBoardCall(void* context) {
  BoardCall& call = *static_cast<BoardCall*>(context);
  if (call.options.beforeCall) call.options.beforeCall(call.number);
  call.searches.Listen();
}

void AfterBoardCall(void* context) {
  static_cast<BoardCall*>(context)->searches.Stop();
}

// The figures of the board's result block.
void TakeResultFigures(const JobBlocks& job, const RunOutcome& outcome, BoardRun& run) {
  const ResultView view = DecodeResult(job.parameters.data(), outcome.result.data(), run.returned);
  run.mode = view.mode;
  run.pieces = view.delivered;
  run.boardLength = static_cast<double>(view.boardLength);
  run.useful = static_cast<double>(view.usefulLength);
  run.used = view.usedLength;
  run.waste = view.wasteLength;
  run.value = static_cast<double>(view.totalValue);
  for (const GradeYieldView& grade : view.grades) {
    if (grade.grade < 1 || grade.grade > kMaxOrderGrade) continue;
    GradeFigures& figures = run.grades[static_cast<size_t>(grade.grade - 1)];
    figures.used = static_cast<double>(grade.total);
    figures.useful = static_cast<double>(grade.useful);
    figures.value = static_cast<double>(grade.value);
  }
  for (const OrderCountView& order : view.orderCounts)
    run.orders.push_back(
        {order.row, order.grade, order.length, order.code, order.quantity, order.pieces});
}

// One board through the desk's run helper, its searches observed, with the exact optimum
// of each; the run log goes where `call` puts it. A fixed clock runs board `number` at
// the calendar second startSeconds + number.
BoardRun RunBoardWithOptima(const SimulationBoard& board, int64_t number,
                            const SimulationOptions& options, RunOptions call) {
  BoardRun run;
  run.index = number;
  run.source = board.source;
  if (!board.problem.empty()) {
    run.problem = board.problem;
    return run;
  }
  if (!options.liveClock)
    call.fixedTime = RunTime{options.startSeconds + number, options.utcOffsetSeconds};
  SearchCollector searches;
  BoardCall hooks{options, number, searches};
  call.beforeCall = BeforeBoardCall;
  call.afterCall = AfterBoardCall;
  call.callContext = &hooks;
  const RunOutcome outcome = RunBoard(board.job, call);
  run.returned = outcome.returned;
  run.callMs = outcome.callMilliseconds;
  // The observations carry the call's order lists: the optima need nothing else.
  for (const SearchObservation& search : searches.Observed())
    run.searches.push_back(RecordSearch(search, options));
  if (run.returned <= 0) {
    run.refused = true;
    run.problem = outcome.refusal.empty() ? "the library planned no piece"
                                          : "the library refused the board: " + outcome.refusal;
    return run;
  }
  TakeResultFigures(board.job, outcome, run);
  return run;
}

// ---- The byte form of a board's result ----

class Writer {
 public:
  template <typename T>
  void Put(T value) {
    static_assert(std::is_arithmetic_v<T>);
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    text_.append(bytes, sizeof(T));
  }
  void Put(const std::string& value) {
    Put<uint64_t>(value.size());
    text_ += value;
  }
  void Put(const std::vector<int32_t>& values) {
    Put<uint64_t>(values.size());
    for (const int32_t value : values)
      Put(value);
  }
  std::string& Text() { return text_; }

 private:
  std::string text_;
};

class Reader {
 public:
  explicit Reader(const std::string& text) : text_(text) {}
  template <typename T>
  bool Get(T* value) {
    static_assert(std::is_arithmetic_v<T>);
    if (text_.size() - at_ < sizeof(T)) return false;
    std::memcpy(value, text_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return true;
  }
  bool Get(bool* value) {
    uint8_t byte = 0;
    if (!Get(&byte) || byte > 1) return false;
    *value = byte == 1;
    return true;
  }
  bool Get(std::string* value) {
    uint64_t size = 0;
    if (!Get(&size) || size > text_.size() - at_) return false;
    value->assign(text_, at_, static_cast<size_t>(size));
    at_ += static_cast<size_t>(size);
    return true;
  }
  bool Get(std::vector<int32_t>* values) {
    uint64_t size = 0;
    if (!Get(&size) || size > (text_.size() - at_) / sizeof(int32_t)) return false;
    values->resize(static_cast<size_t>(size));
    for (int32_t& value : *values) {
      if (!Get(&value)) return false;
    }
    return true;
  }
  bool AtEnd() const { return at_ == text_.size(); }

 private:
  const std::string& text_;
  size_t at_ = 0;
};

// Each field of a board's result, in one order for writing and reading.
template <typename Io, typename Run, typename Grades, typename Orders, typename Searches>
bool Fields(Io& io, Run& run, Grades& grades, Orders& orders, Searches& searches) {
  bool ok = io(run.index) && io(run.source) && io(run.problem) && io(run.refused) &&
            io(run.returned) && io(run.mode) && io(run.pieces) && io(run.boardLength) &&
            io(run.useful) && io(run.used) && io(run.value) && io(run.waste) && io(run.callMs);
  for (auto& grade : grades)
    ok = ok && io(grade.used) && io(grade.useful) && io(grade.value);
  for (auto& order : orders)
    ok = ok && io(order.row) && io(order.grade) && io(order.length) && io(order.code) &&
         io(order.quantity) && io(order.pieces);
  for (auto& search : searches) {
    ok = ok && io(search.grade) && io(search.length) && io(search.fixedOnly) && io(search.mode) &&
         io(search.generations) && io(search.cutShort) && io(search.searchFitness) &&
         io(search.pieceLengths) && io(search.searchGenes) && io(search.optimumComputed) &&
         io(search.optimumSkipped) && io(search.optimumFitness) && io(search.optimumGenes) &&
         io(search.optimumMs);
  }
  return ok;
}

int64_t NumberOf(const std::vector<SimulationBoard>& boards, size_t position) {
  const int64_t number = boards[position].number;
  return number >= 0 ? number : static_cast<int64_t>(position);
}

// ---- Worker processes ----

#if SAWLINE_SIMULATE_FORK

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool ReadAll(int fd, char* data, size_t size) {
  while (size > 0) {
    const ssize_t got = read(fd, data, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    data += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

struct Worker {
  pid_t pid = -1;
  int toWorker = -1;    // the parent writes board numbers here
  int fromWorker = -1;  // the worker's results come back here
  int64_t current = -1;
  std::string buffer;
};

// The worker's life: a board number in, the board's result out, until the pipe closes.
[[noreturn]] void WorkerMain(int in, int out, const std::vector<SimulationBoard>& boards,
                             const SimulationOptions& options, const std::string& logPath) {
  int64_t index = 0;
  while (ReadAll(in, reinterpret_cast<char*>(&index), sizeof index)) {
    if (index < 0 || static_cast<size_t>(index) >= boards.size()) break;
    const size_t position = static_cast<size_t>(index);
    const std::string bytes = EncodeBoardRun(
        RunSimulationBoard(boards[position], NumberOf(boards, position), options, logPath));
    const uint64_t size = bytes.size();
    if (!WriteAll(out, reinterpret_cast<const char*>(&size), sizeof size) ||
        !WriteAll(out, bytes.data(), bytes.size())) {
      break;
    }
  }
  _exit(0);
}

bool StartWorker(Worker& worker, int number, std::vector<Worker>& all,
                 const std::vector<SimulationBoard>& boards, const SimulationOptions& options,
                 const std::string& logDirectory) {
  int down[2];
  int up[2];
  if (pipe(down) != 0) return false;
  if (pipe(up) != 0) {
    close(down[0]);
    close(down[1]);
    return false;
  }
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) {
    for (const int fd : {down[0], down[1], up[0], up[1]})
      close(fd);
    return false;
  }
  if (pid == 0) {
    close(down[1]);
    close(up[0]);
    for (const Worker& other : all) {
      if (other.toWorker >= 0) close(other.toWorker);
      if (other.fromWorker >= 0) close(other.fromWorker);
    }
    WorkerMain(down[0], up[1], boards, options,
               logDirectory + "/worker-" + std::to_string(number) + ".txt");
  }
  close(down[0]);
  close(up[1]);
  worker = Worker();
  worker.pid = pid;
  worker.toWorker = down[1];
  worker.fromWorker = up[0];
  return true;
}

void StopWorker(Worker& worker, int* status) {
  if (worker.toWorker >= 0) close(worker.toWorker);
  if (worker.fromWorker >= 0) close(worker.fromWorker);
  worker.toWorker = worker.fromWorker = -1;
  if (worker.pid > 0) {
    while (waitpid(worker.pid, status, 0) < 0 && errno == EINTR) {
    }
  }
  worker.pid = -1;
}

std::string WorkerDeath(int status) {
  if (WIFSIGNALED(status))
    return "the worker process running the board died (signal " + std::to_string(WTERMSIG(status)) +
           ")";
  return "the worker process running the board ended during the call";
}

BoardRun FailedRun(const std::vector<SimulationBoard>& boards, size_t position,
                   std::string problem) {
  BoardRun run;
  run.index = NumberOf(boards, position);
  run.source = boards[position].source;
  run.problem = std::move(problem);
  return run;
}

// The workers of one simulation. Boards are handed out one at a time to whichever worker
// is free; a worker that dies takes only its board with it (named in the result) and a
// new one takes its place.
class WorkerPool {
 public:
  WorkerPool(const std::vector<SimulationBoard>& boards, const SimulationOptions& options,
             const std::string& logDirectory, std::vector<BoardRun>& runs)
      : boards_(boards),
        options_(options),
        logDirectory_(logDirectory),
        runs_(runs),
        finished_(boards.size(), false) {}

  // Starts the workers (options.jobs, at most one per board) and hands each a board;
  // false when not one could start.
  bool Start() {
    workers_.resize(static_cast<size_t>(
        std::clamp<int64_t>(options_.jobs, 1, static_cast<int64_t>(boards_.size()))));
    int started = 0;
    for (Worker& worker : workers_) {
      if (!StartWorker(worker, started, workers_, boards_, options_, logDirectory_)) break;
      ++started;
    }
    if (started == 0) return false;
    workers_.resize(static_cast<size_t>(started));
    nextNumber_ = started;
    for (Worker& worker : workers_)
      Hand(worker);
    return true;
  }

  // Serves the workers until every board is done or no worker is left.
  void Run() {
    while (done_ < boards_.size()) {
      std::vector<pollfd> fds;
      for (const Worker& worker : workers_)
        fds.push_back({worker.fromWorker, POLLIN, 0});
      if (poll(fds.data(), static_cast<nfds_t>(fds.size()), -1) < 0) {
        if (errno == EINTR) continue;
        break;
      }
      for (size_t w = 0; w < workers_.size(); ++w) {
        if (fds[w].revents != 0 && workers_[w].pid >= 0) Serve(workers_[w]);
      }
      if (std::all_of(workers_.begin(), workers_.end(), [](const Worker& w) { return w.pid < 0; }))
        break;
    }
  }

  // Stops every worker; boards no worker could take (every worker failed to start
  // again) are named too.
  void Stop() {
    for (Worker& worker : workers_) {
      int status = 0;
      StopWorker(worker, &status);
    }
    for (size_t i = 0; i < boards_.size(); ++i) {
      if (!finished_[i]) runs_[i] = FailedRun(boards_, i, "no worker process could run the board");
    }
  }

 private:
  void Hand(Worker& worker) {
    if (next_ >= boards_.size() || worker.pid < 0) return;
    const int64_t index = static_cast<int64_t>(next_);
    if (WriteAll(worker.toWorker, reinterpret_cast<const char*>(&index), sizeof index)) {
      worker.current = index;
      ++next_;
    }
  }

  void Finish(int64_t index, BoardRun run) {
    runs_[static_cast<size_t>(index)] = std::move(run);
    finished_[static_cast<size_t>(index)] = true;
    ++done_;
    if (options_.progress) options_.progress(done_, boards_.size());
  }

  // Reads what the worker sent; the end of its pipe means it is gone.
  void Serve(Worker& worker) {
    char chunk[65536];
    const ssize_t got = read(worker.fromWorker, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) return;
    if (got <= 0) {
      Replace(worker);
      return;
    }
    worker.buffer.append(chunk, static_cast<size_t>(got));
    TakeResults(worker);
  }

  // Every whole result in the worker's buffer finishes its board, and the worker gets
  // the next one.
  void TakeResults(Worker& worker) {
    uint64_t size = 0;
    while (worker.buffer.size() >= sizeof size) {
      std::memcpy(&size, worker.buffer.data(), sizeof size);
      if (worker.buffer.size() - sizeof size < size) break;
      const std::string bytes = worker.buffer.substr(sizeof size, static_cast<size_t>(size));
      worker.buffer.erase(0, sizeof size + static_cast<size_t>(size));
      const size_t position = static_cast<size_t>(worker.current);
      worker.current = -1;
      BoardRun run;
      if (!DecodeBoardRun(bytes, &run) || run.index != NumberOf(boards_, position))
        run = FailedRun(boards_, position, "the worker process sent a damaged result");
      Finish(static_cast<int64_t>(position), std::move(run));
      Hand(worker);
    }
  }

  // The worker is gone: its board (if any) is named, and a new worker takes its place.
  void Replace(Worker& worker) {
    int status = 0;
    const int64_t lost = worker.current;
    StopWorker(worker, &status);
    if (lost >= 0) Finish(lost, FailedRun(boards_, static_cast<size_t>(lost), WorkerDeath(status)));
    if (next_ < boards_.size() &&
        StartWorker(worker, nextNumber_++, workers_, boards_, options_, logDirectory_)) {
      Hand(worker);
    }
  }

  const std::vector<SimulationBoard>& boards_;
  const SimulationOptions& options_;
  const std::string& logDirectory_;
  std::vector<BoardRun>& runs_;
  std::vector<bool> finished_;  // the board's result is in runs_
  std::vector<Worker> workers_;
  size_t next_ = 0;  // the next board to hand out
  size_t done_ = 0;
  int nextNumber_ = 0;  // of the next worker started (its run log's name)
};

bool RunInWorkers(const std::vector<SimulationBoard>& boards, const SimulationOptions& options,
                  const std::string& logDirectory, std::vector<BoardRun>& runs) {
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  WorkerPool pool(boards, options, logDirectory, runs);
  const bool started = pool.Start();
  if (started) {
    pool.Run();
    pool.Stop();
  }
  sigaction(SIGPIPE, &previous, nullptr);
  return started;
}

#endif  // SAWLINE_SIMULATE_FORK

}  // namespace

double SearchRecord::Ratio() const {
  if (!(optimumFitness > 0.0)) return 1.0;
  return searchFitness / optimumFitness;
}

int32_t BoardRun::CutShort() const {
  return static_cast<int32_t>(std::count_if(searches.begin(), searches.end(),
                                            [](const SearchRecord& s) { return s.cutShort; }));
}

std::string EncodeBoardRun(const BoardRun& run) {
  Writer writer;
  auto put = [&](const auto& value) {
    if constexpr (std::is_same_v<std::decay_t<decltype(value)>, bool>) {
      writer.Put<uint8_t>(value ? 1 : 0);
    } else {
      writer.Put(value);
    }
    return true;
  };
  writer.Put<uint64_t>(run.orders.size());
  writer.Put<uint64_t>(run.searches.size());
  Fields(put, run, run.grades, run.orders, run.searches);
  return std::move(writer.Text());
}

bool DecodeBoardRun(const std::string& bytes, BoardRun* run) {
  Reader reader(bytes);
  uint64_t orders = 0;
  uint64_t searches = 0;
  if (!reader.Get(&orders) || !reader.Get(&searches) || orders > bytes.size() ||
      searches > bytes.size()) {
    return false;
  }
  *run = BoardRun();
  run->orders.resize(static_cast<size_t>(orders));
  run->searches.resize(static_cast<size_t>(searches));
  auto get = [&](auto& value) { return reader.Get(&value); };
  return Fields(get, *run, run->grades, run->orders, run->searches) && reader.AtEnd();
}

BoardRun RunSimulationBoard(const SimulationBoard& board, int64_t number,
                            const SimulationOptions& options, const std::string& logPath) {
  RunOptions call;
  call.logPath = logPath;
  return RunBoardWithOptima(board, number, options, call);
}

std::vector<BoardRun> RunSimulation(const std::vector<SimulationBoard>& boards,
                                    const SimulationOptions& options) {
  std::vector<BoardRun> runs(boards.size());
  if (boards.empty()) return runs;
  // The run logs of the calls go to a folder of their own unless one is given.
  std::string folder = options.logDirectory;
  const bool ownFolder = folder.empty();
  if (ownFolder) {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && folder.empty(); ++attempt) {
      const std::filesystem::path path =
          base / ("sawline-simulate-" + std::to_string(Clock::now().time_since_epoch().count()) +
                  "-" + std::to_string(attempt));
      if (std::filesystem::create_directory(path, error)) folder = path.string();
    }
  }
  // Without a folder of their own the logs go to the current one.
  const bool haveFolder = !folder.empty();
  const std::string logFolder = haveFolder ? folder : std::string(".");
  bool ran = false;
#if SAWLINE_SIMULATE_FORK
  if (options.jobs > 1 && boards.size() > 1) ran = RunInWorkers(boards, options, logFolder, runs);
#endif
  if (!ran) {
    RunOptions call;
    call.logDirectory = logFolder;
    for (size_t i = 0; i < boards.size(); ++i) {
      runs[i] = RunBoardWithOptima(boards[i], NumberOf(boards, i), options, call);
      if (options.progress) options.progress(i + 1, boards.size());
    }
  }
  if (ownFolder && haveFolder) {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
  }
  return runs;
}

}  // namespace sawline::tools
