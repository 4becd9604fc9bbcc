// The run log, second part: the results record and the closing lines. Compiled with
// a GBK execution character set like every run_log*.cpp file.
#include "platform/platform.h"
#include "report/report.h"
#include "workspace/workspace.h"

namespace sawline {

void LogResults() {}
void LogClosing(double, const std::tm&) {}

}  // namespace sawline
