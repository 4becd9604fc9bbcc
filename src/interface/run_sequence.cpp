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
  ws.plan.PieceCount = 0;
}

void LogClosingRecord(int64_t startMs) {
  const int64_t endMs = platform::ClockMilliseconds();
  const double elapsedSeconds = static_cast<double>(endMs - startMs) / 1000.0;
  LogClosing(elapsedSeconds, platform::LocalTime());
}

}  // namespace

void DispatchPlanDriver() {
  if (ws.settings.OptimizeMode == 4) {
    PlanDefectSawing();
  } else if (ws.settings.PriorityDowngrade == 1) {
    PlanBoardWithDowngrade();
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
  ScreenInputs(parameterBlock);
  BuildOrderLists();
  ConvertBoardMarks();
  TrimHeadAndTail();
  LogSettings();
  if (ws.run.InputRefused != kAccepted) {
    LogRefusal();
    return 0;
  }
  ClearPlanCounts();
  DispatchPlanDriver();
  if (ws.plan.PieceCount == 0) return 0;
  FinishPieceList();
  BuildTransferList();
  ComputeStatistics();
  FillResultBlock(resultBlock);
  LogResults();
  LogClosingRecord(startMs);
  return ws.plan.PieceCount;
}

}  // namespace sawline
