#include "optimize/optimize.h"
#include "workspace/workspace.h"

namespace sawline {

void SearchCombination(int32_t, float, int32_t) {}
void PrepareSearchWeights() {}
void RunGeneticSearch(int32_t, float, int32_t) {}
void FillRandomTable() {}
void EvaluatePopulation(int32_t, int32_t) {}

}  // namespace sawline
