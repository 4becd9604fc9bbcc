// sawline_host: stands in for the saw line's host. It loads the optimizer library by
// file name at run time, looks up OptimizationCompute by name, and runs job files
// through it, one call at a time, keeping what each call left behind so that two
// builds of the library (Linux and Windows) can be compared byte for byte.
//
//   sawline_host LIBRARY BOARD...
//   sawline_seeded_host --linked BOARD...
//
// sawline_seeded_host has the optimizer linked in instead, with its clock frozen and
// its generator seed and calendar fixed through the test seam before every call, so
// that boards whose answer comes from the genetic search give one answer on every
// platform too.
//
// A BOARD is a job file, or "--random=COUNT" for COUNT random boards (named
// random-0001 and on; the same boards on every build).
//
// For each board, written to the current directory (where the library writes its run
// log):
//   <job name>.result  the returned piece count (int32) then the 1169 result floats,
//                      little-endian, exactly as the library left them;
//   <job name>.log     the bytes of BackupData.txt after the call.
// The result block starts each call filled with a known pattern. The program fails
// when a call that returns 0 changed the block, or when the second pass over the jobs
// (in reverse order) answers differently from the first: no call may depend on an
// earlier one.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#if defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include "interface/sawline.h"
#include "jobfile/job_reader.h"
#include "support/random_boards.h"
#if defined(SAWLINE_HOST_LINKED)
#include "platform/platform.h"
#endif

namespace {

// The entry's type as the saw line's host declares it (stdcall on 32-bit Windows).
using ComputeFunction = int32_t(SAWLINE_CALL*)(const float*, const float*, float*);

using ResultBlock = std::array<float, SAWLINE_RESULT_BLOCK_FLOATS>;

// The library writes its run log under this name in the current directory.
constexpr const char* kLogName = "BackupData.txt";

ComputeFunction LoadEntry(const std::string& libraryPath) {
#if defined(SAWLINE_HOST_LINKED)
  if (libraryPath != "--linked") {
    std::fprintf(stderr, "sawline_seeded_host: the optimizer is linked in; pass --linked\n");
    return nullptr;
  }
  return &OptimizationCompute;
#elif defined(_WIN32)
  std::string path = libraryPath;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "sawline_host: LoadLibrary(%s) failed, error %lu\n", path.c_str(),
                 static_cast<unsigned long>(GetLastError()));
    return nullptr;
  }
  FARPROC entry = GetProcAddress(module, "OptimizationCompute");
  if (entry == nullptr) {
    std::fprintf(stderr, "sawline_host: no export OptimizationCompute in %s\n", path.c_str());
    return nullptr;
  }
  return reinterpret_cast<ComputeFunction>(reinterpret_cast<void*>(entry));
#else
  void* module = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "sawline_host: %s\n", dlerror());
    return nullptr;
  }
  void* entry = dlsym(module, "OptimizationCompute");
  if (entry == nullptr) {
    std::fprintf(stderr, "sawline_host: no symbol OptimizationCompute in %s\n",
                 libraryPath.c_str());
    return nullptr;
  }
  return reinterpret_cast<ComputeFunction>(entry);
#endif
}

// A pattern no real answer produces in every slot: 1000.5 + i.
ResultBlock PatternBlock() {
  ResultBlock block{};
  for (size_t i = 0; i < block.size(); ++i)
    block[i] = static_cast<float>(1000.5 + static_cast<double>(i));
  return block;
}

std::string JobName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  return name;
}

std::string ReadBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

bool WriteBytes(const std::string& path, const void* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  const bool ok = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && ok;
}

struct Call {
  int32_t pieces = 0;
  ResultBlock block{};
  std::string log;
};

Call RunOnce(ComputeFunction compute, const sawline::tools::JobBlocks& job) {
  Call call;
  call.block = PatternBlock();
  std::remove(kLogName);
#if defined(SAWLINE_HOST_LINKED)
  sawline::platform::FixClock(0);
  sawline::platform::FixSeed(20240101u);
  sawline::platform::FixCalendar(1718000000, 8 * 3600);
#endif
  call.pieces = compute(job.parameters.data(), job.marks.data(), call.block.data());
  call.log = ReadBytes(kLogName);
  return call;
}

bool SameCall(const Call& a, const Call& b) {
  return a.pieces == b.pieces && std::memcmp(a.block.data(), b.block.data(), sizeof a.block) == 0;
}

// Every board comes in through here: the boards of one argument, a job file or
// "--random=COUNT", appended to `names` and `jobs`.
bool LoadBoards(const std::string& argument, std::vector<std::string>& names,
                std::vector<sawline::tools::JobBlocks>& jobs) {
  const std::string random = "--random=";
  if (argument.rfind(random, 0) == 0) {
    const int count = std::atoi(argument.c_str() + random.size());
    if (count <= 0) {
      std::fprintf(stderr, "sawline_host: %s: expected a positive count\n", argument.c_str());
      return false;
    }
    for (int i = 1; i <= count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "random-%04d", i);
      names.push_back(name);
      jobs.push_back(sawline::test::RandomBoard(static_cast<uint32_t>(i)));
    }
    return true;
  }
  sawline::tools::JobBlocks job;
  std::string error;
  if (!sawline::tools::LoadJobFile(argument, job, &error)) {
    std::fprintf(stderr, "sawline_host: %s: %s\n", argument.c_str(), error.c_str());
    return false;
  }
  names.push_back(JobName(argument));
  jobs.push_back(job);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: sawline_host LIBRARY BOARD...\n");
    return 2;
  }
  const ComputeFunction compute = LoadEntry(argv[1]);
  if (compute == nullptr) return 1;

  std::vector<std::string> names;
  std::vector<sawline::tools::JobBlocks> jobs;
  for (int i = 2; i < argc; ++i) {
    if (!LoadBoards(argv[i], names, jobs)) return 1;
  }

  int failures = 0;
  std::vector<Call> first;
  for (size_t j = 0; j < jobs.size(); ++j) {
    const Call call = RunOnce(compute, jobs[j]);
    const ResultBlock pattern = PatternBlock();
    if (call.pieces == 0 && std::memcmp(call.block.data(), pattern.data(), sizeof pattern) != 0) {
      std::fprintf(stderr, "%s: returned 0 but changed the result block\n", names[j].c_str());
      ++failures;
    }
    const std::string base = names[j];
    std::string resultBytes(sizeof call.pieces + sizeof call.block, '\0');
    std::memcpy(resultBytes.data(), &call.pieces, sizeof call.pieces);
    std::memcpy(resultBytes.data() + sizeof call.pieces, call.block.data(), sizeof call.block);
    if (!WriteBytes(base + ".result", resultBytes.data(), resultBytes.size()) ||
        !WriteBytes(base + ".log", call.log.data(), call.log.size())) {
      std::fprintf(stderr, "%s: cannot write the outputs\n", base.c_str());
      return 1;
    }
    std::printf("%s: %d pieces\n", base.c_str(), static_cast<int>(call.pieces));
    first.push_back(call);
  }
  for (size_t j = jobs.size(); j-- > 0;) {
    if (!SameCall(RunOnce(compute, jobs[j]), first[j])) {
      std::fprintf(stderr, "%s: a second call answered differently\n", names[j].c_str());
      ++failures;
    }
  }
  std::remove(kLogName);
  return failures == 0 ? 0 : 1;
}
