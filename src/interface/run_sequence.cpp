#include "interface/run_sequence.h"

#include <algorithm>
#include <iterator>

#include "interface/input_blocks.h"
#include "optimize/optimize.h"
#include "platform/platform.h"
#include "prepare/prepare.h"
#include "report/report.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

void ClearPlanCounts() {
  std::fill(std::begin(ws.plan.SegmentPieceCount), std::end(ws.plan.SegmentPieceCount), 0);
  ws.cut.PieceCount = 0;
}

void LogClosingRecord(int64_t startMs) {
  const int64_t endMs = platform::ClockMilliseconds();
  const double elapsedSeconds = static_cast<double>(endMs - startMs) / 1000.0;
  LogClosing(elapsedSeconds, platform::LocalTime());
}

}  // namespace

void DispatchPlanDriver() {
  if (ws.settings.OptimizeMode == OptimizeMode::kDefectSawing) {
    PlanDefectSawing();
  } else if (ws.settings.PriorityDowngrade == 1) {
    LogDowngradeSection(PlanBoardWithDowngrade());
  } else {
    PlanBoard();
  }
}

int32_t RunOptimization(const float* parameterBlock, const float* boardMarkBlock,
                        float* resultBlock) {
  const int64_t startMs = platform::ClockMilliseconds();
  platform::TruncateLog();
  UnpackParameterBlock(parameterBlock);
  CopyBoardMarks(boardMarkBlock);
  const Refusal refusal = ScreenInputs(parameterBlock);
  BuildOrderLists();
  ConvertBoardMarks();
  TrimHeadAndTail();
  LogSettings();
  if (refusal.reason != kAccepted) {
    LogRefusal(refusal);
    return 0;
  }
  ClearPlanCounts();
  DispatchPlanDriver();
  if (ws.cut.PieceCount == 0) return 0;
  FinishPieceList();
  BuildTransferList();
  ComputeStatistics();
  FillResultBlock(resultBlock);
  LogResults();
  LogClosingRecord(startMs);
  return ws.cut.PieceCount;
}

}  // namespace sawline
