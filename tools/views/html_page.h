// The parts that every page of the desk tool shares: one self-contained HTML file
// (inline CSS and inline SVG; no script, no network, no other file), text escaping,
// number formats, the colour scale of the grades, SVG shapes and tables.
//
// Page geometry is fixed in CSS pixels: a header of a set height, then the page's
// first figure at (kFigureLeft, kFigureTop). A screenshot of the page can therefore be
// read back at the positions a figure's layout computed.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sawline::tools::html {

inline constexpr int kPageMargin = 16;      // around everything on the page
inline constexpr int kTitleHeight = 30;     // the title line of the header
inline constexpr int kSubtitleHeight = 20;  // the line under the title
inline constexpr int kHeaderHeight = 58;    // title, subtitle and the gap to the figure
inline constexpr int kFigureLeft = kPageMargin;
inline constexpr int kFigureTop = kPageMargin + kHeaderHeight;

// ---- Text ----

// Escapes text for element content and attribute values (& < > " '). Control
// characters other than tab and line end are dropped: they are not allowed in HTML.
std::string Escape(std::string_view text);

// A length for a label: whole numbers without decimals, others with one ("1200",
// "845.5"); "?" for a value that is not finite.
std::string Compact(double value);

// Fixed decimals ("12.50"); "?" for a value that is not finite.
std::string Fixed(double value, int decimals);

// Rough width of a text in a sans-serif font of `fontSize` pixels, on the generous
// side, so that a label judged to fit really fits.
double TextWidth(std::string_view text, double fontSize, bool bold = false);

// ---- Colours ----

struct Colour {
  uint8_t r;
  uint8_t g;
  uint8_t b;
  std::string Hex() const;  // "#1a9850"
  bool operator==(const Colour&) const = default;
};

// Grades 1 (best) to 8 on a dark-violet-to-yellow scale that a colour-blind reader can
// tell apart, 9 (waste) a light grey, any other grade a colour of its own so that it
// stands out. Every page of the tool draws grades in these colours.
Colour GradeColour(int grade);
// Dark or white text, whichever reads better on `fill`.
Colour TextColourOn(Colour fill);

// ---- Page ----

// Writes everything up to the first figure: doctype, inline style sheet (the shared
// rules followed by `extraCss`), and the header with the title and one line under it.
// Both header lines are cut short with an ellipsis rather than wrapped, so the header
// keeps its height.
void BeginPage(std::ostream& out, std::string_view documentTitle, std::string_view heading,
               std::string_view subtitle, std::string_view extraCss);
void EndPage(std::ostream& out);

// A section heading with an anchor.
void Heading(std::ostream& out, std::string_view id, std::string_view text);

// ---- SVG ----

// Opens an inline SVG figure of a fixed size in CSS pixels; `label` is read out by
// assistive technology. In print the figure scales to the page width.
void BeginSvg(std::ostream& out, double width, double height, std::string_view cssClass,
              std::string_view label);
void EndSvg(std::ostream& out);

// A diagonal hatch for `<pattern id=...>`, drawn with crisp edges so that every pixel
// is either the background or the line colour.
void HatchPattern(std::ostream& out, std::string_view id, Colour background, Colour line);

// A coordinate as SVG text: two decimals at most, no trailing zeros.
std::string Coord(double value);

// ---- Tables ----

struct Table {
  std::string cssClass;             // extra class of the <table>
  std::vector<std::string> header;  // column titles
  std::vector<bool> numeric;        // right-aligned columns (may be shorter than header)
  struct Row {
    std::vector<std::string> cells;  // plain text; escaped when written
    std::string swatch;              // optional CSS background of a swatch before cell 0
    std::string cssClass;            // optional class of the <tr>
  };
  std::vector<Row> rows;
  std::vector<std::string> footer;  // optional totals row
};

void WriteTable(std::ostream& out, const Table& table);

// A two-column table of names and values.
void WriteFacts(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& facts);

}  // namespace sawline::tools::html
