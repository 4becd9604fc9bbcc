// sawline: the saw line's cutting optimizer on a desk. `sawline --help` lists the
// subcommands; with no arguments it runs the bundled example board.
#include <iostream>

#include "cli/command_line.h"

int main(int argc, char** argv) {
  return sawline::tools::RunSawline(argc, argv, std::cout, std::cerr);
}
