#include "simulate/exact_optimum.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "interface/settings_table.h"
#include "optimize/search_steps.h"
#include "optimize/segment_searches.h"
#include "workspace/workspace.h"

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

int32_t VariableOrders(int32_t grade) {
  if (!IsOrderGrade(grade)) return 0;
  return std::clamp(ws.orders.VariableCount[grade], 0, kMaxVariableOrders);
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
  if (search.fixedOnly == 1) return 0.0;
  const int32_t grade = search.grade;
  const int32_t orders = VariableOrders(grade);
  const double kerf = static_cast<double>(search.kerf);
  if (kShortestUsefulRest + kerf <= rest) {
    for (int32_t k = 0; k < orders; ++k) {
      if (ws.orders.VariableMinLength[grade][k] + kerf <= rest &&
          rest <= ws.orders.VariableMaxLength[grade][k] + kerf) {
        return (rest - kerf) * static_cast<double>(ws.orders.VariableWeight[grade][k]);
      }
    }
  }
  for (int32_t k = 0; k < orders; ++k) {
    if (!(ws.orders.VariableMaxLength[grade][k] + kerf <= rest)) continue;
    ws.filler.FillRowCount = 0;
    const float value = FillSegment(grade, static_cast<float>(rest));
    return value > 0.0f && ws.filler.FillRowCount > 0 ? static_cast<double>(value) : 0.0;
  }
  return 0.0;
}

double EvaluateWithSearch(const SearchObservation& search, const int32_t* genes) {
  Search& s = ws.search;
  ws.settings.KerfWidth = search.kerf;
  s.SearchGrade = search.grade;
  s.SearchLength = search.length;
  s.SearchFirstEntry = search.firstEntry;
  s.GeneCount = search.geneCount;
  // Outside a search the fill memos and the cover table are not used: the evaluation
  // fills every rest afresh.
  s.FillMemoActive = 0;
  ws.filler.CoverTableState = kCoverTableOff;
  const int32_t genesUsed = UsableGeneCount();
  for (int32_t j = 0; j < genesUsed; ++j) {
    s.GeneLimit[j] = search.geneLimit[j];
    s.SearchWeight[search.firstEntry + j] = search.weight[j];
    ws.orders.FixedLength[search.grade][search.firstEntry + j] = search.pieceLength[j];
    s.Population[0][j] = genes[j];
  }
  EvaluatePopulation(search.fixedOnly, 1);
  return s.Fitness[0];
}

bool WithinOptimum(double searchFitness, double optimumFitness) {
  return searchFitness <= optimumFitness + Rounding(optimumFitness);
}

ExactOptimum FindExactOptimum(const SearchObservation& search, const OptimumLimits& limits) {
  ExactOptimum result;
  const double length = static_cast<double>(search.length);
  const double kerf = static_cast<double>(search.kerf);
  if (!IsOrderGrade(search.grade) || search.geneCount < 0 || search.geneCount > kMaxGenes ||
      search.firstEntry < 0 || search.firstEntry + search.geneCount > kMaxFixedOrders) {
    result.skipped = "the search has no genes of an order grade";
    return result;
  }
  if (!(length >= 0.0 && length < static_cast<double>(kExactFloatIntegers)) || !(kerf >= 0.0)) {
    result.skipped = "the zone length or the kerf is out of range";
    return result;
  }
  if (ws.settings.KerfWidth != search.kerf) {
    result.skipped = "the workspace holds another call's settings";
    return result;
  }

  Knapsack sack;
  sack.whole = WholeKerf(kerf);
  int64_t pieces = 0;
  int32_t shortest = INT32_MAX;
  for (int32_t j = 0; j < search.geneCount; ++j) {
    if (search.geneLimit[j] < 0 || search.pieceLength[j] <= 0) {
      result.skipped = "a gene has a negative limit or no length";
      return result;
    }
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
  SplitLimits(search, sack);
  result.cells = static_cast<int64_t>(sack.items.size() + 1) * sack.States();
  if (result.cells > limits.maxCells) {
    result.skipped = "the zone needs " + std::to_string(result.cells) +
                     " knapsack cells, more than the limit of " + std::to_string(limits.maxCells);
    return result;
  }
  FillKnapsack(search, sack);

  double largestWeight = 0.0;
  for (int32_t k = 0; k < VariableOrders(search.grade); ++k)
    largestWeight =
        std::max(largestWeight, static_cast<double>(ws.orders.VariableWeight[search.grade][k]));

  // Every reachable state that fits. A state whose exact used length lies within the
  // slack over the zone (fractional kerf) fits only if its row does, measured as the
  // search measures it.
  auto fits = [&](int64_t state) {
    if (sack.whole) return true;
    const double used = UsedLength(sack, search, state);
    if (used <= length - sack.slack) return true;
    const std::vector<int32_t> genes = Reconstruct(sack, search, state);
    return RowLength(search, genes.data()) <= search.length;
  };
  // The rest is never worth less than 0, so the best fixed-length fitness alone is a
  // first incumbent; only states whose bound reaches it are candidates.
  double floorValue = kUnreached;
  for (int64_t state = 0; state < sack.States(); ++state) {
    if (sack.best[static_cast<size_t>(state)] > floorValue && fits(state))
      floorValue = sack.best[static_cast<size_t>(state)];
  }
  std::vector<Candidate> candidates;
  for (int64_t state = 0; state < sack.States(); ++state) {
    const double fixed = sack.best[static_cast<size_t>(state)];
    if (fixed == kUnreached) continue;
    const double rest = length - UsedLength(sack, search, state);
    const double bound = fixed + RestBound(search, rest, largestWeight);
    if (bound >= floorValue - Rounding(floorValue) && fits(state))
      candidates.push_back({bound, state});
  }
  std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.bound > b.bound || (a.bound == b.bound && a.state < b.state);
  });

  struct Valued {
    double value;
    int64_t state;
  };
  std::vector<Valued> valued;
  double incumbent = kUnreached;
  for (const Candidate& c : candidates) {
    if (incumbent != kUnreached && c.bound < incumbent - Rounding(incumbent)) break;
    const double rest = length - UsedLength(sack, search, c.state);
    const double value = sack.best[static_cast<size_t>(c.state)] + RestValue(search, rest);
    ++result.restsValued;
    valued.push_back({value, c.state});
    incumbent = std::max(incumbent, value);
  }
  if (valued.empty()) {
    result.skipped = "no combination fits";  // cannot happen: no pieces always fit
    return result;
  }

  // Every candidate within a rounding of the best is evaluated by the search's own code.
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
  result.computed = true;
  return result;
}

}  // namespace sawline::tools
