// The run log. This file is compiled with a GBK execution character set, so its
// string literals reach the file as GBK bytes while the source stays UTF-8.
#include "platform/platform.h"
#include "report/report.h"
#include "workspace/workspace.h"

namespace sawline {

void LogSettings() {}
void LogDowngradeSection(const int32_t*) {}
void LogRefusal() {}
void LogResults() {}
void LogClosing(double, const std::tm&) {}

}  // namespace sawline
