// The cut list: the plan's pieces turned into the cut sequence the saw line runs.
//
// Length bookkeeping: every row consumes its length plus one kerf of the board, the
// last row only its length. Every step below keeps the sum of (length + kerf) over
// the rows unchanged, apart from the trimmed head and tail that it adds back and a
// long-waste leftover of at most 0.1 that it drops; so the controller's feed lengths
// still add up to the board length.
//
// Capacities: PieceList holds kMaxPieces rows and the host receives at most
// kMaxTransferRecords of them. No step writes past PieceList: a waste split or a
// halving that would not fit is refused (the waste stays one longer piece), and the
// trimmed head or tail, which must go in, makes room by folding the last two rows
// into one waste row. A list longer than the host's slots is finally folded so that
// the last delivered row is one waste piece carrying the rest of the board.
#include <cmath>

#include "report/report.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// Rows that the last-resort fold of MakeRoom merges always lie behind the rows the
// host receives, so the fold never changes a delivered piece.
static_assert(kMaxPieces - 2 >= kMaxTransferRecords);

bool IsWaste(const PieceRow& row) {
  return GradeOf(row.gradeCode) == kWasteGrade;
}

PieceRow WasteRow(double length) {
  return PieceRow{GradeCode(PieceKind::kWaste), ToFloat(length), 0.0f};
}

// Room for `count` more rows.
bool HasRoomFor(int32_t count) {
  return count <= kMaxPieces - ws.cut.PieceCount;
}

void InsertRow(int32_t position, const PieceRow& row) {
  for (int32_t k = ws.cut.PieceCount; k > position; --k)
    ws.cut.PieceList[k] = ws.cut.PieceList[k - 1];
  ws.cut.PieceList[position] = row;
  ++ws.cut.PieceCount;
}

void DeleteRow(int32_t position) {
  for (int32_t k = position; k < ws.cut.PieceCount - 1; ++k)
    ws.cut.PieceList[k] = ws.cut.PieceList[k + 1];
  --ws.cut.PieceCount;
}

// Rows first..PieceCount-1 become one waste row covering their lengths and the kerfs
// between them (the tag is left 0 for the waste-tag rule).
void FoldTailFrom(int32_t first) {
  double length = static_cast<double>(ws.cut.PieceList[first].length);
  for (int32_t k = first + 1; k < ws.cut.PieceCount; ++k)
    length = length + static_cast<double>(ws.settings.KerfWidth) +
             static_cast<double>(ws.cut.PieceList[k].length);
  ws.cut.PieceList[first] = WasteRow(length);
  ws.cut.PieceCount = first + 1;
}

// Frees one row of a full list by folding its last two rows into one waste row.
void MakeRoom() {
  if (ws.cut.PieceCount >= kMaxPieces) FoldTailFrom(ws.cut.PieceCount - 2);
}

void AddTrimmedHead() {
  if (ws.board.TrimRecord[0] != 1) return;
  const int32_t headCut = ws.board.TrimRecord[1];
  PieceRow& first = ws.cut.PieceList[0];
  if (first.gradeCode == GradeCode(PieceKind::kWaste)) {
    first.length = ToFloat(static_cast<double>(first.length) + headCut);
    return;
  }
  MakeRoom();
  InsertRow(0, WasteRow(static_cast<double>(headCut) - static_cast<double>(ws.settings.KerfWidth)));
}

void AddTrimmedTail() {
  if (ws.board.TrimRecord[2] != 1) return;
  const int32_t tailCut = ws.board.TrimRecord[3];
  if (ws.cut.PieceList[ws.cut.PieceCount - 1].gradeCode != GradeCode(PieceKind::kWaste)) MakeRoom();
  PieceRow& last = ws.cut.PieceList[ws.cut.PieceCount - 1];
  if (last.gradeCode == GradeCode(PieceKind::kWaste)) {
    last.length = ToFloat(static_cast<double>(last.length) + tailCut);
    return;
  }
  InsertRow(ws.cut.PieceCount,
            WasteRow(static_cast<double>(tailCut) - static_cast<double>(ws.settings.KerfWidth)));
}

// Neighbouring waste rows become one, the kerf between them included. One pass goes
// on after a merge with the row behind the merged one, so a run of three or more
// waste rows takes more than one pass; the summing order matters for the float sums.
void MergeWaste() {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int32_t i = 0; i < ws.cut.PieceCount - 1; ++i) {
      PieceRow& row = ws.cut.PieceList[i];
      const PieceRow& next = ws.cut.PieceList[i + 1];
      if (!IsWaste(row) || !IsWaste(next)) continue;
      row.length = ToFloat(static_cast<double>(row.length) + static_cast<double>(next.length) +
                           static_cast<double>(ws.settings.KerfWidth));
      DeleteRow(i + 1);
      merged = true;
    }
  }
}

// Cuts waste longer than WasteMaxLength (W) into pieces of W, the leftover first.
// A leftover t with 0.1 < t < kerf cannot be a piece of its own (its length t - kerf
// would be negative), so it stays with the first piece, which is then W + t long.
void SplitLongWaste() {
  const int32_t maxLength = ws.settings.WasteMaxLength;
  if (maxLength < kShortestUsefulRest) return;
  const double kerf = static_cast<double>(ws.settings.KerfWidth);
  const double span = maxLength + kerf;
  for (int32_t i = 0; i < ws.cut.PieceCount; ++i) {
    PieceRow& row = ws.cut.PieceList[i];
    if (!IsWaste(row) || static_cast<double>(row.length) < maxLength + kLengthTolerance) continue;
    const double covered = static_cast<double>(row.length) + kerf;
    const int32_t m = TruncToInt(std::floor(covered / span));
    const double leftover = covered - m * span;
    const bool leftoverIsPiece = leftover > kLengthTolerance && leftover >= kerf;
    const int32_t inserted = leftoverIsPiece ? m : m - 1;
    if (m < 1 || !HasRoomFor(inserted)) continue;  // refused: the waste stays one piece
    if (leftoverIsPiece) {
      row.length = ToFloat(leftover - kerf);  // keeps its gradeCode and tag
    } else {
      row = WasteRow(leftover > kLengthTolerance ? maxLength + leftover : maxLength);
    }
    for (int32_t n = 0; n < inserted; ++n)
      InsertRow(i + 1, WasteRow(maxLength));
  }
}

// Long waste is kicked out with the kicker code; all other waste carries no code.
void TagWaste() {
  for (int32_t i = 0; i < ws.cut.PieceCount; ++i) {
    PieceRow& row = ws.cut.PieceList[i];
    if (!IsWaste(row)) continue;
    row.tag = static_cast<double>(row.length) >= kKickedWasteLength
                  ? static_cast<float>(ws.settings.WasteKickerCode)
                  : 0.0f;
  }
}

// Without the waste gate, middle-length waste (70 to under 140) is cut in two equal
// halves so that it falls through the line; the last row is never halved.
void HalveMiddleWaste() {
  if (ws.settings.WasteGateSelect == 1) return;
  bool split = true;
  while (split) {
    split = false;
    for (int32_t i = 0; i < ws.cut.PieceCount - 1; ++i) {
      PieceRow& row = ws.cut.PieceList[i];
      const double length = static_cast<double>(row.length);
      if (!IsWaste(row) || length < kHalvedWasteLength || length >= kKickedWasteLength) continue;
      if (!HasRoomFor(1)) continue;  // refused: the waste stays whole
      row.length = ToFloat((length - static_cast<double>(ws.settings.KerfWidth)) / 2.0);
      InsertRow(i + 1, row);
      split = true;
    }
  }
}

// The host has kMaxTransferRecords piece slots. A longer list keeps its first
// slots-1 rows; the last slot becomes one waste row that covers the rest of the
// board, tagged by the waste-tag rule, so the host still gets a complete cut
// sequence whose feed lengths add up to the board length.
void FoldIntoHostSlots() {
  if (ws.cut.PieceCount <= kMaxTransferRecords) return;
  FoldTailFrom(kMaxTransferRecords - 1);
  PieceRow& last = ws.cut.PieceList[kMaxTransferRecords - 1];
  if (static_cast<double>(last.length) >= kKickedWasteLength)
    last.tag = static_cast<float>(ws.settings.WasteKickerCode);
}

}  // namespace

void FinishPieceList() {
  if (ws.cut.PieceCount < 1) return;
  AddTrimmedHead();
  AddTrimmedTail();
  MergeWaste();
  SplitLongWaste();
  TagWaste();
  HalveMiddleWaste();
  FoldIntoHostSlots();
}

}  // namespace sawline
