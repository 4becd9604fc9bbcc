// The views of one desk run: the cut table, the JSON record of the call and the board
// report page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "desk/blocks.h"
#include "desk/desk_run.h"

namespace sawline::tools {

// The cut table and the yield summary, as read from the result block.
void PrintRun(std::ostream& out, const JobBlocks& job, const RunOutcome& outcome);

// What the call returned, as a JSON document: the return value, all 1169 floats of the
// result block (each reads back as the same float), and the decoded view.
std::string RunJson(const std::string& title, const JobBlocks& job, const RunOutcome& outcome,
                    const std::vector<std::string>& warnings);

// Whether this build has the board report page.
bool BoardReportAvailable();
// Writes the board report page to `path`; false and a reason when it cannot.
bool WriteBoardReportFile(const std::string& path, const std::string& title, const JobBlocks& job,
                          const RunOutcome& outcome, const std::vector<std::string>& notes,
                          std::string* error);

}  // namespace sawline::tools
