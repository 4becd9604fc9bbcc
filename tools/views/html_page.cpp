#include "views/html_page.h"

#include <cmath>
#include <cstdio>

namespace sawline::tools::html {
namespace {

// Rules every page shares. The header's fixed heights place the first figure at
// (kFigureLeft, kFigureTop); the numbers here must follow the constants in the header.
constexpr const char* kSharedCss =
    "*{box-sizing:border-box}"
    "html{background:#fff}"
    "body{margin:0;padding:16px;font:13px/1.4 sans-serif;color:#1d1d1d;background:#fff}"
    ".head{height:58px;overflow:hidden}"
    ".head h1{margin:0;height:30px;line-height:30px;font-size:20px;font-weight:600;"
    "white-space:nowrap;overflow:hidden;text-overflow:ellipsis}"
    ".head p{margin:0;height:20px;line-height:20px;color:#555;white-space:nowrap;"
    "overflow:hidden;text-overflow:ellipsis}"
    "svg.figure{display:block;margin:0;overflow:visible}"
    "svg text{font-family:sans-serif}"
    "h2{font-size:15px;margin:22px 0 6px}"
    "table{border-collapse:collapse;margin:0 0 8px}"
    "th,td{border:1px solid #cfcfcf;padding:2px 8px;text-align:left;white-space:nowrap}"
    "th{background:#eef0f2;font-weight:600}"
    "td.n,th.n{text-align:right;font-variant-numeric:tabular-nums}"
    "tbody tr:nth-child(even){background:#f7f8f9}"
    "tfoot td{font-weight:600;background:#eef0f2}"
    ".sw{display:inline-block;width:12px;height:12px;margin-right:6px;vertical-align:-2px;"
    "border:1px solid #666}"
    "@page{size:A4 landscape;margin:10mm}"
    "@media print{body{padding:0}svg.figure{width:100%;height:auto}.head{height:auto}"
    "tr{break-inside:avoid}h2{break-after:avoid}}";

static_assert(kTitleHeight + kSubtitleHeight <= kHeaderHeight);

}  // namespace

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n') || c == 0x7f) break;
        out += c;
    }
  }
  return out;
}

std::string Compact(double value) {
  if (!std::isfinite(value)) return "?";
  char buffer[48];
  const bool whole = std::fabs(value - std::round(value)) < 0.05;
  std::snprintf(buffer, sizeof buffer, whole ? "%.0f" : "%.1f", value);
  std::string text = buffer;
  return text == "-0" ? "0" : text;
}

std::string Fixed(double value, int decimals) {
  if (!std::isfinite(value)) return "?";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  return buffer;
}

double TextWidth(std::string_view text, double fontSize, bool bold) {
  double ems = 0.0;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte of a UTF-8 sequence
    if (byte >= 0x80) {
      ems += 1.0;  // a wide character (CJK and the like)
    } else if (c >= '0' && c <= '9') {
      ems += 0.64;
    } else if (c == '.' || c == ',' || c == ':' || c == ';' || c == '\'' || c == '|') {
      ems += 0.34;
    } else if (c == ' ') {
      ems += 0.32;
    } else if (c >= 'A' && c <= 'Z') {
      ems += 0.74;
    } else if (c >= 'a' && c <= 'z') {
      ems += 0.62;
    } else {
      ems += 0.7;
    }
  }
  return ems * fontSize * (bold ? 1.1 : 1.0);
}

std::string Colour::Hex() const {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", r, g, b);
  return buffer;
}

Colour GradeColour(int grade) {
  // Grades 1 (best) to 8 run from dark violet through blue and green to yellow, in even
  // steps of lightness, so that neighbouring grades stay apart for a reader with any
  // kind of colour blindness as well as for everyone else; waste is a light grey.
  static constexpr Colour kScale[8] = {{0x44, 0x01, 0x54}, {0x46, 0x32, 0x7e}, {0x36, 0x5c, 0x8d},
                                       {0x27, 0x7f, 0x8e}, {0x1f, 0xa1, 0x87}, {0x4a, 0xc1, 0x6d},
                                       {0xa0, 0xda, 0x39}, {0xfd, 0xe7, 0x25}};
  if (grade >= 1 && grade <= 8) return kScale[grade - 1];
  if (grade == 9) return {0xbd, 0xbd, 0xbd};
  return {0xc5, 0x1b, 0x7d};
}

Colour TextColourOn(Colour fill) {
  const double luminance = 0.2126 * fill.r + 0.7152 * fill.g + 0.0722 * fill.b;
  return luminance > 140.0 ? Colour{0x1d, 0x1d, 0x1d} : Colour{0xff, 0xff, 0xff};
}

void BeginPage(std::ostream& out, std::string_view documentTitle, std::string_view heading,
               std::string_view subtitle, std::string_view extraCss) {
  out << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      << "<meta name=\"viewport\" content=\"width=device-width\">\n"
      << "<title>" << Escape(documentTitle) << "</title>\n<style>" << kSharedCss << extraCss
      << "</style>\n</head>\n<body>\n<header class=\"head\"><h1 title=\"" << Escape(heading)
      << "\">" << Escape(heading) << "</h1><p title=\"" << Escape(subtitle) << "\">"
      << Escape(subtitle) << "</p></header>\n";
}

void EndPage(std::ostream& out) {
  out << "</body>\n</html>\n";
}

void Heading(std::ostream& out, std::string_view id, std::string_view text) {
  out << "<h2 id=\"" << Escape(id) << "\">" << Escape(text) << "</h2>\n";
}

std::string Coord(double value) {
  if (!std::isfinite(value)) return "0";
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.2f", value);
  std::string text = buffer;
  while (!text.empty() && text.back() == '0')
    text.pop_back();
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text == "-0" ? "0" : text;
}

void BeginSvg(std::ostream& out, double width, double height, std::string_view cssClass,
              std::string_view label) {
  out << "<svg class=\"figure " << Escape(cssClass) << "\" width=\"" << Coord(width)
      << "\" height=\"" << Coord(height) << "\" viewBox=\"0 0 " << Coord(width) << ' '
      << Coord(height) << "\" role=\"img\" aria-label=\"" << Escape(label) << "\">\n";
}

void EndSvg(std::ostream& out) {
  out << "</svg>\n";
}

void HatchPattern(std::ostream& out, std::string_view id, Colour background, Colour line) {
  // An 8-pixel tile with a 45-degree line of two pixels, continued across the tile's
  // edges so that neighbouring tiles join into unbroken diagonals.
  out << "<pattern id=\"" << Escape(id)
      << "\" width=\"8\" height=\"8\" patternUnits=\"userSpaceOnUse\">"
      << "<rect width=\"8\" height=\"8\" fill=\"" << background.Hex() << "\"/>"
      << "<path d=\"M0 8L8 0M-2 2L2 -2M6 10L10 6\" stroke=\"" << line.Hex()
      << "\" stroke-width=\"2\" shape-rendering=\"crispEdges\"/></pattern>\n";
}

void WriteTable(std::ostream& out, const Table& table) {
  auto numeric = [&](size_t column) {
    return column < table.numeric.size() && table.numeric[column];
  };
  out << "<table";
  if (!table.cssClass.empty()) out << " class=\"" << Escape(table.cssClass) << '"';
  out << ">\n<thead><tr>";
  for (size_t c = 0; c < table.header.size(); ++c)
    out << (numeric(c) ? "<th class=\"n\">" : "<th>") << Escape(table.header[c]) << "</th>";
  out << "</tr></thead>\n<tbody>\n";
  for (const Table::Row& row : table.rows) {
    out << "<tr";
    if (!row.cssClass.empty()) out << " class=\"" << Escape(row.cssClass) << '"';
    out << '>';
    for (size_t c = 0; c < row.cells.size(); ++c) {
      out << (numeric(c) ? "<td class=\"n\">" : "<td>");
      if (c == 0 && !row.swatch.empty())
        out << "<span class=\"sw\" style=\"background:" << Escape(row.swatch) << "\"></span>";
      out << Escape(row.cells[c]) << "</td>";
    }
    out << "</tr>\n";
  }
  out << "</tbody>\n";
  if (!table.footer.empty()) {
    out << "<tfoot><tr>";
    for (size_t c = 0; c < table.footer.size(); ++c)
      out << (numeric(c) ? "<td class=\"n\">" : "<td>") << Escape(table.footer[c]) << "</td>";
    out << "</tr></tfoot>\n";
  }
  out << "</table>\n";
}

void WriteFacts(std::ostream& out, const std::vector<std::pair<std::string, std::string>>& facts) {
  out << "<table class=\"facts\">\n<tbody>\n";
  for (const auto& [name, value] : facts)
    out << "<tr><th>" << Escape(name) << "</th><td>" << Escape(value) << "</td></tr>\n";
  out << "</tbody>\n</table>\n";
}

}  // namespace sawline::tools::html
