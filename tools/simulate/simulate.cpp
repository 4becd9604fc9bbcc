#include "simulate/simulate.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <type_traits>

#include "desk/desk_run.h"
#include "desk/result_view.h"
#include "interface/settings_table.h"

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

// What defines a search's exact optimum: every field the optimum and the search's own
// evaluation read. The genes the search chose, its fitness and its generations do not.
std::string SearchDefinition(const SearchObservation& search);
bool ReadSearchDefinition(const std::string& bytes, SearchObservation* search);

SearchRecord RecordSearch(const SearchObservation& search, bool optimum) {
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
  if (optimum && search.mode != OptimizeMode::kLongStock && search.generations > 0)
    record.definition = SearchDefinition(search);
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
    figures.fixed = static_cast<double>(grade.fixed);
    figures.variable = static_cast<double>(grade.variable);
    figures.uncut = static_cast<double>(grade.uncut);
    figures.ownZones = grade.ownZones;
    figures.betterZones = grade.betterZones;
  }
  for (const ZoneView& zone : view.zones) {
    const int grade = TruncToInt(zone.grade);
    if (grade < 1 || grade > kMaxOrderGrade) continue;
    double& longest = run.grades[static_cast<size_t>(grade - 1)].longestZone;
    longest = std::max(longest, static_cast<double>(zone.length));
  }
  for (const OrderCountView& order : view.orderCounts)
    run.orders.push_back({order.row, order.grade, order.length, order.code, order.quantity,
                          order.pieces, order.done});
  for (const VariableCountView& order : view.variableCounts)
    run.variables.push_back({order.row, order.grade, order.code, order.pieces, order.length});
  run.bookValue = view.bookValue;
  run.bookHasValues = view.bookHasValues;
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
  const bool optimum = options.optimum && number >= options.optimumFrom;
  for (const SearchObservation& search : searches.Observed())
    run.searches.push_back(RecordSearch(search, optimum));
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
template <typename Io, typename Run>
bool Fields(Io& io, Run& run) {
  bool ok = io(run.index) && io(run.source) && io(run.problem) && io(run.refused) &&
            io(run.returned) && io(run.mode) && io(run.pieces) && io(run.boardLength) &&
            io(run.useful) && io(run.used) && io(run.value) && io(run.waste) && io(run.callMs) &&
            io(run.bookValue) && io(run.bookHasValues);
  for (auto& grade : run.grades) {
    ok = ok && io(grade.used) && io(grade.useful) && io(grade.value) && io(grade.fixed) &&
         io(grade.variable) && io(grade.uncut) && io(grade.ownZones) && io(grade.betterZones) &&
         io(grade.longestZone);
  }
  for (auto& order : run.orders)
    ok = ok && io(order.row) && io(order.grade) && io(order.length) && io(order.code) &&
         io(order.quantity) && io(order.pieces) && io(order.done);
  for (auto& order : run.variables)
    ok = ok && io(order.row) && io(order.grade) && io(order.code) && io(order.pieces) &&
         io(order.length);
  for (auto& search : run.searches) {
    ok = ok && io(search.grade) && io(search.length) && io(search.fixedOnly) && io(search.mode) &&
         io(search.generations) && io(search.cutShort) && io(search.searchFitness) &&
         io(search.pieceLengths) && io(search.searchGenes) && io(search.optimumComputed) &&
         io(search.optimumSkipped) && io(search.optimumFitness) && io(search.optimumGenes) &&
         io(search.optimumMs) && io(search.definition);
  }
  return ok;
}

int64_t NumberOf(const std::vector<SimulationBoard>& boards, size_t position) {
  const int64_t number = boards[position].number;
  return number >= 0 ? number : static_cast<int64_t>(position);
}

// ---- Worker processes ----

// A task run in a worker process: its number in, its answer's bytes out; the worker's
// own run log path is given.
using TaskWork = std::function<std::string(size_t task, const std::string& logPath)>;
// A task's answer in this process: its bytes, or nullptr and why there are none.
using TaskDone =
    std::function<void(size_t task, const std::string* bytes, const std::string& problem)>;

#if SAWLINE_SIMULATE_FORK
// Runs tasks 0 .. count - 1 in worker processes; false when none could start. `what` names
// a task in the answers of tasks that lost their worker ("the board").
bool RunInWorkers(size_t count, int jobs, const std::string& logDirectory, const std::string& what,
                  const TaskWork& work, const TaskDone& done);
#endif

// Runs tasks 0 .. count - 1, in worker processes when jobs > 1 and the platform can fork,
// else in this process.
void RunTasks(size_t count, int jobs, const std::string& logDirectory, const std::string& what,
              const TaskWork& work, const TaskDone& done) {
#if SAWLINE_SIMULATE_FORK
  if (jobs > 1 && count > 1 && RunInWorkers(count, jobs, logDirectory, what, work, done)) return;
#else
  (void)jobs;
  (void)what;
#endif
  const std::string logPath = logDirectory + "/BackupData.txt";
  for (size_t task = 0; task < count; ++task) {
    const std::string bytes = work(task, logPath);
    done(task, &bytes, "");
  }
}

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
  int toWorker = -1;    // the parent writes task numbers here
  int fromWorker = -1;  // the worker's answers come back here
  int64_t current = -1;
  std::string buffer;
};

// The worker's life: a task number in, the task's answer out, until the pipe closes.
[[noreturn]] void WorkerMain(int in, int out, size_t count, const TaskWork& work,
                             const std::string& logPath) {
  int64_t index = 0;
  while (ReadAll(in, reinterpret_cast<char*>(&index), sizeof index)) {
    if (index < 0 || static_cast<size_t>(index) >= count) break;
    const std::string bytes = work(static_cast<size_t>(index), logPath);
    const uint64_t size = bytes.size();
    if (!WriteAll(out, reinterpret_cast<const char*>(&size), sizeof size) ||
        !WriteAll(out, bytes.data(), bytes.size())) {
      break;
    }
  }
  _exit(0);
}

std::string WorkerDeath(int status, const std::string& what) {
  if (WIFSIGNALED(status)) {
    return "the worker process running " + what + " died (signal " +
           std::to_string(WTERMSIG(status)) + ")";
  }
  return "the worker process running " + what + " ended during the call";
}

// The workers of one batch of tasks. Tasks are handed out one at a time to whichever
// worker is free; a worker that dies takes only its task with it (answered with why) and
// a new one takes its place. The workers are forked from this process, so a task number
// is all they need.
class WorkerPool {
 public:
  WorkerPool(size_t count, int jobs, const std::string& logDirectory, const std::string& what,
             const TaskWork& work, const TaskDone& done)
      : count_(count),
        jobs_(jobs),
        logDirectory_(logDirectory),
        what_(what),
        work_(work),
        done_(done),
        finished_(count, false) {}

  // Starts the workers (jobs, at most one per task) and hands each a task; false when
  // not one could start.
  bool Start() {
    workers_.resize(
        static_cast<size_t>(std::clamp<int64_t>(jobs_, 1, static_cast<int64_t>(count_))));
    int started = 0;
    for (Worker& worker : workers_) {
      if (!StartWorker(worker, started)) break;
      ++started;
    }
    if (started == 0) return false;
    workers_.resize(static_cast<size_t>(started));
    nextNumber_ = started;
    for (Worker& worker : workers_)
      Hand(worker);
    return true;
  }

  // Serves the workers until every task is done or no worker is left.
  void Run() {
    while (answered_ < count_) {
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

  // Stops every worker; tasks no worker could take (every worker failed to start again)
  // are answered too.
  void Stop() {
    for (Worker& worker : workers_) {
      int status = 0;
      StopWorker(worker, &status);
    }
    for (size_t i = 0; i < count_; ++i) {
      if (!finished_[i]) Finish(i, nullptr, "no worker process could run " + what_);
    }
  }

 private:
  bool StartWorker(Worker& worker, int number) {
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
      for (const Worker& other : workers_) {
        if (other.toWorker >= 0) close(other.toWorker);
        if (other.fromWorker >= 0) close(other.fromWorker);
      }
      WorkerMain(down[0], up[1], count_, work_,
                 logDirectory_ + "/worker-" + std::to_string(number) + ".txt");
    }
    close(down[0]);
    close(up[1]);
    worker = Worker();
    worker.pid = pid;
    worker.toWorker = down[1];
    worker.fromWorker = up[0];
    return true;
  }

  static void StopWorker(Worker& worker, int* status) {
    if (worker.toWorker >= 0) close(worker.toWorker);
    if (worker.fromWorker >= 0) close(worker.fromWorker);
    worker.toWorker = worker.fromWorker = -1;
    if (worker.pid > 0) {
      while (waitpid(worker.pid, status, 0) < 0 && errno == EINTR) {
      }
    }
    worker.pid = -1;
  }

  void Hand(Worker& worker) {
    if (next_ >= count_ || worker.pid < 0) return;
    const int64_t index = static_cast<int64_t>(next_);
    if (WriteAll(worker.toWorker, reinterpret_cast<const char*>(&index), sizeof index)) {
      worker.current = index;
      ++next_;
    }
  }

  void Finish(size_t task, const std::string* bytes, const std::string& problem) {
    finished_[task] = true;
    ++answered_;
    done_(task, bytes, problem);
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
    TakeAnswers(worker);
  }

  // Every whole answer in the worker's buffer finishes its task, and the worker gets
  // the next one.
  void TakeAnswers(Worker& worker) {
    uint64_t size = 0;
    while (worker.buffer.size() >= sizeof size) {
      std::memcpy(&size, worker.buffer.data(), sizeof size);
      if (worker.buffer.size() - sizeof size < size) break;
      const std::string bytes = worker.buffer.substr(sizeof size, static_cast<size_t>(size));
      worker.buffer.erase(0, sizeof size + static_cast<size_t>(size));
      const size_t task = static_cast<size_t>(worker.current);
      worker.current = -1;
      Finish(task, &bytes, "");
      Hand(worker);
    }
  }

  // The worker is gone: its task (if any) is answered with why, and a new worker takes
  // its place.
  void Replace(Worker& worker) {
    int status = 0;
    const int64_t lost = worker.current;
    StopWorker(worker, &status);
    if (lost >= 0) Finish(static_cast<size_t>(lost), nullptr, WorkerDeath(status, what_));
    if (next_ < count_ && StartWorker(worker, nextNumber_++)) Hand(worker);
  }

  size_t count_;
  int jobs_;
  const std::string& logDirectory_;
  const std::string& what_;  // what a task computes, in messages: "the board"
  const TaskWork& work_;
  const TaskDone& done_;
  std::vector<bool> finished_;  // the task has been answered
  std::vector<Worker> workers_;
  size_t next_ = 0;  // the next task to hand out
  size_t answered_ = 0;
  int nextNumber_ = 0;  // of the next worker started (its run log's name)
};

bool RunInWorkers(size_t count, int jobs, const std::string& logDirectory, const std::string& what,
                  const TaskWork& work, const TaskDone& done) {
  struct sigaction ignore {};
  struct sigaction previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &previous);
  WorkerPool pool(count, jobs, logDirectory, what, work, done);
  const bool started = pool.Start();
  if (started) {
    pool.Run();
    pool.Stop();
  }
  sigaction(SIGPIPE, &previous, nullptr);
  return started;
}

#endif  // SAWLINE_SIMULATE_FORK

// Each field of a search's definition, in one order for writing and reading.
template <typename Io, typename Search>
bool DefinitionFields(Io& io, Search& search) {
  bool ok = io(search.grade) && io(search.length) && io(search.fixedOnly) && io(search.mode) &&
            io(search.kerf) && io(search.firstEntry) && io(search.geneCount) &&
            search.geneCount >= 0 && search.geneCount <= kMaxGenes;
  for (int32_t j = 0; ok && j < search.geneCount; ++j)
    ok = io(search.geneLimit[j]) && io(search.pieceLength[j]) && io(search.weight[j]);
  ok = ok && io(search.variableCount) && search.variableCount >= 0 &&
       search.variableCount <= kMaxVariableOrders;
  for (int32_t k = 0; ok && k < search.variableCount; ++k) {
    ok = io(search.variable[k].minLength) && io(search.variable[k].maxLength) &&
         io(search.variable[k].weight) && io(search.variable[k].code);
  }
  return ok;
}

std::string SearchDefinition(const SearchObservation& search) {
  Writer writer;
  SearchObservation copy = search;
  copy.geneCount = std::clamp(copy.geneCount, 0, kMaxGenes);
  copy.variableCount = std::clamp(copy.variableCount, 0, kMaxVariableOrders);
  auto put = [&](const auto& value) {
    if constexpr (std::is_enum_v<std::decay_t<decltype(value)>>) {
      writer.Put(static_cast<std::underlying_type_t<std::decay_t<decltype(value)>>>(value));
    } else {
      writer.Put(value);
    }
    return true;
  };
  DefinitionFields(put, copy);
  return std::move(writer.Text());
}

bool ReadSearchDefinition(const std::string& bytes, SearchObservation* search) {
  Reader reader(bytes);
  auto get = [&](auto& value) {
    using T = std::decay_t<decltype(value)>;
    if constexpr (std::is_enum_v<T>) {
      std::underlying_type_t<T> raw{};
      if (!reader.Get(&raw)) return false;
      value = static_cast<T>(raw);
      return true;
    } else {
      return reader.Get(&value);
    }
  };
  return DefinitionFields(get, *search) && reader.AtEnd();
}

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
  writer.Put<uint64_t>(run.variables.size());
  writer.Put<uint64_t>(run.searches.size());
  Fields(put, run);
  return std::move(writer.Text());
}

bool DecodeBoardRun(const std::string& bytes, BoardRun* run) {
  Reader reader(bytes);
  uint64_t orders = 0;
  uint64_t variables = 0;
  uint64_t searches = 0;
  if (!reader.Get(&orders) || !reader.Get(&variables) || !reader.Get(&searches) ||
      orders > bytes.size() || variables > bytes.size() || searches > bytes.size()) {
    return false;
  }
  *run = BoardRun();
  run->orders.resize(static_cast<size_t>(orders));
  run->variables.resize(static_cast<size_t>(variables));
  run->searches.resize(static_cast<size_t>(searches));
  auto get = [&](auto& value) { return reader.Get(&value); };
  return Fields(get, *run) && reader.AtEnd();
}

BoardRun RunSimulationBoard(const SimulationBoard& board, int64_t number,
                            const SimulationOptions& options, const std::string& logPath) {
  RunOptions call;
  call.logPath = logPath;
  return RunBoardWithOptima(board, number, options, call);
}

void CarryPieces(const BoardRun& run, float* parameters) {
  if (!run.problem.empty()) return;
  for (const OrderFigures& order : run.orders) {
    if (order.row < 0 || order.row >= kFixedOrderRows) continue;
    float& done = parameters[SAWLINE_PARAM_FIXED_ORDER_DONE + order.row];
    done = static_cast<float>(static_cast<double>(done) + static_cast<double>(order.pieces));
  }
}

namespace {

// The run logs of the calls go to a folder of their own unless one is given; it is
// removed again when the simulation made it.
class LogFolder {
 public:
  explicit LogFolder(const std::string& given) : folder_(given) {
    if (!folder_.empty()) return;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
      const std::filesystem::path path =
          base / ("sawline-simulate-" + std::to_string(Clock::now().time_since_epoch().count()) +
                  "-" + std::to_string(attempt));
      if (std::filesystem::create_directory(path, error)) folder_ = path.string();
    }
    own_ = !folder_.empty();
  }
  ~LogFolder() {
    std::error_code error;
    if (own_) std::filesystem::remove_all(folder_, error);
  }
  LogFolder(const LogFolder&) = delete;
  LogFolder& operator=(const LogFolder&) = delete;
  // Without a folder of their own the logs go to the current one.
  std::string Path() const { return folder_.empty() ? std::string(".") : folder_; }

 private:
  std::string folder_;
  bool own_ = false;
};

BoardRun FailedRun(const std::vector<SimulationBoard>& boards, size_t position,
                   std::string problem) {
  BoardRun run;
  run.index = NumberOf(boards, position);
  run.source = boards[position].source;
  run.problem = std::move(problem);
  return run;
}

// Independent boards: in worker processes, or one after the other here.
std::vector<BoardRun> RunIndependent(const std::vector<SimulationBoard>& boards,
                                     const SimulationOptions& options, const std::string& logs) {
  std::vector<BoardRun> runs(boards.size());
  size_t finished = 0;
  const TaskWork work = [&](size_t i, const std::string& logPath) {
    return EncodeBoardRun(RunSimulationBoard(boards[i], NumberOf(boards, i), options, logPath));
  };
  const TaskDone done = [&](size_t i, const std::string* bytes, const std::string& problem) {
    BoardRun run;
    if (bytes == nullptr) {
      run = FailedRun(boards, i, problem);
    } else if (!DecodeBoardRun(*bytes, &run) || run.index != NumberOf(boards, i)) {
      run = FailedRun(boards, i, "the worker process sent a damaged result");
    }
    runs[i] = std::move(run);
    if (options.progress) options.progress(++finished, boards.size());
  };
  RunTasks(boards.size(), options.jobs, logs, "the board", work, done);
  return runs;
}

// A carried shift: one board after the other in this process, each with the done counts
// the boards before it left. The book's counts are the first readable board's; every
// board of a carried shift holds the same book.
std::vector<BoardRun> RunCarried(const std::vector<SimulationBoard>& boards,
                                 const SimulationOptions& options, const std::string& logs) {
  std::vector<BoardRun> runs;
  runs.reserve(boards.size());
  std::array<float, kParameterBlockFloats> book{};
  bool haveBook = false;
  const std::string logPath = logs + "/BackupData.txt";
  for (size_t i = 0; i < boards.size(); ++i) {
    SimulationBoard board = boards[i];
    if (board.problem.empty()) {
      if (!haveBook) book = board.job.parameters;
      haveBook = true;
      std::copy_n(book.begin() + SAWLINE_PARAM_FIXED_ORDER_DONE, kFixedOrderRows,
                  board.job.parameters.begin() + SAWLINE_PARAM_FIXED_ORDER_DONE);
    }
    runs.push_back(RunSimulationBoard(board, NumberOf(boards, i), options, logPath));
    CarryPieces(runs.back(), book.data());
    if (options.progress) options.progress(i + 1, boards.size());
  }
  return runs;
}

struct OptimumAnswer {
  ExactOptimum optimum;
  double ms = 0.0;
};

std::string EncodeOptimum(const OptimumAnswer& answer) {
  Writer writer;
  writer.Put<uint8_t>(answer.optimum.computed ? 1 : 0);
  writer.Put(answer.optimum.skipped);
  writer.Put(answer.optimum.fitness);
  writer.Put(answer.optimum.genes);
  writer.Put(answer.ms);
  return std::move(writer.Text());
}

bool DecodeOptimum(const std::string& bytes, OptimumAnswer* answer) {
  Reader reader(bytes);
  return reader.Get(&answer->optimum.computed) && reader.Get(&answer->optimum.skipped) &&
         reader.Get(&answer->optimum.fitness) && reader.Get(&answer->optimum.genes) &&
         reader.Get(&answer->ms) && reader.AtEnd();
}

void PutAnswer(const OptimumAnswer& answer, SearchRecord& record) {
  record.optimumComputed = answer.optimum.computed;
  record.optimumSkipped = answer.optimum.skipped;
  record.optimumFitness = answer.optimum.fitness;
  record.optimumGenes = answer.optimum.genes;
  record.optimumMs = answer.ms;
}

// The exact optimum of every search that wants one, once per distinct definition over
// all the shifts, in worker processes; each record's definition is dropped after.
void ComputeOptima(std::vector<std::vector<BoardRun>>& shifts, const SimulationOptions& options,
                   const std::string& logs) {
  std::map<std::string, std::vector<SearchRecord*>> wanted;
  for (std::vector<BoardRun>& runs : shifts) {
    for (BoardRun& run : runs) {
      for (SearchRecord& search : run.searches) {
        if (!search.definition.empty()) wanted[search.definition].push_back(&search);
      }
    }
  }
  std::vector<const std::string*> definitions;
  for (const auto& entry : wanted)
    definitions.push_back(&entry.first);
  size_t finished = 0;
  const TaskWork work = [&](size_t i, const std::string&) {
    OptimumAnswer answer;
    SearchObservation search{};
    if (!ReadSearchDefinition(*definitions[i], &search)) {
      answer.optimum.skipped = "the search's definition does not read";
      return EncodeOptimum(answer);
    }
    const Clock::time_point start = Clock::now();
    answer.optimum = FindExactOptimum(search, options.limits);
    answer.ms = MillisecondsSince(start);
    return EncodeOptimum(answer);
  };
  const TaskDone done = [&](size_t i, const std::string* bytes, const std::string& problem) {
    OptimumAnswer answer;
    if (bytes == nullptr) {
      answer.optimum.skipped = problem;
    } else if (!DecodeOptimum(*bytes, &answer)) {
      answer = OptimumAnswer();
      answer.optimum.skipped = "the worker process sent a damaged optimum";
    }
    for (SearchRecord* record : wanted[*definitions[i]])
      PutAnswer(answer, *record);
    if (options.optimumProgress) options.optimumProgress(++finished, definitions.size());
  };
  RunTasks(definitions.size(), options.jobs, logs, "the exact optimum", work, done);
  for (auto& entry : wanted) {
    for (SearchRecord* record : entry.second)
      record->definition.clear();
  }
}

}  // namespace

std::vector<std::vector<BoardRun>> RunShifts(
    const std::vector<std::vector<SimulationBoard>>& shifts, const SimulationOptions& options) {
  const LogFolder logs(options.logDirectory);
  std::vector<std::vector<BoardRun>> runs;
  for (const std::vector<SimulationBoard>& boards : shifts) {
    runs.push_back(options.carried ? RunCarried(boards, options, logs.Path())
                                   : RunIndependent(boards, options, logs.Path()));
  }
  ComputeOptima(runs, options, logs.Path());
  return runs;
}

std::vector<BoardRun> RunSimulation(const std::vector<SimulationBoard>& boards,
                                    const SimulationOptions& options) {
  if (boards.empty()) return {};
  return std::move(RunShifts({boards}, options).front());
}

}  // namespace sawline::tools
