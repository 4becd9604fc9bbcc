#include "prepare/prepare.h"
#include "workspace/workspace.h"

namespace sawline {

void BuildOrderLists() {}

}  // namespace sawline
