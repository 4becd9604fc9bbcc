// PlanBoard: plans the board segment by segment from its head, in modes 0 to 3
// without priority downgrade.
#include <algorithm>

#include "optimize/optimize.h"
#include "optimize/plan_steps.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// The plan rows that one initial segment ended up in: its first part and, when it
// was split, the part after it (equal to `first` otherwise).
struct SegmentGroup {
  int32_t first;
  int32_t second;
};

// Working data of one call of PlanBoard.
struct BoardPlan {
  Segment initial[kMaxSegments];  // the segments after the kerf adjustment
  int32_t initialCount;
  int32_t splitMark[kMaxSegments];   // 1: the row was split, its remainder is the next row
  SegmentGroup group[kMaxSegments];  // per initial segment
};

// Settles what row `i` has left after its pieces. A remainder long enough for a piece
// of a worse grade becomes a new row right after it (not below grade 8, and not when
// Segments is full); otherwise it goes to the next row when that one is worse and
// ordered, or becomes waste. Less than 0.1 is dropped.
void SettleRemainder(int32_t i, float remainder, BoardPlan& plan) {
  const Segment& segment = ws.board.Segments[i];
  if (plan::RemainderCanSplit(GradeOf(segment.grade), static_cast<double>(remainder)) &&
      plan::InsertSegmentRow(i + 1, plan::NextGrade(segment.grade), remainder)) {
    plan.splitMark[i] = 1;
    return;
  }
  plan::GiveToNextOrWaste(i, static_cast<double>(remainder), true);
}

// Plans row `i`. A row that fits nothing of its grade is downgraded one grade at a
// time: into the next row when that one has the new grade, to waste when the new
// grade is waste, or classified again.
void PlanRow(int32_t i, BoardPlan& plan) {
  for (;;) {
    const plan::RowStart row = plan::ClassifyAndPlaceWhole(i);
    if (row.placed) return;
    Segment& segment = ws.board.Segments[i];
    if (row.piece.kind == PieceClass::Kind::kVariable) {
      FillSegment(row.grade, row.length);
      plan::AppendFillRows(i, row.grade);
      SettleRemainder(i, plan::RemainderAfterFill(row.length), plan);
      return;
    }
    if (row.piece.kind == PieceClass::Kind::kFixed) {
      SearchCombination(row.grade, row.length, 0);
      plan::AppendSearchPieces(i, row.grade);
      plan::AppendFillRows(i, row.grade);
      SettleRemainder(i, ws.search.RemainderLength, plan);
      return;
    }
    // Nothing of this grade fits: one grade worse.
    segment.grade = plan::NextGrade(segment.grade);
    const int32_t newGrade = GradeOf(segment.grade);
    const bool hasNext = i + 1 < ws.board.SegmentCount;
    if (hasNext && newGrade != kWasteGrade && GradeOf(ws.board.Segments[i + 1].grade) == newGrade) {
      plan::AddLength(i + 1, static_cast<double>(segment.length));
      return;
    }
    if (hasNext && newGrade == kWasteGrade) {
      plan::AppendWaste(i, static_cast<double>(segment.length));
      return;
    }
  }
}

// Remnant centering: an initial segment that lies between two zones without orders
// gets its trailing waste halved, one half at each end of the segment.
void CenterRemnants(const BoardPlan& plan) {
  for (int32_t j = 1; j + 1 < plan.initialCount; ++j) {
    if (GradeOf(plan.initial[j].grade) == kWasteGrade) continue;
    if (GradeOf(plan.initial[j - 1].grade) < ws.orders.OrderedGradeLimit ||
        GradeOf(plan.initial[j + 1].grade) < ws.orders.OrderedGradeLimit) {
      continue;
    }
    const SegmentGroup& group = plan.group[j];
    if (group.first == group.second) {
      plan::CenterWasteInRow(group.first);
    } else if (group.first < group.second) {
      plan::CenterWasteBetween(group.first, group.second);
    }
  }
}

}  // namespace

void PlanBoard() {
  plan::ClearPlan();
  plan::AdjustKerf();
  BoardPlan plan{};
  plan.initialCount = std::clamp(ws.board.SegmentCount, 0, kMaxSegments);
  std::copy_n(ws.board.Segments, plan.initialCount, plan.initial);

  // Rows inserted by splits follow the row they were split from, so every initial
  // segment owns exactly one group.
  int32_t groupNumber = 0;
  for (int32_t i = 0; i < ws.board.SegmentCount; ++i) {
    if (i >= 1 && groupNumber < kMaxSegments) {
      if (plan.splitMark[i - 1] == 0) {
        ++groupNumber;
        if (groupNumber < kMaxSegments) plan.group[groupNumber] = SegmentGroup{i, i};
      } else {
        plan.group[groupNumber].second = plan.group[groupNumber].first + 1;
      }
    }
    PlanRow(i, plan);
  }

  if (ws.settings.RemnantCentering == 1) CenterRemnants(plan);
  if (ws.board.SegmentCount >= 2 && plan.splitMark[ws.board.SegmentCount - 2] == 1)
    plan::ExchangeTailRows();
  plan::FlattenPlan();
}

}  // namespace sawline
