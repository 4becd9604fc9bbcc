// Warnings about a job that the library will run, but most likely not as its author
// meant: order rows it never uses, value optimization without values, orders longer
// than the board, codes a float cannot carry, a board without marks. The messages name
// host rows, so that they read the same for a JSON job and for raw blocks.
#pragma once

#include <string>
#include <vector>

namespace sawline::tools {

struct BlockCheckOptions {
  // Also check every value against its documented range (for raw blocks; a JSON job's
  // reader has checked its named values already).
  bool ranges = true;
};

std::vector<std::string> CheckBlocks(const float* parameters, const float* marks,
                                     const BlockCheckOptions& options);

}  // namespace sawline::tools
