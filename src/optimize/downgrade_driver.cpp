// PlanBoardWithDowngrade: plans the best grades first. Good segments that cannot be
// used whole are merged into a worse neighbour first, the board is then planned grade
// by grade, and what a segment leaves over goes to a worse neighbour with orders,
// which is planned later with the extra length. Pieces still come out in board order.
#include <algorithm>
#include <iterator>

#include "optimize/optimize.h"
#include "optimize/plan_steps.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// The driver plans the board's segments, merging, splitting and moving them as it goes.
Board& board = ws.board;

// Working data of one call of PlanBoardWithDowngrade, one entry per plan row.
struct DowngradePlan {
  // The rows as the plan pass starts (after the downgrade pass), for the run log. Each
  // of them ends up as one split group, so remnant centering judges group k by row k.
  DowngradePass start;
  int32_t neighbourFlag[kMaxPlanRows];  // see ComputeNeighbourFlags; moves with its row
  int32_t splitPart[kMaxPlanRows];      // 1 for both rows of a split
  int32_t splitFirst[kMaxPlanRows];     // 1 for the row that was split
};

// Worse grades of the neighbours that can take length from row `i`: the grade when
// the neighbour is worse and has orders, else 0.
struct NeighbourGrades {
  int32_t prev;
  int32_t next;
};

NeighbourGrades OrderedWorseNeighbours(int32_t i) {
  const int32_t grade = GradeOf(board.Segments[i].grade);
  NeighbourGrades neighbours{0, 0};
  if (i > 0) {
    const int32_t prev = GradeOf(board.Segments[i - 1].grade);
    if (prev > grade && prev < ws.orders.OrderedGradeLimit) neighbours.prev = prev;
  }
  if (i + 1 < board.SegmentCount) {
    const int32_t next = GradeOf(board.Segments[i + 1].grade);
    if (next > grade && next < ws.orders.OrderedGradeLimit) neighbours.next = next;
  }
  return neighbours;
}

bool HasWorseUsableNeighbour(int32_t i, int32_t grade) {
  if (i > 0) {
    const int32_t prev = GradeOf(board.Segments[i - 1].grade);
    if (grade < prev && prev < kWasteGrade) return true;
  }
  if (i + 1 < board.SegmentCount) {
    const int32_t next = GradeOf(board.Segments[i + 1].grade);
    if (grade < next && next < kWasteGrade) return true;
  }
  return false;
}

// Removes `n` rows from `at`; the rows after them and their flags move toward the
// head, and the positions left free get flag 0.
void RemoveRows(int32_t at, int32_t n, int32_t* flags) {
  const int32_t count = board.SegmentCount;
  std::copy(board.Segments + at + n, board.Segments + count, board.Segments + at);
  std::copy(flags + at + n, flags + count, flags + at);
  std::fill(flags + count - n, flags + count, 0);
  board.SegmentCount = count - n;
}

// The neighbour an inner row of `grade` merges into when its neighbours' grades
// differ: the worse one, and when both are worse the better of the two.
int32_t InnerMergeTarget(int32_t i, int32_t grade, int32_t prev, int32_t next) {
  if (grade < next && next <= prev) return i + 1;
  if (next <= grade) return i - 1;
  if (grade < prev && prev < next) return i - 1;
  return i + 1;
}

// Merges row `i` into its neighbours as the downgrade pass decides, and removes it.
void MergeIntoNeighbour(int32_t i, int32_t grade, int32_t* flags) {
  const double length = static_cast<double>(board.Segments[i].length);
  if (i == 0) {
    plan::AddLength(1, length);
  } else if (i == board.SegmentCount - 1) {
    plan::AddLength(i - 1, length);
  } else {
    const int32_t prev = GradeOf(board.Segments[i - 1].grade);
    const int32_t next = GradeOf(board.Segments[i + 1].grade);
    if (prev == next) {
      Segment& merged = board.Segments[i - 1];
      merged.length = ToFloat(static_cast<double>(merged.length) + length +
                              static_cast<double>(board.Segments[i + 1].length));
      RemoveRows(i, 2, flags);
      return;
    }
    plan::AddLength(InnerMergeTarget(i, grade, prev, next), length);
  }
  RemoveRows(i, 1, flags);
}

// Splits the remainder of row `i` off as a new row right after it. The rows behind
// it, planned or not, move one place toward the tail with everything they carry.
// Returns false, changing nothing, when Segments is full.
bool SplitRow(int32_t i, float remainder, DowngradePlan& plan) {
  if (board.SegmentCount >= kMaxSegments) return false;
  for (int32_t j = board.SegmentCount - 1; j > i; --j) {
    plan::MovePlanRow(j, j + 1);
    plan.splitPart[j + 1] = plan.splitPart[j];
    plan.splitFirst[j + 1] = plan.splitFirst[j];
    plan.neighbourFlag[j + 1] = plan.neighbourFlag[j];
  }
  plan::InsertSegmentRow(i + 1, plan::NextGrade(board.Segments[i].grade), remainder);
  ws.plan.SegmentPieceCount[i + 1] = 0;
  plan.splitPart[i] = 1;
  plan.splitPart[i + 1] = 1;
  plan.splitFirst[i] = 1;
  // The new row is a remainder, not a split row, whatever stood at its position.
  plan.splitFirst[i + 1] = 0;
  return true;
}

// Rule H: where the remainder of row `i` goes. A worse ordered neighbour takes it
// first (when `needsLength`, only a remainder of at least 0.1); then a split, a
// hand-over to the next row, or waste. Less than 0.1 is dropped.
void HandOverRemainder(int32_t i, float remainder, NeighbourGrades neighbours, bool needsLength,
                       DowngradePlan& plan) {
  const double r = static_cast<double>(remainder);
  const int32_t flag = plan.neighbourFlag[i];
  const bool mayHandOver = !needsLength || r >= kLengthTolerance;
  const int32_t prev = neighbours.prev;
  const int32_t next = neighbours.next;
  if (mayHandOver && flag >= 2 && ((0 < next && next <= prev) || (prev == 0 && next > 0))) {
    plan::AddLength(i + 1, r);
    return;
  }
  if (mayHandOver && (flag == 1 || flag == 3) && prev > 0) {
    plan::AddLength(i - 1, r);
    return;
  }
  if (plan::RemainderCanSplit(GradeOf(board.Segments[i].grade), r) &&
      SplitRow(i, remainder, plan)) {
    return;
  }
  plan::GiveToNextOrWaste(i, r, flag >= 2);
}

// Plans row `i` in its grade's pass. A row that fits nothing goes to a worse ordered
// neighbour or, failing that, waits one grade worse for a later pass.
void PlanRowInGradePass(int32_t i, DowngradePlan& plan) {
  const plan::RowStart row = plan::ClassifyAndPlaceWhole(i);
  if (row.placed) return;
  Segment& segment = board.Segments[i];
  if (row.piece.kind == PieceClass::Kind::kVariable) {
    FillSegment(row.grade, row.length);
    const float remainder = plan::RemainderAfterFill(row.length);
    plan::AppendFillRows(i, row.grade);
    const NeighbourGrades neighbours = static_cast<double>(remainder) >= kLengthTolerance
                                           ? OrderedWorseNeighbours(i)
                                           : NeighbourGrades{0, 0};
    HandOverRemainder(i, remainder, neighbours, false, plan);
    return;
  }
  const NeighbourGrades neighbours = OrderedWorseNeighbours(i);
  if (row.piece.kind == PieceClass::Kind::kFixed) {
    // A neighbour that can take the rest: the search places fixed-length pieces only.
    const int32_t fixedOnly = (neighbours.prev > 0 || neighbours.next > 0) ? 1 : 0;
    SearchCombination(row.grade, row.length, fixedOnly);
    plan::AppendSearchPieces(i, row.grade);
    plan::AppendFillRows(i, row.grade);
    HandOverRemainder(i, ws.search.RemainderLength, neighbours, true, plan);
    return;
  }
  // Nothing of this grade fits.
  const int32_t flag = plan.neighbourFlag[i];
  if ((flag >= 2 && 0 < neighbours.next && neighbours.next <= neighbours.prev) ||
      (neighbours.prev == 0 && neighbours.next > 0)) {
    plan::AddLength(i + 1, static_cast<double>(segment.length));
  } else if ((flag == 1 || flag == 3) && neighbours.prev > 0) {
    plan::AddLength(i - 1, static_cast<double>(segment.length));
  } else {
    segment.grade = plan::NextGrade(segment.grade);
  }
}

// Grade passes 1 to 8 plan the rows of that grade in board order; the last pass
// plans every row that is not of an order grade (waste, or a grade outside 1..8)
// as waste. Splits insert rows of the next grade, which a later pass plans.
void RunGradePasses(DowngradePlan& plan) {
  for (int32_t g = 1; g <= kWasteGrade; ++g) {
    for (int32_t i = 0; i < board.SegmentCount; ++i) {
      const int32_t grade = GradeOf(board.Segments[i].grade);
      const bool due = g == kWasteGrade ? !IsOrderGrade(grade) : grade == g;
      if (due) PlanRowInGradePass(i, plan);
    }
  }
}

// Remnant centering by split group: a row of the plan pass's start that lies between
// two zones without orders gets the trailing waste of its group halved, one half at
// each end (an unsplit row) or between its first part and the rest (a split row).
void CenterRemnantGroups(const DowngradePlan& plan) {
  int32_t part[kMaxSegments];
  int32_t first[kMaxSegments];
  std::copy_n(plan.splitPart, kMaxSegments, part);
  std::copy_n(plan.splitFirst, kMaxSegments, first);
  plan::CollapseSplitGroups(part, first);
  const int32_t groups = std::min(plan.start.rowCount, kMaxSegments);
  int32_t end[kMaxSegments] = {};
  for (int32_t k = 0; k < groups; ++k) {
    if (part[k] == 0) part[k] = 1;
    end[k] = (k == 0 ? 0 : end[k - 1]) + part[k];
  }
  for (int32_t k = 1; k + 1 < groups; ++k) {
    if (GradeOf(plan.start.rows[k].grade) == kWasteGrade) continue;
    if (GradeOf(plan.start.rows[k - 1].grade) < ws.orders.OrderedGradeLimit ||
        GradeOf(plan.start.rows[k + 1].grade) < ws.orders.OrderedGradeLimit) {
      continue;
    }
    const int32_t last = end[k] - 1;
    if (last >= board.SegmentCount) continue;
    if (part[k] == 1) {
      plan::CenterWasteInRow(last);
    } else {
      plan::CenterWasteBetween(end[k] - part[k], last);
    }
  }
}

}  // namespace

namespace plan {

void ComputeNeighbourFlags(int32_t* flags) {
  std::fill(flags, flags + kMaxPlanRows, 0);
  const int32_t count = std::min(board.SegmentCount, kMaxSegments);
  if (count < 2) return;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t grade = GradeOf(board.Segments[i].grade);
    if (i == 0) {
      if (grade < GradeOf(board.Segments[1].grade)) flags[i] = 2;
      continue;
    }
    const int32_t prev = GradeOf(board.Segments[i - 1].grade);
    if (i == count - 1) {
      if (grade < prev) flags[i] = 1;
      continue;
    }
    const int32_t next = GradeOf(board.Segments[i + 1].grade);
    if (grade >= prev && grade < next) {
      flags[i] = 2;
    } else if (grade >= next && grade < prev) {
      flags[i] = 1;
    } else if (grade < next && grade < prev) {
      flags[i] = 3;
    }
  }
}

void MergeDowngradedRows(int32_t* flags) {
  for (int32_t g = 1; g < kMaxOrderGrade; ++g) {
    int32_t i = 0;
    while (i < board.SegmentCount) {
      if (GradeOf(board.Segments[i].grade) != g || flags[i] <= 0) {
        ++i;
        continue;
      }
      const PieceClass::Kind kind = ClassifyPiece(g, board.Segments[i].length).kind;
      if ((kind != PieceClass::Kind::kVariable && kind != PieceClass::Kind::kNothing) ||
          !HasWorseUsableNeighbour(i, g)) {
        ++i;
        continue;
      }
      MergeIntoNeighbour(i, g, flags);
    }
  }
}

void CollapseSplitGroups(int32_t* part, int32_t* first) {
  for (;;) {
    int32_t k = 0;
    while (k < kMaxSegments - 1 &&
           !(part[k] >= 1 && part[k + 1] >= 1 && first[k] == 1 && first[k + 1] == 0)) {
      ++k;
    }
    if (k == kMaxSegments - 1) return;
    // Row k absorbs its remainder's group. The merged group counts as closed, so that
    // the row a remainder was split from absorbs it in turn (a split of a split makes
    // one group of three rows).
    part[k] += part[k + 1];
    first[k] = 0;
    std::copy(part + k + 2, part + kMaxSegments, part + k + 1);
    std::copy(first + k + 2, first + kMaxSegments, first + k + 1);
    part[kMaxSegments - 1] = 0;
    first[kMaxSegments - 1] = 0;
  }
}

}  // namespace plan

DowngradePass PlanBoardWithDowngrade() {
  plan::ClearPlan();
  plan::AdjustKerf();
  DowngradePlan plan{};
  plan::ComputeNeighbourFlags(plan.neighbourFlag);
  plan::MergeDowngradedRows(plan.neighbourFlag);
  plan.start.rowCount = std::clamp(board.SegmentCount, 0, kMaxSegments);
  std::copy_n(board.Segments, plan.start.rowCount, plan.start.rows);
  std::copy_n(plan.neighbourFlag, kMaxSegments, plan.start.flag);
  RunGradePasses(plan);

  const int32_t count = board.SegmentCount;
  const bool exchangeTail =
      count >= 2 && plan.splitPart[count - 2] == 1 && plan.splitPart[count - 1] == 1;
  if (ws.settings.RemnantCentering == 1) CenterRemnantGroups(plan);
  if (exchangeTail) plan::ExchangeTailRows();
  plan::FlattenPlan();
  return plan.start;
}

}  // namespace sawline
