// A simulated shift of 1,000 boards drawn from examples/shift_book.json (36 fixed-length
// and 6 variable-length orders, 4 to 12 zones a board), in this process with the clock
// standing still: with the exact optimum of every search beside it, and without, so that
// the optimum's share of the time shows. Run from the source tree, or with
// SAWLINE_SOURCE_DIR naming it. `sawline simulate --jobs 2` gives the worker-process
// wall time for the same shift.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "jobfile/board_model.h"
#include "jobfile/job_reader.h"
#include "simulate/board_drawing.h"
#include "simulate/simulate.h"

namespace {

using sawline::tools::SimulationBoard;

std::string BookPath() {
  const char* source = std::getenv("SAWLINE_SOURCE_DIR");
  return std::string(source != nullptr && *source != '\0' ? source : ".") +
         "/examples/shift_book.json";
}

bool DrawShift(int64_t count, std::vector<SimulationBoard>* boards, std::string* error) {
  const std::string path = BookPath();
  sawline::tools::JobBlocks book;
  sawline::tools::JobDiagnostics diagnostics;
  if (!sawline::tools::LoadJob(path, book, &diagnostics) || !diagnostics.boardModelErrors.empty()) {
    for (const std::string& line : diagnostics.errors)
      *error += line + "\n";
    for (const std::string& line : diagnostics.boardModelErrors)
      *error += line + "\n";
    return false;
  }
  const sawline::tools::BoardModel model =
      diagnostics.boardModel.value_or(sawline::tools::BoardModel{});
  for (int64_t i = 0; i < count; ++i) {
    boards->push_back({"drawn board " + std::to_string(i), "",
                       sawline::tools::DrawBoard(book, model, 1, static_cast<uint64_t>(i)), i});
  }
  return true;
}

void BM_SimulateShift(benchmark::State& state) {
  std::vector<SimulationBoard> boards;
  std::string error;
  if (!DrawShift(state.range(0), &boards, &error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  sawline::tools::SimulationOptions options;
  options.optimum = state.range(1) != 0;
  // Carried: the done counts go from board to board, the calls one after the other.
  options.carried = state.range(2) != 0;
  int64_t zones = 0;
  for (auto _ : state) {
    const std::vector<sawline::tools::BoardRun> runs =
        sawline::tools::RunSimulation(boards, options);
    for (const sawline::tools::BoardRun& run : runs)
      zones += static_cast<int64_t>(run.searches.size());
    benchmark::DoNotOptimize(runs.data());
  }
  state.counters["boards/s"] = benchmark::Counter(
      static_cast<double>(state.iterations() * state.range(0)), benchmark::Counter::kIsRate);
  state.counters["zones"] = static_cast<double>(zones) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_SimulateShift)
    ->ArgsProduct({{1000}, {1, 0}, {1, 0}})
    ->ArgNames({"boards", "optimum", "carried"})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
