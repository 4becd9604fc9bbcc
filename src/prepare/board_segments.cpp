#include "prepare/prepare.h"
#include "workspace/workspace.h"

namespace sawline {

void ConvertBoardMarks() {}

}  // namespace sawline
