// Head and tail trimming: measures the board, merges neighbours that need not be kept
// apart, snapshots the merged segments, cuts the per-grade head and tail lengths off
// the board's ends and moves each boundary behind a worse segment by the width of a
// marking line.
#include <algorithm>
#include <cstring>

#include "prepare/prepare.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

float AddLengths(float a, float b) {
  return ToFloat(static_cast<double>(a) + static_cast<double>(b));
}

float SubtractLength(float a, double b) {
  return ToFloat(static_cast<double>(a) - b);
}

// One pass over the board: wherever segments i and i+1 both have `grade`, segment i
// absorbs i+1. The walk moves on after a merge, so a run of three needs two passes.
bool MergePass(Board& board, int32_t grade) {
  Segment* segments = board.Segments;
  bool merged = false;
  for (int i = 0; i < board.SegmentCount - 1; ++i) {
    if (GradeOf(segments[i].grade) != grade || GradeOf(segments[i + 1].grade) != grade) continue;
    segments[i].length = AddLengths(segments[i].length, segments[i + 1].length);
    std::memmove(&segments[i + 1], &segments[i + 2],
                 sizeof(Segment) * static_cast<size_t>(board.SegmentCount - i - 2));
    --board.SegmentCount;
    merged = true;
  }
  return merged;
}

void MergeNeighbours(Board& board, int32_t grade) {
  while (MergePass(board, grade)) {
  }
}

// Cuts `cut` off an end segment whose grade has orders. A cut that would leave 0.1 or
// less turns the whole segment into waste instead, and nothing counts as trimmed.
void TrimEnd(Segment& segment, const int32_t* cutPerGrade, int32_t* trimmed, int32_t* cutLength) {
  const int32_t grade = GradeOf(segment.grade);
  if (!IsOrderGrade(grade) || cutPerGrade[grade] <= 0) return;
  const double cut = static_cast<double>(cutPerGrade[grade]);
  if (cut + kLengthTolerance < static_cast<double>(segment.length)) {
    segment.length = SubtractLength(segment.length, cut);
    *trimmed = 1;
    *cutLength = cutPerGrade[grade];
  } else {
    segment.grade = GradeCode(PieceKind::kWaste);
  }
}

// A marking line belongs to the worse side of a boundary: where the segment before it is
// waste or of a higher grade number, the boundary moves forward by the line's width,
// provided the next segment stays longer than 0.1. A width of 0 or less moves nothing
// (a negative width would shorten the worse segment, possibly below zero).
void ShiftMarkingLines(Board& board, int32_t width) {
  if (width <= 0) return;
  const double shift = static_cast<double>(width);
  for (int i = 0; i + 1 < board.SegmentCount; ++i) {
    Segment& before = board.Segments[i];
    Segment& after = board.Segments[i + 1];
    const int32_t gradeBefore = GradeOf(before.grade);
    const int32_t gradeAfter = GradeOf(after.grade);
    if (gradeBefore != kWasteGrade && gradeBefore <= gradeAfter) continue;
    if (!(shift + kLengthTolerance < static_cast<double>(after.length))) continue;
    before.length = AddLengths(before.length, static_cast<float>(width));
    after.length = SubtractLength(after.length, shift);
  }
}

}  // namespace

// Waste is always merged; neighbours of one grade 1 to 8 are merged unless the host
// keeps them apart. Grades outside 1 to 9 are never merged. ConvertedSegments keeps the
// merged board before any trimming, for the result block and the run log.
void TrimHeadAndTail() {
  Board& board = ws.board;
  const Settings& settings = ws.settings;
  board.SegmentCount = std::clamp<int32_t>(board.SegmentCount, 0, kMaxSegments);

  float boardLength = 0.0f;
  for (int i = 0; i < board.SegmentCount; ++i)
    boardLength = AddLengths(boardLength, board.Segments[i].length);
  board.BoardLength = boardLength;

  MergeNeighbours(board, kWasteGrade);
  if (settings.SeparateAdjacentSameGrade != 1) {
    for (int grade = 1; grade <= kMaxOrderGrade; ++grade)
      MergeNeighbours(board, grade);
  }

  std::memcpy(board.ConvertedSegments, board.Segments, sizeof board.ConvertedSegments);
  board.ConvertedCount = board.SegmentCount;

  int32_t* trim = board.TrimRecord;
  std::fill(trim, trim + 4, 0);
  if (board.SegmentCount > 0) {
    TrimEnd(board.Segments[0], settings.CT, &trim[0], &trim[1]);
    TrimEnd(board.Segments[board.SegmentCount - 1], settings.CB, &trim[2], &trim[3]);
  }
  ShiftMarkingLines(board, settings.FluorescentLineWidth);
}

}  // namespace sawline
