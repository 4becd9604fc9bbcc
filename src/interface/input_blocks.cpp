#include "interface/input_blocks.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "interface/block_layout.h"
#include "interface/settings_table.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// Index of the first entry equal to 0 among `count` entries (-0.0 counts as 0).
int32_t CountUntilZero(const float* entries, int count) {
  for (int i = 0; i < count; ++i) {
    if (entries[i] == 0.0f) return i;
  }
  return count;
}

bool AllFinite(const float* entries, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    if (!std::isfinite(entries[i])) return false;
  }
  return true;
}

bool AnyNegative(const float* entries, int first, int count) {
  for (int i = first; i < first + count; ++i) {
    if (entries[i] < 0.0f) return true;
  }
  return false;
}

bool IsPairMarks() {
  return ws.marks.BoardMarks[kMarkKindIndex] == kPairMarks;
}

// The mark entries a board's conversion reads. Grade/length pairs read the first
// FirstHalfCount entries of both halves (the second half's own count plays no part)
// and only the second half holds lengths; marking-line intervals read each half up to
// its own count, and both halves are lengths.
struct BoardMarkRanges {
  int firstCount;        // entries 0.. of the first half
  int secondCount;       // entries 100.. of the second half
  int lengthFirst;       // where the first-half lengths start (the half's end when none)
  int lengthFirstCount;  // first-half entries that are lengths
};

BoardMarkRanges UsedBoardMarks() {
  const int n = ws.marks.FirstHalfCount;
  if (IsPairMarks()) return {n, n, kMarkHalf, 0};
  return {n, ws.marks.SecondHalfCount, 0, n};
}

// The column that switches the rows of `table` on.
const OrderColumnInfo& EnabledColumn(OrderTable table) {
  for (const OrderColumnInfo& column : kOrderColumns) {
    if (column.table == table && std::strcmp(column.field, "enabled") == 0) return column;
  }
  return kOrderColumns[0];
}

// Every value the run reads must be a finite number: the scalar settings (index 2089 is
// never read), CT and CB of grades 1 to 8, every column of the order rows that are
// switched on (exactly 1), the mark kind and the used board marks. A row that is
// switched off is not read, whatever it holds. The board's total length must stay
// finite as well, since it becomes the sum of the feed lengths.
bool AllUsedValuesFinite(const float* p) {
  for (const SettingInfo& setting : kScalarSettings) {
    if (!std::isfinite(p[setting.index])) return false;
  }
  for (const GradeSettingInfo& table : kGradeSettings) {
    if (!AllFinite(p, table.base + 1, kMaxOrderGrade)) return false;
  }
  for (const OrderColumnInfo& column : kOrderColumns) {
    const OrderColumnInfo& enabled = EnabledColumn(column.table);
    for (int row = 0; row < column.rows && &column != &enabled; ++row) {
      if (TruncToInt(p[enabled.first + row]) == 1 && !std::isfinite(p[column.first + row]))
        return false;
    }
  }

  const BoardMarkRanges marks = UsedBoardMarks();
  const float* boardMarks = ws.marks.BoardMarks;
  if (!std::isfinite(boardMarks[kMarkKindIndex]) || !AllFinite(boardMarks, 0, marks.firstCount) ||
      !AllFinite(boardMarks, kMarkHalf, marks.secondCount)) {
    return false;
  }
  double total = 0.0;
  for (int i = 0; i < marks.lengthFirstCount; ++i)
    total += std::fabs(static_cast<double>(boardMarks[marks.lengthFirst + i]));
  for (int i = 0; i < marks.secondCount; ++i)
    total += std::fabs(static_cast<double>(boardMarks[kMarkHalf + i]));
  return total <= static_cast<double>(std::numeric_limits<float>::max());
}

// The board's length as its marks give it: the pair lengths, or the top face's
// intervals.
double MarkedBoardLength() {
  const int lengthsFrom = IsPairMarks() ? kMarkHalf : 0;
  double length = 0.0;
  for (int i = 0; i < ws.marks.FirstHalfCount; ++i)
    length += static_cast<double>(ws.marks.BoardMarks[lengthsFrom + i]);
  return length;
}

// The grade of unmarked parts of the board plays a part only for marking-line
// intervals outside defect sawing. Any face switch but 0 selects two-face marking, but
// front marking turns the side face round only for exactly 1: with another value the
// side's grades would be laid over the top face from the wrong end.
bool IsSettingUsed(const SettingInfo& setting) {
  const bool linesGraded = !IsPairMarks() &&
                           ws.settings.OptimizeMode != OptimizeMode::kDefectSawing &&
                           ws.marks.FirstHalfCount > 0;
  if (setting.index == SAWLINE_PARAM_UNMARKED_GRADE) return linesGraded;
  if (setting.index == SAWLINE_PARAM_TOP_WASTE_SIDE_GRADE_LINES) {
    return linesGraded && ws.settings.FrontMarkingMode == 1;
  }
  return true;
}

// A setting that the table marks as refused outside its range, and a grade/length mark
// whose grade is no grade (outside 1 to 9), would give a meaningless plan: a mode
// without order lists saws the whole board to waste, a grade outside 1 to 9 plans its
// wood as waste or, in defect sawing, as sound.
Refusal ScreenRanges(const float* p) {
  for (const SettingInfo& setting : kScalarSettings) {
    const float entry = p[setting.index];
    const double value = setting.type == SettingType::kInt ? static_cast<double>(TruncToInt(entry))
                                                           : static_cast<double>(entry);
    if (setting.outOfRange != OutOfRange::kRefused || !IsSettingUsed(setting)) continue;
    if (!(value >= setting.min && value <= setting.max)) {
      return {kRefusedSetting, setting.name, -1, value, setting.min, setting.max};
    }
  }
  for (int32_t i = 0; i < ws.marks.FirstHalfCount && IsPairMarks(); ++i) {
    const int32_t grade = GradeOf(ws.marks.BoardMarks[i]);
    if (grade < 1 || grade > kWasteGrade) {
      return {kRefusedMarkGrade, nullptr, i, static_cast<double>(grade), 1, kWasteGrade};
    }
  }
  return {kAccepted, nullptr, -1, 0, 0, 0};
}

}  // namespace

void UnpackParameterBlock(const float* p) {
  for (const SettingInfo& setting : kScalarSettings)
    setting.target(ws.settings, p + setting.index);
  for (const GradeSettingInfo& table : kGradeSettings)
    table.target(ws.settings, p + table.base);
  for (const OrderColumnInfo& column : kOrderColumns)
    column.target(ws.orderRows, p + column.first);
  ws.settings.OptimizeTimeLimit = kBoardSearchSeconds;
}

void CopyBoardMarks(const float* marks) {
  std::memcpy(ws.marks.BoardMarks, marks, sizeof ws.marks.BoardMarks);
  ws.marks.FirstHalfCount = CountUntilZero(ws.marks.BoardMarks, kMarkHalf);
  ws.marks.SecondHalfCount = CountUntilZero(ws.marks.BoardMarks + kMarkHalf, kMarkHalf);
}

Refusal ScreenInputs(const float* parameters) {
  Refusal refusal{kAccepted, nullptr, -1, 0, 0, 0};
  const BoardMarkRanges marks = UsedBoardMarks();
  if (!AllUsedValuesFinite(parameters)) {
    refusal.reason = kRefusedNonFinite;
  } else if (ws.settings.KerfWidth < 0.0f) {
    refusal.reason = kRefusedNegativeKerf;
  } else if (AnyNegative(ws.marks.BoardMarks, marks.lengthFirst, marks.lengthFirstCount) ||
             AnyNegative(ws.marks.BoardMarks, kMarkHalf, marks.secondCount)) {
    refusal.reason = kRefusedNegativeMark;
  } else if (const double board = MarkedBoardLength();
             board > 0.0 && static_cast<double>(ws.settings.KerfWidth) >= board) {
    // A kerf that takes the whole board leaves nothing to cut: planning it would hand
    // the controller negative lengths.
    refusal.reason = kRefusedKerfTooWide;
  } else {
    refusal = ScreenRanges(parameters);
  }
  return refusal;
}

}  // namespace sawline
