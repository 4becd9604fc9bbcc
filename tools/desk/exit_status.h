// The exit status of every sawline subcommand. Each subcommand uses the ones its help
// names; a status keeps its meaning across all of them.
#pragma once

namespace sawline::tools {

enum ExitStatus : int {
  kExitPlanned = 0,        // the library planned pieces (a run), or the command did its work
  kExitNoPiece = 1,        // the library planned no piece or refused the board
  kExitBadInput = 2,       // bad input or usage: nothing was run and nothing written
  kExitReplayDiffers = 3,  // replay: the rebuilt job ran, but the desk's answer differs
  // The work was done (the board run, the job read), but an output it was asked to
  // write could not be written; whatever else the run answered.
  kExitOutputFailed = 4,
};

}  // namespace sawline::tools
