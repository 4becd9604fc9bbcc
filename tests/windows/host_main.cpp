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
// random-0001 and on; the same boards on every build). "--threads=N" (after LIBRARY)
// then also has N threads of the process call the entry at once, each over every board
// in its own order, and requires every answer to be the one the call gave alone.
//
// Built as sawline_stack_host (32-bit x86, 4-byte stack alignment, as hosts built by
// compilers that keep the stack 4-byte aligned), every call is made four times, entering
// the library with esp mod 16 = 0, 4, 8 and 12, and the four answers must be the same.
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
#include <pthread.h>
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

#if defined(SAWLINE_HOST_STACK_OFFSETS)
// Calls the entry with esp = k (mod 16) on entry, past the return address: the stack is
// aligned down to 16, then lowered so that the three arguments and the return address
// leave it at k. esi keeps the caller's esp; the call preserves it, so the stack is
// restored whatever convention the entry pops its arguments by.
struct MisalignedCall {
  ComputeFunction compute;
  const float* parameters;
  const float* marks;
  float* result;
  uint32_t pad;  // bytes below the 16-aligned stack: (16 - k) mod 16
};

int32_t CallAtStackOffset(const MisalignedCall& call) {
  int32_t pieces;
  __asm__ volatile(
      "movl %%esp, %%esi\n\t"
      "andl $-16, %%esp\n\t"
      "subl 16(%%edi), %%esp\n\t"
      "pushl 12(%%edi)\n\t"
      "pushl 8(%%edi)\n\t"
      "pushl 4(%%edi)\n\t"
      "call *(%%edi)\n\t"
      "movl %%esi, %%esp\n\t"
      : "=a"(pieces)
      : "D"(&call)
      : "esi", "ecx", "edx", "memory", "cc");
  return pieces;
}

// Where the stack stood when the probe was entered, modulo 16: its first argument sits
// just above the return address.
uint32_t gEnteredAt = 99;
int32_t SAWLINE_CALL StackProbe(const float* parameters, const float*, float*) {
  gEnteredAt =
      static_cast<uint32_t>((reinterpret_cast<uintptr_t>(&parameters) - sizeof(void*)) % 16u);
  return 0;
}

// The trampoline must enter a function at the offset it is asked for, or the checks
// prove nothing.
bool TrampolineEntersAtEveryOffset() {
  for (uint32_t offset = 0; offset < 16; offset += 4) {
    const MisalignedCall probe{&StackProbe, nullptr, nullptr, nullptr, (16u - offset) % 16u};
    CallAtStackOffset(probe);
    if (gEnteredAt != offset) {
      std::fprintf(stderr, "asked for esp mod 16 = %u, the probe was entered at %u\n",
                   static_cast<unsigned>(offset), static_cast<unsigned>(gEnteredAt));
      return false;
    }
  }
  return true;
}
#endif

// One call of the entry on a pattern-filled block, with the run log it left.
Call CallEntry(ComputeFunction compute, const sawline::tools::JobBlocks& job, uint32_t offset) {
  Call call;
  call.block = PatternBlock();
  std::remove(kLogName);
#if defined(SAWLINE_HOST_LINKED)
  sawline::platform::FixClock(0);
  sawline::platform::FixSeed(20240101u);
  sawline::platform::FixCalendar(1718000000, 8 * 3600);
#endif
#if defined(SAWLINE_HOST_STACK_OFFSETS)
  const MisalignedCall misaligned{compute, job.parameters.data(), job.marks.data(),
                                  call.block.data(), (16u - offset) % 16u};
  call.pieces = CallAtStackOffset(misaligned);
#else
  (void)offset;
  call.pieces = compute(job.parameters.data(), job.marks.data(), call.block.data());
#endif
  call.log = ReadBytes(kLogName);
  return call;
}

bool SameCall(const Call& a, const Call& b) {
  return a.pieces == b.pieces && std::memcmp(a.block.data(), b.block.data(), sizeof a.block) == 0;
}

#if defined(SAWLINE_HOST_STACK_OFFSETS)
std::string WithoutTimes(const std::string& log) {
  // The call's elapsed time and the clock time at its end are the record's only lines
  // that may differ between two calls of one board.
  std::string kept;
  size_t start = 0;
  while (start < log.size()) {
    size_t end = log.find('\n', start);
    end = end == std::string::npos ? log.size() : end + 1;
    const std::string line = log.substr(start, end - start);
    if (line.rfind("Sum Optimizing Time is:", 0) != 0 && line.rfind("Now Time:", 0) != 0)
      kept += line;
    start = end;
  }
  return kept;
}
#endif

Call RunOnce(ComputeFunction compute, const sawline::tools::JobBlocks& job) {
  Call call = CallEntry(compute, job, 0);
#if defined(SAWLINE_HOST_STACK_OFFSETS)
  for (uint32_t offset = 4; offset < 16; offset += 4) {
    const Call again = CallEntry(compute, job, offset);
    if (!SameCall(again, call) || WithoutTimes(again.log) != WithoutTimes(call.log)) {
      std::fprintf(stderr, "the call entered at esp mod 16 = %u answered differently\n",
                   static_cast<unsigned>(offset));
      call.pieces = -1;
    }
  }
#endif
  return call;
}

// ---- Several threads of one process ----

struct ThreadWork {
  ComputeFunction compute = nullptr;
  const std::vector<sawline::tools::JobBlocks>* jobs = nullptr;
  const std::vector<Call>* alone = nullptr;
  size_t first = 0;  // this thread's first board; it goes round them all from there
  int differing = 0;
};

void RunThreadWork(ThreadWork& work) {
  const size_t count = work.jobs->size();
  for (size_t k = 0; k < count; ++k) {
    const size_t j = (work.first + k) % count;
    Call call;
    call.block = PatternBlock();
    call.pieces = work.compute((*work.jobs)[j].parameters.data(), (*work.jobs)[j].marks.data(),
                               call.block.data());
    if (!SameCall(call, (*work.alone)[j])) ++work.differing;
  }
}

#if defined(_WIN32)
DWORD WINAPI ThreadMain(LPVOID argument) {
  RunThreadWork(*static_cast<ThreadWork*>(argument));
  return 0;
}
#else
void* ThreadMain(void* argument) {
  RunThreadWork(*static_cast<ThreadWork*>(argument));
  return nullptr;
}
#endif

// Runs `threads` threads at once over every board; the number of answers that differ
// from the call alone, or -1 when a thread could not start.
int RunThreads(ComputeFunction compute, const std::vector<sawline::tools::JobBlocks>& jobs,
               const std::vector<Call>& alone, int threads) {
  std::vector<ThreadWork> work(static_cast<size_t>(threads));
  bool started = true;
#if defined(_WIN32)
  std::vector<HANDLE> handles;
#else
  std::vector<pthread_t> handles;
#endif
  for (size_t t = 0; t < work.size(); ++t) {
    work[t] = {compute, &jobs, &alone, t * jobs.size() / work.size(), 0};
#if defined(_WIN32)
    HANDLE handle = CreateThread(nullptr, 0, ThreadMain, &work[t], 0, nullptr);
    if (handle == nullptr) started = false;
    if (handle != nullptr) handles.push_back(handle);
#else
    pthread_t handle;
    if (pthread_create(&handle, nullptr, ThreadMain, &work[t]) != 0) started = false;
    if (started) handles.push_back(handle);
#endif
  }
  for (auto& handle : handles) {
#if defined(_WIN32)
    WaitForSingleObject(handle, INFINITE);
    CloseHandle(handle);
#else
    pthread_join(handle, nullptr);
#endif
  }
  int differing = 0;
  for (const ThreadWork& w : work)
    differing += w.differing;
  return started ? differing : -1;
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
#if defined(SAWLINE_HOST_STACK_OFFSETS)
  if (!TrampolineEntersAtEveryOffset()) return 1;
#endif

  std::vector<std::string> names;
  std::vector<sawline::tools::JobBlocks> jobs;
  int threads = 0;
  for (int i = 2; i < argc; ++i) {
    if (std::strncmp(argv[i], "--threads=", 10) == 0) {
      threads = std::atoi(argv[i] + 10);
      if (threads > 0) continue;
      std::fprintf(stderr, "sawline_host: %s: expected a positive count\n", argv[i]);
      return 1;
    }
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
    if (call.pieces < 0) ++failures;
    first.push_back(call);
  }
  for (size_t j = jobs.size(); j-- > 0;) {
    if (!SameCall(RunOnce(compute, jobs[j]), first[j])) {
      std::fprintf(stderr, "%s: a second call answered differently\n", names[j].c_str());
      ++failures;
    }
  }
  if (threads > 0 && !jobs.empty()) {
    const int differing = RunThreads(compute, jobs, first, threads);
    if (differing != 0) {
      std::fprintf(stderr, "%d threads: %d answers differ from the call alone%s\n", threads,
                   differing, differing < 0 ? " (a thread did not start)" : "");
      ++failures;
    } else {
      std::printf("%d threads at once: every answer as the call alone\n", threads);
    }
  }
  std::remove(kLogName);
  return failures == 0 ? 0 : 1;
}
