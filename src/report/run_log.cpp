// The run log, first part: the settings record, the refusal line and the
// priority-downgrade section. Every run_log*.cpp file is compiled with a GBK
// execution character set, so its string literals reach the file as GBK bytes while
// the source stays UTF-8.
#include "platform/platform.h"
#include "report/report.h"
#include "workspace/workspace.h"

namespace sawline {

void LogSettings() {}
void LogDowngradeSection(const int32_t*) {}
void LogRefusal() {}

}  // namespace sawline
