// The segment filler: the most valuable mix of variable-length pieces of one grade
// for a length. Every length and score is a single-precision value: each is computed
// in double from its operands and rounded to float where it is assigned.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "optimize/search_steps.h"
#include "optimize/segment_searches.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {

void LoadOrders(int32_t grade, OrderView& view) {
  view.count = ListCount(grade, ws.orders.VariableCount, kMaxVariableOrders);
  view.kerf = static_cast<double>(ws.settings.KerfWidth);
  view.shortestMaxPlusKerf = kInfinity;
  view.shortestMinOrder = 0;
  for (int32_t j = 0; j < view.count; ++j) {
    view.minLength[j] = ws.orders.VariableMinLength[grade][j];
    view.maxLength[j] = ws.orders.VariableMaxLength[grade][j];
    view.minPlusKerf[j] = view.minLength[j] + view.kerf;
    view.maxPlusKerf[j] = view.maxLength[j] + view.kerf;
    view.weight[j] = static_cast<double>(ws.orders.VariableWeight[grade][j]);
    view.tag[j] = static_cast<float>(ws.orders.VariableCode[grade][j]);
    if (view.maxPlusKerf[j] < view.shortestMaxPlusKerf) {
      view.shortestMaxPlusKerf = view.maxPlusKerf[j];
    }
    if (view.minLength[j] < view.minLength[view.shortestMinOrder]) view.shortestMinOrder = j;
  }
  PadRanges(view.minPlusKerf, view.maxPlusKerf, view.count);
  PadRanges(view.minLength, view.maxLength, view.count);
  view.coverTable = view.count > 0 && CoverTableAnswers(grade);
}

namespace {

// ---- FillRemainder ----

// The main row of candidate 3j + kind of order j for a length x: as many minimum-length
// pieces as fit (kind 0), as many maximum-length pieces (kind 1), or x divided into one
// piece more than maximum pieces fit (kind 2), which must come out longer than the
// minimum. False when the candidate has none; `count` then still holds the pieces of a
// division that came out too short (0 or less when there is no division at all). An
// order whose piece with its kerf is not longer than 0 offers none.
struct MainRow {
  int32_t count;
  float length;
  float score;
};

bool MainRowOf(const OrderView& view, int32_t j, int32_t kind, double x, MainRow& row) {
  if (kind < 2) {
    const double piece = kind == 0 ? view.minLength[j] : view.maxLength[j];
    row.count = PiecesThatFit(x, kind == 0 ? view.minPlusKerf[j] : view.maxPlusKerf[j]);
    row.length = static_cast<float>(piece);
    row.score = static_cast<float>(row.count * piece * view.weight[j]);
    return row.count > 0;
  }
  row.count = 0;
  if (!(view.maxPlusKerf[j] > 0.0)) return false;
  row.count = FloorPlusOneToInt(x / view.maxPlusKerf[j]);
  if (row.count <= 0) return false;
  row.length = static_cast<float>((x - row.count * view.kerf) / row.count);
  row.score = static_cast<float>(row.count * static_cast<double>(row.length) * view.weight[j]);
  return view.minLength[j] < static_cast<double>(row.length);
}

// Computes the best single-order tiling of `x` into RemainderFill (which the caller
// has cleared) and returns the order it belongs to, or -1 when there is none: the main
// rows of the candidates alone.
int32_t TileLength(const OrderView& view, float x) {
  MainRow rows[kFillCandidates];
  bool exists[kFillCandidates];
  const int32_t candidates = 3 * view.count;
  for (int32_t k = 0; k < candidates; ++k)
    exists[k] = MainRowOf(view, k / 3, k % 3, static_cast<double>(x), rows[k]);

  // Absent candidates, of orders the grade lacks too, score 0.
  float best = candidates > 0 && exists[0] ? rows[0].score : 0.0f;
  for (int32_t k = 1; k < kFillCandidates; ++k) {
    const float value = k < candidates && exists[k] ? rows[k].score : 0.0f;
    if (value > best) best = value;
  }

  // Equal scores go to the longest pieces, then to the earliest candidate; only
  // candidate 0 may win with a score of 0.
  int32_t chosen = -1;
  if (candidates > 0 && exists[0] && rows[0].score == best) chosen = 0;
  for (int32_t k = 1; k < candidates; ++k) {
    const float chosenLength = chosen < 0 ? 0.0f : rows[chosen].length;
    const MainRow& row = rows[k];
    if (exists[k] && row.score > 0.0f && row.score == best && row.length > chosenLength) chosen = k;
  }
  if (chosen < 0) return -1;
  ws.filler.RemainderFill[0] = static_cast<float>(rows[chosen].count);
  ws.filler.RemainderFill[1] = rows[chosen].length;
  ws.filler.RemainderFill[2] = view.tag[chosen / 3];
  ws.filler.RemainderFill[3] = rows[chosen].score;
  return chosen / 3;
}

// TileLength answered from the search's memo when it is active for this grade.
int32_t TileLengthRemembered(int32_t grade, const OrderView& view, float x) {
  return Remembered(
      ws.filler.RemainderMemo, grade, x, [&] { return TileLength(view, x); },
      [](const RemainderMemoEntry& entry) {
        std::memcpy(ws.filler.RemainderFill, entry.fill, sizeof ws.filler.RemainderFill);
        return entry.order;
      },
      [](RemainderMemoEntry& entry, int32_t order) {
        std::memcpy(entry.fill, ws.filler.RemainderFill, sizeof entry.fill);
        entry.order = order;
        return true;
      });
}

// ---- FillSegment ----

void AppendRow(FillCandidate& c, float count, float length, float tag, int32_t order) {
  if (c.rowCount >= kMaxFillRows) return;
  c.rows[c.rowCount] = FillRow{count, length, tag};
  c.rowOrder[c.rowCount] = order;
  ++c.rowCount;
}

// One piece of the first order whose range (with its kerf) covers the rest r.
bool FitExactly(const OrderView& view, FillCandidate& c, float r) {
  const double rd = static_cast<double>(r);
  const uint32_t covering = OrdersTakingExactly(view, rd);
  if (covering == 0) return false;
  const int32_t j = std::countr_zero(covering);
  const double piece = rd - view.kerf;
  AppendRow(c, 1.0f, static_cast<float>(piece), view.tag[j], j);
  c.score = static_cast<float>(static_cast<double>(c.score) + piece * view.weight[j]);
  return true;
}

// Tiles the rest r with equal pieces of one order when some order's longest piece fits
// into it; r shrinks by what the tiling uses. Returns whether the tiling step ran.
bool TileRest(int32_t grade, const OrderView& view, FillCandidate& c, float& r) {
  if (!(static_cast<double>(r) >= view.shortestMaxPlusKerf)) return false;
  std::memset(ws.filler.RemainderFill, 0, sizeof ws.filler.RemainderFill);
  const int32_t order = TileLengthRemembered(grade, view, r);
  const float count = ws.filler.RemainderFill[0];
  if (TruncToInt(count) > 0) {
    AppendRow(c, count, ws.filler.RemainderFill[1], ws.filler.RemainderFill[2], order);
    c.score = static_cast<float>(static_cast<double>(c.score) +
                                 static_cast<double>(ws.filler.RemainderFill[3]));
    r = static_cast<float>(static_cast<double>(r) -
                           (static_cast<double>(ws.filler.RemainderFill[1]) + view.kerf) *
                               static_cast<double>(count));
  }
  return true;
}

// Moves length from the second row to the main pieces when the main order weighs more
// per unit: the second row's pieces shrink to the minimum of the first order whose range
// holds them, and the main pieces take over the freed length. Two guards keep every
// piece within its own order: the main pieces must stay within their order's maximum,
// also after a stretch has already lengthened them, and the second row's pieces must
// not fall below the minimum of the order they were cut for (the order found may be
// another one, with a lower minimum).
void ShiftWeight(const OrderView& view, FillCandidate& c, int32_t i, int32_t n) {
  if (c.rowCount < 2 || !(c.rows[0].count > 0.0f) || !(c.rows[1].count > 0.0f)) return;
  const double count1 = static_cast<double>(c.rows[1].count);
  const double length1 = static_cast<double>(c.rows[1].length);
  const uint32_t holding = AboveLowInRanges(view.minLength, view.maxLength, view.count, length1);
  if (holding == 0) return;
  const int32_t j = std::countr_zero(holding);
  if (!(view.weight[i] > view.weight[j])) return;
  const float d = static_cast<float>((length1 - view.minLength[j]) * count1);
  const double perPiece = static_cast<double>(d) / n;
  if (!(view.maxLength[i] - view.minLength[i] > perPiece)) return;
  const float stretched = static_cast<float>(static_cast<double>(c.rows[0].length) + perPiece);
  const int32_t secondOrder = c.rowOrder[1];
  if (!(static_cast<double>(stretched) <= view.maxLength[i]) ||
      view.minLength[j] < view.minLength[secondOrder]) {
    return;
  }
  c.rows[0].length = stretched;
  c.rows[1].length = static_cast<float>(view.minLength[j]);
  c.score = static_cast<float>(static_cast<double>(c.score) +
                               (view.weight[i] - view.weight[j]) * static_cast<double>(d));
}

// The rest after the main row of the maximum base and the equal division: an exact
// fit, or a tiling followed by an exact fit of what it leaves.
void FillRest(int32_t grade, const OrderView& view, FillCandidate& c, float r) {
  if (!FitExactly(view, c, r) && TileRest(grade, view, c, r)) FitExactly(view, c, r);
}

// Candidate 3i after its main row of n minimum-length pieces: the rest.
void FillAfterMinimumBase(int32_t grade, const OrderView& view, float length, int32_t i, int32_t n,
                          FillCandidate& c) {
  float r = static_cast<float>(static_cast<double>(length) - n * view.minPlusKerf[i]);
  if (!FitExactly(view, c, r) && TileRest(grade, view, c, r)) {
    // After a tiling, what is left is absorbed by the main pieces when their range
    // allows, else fitted once more.
    const double rest = static_cast<double>(r);
    if (rest >= kLengthTolerance && (view.maxLength[i] - view.minLength[i]) * n > rest) {
      c.rows[0].length =
          static_cast<float>(static_cast<double>(c.rows[0].length) + static_cast<double>(r) / n);
      c.score = static_cast<float>(static_cast<double>(c.score) + rest * view.weight[i]);
    } else if (rest >= kLengthTolerance) {
      FitExactly(view, c, r);
    }
  }
  ShiftWeight(view, c, i, n);
}

// Candidate 3i + kind: its main row (see MainRowOf), then the rest. When the equal
// division's pieces would be too short: one shortest piece of the grade plus a division
// of what it leaves.
void BuildCandidate(int32_t grade, const OrderView& view, float length, int32_t i, int32_t kind,
                    FillCandidate& c) {
  c.rowCount = 0;
  c.score = 0.0f;
  const double lengthD = static_cast<double>(length);
  MainRow main;
  if (MainRowOf(view, i, kind, lengthD, main)) {
    AppendRow(c, static_cast<float>(main.count), main.length, view.tag[i], i);
    c.score = main.score;
    if (kind == 0) {
      FillAfterMinimumBase(grade, view, length, i, main.count, c);
    } else {
      const double used =
          kind == 1 ? view.maxPlusKerf[i] : static_cast<double>(main.length) + view.kerf;
      FillRest(grade, view, c, static_cast<float>(lengthD - main.count * used));
    }
    return;
  }
  if (kind != 2 || main.count <= 0) return;
  const int32_t j0 = view.shortestMinOrder;
  const double s0 = view.minLength[j0];
  if (!(s0 + view.kerf <= lengthD)) return;
  AppendRow(c, 1.0f, static_cast<float>(s0), view.tag[j0], j0);
  c.score = static_cast<float>(s0 * view.weight[j0]);
  const float r = static_cast<float>(lengthD - (s0 + view.kerf));
  const int32_t m = FloorPlusOneToInt(static_cast<double>(r) / view.maxPlusKerf[i]);
  if (m <= 0) return;
  const float s2 = static_cast<float>((static_cast<double>(r) - m * view.kerf) / m);
  // The division row must hold pieces of at least min + K (a stricter bound than the
  // plain division's); it then becomes the main row.
  const double division = static_cast<double>(s2);
  if (view.minPlusKerf[i] <= division && division <= view.maxPlusKerf[i]) {
    AppendRow(c, static_cast<float>(m), s2, view.tag[i], i);
    c.score = static_cast<float>(static_cast<double>(c.score) + m * division * view.weight[i]);
    std::swap(c.rows[0], c.rows[1]);
    std::swap(c.rowOrder[0], c.rowOrder[1]);
  }
}

float RowOneLength(const FillCandidate& c) {
  return c.rowCount >= 2 ? c.rows[1].length : 0.0f;
}

}  // namespace

void FillRemainder(int32_t grade, float length) {
  OrderView view;
  LoadOrders(grade, view);
  TileLength(view, length);
}

float FillSegment(int32_t grade, float length) {
  OrderView view;
  LoadOrders(grade, view);
  FillCandidate* candidates = ws.filler.Candidates;
  const int32_t built = 3 * view.count;
  for (int32_t i = 0; i < view.count; ++i) {
    for (int32_t kind = 0; kind < 3; ++kind)
      BuildCandidate(grade, view, length, i, kind, candidates[3 * i + kind]);
  }

  // Absent candidates, of orders the grade lacks too, score 0.
  float best = built > 0 && candidates[0].rowCount > 0 ? candidates[0].score : 0.0f;
  for (int32_t k = 1; k < kFillCandidates; ++k) {
    const float score = k < built && candidates[k].rowCount > 0 ? candidates[k].score : 0.0f;
    if (score > best) best = score;
  }

  // Equal scores go to the longer main pieces, then the longer second-row pieces, then
  // the earlier candidate.
  int32_t chosen = -1;
  if (built > 0 && candidates[0].rowCount > 0 && candidates[0].score == best) chosen = 0;
  for (int32_t k = 1; k < built; ++k) {
    const FillCandidate& c = candidates[k];
    if (c.rowCount == 0 || !(c.score == best)) continue;
    const float planMain = chosen < 0 ? 0.0f : candidates[chosen].rows[0].length;
    const float planSecond = chosen < 0 ? 0.0f : RowOneLength(candidates[chosen]);
    if (c.rows[0].length > planMain ||
        (c.rows[0].length == planMain && RowOneLength(c) > planSecond)) {
      chosen = k;
    }
  }

  std::memset(ws.filler.FillRows, 0, sizeof ws.filler.FillRows);
  ws.filler.FillRowCount = 0;
  if (chosen >= 0) {
    const FillCandidate& c = candidates[chosen];
    std::memcpy(ws.filler.FillRows, c.rows, sizeof(FillRow) * static_cast<size_t>(c.rowCount));
    ws.filler.FillRowCount = c.rowCount;
  }
  return best;
}

bool CoverTableAnswers(int32_t grade) {
  if (ws.filler.CoverTableState == kCoverTablePending) {
    ws.filler.CoverTableState = kCoverTableOff;
    const int32_t searched = ws.search.SearchGrade;
    const int32_t orders = ListCount(searched, ws.orders.VariableCount, kMaxVariableOrders);
    const double kerf = static_cast<double>(ws.settings.KerfWidth);
    if (orders == 0 || !(kerf == std::floor(kerf))) return false;
    // Bit j toggles at its order's lower bound and after its upper bound; the running
    // exclusive or of the toggles is the set of orders covering each length.
    int32_t longest = 0;
    for (int32_t j = 0; j < orders; ++j) {
      const double low = ws.orders.VariableMinLength[searched][j] + kerf;
      const double high = ws.orders.VariableMaxLength[searched][j] + kerf;
      if (!(low >= 0.0 && high < kCoverTableLength - 2)) return false;
      longest = std::max(longest, static_cast<int32_t>(high));
    }
    ws.filler.CoverTableLength = longest + 2;
    std::memset(ws.filler.CoverTable, 0,
                sizeof(uint32_t) * static_cast<size_t>(ws.filler.CoverTableLength));
    for (int32_t j = 0; j < orders; ++j) {
      const double low = ws.orders.VariableMinLength[searched][j] + kerf;
      const double high = ws.orders.VariableMaxLength[searched][j] + kerf;
      if (high < low) continue;  // an empty range covers nothing
      ws.filler.CoverTable[static_cast<int32_t>(low)] ^= uint32_t{1} << j;
      ws.filler.CoverTable[static_cast<int32_t>(high) + 1] ^= uint32_t{1} << j;
    }
    for (int32_t x = 1; x < ws.filler.CoverTableLength; ++x)
      ws.filler.CoverTable[x] ^= ws.filler.CoverTable[x - 1];
    ws.filler.CoverTableState = kCoverTableReady;
  }
  return ws.filler.CoverTableState == kCoverTableReady && grade == ws.search.SearchGrade;
}

float MemoizedFillSegment(int32_t grade, float length, const FillRow*& rows, int32_t& rowCount) {
  rows = ws.filler.FillRows;
  return Remembered(
      ws.search.FillMemo, grade, length,
      [&] {
        const float score = FillSegment(grade, length);
        rowCount = ws.filler.FillRowCount;
        return score;
      },
      [&](const FillMemoEntry& entry) {
        rows = entry.rows;
        rowCount = entry.rowCount;
        return entry.score;
      },
      [](FillMemoEntry& entry, float score) {
        if (ws.filler.FillRowCount > kFillMemoRows) return false;
        entry.score = score;
        entry.rowCount = ws.filler.FillRowCount;
        std::memcpy(entry.rows, ws.filler.FillRows, sizeof entry.rows);
        return true;
      });
}

}  // namespace sawline
