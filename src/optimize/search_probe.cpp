// The search seen from outside a call: the observer every search tells what it chose, and
// the search's own evaluation set up from an observation alone. The evaluation rewrites the
// working tables of the search and the searched grade's variable-length list; every call
// rebuilds both before it reads them, so an evaluation between two calls changes nothing
// the next call computes.
#include "optimize/search_probe.h"

#include <algorithm>

#include "optimize/search_steps.h"
#include "optimize/segment_searches.h"
#include "platform/platform.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

SearchObserver searchObserver = nullptr;
void* searchObserverContext = nullptr;

int32_t ObservedOrderCount(const SearchObservation& search) {
  if (!IsOrderGrade(search.grade)) return 0;
  return std::clamp(search.variableCount, 0, kMaxVariableOrders);
}

// The kerf and the searched grade's variable-length list as the observed call had them;
// outside a search the fill memos and the cover table are not used, so every rest is
// filled afresh.
void LoadObservedOrders(const SearchObservation& search) {
  ws.settings.KerfWidth = search.kerf;
  ws.search.FillMemoActive = 0;
  ws.filler.CoverTableState = kCoverTableOff;
  if (!IsOrderGrade(search.grade)) return;
  const int32_t orders = ObservedOrderCount(search);
  OrderLists& lists = ws.orders;
  lists.VariableCount[search.grade] = orders;
  for (int32_t k = 0; k < orders; ++k) {
    lists.VariableMinLength[search.grade][k] = search.variable[k].minLength;
    lists.VariableMaxLength[search.grade][k] = search.variable[k].maxLength;
    lists.VariableWeight[search.grade][k] = search.variable[k].weight;
    lists.VariableCode[search.grade][k] = search.variable[k].code;
  }
}

}  // namespace

void ObserveSearch(int32_t fixedOnly, int32_t generations, const int32_t* genes, double fitness) {
  if (searchObserver == nullptr) return;
  const Search& search = ws.search;
  SearchObservation seen{};
  seen.grade = search.SearchGrade;
  seen.length = search.SearchLength;
  seen.fixedOnly = fixedOnly;
  seen.mode = ws.settings.OptimizeMode;
  seen.kerf = ws.settings.KerfWidth;
  seen.firstEntry = search.SearchFirstEntry;
  seen.geneCount = UsableGeneCount();
  seen.generations = generations;
  seen.cutShort = generations > 0 && generations < kMaxGenerations;
  seen.bestFitness = fitness;
  for (int32_t j = 0; j < seen.geneCount; ++j) {
    seen.genes[j] = genes[j];
    seen.geneLimit[j] = search.GeneLimit[j];
    seen.pieceLength[j] = ws.orders.FixedLength[seen.grade][seen.firstEntry + j];
    seen.weight[j] = search.SearchWeight[seen.firstEntry + j];
  }
  seen.variableCount = ListCount(seen.grade, ws.orders.VariableCount, kMaxVariableOrders);
  for (int32_t k = 0; k < seen.variableCount; ++k) {
    seen.variable[k] = {
        ws.orders.VariableMinLength[seen.grade][k], ws.orders.VariableMaxLength[seen.grade][k],
        ws.orders.VariableWeight[seen.grade][k], ws.orders.VariableCode[seen.grade][k]};
  }
  searchObserver(seen, searchObserverContext);
}

void ObserveSearches(SearchObserver observer, void* context) {
  const platform::CallLock serialized;
  searchObserver = observer;
  searchObserverContext = context;
}

double EvaluateObservedGenes(const SearchObservation& search, const int32_t* genes) {
  const platform::CallLock serialized;
  LoadObservedOrders(search);
  Search& s = ws.search;
  s.SearchGrade = search.grade;
  s.SearchLength = search.length;
  s.SearchFirstEntry = search.firstEntry;
  s.GeneCount = search.geneCount;
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

double ValueObservedRest(const SearchObservation& search, double rest) {
  if (search.fixedOnly == 1) return 0.0;
  const int32_t orders = ObservedOrderCount(search);
  const double kerf = static_cast<double>(search.kerf);
  if (kShortestUsefulRest + kerf <= rest) {
    for (int32_t k = 0; k < orders; ++k) {
      const ObservedVariableOrder& order = search.variable[k];
      if (order.minLength + kerf <= rest && rest <= order.maxLength + kerf)
        return (rest - kerf) * static_cast<double>(order.weight);
    }
  }
  for (int32_t k = 0; k < orders; ++k) {
    if (!(search.variable[k].maxLength + kerf <= rest)) continue;
    const platform::CallLock serialized;
    LoadObservedOrders(search);
    ws.filler.FillRowCount = 0;
    const float value = FillSegment(search.grade, static_cast<float>(rest));
    return value > 0.0f && ws.filler.FillRowCount > 0 ? static_cast<double>(value) : 0.0;
  }
  return 0.0;
}

}  // namespace sawline
