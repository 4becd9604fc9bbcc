// Board segments: the marks of one board become its graded segments, from the board's
// start to its end. Three readings of the marks exist: grade/length pairs, marking
// lines on one face (short intervals raise the grade of the interval before them) and
// waste lines on the top face with grade lines on the side face (two-face marking).
//
// Every comparison between an integer setting and a mark is exact: both are widened to
// double. Lengths are added in double and stored back in single precision.
#include <algorithm>
#include <cstring>

#include "prepare/prepare.h"
#include "workspace/numeric.h"
#include "workspace/workspace.h"

namespace sawline {
namespace {

// The conversion reads the marks (front marking turns them round and back) and writes
// the board's segments.
Marks& marks = ws.marks;
Board& board = ws.board;

// The settings the conversion reads, widened once.
struct MarkSettings {
  double gradeMarkLength;  // at most this: a grade mark
  double gradeAMinLength;  // below this: waste
  float unmarkedGrade;
  int32_t wasteMarkCount;
};

MarkSettings ReadMarkSettings() {
  return {static_cast<double>(ws.settings.GradeMarkLength),
          static_cast<double>(ws.settings.GradeAMinLength),
          static_cast<float>(ws.settings.UnmarkedGrade), ws.settings.WasteMarkCount};
}

float FirstHalf(int i) {
  return marks.BoardMarks[i];
}
float SecondHalf(int i) {
  return marks.BoardMarks[kMarkHalf + i];
}

float AddLengths(float a, float b) {
  return ToFloat(static_cast<double>(a) + static_cast<double>(b));
}

void Append(float grade, float length) {
  if (board.SegmentCount >= kMaxSegments) return;  // one interval per segment: never reached
  board.Segments[board.SegmentCount++] = {grade, length};
}

// ---- Grade/length pairs ----

void ConvertPairs(int n) {
  for (int i = 0; i < n; ++i)
    board.Segments[i] = {FirstHalf(i), SecondHalf(i)};
  board.SegmentCount = n;
  if (ws.settings.OptimizeMode != OptimizeMode::kDefectSawing) return;
  for (int i = 0; i < n; ++i)
    board.Segments[i].grade =
        GradeOf(board.Segments[i].grade) > 1 ? GradeCode(PieceKind::kWaste) : 1.0f;
}

// ---- One-face marking ----

// A grade mark raises the grade of the segment before it by one and lengthens it.
// Counting stops at WasteMarkCount and never goes past waste (9).
void AddGradeMark(const MarkSettings& s, float mark) {
  Segment& current = board.Segments[board.SegmentCount - 1];
  const int32_t grade = GradeOf(current.grade);
  if (grade != s.wasteMarkCount && grade != kWasteGrade)
    current.grade = ToFloat(static_cast<double>(current.grade) + 1.0);
  current.length = AddLengths(current.length, mark);
}

// Each interval becomes at most one segment. An interval longer than a grade mark but
// shorter than GradeAMinLength opens a waste run: every following interior interval
// shorter than GradeAMinLength (grade-mark lengths included) is a waste segment of its
// own, until one at least that long, taken as grade 1, ends the run.
void ConvertOneFace(const MarkSettings& s, int n) {
  const double first = static_cast<double>(FirstHalf(0));
  if (first < s.gradeAMinLength) {
    Append(GradeCode(PieceKind::kWaste), FirstHalf(0));
  } else {
    Append(n == 1 ? s.unmarkedGrade : 1.0f, FirstHalf(0));
  }
  if (n == 1) return;

  const int lastInterior = n - 2;
  for (int k = 1; k <= lastInterior; ++k) {
    const double interval = static_cast<double>(FirstHalf(k));
    if (interval <= s.gradeMarkLength) {
      AddGradeMark(s, FirstHalf(k));
    } else if (interval < s.gradeAMinLength) {
      Append(GradeCode(PieceKind::kWaste), FirstHalf(k));
      while (k + 1 <= lastInterior) {
        ++k;
        if (static_cast<double>(FirstHalf(k)) < s.gradeAMinLength) {
          Append(GradeCode(PieceKind::kWaste), FirstHalf(k));
        } else {
          Append(1.0f, FirstHalf(k));
          break;
        }
      }
    } else {
      Append(1.0f, FirstHalf(k));
    }
  }

  const double last = static_cast<double>(FirstHalf(n - 1));
  if (last <= s.gradeMarkLength) {
    Segment& current = board.Segments[board.SegmentCount - 1];
    current.length = AddLengths(current.length, FirstHalf(n - 1));
  } else if (last < s.gradeAMinLength) {
    Append(GradeCode(PieceKind::kWaste), FirstHalf(n - 1));
  } else {
    Append(s.unmarkedGrade, FirstHalf(n - 1));
  }
}

// ---- Two-face marking ----

// One grade zone of the side face: its grade and where it ends on the board.
struct SideZone {
  float grade;
  float end;
};

// At most one zone per side interval, so the list never exceeds the 100 of a half.
struct SideZones {
  SideZone zone[kMarkHalf];
  int count;
};

// A short side interval belongs to the zone before it and raises its grade; the last
// interval joins the zone before it when it is shorter than GradeAMinLength, without
// raising the grade. Zone grades stop at waste (9), like one-face grade marks.
void BuildSideZones(const MarkSettings& s, int m, SideZones& zones) {
  zones.zone[0] = {1.0f, SecondHalf(0)};
  zones.count = 1;
  for (int j = 1; j < m; ++j) {
    const double interval = static_cast<double>(SecondHalf(j));
    const bool last = j == m - 1;
    if (interval <= s.gradeMarkLength || (last && interval <= s.gradeAMinLength)) {
      SideZone& zone = zones.zone[zones.count - 1];
      zone.end = AddLengths(zone.end, SecondHalf(j));
      if (!last && GradeOf(zone.grade) < kWasteGrade)
        zone.grade = ToFloat(static_cast<double>(zone.grade) + 1.0);
    } else {
      zones.zone[zones.count++] = {last ? s.unmarkedGrade : 1.0f, SecondHalf(j)};
    }
  }
  for (int z = 1; z < zones.count; ++z)
    zones.zone[z].end = AddLengths(zones.zone[z - 1].end, zones.zone[z].end);
}

void TakeZoneGrade(Segment& segment, float zoneGrade) {
  if (GradeOf(segment.grade) != kWasteGrade) segment.grade = zoneGrade;
}

// Inserts a copy of segment s right after it; the top count grows by one.
void InsertCopyAfter(int s, int& topCount) {
  std::memmove(&board.Segments[s + 2], &board.Segments[s + 1],
               sizeof(Segment) * static_cast<size_t>(topCount - s - 1));
  board.Segments[s + 1] = board.Segments[s];
  ++topCount;
}

// Lays the zones over the top segments (lengths already turned into end positions). A
// segment reaching past the current zone's end is split there. When the 100 segment
// records are full, a crossing segment is no longer split: it takes the worst grade of
// the zones it reaches into, so no piece of it is planned above its wood's grade. The
// last zone ends at or after the board's end, so only a non-finite position could
// reach past it; that segment simply takes the last zone's grade.
void LayZonesOverSegments(const SideZones& zones, int& topCount) {
  int z = 0;
  for (int s = 0; s < topCount; ++s) {
    Segment& segment = board.Segments[s];
    const bool lastZone = z == zones.count - 1;
    if (segment.length <= zones.zone[z].end || lastZone) {
      TakeZoneGrade(segment, zones.zone[z].grade);
    } else if (topCount < kMaxSegments) {
      InsertCopyAfter(s, topCount);
      segment.length = zones.zone[z].end;
      TakeZoneGrade(segment, zones.zone[z].grade);
      ++z;
    } else {
      float worst = zones.zone[z].grade;
      while (z < zones.count - 1 && !(segment.length <= zones.zone[z].end)) {
        ++z;
        worst = std::max(worst, zones.zone[z].grade);
      }
      TakeZoneGrade(segment, worst);
    }
  }
}

void RemoveShortSegments() {
  int kept = 0;
  for (int i = 0; i < board.SegmentCount; ++i) {
    if (static_cast<double>(board.Segments[i].length) < kLengthTolerance) continue;
    board.Segments[kept++] = board.Segments[i];
  }
  board.SegmentCount = kept;
}

// The top face marks waste: an interval shorter than GradeAMinLength, or one followed
// by two grade-mark intervals, is waste; every other interval is unmarked. The side
// face's grade zones are then laid over these segments, splitting them at zone ends;
// each split raises FirstHalfCount by one.
void ConvertTwoFace(const MarkSettings& s, int n, int m) {
  for (int i = 0; i < n; ++i) {
    bool waste = static_cast<double>(FirstHalf(i)) < s.gradeAMinLength;
    if (n > 2 && i < n - 2 && static_cast<double>(FirstHalf(i + 1)) <= s.gradeMarkLength &&
        static_cast<double>(FirstHalf(i + 2)) <= s.gradeMarkLength) {
      waste = true;
    }
    board.Segments[i] = {waste ? GradeCode(PieceKind::kWaste) : s.unmarkedGrade, FirstHalf(i)};
  }
  if (m == 0) {
    board.SegmentCount = n;
    RemoveShortSegments();
    return;
  }

  SideZones zones;
  BuildSideZones(s, m, zones);
  for (int i = 1; i < n; ++i)
    board.Segments[i].length = AddLengths(board.Segments[i - 1].length, board.Segments[i].length);
  SideZone& lastZone = zones.zone[zones.count - 1];
  if (board.Segments[n - 1].length > lastZone.end) lastZone.end = board.Segments[n - 1].length;

  int topCount = n;
  LayZonesOverSegments(zones, topCount);
  marks.FirstHalfCount = topCount;

  for (int i = topCount - 1; i >= 1; --i) {
    board.Segments[i].length = ToFloat(static_cast<double>(board.Segments[i].length) -
                                       static_cast<double>(board.Segments[i - 1].length));
  }
  board.SegmentCount = topCount;
  RemoveShortSegments();
}

// ---- Marking-line intervals ----

void ReverseMarks(int first, int count) {
  std::reverse(marks.BoardMarks + first, marks.BoardMarks + first + count);
}

// Front marking reads the intervals from the board's end towards its start; the marks
// are put back and the segments turned round afterwards, so everything downstream sees
// the board from its start. In defect sawing the segments are rebuilt from the marks
// alone: an interval shorter than GradeAMinLength is waste, any other is sound.
void ConvertIntervals(const MarkSettings& s, int n, int defectCount) {
  const int m = marks.SecondHalfCount;
  // The two-face splits raise n only when m is 2 or more, so this condition does not
  // change between reversing and restoring.
  const bool front = ws.settings.FrontMarkingMode == 1 && (n >= 2 || m >= 2);
  float savedMarks[2 * kMarkHalf];
  if (front) {
    std::memcpy(savedMarks, marks.BoardMarks, sizeof savedMarks);
    if (n >= 2) ReverseMarks(0, n);
    if (ws.settings.TopWasteSideGradeLines == 1 && m >= 2) ReverseMarks(kMarkHalf, m);
  }

  board.SegmentCount = 0;
  if (ws.settings.TopWasteSideGradeLines == 0) {
    ConvertOneFace(s, n);
  } else {
    ConvertTwoFace(s, n, m);
  }

  if (front) {
    std::memcpy(marks.BoardMarks, savedMarks, sizeof savedMarks);
    if (board.SegmentCount >= 2) std::reverse(board.Segments, board.Segments + board.SegmentCount);
  }

  if (ws.settings.OptimizeMode != OptimizeMode::kDefectSawing) return;
  board.SegmentCount = defectCount;
  for (int i = 0; i < defectCount; ++i) {
    const bool waste = static_cast<double>(FirstHalf(i)) < s.gradeAMinLength;
    board.Segments[i] = {waste ? GradeCode(PieceKind::kWaste) : 1.0f, FirstHalf(i)};
  }
}

}  // namespace

// Grades outside 1 to 9 in grade/length pairs are kept as given; later stages compare
// grades only through GradeOf and IsOrderGrade. An empty board (first half count 0)
// yields no segments and leaves the time limit whole.
void ConvertBoardMarks() {
  const int n = std::clamp<int32_t>(marks.FirstHalfCount, 0, kMarkHalf);
  const int defectCount = n;
  for (Segment& segment : board.Segments)
    segment = {0.0f, 0.0f};
  board.SegmentCount = 0;

  if (n > 0) {
    const MarkSettings settings = ReadMarkSettings();
    if (marks.BoardMarks[kMarkKindIndex] == kPairMarks) {
      ConvertPairs(n);
    } else {
      ConvertIntervals(settings, n, defectCount);
    }
  }

  if (board.SegmentCount > 0) {
    ws.settings.OptimizeTimeLimit = ToFloat(static_cast<double>(ws.settings.OptimizeTimeLimit) /
                                            static_cast<double>(board.SegmentCount));
  }
}

}  // namespace sawline
