// The run log, first part: the settings record, the refusal line and the
// priority-downgrade section. The lines are the formats of interface/run_log_format.h,
// which the record's reader shares; every run_log*.cpp file is compiled with a GBK
// execution character set, so their labels reach the file as GBK bytes.
//
// Each section opens the log for appending, writes and closes it again; a log that
// cannot be opened is skipped without a trace, and nothing else depends on it.
#include <algorithm>
#include <cstdio>

#include "interface/run_log_format.h"
#include "platform/platform.h"
#include "report/report.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

double D(float value) {
  return static_cast<double>(value);
}

void LogSystemSettings(std::FILE* f) {
  std::fprintf(f, SAWLINE_LOG_Header "\n");
  std::fprintf(f, SAWLINE_LOG_SystemHeading "\n");
  std::fprintf(f, SAWLINE_LOG_GateAndMarkCount "\n", ws.settings.WasteGateSelect,
               ws.settings.WasteMarkCount);
  std::fprintf(f, SAWLINE_LOG_TailAndGradeMark "\n", ws.settings.TailUnmarkedLength,
               ws.settings.GradeMarkLength);
  std::fprintf(f, SAWLINE_LOG_GradeAAndUnmarked "\n", ws.settings.GradeAMinLength,
               ws.settings.UnmarkedGrade);
  std::fprintf(f, SAWLINE_LOG_KerfAndLineWidth "\n", D(ws.settings.KerfWidth),
               ws.settings.FluorescentLineWidth);
  std::fprintf(f, SAWLINE_LOG_FrontAndTwoFace "\n", ws.settings.FrontMarkingMode,
               ws.settings.TopWasteSideGradeLines);
  std::fprintf(f, SAWLINE_LOG_Separate "\n\n", ws.settings.SeparateAdjacentSameGrade);
}

void LogOptimizationSettings(std::FILE* f) {
  std::fprintf(f, SAWLINE_LOG_OptimizationHeading "\n");
  std::fprintf(f, SAWLINE_LOG_CenteringAndLimit "\n", ws.settings.RemnantCentering,
               D(ws.settings.OptimizeTimeLimit));
  std::fprintf(f, SAWLINE_LOG_ModeAndDowngrade "\n", static_cast<int32_t>(ws.settings.OptimizeMode),
               ws.settings.PriorityDowngrade);
  std::fprintf(f, SAWLINE_LOG_ModeNote "\n");
  std::fprintf(f, SAWLINE_LOG_WasteMaxAndKicker "\n\n", ws.settings.WasteMaxLength,
               static_cast<long>(ws.settings.WasteKickerCode));
}

// The fixed-length entries are listed only outside defect sawing, which has none.
void LogOrderLists(std::FILE* f) {
  std::fprintf(f, SAWLINE_LOG_FixedHeading "\n");
  if (ws.settings.OptimizeMode < OptimizeMode::kDefectSawing) {
    for (int g = 1; g <= kMaxOrderGrade; ++g) {
      for (int j = 0; j < ws.orders.FixedCount[g]; ++j) {
        std::fprintf(f, SAWLINE_LOG_FixedEntry "\n", g, j + 1, ws.orders.FixedCount[g],
                     ws.orders.FixedLength[g][j], D(ws.orders.FixedWeight[g][j]),
                     D(ws.orders.FixedStartWeight[g][j]),
                     static_cast<long>(ws.orders.FixedQuantity[g][j]),
                     static_cast<long>(ws.orders.FixedDone[g][j]),
                     static_cast<long>(ws.orders.FixedCode[g][j]));
      }
    }
  }
  std::fprintf(f, SAWLINE_LOG_VariableHeading "\n");
  for (int g = 1; g <= kMaxOrderGrade; ++g) {
    for (int j = 0; j < ws.orders.VariableCount[g]; ++j) {
      std::fprintf(f, SAWLINE_LOG_VariableEntry "\n", g, j + 1, ws.orders.VariableCount[g],
                   ws.orders.VariableMinLength[g][j], ws.orders.VariableMaxLength[g][j],
                   D(ws.orders.VariableWeight[g][j]),
                   static_cast<long>(ws.orders.VariableCode[g][j]));
    }
  }
  std::fprintf(f, SAWLINE_LOG_UncutHeading "\n");
  for (int g = 1; g <= kMaxOrderGrade; ++g) {
    for (int j = 0; j < ws.orders.UncutCount[g]; ++j) {
      std::fprintf(f, SAWLINE_LOG_UncutEntry "\n", g, j + 1, ws.orders.UncutCount[g],
                   ws.orders.UncutMinLength[g][j], ws.orders.UncutMaxLength[g][j],
                   static_cast<long>(ws.orders.UncutCode[g][j]));
    }
  }
  std::fprintf(f, "\n" SAWLINE_LOG_TrimHeading "\n");
  for (int g = 1; g <= kMaxOrderGrade; ++g)
    std::fprintf(f, SAWLINE_LOG_TrimEntry "\n", g, g, ws.settings.CT[g], g, ws.settings.CB[g]);
}

void LogSegmentLines(std::FILE* f, const Segment* segments, int32_t count) {
  const int rows = std::clamp<int32_t>(count, 0, kMaxSegments);
  for (int i = 0; i < rows; ++i) {
    std::fprintf(f, SAWLINE_LOG_Segment "\n", GradeOf(segments[i].grade), D(segments[i].length));
  }
}

// The marks are listed as pairs when the mark kind truncates to 1 (so 1.5 is listed as
// pairs although the conversion read it as marking-line intervals), with the counts as
// the conversion left them.
void LogBoard(std::FILE* f) {
  std::fprintf(f, "\n" SAWLINE_LOG_MarksHeading "\n", ws.marks.FirstHalfCount);
  const int rows = std::clamp<int32_t>(std::max(ws.marks.FirstHalfCount, ws.marks.SecondHalfCount),
                                       0, kMarkHalf);
  const bool pairs = TruncToInt(ws.marks.BoardMarks[kMarkKindIndex]) == 1;
  for (int i = 0; i < rows; ++i) {
    const float first = ws.marks.BoardMarks[i];
    const float second = ws.marks.BoardMarks[kMarkHalf + i];
    if (pairs) {
      std::fprintf(f, SAWLINE_LOG_MarkPair "\n", TruncToInt(first), D(second));
    } else {
      std::fprintf(f, SAWLINE_LOG_MarkLines "\n", D(first), D(second));
    }
  }

  std::fprintf(f, "\n" SAWLINE_LOG_ConvertedHeading "\n", ws.board.ConvertedCount);
  LogSegmentLines(f, ws.board.ConvertedSegments, ws.board.ConvertedCount);
  std::fprintf(f, SAWLINE_LOG_BoardLength "\n", D(ws.board.BoardLength));
  std::fprintf(f, "\n" SAWLINE_LOG_TrimHeadingRecord "\n");
  std::fprintf(f, SAWLINE_LOG_TrimRecord "\n", ws.board.TrimRecord[0], ws.board.TrimRecord[1],
               ws.board.TrimRecord[2], ws.board.TrimRecord[3]);
  std::fprintf(f, "\n" SAWLINE_LOG_TrimmedHeading "\n", ws.board.ConvertedCount);
  LogSegmentLines(f, ws.board.Segments, ws.board.SegmentCount);
}

const char* RefusalText(int32_t reason) {
  switch (reason) {
    case kRefusedNonFinite:
      return SAWLINE_LOG_REASON_NON_FINITE;
    case kRefusedNegativeKerf:
      return SAWLINE_LOG_REASON_NEGATIVE_KERF;
    case kRefusedNegativeMark:
      return SAWLINE_LOG_REASON_NEGATIVE_MARK;
    case kRefusedKerfTooWide:
      return SAWLINE_LOG_REASON_KERF_TOO_WIDE;
    default:
      return SAWLINE_LOG_REASON_OTHER;
  }
}

}  // namespace

void LogSettings() {
  std::FILE* f = platform::OpenLogForAppend();
  if (f == nullptr) return;
  LogSystemSettings(f);
  LogOptimizationSettings(f);
  LogOrderLists(f);
  LogBoard(f);
  platform::CloseLog(f);
}

// One row per segment as the downgrade pass left them.
void LogDowngradeSection(const DowngradePass& pass) {
  std::FILE* f = platform::OpenLogForAppend();
  if (f == nullptr) return;
  std::fprintf(f, "\n\n" SAWLINE_LOG_DowngradeHeading "\n");
  const int rows = std::clamp<int32_t>(pass.rowCount, 0, kMaxSegments);
  for (int i = 0; i < rows; ++i) {
    std::fprintf(f, SAWLINE_LOG_DowngradeRow "\n", GradeOf(pass.rows[i].grade),
                 D(pass.rows[i].length), pass.flag[i]);
  }
  std::fprintf(f, "\n\n");
  platform::CloseLog(f);
}

// Settings and marks outside their range are named with their value and range; the
// other reasons have a fixed text.
void LogRefusal(const Refusal& refusal) {
  std::FILE* f = platform::OpenLogForAppend();
  if (f == nullptr) return;
  if (refusal.reason == kRefusedSetting) {
    std::fprintf(f, SAWLINE_LOG_REFUSED_SETTING "\n", refusal.setting, refusal.value, refusal.min,
                 refusal.max);
  } else if (refusal.reason == kRefusedMarkGrade) {
    std::fprintf(f, SAWLINE_LOG_REFUSED_MARK_GRADE "\n", refusal.value, refusal.mark, refusal.min,
                 refusal.max);
  } else {
    std::fprintf(f, SAWLINE_LOG_REFUSED_REASON "\n", RefusalText(refusal.reason));
  }
  platform::CloseLog(f);
}

}  // namespace sawline
