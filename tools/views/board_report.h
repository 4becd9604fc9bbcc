// The board report: one self-contained HTML page that explains what a call of
// OptimizationCompute planned for one board. On top a drawing to scale: the converted
// zones coloured by grade, the trimmed head and tail, and under them the cut list as
// pieces with their cut lines, labelled with length and order code (labels that do not
// fit go to the piece's tooltip); then the cut list, the controller records, the yield
// per grade and the order counts as tables. A board on which nothing was planned gets
// a page too, drawn from its marks, with the reason shown.
//
// The drawing's geometry is computed once (LayoutBoardReport) and the page is written
// from it, so a screenshot can be checked at the positions the layout gives.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "desk/result_view.h"
#include "views/html_page.h"

namespace sawline::tools {

struct BoardReportInput {
  std::string title;                  // e.g. the job file's name
  const float* parameters = nullptr;  // the 2102-float parameter block that was run
  const float* marks = nullptr;       // the 201-float board-mark block
  const float* result = nullptr;      // the 1169-float result block (read only when returned > 0)
  int32_t returned = 0;               // the entry's return value
  std::string runTime;  // the calendar time the run used, as text (ISO 8601), may be empty
  std::vector<std::string> notes;  // warnings or the refusal reason, shown prominently
  // A second answer for the same board, drawn as a cut list under the first and listed
  // after it, its pieces that differ marked: e.g. the cut list the line's record holds
  // beside the desk's. Its result block is read only when compareReturned > 0.
  const float* compareResult = nullptr;
  int32_t compareReturned = 0;
  std::string laneName{};     // name of the first cut list ("cut list" when empty)
  std::string compareName{};  // name of the second ("other answer" when empty)
};

// Writes the page. Missing blocks (null pointers) read as all zeros.
void WriteBoardReport(const BoardReportInput& input, std::ostream& out);

// ---- What the page shows, exposed for checks of the drawing ----

// The head and tail cut off by trimming, worked out from the converted zones and the
// per-grade head and tail cuts of the parameter block (the result block does not carry
// the trim record). 0: that end was not trimmed.
struct TrimView {
  int head = 0;
  int tail = 0;
};
TrimView ReadTrims(const float* parameters, const std::vector<ZoneView>& zones);

// A piece's four controller code fields as the eight digits AABBCCDD.
std::string CodeText(const std::array<int, 4>& fields);

// A rectangle in the drawing's own pixels (its top-left corner is 0, 0).
struct Box {
  double x = 0.0;
  double y = 0.0;
  double width = 0.0;
  double height = 0.0;
  double Right() const { return x + width; }
  double Bottom() const { return y + height; }
  double CentreX() const { return x + width / 2.0; }
  double CentreY() const { return y + height / 2.0; }
};

struct ZoneShape {
  Box box;
  int number = 0;      // 1 for the zone at the board's start
  float grade = 0.0f;  // as given; 0 for an interval between marking lines
  float length = 0.0f;
  double start = 0.0;     // board position
  bool labelled = false;  // a label is drawn inside (always in the tooltip)
};

struct PieceShape {
  Box box;             // the piece, without its kerf
  Box kindBand;        // strip along the piece's foot in the colour of its kind (empty for waste)
  int number = 0;      // 1 for the first piece of the cut list
  double start = 0.0;  // board position
  PieceKind kind = PieceKind::kUnknown;
  int grade = 0;
  bool kicked = false;
  int labelLines = 0;    // label lines inside: 2 length and code, 1 length, 0 tooltip only
  bool rotated = false;  // a one-line label runs upwards along a narrow piece
  std::string code;      // the order code when it does not fit inside: shown by the number
};

struct CutShape {
  Box box;                // the drawn cut line, whole pixels
  double position = 0.0;  // board position of the kerf's centre
};

struct NumberTag {
  int number = 0;    // the piece's number
  std::string text;  // the number, and the piece's code where it is not drawn inside
  Box box;           // the text's place under the lane
};

// One cut list drawn under the zones.
struct PieceLane {
  std::string name;
  Box box;  // the band the pieces sit in
  std::vector<PieceShape> pieces;
  std::vector<CutShape> cuts;   // one per kerf: after every piece but the last
  std::vector<Box> kickMarks;   // under each waste piece that goes to the kicker
  std::vector<NumberTag> tags;  // piece numbers that found room under the lane
  std::string message;          // shown in the lane instead of pieces (no cut list)
};

struct TrimShape {
  Box zone;     // the cut-off part, darkened over the zone lane
  Box bracket;  // the bar under the zone lane
  int length = 0;
};

struct BoardLayout {
  double left = 0.0;  // the drawing's top-left corner on the page, in CSS pixels
  double top = 0.0;
  double width = 0.0;  // the drawing's size
  double height = 0.0;
  double boardX = 0.0;        // x of the board's start
  double scale = 0.0;         // drawing pixels per length unit
  double extent = 0.0;        // length units the board axis covers
  bool fromMarks = false;     // the zones come from the mark block (no result to read)
  bool markingLines = false;  // the zones are intervals between marking lines, no grades
  Box zoneLane;
  std::vector<ZoneShape> zones;
  std::optional<TrimShape> head;
  std::optional<TrimShape> tail;
  std::vector<PieceLane> lanes;
  Box legend;
};

BoardLayout LayoutBoardReport(const BoardReportInput& input);

// Colours of the drawing besides the grade scale (html::GradeColour).
inline constexpr html::Colour kCutLineColour{0x00, 0x00, 0x00};
inline constexpr html::Colour kWasteHatchBackground{0xe4, 0xe4, 0xe4};
inline constexpr html::Colour kWasteHatchLine{0x80, 0x80, 0x80};
inline constexpr html::Colour kKickerHatchBackground{0xf0, 0xe0, 0xf6};
inline constexpr html::Colour kKickerHatchLine{0x76, 0x2a, 0x83};
inline constexpr html::Colour kIntervalColour{0xe9, 0xdc, 0xc0};  // marks without grades
inline constexpr html::Colour kMarkingLineColour{0xe6, 0x55, 0x0d};
inline constexpr html::Colour kTrimColour{0x1d, 0x1d, 0x1d};
// The band along a piece's foot that tells its kind.
html::Colour KindColour(PieceKind kind);

}  // namespace sawline::tools
