#include "optimize/plan_steps.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace sawline::plan {
namespace {

double Kerf() {
  return static_cast<double>(ws.settings.KerfWidth);
}

// The board length that `pieces` pieces of `length` take with their kerfs.
double ExtentOf(double pieces, float length) {
  return pieces * (static_cast<double>(length) + Kerf());
}

void HalveWaste(PlanEntry& entry) {
  entry.length = ToFloat((static_cast<double>(entry.length) - Kerf()) / 2.0);
}

}  // namespace

void AdjustKerf() {
  const int32_t count = std::min(ws.board.SegmentCount, kMaxSegments);
  if (count <= 0) return;
  const double kerf = Kerf();
  for (int32_t i = 0; i + 1 < count; ++i) {
    Segment& here = ws.board.Segments[i];
    Segment& next = ws.board.Segments[i + 1];
    if (GradeOf(here.grade) < GradeOf(next.grade) &&
        static_cast<double>(next.length) > kerf + kLengthTolerance) {
      here.length = ToFloat(static_cast<double>(here.length) + kerf);
      next.length = ToFloat(static_cast<double>(next.length) - kerf);
    }
  }
  Segment& last = ws.board.Segments[count - 1];
  last.length = ToFloat(static_cast<double>(last.length) + kerf);
}

void ClearPlan() {
  std::fill(std::begin(ws.plan.SegmentPieceCount), std::end(ws.plan.SegmentPieceCount), 0);
}

double PiecesOf(float count) {
  if (!(count > 0.0f)) return 0.0;
  return std::ceil(static_cast<double>(count));
}

void AppendPlanEntry(int32_t row, float count, float gradeCode, float length, float tag) {
  int32_t& entries = ws.plan.SegmentPieceCount[row];
  if (entries < kMaxPlanEntries) {
    ws.plan.SegmentPlan[row][entries] = PlanEntry{count, gradeCode, length, tag};
    ++entries;
    return;
  }
  // No room: the last entry and the new one become one waste piece of their extent.
  PlanEntry& last = ws.plan.SegmentPlan[row][kMaxPlanEntries - 1];
  const double extent =
      ExtentOf(PiecesOf(last.count), last.length) + ExtentOf(PiecesOf(count), length);
  last = PlanEntry{1.0f, GradeCode(PieceKind::kWaste), ToFloat(extent - Kerf()), 0.0f};
}

void SetSingleEntry(int32_t row, float gradeCode, float length, float tag) {
  ws.plan.SegmentPlan[row][0] = PlanEntry{1.0f, gradeCode, length, tag};
  ws.plan.SegmentPieceCount[row] = 1;
}

void AppendWaste(int32_t row, double extent) {
  AppendPlanEntry(row, 1.0f, GradeCode(PieceKind::kWaste), ToFloat(extent - Kerf()), 0.0f);
}

void AppendFillRows(int32_t row, int32_t grade) {
  const int32_t rows = std::clamp(ws.filler.FillRowCount, 0, kMaxFillRows);
  const float gradeCode = GradeCode(PieceKind::kVariable, grade);
  for (int32_t r = 0; r < rows; ++r) {
    const FillRow& fill = ws.filler.FillRows[r];
    AppendPlanEntry(row, fill.count, gradeCode, fill.length, fill.tag);
  }
}

void AppendSearchPieces(int32_t row, int32_t grade) {
  const int32_t first = std::max(ws.search.SearchFirstEntry, 0);
  const int32_t end = std::min(ws.orders.FixedCount[grade], kMaxFixedOrders);
  for (int32_t k = first; k < end; ++k) {
    if (ws.search.SearchPieceCount[k] <= 0) continue;
    AppendPlanEntry(row, static_cast<float>(ws.search.SearchPieceCount[k]),
                    static_cast<float>(grade), static_cast<float>(ws.orders.FixedLength[grade][k]),
                    static_cast<float>(ws.orders.FixedCode[grade][k]));
  }
}

float RemainderAfterFill(float segmentLength) {
  const int32_t rows = std::clamp(ws.filler.FillRowCount, 0, kMaxFillRows);
  double used = 0.0;
  for (int32_t r = 0; r < rows; ++r) {
    const FillRow& fill = ws.filler.FillRows[r];
    used += (Kerf() + static_cast<double>(fill.length)) * static_cast<double>(fill.count);
  }
  const float remainder = ToFloat(static_cast<double>(segmentLength) - used);
  return static_cast<double>(remainder) < kLengthTolerance ? 0.0f : remainder;
}

void AddLength(int32_t row, double extent) {
  Segment& segment = ws.board.Segments[row];
  segment.length = ToFloat(static_cast<double>(segment.length) + extent);
}

bool InsertSegmentRow(int32_t at, float grade, float length) {
  if (ws.board.SegmentCount >= kMaxSegments || at < 0 || at > ws.board.SegmentCount) return false;
  for (int32_t j = ws.board.SegmentCount; j > at; --j) {
    ws.board.Segments[j] = ws.board.Segments[j - 1];
  }
  ws.board.Segments[at] = Segment{grade, length};
  ++ws.board.SegmentCount;
  return true;
}

void MovePlanRow(int32_t from, int32_t to) {
  const int32_t entries = std::clamp(ws.plan.SegmentPieceCount[from], 0, kMaxPlanEntries);
  std::copy_n(ws.plan.SegmentPlan[from], entries, ws.plan.SegmentPlan[to]);
  ws.plan.SegmentPieceCount[to] = entries;
}

bool IsMovableWaste(const PlanEntry& entry) {
  return GradeOf(entry.gradeCode) == kWasteGrade &&
         static_cast<double>(entry.length) > kLeastMovableWaste - Kerf();
}

void CenterWasteInRow(int32_t row) {
  const int32_t entries = ws.plan.SegmentPieceCount[row];
  // A full row has no slot for the second half; its waste stays where it is.
  if (entries < 2 || entries >= kMaxPlanEntries) return;
  PlanEntry* plan = ws.plan.SegmentPlan[row];
  if (!IsMovableWaste(plan[entries - 1])) return;
  HalveWaste(plan[entries - 1]);
  std::copy_backward(plan, plan + entries, plan + entries + 1);
  plan[0] = plan[entries];
  ws.plan.SegmentPieceCount[row] = entries + 1;
}

void CenterWasteBetween(int32_t firstRow, int32_t lastRow) {
  const int32_t entries = ws.plan.SegmentPieceCount[lastRow];
  if (entries < 1 || ws.plan.SegmentPieceCount[firstRow] >= kMaxPlanEntries) return;
  PlanEntry& waste = ws.plan.SegmentPlan[lastRow][entries - 1];
  if (!IsMovableWaste(waste)) return;
  HalveWaste(waste);
  ws.plan.SegmentPlan[firstRow][ws.plan.SegmentPieceCount[firstRow]] = waste;
  ++ws.plan.SegmentPieceCount[firstRow];
}

void ExchangeTailRows() {
  const int32_t a = ws.board.SegmentCount - 2;
  const int32_t b = ws.board.SegmentCount - 1;
  const int32_t entries = std::clamp(
      std::max(ws.plan.SegmentPieceCount[a], ws.plan.SegmentPieceCount[b]), 0, kMaxPlanEntries);
  std::swap_ranges(ws.plan.SegmentPlan[a], ws.plan.SegmentPlan[a] + entries,
                   ws.plan.SegmentPlan[b]);
  std::swap(ws.plan.SegmentPieceCount[a], ws.plan.SegmentPieceCount[b]);
}

void FlattenPlan() {
  ws.cut.PieceCount = 0;
  bool folding = false;       // the list is full and more pieces follow
  double foldedExtent = 0.0;  // board length of the pieces folded into the last row
  const int32_t rows = std::min(ws.board.SegmentCount, kMaxPlanRows);
  for (int32_t i = 0; i < rows; ++i) {
    const int32_t entries = std::clamp(ws.plan.SegmentPieceCount[i], 0, kMaxPlanEntries);
    for (int32_t e = 0; e < entries; ++e) {
      const PlanEntry& entry = ws.plan.SegmentPlan[i][e];
      const double pieces = PiecesOf(entry.count);
      double placed = 0.0;
      while (!folding && placed < pieces) {
        if (ws.cut.PieceCount < kMaxPieces) {
          ws.cut.PieceList[ws.cut.PieceCount++] =
              PieceRow{entry.gradeCode, entry.length, entry.tag};
          placed += 1.0;
        } else {
          folding = true;
          foldedExtent = ExtentOf(1.0, ws.cut.PieceList[kMaxPieces - 1].length);
        }
      }
      if (folding) foldedExtent += ExtentOf(pieces - placed, entry.length);
    }
  }
  if (folding) {
    ws.cut.PieceList[kMaxPieces - 1] =
        PieceRow{GradeCode(PieceKind::kWaste), ToFloat(foldedExtent - Kerf()), 0.0f};
  }
}

bool RemainderCanSplit(int32_t grade, double remainder) {
  return remainder >= Kerf() + kShortestUsefulRest && grade != kMaxOrderGrade;
}

void GiveToNextOrWaste(int32_t i, double remainder, bool nextMayTake) {
  if (remainder < kLengthTolerance) return;
  if (nextMayTake && i + 1 < ws.board.SegmentCount) {
    const int32_t grade = GradeOf(ws.board.Segments[i].grade);
    const int32_t nextGrade = GradeOf(ws.board.Segments[i + 1].grade);
    if (grade < nextGrade && nextGrade < ws.orders.OrderedGradeLimit) {
      AddLength(i + 1, remainder);
      return;
    }
  }
  AppendWaste(i, remainder);
}

RowStart ClassifyAndPlaceWhole(int32_t i) {
  const Segment& segment = ws.board.Segments[i];
  RowStart row{true, GradeOf(segment.grade), segment.length, {PieceClass::Kind::kNothing, -1}};
  const float pieceLength = ToFloat(static_cast<double>(row.length) - Kerf());
  if (!IsPlannableGrade(segment.grade)) {
    SetSingleEntry(i, GradeCode(PieceKind::kWaste), pieceLength, 0.0f);
    return row;
  }
  row.piece = ClassifyPiece(row.grade, row.length);
  const int32_t entry = row.piece.entry;
  if (row.piece.kind == PieceClass::Kind::kUncutWhole && entry >= 0) {
    SetSingleEntry(i, GradeCode(PieceKind::kUncut, row.grade), pieceLength,
                   static_cast<float>(ws.orders.UncutCode[row.grade][entry]));
  } else if (row.piece.kind == PieceClass::Kind::kVariable && entry >= 0) {
    SetSingleEntry(i, GradeCode(PieceKind::kVariable, row.grade), pieceLength,
                   static_cast<float>(ws.orders.VariableCode[row.grade][entry]));
  } else {
    row.placed = false;
  }
  return row;
}

}  // namespace sawline::plan
