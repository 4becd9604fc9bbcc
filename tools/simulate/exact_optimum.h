// The exact optimum of one combination search: the largest fitness any combination of
// the search's genes can reach, by the same fitness the genetic search maximizes, so
// that the desk can say how much the time-bounded search left on the table.
//
// A combination is a piece count per gene (gene j: fixed-length entry firstEntry + j of
// the grade, at most its gene limit) whose pieces with their kerfs fit into the zone as
// the search measures a row (summed in single precision, at most the zone length). Its
// fitness is the sum over genes of (count x length) x weight, plus, unless the search was
// fixed-only, what the rest of the zone earns by the search's rule: one piece of the first
// variable-length order whose range with the kerf covers it exactly, else the segment
// filler's best fill when some order's longest piece fits into it, else nothing.
//
// The fixed-length part is a bounded knapsack over the length the pieces use (the gene
// limits split into powers of two): with a whole kerf every combination's used length is
// a whole number, so the best fixed-length fitness for each exact used length, plus the
// rest's value for what that length leaves, taken at its best, is the optimum. A
// fractional kerf makes the used length depend on the piece count as well, and the
// knapsack runs over (total piece length, piece count) instead. The rests are valued in
// the order of an upper bound (the rest's length times the grade's largest variable
// weight), so only used lengths that could still win are filled.
//
// The optimum is then evaluated by the search's own evaluation (EvaluatePopulation on a
// population of one), and candidates within a rounding of the best are all evaluated so,
// the best evaluated one winning; among equal fitness values the combination with more
// pieces of the longer entries wins, as in the search.
//
// Everything the optimum reads comes from the search's observation, the grade's
// variable-length list included, so an optimum may be computed after any number of later
// calls. The library's probe does the evaluations (between calls, never during one).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "optimize/search_probe.h"

namespace sawline::tools {

struct OptimumLimits {
  // Knapsack cells (states times items) one zone may take; a larger zone is skipped.
  int64_t maxCells = 400'000'000;
};

struct ExactOptimum {
  bool computed = false;
  std::string skipped;         // why the optimum was not computed
  double fitness = 0.0;        // the search's own evaluation of `genes`
  double knapsackValue = 0.0;  // what the knapsack and the rest valuation found for them
  std::vector<int32_t> genes;  // piece count per gene (geneCount entries)
  int32_t restsValued = 0;     // used lengths whose rest was valued
  int64_t cells = 0;           // knapsack cells filled
};

// Collects what the searches of the calls made while it listens chose: a board's
// searches, when it listens around the board's call. Listening waits for a running call
// to end; one collector listens at a time (a later Listen replaces the observer).
class SearchCollector {
 public:
  SearchCollector() = default;
  SearchCollector(const SearchCollector&) = delete;
  SearchCollector& operator=(const SearchCollector&) = delete;
  ~SearchCollector();

  void Listen();
  void Stop();
  const std::vector<SearchObservation>& Observed() const { return observed_; }

 private:
  static void Collect(const SearchObservation& observation, void* context);
  std::vector<SearchObservation> observed_;
  bool listening_ = false;
};

ExactOptimum FindExactOptimum(const SearchObservation& search,
                              const OptimumLimits& limits = OptimumLimits());

// The fitness the search gives `genes` (geneCount counts), by its own evaluation.
double EvaluateWithSearch(const SearchObservation& search, const int32_t* genes);

// The length a row of `genes` uses as the search's operators measure it: each gene's
// pieces with their kerfs, added in gene order in single precision.
float RowLength(const SearchObservation& search, const int32_t* genes);

// What the rest `rest` of the zone earns by the search's rule (0 for a fixed-only search).
double RestValue(const SearchObservation& search, double rest);

// True when `search` cannot beat `optimum`: its fitness is at most the optimum's, but
// for a rounding of the summation.
bool WithinOptimum(double searchFitness, double optimumFitness);

}  // namespace sawline::tools
