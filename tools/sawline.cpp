// sawline: runs a board described in a job file through OptimizationCompute, the
// same entry the saw line's host calls, and shows what the library answered: the
// finished cut list with the controller's feed lengths and code fields, then the
// yield figures. Everything shown is read from the returned result block, exactly
// what the host gets.
//
//   sawline [JOB_FILE]        default: the bundled example board
#include <cstdio>
#include <string>

#include "interface/sawline.h"
#include "job_file.h"
#include "platform/platform.h"
#include "result_view.h"

#ifndef SAWLINE_EXAMPLE_JOB
#define SAWLINE_EXAMPLE_JOB "examples/example_board.job"
#endif

namespace {

using sawline::tools::ResultView;

void PrintCutList(const ResultView& view) {
  std::printf("\n  #  kind      grade    length      feed  code fields\n");
  int number = 0;
  for (const sawline::tools::PieceView& piece : view.pieces) {
    char grade[16] = "-";
    if (piece.grade > 0) std::snprintf(grade, sizeof grade, "%d", piece.grade);
    std::printf("%3d  %-8s  %5s  %8.1f  %8.1f ", ++number, PieceKindName(piece.kind), grade,
                static_cast<double>(piece.length), static_cast<double>(piece.feedLength));
    for (int field : piece.codeFields)
      std::printf(" %02d", field);
    std::printf("\n");
  }
}

void PrintYield(const ResultView& view) {
  const double board = view.boardLength;
  double fixed = 0.0;
  double variable = 0.0;
  double uncut = 0.0;
  for (const sawline::tools::GradeYieldView& grade : view.grades) {
    fixed += static_cast<double>(grade.fixed);
    variable += static_cast<double>(grade.variable);
    uncut += static_cast<double>(grade.uncut);
  }
  const double used = view.usedLength;
  std::printf("\nyield (length units)\n");
  std::printf("  board length         %10.1f   (feed lengths add up to %.1f)\n", board,
              view.feedSum);
  std::printf("  useful length        %10.1f   (graded 1 to 8)\n",
              static_cast<double>(view.usefulLength));
  std::printf("  used: fixed-length   %10.1f\n", fixed);
  std::printf("  used: variable       %10.1f\n", variable);
  std::printf("  used: uncut          %10.1f\n", uncut);
  std::printf("  used in all          %10.1f   (%.1f %% of the board)\n", used,
              board > 0.0 ? 100.0 * used / board : 0.0);
  std::printf("  waste pieces         %10.1f\n", view.wasteLength);
  std::printf("  kerfs                %10.1f\n", board - used - view.wasteLength);
  if (view.totalValue != 0.0f) {
    std::printf("  value                %10.3f   (fixed %.3f, variable %.3f)\n",
                static_cast<double>(view.totalValue), static_cast<double>(view.fixedValue),
                static_cast<double>(view.variableValue));
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = SAWLINE_EXAMPLE_JOB;
  if (argc > 2 ||
      (argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help"))) {
    std::fprintf(stderr, "usage: sawline [JOB_FILE]\n");
    return argc > 2 ? 2 : 0;
  }
  if (argc == 2) path = argv[1];

  sawline::tools::JobBlocks job;
  std::string error;
  if (!sawline::tools::LoadJobFile(path, job, &error)) {
    std::fprintf(stderr, "sawline: %s\n", error.c_str());
    return 1;
  }
  float block[SAWLINE_RESULT_BLOCK_FLOATS] = {};
  const int32_t pieces = OptimizationCompute(job.parameters.data(), job.marks.data(), block);
  std::printf("job: %s\n", path.c_str());
  std::printf("pieces in the cut list: %d\n", static_cast<int>(pieces));
  if (pieces > 0) {
    const ResultView view = sawline::tools::DecodeResult(job.parameters.data(), block, pieces);
    PrintCutList(view);
    PrintYield(view);
  } else {
    std::printf("no piece planned: the result block is left as it was\n");
  }
  std::printf("\nrun log: %s (GBK)\n", sawline::platform::LogPath());
  return 0;
}
