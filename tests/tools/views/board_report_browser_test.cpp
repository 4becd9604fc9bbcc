// The board report as a browser shows it: each report board's page is opened in
// headless Chromium, and the screenshot is checked at positions the report's own layout
// gives: the colour of a grade zone, of a waste piece and of every cut line.
//
// SAWLINE_CHROMIUM names another browser binary; SAWLINE_REPORT_KEEP names a directory
// that keeps the pages and screenshots for a look.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/support/browser_shot.h"
#include "tools/support/report_boards.h"
#include "views/board_report.h"
#include "views/html_page.h"

#if !defined(_WIN32)
#define SAWLINE_BROWSER_CHECKS 1
#endif

namespace sawline::test {
namespace {

using tools::BoardLayout;
using tools::Box;
using tools::html::Colour;
using Screenshot = browser::Shot;

// Per-channel difference tolerated between a drawn colour and the screenshot.
constexpr int kColourTolerance = 6;

#if defined(SAWLINE_BROWSER_CHECKS)

bool Near(Colour a, Colour b, int tolerance = kColourTolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

std::string Describe(Colour c) {
  return c.Hex();
}

// Counts the pixels of a box (drawing coordinates, shifted to the page) that match one
// of `colours`; the box is shrunk by `inset` pixels on every side first.
struct Census {
  int total = 0;
  std::vector<int> matches;
};

Census Count(const Screenshot& shot, const BoardLayout& layout, const Box& box,
             const std::vector<Colour>& colours, double inset = 1.0) {
  Census census;
  census.matches.assign(colours.size(), 0);
  const int x0 = static_cast<int>(std::ceil(layout.left + box.x + inset));
  const int x1 = static_cast<int>(std::floor(layout.left + box.Right() - inset));
  const int y0 = static_cast<int>(std::ceil(layout.top + box.y + inset));
  const int y1 = static_cast<int>(std::floor(layout.top + box.Bottom() - inset));
  for (int y = std::max(y0, 0); y < std::min(y1, shot.height); ++y) {
    for (int x = std::max(x0, 0); x < std::min(x1, shot.width); ++x) {
      ++census.total;
      const Colour pixel = shot.At(x, y);
      for (size_t c = 0; c < colours.size(); ++c) {
        if (Near(pixel, colours[c])) {
          ++census.matches[c];
          break;
        }
      }
    }
  }
  return census;
}

class BoardReportBrowser : public WorkspaceTest, public ::testing::WithParamInterface<ReportBoard> {
 protected:
  void SetUp() override {
    WorkspaceTest::SetUp();
    std::string why;
    if (!browser::Available(&why)) GTEST_SKIP() << why << ": the browser checks need it";
    const char* keep = std::getenv("SAWLINE_REPORT_KEEP");
    if (keep != nullptr && *keep != '\0') {
      directory_ = keep;
      keep_ = true;
      std::filesystem::create_directories(directory_);
    } else {
      std::string pattern =
          (std::filesystem::temp_directory_path() / "sawline-report-XXXXXX").string();
      ASSERT_NE(mkdtemp(pattern.data()), nullptr);
      directory_ = pattern;
    }
  }
  void TearDown() override {
    if (!keep_ && !directory_.empty()) std::filesystem::remove_all(directory_);
    WorkspaceTest::TearDown();
  }

  // Writes the page, screenshots it in a window the size of the drawing plus the page
  // margin, and reads the screenshot back.
  bool Render(const std::string& name, const tools::BoardReportInput& input,
              const BoardLayout& layout, Screenshot* shot) {
    const std::filesystem::path page = directory_ / (name + ".html");
    const std::filesystem::path png = directory_ / (name + ".png");
    {
      std::ofstream out(page, std::ios::binary);
      tools::WriteBoardReport(input, out);
    }
    const int width =
        static_cast<int>(std::ceil(layout.left + layout.width)) + tools::html::kPageMargin;
    const int height =
        static_cast<int>(std::ceil(layout.top + layout.height)) + tools::html::kPageMargin;
    std::string error;
    if (!browser::TakeShot(page.string(), png.string(), width, height, shot, &error)) {
      ADD_FAILURE() << error;
      return false;
    }
    EXPECT_EQ(shot->width, width);
    EXPECT_EQ(shot->height, height);
    return shot->width == width && shot->height == height;
  }

  std::filesystem::path directory_;
  bool keep_ = false;
};

// The widest zone, outside any trim: most of it shows its grade's colour (labels cover
// the rest).
void CheckGradeZone(const Screenshot& shot, const BoardLayout& layout) {
  ASSERT_FALSE(layout.zones.empty());
  const tools::ZoneShape* widest = &layout.zones.front();
  for (const tools::ZoneShape& zone : layout.zones) {
    if (zone.box.width > widest->box.width) widest = &zone;
  }
  Box box = widest->box;
  if (layout.head && layout.head->zone.Right() > box.x && layout.head->zone.x < box.Right()) {
    box.width -= layout.head->zone.Right() - box.x;
    box.x = layout.head->zone.Right();
  }
  if (layout.tail && layout.tail->zone.x < box.Right()) box.width = layout.tail->zone.x - box.x;
  const Colour expected = layout.markingLines
                              ? tools::kIntervalColour
                              : tools::html::GradeColour(static_cast<int>(widest->grade));
  const Census census = Count(shot, layout, box, {expected}, 2.0);
  ASSERT_GT(census.total, 100) << "zone " << widest->number << " is too small to check";
  EXPECT_GT(census.matches[0], census.total * 6 / 10)
      << "zone " << widest->number << " should show " << Describe(expected) << "; "
      << census.matches[0] << " of " << census.total << " pixels do";
}

// Every waste piece wide enough to hold a hatch line shows only the two hatch colours
// (its label's halo aside), and both of them.
void CheckWastePieces(const Screenshot& shot, const BoardLayout& layout, int* checked) {
  for (const tools::PieceShape& piece : layout.lanes[0].pieces) {
    if (piece.kind != tools::PieceKind::kWaste || piece.box.width < 12.0) continue;
    const Colour background =
        piece.kicked ? tools::kKickerHatchBackground : tools::kWasteHatchBackground;
    const Colour line = piece.kicked ? tools::kKickerHatchLine : tools::kWasteHatchLine;
    // The label sits in the middle of the lane; its top strip is hatch only.
    Box strip = piece.box;
    strip.height = 14.0;
    const Census census = Count(shot, layout, strip, {background, line}, 2.0);
    ASSERT_GT(census.total, 0);
    EXPECT_GE(census.matches[0] + census.matches[1], census.total * 9 / 10)
        << "waste piece " << piece.number << ": " << census.matches[0] << " + " << census.matches[1]
        << " of " << census.total << " pixels in the hatch colours " << Describe(background) << ", "
        << Describe(line);
    EXPECT_GT(census.matches[0], 0) << "waste piece " << piece.number;
    EXPECT_GT(census.matches[1], 0) << "waste piece " << piece.number;
    ++*checked;
  }
}

// Every cut line is drawn in full: the cut colour at its top, middle and foot.
void CheckCutLines(const Screenshot& shot, const BoardLayout& layout) {
  for (const tools::CutShape& cut : layout.lanes[0].cuts) {
    const int x = static_cast<int>(layout.left + cut.box.x + cut.box.width / 2.0);
    for (const double y : {cut.box.y + 1.0, cut.box.CentreY(), cut.box.Bottom() - 1.0}) {
      const int py = static_cast<int>(layout.top + y);
      const Colour pixel = shot.At(x, py);
      EXPECT_TRUE(Near(pixel, tools::kCutLineColour))
          << "cut at " << cut.position << ": pixel (" << x << ", " << py << ") is "
          << Describe(pixel);
    }
  }
}

// Order pieces wide enough show their grade's colour and their kind's band.
void CheckOrderPieces(const Screenshot& shot, const BoardLayout& layout, int* checked) {
  for (const tools::PieceShape& piece : layout.lanes[0].pieces) {
    if (piece.kind == tools::PieceKind::kWaste || piece.box.width < 12.0) continue;
    Box top = piece.box;
    top.height = 10.0;
    const Colour fill = tools::html::GradeColour(piece.grade);
    const Census body = Count(shot, layout, top, {fill}, 2.0);
    EXPECT_GT(body.matches[0], body.total * 9 / 10) << "piece " << piece.number;
    const Census band = Count(shot, layout, piece.kindBand, {tools::KindColour(piece.kind)}, 2.0);
    EXPECT_GT(band.matches[0], band.total * 9 / 10) << "band of piece " << piece.number;
    ++*checked;
  }
}

std::string BoardName(const ::testing::TestParamInfo<ReportBoard>& info) {
  return info.param.name;
}

TEST_P(BoardReportBrowser, ScreenshotShowsZonesWasteAndCutsWhereTheLayoutPutsThem) {
  const ReportBoard& board = GetParam();
  const ReportRun run = RunReportBoard(board);
  const tools::BoardReportInput input = run.Input();
  const BoardLayout layout = tools::LayoutBoardReport(input);
  Screenshot shot;
  if (!Render(board.name, input, layout, &shot)) return;
  CheckGradeZone(shot, layout);
  if (run.returned <= 0) {
    // Nothing planned: the lane says why, in the message colour.
    const Census message =
        Count(shot, layout, layout.lanes[0].box, {Colour{0xb0, 0x00, 0x20}}, 0.0);
    EXPECT_GT(message.matches[0], 20) << "the lane should say why there is no cut list";
    return;
  }
  int waste = 0;
  int pieces = 0;
  CheckWastePieces(shot, layout, &waste);
  CheckOrderPieces(shot, layout, &pieces);
  CheckCutLines(shot, layout);
  EXPECT_GT(waste, 0) << "no waste piece wide enough to check";
  EXPECT_GT(pieces, 0) << "no order piece wide enough to check";
  EXPECT_FALSE(layout.lanes[0].cuts.empty());
}

INSTANTIATE_TEST_SUITE_P(ReportBoards, BoardReportBrowser, ::testing::ValuesIn(ReportBoards()),
                         BoardName);

#else

TEST(BoardReportBrowser, ScreenshotShowsZonesWasteAndCutsWhereTheLayoutPutsThem) {
  GTEST_SKIP() << "Windows build: the browser checks need Chromium and a POSIX temporary folder";
}

#endif

}  // namespace
}  // namespace sawline::test
