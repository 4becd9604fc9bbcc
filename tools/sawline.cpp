// sawline: runs a board described in a job file through OptimizationCompute, the
// same entry the saw line's host calls, and shows what the library answered: the
// finished cut list with the controller's feed lengths and code fields, then the
// yield figures. Everything shown is read from the returned result block, exactly
// what the host gets.
//
//   sawline [JOB_FILE]        default: the bundled example board
#include <cstdio>
#include <string>

#include "interface/block_layout.h"
#include "interface/sawline.h"
#include "job_file.h"
#include "platform/platform.h"
#include "workspace/numeric.h"

#ifndef SAWLINE_EXAMPLE_JOB
#define SAWLINE_EXAMPLE_JOB "examples/example_board.job"
#endif

namespace {

using sawline::TruncToInt;
namespace result = sawline::result;

constexpr int kCodeFieldStride = 100;  // code field k + 1 starts at kCodeField1 + k * stride

struct PieceKind {
  const char* name;
  int grade;  // 0 for waste
};

PieceKind KindOf(float gradeCode) {
  const int c = TruncToInt(gradeCode);
  if (c >= 1 && c <= 8) return {"fixed", c};
  if (c == 9) return {"waste", 0};
  if (c > 10 && c % 10 == 1) return {"uncut", c / 10};
  if (c > 10 && c % 10 == 2) return {"variable", c / 10};
  return {"?", 0};
}

void PrintCutList(const float* block, int pieces) {
  std::printf("\n  #  kind      grade    length      feed  code fields\n");
  for (int i = 0; i < pieces; ++i) {
    const PieceKind kind = KindOf(block[result::kPieceGradeCode + i]);
    char grade[16] = "-";
    if (kind.grade > 0) std::snprintf(grade, sizeof grade, "%d", kind.grade);
    std::printf("%3d  %-8s  %5s  %8.1f  %8.1f ", i + 1, kind.name, grade,
                static_cast<double>(block[result::kPieceLength + i]),
                static_cast<double>(block[result::kFeedLength + i]));
    for (int k = 0; k < 4; ++k)
      std::printf(" %02d", TruncToInt(block[result::kCodeField1 + k * kCodeFieldStride + i]));
    std::printf("\n");
  }
}

double SumOverGrades(const float* block, int base) {
  double sum = 0.0;
  for (int g = 1; g <= 8; ++g)
    sum += block[base + g];
  return sum;
}

void PrintYield(const float* block, int pieces) {
  const double board = block[result::kBoardLength];
  const double fixed = SumOverGrades(block, result::kGradeSpecLength);
  const double variable = SumOverGrades(block, result::kGradeVarLength);
  const double uncut = SumOverGrades(block, result::kGradeUncutLength);
  const double used = fixed + variable + uncut;
  double waste = 0.0;
  double feed = 0.0;
  for (int i = 0; i < pieces; ++i) {
    if (TruncToInt(block[result::kPieceGradeCode + i]) == 9)
      waste += block[result::kPieceLength + i];
    feed += block[result::kFeedLength + i];
  }
  std::printf("\nyield (length units)\n");
  std::printf("  board length         %10.1f   (feed lengths add up to %.1f)\n", board, feed);
  std::printf("  useful length        %10.1f   (graded 1 to 8)\n",
              static_cast<double>(block[result::kTotalUsefulLength]));
  std::printf("  used: fixed-length   %10.1f\n", fixed);
  std::printf("  used: variable       %10.1f\n", variable);
  std::printf("  used: uncut          %10.1f\n", uncut);
  std::printf("  used in all          %10.1f   (%.1f %% of the board)\n", used,
              board > 0.0 ? 100.0 * used / board : 0.0);
  std::printf("  waste pieces         %10.1f\n", waste);
  std::printf("  kerfs                %10.1f\n", board - used - waste);
  if (block[result::kTotalValue] != 0.0f) {
    std::printf("  value                %10.3f   (fixed %.3f, variable %.3f)\n",
                static_cast<double>(block[result::kTotalValue]),
                static_cast<double>(block[result::kTotalFixedValue]),
                static_cast<double>(block[result::kTotalVarValue]));
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
    const int delivered =
        pieces < sawline::kMaxTransferRecords ? pieces : sawline::kMaxTransferRecords;
    PrintCutList(block, delivered);
    PrintYield(block, delivered);
  } else {
    std::printf("no piece planned: the result block is left as it was\n");
  }
  std::printf("\nrun log: %s (GBK)\n", sawline::platform::LogPath());
  return 0;
}
