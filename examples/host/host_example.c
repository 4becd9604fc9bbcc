/* A saw-line host in C, as small as it can be: it loads the optimizer library by its file
 * name, looks up OptimizationCompute by name, runs one board given as the host's raw
 * blocks and prints the cut list the line would cut.
 *
 *   host_example LIBRARY PARAMETERS.f32 MARKS.f32
 *
 * LIBRARY is SawlineDLL.dll on Windows, libSawlineDLL.so on Linux (a path, or a name the
 * system's loader finds). The block files hold little-endian 32-bit floats, 2102 and 201
 * of them (`sawline export JOB.json --params P.f32 --marks M.f32` writes them).
 *
 * Everything it reads from the result block is named by the public header: the piece
 * columns, the grade codes and the four controller code fields. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "sawline.h"

/* The entry's type: stdcall on 32-bit Windows, the C convention elsewhere. */
typedef int32_t(SAWLINE_CALL* ComputeFunction)(const float*, const float*, float*);

static ComputeFunction LoadEntry(const char* library) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(library);
  FARPROC entry;
  if (module == NULL) {
    fprintf(stderr, "host_example: cannot load %s (error %lu)\n", library,
            (unsigned long)GetLastError());
    return NULL;
  }
  entry = GetProcAddress(module, "OptimizationCompute");
  if (entry == NULL) fprintf(stderr, "host_example: %s exports no OptimizationCompute\n", library);
  return (ComputeFunction)(void (*)(void))entry;
#else
  void* module = dlopen(library, RTLD_NOW | RTLD_LOCAL);
  void* entry;
  ComputeFunction compute;
  if (module == NULL) {
    fprintf(stderr, "host_example: %s\n", dlerror());
    return NULL;
  }
  entry = dlsym(module, "OptimizationCompute");
  if (entry == NULL) fprintf(stderr, "host_example: %s exports no OptimizationCompute\n", library);
  memcpy(&compute, &entry, sizeof compute);
  return compute;
#endif
}

/* Reads exactly `count` floats from `path`; any other size is an error. */
static int ReadBlock(const char* path, float* block, size_t count) {
  FILE* file = fopen(path, "rb");
  int ok;
  if (file == NULL) {
    fprintf(stderr, "host_example: cannot open %s\n", path);
    return 0;
  }
  ok = fread(block, sizeof(float), count, file) == count && fgetc(file) == EOF;
  fclose(file);
  if (!ok)
    fprintf(stderr, "host_example: %s does not hold %lu floats\n", path, (unsigned long)count);
  return ok;
}

static const char* KindOf(int code, int* grade) {
  *grade = code / 10;
  if (code == SAWLINE_GRADE_CODE_WASTE) return "waste";
  if (code >= 1 && code <= SAWLINE_ORDER_GRADES) {
    *grade = code;
    return "fixed";
  }
  if (*grade >= 1 && *grade <= SAWLINE_ORDER_GRADES) {
    if (code == SAWLINE_GRADE_CODE_UNCUT(*grade)) return "uncut";
    if (code == SAWLINE_GRADE_CODE_VARIABLE(*grade)) return "variable";
  }
  *grade = 0;
  return "unknown";
}

int main(int argc, char** argv) {
  static float parameters[SAWLINE_PARAMETER_BLOCK_FLOATS];
  static float marks[SAWLINE_BOARD_MARK_BLOCK_FLOATS];
  static float result[SAWLINE_RESULT_BLOCK_FLOATS];
  ComputeFunction compute;
  int32_t pieces, i;

  if (argc != 4) {
    fprintf(stderr, "usage: host_example LIBRARY PARAMETERS.f32 MARKS.f32\n");
    return 2;
  }
  if (!ReadBlock(argv[2], parameters, SAWLINE_PARAMETER_BLOCK_FLOATS) ||
      !ReadBlock(argv[3], marks, SAWLINE_BOARD_MARK_BLOCK_FLOATS))
    return 2;
  compute = LoadEntry(argv[1]);
  if (compute == NULL) return 1;

  pieces = compute(parameters, marks, result);
  printf("pieces: %ld\n", (long)pieces);
  if (pieces <= 0) return 0; /* no piece: the result block is as the host left it */
  if (pieces > SAWLINE_RESULT_PIECES) pieces = SAWLINE_RESULT_PIECES;
  printf("  #  kind      grade   length     feed  code\n");
  for (i = 0; i < pieces; ++i) {
    int grade;
    const char* kind = KindOf((int)result[SAWLINE_RESULT_PIECE_GRADE_CODE + i], &grade);
    printf(
        "%3ld  %-8s  %5d  %7.1f  %7.1f  %02d %02d %02d %02d\n", (long)(i + 1), kind, grade,
        (double)result[SAWLINE_RESULT_PIECE_LENGTH + i],
        (double)result[SAWLINE_RESULT_FEED_LENGTH + i],
        (int)result[SAWLINE_RESULT_CODE_FIELD_1 + i], (int)result[SAWLINE_RESULT_CODE_FIELD_2 + i],
        (int)result[SAWLINE_RESULT_CODE_FIELD_3 + i], (int)result[SAWLINE_RESULT_CODE_FIELD_4 + i]);
  }
  printf("useful length: %.1f of %.1f\n", (double)result[SAWLINE_RESULT_TOTAL_USEFUL_LENGTH],
         (double)result[SAWLINE_RESULT_BOARD_LENGTH]);
  return 0;
}
