// Writing job files: recorded raw blocks as a JSON job that reads back to the same bytes.
#pragma once

#include <string>

#include "desk/blocks.h"

namespace sawline::tools {

// What an import left out of the job or had to say exactly.
struct ImportNotes {
  int switchedOffRows = 0;  // order rows not switched on: left out, their entries become 0
  int unreadEntries = 0;    // non-zero entries nothing reads (0 to 4 and 2089): become 0
  int rawEntries = 0;       // entries written under "raw" (values the named fields cannot hold)
};

// A JSON job for two recorded blocks, such that reading it gives back the same bytes in
// every entry the library reads: the scalar settings, CT and CB, every column of the
// order rows that are switched on (enabled truncates to 1), and all 201 board marks.
// Rows that are switched off and the unread entries 0 to 4 and 2089 are left out.
std::string WriteJob(const float* parameters, const float* marks, const std::string& description,
                     ImportNotes* notes);

// True when the library reads parameter entry `index` of this block (see WriteJob).
bool ParameterIsRead(const float* parameters, int index);

}  // namespace sawline::tools
