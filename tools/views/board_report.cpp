#include "views/board_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "desk/block_geometry.h"
#include "desk/marks.h"
#include "desk/text.h"
#include "interface/settings_table.h"

namespace sawline::tools {
namespace {

using html::Coord;
using html::Escape;

// ---- Geometry of the drawing, in its own pixels ----
constexpr double kDrawingWidth = 1248.0;  // fits a 1280-pixel window with the page margins
constexpr double kBoardX = 100.0;         // the board's start; lane names sit left of it
constexpr double kRightMargin = 28.0;
constexpr double kBoardWidth = kDrawingWidth - kBoardX - kRightMargin;
constexpr double kRulerAxisY = 24.0;
constexpr double kTickSpacing = 70.0;  // least distance between two labelled ticks
constexpr double kZoneTop = 28.0;
constexpr double kZoneHeight = 34.0;
constexpr double kTrimTop = kZoneTop + kZoneHeight + 2.0;
constexpr double kTrimHeight = 18.0;
constexpr double kLaneTop = kTrimTop + kTrimHeight + 6.0;
constexpr double kPieceHeight = 56.0;
constexpr double kKindBandHeight = 7.0;
constexpr double kCutOverhang = 4.0;  // a cut line reaches this far above and below the lane
constexpr double kCutWidth = 2.0;     // least width of a drawn cut line
constexpr double kKickHeight = 9.0;
constexpr double kTagRowHeight = 13.0;
constexpr int kTagRows = 3;
constexpr double kLegendRowHeight = 20.0;
constexpr double kLabelPadding = 6.0;  // room a label leaves to its box's sides
constexpr double kLengthFont = 12.0;
constexpr double kCodeFont = 10.0;
constexpr double kUprightFont = 11.0;  // a length written upwards in a narrow piece
constexpr double kZoneFont = 11.0;
constexpr double kTagFont = 10.0;
constexpr double kLaneNameX = kBoardX - 10.0;
constexpr double kLaneGap = 10.0;  // between one cut list's numbers and the next cut list

constexpr double kTrimMargin = 0.1;  // a trim must leave more than this of its zone

// A length that can be drawn: not finite or negative counts as nothing.
double Span(double length) {
  return std::isfinite(length) && length > 0.0 ? length : 0.0;
}

// Everything the page shows, read once from the blocks.
struct Board {
  ResultView view;
  std::optional<ResultView> compare;  // the second answer, when the input has one
  MarkView marks;                     // points into the input's mark block
  std::vector<ZoneView> zones;
  bool fromMarks = false;
  bool markingLines = false;
  TrimView trims;
};

const float* OrZeros(const float* block) {
  static const float kZeros[kParameterBlockFloats] = {};
  return block != nullptr ? block : kZeros;
}

Board ReadBoard(const BoardReportInput& input) {
  Board board;
  const float* parameters = OrZeros(input.parameters);
  const bool planned = input.returned > 0 && input.result != nullptr;
  board.view = DecodeResult(parameters, OrZeros(input.result), planned ? input.returned : 0);
  if (input.compareResult != nullptr || input.compareReturned != 0) {
    board.compare = DecodeResult(parameters, OrZeros(input.compareResult),
                                 input.compareResult != nullptr ? input.compareReturned : 0);
  }
  board.marks = ReadMarkView(OrZeros(input.marks));
  if (planned) {
    board.zones = board.view.zones;
    board.trims = ReadTrims(parameters, board.zones);
    return board;
  }
  // Nothing planned: the result block holds whatever the caller left in it, so the
  // board is drawn from its marks: the grade/length pairs, or the intervals between the
  // marking lines of the top face (their grades come only from the library's reading).
  board.fromMarks = true;
  board.markingLines = !board.marks.pairs;
  double start = 0.0;
  const std::span<const float> lengths = board.marks.ZoneLengths();
  for (size_t i = 0; i < lengths.size(); ++i) {
    const float grade = board.marks.pairs ? board.marks.first[i] : 0.0f;
    board.zones.push_back({grade, lengths[i], start});
    start += Span(static_cast<double>(lengths[i]));
  }
  return board;
}

const char* ModeName(int mode) {
  switch (mode) {
    case 0:
      return "length / weighted length";
    case 1:
      return "value";
    case 2:
      return "quantity";
    case 3:
      return "long stock";
    case 4:
      return "defect sawing";
    default:
      return "unknown mode";
  }
}

std::string Number(int value) {
  return std::to_string(value);
}

// The label of a piece: its length, and its code when it carries one.
std::string PieceCode(const PieceView& piece) {
  return piece.code != 0 ? CodeText(piece.codeFields) : std::string();
}

// Candidate labels of a zone, longest first.
std::vector<std::string> ZoneLabels(const ZoneView& zone, bool markingLines) {
  const std::string length = html::Compact(static_cast<double>(zone.length));
  if (markingLines) return {length};
  const int grade = TruncToInt(static_cast<double>(zone.grade));
  if (grade == kWasteGrade) return {"waste \u00b7 " + length, "waste", "W"};
  const std::string g = Number(grade);
  return {"grade " + g + " \u00b7 " + length, g + " \u00b7 " + length, g};
}

// Piece numbers go under the lane in up to kTagRows staggered rows: each number takes
// the first row where it does not touch the number before it. A piece whose code does
// not fit inside it has the code written beside its number where that has room, else
// the number alone; one without room at all is left to its tooltip and the table.
std::vector<NumberTag> PlaceTags(const std::vector<PieceShape>& pieces, double top) {
  std::vector<NumberTag> tags;
  double rowEnd[kTagRows];
  std::fill(std::begin(rowEnd), std::end(rowEnd), -1e9);
  auto place = [&](const PieceShape& piece, const std::string& text) {
    const double width = html::TextWidth(text, kTagFont) + 2.0;
    const double left = std::clamp(piece.box.CentreX() - width / 2.0, 0.0, kDrawingWidth - width);
    for (int row = 0; row < kTagRows; ++row) {
      if (left < rowEnd[row] + 3.0) continue;
      rowEnd[row] = left + width;
      tags.push_back({piece.number, text, {left, top + row * kTagRowHeight, width, kTagRowHeight}});
      return true;
    }
    return false;
  };
  for (const PieceShape& piece : pieces) {
    const std::string number = Number(piece.number);
    if (!piece.code.empty() && place(piece, number + " \u00b7 " + piece.code)) continue;
    place(piece, number);
  }
  return tags;
}

// One cut list as a lane of pieces whose top is at `top`, on the scale of `layout`.
PieceLane LayoutLane(const std::vector<PieceView>& pieces, double top, const BoardLayout& layout) {
  auto xAt = [&](double position) { return kBoardX + position * layout.scale; };
  PieceLane lane;
  lane.box = {kBoardX, top, kBoardWidth, kPieceHeight};
  double position = 0.0;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const PieceView& piece = pieces[i];
    const double feed = Span(static_cast<double>(piece.feedLength));
    // A sound block feeds each piece with its kerf; one that feeds less than a piece's
    // length would overlap the next piece, so the drawing stops the piece there.
    double length = Span(static_cast<double>(piece.length));
    if (i + 1 < pieces.size()) length = std::min(length, feed);
    PieceShape shape;
    shape.box = {xAt(position), top, length * layout.scale, kPieceHeight};
    shape.number = static_cast<int>(i) + 1;
    shape.start = position;
    shape.kind = piece.kind;
    shape.grade = piece.grade;
    shape.kicked = piece.kicked;
    if (piece.kind != PieceKind::kWaste) {
      shape.kindBand = {shape.box.x, shape.box.Bottom() - kKindBandHeight, shape.box.width,
                        kKindBandHeight};
    }
    const double room = shape.box.width - kLabelPadding;
    const double lengthWidth =
        html::TextWidth(html::Compact(static_cast<double>(piece.length)), kLengthFont, true);
    const std::string code = PieceCode(piece);
    if (lengthWidth <= room) {
      shape.labelLines = 1;
      if (!code.empty() && html::TextWidth(code, kCodeFont) <= room) shape.labelLines = 2;
    } else if (shape.box.width >= kUprightFont + 2.0 &&
               html::TextWidth(html::Compact(static_cast<double>(piece.length)), kUprightFont,
                               true) <= kPieceHeight - kKindBandHeight - kLabelPadding) {
      // A narrow piece still shows its length, written upwards.
      shape.labelLines = 1;
      shape.rotated = true;
    }
    if (shape.labelLines < 2) shape.code = code;  // written beside the piece's number
    lane.pieces.push_back(shape);

    // The cut falls in the kerf after the piece; the last piece ends the board.
    if (i + 1 < pieces.size()) {
      const double kerf = std::max(feed - length, 0.0);
      const double centre = position + length + kerf / 2.0;
      const double width = std::max(kCutWidth, std::round(kerf * layout.scale));
      const double left = std::round(xAt(centre) - width / 2.0);
      lane.cuts.push_back(
          {{left, top - kCutOverhang, width, kPieceHeight + 2 * kCutOverhang}, centre});
    }
    if (piece.kicked) {
      lane.kickMarks.push_back(
          {shape.box.CentreX() - 5.0, lane.box.Bottom() + kCutOverhang + 1.0, 10.0, kKickHeight});
    }
    position += feed;
  }
  lane.tags = PlaceTags(lane.pieces, lane.box.Bottom() + kCutOverhang + kKickHeight + 3.0);
  return lane;
}

// Where a lane's drawing ends: under its piece numbers, or under the lane itself when
// it has no pieces.
double LaneEnd(const PieceLane& lane) {
  const double tagTop = lane.box.Bottom() + kCutOverhang + kKickHeight + 3.0;
  return lane.pieces.empty() ? lane.box.Bottom() : tagTop + kTagRows * kTagRowHeight;
}

// The length the zones cover end to end.
double ZonesEnd(const Board& board) {
  double end = 0.0;
  for (const ZoneView& zone : board.zones)
    end += Span(static_cast<double>(zone.length));
  return end;
}

// The axis covers whatever is longest: the board length of the block, the zones or the
// cut lists (they agree on a sound answer), so nothing is drawn off the board.
double AxisExtent(const Board& board, double zonesEnd) {
  double piecesEnd = 0.0;
  for (const ResultView* view : {&board.view, board.compare ? &*board.compare : nullptr}) {
    if (view == nullptr) continue;
    double fed = 0.0;
    for (const PieceView& piece : view->pieces) {
      piecesEnd = std::max(piecesEnd, fed + Span(static_cast<double>(piece.length)));
      fed += Span(static_cast<double>(piece.feedLength));
      piecesEnd = std::max(piecesEnd, fed);
    }
  }
  const double extent =
      std::max({Span(static_cast<double>(board.view.boardLength)), zonesEnd, piecesEnd});
  return extent > 0.0 ? extent : 1.0;
}

double XAt(const BoardLayout& layout, double position) {
  return kBoardX + position * layout.scale;
}

void LayoutZones(const Board& board, BoardLayout& layout) {
  layout.zoneLane = {kBoardX, kZoneTop, kBoardWidth, kZoneHeight};
  double position = 0.0;
  for (size_t i = 0; i < board.zones.size(); ++i) {
    const ZoneView& zone = board.zones[i];
    const double length = Span(static_cast<double>(zone.length));
    ZoneShape shape;
    shape.box = {XAt(layout, position), kZoneTop, length * layout.scale, kZoneHeight};
    shape.number = static_cast<int>(i) + 1;
    shape.grade = zone.grade;
    shape.length = zone.length;
    shape.start = position;
    shape.labelled =
        html::TextWidth(ZoneLabels(zone, board.markingLines).back(), kZoneFont) + kLabelPadding <=
        shape.box.width;
    layout.zones.push_back(shape);
    position += length;
  }
}

// The head trim from the board's start, the tail trim ending at the zones' end.
void LayoutTrims(const Board& board, double zonesEnd, BoardLayout& layout) {
  auto trimShape = [&](double from, int length) {
    const double width = std::max(length * layout.scale, 2.0);
    TrimShape trim;
    trim.zone = {XAt(layout, from), kZoneTop, width, kZoneHeight};
    trim.bracket = {XAt(layout, from), kTrimTop + 2.0, width, 4.0};
    trim.length = length;
    return trim;
  };
  if (board.trims.head > 0) layout.head = trimShape(0.0, board.trims.head);
  if (board.trims.tail > 0) {
    TrimShape tail = trimShape(zonesEnd - board.trims.tail, board.trims.tail);
    tail.zone.x = std::min(tail.zone.x, XAt(layout, zonesEnd) - tail.zone.width);
    tail.bracket.x = tail.zone.x;
    layout.tail = tail;
  }
}

// The cut list's lane, and the compared answer's under it; where the last one ends.
double LayoutLanes(const Board& board, const BoardReportInput& input, BoardLayout& layout) {
  PieceLane first = LayoutLane(board.view.pieces, kLaneTop, layout);
  first.name = input.laneName.empty() ? std::string("cut list") : input.laneName;
  if (board.view.pieces.empty()) {
    first.message = "No cut list: ";
    first.message +=
        input.notes.empty() ? "the library planned no piece for this board." : input.notes.front();
  }
  double laneEnd = LaneEnd(first);
  layout.lanes.push_back(std::move(first));
  if (board.compare) {
    PieceLane second = LayoutLane(board.compare->pieces, laneEnd + kLaneGap, layout);
    second.name = input.compareName.empty() ? std::string("other answer") : input.compareName;
    if (board.compare->pieces.empty()) second.message = "No cut list in this answer.";
    laneEnd = LaneEnd(second);
    layout.lanes.push_back(std::move(second));
  }
  return laneEnd;
}

BoardLayout Layout(const Board& board, const BoardReportInput& input) {
  BoardLayout layout;
  layout.left = html::kFigureLeft;
  layout.top = html::kFigureTop;
  layout.width = kDrawingWidth;
  layout.boardX = kBoardX;
  layout.fromMarks = board.fromMarks;
  layout.markingLines = board.markingLines;
  const double zonesEnd = ZonesEnd(board);
  layout.extent = AxisExtent(board, zonesEnd);
  layout.scale = kBoardWidth / layout.extent;
  LayoutZones(board, layout);
  LayoutTrims(board, zonesEnd, layout);
  const double laneEnd = LayoutLanes(board, input, layout);
  const bool anyPieces =
      !board.view.pieces.empty() || (board.compare && !board.compare->pieces.empty());
  // The legend's second row explains the pieces; a board without any has none.
  layout.legend = {8.0, laneEnd + 8.0, kDrawingWidth - 16.0,
                   (anyPieces ? 2 : 1) * kLegendRowHeight};
  layout.height = layout.legend.Bottom() + 6.0;
  return layout;
}

// ---- Writing the drawing ----

void Rect(std::ostream& out, const Box& box, std::string_view fill, std::string_view extra = {}) {
  out << "<rect x=\"" << Coord(box.x) << "\" y=\"" << Coord(box.y) << "\" width=\""
      << Coord(std::max(box.width, 0.0)) << "\" height=\"" << Coord(std::max(box.height, 0.0))
      << "\" fill=\"" << fill << '"';
  if (!extra.empty()) out << ' ' << extra;
  out << "/>";
}

void Text(std::ostream& out, double x, double y, std::string_view text, std::string_view cssClass,
          std::string_view anchor = "start", std::string_view fill = {}) {
  out << "<text x=\"" << Coord(x) << "\" y=\"" << Coord(y) << "\" class=\"" << cssClass << '"';
  if (anchor != "start") out << " text-anchor=\"" << anchor << '"';
  if (!fill.empty()) out << " fill=\"" << fill << '"';
  out << '>' << Escape(text) << "</text>";
}

void Tooltip(std::ostream& out, std::string_view text) {
  out << "<title>" << Escape(text) << "</title>";
}

// Steps of 1, 2 or 5 times a power of ten, the first that leaves room for its label.
double RulerStep(double scale) {
  const double least = kTickSpacing / scale;
  const double power = std::pow(10.0, std::floor(std::log10(least)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (power * factor >= least) return power * factor;
  }
  return power * 10.0;
}

void WriteRuler(std::ostream& out, const BoardLayout& layout) {
  out << "<g class=\"ruler\">";
  Text(out, kLaneNameX, kRulerAxisY - 10.0, "position", "lane", "end");
  out << "<path d=\"M" << Coord(kBoardX) << ' ' << Coord(kRulerAxisY) << "H"
      << Coord(kBoardX + kBoardWidth) << "\" stroke=\"#777\" stroke-width=\"1\"/>";
  // Ticks are at least kTickSpacing apart, so the board width bounds their number.
  const double step = RulerStep(layout.scale);
  const int ticks = static_cast<int>(std::min(layout.extent / step, kBoardWidth / kTickSpacing));
  for (int tick = 0; tick <= ticks; ++tick) {
    const double at = tick * step;
    const double x = std::round(kBoardX + at * layout.scale) + 0.5;
    out << "<path d=\"M" << Coord(x) << ' ' << Coord(kRulerAxisY - 5.0) << "V" << Coord(kRulerAxisY)
        << "\" stroke=\"#777\" stroke-width=\"1\"/>";
    // A label close to the board's end would run into the board length written there.
    if (layout.extent - at >= step * 0.6 || tick == 0)
      Text(out, x, kRulerAxisY - 8.0, html::Compact(at), "tick", "middle");
  }
  Text(out, kBoardX + kBoardWidth, kRulerAxisY - 8.0, html::Compact(layout.extent), "tick end",
       "middle");
  out << "</g>\n";
}

std::string ZoneTooltip(const ZoneShape& zone, bool markingLines) {
  const std::string range = html::Compact(zone.start) + " to " +
                            html::Compact(zone.start + Span(static_cast<double>(zone.length)));
  const std::string length = FloatText(zone.length);
  if (markingLines) {
    return "Interval " + Number(zone.number) + " between marking lines: " + length + " long, " +
           range;
  }
  const int grade = TruncToInt(static_cast<double>(zone.grade));
  const std::string what =
      grade == kWasteGrade ? std::string("waste") : "grade " + FloatText(zone.grade);
  return "Zone " + Number(zone.number) + ": " + what + ", " + length + " long, " + range;
}

void WriteZones(std::ostream& out, const Board& board, const BoardLayout& layout) {
  out << "<g class=\"zones\">";
  Text(out, kLaneNameX, kZoneTop + kZoneHeight / 2.0 + 4.0,
       layout.markingLines ? "top marks" : (layout.fromMarks ? "marks" : "zones"), "lane", "end");
  Rect(out, layout.zoneLane, "#f4f4f4");
  for (size_t i = 0; i < layout.zones.size(); ++i) {
    const ZoneShape& zone = layout.zones[i];
    const html::Colour fill = layout.markingLines
                                  ? kIntervalColour
                                  : html::GradeColour(TruncToInt(static_cast<double>(zone.grade)));
    out << "\n<g>";
    Tooltip(out, ZoneTooltip(zone, layout.markingLines));
    Rect(out, zone.box, fill.Hex());
    if (zone.labelled) {
      for (const std::string& label : ZoneLabels(board.zones[i], layout.markingLines)) {
        if (html::TextWidth(label, kZoneFont) + kLabelPadding > zone.box.width) continue;
        Text(out, zone.box.CentreX(), zone.box.CentreY() + 4.0, label, "zl", "middle",
             html::TextColourOn(fill).Hex());
        break;
      }
    }
    out << "</g>";
  }
  // Marking lines sit between the intervals.
  if (layout.markingLines) {
    for (size_t i = 1; i < layout.zones.size(); ++i) {
      const double x = std::round(layout.zones[i].box.x);
      Rect(out, {x - 1.0, kZoneTop - 3.0, 2.0, kZoneHeight + 6.0}, kMarkingLineColour.Hex(),
           "shape-rendering=\"crispEdges\"");
    }
  }
  out << "</g>\n";
}

void WriteTrims(std::ostream& out, const Board& board, const BoardLayout& layout) {
  out << "<g class=\"trims\">";
  Text(out, kLaneNameX, kTrimTop + 12.0, "trim", "lane", "end");
  auto one = [&](const TrimShape& trim, bool head) {
    const std::string what = std::string(head ? "Head" : "Tail") +
                             " trimmed: " + Number(trim.length) + " cut off the " +
                             (head ? "first" : "last") + " zone, waste in the cut list";
    out << "<g>";
    Tooltip(out, what);
    Rect(out, trim.zone, kTrimColour.Hex(), "fill-opacity=\"0.55\"");
    Rect(out, trim.bracket, kTrimColour.Hex(), "shape-rendering=\"crispEdges\"");
    const std::string label = std::string(head ? "head trim " : "tail trim ") + Number(trim.length);
    if (head) {
      Text(out, trim.bracket.x, kTrimTop + 17.0, label, "trimlabel");
    } else {
      Text(out, trim.bracket.Right(), kTrimTop + 17.0, label, "trimlabel", "end");
    }
    out << "</g>";
  };
  if (layout.head) one(*layout.head, true);
  if (layout.tail) one(*layout.tail, false);
  if (board.fromMarks) {
    Text(out, kBoardX, kTrimTop + 12.0, "not known: the library planned nothing", "trimnone");
  } else if (!layout.head && !layout.tail) {
    Text(out, kBoardX, kTrimTop + 12.0, "no head or tail trimmed", "trimnone");
  }
  out << "</g>\n";
}

std::string PieceTooltip(const PieceView& piece, const PieceShape& shape) {
  const double start = shape.start;
  std::string text = "Piece " + Number(shape.number) + ": " + PieceKindName(piece.kind);
  if (piece.grade > 0) text += ", grade " + Number(piece.grade);
  text += ", length " + FloatText(piece.length) + ", feed " + FloatText(piece.feedLength) +
          ", from " + html::Compact(start) + " to " +
          html::Compact(start + Span(static_cast<double>(piece.length)));
  if (piece.kicked) {
    text += ", to the waste kicker (code " + CodeText(piece.codeFields) + ")";
  } else if (piece.code != 0) {
    text += ", code " + CodeText(piece.codeFields);
  }
  return text;
}

void WriteLane(std::ostream& out, const std::vector<PieceView>& pieces, const PieceLane& lane) {
  out << "<g class=\"lane\">";
  Text(out, kLaneNameX, lane.box.CentreY() + 4.0, lane.name, "lane", "end");
  Rect(out, lane.box, "#f4f4f4");
  if (!lane.message.empty()) {
    Text(out, lane.box.x + 12.0, lane.box.CentreY() + 5.0, lane.message, "message");
  }
  for (size_t i = 0; i < lane.pieces.size() && i < pieces.size(); ++i) {
    const PieceShape& shape = lane.pieces[i];
    const PieceView& piece = pieces[i];
    const bool waste = piece.kind == PieceKind::kWaste;
    out << "\n<g>";
    Tooltip(out, PieceTooltip(piece, shape));
    html::Colour textColour{0x1d, 0x1d, 0x1d};
    bool halo = false;
    if (waste) {
      Rect(out, shape.box, piece.kicked ? "url(#kicked)" : "url(#waste)");
      halo = true;
    } else {
      const html::Colour fill =
          html::GradeColour(piece.kind == PieceKind::kUnknown ? 0 : piece.grade);
      Rect(out, shape.box, fill.Hex());
      Rect(out, shape.kindBand, KindColour(piece.kind).Hex());
      textColour = html::TextColourOn(fill);
    }
    const std::string cls = halo ? "pl halo" : "pl";
    const double textCentre = shape.box.y + (shape.box.height - kKindBandHeight) / 2.0;
    if (shape.labelLines == 2) {
      Text(out, shape.box.CentreX(), textCentre - 2.0,
           html::Compact(static_cast<double>(piece.length)), cls, "middle", textColour.Hex());
      Text(out, shape.box.CentreX(), textCentre + 12.0, PieceCode(piece), halo ? "pc halo" : "pc",
           "middle", textColour.Hex());
    } else if (shape.rotated) {
      const double x = shape.box.CentreX() + 4.0;
      out << "<text x=\"" << Coord(x) << "\" y=\"" << Coord(textCentre) << "\" class=\"pu"
          << (halo ? " halo" : "") << "\" text-anchor=\"middle\" fill=\"" << textColour.Hex()
          << "\" transform=\"rotate(-90 " << Coord(x) << ' ' << Coord(textCentre) << ")\">"
          << Escape(html::Compact(static_cast<double>(piece.length))) << "</text>";
    } else if (shape.labelLines == 1) {
      Text(out, shape.box.CentreX(), textCentre + 4.0,
           html::Compact(static_cast<double>(piece.length)), cls, "middle", textColour.Hex());
    }
    out << "</g>";
  }
  for (const CutShape& cut : lane.cuts) {
    out << "\n<g>";
    Tooltip(out, "Cut at " + html::Compact(cut.position));
    Rect(out, cut.box, kCutLineColour.Hex(), "shape-rendering=\"crispEdges\"");
    out << "</g>";
  }
  for (const Box& mark : lane.kickMarks) {
    out << "<path d=\"M" << Coord(mark.x) << ' ' << Coord(mark.y) << "H" << Coord(mark.Right())
        << "L" << Coord(mark.CentreX()) << ' ' << Coord(mark.Bottom()) << "Z\" fill=\""
        << kKickerHatchLine.Hex() << "\"/>";
  }
  for (const NumberTag& tag : lane.tags) {
    Text(out, tag.box.CentreX(), tag.box.Bottom() - 3.0, tag.text, "tag", "middle");
  }
  if (!lane.tags.empty()) {
    Text(out, kLaneNameX, lane.tags.front().box.Bottom() - 3.0, "piece no.", "lane", "end");
  }
  out << "</g>\n";
}

// One legend entry: a swatch drawn by `swatch` at (x, y), then its text. Returns the x
// after the entry.
template <typename Swatch>
double LegendItem(std::ostream& out, double x, double y, std::string_view text, Swatch swatch) {
  swatch(x, y);
  Text(out, x + 18.0, y + 11.0, text, "legend");
  return x + 18.0 + html::TextWidth(text, 11.0) + 14.0;
}

void WriteLegend(std::ostream& out, const BoardLayout& layout) {
  out << "<g class=\"legendbox\">";
  const Box& box = layout.legend;
  double x = box.x;
  double y = box.y;
  auto square = [&](std::string_view fill) {
    return [&out, fill](double sx, double sy) {
      Rect(out, {sx, sy, 14.0, 14.0}, fill, "stroke=\"#666\" stroke-width=\"0.5\"");
    };
  };
  Text(out, x, y + 11.0, layout.markingLines ? "marks" : "grades", "legendhead");
  x += 62.0;
  if (layout.markingLines) {
    x = LegendItem(out, x, y, "interval between marking lines (no grade read)",
                   square(kIntervalColour.Hex()));
    LegendItem(out, x, y, "marking line", [&](double sx, double sy) {
      Rect(out, {sx + 6.0, sy - 2.0, 2.0, 18.0}, kMarkingLineColour.Hex());
    });
  } else {
    for (int grade = 1; grade <= kMaxOrderGrade; ++grade)
      x = LegendItem(out, x, y, Number(grade), square(html::GradeColour(grade).Hex()));
    x = LegendItem(out, x, y, "9 waste", square(html::GradeColour(kWasteGrade).Hex()));
    if (!layout.fromMarks) {
      LegendItem(out, x + 10.0, y, "trimmed head or tail", [&](double sx, double sy) {
        Rect(out, {sx, sy, 14.0, 14.0}, html::GradeColour(2).Hex());
        Rect(out, {sx, sy, 14.0, 14.0}, kTrimColour.Hex(), "fill-opacity=\"0.55\"");
      });
    }
  }
  if (box.height < 2 * kLegendRowHeight) {
    out << "</g>\n";
    return;
  }
  x = box.x;
  y += kLegendRowHeight;
  Text(out, x, y + 11.0, "pieces", "legendhead");
  x += 62.0;
  static constexpr std::pair<PieceKind, const char*> kKinds[] = {
      {PieceKind::kFixed, "fixed length"},
      {PieceKind::kVariable, "variable length"},
      {PieceKind::kUncut, "uncut"},
      {PieceKind::kClear, "clear (defect sawing)"}};
  for (const auto& [kind, name] : kKinds) {
    x = LegendItem(out, x, y, name, [&out, kind = kind](double sx, double sy) {
      Rect(out, {sx, sy, 14.0, 14.0}, "#d0d0d0");
      Rect(out, {sx, sy + 9.0, 14.0, 5.0}, KindColour(kind).Hex());
    });
  }
  x = LegendItem(out, x, y, "waste", square("url(#waste)"));
  x = LegendItem(out, x, y, "waste to the kicker", [&](double sx, double sy) {
    Rect(out, {sx, sy, 14.0, 14.0}, "url(#kicked)");
  });
  LegendItem(out, x, y, "saw cut", [&](double sx, double sy) {
    Rect(out, {sx + 6.0, sy - 2.0, 2.0, 18.0}, kCutLineColour.Hex());
  });
  out << "</g>\n";
}

constexpr const char* kReportCss =
    "svg .lane{font-size:11px;fill:#555}"
    "svg .tick{font-size:10px;fill:#555}"
    "svg .zl{font-size:11px;font-weight:600}"
    "svg .pl{font-size:12px;font-weight:700}"
    "svg .pc{font-size:10px}"
    "svg .pu{font-size:11px;font-weight:700}"
    "svg .tag{font-size:10px;fill:#444}"
    "svg .trimlabel{font-size:11px;fill:#1d1d1d}"
    "svg .trimnone{font-size:11px;fill:#888}"
    "svg .message{font-size:14px;font-weight:700;fill:#b00020}"
    "svg .legend{font-size:11px;fill:#333}"
    "svg .legendhead{font-size:11px;font-weight:700;fill:#333}"
    "svg .halo{paint-order:stroke;stroke:#fff;stroke-width:3px;stroke-linejoin:round}"
    ".notes{margin:12px 0 0;padding:8px 12px;border-left:6px solid #d08a00;background:#fff6e0;"
    "max-width:1248px}"
    ".notes.refused{border-left-color:#b00020;background:#fdecee}"
    ".notes h2{margin:0 0 4px}"
    ".notes ul{margin:0;padding-left:18px}"
    "tr.waste td:first-child .sw{border-style:dashed}"
    "tr.kicked{color:#5a1f66}"
    "tr.differs td{background:#fde2e2}"
    ".side{display:flex;flex-wrap:wrap;gap:0 32px;align-items:flex-start}";

void WriteDrawing(std::ostream& out, const Board& board, const BoardLayout& layout) {
  html::BeginSvg(out, layout.width, layout.height, "board",
                 "Drawing of the board to scale with its zones and cut list");
  out << "<defs>";
  html::HatchPattern(out, "waste", kWasteHatchBackground, kWasteHatchLine);
  html::HatchPattern(out, "kicked", kKickerHatchBackground, kKickerHatchLine);
  out << "</defs>\n";
  WriteRuler(out, layout);
  WriteZones(out, board, layout);
  WriteTrims(out, board, layout);
  for (size_t i = 0; i < layout.lanes.size(); ++i) {
    const bool second = i > 0 && board.compare;
    WriteLane(out, second ? board.compare->pieces : board.view.pieces, layout.lanes[i]);
  }
  WriteLegend(out, layout);
  html::EndSvg(out);
}

// ---- Tables ----

std::string Percent(double part, double whole) {
  if (!(whole > 0.0) || !std::isfinite(part)) return "";
  return html::Fixed(100.0 * part / whole, 1) + " %";
}

std::string WasteSwatch(bool kicked) {
  const html::Colour background = kicked ? kKickerHatchBackground : kWasteHatchBackground;
  const html::Colour line = kicked ? kKickerHatchLine : kWasteHatchLine;
  return "repeating-linear-gradient(135deg," + line.Hex() + " 0 2px," + background.Hex() +
         " 2px 5px)";
}

void WriteNotes(std::ostream& out, const BoardReportInput& input, bool planned) {
  if (planned && input.notes.empty()) return;
  out << "<section class=\"notes" << (planned ? "" : " refused") << "\" id=\"notes\">";
  out << "<h2>" << (planned ? "Notes" : "No cut list for this board") << "</h2>";
  if (input.notes.empty()) {
    out << "<p>The library planned no piece for this board and left the result block as it "
           "was; the drawing shows the board's marks.</p>";
  } else {
    out << "<ul>";
    for (const std::string& note : input.notes)
      out << "<li>" << Escape(note) << "</li>";
    out << "</ul>";
  }
  out << "</section>\n";
}

void WriteRunFacts(std::ostream& out, const Board& board, const BoardReportInput& input) {
  const ResultView& view = board.view;
  const float* parameters = OrZeros(input.parameters);
  std::vector<std::pair<std::string, std::string>> facts;
  facts.emplace_back("job", input.title.empty() ? "(untitled)" : input.title);
  if (!input.runTime.empty()) facts.emplace_back("run at", input.runTime);
  facts.emplace_back(
      "returned",
      Number(input.returned) + (input.returned > kResultPieces ? " (the block holds 100)" : ""));
  facts.emplace_back("optimization mode", Number(view.mode) + " " + ModeName(view.mode));
  facts.emplace_back("lengths", "in the host's own length unit, as the marks and orders give them");
  facts.emplace_back("kerf", FloatText(view.kerf));
  facts.emplace_back("longest waste piece", FloatText(parameters[SAWLINE_PARAM_WASTE_MAX_LENGTH]));
  facts.emplace_back("waste kicker code", FloatText(parameters[SAWLINE_PARAM_WASTE_KICKER_CODE]));
  facts.emplace_back(
      "waste gate selected",
      TruncToInt(static_cast<double>(parameters[SAWLINE_PARAM_WASTE_GATE_SELECT])) == 1
          ? "yes (waste of 70 to 140 stays whole)"
          : "no (waste of 70 to 140 is cut in two)");
  if (!board.fromMarks) {
    const double boardLength = static_cast<double>(view.boardLength);
    facts.emplace_back("board length", FloatText(view.boardLength));
    facts.emplace_back("feed lengths added up", html::Compact(view.feedSum));
    facts.emplace_back("useful length (grades 1 to 8)", FloatText(view.usefulLength));
    facts.emplace_back("length of order pieces", html::Compact(view.usedLength) + "  (" +
                                                     Percent(view.usedLength, boardLength) +
                                                     " of the board)");
    facts.emplace_back("waste length", html::Compact(view.wasteLength));
    facts.emplace_back("kerfs", html::Compact(boardLength - view.usedLength - view.wasteLength));
    if (view.mode == 1) facts.emplace_back("value", FloatText(view.totalValue));
  }
  html::Heading(out, "run", "Run");
  html::WriteFacts(out, facts);
}

void WriteCutList(std::ostream& out, const Board& board) {
  html::Table table;
  table.header = {"#",    "kind", "grade", "length",       "feed length",
                  "from", "to",   "code",  "to the kicker"};
  table.numeric = {true, false, true, true, true, true, true, false, false};
  for (size_t i = 0; i < board.view.pieces.size(); ++i) {
    const PieceView& piece = board.view.pieces[i];
    html::Table::Row row;
    const double end = piece.start + static_cast<double>(piece.length);
    row.cells = {Number(static_cast<int>(i) + 1),
                 PieceKindName(piece.kind),
                 piece.grade > 0 ? Number(piece.grade) : "",
                 FloatText(piece.length),
                 FloatText(piece.feedLength),
                 html::Compact(piece.start),
                 html::Compact(end),
                 piece.code != 0 ? CodeText(piece.codeFields) : "",
                 piece.kicked ? "yes" : ""};
    if (piece.kind == PieceKind::kWaste) {
      row.swatch = WasteSwatch(piece.kicked);
      row.cssClass = piece.kicked ? "waste kicked" : "waste";
    } else {
      row.swatch = html::GradeColour(piece.kind == PieceKind::kUnknown ? 0 : piece.grade).Hex();
    }
    table.rows.push_back(std::move(row));
  }
  html::Heading(out, "cut-list", "Cut list");
  html::WriteTable(out, table);
}

bool SamePiece(const PieceView& a, const PieceView& b) {
  return a.gradeCode == b.gradeCode && a.length == b.length && a.feedLength == b.feedLength &&
         a.codeFields == b.codeFields;
}

// The second answer's cut list, each piece that differs from the first answer's piece
// of the same number (or has none to compare with) marked.
void WriteComparedCutList(std::ostream& out, const Board& board, const BoardReportInput& input) {
  const std::vector<PieceView>& pieces = board.compare->pieces;
  const std::vector<PieceView>& first = board.view.pieces;
  html::Table table;
  table.header = {"#", "kind", "grade", "length", "feed length", "code", "as in the first"};
  table.numeric = {true, false, true, true, true, false, false};
  int differing = 0;
  for (size_t i = 0; i < std::max(pieces.size(), first.size()); ++i) {
    html::Table::Row row;
    const bool same = i < pieces.size() && i < first.size() && SamePiece(pieces[i], first[i]);
    if (i < pieces.size()) {
      const PieceView& piece = pieces[i];
      row.cells = {Number(static_cast<int>(i) + 1),
                   PieceKindName(piece.kind),
                   piece.grade > 0 ? Number(piece.grade) : "",
                   FloatText(piece.length),
                   FloatText(piece.feedLength),
                   piece.code != 0 ? CodeText(piece.codeFields) : "",
                   same ? "yes" : "differs"};
      row.swatch =
          piece.kind == PieceKind::kWaste
              ? WasteSwatch(piece.kicked)
              : html::GradeColour(piece.kind == PieceKind::kUnknown ? 0 : piece.grade).Hex();
    } else {
      row.cells = {Number(static_cast<int>(i) + 1), "(none)", "", "", "", "", "differs"};
    }
    if (!same) {
      row.cssClass = "differs";
      ++differing;
    }
    table.rows.push_back(std::move(row));
  }
  const std::string name = input.compareName.empty() ? "other answer" : input.compareName;
  html::Heading(out, "compared-cut-list", "Cut list: " + name);
  out << "<p>"
      << Escape(differing == 0
                    ? std::string("Every piece is as in the first cut list.")
                    : Number(differing) + " of " +
                          CountText(static_cast<long long>(table.rows.size()), "piece", "pieces") +
                          (differing == 1 ? " differs" : " differ") + " from the first cut list.")
      << "</p>\n";
  html::WriteTable(out, table);
}

void WriteControllerRecords(std::ostream& out, const Board& board) {
  html::Table table;
  table.header = {"record", "feed length", "field 1", "field 2", "field 3", "field 4"};
  table.numeric = {true, true, true, true, true, true};
  for (size_t i = 0; i < board.view.pieces.size(); ++i) {
    const PieceView& piece = board.view.pieces[i];
    html::Table::Row row;
    row.cells = {Number(static_cast<int>(i) + 1), FloatText(piece.feedLength)};
    for (const int field : piece.codeFields)
      row.cells.push_back(Number(field));
    table.rows.push_back(std::move(row));
  }
  table.footer = {"sum", html::Compact(board.view.feedSum), "", "", "", ""};
  html::Heading(out, "controller", "Controller records");
  html::WriteTable(out, table);
}

// The yield of a grade is its pieces lying in zones of the grade ÷ the grade's useful
// length (GradeYieldView::Yield); pieces of the grade cut from better zones have a
// column of their own.
void WriteYield(std::ostream& out, const Board& board) {
  const ResultView& view = board.view;
  const bool valueMode = view.mode == 1;
  html::Table table;
  table.header = {"grade",
                  "useful length",
                  "fixed length",
                  "variable length",
                  "uncut",
                  "all pieces",
                  "of them from better zones",
                  "yield: from own zones ÷ useful"};
  if (valueMode) {
    for (const char* title : {"value", "fixed value", "variable value"})
      table.header.push_back(title);
  }
  table.numeric.assign(table.header.size(), true);
  table.numeric[0] = false;
  double fixed = 0.0;
  double variable = 0.0;
  double uncut = 0.0;
  double better = 0.0;
  for (const GradeYieldView& grade : view.grades) {
    fixed += static_cast<double>(grade.fixed);
    variable += static_cast<double>(grade.variable);
    uncut += static_cast<double>(grade.uncut);
    better += grade.betterZones;
    if (grade.useful == 0.0f && grade.total == 0.0f && grade.value == 0.0f) continue;
    html::Table::Row row;
    row.swatch = html::GradeColour(grade.grade).Hex();
    row.cells = {Number(grade.grade),
                 FloatText(grade.useful),
                 FloatText(grade.fixed),
                 FloatText(grade.variable),
                 FloatText(grade.uncut),
                 FloatText(grade.total),
                 html::Compact(grade.betterZones),
                 grade.useful > 0.0f ? html::Fixed(100.0 * grade.Yield(), 1) + " %" : ""};
    if (valueMode) {
      row.cells.push_back(FloatText(grade.value));
      row.cells.push_back(FloatText(grade.fixedValue));
      row.cells.push_back(FloatText(grade.variableValue));
    }
    table.rows.push_back(std::move(row));
  }
  table.footer = {
      "all grades",          FloatText(view.usefulLength),
      html::Compact(fixed),  html::Compact(variable),
      html::Compact(uncut),  html::Compact(view.usedLength),
      html::Compact(better), Percent(view.usedLength, static_cast<double>(view.usefulLength))};
  if (valueMode) {
    table.footer.push_back(FloatText(view.totalValue));
    table.footer.push_back(FloatText(view.fixedValue));
    table.footer.push_back(FloatText(view.variableValue));
  }
  html::Heading(out, "yield", valueMode ? "Yield and value per grade" : "Yield per grade");
  out << "<p class=\"note\">The yield of a grade is the length of its pieces that lie in "
         "zones of that grade, divided by the grade's useful length, so it is never above "
         "100 %. A piece of a grade may be cut from a better zone (a lower grade number) when "
         "that pays more; such pieces count under their own grade and are shown apart, in "
         "the column of pieces from better zones. Over all grades every piece counts where "
         "it lies: the used length ÷ the useful length.</p>\n";
  html::WriteTable(out, table);
}

void WriteOrderCounts(std::ostream& out, const Board& board) {
  html::Heading(out, "orders", "Fixed-length orders served by this board");
  if (board.view.orderCounts.empty()) {
    out << "<p>No piece of this board counts for a fixed-length order row.</p>\n";
    return;
  }
  html::Table table;
  table.header = {"host row", "grade",       "length",     "code",
                  "quantity", "done before", "this board", "done after"};
  table.numeric = {true, true, true, false, true, true, true, true};
  for (const OrderCountView& order : board.view.orderCounts) {
    html::Table::Row row;
    char code[32];
    std::snprintf(code, sizeof code, "%08lld", static_cast<long long>(order.code));
    row.swatch = html::GradeColour(order.grade).Hex();
    row.cells = {Number(order.row),
                 Number(order.grade),
                 Number(order.length),
                 code,
                 order.quantity == 0 ? "no limit" : Number(order.quantity),
                 Number(order.done),
                 Number(order.pieces),
                 std::to_string(static_cast<long long>(order.done) + order.pieces)};
    table.rows.push_back(std::move(row));
  }
  html::WriteTable(out, table);
}

void WriteZoneTable(std::ostream& out, const BoardLayout& layout) {
  html::Table table;
  table.header = {"zone", "grade", "length", "from", "to", "trimmed"};
  table.numeric = {true, true, true, true, true, false};
  for (size_t i = 0; i < layout.zones.size(); ++i) {
    const ZoneShape& zone = layout.zones[i];
    std::string trimmed;
    if (i == 0 && layout.head) trimmed = "head " + Number(layout.head->length);
    if (i + 1 == layout.zones.size() && layout.tail) {
      if (!trimmed.empty()) trimmed += ", ";
      trimmed += "tail " + Number(layout.tail->length);
    }
    html::Table::Row row;
    row.swatch = html::GradeColour(TruncToInt(static_cast<double>(zone.grade))).Hex();
    row.cells = {Number(zone.number),
                 FloatText(zone.grade),
                 FloatText(zone.length),
                 html::Compact(zone.start),
                 html::Compact(zone.start + Span(static_cast<double>(zone.length))),
                 trimmed};
    table.rows.push_back(std::move(row));
  }
  html::Heading(out, "zones", "Zones of the board (merged, before trimming)");
  if (table.rows.empty()) {
    out << "<p>The result block holds no zones.</p>\n";
    return;
  }
  html::WriteTable(out, table);
}

void WriteMarks(std::ostream& out, const Board& board) {
  const MarkView& marks = board.marks;
  html::Table table;
  if (marks.pairs) {
    table.header = {"mark", "grade", "length"};
    table.numeric = {true, true, true};
    for (size_t i = 0; i < marks.first.size(); ++i) {
      table.rows.push_back({{Number(static_cast<int>(i) + 1), FloatText(marks.first[i]),
                             FloatText(marks.pairLengths[i])},
                            {},
                            {}});
    }
  } else {
    table.header = {"interval", "top face", "side face"};
    table.numeric = {true, true, true};
    const size_t count = std::max(marks.first.size(), marks.second.size());
    for (size_t i = 0; i < count; ++i) {
      table.rows.push_back({{Number(static_cast<int>(i) + 1),
                             i < marks.first.size() ? FloatText(marks.first[i]) : "",
                             i < marks.second.size() ? FloatText(marks.second[i]) : ""},
                            {},
                            {}});
    }
  }
  html::Heading(out, "marks",
                marks.pairs ? "Board marks as sent: grade/length pairs"
                            : "Board marks as sent: intervals between marking lines");
  if (table.rows.empty()) {
    out << "<p>The mark block holds no marks.</p>\n";
    return;
  }
  html::WriteTable(out, table);
}

std::string Subtitle(const Board& board, const BoardReportInput& input) {
  std::string text;
  if (!input.runTime.empty()) text += "run at " + input.runTime + "  \u00b7  ";
  text += std::string("mode ") + ModeName(board.view.mode) + "  \u00b7  ";
  if (board.fromMarks) {
    text += "no piece planned (returned " + Number(input.returned) + ")";
  } else {
    const double boardLength = static_cast<double>(board.view.boardLength);
    text += CountText(board.view.delivered, "piece", "pieces") + "  \u00b7  board " +
            html::Compact(boardLength) + "  \u00b7  order pieces " +
            Percent(board.view.usedLength, boardLength) + " of the board";
  }
  if (!input.notes.empty())
    text += "  \u00b7  " + CountText(static_cast<long long>(input.notes.size()), "note", "notes") +
            " below";
  return text;
}

}  // namespace

TrimView ReadTrims(const float* parameters, const std::vector<ZoneView>& zones) {
  TrimView trims;
  if (zones.empty() || parameters == nullptr) return trims;
  // The trimming as the library does it, on a copy of the end zones: a cut of grade g
  // is taken when it leaves more than 0.1 of the zone; otherwise the zone becomes waste.
  // With a single zone the tail works on what the head left.
  float firstGrade = zones.front().grade;
  float firstLength = zones.front().length;
  auto trim = [&](float& grade, float& length, int base) {
    const int g = TruncToInt(static_cast<double>(grade));
    if (!IsOrderGrade(g)) return 0;
    const int cut = TruncToInt(static_cast<double>(parameters[base + g]));
    if (cut <= 0) return 0;
    if (static_cast<double>(cut) + kTrimMargin < static_cast<double>(length)) {
      length = ToFloat(static_cast<double>(length) - static_cast<double>(cut));
      return cut;
    }
    grade = static_cast<float>(kWasteGrade);
    return 0;
  };
  trims.head = trim(firstGrade, firstLength, SAWLINE_PARAM_CT);
  if (zones.size() == 1) {
    trims.tail = trim(firstGrade, firstLength, SAWLINE_PARAM_CB);
  } else {
    float lastGrade = zones.back().grade;
    float lastLength = zones.back().length;
    trims.tail = trim(lastGrade, lastLength, SAWLINE_PARAM_CB);
  }
  return trims;
}

std::string CodeText(const std::array<int, 4>& fields) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d%02d%02d%02d", fields[0], fields[1], fields[2], fields[3]);
  return text;
}

html::Colour KindColour(PieceKind kind) {
  switch (kind) {
    case PieceKind::kFixed:
      return {0x1f, 0x3f, 0x8f};
    case PieceKind::kVariable:
      return {0xa0, 0x3c, 0x96};
    case PieceKind::kUncut:
      return {0x00, 0x83, 0x8f};
    case PieceKind::kClear:
      return {0x6b, 0x44, 0x1c};
    case PieceKind::kWaste:
      return kWasteHatchLine;
    case PieceKind::kUnknown:
      break;
  }
  return {0xff, 0x00, 0xff};
}

BoardLayout LayoutBoardReport(const BoardReportInput& input) {
  return Layout(ReadBoard(input), input);
}

void WriteBoardReport(const BoardReportInput& input, std::ostream& out) {
  const Board board = ReadBoard(input);
  const BoardLayout layout = Layout(board, input);
  const std::string name = input.title.empty() ? std::string("board") : input.title;
  html::BeginPage(out, "Board report: " + name, "Board report \u2014 " + name,
                  Subtitle(board, input), kReportCss);
  WriteDrawing(out, board, layout);
  WriteNotes(out, input, !board.fromMarks);
  WriteRunFacts(out, board, input);
  if (!board.fromMarks) {
    out << "<div class=\"side\"><div>";
    WriteCutList(out, board);
    out << "</div><div>";
    WriteControllerRecords(out, board);
    out << "</div></div>\n";
    WriteYield(out, board);
    WriteOrderCounts(out, board);
    WriteZoneTable(out, layout);
  }
  if (board.compare) WriteComparedCutList(out, board, input);
  WriteMarks(out, board);
  html::EndPage(out);
}

}  // namespace sawline::tools
