#include "workspace/workspace.h"

#include <cstring>

namespace sawline {

Workspace ws;

void ResetWorkspace() {
  std::memset(&ws, 0, sizeof ws);
}

}  // namespace sawline
