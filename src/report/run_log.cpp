// The run log, first part: the settings record, the refusal line and the
// priority-downgrade section. Every run_log*.cpp file is compiled with a GBK
// execution character set, so its string literals reach the file as GBK bytes while
// the source stays UTF-8.
//
// Each section opens the log for appending, writes and closes it again; a log that
// cannot be opened is skipped without a trace, and nothing else depends on it.
#include <algorithm>
#include <cstdio>

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
  std::fprintf(f,
               "##################################  数据保存  "
               "##################################\n");
  std::fprintf(f, "系统参数：\n");
  std::fprintf(f, "    废料门选择：%d              废料划线标记数：%d\n",
               ws.settings.WasteGateSelect, ws.settings.WasteMarkCount);
  std::fprintf(f, "    末尾未划线长度：%d         等级划线长度：%d\n",
               ws.settings.TailUnmarkedLength, ws.settings.GradeMarkLength);
  std::fprintf(f, "    A等级最小长度：%d          未划线等级：%d\n", ws.settings.GradeAMinLength,
               ws.settings.UnmarkedGrade);
  std::fprintf(f, "    锯口宽度：%.1f              荧光线宽度：%d\n", D(ws.settings.KerfWidth),
               ws.settings.FluorescentLineWidth);
  std::fprintf(f, "    是否前端划线方式：%d        是否上端划废料线、侧面画等级线：%d\n",
               ws.settings.FrontMarkingMode, ws.settings.TopWasteSideGradeLines);
  std::fprintf(f, "    相邻同等级分开处理：%d\n\n", ws.settings.SeparateAdjacentSameGrade);
}

void LogOptimizationSettings(std::FILE* f) {
  std::fprintf(f, "优化算法参数：\n");
  std::fprintf(f, "    余料对中：%d                算法优化时间：%.2fs\n",
               ws.settings.RemnantCentering, D(ws.settings.OptimizeTimeLimit));
  std::fprintf(f, "    优化方式：%d                优先降级：%d\n",
               static_cast<int32_t>(ws.settings.OptimizeMode), ws.settings.PriorityDowngrade);
  std::fprintf(f,
               "    优化方式注：0-长度、加权优化  1-价值优化  2-数量优化  3-长料锯切  "
               "4-缺陷锯切\n");
  std::fprintf(f, "    废料最大长度及踢腿：%d    %ld\n\n", ws.settings.WasteMaxLength,
               static_cast<long>(ws.settings.WasteKickerCode));
}

// The fixed-length entries are listed only outside defect sawing, which has none.
void LogOrderLists(std::FILE* f) {
  std::fprintf(f, "定长清单：\n");
  if (ws.settings.OptimizeMode < OptimizeMode::kDefectSawing) {
    for (int g = 1; g <= kMaxOrderGrade; ++g) {
      for (int j = 0; j < ws.orders.FixedCount[g]; ++j) {
        std::fprintf(f, "    %d Grade(第%d个，共%d个):  %d    %.3f    %.3f    %ld    %ld    %ld\n",
                     g, j + 1, ws.orders.FixedCount[g], ws.orders.FixedLength[g][j],
                     D(ws.orders.FixedWeight[g][j]), D(ws.orders.FixedStartWeight[g][j]),
                     static_cast<long>(ws.orders.FixedQuantity[g][j]),
                     static_cast<long>(ws.orders.FixedDone[g][j]),
                     static_cast<long>(ws.orders.FixedCode[g][j]));
      }
    }
  }
  std::fprintf(f, "不定长清单：\n");
  for (int g = 1; g <= kMaxOrderGrade; ++g) {
    for (int j = 0; j < ws.orders.VariableCount[g]; ++j) {
      std::fprintf(f, "    %d Grade(第%d个，共%d个):  %d    %d    %.3f    %ld\n", g, j + 1,
                   ws.orders.VariableCount[g], ws.orders.VariableMinLength[g][j],
                   ws.orders.VariableMaxLength[g][j], D(ws.orders.VariableWeight[g][j]),
                   static_cast<long>(ws.orders.VariableCode[g][j]));
    }
  }
  std::fprintf(f, "固定不锯切清单：\n");
  for (int g = 1; g <= kMaxOrderGrade; ++g) {
    for (int j = 0; j < ws.orders.UncutCount[g]; ++j) {
      std::fprintf(f, "    %d Grade(第%d个，共%d个):  %d    %d    %ld\n", g, j + 1,
                   ws.orders.UncutCount[g], ws.orders.UncutMinLength[g][j],
                   ws.orders.UncutMaxLength[g][j], static_cast<long>(ws.orders.UncutCode[g][j]));
    }
  }
  std::fprintf(f, "\n截头截尾：\n");
  for (int g = 1; g <= kMaxOrderGrade; ++g)
    std::fprintf(f, "    %d Grade:CT[%d]=%d    CB[%d]=%d\n", g, g, ws.settings.CT[g], g,
                 ws.settings.CB[g]);
}

void LogSegmentLines(std::FILE* f, const Segment* segments, int32_t count) {
  const int rows = std::clamp<int32_t>(count, 0, kMaxSegments);
  for (int i = 0; i < rows; ++i) {
    std::fprintf(f, "    等级：%d        长度：%.1f\n", GradeOf(segments[i].grade),
                 D(segments[i].length));
  }
}

// The marks are listed as pairs when the mark kind truncates to 1 (so 1.5 is listed as
// pairs although the conversion read it as marking-line intervals), with the counts as
// the conversion left them.
void LogBoard(std::FILE* f) {
  std::fprintf(f, "\n输入木材信息：共 %d 段\n", ws.marks.FirstHalfCount);
  const int rows = std::clamp<int32_t>(std::max(ws.marks.FirstHalfCount, ws.marks.SecondHalfCount),
                                       0, kMarkHalf);
  const bool pairs = TruncToInt(ws.marks.BoardMarks[kMarkKindIndex]) == 1;
  for (int i = 0; i < rows; ++i) {
    const float first = ws.marks.BoardMarks[i];
    const float second = ws.marks.BoardMarks[kMarkHalf + i];
    if (pairs) {
      std::fprintf(f, "    等级：%d        长度：%.1f\n", TruncToInt(first), D(second));
    } else {
      std::fprintf(f, "    上端划线：%.1f        侧端划线：%.1f\n", D(first), D(second));
    }
  }

  std::fprintf(f, "\n转化后木材信息：共 %d 段\n", ws.board.ConvertedCount);
  LogSegmentLines(f, ws.board.ConvertedSegments, ws.board.ConvertedCount);
  std::fprintf(f, "木材总长：%.1f\n", D(ws.board.BoardLength));
  std::fprintf(f, "\n去头去尾情况：\n");
  std::fprintf(f, "    去头：%d,  %d        去尾：%d,  %d\n", ws.board.TrimRecord[0],
               ws.board.TrimRecord[1], ws.board.TrimRecord[2], ws.board.TrimRecord[3]);
  std::fprintf(f, "\n木材信息去头去尾及考虑荧光线宽度：共 %d 段\n", ws.board.ConvertedCount);
  LogSegmentLines(f, ws.board.Segments, ws.board.SegmentCount);
}

const char* RefusalText(int32_t reason) {
  switch (reason) {
    case kRefusedNonFinite:
      return "a value it uses is not a finite number";
    case kRefusedNegativeKerf:
      return "the kerf width is negative";
    case kRefusedNegativeMark:
      return "a board mark length is negative";
    case kRefusedKerfTooWide:
      return "the kerf width is as long as the board or longer";
    default:
      return "its inputs cannot be planned";
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
  std::fprintf(f, "\n\n优先降级降级处理后木材信息：\n");
  const int rows = std::clamp<int32_t>(pass.rowCount, 0, kMaxSegments);
  for (int i = 0; i < rows; ++i) {
    std::fprintf(f, "    等级：%d      长度：%.1f      降级标识：%d\n", GradeOf(pass.rows[i].grade),
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
    std::fprintf(f, "Board refused: %s %.10g is outside %.10g to %.10g\n", refusal.setting,
                 refusal.value, refusal.min, refusal.max);
  } else if (refusal.reason == kRefusedMarkGrade) {
    std::fprintf(f, "Board refused: grade %.10g of mark %d is outside %.10g to %.10g\n",
                 refusal.value, refusal.mark, refusal.min, refusal.max);
  } else {
    std::fprintf(f, "Board refused: %s\n", RefusalText(refusal.reason));
  }
  platform::CloseLog(f);
}

}  // namespace sawline
