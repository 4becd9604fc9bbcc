#include "views/board_report.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "desk/text.h"
#include "interface/block_layout.h"
#include "support/test_support.h"
#include "tools/support/report_boards.h"
#include "views/html_page.h"

namespace sawline::test {
namespace {

using tools::BoardLayout;
using tools::BoardReportInput;

std::string Page(const BoardReportInput& input) {
  std::ostringstream out;
  tools::WriteBoardReport(input, out);
  return out.str();
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++count;
  return count;
}

class BoardReport : public WorkspaceTest {};

// The trim the page marks must be the trim the library made: its run log states it.
TEST_F(BoardReport, TrimsAreTheOnesTheLibraryMade) {
  struct Case {
    const char* what;
    std::vector<std::pair<float, float>> pairs;
    std::vector<std::array<int, 3>> cuts;  // grade, head, tail
    int head;
    int tail;
  };
  const Case cases[] = {
      {"head of the first zone", {{2, 1000}, {1, 2000}}, {{2, 50, 0}}, 50, 0},
      {"a cut that leaves 0.1 or less makes waste", {{2, 1000}, {1, 2000}}, {{2, 1000, 0}}, 0, 0},
      {"both ends of one zone", {{2, 3000}}, {{2, 100, 200}}, 100, 200},
      {"the tail sees what the head left", {{2, 150}}, {{2, 100, 60}}, 100, 0},
      {"a waste end is never trimmed", {{9, 300}, {1, 2000}}, {{1, 40, 50}}, 0, 50},
      {"grade read truncated", {{2.7f, 1000}, {1, 900}}, {{2, 30, 0}, {1, 0, 25}}, 30, 25},
      {"zones merged first", {{2, 500}, {2, 600}, {1, 900}}, {{2, 1050, 0}}, 1050, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tools::JobBlocks job;
    job.SetSetting("KerfWidth", 4.0f);
    job.AddVariableOrder({1, 100, 3000, 1.0f, 0.0f, 13010101});
    job.AddVariableOrder({2, 100, 3000, 1.0f, 0.0f, 14010101});
    for (const auto& [grade, head, tail] : c.cuts)
      job.SetHeadTail(grade, head, tail);
    job.SetPairs(c.pairs);
    std::array<float, kResultBlockFloats> result{};
    const int32_t returned = RunJob(job, result);
    ASSERT_GT(returned, 0);
    const tools::TrimView trims =
        tools::ReadTrims(job.parameters.data(),
                         tools::DecodeResult(job.parameters.data(), result.data(), returned).zones);
    EXPECT_EQ(trims.head, c.head);
    EXPECT_EQ(trims.tail, c.tail);
    const std::string log = GbkToUtf8(LogBytes());
    const size_t at = log.find("去头：");
    ASSERT_NE(at, std::string::npos);
    // "去头：1,  20        去尾：0,  0": the four numbers of the trim record.
    std::vector<long> record;
    const char* text = log.c_str() + at;
    for (char* end = nullptr; *text != '\0' && *text != '\n' && record.size() < 4;) {
      if (*text < '0' || *text > '9') {
        ++text;
        continue;
      }
      record.push_back(std::strtol(text, &end, 10));
      text = end;
    }
    ASSERT_EQ(record.size(), 4u);
    EXPECT_EQ(trims.head, record[0] == 1 ? record[1] : 0);
    EXPECT_EQ(trims.tail, record[2] == 1 ? record[3] : 0);
  }
}

// Geometry every drawing must keep, whatever the board: zones and pieces in board order
// on the axis, one cut in each kerf, labels inside their pieces, numbers apart.
void CheckLayout(const BoardLayout& layout, const tools::ResultView& view) {
  const double axisEnd = layout.boardX + layout.extent * layout.scale;
  EXPECT_LE(axisEnd, layout.width);
  double x = layout.boardX;
  for (const tools::ZoneShape& zone : layout.zones) {
    EXPECT_NEAR(zone.box.x, x, 1e-6) << "zone " << zone.number;
    EXPECT_GE(zone.box.width, 0.0);
    x = zone.box.Right();
  }
  EXPECT_LE(x, axisEnd + 1e-6);
  const tools::PieceLane& lane = layout.lanes.at(0);
  ASSERT_EQ(lane.pieces.size(), view.pieces.size());
  ASSERT_EQ(lane.cuts.size(), lane.pieces.empty() ? 0 : lane.pieces.size() - 1);
  for (size_t i = 0; i < lane.pieces.size(); ++i) {
    const tools::PieceShape& piece = lane.pieces[i];
    EXPECT_TRUE(std::isfinite(piece.box.x) && std::isfinite(piece.box.width));
    EXPECT_GE(piece.box.x, layout.boardX);
    EXPECT_LE(piece.box.Right(), axisEnd + 1e-6);
    if (piece.labelLines > 0 && !piece.rotated) {
      const std::string label = tools::html::Compact(view.pieces[i].length);
      EXPECT_LE(tools::html::TextWidth(label, 12.0, true), piece.box.width) << "piece " << i + 1;
    }
    if (i + 1 < lane.pieces.size()) {
      const tools::Box& cut = lane.cuts[i].box;
      EXPECT_GE(cut.CentreX(), piece.box.Right() - 1.0) << "cut after piece " << i + 1;
      EXPECT_LE(cut.CentreX(), lane.pieces[i + 1].box.x + 1.0) << "cut after piece " << i + 1;
      EXPECT_GE(cut.width, 2.0);
      EXPECT_GT(lane.pieces[i + 1].box.x, piece.box.x - 1e-9) << "pieces out of order";
    }
  }
  for (size_t i = 0; i < lane.tags.size(); ++i) {
    for (size_t j = i + 1; j < lane.tags.size(); ++j) {
      const tools::Box& a = lane.tags[i].box;
      const tools::Box& b = lane.tags[j].box;
      const bool apart = a.y != b.y || a.Right() <= b.x || b.Right() <= a.x;
      EXPECT_TRUE(apart) << "numbers " << lane.tags[i].number << " and " << lane.tags[j].number;
    }
  }
}

// A code that does not fit inside its piece is written beside the piece's number; on
// boards with room under the lane every such piece gets it, and a tag never shows another
// piece's code. Counts the pieces whose code is written outside.
void CheckCodesReadable(const BoardLayout& layout, const tools::ResultView& view,
                        bool roomUnderLane, int* outside) {
  const tools::PieceLane& lane = layout.lanes.at(0);
  for (size_t i = 0; i < lane.pieces.size(); ++i) {
    const tools::PieceShape& piece = lane.pieces[i];
    const std::string code =
        view.pieces[i].code != 0 ? tools::CodeText(view.pieces[i].codeFields) : std::string();
    EXPECT_EQ(piece.code, piece.labelLines == 2 ? std::string() : code) << "piece " << i + 1;
    const tools::NumberTag* tag = nullptr;
    for (const tools::NumberTag& t : lane.tags) {
      if (t.number == piece.number) tag = &t;
    }
    if (tag != nullptr && !piece.code.empty() && tag->text.find(piece.code) != std::string::npos)
      ++*outside;
    if (!roomUnderLane) continue;
    ASSERT_NE(tag, nullptr) << "piece " << i + 1 << " has no number";
    const std::string number = std::to_string(piece.number);
    EXPECT_EQ(tag->text, piece.code.empty() ? number : number + " \u00b7 " + piece.code);
  }
}

TEST_F(BoardReport, EveryBoardDrawsConsistentlyAndTheLongOneKeepsEveryPiece) {
  int codesOutside = 0;
  for (const ReportBoard& board : ReportBoards()) {
    SCOPED_TRACE(board.name);
    const ReportRun run = RunReportBoard(board);
    const BoardReportInput input = run.Input();
    const BoardLayout layout = tools::LayoutBoardReport(input);
    const tools::ResultView view =
        tools::DecodeResult(input.parameters, input.result, input.returned);
    CheckLayout(layout, view);
    CheckCodesReadable(layout, view, board.name != "hundred_pieces", &codesOutside);
    const std::string page = Page(input);
    // Every piece and zone keeps its full description in a tooltip.
    EXPECT_EQ(Occurrences(page, "<title>Piece "), view.pieces.size());
    EXPECT_EQ(Occurrences(page, "<title>Zone ") + Occurrences(page, "<title>Interval "),
              layout.zones.size());
    const bool values = page.find("<th class=\"n\">fixed value</th>") != std::string::npos;
    EXPECT_EQ(values, view.mode == 1 && run.returned > 0) << "value columns in value mode only";
    if (board.name == "hundred_pieces") {
      EXPECT_GE(view.pieces.size(), 95u);
      EXPECT_GT(layout.lanes[0].tags.size(), view.pieces.size() * 9 / 10);
    }
    if (run.returned <= 0) {
      EXPECT_TRUE(layout.fromMarks);
      EXPECT_NE(page.find("No cut list for this board"), std::string::npos);
      EXPECT_NE(page.find(board.notes.front()), std::string::npos);
      EXPECT_EQ(page.find("id=\"cut-list\""), std::string::npos);
    } else {
      const size_t table = page.find("id=\"cut-list\"");
      ASSERT_NE(table, std::string::npos);
      const std::string rows = page.substr(table, page.find("</table>", table) - table);
      EXPECT_EQ(Occurrences(rows, "<tr"), view.pieces.size() + 1) << "header and one per piece";
      for (size_t i = 0; i < view.pieces.size(); ++i)
        EXPECT_NEAR(layout.lanes[0].pieces[i].start, view.pieces[i].start, 1e-3);
    }
  }
  EXPECT_GT(codesOutside, 0) << "no report board has a code too wide for its piece";
}

// The page stands alone and is well formed: nothing it needs comes from elsewhere, and
// text from the job cannot become markup.
TEST_F(BoardReport, PageIsSelfContainedAndEscapesWhatTheJobSays) {
  std::vector<ReportBoard> boards = ReportBoards();
  boards.front().notes = {"<script>alert(\"x\")</script> & 'quoted'\x01"};
  for (const ReportBoard& board : boards) {
    SCOPED_TRACE(board.name);
    const ReportRun run = RunReportBoard(board);
    BoardReportInput input = run.Input();
    input.title = "<b>job</b>.json";
    const std::string page = Page(input);
    for (const char* outside : {"http:", "https:", "src=", "<link", "<script", "@import", "url(h",
                                "url(/", "url(\"", "<b>", "\x01"})
      EXPECT_EQ(page.find(outside), std::string::npos) << outside;
    EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
    for (const char* tag : {"svg", "g", "table", "tr", "text", "section", "title"}) {
      const std::string open = std::string("<") + tag;
      const size_t opened = Occurrences(page, open + ">") + Occurrences(page, open + " ");
      EXPECT_EQ(opened, Occurrences(page, std::string("</") + tag + ">")) << tag;
    }
    if (&board == &boards.front()) {
      EXPECT_NE(page.find("<li>&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; "
                          "&#39;quoted&#39;</li>"),
                std::string::npos);
    }
  }
}

// Blocks a host never sends: lengths that are not numbers, negative, infinite or as
// long as a float goes, a return value above the block's slots, missing blocks. The
// page still comes out, in bounded time, and no coordinate is broken.
TEST(BoardReportHostile, BrokenBlocksStillGiveAFiniteDrawing) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  std::array<float, kParameterBlockFloats> parameters{};
  parameters[SAWLINE_PARAM_CT + 2] = 1e9f;
  std::array<float, kBoardMarkBlockFloats> marks{};
  marks[0] = 2.0f;
  marks[100] = nan;
  marks[kMarkKindIndex] = 1.0f;
  std::array<float, kResultBlockFloats> result{};
  for (int i = 0; i < 100; ++i) {
    result[static_cast<size_t>(SAWLINE_RESULT_PIECE_GRADE_CODE + i)] = i % 2 == 0 ? 2.0f : 9.0f;
    const float odd[] = {nan, -50.0f, inf, 120.0f};
    result[static_cast<size_t>(SAWLINE_RESULT_PIECE_LENGTH + i)] = odd[i % 4];
    result[static_cast<size_t>(SAWLINE_RESULT_FEED_LENGTH + i)] = odd[(i + 1) % 4];
  }
  result[SAWLINE_RESULT_SEGMENT_GRADE] = 2.0f;
  result[SAWLINE_RESULT_SEGMENT_LENGTH] = -inf;
  result[SAWLINE_RESULT_BOARD_LENGTH] = nan;
  std::array<float, kResultBlockFloats> huge = result;
  huge[SAWLINE_RESULT_BOARD_LENGTH] = 3e38f;
  const std::pair<const float*, int32_t> results[] = {
      {result.data(), 150}, {huge.data(), 3}, {result.data(), 0}, {nullptr, 5}};
  for (const auto& [block, returned] : results) {
    BoardReportInput input{"hostile", parameters.data(), marks.data(), block, returned, "", {}};
    const BoardLayout layout = tools::LayoutBoardReport(input);
    EXPECT_TRUE(std::isfinite(layout.scale) && layout.scale > 0.0);
    CheckLayout(layout,
                tools::DecodeResult(parameters.data(), block != nullptr ? block : result.data(),
                                    block != nullptr ? returned : 0));
    const std::string page = Page(input);
    for (const char* broken : {"=\"nan", "=\"-nan", "=\"inf", "=\"-inf"})
      EXPECT_EQ(page.find(broken), std::string::npos) << broken;
  }
  const std::string bare = Page(BoardReportInput{});
  EXPECT_NE(bare.find("No cut list"), std::string::npos);
}

TEST(HtmlPage, NumbersReadBackAndLabelsStayShort) {
  for (const float value :
       {1200.0f, 845.5f, 0.1f, 1.0f / 3.0f, 16777217.0f, 3.4028235e38f, 1e-40f, -0.0f, -2.5f}) {
    const std::string text = tools::FloatText(value);
    EXPECT_EQ(std::strtof(text.c_str(), nullptr), value) << text;
  }
  const std::pair<double, const char*> compact[] = {
      {1200.0, "1200"}, {845.5, "845.5"}, {845.96, "846"}, {-0.01, "0"}, {std::nan(""), "?"}};
  for (const auto& [value, text] : compact)
    EXPECT_EQ(tools::html::Compact(value), text);
  const std::pair<std::array<int, 4>, const char*> codes[] = {
      {{11, 1, 1, 1}, "11010101"}, {{1, 2, 3, 4}, "01020304"}, {{0, 0, 0, 0}, "00000000"}};
  for (const auto& [fields, text] : codes)
    EXPECT_EQ(tools::CodeText(fields), text);
}

}  // namespace
}  // namespace sawline::test
