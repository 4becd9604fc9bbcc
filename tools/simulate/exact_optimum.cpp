#include "simulate/exact_optimum.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sawline::tools {
namespace {

constexpr double kUnreached = -std::numeric_limits<double>::infinity();
// Fitness values this close (relative) are one value rounded two ways: the knapsack adds
// the genes' values in another order than the search does.
constexpr double kRelativeRounding = 1e-9;
// The segment filler scores in single precision: a fill may exceed its lengths times
// its weights by a few roundings, which the rest's upper bound allows for.
constexpr double kFillBoundSlack = 1e-5;

double Rounding(double value) {
  return kRelativeRounding * std::max(1.0, std::fabs(value));
}

int32_t VariableOrders(const SearchObservation& search) {
  if (!IsOrderGrade(search.grade)) return 0;
  return std::clamp(search.variableCount, 0, kMaxVariableOrders);
}

// One knapsack item: `count` pieces of one gene, a power of two of its limit or the rest.
struct Item {
  int32_t gene;
  int32_t count;
  int64_t length;  // count x the piece length
  int64_t size;    // whole kerf: count x (length + kerf); else unused
  double value;    // (count x length) x weight
};

// The knapsack's table: the best fixed-length fitness of every state, a state being the
// used length (whole kerf) or the pair (piece count, total piece length).
struct Knapsack {
  bool whole = true;
  int64_t lengthCap = 0;  // largest used length (whole) or total piece length
  int32_t countCap = 0;   // largest piece count (fractional kerf); 0 when whole
  int64_t stride = 0;     // lengthCap + 1
  double slack = 0.0;     // fractional kerf: rows this far over the zone are checked
  std::vector<Item> items;
  std::vector<double> best;
  std::vector<uint64_t> taken;  // bit (item, state): the item is in the state's best
  int64_t words = 0;            // words of `taken` per item

  int64_t States() const { return static_cast<int64_t>(countCap + 1) * stride; }
  bool Taken(size_t item, int64_t state) const {
    const uint64_t word =
        taken[item * static_cast<size_t>(words) + static_cast<size_t>(state / 64)];
    return ((word >> (state % 64)) & 1u) != 0;
  }
  void Take(size_t item, int64_t state) {
    taken[item * static_cast<size_t>(words) + static_cast<size_t>(state / 64)] |= uint64_t{1}
                                                                                  << (state % 64);
  }
};

bool WholeKerf(double kerf) {
  return kerf >= 0.0 && kerf == std::floor(kerf) && kerf < static_cast<double>(kExactFloatIntegers);
}

void SplitLimits(const SearchObservation& search, Knapsack& sack) {
  const int64_t kerf = sack.whole ? static_cast<int64_t>(search.kerf) : 0;
  for (int32_t j = 0; j < search.geneCount; ++j) {
    const int32_t limit = search.geneLimit[j];
    const int64_t piece = search.pieceLength[j];
    const double weight = static_cast<double>(search.weight[j]);
    for (int32_t chunk = 1, left = limit; left > 0; chunk *= 2) {
      const int32_t count = std::min(chunk, left);
      left -= count;
      sack.items.push_back({j, count, count * piece, count * (piece + kerf),
                            static_cast<double>(count * piece) * weight});
    }
  }
}

// The largest total piece length a state of `count` pieces may have.
int64_t LengthCapFor(const Knapsack& sack, const SearchObservation& search, int32_t count) {
  if (sack.whole) return sack.lengthCap;
  const double room =
      static_cast<double>(search.length) + sack.slack - count * static_cast<double>(search.kerf);
  if (!(room >= 0.0)) return -1;
  return std::min<int64_t>(sack.lengthCap, static_cast<int64_t>(std::floor(room)));
}

void FillKnapsack(const SearchObservation& search, Knapsack& sack) {
  sack.best.assign(static_cast<size_t>(sack.States()), kUnreached);
  sack.best[0] = 0.0;
  sack.words = (sack.States() + 63) / 64;
  sack.taken.assign(sack.items.size() * static_cast<size_t>(sack.words), 0);
  double* best = sack.best.data();
  for (size_t k = 0; k < sack.items.size(); ++k) {
    const Item& item = sack.items[k];
    if (sack.whole) {
      for (int64_t u = sack.lengthCap; u >= item.size; --u) {
        const double candidate = best[u - item.size] + item.value;
        if (candidate > best[u]) {
          best[u] = candidate;
          sack.Take(k, u);
        }
      }
      continue;
    }
    for (int32_t n = sack.countCap; n >= item.count; --n) {
      const int64_t row = n * sack.stride;
      const int64_t from = (n - item.count) * sack.stride - item.length;
      for (int64_t p = LengthCapFor(sack, search, n); p >= item.length; --p) {
        const double candidate = best[from + p] + item.value;
        if (candidate > best[row + p]) {
          best[row + p] = candidate;
          sack.Take(k, row + p);
        }
      }
    }
  }
}

std::vector<int32_t> Reconstruct(const Knapsack& sack, const SearchObservation& search,
                                 int64_t state) {
  std::vector<int32_t> genes(static_cast<size_t>(search.geneCount), 0);
  for (size_t k = sack.items.size(); k-- > 0;) {
    if (!sack.Taken(k, state)) continue;
    const Item& item = sack.items[k];
    genes[static_cast<size_t>(item.gene)] += item.count;
    state -= sack.whole ? item.size : item.count * sack.stride + item.length;
  }
  return genes;
}

// The used length of a state, as the rest is measured from it.
double UsedLength(const Knapsack& sack, const SearchObservation& search, int64_t state) {
  if (sack.whole) return static_cast<double>(state);
  const int64_t count = state / sack.stride;
  return static_cast<double>(state % sack.stride) +
         static_cast<double>(count) * static_cast<double>(search.kerf);
}

// The most the rest `rest` can earn: its length at the grade's largest variable weight.
double RestBound(const SearchObservation& search, double rest, double largestWeight) {
  if (search.fixedOnly == 1 || !(rest > 0.0) || !(largestWeight > 0.0)) return 0.0;
  return rest * largestWeight * (1.0 + kFillBoundSlack) + kFillBoundSlack;
}

struct Candidate {
  double bound;
  int64_t state;
};

// Lexicographically greater: more pieces of the earlier (longer) entries.
bool MorePiecesOfLongerEntries(const std::vector<int32_t>& a, const std::vector<int32_t>& b) {
  return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end());
}

}  // namespace

SearchCollector::~SearchCollector() {
  Stop();
}

void SearchCollector::Listen() {
  ObserveSearches(Collect, this);
  listening_ = true;
}

void SearchCollector::Stop() {
  if (!listening_) return;
  ObserveSearches(nullptr, nullptr);
  listening_ = false;
}

void SearchCollector::Collect(const SearchObservation& observation, void* context) {
  static_cast<SearchCollector*>(context)->observed_.push_back(observation);
}

float RowLength(const SearchObservation& search, const int32_t* genes) {
  const double kerf = static_cast<double>(search.kerf);
  float length = 0.0f;
  for (int32_t j = 0; j < search.geneCount; ++j) {
    if (genes[j] == 0) continue;
    length = static_cast<float>(static_cast<double>(length) +
                                static_cast<double>(genes[j]) * (search.pieceLength[j] + kerf));
  }
  return length;
}

double RestValue(const SearchObservation& search, double rest) {
  return ValueObservedRest(search, rest);
}

double EvaluateWithSearch(const SearchObservation& search, const int32_t* genes) {
  return EvaluateObservedGenes(search, genes);
}

bool WithinOptimum(double searchFitness, double optimumFitness) {
  return searchFitness <= optimumFitness + Rounding(optimumFitness);
}

namespace {

// Why the optimum of `search` cannot be computed, or "" when it can.
std::string UnsearchableZone(const SearchObservation& search) {
  const double length = static_cast<double>(search.length);
  const double kerf = static_cast<double>(search.kerf);
  if (!IsOrderGrade(search.grade) || search.geneCount < 0 || search.geneCount > kMaxGenes ||
      search.firstEntry < 0 || search.firstEntry + search.geneCount > kMaxFixedOrders) {
    return "the search has no genes of an order grade";
  }
  if (!(length >= 0.0 && length < static_cast<double>(kExactFloatIntegers)) || !(kerf >= 0.0))
    return "the zone length or the kerf is out of range";
  for (int32_t j = 0; j < search.geneCount; ++j) {
    if (search.geneLimit[j] < 0 || search.pieceLength[j] <= 0)
      return "a gene has a negative limit or no length";
  }
  return "";
}

// The knapsack's states for the zone (its items not split yet).
void SizeKnapsack(const SearchObservation& search, Knapsack& sack) {
  const double length = static_cast<double>(search.length);
  const double kerf = static_cast<double>(search.kerf);
  sack.whole = WholeKerf(kerf);
  int64_t pieces = 0;
  int32_t shortest = INT32_MAX;
  for (int32_t j = 0; j < search.geneCount; ++j) {
    pieces += search.geneLimit[j];
    if (search.geneLimit[j] > 0) shortest = std::min(shortest, search.pieceLength[j]);
  }
  if (sack.whole) {
    sack.lengthCap = static_cast<int64_t>(std::floor(length));
  } else {
    // A row may add up, in single precision, to at most the zone length while its exact
    // length lies a few roundings above it; such rows are checked one by one.
    const float zone = search.length;
    const double ulp = static_cast<double>(std::nextafter(zone, INFINITY) - zone);
    sack.slack = (search.geneCount + 2) * ulp;
    sack.lengthCap = static_cast<int64_t>(std::floor(length + sack.slack));
    const double fit = pieces > 0 ? std::floor((length + sack.slack) / (shortest + kerf)) : 0.0;
    sack.countCap = static_cast<int32_t>(std::min<double>(static_cast<double>(pieces), fit));
  }
  sack.stride = sack.lengthCap + 1;
}

double LargestVariableWeight(const SearchObservation& search) {
  double largest = 0.0;
  for (int32_t k = 0; k < VariableOrders(search); ++k)
    largest = std::max(largest, static_cast<double>(search.variable[k].weight));
  return largest;
}

// Whether a reachable state fits into the zone. A state whose exact used length lies
// within the slack over the zone (fractional kerf) fits only if its row does, measured as
// the search measures it.
bool StateFits(const Knapsack& sack, const SearchObservation& search, int64_t state) {
  if (sack.whole) return true;
  const double used = UsedLength(sack, search, state);
  if (used <= static_cast<double>(search.length) - sack.slack) return true;
  const std::vector<int32_t> genes = Reconstruct(sack, search, state);
  return RowLength(search, genes.data()) <= search.length;
}

// The best fixed-length fitness of a state that fits: the rest is never worth less than
// 0, so this is a first incumbent.
double BestFixedFitness(const Knapsack& sack, const SearchObservation& search) {
  double floorValue = kUnreached;
  for (int64_t state = 0; state < sack.States(); ++state) {
    if (sack.best[static_cast<size_t>(state)] > floorValue && StateFits(sack, search, state))
      floorValue = sack.best[static_cast<size_t>(state)];
  }
  return floorValue;
}

// The states that fit and whose bound reaches the first incumbent, highest bound first.
std::vector<Candidate> RankCandidates(const Knapsack& sack, const SearchObservation& search) {
  const double length = static_cast<double>(search.length);
  const double largestWeight = LargestVariableWeight(search);
  const double floorValue = BestFixedFitness(sack, search);
  std::vector<Candidate> candidates;
  for (int64_t state = 0; state < sack.States(); ++state) {
    const double fixed = sack.best[static_cast<size_t>(state)];
    if (fixed == kUnreached) continue;
    const double rest = length - UsedLength(sack, search, state);
    const double bound = fixed + RestBound(search, rest, largestWeight);
    if (bound >= floorValue - Rounding(floorValue) && StateFits(sack, search, state))
      candidates.push_back({bound, state});
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.bound > b.bound || (a.bound == b.bound && a.state < b.state);
  });
  return candidates;
}

struct Valued {
  double value;  // the state's fixed-length fitness plus its rest's value
  int64_t state;
};

// Values the rests of the candidates in the order of their bounds, until no bound can
// reach the best value found any more; `incumbent` becomes that best value.
std::vector<Valued> ValueRests(const Knapsack& sack, const SearchObservation& search,
                               const std::vector<Candidate>& candidates, double& incumbent) {
  const double length = static_cast<double>(search.length);
  std::vector<Valued> valued;
  incumbent = kUnreached;
  for (const Candidate& c : candidates) {
    if (incumbent != kUnreached && c.bound < incumbent - Rounding(incumbent)) break;
    const double rest = length - UsedLength(sack, search, c.state);
    const double value = sack.best[static_cast<size_t>(c.state)] + RestValue(search, rest);
    valued.push_back({value, c.state});
    incumbent = std::max(incumbent, value);
  }
  return valued;
}

// Every valued state within a rounding of the best is evaluated by the search's own code;
// the best evaluated one wins, ties going to more pieces of the longer entries.
void ChooseByEvaluation(const Knapsack& sack, const SearchObservation& search,
                        const std::vector<Valued>& valued, double incumbent, ExactOptimum& result) {
  bool chosen = false;
  for (const Valued& v : valued) {
    if (v.value < incumbent - Rounding(incumbent)) continue;
    std::vector<int32_t> genes = Reconstruct(sack, search, v.state);
    const double fitness = EvaluateWithSearch(search, genes.data());
    if (!chosen || fitness > result.fitness ||
        (fitness == result.fitness && MorePiecesOfLongerEntries(genes, result.genes))) {
      result.fitness = fitness;
      result.knapsackValue = v.value;
      result.genes = std::move(genes);
      chosen = true;
    }
  }
}

}  // namespace

ExactOptimum FindExactOptimum(const SearchObservation& search, const OptimumLimits& limits) {
  ExactOptimum result;
  result.skipped = UnsearchableZone(search);
  if (!result.skipped.empty()) return result;
  Knapsack sack;
  SizeKnapsack(search, sack);
  SplitLimits(search, sack);
  result.cells = static_cast<int64_t>(sack.items.size() + 1) * sack.States();
  if (result.cells > limits.maxCells) {
    result.skipped = "the zone needs " + std::to_string(result.cells) +
                     " knapsack cells, more than the limit of " + std::to_string(limits.maxCells);
    return result;
  }
  FillKnapsack(search, sack);
  double incumbent = kUnreached;
  const std::vector<Valued> valued =
      ValueRests(sack, search, RankCandidates(sack, search), incumbent);
  result.restsValued = static_cast<int32_t>(valued.size());
  if (valued.empty()) {
    result.skipped = "no combination fits";  // cannot happen: no pieces always fit
    return result;
  }
  ChooseByEvaluation(sack, search, valued, incumbent, result);
  result.computed = true;
  return result;
}

}  // namespace sawline::tools
