// sawline: runs a board described in a job file through OptimizationCompute, the
// same entry the saw line's host calls, and shows what the library answered.
//
//   sawline [JOB_FILE]        default: the bundled example board
#include <cstdio>
#include <string>

#include "interface/sawline.h"
#include "job_file.h"
#include "platform/platform.h"

#ifndef SAWLINE_EXAMPLE_JOB
#define SAWLINE_EXAMPLE_JOB "examples/example_board.job"
#endif

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
  float result[SAWLINE_RESULT_BLOCK_FLOATS] = {};
  const int32_t pieces = OptimizationCompute(job.parameters.data(), job.marks.data(), result);
  std::printf("job: %s\n", path.c_str());
  std::printf("pieces in the cut list: %d\n", static_cast<int>(pieces));
  std::printf("run log: %s (GBK)\n", sawline::platform::LogPath());
  return 0;
}
