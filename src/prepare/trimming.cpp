// Head and tail trimming: measures the board, merges neighbours that need not be kept
// apart, snapshots the merged segments, cuts the per-grade head and tail lengths off
// the board's ends and moves each boundary behind a worse segment by the width of a
// marking line.
#include <algorithm>
#include <cstring>
#include <iterator>

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
bool MergePass(int32_t grade) {
  bool merged = false;
  for (int i = 0; i < ws.board.SegmentCount - 1; ++i) {
    if (GradeOf(ws.board.Segments[i].grade) != grade ||
        GradeOf(ws.board.Segments[i + 1].grade) != grade)
      continue;
    ws.board.Segments[i].length =
        AddLengths(ws.board.Segments[i].length, ws.board.Segments[i + 1].length);
    std::memmove(&ws.board.Segments[i + 1], &ws.board.Segments[i + 2],
                 sizeof(Segment) * static_cast<size_t>(ws.board.SegmentCount - i - 2));
    --ws.board.SegmentCount;
    merged = true;
  }
  return merged;
}

void MergeNeighbours(int32_t grade) {
  while (MergePass(grade)) {
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
void ShiftMarkingLines() {
  const int32_t width = ws.settings.FluorescentLineWidth;
  if (width <= 0) return;
  const double shift = static_cast<double>(width);
  for (int i = 0; i + 1 < ws.board.SegmentCount; ++i) {
    Segment& before = ws.board.Segments[i];
    Segment& after = ws.board.Segments[i + 1];
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
  ws.board.SegmentCount = std::clamp<int32_t>(ws.board.SegmentCount, 0, kMaxSegments);

  float boardLength = 0.0f;
  for (int i = 0; i < ws.board.SegmentCount; ++i)
    boardLength = AddLengths(boardLength, ws.board.Segments[i].length);
  ws.board.BoardLength = boardLength;

  MergeNeighbours(kWasteGrade);
  if (ws.settings.SeparateAdjacentSameGrade != 1) {
    for (int grade = 1; grade <= kMaxOrderGrade; ++grade)
      MergeNeighbours(grade);
  }

  std::memcpy(ws.board.ConvertedSegments, ws.board.Segments, sizeof ws.board.ConvertedSegments);
  ws.board.ConvertedCount = ws.board.SegmentCount;

  std::fill(std::begin(ws.board.TrimRecord), std::end(ws.board.TrimRecord), 0);
  if (ws.board.SegmentCount > 0) {
    TrimEnd(ws.board.Segments[0], ws.settings.CT, &ws.board.TrimRecord[0], &ws.board.TrimRecord[1]);
    TrimEnd(ws.board.Segments[ws.board.SegmentCount - 1], ws.settings.CB, &ws.board.TrimRecord[2],
            &ws.board.TrimRecord[3]);
  }
  ShiftMarkingLines();
}

}  // namespace sawline
