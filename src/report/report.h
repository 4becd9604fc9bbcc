// Results and reporting: the cut list, the controller transfer list, the statistics
// and the run log.
#pragma once

#include <cstdint>
#include <ctime>

#include "workspace/workspace.h"

namespace sawline {

// Adds the trimmed head and tail as waste and shapes the waste of PieceList.
void FinishPieceList();
// One controller record per cut-list row.
void BuildTransferList();
// Per-order piece counts, per-grade lengths and (in value mode) values.
void ComputeStatistics();

// ---- Run log "BackupData.txt" (each writer opens, appends and closes it) ----
void LogSettings();  // settings, order lists, marks and segments
// The priority-downgrade driver's section: rows with their neighbour flags.
void LogDowngradeSection(const DowngradePass& pass);
void LogRefusal(const Refusal& refusal);  // one line saying why the board was refused
void LogResults();                        // plan, cut list, controller records, statistics
void LogClosing(double elapsedSeconds, const std::tm& now);  // timing and end lines

}  // namespace sawline
