// The run log, second part: the results record and the closing lines, in the formats
// of interface/run_log_format.h. Compiled with a GBK execution character set like
// every run_log*.cpp file.
//
// Both records are written only for a board that yielded pieces, each opening the
// log for appending and closing it again. A log that cannot be opened is skipped;
// nothing else depends on it.
#include <algorithm>
#include <cstdio>

#include "interface/run_log_format.h"
#include "platform/platform.h"
#include "report/report.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// The segments as the plan driver left them, each with its plan entries. Rows
// without entries (merged away by downgrading) are not listed.
void WritePlan(std::FILE* log) {
  std::fprintf(log, "\n\n" SAWLINE_LOG_PlanHeading "\n", ws.settings.RemnantCentering);
  const int32_t rows = std::clamp(ws.board.SegmentCount, 0, kMaxSegments);
  for (int32_t s = 0; s < rows; ++s) {
    if (ws.plan.SegmentPieceCount[s] == 0) continue;
    std::fprintf(log, SAWLINE_LOG_PlanRow, GradeOf(ws.board.Segments[s].grade),
                 static_cast<double>(ws.board.Segments[s].length));
    const int32_t entries = std::clamp(ws.plan.SegmentPieceCount[s], 0, kMaxPlanEntries);
    for (int32_t e = 0; e < entries; ++e) {
      const PlanEntry& entry = ws.plan.SegmentPlan[s][e];
      std::fprintf(log, SAWLINE_LOG_PLAN_ENTRY, TruncToInt(entry.gradeCode),
                   static_cast<double>(entry.length), TruncToInt(entry.count),
                   static_cast<long>(TruncToInt(entry.tag)));
    }
    std::fprintf(log, "\n");
  }
}

void WriteCutList(std::FILE* log) {
  std::fprintf(log, "\n\n" SAWLINE_LOG_CutListHeading "\n", ws.cut.PieceCount);
  for (int32_t i = 0; i < ws.cut.PieceCount; ++i) {
    const PieceRow& row = ws.cut.PieceList[i];
    std::fprintf(log, SAWLINE_LOG_Piece "\n", TruncToInt(row.gradeCode),
                 static_cast<double>(row.length), static_cast<long>(TruncToInt(row.tag)));
  }
}

void WriteTransferList(std::FILE* log) {
  std::fprintf(log, "\n\n" SAWLINE_LOG_TransferHeading "\n", ws.cut.PieceCount);
  const int32_t records = std::clamp(ws.cut.PieceCount, 0, kMaxTransferRecords);
  for (int32_t i = 0; i < records; ++i) {
    const TransferRecord& record = ws.cut.TransferList[i];
    std::fprintf(log, SAWLINE_LOG_Transfer "\n", static_cast<double>(record.feedLength),
                 TruncToInt(record.field[0]), TruncToInt(record.field[1]),
                 TruncToInt(record.field[2]), TruncToInt(record.field[3]));
  }
}

// One "(g)value  " group for grades 1 to 8, with `decimals` 1 or 3.
void WriteGradeGroup(std::FILE* log, const float* perGrade, int decimals) {
  for (int32_t g = 1; g <= kMaxOrderGrade; ++g) {
    if (decimals == 3) {
      std::fprintf(log, SAWLINE_LOG_VALUE_GROUP, g, static_cast<double>(perGrade[g]));
    } else {
      std::fprintf(log, SAWLINE_LOG_LENGTH_GROUP, g, static_cast<double>(perGrade[g]));
    }
  }
}

void WriteStatistics(std::FILE* log) {
  std::fprintf(log, "\n\n\n" SAWLINE_LOG_StatisticsHeading "\n");
  std::fprintf(log, SAWLINE_LOG_CountsHeading "\n");
  for (int32_t j = 0; j < kFixedOrderRows; ++j) {
    if (ws.stats.FixedOrderPieces[j] > 0)
      std::fprintf(log, SAWLINE_LOG_COUNT_GROUP, j, ws.stats.FixedOrderPieces[j]);
  }
  std::fprintf(log, "\n\n" SAWLINE_LOG_BoardStatisticsHeading "\n",
               static_cast<double>(ws.board.BoardLength));
  std::fprintf(log, SAWLINE_LOG_UsefulTotal "\n", static_cast<double>(ws.stats.TotalUsefulLength));
  std::fprintf(log, SAWLINE_LOG_UsefulByGrade);
  WriteGradeGroup(log, ws.stats.GradeUsefulLength, 1);
  std::fprintf(log, "\n" SAWLINE_LOG_PieceStatisticsHeading "\n");
  std::fprintf(log, SAWLINE_LOG_TotalByGrade);
  WriteGradeGroup(log, ws.stats.GradeTotalLength, 1);
  std::fprintf(log, "\n" SAWLINE_LOG_FixedLengthByGrade);
  WriteGradeGroup(log, ws.stats.GradeSpecLength, 1);
  std::fprintf(log, "\n" SAWLINE_LOG_VariableByGrade);
  WriteGradeGroup(log, ws.stats.GradeVarLength, 1);
  std::fprintf(log, "\n" SAWLINE_LOG_UncutByGrade);
  WriteGradeGroup(log, ws.stats.GradeUncutLength, 1);
}

// Outside value optimization a single line says so; in value optimization the
// record ends without a line feed (the closing record starts with one).
void WriteValues(std::FILE* log) {
  std::fprintf(log, "\n" SAWLINE_LOG_ValueHeading "\n");
  if (ws.settings.OptimizeMode != OptimizeMode::kValue) {
    std::fprintf(log, SAWLINE_LOG_NoValues "\n");
    return;
  }
  std::fprintf(log, SAWLINE_LOG_TotalValue, static_cast<double>(ws.stats.TotalValue));
  std::fprintf(log, "\n" SAWLINE_LOG_ValueByGrade);
  WriteGradeGroup(log, ws.stats.GradeValue, 3);
  std::fprintf(log, "\n" SAWLINE_LOG_FixedValueByGrade);
  WriteGradeGroup(log, ws.stats.GradeFixedValue, 3);
  std::fprintf(log, "\n" SAWLINE_LOG_VariableValueByGrade);
  WriteGradeGroup(log, ws.stats.GradeVarValue, 3);
}

}  // namespace

// The plan (left out in defect sawing, which keeps no segment plan), the finished
// cut list, the controller records and the statistics.
void LogResults() {
  std::FILE* log = platform::OpenLogForAppend();
  if (log == nullptr) return;
  if (ws.settings.OptimizeMode != OptimizeMode::kDefectSawing) WritePlan(log);
  WriteCutList(log);
  WriteTransferList(log);
  WriteStatistics(log);
  WriteValues(log);
  platform::CloseLog(log);
}

void LogClosing(double elapsedSeconds, const std::tm& now) {
  std::FILE* log = platform::OpenLogForAppend();
  if (log == nullptr) return;
  std::fprintf(log, "\n" SAWLINE_LOG_Rule "\n");
  std::fprintf(log, SAWLINE_LOG_Elapsed "\n", elapsedSeconds);
  std::fprintf(log, SAWLINE_LOG_NowTime "\n", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday,
               now.tm_hour, now.tm_min, now.tm_sec);
  std::fprintf(log, SAWLINE_LOG_End "\n\n");
  platform::CloseLog(log);
}

}  // namespace sawline
