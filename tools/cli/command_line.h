// The sawline command line. Each subcommand is a few lines over the tool's library (job
// files, raw blocks, run time, runs and their views), so that later subcommands reuse
// the same parts.
#pragma once

#include <ostream>
#include <string>

namespace sawline::tools {

// Exit status of every subcommand.
enum ExitStatus : int {
  kExitPlanned = 0,        // the library planned pieces (a run), or the command did its work
  kExitNoPiece = 1,        // the library planned no piece or refused the board
  kExitBadInput = 2,       // bad input or usage: nothing was run
  kExitReplayDiffers = 3,  // replay: the rebuilt job ran, but the desk's answer differs
};

// Runs the command line `argv` (argv[0] is the program); writes to `out` and `err`.
int RunSawline(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace sawline::tools
