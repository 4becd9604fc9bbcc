#include "report/report.h"
#include "workspace/workspace.h"

namespace sawline {

void BuildTransferList() {}
void ComputeStatistics() {}

}  // namespace sawline
