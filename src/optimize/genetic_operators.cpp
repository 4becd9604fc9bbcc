#include "optimize/optimize.h"
#include "workspace/workspace.h"

namespace sawline {

void SelectByRoulette() {}
void CrossOverPairs() {}
void MutatePopulation() {}

}  // namespace sawline
